#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** The sentence that asks the user to agree to the licence; a click anywhere on it opens the
    licence terms. */
class ClickableLicenseDisclaimer final : public juce::Component
{
public:
    ClickableLicenseDisclaimer (const juce::String& productName, std::function<void()> onClick);

    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress& key) override;
    void focusGained (FocusChangeType) override     { repaint(); }
    void focusLost (FocusChangeType) override       { repaint(); }
    void paint (juce::Graphics& g) override;

    const juce::String text;
    const std::function<void()> onClick;

protected:
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;
};
