#pragma once

#include <cstdint>
#include <string>

struct QmProcessContext;

/** The signal record that sockets pass around: one value per block (scalar)
    or one float per sample (block). Block operations cover samples
    0 .. context->blockLength - 1. */
struct QmSignal
{
    enum Kind : uint32_t { scalar = 0, block = 1 };

    /** Floats in a block signal's buffer; blocks never exceed it. */
    static constexpr int capacity = 8320;

    QmSignal (uint32_t kind, QmProcessContext* context);
    ~QmSignal();

    void clear();
    void mixAdd (const QmSignal* source);
    void multiply (const QmSignal* other);
    void addConstant (float c);
    void addScaled (const QmSignal* source, float gain);
    void clamp (float lo, float hi);

    /** Turns octaves above 16.3516 Hz into a frequency normalised to the
        88200 Hz reference (a factor of 0.5), so pitches stay in tune at any
        host rate once consumers divide by the context's rate. */
    void pitchToFrequency();

    /** pitchToFrequency in single precision, for filter cutoffs: within two
        ulps of it, at a fraction of the cost. Oscillator phases keep the
        exact form. */
    void pitchToCutoff();

    std::string toString() const;

    QmProcessContext* context;
    uint32_t kind;
    float* buffer = nullptr;    // 32-byte aligned, block signals only
    float value = 0.0f;
    int32_t index = 0;

    QmSignal (const QmSignal&) = delete;
    QmSignal& operator= (const QmSignal&) = delete;
};
