#include "LogText.h"
#include "Fonts.h"

#include <cmath>

LogText::LogText()
{
    setTitle ("Log");
    setAccessible (true);
}

void LogText::addLine (const juce::String& text)
{
    lines.add (text);
    repaint();

    if (auto* handler = getAccessibilityHandler())
        handler->notifyAccessibilityEvent (juce::AccessibilityEvent::valueChanged);
}

void LogText::paint (juce::Graphics& g)
{
    const auto w = getWidth(), h = getHeight();
    const auto maxWidth = (float) (w - 2 * sideMargin);
    const auto maxHeight = h - reservedHeight;

    g.setColour (juce::Colour (0xff4c586e));
    g.drawRect (getLocalBounds(), 1);

    const auto font = robotoRegular().withHeight (14.0f);
    g.setColour (juce::Colours::white.withAlpha (0.5f));
    g.setFont (font);

    // Newest first, as many as fit; what does not fit now never will again.
    juce::StringArray kept;
    juce::Array<int> rows;
    auto total = 0;

    for (int i = lines.size(); --i >= 0;)
    {
        const auto lineWidth = font.getStringWidthFloat (lines[i]);
        const auto lineRows = maxWidth <= 0.0f ? 1 : (int) std::ceil (lineWidth / maxWidth);

        if (total + lineRows * rowPitch > maxHeight)
            break;

        kept.insert (0, lines[i]);
        rows.insert (0, lineRows);
        total += lineRows * rowPitch;
    }

    lines = kept;

    auto y = h - total - bottomMargin;

    for (int i = 0; i < lines.size(); ++i)
    {
        g.drawMultiLineText (lines[i], sideMargin, y, (int) maxWidth, juce::Justification::left, 0.0f);
        y += rows[i] * rowPitch;
    }
}
