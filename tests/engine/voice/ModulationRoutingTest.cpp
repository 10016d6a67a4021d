#include "QmMulModule.h"
#include "QmVorlanModDispatcher.h"
#include "QmVorlanModulator.h"
#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

using namespace voicetest;

TEST (ModulationRouting, WheelMultipliersKeyboardTrackingAndZeroFactors)
{
    // Options 0 "Off", 1 "HPF", 2 "LPF", 3 "Mod"; outputs to the HPF and the LPF.
    for (int option : { 0, 1, 2, 3 })
    {
        Rig rig;
        const int hpf = rig.tap (rig.engine.modDispatcher, "Out", 0), lpf = rig.tap (rig.engine.modDispatcher, "Out", 1);
        rig.choose (QmParam::modulatorWheel, option);
        rig.render (4096, { controller (1, 1.0f, 0) }, 4096);
        EXPECT_NEAR (rig.at (hpf).back(), option == 1 ? 7.0f : 0.0f, 1e-3) << option;
        EXPECT_NEAR (rig.at (lpf).back(), option == 2 ? 7.0f : 0.0f, 1e-3) << option;
    }

    Rig rig;
    const int cv = rig.tap (rig.engine.control, "Shifted cv"), env = rig.tap (rig.engine.modulator, "Env out");
    const int mod = rig.tap (rig.engine.modulator, "Mod out"), kbd = rig.tap (rig.engine.kbdCutoffMul, "Out");
    const int envAmount = rig.tap (rig.engine.envCutoffMul, "Out"), modAmount = rig.tap (rig.engine.modCutoffMul, "Out");
    const int ampMod = rig.tap (rig.engine.ampModMul, "Out");

    rig.choose (QmParam::lpfKbd, 1);
    rig.set (QmParam::lpfEnv, 0.5f);    // 0..9.2 linear: 4.6
    rig.set (QmParam::lpfMod, 0.5f);    // 0..5 cube: 0.625
    rig.set (QmParam::ampAmpMod, 0.25f);
    rig.render (64);
    rig.render (1024, { noteOn (60, 1.0f, 0) });

    // Keyboard tracking is relative to a CV of 2 (note 36).
    for (size_t i = 0; i < rig.at (kbd).size(); ++i)
    {
        ASSERT_EQ (rig.at (kbd)[i], rig.at (cv)[i] - 2.0f) << i;
        ASSERT_EQ (rig.at (envAmount)[i], rig.at (env)[i] * 4.6f) << i;
        ASSERT_EQ (rig.at (modAmount)[i], rig.at (mod)[i] * 0.625f) << i;
        ASSERT_EQ (rig.at (ampMod)[i], 0.25f * rig.at (mod)[i]) << i;
    }
    EXPECT_NEAR (rig.at (kbd).back(), 2.0f, 1e-3);

    rig.choose (QmParam::lpfKbd, 0);
    rig.render (64);
    EXPECT_TRUE (std::all_of (rig.at (kbd).begin(), rig.at (kbd).end(), [] (float v) { return v == 0.0f; }));

    // A (negative values, a negative zero) times zeros, into a sum beside
    // another source and into a reader that writes over its input, as the
    // amplifier does; with an offset, a zero A is no zero factor.
    QmProcessContext context;
    Source a (&context), other (&context), zero (&context, QmSignal::scalar);
    QmMulModule mul (&context), offset (&context);
    offset.c = 1.0f;

    struct Sink : QmModule
    {
        explicit Sink (QmProcessContext* c) : QmModule (c) {}
        void process() override
        {
            float* x = read->getSignal()->buffer;
            summed.assign (sum->getSignal()->buffer, sum->getSignal()->buffer + 64);
            readZeros = std::count (x, x + 64, 0.0f) == 64;
            offsetProduct = offsetRead->getSignal()->buffer[3];
            std::fill (x, x + 64, 1.0f);
        }
        QmInputSocket *sum = addInput ("Sum", QmSignal::block), *read = addInput ("Read", QmSignal::block), *offsetRead = addInput ("Offset", QmSignal::block);
        std::vector<float> summed;
        bool readZeros = false;
        float offsetProduct = 0.0f;
    } sink (&context);

    a.out->connect (mul.inA), zero.out->connect (mul.inB);
    mul.out->connect (sink.sum), other.out->connect (sink.sum), mul.out->connect (sink.read);
    zero.out->connect (offset.inA), other.out->connect (offset.inB), offset.out->connect (sink.offsetRead);

    for (int i = 0; i < 64; ++i)
        a.signal.buffer[i] = i == 5 ? -0.0f : (float) (i - 30) * 0.37f, other.signal.buffer[i] = i % 3 == 0 ? -0.0f : (float) i * -1.5e-3f;

    auto bits = [] (float v) { uint32_t b; std::memcpy (&b, &v, sizeof (b)); return b; };
    for (int block = 0; block < 2; ++block)
    {
        pull (sink, 64);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ (bits (sink.summed[(size_t) i]), bits (0.0f + other.signal.buffer[i] + a.signal.buffer[i] * 0.0f)) << block << " " << i;
        EXPECT_TRUE (sink.readZeros) << block;
        EXPECT_EQ (sink.offsetProduct, other.signal.buffer[3]) << block;
    }
}
