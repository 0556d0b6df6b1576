#include "AppInstaller.h"
#include "CorvoMainWindow.h"
#include "CrashLog.h"
#include "Identifiers.h"
#include "Elevation.h"
#include "InstallerProcess.h"
#include "ModifyPage.h"
#include "PendingChoices.h"
#include "ResultPage.h"
#include "UI.h"
#include "UninstallRegistry.h"
#include "UninstallerWelcomePage.h"
#include "WelcomePage.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

using CorvoAudio::AppInstaller;
using testing_support::captureOutput;
using testing_support::FakeSeam;

TEST (Application, ModeFromCommandLine)
{
    struct Case { const char* commandLine; bool headless; OperationMode mode; const char* message; };

    const Case cases[] = {
        { "", false, OperationMode::install, "Operation mode source: no existing installation (install)" },
        { "--headless", true, OperationMode::install, "Operation mode source: headless default (install)" },
        { "--modify", false, OperationMode::install, "Modify mode requested but disabled at build time, falling back to install mode" },
        { "--mode=modify", true, OperationMode::install, "Modify mode requested but disabled at build time, falling back to install mode" },
        { "--uninstall --log=x.log", false, OperationMode::uninstall, "Operation mode source: explicit command line" },
        { "--mode=repair", false, OperationMode::install, "Operation mode source: explicit command line" },
        { "--headless --mode=uninstall", true, OperationMode::uninstall, "Operation mode source: explicit command line" },
        { "--UNINSTALL", false, OperationMode::install, "Operation mode source: no existing installation (install)" },
    };

    for (const auto& c : cases)
    {
        auto mode = OperationMode::modify;
        const auto output = captureOutput ([&] { mode = AppInstaller::modeFromCommandLine (c.commandLine, c.headless); });
        EXPECT_EQ (mode, c.mode) << c.commandLine;
        EXPECT_EQ (output, juce::String (c.message) + "\n") << c.commandLine;
    }

    // A build with the modify switch on: "--modify" is the modify page's mode.
    AppInstaller::modifyModeSwitch = true;
    auto mode = OperationMode::install;
    const auto output = captureOutput ([&] { mode = AppInstaller::modeFromCommandLine ("--mode=modify", false); });
    AppInstaller::modifyModeSwitch = false;
    EXPECT_EQ (mode, OperationMode::modify);
    EXPECT_EQ (output, "Operation mode source: explicit command line\n");
}

TEST (Application, HeadlessStartWithoutAdministratorRightsExitsWithOne)
{
    FakeSeam seam;
    seam.admin = false;

    juce::String afterInitialise;

    {
        std::unique_ptr<AppInstaller> app;
        const auto construction = captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
        EXPECT_TRUE (construction.contains ("AppName=\"Ondra\""));

        afterInitialise = captureOutput ([&] { app->initialise ("--headless"); });
        EXPECT_EQ (app->getInstallerProcess(), nullptr);
    }

    ASSERT_TRUE (seam.exitCode.has_value());
    EXPECT_EQ (*seam.exitCode, 1);
    EXPECT_EQ (afterInitialise, "Operation mode source: headless default (install)\nOperation mode: install\n");
}

TEST (Application, ElevatedRelaunch)
{
    using CorvoAudio::ElevationOutcome;

    struct Case
    {
        const char* name;
        bool admin;
        platform::LaunchResult launch;
        std::optional<ElevationOutcome::Kind> callback;
        int quits;
    };

    const Case cases[] = {
        { "already elevated: nothing happens", true, { true, 0 }, {}, 0 },
        { "started: callback, quit", false, { true, 0 }, ElevationOutcome::started, 1 },
        { "prompt declined: the caller hears it and decides", false, { false, platform::errorCancelled }, ElevationOutcome::declined, 0 },
        { "other failure: the caller hears it", false, { false, 5 }, ElevationOutcome::failed, 0 },
    };

    for (const auto& c : cases)
    {
        FakeSeam seam;
        seam.admin = c.admin;
        seam.launchResult = c.launch;

        std::optional<ElevationOutcome::Kind> heard;
        CorvoAudio::relaunchElevated ("--elevated --install", [&] (ElevationOutcome outcome) { heard = outcome.kind; });

        EXPECT_EQ (heard, c.callback) << c.name;
        EXPECT_EQ (seam.quitRequests, c.quits) << c.name;

        if (! c.admin)
        {
            EXPECT_TRUE (seam.launchedPath.endsWithIgnoreCase (".exe")) << c.name;
            EXPECT_EQ (seam.launchedParameters, "--elevated --install") << c.name;
        }
    }
}

