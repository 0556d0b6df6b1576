#include "CorvoMainWindow.h"
#include "Identifiers.h"
#include "Platform.h"

#include <numeric>

namespace Quor
{
    namespace
    {
        void createGlFile (const juce::File& file, bool value)
        {
            if (file == juce::File() || file.existsAsFile())
                return;

            // Written through a temporary file, so that a file is there whole or not at all.
            file.getParentDirectory().createDirectory();
            juce::TemporaryFile temporary (file);
            if (temporary.getFile().replaceWithText (value ? "1" : "0"))
                temporary.overwriteTargetFileWithTemporary();
        }
    }

    juce::File CorvoMainWindow::glSettingsFile (const juce::String& companyName, const juce::String& applicationName)
    {
        const auto appData = platform::getFolder (platform::Folder::userAppData);

        if (appData == juce::File())
            return {};

        return appData.getChildFile ("Application Support").getChildFile (companyName)
                      .getChildFile (applicationName).getChildFile ("gl");
    }

    juce::File CorvoMainWindow::positionFile (const juce::String& companyName, const juce::String& applicationName)
    {
        const auto gl = glSettingsFile (companyName, applicationName);
        return gl == juce::File() ? juce::File() : gl.getSiblingFile ("window");
    }

    CorvoMainWindow::Placement CorvoMainWindow::placementFor (juce::Rectangle<int> stored, juce::Point<int> size,
                                                              const juce::Array<juce::Rectangle<int>>& workAreas,
                                                              juce::Rectangle<int> primaryArea)
    {
        auto area = primaryArea;
        auto centred = true;

        if (stored.getWidth() >= 2)
        {
            const juce::Rectangle<int> wanted (stored.getPosition(), stored.getPosition() + size);
            auto bestOverlap = 0;

            for (const auto& workArea : workAreas)
            {
                const auto overlap = workArea.getIntersection (wanted);

                if (overlap.getWidth() * overlap.getHeight() > bestOverlap)
                {
                    area = workArea;
                    bestOverlap = overlap.getWidth() * overlap.getHeight();
                }
            }

            // Less than a title bar's worth on any screen: the user could not reach the window to
            // drag it back.
            centred = bestOverlap < 30 * juce::jmin (size.x, 100);

            if (centred)
                area = primaryArea;
        }

        // Scaled by whole steps of the size's own proportion (3 : 4 for 495 x 660), so that the
        // window's pixels on the screen give back its size exactly, and never above 1; a size
        // without such steps is scaled as closely as the pixels allow.
        const auto unit = std::gcd (juce::jmax (1, size.x), juce::jmax (1, size.y));
        auto scale = 1.0f;
        juce::Point<int> shown (size);

        if (unit >= 20)
        {
            const auto steps = juce::jmax (1, juce::jmin (unit, area.getWidth() / (size.x / unit), area.getHeight() / (size.y / unit)));
            scale = (float) steps / (float) unit;
            shown = { size.x / unit * steps, size.y / unit * steps };
        }
        else
        {
            scale = juce::jmin (1.0f, (float) area.getWidth() / (float) juce::jmax (1, size.x), (float) area.getHeight() / (float) juce::jmax (1, size.y));
            shown = { juce::jmin (area.getWidth(), juce::roundToInt ((float) size.x * scale)),
                      juce::jmin (area.getHeight(), juce::roundToInt ((float) size.y * scale)) };
        }

        auto bounds = centred ? juce::Rectangle<int> (shown.x, shown.y).withCentre (area.getCentre())
                              : juce::Rectangle<int> (stored.getPosition(), stored.getPosition() + shown);

        return { bounds.constrainedWithin (area), scale };
    }

    CorvoMainWindow::Placement CorvoMainWindow::placementFor (juce::Rectangle<int> stored, juce::Point<int> size)
    {
        const auto& displays = juce::Desktop::getInstance().getDisplays();
        juce::Array<juce::Rectangle<int>> areas;

        for (const auto& display : displays.displays)
            areas.add (display.userArea);

        const auto* primary = displays.getPrimaryDisplay();
        return placementFor (stored, size, areas, primary != nullptr ? primary->userArea : juce::Rectangle<int> (size.x, size.y));
    }

    void CorvoMainWindow::place (const Placement& placement)
    {
        fitScale = placement.scale;

        // A window's own bounds are in its scaled space: on the screen they are multiplied by the
        // scale, so the content keeps its size and every control stays where it is drawn.
        const auto global = juce::Desktop::getInstance().getGlobalScaleFactor();
        const auto topLeft = (placement.screenBounds.getPosition().toFloat() * global / getDesktopScaleFactor()).roundToInt();
        setBounds ({ topLeft.x, topLeft.y, designSize.x, designSize.y });

        // A new scale alone does not move the component: the system's window is told directly.
        if (auto* peer = getPeer())
        {
            const auto screen = (placement.screenBounds.toFloat() * global).toNearestInt();

            if (peer->getBounds() != screen)
                peer->setBounds (screen, false);
        }

        repaint();
    }

    float CorvoMainWindow::getDesktopScaleFactor() const
    {
        return fitScale * juce::Desktop::getInstance().getGlobalScaleFactor();
    }

