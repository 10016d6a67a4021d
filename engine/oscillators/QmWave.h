#pragma once

#include "QmBlep.h"

#include <cmath>

/** A corner of a wave: a phase at which its value jumps or its slope changes. */
struct QmWaveCorner
{
    float position;
    float slopeBefore;
    float slopeAfter;
    float valueBefore;
    float valueAfter;
};

/** One periodic waveform shape over a phase in [0, 1).

    Besides its value and slope a wave lists its corners, so that a renderer
    can band-limit every jump and bend that a sample steps over.
*/
class QmWave
{
public:
    QmWave() = default;
    virtual ~QmWave();

    virtual float value (float phase) = 0;
    virtual float slope (float phase) = 0;

    /** Adds the corrections of one sample of this wave into the corrector and
        returns the naive value at the end of the sample times the amplitude.
        sync < 0 means no sync; otherwise it is the fraction of the sample that
        elapsed before the phase was reset to 0.
    */
    float renderBandLimited (QmBlep& corrector, float phase, float increment,
                             float amplitude, float sync);

    static constexpr int maxCorners = 10;

    int cornerCount = 0;
    QmWaveCorner* corners[maxCorners] = {};

protected:
    QmWaveCorner* addCorner (float position, float slopeBefore, float slopeAfter,
                             float valueBefore, float valueAfter);
    void addCorners (const QmWaveCorner* table, int count);

private:
    QmWave (const QmWave&) = delete;
    QmWave& operator= (const QmWave&) = delete;
};

/** Reduces any phase into [0, 1): the phase minus its floor, where a tiny
    negative phase rounds up to exactly 1 (made 0); a NaN stays one, to be reported. */
inline float qmWrapPhasePlain (float phase)
{
    const float p = phase - std::floor (phase);
    return p >= 1.0f ? 0.0f : p;
}

/** qmWrapPhase's result, by shortcuts for the common cases. */
inline float qmWrapPhase (float phase)
{
    // nearly every phase is in range already; adding 0 turns -0 into 0 as the floor path does
    if (phase >= 0.0f && phase < 1.0f)
        return phase + 0.0f;

    // below 2^23 the truncation is the floor, and the difference exact
    if (phase >= 1.0f && phase < 8388608.0f)
        return phase - (float) (int) phase;

    return qmWrapPhasePlain (phase);
}

/** Adds the step and ramp of a corner that a sample of increment d and amplitude g
    crossed, a fraction f of the sample ago. Out of line: corners are rare. */
void qmCorrectCorner (QmBlep& corrector, const QmWaveCorner& corner, float f, float d, float g);

/** The stretch between two neighbouring corner positions (of a wave's
    positions and those plus 1) that holds a phase. A sample that starts and
    ends inside it crosses no corner; it stays valid while the corners stay put.
*/
struct QmCornerGap
{
    float low = 1.0f, high = 0.0f;     // empty: holds nothing

    bool holds (float p, float q) const noexcept { return p >= low && p <= high && q >= low && q <= high; }

    /** The stretch around the phase, or an empty one for a phase that is not a number. */
    void find (const QmWave& wave, float phase) noexcept;
};

/** QmWave::renderBandLimited for a wave whose type is known where it is called,
    so that its value function inlines. With a gap, a sample inside it skips the
    corner tests (whose products could not be negative there); the gap then moves
    to wherever the sample ended. */
template <typename Shape>
inline float qmRenderBandLimited (Shape& wave, QmBlep& corrector, float p, float d, float g, float s,
                                  QmCornerGap* gap = nullptr)
{
    if (s < 0.0f)
    {
        const float q = p + d;

        if (gap != nullptr && gap->holds (p, q))
            return wave.value (qmWrapPhase (q)) * g;

        for (int i = 0; i < wave.cornerCount; ++i)
        {
            const QmWaveCorner& c = *wave.corners[i];

            for (int k = 0; k < 2; ++k)
            {
                const float position = k == 0 ? c.position : (float) ((double) c.position + 1.0);

                if ((p - position) * (q - position) < 0.0f)
                    qmCorrectCorner (corrector, c, (q - position) / d, d, g);
            }
        }

        const float end = qmWrapPhase (q);
        if (gap != nullptr)
            gap->find (wave, end);

        return wave.value (end) * g;
    }

    // hard sync: the phase is reset to 0 at the time s inside the sample
    const float ps = qmWrapPhase (d * s + p);
    const float r = (float) (1.0 - (double) s);

    corrector.addStep (r, (wave.value (0.0f) - wave.value (ps)) * g);
    // same scale as a corner: a slope change D per sample is an amount of -D / 4
    corrector.addRamp (r, (float) (-0.25 * (double) (wave.slope (0.0f) - wave.slope (ps)) * d * g));

    // an increment above one cycle carries the slave past its cycle's end
    return wave.value (qmWrapPhase ((float) ((double) d * (1.0 - (double) s)))) * g;
}
