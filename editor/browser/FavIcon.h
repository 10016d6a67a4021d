#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** The favourite star of a preset row: an image button that toggles and
    reports its new state. */
class FavIcon : public juce::ImageButton
{
public:
    explicit FavIcon (const juce::String& name);
    ~FavIcon() override;

    std::function<void (bool toggleState)> onFavouriteChange;

protected:
    void clicked() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FavIcon)
};
