#include "AppInstaller.h"
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

   #ifndef INSTALLER_MODIFY_MODE
    #define INSTALLER_MODIFY_MODE 0
   #endif

    bool AppInstaller::modifyModeSwitch = INSTALLER_MODIFY_MODE != 0;

    OperationMode AppInstaller::modeFromCommandLine (const juce::String& commandLine, bool headless)
    {
        const auto explicitRequest = commandLine.contains ("--mode=") || commandLine.contains ("--install")
                                  || commandLine.contains ("--repair") || commandLine.contains ("--modify")
                                  || commandLine.contains ("--uninstall");

        if (! explicitRequest)
        {
            platform::writeLine (headless ? "Operation mode source: headless default (install)"
                                          : "Operation mode source: no existing installation (install)");
            return OperationMode::install;
        }

        if (commandLine.contains ("--mode=uninstall") || commandLine.contains ("--uninstall"))
        {
            platform::writeLine ("Operation mode source: explicit command line");
            return OperationMode::uninstall;
        }

        if (commandLine.contains ("--mode=modify") || commandLine.contains ("--modify"))
        {
            if (modifyModeSwitch)
            {
                platform::writeLine ("Operation mode source: explicit command line");
                return OperationMode::modify;
            }

            platform::writeLine ("Modify mode requested but disabled at build time, falling back to install mode");
            return OperationMode::install;
        }

        platform::writeLine ("Operation mode source: explicit command line");
        return OperationMode::install;
    }

    void AppInstaller::initialise (const juce::String& commandLine)
    {
        const auto headless = commandLine.contains ("--headless");
        const auto storedPage = appProperties.getNextPageToShow();
        const auto storedMode = appProperties.getOperationMode();
        const auto resumable = ! headless && fileExists (getStateFile())
                               && storedPage == AppProperties::install
                               && (storedMode == (int) OperationMode::install || storedMode == (int) OperationMode::uninstall);

        // A headless run works on the tree in memory only: the wizard's pending state, if any,
        // stays as it was for the wizard.
        if (headless)
            getStateFileWriter().detach();

        // One run of this product's installer at a time, whatever its mode: two procedures at once
        // would extract over and delete each other's files. A resumed run was started by the
        // copy that asked for elevation, which lets go of the lock as it quits.
        instanceLock = std::make_unique<platform::InstanceLock> (instanceLockName (embeddedManifest.getString (Ids::AppUuid)),
                                                                 resumable ? 15000 : 0);

        if (! instanceLock->isHeld())
        {
            const juce::String message = "Another installer of " + embeddedManifest.getAppName()
                                       + " is running. Wait until it has finished, then try again.";
            platform::writeLine (message);

            if (headless)
            {
                endProcess (3);
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

        if (resumable)
        {
            mode = (OperationMode) storedMode;
            platform::writeLine ("Operation mode source: resumed pending installation state");

            // The state file is the user's to write: only the choices the wizard offers are taken
            // from it, everything else comes from this executable's own manifest.
            const auto choices = PendingChoices::takeFrom (manifestCopyTree(), embeddedManifest);
            choices.applyTo (manifestCopyTree(), embeddedManifest);

            for (const auto& line : choices.describe())
                platform::writeLine (line);
        }
        else
        {
            mode = modeFromCommandLine (commandLine, headless);
            replaceManifestCopy();
        }

        appProperties.setOperationMode ((int) mode);

        if (! headless && ! resumable)
            appProperties.setNextPageToShow (mode == OperationMode::modify ? AppProperties::modify : AppProperties::welcome);

        Quor::CorvoApp::initialise (commandLine);
        runtimeProperties.setAdminPermissions (isRunningAsAdmin());
        platform::writeLine ("Operation mode: " + operationModeName ((int) mode));

        if (headless)
            continueHeadless (mode);
        else
            continueWithWindow();
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
            endProcess (1);
            return;
        }

        if (mode == OperationMode::modify)
        {
            platform::writeLine ("Headless execution does not support modify mode. Use --mode=install or --mode=uninstall.");
            endProcess (2);
            return;
        }

        runtimeProperties.setRunningHeadless (true);

        // A headless run always works on the whole embedded manifest with its default paths,
        // whatever an earlier wizard run left in the state file (initialise has replaced the copy).
        createInstallerProcess();
    }

    juce::ValueTree AppInstaller::manifestCopyTree()
    {
        ManifestProperties copy (false);
        copy.setTree (getPersistentTree(), true);
        return copy.getTree();
    }

    void AppInstaller::replaceManifestCopy()
    {
        PendingChoices().applyTo (manifestCopyTree(), embeddedManifest);
    }

    void AppInstaller::prepareManifestCopy()
    {
        // Whoever filled the copy, the engine gets the embedded manifest with the user's choices.
        PendingChoices::takeFrom (manifestCopyTree(), embeddedManifest).applyTo (manifestCopyTree(), embeddedManifest);
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

        juce::WeakReference<AppInstaller> weakThis (this);

        requestElevation ([weakThis] (bool started)
        {
            if (weakThis == nullptr)
                return;

            if (started)
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
