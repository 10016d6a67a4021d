// The plug-in factory the framework's VST wrapper calls from VSTPluginMain.
#include "KorvixAudioProcessor.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new KorvixAudioProcessor();
}
