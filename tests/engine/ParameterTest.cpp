#include "QmModule.h"
#include "QmParameter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
    const std::vector<std::string> six { "a", "b", "c", "d", "e", "f" };
}

TEST (Parameter, ChoicesQuantiseToTheNearestGridPointHalvesUp)
{
    QmProcessContext context;
    QmParameter three ("Three", 0, { "x", "y", "z" }, &context);

    const std::pair<float, float> cases[] = { { 0.26f, 0.5f }, { 0.25f, 0.5f }, { 0.24f, 0.0f },
                                              { 0.75f, 1.0f }, { 1.7f, 1.0f }, { -3.0f, 0.0f } };
    for (auto [in, stored] : cases)
    {
        three.setValue (in);
        EXPECT_EQ (three.value, stored) << in;
    }

    QmParameter p ("Six", 2, six, &context);
    EXPECT_FLOAT_EQ (p.value, 0.4f);
    EXPECT_EQ (p.defaultValue, 0.0f);
    EXPECT_EQ (p.getIndex(), 2);
    EXPECT_EQ (p.getText (0.4f), "c");
    EXPECT_EQ (p.signal->index, 0);   // no signal yet while constructing

    QmParameter four ("Four", 0, { "0", "1", "2", "3" }, &context);
    EXPECT_EQ (four.getText (0.99f), "2");   // text truncates...
    four.setValue (0.99f);
    EXPECT_EQ (four.getIndex(), 3);          // ...the value rounds
    EXPECT_EQ (four.getOptionText (7), "WRONG!");
    EXPECT_EQ (four.getOptionText (-1), "WRONG!");
    EXPECT_EQ (four.getText (1.5f), "WRONG!");
}

TEST (Parameter, NonFiniteValuesBecomeZero)
{
    QmProcessContext context;
    QmParameter choice ("Choice", 3, six, &context);
    QmParameter cont ("Cont", 0.7f, 0, &context);

    for (float bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity() })
    {
        choice.setValue (0.6f);
        cont.setValue (0.6f);
        choice.setValue (bad);
        cont.setValue (bad);
        EXPECT_EQ (choice.value, 0.0f);
        EXPECT_EQ (choice.getIndex(), 0);
        EXPECT_EQ (cont.value, 0.0f);
        EXPECT_TRUE (std::isfinite (cont.signal->value));
    }
}

TEST (Parameter, TextOfContinuousValues)
{
    QmProcessContext context;
    QmParameter bipolar ("Mix", 0.0f, 1, &context);
    QmParameter plain ("Level", 0.0f, 0, &context);
    EXPECT_EQ (bipolar.getText (0.75f), "0.50");
    EXPECT_EQ (bipolar.getText (0.0f), "-1.00");
    EXPECT_EQ (plain.getText (0.75f), "0.75");
    EXPECT_EQ (plain.getOptionText (1), "1.00");
    EXPECT_EQ (plain.getIndex(), 0);
    plain.setValue (0.5f);
    EXPECT_EQ (plain.getIndex(), -1);
}

TEST (Parameter, MappingCurvesAndTheSignalFollowSetValue)
{
    QmProcessContext context;
    QmParameter p ("Env", 0.0f, 0, &context);
    p.minValue = 0.0f;
    p.maxValue = 8.0f;

    const std::pair<int, float> curves[] = { { 0, 4.0f }, { 1, 2.0f }, { 2, 1.0f }, { 7, 4.0f } };
    for (auto [curve, mapped] : curves)
    {
        p.curve = curve;
        p.setValue (0.5f);
        EXPECT_FLOAT_EQ (p.signal->value, mapped) << curve;
    }

    // The callback runs before the signal changes.
    struct Seen { QmParameter* p; float signalValue = -1.0f; int calls = 0; } seen { &p };
    p.callback.function = [] (void* c) { auto* s = (Seen*) c; s->signalValue = s->p->signal->value; ++s->calls; };
    p.callback.context = &seen;
    p.curve = 0;
    p.setValue (1.0f);
    EXPECT_EQ (seen.calls, 1);
    EXPECT_FLOAT_EQ (seen.signalValue, 4.0f);
    EXPECT_FLOAT_EQ (p.signal->value, 8.0f);
}

TEST (Parameter, SmoothedParameterGlidesOnePerMilleEachSample)
{
    QmProcessContext context;
    context.blockLength = 64;
    QmParameter cutoff ("Cutoff", 1.0f, &context);
    cutoff.minValue = 1.0f;
    cutoff.maxValue = 11.3f;
    EXPECT_EQ (cutoff.kind, (uint32_t) QmSignal::block);

    cutoff.requestSignal();
    EXPECT_NEAR (cutoff.signal->buffer[0], 0.0113f, 1e-6f);

    float expected = 0.0f;
    for (int i = 0; i < 64; ++i)
    {
        expected = (float) ((double) expected + (double) (11.3f - expected) * 0.001);
        ASSERT_EQ (cutoff.signal->buffer[i], expected);
    }

    cutoff.requestSignal();   // a second request continues the glide
    EXPECT_GT (cutoff.signal->buffer[0], expected);
    EXPECT_EQ (cutoff.smoothState, cutoff.signal->buffer[63]);
}

TEST (Parameter, SettledGlideKeepsFillingTheBlockWithTheFormulasValue)
{
    // Blocks long enough for the glide to stop moving (a step that no longer
    // changes the float), then new targets, up and down; consumers work in
    // place, so every block must be written afresh.
    QmProcessContext context;
    context.blockLength = 5000;
    QmParameter cutoff ("Cutoff", 0.3f, &context);
    cutoff.maxValue = 11.3f;

    float expected = 0.0f;
    for (float value : { 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.0f })
    {
        cutoff.setValue (value);
        std::fill (cutoff.signal->buffer, cutoff.signal->buffer + 5000, -1.0f);
        cutoff.requestSignal();

        const float target = cutoff.getMappedValue();
        for (int i = 0; i < 5000; ++i)
        {
            expected = (float) ((double) expected + (double) (target - expected) * 0.001);
            ASSERT_EQ (cutoff.signal->buffer[i], expected) << value << " " << i;
        }
        EXPECT_EQ (cutoff.smoothState, expected);
    }

    // It stops short of the target, where a step rounds back to itself.
    EXPECT_GT (expected, 0.0f);
}

TEST (Parameter, ConnectToPushesTheMappedValueAndIndex)
{
    QmProcessContext context;
    struct Sink : QmModule
    {
        explicit Sink (QmProcessContext* c) : QmModule (c) { in = addInput ("In", QmSignal::scalar); }
        QmInputSocket* in;
    } sink (&context);

    QmParameter p ("Octave", 3, { "-2", "-1", "0", "1", "2" }, &context);
    p.minValue = 0.0f;
    p.maxValue = 4.0f;
    p.connectTo (sink.in);
    EXPECT_EQ (sink.in->usemy, 0);
    EXPECT_EQ (sink.in->getSignal()->index, 3);
    EXPECT_FLOAT_EQ (sink.in->getSignal()->value, 3.0f);
}
