#pragma once

#include "QmAlignedBuffer.h"
#include "QmOnePole.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

/** Per-block buffers of mains-like hum and white noise, refilled by the
    engine before every block for the modules that mix them in. */
class QmHumNoiseSource
{
public:
    explicit QmHumNoiseSource (int rate);

    /** Refills the first n samples (at most bufferSize) of both buffers. */
    void fill (int n) noexcept;

    /** The hum starts its cycle again, its high-pass from rest. */
    void reset() noexcept;

    /** One sample of both buffers as the formulas read: the 50 Hz sine's
        troughs below -0.5 through the high-pass, and noise from the rand()
        state given; the phase then steps on. fill gives the same samples to
        the bit (it skips the sine where the clip takes it anyway, and takes
        |phase| at the end of a block). */
    static void plainStep (float& phase, QmOnePole& highPass, unsigned int& random, int rate, float& hum, float& noise) noexcept;

    /** The hum before its high-pass: the 50 Hz sine at a phase of its cycle,
        clipped at -0.5 so that only its troughs remain. */
    static float trough (float phase) noexcept { return std::min (std::sin (6.2831855f * phase), -0.5f); }

    static constexpr int bufferSize = 8192;

    /** Phases of a cycle below and above which the clipped sine is -0.5
        without being computed: just inside 7/12 and 11/12. */
    static constexpr float clippedBelow = 0.58333f;
    static constexpr float clippedAbove = 0.91667f;

    float* noise = nullptr;
    float* hum = nullptr;
    float* spare = nullptr;     // allocated, never filled
    QmOnePole highPass;
    float phase = 0.0f;
    int32_t rate = 44100;

    QmHumNoiseSource (const QmHumNoiseSource&) = delete;
    QmHumNoiseSource& operator= (const QmHumNoiseSource&) = delete;

private:
    QmAlignedBuffer noiseStorage, humStorage, spareStorage;    // own the three buffers
};