TEST (Application, WindowOnAScreenTooSmallForItIsShownWholeAndScaled)
{
    FakeSeam seam;
    std::unique_ptr<AppInstaller> app;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    captureOutput ([&] { app->initialise ({}); });
    auto* window = app->getMainWindow();
    ASSERT_NE (window, nullptr);
    auto* ui = dynamic_cast<UI*> (window->getContentComponent());
    auto* page = ui != nullptr ? dynamic_cast<Installer::WelcomePage*> (ui->getCurrentPage()) : nullptr;
    ASSERT_NE (page, nullptr);

    // 1366 x 768 at 125 %: 1093 x 614 logical pixels, less a taskbar of 40.
    const juce::Rectangle<int> workArea (60, 40, 1093, 574);
    window->place (Quor::CorvoMainWindow::placementFor ({}, { 495, 660 }, { workArea }, workArea));
    testing_support::pumpUntil ([] { return false; }, 300);

    EXPECT_NEAR (window->getDesktopScaleFactor(), 572.0f / 660.0f, 0.001f);
    EXPECT_EQ (window->getWidth(), 495) << "the window keeps its own size; the system draws it smaller";
    EXPECT_TRUE (workArea.contains (window->getScreenBounds())) << window->getScreenBounds().toString();
    EXPECT_TRUE (workArea.contains (page->installButton.getScreenBounds())) << page->installButton.getScreenBounds().toString();

    // What is stored is where it is, with its own size: a larger screen shows it whole again.
    const auto stored = juce::Rectangle<int>::fromString (app->getPersistentTree().getChildWithName (Ids::UiPersistentProperties)
                                                              .getProperty (Ids::windowPosition).toString());
    EXPECT_EQ (stored, juce::Rectangle<int> (window->getScreenPosition().x, window->getScreenPosition().y, 495, 660));

    // The picture of that work area, as the user sees it.
    for (const auto k : { 1.0f, 1.5f })
    {
        juce::Image screen (juce::Image::RGB, juce::roundToInt ((float) workArea.getWidth() * k), juce::roundToInt ((float) workArea.getHeight() * k), true);
        {
            juce::Graphics g (screen);
            g.fillAll (juce::Colour (0xff2d4f73));
            const auto shot = window->createComponentSnapshot (window->getLocalBounds(), true, window->getDesktopScaleFactor() * k);
            const auto at = (window->getScreenPosition() - workArea.getPosition()).toFloat() * k;
            g.drawImageAt (shot, juce::roundToInt (at.x), juce::roundToInt (at.y));
        }
        const auto file = juce::File (INSTALLER_PICTURES_DIR).getChildFile (juce::String ("window-1366x768-125") + (k > 1.0f ? "@1.5x" : "") + ".png");
        file.getParentDirectory().createDirectory();
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat().writeImageToStream (screen, out);
    }

    // Back on a screen where it fits, at its own size.
    window->place (Quor::CorvoMainWindow::placementFor (stored, { 495, 660 }));
    EXPECT_FLOAT_EQ (window->getDesktopScaleFactor(), 1.0f) << "the tests' screen is 1280 x 1024";
    EXPECT_EQ (window->getScreenBounds().getHeight(), 660);
    app.reset();
}

