#include "CheckmarkWithText.h"
#include "Colours.h"
#include "Fonts.h"

CheckmarkWithText::CheckmarkWithText (const juce::String& label)
    : text (label)
{
    // The focus ring marks where Tab has brought the user, not where the mouse clicked.
    setMouseClickGrabsKeyboardFocus (false);
    setTitle (label);
}

void CheckmarkWithText::paintButton (juce::Graphics& g, bool, bool)
{
    const auto w = (float) getWidth(), h = (float) getHeight(), x = (float) getX();
    const auto circle = juce::Rectangle<float> (5.0f, 5.0f, juce::jmax (0.0f, h - 10.0f), juce::jmax (0.0f, h - 10.0f));

    if (isEnabled())
    {
        g.setColour (widgetColours::accent);
        g.drawEllipse (circle, 1.0f);

        if (getToggleState())
            g.fillEllipse (circle);
    }
    else
    {
        g.setColour (widgetColours::disabledMark);
        g.drawLine (0.27f * h, 0.5f * h, 0.73f * h, 0.5f * h, 2.0f);
    }

    if (hasKeyboardFocus (false))
    {
        g.setColour (widgetColours::focusRing);
        g.drawEllipse (circle.expanded (2.5f), 1.0f);
    }

    g.setColour (widgetColours::text);
    g.setFont (robotoMedium().withHeight (0.95f * h));
    g.drawText (text, juce::Rectangle<float> (55.0f - x, 0.0f, w + x - 55.0f, h), juce::Justification::centredLeft, true);
}

bool CheckmarkWithText::keyPressed (const juce::KeyPress& key)
{
    if (key == juce::KeyPress::spaceKey && isEnabled())
    {
        triggerClick();
        return true;
    }

    return juce::ToggleButton::keyPressed (key);
}
