#include "QmParameterGroup.h"

QmParameterGroup::QmParameterGroup (std::string n)
    : name (std::move (n))
{
}

QmParameter* QmParameterGroup::add (QmParameter* parameter)
{
    parameters.push_back (parameter);
    return parameter;
}
