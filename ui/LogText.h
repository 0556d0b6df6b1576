#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A growing list of lines, newest at the bottom. Only the lines that fit are kept: older ones
    are dropped for good when they no longer fit. */
class LogText final : public juce::Component
{
public:
    LogText();

    void addLine (const juce::String& text);
    const juce::StringArray& getLines() const   { return lines; }

    void paint (juce::Graphics& g) override;

    /** The rows of rowPitch a line takes at that width: one per line break and per word wrap. */
    static int rowsFor (const juce::Font& font, const juce::String& text, float maxWidth);

    static constexpr int rowPitch = 20, sideMargin = 7, reservedHeight = 24, bottomMargin = 6;

private:
    juce::StringArray lines;
};
