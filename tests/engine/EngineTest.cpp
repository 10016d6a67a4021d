#include "QmDecimator.h"
#include "QmDriftGenerator.h"
#include "QmMidiLearnHandler.h"
#include "QmRandom.h"
#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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
    EXPECT_NEAR (y, 1.0f, 1e-6f);
    EXPECT_NEAR (z, 0.0f, 1e-6f);

    // Blocks shorter than, equal to and longer than the filter's 9-pair
    // memory, and either side of the shortest direct block, one after
    // another, against the per-sample form.
    QmDecimator single, block;
    std::vector<float> in (2 * 700), out (700);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = std::sin (0.61f * (float) i) * (1.0f + (float) (i % 5)) - (i % 11 == 0 ? 0.75f : 0.0f);

    size_t offset = 0;
    for (const int n : { 3, 9, 10, 0, 300, 23, 24 })
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
    engine.renderBlock (left.data(), right.data(), {}, 9000);   // three passes
    EXPECT_EQ (engine.context->tick, before + 4);
    EXPECT_EQ (engine.context->blockLength, 2 * (9000 - 2 * 4096));
    for (int i = 0; i < 9000; ++i)
        ASSERT_EQ (left[i], right[i]) << i;
    EXPECT_TRUE (std::all_of (left.begin(), left.begin() + 9000, [] (float v) { return std::isfinite (v); }));
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
    EXPECT_EQ (engine.parameters[QmParam::lpfRes]->value, 0.2f);
    EXPECT_EQ (engine.parameters[QmParam::hpfRes]->value, 0.8f);
}

TEST (Engine, InstancesBuiltOnTwoThreadsAtOnceShareTheDriftTablesAndDrawAsIfEachBuiltItsOwn)
{
    // Two hosts' threads, each on a new generator, build an instance at once.
    std::unique_ptr<QmSynthEngine> engines[2];
    int nextDraw[2] = {};
    std::atomic<int> waiting { 2 };
    auto build = [&] (int i)
    {
        for (--waiting; waiting > 0;)
            std::this_thread::yield();
        engines[i] = std::make_unique<QmSynthEngine>();
        nextDraw[i] = qmRand();
    };
    std::thread a (build, 0), b (build, 1);
    a.join(), b.join();

    // One copy, holding what a new thread's generator draws.
    const QmDriftTables own (1);
    for (int t : { 0, 1 })
    {
        EXPECT_EQ (engines[0]->context->drift->tables[t], engines[1]->context->drift->tables[t]) << t;
        EXPECT_EQ (std::memcmp (engines[0]->context->drift->tables[t], own.get (t), sizeof (float) * QmDriftTables::size), 0) << t;
    }

    // Each thread's generator has moved on as drawing the noise table itself
    // would have: pairs of rand () % 10000 until one lies inside the unit
    // circle but off its centre, one pair for two values.
    unsigned int state = 1;     // a new thread's seed
    for (int values = 0; values < QmDriftTables::size; values += 2)
        for (double s = 1.0; s >= 1.0 || s == 0.0;)
        {
            const double u1 = (qmRandNext (state) % 10000) / 5000.0 - 1.0, u2 = (qmRandNext (state) % 10000) / 5000.0 - 1.0;
            s = u1 * u1 + u2 * u2;
        }
    const int expected = qmRandNext (state);
    EXPECT_EQ (nextDraw[0], expected);
    EXPECT_EQ (nextDraw[1], expected);
}
