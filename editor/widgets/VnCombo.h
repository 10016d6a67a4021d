#pragma once

#include "CallOutPopup.h"
#include "QmComponent.h"
#include "SkinnableComponent.h"
#include "VnComboLookAndFeel.h"

/** The skinned choice control of a "combo_" element: closed, the element's
    picture with the parameter's option text on it; clicked, a list of every
    option in a call-out box, where a click chooses the option.

    The element may be a single shape, or a group with the children "cell"
    (the size of a popup row, and the picture the closed text sits on) and
    "cell_selected". The combo shows no learn overlay, and while learning it
    opens no list.
*/
class VnCombo : public QmComponent,
                public SkinnableComponent,
                public juce::TextButton,
                public juce::TableListBoxModel
{
public:
    VnCombo (QmParameter* parameter, const juce::Drawable& element);
    ~VnCombo() override;

    void setNormalisedValue (float) override {}

    /** Repaints, so the closed combo shows automation, preset loads and Init. */
    void updateFromParameter() override;

    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

    int getNumRows() override                   { return rows; }
    void paintRowBackground (juce::Graphics&, int, int, int, bool) override {}
    void paintCell (juce::Graphics&, int, int, int, int, bool) override {}
    juce::Component* refreshComponentForCell (int row, int columnId, bool isRowSelected, juce::Component* existing) override;

    /** The option index a popup cell stands for: down each column in turn. */
    int optionIndexAt (int row, int columnId) const noexcept     { return rows * (columnId - 1) + row; }

    /** The number of options; 0 without a parameter. */
    int getNumOptions() const noexcept;

    /** Sets the parameter to an option, closes the popup and repaints. */
    void chooseOption (int optionIndex);

    juce::CallOutBox* getPopup() const noexcept     { return popup.getBox(); }
    juce::TableListBox* getPopupList() const noexcept { return popupList.getComponent(); }

    static constexpr int defaultRowHeight = 25;
    static constexpr int defaultColumnWidth = 70;

protected:
    void clicked() override;

private:
    juce::String getText() const;

    int columns = 1;
    int rows = 1;
    juce::Drawable* cell = nullptr;
    juce::Drawable* cellSelected = nullptr;
    VnComboLookAndFeel lookAndFeel;
    CallOutPopup popup;     // after the look-and-feel its list uses
    juce::Component::SafePointer<juce::TableListBox> popupList;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VnCombo)
};
