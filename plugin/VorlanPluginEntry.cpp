// The plug-in's entry points: the factory the framework's VST wrapper calls
// (the processor, with the skinned editor's factory installed), and
// VSTPluginMain, which hands the host the wrapper's effect with its MIDI
// buffers sized at each resume and behind the block guard. The wrapper's own
// entry is compiled as juceVSTPluginMain.
#include "KorvixAudioProcessor.h"
#include "KorvixAudioProcessorEditor.h"
#include "VstBlockGuard.h"
#include "VstMidiBufferSizer.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    KorvixAudioProcessor::setEditorFactory (&KorvixAudioProcessorEditor::create, &KorvixAudioProcessorEditor::prepare);
    return new KorvixAudioProcessor();
}

extern "C" AEffect* juceVSTPluginMain (audioMasterCallback host);
extern "C" __attribute__ ((visibility ("default"))) AEffect* VSTPluginMain (audioMasterCallback host);

AEffect* VSTPluginMain (audioMasterCallback host)
{
    auto* effect = VstMidiBufferSizer::createEffect (host, &juceVSTPluginMain);
    VstBlockGuard::install (effect);
    return effect;
}