TEST (Application, CrashLogReplacesTheOldOneWithWindowsLineEnds)
{
    const auto file = CorvoAudio::crashLogFile();
    EXPECT_TRUE (file.getFullPathName().endsWith ("Application Support\\Corvo Audio\\CrashLogs\\Installer Crash.log"));

    platform::deletePath (file.getParentDirectory());
    CorvoAudio::crashHandler (nullptr);
    EXPECT_TRUE (file.existsAsFile());   // the folders are created on the way

    file.replaceWithText (juce::String::repeatedString ("an older, longer crash log\n", 100));
    CorvoAudio::writeCrashLog ("frame 0\nframe 1\n");

    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    EXPECT_EQ (bytes.toString(), "frame 0\r\nframe 1\r\n");
    file.deleteFile();
}

TEST (Application, ElevationLeavesAPendingInstallationOnlyWhenTheElevatedCopyStarted)
{
    struct Case { const char* name; platform::LaunchResult launch; bool fileKept; int quits; };

    const Case cases[] = {
        { "started", { true, 0 }, true, 1 },
        { "declined: says so, then quits", { false, platform::errorCancelled }, false, 1 },
        { "failed: says so, stays", { false, 5 }, false, 0 },
    };

    for (const auto& c : cases)
    {
        FakeSeam seam;
        seam.admin = false;
        seam.launchResult = c.launch;

        std::unique_ptr<AppInstaller> app;
        captureOutput ([&] { app = std::make_unique<AppInstaller>(); });

        AppProperties pages;
        pages.setTree (app->getPersistentTree(), false);
        pages.setNextPageToShow (AppProperties::install);   // as the welcome page's install button does
        const auto told = captureOutput ([&] { app->runInstallationIfReady ({}); });

        // Long enough for a delayed background write to have come back, had one been pending.
        testing_support::pumpUntil ([] { return false; }, 1600);

        // A failure is told before anything else happens; OK quits after a declined prompt.
        if (! c.launch.started)
        {
            auto& modal = *juce::ModalComponentManager::getInstance();
            ASSERT_TRUE (testing_support::pumpUntil ([&] { return modal.getNumModalComponents() > 0; }, 5000)) << c.name;
            auto* alert = dynamic_cast<juce::AlertWindow*> (modal.getModalComponent (0));
            ASSERT_NE (alert, nullptr) << c.name;
            EXPECT_TRUE (told.contains ("Installing Ondra needs administrator rights")) << told;
            EXPECT_TRUE (told.contains ("nothing was changed.\n")) << told;
            EXPECT_EQ (seam.quitRequests, 0) << c.name << ": not before the user has read it";
            alert->exitModalState (1);
            testing_support::pumpUntil ([] { return false; }, 200);
        }

        EXPECT_EQ (app->getStateFile().existsAsFile(), c.fileKept) << c.name;
        EXPECT_EQ (seam.quitRequests, c.quits) << c.name;

        if (c.fileKept)
        {
            juce::FileInputStream input (app->getStateFile());
            EXPECT_EQ ((int) juce::ValueTree::readFromStream (input)[juce::Identifier ("NextPageToShow")], 2) << c.name;
            pages.setNextPageToShow (AppProperties::welcome);   // let the exit clean up
        }
        else
        {
            EXPECT_EQ (pages.getNextPageToShow(), AppProperties::welcome) << c.name;
        }

        app.reset();
    }
}

