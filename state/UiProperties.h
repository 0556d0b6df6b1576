#pragma once

#include "ValueTreeWrapper.h"

#include <juce_graphics/juce_graphics.h>

#include <functional>

namespace Quor::Properties
{
    /** Where the main window is and its zoom; a child of the persistent tree. */
    class UiPersistentProperties : public ValueTreeWrapper
    {
    public:
        explicit UiPersistentProperties (juce::Point<int> defaultWindowSize);

        /** The default window position: centred in the primary display's user area. */
        void initialiseDefaults() override;

        juce::Rectangle<int> getWindowPosition() const;
        void setWindowPosition (const juce::Rectangle<int>& bounds);
        virtual float getZoom() const;

    protected:
        juce::Point<int> defaultWindowSize;
    };

    /** Whether the main window is active; a child of the runtime tree. */
    class UiRuntimeProperties : public ValueTreeWrapper
    {
    public:
        UiRuntimeProperties();

        void initialiseDefaults() override {}

        bool isActiveWindow() const;
        void setIsActiveWindow (bool isActive, bool notifySelf);
    };

    /** UiPersistentProperties with typed callbacks for changes of the viewed tree itself. */
    class UiPersistentCallbacks : public virtual UiPersistentProperties
    {
    public:
        using UiPersistentProperties::UiPersistentProperties;

        virtual void treeRedirected() {}

        void valueTreePropertyChanged (juce::ValueTree& changed, const juce::Identifier& id) override;
        void valueTreeRedirected (juce::ValueTree&) override;

        std::function<void()> onTreeRedirected;
        std::function<void (const juce::Rectangle<int>&)> onWindowPositionChanged;
        std::function<void (float)> onZoomChanged;
    };

    /** UiRuntimeProperties with a typed callback for the active state. */
    class UiRuntimeCallbacks : public virtual UiRuntimeProperties
    {
    public:
        virtual void treeRedirected() {}

        void valueTreePropertyChanged (juce::ValueTree& changed, const juce::Identifier& id) override;
        void valueTreeRedirected (juce::ValueTree&) override;

        std::function<void()> onTreeRedirected;
        std::function<void (bool)> onIsActiveWindowChanged;
    };
}
