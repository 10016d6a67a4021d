#pragma once

#include <string>
#include <vector>

class QmParameter;

/** A named list of parameters, used by the editor for its labels. */
class QmParameterGroup
{
public:
    explicit QmParameterGroup (std::string name);

    std::string getName() const { return name; }
    QmParameter* add (QmParameter* parameter);

    std::string name;
    std::vector<QmParameter*> parameters;   // not owned
};
