#include "EditorTestSupport.h"
#include "MidiOverlay.h"
#include "QmButton.h"
#include "QmKnob.h"
#include "QmParameter.h"
#include "QmProcessContext.h"
#include "VnButton.h"
#include "VnKnob.h"
#include "VnRadioButton.h"
#include "VnSlider.h"

#include <thread>

namespace
{
    struct Widgets : ::testing::Test
    {
        std::unique_ptr<juce::Drawable> element (const char* id)
        {
            auto e = provider->getDrawable (id);
            EXPECT_NE (e, nullptr) << id;
            return e;
        }

        /** Clicks a button the way the framework does, through its message. */
        static void click (juce::Button& b)
        {
            b.triggerClick();
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        }

        std::unique_ptr<SVGProvider> provider = EditorTest::makeProvider();
        QmProcessContext context;
        QmParameter level { "Level", 0.0f, 0, &context };
        QmParameter mix { "Mix", 0.0f, 1, &context };
        QmParameter onOff { "Kbd", 0, { "Off", "On" }, &context };
        QmParameter three { "Three", 0, { "a", "b", "c" }, &context };
        QmParameter octave { "Octave", 0, { "-2", "-1", "0", "1", "2" }, &context };
    };

    int countOverlays (juce::Component& c)
    {
        int n = 0;
        for (auto* child : c.getChildren())
            n += dynamic_cast<MidiOverlay*> (child) != nullptr ? 1 : 0;
        return n;
    }
}

TEST_F (Widgets, ChangesFromAnyThreadWaitForTheTimerAndShowTheLatestValueOnce)
{
    QmKnob knob (&level);

    // Many writes on another thread: only a flag is raised, nothing is posted
    // to the message loop, so the knob stays until the update is delivered.
    std::thread writer ([this] { for (int i = 1; i <= 100; ++i) level.setValue ((float) i / 200.0f); });
    writer.join();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    EXPECT_EQ (knob.getValue(), 0.0);
    EXPECT_TRUE (knob.hasPendingUpdate());

    // The update shows the latest value and writes nothing back.
    knob.deliverPendingUpdate();
    EXPECT_EQ (knob.getValue(), (double) 0.5f);
    EXPECT_FALSE (knob.hasPendingUpdate());

    // A widget made without a parameter installs nothing; destroying one of
    // two widgets of one parameter leaves the parameter without a callback.
    QmButton loose (nullptr, 1);
    EXPECT_TRUE (level.hasCallback());
    {
        QmKnob second (&level);
    }
    EXPECT_FALSE (level.hasCallback());
    level.setValue (0.1f);
    EXPECT_FALSE (knob.hasPendingUpdate());
}

TEST_F (Widgets, KnobsSnapCentreAndReportTheirDrags)
{
    VnKnob bipolar (&mix, *element ("knob_40"));
    EXPECT_EQ (bipolar.getBounds(), juce::Rectangle<int> (20, 20, 40, 40));
    EXPECT_EQ (bipolar.getTextBoxPosition(), juce::Slider::NoTextBox);

    // Dragging up raises the parameter; a double-click centres a bipolar knob.
    EditorTest::drag (bipolar, -30.0f);
    EXPECT_GT (mix.value, 0.0f);
    const auto centre = bipolar.getLocalBounds().getCentre().toFloat();
    bipolar.mouseDoubleClick (EditorTest::mouseEvent (bipolar, centre, centre, 2));
    EXPECT_EQ (mix.value, 0.5f);

    QmKnob unipolar (&level);
    level.setValue (0.2f);
    unipolar.deliverPendingUpdate();
    unipolar.mouseDoubleClick (EditorTest::mouseEvent (unipolar, {}, {}, 2));
    EXPECT_EQ (level.value, 0.2f);

    QmKnob stepped (&three);
    stepped.setValue (0.3, juce::sendNotificationSync);
    EXPECT_EQ (three.value, 0.5f);
}

TEST_F (Widgets, KnobTurnsItsElementAboutItsCentre)
{
    VnKnob knob (&mix, *element ("knob_40"));
    const auto pointerAt = [&] (float value)
    {
        knob.setValue (value, juce::dontSendNotification);
        return EditorTest::pixel (EditorTest::paint (knob), 20, 3);
    };

    // Up at 0.5; at 0 and 1 the pointer turns away from the top.
    EXPECT_EQ (pointerAt (0.5f), 0xffffffffu);
    EXPECT_EQ (pointerAt (0.0f), 0xffff0000u);
    EXPECT_EQ (pointerAt (1.0f), 0xffff0000u);
    EXPECT_NEAR (VnKnob::angleFor (0.0), -2.4085543f, 1.0e-6f);
    EXPECT_EQ (VnKnob::angleFor (0.5), 0.0f);
}

