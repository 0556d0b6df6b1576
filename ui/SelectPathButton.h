#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The three dots at the end of a component row that open the folder choice. */
class SelectPathButton final : public juce::Button
{
public:
    SelectPathButton();

    void paintButton (juce::Graphics& g, bool isHighlighted, bool isDown) override;

    /** Space presses the button, as Enter does. */
    bool keyPressed (const juce::KeyPress& key) override;

    std::unique_ptr<juce::Drawable> normalIcon, hoverIcon;
};
