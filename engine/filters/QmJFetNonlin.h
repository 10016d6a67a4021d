#pragma once

#include "QmNonlin.h"

/** A JFET stage with feedback: the curve y = tanh (k y + x). */
class QmJFetNonlin : public QmNonlin
{
public:
    QmJFetNonlin (int mode, float k);

    double solve (double x, double start) override;

    /** The cache key of a curve: "nl_jfet_", k in "%f" notation, "_", mode. */
    static std::string makeKey (int mode, float k);

    float k;
};
