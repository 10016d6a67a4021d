#include "QmLadderCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// The kernels evaluate their formulas in a reordered, vectorised form; these
// references follow the formulas term by term, and the two must agree to
// float precision.
namespace reference
{
    float T (float v) { return v == 0.0f ? 1.0f : std::tanh (v) / v; }
    float P (float z) { return ((z + 105.0f) * z + 945.0f) / ((15.0f * z + 420.0f) * z + 945.0f); }
    float E (float a) { return ((a + 3.0f) * (a + 3.0f) + 3.0f) / ((a - 3.0f) * (a - 3.0f) + 3.0f); }

    struct State { float s0 = 0, s1 = 0, s2 = 0, s3 = 0, xPrev = 0, x1 = 0, y1 = 0; };

    void run24A (State& s, float* x, const float* g, float res, int count)
    {
        const float k = res * 5.0f * 2.0f / 1.47f / 1.47f / 1.47f;
        for (int n = 0; n < count; ++n)
        {
            const float G = g[n / 4], u = x[n] * 3.0f * 0.2f * 4.0f * 2.0f;
            const float t0 = T ((u - k * s.s3) * 0.5f * 0.1f), t1 = T (1.47f * s.s0 * 0.1f - 0.03f);
            const float t2 = T (1.47f * s.s1 * 0.1f - 0.03f), t3 = T (1.47f * s.s2 * 0.1f - 0.03f);
            const float h = 1.0f / (G + 1.0f);
            const float a0 = t0 * G * h, a1 = t1 * G * h, a2 = t2 * G * h, a3 = t3 * G * h;
            const float b0 = s.s0 * h, b1 = s.s1 * h, b2 = s.s2 * h, b3 = s.s3 * h;
            const float y = (-k * (1.47f * a3 * b2 + b3 + 2.1609f * a2 * a3 * b1 + 3.1765232f * a1 * a2 * a3 * b0) - u)
                          / (1.0f + 1.5882616f * k * a0 * a1 * a2 * a3);
            const float y1 = a0 * y + b0, y2 = 1.47f * a1 * y1 + b1, y3 = 1.47f * a2 * y2 + b2, y4 = 1.47f * a3 * y3 + b3;
            s.s0 += (0.5f * t0 * y - y1) * 2.0f * G;
            s.s1 += (1.47f * t1 * y1 - y2) * 2.0f * G;
            s.s2 += (1.47f * t2 * y2 - y3) * 2.0f * G;
            s.s3 += (1.47f * t3 * y3 - y4) * 2.0f * G;
            x[n] = (float) ((k * 0.5f + 1.0f) * -y4 * 0.3148095905780792 * 4 * 0.11);
        }
    }

    void run18 (State& s, float* x, const float* g, float res, int count, float fs4)
    {
        const float H = 1.0f / (std::tan (3.0f * 3.14159265f / fs4) + 1.0f), k = res * 5.0f;
        const float c = std::exp (-2.0f * 3.14159265f * 6.0f / fs4), b0dc = (c + 1.0f) * 0.5f;
        for (int n = 0; n < count; ++n)
        {
            const float G = g[n / 4], u = (4.8f * x[n] / 10.0f) * 2.0f * 0.25f * 2.0f - 1.2f;
            const float v = (u + s.xPrev) * 0.5f - k * s.s3 + 0.01f;
            s.xPrev = u;
            const float tin = P (v * v), t0 = P ((s.s0 - 0.01f) * (s.s0 - 0.01f));
            const float t2 = P ((s.s2 - 0.01f) * (s.s2 - 0.01f)), t3 = P ((s.s3 + 0.01f) * (s.s3 + 0.01f));
            const float d0 = 1.0f / (t0 * G + 1.0f), a0 = tin * G * d0, b0 = s.s0 * d0;
            const float d = 1.0f / (G + 1.0f), a1 = G * d, b1 = s.s1 * d, b2 = s.s2 * d;
            const float d3 = 1.0f / (t3 * G + 1.0f), a3 = t2 * G * d3, b3 = s.s3 * d3;
            const float y = (u - k * H * (a3 * b2 + b3 + a1 * a3 * b1 + a1 * a1 * a3 * b0)) / (1.0f + k * H * a0 * a1 * a1 * a3);
            const float y1 = a0 * y + b0, y2 = a1 * y1 + b1, y3 = a1 * y2 + b2, y4 = a3 * y3 + b3;
            s.s0 += (tin * y - t0 * y1) * 2.0f * G;
            s.s1 += (y1 - y2) * 2.0f * G;
            s.s2 += (y2 - y3) * 2.0f * G;
            s.s3 += (t2 * y3 - t3 * y4) * 2.0f * G;
            const float o = y4 * (k * 0.5f + 1.0f) * 4.0f * 0.1f * 9.0f * 0.5f + 1.2f;
            const float out = -b0dc * s.x1 + b0dc * o + c * s.y1;
            s.x1 = o;
            s.y1 = out;
            x[n] = out;
        }
    }

