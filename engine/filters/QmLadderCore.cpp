#include "QmLadderCore.h"

#include "QmSimd.h"
#include "QmVectorMath.h"

#include <algorithm>
#include <cmath>

namespace
{
    // "24A": the stages after the first have a gain of 1.47 (the first, 0.5);
    // the loop equation holds that gain's powers, each rounded once to float.
    constexpr float stageGain = 1.47f;
    constexpr float stageGain2 = 2.1609f;                       // 1.47^2, as 1.47f * 1.47f rounds
    constexpr float stageGain3 = 3.1765232f;                    // 1.47^3, as 1.47f * 1.47f * 1.47f rounds
    constexpr float halfStageGain3 = 1.5882616f;                // 1.47^3 / 2: the first stage's 0.5 times the other three
    constexpr double inverseStageGain3 = 0.3148095905780792;    // 1 / 1.47^3: the output undoes the three gains
    constexpr double outputLevel24A = 0.11;                     // the output's level, after a gain of 4
    constexpr float input24A = 4.8f;                            // the input gain 3 * 0.2 * 4 * 2, applied in turn by the plain form
    constexpr float saturation24A = 0.1f;                       // the stages saturate on a tenth of their signal
    constexpr float bias24A = 0.03f;                            // the second to fourth stages saturate off centre

    // "18"
    constexpr float pi = 3.14159265f;
    constexpr float feedbackHz18 = 3.0f;    // the feedback is scaled by 1 / (tan (3 pi / fs4) + 1), a 3 Hz one-pole's factor
    constexpr float dcBlockHz18 = 6.0f;     // the output's high-pass, which takes the offset out again
    constexpr float input18 = 0.48f;        // the input gain 4.8 / 10 * 2 * 0.25 * 2, applied in turn by the plain form
    constexpr float offset18 = 1.2f;        // a DC offset driven through the stages
    constexpr float bias18 = 0.01f;         // the saturations' inputs are off centre by this
    constexpr float output18 = 1.8f;        // the output gain 4 * 0.1 * 9 * 0.5, applied in turn by the plain form

    // Lambert's continued fraction for tanh (v) / v cut after its v^2 / 9 term:
    // (z^2 + 105 z + 945) / (15 z^2 + 420 z + 945) with z = v^2.
    constexpr float lambertNumZ = 105.0f, lambertDenZ2 = 15.0f, lambertDenZ = 420.0f, lambertConst = 945.0f;

    // "24B"
    constexpr float feedback24B = 24.0f;    // the feedback at full resonance, before its trim
    constexpr float feedbackTrim24B = 0.88f; // k = res * 24 * 0.88
    constexpr float input24B = 0.1f;        // the input level; resonance raises it up to threefold
    constexpr float output24B = 11.0f;      // the output level; full resonance halves it
    constexpr float outputBoost24B = 0.15f; // the output rises with the feedback k, by k * 0.15
    constexpr float speed24B = 1.4f;        // the stages' integrator gain is 1.4 times the cutoff's
    constexpr float drive24B = 3.4f;        // the last stage saturates on 3.4 times half its neighbour
    constexpr float bias24B = 0.2f;         // and off centre by this

    // "12"
    constexpr float resonance12 = 0.9f;     // c = 1 - 0.9 res; the feedback grows as 1 - c^2
    constexpr float feedback12 = 2.1f;      // the feedback at R = 1
    constexpr float input12 = 0.09f;        // the input level; the output gain undoes it
    constexpr float softKnee12 = 0.75f;     // above this resonance the output gain falls, to half at 1
    constexpr float bias12 = 0.05f;         // the stages' gain follows their states off centre
    constexpr float stretch12 = 0.01f;      // how far q stretches the first stage's damping

    // ((a + 3)^2 + 3) / ((a - 3)^2 + 3), the [2/2] Pade approximant of exp (a).
    inline float rationalExp (float a) noexcept
    {
        const float p = a + 3.0f;
        const float m = a - 3.0f;
        return (p * p + 3.0f) / (m * m + 3.0f);
    }

    // tanh (v) / v, 1 at 0: the gain factor of a tanh stage.
    inline float tanhRatio (float v) noexcept { return v == 0.0f ? 1.0f : std::tanh (v) / v; }

    // The rational stage factor of "18", with z = v^2.
    inline float rationalRatio (float z) noexcept
    {
        return ((z + lambertNumZ) * z + lambertConst) / ((lambertDenZ2 * z + lambertDenZ) * z + lambertConst);
    }

