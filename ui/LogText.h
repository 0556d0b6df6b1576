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

    static constexpr int rowPitch = 20, sideMargin = 7, reservedHeight = 24, bottomMargin = 6;

private:
    juce::StringArray lines;
};
