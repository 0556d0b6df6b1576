#include "UiProperties.h"
#include "Identifiers.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Quor::Properties
{
    UiPersistentProperties::UiPersistentProperties (juce::Point<int> defaultSize)
        : ValueTreeWrapper (Ids::UiPersistentProperties), defaultWindowSize (defaultSize)
    {
    }

    void UiPersistentProperties::initialiseDefaults()
    {
        juce::Rectangle<int> area;

        if (const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay())
            area = display->userArea;

        const auto width = defaultWindowSize.x, height = defaultWindowSize.y;
        setWindowPosition ({ area.getX() + area.getWidth() / 2 - width / 2,
                             area.getY() + area.getHeight() / 2 - height / 2,
                             width, height });
        tree.setPropertyExcludingListener (this, Ids::Zoom, 1.0, nullptr);
    }

    juce::Rectangle<int> UiPersistentProperties::getWindowPosition() const
    {
        return juce::Rectangle<int>::fromString (getString (Ids::windowPosition));
    }

    void UiPersistentProperties::setWindowPosition (const juce::Rectangle<int>& bounds)
    {
        setString (bounds.toString(), Ids::windowPosition);
    }

    float UiPersistentProperties::getZoom() const
    {
        return (float) (double) tree.getProperty (Ids::Zoom);
    }

    UiRuntimeProperties::UiRuntimeProperties()
        : ValueTreeWrapper (Ids::UiRuntimeProperties)
    {
    }

    bool UiRuntimeProperties::isActiveWindow() const                           { return getBool (Ids::IsActiveWindow); }
    void UiRuntimeProperties::setIsActiveWindow (bool isActive, bool notifySelf) { setBool (isActive, Ids::IsActiveWindow, notifySelf); }

    void UiPersistentCallbacks::valueTreePropertyChanged (juce::ValueTree& changed, const juce::Identifier& id)
    {
        if (changed != tree)
            return;

        if (id == Ids::windowPosition && onWindowPositionChanged != nullptr)
            onWindowPositionChanged (getWindowPosition());
        else if (id == Ids::Zoom && onZoomChanged != nullptr)
            onZoomChanged (getZoom());
    }

    void UiPersistentCallbacks::valueTreeRedirected (juce::ValueTree&)
    {
        treeRedirected();

        if (onTreeRedirected != nullptr)
            onTreeRedirected();
    }

    void UiRuntimeCallbacks::valueTreePropertyChanged (juce::ValueTree& changed, const juce::Identifier& id)
    {
        if (changed == tree && id == Ids::IsActiveWindow && onIsActiveWindowChanged != nullptr)
            onIsActiveWindowChanged (isActiveWindow());
    }

    void UiRuntimeCallbacks::valueTreeRedirected (juce::ValueTree&)
    {
        treeRedirected();

        if (onTreeRedirected != nullptr)
            onTreeRedirected();
    }
}