    using QmSimd::lane;
    using QmSimd::shiftUp;
    using QmSimd::shuffle;
    using QmSimd::splat;
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
// each runs one long chain per sample (the states feed the next sample), so
// the work is arranged to keep that chain short. The four gain factors and
// the four states of a sample sit in one vector, the stage outputs are solved
// side by side rather than one after another, and the divisions of a sample
// are gathered into one vector division. Where the gain factors' arguments
// are a mix of the states ("24A", "24B"), the next sample's are formed from
// the states before the step plus the step mixed alike, off the chain through
// the new states. Per-gain terms are formed once per base-rate sample (four
// oversampled samples). Each kernel stays within float rounding of its plain
// step, which follows the formula term by term (at the end of this file).

void QmLadderCore::process24A (QmLadderCore& st, float* buffer, const float* g, float res, int count, float) noexcept
{
    const float k = res * 5.0f * 2.0f / stageGain / stageGain / stageGain;
    const float outScale = (float) ((k * 0.5f + 1.0f) * inverseStageGain3 * 4.0 * outputLevel24A);

    // The gain factors' arguments ((u - k s3) 0.05, 0.147 s0 - 0.03,
    // 0.147 s1 - 0.03, 0.147 s2 - 0.03) from the states turned by one lane.
    const __m128 argScale = _mm_setr_ps (-k * (0.5f * saturation24A), stageGain * saturation24A, stageGain * saturation24A, stageGain * saturation24A);
    const __m128 argOffset = _mm_setr_ps (0.0f, -bias24A, -bias24A, -bias24A);
    const __m128 gains = _mm_setr_ps (0.5f, stageGain, stageGain, stageGain);
    auto turn = [] (__m128 v) { return shuffle<2, 1, 0, 3> (v); };
    auto stateArgs = [&] (__m128 v, float u)
    {
        return _mm_add_ps (_mm_mul_ps (turn (v), argScale), _mm_add_ps (argOffset, _mm_set_ss (u * (0.5f * saturation24A))));
    };
    __m128 s = _mm_setr_ps (st.s0, st.s1, st.s2, st.s3);
    __m128 args = stateArgs (s, count > 0 ? input24A * buffer[0] : 0.0f);

    for (int base = 0; base < count; base += 4)
    {
        const float G = g[base >> 2];
        const float h = 1.0f / (G + 1.0f);
        const float Gh = G * h;
        const __m128 twoG = _mm_set1_ps (2.0f * G);
        const __m128 argStep = _mm_mul_ps (argScale, twoG);
        const int end = std::min (base + 4, count);

        for (int n = base; n < end; ++n)
        {
            const float u = input24A * buffer[n];
            const __m128 t = QmVectorMath::tanhRatio4 (args);
            const __m128 av = _mm_mul_ps (_mm_set1_ps (Gh), t);
            const __m128 bv = _mm_mul_ps (s, _mm_set1_ps (h));
            const float a0 = lane<0> (av), a1 = lane<1> (av), a2 = lane<2> (av), a3 = lane<3> (av);
            const float b0 = lane<0> (bv), b1 = lane<1> (bv), b2 = lane<2> (bv), b3 = lane<3> (bv);

            // Each stage output as y_i = al_i y + be_i, formed alongside the
            // loop equation (be4 is its bracket, al4 / 2 its product term), so
            // the four stages follow y in one step instead of a chain.
            const float a23 = a2 * a3;
            const float al2 = stageGain * a1 * a0;
            const float al3 = stageGain * a2 * al2;
            const float al4 = stageGain * a3 * al3;
            const float be2 = stageGain * a1 * b0 + b1;
            const float be3 = (stageGain * a2 * b1 + b2) + stageGain2 * a1 * a2 * b0;
            const float be4 = (stageGain * a3 * b2 + b3) + (stageGain2 * a23 * b1 + stageGain3 * a1 * a23 * b0);

            const float y = (-k * be4 - u) / (1.0f + halfStageGain3 * k * a0 * a1 * a23);

            const __m128 ys = _mm_add_ps (_mm_mul_ps (_mm_setr_ps (a0, al2, al3, al4), _mm_set1_ps (y)),
                                          _mm_setr_ps (b0, be2, be3, be4));
            const __m128 inputs = _mm_move_ss (shiftUp<1> (ys), _mm_set_ss (y));

            // s0 += (0.5 t0 y - y1) 2G, s_i += (1.47 t_i y_i - y_(i+1)) 2G; the
            // next arguments from this state plus the step, not from the new state.
            const __m128 step = _mm_sub_ps (_mm_mul_ps (_mm_mul_ps (gains, t), inputs), ys);
            const float uNext = n + 1 < count ? input24A * buffer[n + 1] : 0.0f;
            args = _mm_add_ps (stateArgs (s, uNext), _mm_mul_ps (turn (step), argStep));
            s = _mm_add_ps (s, _mm_mul_ps (step, twoG));

            buffer[n] = -lane<3> (ys) * outScale;
        }
    }

    st.s0 = lane<0> (s); st.s1 = lane<1> (s); st.s2 = lane<2> (s); st.s3 = lane<3> (s);
    st.kStore = k;
}

void QmLadderCore::process18 (QmLadderCore& st, float* buffer, const float* g, float res, int count, float fs4) noexcept
{
    const float T3 = std::tan (feedbackHz18 * pi / fs4);
    const float H = 1.0f / (T3 + 1.0f);
    st.dcBlock.setFrequencyAtRate (dcBlockHz18, fs4, true);
    const float k = res * 5.0f;
    const float kH = k * H;
    const float outScale = (k * 0.5f + 1.0f) * output18;

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
            const float u = input18 * buffer[n] - offset18;
            const float v = (u + xPrev) * 0.5f - k * s3 + bias18;
            xPrev = u;

            // P (z) = ((z + 105) z + 945) / ((15 z + 420) z + 945) for the four factors.
            const __m128 w = _mm_setr_ps (v, s0 - bias18, s2 - bias18, s3 + bias18);
            const __m128 z = _mm_mul_ps (w, w);
            const __m128 num = _mm_add_ps (_mm_mul_ps (_mm_add_ps (z, _mm_set1_ps (lambertNumZ)), z), _mm_set1_ps (lambertConst));
            const __m128 den = _mm_add_ps (_mm_mul_ps (_mm_add_ps (_mm_mul_ps (z, _mm_set1_ps (lambertDenZ2)), _mm_set1_ps (lambertDenZ)), z), _mm_set1_ps (lambertConst));
            const __m128 t = _mm_div_ps (num, den);
            const float tin = lane<0> (t), t0 = lane<1> (t), t2 = lane<2> (t), t3 = lane<3> (t);

            // With U = t0 G + 1 and W = t3 G + 1 (so d0 = 1/U, d3 = 1/W), the loop
            // equation times U W needs no division.
            const float U = t0 * G + 1.0f;
            const float W = t3 * G + 1.0f;
            const float t2G = t2 * G;
            const float b1 = s1 * d;
            const float b2 = s2 * d;
            const float numerator = u * U * W - kH * (t2G * U * b2 + s3 * U + a1 * t2G * U * b1 + a1 * a1 * t2G * s0);
            const float denominator = U * W + kH * tin * G * a1 * a1 * t2G;

            // The stage outputs over U denominator (y4 over U W denominator),
            // their numerators sums of the loop equation's numerator and
            // denominator: y and y1 .. y3 in one vector division, y4 beside it.
            const float tinG = tin * G;
            const float c2 = a1 * tinG, c3 = a1 * c2, c4 = t2G * c3;
            const float e2 = a1 * s0 + b1 * U;
            const float e3 = a1 * e2 + b2 * U;
            const float e4 = t2G * e3 + s3 * U;
            const float Ud = U * denominator;

            const __m128 ys = _mm_div_ps (_mm_setr_ps (numerator, tinG * numerator + s0 * denominator,
                                                       c2 * numerator + e2 * denominator, c3 * numerator + e3 * denominator),
                                          _mm_setr_ps (denominator, Ud, Ud, Ud));
            const float y4 = (c4 * numerator + e4 * denominator) / (Ud * W);
            const float y = lane<0> (ys), y1 = lane<1> (ys), y2 = lane<2> (ys), y3 = lane<3> (ys);

            s0 += (tin * y - t0 * y1) * twoG;
            s1 += (y1 - y2) * twoG;
            s2 += (y2 - y3) * twoG;
            s3 += (t2 * y3 - t3 * y4) * twoG;

            buffer[n] = dc.step (y4 * outScale + offset18);
        }
    }

    st.s0 = s0; st.s1 = s1; st.s2 = s2; st.s3 = s3; st.xPrev = xPrev;
    st.dcBlock = dc;
    st.kStore = k;
}

