#pragma once

#include "QmNonlin.h"

/** A diode clipper; its table is always the running integral (mode 2),
    key "nl_diode_1_2". */
class QmDiodeNonlin : public QmNonlin
{
public:
    QmDiodeNonlin();

    double solve (double x, double start) override;
};
