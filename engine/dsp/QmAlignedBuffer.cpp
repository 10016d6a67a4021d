#include "QmAlignedBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

QmAlignedBuffer::QmAlignedBuffer (size_t numFloats)
{
    // aligned_alloc wants a whole number of alignments.
    const size_t bytes = (numFloats * sizeof (float) + 31) & ~(size_t) 31;
    data = static_cast<float*> (std::aligned_alloc (32, bytes));

    if (data == nullptr)
        throw std::bad_alloc();

    std::memset (data, 0, bytes);
}

QmAlignedBuffer::~QmAlignedBuffer()
{
    std::free (data);
}

QmAlignedBuffer::QmAlignedBuffer (QmAlignedBuffer&& other) noexcept
    : data (std::exchange (other.data, nullptr))
{
}

QmAlignedBuffer& QmAlignedBuffer::operator= (QmAlignedBuffer&& other) noexcept
{
    std::swap (data, other.data);
    return *this;
}
