#include "CorvoMainWindow.h"
#include "Identifiers.h"
#include "Platform.h"

namespace Quor
{
    namespace
    {
        juce::Rectangle<int> centredOnPrimaryDisplay (juce::Point<int> size)
        {
            juce::Rectangle<int> area;

            if (const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay())
                area = display->userArea;

            return { area.getWidth() / 2 - size.x / 2 + area.getX(), area.getHeight() / 2 + area.getY() - size.y / 2,
                     size.x, size.y };
        }

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

    juce::Rectangle<int> CorvoMainWindow::usablePosition (juce::Rectangle<int> stored, juce::Point<int> size)
    {
        if (stored.getWidth() < 2)
            return centredOnPrimaryDisplay (size);

        const juce::Displays::Display* best = nullptr;
        auto bestArea = 0;

        for (const auto& display : juce::Desktop::getInstance().getDisplays().displays)
        {
            const auto overlap = display.userArea.getIntersection (stored);

            if (overlap.getWidth() * overlap.getHeight() > bestArea)
            {
                best = &display;
                bestArea = overlap.getWidth() * overlap.getHeight();
            }
        }

        // Less than a title bar's worth on any screen: the user could not reach the window to
        // drag it back.
        if (best == nullptr || bestArea < 30 * juce::jmin (stored.getWidth(), 100))
            return centredOnPrimaryDisplay (size);

        return stored.constrainedWithin (best->userArea);
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
        persistent.onWindowPositionChanged = [this] (const juce::Rectangle<int>& bounds) { setBounds (bounds); };

        savedPosition = positionFile (companyName, application.getApplicationName());
        auto stored = persistent.getWindowPosition();

        if ((! hadWindowState || stored.getWidth() < 2) && savedPosition.existsAsFile())
            stored = juce::Rectangle<int>::fromString (savedPosition.loadFileAsString().trim());

        const auto position = usablePosition (stored, initialSize);

        if (position != persistent.getWindowPosition())
            persistent.setWindowPosition (position);

        runtime.setTree (runtimeTree, true);
        runtime.startListening();
        runtime.setIsActiveWindow (isActiveWindow(), false);

        setUsingNativeTitleBar (true);
        setContentOwned (content, true);
        setBounds (persistent.getWindowPosition());

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
        if (getWidth() > 0 && isVisible() && persistent.getWindowPosition() != getScreenBounds())
        {
            persistent.setWindowPosition (getScreenBounds());
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
                lastDisplayArea = display->totalArea;
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
