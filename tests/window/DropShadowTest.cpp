// A knob's shadow window on a real screen exists only while its owner shows.
#include <gtest/gtest.h>

#include "QmDropShadower.h"
#include "XDisplay.h"

TEST (DropShadow, FollowsItsOwnerOnScreen)
{
    ASSERT_NE (WindowTest::display(), nullptr);
    juce::ScopedJuceInitialiser_GUI gui;

    juce::Component desk, knob;
    desk.setBounds (0, 0, 400, 300);
    desk.addToDesktop (0);
    desk.setVisible (true);

    QmDropShadower shadower (juce::DropShadow (juce::Colour (0x75000000), 12, { 0, 7 }));
    knob.setBounds (100, 50, 60, 60);
    shadower.setOwner (&knob);
    EXPECT_EQ (shadower.getShadowWindow(), nullptr);

    // Behind the owner, around it, moved with it.
    desk.addAndMakeVisible (knob);
    ASSERT_NE (shadower.getShadowWindow(), nullptr);
    EXPECT_EQ (shadower.getShadowWindow()->getBounds(), juce::Rectangle<int> (88, 45, 84, 84));
    EXPECT_EQ (desk.getIndexOfChildComponent (shadower.getShadowWindow()), desk.getIndexOfChildComponent (&knob) - 1);
    knob.setTopLeftPosition (10, 10);
    EXPECT_EQ (shadower.getShadowWindow()->getPosition(), juce::Point<int> (-2, 5));

    knob.setVisible (false);
    EXPECT_EQ (shadower.getShadowWindow(), nullptr);
    knob.setVisible (true);
    knob.setSize (0, 0);
    EXPECT_EQ (shadower.getShadowWindow(), nullptr);

    shadower.setOwner (nullptr);
    desk.removeFromDesktop();
}
