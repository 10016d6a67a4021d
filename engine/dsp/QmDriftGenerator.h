#pragma once

#include "QmAlignedBuffer.h"
#include "QmDriftTap.h"

#include <cstdint>

/** Ten seconds (at 88200 Hz) of zero-mean Gaussian noise (table 0) and of a
    slow random walk with a peak-to-peak span of 1 (table 1), built once per
    engine and read by each module through a tap of its own. */
class QmDriftGenerator
{
public:
    QmDriftGenerator();

    /** A tap on table 0 or 1 (any other value: no table). Taps start 30156
        samples apart in creation order. The caller owns it. */
    QmDriftTap* createTap (int table);

    static constexpr float length = 882000.0f;
    static constexpr int32_t tapSpacing = 30156;

    int32_t offset = 0;
    float* tables[2] = { nullptr, nullptr };

    QmDriftGenerator (const QmDriftGenerator&) = delete;
    QmDriftGenerator& operator= (const QmDriftGenerator&) = delete;

private:
    QmAlignedBuffer storage[2];     // owns the tables

    void buildNoiseTable();
    void buildDriftTable();
};
