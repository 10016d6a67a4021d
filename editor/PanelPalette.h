#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The panel's colours, as the skin draws them, for everything the editor
    paints itself: pop-ups, lists, boxes and fields. A charcoal face, light
    text and one amber accent; text stays at 4.5:1 or more against the
    colours it is drawn on. */
struct PanelPalette
{
    static constexpr juce::uint32 face       = 0xff1d1e21;   // the instrument's face
    static constexpr juce::uint32 raised     = 0xff2a2c30;   // a group's panel; pop-ups and their rows
    static constexpr juce::uint32 hover      = 0xff3a3d43;   // a row under the mouse; buttons
    static constexpr juce::uint32 well       = 0xff141518;   // text fields
    static constexpr juce::uint32 edge       = 0xff4a4d54;
    static constexpr juce::uint32 text       = 0xffd3d6db;
    static constexpr juce::uint32 subtle     = 0xff9ea3ab;   // small print, empty stars
    static constexpr juce::uint32 accent     = 0xfff29b38;   // the current row, chosen things
    static constexpr juce::uint32 onAccent   = 0xff1a1508;   // text on the accent

    /** Width of the accent bar that marks a list's current row. */
    static constexpr int markerWidth = 3;

    /** A list row's background: raised, lighter under the mouse, and the
        accent bar at its left end when it is the current row, so hover and
        the current row never look alike. */
    static void drawRow (juce::Graphics& g, juce::Rectangle<int> area, bool isMouseOver, bool isCurrent);

    /** Sets the framework's colour ids of text fields, lists, scroll bars,
        message boxes, menus, combo boxes and the file browser to the panel's. */
    static void apply (juce::LookAndFeel& lookAndFeel);
};
