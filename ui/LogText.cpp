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

namespace
{
    juce::Font logFont()   { return robotoRegular().withHeight (14.0f); }

    // The space between two rows that a line's own breaks and wraps are drawn with: the same
    // pitch as between two lines.
    float leadingOf (const juce::Font& font)   { return (float) LogText::rowPitch - font.getHeight(); }
}

int LogText::rowsFor (const juce::Font& font, const juce::String& text, float maxWidth)
{
    if (maxWidth <= 0.0f || text.trimEnd().isEmpty())
        return 1;

    // Laid out exactly as it is drawn: word wraps and line breaks both make rows.
    juce::GlyphArrangement glyphs;
    glyphs.addJustifiedText (font, text.trimEnd(), 0.0f, 0.0f, maxWidth, juce::Justification::left, leadingOf (font));

    if (glyphs.getNumGlyphs() == 0)
        return 1;

    auto first = glyphs.getGlyph (0).getBaselineY(), last = first;

    for (int i = 1; i < glyphs.getNumGlyphs(); ++i)
        last = juce::jmax (last, glyphs.getGlyph (i).getBaselineY());

    return juce::roundToInt ((last - first) / (float) rowPitch) + 1;
}

void LogText::paint (juce::Graphics& g)
{
    const auto w = getWidth(), h = getHeight();
    const auto maxWidth = (float) (w - 2 * sideMargin);
    const auto maxHeight = h - reservedHeight;

    g.setColour (juce::Colour (0xff4c586e));
    g.drawRect (getLocalBounds(), 1);

    const auto font = logFont();
    g.setColour (juce::Colours::white.withAlpha (0.5f));
    g.setFont (font);

    // Newest first, as many as fit; what does not fit now never will again.
    juce::StringArray kept;
    juce::Array<int> rows;
    auto total = 0;

    for (int i = lines.size(); --i >= 0;)
    {
        const auto lineRows = rowsFor (font, lines[i], maxWidth);

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
        g.drawMultiLineText (lines[i].trimEnd(), sideMargin, y, (int) maxWidth, juce::Justification::left, leadingOf (font));
        y += rows[i] * rowPitch;
    }
}
