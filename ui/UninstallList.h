#pragma once

#include "UninstallPlan.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Uninstaller
{
    /** A line of text shown whole: wrapped at the path separators and spaces where it is wider
        than its row, its full text its accessible title. */
    class TextRow final : public juce::Component
    {
    public:
        TextRow (const juce::String& text, const juce::Font& font, juce::Colour colour);

        /** Wraps the text to the width and takes the height of its lines. */
        void layOut (int width);

        void paint (juce::Graphics& g) override;

        /** The lines a text takes at a width: broken after a separator or a space, and inside a
            name only where one alone is wider than the row. */
        static juce::StringArray wrap (const juce::Font& font, const juce::String& text, float width);

        static constexpr int linePitch = 20;

        const juce::String text;
        juce::StringArray lines;

    private:
        juce::Font font;
        juce::Colour colour;
    };

    /** What the uninstaller's page lists under its heading, top to bottom: the paths that go,
        the folders that stay with their reasons, and the uninstall options under their heading.
        It lays out at the page's own coordinates (its x is the page's) and is as tall as its rows:
        the page shows it in a viewport that scrolls where it does not fit, and brings a focused
        option into view. */
    class UninstallList final : public juce::Component,
                                private juce::FocusChangeListener
    {
    public:
        UninstallList();
        ~UninstallList() override;

        /** The option boxes stay the page's; the list only shows them. */
        void setRows (const juce::StringArray& going, const std::vector<CorvoAudio::KeptPath>& kept,
                      const juce::Array<juce::Component*>& options);

        /** Lays out the rows for the width and takes their height, at least minimumHeight. */
        void layOut (int width, int minimumHeight);

        void paint (juce::Graphics& g) override;

        /** Where the list begins on the page: the first path's row there is at 230. */
        static constexpr int pageTop = 225;

        juce::OwnedArray<TextRow> goingRows, keptRows;
        std::unique_ptr<TextRow> keptHeading;
        juce::Array<juce::Component*> optionBoxes;
        juce::Rectangle<int> optionsHeadingArea;

    private:
        void globalFocusChanged (juce::Component* focused) override;
    };
}
