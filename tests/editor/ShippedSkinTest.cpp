// The skin, pictures and help page that ship in resources/: the skin, parsed
// by the framework's importer, holds a control of the right kind for every
// parameter with the children its widget reads, and every fixed element.
#include "EditorTestSupport.h"
#include "KorvixAudioProcessor.h"
#include "KorvixAudioProcessorEditor.h"
#include "QmParameter.h"
#include "QmSynthEngine.h"

#include <map>
#include <set>

namespace
{
    juce::File resourceFile (const char* path)     { return juce::File (VORLAN_RESOURCES_DIR).getChildFile (path); }

    juce::Drawable* child (juce::Component& c, int index)   { return dynamic_cast<juce::Drawable*> (c.getChildComponent (index)); }

    // The text of the <title> that labels the SVG element with this id.
    juce::String titleOf (const juce::XmlElement& e, const juce::String& id)
    {
        if (auto* title = e.getChildByName ("title"); title != nullptr && e.getStringAttribute ("id") == id)
            return title->getAllSubText();

        juce::String text;
        for (auto* c : e.getChildIterator())
            text = text.isEmpty() ? titleOf (*c, id) : text;
        return text;
    }

    void collectIds (juce::Component& c, std::multiset<juce::String>& ids)
    {
        if (c.getComponentID().isNotEmpty())
            ids.insert (c.getComponentID());
        for (auto* grandchild : c.getChildren())
            collectIds (*grandchild, ids);
    }

    // Two children, off and on, each drawn over the whole element.
    void expectOffOnPair (juce::Drawable& e)
    {
        ASSERT_EQ (e.getNumChildComponents(), 2) << e.getComponentID();
        for (int k = 0; k < 2; ++k)
        {
            ASSERT_NE (child (e, k), nullptr) << e.getComponentID();
            EXPECT_TRUE (child (e, k)->getDrawableBounds().expanded (0.01f).contains (e.getDrawableBounds())) << e.getComponentID();
            EXPECT_TRUE (e.getDrawableBounds().expanded (0.01f).contains (child (e, k)->getDrawableBounds())) << e.getComponentID();
        }
    }

    struct ShippedSkin : ::testing::Test
    {
        static void SetUpTestSuite()
        {
            xml = juce::XmlDocument (resourceFile ("skin/skin.svg")).getDocumentElement();
            root = xml != nullptr ? juce::Drawable::createFromSVG (*xml) : nullptr;
            if (root != nullptr)
                collectIds (*root, ids);
        }

        static void TearDownTestSuite()     { root.reset(); xml.reset(); ids.clear(); }

        void SetUp() override               { ASSERT_NE (root, nullptr); }

        static juce::Drawable* element (const juce::String& id)   { return dynamic_cast<juce::Drawable*> (root->findChildWithID (id)); }

        static inline std::unique_ptr<juce::XmlElement> xml;
        static inline std::unique_ptr<juce::Drawable> root;
        static inline std::multiset<juce::String> ids;
    };
}

