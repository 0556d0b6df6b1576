#include "InstallButton.h"
#include "Colours.h"
#include "EmbeddedResources.h"
#include "Fonts.h"

InstallButton::InstallButton()
    : juce::Button ("InstallButton")
{
    shieldIcon = resources::getDrawable ("WindowsSecurityIcon_svg");
    // The focus ring marks where Tab has brought the user, not where the mouse clicked.
    setMouseClickGrabsKeyboardFocus (false);
    setTitle (label);
}

void InstallButton::setLabel (const juce::String& text)
{
    label = text;
    setTitle (text);
    repaint();
}

void InstallButton::paintButton (juce::Graphics& g, bool, bool)
{
    const auto alpha = isEnabled() ? 1.0f : 0.5f;
    const auto bounds = getLocalBounds().toFloat();

    g.setColour (widgetColours::accent.withAlpha (alpha));
    g.drawRect (bounds, 2.0f);

    g.setColour (widgetColours::text.withAlpha (alpha));
    g.setFont (robotoBold().withHeight (18.0f));
    g.drawText (label, bounds, juce::Justification::centred, true);

    if (shieldIcon != nullptr)
    {
        const auto size = shieldIcon->getBounds().toFloat();
        const juce::Rectangle<float> area (0.16f * bounds.getWidth() - size.getWidth() / 2.0f,
                                           bounds.getHeight() / 2.0f - size.getHeight() / 2.0f,
                                           size.getWidth(), size.getHeight());
        shieldIcon->drawWithin (g, area, juce::RectanglePlacement::centred, alpha);
    }

    if (hasKeyboardFocus (false))
    {
        g.setColour (widgetColours::focusRing);
        g.drawRect (bounds.reduced (4.0f), 1.0f);
    }
}

bool InstallButton::keyPressed (const juce::KeyPress& key)
{
    if (key == juce::KeyPress::spaceKey && isEnabled())
    {
        triggerClick();
        return true;
    }

    return juce::Button::keyPressed (key);
}
