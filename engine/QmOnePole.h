#pragma once

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

    /** Coefficients for a frequency in Hz against the given rate. */
    void setFrequencyAtRate (float frequency, float sampleRate, bool highPass);

    float step (float x) noexcept
    {
        const float y = b1 * x1 + b0 * x + a * y1;
        x1 = x;
        y1 = y;
        return y;
    }

private:
    void setFromPole (float pole, bool highPass);
};
