#pragma once

/** The amplifier's saturating one-pole stage: a low-pass whose step is bounded
    by an exponential characteristic, softer for falling than for rising output.
    Coefficients use a fixed 88200 Hz reference rate. */
struct QmAmpCore
{
    /** One sample: updates the state z and returns the output. A state that
        ever stops being finite is reset to 0, and that sample outputs 0. */
    static float process (float& z, float x, float cutoff) noexcept;

    /** The same with the cutoff's coefficients g = gainFor (cutoff) and
        k = 1 / (1 + g) worked out once by the caller. */
    static float process (float& z, float x, float g, float k) noexcept;

    /** tanf (cutoff * pi / 88200). */
    static float gainFor (float cutoff) noexcept;
};

/** Principal branch of the Lambert W function (w e^w = x), from a rational or
    series first guess refined by one Halley step. */
double lambertW (double x) noexcept;

/** One Halley step of w e^w = x from w0. */
double lambertWStep (double w0, double x) noexcept;