void QmLadderCore::process24B (QmLadderCore& st, float* buffer, const float* g, float res, int count, float) noexcept
{
    const float k = res * feedback24B * feedbackTrim24B;
    const float k1 = k + 1.0f;
    const float inGain = (res * 2.0f + 1.0f) * input24B;
    const float outGain = output24B / (res + 1.0f);
    const float outScale = (k * outputBoost24B + 1.0f) * outGain;

    // The gain factors' arguments (u - k s3 + s1, (s0 + s2) 0.5, (s1 + s3) 0.5,
    // s2 0.5 3.4 + 0.2) as (s1, s0, s1, s2) wa + (s3, s2, s3, s2) wb + offset.
    const __m128 wa = _mm_setr_ps (1.0f, 0.5f, 0.5f, 0.5f * drive24B);
    const __m128 wb = _mm_setr_ps (-k, 0.5f, 0.5f, 0.0f);
    const __m128 offset = _mm_setr_ps (0.0f, 0.0f, 0.0f, bias24B);
    auto stateArgs = [&] (__m128 v, float u)
    {
        return _mm_add_ps (_mm_add_ps (_mm_mul_ps (shuffle<2, 1, 0, 1> (v), wa), _mm_mul_ps (shuffle<2, 3, 2, 3> (v), wb)),
                           _mm_add_ps (offset, _mm_set_ss (u)));
    };

    // Per lane factors of q and u in the node values' terms (below).
    const __m128 ka = _mm_setr_ps (-k, 1.0f, 1.0f, 0.0f);
    const __m128 kc = _mm_setr_ps (-1.0f, -k, -1.0f, -1.0f);
    const __m128 kd = _mm_setr_ps (-1.0f, -1.0f, 1.0f, -1.0f);
    const __m128 kf = _mm_setr_ps (-k, 0.0f, 0.0f, 1.0f);
    const __m128 kg = _mm_setr_ps (-k1, -1.0f, -k1, -1.0f);
    const __m128 kh = _mm_setr_ps (k1, -k, 0.0f, 1.0f);
    const __m128 first = _mm_setr_ps (1.0f, 0.0f, 0.0f, 0.0f);
    const __m128 second = _mm_setr_ps (0.0f, 1.0f, 0.0f, 0.0f);
    const __m128 ug = _mm_setr_ps (-1.0f, 0.0f, 1.0f, 0.0f);
    const __m128 ui = _mm_setr_ps (0.0f, -1.0f, 0.0f, 1.0f);
    // The stage inputs' factors of (y4, y1, y2, y3) and of (y2, y3, y4, -).
    const __m128 kt = _mm_setr_ps (-k, 0.5f, 0.5f, 0.5f);
    const __m128 halfMid = _mm_setr_ps (0.0f, 0.5f, 0.5f, 0.0f);

    __m128 s = _mm_setr_ps (st.s0, st.s1, st.s2, st.s3);
    __m128 args = stateArgs (s, count > 0 ? inGain * buffer[0] : 0.0f);

    for (int base = 0; base < count; base += 4)
    {
        const float gg = speed24B * g[base >> 2];
        const float h = 1.0f / (gg + 1.0f);
        const float gh = gg * h;
        const float twoG = 2.0f * gg;
        const __m128 eScale = _mm_setr_ps (gh, 0.5f * gh, 0.5f * gh, 0.5f * gh);
        const int end = std::min (base + 4, count);

        for (int n = base; n < end; ++n)
        {
            const float u = inGain * buffer[n];
            const __m128 uv = _mm_set1_ps (u);
            const __m128 t = QmVectorMath::tanhRatio4 (args);

            // The loop is the linear system y1 = c0 (u - k y4 + y2) + q0,
            // y2 = c1 (y1 + y3) / 2 + q1, y3 = c2 (y2 + y4) / 2 + q2,
            // y4 = c3 y3 / 2 + q3. With e = (c0, c1 / 2, c2 / 2, c3 / 2) its
            // determinant is det = 1 - e01 - e12 - e23 + (k + 1) e0123, and
            // the node values times det, Y, are q plus products of one to
            // four e times sums of q and u: each product is formed once, the
            // sums do not wait for the gain factors, and the four node values
            // are summed side by side.
            const __m128 e = _mm_mul_ps (t, eScale);
            const __m128 ee = _mm_mul_ps (e, shuffle<0, 3, 2, 1> (e));          // e01 e12 e23 e30
            const __m128 eee = _mm_mul_ps (e, shuffle<0, 0, 2, 2> (ee));        // e023 e123 e012 e013
            const __m128 e4 = _mm_mul_ps (ee, shuffle<1, 0, 3, 2> (ee));        // e0123 in each lane

            // The factors of q and u, lane by lane, by the products they multiply:
            //   e                     u + q1 - k q3, q0 + q2, q1 + q3, q2
            //   e01 e12 - -           q2, q3
            //   e12 e01 e01 e12       -q0, u - k q3, -q2, -q3
            //   e23 e23 e12 e01       -q0, -q1, q0, -q3
            //   e30 - - e23           -k q2, q1
            //   e023 e123 e012 e013   -u - (k + 1) q1, -q0, u - (k + 1) q3, -q2
            //   e012 e013 - e123      (k + 1) q3 - u, -k q2, q0
            //   e0123                 -u (second lane), u (fourth)
            const __m128 q = _mm_mul_ps (s, _mm_set1_ps (h));
            const __m128 byE = _mm_add_ps (_mm_add_ps (shuffle<2, 1, 0, 1> (q), _mm_mul_ps (shuffle<0, 3, 2, 3> (q), ka)), _mm_mul_ps (uv, first));
            const __m128 byEE = _mm_movehl_ps (_mm_setzero_ps(), q);
            const __m128 byEEc = _mm_add_ps (_mm_mul_ps (shuffle<3, 2, 3, 0> (q), kc), _mm_mul_ps (uv, second));
            const __m128 byEEd = _mm_mul_ps (shuffle<3, 0, 1, 0> (q), kd);
            const __m128 byEEf = _mm_mul_ps (shuffle<1, 0, 0, 2> (q), kf);
            const __m128 byEEE = _mm_add_ps (_mm_mul_ps (shuffle<2, 3, 0, 1> (q), kg), _mm_mul_ps (uv, ug));
            const __m128 byEEEh = _mm_sub_ps (_mm_mul_ps (shuffle<0, 0, 2, 3> (q), kh), _mm_mul_ps (uv, first));

            const __m128 Y = _mm_add_ps (_mm_add_ps (_mm_add_ps (q, _mm_mul_ps (e, byE)),
                                                     _mm_add_ps (_mm_mul_ps (ee, byEE),
                                                                 _mm_mul_ps (shuffle<1, 0, 0, 1> (ee), byEEc))),    // e12 e01 e01 e12
                                         _mm_add_ps (_mm_add_ps (_mm_mul_ps (shuffle<0, 1, 2, 2> (ee), byEEd),      // e23 e23 e12 e01
                                                                 _mm_mul_ps (shuffle<2, 0, 0, 3> (ee), byEEf)),     // e30 - - e23
                                                     _mm_add_ps (_mm_add_ps (_mm_mul_ps (eee, byEEE),
                                                                             _mm_mul_ps (shuffle<1, 0, 3, 2> (eee), byEEEh)),   // e012 e013 - e123
                                                                 _mm_mul_ps (e4, _mm_mul_ps (uv, ui)))));

            // One division gives the step scale 2g / det and the output's.
            const float det = (k1 * lane<0> (e4) - lane<1> (ee)) + (1.0f - (lane<0> (ee) + lane<2> (ee)));
            const __m128 scales = _mm_div_ps (_mm_setr_ps (twoG, outScale, 0.0f, 0.0f), _mm_set1_ps (det));
            const __m128 r = splat<0> (scales);

            // The trapezoidal steps s += (in - y) 2g, times det, with the stage
            // inputs t0 (u - k y4) + y2, t1 (y1 + y3) / 2, t2 (y2 + y4) / 2 and t3 y3 / 2.
            const __m128 ta = _mm_mul_ps (t, kt);
            const __m128 tb = _mm_add_ps (_mm_mul_ps (t, halfMid), first);
            const __m128 tu = _mm_mul_ps (t, _mm_set_ss (u * det));
            const __m128 S = _mm_add_ps (_mm_add_ps (_mm_mul_ps (ta, shuffle<2, 1, 0, 3> (Y)), _mm_mul_ps (tb, shuffle<3, 3, 2, 1> (Y))),
                                         _mm_sub_ps (tu, Y));

            // The next sample's arguments: those of this state plus the steps
            // mixed alike, the mixing applied to Y so that it need not wait
            // for the steps, nor the arguments for the new state.
            const __m128 m1 = _mm_mul_ps (wa, shuffle<2, 1, 0, 1> (ta));
            const __m128 m2 = _mm_add_ps (_mm_mul_ps (wa, shuffle<2, 1, 0, 1> (tb)), _mm_mul_ps (wb, shuffle<2, 3, 2, 3> (ta)));
            const __m128 m3 = _mm_mul_ps (wb, shuffle<2, 3, 2, 3> (tb));
            const __m128 mixed = _mm_add_ps (_mm_add_ps (_mm_add_ps (_mm_mul_ps (m1, shuffle<1, 0, 3, 0> (Y)), _mm_mul_ps (m2, shuffle<3, 2, 1, 2> (Y))),
                                                         _mm_sub_ps (_mm_mul_ps (m3, splat<3> (Y)), _mm_mul_ps (wb, shuffle<2, 3, 2, 3> (Y)))),
                                             _mm_mul_ps (wa, _mm_sub_ps (shuffle<2, 1, 0, 1> (tu), shuffle<2, 1, 0, 1> (Y))));
            const float uNext = n + 1 < count ? inGain * buffer[n + 1] : 0.0f;
            args = _mm_add_ps (stateArgs (s, uNext), _mm_mul_ps (mixed, r));
            s = _mm_add_ps (s, _mm_mul_ps (S, r));

            buffer[n] = lane<3> (Y) * lane<1> (scales);
        }
    }

    st.s0 = lane<0> (s); st.s1 = lane<1> (s); st.s2 = lane<2> (s); st.s3 = lane<3> (s);
    st.kStore = k;
}