namespace
{
    /** A state file as any program of the user could write it: a pending install whose manifest
        copy asks for far more than the wizard can. */
    juce::ValueTree plantedState (const ManifestProperties& embedded)
    {
        juce::ValueTree state (juce::Identifier ("AppProperties"));
        state.setProperty ("NextPageToShow", 2, nullptr);
        state.setProperty ("OperationMode", 0, nullptr);

        auto copy = embedded.getTree().createCopy();
        copy.setProperty ("SelectedUninstallOptions", "presets,everything", nullptr);
        auto objects = copy.getChildWithName ("Objects");

        // The main bundle, redirected into the system folder with a command to run afterwards.
        auto vst3 = objects.getChild (0);
        vst3.setProperty ("defaultInstallPath", "C:/Windows/System32", nullptr);
        vst3.setProperty ("runPostInstall", "1", nullptr);
        vst3.setProperty ("postInstallArgs", "/c calc.exe", nullptr);

        // The AAX bundle left out, as the wizard may do.
        objects.removeChild (1, nullptr);

        juce::ValueTree foreign ("Object");
        foreign.setProperty ("objectName", "payload", nullptr);
        foreign.setProperty ("objectPath", "evil.exe", nullptr);
        foreign.setProperty ("defaultInstallPath", "C:/Users", nullptr);
        foreign.setProperty ("runPostInstall", "1", nullptr);
        foreign.setProperty ("runPreUninstall", "1", nullptr);
        objects.addChild (foreign, -1, nullptr);

        state.addChild (copy, -1, nullptr);
        return state;
    }
}

TEST (Application, PlantedStateFileResumesOnlyTheUsersChoices)
{
    FakeSeam seam;

    std::unique_ptr<AppInstaller> app;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    const auto stateFile = app->getStateFile();
    auto state = plantedState (app->getEmbeddedManifest());
    state.setProperty ("OperationMode", 2, nullptr);   // an uninstall: the resumed run changes nothing here
    app.reset();

    const auto plant = [&]
    {
        stateFile.getParentDirectory().createDirectory();
        juce::FileOutputStream out (stateFile);
        out.truncate();
        state.writeToStream (out);
    };

    // A start without rights never resumes a pending state: that would raise a prompt at once,
    // at every start, for a state another profile's copy may have left long ago.
    plant();
    seam.admin = false;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    auto output = captureOutput ([&] { app->initialise ({}); });
    EXPECT_TRUE (output.contains ("Operation mode source: no existing installation (install)")) << output;
    EXPECT_TRUE (seam.launchedPath.isEmpty());
    app.reset();
    EXPECT_FALSE (stateFile.existsAsFile()) << "the stale state goes at the exit";

    // An elevated start resumes it, with only the choices the wizard could have made.
    plant();
    seam.admin = true;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    output = captureOutput ([&] { app->initialise ({}); });

    EXPECT_TRUE (output.contains ("Operation mode source: resumed pending installation state"));
    EXPECT_TRUE (output.contains ("Ignored from the saved state: the object \"evil.exe\""));
    EXPECT_TRUE (output.contains ("Ignored from the saved state: the uninstall option \"presets\""));
    EXPECT_FALSE (output.contains ("Resumed choice: leave out")) << "an uninstall removes every object";

    // What the engine works on: the embedded objects, all of them as they are embedded.
    ManifestProperties copy (false);
    copy.setTree (app->getPersistentTree(), false);
    EXPECT_TRUE (copy.getTree().getChildWithName ("Objects")
                     .isEquivalentTo (app->getEmbeddedManifest().getTree().getChildWithName ("Objects")));
    EXPECT_EQ (copy.getString (juce::Identifier ("SelectedUninstallOptions")), "");

    // The same copy read for an install: the AAX bundle left out, the system folder refused.
    const auto forInstall = CorvoAudio::PendingChoices::takeFrom (state.getChild (0), app->getEmbeddedManifest(), false);
    EXPECT_EQ (forInstall.deselected, juce::StringArray ("Tarrow Audio - Ondra.aaxplugin.zip"));
    EXPECT_TRUE (forInstall.folders.empty());
    EXPECT_TRUE (forInstall.describe().joinIntoString ("\n").contains (
        "Ignored from the saved state: the folder C:/Windows/System32 for Tarrow Audio - Ondra.vst3.zip")) << forInstall.describe().joinIntoString ("\n");

    AppProperties pages;
    pages.setTree (app->getPersistentTree(), false);
    output = captureOutput ([&] { testing_support::pumpUntil ([&] { return pages.getNextPageToShow() == AppProperties::result; }, 30000); });
    EXPECT_TRUE (output.contains ("Ondra is not installed on this computer; nothing was removed.")) << output;
    app.reset();
    EXPECT_FALSE (stateFile.existsAsFile());
}

