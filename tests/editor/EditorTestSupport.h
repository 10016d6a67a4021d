// Shared by the editor tests: a small skin of the tests' own, painting into
// images, synthesised mouse gestures and browser dialogs the test answers.
// GuiEnvironment.cpp starts the framework's GUI support for the whole process.
#pragma once

#include "BrowserDialogs.h"
#include "SVGProvider.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

namespace EditorTest
{
    /** 300 x 200; each picture a flat rectangle of one colour, so single
        pixels tell which picture is drawn where. Radio choices have no ids. */
    inline const char* skinText()
    {
        return R"SVG(<svg xmlns="http://www.w3.org/2000/svg" width="300" height="200">
  <rect id="background" x="0" y="0" width="300" height="200" fill="#204060"/>
  <g id="knob_40"><rect x="20" y="20" width="40" height="40" fill="#ff0000"/><rect x="38" y="20" width="4" height="10" fill="#ffffff"/></g>
  <g id="button_18"><rect x="100" y="20" width="30" height="20" fill="#000000"/><rect x="100" y="20" width="30" height="20" fill="#00ff00"/></g>
  <g id="radio_42">
    <g><rect x="150" y="20" width="18" height="18" fill="#000080"/><rect x="150" y="20" width="18" height="18" fill="#ffff00"/></g>
    <g><rect x="170" y="20" width="18" height="18" fill="#000080"/><rect x="170" y="20" width="18" height="18" fill="#ffff00"/></g>
    <g><rect x="190" y="20" width="18" height="18" fill="#000080"/><rect x="190" y="20" width="18" height="18" fill="#ffff00"/></g>
    <g><rect x="210" y="20" width="18" height="18" fill="#000080"/><rect x="210" y="20" width="18" height="18" fill="#ffff00"/></g>
    <g><rect x="230" y="20" width="18" height="18" fill="#000080"/><rect x="230" y="20" width="18" height="18" fill="#ffff00"/></g>
  </g>
  <g id="radio_3">
    <g><rect x="150" y="60" width="18" height="18" fill="#101010"/><rect x="150" y="60" width="18" height="18" fill="#ff00ff"/></g>
    <g><rect x="170" y="60" width="18" height="18" fill="#101010"/><rect x="170" y="60" width="18" height="18" fill="#ff00ff"/></g>
    <g><rect x="190" y="60" width="18" height="18" fill="#101010"/><rect x="190" y="60" width="18" height="18" fill="#ff00ff"/></g>
  </g>
  <g id="radio_9"><g><rect x="150" y="120" width="18" height="18"/><rect x="150" y="120" width="18" height="18"/></g></g>
  <g id="slider_24"><rect x="30" y="100" width="10" height="80" fill="#303030"/><rect x="25" y="172" width="20" height="8" fill="#ffa000"/></g>
  <rect id="combo_0" x="200" y="150" width="50" height="20" fill="#333333"/>
  <g id="action_midilearning"><rect x="260" y="160" width="30" height="15" fill="#000000"/><rect x="260" y="160" width="30" height="15" fill="#ff8000"/></g>
  <g id="action_menu"><rect x="260" y="180" width="30" height="15" fill="#000000"/><rect x="260" y="180" width="30" height="15" fill="#ffffff"/></g>
</svg>)SVG";
    }

    /** A provider over a skin text written to a file. Pictures are cached
        by element id: those of another skin, unused by now, go first. */
    inline std::unique_ptr<SVGProvider> makeProvider (const juce::String& text = skinText())
    {
        juce::ImageCache::releaseUnusedImages();
        auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("vorlan-editor-tests/skin.svg");
        file.getParentDirectory().createDirectory();
        file.replaceWithText (text);
        return std::make_unique<SVGProvider> (file);
    }

    /** The element with that id of a small SVG body, copied out as the skin
        provider hands it out. */
    inline std::unique_ptr<juce::Drawable> skinElement (const juce::String& svgBody, const juce::String& id)
    {
        const auto root = juce::Drawable::createFromSVG (*juce::parseXML ("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"600\">"
                                                                          + svgBody + "</svg>"));
        auto* element = dynamic_cast<juce::Drawable*> (SVGProvider::findElementById (root.get(), id));
        return element != nullptr ? element->createCopy() : nullptr;
    }

    /** The first component of that type under root that matches, depth first. */
    template <typename Type>
    Type* find (juce::Component& root, std::function<bool (Type&)> matches = [] (Type&) { return true; })
    {
        for (auto* c : root.getChildren())
        {
            if (auto* typed = dynamic_cast<Type*> (c); typed != nullptr && matches (*typed))
                return typed;
            if (auto* found = find<Type> (*c, matches))
                return found;
        }
        return nullptr;
    }

    inline juce::TextButton* buttonIn (juce::Component& root, const juce::String& text)
        { return find<juce::TextButton> (root, [&] (auto& b) { return b.getButtonText() == text; }); }

    /** The component and its children painted at scale 1. */
    inline juce::Image paint (juce::Component& c)
    {
        juce::Image image (juce::Image::ARGB, juce::jmax (1, c.getWidth()), juce::jmax (1, c.getHeight()), true);
        juce::Graphics g (image);
        c.paintEntireComponent (g, true);
        return image;
    }

    inline juce::uint32 pixel (const juce::Image& image, int x, int y)     { return image.getPixelAt (x, y).getARGB(); }

    inline void runMessages()   { juce::MessageManager::getInstance()->runDispatchLoopUntil (30); }

    /** Clicks a button the way the framework does, through its message. */
    inline void click (juce::Button& b)     { b.triggerClick(); runMessages(); }

    /** A synthesised left-button mouse event on c, in its own coordinates. */
    inline juce::MouseEvent mouseEvent (juce::Component& c, juce::Point<float> position, juce::Point<float> downPosition,
                                        int clicks = 1, bool dragged = false)
    {
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position,
                                 juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                 &c, &c, now, downPosition, now, clicks, dragged);
    }

    /** A drag of dy pixels (negative: up) from the middle of c, or from a
        point of it; released unless told otherwise. */
    inline void drag (juce::Component& c, float dy, bool release = true, std::optional<juce::Point<float>> from = {})
    {
        const auto start = from.value_or (c.getLocalBounds().getCentre().toFloat()), end = start.translated (0.0f, dy);
        c.mouseDown (mouseEvent (c, start, start));
        c.mouseDrag (mouseEvent (c, end, start, 1, true));
        if (release)
            c.mouseUp (mouseEvent (c, end, start, 1, true));
    }

    inline void doubleClick (juce::Component& c)
        { const auto centre = c.getLocalBounds().getCentre().toFloat(); c.mouseDoubleClick (mouseEvent (c, centre, centre, 2)); }

    /** Browser dialogs that wait until the test answers them. */
    struct Dialogs : BrowserDialogs
    {
        struct Question { juce::String title, message; juce::Component* associated; std::function<void (bool)> answer; };

        void confirm (const juce::String& title, const juce::String& message, juce::Component* associated, std::function<void (bool)> onResult) override
            { questions.push_back ({ title, message, associated, std::move (onResult) }); }

        void inform (const juce::String& title, const juce::String& message, juce::Component* c) override  { told.add (title + ": " + message); toldOn = c; }

        void chooseFile (const juce::String& title, const juce::File& folder, const juce::String& patterns, juce::Component* associated,
                         std::function<void (const juce::File&)> onChosen) override
            { chooserTitle = title + " " + folder.getFullPathName() + " " + patterns; chooserOn = associated; choose = std::move (onChosen); }

        /** Answers the oldest open question. */
        void answer (bool ok)
        {
            auto question = std::move (questions.front());
            questions.erase (questions.begin());
            question.answer (ok);
        }

        /** The oldest question's title and message, and the window it is centred on. */
        std::tuple<juce::String, juce::String, juce::Component*> asked() const
        {
            const auto& q = questions.front();
            return { q.title, q.message, q.associated != nullptr ? q.associated->getTopLevelComponent() : nullptr };
        }

        std::vector<Question> questions;
        juce::StringArray told;
        juce::Component* toldOn = nullptr;
        juce::String chooserTitle;
        juce::Component* chooserOn = nullptr;
        std::function<void (const juce::File&)> choose;
    };
}
