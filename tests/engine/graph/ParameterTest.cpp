#include "QmModule.h"
#include "QmParameter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

TEST (Parameter, QuantisationNonFiniteValuesCallbackAndGlide)
{
    QmProcessContext context;
    QmParameter three ("Three", 0, { "x", "y", "z" }, &context);

    const std::pair<float, float> cases[] = { { 0.26f, 0.5f }, { 0.25f, 0.5f }, { 0.24f, 0.0f }, { 0.75f, 1.0f },
                                              { 1.7f, 1.0f }, { -3.0f, 0.0f }, { std::nanf (""), 0.0f },
                                              { std::numeric_limits<float>::infinity(), 0.0f } };
    for (auto [in, stored] : cases)
    {
        three.setValue (0.5f), three.setValue (in), three.requestSignal();
        EXPECT_EQ (three.value, stored) << in;
        EXPECT_EQ (three.signal->index, (int) (stored * 2.0f)) << in;
    }

    // The signal is made after the initial value.
    QmParameter six ("Six", 2, { "a", "b", "c", "d", "e", "f" }, &context);
    EXPECT_EQ (six.value, 0.4f);
    EXPECT_EQ (six.defaultValue, 0.0f);
    EXPECT_EQ (six.getIndex(), 2);
    EXPECT_EQ (six.signal->index, 0);

    QmParameter four ("Four", 0, { "0", "1", "2", "3" }, &context);
    EXPECT_EQ (four.getOptionText (7), "WRONG!");
    EXPECT_EQ (four.getOptionText (-1), "WRONG!");
    EXPECT_EQ (four.getText (1.5f), "WRONG!");

    QmParameter plain ("Level", 0.0f, 0, &context);
    plain.maxValue = 8.0f;

    // The callback runs before the signal changes, which happens at the pull;
    // connectTo pushes value and index.
    struct Seen { QmParameter* p; float signalValue = -1.0f; } seen { &plain };
    plain.setCallback ([] (void* c) { auto* s = (Seen*) c; s->signalValue = s->p->signal->value; }, &seen);
    plain.setValue (1.0f), plain.requestSignal();
    EXPECT_EQ (seen.signalValue, 0.0f);
    EXPECT_EQ (plain.signal->value, 8.0f);

    // A range or curve changed between pulls maps the same value anew.
    plain.setValue (0.5f), plain.requestSignal();
    plain.maxValue = 4.0f, plain.requestSignal();
    EXPECT_EQ (plain.signal->value, 2.0f);
    plain.curve = 1, plain.requestSignal();
    EXPECT_EQ (plain.signal->value, 1.0f);
    plain.minValue = 1.0f, plain.requestSignal();
    EXPECT_EQ (plain.signal->value, 1.75f);

    QmModule sink (&context);
    QmInputSocket *first = sink.addInput ("In", QmSignal::scalar), *second = sink.addInput ("Second", QmSignal::scalar);
    QmParameter octave ("Octave", 3, { "-2", "-1", "0", "1", "2" }, &context);
    octave.maxValue = 4.0f;
    octave.connectTo (first);
    EXPECT_EQ (first->getSignal()->index, 3);
    EXPECT_EQ (first->getSignal()->value, 3.0f);

    // Borrowing inputs, the second through a copy, follow each change, pulled
    // again and again or not.
    octave.connectTo (second);
    for (const float v : { 0.25f, 0.25f, 1.0f, 1.0f, 0.0f })
    {
        octave.setValue (v), octave.requestSignal(), octave.requestSignal();
        EXPECT_EQ (second->getSignal()->value, 4.0f * v) << v;
        EXPECT_EQ (first->getSignal()->index, (int) (4.0f * v)) << v;
    }

    // Long blocks let the glide reach the point where a step no longer changes
    // the float; consumers work in place, so every block is written afresh.
    context.blockLength = 5000;
    QmParameter cutoff ("Cutoff", 1.0f, &context);
    cutoff.minValue = 1.0f;
    cutoff.maxValue = 11.3f;

    float expected = 0.0f;
    for (float value : { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.0f })
    {
        cutoff.setValue (value);
        std::fill (cutoff.signal->buffer, cutoff.signal->buffer + 5000, -1.0f);
        cutoff.requestSignal();
        for (int i = 0; i < 5000; ++i)
            ASSERT_EQ (cutoff.signal->buffer[i], expected = QmParameter::smoothStep (expected, cutoff.getMappedValue())) << value << " " << i;
        EXPECT_EQ (cutoff.smoothState, expected);
    }
    EXPECT_NEAR (expected, 1.0f, 0.05f);
}

TEST (Parameter, ClearingTheCallbackWaitsForACallInFlight)
{
    // A widget clears the slot in its destructor while another thread may be
    // inside the callback: the clear returns only after that call.
    QmProcessContext context;
    QmParameter p ("Level", 0.0f, 0, &context);

    struct Gate { std::atomic<bool> entered { false }, release { false }, left { false }; } gate;
    p.setCallback ([] (void* c)
    {
        auto* g = (Gate*) c;
        g->entered = true;
        while (! g->release)
            std::this_thread::yield();
        g->left = true;
    }, &gate);

    std::thread writer ([&] { p.setValue (0.5f); });
    while (! gate.entered)
        std::this_thread::yield();

    std::atomic<bool> cleared { false };
    std::thread clearer ([&] { p.clearCallback(); cleared = true; });
    std::this_thread::sleep_for (std::chrono::milliseconds (30));
    EXPECT_FALSE (cleared.load());

    gate.release = true;
    clearer.join();
    EXPECT_TRUE (gate.left.load());
    writer.join();

    // Once cleared, nothing reaches the old context, however busy the writers.
    std::atomic<int> calls { 0 };
    std::atomic<bool> stop { false };
    std::thread busy ([&] { while (! stop) p.setValue (0.25f); });

    for (int round = 0; round < 200; ++round)
    {
        p.setCallback ([] (void* c) { ++*(std::atomic<int>*) c; }, &calls);
        p.clearCallback();
        const int seen = calls.load();
        std::this_thread::yield();
        EXPECT_EQ (calls.load(), seen);
    }

    stop = true;
    busy.join();
    EXPECT_FALSE (p.hasCallback());
}
