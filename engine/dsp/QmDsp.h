#pragma once

/** Bends t in 0..1 onto 0..1: (exp(k.t) - 1) / (exp(k) - 1); k > 0 favours
    the low end. */
float expCurve (float t, float k);
