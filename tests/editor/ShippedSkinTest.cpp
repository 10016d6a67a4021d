// The skin, pictures and help page that ship in resources/: the skin parsed
// by the framework's SVG importer holds a control of the right kind for every
// parameter, with the children its widget reads, and every fixed element.
#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "QmParameter.h"
#include "QmSynthEngine.h"

#include <map>
#include <memory>
#include <set>

namespace
{
juce::File resourceFile (const char* relativePath)
{
    return juce::File (VORLAN_RESOURCES_DIR).getChildFile (relativePath);
}

juce::Drawable* drawableChild (juce::Component& c, int index)
{
    return dynamic_cast<juce::Drawable*> (c.getChildComponent (index));
}

juce::Rectangle<float> boundsOf (juce::Component* c)
{
    auto* d = dynamic_cast<juce::Drawable*> (c);
    return d != nullptr ? d->getDrawableBounds() : juce::Rectangle<float>();
}

bool sameBounds (juce::Rectangle<float> a, juce::Rectangle<float> b)
{
    return std::abs (a.getX() - b.getX()) < 0.01f && std::abs (a.getY() - b.getY()) < 0.01f
        && std::abs (a.getWidth() - b.getWidth()) < 0.01f && std::abs (a.getHeight() - b.getHeight()) < 0.01f;
}

// The text of the <title> that labels the SVG element with this id.
juce::String titleOf (const juce::XmlElement& e, const juce::String& id)
{
    if (e.getStringAttribute ("id") == id)
        if (auto* title = e.getChildByName ("title"))
            return title->getAllSubText();

    for (auto* child : e.getChildIterator())
        if (auto text = titleOf (*child, id); text.isNotEmpty())
            return text;

    return {};
}

void collectIds (juce::Component& c, std::multiset<juce::String>& ids)
{
    if (c.getComponentID().isNotEmpty())
        ids.insert (c.getComponentID());

    for (auto* child : c.getChildren())
        collectIds (*child, ids);
}

class ShippedSkin : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        gui = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
        xml = juce::XmlDocument (resourceFile ("skin/skin.svg")).getDocumentElement();
        ASSERT_NE (xml, nullptr);
        root = juce::Drawable::createFromSVG (*xml);
        ASSERT_NE (root, nullptr);
        engine = std::make_unique<QmSynthEngine>();
    }

    static void TearDownTestSuite()
    {
        engine.reset();
        root.reset();
        xml.reset();
        gui.reset();
    }

    static juce::Drawable* element (const juce::String& id)
    {
        return dynamic_cast<juce::Drawable*> (root->findChildWithID (id));
    }

    // The widget elements are the top-level siblings of the background.
    static std::vector<juce::Drawable*> widgets()
    {
        std::vector<juce::Drawable*> result;
        for (auto* c : root->getChildren())
            if (auto* d = dynamic_cast<juce::Drawable*> (c); d != nullptr && d->getComponentID() != "background")
                result.push_back (d);
        return result;
    }

    static inline std::unique_ptr<juce::ScopedJuceInitialiser_GUI> gui;
    static inline std::unique_ptr<juce::XmlElement> xml;
    static inline std::unique_ptr<juce::Drawable> root;
    static inline std::unique_ptr<QmSynthEngine> engine;
};

void expectOffOnPair (juce::Drawable& e, const juce::String& what)
{
    ASSERT_EQ (e.getNumChildComponents(), 2) << what;
    auto* off = drawableChild (e, 0);
    auto* on = drawableChild (e, 1);
    ASSERT_TRUE (off != nullptr && on != nullptr) << what;
    // The widget rasterises each child into the element's area.
    EXPECT_TRUE (sameBounds (off->getDrawableBounds(), e.getDrawableBounds())) << what;
    EXPECT_TRUE (sameBounds (on->getDrawableBounds(), e.getDrawableBounds())) << what;
}
}

