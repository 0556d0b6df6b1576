#include "UninstallList.h"
#include "Fonts.h"

namespace Uninstaller
{
    namespace
    {
        const juce::Colour textGrey = juce::Colour (0xff808080).brighter (0.4f);

        // The page's text column and the option boxes' column, in page coordinates.
        constexpr int textX = 55, boxX = 25;

        // Where the options begin when everything above them fits: the page's classic places.
        constexpr int optionsHeadingTop = 390 - UninstallList::pageTop, firstOptionTop = 420 - UninstallList::pageTop, optionPitch = 34;
    }

    TextRow::TextRow (const juce::String& t, const juce::Font& f, juce::Colour c)
        : text (t), font (f), colour (c)
    {
        setTitle (text);
        setAccessible (true);
        setInterceptsMouseClicks (false, false);
    }

    juce::StringArray TextRow::wrap (const juce::Font& font, const juce::String& text, float width)
    {
        juce::StringArray lines;
        juce::String line;

        const auto fits = [&font, width] (const juce::String& s) { return font.getStringWidthFloat (s) <= width; };

        // The pieces a line may end after: each runs up to and including a separator or a space.
        juce::StringArray pieces;
        juce::String piece;

        for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
        {
            piece += *p;

            if (*p == '\\' || *p == '/' || *p == ' ')
            {
                pieces.add (piece);
                piece.clear();
            }
        }

        if (piece.isNotEmpty())
            pieces.add (piece);

        for (auto next : pieces)
        {
            if (fits (line + next))
            {
                line += next;
                continue;
            }

            if (line.isNotEmpty())
                lines.add (line.trimEnd());

            line.clear();

            // A name wider than the row alone is cut where it reaches the edge.
            while (! fits (next) && next.length() > 1)
            {
                auto length = next.length() - 1;

                while (length > 1 && ! fits (next.substring (0, length)))
                    --length;

                lines.add (next.substring (0, length));
                next = next.substring (length);
            }

            line = next;
        }

        if (line.trim().isNotEmpty() || lines.isEmpty())
            lines.add (line.trimEnd());

        return lines;
    }

    void TextRow::layOut (int width)
    {
        lines = wrap (font, text, (float) width);
        setSize (width, lines.size() * linePitch - 2);
    }

    void TextRow::paint (juce::Graphics& g)
    {
        g.setColour (colour);
        g.setFont (font);

        for (int k = 0; k < lines.size(); ++k)
            g.drawText (lines[k], juce::Rectangle<int> (0, k * linePitch, getWidth(), linePitch - 2), juce::Justification::topLeft, false);
    }

    void UninstallList::setRows (const juce::StringArray& going, const std::vector<CorvoAudio::KeptPath>& kept,
                                 const juce::Array<juce::Component*>& options)
    {
        goingRows.clear();
        keptRows.clear();
        keptHeading.reset();

        const auto regular = robotoRegular().withHeight (13.0f), light = robotoLight().withHeight (13.0f);

        for (const auto& path : going)
            addAndMakeVisible (goingRows.add (new TextRow ("- " + path, regular, textGrey)));

        if (! kept.empty())
        {
            keptHeading = std::make_unique<TextRow> ("These stay:", light, textGrey.withAlpha (0.8f));
            addAndMakeVisible (*keptHeading);

            for (const auto& path : kept)
                addAndMakeVisible (keptRows.add (new TextRow ("- " + path.path.getFullPathName() + " (" + path.reason + ")",
                                                              light, textGrey.withAlpha (0.8f))));
        }

        optionBoxes = options;

        for (auto* box : optionBoxes)
            addAndMakeVisible (box);
    }

    void UninstallList::layOut (int width, int minimumHeight)
    {
        const auto textWidth = juce::jmax (1, width - 2 * textX);
        auto y = 230 - pageTop;

        const auto place = [&] (TextRow& row)
        {
            row.layOut (textWidth);
            row.setTopLeftPosition (textX, y);
            y += row.getHeight() + 2;
        };

        for (auto* row : goingRows)
            place (*row);

        if (keptHeading != nullptr)
            place (*keptHeading);

        for (auto* row : keptRows)
            place (*row);

        if (! optionBoxes.isEmpty())
        {
            y = juce::jmax (y + 4, optionsHeadingTop);
            optionsHeadingArea = { textX, y, textWidth, 20 };
            y = juce::jmax (y + 30, firstOptionTop);

            for (auto* box : optionBoxes)
            {
                box->setBounds (boxX, y, juce::jmax (1, width - 2 * boxX), 16);
                y += optionPitch;
            }

            y -= optionPitch - 16;
        }
        else
        {
            optionsHeadingArea = {};
        }

        setSize (width, juce::jmax (minimumHeight, y + 6));
    }

    void UninstallList::paint (juce::Graphics& g)
    {
        if (optionsHeadingArea.isEmpty())
            return;

        g.setColour (textGrey.withAlpha (0.8f));
        g.setFont (robotoLight().withHeight (13.0f));
        g.drawText ("Optional components:", optionsHeadingArea, juce::Justification::centredLeft, true);
    }

    UninstallList::UninstallList()
    {
        juce::Desktop::getInstance().addFocusChangeListener (this);
    }

    UninstallList::~UninstallList()
    {
        juce::Desktop::getInstance().removeFocusChangeListener (this);
    }

    void UninstallList::globalFocusChanged (juce::Component* focused)
    {
        auto* viewport = findParentComponentOfClass<juce::Viewport>();

        if (viewport == nullptr || focused == nullptr || ! isParentOf (focused))
            return;

        // Tab reaches an option below the visible part: the list scrolls it into view.
        const auto area = getLocalArea (focused, focused->getLocalBounds()).expanded (0, 4);
        const auto view = viewport->getViewArea();

        if (area.getY() < view.getY())
            viewport->setViewPosition (0, area.getY());
        else if (area.getBottom() > view.getBottom())
            viewport->setViewPosition (0, area.getBottom() - view.getHeight());
    }
}