    void run24B (State& s, float* x, const float* g, float res, int count)
    {
        const float k = res * 24.0f * 0.88f, inGain = (res * 2.0f + 1.0f) * 0.1f, outGain = 11.0f / (res + 1.0f);
        for (int n = 0; n < count; ++n)
        {
            const float u = inGain * x[n];
            const float t0 = T (u - k * s.s3 + s.s1), t1 = T ((s.s0 + s.s2) * 0.5f);
            const float t2 = T ((s.s1 + s.s3) * 0.5f), t3 = T (s.s2 * 0.5f * 3.4f + 0.2f);
            const float gg = 1.4f * g[n / 4], h = 1.0f / (gg + 1.0f);
            const float c0 = gg * t0 * h, c1 = gg * t1 * h, c2 = gg * t2 * h, c3 = gg * t3 * h;
            const float q0 = s.s0 * h, q1 = s.s1 * h, q2 = s.s2 * h, q3 = s.s3 * h;
            const float Pp = c1 * c0, A = 2 * c1 * c2, B = c3 * c2 - 4, N = 2 * c2 * c3, D = 4 * c3 * q2;
            const float E = 8 * q3 - A * q3, F = A + N - 8, J = (N - 8) * q1, I = (-2 * c2 * q3 - 4 * q2) * c1;
            const float L = 2 * c3 * q2, M = (-4 * q3 - L) * Pp + E + D + N * q1 + c2 * c1 * c3 * q0;
            const float den = 1.0f / (Pp * c2 * c3 * k + B * Pp - N - A + 8);
            const float y1 = -((D + E + N * q1) * c0 * k + (J + I) * c0 + F * q0 + c0 * u * F) * den;
            const float y2 = -((4 * q3 + L) * Pp * k + I + J + B * c1 * q0 + c0 * u * c1 * B) * den;
            const float y3 = -(2 * c0 * c1 * c2 * q3 * k + (2 * c2 * q3 + 4 * q2) * Pp - 4 * c2 * q3 - 8 * q2
                               - 4 * c2 * q1 - A * q0 - 2 * u * c0 * c1 * c2) * den;
            const float y4 = (c0 * u * c1 * c2 * c3 + M) * den;
            const float w0 = -(((4 - c3 * c2) * Pp + N + A - 8) * u + M * k) * den;
            s.s0 += (w0 * t0 + y2 - y1) * 2 * gg;
            s.s1 += ((y3 + y1) * t1 * 0.5f - y2) * 2 * gg;
            s.s2 += ((y4 + y2) * t2 * 0.5f - y3) * 2 * gg;
            s.s3 += (y3 * t3 * 0.5f - y4) * 2 * gg;
            x[n] = (k * 0.15f + 1.0f) * y4 * outGain;
        }
    }

