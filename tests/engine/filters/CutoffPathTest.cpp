#include "QmFastMath.h"
#include "QmInputSocket.h"
#include "QmModule.h"
#include "QmOutputSocket.h"
#include "QmProcessContext.h"
#include "QmSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <limits>
#include <vector>

namespace
{
    // Distance in representable floats (for finite values of one sign).
    int64_t ulps (float a, float b)
    {
        int32_t ia, ib;
        std::memcpy (&ia, &a, sizeof (ia));
        std::memcpy (&ib, &b, sizeof (ib));
        return std::llabs ((int64_t) ia - (int64_t) ib);
    }

    float plainCutoff (float octaves) { return (float) ((double) std::pow (2.0f, octaves) * 16.3516 * 0.5); }

    struct Source : public QmModule
    {
        Source (QmProcessContext* c, uint32_t kind) : QmModule (c), signal (kind, c) { out = addOutput ("Out", kind); }
        void process() override { out->pushSignal (&signal); }
        QmSignal signal;
        QmOutputSocket* out;
    };

    struct Sink : public QmModule
    {
        explicit Sink (QmProcessContext* c) : QmModule (c) { in = addInput ("In", QmSignal::block); }
        QmInputSocket* in;
    };
}

TEST (CutoffPath, SinglePrecisionExp2StaysWithinAnUlpOfPowf)
{
    // Float's whole range, denormal results included.
    for (int i = 0; i < 40000; i += 4)
    {
        alignas (16) float x[4], y[4];
        for (int k = 0; k < 4; ++k)
            x[k] = -149.0f + 276.9f * (float) (i + k) / 40000.0f;
        _mm_store_ps (y, QmFastMath::exp2Float4Single (_mm_load_ps (x)));
        for (int k = 0; k < 4; ++k)
            ASSERT_LE (ulps (y[k], std::pow (2.0f, x[k])), 1) << x[k];
    }
}

TEST (CutoffPath, CutoffFollowsThePitchFormulaWithinThreeUlps)
{
    // Every octave a filter's cutoff reaches, and the tail of an odd block.
    QmProcessContext context;
    context.blockLength = 8003;
    QmSignal pitch (QmSignal::block, &context);
    std::vector<float> octaves ((size_t) context.blockLength);
    for (int i = 0; i < 8000; ++i)
        octaves[(size_t) i] = -8.0f + 0.003f * (float) i + 0.000123f * (float) (i % 7);
    octaves[8000] = 4.75f, octaves[8001] = 16.0f, octaves[8002] = 15.999f;
    std::copy (octaves.begin(), octaves.end(), pitch.buffer);

    pitch.pitchToCutoff();

    for (int i = 0; i < context.blockLength; ++i)
        ASSERT_LE (ulps (pitch.buffer[i], plainCutoff (octaves[(size_t) i])), 3) << octaves[(size_t) i];

    // Whole octaves carry no error at all; A4 sits at half of 440 Hz.
    for (int i : { 0, 8001 })
        EXPECT_EQ (pitch.buffer[i], plainCutoff (octaves[(size_t) i])) << octaves[(size_t) i];
    EXPECT_NEAR (pitch.buffer[8000], 220.0f, 0.005f);

    // The extremes as powf gives them: overflow, underflow, NaN.
    const float inf = std::numeric_limits<float>::infinity();
    const float edges[] = { 124.9f, 125.1f, 200.0f, inf, -120.0f, -300.0f, -inf, std::nanf (""), 3.0f, -5.0f, 11.0f };
    context.blockLength = 11;
    std::copy (std::begin (edges), std::end (edges), pitch.buffer);
    pitch.pitchToCutoff();
    EXPECT_LE (ulps (pitch.buffer[0], plainCutoff (124.9f)), 3);
    EXPECT_TRUE (std::isinf (pitch.buffer[1]) && std::isinf (pitch.buffer[2]) && std::isinf (pitch.buffer[3]));
    EXPECT_LE (ulps (pitch.buffer[4], plainCutoff (-120.0f)), 3);
    EXPECT_TRUE (pitch.buffer[5] == 0.0f && pitch.buffer[6] == 0.0f && std::isnan (pitch.buffer[7]));
    for (int i = 8; i < 11; ++i)
        EXPECT_EQ (pitch.buffer[i], plainCutoff (edges[i])) << edges[i];
}

TEST (CutoffPath, ScalarSourcesAddToASummedCutoffUnlessZero)
{
    // A block and a scalar summed into one input, over a few blocks.
    QmProcessContext context;
    context.blockLength = 7;
    Source pitch (&context, QmSignal::block), offset (&context, QmSignal::scalar);
    Sink filter (&context);
    pitch.out->connect (filter.in);
    offset.out->connect (filter.in);
    const float octaves[] = { 3.0f, -0.0f, 1.0e-3f, -2.5f, 11.3f, 1.0e30f, -1.0e-30f };
    std::copy (std::begin (octaves), std::end (octaves), pitch.signal.buffer);

    for (float v : { 0.0f, -0.0f, 0.25f, 0.0f, std::nanf ("") })
    {
        offset.signal.value = v;
        context.advanceTick();
        filter.clear();
        filter.requestSignal();
        const QmSignal* sum = filter.in->getSignal();
        for (int i = 0; i < 7; ++i)
        {
            const float expected = 0.0f + octaves[i] + v;
            ASSERT_TRUE (std::memcmp (&sum->buffer[i], &expected, sizeof (float)) == 0 || (std::isnan (v) && std::isnan (sum->buffer[i])))
                << v << " " << i << ": " << sum->buffer[i];
        }
    }
}