    void CorvoMainWindow::refit()
    {
        const auto wanted = placementFor ({ getScreenPosition(), getScreenPosition() + designSize }, designSize);

        if (wanted.scale != fitScale || wanted.screenBounds != getScreenBounds())
            place (wanted);
    }

    void CorvoMainWindow::parentSizeChanged()
    {
        juce::DocumentWindow::parentSizeChanged();

        if (isOnDesktop() && designSize.x > 0)
            refit();
    }

    CorvoMainWindow::CorvoMainWindow (juce::JUCEApplication& application, const juce::String& companyName,
                                      const juce::String& title, juce::Component* content,
                                      juce::ValueTree runtimeTree, juce::ValueTree persistentTree, bool glDefault,
                                      juce::Point<int> initialSize, juce::ComponentBoundsConstrainer* boundsConstrainer)
        : juce::DocumentWindow (title, juce::Colours::black, juce::DocumentWindow::allButtons, true),
          app (application),
          persistent (initialSize),
          glFileDefault (glDefault),
          constrainer (boundsConstrainer)
    {
        createGlFile (glSettingsFile (companyName, application.getApplicationName()), glFileDefault);

        // A state that holds no window yet (none is pending) is made with a centred default;
        // where the user left the window wins over that.
        const auto hadWindowState = persistentTree.getChildWithName (Ids::UiPersistentProperties).isValid();
        persistent.setTree (persistentTree, true);
        persistent.startListening();
        designSize = initialSize;

        // A position loaded from outside moves the window; its size is always the window's own.
        persistent.onWindowPositionChanged = [this] (const juce::Rectangle<int>& bounds)
        {
            place (placementFor (bounds, designSize));
        };

        savedPosition = positionFile (companyName, application.getApplicationName());
        auto stored = persistent.getWindowPosition();

        if ((! hadWindowState || stored.getWidth() < 2) && savedPosition.existsAsFile())
            stored = juce::Rectangle<int>::fromString (savedPosition.loadFileAsString().trim());

        const auto placement = placementFor (stored, initialSize);
        const juce::Rectangle<int> position (placement.screenBounds.getPosition(), placement.screenBounds.getPosition() + initialSize);

        if (position != persistent.getWindowPosition())
            persistent.setWindowPosition (position);

        runtime.setTree (runtimeTree, true);
        runtime.startListening();
        runtime.setIsActiveWindow (isActiveWindow(), false);

        setUsingNativeTitleBar (true);
        setContentOwned (content, true);
        place (placement);

        // Whether the user may resize it is the application's to say, right after this; a window
        // made resizable here and fixed again there hangs Wine when its title bar is replaced.
        setVisible (true);
        toFront (true);
    }

    CorvoMainWindow::~CorvoMainWindow()
    {
        persistent.onWindowPositionChanged = nullptr;

        if (isTimerRunning())
        {
            stopTimer();
            writePositionFile();
        }
    }

    void CorvoMainWindow::timerCallback()
    {
        stopTimer();
        writePositionFile();
    }

    void CorvoMainWindow::writePositionFile()
    {
        if (savedPosition == juce::File())
            return;

        savedPosition.getParentDirectory().createDirectory();
        savedPosition.replaceWithText (persistent.getWindowPosition().toString());
    }

    juce::BorderSize<int> CorvoMainWindow::getBorderThickness()
    {
        return isUsingNativeTitleBar() ? juce::DocumentWindow::getBorderThickness() : juce::BorderSize<int>();
    }

    void CorvoMainWindow::storePosition()
    {
        // The top-left on the screen, with the window's own size: a window scaled to fit a small
        // screen opens whole, not small, on a large one.
        const juce::Rectangle<int> position (getScreenPosition(), getScreenPosition() + designSize);

        if (getWidth() > 0 && isVisible() && persistent.getWindowPosition() != position)
        {
            persistent.setWindowPosition (position);
            startTimer (500);   // once the window rests, not at every step of a drag
        }
    }

    void CorvoMainWindow::resized()
    {
        juce::DocumentWindow::resized();
        storePosition();
    }

    void CorvoMainWindow::moved()
    {
        juce::DocumentWindow::moved();

        if (const auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (getScreenBounds()))
        {
            if (display->totalArea != lastDisplayArea)
            {
                const auto wasOnAnother = ! lastDisplayArea.isEmpty();
                lastDisplayArea = display->totalArea;

                // Another display may be smaller or larger: the window fits it again.
                if (wasOnAnother && designSize.x > 0)
                    refit();

                resized();
                repaint();
            }
        }

        storePosition();
    }

    void CorvoMainWindow::activeWindowStatusChanged()
    {
        juce::DocumentWindow::activeWindowStatusChanged();
        runtime.setIsActiveWindow (isActiveWindow(), true);
    }

    void CorvoMainWindow::closeButtonPressed()
    {
        app.systemRequestedQuit();
    }

    bool CorvoMainWindow::keyPressed (const juce::KeyPress& key)
    {
        if (key == juce::KeyPress::escapeKey)
        {
            closeButtonPressed();
            return true;
        }

        return juce::DocumentWindow::keyPressed (key);
    }
}
