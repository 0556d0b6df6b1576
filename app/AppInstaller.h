#pragma once

#include "AppProperties.h"
#include "CommandLine.h"
#include "Elevation.h"
#include "CorvoApp.h"
#include "FilesInUse.h"
#include "Platform.h"
#include "ManifestProperties.h"
#include "RuntimeProperties.h"

#include <memory>

namespace CorvoAudio
{
    class InstallerProcess;

    /** The installer application: decides the operation mode, then either runs the wizard or, with
        "--headless", runs the engine at once and ends with its exit code. */
    class AppInstaller final : public Quor::CorvoApp
    {
    public:
        AppInstaller();
        ~AppInstaller() override;

        void initialise (const juce::String& commandLine) override;

        /** Quits at once while nothing runs; during a procedure it asks first, and a confirmed
            close stops the procedure at its next stop point before quitting. */
        void systemRequestedQuit() override;

        /** Stops the running procedure at its next stop point, then quits. */
        void stopProcedureAndQuit();
        juce::Component* getMainComponent() override;
        /** The manifest the pages show: the embedded one, with the command line's choices as its defaults. */
        juce::ValueTree getManifestTree() const override
        {
            return wizardManifest.isValid() ? wizardManifest : embeddedManifest.getTree();
        }

        /** Starts the engine, or asks for elevation, when the next page is the install page. */
        void runInstallationIfReady (juce::var);

        /** The build-time modify switch (see ::modifyModeSwitch). */
        static inline bool& modifyModeSwitch = ::modifyModeSwitch;

        /** The mode a command line asks for, logging where the decision came from. */
        static OperationMode modeFromCommandLine (const juce::String& commandLine, bool headless);
        static OperationMode modeOf (const CommandLine& line, bool headless);

        /** The arguments the elevated copy is started with: the mode and the user's choices, so
            that a copy under another user's profile, which finds no state file, resumes them. */
        juce::String elevatedArguments();

        /** Replaces the engine with a new installation or deinstallation, which starts at once. */
        void createInstallerProcess();

        /** Rebuilds the persistent tree's manifest copy from the embedded manifest, keeping only the
            choices the wizard may make. */
        void prepareManifestCopy();

        /** The name of the lock that lets one installer of this product run at a time. */
        static juce::String instanceLockName (const juce::String& productId);

        /** How long a start waits for the single-run lock: only the elevated copy, whose parent
            lets go of it as it quits, waits; any other start is told at once. */
        static int lockWaitMs (const CommandLine& line);

        /** Shuts down and ends the process (the engine's end of a headless run). */
        void endProcess (int exitCode);

        InstallerProcess* getInstallerProcess() const     { return engine.get(); }
        const ManifestProperties& getEmbeddedManifest() const { return embeddedManifest; }

    private:
        /** Shows which programs hold files the procedure must replace or remove, with Retry and Cancel. */
        void askToCloseProgramsUsing (const std::vector<FileInUse>& files);

        void continueWithWindow();
        void refuseArguments (const juce::String& problem, bool headless);
        void tellElevationFailed (ElevationOutcome outcome);
        void continueHeadless (OperationMode mode);
        juce::ValueTree manifestCopyTree();

        RuntimeProperties runtimeProperties;
        AppProperties appProperties;
        ManifestProperties embeddedManifest { true };
        juce::ValueTree wizardManifest;
        std::unique_ptr<InstallerProcess> engine;
        std::unique_ptr<platform::InstanceLock> instanceLock;
        bool askingToStop = false;
        bool startedElevated = false;   // "--elevated": the copy that asked for rights started this one

        JUCE_DECLARE_WEAK_REFERENCEABLE (AppInstaller)
    };
}
