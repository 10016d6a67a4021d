#include "EditorTestSupport.h"
#include "MidiOverlay.h"
#include "QmDropShadower.h"
#include "QmKnob.h"
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "SkinnableComponent.h"
#include "VnButton.h"
#include "VnKnob.h"
#include "VnRadioButton.h"
#include "VnSlider.h"

#include <thread>

using EditorTest::click;

namespace
{
    struct Widgets : ::testing::Test
    {
        std::unique_ptr<juce::Drawable> element (const char* id)    { return provider->getDrawable (id); }

        std::unique_ptr<SVGProvider> provider = EditorTest::makeProvider();
        QmProcessContext context;
        QmParameter level { "Level", 0.0f, 0, &context };
        QmParameter mix { "Mix", 0.0f, 1, &context };
        QmParameter onOff { "Kbd", 0, { "Off", "On" }, &context };
        QmParameter three { "Three", 0, { "a", "b", "c" }, &context };
        QmParameter octave { "Octave", 0, { "-2", "-1", "0", "1", "2" }, &context };
    };
}

TEST_F (Widgets, KnobChangesFromAnyThreadWaitForTheTimerShowTheLatestValueOnceSnapToOptionsAndTurnTheElement)
{
    QmKnob knob (&level);

    // Writes on another thread only raise a flag: nothing reaches the
    // message loop, and the knob stays until the update is delivered.
    std::thread ([this] { for (int i = 1; i <= 100; ++i) level.setValue ((float) i / 200.0f); }).join();
    EditorTest::runMessages();
    EXPECT_EQ (std::pair (knob.getValue(), knob.hasPendingUpdate()), std::pair (0.0, true));

    knob.deliverPendingUpdate();
    EXPECT_EQ (std::pair (knob.getValue(), knob.hasPendingUpdate()), std::pair ((double) 0.5f, false));

    // Destroying one of two widgets of a parameter leaves it without a callback.
    std::make_unique<QmKnob> (&level).reset();
    EXPECT_FALSE (level.hasCallback());

    // Knobs snap to options and turn their element.
    QmKnob stepped (&three);
    stepped.setValue (0.3, juce::sendNotificationSync);
    EXPECT_EQ (three.value, 0.5f);

    // Only a bipolar knob returns to the middle on double-click.
    QmKnob unipolar (&level);
    level.setValue (0.2f);
    unipolar.deliverPendingUpdate();
    EditorTest::doubleClick (unipolar);
    EXPECT_EQ (level.value, 0.2f);

    // The pointer is up at 0.5 and turned away from the top at either end.
    VnKnob turned (&mix, *element ("knob_40"));
    const auto pointerAt = [&] (float value) { turned.setValue (value, juce::dontSendNotification); return EditorTest::pixel (EditorTest::paint (turned), 20, 3); };
    EXPECT_EQ (std::tuple (pointerAt (0.5f), pointerAt (0.0f), pointerAt (1.0f)), std::tuple (0xffffffffu, 0xffff0000u, 0xffff0000u));
}

