#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The large outlined action button ("INSTALL", "UNINSTALL", "REPAIR", "Close"), with the shield
    of an elevation where one will be asked for. */
class InstallButton final : public juce::Button
{
public:
    InstallButton();

    void setLabel (const juce::String& text);
    const juce::String& getLabel() const    { return label; }

    void paintButton (juce::Graphics& g, bool isHighlighted, bool isDown) override;

    /** Space presses the button, as Enter does. */
    bool keyPressed (const juce::KeyPress& key) override;

    /** Pages reset it where no elevation is needed; it never comes back. */
    std::unique_ptr<juce::Drawable> shieldIcon;

private:
    juce::String label { "INSTALL" };
};
