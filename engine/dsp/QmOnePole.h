#pragma once

#include <cmath>

/** One-pole filter state and coefficients: y = b1.x1 + b0.x + a.y1. */
struct QmOnePole
{
    float b1 = 0.0f;
    float y1 = 0.0f;
    float x1 = 0.0f;
    float b0 = 0.0f;
    float a = 0.0f;

    /** Coefficients for a frequency in Hz against a fixed 44100 Hz reference. */
    void setFrequency (float frequency, bool highPass);

    /** Coefficients for a frequency in Hz against the given rate. Inline:
        some kernels retune their smoother every sample. */
    void setFrequencyAtRate (float frequency, float sampleRate, bool highPass)
    {
        setFromPole (std::exp ((float) (-2.0 * 3.141592653589793 * (double) (frequency / sampleRate))), highPass);
    }

    float step (float x) noexcept
    {
        const float y = b1 * x1 + b0 * x + a * y1;
        x1 = x;
        y1 = y;
        return y;
    }

    /** Forgets the history, keeping the coefficients. */
    void clear() noexcept { x1 = y1 = 0.0f; }

    /** Forgets a history that is no longer finite (after an overflowing
        input), so the filter starts again instead of staying NaN. */
    void clearIfNotFinite() noexcept
    {
        if (! (std::isfinite (x1) && std::isfinite (y1)))
            x1 = y1 = 0.0f;
    }

    /** step() over a block in place. Once a step leaves the state unchanged,
        the samples that repeat its input repeat its output without being
        computed (the result is the same to the bit). */
    void process (float* buffer, int n) noexcept;

private:
    void setFromPole (float pole, bool highPass)
    {
        if (highPass)
        {
            b0 = (1.0f + pole) * 0.5f;
            b1 = (1.0f + pole) * -0.5f;
        }
        else
        {
            b1 = 0.0f;
            b0 = 1.0f - pole;
        }

        a = pole;
    }
};
