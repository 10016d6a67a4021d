#include "FavIcon.h"

FavIcon::FavIcon (const juce::String& name)
    : juce::ImageButton (name)
{
}

FavIcon::~FavIcon() = default;

void FavIcon::clicked()
{
    // A copy: the call may replace the callback or delete this button.
    if (auto callback = onFavouriteChange)
        callback (getToggleState());
}
