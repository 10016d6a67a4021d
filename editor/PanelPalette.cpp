#include "PanelPalette.h"

void PanelPalette::drawRow (juce::Graphics& g, juce::Rectangle<int> area, bool isMouseOver, bool isCurrent)
{
    g.setColour (juce::Colour (isMouseOver ? hover : raised));
    g.fillRect (area);

    if (isCurrent)
    {
        g.setColour (juce::Colour (accent));
        g.fillRect (area.withWidth (markerWidth));
    }
}

void PanelPalette::apply (juce::LookAndFeel& lf)
{
    using namespace juce;

    const Colour faceColour (face), raisedColour (raised), hoverColour (hover), wellColour (well),
                 edgeColour (edge), textColour (text), accentColour (accent), onAccentColour (onAccent);

    for (auto [id, colour] : std::initializer_list<std::pair<int, Colour>> {
             { ResizableWindow::backgroundColourId,                        raisedColour },
             { DocumentWindow::textColourId,                               textColour },

             { AlertWindow::backgroundColourId,                            raisedColour },
             { AlertWindow::textColourId,                                  textColour },
             { AlertWindow::outlineColourId,                               edgeColour },

             { TextButton::buttonColourId,                                 hoverColour },
             { TextButton::buttonOnColourId,                               hoverColour },
             { TextButton::textColourOffId,                                textColour },
             { TextButton::textColourOnId,                                 textColour },
             { DrawableButton::textColourId,                               textColour },
             { DrawableButton::textColourOnId,                             onAccentColour },
             { DrawableButton::backgroundColourId,                         Colours::transparentBlack },
             { DrawableButton::backgroundOnColourId,                       Colours::transparentBlack },

             { Label::textColourId,                                        textColour },
             { Label::backgroundColourId,                                  Colours::transparentBlack },
             { Label::outlineColourId,                                     Colours::transparentBlack },
             { Label::textWhenEditingColourId,                             textColour },
             { Label::backgroundWhenEditingColourId,                       wellColour },
             { Label::outlineWhenEditingColourId,                          accentColour },

             { TextEditor::backgroundColourId,                             wellColour },
             { TextEditor::textColourId,                                   textColour },
             { TextEditor::highlightColourId,                              accentColour },
             { TextEditor::highlightedTextColourId,                        onAccentColour },
             { TextEditor::outlineColourId,                                edgeColour },
             { TextEditor::focusedOutlineColourId,                         accentColour },
             { TextEditor::shadowColourId,                                 Colours::transparentBlack },
             { CaretComponent::caretColourId,                              accentColour },

             { ListBox::backgroundColourId,                                raisedColour },
             { ListBox::outlineColourId,                                   edgeColour },
             { ListBox::textColourId,                                      textColour },
             { ScrollBar::backgroundColourId,                              raisedColour },
             { ScrollBar::thumbColourId,                                   edgeColour },
             { ScrollBar::trackColourId,                                   raisedColour },

             { ComboBox::backgroundColourId,                               wellColour },
             { ComboBox::textColourId,                                     textColour },
             { ComboBox::outlineColourId,                                  edgeColour },
             { ComboBox::buttonColourId,                                   hoverColour },
             { ComboBox::arrowColourId,                                    accentColour },
             { ComboBox::focusedOutlineColourId,                           accentColour },

             { PopupMenu::backgroundColourId,                              raisedColour },
             { PopupMenu::textColourId,                                    textColour },
             { PopupMenu::headerTextColourId,                              textColour },
             { PopupMenu::highlightedBackgroundColourId,                   hoverColour },
             { PopupMenu::highlightedTextColourId,                         textColour },

             { DirectoryContentsDisplayComponent::highlightColourId,       accentColour },
             { DirectoryContentsDisplayComponent::textColourId,            textColour },
             { DirectoryContentsDisplayComponent::highlightedTextColourId, onAccentColour },
             { FileBrowserComponent::currentPathBoxBackgroundColourId,     wellColour },
             { FileBrowserComponent::currentPathBoxTextColourId,           textColour },
             { FileBrowserComponent::currentPathBoxArrowColourId,          accentColour },
             { FileBrowserComponent::filenameBoxBackgroundColourId,        wellColour },
             { FileBrowserComponent::filenameBoxTextColourId,              textColour },
             { FileChooserDialogBox::titleTextColourId,                    textColour },

             { TooltipWindow::backgroundColourId,                          faceColour },
             { TooltipWindow::textColourId,                                textColour },
             { TooltipWindow::outlineColourId,                             edgeColour } })
    {
        lf.setColour (id, colour);
    }
}
