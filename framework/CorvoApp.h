#pragma once

#include "Elevation.h"

#include "CorvoMainWindow.h"
#include "SeamlessTitlebarLAF.h"
#include "ValueTreeFile.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

namespace Quor
{
    /** Placeholder content for an application that supplies none. */
    class DummyMainComponent final : public juce::Component
    {
    public:
        DummyMainComponent();
        void paint (juce::Graphics& g) override;
    };

    /** The reusable application base: owns the shared persistent and runtime trees, keeps the
        persistent one in a per-user state file, and opens the one main window. */
    class CorvoApp : public juce::JUCEApplication
    {
    public:
        /** windowMode 2 means that no main window is ever opened. The constrainer is owned from now on. */
        CorvoApp (int windowMode, juce::ValueTree runtimeTree, juce::ValueTree persistentTree,
                  const juce::String& companyName, const juce::String& applicationName,
                  const juce::String& versionText, int versionNumber, juce::Point<int> windowSize,
                  juce::ComponentBoundsConstrainer* constrainer);
        ~CorvoApp() override;

        const juce::String getApplicationName() override      { return applicationName; }
        const juce::String getApplicationVersion() override   { return versionText; }
        bool moreThanOneInstanceAllowed() override             { return true; }
        void initialise (const juce::String& commandLine) override;
        void shutdown() override;
        void anotherInstanceStarted (const juce::String&) override {}
        void systemRequestedQuit() override;
        void suspended() override {}
        void resumed() override {}
        void unhandledException (const std::exception*, const juce::String&, int) override {}
        void memoryWarningReceived() override {}
        bool backButtonPressed() override                     { return false; }

        /** New content for the main window, which takes ownership. */
        virtual juce::Component* getMainComponent();
        virtual void mainWindowOpened() {}
        virtual juce::Array<juce::ValueTree> getPropertyTrees();

        /** The application's manifest as loaded at start-up, for the pages to read; none here. */
        virtual juce::ValueTree getManifestTree() const { return {}; }

        /** Creates the main window, replacing an earlier one. */
        void openMainWindow();

        /** Writes the state file now, then starts this executable elevated with the arguments (see
            relaunchElevated). */
        void requestElevation (const juce::String& arguments, std::function<void (CorvoAudio::ElevationOutcome)> callback);

        SeamlessTitlebarLAF& getFrameworkLookAndFeel()    { return lookAndFeel; }
        juce::ValueTree getPersistentTree() const         { return persistentTree; }
        const juce::String& getCompanyName() const        { return companyName; }
        juce::ValueTree getRuntimeTree() const            { return runtimeTree; }
        juce::File getStateFile() const                   { return stateFile.getFile(); }
        ValueTreeFile& getStateFileWriter()               { return stateFile; }
        CorvoMainWindow* getMainWindow() const            { return mainWindow.get(); }

        /** The state file for a persistent tree, inside the per-user settings folder. */
        static juce::File stateFileFor (const juce::ValueTree& persistentTree, const juce::String& companyName,
                                        const juce::String& applicationName);

    protected:
        std::unique_ptr<CorvoMainWindow> mainWindow;
        SeamlessTitlebarLAF lookAndFeel;
        juce::String companyName, applicationName, versionText;
        int versionNumber = 0;
        bool useSeamlessTitleBar = false;

    private:
        juce::ValueTree persistentTree;
        ValueTreeFile stateFile;
        juce::ValueTree runtimeTree;
        juce::Point<int> windowSize;
        bool glFileDefault = false;
        std::unique_ptr<juce::ComponentBoundsConstrainer> constrainer;
        bool resizable = false;
        int windowMode = 0;
    };
}
