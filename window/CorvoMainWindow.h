#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace Quor
{
    /** The application's one window; it owns the content the application supplies. */
    class CorvoMainWindow final : public juce::DocumentWindow
    {
    public:
        CorvoMainWindow (juce::JUCEApplication& app, const juce::String& name, juce::Component* content,
                         juce::ValueTree runtimeTree, juce::ValueTree persistentTree, bool glFileDefault,
                         juce::Point<int> windowSize, juce::ComponentBoundsConstrainer* constrainer);

        void closeButtonPressed() override;

    private:
        juce::JUCEApplication& app;
        juce::ValueTree runtimeTree, persistentTree;
    };
}