TEST_F (Widgets, ButtonsStepThroughOptionsRadioGroupsLightExactlyTheParameterOptionAndASliderDrawsItsRisingThumb)
{
    VnButton button (&onOff, *element ("button_18"), 1);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (button), 5, 5), 0xff000000u);
    click (button);
    EXPECT_EQ (std::pair (onOff.value.load(), EditorTest::pixel (EditorTest::paint (button), 5, 5)), std::pair (1.0f, 0xff00ff00u));

    // The values after each of three clicks.
    const auto threeClicks = [] (juce::Button& b, QmParameter& p)
    {
        std::vector<float> values;
        for (int i = 0; i < 3; ++i, values.push_back (p.value))
            click (b);
        return values;
    };

    // Three options cycle; a missing picture draws nothing.
    VnButton cycling (&three, *element ("button_18"), 1);
    EXPECT_EQ (threeClicks (cycling, three), (std::vector<float> { 0.5f, 1.0f, 0.0f }));
    three.setValue (1.0f);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (cycling), 5, 5), 0u);

    VnButton toggle (&level, *element ("button_18"), 1);
    level.setValue (0.3f);
    toggle.deliverPendingUpdate();
    EXPECT_EQ (threeClicks (toggle, level), (std::vector<float> { 1.0f, 0.0f, 1.0f }));

    // Radio groups light exactly the parameter's option.
    // Built while the parameter stands on its last option: only that choice lit.
    octave.setValue (1.0f);
    VnRadioButton radio (&octave, *element ("radio_42"), 42);
    const auto lit = [&radio]
    {
        juce::String states;
        const auto image = EditorTest::paint (radio);
        for (int k = 0; k < 5; ++k)
            states << (EditorTest::pixel (image, 20 * k + 5, 5) == 0xffffff00u ? "1" : "0");
        return states;
    };
    EXPECT_EQ (lit(), "00001");

    click (*radio.getChoices()[2]);
    EXPECT_EQ (std::pair (octave.value.load(), lit()), std::pair (0.5f, juce::String ("00100")));

    // Automation, also back to an option the framework may still think is on.
    const auto automated = [&] (float value) { octave.setValue (value); radio.deliverPendingUpdate(); return lit(); };
    EXPECT_EQ (automated (0.25f), "01000");
    EXPECT_EQ (automated (0.5f), "00100");

    // Choices without ids in another group show that group's pictures.
    VnRadioButton other (&three, *element ("radio_3"), 3);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (other), 25, 5), 0xff101010u);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (radio), 25, 5), 0xff000080u);

    // The slider draws its track and rising thumb, with one overlay.
    level.setValue (0.0f);
    VnSlider slider (&level, *element ("slider_24"));
    slider.setBounds (25, 100, 20, 80);
    EXPECT_EQ (std::count_if (slider.getChildren().begin(), slider.getChildren().end(), [] (auto* c) { return dynamic_cast<MidiOverlay*> (c) != nullptr; }), 1);

    // At 0 the thumb stands where the skin puts it, at 1 the whole travel higher.
    const int travel = 80 - 2 * (7 + 2);
    auto image = EditorTest::paint (slider);
    EXPECT_EQ (std::pair (EditorTest::pixel (image, 1, 75), EditorTest::pixel (image, 10, 40)), std::pair (0xffffa000u, 0xff303030u));
    slider.setValue (1.0, juce::dontSendNotification);
    image = EditorTest::paint (slider);
    EXPECT_EQ (std::pair (EditorTest::pixel (image, 1, 75), EditorTest::pixel (image, 1, 75 - travel)), std::pair (0u, 0xffffa000u));

    slider.learning = true;
    image = EditorTest::paint (slider);
    EXPECT_TRUE (slider.overlay->isVisible());

    // The controller's number sits on a solid badge, whatever is beneath it.
    juce::Image white (juce::Image::ARGB, 20, 80, true);
    white.clear (white.getBounds(), juce::Colours::white);
    juce::Graphics (white).drawImageAt (image, 0, 0);
    EXPECT_LT (white.getPixelAt (2, 40).getBrightness(), 0.2f);
    EXPECT_GT (white.getPixelAt (2, 2).getBrightness(), 0.3f);
    slider.learning = false;
    EditorTest::paint (slider);
    EXPECT_FALSE (slider.overlay->isVisible());
}

TEST (Skin, ElementsBelowOnePixelAndBrokenSkinsGiveNothing)
{
    auto provider = EditorTest::makeProvider (R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
        <g id="outer"><rect id="twin" x="1" y="1" width="5" height="5"/></g><rect id="twin" x="50" y="50" width="20" height="20"/>
        <g id="dot"><rect x="1" y="1" width="0.4" height="0.4"/></g></svg>)");

    // Depth first: the earlier subtree wins.
    EXPECT_EQ (provider->getDrawable ("twin")->getBounds(), juce::Rectangle<int> (1, 1, 5, 5));

    // Below one pixel at this scale: the null image, nothing cached.
    SkinnableComponent dot (*provider->getDrawable ("dot"));
    EXPECT_FALSE (dot.getImage (0.5f).isValid());
    EXPECT_FALSE (juce::ImageCache::getFromHashCode (dot.imageCacheKey (-1, 0.5f)).isValid());
    EXPECT_TRUE (dot.getImage (1.0f).isValid());
    EXPECT_FALSE (dot.getChildImage (7, 1.0f).isValid());

    for (const auto* text : { "", "<svg", "\x01\xff<", "<html><rect id=\"background\" width=\"9\" height=\"9\"/></html>" })
        EXPECT_EQ (EditorTest::makeProvider (text)->getDrawable ("background"), nullptr) << text;
    EXPECT_EQ (SVGProvider (juce::File ("/nonexistent/skin.svg")).getDrawable ("background"), nullptr);
}

TEST (DropShadower, TheFirstPaintRendersTheWholeShadowWhateverItsClip)
{
    juce::Component parent, owner;
    parent.setBounds (0, 0, 300, 300);
    owner.setBounds (100, 50, 60, 60);
    parent.addAndMakeVisible (owner);

    const juce::DropShadow shadow (juce::Colour (0x75000000), 12, { 0, 7 });
    QmDropShadower::QmShadowWindow whole (owner, shadow), clipped (owner, shadow);
    const auto paint = [] (juce::Component& window, juce::Rectangle<int> clip)
    {
        juce::Image image (juce::Image::ARGB, 84, 84, true);
        juce::Graphics g (image);
        g.reduceClipRegion (clip);
        window.paint (g);
        return image;
    };
    for (auto* w : { &whole, &clipped })
        w->setBounds (88, 45, 84, 84);

    // First painted for a corner only: the shadow later drawn is still whole.
    const auto reference = paint (whole, { 84, 84 });
    paint (clipped, { 0, 0, 5, 5 });
    const auto later = paint (clipped, { 84, 84 });
    for (auto [x, y] : { std::pair { 42, 49 }, { 5, 10 }, { 80, 80 }, { 42, 2 } })
        EXPECT_EQ (later.getPixelAt (x, y), reference.getPixelAt (x, y)) << x << " " << y;

    // A shadow there is: darkest under the owner, moved down by the offset.
    EXPECT_GT (reference.getPixelAt (42, 60).getAlpha(), 100);
}
