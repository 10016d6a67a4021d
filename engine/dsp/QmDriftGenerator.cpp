#include "QmDriftGenerator.h"
#include "QmRandom.h"

QmDriftGenerator::QmDriftGenerator()
    : shared (QmDriftTables::shared())
{
    tables[0] = shared->get (0);
    tables[1] = shared->get (1);

    // Each engine once drew its own tables from the calling thread's
    // generator. Moving that on as far keeps what the thread draws next, and
    // so every sound rendered on it, as it was.
    qmRandSkip (shared->draws());
}

QmDriftTap* QmDriftGenerator::createTap (int table)
{
    auto* tap = new QmDriftTap();
    tap->table = (table == 0 || table == 1) ? tables[table] : nullptr;
    tap->position = tap->start = offset;
    tap->length = QmDriftTables::size;

    offset += tapSpacing;

    if (offset >= QmDriftTables::size)
        offset -= QmDriftTables::size;

    return tap;
}
