#include "QmDecimator.h"
#include "QmMidiLearnHandler.h"
#include "QmParameter.h"
#include "QmSynthEngine.h"
#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace voicetest;

namespace
{
    struct FakeLearn : QmMidiLearnHandler
    {
        bool isLearnMode() override { return learn; }
        int getLearnTarget() override { return target; }
        int getParameterForController (int c) override { return bindings.count (c) ? bindings[c] : -1; }
        void assignController (int c, int p) override { assigned.emplace_back (c, p); }

        bool learn = false;
        int target = -1;
        std::map<int, int> bindings;
        std::vector<std::pair<int, int>> assigned;
    };
}

TEST (Engine, DecimatorIsAHalfBandFilterWithUnityDcGain)
{
    // Unity at DC, nothing at the oversampled Nyquist frequency.
    QmDecimator dc, nyquist;
    float y = 0.0f, z = 0.0f;
    for (int k = 0; k < 20; ++k)
        y = dc.process (1.0f, 1.0f), z = nyquist.process (1.0f, -1.0f);
    EXPECT_TRUE (std::fabs (y - 1.0f) < 1e-6f && std::fabs (z) < 1e-6f) << y << " " << z;

    // Blocks shorter than, equal to and longer than the filter's 9-pair
    // memory, one after another, against the per-sample form.
    QmDecimator single, block;
    std::vector<float> in (2 * 600), out (600);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = std::sin (0.61f * (float) i) * (1.0f + (float) (i % 5)) - (i % 11 == 0 ? 0.75f : 0.0f);

    size_t offset = 0;
    for (const int n : { 3, 9, 10, 0, 300 })
    {
        block.processBlock (in.data() + 2 * offset, out.data(), n);
        for (int k = 0; k < n; ++k, ++offset)
            ASSERT_EQ (out[(size_t) k], single.process (in[2 * offset], in[2 * offset + 1])) << "block of " << n << ", output " << k;
    }
}

TEST (Engine, RenderBlockRunsLongBlocksInPassesAndDispatchesControllers)
{
    QmSynthEngine engine;
    std::vector<float> left (10000, 1.0f), right (10000, 1.0f);
    const int before = engine.context->tick;

    engine.renderBlock (left.data(), right.data(), {}, 256);
    EXPECT_TRUE (engine.context->tick == before + 1 && engine.context->blockLength == 512);

    engine.renderBlock (left.data(), right.data(), {}, 9000);   // three passes
    EXPECT_TRUE (engine.context->tick == before + 4 && engine.context->blockLength == 2 * (9000 - 2 * 4096));
    for (int i = 0; i < 9000; ++i)
        ASSERT_TRUE (std::isfinite (left[i]) && left[i] == right[i]) << i;
    EXPECT_EQ (left[9000], 1.0f);   // nothing written past the request

    // Controllers set learned parameters or are learnt.
    FakeLearn learn;
    engine.setMidiLearnHandler (&learn);
    learn.bindings = { { 74, QmParam::lpfRes }, { 20, 99 } };
    engine.renderBlock (left.data(), right.data(), { controller (74, 0.6f, 0), controller (20, 0.9f, 0) }, 32);
    EXPECT_FLOAT_EQ (engine.parameters[QmParam::lpfRes]->value, 0.6f);   // before the graph ran

    // Learning binds and sets nothing; a zero-length block still takes its events.
    learn.learn = true;
    learn.target = QmParam::lpfDrive;
    engine.renderBlock (left.data(), right.data(), { controller (1, 0.3f, 0) }, 0);
    EXPECT_EQ (learn.assigned, (std::vector<std::pair<int, int>> { { 1, QmParam::lpfDrive } }));
    EXPECT_EQ (engine.parameters[QmParam::lpfDrive]->value, 0.0f);

    // Channel-mode messages are no controllers: never learnt, never bound.
    std::vector<QmMidiEvent> channelMode;
    for (int c = QmMidiEvent::firstChannelMode; c < 128; ++c)
        channelMode.push_back (controller (c, 0.5f, 0));
    engine.renderBlock (left.data(), right.data(), channelMode, 32);
    learn.learn = false;
    learn.bindings = { { 123, QmParam::lpfDrive } };
    engine.renderBlock (left.data(), right.data(), channelMode, 32);
    EXPECT_EQ (learn.assigned.size(), 1u);
    EXPECT_EQ (engine.parameters[QmParam::lpfDrive]->value, 0.0f);

    // Long blocks hand every event to the pass it falls in.
    learn.bindings = { { 74, QmParam::lpfRes }, { 75, QmParam::hpfRes } };
    engine.renderBlock (left.data(), right.data(), { controller (74, 0.2f, 10), controller (75, 0.8f, 8999) }, 9000);
    EXPECT_TRUE (engine.parameters[QmParam::lpfRes]->value == 0.2f && engine.parameters[QmParam::hpfRes]->value == 0.8f);
}
