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

        /** Where the window is shown and at what scale. */
        struct Placement
        {
            juce::Rectangle<int> screenBounds;   // on the screen, in the system's logical pixels
            float scale = 1.0f;                  // of the whole window, 1 where it fits

            bool operator== (const Placement& other) const   { return screenBounds == other.screenBounds && scale == other.scale; }
        };

        /** The window of the given size on the displays with these work areas: at a stored
            top-left on the display it overlaps most, or centred on the primary display when
            nothing usable is stored (too small, or off every display: a monitor unplugged since).
            Where the work area is smaller than the window, the whole window is scaled down,
            keeping its proportions; then it is moved inside. A stored size is never used. */
        static Placement placementFor (juce::Rectangle<int> stored, juce::Point<int> size,
                                       const juce::Array<juce::Rectangle<int>>& workAreas, juce::Rectangle<int> primaryArea);

        /** The same on this computer's displays. */
        static Placement placementFor (juce::Rectangle<int> stored, juce::Point<int> size);

        /** Shows the window there: its content keeps its own size, the system draws it scaled. */
        void place (const Placement& placement);

        /** The scale the window is drawn at (below 1 on a screen too small for it). */
        float getDesktopScaleFactor() const override;

        /** The displays or their work areas changed: the window is fitted again. */
        void parentSizeChanged() override;

    private:
        void refit();
        void storePosition();
        void timerCallback() override;
        void writePositionFile();

        juce::JUCEApplication& app;
        Properties::UiPersistentCallbacks persistent;
        Properties::UiRuntimeCallbacks runtime;
        bool glFileDefault = false;
        juce::ComponentBoundsConstrainer* constrainer = nullptr;
        juce::Rectangle<int> lastDisplayArea;
        juce::Point<int> designSize;
        float fitScale = 1.0f;
        juce::File savedPosition;
        RepaintFallback repaintFallback { *this };

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CorvoMainWindow)
    };
}