TEST_F (ShippedSkin, EveryParameterHasItsControlWhereTheEditorPutsItEveryFixedElementItsPlaceAndLabelsStandClear)
{
    KorvixAudioProcessor processor;
    SVGProvider shipped (resourceFile ("skin/skin.svg"));
    KorvixAudioProcessorEditor editor (processor, &shipped);     // its size: the window test

    // A fault in one parameter's control ends only that parameter's checks.
    const auto checkParameter = [&] (int i)
    {
        const auto& p = *processor.getEngine()->parameters[i];
        const auto index = juce::String (i);
        SCOPED_TRACE ("parameter " + index + " " + p.getName());

        juce::String id;
        for (auto kind : { "knob_", "button_", "combo_", "radio_", "slider_" })
            if (ids.count (kind + index) > 0)
                id = id.isEmpty() ? kind + index : "twice";
        ASSERT_TRUE (id.isNotEmpty());
        ASSERT_NE (id, "twice");
        EXPECT_EQ (titleOf (*xml, id), juce::String (p.getName()));
        auto& e = *element (id);
        const auto b = e.getDrawableBounds();
        ASSERT_NE (editor.getWidgetFor (i), nullptr);
        EXPECT_EQ (editor.getWidgetFor (i)->getBounds(), e.getBounds());

        // A, D, S and R are faders; every other continuous parameter is a knob.
        if (p.steps == 0 && i >= QmParam::envA && i <= QmParam::envR)
        {
            // Child 0 the track, child 1 the thumb at the bottom of its travel.
            ASSERT_TRUE (id.startsWith ("slider_")) << id;
            ASSERT_NE (child (e, 0), nullptr);
            ASSERT_NE (child (e, 1), nullptr);
            EXPECT_NEAR (child (e, 1)->getDrawableBounds().getBottom(), b.getBottom(), 0.01f);
        }
        else if (p.steps == 0)
        {
            // Turned about its centre: a round knob fills a square.
            EXPECT_TRUE (id.startsWith ("knob_")) << id;
            EXPECT_NEAR (b.getWidth(), b.getHeight(), 0.01f);
            EXPECT_GE (b.getWidth(), 30.0f);
        }
        else if (p.steps == 2)
        {
            EXPECT_TRUE (id.startsWith ("button_"));
            expectOffOnPair (e);
        }
        else if (p.steps <= 5)
        {
            ASSERT_TRUE (id.startsWith ("radio_")) << id;
            ASSERT_EQ (e.getNumChildComponents(), p.steps);
            for (int k = 0; k < p.steps; ++k)
            {
                auto* choice = child (e, k);
                EXPECT_EQ (choice->getComponentID(), id + "_" + juce::String (k));
                EXPECT_EQ (titleOf (*xml, choice->getComponentID()), juce::String (p.getOptionText (k)));
                expectOffOnPair (*choice);
                for (int other = 0; other < k; ++other)
                    EXPECT_FALSE (child (e, other)->getDrawableBounds().intersects (choice->getDrawableBounds()));
            }
        }
        else
        {
            ASSERT_TRUE (id.startsWith ("combo_")) << id;
            ASSERT_LE (p.steps, 7);
            for (auto cellId : { "cell", "cell_selected" })
            {
                auto* cell = dynamic_cast<juce::Drawable*> (e.findChildWithID (cellId));
                ASSERT_NE (cell, nullptr) << cellId;
                EXPECT_TRUE (b.contains (cell->getDrawableBounds())) << cellId;
                EXPECT_GE (cell->getDrawableBounds().getHeight(), 18.0f) << cellId;
            }
        }
    };
    for (int i = 0; i < QmParam::count; ++i)
        checkParameter (i);

    // The fixed elements.
    const auto panel = element ("background")->getBounds();
    EXPECT_TRUE (panel.getPosition().isOrigin()) << panel.toString();
    EXPECT_LE (panel.getWidth(), 1000);
    EXPECT_LE (panel.getHeight(), 620);

    auto* meter = element ("vmeter");
    ASSERT_NE (meter, nullptr);
    ASSERT_EQ (meter->getNumChildComponents(), 3);
    for (int k = 0; k < 3; ++k)
        ASSERT_NE (child (*meter, k), nullptr) << k;
    EXPECT_TRUE (child (*meter, 0)->getDrawableBounds().contains (child (*meter, 1)->getDrawableBounds()));

    auto* scope = dynamic_cast<juce::DrawableShape*> (element ("oscilloscope"));
    ASSERT_NE (scope, nullptr);
    EXPECT_TRUE (scope->getFill().isColour());
    EXPECT_TRUE (scope->getFill().colour.isOpaque()) << scope->getFill().colour.toDisplayString (true);

    // The screen draws its text at (45, -1, 150, 30) and its arrows at y 7.
    auto* screen = element ("screen");
    ASSERT_NE (screen, nullptr);
    EXPECT_GE (screen->getWidth(), 195);
    EXPECT_GE (screen->getHeight(), 26);

    for (auto id : { "action_midilearning", "action_menu" })
        expectOffOnPair (*element (id));

    // Every widget lies on the panel, and none covers another; ids are unique.
    const auto& widgets = root->getChildren();
    ASSERT_EQ (widgets[0]->getComponentID(), "background");
    for (int a = 1; a < widgets.size(); ++a)
    {
        EXPECT_TRUE (panel.contains (widgets[a]->getBounds())) << widgets[a]->getComponentID();
        for (int b = 1; b < a; ++b)
            EXPECT_FALSE (widgets[a]->getBounds().intersects (widgets[b]->getBounds())) << widgets[a]->getComponentID() << " " << widgets[b]->getComponentID();
    }

    for (auto& id : ids)
        EXPECT_TRUE (ids.count (id) == 1 || id.startsWith ("cell")) << id;

    // No text, pictures, references or hidden parts the importer mishandles.
    std::function<void (const juce::XmlElement&)> check = [&] (const juce::XmlElement& e)
    {
        EXPECT_FALSE (juce::StringArray ({ "text", "tspan", "image", "use", "style" }).contains (e.getTagNameWithoutNamespace()));
        for (int a = 0; a < e.getNumAttributes(); ++a)
        {
            const auto name = e.getAttributeName (a), value = e.getAttributeValue (a);
            EXPECT_FALSE (name != "xmlns" && (value.contains ("://") || value.containsIgnoreCase ("data:") || name.contains ("href"))) << name << "=" << value;
            EXPECT_FALSE (name == "display" && value == "none");
        }
        for (auto* c : e.getChildIterator())
            check (*c);
    };
    check (*xml);

    // The background's art: group panels (their edge colour), scale ticks
    // (stroked lines) and texts (filled in the label or title colour).
    std::vector<juce::Rectangle<float>> panels, ticks, texts;
    for (auto* c : element ("background")->getChildren())
    {
        auto* shape = dynamic_cast<juce::DrawableShape*> (c);
        if (shape == nullptr)
            continue;
        const auto fill = shape->getFill().colour.getARGB();
        if (shape->getStrokeType().getStrokeThickness() > 0.0f && ! shape->getStrokeFill().colour.isTransparent())
            ticks.push_back (shape->getDrawableBounds());
        else if (fill == 0xff35373c)
            panels.push_back (shape->getDrawableBounds());
        else if (fill == 0xffd3d6db || fill == 0xfff0b35c)
            texts.push_back (shape->getDrawableBounds());
    }
    ASSERT_GT (panels.size(), 8u);
    ASSERT_GT (ticks.size(), 250u);
    ASSERT_GT (texts.size(), 40u);

    const auto gap = [] (juce::Rectangle<float> a, juce::Rectangle<float> b)
    {
        const auto dx = juce::jmax (0.0f, b.getX() - a.getRight(), a.getX() - b.getRight());
        const auto dy = juce::jmax (0.0f, b.getY() - a.getBottom(), a.getY() - b.getBottom());
        return std::hypot (dx, dy);
    };

    for (auto& tick : ticks)
    {
        for (auto& text : texts)
            EXPECT_GE (gap (tick, text), 3.5f) << "text at " << text.toString() << ", tick at " << tick.toString();

        auto panel = std::find_if (panels.begin(), panels.end(), [&] (auto& p) { return p.contains (tick); });
        ASSERT_NE (panel, panels.end()) << tick.toString();
        const auto margin = juce::jmin (juce::jmin (tick.getX() - panel->getX(), panel->getRight() - tick.getRight()),
                                        juce::jmin (tick.getY() - panel->getY(), panel->getBottom() - tick.getBottom()));
        EXPECT_GE (margin, 6.0f) << tick.toString();
    }
}

