#include "AppInstaller.h"
#include "CommandLine.h"
#include "CrashLog.h"
#include "UI.h"
#include "Elevation.h"
#include "FilesInUseMessage.h"
#include "EmbeddedResources.h"
#include "Identifiers.h"
#include "Deinstallation.h"
#include "Installation.h"
#include "PendingChoices.h"
#include "Platform.h"

namespace CorvoAudio
{
    namespace
    {
        juce::ValueTree defaultTree (ValueTreeWrapper&& view)
        {
            view.setTree ({}, true);
            return view.getTree();
        }

        juce::Point<int> backgroundSize()
        {
            const auto image = resources::getImage ("BackgroundGradient_png");
            return { image.getWidth(), image.getHeight() };
        }

        bool fileExists (const juce::File& file)
        {
            return file.getFullPathName().isNotEmpty() && file.existsAsFile();
        }
    }

    AppInstaller::AppInstaller()
        : Quor::CorvoApp (0,
                          defaultTree (RuntimeProperties()),
                          defaultTree (AppProperties()),
                          ManifestProperties (true).getCompanyName(),
                          ManifestProperties (true).getAppName() + " Installer",
                          ManifestProperties (true).getAppVersion(),
                          ManifestProperties (true).getVersionNumber(),
                          backgroundSize(),
                          new juce::ComponentBoundsConstrainer())
    {
        juce::SystemStats::setApplicationCrashHandler (crashHandler);

        appProperties.setTree (getPersistentTree(), false);
        runtimeProperties.setTree (getRuntimeTree(), false);
        runtimeProperties.startListening();
        appProperties.startListening();
    }

    AppInstaller::~AppInstaller()
    {
        engine.reset();

        if (appProperties.getNextPageToShow() != AppProperties::install && getStateFileWriter().isKeeping())
        {
            getStateFileWriter().cancelPendingWrites();
            getStateFile().deleteFile();
        }

        masterReference.clear();
    }

    OperationMode AppInstaller::modeFromCommandLine (const juce::String& commandLine, bool headless)
    {
        return modeOf (CommandLine::parse (commandLine), headless);
    }

    OperationMode AppInstaller::modeOf (const CommandLine& line, bool headless)
    {
        using Mode = CommandLine::Mode;

        if (line.mode == Mode::none)
        {
            platform::writeLine (headless ? "Operation mode source: headless default (install)"
                                          : "Operation mode source: no existing installation (install)");
            return OperationMode::install;
        }

        if (line.mode == Mode::modify && ! modifyModeSwitch)
        {
            platform::writeLine ("Modify mode requested but disabled at build time, falling back to install mode");
            return OperationMode::install;
        }

        platform::writeLine ("Operation mode source: explicit command line");

        if (line.mode == Mode::uninstall)
            return OperationMode::uninstall;

        return line.mode == Mode::modify ? OperationMode::modify : OperationMode::install;
    }

