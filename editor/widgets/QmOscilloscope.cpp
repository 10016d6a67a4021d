#include "QmOscilloscope.h"

#include "QmScopeFeed.h"

#include <cmath>

namespace
{
    /** A sample as drawn: non-finite as 0, clamped to -1..1. */
    float drawable (float sample) noexcept
    {
        return std::isfinite (sample) ? juce::jlimit (-1.0f, 1.0f, sample) : 0.0f;
    }
}

QmOscilloscope::QmOscilloscope (const juce::Drawable& element)
    : SkinnableComponent (element)
{
    initialise();
}

QmOscilloscope::~QmOscilloscope() = default;

void QmOscilloscope::initialise()
{
    buffer.assign (bufferSize, 0.0f);
    traceBuffer.assign (bufferSize, 0.0f);
    backgroundColour = juce::Colour (0x00000000);
    traceColour = juce::Colour (0xffadff2f);
    width = 400;
    sampleRate = 44100;
    frameRate = 30;
    samplesPerFrame = sampleRate / frameRate;
    refreshRequested = false;
    gain = 1.0f;
}

void QmOscilloscope::resized()
{
    const auto old = traceImage;
    traceImage = juce::Image (juce::Image::RGB, juce::jmax (getWidth(), 1), juce::jmax (getHeight(), 1), true);
    traceImage.clear (traceImage.getBounds(), juce::Colour (0xff000000));

    // The last picture stays, stretched, until the next paint.
    if (old.isValid())
        traceImage = old.rescaled (traceImage.getWidth(), traceImage.getHeight());
}

void QmOscilloscope::paint (juce::Graphics& g)
{
    if (! traceImage.isValid())
        resized();

    traceImage.clear (traceImage.getBounds(), backgroundColour);

    {
        juce::Graphics trace (traceImage);
        trace.setColour (traceColour);

        const auto half = (float) (getHeight() / 2);
        auto prev = half - half * drawable (traceBuffer[0]);

        // One column per sample, never past the buffer's end.
        const auto columns = juce::jmin (getWidth() - 1, (int) traceBuffer.size());

        for (int x = 0; x < columns; ++x)
        {
            const auto y = (float) (int) (half - half * drawable (traceBuffer[(size_t) x]));
            const auto top = juce::jmin (prev, y);
            const auto bottom = juce::jmax (prev, y);
            trace.fillRect ((float) x, top, 1.0f, bottom - top + 1.0f);
            prev = y;
        }
    }

    g.drawImageAt (traceImage, 0, 0);
}

void QmOscilloscope::showLatest (const QmScopeFeed& feed)
{
    const auto total = feed.getTotalWritten();

    if (total == samplesSeen)
        return;

    samplesSeen = total;
    width = juce::jlimit (1, bufferSize, getWidth());

    // One column every stride samples, so the trace spans traceSeconds at any rate.
    const auto stride = juce::jmax (1, juce::roundToInt (feed.getSampleRate() * traceSeconds / width));
    const auto span = juce::jmin (width * stride, bufferSize - triggerSpan);
    const auto count = feed.readLatest (buffer.data(), span + triggerSpan);

    for (int i = 0; i < count; ++i)
        if (! std::isfinite (buffer[(size_t) i]))
            buffer[(size_t) i] = 0.0f;

    // The last rising zero crossing with a whole trace after it; without one,
    // the newest samples.
    auto start = juce::jmax (0, count - span);

    for (int i = start; i > 0; --i)
    {
        if (buffer[(size_t) i - 1] < 0.0f && buffer[(size_t) i] >= 0.0f)
        {
            start = i;
            break;
        }
    }

    const auto length = juce::jmin (width, (count - start + stride - 1) / stride);
    const auto sampleAt = [&] (int column) { return buffer[(size_t) (start + column * stride)]; };
    float peak = 0.0f;

    for (int i = 0; i < length; ++i)
        peak = juce::jmax (peak, std::abs (sampleAt (i)));

    gain = peak > silence ? 0.9f / peak : 1.0f;

    for (int i = 0; i < length; ++i)
        traceBuffer[(size_t) i] = drawable (sampleAt (i) * gain);

    std::fill (traceBuffer.begin() + juce::jmax (0, length), traceBuffer.begin() + width, 0.0f);

    sampleRate = feed.getSampleRate();
    refreshRequested = true;
}

void QmOscilloscope::refreshIfRequested()
{
    if (! refreshRequested)
        return;

    samplesPerFrame = sampleRate / juce::jmax (1, frameRate);
    refreshRequested = false;
    repaint();
}
