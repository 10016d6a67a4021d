#include "QmJFetStage.h"
#include "QmLadderCore.h"

#include <gtest/gtest.h>

#include <algorithm>
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

    // One sample each: x the input, G the prewarped gain.
    float step24A (State& s, float x, float G, float res, float)
    {
        const float k = res * 5.0f * 2.0f / 1.47f / 1.47f / 1.47f, u = x * 3.0f * 0.2f * 4.0f * 2.0f;
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
        return (float) ((k * 0.5f + 1.0f) * -y4 * 0.3148095905780792 * 4 * 0.11);
    }

    float step18 (State& s, float x, float G, float res, float fs4)
    {
        const float H = 1.0f / (std::tan (3.0f * 3.14159265f / fs4) + 1.0f), k = res * 5.0f;
        const float c = std::exp (-2.0f * 3.14159265f * 6.0f / fs4), b0dc = (c + 1.0f) * 0.5f;
        const float u = (4.8f * x / 10.0f) * 2.0f * 0.25f * 2.0f - 1.2f;
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
        return s.y1 = out;
    }

    float step24B (State& s, float x, float G, float res, float)
    {
        const float k = res * 24.0f * 0.88f, u = (res * 2.0f + 1.0f) * 0.1f * x, outGain = 11.0f / (res + 1.0f);
        const float t0 = T (u - k * s.s3 + s.s1), t1 = T ((s.s0 + s.s2) * 0.5f);
        const float t2 = T ((s.s1 + s.s3) * 0.5f), t3 = T (s.s2 * 0.5f * 3.4f + 0.2f);
        const float gg = 1.4f * G, h = 1.0f / (gg + 1.0f);
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
        return (k * 0.15f + 1.0f) * y4 * outGain;
    }

    float step12 (State& s, float x, float G, float res, float q)
    {
        const float c = 1.0f - res * 0.9f, R = 1.0f - c * c, K = R * 2.1f;
        const float outGain = (1.0f / 0.09f) / (q * 2.0f + 1.0f) / (res > 0.75f ? (res - 0.75f) * 4.0f + 1.0f : 1.0f);
        const float f = (E (std::abs (4.0f * s.s0) * q) - 1.0f) * 0.01f + 1.0f;
        const float G1 = G * E (std::abs (s.s0 + 0.05f) * 0.5f * R), G2 = G1 * E (std::abs (s.s1 + 0.05f) * 0.5f * R);
        const float d1 = 1.0f / (f * G1 + 1.0f), c1 = G1 * d1, p1 = s.s0 * d1;
        const float d2 = 1.0f / (G2 + 1.0f), c2 = G2 * d2, p2 = s.s1 * d2;
        const float y = (0.09f * x + K * ((1.0f - c2) * p1 - p2)) / (1.0f - K * c1 * (1.0f - c2));
        const float m1 = c1 * y + p1, m2 = c2 * m1 + p2;
        s.s0 += (y - f * m1) * G1 * 2.0f;
        s.s1 += (m1 - m2) * G2 * 2.0f;
        return m2 * outGain;
    }
}

namespace
{
    constexpr int count = 4096;
    constexpr float fs4 = 4.0f * 88200.0f;

    // Runs the kernel over two blocks (so its state must carry over) and the
    // reference over the whole input: the largest difference relative to the
    // reference's peak.
    template <typename State>
    double mismatch (void (*kernel) (State&, float*, const float*, float, int, float),
                     float (*step) (reference::State&, float, float, float, float),
                     const std::vector<float>& in, const std::vector<float>& g, float res, float extra)
    {
        State state;
        reference::State refState;
        auto got = in, want = in;
        kernel (state, got.data(), g.data(), res, count / 2, extra);
        kernel (state, got.data() + count / 2, g.data() + count / 8, res, count / 2, extra);
        for (int n = 0; n < count; ++n)
            want[(size_t) n] = step (refState, in[(size_t) n], g[(size_t) n / 4], res, extra);

        double peak = 1e-9, worst = 0.0;
        for (size_t i = 0; i < in.size(); ++i)
        {
            peak = std::max (peak, (double) std::abs (want[i]));
            worst = std::max (worst, (double) std::abs (got[i] - want[i]));
        }
        return worst / peak;
    }
}

TEST (LadderCore, KernelsFollowTheirFormulas)
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
            EXPECT_LT (mismatch (QmLadderCore::process24A, reference::step24A, in, g, res, fs4), 5e-6) << "24A" << where;
            EXPECT_LT (mismatch (QmLadderCore::process18, reference::step18, in, g, res, fs4), 1e-5) << "18" << where;
            EXPECT_LT (mismatch (QmLadderCore::process24B, reference::step24B, in, g, res, fs4), 1.5e-5) << "24B" << where;
            for (float q : { 0.0f, 0.5f })    // "12" without resonance or q runs four samples per vector step
                EXPECT_LT (mismatch (QmLadderCore::process12, reference::step12, in, g, res, q), 5e-6) << "12 q " << q << where;
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
    EXPECT_TRUE (whole == in && a.s0 == b.s0 && a.s1 == b.s1 && a.out == b.out && in[100] != 0.0f);
}

TEST (LadderCore, HugeInputsStayFinite)
{
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
            EXPECT_TRUE (state.isFinite() && std::abs (in[255]) > 1e-3f && std::abs (in[255]) < 10.0f) << name << " res " << res;
        }
}
