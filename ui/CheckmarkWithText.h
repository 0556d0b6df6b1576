#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A round check box with its label; the label starts at the pages' text column (x 55 of the
    parent) wherever the box begins. */
class CheckmarkWithText final : public juce::ToggleButton
{
public:
    explicit CheckmarkWithText (const juce::String& text);

    void paintButton (juce::Graphics& g, bool isHighlighted, bool isDown) override;

    /** Space presses the button, as Enter does. */
    bool keyPressed (const juce::KeyPress& key) override;

    const juce::String text;
};