    void AppInstaller::initialise (const juce::String& commandLine)
    {
        auto line = CommandLine::parse (commandLine);
        const auto headless = line.headless;

        // A headless run works on the tree in memory only: the wizard's pending state, if any,
        // stays as it was for the wizard.
        if (headless)
            getStateFileWriter().detach();

        if (line.logFile.isNotEmpty() && platform::logFile() != juce::File (line.logFile))
            if (const auto opened = platform::openLogFile (juce::File (line.logFile)); opened.failed())
                line.problem = opened.getErrorMessage();

        if (line.help)
        {
            for (const auto& text : juce::StringArray::fromLines (helpText (embeddedManifest.getAppName()).trimEnd()))
                platform::writeLine (text);

            endProcess (exitCodes::success);
            return;
        }

        if (line.problem.isNotEmpty())
        {
            refuseArguments (line.problem, headless);
            return;
        }

        const auto storedPage = appProperties.getNextPageToShow();
        const auto storedMode = appProperties.getOperationMode();

        // The copy that asked for rights hands its mode and choices over on the command line, which
        // an elevated copy under another user's profile reads as well as one under the same. A
        // state file left pending resumes only where it raises no prompt: in an elevated start.
        const auto resumesStateFile = ! headless && ! line.elevated && isRunningAsAdmin() && fileExists (getStateFile())
                                      && storedPage == AppProperties::install
                                      && (storedMode == (int) OperationMode::install || storedMode == (int) OperationMode::uninstall);
        const auto resumable = ! headless && (line.elevated || resumesStateFile);
        startedElevated = line.elevated;

        // One run of this product's installer at a time, whatever its mode: two procedures at once
        // would extract over and delete each other's files.
        instanceLock = std::make_unique<platform::InstanceLock> (instanceLockName (embeddedManifest.getString (Ids::AppUuid)),
                                                                 lockWaitMs (line));

        if (! instanceLock->isHeld())
        {
            const juce::String message = "Another installer of " + embeddedManifest.getAppName()
                                       + " is running. Wait until it has finished, then try again.";
            platform::writeLine (message);

            if (headless)
            {
                endProcess (exitCodes::anotherInstallerRunning);
                return;
            }

            juce::NativeMessageBox::showAsync (juce::MessageBoxOptions().withIconType (juce::MessageBoxIconType::WarningIcon)
                                                                        .withTitle (getApplicationName())
                                                                        .withMessage (message)
                                                                        .withButton ("OK"),
                                               [] (int) { platform::seam().quitApplication(); });
            return;
        }

        auto mode = OperationMode::install;

        if (resumesStateFile)
        {
            mode = (OperationMode) storedMode;
            platform::writeLine ("Operation mode source: resumed pending installation state");

            // The state file is the user's to write: only the choices the wizard offers are taken
            // from it, everything else comes from this executable's own manifest.
            const auto choices = PendingChoices::takeFrom (manifestCopyTree(), embeddedManifest, mode == OperationMode::uninstall);
            choices.applyTo (manifestCopyTree(), embeddedManifest);

            for (const auto& text : choices.describe())
                platform::writeLine (text);
        }
        else
        {
            if (line.elevated)
                platform::writeLine ("Operation mode source: resumed pending installation state");

            mode = line.elevated ? (line.mode == CommandLine::Mode::uninstall ? OperationMode::uninstall : OperationMode::install)
                                 : modeOf (line, headless);

            // Choices given on the command line are checked like the wizard's, and refused aloud.
            juce::String problem;
            const auto choices = PendingChoices::fromCommandLine (line, embeddedManifest, mode == OperationMode::uninstall, problem);

            if (problem.isNotEmpty())
            {
                refuseArguments (problem, headless);
                return;
            }

            choices.applyTo (manifestCopyTree(), embeddedManifest);
            wizardManifest = choices.asDefaults (embeddedManifest);

            if (line.elevated)
                for (const auto& text : choices.describe())
                    platform::writeLine (text);
        }

        appProperties.setOperationMode ((int) mode);

        if (resumable)
            appProperties.setNextPageToShow (AppProperties::install);
        else if (! headless)
            appProperties.setNextPageToShow (mode == OperationMode::modify ? AppProperties::modify : AppProperties::welcome);

        Quor::CorvoApp::initialise (commandLine);
        runtimeProperties.setAdminPermissions (isRunningAsAdmin());
        platform::writeLine ("Operation mode: " + operationModeName ((int) mode));

        if (headless)
            continueHeadless (mode);
        else
            continueWithWindow();
    }

    int AppInstaller::lockWaitMs (const CommandLine& line)
    {
        return line.elevated && ! line.headless ? 15000 : 0;
    }

    void AppInstaller::refuseArguments (const juce::String& problem, bool headless)
    {
        platform::writeLine (problem);
        platform::writeLine ("Nothing was changed. Installer.exe --help lists the switches.");

        if (headless)
        {
            endProcess (exitCodes::badArgument);
            return;
        }

        setApplicationReturnValue (exitCodes::badArgument);
        juce::AlertWindow::showAsync (juce::MessageBoxOptions().withIconType (juce::MessageBoxIconType::WarningIcon)
                                                               .withTitle (getApplicationName())
                                                               .withMessage (problem + "\n\nNothing was changed.")
                                                               .withButton ("OK"),
                                      [] (int) { platform::seam().quitApplication(); });
    }

    void AppInstaller::continueWithWindow()
    {
        lookAndFeel.backgroundImage = resources::getImage ("BackgroundGradient_png");
        useSeamlessTitleBar = true;
        lookAndFeel.titleBarHeight = 30;
        lookAndFeel.setCloseButtonImages (resources::getDrawable ("Close_Normal_svg"), resources::getDrawable ("Close_Hover_svg"));

        openMainWindow();

        appProperties.onNextPageToShowChanged = [this] (AppProperties::PageType page) { runInstallationIfReady ((int) page); };
        runtimeProperties.changePage();
        runInstallationIfReady ({});
    }

