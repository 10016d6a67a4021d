#pragma once

#include "QmAlignedBuffer.h"

#include <cstdint>
#include <memory>

/** The drift generator's two tables: ten seconds (at 88200 Hz) of zero-mean
    Gaussian noise (table 0) and a slow random walk with a peak-to-peak span
    of 1 (table 1). They depend on nothing but the seed they are drawn from,
    so one read-only copy serves every engine in the process. */
class QmDriftTables
{
public:
    /** Builds both tables from a generator of their own, started at seed. */
    explicit QmDriftTables (unsigned int seed);

    /** The process's tables, drawn from seed 1 (where a new thread's generator
        starts). The first caller builds them; callers on other threads at the
        same time wait for them. Each holder keeps them alive, so they outlive
        every engine that reads them. */
    static std::shared_ptr<const QmDriftTables> shared();

    static constexpr int size = 882000;

    /** Table 0 or 1. */
    const float* get (int table) const noexcept { return storage[table].get(); }

    /** The draws that building took from the generator. */
    uint64_t draws() const noexcept { return numDraws; }

    QmDriftTables (const QmDriftTables&) = delete;
    QmDriftTables& operator= (const QmDriftTables&) = delete;

private:
    QmAlignedBuffer storage[2];
    uint64_t numDraws = 0;

    void buildNoiseTable (unsigned int seed);
    void buildDriftTable();
};
