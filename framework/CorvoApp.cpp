#include "CorvoApp.h"
#include "Elevation.h"
#include "Identifiers.h"
#include "Platform.h"

namespace Quor
{
    DummyMainComponent::DummyMainComponent()
    {
        setSize (600, 400);
    }

    void DummyMainComponent::paint (juce::Graphics& g)
    {
        g.fillAll (findColour (juce::ResizableWindow::backgroundColourId));
        g.setColour (juce::Colours::white);
        g.setFont (11.0f);
        g.drawText ("Dummy Main... override getMainComponent ()", getLocalBounds(), juce::Justification::centred, true);
    }

    juce::File CorvoApp::stateFileFor (const juce::ValueTree& persistentTree, const juce::String& companyName,
                                       const juce::String& applicationName)
    {
        auto appData = platform::getFolder (platform::Folder::userAppData);

        // Without the roaming folder the state still has to live somewhere per user.
        if (appData == juce::File())
            appData = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);

        const auto folder = appData.getChildFile (companyName).getChildFile (applicationName);
        const auto name = persistentTree.isValid() ? persistentTree.getType().toString() + ".properties"
                                                   : applicationName.replace (" ", "_") + "App.properties";
        return folder.getChildFile (name);
    }

    CorvoApp::CorvoApp (int mode, juce::ValueTree runtime, juce::ValueTree persistent,
                        const juce::String& company, const juce::String& application,
                        const juce::String& version, int number, juce::Point<int> size,
                        juce::ComponentBoundsConstrainer* boundsConstrainer)
        : companyName (company),
          applicationName (application),
          versionText (version),
          versionNumber (number),
          persistentTree (persistent),
          stateFile (persistent, stateFileFor (persistent, company, application)),
          runtimeTree (runtime),
          windowSize (size),
          constrainer (boundsConstrainer),
          windowMode (mode)
    {
        auto uuid = juce::Uuid (persistentTree.getProperty (Ids::AppUuid).toString());

        if (uuid.isNull())
            uuid = juce::Uuid();

        runtimeTree.setProperty (Ids::AppUuid, uuid.toString(), nullptr);
    }

    CorvoApp::~CorvoApp()
    {
        if (mainWindow != nullptr)
            mainWindow->setLookAndFeel (nullptr);

        mainWindow.reset();
    }

    void CorvoApp::initialise (const juce::String& commandLine)
    {
        if (! commandLine.contains ("--headless"))
            openMainWindow();
    }

    void CorvoApp::systemRequestedQuit()
    {
        platform::seam().quitApplication();
    }

    void CorvoApp::shutdown()
    {
        mainWindow.reset();
    }

    juce::Component* CorvoApp::getMainComponent()
    {
        return new DummyMainComponent();
    }

    juce::Array<juce::ValueTree> CorvoApp::getPropertyTrees()
    {
        return { persistentTree, runtimeTree };
    }

    void CorvoApp::openMainWindow()
    {
        if (windowMode == 2)
            return;

        // The old window goes first: two windows on the same stored position would each move the
        // other whenever one of them moves.
        if (mainWindow != nullptr)
        {
            mainWindow->setLookAndFeel (nullptr);
            mainWindow.reset();
        }

        auto* content = getMainComponent();
        mainWindow = std::make_unique<CorvoMainWindow> (*this, companyName, getApplicationName(), content, runtimeTree,
                                                        persistentTree, glFileDefault, windowSize, constrainer.get());
        mainWindow->setResizable (resizable, resizable);

        if (useSeamlessTitleBar)
        {
            mainWindow->setUsingNativeTitleBar (false);
            mainWindow->setTitleBarHeight (lookAndFeel.titleBarHeight);
            mainWindow->resized();
            mainWindow->repaint (mainWindow->getTitleBarArea());

            if (&mainWindow->getLookAndFeel() != &lookAndFeel)
                mainWindow->setLookAndFeel (&lookAndFeel);
        }

        mainWindow->toFront (true);
        mainWindowOpened();
    }

    void CorvoApp::requestElevation (const juce::String& arguments, std::function<void (CorvoAudio::ElevationOutcome)> callback)
    {
        if (persistentTree.isValid())
            stateFile.saveNow();

        CorvoAudio::relaunchElevated (arguments, std::move (callback));
    }
}