    void AppInstaller::continueHeadless (OperationMode mode)
    {
        if (! isRunningAsAdmin())
        {
            endProcess (exitCodes::noAdministratorRights);
            return;
        }

        if (mode == OperationMode::modify)
        {
            platform::writeLine ("Headless execution does not support modify mode. Use --mode=install or --mode=uninstall.");
            endProcess (exitCodes::modifyRequested);
            return;
        }

        runtimeProperties.setRunningHeadless (true);

        // A headless run works on the embedded manifest with the command line's choices alone,
        // whatever an earlier wizard run left in the state file (initialise has replaced the copy).
        createInstallerProcess();
    }

    juce::ValueTree AppInstaller::manifestCopyTree()
    {
        ManifestProperties copy (false);
        copy.setTree (getPersistentTree(), true);
        return copy.getTree();
    }

    void AppInstaller::prepareManifestCopy()
    {
        // Whoever filled the copy, the engine gets the embedded manifest with the user's choices.
        const auto uninstall = appProperties.getOperationMode() == (int) OperationMode::uninstall;
        PendingChoices::takeFrom (manifestCopyTree(), embeddedManifest, uninstall).applyTo (manifestCopyTree(), embeddedManifest);
    }

    juce::Component* AppInstaller::getMainComponent()
    {
        return new UI (*this, lookAndFeel.titleBarHeight);
    }

    void AppInstaller::runInstallationIfReady (juce::var)
    {
        if (appProperties.getNextPageToShow() != AppProperties::install)
            return;

        if (isRunningAsAdmin())
        {
            prepareManifestCopy();
            createInstallerProcess();
            runtimeProperties.changePage();
            return;
        }

        // A copy started elevated that has no rights after all never asks again: that would
        // start copy after copy.
        if (startedElevated)
        {
            appProperties.setNextPageToShow (AppProperties::welcome);
            runtimeProperties.changePage();
            tellElevationFailed ({ ElevationOutcome::failed, 5 });   // ERROR_ACCESS_DENIED
            return;
        }

        juce::WeakReference<AppInstaller> weakThis (this);

        requestElevation (elevatedArguments(), [weakThis] (ElevationOutcome outcome)
        {
            if (weakThis == nullptr)
                return;

            if (outcome.kind == ElevationOutcome::started)
            {
                weakThis->getStateFileWriter().saveNow();
                weakThis->instanceLock.reset();   // the elevated copy waits for it
                return;
            }

            // No pending installation survives a failed elevation: not in the file, and not in the
            // tree either, which a later write or the exit would otherwise store again.
            weakThis->appProperties.setNextPageToShow (AppProperties::welcome);
            weakThis->getStateFileWriter().cancelPendingWrites();
            weakThis->getStateFile().deleteFile();
            weakThis->tellElevationFailed (outcome);
        });
    }

    juce::String AppInstaller::elevatedArguments()
    {
        CommandLine line;
        line.elevated = true;
        const auto uninstall = appProperties.getOperationMode() == (int) OperationMode::uninstall;
        line.mode = uninstall ? CommandLine::Mode::uninstall : CommandLine::Mode::install;
        PendingChoices::takeFrom (manifestCopyTree(), embeddedManifest, uninstall).addTo (line, embeddedManifest, uninstall);

        if (const auto log = platform::logFile(); log != juce::File())
            line.logFile = log.getFullPathName();

        return line.toArguments().joinIntoString (" ");
    }

    void AppInstaller::tellElevationFailed (ElevationOutcome outcome)
    {
        const auto uninstall = appProperties.getOperationMode() == (int) OperationMode::uninstall;
        const auto what = juce::String (uninstall ? "Uninstalling " : "Installing ") + embeddedManifest.getAppName();
        const auto declined = outcome.kind == ElevationOutcome::declined;
        const auto message = declined
            ? what + " needs administrator rights, and Windows did not get them: nothing was changed."
            : what + " needs administrator rights, and Windows could not ask for them ("
                  + platform::systemMessage (outcome.errorCode) + "): nothing was changed.";
        platform::writeLine (message);

        // A declined prompt is the user's answer: the installer says so and quits. Another failure
        // leaves the user on the page, to try again.
        if (declined)
            setApplicationReturnValue (exitCodes::elevationDeclined);

        juce::AlertWindow::showAsync (juce::MessageBoxOptions().withIconType (juce::MessageBoxIconType::WarningIcon)
                                                               .withTitle (getApplicationName())
                                                               .withMessage (message)
                                                               .withButton ("OK")
                                                               .withAssociatedComponent (getMainWindow()),
                                      [declined] (int)
                                      {
                                          if (declined)
                                              platform::seam().quitApplication();
                                      });
    }

