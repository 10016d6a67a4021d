#include "QmModule.h"
#include "QmParameter.h"
#include "QmTestModule.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <set>
#include <thread>
#include <vector>

namespace
{
    struct Graph
    {
        Graph (int blockLength = 16)
        {
            context.blockLength = blockLength;
            context.tick = 0;
        }

        void nextBlock()
        {
            context.advanceTick();
        }

        QmProcessContext context;
    };

    /** A module with one input of each kind that records what it saw. */
    struct Probe : public QmModule
    {
        explicit Probe (QmProcessContext* c, std::vector<std::string>* log = nullptr) : QmModule (c), log (log)
        {
            name = "Probe";
            blockIn = addInput ("Block", QmSignal::block);
            scalarIn = addInput ("Scalar", QmSignal::scalar);
            out = addOutput ("Out", QmSignal::block);
            signal = new QmSignal (QmSignal::block, c);
        }

        ~Probe() override { delete signal; }

        void process() override
        {
            ++processed;
            out->pushSignal (signal);
        }

        void sampleRateChanged() override
        {
            if (log != nullptr)
                log->push_back (tag);
        }

        std::vector<std::string>* log;
        std::string tag;
        QmInputSocket* blockIn;
        QmInputSocket* scalarIn;
        QmOutputSocket* out;
        QmSignal* signal;
        int processed = 0;
    };
}

TEST (Graph, InputsBorrowFromOneSourceOfTheirKindAndSumOtherwise)
{
    Graph g;
    Probe sink (&g.context), a (&g.context), b (&g.context);

    // No source: reads its own signal, zero after the first clear.
    sink.clear();
    sink.requestSignal();
    ASSERT_EQ (sink.blockIn->getSignal(), sink.blockIn->own);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ (sink.blockIn->getSignal()->buffer[i], 0.0f);
    EXPECT_EQ (sink.scalarIn->getSignal()->value, 0.0f);

    // One source of its own kind: borrowed, not summed.
    a.out->connect (sink.blockIn);
    EXPECT_EQ (sink.blockIn->usemy, 0);
    std::fill (a.signal->buffer, a.signal->buffer + 16, 0.25f);
    g.nextBlock();
    sink.clear();
    sink.requestSignal();
    EXPECT_EQ (sink.blockIn->getSignal(), a.signal);

    // A second source switches it to summing, from zero in every block.
    b.out->connect (sink.blockIn);
    EXPECT_EQ (sink.blockIn->usemy, 1);
    std::fill (b.signal->buffer, b.signal->buffer + 16, 0.5f);

    for (int block = 0; block < 3; ++block)
    {
        g.nextBlock();
        sink.clear();
        sink.requestSignal();
        EXPECT_NE (sink.blockIn->getSignal(), a.signal);
        for (int i = 0; i < 16; ++i)
            ASSERT_FLOAT_EQ (sink.blockIn->getSignal()->buffer[i], 0.75f);
    }
}

TEST (Graph, BlockInputFedByAScalarSumsItsValueIntoEverySample)
{
    Graph g;
    Probe sink (&g.context);
    QmParameter p ("Level", 0.3f, 0, &g.context);
    p.connectTo (sink.blockIn);
    EXPECT_EQ (sink.blockIn->usemy, 1);

    for (int block = 0; block < 2; ++block)
    {
        g.nextBlock();
        sink.clear();
        sink.requestSignal();
        for (int i = 0; i < 16; ++i)
            ASSERT_FLOAT_EQ (sink.blockIn->getSignal()->buffer[i], 0.3f);
    }
}

