#include "QmLadderCore.h"

#include "QmVectorMath.h"

#include <algorithm>
#include <cmath>

namespace
{
    // ((a + 3)^2 + 3) / ((a - 3)^2 + 3), an approximation of exp (a).
    inline float rationalExp (float a) noexcept
    {
        const float p = a + 3.0f;
        const float m = a - 3.0f;
        return (p * p + 3.0f) / (m * m + 3.0f);
    }

    constexpr float c147 = 1.47f;

    using QmVectorMath::lane;
}

QmLadderCore::QmLadderCore()
    : nl0 (std::make_unique<QmJFetNonlin> (QmNonlin::ratioIntegralMode, -0.9f)),
      nl1 (std::make_unique<QmJFetNonlin> (QmNonlin::ratioIntegralMode, 0.7f)),
      nl2 (std::make_unique<QmJFetNonlin> (QmNonlin::transferMode, 0.7f)),
      nl3 (std::make_unique<QmJFetNonlin> (QmNonlin::ratioIntegralMode, 0.2f))
{
}

void QmLadderCore::clearStages() noexcept
{
    s0 = s1 = s2 = s3 = 0.0f;
}

void QmLadderCore::reset() noexcept
{
    clearStages();
    xPrev = 0.0f;
    dcBlock.x1 = dcBlock.y1 = 0.0f;
    kStore = 0.0f;
}

bool QmLadderCore::isFinite() const noexcept
{
    return std::isfinite (s0) && std::isfinite (s1) && std::isfinite (s2) && std::isfinite (s3)
        && std::isfinite (xPrev) && std::isfinite (dcBlock.x1) && std::isfinite (dcBlock.y1);
}

// The kernels below keep the formulas' quantities but evaluate them for speed:
// the four gain factors of a sample in one vector, and the divisions of a
// sample gathered into one vector division. Per-gain terms are formed once
// per base-rate sample (four oversampled samples).

void QmLadderCore::process24A (QmLadderCore& st, float* buffer, const float* g, float res, int count, float) noexcept
{
    const float k = res * 5.0f * 2.0f / c147 / c147 / c147;
    const float outScale = (float) ((k * 0.5f + 1.0f) * 0.3148095905780792 * 4.0 * 0.11);
    const __m128 argScale = _mm_setr_ps (0.5f * 0.1f, c147 * 0.1f, c147 * 0.1f, c147 * 0.1f);
    const __m128 argOffset = _mm_setr_ps (0.0f, -0.03f, -0.03f, -0.03f);
    float s0 = st.s0, s1 = st.s1, s2 = st.s2, s3 = st.s3;

    for (int base = 0; base < count; base += 4)
    {
        const float G = g[base >> 2];
        const float h = 1.0f / (G + 1.0f);
        const float Gh = G * h;
        const float twoG = 2.0f * G;
        const int end = std::min (base + 4, count);

        for (int n = base; n < end; ++n)
        {
            const float u = 4.8f * buffer[n];

            const __m128 args = _mm_add_ps (_mm_mul_ps (_mm_setr_ps (u - k * s3, s0, s1, s2), argScale), argOffset);
            const __m128 t = QmVectorMath::tanhRatio4 (args);
            const float t0 = lane<0> (t), t1 = lane<1> (t), t2 = lane<2> (t), t3 = lane<3> (t);

            const float a0 = t0 * Gh, a1 = t1 * Gh, a2 = t2 * Gh, a3 = t3 * Gh;
            const float b0 = s0 * h, b1 = s1 * h, b2 = s2 * h, b3 = s3 * h;

            const float y = (-k * (c147 * a3 * b2 + b3 + 2.1609f * a2 * a3 * b1 + 3.1765232f * a1 * a2 * a3 * b0) - u)
                          / (1.0f + 1.5882616f * k * a0 * a1 * a2 * a3);

            const float y1 = a0 * y + b0;
            const float y2 = c147 * a1 * y1 + b1;
            const float y3 = c147 * a2 * y2 + b2;
            const float y4 = c147 * a3 * y3 + b3;

            s0 += (0.5f * t0 * y - y1) * twoG;
            s1 += (c147 * t1 * y1 - y2) * twoG;
            s2 += (c147 * t2 * y2 - y3) * twoG;
            s3 += (c147 * t3 * y3 - y4) * twoG;

            buffer[n] = -y4 * outScale;
        }
    }

    st.s0 = s0; st.s1 = s1; st.s2 = s2; st.s3 = s3;
    st.kStore = k;
}

