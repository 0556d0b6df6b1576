#pragma once

#include "RepaintFallback.h"
#include "UiProperties.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Quor
{
    /** The application's one window. It owns the content the application supplies, opens where
        it was last left (its position lives in the persistent tree), writes every move back there,
        publishes whether it is active, and asks the application to quit when closed. */
    class CorvoMainWindow final : public juce::DocumentWindow,
                                  private juce::Timer
    {
    public:
        CorvoMainWindow (juce::JUCEApplication& app, const juce::String& companyName, const juce::String& title,
                         juce::Component* content, juce::ValueTree runtimeTree, juce::ValueTree persistentTree,
                         bool glFileDefault, juce::Point<int> initialSize, juce::ComponentBoundsConstrainer* constrainer);
        ~CorvoMainWindow() override;

        void resized() override;
        void moved() override;
        void activeWindowStatusChanged() override;
        void closeButtonPressed() override;

        /** Escape closes the window, as the close button does. */
        bool keyPressed (const juce::KeyPress& key) override;

        /** With the drawn title bar the window is its picture, edge to edge: no frame around it. */
        juce::BorderSize<int> getBorderThickness() override;

        /** The window's settings file "gl", below "Application Support" in the roaming folder. */
        static juce::File glSettingsFile (const juce::String& companyName, const juce::String& applicationName);

        /** Beside it, where the window was last: the state file that holds it too lives only as
            long as an install is pending, and the window opens where the user left it. */
        static juce::File positionFile (const juce::String& companyName, const juce::String& applicationName);

        /** A stored position, or the size centred on the primary display when it is unusable: too
            small, or off every display (a monitor unplugged since). A position partly off its
            display is moved inside it. */
        static juce::Rectangle<int> usablePosition (juce::Rectangle<int> stored, juce::Point<int> size);

    private:
        void storePosition();
        void timerCallback() override;
        void writePositionFile();

        juce::JUCEApplication& app;
        Properties::UiPersistentCallbacks persistent;
        Properties::UiRuntimeCallbacks runtime;
        bool glFileDefault = false;
        juce::ComponentBoundsConstrainer* constrainer = nullptr;
        juce::Rectangle<int> lastDisplayArea;
        juce::File savedPosition;
        RepaintFallback repaintFallback { *this };

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CorvoMainWindow)
    };
}
