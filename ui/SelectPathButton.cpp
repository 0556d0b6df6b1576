#include "SelectPathButton.h"
#include "Colours.h"

SelectPathButton::SelectPathButton()
    : juce::Button ("SelectPathButton")
{
    // The focus ring marks where Tab has brought the user, not where the mouse clicked.
    setMouseClickGrabsKeyboardFocus (false);
    setTitle ("Choose the destination folder");
}

void SelectPathButton::paintButton (juce::Graphics& g, bool, bool)
{
    if (auto* icon = (isMouseOver (false) ? hoverIcon : normalIcon).get())
    {
        const auto inset = 0.34f * (float) getHeight();
        auto area = getLocalBounds().toFloat().reduced (inset);
        area.setSize (juce::jmax (0.0f, area.getWidth()), juce::jmax (0.0f, area.getHeight()));
        icon->drawWithin (g, area, juce::RectanglePlacement::centred, 1.0f);
    }

    if (hasKeyboardFocus (false))
    {
        g.setColour (widgetColours::focusRing);
        g.drawRoundedRectangle (getLocalBounds().toFloat().reduced (1.0f), 3.0f, 1.0f);
    }
}

bool SelectPathButton::keyPressed (const juce::KeyPress& key)
{
    if (key == juce::KeyPress::spaceKey && isEnabled())
    {
        triggerClick();
        return true;
    }

    return juce::Button::keyPressed (key);
}