void QmLadderCore::process12 (QmJFetStage& st, float* buffer, const float* g, float res, int count, float q) noexcept
{
    const float c = 1.0f - res * resonance12;
    const float R = 1.0f - c * c;
    float outGain = (1.0f / input12) / (q * 2.0f + 1.0f);

    if (res > softKnee12)
        outGain = outGain / ((res - softKnee12) * 4.0f + 1.0f);

    const float K = R * feedback12;
    const float halfR = 0.5f * R;
    float s0 = st.s0, s1 = st.s1, m2 = st.out;

    if (R == 0.0f && q == 0.0f && count % 4 == 0)
    {
        // No resonance: E (0) = 1 and K = 0, so G1 = G2 = G and y = 0.09 x
        // exactly; two plain one-poles remain. With c1 = G / (G + 1) and
        // y - m1 = (y - s0) / (G + 1), each stage is m = s + c1 (in - s) and
        // s += b (in - s), b = 2 c1. Over the four samples that share G this
        // unrolls to s[k] = s + (sum over j < k of b a^(k-1-j) in[j] - B[k] s)
        // with a = 1 - b and B[k] = 1 - a^k = b (1 + a + .. + a^(k-1)): all
        // four states of a stage in one vector step, each coefficient formed
        // to full relative precision (B as a multiple of b, never as 1 - a^k,
        // which would move the pole at low cutoffs).
        __m128 m2v = _mm_set1_ps (m2);

        // The coefficients of a group of bases, formed four bases at a time
        // (lane by lane the same operations as one at a time), each held as
        // the vectors a step uses.
        struct Step { __m128 B, b, a, a2, c1; };
        constexpr int group = 64;
        Step steps[group + 3];
        const int bases = count / 4;

        for (int first = 0; first < bases; first += group)
        {
            const int size = std::min (group, bases - first);

            for (int j = 0; j < size; j += 4)
            {
                // a group's last bases may not fill a vector: zeros stand in (unused)
                const __m128 G = j + 4 <= size ? _mm_loadu_ps (g + first + j) : QmSimd::loadTail (g + first + j, size - j);

                const __m128 one = _mm_set1_ps (1.0f);
                const __m128 c1 = _mm_mul_ps (G, _mm_div_ps (one, _mm_add_ps (G, one)));
                const __m128 b = _mm_mul_ps (_mm_set1_ps (2.0f), c1);
                const __m128 a = _mm_sub_ps (one, b);
                const __m128 ba = _mm_mul_ps (b, a);
                const __m128 ba2 = _mm_mul_ps (ba, a);
                __m128 b1 = b;
                __m128 B1 = _mm_add_ps (b, ba);
                __m128 B2 = _mm_add_ps (B1, ba2);
                __m128 B3 = _mm_add_ps (B2, _mm_mul_ps (ba2, a));
                const __m128 a2 = _mm_mul_ps (a, a);

                // B of base j + l is lane l of (b, B1, B2, B3); the rest are splats of lane l.
                _MM_TRANSPOSE4_PS (b1, B1, B2, B3);
                steps[j]     = { b1, splat<0> (b), splat<0> (a), splat<0> (a2), splat<0> (c1) };
                steps[j + 1] = { B1, splat<1> (b), splat<1> (a), splat<1> (a2), splat<1> (c1) };
                steps[j + 2] = { B2, splat<2> (b), splat<2> (a), splat<2> (a2), splat<2> (c1) };
                steps[j + 3] = { B3, splat<3> (b), splat<3> (a), splat<3> (a2), splat<3> (c1) };
            }

            for (int j = 0; j < size; ++j)
            {
                const Step& k = steps[j];
                const int base = 4 * (first + j);

                // One stage: the sums over j < k of b a^(k-1-j) in[j] by two
                // doubling steps, the states after each input, and the stage
                // outputs m = s + c1 (in - s) from the states before it.
                auto stage = [&] (float& state, __m128 in)
                {
                    const __m128 sv = _mm_set1_ps (state);
                    const __m128 v = _mm_mul_ps (k.b, in);
                    const __m128 v1 = _mm_add_ps (v, _mm_mul_ps (k.a, shiftUp<1> (v)));
                    const __m128 sum = _mm_add_ps (v1, _mm_mul_ps (k.a2, shiftUp<2> (v1)));
                    const __m128 after = _mm_add_ps (sv, _mm_sub_ps (sum, _mm_mul_ps (k.B, sv)));
                    const __m128 before = _mm_move_ss (shiftUp<1> (after), sv);
                    state = lane<3> (after);
                    return _mm_add_ps (before, _mm_mul_ps (k.c1, _mm_sub_ps (in, before)));
                };

                const __m128 m1v = stage (s0, _mm_mul_ps (_mm_set1_ps (input12), _mm_loadu_ps (buffer + base)));
                m2v = stage (s1, m1v);
                _mm_storeu_ps (buffer + base, _mm_mul_ps (m2v, _mm_set1_ps (outGain)));
            }
        }

        st.s0 = s0; st.s1 = s1; st.out = lane<3> (m2v);
        st.kStore = K;
        return;
    }

    for (int n = 0; n < count; ++n)
    {
        const float G = g[n >> 2];

        // E (a) = ((a + 3)^2 + 3) / ((a - 3)^2 + 3) kept as numerator and
        // denominator: G1 = A / B and G2 = C / Dn.
        const float e0 = std::abs (s0 + bias12) * halfR;
        const float e1 = std::abs (s1 + bias12) * halfR;
        const float A = G * ((e0 + 3.0f) * (e0 + 3.0f) + 3.0f);
        const float B = (e0 - 3.0f) * (e0 - 3.0f) + 3.0f;
        const float C = A * ((e1 + 3.0f) * (e1 + 3.0f) + 3.0f);
        const float Dn = B * ((e1 - 3.0f) * (e1 - 3.0f) + 3.0f);

        // f = (E (|4 s0| q) - 1) 0.01 + 1, exactly 1 for q = 0.
        const float f = q == 0.0f ? 1.0f : (rationalExp (std::abs (4.0f * s0) * q) - 1.0f) * stretch12 + 1.0f;

        // d1 = B / S1 and d2 = Dn / S2; the loop equation times S1 S2.
        const float S1 = f * A + B;
        const float S2 = C + Dn;
        const float numerator = input12 * buffer[n] * S1 * S2 + K * Dn * (s0 * B - s1 * S1);
        const float denominator = S1 * S2 - K * A * Dn;

        // y = numerator / denominator, m1 = (A y + s0 B) / S1 and
        // m2 = (C m1 + s1 Dn) / S2; with G1 = A / B and G2 = C / Dn the steps
        //   s0 += 2 G1 (y - f m1) = 2 A (numerator - f s0 denominator) / (S1 denominator)
        //   s1 += 2 G2 (m1 - m2) = 2 C (M1 - s1 S1 denominator) / (S1 S2 denominator)
        // and m2 = (C M1 + s1 Dn S1 denominator) / (S1 S2 denominator), with
        // M1 = m1 S1 denominator, share one vector division.
        const float S1den = S1 * denominator;
        const float S12den = S1den * S2;
        const float M1 = A * numerator + (s0 * B) * denominator;
        const float s1S1den = s1 * S1den;
        const __m128 r = _mm_div_ps (_mm_setr_ps ((2.0f * A) * (numerator - (f * s0) * denominator),
                                                  (2.0f * C) * (M1 - s1S1den),
                                                  C * M1 + s1S1den * Dn, 0.0f),
                                     _mm_setr_ps (S1den, S12den, S12den, 1.0f));
        s0 += lane<0> (r);
        s1 += lane<1> (r);
        m2 = lane<2> (r);

        buffer[n] = m2 * outGain;
    }

    st.s0 = s0; st.s1 = s1; st.out = m2;
    st.kStore = K;
}

