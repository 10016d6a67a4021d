#pragma once

#include "QmDriftTables.h"
#include "QmDriftTap.h"

#include <cstdint>
#include <memory>

/** Hands out taps on the process's drift tables (see QmDriftTables), one per
    reading module, each starting at a place of its own. */
class QmDriftGenerator
{
public:
    /** Takes the shared tables, building them when this is the first. */
    QmDriftGenerator();

    /** A tap on table 0 or 1 (any other value: no table). Taps start 30156
        samples apart in creation order. The caller owns it. */
    QmDriftTap* createTap (int table);

    static constexpr int32_t tapSpacing = 30156;

    int32_t offset = 0;
    const float* tables[2] = { nullptr, nullptr };

    QmDriftGenerator (const QmDriftGenerator&) = delete;
    QmDriftGenerator& operator= (const QmDriftGenerator&) = delete;

private:
    std::shared_ptr<const QmDriftTables> shared;
};
