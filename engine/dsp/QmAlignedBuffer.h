#pragma once

#include <cstddef>

/** An owned array of floats on a 32-byte boundary, so that vector loads of
    it may be aligned ones; zeroed when allocated, freed with its owner. */
class QmAlignedBuffer
{
public:
    QmAlignedBuffer() noexcept = default;
    explicit QmAlignedBuffer (size_t numFloats);
    ~QmAlignedBuffer();

    QmAlignedBuffer (QmAlignedBuffer&& other) noexcept;
    QmAlignedBuffer& operator= (QmAlignedBuffer&& other) noexcept;

    float* get() const noexcept { return data; }

private:
    float* data = nullptr;

    QmAlignedBuffer (const QmAlignedBuffer&) = delete;
    QmAlignedBuffer& operator= (const QmAlignedBuffer&) = delete;
};