TEST_F (Widgets, ButtonsStepThroughOptionsAndShowTheirPictures)
{
    VnButton button (&onOff, *element ("button_18"), 1);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (button), 5, 5), 0xff000000u);

    click (button);
    EXPECT_EQ (onOff.value, 1.0f);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (button), 5, 5), 0xff00ff00u);
    click (button);
    EXPECT_EQ (onOff.value, 0.0f);

    // Three options cycle 0, 1, 2 and back; a missing picture draws nothing.
    VnButton cycling (&three, *element ("button_18"), 1);
    for (float expected : { 0.5f, 1.0f, 0.0f })
    {
        click (cycling);
        EXPECT_EQ (three.value, expected);
    }
    three.setValue (1.0f);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (cycling), 5, 5), 0u);

    // A continuous parameter toggles between 0 and 1.
    VnButton toggle (&level, *element ("button_7"), 1);
    level.setValue (0.3f);
    toggle.deliverPendingUpdate();
    for (float expected : { 1.0f, 0.0f, 1.0f })
    {
        click (toggle);
        EXPECT_EQ (level.value, expected);
    }
}

TEST_F (Widgets, RadioGroupsLightExactlyTheParameterOption)
{
    // Built while the parameter stands on its last option: only that choice lit.
    octave.setValue (1.0f);
    VnRadioButton radio (&octave, *element ("radio_42"), 42);
    ASSERT_EQ (radio.getChoices().size(), 5);
    EXPECT_EQ (radio.getBounds(), juce::Rectangle<int> (150, 20, 98, 18));

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
    EXPECT_EQ (octave.value, 0.5f);
    EXPECT_EQ (lit(), "00100");

    // Automation: the group, built last, is the one the parameter calls.
    octave.setValue (0.25f);
    EXPECT_TRUE (radio.hasPendingUpdate());
    radio.deliverPendingUpdate();
    EXPECT_EQ (lit(), "01000");

    // Back to an option the framework may still think is on.
    octave.setValue (0.5f);
    radio.deliverPendingUpdate();
    EXPECT_EQ (lit(), "00100");
}

TEST_F (Widgets, ChoicesWithoutIdsKeepTheirOwnPictures)
{
    QmParameter sync { "Sync", 0, { "a", "b", "c" }, &context };
    VnRadioButton first (&three, *element ("radio_3"), 3);
    VnRadioButton second (&sync, *element ("radio_5"), 5);

    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (first), 25, 5), 0xff101010u);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (second), 25, 5), 0xff808080u);
    EXPECT_EQ (EditorTest::pixel (EditorTest::paint (second), 5, 5), 0xff00ffffu);
}

TEST_F (Widgets, SliderDrawsTrackAndRisingThumbWithOneOverlay)
{
    VnSlider slider (&level, *element ("slider_24"));
    EXPECT_EQ (slider.getBounds(), juce::Rectangle<int> (30, 100, 10, 80));
    slider.setBounds (25, 100, 20, 80);
    EXPECT_EQ (countOverlays (slider), 1);

    // At 0 the thumb stands where the skin puts it, at 1 the whole travel higher.
    const int travel = 80 - 2 * (juce::jmin (7, 10, 40) + 2);
    auto image = EditorTest::paint (slider);
    EXPECT_EQ (EditorTest::pixel (image, 1, 75), 0xffffa000u);
    EXPECT_EQ (EditorTest::pixel (image, 10, 40), 0xff303030u);

    slider.setValue (1.0, juce::dontSendNotification);
    image = EditorTest::paint (slider);
    EXPECT_EQ (EditorTest::pixel (image, 1, 75), 0u);
    EXPECT_EQ (EditorTest::pixel (image, 1, 75 - travel), 0xffffa000u);
}

TEST_F (Widgets, OverlaysShowWhileLearning)
{
    VnKnob knob (&mix, *element ("knob_40"));
    ASSERT_NE (knob.overlay, nullptr);
    EXPECT_EQ (knob.overlay->getBounds(), knob.getLocalBounds());

    knob.learning = true;
    EditorTest::paint (knob);
    EXPECT_TRUE (knob.overlay->isVisible());
    knob.learning = false;
    EditorTest::paint (knob);
    EXPECT_FALSE (knob.overlay->isVisible());
}