    void run12 (State& s, float* x, const float* g, float res, int count, float q)
    {
        const float c = 1.0f - res * 0.9f, R = 1.0f - c * c, K = R * 2.1f;
        float outGain = (1.0f / 0.09f) / (q * 2.0f + 1.0f);
        if (res > 0.75f)
            outGain = outGain / ((res - 0.75f) * 4.0f + 1.0f);
        for (int n = 0; n < count; ++n)
        {
            const float G = g[n / 4];
            const float f = (E (std::abs (4.0f * s.s0) * q) - 1.0f) * 0.01f + 1.0f;
            const float G1 = G * E (std::abs (s.s0 + 0.05f) * 0.5f * R), G2 = G1 * E (std::abs (s.s1 + 0.05f) * 0.5f * R);
            const float d1 = 1.0f / (f * G1 + 1.0f), c1 = G1 * d1, p1 = s.s0 * d1;
            const float d2 = 1.0f / (G2 + 1.0f), c2 = G2 * d2, p2 = s.s1 * d2;
            const float y = (0.09f * x[n] + K * ((1.0f - c2) * p1 - p2)) / (1.0f - K * c1 * (1.0f - c2));
            const float m1 = c1 * y + p1, m2 = c2 * m1 + p2;
            s.s0 += (y - f * m1) * G1 * 2.0f;
            s.s1 += (m1 - m2) * G2 * 2.0f;
            x[n] = m2 * outGain;
        }
    }
}

namespace
{
    constexpr int count = 4096;
    constexpr float fs4 = 4.0f * 88200.0f;

    struct Signals
    {
        std::vector<float> in, g;

        explicit Signals (float amplitude) : in (count), g (count / 4)
        {
            for (int n = 0; n < count; ++n)
                in[(size_t) n] = amplitude * (float) (std::sin (n * 0.013) + 0.3 * std::sin (n * 0.0021));
            for (int i = 0; i < count / 4; ++i)    // a cutoff sweep from about 200 Hz to 6 kHz
                g[(size_t) i] = (float) std::tan (3.14159265 * (200.0 + 6 * i) / fs4);
        }
    };

    // Largest difference relative to the reference's peak.
    double mismatch (const std::vector<float>& a, const std::vector<float>& b)
    {
        double peak = 1e-9, worst = 0.0;
        for (size_t i = 0; i < a.size(); ++i)
        {
            peak = std::max (peak, (double) std::abs (b[i]));
            worst = std::max (worst, (double) std::abs (a[i] - b[i]));
        }
        return worst / peak;
    }
}

TEST (LadderCore, KernelsFollowTheirFormulas)
{
    for (float amplitude : { 0.05f, 2.0f })
        for (float res : { 0.0f, 0.3f, 0.6f, 0.9f })
        {
            const Signals sig (amplitude);

            auto check = [&] (const char* name, auto kernel, auto ref)
            {
                auto got = sig.in, want = sig.in;
                kernel (got.data());
                ref (want.data());
                EXPECT_LT (mismatch (got, want), 1e-5) << name << " amplitude " << amplitude << " res " << res;
            };

            QmLadderCore core;
            reference::State state;
            check ("24A", [&] (float* x) { QmLadderCore::process24A (core, x, sig.g.data(), res, count, fs4); },
                          [&] (float* x) { reference::run24A (state, x, sig.g.data(), res, count); });

            QmLadderCore core18;
            reference::State state18;
            check ("18", [&] (float* x) { QmLadderCore::process18 (core18, x, sig.g.data(), res, count, fs4); },
                         [&] (float* x) { reference::run18 (state18, x, sig.g.data(), res, count, fs4); });

            QmLadderCore coreB;
            reference::State stateB;
            check ("24B", [&] (float* x) { QmLadderCore::process24B (coreB, x, sig.g.data(), res, count, fs4); },
                          [&] (float* x) { reference::run24B (stateB, x, sig.g.data(), res, count); });

            for (float q : { 0.0f, 0.5f })
            {
                QmJFetStage stage;
                reference::State state12;
                check ("12", [&] (float* x) { QmLadderCore::process12 (stage, x, sig.g.data(), res, count, q); },
                             [&] (float* x) { reference::run12 (state12, x, sig.g.data(), res, count, q); });
            }
        }
}

