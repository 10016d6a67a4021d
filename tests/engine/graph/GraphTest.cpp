#include "QmModule.h"
#include "QmParameter.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>

namespace
{
    /** A module with a block and a scalar input that logs its events. */
    struct Probe : public QmModule
    {
        explicit Probe (QmProcessContext* c, std::vector<Probe*>* log = nullptr) : QmModule (c), log (log) {}

        void process() override { ++processed; out->pushSignal (signal); }
        void sampleRateChanged() override { if (log != nullptr) log->push_back (this); }

        std::vector<Probe*>* log;
        QmInputSocket *blockIn = addInput ("Block", QmSignal::block), *scalarIn = addInput ("Scalar", QmSignal::scalar);
        QmOutputSocket* out = addOutput ("Out", QmSignal::block);
        QmSignal own { QmSignal::block, context };
        QmSignal* signal = &own;
        int processed = 0;
    };

    struct Graph
    {
        Graph() { context.blockLength = 16; context.tick = 0; }
        void pull (Probe& sink) { context.advanceTick(); sink.clear(); sink.requestSignal(); }
        QmProcessContext context;
    };

    void fill (QmSignal& s, float v) { std::fill (s.buffer, s.buffer + s.context->blockLength, v); }

    void expectBlock (const QmSignal* s, float v)
    {
        for (int i = 0; i < s->context->blockLength; ++i)
            ASSERT_FLOAT_EQ (s->buffer[i], v) << i;
    }
}

TEST (Graph, InputsBorrowOrSumFanOutCopiesAndEveryClearZeroesEverySum)
{
    Graph g;
    Probe sink (&g.context), a (&g.context), b (&g.context);

    // No source: its own signal, zero after the first clear.
    g.pull (sink);
    ASSERT_EQ (sink.blockIn->getSignal(), sink.blockIn->own);
    expectBlock (sink.blockIn->getSignal(), 0.0f);

    // One source of its own kind is borrowed; a second one makes it sum, from zero each block.
    a.out->connect (sink.blockIn);
    g.pull (sink);
    EXPECT_EQ (sink.blockIn->usemy, 0);
    EXPECT_EQ (sink.blockIn->getSignal(), a.signal);
    b.out->connect (sink.blockIn);
    fill (*a.signal, 0.25f), fill (*b.signal, 0.5f);
    for (int block = 0; block < 3; ++block)
        g.pull (sink), expectBlock (sink.blockIn->getSignal(), 0.75f);

    // A scalar feeding a block input sums its value into every sample.
    Probe other (&g.context);
    QmParameter level ("Level", 0.3f, 0, &g.context);
    level.connectTo (other.blockIn);
    g.pull (other), g.pull (other);
    expectBlock (other.blockIn->getSignal(), 0.3f);

    // Fan-out: every consumer but the first gets a private copy.
    Probe source (&g.context), c1 (&g.context), c2 (&g.context), c3 (&g.context);
    for (auto* c : { &c1, &c2, &c3 })
        source.out->connect (c->blockIn);

    source.signal->index = 3;
    fill (*source.signal, 1.0f);
    for (auto* c : { &c1, &c2, &c3 })
        c->requestSignal();

    EXPECT_EQ (c1.blockIn->getSignal(), source.signal);
    EXPECT_EQ (c2.blockIn->getSignal(), source.out->copies[0]);
    EXPECT_EQ (c3.blockIn->getSignal(), source.out->copies[1]);
    EXPECT_EQ (c3.blockIn->getSignal()->index, 3);

    // The third consumer works in place; the others don't see it.
    fill (*c3.blockIn->getSignal(), -5.0f);
    EXPECT_EQ (c1.blockIn->getSignal()->buffer[5], 1.0f);
    EXPECT_EQ (c2.blockIn->getSignal()->buffer[5], 1.0f);

    // Connecting twice is refused.
    source.out->connect (c3.blockIn);
    EXPECT_EQ (source.out->inputs.size(), 3u);
    EXPECT_EQ (c3.blockIn->sources.size(), 1u);

    // A scalar pushed into block copies fills them with its value (it has no buffer to read).
    QmSignal scalar (QmSignal::scalar, &g.context);
    scalar.value = 0.5f, source.out->pushSignal (&scalar);
    expectBlock (c2.blockIn->getSignal(), 0.5f);

    // A diamond: the bottom sums two modules that both read the top, which sums two sources.
    Probe bottom (&g.context), left (&g.context), right (&g.context), top (&g.context), s1 (&g.context), s2 (&g.context);
    left.out->connect (bottom.blockIn), right.out->connect (bottom.blockIn);
    top.out->connect (left.blockIn), top.out->connect (right.blockIn);
    s1.out->connect (top.blockIn), s2.out->connect (top.blockIn);
    fill (*s1.signal, 1.0f), fill (*s2.signal, 2.0f);
    g.pull (bottom);
    expectBlock (top.blockIn->getSignal(), 3.0f);

    // Each clear is a whole one, whether a module or an input starts it.
    for (Processable* start : { (Processable*) &bottom, (Processable*) &bottom, (Processable*) left.blockIn })
    {
        fill (*top.blockIn->own, 9.0f), fill (*bottom.blockIn->own, 9.0f);
        start->clear();
        expectBlock (top.blockIn->own, 0.0f);
        if (start == &bottom)
            expectBlock (bottom.blockIn->own, 0.0f);
    }
}

TEST (Graph, OncePerTickEventsOnceDeepestFirstTickWrapAndUniqueIds)
{
    Graph g;
    std::vector<Probe*> log;
    Probe source (&g.context, &log), left (&g.context, &log), right (&g.context, &log), sink (&g.context, &log);
    source.out->connect (left.blockIn), source.out->connect (right.blockIn);
    left.out->connect (sink.blockIn), right.out->connect (sink.scalarIn);

    sink.requestSignal();
    sink.requestSignal();
    EXPECT_EQ (source.processed, 1);
    g.pull (sink);
    EXPECT_EQ (source.processed, 2);
    EXPECT_EQ (sink.processed, 2);

    QmGraphEvent event;
    event.id = QmGraphEvent::nextId();
    sink.sendEvent (event);
    sink.sendEvent (event);   // same id: ignored
    EXPECT_EQ (log, (std::vector<Probe*> { &source, &left, &right, &sink }));

    // The tick wraps; event ids are unique across threads and never 0.
    g.context.tick = INT_MAX;
    g.context.advanceTick();
    EXPECT_EQ (g.context.tick, INT_MIN);

    std::vector<uint32_t> ids[2];
    auto take = [] (std::vector<uint32_t>* out) { for (int i = 0; i < 20000; ++i) out->push_back (QmGraphEvent::nextId()); };
    std::thread t1 (take, &ids[0]), t2 (take, &ids[1]);
    t1.join(), t2.join();

    std::set<uint32_t> all (ids[0].begin(), ids[0].end());
    all.insert (ids[1].begin(), ids[1].end());
    EXPECT_EQ (all.size(), 40000u);
    EXPECT_EQ (all.count (0u), 0u);
}
