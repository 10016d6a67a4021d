#include "QmLadderCore.h"

#include <gtest/gtest.h>

namespace
{
    constexpr int count = 4096;
    constexpr float fs4 = 4.0f * 88200.0f;

    // Runs the kernel over two blocks (so its state must carry over) and its
    // plain step over the whole input: the largest difference relative to the
    // plain step's peak.
    template <typename State>
    double mismatch (void (*kernel) (State&, float*, const float*, float, int, float),
                     float (*step) (QmLadderCore::PlainState&, float, float, float, float),
                     const std::vector<float>& in, const std::vector<float>& g, float res, float extra)
    {
        State state;
        QmLadderCore::PlainState refState;
        auto got = in, want = in;
        kernel (state, got.data(), g.data(), res, count / 2, extra);
        kernel (state, got.data() + count / 2, g.data() + count / 8, res, count / 2, extra);
        for (int n = 0; n < count; ++n)
            want[(size_t) n] = step (refState, in[(size_t) n], g[(size_t) n / 4], res, extra);

        double peak = 1e-9, worst = 0.0;
        for (size_t i = 0; i < in.size(); ++i)
            peak = std::max (peak, (double) std::abs (want[i])), worst = std::max (worst, (double) std::abs (got[i] - want[i]));
        return worst / peak;
    }
}

TEST (LadderCore, KernelsFollowTheirFormulasAndHugeInputsStayFinite)
{
    // A cutoff sweep from about 200 Hz to 6 kHz at a quiet and a loud level,
    // and fixed gains from a few Hz (rounding piles up) to about 12 kHz.
    std::vector<float> sweep (count / 4);
    for (int i = 0; i < count / 4; ++i)
        sweep[(size_t) i] = (float) std::tan (3.14159265 * (200.0 + 6 * i) / fs4);
    const std::pair<std::vector<float>, float> cases[] = { { sweep, 0.05f }, { sweep, 2.0f },
                                                           { std::vector<float> (count / 4, 3e-5f), 1.0f },
                                                           { std::vector<float> (count / 4, 0.3f), 1.0f } };

    for (const auto& [g, amplitude] : cases)
        for (float res : { 0.0f, 0.9f })
        {
            std::vector<float> in (count);
            for (int n = 0; n < count; ++n)
                in[(size_t) n] = amplitude * (float) (std::sin (n * 0.013) + 0.3 * std::sin (n * 0.0021));

            const auto where = ::testing::Message() << " G " << g[1] << " amplitude " << amplitude << " res " << res;
            EXPECT_LT (mismatch (QmLadderCore::process24A, QmLadderCore::plain24A, in, g, res, fs4), 5e-6) << "24A" << where;
            EXPECT_LT (mismatch (QmLadderCore::process18, QmLadderCore::plain18, in, g, res, fs4), 1e-5) << "18" << where;
            EXPECT_LT (mismatch (QmLadderCore::process24B, QmLadderCore::plain24B, in, g, res, fs4), 1.5e-5) << "24B" << where;
            for (float q : { 0.0f, 0.5f })    // "12" without resonance or q runs four samples per vector step
                EXPECT_LT (mismatch (QmLadderCore::process12, QmLadderCore::plain12, in, g, res, q), 5e-6) << "12 q " << q << where;
        }

    // That vector step forms coefficients for groups of bases: a block of 67
    // bases (a tail of 3) gives what one base per call gives, to the bit.
    const int bases = 67;
    std::vector<float> in (4 * bases);
    for (int i = 0; i < 4 * bases; ++i)
        in[(size_t) i] = 0.5f * (float) std::sin (0.02 * i) + (i % 4 == 1 ? 0.1f : 0.0f);
    auto whole = in;
    QmJFetStage a, b;
    QmLadderCore::process12 (a, whole.data(), sweep.data(), 0.0f, 4 * bases, 0.0f);
    for (int i = 0; i < bases; ++i)
        QmLadderCore::process12 (b, in.data() + 4 * i, sweep.data() + i, 0.0f, 4, 0.0f);
    EXPECT_EQ (whole, in);
    EXPECT_EQ (a.s0, b.s0);
    EXPECT_EQ (a.s1, b.s1);
    EXPECT_EQ (a.out, b.out);
    EXPECT_NE (in[100], 0.0f);

    // Spikes far beyond any signal drive the gain factors deep into
    // saturation (t near 1 / |v|): the expanded sums must not overflow, and
    // the filter must come back to a sane output once the input is sane.
    const std::pair<const char*, void (*) (QmLadderCore&, float*, const float*, float, int, float)> kernels[] =
        { { "24A", QmLadderCore::process24A }, { "24B", QmLadderCore::process24B } };

    for (float res : { 0.0f, 0.9f })
        for (const auto& [name, kernel] : kernels)
        {
            std::vector<float> in (256), g (64, 0.05f);
            for (int n = 0; n < 256; ++n)
                in[(size_t) n] = n < 8 ? (n % 2 ? -1e37f : 1e37f) : 0.5f * std::sin (n * 0.1f);
            QmLadderCore state;
            kernel (state, in.data(), g.data(), res, 256, fs4);
            EXPECT_TRUE (std::all_of (in.begin(), in.end(), [] (float x) { return std::isfinite (x); })) << name << " res " << res;
            EXPECT_TRUE (state.isFinite()) << name << " res " << res;
            EXPECT_GT (std::abs (in[255]), 1e-3f) << name << " res " << res;
            EXPECT_LT (std::abs (in[255]), 10.0f) << name << " res " << res;
        }
}