TEST (Graph, FanOutGivesEveryConsumerButTheFirstAPrivateCopy)
{
    Graph g;
    Probe source (&g.context), c1 (&g.context), c2 (&g.context), c3 (&g.context);
    source.out->connect (c1.blockIn);
    source.out->connect (c2.blockIn);
    source.out->connect (c3.blockIn);
    ASSERT_EQ (source.out->copies.size(), 3u);

    source.signal->value = 7.0f;
    source.signal->index = 3;
    std::fill (source.signal->buffer, source.signal->buffer + 16, 1.0f);

    for (auto* m : { &c1, &c2, &c3 })
        m->requestSignal();

    EXPECT_EQ (c1.blockIn->getSignal(), source.signal);
    EXPECT_EQ (c2.blockIn->getSignal(), source.out->copies[0]);
    EXPECT_EQ (c3.blockIn->getSignal(), source.out->copies[1]);
    EXPECT_EQ (c3.blockIn->getSignal()->value, 7.0f);
    EXPECT_EQ (c3.blockIn->getSignal()->index, 3);

    // The third consumer changes its signal in place; the others don't see it.
    for (int i = 0; i < 16; ++i)
        c3.blockIn->getSignal()->buffer[i] = -5.0f;

    EXPECT_EQ (c1.blockIn->getSignal()->buffer[5], 1.0f);
    EXPECT_EQ (c2.blockIn->getSignal()->buffer[5], 1.0f);

    // Connecting twice is refused and leaves one connection.
    source.out->connect (c3.blockIn);
    EXPECT_EQ (source.out->inputs.size(), 3u);
    EXPECT_EQ (c3.blockIn->sources.size(), 1u);
}

TEST (Graph, ScalarSignalFannedIntoBlockCopiesFillsThemWithItsValue)
{
    Graph g;
    QmOutputSocket out (&g.context, "Out", QmSignal::block);
    Probe c1 (&g.context), c2 (&g.context);
    out.connect (c1.blockIn);
    out.connect (c2.blockIn);

    QmSignal scalar (QmSignal::scalar, &g.context);
    scalar.value = 0.5f;
    out.pushSignal (&scalar);   // never reads the scalar's missing buffer

    for (int i = 0; i < 16; ++i)
        EXPECT_EQ (c2.blockIn->getSignal()->buffer[i], 0.5f);
}

TEST (Graph, ModulesProcessOncePerTickWhateverThePaths)
{
    Graph g;
    Probe source (&g.context), left (&g.context), right (&g.context), sink (&g.context);
    source.out->connect (left.blockIn);
    source.out->connect (right.blockIn);
    left.out->connect (sink.blockIn);
    right.out->connect (sink.blockIn);

    sink.requestSignal();
    sink.requestSignal();
    EXPECT_EQ (source.processed, 1);
    EXPECT_EQ (sink.processed, 1);

    g.nextBlock();
    sink.requestSignal();
    EXPECT_EQ (source.processed, 2);
    EXPECT_EQ (left.processed, 2);
}

TEST (Graph, EventsReachEachModuleOnceDeepestFirst)
{
    Graph g;
    std::vector<std::string> log;
    Probe source (&g.context, &log), middle (&g.context, &log), other (&g.context, &log), sink (&g.context, &log);
    source.tag = "source"; middle.tag = "middle"; other.tag = "other"; sink.tag = "sink";
    source.out->connect (middle.blockIn);
    source.out->connect (other.blockIn);
    middle.out->connect (sink.blockIn);
    other.out->connect (sink.scalarIn);

    QmGraphEvent event;
    event.id = QmGraphEvent::nextId();
    sink.sendEvent (event);
    EXPECT_EQ (log, (std::vector<std::string> { "source", "middle", "other", "sink" }));

    sink.sendEvent (event);   // same id: ignored
    EXPECT_EQ (log.size(), 4u);

    event.id = QmGraphEvent::nextId();
    sink.sendEvent (event);
    EXPECT_EQ (log.size(), 8u);
}

TEST (Graph, TestModuleOffsetsValuesAndModulesRefusePushes)
{
    Graph g;
    QmTestModule source (&g.context, true), through (&g.context);
    source.output1->connect (through.input1);
    source.output2->connect (through.input2);
    through.requestSignal();
    EXPECT_EQ (through.input1->getSignal()->value, 1.0f);
    EXPECT_EQ (through.input2->getSignal()->value, 2.0f);

    testing::internal::CaptureStdout();
    through.pushSignal (source.signal1);
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "wrong!\n");
}

