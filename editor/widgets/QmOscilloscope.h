#pragma once

#include "SkinnableComponent.h"

#include <vector>

class QmScopeFeed;

/** The waveform display: one sample per pixel column, +1 at the top edge and
    -1 at the bottom, drawn into an image of its own size.

    The editor's timer feeds it from the processor's output ring (showLatest)
    and redraws it when new samples came (refreshIfRequested). Its frame rate
    sets the timer's period. The skin element only gives its place and its
    background colour; it is not drawn.
*/
class QmOscilloscope : public juce::Component,
                       public SkinnableComponent
{
public:
    explicit QmOscilloscope (const juce::Drawable& element);
    ~QmOscilloscope() override;

    /** Back to the defaults: zeroed buffers, 44100 Hz, 30 frames a second. */
    void initialise();

    void resized() override;
    void paint (juce::Graphics& g) override;

    /** Takes the newest samples of the feed when it has new ones, one
        column every few samples so the trace spans traceSeconds: the trace
        starts at the last rising zero crossing that leaves a full trace
        behind it (so a held note stands still), scaled so its peak reaches
        0.9 and clamped to -1..1; sets the sample rate and asks for a refresh.
        Message thread. */
    void showLatest (const QmScopeFeed& feed);

    /** The editor's timer: when a refresh was asked for, updates the samples
        per frame and repaints. */
    void refreshIfRequested();

    void setBackgroundColour (juce::Colour colour)          { backgroundColour = colour; }
    void setTraceColour (juce::Colour colour)               { traceColour = colour; }

    int getFrameRate() const noexcept                       { return frameRate; }
    int getSampleRate() const noexcept                      { return sampleRate; }
    int getSamplesPerFrame() const noexcept                 { return samplesPerFrame; }
    bool isRefreshRequested() const noexcept                { return refreshRequested; }
    float getGain() const noexcept                          { return gain; }

    /** The samples paint draws, one per column. */
    std::vector<float>& getTraceBuffer() noexcept           { return traceBuffer; }
    const juce::Image& getTraceImage() const noexcept       { return traceImage; }

    static constexpr int bufferSize = 44100;

    /** Samples searched for a rising zero crossing before the trace: about
        one period of the lowest note at the usual rates. */
    static constexpr int triggerSpan = 2048;

    /** The time the trace spans: a few periods of a bass note. */
    static constexpr double traceSeconds = 0.04;

    /** Quieter than this the data is drawn as it is: flat, not blown up. */
    static constexpr float silence = 1.0e-3f;

private:
    std::vector<float> buffer;
    std::vector<float> traceBuffer;
    juce::Image traceImage;
    juce::Colour backgroundColour { 0x00000000 };
    juce::Colour traceColour { 0xffadff2f };
    int width = 400;
    int sampleRate = 44100;
    int frameRate = 30;
    int samplesPerFrame = 1470;
    bool refreshRequested = false;
    float gain = 1.0f;
    juce::uint64 samplesSeen = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QmOscilloscope)
};