//==============================================================================
float QmLadderCore::plain24A (PlainState& s, float x, float G, float res, float) noexcept
{
    const auto T = tanhRatio;
    const float k = res * 5.0f * 2.0f / stageGain / stageGain / stageGain, u = x * 3.0f * 0.2f * 4.0f * 2.0f;
    const float t0 = T ((u - k * s.s3) * 0.5f * saturation24A), t1 = T (stageGain * s.s0 * saturation24A - bias24A);
    const float t2 = T (stageGain * s.s1 * saturation24A - bias24A), t3 = T (stageGain * s.s2 * saturation24A - bias24A);
    const float h = 1.0f / (G + 1.0f);
    const float a0 = t0 * G * h, a1 = t1 * G * h, a2 = t2 * G * h, a3 = t3 * G * h;
    const float b0 = s.s0 * h, b1 = s.s1 * h, b2 = s.s2 * h, b3 = s.s3 * h;

    // The loop solved for the first stage's input y, then the stages in turn.
    const float y = (-k * (stageGain * a3 * b2 + b3 + stageGain2 * a2 * a3 * b1 + stageGain3 * a1 * a2 * a3 * b0) - u)
                  / (1.0f + halfStageGain3 * k * a0 * a1 * a2 * a3);
    const float y1 = a0 * y + b0, y2 = stageGain * a1 * y1 + b1, y3 = stageGain * a2 * y2 + b2, y4 = stageGain * a3 * y3 + b3;

    s.s0 += (0.5f * t0 * y - y1) * 2.0f * G;
    s.s1 += (stageGain * t1 * y1 - y2) * 2.0f * G;
    s.s2 += (stageGain * t2 * y2 - y3) * 2.0f * G;
    s.s3 += (stageGain * t3 * y3 - y4) * 2.0f * G;
    return (float) ((k * 0.5f + 1.0f) * -y4 * inverseStageGain3 * 4 * outputLevel24A);
}