void QmLadderCore::process18 (QmLadderCore& st, float* buffer, const float* g, float res, int count, float fs4) noexcept
{
    const float T3 = std::tan (3.0f * 3.14159265f / fs4);
    const float H = 1.0f / (T3 + 1.0f);
    st.dcBlock.setFrequencyAtRate (6.0f, fs4, true);
    const float k = res * 5.0f;
    const float kH = k * H;
    const float outScale = (k * 0.5f + 1.0f) * 1.8f;

    float s0 = st.s0, s1 = st.s1, s2 = st.s2, s3 = st.s3, xPrev = st.xPrev;
    QmOnePole dc = st.dcBlock;

    for (int base = 0; base < count; base += 4)
    {
        const float G = g[base >> 2];
        const float twoG = 2.0f * G;
        const float d = 1.0f / (G + 1.0f);
        const float a1 = G * d;
        const int end = std::min (base + 4, count);

        for (int n = base; n < end; ++n)
        {
            const float u = 0.48f * buffer[n] - 1.2f;
            const float v = (u + xPrev) * 0.5f - k * s3 + 0.01f;
            xPrev = u;

            // P (z) = ((z + 105) z + 945) / ((15 z + 420) z + 945) for the four factors.
            const __m128 w = _mm_setr_ps (v, s0 - 0.01f, s2 - 0.01f, s3 + 0.01f);
            const __m128 z = _mm_mul_ps (w, w);
            const __m128 num = _mm_add_ps (_mm_mul_ps (_mm_add_ps (z, _mm_set1_ps (105.0f)), z), _mm_set1_ps (945.0f));
            const __m128 den = _mm_add_ps (_mm_mul_ps (_mm_add_ps (_mm_mul_ps (z, _mm_set1_ps (15.0f)), _mm_set1_ps (420.0f)), z), _mm_set1_ps (945.0f));
            const __m128 t = _mm_div_ps (num, den);
            const float tin = lane<0> (t), t0 = lane<1> (t), t2 = lane<2> (t), t3 = lane<3> (t);

            // With U = t0 G + 1 and W = t3 G + 1 (so d0 = 1/U, d3 = 1/W), the loop
            // equation times U W needs no division but its own.
            const float U = t0 * G + 1.0f;
            const float W = t3 * G + 1.0f;
            const float t2G = t2 * G;
            const float b1 = s1 * d;
            const float b2 = s2 * d;
            const float numerator = u * U * W - kH * (t2G * U * b2 + s3 * U + a1 * t2G * U * b1 + a1 * a1 * t2G * s0);
            const float denominator = U * W + kH * tin * G * a1 * a1 * t2G;

            const __m128 r = _mm_div_ps (_mm_set1_ps (1.0f), _mm_setr_ps (denominator, U, W, 1.0f));

            const float y = numerator * lane<0> (r);
            const float y1 = (tin * G * y + s0) * lane<1> (r);
            const float y2 = a1 * y1 + b1;
            const float y3 = a1 * y2 + b2;
            const float y4 = (t2G * y3 + s3) * lane<2> (r);

            s0 += (tin * y - t0 * y1) * twoG;
            s1 += (y1 - y2) * twoG;
            s2 += (y2 - y3) * twoG;
            s3 += (t2 * y3 - t3 * y4) * twoG;

            buffer[n] = dc.step (y4 * outScale + 1.2f);
        }
    }

    st.s0 = s0; st.s1 = s1; st.s2 = s2; st.s3 = s3; st.xPrev = xPrev;
    st.dcBlock = dc;
    st.kStore = k;
}

void QmLadderCore::process24B (QmLadderCore& st, float* buffer, const float* g, float res, int count, float) noexcept
{
    const float k = res * 24.0f * 0.88f;
    const float inGain = (res * 2.0f + 1.0f) * 0.1f;
    const float outGain = 11.0f / (res + 1.0f);
    const float outScale = (k * 0.15f + 1.0f) * outGain;
    const __m128 half = _mm_setr_ps (1.0f, 0.5f, 0.5f, 0.5f * 3.4f);
    const __m128 offset = _mm_setr_ps (0.0f, 0.0f, 0.0f, 0.2f);
    float s0 = st.s0, s1 = st.s1, s2 = st.s2, s3 = st.s3;

    for (int base = 0; base < count; base += 4)
    {
        const float gg = 1.4f * g[base >> 2];
        const float h = 1.0f / (gg + 1.0f);
        const float gh = gg * h;
        const float twoG = 2.0f * gg;
        const int end = std::min (base + 4, count);

        for (int n = base; n < end; ++n)
        {
            const float u = inGain * buffer[n];

            const __m128 args = _mm_add_ps (_mm_mul_ps (_mm_setr_ps (u - k * s3 + s1, s0 + s2, s1 + s3, s2), half), offset);
            const __m128 t = QmVectorMath::tanhRatio4 (args);
            const float t0 = lane<0> (t), t1 = lane<1> (t), t2 = lane<2> (t), t3 = lane<3> (t);

            const float c0 = gh * t0, c1 = gh * t1, c2 = gh * t2, c3 = gh * t3;
            const float q0 = s0 * h, q1 = s1 * h, q2 = s2 * h, q3 = s3 * h;

            // The shared terms, regrouped so that the sums form shallow trees.
            const float P = c1 * c0;
            const float c23 = c2 * c3;
            const float A = 2.0f * c1 * c2;
            const float B = c23 - 4.0f;
            const float N = 2.0f * c23;
            const float D = 4.0f * c3 * q2;
            const float E = 8.0f * q3 - A * q3;
            const float F = A + N - 8.0f;
            const float IJ = (N - 8.0f) * q1 + (-2.0f * c2 * q3 - 4.0f * q2) * c1;
            const float L = 2.0f * c3 * q2;
            const float Nq1 = N * q1;
            const float M = ((-4.0f * q3 - L) * P + (E + D)) + (Nq1 + c1 * c23 * q0);
            const float den = 1.0f / (P * (c23 * k + B) + ((8.0f - N) - A));
            const float Pu = P * u;

            const float y1 = -(c0 * (((D + E) + Nq1) * k + (IJ + u * F)) + F * q0) * den;
            const float y2 = -(((4.0f * q3 + L) * P * k + IJ) + B * c1 * (q0 + c0 * u)) * den;
            const float y3 = -(P * (2.0f * c2 * q3 * (k + 1.0f) + 4.0f * q2 - 2.0f * u * c2)
                               - ((4.0f * c2 * (q3 + q1) + 8.0f * q2) + A * q0)) * den;
            const float y4 = (Pu * c23 + M) * den;
            const float w0 = -((((4.0f - c23) * P + N) + (A - 8.0f)) * u + M * k) * den;

            s0 += (w0 * t0 + y2 - y1) * twoG;
            s1 += ((y3 + y1) * t1 * 0.5f - y2) * twoG;
            s2 += ((y4 + y2) * t2 * 0.5f - y3) * twoG;
            s3 += (y3 * t3 * 0.5f - y4) * twoG;

            buffer[n] = y4 * outScale;
        }
    }

    st.s0 = s0; st.s1 = s1; st.s2 = s2; st.s3 = s3;
    st.kStore = k;
}

