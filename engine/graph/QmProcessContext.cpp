#include "QmProcessContext.h"
#include "QmDriftGenerator.h"

QmProcessContext::QmProcessContext()
    : drift (new QmDriftGenerator())
{
}

QmProcessContext::~QmProcessContext()
{
    delete drift;
}
