#include "QmModule.h"
#include "QmParameter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST (Parameter, ChoicesQuantiseToTheNearestGridPointHalvesUpAndNonFiniteBecomesZero)
{
    QmProcessContext context;
    QmParameter three ("Three", 0, { "x", "y", "z" }, &context);

    const std::pair<float, float> cases[] = { { 0.26f, 0.5f }, { 0.25f, 0.5f }, { 0.24f, 0.0f }, { 0.75f, 1.0f },
                                              { 1.7f, 1.0f }, { -3.0f, 0.0f }, { std::nanf (""), 0.0f },
                                              { std::numeric_limits<float>::infinity(), 0.0f } };
    for (auto [in, stored] : cases)
    {
        three.setValue (0.5f);
        three.setValue (in);
        EXPECT_EQ (three.value, stored) << in;
        EXPECT_EQ (three.signal->index, (int) (stored * 2.0f)) << in;
    }

    QmParameter cont ("Cont", 0.7f, 0, &context);
    cont.setValue (-std::numeric_limits<float>::infinity());
    EXPECT_EQ (cont.value, 0.0f);
    cont.setValue (std::nanf (""));
    EXPECT_EQ (cont.signal->value, 0.0f);

    QmParameter six ("Six", 2, { "a", "b", "c", "d", "e", "f" }, &context);
    EXPECT_FLOAT_EQ (six.value, 0.4f);
    EXPECT_EQ (six.defaultValue, 0.0f);
    EXPECT_EQ (six.getIndex(), 2);
    EXPECT_EQ (six.signal->index, 0);   // the signal is made after the initial value

    QmParameter four ("Four", 0, { "0", "1", "2", "3" }, &context);
    EXPECT_EQ (four.getText (0.99f), "2");   // the text truncates...
    four.setValue (0.99f);
    EXPECT_EQ (four.getIndex(), 3);          // ...the value rounds
    EXPECT_EQ (four.getOptionText (7), "WRONG!");
    EXPECT_EQ (four.getOptionText (-1), "WRONG!");
    EXPECT_EQ (four.getText (1.5f), "WRONG!");
}

TEST (Parameter, ContinuousTextAndMapping)
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

    plain.maxValue = 8.0f;
    for (auto [curve, mapped] : { std::pair { 0, 4.0f }, { 1, 2.0f }, { 2, 1.0f }, { 7, 4.0f } })
    {
        plain.curve = curve;
        plain.setValue (0.5f);
        EXPECT_FLOAT_EQ (plain.signal->value, mapped) << curve;
    }

    // The callback runs before the signal changes; connectTo pushes value and index.
    struct Seen { QmParameter* p; float signalValue = -1.0f; } seen { &plain };
    plain.callback.function = [] (void* c) { auto* s = (Seen*) c; s->signalValue = s->p->signal->value; };
    plain.callback.context = &seen;
    plain.curve = 0;
    plain.setValue (1.0f);
    EXPECT_FLOAT_EQ (seen.signalValue, 4.0f);
    EXPECT_FLOAT_EQ (plain.signal->value, 8.0f);

    struct Sink : QmModule
    {
        explicit Sink (QmProcessContext* c) : QmModule (c) { in = addInput ("In", QmSignal::scalar); }
        QmInputSocket* in;
    } sink (&context);
    QmParameter octave ("Octave", 3, { "-2", "-1", "0", "1", "2" }, &context);
    octave.maxValue = 4.0f;
    octave.connectTo (sink.in);
    EXPECT_EQ (sink.in->usemy, 0);
    EXPECT_EQ (sink.in->getSignal()->index, 3);
    EXPECT_FLOAT_EQ (sink.in->getSignal()->value, 3.0f);
}

TEST (Parameter, SmoothedParameterGlidesOnePerMilleEachSampleEvenWhenSettled)
{
    // Long blocks let the glide reach the point where a step no longer changes
    // the float; consumers work in place, so every block is written afresh.
    QmProcessContext context;
    context.blockLength = 5000;
    QmParameter cutoff ("Cutoff", 1.0f, &context);
    cutoff.minValue = 1.0f;
    cutoff.maxValue = 11.3f;
    EXPECT_EQ (cutoff.kind, (uint32_t) QmSignal::block);

    float expected = 0.0f;
    for (float value : { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.0f })
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
    EXPECT_NEAR (expected, 1.0f, 0.05f);
}