TEST (LadderCore, SilenceStaysSilentAndEighteenSettles)
{
    std::vector<float> g (64, 0.05f), x (256, 0.0f);

    QmLadderCore core;
    QmLadderCore::process24A (core, x.data(), g.data(), 1.0f, 256, fs4);
    QmLadderCore::process24B (core, x.data(), g.data(), 1.0f, 256, fs4);
    QmJFetStage stage;
    QmLadderCore::process12 (stage, x.data(), g.data(), 1.0f, 256, 0.0f);
    for (float v : x)
        ASSERT_EQ (v, 0.0f);

    // "18" drives its stages with an offset, which its 6 Hz high-pass removes.
    QmLadderCore core18;
    std::vector<float> long18 (65536, 0.0f), g18 (16384, 0.05f);
    QmLadderCore::process18 (core18, long18.data(), g18.data(), 0.5f, 65536, fs4);
    EXPECT_NE (core18.s0, 0.0f);
    EXPECT_LT (std::abs (long18.back()), 1e-3f);
}

TEST (LadderCore, ReworkedKernelsHoldTheirPrecisionAtTheEndsOfTheCutoffRange)
{
    // The ladders (stage outputs solved side by side) and "12" (with and
    // without resonance) against their formulas at gains from a few Hz, where
    // the states barely move and rounding piles up, to about 12 kHz at the
    // oversampled rate of a 44.1 kHz host.
    for (double G : { 3e-5, 2e-3, 0.05, 0.3 })
    {
        const std::vector<float> g ((size_t) count / 4, (float) G);
        const Signals sig (1.0f);

        // Runs kernel and reference on the same input: the mismatch, and the
        // kernel's last output.
        float last = 0.0f;
        auto compare = [&] (auto kernel, auto ref)
        {
            auto got = sig.in, want = sig.in;
            kernel (got.data());
            ref (want.data());
            last = got.back();
            return mismatch (got, want);
        };

        for (float res : { 0.0f, 0.9f })
        {
            QmLadderCore core;
            reference::State state;
            EXPECT_LT (compare ([&] (float* x) { QmLadderCore::process24B (core, x, g.data(), res, count, fs4); },
                                [&] (float* x) { reference::run24B (state, x, g.data(), res, count); }), 1.5e-5)
                << "24B G " << G << " res " << res;
            EXPECT_NEAR (core.s3, state.s3, 1e-5 * std::max (1.0f, std::abs (state.s3))) << G;

            QmLadderCore coreA;
            reference::State stateA;
            EXPECT_LT (compare ([&] (float* x) { QmLadderCore::process24A (coreA, x, g.data(), res, count, fs4); },
                                [&] (float* x) { reference::run24A (stateA, x, g.data(), res, count); }), 5e-6)
                << "24A G " << G << " res " << res;

            QmLadderCore core18;
            reference::State state18;
            EXPECT_LT (compare ([&] (float* x) { QmLadderCore::process18 (core18, x, g.data(), res, count, fs4); },
                                [&] (float* x) { reference::run18 (state18, x, g.data(), res, count, fs4); }), 1e-5)
                << "18 G " << G << " res " << res;
        }

        // "12" without resonance runs four samples per vector step, with it
        // one division per sample.
        for (float res : { 0.0f, 0.8f })
        {
            QmJFetStage stage;
            reference::State state;
            EXPECT_LT (compare ([&] (float* x) { QmLadderCore::process12 (stage, x, g.data(), res, count, 0.0f); },
                                [&] (float* x) { reference::run12 (state, x, g.data(), res, count, 0.0f); }), 5e-6)
                << "12 G " << G << " res " << res;
            EXPECT_NEAR (stage.s1, state.s1, 5e-6 * std::max (1.0f, std::abs (state.s1))) << G;
            const float outGain = (1.0f / 0.09f) / (res > 0.75f ? (res - 0.75f) * 4.0f + 1.0f : 1.0f);
            EXPECT_EQ (stage.out * outGain, last) << G;
        }
    }
}
