#include "QmJFetStage.h"

#include <cmath>

QmJFetStage::QmJFetStage()
    : nonlin (std::make_unique<QmJFetNonlin> (QmNonlin::ratioIntegralMode, 0.5f))
{
}

void QmJFetStage::reset() noexcept
{
    s0 = s1 = out = kStore = 0.0f;
}

bool QmJFetStage::isFinite() const noexcept
{
    return std::isfinite (s0) && std::isfinite (s1) && std::isfinite (out) && std::isfinite (kStore);
}