TEST (ShippedPictures, DecodeAtTheSizesTheEditorDrawsThem)
{
    std::map<juce::String, double> ink;
    for (auto [path, width, height] : { std::tuple ("arrow.png", 14, 12), { "search.png", 18, 18 },
                                        { "fav-checked@2.png", 18, 18 }, { "fav-unchecked@2.png", 18, 18 } })
    {
        auto image = juce::ImageFileFormat::loadFrom (resourceFile ("buttons_faders").getChildFile (path));
        ASSERT_TRUE (image.isValid()) << path;
        ASSERT_TRUE (image.hasAlphaChannel()) << path;
        EXPECT_EQ (std::pair (image.getWidth(), image.getHeight()), std::pair (width, height)) << path;

        double left = 0, right = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                (x < image.getWidth() / 2 ? left : right) += image.getPixelAt (x, y).getFloatAlpha();
        ink[path] = left + right;
        EXPECT_GT (left + right, 10.0) << path;

        // The arrow points left: the screen turns it for the right one.
        if (juce::String (path) == "arrow.png")
            EXPECT_GT (right, left * 1.5);
    }
    EXPECT_GT (ink["fav-checked@2.png"], ink["fav-unchecked@2.png"] * 1.3);
}

TEST (ShippedHelp, TheHelpPageAndReadmeNameTheKeysAndTheControlsTheEngineLeavesUnwired)
{
    const auto help = resourceFile ("plugins/vorlan/help.html");
    for (auto needle : { "<html", "Ctrl", "MIDI learn", "Banks", "midimapper.mrb", "</html>" })
        EXPECT_TRUE (help.loadFileAsString().contains (needle)) << needle;

    KorvixAudioProcessor processor;
    std::vector<int> unwired;
    for (int i = 0; i < QmParam::count; ++i)
        if (processor.getEngine()->parameters[i]->inputs.empty())
            unwired.push_back (i);
    EXPECT_EQ (unwired, (std::vector<int> { QmParam::modulatorMode, QmParam::lpfWheel, QmParam::shaperType,
                                            QmParam::shaperDriveQ, QmParam::paramsMode }));

    const auto readme = juce::File (VORLAN_RESOURCES_DIR).getParentDirectory().getChildFile ("README.md");
    for (auto file : { help, readme })
    {
        auto text = file.loadFileAsString().replace ("\n", " ");
        while (text.contains ("  "))
            text = text.replace ("  ", " ");
        const auto unwiredSentence = text.fromFirstOccurrenceOf ("Five controls have no effect on the sound", false, false)
                                         .upToFirstOccurrenceOf (".", false, false);
        for (auto name : { "modulator's Mode", "shaper's Type and Drive Q", "low-pass filter's Wheel", "Params Mode" })
            EXPECT_TRUE (unwiredSentence.contains (name)) << file.getFileName() << ": " << name;
        for (auto claim : { "octave below concert pitch", "A4 (MIDI note 69) plays 220", "second oscillator only", "cannot be MIDI-learnt" })
            EXPECT_TRUE (text.contains (claim)) << file.getFileName() << ": " << claim;
    }
}
