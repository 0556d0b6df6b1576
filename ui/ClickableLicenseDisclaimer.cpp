#include "ClickableLicenseDisclaimer.h"
#include "Colours.h"
#include "Fonts.h"

ClickableLicenseDisclaimer::ClickableLicenseDisclaimer (const juce::String& productName, std::function<void()> action)
    : text ("You must agree to the License terms and conditions before you can install " + productName + "."),
      onClick (std::move (action))
{
    setTitle ("License terms and conditions");
    setDescription (text);
    setWantsKeyboardFocus (true);
    setMouseClickGrabsKeyboardFocus (false);
}

void ClickableLicenseDisclaimer::mouseEnter (const juce::MouseEvent&)
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void ClickableLicenseDisclaimer::mouseExit (const juce::MouseEvent&)
{
    setMouseCursor (juce::MouseCursor::NormalCursor);
}

void ClickableLicenseDisclaimer::mouseUp (const juce::MouseEvent&)
{
    if (onClick != nullptr)
        onClick();
}

bool ClickableLicenseDisclaimer::keyPressed (const juce::KeyPress& key)
{
    // Reached with Tab, the link opens with Enter or Space, as a link does.
    if (key == juce::KeyPress::returnKey || key == juce::KeyPress::spaceKey)
    {
        if (onClick != nullptr)
            onClick();

        return true;
    }

    return false;
}

std::unique_ptr<juce::AccessibilityHandler> ClickableLicenseDisclaimer::createAccessibilityHandler()
{
    return std::make_unique<juce::AccessibilityHandler> (*this, juce::AccessibilityRole::hyperlink,
                                                         juce::AccessibilityActions().addAction (juce::AccessibilityActionType::press,
                                                                                                 [this] { if (onClick != nullptr) onClick(); }));
}

void ClickableLicenseDisclaimer::paint (juce::Graphics& g)
{
    const auto font = robotoLight().withHeight (15.0f);
    g.setFont (font);
    g.setColour (widgetColours::text);
    g.drawMultiLineText (text, 0, 13, getWidth(), juce::Justification::left, 0.0f);

    const auto a = font.getStringWidthFloat ("You must agree to the ");
    const auto b = font.getStringWidthFloat ("License terms and conditions");
    const auto descent = font.getHeight() - font.getAscent();
    const auto y = juce::jmin (13.0f + juce::jmax (1.0f, descent / 2.0f), (float) getHeight() - 1.0f);
    g.drawLine (a, y, a + b, y, 1.0f);

    if (hasKeyboardFocus (false))
    {
        g.setColour (widgetColours::focusRing);
        g.drawRect (juce::Rectangle<float> (a - 2.0f, 0.0f, b + 4.0f, y + 3.0f), 1.0f);
    }
}
