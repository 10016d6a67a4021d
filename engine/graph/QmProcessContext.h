#pragma once

#include <cstdint>

class QmHumNoiseSource;
class QmDriftGenerator;

/** The record every node of one engine shares. */
struct QmProcessContext
{
    QmProcessContext();
    ~QmProcessContext();

    uint8_t playing = 0;
    float tempo = 120.0f;
    float sampleRate = 44100.0f;
    QmHumNoiseSource* humNoise = nullptr;   // set by the engine, which owns it
    QmDriftGenerator* drift = nullptr;      // owned
    int32_t tick = -1;
    int32_t blockLength = 0;

    /** Moves to the next block; wraps without overflow. */
    void advanceTick() noexcept { tick = (int32_t) ((uint32_t) tick + 1u); }

    QmProcessContext (const QmProcessContext&) = delete;
    QmProcessContext& operator= (const QmProcessContext&) = delete;
};