void QmLadderCore::process12 (QmJFetStage& st, float* buffer, const float* g, float res, int count, float q) noexcept
{
    const float c = 1.0f - res * 0.9f;
    const float R = 1.0f - c * c;
    float outGain = (1.0f / 0.09f) / (q * 2.0f + 1.0f);

    if (res > 0.75f)
        outGain = outGain / ((res - 0.75f) * 4.0f + 1.0f);

    const float K = R * 2.1f;
    const float halfR = 0.5f * R;
    float s0 = st.s0, s1 = st.s1, m2 = st.out;

    if (R == 0.0f && q == 0.0f)
    {
        // No resonance: E (0) = 1 and K = 0, so G1 = G2 = G and y = 0.09 x
        // exactly; two plain one-poles remain.
        for (int base = 0; base < count; base += 4)
        {
            const float G = g[base >> 2];
            const float d = 1.0f / (G + 1.0f);
            const float c1 = G * d;
            const float twoG = 2.0f * G;    // (v G) 2 = v (2 G) exactly
            const int end = std::min (base + 4, count);

            for (int n = base; n < end; ++n)
            {
                const float y = 0.09f * buffer[n];
                const float m1 = c1 * y + s0 * d;
                m2 = c1 * m1 + s1 * d;
                s0 += (y - m1) * twoG;
                s1 += (m1 - m2) * twoG;
                buffer[n] = m2 * outGain;
            }
        }

        st.s0 = s0; st.s1 = s1; st.out = m2;
        st.kStore = K;
        return;
    }

    for (int n = 0; n < count; ++n)
    {
        const float G = g[n >> 2];

        // E (a) = ((a + 3)^2 + 3) / ((a - 3)^2 + 3) kept as numerator and
        // denominator: G1 = A / B and G2 = C / Dn.
        const float e0 = std::abs (s0 + 0.05f) * halfR;
        const float e1 = std::abs (s1 + 0.05f) * halfR;
        const float A = G * ((e0 + 3.0f) * (e0 + 3.0f) + 3.0f);
        const float B = (e0 - 3.0f) * (e0 - 3.0f) + 3.0f;
        const float C = A * ((e1 + 3.0f) * (e1 + 3.0f) + 3.0f);
        const float Dn = B * ((e1 - 3.0f) * (e1 - 3.0f) + 3.0f);

        // f = (E (|4 s0| q) - 1) 0.01 + 1, exactly 1 for q = 0.
        const float f = q == 0.0f ? 1.0f : (rationalExp (std::abs (4.0f * s0) * q) - 1.0f) * 0.01f + 1.0f;

        // d1 = B / S1 and d2 = Dn / S2; the loop equation times S1 S2.
        const float S1 = f * A + B;
        const float S2 = C + Dn;
        const float numerator = 0.09f * buffer[n] * S1 * S2 + K * Dn * (s0 * B - s1 * S1);
        const float denominator = S1 * S2 - K * A * Dn;

        const __m128 r = _mm_div_ps (_mm_set1_ps (1.0f), _mm_setr_ps (denominator, S1, S2, B * Dn));
        const float rBDn = lane<3> (r);

        const float y = numerator * lane<0> (r);
        const float m1 = (A * y + s0 * B) * lane<1> (r);
        m2 = (C * m1 + s1 * Dn) * lane<2> (r);

        s0 += (y - f * m1) * (A * Dn * rBDn) * 2.0f;    // G1 = A / B
        s1 += (m1 - m2) * (C * B * rBDn) * 2.0f;        // G2 = C / Dn

        buffer[n] = m2 * outGain;
    }

    st.s0 = s0; st.s1 = s1; st.out = m2;
    st.kStore = K;
}