TEST_F (ShippedSkin, EveryParameterHasOneControlOfItsKind)
{
    // A, D, S and R are faders; every other continuous parameter is a knob.
    const auto isFader = [] (int i) { return i >= QmParam::envA && i <= QmParam::envR; };

    std::multiset<juce::String> ids;
    collectIds (*root, ids);

    for (int i = 0; i < QmParam::count; ++i)
    {
        const auto* p = engine->parameters[i];
        const auto steps = p->steps;
        const auto index = juce::String (i);
        SCOPED_TRACE ("parameter " + index + " " + p->getName());

        int found = 0;
        for (auto kind : { "knob_", "button_", "combo_", "radio_", "slider_" })
        {
            found += (int) ids.count (kind + index);
            if (ids.count (kind + index) > 0)
                EXPECT_EQ (titleOf (*xml, kind + index), juce::String (p->getName()));
        }
        ASSERT_EQ (found, 1);

        if (steps == 0)
        {
            auto* e = element ((isFader (i) ? "slider_" : "knob_") + index);
            ASSERT_NE (e, nullptr);
            const auto b = e->getDrawableBounds();

            if (isFader (i))
            {
                // Child 0 the track, child 1 the thumb at the bottom of its travel,
                // which rises by the height minus twice the thumb radius.
                ASSERT_GE (e->getNumChildComponents(), 2);
                auto* thumb = drawableChild (*e, 1);
                ASSERT_TRUE (drawableChild (*e, 0) != nullptr && thumb != nullptr);
                const auto w = (int) b.getWidth(), h = (int) b.getHeight();
                const auto travel = (float) (h - 2 * (juce::jmin (7, w / 2, h / 2) + 2));
                const auto t = thumb->getDrawableBounds();
                EXPECT_FLOAT_EQ (t.getBottom(), b.getBottom());
                EXPECT_GE (t.getY() - travel, b.getY() - 0.01f);
                EXPECT_GT (travel, 50.0f);
            }
            else
            {
                // Turned about its centre: a round knob fills a square.
                EXPECT_NEAR (b.getWidth(), b.getHeight(), 0.01f);
                EXPECT_GE (b.getWidth(), 30.0f);
            }
        }
        else if (steps == 2)
        {
            auto* e = element ("button_" + index);
            ASSERT_NE (e, nullptr);
            expectOffOnPair (*e, "button");
        }
        else if (steps >= 3 && steps <= 5)
        {
            auto* e = element ("radio_" + index);
            ASSERT_NE (e, nullptr);
            ASSERT_EQ (e->getNumChildComponents(), steps);
            for (int k = 0; k < steps; ++k)
            {
                auto* choice = drawableChild (*e, k);
                ASSERT_NE (choice, nullptr);
                EXPECT_EQ (choice->getComponentID(), "radio_" + index + "_" + juce::String (k));
                EXPECT_EQ (titleOf (*xml, choice->getComponentID()), juce::String (p->getOptionText (k)));
                expectOffOnPair (*choice, "choice " + juce::String (k));
                for (int other = 0; other < k; ++other)
                    EXPECT_FALSE (boundsOf (e->getChildComponent (other)).intersects (choice->getDrawableBounds()));
            }
        }
        else
        {
            ASSERT_TRUE (steps == 6 || steps == 7);
            auto* e = element ("combo_" + index);
            ASSERT_NE (e, nullptr);
            const auto b = e->getDrawableBounds();
            for (auto cellId : { "cell", "cell_selected" })
            {
                auto* cell = dynamic_cast<juce::Drawable*> (e->findChildWithID (cellId));
                ASSERT_NE (cell, nullptr) << cellId;
                EXPECT_TRUE (b.contains (cell->getDrawableBounds())) << cellId;
                EXPECT_GE (cell->getDrawableBounds().getHeight(), 18.0f) << cellId;
            }
            EXPECT_GE (b.getWidth(), 80.0f);
        }
    }
}

