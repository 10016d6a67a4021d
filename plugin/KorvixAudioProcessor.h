#pragma once

#include "QmMidiEvent.h"
#include "QmPresetClient.h"
#include "QmScopeFeed.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <memory>
#include <vector>

class QmBankManager;
class QmSynthEngine;

/** The object the host talks to: it exposes the engine's 44 parameters, turns
    the host's MIDI into engine events, renders blocks, keeps the meter's peak
    level, hands the host state to the bank manager and runs the editor's Init
    and Randomize commands. It is also the bank manager's view of the plug-in.

    The host's parameter calls use the framework's index-based operations,
    which the QmPresetClient operations of the same names share.
*/
class KorvixAudioProcessor : public juce::AudioProcessor,
                             public QmPresetClient,
                             private juce::Timer
{
public:
    KorvixAudioProcessor();
    ~KorvixAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override                     { return "Vorlan"; }
    /** A host's resume: the next block with samples, bypassed or not,
        starts from silence with no note held, as a new instance would. */
    void prepareToPlay (double, int) override;
    void releaseResources() override                                {}
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;

    /** Silence, while the engine plays on unheard; the first bypassed block
        releases every note. */
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    void reset() override                                           {}
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    const juce::String getInputChannelName (int channelIndex) const override   { return juce::String (channelIndex + 1); }
    const juce::String getOutputChannelName (int channelIndex) const override  { return juce::String (channelIndex + 1); }
    bool isInputChannelStereoPair (int) const override              { return true; }
    bool isOutputChannelStereoPair (int) const override             { return true; }

    double getTailLengthSeconds() const override                    { return 0.0; }
    bool acceptsMidi() const override                               { return true; }
    bool producesMidi() const override                              { return true; }

    /** The editor, made by the factory that the plug-in installs; the core
        itself knows no editor. */
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    using EditorFactory = juce::AudioProcessorEditor* (*) (KorvixAudioProcessor&);

    /** Installs the editor's factory, once, before any processor is made;
        prepare runs in every processor's constructor, so the editor's skin
        is read when the plug-in is created rather than when it opens. */
    static void setEditorFactory (EditorFactory factory, void (*prepare)()) noexcept;

    /** A user's gesture on parameter index, as the host sees it: begin,
        each change, end (BeginEdit, Automate, EndEdit in a VST 2 host). */
    void beginGesture (int index);
    void reportGestureChange (int index, float value);
    void endGesture (int index);

    //==============================================================================
    int getNumParameters() override;
    const juce::String getParameterName (int index) override;
    float getParameter (int index) override;
    const juce::String getParameterText (int index) override        { return {}; }
    void setParameter (int index, float value) override;

    int getNumPrograms() override                                   { return 1; }
    int getCurrentProgram() override                                { return 0; }
    void setCurrentProgram (int) override                           {}
    const juce::String getProgramName (int) override                { return {}; }
    void changeProgramName (int, const juce::String&) override      {}

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    /** The string properties ("currentBank", "currentPreset"). They are
        shared with the host's state calls, so every user holds the bank
        manager's lock (its own operations take it). */
    juce::HashMap<juce::String, juce::String>& getProperties() override;
    juce::String getPluginVersion() override                        { return "1.0.0"; }

    /** The editor's commands: 1 Init, 2 Randomize; others do nothing here. */
    void runCommand (int command);

    QmSynthEngine* getEngine() const noexcept                       { return engine.get(); }
    QmBankManager* getBankManager() const noexcept                  { return bankManager.get(); }

    /** The latest left output samples, for the editor's oscilloscope. */
    const QmScopeFeed& getScopeFeed() const noexcept                { return scopeFeed; }

    /** The peak magnitude the editor's meter shows; written by processBlock
        only, read by the editor's timer. */
    std::atomic<float> peakLevel { 0.0f };

    /** Turns one MIDI message into an engine event: note on and off (a note
        on with velocity 0 is a note off), controller and pitch wheel, on any
        channel. False for every other message. */
    static bool toEngineEvent (const juce::uint8* data, int numBytes, int position, QmMidiEvent& event) noexcept;

    /** The meter's next peak level after a block: the block's peak magnitude
        when it is higher (at most 5), else the old level decayed by 0.95. */
    static float nextPeakLevel (float peak, const float* samples, int numSamples) noexcept;

    /** Appends an event to a list that never grows beyond its capacity:
        when it is full, controllers and pitch bends are merged to the last
        value of each; notes keep their order and are never dropped while
        any controller is left to make room. */
    static void addEvent (std::vector<QmMidiEvent>& events, const QmMidiEvent& event) noexcept;

    /** The last stage of the output: samples within +-limitKnee pass
        untouched, larger ones bend smoothly towards +-limitCeiling. */
    static void limitOutput (float* samples, int numSamples) noexcept;
    static constexpr float limitKnee = 4.0f;
    static constexpr float limitCeiling = 8.0f;

    /** Events kept per host block. */
    static constexpr int maxEventsPerBlock = 4096;

    /** While set on the calling thread, a block of no samples fills its MIDI
        buffer with maxEventsPerBlock three-byte messages, in time linear in
        their number: whoever passed the buffer grows it, and whatever it
        sends the block's MIDI on in, for the fullest block. For the VST
        entry's sizing at a resume, off the audio thread. */
    static void setFillsEmptyBlocks (bool fill) noexcept;

    /** Host blocks up to this length go to the engine in one call, longer
        ones in chunks of chunkSamples. */
    static constexpr int maxSingleCallSamples = 4096;
    static constexpr int chunkSamples = 512;

private:
    /** Prints the engine's diagnostics, which the audio thread only records. */
    void timerCallback() override;

    /** Renders the block's events; false where the buffer has no stereo pair. */
    bool render (juce::AudioBuffer<float>& buffer);
    static void fillForSizing (juce::MidiBuffer& midi);
    /** The meter's level and the scope's samples, from the left channel. */
    void showOutput (const float* left, int numSamples) noexcept;
    void updateHostState();
    void collectEvents (const juce::MidiBuffer& midi);
    static void keepLastControllerValues (std::vector<QmMidiEvent>& events) noexcept;
    void renderChunked (float* left, float* right, int numSamples);

    std::unique_ptr<QmSynthEngine> engine;
    std::unique_ptr<QmBankManager> bankManager;
    std::vector<QmMidiEvent> blockEvents;
    std::vector<QmMidiEvent> chunkEvents;
    juce::HashMap<juce::String, juce::String> properties { 101 };
    bool notesReleasedForBypass = false;
    std::atomic<bool> silenceOnNextBlock { false };
    QmScopeFeed scopeFeed;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KorvixAudioProcessor)
};
