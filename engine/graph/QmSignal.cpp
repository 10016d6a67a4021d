#include "QmSignal.h"
#include "QmFastMath.h"
#include "QmProcessContext.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

QmSignal::QmSignal (uint32_t k, QmProcessContext* c)
    : context (c), kind (k)
{
    if (kind == block)
    {
        storage = QmAlignedBuffer (capacity);
        buffer = storage.get();
    }
}

void QmSignal::clear()
{
    if (kind == block)
        std::memset (buffer, 0, (size_t) context->blockLength * sizeof (float));
    else
        value = 0.0f;
}

void QmSignal::mixAdd (const QmSignal* source)
{
    value += source->value;

    if (kind != block)
        return;

    const int n = context->blockLength;

    if (source->kind == block)
    {
        juce::FloatVectorOperations::add (buffer, source->buffer, n);
    }
    else
    {
        const float v = source->value;
        for (int i = 0; i < n; ++i)
            buffer[i] += v;
    }
}

void QmSignal::multiply (const QmSignal* other)
{
    if (kind != block)
        return;

    const int n = context->blockLength;

    if (other->kind == block)
    {
        juce::FloatVectorOperations::multiply (buffer, other->buffer, n);
    }
    else
    {
        const float v = other->value;
        for (int i = 0; i < n; ++i)
            buffer[i] *= v;
    }
}

void QmSignal::addConstant (float c)
{
    if (kind != block)
        return;

    for (int i = 0; i < context->blockLength; ++i)
        buffer[i] += c;
}

void QmSignal::addScaled (const QmSignal* source, float gain)
{
    if (kind != block || gain == 0.0f)
        return;

    if (source->kind != block)
    {
        addConstant (source->value * gain);
        return;
    }

    for (int i = 0; i < context->blockLength; ++i)
        buffer[i] += source->buffer[i] * gain;
}

void QmSignal::clamp (float lo, float hi)
{
    auto limit = [lo, hi] (float s)
    {
        if (lo > s) s = lo;
        if (s > hi) s = hi;
        return s;
    };

    if (kind != block)
    {
        value = limit (value);
        return;
    }

    for (int i = 0; i < context->blockLength; ++i)
        buffer[i] = limit (buffer[i]);
}

namespace
{
    /** Maps a block in place: four samples at a time, the tail one by one.
        b is a local pointer, as the vector stores may alias the member. */
    template <typename Map4, typename Map1>
    void mapInPlace (float* b, int n, Map4 map4, Map1 map1) noexcept
    {
        int i = 0;

        for (; i + 4 <= n; i += 4)
            _mm_storeu_ps (b + i, map4 (_mm_loadu_ps (b + i)));

        for (; i < n; ++i)
            b[i] = map1 (b[i]);
    }
}

void QmSignal::pitchToFrequency()
{
    if (kind == block)
        mapInPlace (buffer, context->blockLength, [] (__m128 x) { return frequencyOf (x); },
                                                  [] (float x) { return frequencyOf (x); });
}

void QmSignal::pitchToCutoff()
{
    if (kind == block)
        mapInPlace (buffer, context->blockLength, [] (__m128 x) { return QmFastMath::exp2Float4Single (x, 16.3516 * 0.5); },
                                                  [] (float x) { return _mm_cvtss_f32 (QmFastMath::exp2Float4Single (_mm_set1_ps (x), 16.3516 * 0.5)); });
}

std::string QmSignal::toString() const
{
    char text[64];

    if (kind == block)
        std::snprintf (text, sizeof (text), "sig[b:%f]", (double) buffer[0]);
    else
        std::snprintf (text, sizeof (text), "sig[s:%f]", (double) value);

    return text;
}
