#pragma once

class QmBlep;

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

/** Reduces any phase into [0, 1). */
float qmWrapPhase (float phase);
