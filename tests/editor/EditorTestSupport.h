// Shared by the editor tests: the framework's GUI support for the whole test
// process, a small skin of the tests' own, painting into images and
// synthesised mouse gestures.
#pragma once

#include "SVGProvider.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace EditorTest
{
    /** The test skin, 300 x 200. Pictures are flat rectangles of one colour
        each, so single pixels tell which picture is drawn where. */
    inline const char* skinText()
    {
        return R"SVG(<svg xmlns="http://www.w3.org/2000/svg" width="300" height="200" viewBox="0 0 300 200">
  <rect id="background" x="0" y="0" width="300" height="200" fill="#204060"/>
  <g id="knob_40">
    <rect x="20" y="20" width="40" height="40" fill="#ff0000"/>
    <rect x="38" y="20" width="4" height="10" fill="#ffffff"/>
  </g>
  <g id="knob_1"><rect x="70" y="20" width="20" height="20" fill="#ff0000"/></g>
  <g id="slider_1"><rect x="70" y="100" width="10" height="10"/><rect x="70" y="100" width="10" height="4"/></g>
  <g id="knob_50"><rect x="0" y="0" width="10" height="10" fill="#ff0000"/></g>
  <g id="button_18">
    <rect x="100" y="20" width="30" height="20" fill="#000000"/>
    <rect x="100" y="20" width="30" height="20" fill="#00ff00"/>
  </g>
  <g id="button_7">
    <rect x="100" y="50" width="30" height="20" fill="#000000"/>
    <rect x="100" y="50" width="30" height="20" fill="#00ff00"/>
  </g>
  <g id="radio_42">
    <g id="octave_0"><rect x="150" y="20" width="18" height="18" fill="#000080"/><rect x="150" y="20" width="18" height="18" fill="#ffff00"/></g>
    <g id="octave_1"><rect x="170" y="20" width="18" height="18" fill="#000080"/><rect x="170" y="20" width="18" height="18" fill="#ffff00"/></g>
    <g id="octave_2"><rect x="190" y="20" width="18" height="18" fill="#000080"/><rect x="190" y="20" width="18" height="18" fill="#ffff00"/></g>
    <g id="octave_3"><rect x="210" y="20" width="18" height="18" fill="#000080"/><rect x="210" y="20" width="18" height="18" fill="#ffff00"/></g>
    <g id="octave_4"><rect x="230" y="20" width="18" height="18" fill="#000080"/><rect x="230" y="20" width="18" height="18" fill="#ffff00"/></g>
  </g>
  <g id="radio_3">
    <g><rect x="150" y="60" width="18" height="18" fill="#101010"/><rect x="150" y="60" width="18" height="18" fill="#ff00ff"/></g>
    <g><rect x="170" y="60" width="18" height="18" fill="#101010"/><rect x="170" y="60" width="18" height="18" fill="#ff00ff"/></g>
    <g><rect x="190" y="60" width="18" height="18" fill="#101010"/><rect x="190" y="60" width="18" height="18" fill="#ff00ff"/></g>
  </g>
  <g id="radio_5">
    <g><rect x="150" y="90" width="18" height="18" fill="#808080"/><rect x="150" y="90" width="18" height="18" fill="#00ffff"/></g>
    <g><rect x="170" y="90" width="18" height="18" fill="#808080"/><rect x="170" y="90" width="18" height="18" fill="#00ffff"/></g>
    <g><rect x="190" y="90" width="18" height="18" fill="#808080"/><rect x="190" y="90" width="18" height="18" fill="#00ffff"/></g>
  </g>
  <g id="radio_9"><g><rect x="150" y="120" width="18" height="18"/><rect x="150" y="120" width="18" height="18"/></g></g>
  <g id="slider_24">
    <rect x="30" y="100" width="10" height="80" fill="#303030"/>
    <rect x="25" y="172" width="20" height="8" fill="#ffa000"/>
  </g>
  <rect id="combo_0" x="200" y="150" width="50" height="20" fill="#333333"/>
  <g id="action_midilearning">
    <rect x="260" y="160" width="30" height="15" fill="#000000"/>
    <rect x="260" y="160" width="30" height="15" fill="#ff8000"/>
  </g>
  <g id="action_menu">
    <rect x="260" y="180" width="30" height="15" fill="#000000"/>
    <rect x="260" y="180" width="30" height="15" fill="#ffffff"/>
  </g>
</svg>)SVG";
    }

    /** The framework's GUI support for the whole process, started inside
        main (after the test HOME is set). */
    struct GuiEnvironment : ::testing::Environment
    {
        void SetUp() override       { gui = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
        void TearDown() override    { gui.reset(); }
        std::unique_ptr<juce::ScopedJuceInitialiser_GUI> gui;
    };

    inline juce::File writeSkin (const juce::String& text, const juce::String& name = "skin.svg")
    {
        auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("vorlan-editor-tests").getChildFile (name);
        file.getParentDirectory().createDirectory();
        file.replaceWithText (text);
        return file;
    }

    /** A provider over the test skin. */
    inline std::unique_ptr<SVGProvider> makeProvider (const juce::String& text = skinText())
    {
        return std::make_unique<SVGProvider> (writeSkin (text));
    }

    /** The component and its children painted at scale 1. */
    inline juce::Image paint (juce::Component& c)
    {
        juce::Image image (juce::Image::ARGB, juce::jmax (1, c.getWidth()), juce::jmax (1, c.getHeight()), true);
        juce::Graphics g (image);
        c.paintEntireComponent (g, true);
        return image;
    }

    inline juce::uint32 pixel (const juce::Image& image, int x, int y)
    {
        return image.getPixelAt (x, y).getARGB();
    }

    /** A synthesised mouse event on a component, in its own coordinates. */
    inline juce::MouseEvent mouseEvent (juce::Component& c, juce::Point<float> position, juce::Point<float> downPosition,
                                        int clicks = 1, bool dragged = false)
    {
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position,
                                 juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                 &c, &c, now, downPosition, now, clicks, dragged);
    }

    /** A drag of dy pixels (negative: up) from the middle of c. */
    inline void drag (juce::Component& c, float dy)
    {
        const auto start = c.getLocalBounds().getCentre().toFloat();
        c.mouseDown (mouseEvent (c, start, start));
        c.mouseDrag (mouseEvent (c, start.translated (0.0f, dy * 0.5f), start, 1, true));
        c.mouseDrag (mouseEvent (c, start.translated (0.0f, dy), start, 1, true));
        c.mouseUp (mouseEvent (c, start.translated (0.0f, dy), start, 1, true));
    }
}
