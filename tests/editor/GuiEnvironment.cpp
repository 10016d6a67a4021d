#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    /** The framework's GUI support for the whole process, started inside
        main (after the test HOME is set). */
    struct GuiEnvironment : ::testing::Environment
    {
        void SetUp() override       { gui = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
        void TearDown() override    { gui.reset(); }
        std::unique_ptr<juce::ScopedJuceInitialiser_GUI> gui;
    };

    auto* const environment = ::testing::AddGlobalTestEnvironment (new GuiEnvironment());
}