TEST_F (ShippedSkin, FixedElementsAndPlacement)
{
    auto* background = element ("background");
    ASSERT_NE (background, nullptr);
    const auto panel = background->getBounds();
    EXPECT_EQ (panel.getPosition(), juce::Point<int>());
    EXPECT_LE (panel.getWidth(), 1000);
    EXPECT_LE (panel.getHeight(), 620);

    auto* meter = element ("vmeter");
    ASSERT_NE (meter, nullptr);
    ASSERT_EQ (meter->getNumChildComponents(), 3);
    for (int k = 0; k < 3; ++k)
        ASSERT_NE (drawableChild (*meter, k), nullptr);
    const auto back = drawableChild (*meter, 0)->getDrawableBounds();
    EXPECT_GT (back.getHeight(), back.getWidth());
    EXPECT_TRUE (back.contains (drawableChild (*meter, 1)->getDrawableBounds()));
    EXPECT_TRUE (sameBounds (drawableChild (*meter, 1)->getDrawableBounds(), drawableChild (*meter, 2)->getDrawableBounds()));

    auto* scope = dynamic_cast<juce::DrawableShape*> (element ("oscilloscope"));
    ASSERT_NE (scope, nullptr);
    EXPECT_TRUE (scope->getFill().isColour());
    EXPECT_TRUE (scope->getFill().colour.isOpaque());

    // The screen draws its text at (45, -1, 150, 30) and its arrows at y 7.
    auto* screen = element ("screen");
    ASSERT_NE (screen, nullptr);
    EXPECT_GE (screen->getBounds().getWidth(), 195);
    EXPECT_GE (screen->getBounds().getHeight(), 26);

    for (auto id : { "action_midilearning", "action_menu" })
    {
        auto* e = element (id);
        ASSERT_NE (e, nullptr) << id;
        expectOffOnPair (*e, id);
    }

    // Every widget lies on the panel, and none covers another.
    const auto all = widgets();
    for (size_t a = 0; a < all.size(); ++a)
    {
        EXPECT_TRUE (panel.contains (all[a]->getBounds())) << all[a]->getComponentID();
        for (size_t b = 0; b < a; ++b)
            EXPECT_FALSE (all[a]->getBounds().intersects (all[b]->getBounds()))
                << all[a]->getComponentID() << " and " << all[b]->getComponentID();
    }

    std::multiset<juce::String> ids;
    collectIds (*root, ids);
    for (auto& id : ids)
        if (id != "cell" && id != "cell_selected")
            EXPECT_EQ (ids.count (id), 1u) << id;
}

TEST_F (ShippedSkin, VectorOnlyWithoutOutsideReferences)
{
    std::function<void (const juce::XmlElement&)> check = [&] (const juce::XmlElement& e)
    {
        const auto tag = e.getTagNameWithoutNamespace();
        EXPECT_TRUE (tag != "text" && tag != "tspan" && tag != "image" && tag != "use" && tag != "style") << tag;
        for (int a = 0; a < e.getNumAttributes(); ++a)
        {
            const auto name = e.getAttributeName (a);
            const auto value = e.getAttributeValue (a);
            if (name != "xmlns")
                EXPECT_FALSE (value.contains ("://") || value.containsIgnoreCase ("data:") || name.contains ("href"))
                    << name << "=" << value;
            if (name == "display")
                EXPECT_NE (value, "none");
        }
        for (auto* child : e.getChildIterator())
            check (*child);
    };
    check (*xml);

    // Labels are outlines: the background draws pixels of the label colour.
    juce::Image image (juce::Image::ARGB, 200, 120, true);
    {
        juce::Graphics g (image);
        element ("background")->draw (g, 1.0f);
    }
    int light = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            light += image.getPixelAt (x, y).getPerceivedBrightness() > 0.7f ? 1 : 0;
    EXPECT_GT (light, 100);
}

TEST (ShippedPictures, DecodeAtTheSizesTheEditorDrawsThem)
{
    juce::ScopedJuceInitialiser_GUI gui;

    struct Picture { const char* path; int width, height; };
    const Picture pictures[] = { { "buttons_faders/arrow.png", 14, 12 },
                                 { "buttons_faders/search.png", 18, 18 },
                                 { "buttons_faders/fav-checked@2.png", 18, 18 },
                                 { "buttons_faders/fav-unchecked@2.png", 18, 18 } };
    std::map<juce::String, double> ink;

    for (auto& p : pictures)
    {
        auto image = juce::ImageFileFormat::loadFrom (resourceFile (p.path));
        ASSERT_TRUE (image.isValid()) << p.path;
        EXPECT_EQ (image.getWidth(), p.width) << p.path;
        EXPECT_EQ (image.getHeight(), p.height) << p.path;
        EXPECT_TRUE (image.hasAlphaChannel()) << p.path;

        double left = 0, right = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                (x < image.getWidth() / 2 ? left : right) += image.getPixelAt (x, y).getFloatAlpha();
        ink[p.path] = left + right;
        EXPECT_GT (left + right, 10.0) << p.path;

        // The right arrow is the left one turned: the tip is on the left.
        if (juce::String (p.path).contains ("arrow"))
            EXPECT_GT (right, left * 1.5);
    }
    EXPECT_GT (ink["buttons_faders/fav-checked@2.png"], ink["buttons_faders/fav-unchecked@2.png"] * 1.3);

    const auto help = resourceFile ("plugins/vorlan/help.html").loadFileAsString();
    for (auto needle : { "<html", "Ctrl", "MIDI learn", "Banks", "midimapper.mrb", "</html>" })
        EXPECT_TRUE (help.contains (needle)) << needle;
}