TEST (Application, HeadlessRunLeavesAPendingWizardStateAsItWas)
{
    FakeSeam seam;
    seam.admin = false;   // ends at once with exit code 1, after the manifest copy was replaced

    std::unique_ptr<AppInstaller> app;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    const auto stateFile = app->getStateFile();
    const auto state = plantedState (app->getEmbeddedManifest());
    app.reset();

    {
        juce::FileOutputStream out (stateFile);
        out.truncate();
        state.writeToStream (out);
    }

    juce::MemoryBlock before;
    ASSERT_TRUE (stateFile.loadFileAsData (before));

    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    captureOutput ([&] { app->initialise ("--headless"); });
    testing_support::pumpUntil ([] { return false; }, 1600);   // past any delayed write
    app.reset();

    juce::MemoryBlock after;
    ASSERT_TRUE (stateFile.loadFileAsData (after));
    EXPECT_EQ (before, after);
    stateFile.deleteFile();
}

TEST (Application, SecondInstallerOfTheProductEndsWithExitCodeThree)
{
    FakeSeam seam;

    std::unique_ptr<AppInstaller> app;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });

    // Another process of the same product, as far as the lock can tell.
    const auto id = app->getEmbeddedManifest().getString (juce::Identifier ("AppUuid"));
    auto other = std::make_unique<platform::InstanceLock> (AppInstaller::instanceLockName (id), 0);
    ASSERT_TRUE (other->isHeld());
    EXPECT_FALSE (platform::InstanceLock (AppInstaller::instanceLockName (id), 0).isHeld());

    for (auto* commandLine : { "--headless", "--headless --uninstall" })
    {
        seam.exitCode.reset();
        const auto output = captureOutput ([&] { app->initialise (commandLine); });
        ASSERT_TRUE (seam.exitCode.has_value()) << commandLine;
        EXPECT_EQ (*seam.exitCode, 3) << commandLine;
        EXPECT_EQ (app->getInstallerProcess(), nullptr) << commandLine;
        EXPECT_EQ (output, "Another installer of Ondra is running. Wait until it has finished, then try again.\n") << commandLine;
    }

    // Only the elevated copy waits for the lock (its parent lets go as it quits); a second wizard,
    // with or without a pending state, is told at once.
    for (const auto& [commandLine, wait] : { std::pair<const char*, int> { "--install --elevated", 15000 },
                                             { "--uninstall --elevated", 15000 }, { "", 0 }, { "--uninstall", 0 }, { "--headless", 0 } })
        EXPECT_EQ (AppInstaller::lockWaitMs (CorvoAudio::CommandLine::parse (commandLine)), wait) << commandLine;

    // Once the other has ended, the lock is there to be taken.
    other.reset();
    EXPECT_TRUE (platform::InstanceLock (AppInstaller::instanceLockName (id), 0).isHeld());
    app.reset();
}

