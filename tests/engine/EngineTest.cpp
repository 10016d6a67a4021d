#include "QmAudioOutModule.h"
#include "QmDecimator.h"
#include "QmMidiLearnHandler.h"
#include "QmParameter.h"
#include "QmParameterGroup.h"
#include "QmSynthEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

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

    QmMidiEvent controllerEvent (int controller, float value, int position = 0) { return { QmMidiEvent::typeController, 0, 0, position, value, controller }; }
}

TEST (Engine, ParameterTableNamesAndGroups)
{
    QmSynthEngine engine;
    const char* names[] = { "Wave", "Freq", "Mode", "Adsr sync", "Wheel", "Sync", "Velocity", "Wave1", "Wave2",
                            "Width1", "Width2", "Mod", "Mod target", "Type", "Drive", "Cutoff", "Res", "Env", "Kbd",
                            "Mod", "Osc mod", "Wheel", "A", "D", "S", "R", "Type", "Drive Q", "Amount", "Amount",
                            "Amp mod", "Amp mode", "Cutoff", "Res", "Track", "GlidePoly", "Glide auto", "Mode",
                            "spread auto", "Vco trig", "VCO mix", "Phase/detune", "Octave", "Vco Sync" };

    for (int i = 0; i < QmParam::count; ++i)
        EXPECT_EQ (engine.parameters[i]->getName(), names[i]) << i;

    const std::vector<std::pair<std::string, std::vector<int>>> groups {
        { "Modulator", { 0, 1, 2, 3, 4, 6, 5 } },
        { "VCO", { 7, 8, 42, 9, 10, 11, 12, 39, 43, 40, 41 } },
        { "HPF", { 32, 33, 34 } },
        { "LPF", { 13, 14, 15, 16, 17, 18, 19, 20, 21 } },
        { "Env", { 22, 23, 24, 25 } },
        { "Shaper", { 26, 27, 28 } },
        { "Amp", { 29, 30, 31 } },
        { "Params", { 35, 36, 37, 38 } } };

    ASSERT_EQ (engine.groups.size(), groups.size());
    for (size_t g = 0; g < groups.size(); ++g)
    {
        std::vector<QmParameter*> members;
        for (int i : groups[g].second)
            members.push_back (engine.parameters[i]);
        EXPECT_TRUE (engine.groups[g]->getName() == groups[g].first && engine.groups[g]->parameters == members) << g;
    }

    // The initial values are the factory bank's "default" preset (FactoryBank
    // checks them); the smoothed, bipolar and mapped ones here.
    auto* p = engine.parameters;
    EXPECT_TRUE (p[15]->smooth == 1 && p[15]->signal->kind == (uint32_t) QmSignal::block && p[40]->bipolar == 1 && p[41]->bipolar == 1);
    EXPECT_TRUE (p[20]->maxValue == 8.0f && p[20]->curve == 2 && p[17]->maxValue == 9.2f && p[32]->maxValue == 12.0f);
}

TEST (Engine, DecimatorIsAHalfBandFilterWithUnityDcGain)
{
    // An impulse on an odd sample comes out 5 host samples later at half
    // height; one on an even sample spreads symmetrically over the side taps.
    QmDecimator odd, even;
    const float sideTaps[] = { even.h5, even.h4, even.h3, even.h2, even.h1, even.h1, even.h2, even.h3, even.h4, even.h5, 0.0f };
    for (int k = 0; k < 11; ++k)
    {
        EXPECT_FLOAT_EQ (odd.process (0.0f, k == 2 ? 1.0f : 0.0f), k == 7 ? 0.5f : 0.0f) << k;
        EXPECT_FLOAT_EQ (even.process (k == 0 ? 1.0f : 0.0f, 0.0f), sideTaps[k]) << k;
    }

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
    engine.renderBlock (left.data(), right.data(), { controllerEvent (74, 0.6f), controllerEvent (20, 0.9f) }, 32);
    EXPECT_FLOAT_EQ (engine.parameters[QmParam::lpfRes]->value, 0.6f);   // before the graph ran

    // Learning binds and sets nothing; a zero-length block still takes its events.
    learn.learn = true;
    learn.target = QmParam::lpfDrive;
    engine.renderBlock (left.data(), right.data(), { controllerEvent (1, 0.3f) }, 0);
    EXPECT_EQ (learn.assigned, (std::vector<std::pair<int, int>> { { 1, QmParam::lpfDrive } }));
    EXPECT_EQ (engine.parameters[QmParam::lpfDrive]->value, 0.0f);

    // Long blocks hand every event to the pass it falls in.
    learn.learn = false;
    learn.bindings = { { 74, QmParam::lpfRes }, { 75, QmParam::hpfRes } };
    engine.renderBlock (left.data(), right.data(), { controllerEvent (74, 0.2f, 10), controllerEvent (75, 0.8f, 8999) }, 9000);
    EXPECT_TRUE (engine.parameters[QmParam::lpfRes]->value == 0.2f && engine.parameters[QmParam::hpfRes]->value == 0.8f);
}
