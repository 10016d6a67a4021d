#include "QmParameter.h"
#include "QmInputSocket.h"
#include "QmProcessContext.h"
#include "QmSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

QmParameter::QmParameter (std::string n, int initialIndex, std::vector<std::string> optionNames, QmProcessContext* c)
    : QmOutputSocket (c, n, QmSignal::scalar),
      name (std::move (n)),
      steps ((int32_t) optionNames.size()),
      options (std::move (optionNames))
{
    QmOutputSocket::name = name;
    setValue (steps > 1 ? (float) initialIndex / (float) (steps - 1) : 0.0f);
    signal = new QmSignal (QmSignal::scalar, c);
}

QmParameter::QmParameter (std::string n, float initialValue, uint8_t isBipolar, QmProcessContext* c)
    : QmOutputSocket (c, n, QmSignal::scalar),
      name (std::move (n)),
      value (initialValue),
      defaultValue (initialValue),
      bipolar (isBipolar)
{
    QmOutputSocket::name = name;
    signal = new QmSignal (QmSignal::scalar, c);
}

QmParameter::QmParameter (std::string n, float initialValue, QmProcessContext* c)
    : QmOutputSocket (c, n, QmSignal::scalar),
      name (std::move (n)),
      value (initialValue),
      defaultValue (initialValue),
      smooth (1)
{
    QmOutputSocket::name = name;
    kind = QmSignal::block;
    signal = new QmSignal (QmSignal::block, c);
}

QmParameter::~QmParameter()
{
    delete signal;
}

void QmParameter::setValue (float v)
{
    if (debug)
        std::printf ("set to %f \n\t", (double) v);

    if (! std::isfinite (v))
        v = 0.0f;
    else if (v > 1.0f)
        v = 1.0f;
    else if (0.0f > v)
        v = 0.0f;

    if (steps > 1)
    {
        const float last = (float) (steps - 1);
        v = (float) std::lround (last * v) / last;
    }
    else if (steps == 1)
    {
        v = 0.0f;
    }

    value.store (v, std::memory_order_relaxed);

    callCallback();
}

void QmParameter::callCallback()
{
    callsInFlight.fetch_add (1);

    if (const auto* record = callback.load())
        record->function (record->context);

    callsInFlight.fetch_sub (1);
}

void QmParameter::setCallback (void (*function) (void*), void* context)
{
    clearCallback();

    if (function == nullptr)
        return;

    callbackRecord = { function, context };
    callback.store (&callbackRecord);
}

void QmParameter::clearCallback()
{
    callback.store (nullptr);

    // A caller counted in flight may still hold the old record; one counted
    // after the store above finds no record.
    while (callsInFlight.load() != 0)
        std::this_thread::yield();
}

float QmParameter::getMappedValue() const
{
    return getMappedValue (getValue());
}

float QmParameter::getMappedValue (float v) const
{
    float c = v;

    if (curve == 1)
        c = v * v;
    else if (curve == 2)
        c = v * v * v;

    return minValue + (maxValue - minValue) * c;
}

int QmParameter::getIndex() const
{
    return getIndex (getValue());
}

int QmParameter::getIndex (float v) const
{
    return (int) std::lround ((float) (steps - 1) * v);
}

std::string QmParameter::getText (float v) const
{
    if (steps == 0)
    {
        if (bipolar)
            v = (v - 0.5f) * 2.0f;

        char text[32];
        std::snprintf (text, sizeof (text), "%03.02f", (double) v);
        return text;
    }

    const float position = (float) (steps - 1) * v;

    // Truncated toward zero, so anything above -1 reads option 0.
    if (! (position > -1.0f && position < (float) options.size()))
        return "WRONG!";

    return options[(size_t) (int) position];
}

std::string QmParameter::getOptionText (int i) const
{
    if (steps == 0)
        return getText ((float) i);

    if (i < 0 || i >= (int) options.size())
        return "WRONG!";

    return options[(size_t) i];
}

void QmParameter::connectTo (QmInputSocket* input)
{
    connect (input);
    pushed = false;
    signal->value = getMappedValue();
    signal->index = getIndex();
    pushSignal (signal);
}

const QmParameter::Mapping& QmParameter::mappingOf (float v) noexcept
{
    uint32_t bits;
    std::memcpy (&bits, &v, sizeof (bits));

    if (bits == mapping.valueBits && minValue == mapping.minValue && maxValue == mapping.maxValue
        && curve == mapping.curve && steps == mapping.steps)
        return mapping;

    mapping = { bits, minValue, maxValue, curve, steps, getMappedValue (v), getIndex (v) };
    pushed = false;
    return mapping;
}

void QmParameter::requestSignal()
{
    // One reading of the value, so the mapped value and the index always
    // belong to the same write.
    const auto& m = mappingOf (getValue());
    const float target = m.mapped;
    signal->value = target;
    signal->index = m.index;

    if (smooth && context->blockLength >= 1)
    {
        const int n = context->blockLength;
        float* out = signal->buffer;
        float state = smoothState;

        for (int i = 0; i < n; ++i)
        {
            const float previous = state;
            state = smoothStep (state, target);
            out[i] = state;

            // A step that changes nothing has reached the glide's fixed point.
            if (state == previous)
            {
                std::fill (out + i + 1, out + n, state);
                break;
            }
        }

        smoothState = state;
    }
    else if (pushed)
    {
        return;
    }

    pushSignal (signal);

    // Inputs that borrow keep the signal, or the copy, they were given: until
    // the mapping changes, pushing it again would change nothing.
    pushed = ! smooth && std::all_of (inputs.begin(), inputs.end(), [] (const QmInputSocket* in) { return in->usemy == 0; });
}