TEST (Graph, SignalArithmetic)
{
    Graph g (8);
    QmSignal a (QmSignal::block, &g.context), b (QmSignal::block, &g.context), s (QmSignal::scalar, &g.context);

    for (int i = 0; i < 8; ++i)
    {
        a.buffer[i] = (float) i;
        b.buffer[i] = 2.0f;
    }

    a.addScaled (&b, 0.0f);
    EXPECT_EQ (a.buffer[3], 3.0f);
    a.addScaled (&b, 0.5f);
    EXPECT_EQ (a.buffer[3], 4.0f);
    a.multiply (&b);
    EXPECT_EQ (a.buffer[3], 8.0f);
    s.value = 0.25f;
    a.multiply (&s);
    EXPECT_EQ (a.buffer[3], 2.0f);
    a.mixAdd (&s);
    EXPECT_EQ (a.buffer[3], 2.25f);
    EXPECT_EQ (a.value, 0.25f);
    a.addConstant (1.0f);
    EXPECT_EQ (a.buffer[3], 3.25f);
    EXPECT_EQ (a.buffer[8], 0.0f);   // nothing beyond the block

    for (float v : { 20.0f, -1.0f, 5.0f })
    {
        s.value = v;
        s.clamp (0.0f, 11.3f);
        EXPECT_EQ (s.value, v > 11.3f ? 11.3f : (v < 0.0f ? 0.0f : v));
    }

    EXPECT_EQ (s.toString(), "sig[s:5.000000]");
    a.clear();
    EXPECT_EQ (a.buffer[7], 0.0f);
    EXPECT_EQ (a.toString(), "sig[b:0.000000]");
}

TEST (Graph, PitchToFrequencyStaysInTuneAtEveryRate)
{
    for (float rate : { 88200.0f, 96000.0f, 192000.0f })
    {
        Graph g (4);
        g.context.sampleRate = rate;
        QmSignal pitch (QmSignal::block, &g.context);
        pitch.buffer[0] = 0.0f;
        pitch.buffer[1] = 4.75f;   // A4: 16.3516 * 2^4.75 = 440 Hz
        pitch.pitchToFrequency();

        // Normalised to the 88200 Hz reference: times the rate gives Hz at twice the host rate.
        EXPECT_NEAR (pitch.buffer[0], 16.3516f * 0.5f, 1e-5f);
        EXPECT_NEAR (pitch.buffer[1] * 88200.0f / 44100.0f, 440.0f, 0.01f);
    }

    // Against the plain formula (powf, then the product in double) over every
    // pitch the voice reaches, an odd block length included: within two ulps.
    Graph g (8319);
    QmSignal pitch (QmSignal::block, &g.context);
    for (int i = 0; i < 8319; ++i)
        pitch.buffer[i] = -8.0f + 24.0f * (float) i / 8319.0f;
    std::vector<float> octaves (pitch.buffer, pitch.buffer + 8319);
    pitch.pitchToFrequency();

    for (int i = 0; i < 8319; ++i)
    {
        const float plain = (float) ((double) std::pow (2.0f, octaves[(size_t) i]) * 16.3516 * 0.5);
        ASSERT_NEAR (pitch.buffer[i], plain, plain * 2.4e-7f) << octaves[(size_t) i];
    }

    // Out of range pitches overflow and underflow as powf does.
    Graph edge (3);
    QmSignal extreme (QmSignal::block, &edge.context);
    extreme.buffer[0] = 200.0f;
    extreme.buffer[1] = -300.0f;
    extreme.buffer[2] = std::nanf ("");
    extreme.pitchToFrequency();
    EXPECT_TRUE (std::isinf (extreme.buffer[0]));
    EXPECT_EQ (extreme.buffer[1], 0.0f);
    EXPECT_TRUE (std::isnan (extreme.buffer[2]));
}

TEST (Graph, TickWrapsAndEventIdsAreUniqueAcrossThreads)
{
    QmProcessContext context;
    context.tick = INT_MAX;
    context.advanceTick();
    EXPECT_EQ (context.tick, INT_MIN);

    std::vector<uint32_t> ids[2];
    auto take = [] (std::vector<uint32_t>* out) { for (int i = 0; i < 20000; ++i) out->push_back (QmGraphEvent::nextId()); };
    std::thread t1 (take, &ids[0]), t2 (take, &ids[1]);
    t1.join();
    t2.join();

    std::set<uint32_t> all (ids[0].begin(), ids[0].end());
    all.insert (ids[1].begin(), ids[1].end());
    EXPECT_EQ (all.size(), 40000u);
    EXPECT_EQ (all.count (0u), 0u);
}