TEST (Application, WizardHandsTheUsersChoicesToTheElevatedCopy)
{
    FakeSeam seam;
    seam.admin = false;
    seam.launchResult = { true, 0 };

    const auto welcomePageOf = [] (AppInstaller& app)
    {
        auto* ui = dynamic_cast<UI*> (app.getMainWindow()->getContentComponent());
        return ui != nullptr ? dynamic_cast<Installer::WelcomePage*> (ui->getCurrentPage()) : nullptr;
    };

    // The user's instance: the AAX bundle left out, "I agree", INSTALL.
    std::unique_ptr<AppInstaller> app;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    captureOutput ([&] { app->initialise ({}); });
    auto* page = welcomePageOf (*app);
    ASSERT_NE (page, nullptr);
    ASSERT_NE (page->installButton.shieldIcon, nullptr) << "the button shows that it will ask for rights";

    page->componentCheckboxes[1]->setToggleState (false, juce::dontSendNotification);
    page->agreeCheckbox.setToggleState (true, juce::sendNotificationSync);
    page->installButton.triggerClick();
    testing_support::pumpUntil ([&] { return seam.quitRequests > 0; }, 3000);

    EXPECT_TRUE (seam.launchedPath.endsWithIgnoreCase ("UnitTests.exe")) << seam.launchedPath;
    EXPECT_EQ (seam.launchedParameters, "--install --elevated \"--components=Tarrow Audio - Ondra.vst3\"");
    EXPECT_EQ (seam.quitRequests, 1);
    const auto stateFile = app->getStateFile();
    app.reset();
    ASSERT_TRUE (stateFile.existsAsFile()) << "kept for an elevated copy under the same profile";

    // The elevated copy runs under another user's profile, where that file is not: it resumes at
    // the install step from its command line and installs what the user chose.
    stateFile.deleteFile();
    seam.admin = true;
    const juce::File vst3 ("C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3");
    const juce::File aax ("C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins\\Tarrow Audio - Ondra.aaxplugin");

    // Starts the copy Windows would start elevated, with the command line it was given, and waits
    // for its result page; returns what it printed.
    const auto runElevatedCopy = [&]
    {
        captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
        return captureOutput ([&]
        {
            app->initialise (seam.launchedParameters);
            AppProperties pages;
            pages.setTree (app->getPersistentTree(), false);
            testing_support::pumpUntil ([&] { return pages.getNextPageToShow() == AppProperties::result; }, 30000);
        });
    };

    const auto output = runElevatedCopy();

    EXPECT_TRUE (output.contains ("Operation mode source: resumed pending installation state")) << output;
    EXPECT_TRUE (output.contains ("Installation finished successfully.")) << output;
    EXPECT_TRUE (vst3.isDirectory());
    EXPECT_FALSE (aax.exists()) << "left out by the user";

    auto* ui = dynamic_cast<UI*> (app->getMainWindow()->getContentComponent());
    ASSERT_NE (ui, nullptr);
    EXPECT_NE (dynamic_cast<Installer::ResultPage*> (ui->getCurrentPage()), nullptr);

    app.reset();
    EXPECT_FALSE (stateFile.existsAsFile()) << "nothing pending once the install has run";

    // An uninstall started from the list of programs stays an uninstall in the elevated copy.
    // The demo product registers nothing itself: the registration is planted.
    CorvoAudio::UninstallEntry entry;
    entry.displayName = "Ondra";
    entry.displayVersion = "1.0.7";
    entry.id = "a3c95e10f27b4d6890e1c4b7d2f5a08e";
    entry.installLocation = juce::File ("C:\\Program Files\\Common Files\\VST3");
    ASSERT_TRUE (CorvoAudio::writeUninstallRegistry (entry, {}));

    seam.admin = false;
    seam.quitRequests = 0;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    captureOutput ([&] { app->initialise ("--uninstall"); });
    ui = dynamic_cast<UI*> (app->getMainWindow()->getContentComponent());
    ASSERT_NE (ui, nullptr);
    auto* uninstallPage = dynamic_cast<Uninstaller::WelcomePage*> (ui->getCurrentPage());
    ASSERT_NE (uninstallPage, nullptr);
    uninstallPage->installButton.triggerClick();
    testing_support::pumpUntil ([&] { return seam.quitRequests > 0; }, 3000);
    EXPECT_EQ (seam.launchedParameters, "--uninstall --elevated");
    app.reset();

    stateFile.deleteFile();
    seam.admin = true;
    const auto uninstallOutput = runElevatedCopy();

    EXPECT_TRUE (uninstallOutput.contains ("Operation mode: uninstall")) << uninstallOutput;
    EXPECT_TRUE (uninstallOutput.contains ("Deinstallation finished successfully.")) << uninstallOutput;
    EXPECT_FALSE (vst3.exists()) << uninstallOutput;
    EXPECT_TRUE (CorvoAudio::readUninstallRegistry (entry.id).displayName.isEmpty());
    app.reset();
    platform::deletePath (vst3);
}