float QmLadderCore::plain18 (PlainState& s, float x, float G, float res, float fs4) noexcept
{
    const auto P = rationalRatio;
    const float H = 1.0f / (std::tan (feedbackHz18 * pi / fs4) + 1.0f), k = res * 5.0f;
    const float c = std::exp (-2.0f * pi * dcBlockHz18 / fs4), b0dc = (c + 1.0f) * 0.5f;
    const float u = (4.8f * x / 10.0f) * 2.0f * 0.25f * 2.0f - offset18;
    const float v = (u + s.xPrev) * 0.5f - k * s.s3 + bias18;
    s.xPrev = u;

    const float tin = P (v * v), t0 = P ((s.s0 - bias18) * (s.s0 - bias18));
    const float t2 = P ((s.s2 - bias18) * (s.s2 - bias18)), t3 = P ((s.s3 + bias18) * (s.s3 + bias18));
    const float d0 = 1.0f / (t0 * G + 1.0f), a0 = tin * G * d0, b0 = s.s0 * d0;
    const float d = 1.0f / (G + 1.0f), a1 = G * d, b1 = s.s1 * d, b2 = s.s2 * d;
    const float d3 = 1.0f / (t3 * G + 1.0f), a3 = t2 * G * d3, b3 = s.s3 * d3;
    const float y = (u - k * H * (a3 * b2 + b3 + a1 * a3 * b1 + a1 * a1 * a3 * b0)) / (1.0f + k * H * a0 * a1 * a1 * a3);
    const float y1 = a0 * y + b0, y2 = a1 * y1 + b1, y3 = a1 * y2 + b2, y4 = a3 * y3 + b3;

    s.s0 += (tin * y - t0 * y1) * 2.0f * G;
    s.s1 += (y1 - y2) * 2.0f * G;
    s.s2 += (y2 - y3) * 2.0f * G;
    s.s3 += (t2 * y3 - t3 * y4) * 2.0f * G;

    // The output through the 6 Hz high-pass.
    const float o = y4 * (k * 0.5f + 1.0f) * 4.0f * 0.1f * 9.0f * 0.5f + offset18;
    const float out = -b0dc * s.x1 + b0dc * o + c * s.y1;
    s.x1 = o;
    return s.y1 = out;
}