    void AppInstaller::systemRequestedQuit()
    {
        if (engine == nullptr || ! engine->isThreadRunning() || runtimeProperties.isRunningHeadless())
        {
            Quor::CorvoApp::systemRequestedQuit();
            return;
        }

        // Ending the process mid-bundle would leave a staging folder and the user without a word
        // on what was done.
        if (askingToStop)
            return;

        askingToStop = true;
        const juce::String procedure = appProperties.getOperationMode() == (int) OperationMode::uninstall ? "uninstallation"
                                                                                                          : "installation";
        juce::WeakReference<AppInstaller> weakThis (this);

        juce::AlertWindow::showAsync (juce::MessageBoxOptions().withIconType (juce::MessageBoxIconType::QuestionIcon)
                                                               .withTitle (getApplicationName())
                                                               .withMessage ("The " + procedure + " is still running. Stop it now?\n"
                                                                             "What is already in place stays; the rest is left undone.")
                                                               .withButton ("Stop")
                                                               .withButton ("Continue"),
                                      [weakThis] (int result)
        {
            if (weakThis == nullptr)
                return;

            weakThis->askingToStop = false;

            if (result == 1)
                weakThis->stopProcedureAndQuit();
        });
    }

    void AppInstaller::stopProcedureAndQuit()
    {
        if (engine != nullptr)
            engine->signalThreadShouldExit();

        // Nothing is pending once the user has stopped: the next start begins anew.
        appProperties.setNextPageToShow (AppProperties::welcome);

        juce::WeakReference<AppInstaller> weakThis (this);
        const auto poll = std::make_shared<std::function<void()>>();
        *poll = [weakThis, poll]
        {
            if (weakThis == nullptr)
                return;

            if (weakThis->engine != nullptr && weakThis->engine->isThreadRunning())
            {
                juce::Timer::callAfterDelay (50, [poll] { (*poll)(); });
                return;
            }

            // Let the procedure's last lines, posted as it stopped, reach the output first.
            juce::MessageManager::callAsync ([weakThis, poll]
            {
                if (weakThis != nullptr)
                    weakThis->Quor::CorvoApp::systemRequestedQuit();

                *poll = nullptr;
            });
        };

        (*poll)();
    }

    void AppInstaller::createInstallerProcess()
    {
        engine.reset();

        if (appProperties.getOperationMode() == (int) OperationMode::uninstall)
            engine = std::make_unique<Deinstallation> (*this);
        else
            engine = std::make_unique<Installation> (*this);

        // Set before the message loop runs again, so before the worker's report can arrive.
        engine->onFilesInUse = [this] (const std::vector<FileInUse>& files) { askToCloseProgramsUsing (files); };
    }

    void AppInstaller::askToCloseProgramsUsing (const std::vector<FileInUse>& files)
    {
        const auto uninstall = appProperties.getOperationMode() == (int) OperationMode::uninstall;
        auto alert = Installer::createFilesInUseAlert (embeddedManifest.getAppName(), files, uninstall);
        juce::WeakReference<AppInstaller> weakThis (this);

        if (auto* window = getMainWindow())
            alert->centreAroundComponent (window, alert->getWidth(), alert->getHeight());

        // Nothing has changed yet: Retry checks again and goes on once the files are free, Cancel
        // goes back to the first page.
        alert.release()->enterModalState (true, juce::ModalCallbackFunction::create ([weakThis] (int result)
        {
            if (weakThis == nullptr)
                return;

            if (result == 1)
            {
                weakThis->createInstallerProcess();
                return;
            }

            weakThis->appProperties.setNextPageToShow (AppProperties::welcome);
            weakThis->runtimeProperties.changePage();
        }), true);
    }

    juce::String AppInstaller::instanceLockName (const juce::String& productId)
    {
        return "Installer-" + productId;
    }

    void AppInstaller::endProcess (int exitCode)
    {
        platform::seam().terminateProcess (exitCode);
    }
}