TEST (Application, StoppingARunningInstallReportsWhatIsLeftAndQuits)
{
    FakeSeam seam;
    std::unique_ptr<AppInstaller> app;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });

    const auto output = captureOutput ([&]
    {
        app->initialise ({});
        AppProperties pages;
        pages.setTree (app->getPersistentTree(), false);
        pages.setNextPageToShow (AppProperties::install);   // as INSTALL does
        ASSERT_NE (app->getInstallerProcess(), nullptr);
        ASSERT_TRUE (app->getInstallerProcess()->isThreadRunning());

        app->stopProcedureAndQuit();
        testing_support::pumpUntil ([&] { return seam.quitRequests > 0; }, 10000);
    });

    EXPECT_EQ (seam.quitRequests, 1);
    EXPECT_TRUE (output.contains ("Stopped by the user. Not installed: Tarrow Audio - Ondra.vst3, Tarrow Audio - Ondra.aaxplugin.")) << output;
    EXPECT_FALSE (juce::File ("C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3").exists());

    const auto stateFile = app->getStateFile();
    app.reset();
    EXPECT_FALSE (stateFile.existsAsFile()) << "a stopped install is not resumed at the next start";
}

TEST (Application, ModifySwitchOnRepairReinstallsAndUninstallRemoves)
{
    FakeSeam seam;
    AppInstaller::modifyModeSwitch = true;
    const juce::File module ("C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3\\Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3");

    // An installed product whose plug-in module a user deleted.
    module.getParentDirectory().createDirectory();
    module.replaceWithText ("old");
    module.deleteFile();
    ASSERT_FALSE (module.exists());

    // Starts the installer with --modify, presses one of the modify page's buttons and then the
    // action button of the welcome page it leads to, and waits for the result; returns the output.
    std::unique_ptr<AppInstaller> app;

    const auto throughTheModifyPage = [&app] (bool uninstall)
    {
        captureOutput ([&] { app = std::make_unique<AppInstaller>(); });

        return captureOutput ([&]
        {
            app->initialise ("--modify");
            auto* ui = dynamic_cast<UI*> (app->getMainWindow()->getContentComponent());
            ASSERT_NE (ui, nullptr);
            auto* modify = dynamic_cast<Installer::ModifyPage*> (ui->getCurrentPage());
            ASSERT_NE (modify, nullptr);

            (uninstall ? modify->uninstallButton : modify->repairButton).triggerClick();
            const auto welcomeShown = [&] { return uninstall ? dynamic_cast<Uninstaller::WelcomePage*> (ui->getCurrentPage()) != nullptr
                                                             : dynamic_cast<Installer::WelcomePage*> (ui->getCurrentPage()) != nullptr; };
            ASSERT_TRUE (testing_support::pumpUntil (welcomeShown, 2000));
            auto* welcome = dynamic_cast<Installer::WelcomePage*> (ui->getCurrentPage());

            if (! uninstall)
                welcome->agreeCheckbox.setToggleState (true, juce::sendNotificationSync);

            welcome->installButton.triggerClick();
            AppProperties pages;
            pages.setTree (app->getPersistentTree(), false);
            testing_support::pumpUntil ([&] { return pages.getNextPageToShow() == AppProperties::result; }, 30000);
        });
    };

    const auto output = throughTheModifyPage (false);

    EXPECT_TRUE (output.contains ("Operation mode: modify")) << output;
    EXPECT_TRUE (output.contains ("Installation finished successfully.")) << output;
    EXPECT_TRUE (module.existsAsFile()) << "a repair puts the module back";
    app.reset();

    // The same page's UNINSTALL: the uninstaller's welcome page, then the product goes. The demo
    // product registers nothing itself (it has no uninstaller object): the registration is planted.
    CorvoAudio::UninstallEntry entry;
    entry.displayName = "Ondra";
    entry.displayVersion = "1.0.7";
    entry.id = "a3c95e10f27b4d6890e1c4b7d2f5a08e";
    entry.installLocation = juce::File ("C:\\Program Files\\Common Files\\VST3");
    ASSERT_TRUE (CorvoAudio::writeUninstallRegistry (entry, {}));
    const auto uninstallOutput = throughTheModifyPage (true);
    AppInstaller::modifyModeSwitch = false;

    EXPECT_TRUE (uninstallOutput.contains ("Deinstallation finished successfully.")) << uninstallOutput;
    EXPECT_FALSE (module.getParentDirectory().getParentDirectory().getParentDirectory().exists()) << uninstallOutput;
    EXPECT_TRUE (CorvoAudio::readUninstallRegistry (entry.id).displayName.isEmpty()) << uninstallOutput;

    app.reset();
    platform::deletePath (juce::File ("C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3"));
    platform::deletePath (juce::File ("C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins\\Tarrow Audio - Ondra.aaxplugin"));
}