float QmLadderCore::plain24B (PlainState& s, float x, float G, float res, float) noexcept
{
    const auto T = tanhRatio;
    const float k = res * feedback24B * feedbackTrim24B, u = (res * 2.0f + 1.0f) * input24B * x, outGain = output24B / (res + 1.0f);
    const float t0 = T (u - k * s.s3 + s.s1), t1 = T ((s.s0 + s.s2) * 0.5f);
    const float t2 = T ((s.s1 + s.s3) * 0.5f), t3 = T (s.s2 * 0.5f * drive24B + bias24B);
    const float gg = speed24B * G, h = 1.0f / (gg + 1.0f);
    const float c0 = gg * t0 * h, c1 = gg * t1 * h, c2 = gg * t2 * h, c3 = gg * t3 * h;
    const float q0 = s.s0 * h, q1 = s.s1 * h, q2 = s.s2 * h, q3 = s.s3 * h;

    // The coupled loop solved by Cramer's rule.
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
    return (k * outputBoost24B + 1.0f) * y4 * outGain;
}

float QmLadderCore::plain12 (PlainState& s, float x, float G, float res, float q) noexcept
{
    const auto E = rationalExp;
    const float c = 1.0f - res * resonance12, R = 1.0f - c * c, K = R * feedback12;
    const float outGain = (1.0f / input12) / (q * 2.0f + 1.0f) / (res > softKnee12 ? (res - softKnee12) * 4.0f + 1.0f : 1.0f);
    const float f = (E (std::abs (4.0f * s.s0) * q) - 1.0f) * stretch12 + 1.0f;
    const float G1 = G * E (std::abs (s.s0 + bias12) * 0.5f * R), G2 = G1 * E (std::abs (s.s1 + bias12) * 0.5f * R);
    const float d1 = 1.0f / (f * G1 + 1.0f), c1 = G1 * d1, p1 = s.s0 * d1;
    const float d2 = 1.0f / (G2 + 1.0f), c2 = G2 * d2, p2 = s.s1 * d2;
    const float y = (input12 * x + K * ((1.0f - c2) * p1 - p2)) / (1.0f - K * c1 * (1.0f - c2));
    const float m1 = c1 * y + p1, m2 = c2 * m1 + p2;

    s.s0 += (y - f * m1) * G1 * 2.0f;
    s.s1 += (m1 - m2) * G2 * 2.0f;
    return m2 * outGain;
}