TEST (Application, FilesInUseAskFirstCancelGoesBackAndRetryGoesOn)
{
    FakeSeam seam;
    const juce::File bundle ("C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3");
    const auto module = bundle.getChildFile ("Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3");
    platform::deletePath (bundle);
    module.getParentDirectory().createDirectory();
    ASSERT_TRUE (juce::File (INSTALLER_PRODUCT_DIR).getChildFile ("payload/Tarrow Audio - Ondra.vst3/Contents/x86_64-win/Tarrow Audio - Ondra.vst3")
                     .copyFileTo (module));
    bundle.getChildFile ("my marker.txt").replaceWithText ("the old version");

    // This process is the host: it has the installed plug-in loaded.
    auto host = std::make_unique<juce::DynamicLibrary>();
    ASSERT_TRUE (host->open (module.getFullPathName()));

    std::unique_ptr<AppInstaller> app;
    captureOutput ([&] { app = std::make_unique<AppInstaller>(); });
    AppProperties pages;

    const auto askedAndAnswered = [&] (int answer)
    {
        return captureOutput ([&]
        {
            pages.setNextPageToShow (AppProperties::install);   // as INSTALL does
            auto& modal = *juce::ModalComponentManager::getInstance();
            ASSERT_TRUE (testing_support::pumpUntil ([&] { return modal.getNumModalComponents() > 0; }, 20000));
            auto* alert = dynamic_cast<juce::AlertWindow*> (modal.getModalComponent (0));
            ASSERT_NE (alert, nullptr);
            EXPECT_EQ (alert->getName(), "Files in use");

            if (answer == 1)
                host.reset();   // the user quits the host first

            alert->exitModalState (answer);
            testing_support::pumpUntil ([&] { return pages.getNextPageToShow() != AppProperties::install; }, 30000);
        });
    };

    captureOutput ([&] { app->initialise ({}); });
    pages.setTree (app->getPersistentTree(), false);
    auto* ui = dynamic_cast<UI*> (app->getMainWindow()->getContentComponent());
    ASSERT_NE (ui, nullptr);

    const auto cancelled = askedAndAnswered (0);
    EXPECT_TRUE (cancelled.contains (module.getFullPathName() + " is in use\n")) << cancelled;
    EXPECT_EQ (pages.getNextPageToShow(), AppProperties::welcome);
    EXPECT_NE (dynamic_cast<Installer::WelcomePage*> (ui->getCurrentPage()), nullptr) << "Cancel goes back to the first page";
    EXPECT_TRUE (bundle.getChildFile ("my marker.txt").existsAsFile()) << "nothing has changed";

    const auto retried = askedAndAnswered (1);
    EXPECT_TRUE (retried.contains ("Installation finished successfully.")) << retried;
    EXPECT_EQ (pages.getNextPageToShow(), AppProperties::result);
    EXPECT_FALSE (bundle.getChildFile ("my marker.txt").exists()) << "the new version is in place";

    app.reset();
    platform::deletePath (bundle);
    platform::deletePath (juce::File ("C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins\\Tarrow Audio - Ondra.aaxplugin"));
}
