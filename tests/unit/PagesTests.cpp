#include "Deinstallation.h"
#include "EmbeddedResources.h"
#include "Fonts.h"
#include "Identifiers.h"
#include "InstallPage.h"
#include "LogText.h"
#include "ModifyPage.h"
#include "ObjectRules.h"
#include "PendingChoices.h"
#include "ManifestProperties.h"
#include "ResultPage.h"
#include "TestHelpers.h"
#include "UI.h"
#include "UninstallRegistry.h"
#include "UninstallerWelcomePage.h"
#include "WaitingOverlay.h"
#include "WelcomePage.h"

#include <gtest/gtest.h>

namespace
{
    /** A framework application without a window whose pages read the given manifest. */
    struct PageApp final : Quor::CorvoApp
    {
        explicit PageApp (const juce::String& manifestFile = {})
            : Quor::CorvoApp (2, testing_support::TestApp::tree (RuntimeProperties()), testing_support::TestApp::tree (AppProperties()), "Page Tests " + juce::Uuid().toString(), "Ondra Installer",
                              "1.0", 1, { 495, 660 }, new juce::ComponentBoundsConstrainer())
        {
            const auto text = manifestFile.isEmpty() ? resources::manifestText()
                                                     : juce::File (INSTALLER_FIXTURES_DIR).getChildFile (manifestFile).loadFileAsString();
            manifest = ManifestProperties::parse (text);
            runtime.setTree (getRuntimeTree(), false);
            pages.setTree (getPersistentTree(), false);
            runtime.setAdminPermissions (true);
        }

        ~PageApp() override
        {
            getStateFile().deleteFile();
            getStateFile().getParentDirectory().getChildFile ("EULA.html").deleteFile();
            platform::deletePath (getStateFile().getParentDirectory().getParentDirectory());
        }

        juce::ValueTree getManifestTree() const override { return manifest; }

        /** The working manifest the engine would read. */
        ManifestProperties working()
        {
            ManifestProperties copy (false);
            copy.setTree (getPersistentTree(), false);
            return copy;
        }

        juce::ValueTree manifest;
        RuntimeProperties runtime;
        AppProperties pages;
    };

    /** The window's content as a picture, written for a person to look at. */
    juce::Image snapshot (juce::Component& component, const juce::String& name, float scale)
    {
        auto image = component.createComponentSnapshot (component.getLocalBounds(), true, scale);
        const auto file = juce::File (INSTALLER_PICTURES_DIR).getChildFile (name + (scale > 1.0f ? "@1.5x" : "") + ".png");
        file.getParentDirectory().createDirectory();
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat().writeImageToStream (image, out);
        return image;
    }

    void snapshots (juce::Component& component, const juce::String& name)
    {
        for (const auto scale : { 1.0f, 1.5f })
        {
            const auto image = snapshot (component, name, scale);
            EXPECT_EQ (image.getWidth(), juce::roundToInt (495 * scale)) << name;
            EXPECT_EQ (image.getHeight(), juce::roundToInt (630 * scale)) << name;
        }
    }

    template <typename PageType>
    PageType& shownPage (UI& ui)
    {
        auto* page = dynamic_cast<PageType*> (ui.getCurrentPage());
        EXPECT_NE (page, nullptr);
        return *page;
    }

    juce::Rectangle<int> boundsOf (juce::Component& c)  { return c.getBounds(); }
}

TEST (Pages, WelcomePageOfTheDemoProduct)
{
    testing_support::FakeSeam seam;
    PageApp app;
    UI ui (app, 30);
    ASSERT_EQ (ui.getBounds().getWidth(), 495);
    ASSERT_EQ (ui.getHeight(), 630);

    auto& page = shownPage<Installer::WelcomePage> (ui);
    EXPECT_EQ (page.getBounds(), juce::Rectangle<int> (0, 0, 495, 630));
    snapshots (ui, "welcome");

    // The layout of two visible objects without the OpenGL option.
    ASSERT_EQ (page.componentCheckboxes.size(), 2);
    EXPECT_EQ (boundsOf (*page.componentCheckboxes[0]), juce::Rectangle<int> (25, 200, 445, 20));
    EXPECT_EQ (boundsOf (*page.componentCheckboxes[1]), juce::Rectangle<int> (25, 290, 445, 20));
    EXPECT_EQ (boundsOf (*page.licenseDisclaimer), juce::Rectangle<int> (55, 465, 385, 40));
    EXPECT_EQ (boundsOf (page.agreeCheckbox), juce::Rectangle<int> (25, 510, 445, 20));
    EXPECT_EQ (boundsOf (page.installButton), juce::Rectangle<int> (124, 555, 246, 51));
    EXPECT_EQ (page.pathButtons[0]->getParentComponent(), nullptr) << "no user path, no folder button";
    EXPECT_EQ (page.installPaths[0], "C:/Program Files/Common Files/VST3");

    // INSTALL waits for "I agree", drawn at half opacity until then.
    const auto outline = [&] { return page.installButton.createComponentSnapshot ({ 0, 0, 246, 51 }).getPixelAt (0, 25).getAlpha(); };
    EXPECT_FALSE (page.installButton.isEnabled());
    EXPECT_EQ (outline(), 128);
    page.agreeCheckbox.triggerClick();
    testing_support::pumpUntil ([&] { return page.installButton.isEnabled(); }, 1000);
    EXPECT_TRUE (page.installButton.isEnabled());
    EXPECT_EQ (outline(), 255);
    page.agreeCheckbox.triggerClick();
    testing_support::pumpUntil ([&] { return ! page.installButton.isEnabled(); }, 1000);
    EXPECT_FALSE (page.installButton.isEnabled());

    // Nothing ticked leaves nothing to install: INSTALL stays off, and says why, "I agree" or not.
    const auto describedAs = [&] (const juce::String& description)
    {
        testing_support::pumpUntil ([&] { return page.installButton.getDescription() == description; }, 1000);
        return page.installButton.getDescription();
    };
    page.agreeCheckbox.triggerClick();
    for (auto* box : page.componentCheckboxes)
        box->triggerClick();
    EXPECT_EQ (describedAs ("Tick at least one component to install."), "Tick at least one component to install.");
    EXPECT_FALSE (page.installButton.isEnabled());
    EXPECT_TRUE (page.agreeCheckbox.getToggleState());
    snapshots (ui, "welcome-nothing-selected");
    page.componentCheckboxes[1]->triggerClick();
    EXPECT_EQ (describedAs (""), "");
    EXPECT_TRUE (page.installButton.isEnabled());
    page.agreeCheckbox.triggerClick();
    EXPECT_EQ (describedAs ("Tick \"I agree\" to install."), "Tick \"I agree\" to install.");
    EXPECT_FALSE (page.installButton.isEnabled());

    // Elevated already: no shield on the button.
    EXPECT_EQ (page.installButton.shieldIcon, nullptr);
}

TEST (Pages, WelcomePageRowsFollowTheNumberOfObjects)
{
    testing_support::FakeSeam seam;

    {
        PageApp app ("three-objects/Manifest.xml");
        UI ui (app, 30);
        auto& page = shownPage<Installer::WelcomePage> (ui);
        snapshots (ui, "welcome-three-objects");

        ASSERT_EQ (page.componentCheckboxes.size(), 3) << "the uninstaller object is not shown";
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ (page.componentCheckboxes[i]->getY(), 200 + 71 * i);

        // The first row has a user path: its folder button takes the row's last 50 pixels.
        EXPECT_EQ (page.pathButtons[0]->getParentComponent(), &page);
        EXPECT_TRUE (page.pathButtons[0]->isVisible());
        EXPECT_EQ (boundsOf (*page.pathButtons[0]), juce::Rectangle<int> (420, 200, 50, 20));
        EXPECT_EQ (page.componentCheckboxes[0]->getWidth(), 395);
        EXPECT_FALSE (page.componentCheckboxes[0]->isEnabled()) << "a mandatory object";
        EXPECT_EQ (page.installPaths[1], platform::getFolder (platform::Folder::commonAppData).getFullPathName().replaceCharacter ('\\', '/')
                                             + "/Tarrow Audio/Presets");
    }

    {
        PageApp app ("opengl/Manifest.xml");
        const auto flag = Installer::WelcomePage::openGLFlagFile ("Tarrow Audio", "Ondra");
        flag.deleteFile();
        UI ui (app, 30);
        auto& page = shownPage<Installer::WelcomePage> (ui);
        snapshots (ui, "welcome-opengl");

        ASSERT_NE (page.openGLCheckbox, nullptr);
        EXPECT_EQ (page.componentCheckboxes[1]->getY(), 271);
        EXPECT_EQ (page.openGLCheckbox->getY(), 342);
        EXPECT_EQ (flag.loadFileAsString(), "1") << "written with its default when the page opens";
        EXPECT_TRUE (page.openGLCheckbox->getToggleState());

        page.openGLCheckbox->triggerClick();
        testing_support::pumpUntil ([&] { return flag.loadFileAsString() == "0"; }, 1000);
        EXPECT_EQ (flag.loadFileAsString(), "0");

        // The flag is read as an integer from the start of the text.
        for (const auto& [text, on] : { std::pair<const char*, bool> { "  12ab", true }, { "ab", false }, { "0", false }, { "1", true } })
        {
            flag.replaceWithText (text);
            Installer::WelcomePage again (app);
            EXPECT_EQ (again.openGLCheckbox->getToggleState(), on) << text;
        }

        flag.getParentDirectory().deleteRecursively();
    }
}

TEST (Pages, InstallActionWritesOnlyTheUsersChoices)
{
    testing_support::FakeSeam seam;
    PageApp app ("three-objects/Manifest.xml");
    app.pages.setNextPageToShow (AppProperties::welcome);
    UI ui (app, 30);
    auto& page = shownPage<Installer::WelcomePage> (ui);

    // A folder of the system is refused with its reason; the row keeps its folder.
    const auto before = page.installPaths[0];
    for (const auto* folder : { "C:\\", "C:\\windows", "C:\\Program Files" })
    {
        const auto problem = page.takeChosenFolder (0, juce::File (folder));
        EXPECT_TRUE (problem.startsWith ("This folder cannot be used: ")) << folder << ": " << problem;
        EXPECT_EQ (page.installPaths[0], before);
    }

    testing_support::TempFolder temp;
    const auto chosen = temp["Ondra Suite"];
    chosen.createDirectory();
    EXPECT_EQ (page.takeChosenFolder (0, chosen), "");
    EXPECT_EQ (page.installPaths[0], chosen.getFullPathName());
    EXPECT_EQ (page.takeChosenFolder (0, temp["missing"]), "") << "a folder that is not there changes nothing";
    EXPECT_EQ (page.installPaths[0], chosen.getFullPathName());

    // The presets left out; INSTALL asks for the install page, which an elevated run shows.
    page.componentCheckboxes[1]->setToggleState (false, juce::dontSendNotification);
    page.agreeCheckbox.triggerClick();
    testing_support::pumpUntil ([&] { return page.installButton.isEnabled(); }, 1000);
    page.installButton.triggerClick();
    testing_support::pumpUntil ([&] { return dynamic_cast<Installer::InstallPage*> (ui.getCurrentPage()) != nullptr; }, 2000);

    EXPECT_EQ (app.pages.getNextPageToShow(), AppProperties::install);
    EXPECT_NE (dynamic_cast<Installer::InstallPage*> (ui.getCurrentPage()), nullptr);

    juce::StringArray paths, folders;
    for (const auto& object : app.working().getObjects())
    {
        paths.add (object.objectPath);
        folders.add (object.defaultInstallPath);
    }

    EXPECT_EQ (paths, juce::StringArray ("Ondra Tool.exe", "Tarrow Audio - Ondra.vst3.zip", "Installer.exe"))
        << "the unticked presets are gone, the invisible uninstaller stays";
    EXPECT_EQ (folders[0], chosen.getFullPathName());
    EXPECT_EQ (folders[1], "C:/Program Files/Common Files/VST3");
}

TEST (Pages, FolderChooserRefusesOnlyTheSystemsOwnFolders)
{
    using platform::Folder;
    const auto folder = [] (Folder which, const char* below = "")
    {
        const auto base = platform::getFolder (which);
        return juce::String (below).isEmpty() ? base.getFullPathName() : base.getChildFile (below).getFullPathName();
    };
    const auto profiles = platform::getFolder (Folder::userProfile).getParentDirectory();

    // The shared plug-in folders, the documents and ProgramData are where VST2 plug-ins and
    // content go: an install writes only <folder>\<object> there.
    for (const auto& accepted : { folder (Folder::commonFiles, "VST3"), folder (Folder::commonFiles, "VST2"),
                                  folder (Folder::commonFiles, "CLAP"), folder (Folder::commonFiles, "Avid\\Audio\\Plug-Ins"),
                                  folder (Folder::commonFiles), folder (Folder::programFiles, "VSTPlugins"),
                                  folder (Folder::programFiles, "Steinberg\\VSTPlugins"), folder (Folder::programFiles, "Tarrow Audio"),
                                  folder (Folder::documents), folder (Folder::desktop), folder (Folder::commonAppData),
                                  folder (Folder::commonAppData, "Tarrow Audio"), folder (Folder::userProfile, "Music"),
                                  juce::String ("D:\\Samples") })
        EXPECT_EQ (CorvoAudio::userFolderProblem (accepted), "") << accepted;

    struct Refused { juce::String path; const char* reason; };
    const Refused refused[] = {
        { "C:\\", "is the root of a drive" },
        { "D:\\", "is the root of a drive" },
        { folder (Folder::windows), "is the Windows folder" },
        { folder (Folder::windows).toUpperCase(), "is the Windows folder" },
        { folder (Folder::system), "is inside the Windows folder" },
        { folder (Folder::windows, "Fonts\\Tarrow"), "is inside the Windows folder" },
        { folder (Folder::programFiles), "is a Program Files folder itself" },
        { folder (Folder::programFilesX86) + "\\", "is a Program Files folder itself" },
        { profiles.getFullPathName(), "is the folder of all user profiles" },
        { folder (Folder::userProfile), "is a user's profile folder" },
        { profiles.getChildFile ("Public").getFullPathName(), "is a user's profile folder" },
        { "Tools", "is not an absolute folder on a local drive" },
        { "\\\\server\\share\\Plug-Ins", "is not an absolute folder on a local drive" },
    };

    for (const auto& c : refused)
    {
        const auto problem = CorvoAudio::userFolderProblem (c.path);
        EXPECT_TRUE (problem.startsWith (c.path.quoted() + " " + c.reason)) << c.path << ": " << problem;
    }

    // Through the chooser: the reason is shown, and a shared folder is taken.
    testing_support::FakeSeam seam;
    PageApp app ("three-objects/Manifest.xml");
    app.pages.setNextPageToShow (AppProperties::welcome);
    UI ui (app, 30);
    auto& page = shownPage<Installer::WelcomePage> (ui);
    const juce::File windows (folder (Folder::windows));
    EXPECT_EQ (page.takeChosenFolder (0, windows),
               "This folder cannot be used: " + windows.getFullPathName().quoted() + " is the Windows folder. The folder stays "
                   + page.installPaths[0] + ".");

    const juce::File vst2 (folder (Folder::commonFiles, "VST2"));
    const auto made = ! vst2.isDirectory() && vst2.createDirectory().wasOk();
    EXPECT_EQ (page.takeChosenFolder (0, vst2), "");
    EXPECT_EQ (page.installPaths[0], vst2.getFullPathName());

    if (made)
        vst2.deleteFile();
}

TEST (Pages, PageSwitching)
{
    testing_support::FakeSeam seam;
    PageApp app;
    UI ui (app, 30);
    auto* welcome = ui.getCurrentPage();
    ASSERT_NE (dynamic_cast<Installer::WelcomePage*> (welcome), nullptr);

    // The same page type keeps the page, with whatever the user ticked.
    dynamic_cast<Installer::WelcomePage*> (welcome)->agreeCheckbox.setToggleState (true, juce::dontSendNotification);
    app.runtime.changePage();
    EXPECT_EQ (ui.getCurrentPage(), welcome);

    // The install step without administrator rights shows a fresh welcome page.
    seam.admin = false;
    app.pages.setNextPageToShow (AppProperties::install);
    app.runtime.changePage();
    auto* fresh = dynamic_cast<Installer::WelcomePage*> (ui.getCurrentPage());
    ASSERT_NE (fresh, nullptr);
    EXPECT_NE (fresh, welcome);
    EXPECT_FALSE (fresh->agreeCheckbox.getToggleState());

    seam.admin = true;
    app.runtime.changePage();
    EXPECT_NE (dynamic_cast<Installer::InstallPage*> (ui.getCurrentPage()), nullptr);

    app.pages.setNextPageToShow (AppProperties::result);
    app.runtime.changePage();
    EXPECT_NE (dynamic_cast<Installer::ResultPage*> (ui.getCurrentPage()), nullptr);

    // An uninstall shows the uninstaller's variants.
    app.pages.setOperationMode ((int) OperationMode::uninstall);
    app.pages.setNextPageToShow (AppProperties::install);
    app.runtime.changePage();
    EXPECT_NE (dynamic_cast<Uninstaller::InstallPage*> (ui.getCurrentPage()), nullptr);
}

TEST (Pages, ProgressPageShowsTheLogAndTheSpinner)
{
    testing_support::FakeSeam seam;
    PageApp app;
    app.runtime.setLastLogMessage ("Installing Ondra v1.0.7");
    app.pages.setNextPageToShow (AppProperties::install);
    UI ui (app, 30);
    auto& page = shownPage<Installer::InstallPage> (ui);

    EXPECT_EQ (page.logText.getLines(), juce::StringArray ("Installing Ondra v1.0.7")) << "the line logged before the page";
    for (const auto* line : { "", "Installing Tarrow Audio - Ondra.vst3...", "", "   >> Success!", "", "   >> Success!",
                              "", "Installing Tarrow Audio - Ondra.aaxplugin..." })
        app.runtime.setLastLogMessage (line);

    EXPECT_EQ (page.logText.getLines().size(), 5) << "empty texts are skipped, a repeated line is shown twice";
    EXPECT_EQ (boundsOf (page.logText), juce::Rectangle<int> (55, 280, 385, 329));
    EXPECT_EQ (boundsOf (page.waitingOverlay), juce::Rectangle<int> (202, 175, 91, 91));
    EXPECT_TRUE (page.waitingOverlay.isVisible());
    EXPECT_EQ (page.waitingOverlay.centreImage, nullptr) << "another maker's installer spins without the glyph";
    snapshots (ui, "progress");

    // The errors at the end come as one line of many: every one of them stays inside the box.
    app.runtime.setLastLogMessage ("Installation finished with errors.");
    juce::StringArray errors;
    for (int k = 1; k <= 5; ++k)
        errors.add ("Error installing Tarrow Audio - Ondra Expansion " + juce::String (k)
                    + ".\nThe file C:\\Program Files\\Common Files\\VST3\\Ondra Expansion " + juce::String (k) + ".vst3 is in use.");
    app.runtime.setLastLogMessage (errors.joinIntoString ("\n"));
    snapshots (ui, "progress-five-errors");

    const auto font = robotoRegular().withHeight (14.0f);
    auto rows = 0;
    for (const auto& line : page.logText.getLines())
        rows += LogText::rowsFor (font, line, (float) (page.logText.getWidth() - 2 * LogText::sideMargin));
    EXPECT_EQ (page.logText.getLines()[page.logText.getLines().size() - 1], errors.joinIntoString ("\n"));
    EXPECT_GE (rows, 10) << "ten lines of errors";
    EXPECT_LE (rows * LogText::rowPitch, page.logText.getHeight() - LogText::reservedHeight);
}

TEST (Pages, ResultPageWithSuccessAndWithErrors)
{
    testing_support::FakeSeam seam;

    struct Case { const char* errors; bool succeeded; int lines; const char* picture; const char* restart = ""; };
    const Case cases[] = {
        { "", true, 0, "result-done" },
        { "", true, 0, "result-restart", "Restart Windows to finish removing the previous version." },
        { "Error installing C:/Program Files/Common Files/VST3.;Make sure the file is not in use and run the installer again.", false, 2, nullptr },
        { "one;", false, 2, nullptr },
        { "Error installing C:/Program Files/Common Files/VST3.\nThe file C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3\\Contents\\"
          "x86_64-win\\Tarrow Audio - Ondra.vst3 is in use. Close the program that uses it and run the installer again.;"
          "Error installing C:/Program Files/Common Files/Avid/Audio/Plug-Ins.;The installer payload has no entry Tarrow Audio - Ondra.aaxplugin.zip.",
          false, 3, "result-errors" },
    };

    for (const auto& c : cases)
    {
        PageApp app;
        app.getRuntimeTree().setProperty (Ids::InstallationErrors, c.errors, nullptr);
        app.runtime.setRestartNotice (c.restart);
        app.pages.setNextPageToShow (AppProperties::result);
        UI ui (app, 30);
        auto& page = shownPage<Installer::ResultPage> (ui);

        EXPECT_EQ (page.succeeded, c.succeeded) << c.errors;
        EXPECT_EQ (page.restartNotice, c.restart);
        EXPECT_EQ (page.errorLog != nullptr, ! c.succeeded);
        EXPECT_EQ (boundsOf (page.closeButton), juce::Rectangle<int> (124, 555, 246, 51));
        EXPECT_EQ (page.closeButton.getLabel(), "Close");
        EXPECT_EQ (page.closeButton.shieldIcon, nullptr);

        if (c.picture != nullptr)
            snapshots (ui, c.picture);

        if (page.errorLog != nullptr)
        {
            EXPECT_EQ (boundsOf (*page.errorLog), juce::Rectangle<int> (55, 310, 385, 235));
            EXPECT_FALSE (page.errorLog->getBounds().intersects (page.closeButton.getBounds()));
            EXPECT_EQ (page.errorLog->getLines().size(), c.lines) << c.errors;
        }
    }
}

TEST (Pages, LicenseOpensBesideTheStateFile)
{
    testing_support::FakeSeam seam;
    PageApp app;
    Installer::WelcomePage page (app);
    const auto html = app.getStateFile().getParentDirectory().getChildFile ("EULA.html");
    html.replaceWithText ("an old licence");

    page.licenseDisclaimer->onClick();

    ASSERT_EQ (seam.openedDocuments.size(), 1);
    EXPECT_EQ (seam.openedDocuments[0], html);
    EXPECT_TRUE (html.loadFileAsString().contains ("<html")) << html.loadFileAsString().substring (0, 200);
}

TEST (Widgets, LogTextKeepsOnlyWhatFits)
{
    LogText log;
    log.setSize (385, 329);   // 305 usable: 15 rows of 20

    for (int i = 0; i < 16; ++i)
        log.addLine ("line " + juce::String (i));

    log.createComponentSnapshot (log.getLocalBounds());
    EXPECT_EQ (log.getLines().size(), 15);
    EXPECT_EQ (log.getLines()[0], "line 1") << "the oldest line goes first";

    // A line wider than 371 pixels takes two rows and pushes out two lines.
    const auto wide = juce::String::repeatedString ("wide ", 15);
    ASSERT_GT (robotoRegular().withHeight (14.0f).getStringWidthFloat (wide), 371.0f);
    ASSERT_LT (robotoRegular().withHeight (14.0f).getStringWidthFloat (wide), 742.0f);
    log.addLine (wide);
    log.createComponentSnapshot (log.getLocalBounds());
    EXPECT_EQ (log.getLines().size(), 14);
    EXPECT_EQ (log.getLines()[0], "line 3");

    // Rows are counted as they are drawn: each line break and each wrap is one more.
    const auto font = robotoRegular().withHeight (14.0f);
    for (const auto& [text, rows] : { std::pair<juce::String, int> { "a", 1 }, { "", 1 }, { "a\nb", 2 }, { "a\r\nb\n", 2 },
                                      { "a\n\nb", 3 }, { wide, 2 }, { wide + "\nx", 3 },
                                      { "Installation finished with errors.\nError installing A.\nno room\nError installing B.\nlocked", 5 } })
        EXPECT_EQ (LogText::rowsFor (font, text, 371.0f), rows) << text;

    // Five errors in one line push out five lines, and every row stays inside the box.
    log.addLine ("Error 1\nError 2\nError 3\nError 4\nError 5");
    log.createComponentSnapshot (log.getLocalBounds());
    EXPECT_EQ (log.getLines().size(), 10);
    EXPECT_EQ (log.getLines()[0], "line 8");

    LogText tiny;
    tiny.setSize (385, 40);
    tiny.addLine ("no room");
    tiny.createComponentSnapshot (tiny.getLocalBounds());
    EXPECT_TRUE (tiny.getLines().isEmpty());
}

TEST (Widgets, SpinnerGeometryAndTurns)
{
    EXPECT_EQ (Quor::WaitingOverlay::spinnerArea (91, 91), juce::Rectangle<float> (10.0f, 10.0f, 71.0f, 71.0f));
    EXPECT_EQ (Quor::WaitingOverlay::spinnerArea (300, 200), juce::Rectangle<float> (95.0f, 45.0f, 110.0f, 110.0f));

    Quor::WaitingOverlay overlay;
    overlay.setSize (91, 91);
    overlay.show ({}, false);
    EXPECT_TRUE (overlay.isVisible());

    // The rings turn: two pictures a few ticks apart differ inside the spinner's square only.
    const auto first = overlay.createComponentSnapshot (overlay.getLocalBounds());
    const auto angle = overlay.ringAngles[1];
    testing_support::pumpUntil ([&] { return overlay.ringAngles[1] > angle + 0.2f; }, 3000);
    const auto second = overlay.createComponentSnapshot (overlay.getLocalBounds());

    auto changed = 0;
    for (int y = 0; y < 91; ++y)
        for (int x = 0; x < 91; ++x)
            if (first.getPixelAt (x, y) != second.getPixelAt (x, y))
            {
                ++changed;
                EXPECT_TRUE (juce::Rectangle<int> (10, 10, 71, 71).contains (x, y)) << x << ", " << y;
            }
    EXPECT_GT (changed, 20);
}

TEST (Pages, EveryControlHasAnAccessibleTitle)
{
    testing_support::FakeSeam seam;
    PageApp app ("three-objects/Manifest.xml");
    app.pages.setNextPageToShow (AppProperties::welcome);
    UI ui (app, 30);
    auto& page = shownPage<Installer::WelcomePage> (ui);

    // A screen reader reaches a window's controls: on the desktop, each has its handler and title.
    ui.addToDesktop (0);
    juce::StringArray titles;

    // Disabled controls too: a screen reader says what is there, and that it cannot be used yet.
    for (auto* child : page.getChildren())
    {
        EXPECT_NE (child->getAccessibilityHandler(), nullptr) << child->getTitle();
        titles.add (child->getTitle());
    }

    ui.removeFromDesktop();

    EXPECT_EQ (titles.joinIntoString (" / "), juce::StringArray ({ "INSTALL", "Ondra Tool", "Choose the folder for Ondra Tool", "Ondra Presets",
                                            "Tarrow Audio - Ondra.vst3", "License terms and conditions", "I agree" }).joinIntoString (" / "));
}

TEST (UninstallPages, WelcomePageListsWhatGoesAndTheOptions)
{
    testing_support::FakeSeam seam;

    {
        // The demo product installed beside another vendor's plug-in in the shared folder.
        const juce::File vst3Folder ("C:\\Program Files\\Common Files\\VST3");
        const auto bundle = vst3Folder.getChildFile ("Tarrow Audio - Ondra.vst3");
        const auto otherVendor = vst3Folder.getChildFile ("Other Vendor.vst3");
        bundle.getChildFile ("Contents/desktop.ini").create();
        otherVendor.getChildFile ("Contents/desktop.ini").create();

        CorvoAudio::UninstallEntry entry;
        entry.displayName = "Ondra";
        entry.id = "a3c95e10f27b4d6890e1c4b7d2f5a08e";
        entry.installLocation = vst3Folder;
        entry.extraPaths.add (bundle.getFullPathName());
        ASSERT_TRUE (CorvoAudio::writeUninstallRegistry (entry, {}));

        PageApp app;
        app.pages.setOperationMode ((int) OperationMode::uninstall);
        UI ui (app, 30);
        auto& page = shownPage<Uninstaller::WelcomePage> (ui);
        snapshots (ui, "uninstall-welcome");

        CorvoAudio::deleteUninstallRegistry (entry.id);
        platform::deletePath (bundle);
        platform::deletePath (otherVendor);

        ASSERT_EQ (page.keptPaths.size(), 1u);
        EXPECT_EQ (page.keptPaths[0].path, vst3Folder);
        EXPECT_EQ (page.keptPaths[0].reason, "it holds other files");

        EXPECT_EQ (page.uninstallPaths, juce::StringArray ("C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3",
                                                           "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins\\Tarrow Audio - Ondra.aaxplugin"));
        EXPECT_TRUE (page.optionCheckboxes.isEmpty());
        EXPECT_EQ (page.installButton.getLabel(), "UNINSTALL");
        EXPECT_TRUE (page.installButton.isEnabled()) << "no agreement is needed to uninstall";
        EXPECT_EQ (page.licenseDisclaimer, nullptr);
        EXPECT_FALSE (page.agreeCheckbox.isVisible());
        for (auto* box : page.componentCheckboxes)
            EXPECT_FALSE (box->isVisible());
    }

    PageApp app ("uninstall-options/Manifest.xml");
    app.pages.setOperationMode ((int) OperationMode::uninstall);
    UI ui (app, 30);
    auto& page = shownPage<Uninstaller::WelcomePage> (ui);

    // The uninstaller itself and a protected object are neither paths nor options.
    ASSERT_EQ (page.uninstallPaths.size(), 1);
    EXPECT_TRUE (page.uninstallPaths[0].endsWith ("VST3\\Tarrow Audio - Ondra.vst3"));
    ASSERT_EQ (page.optionCheckboxes.size(), 3);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ (page.getLocalArea (page.optionCheckboxes[k], page.optionCheckboxes[k]->getLocalBounds()),
                   juce::Rectangle<int> (25, 420 + 34 * k, 445, 16));

    const auto states = [&]
    {
        juce::String text;
        for (auto* box : page.optionCheckboxes)
            text << (box->getToggleState() ? "x" : "-") << (box->isEnabled() ? "" : "L") << " ";
        return text.trim();
    };

    // presets on by default; userPresets requires presets; everything requires userPresets.
    // Each ticked option's folder is listed with the paths that go.
    struct Step { int click; const char* expected; const char* stored; const char* listed; };
    const Step steps[] = {
        { -1, "x - -", "presets", "Ondra Presets" },
        { 2, "xL xL x", "presets,userPresets,everything", "Ondra Presets,Ondra User Presets,Ondra Samples" },   // the whole chain, locked below the top
        { 2, "xL x -", "presets,userPresets", "Ondra Presets,Ondra User Presets" },               // userPresets comes free, keeps its tick
        { 1, "x - -", "presets", "Ondra Presets" },
        { 0, "- - -", "", "" },                                 // nothing ticked: an empty list, never the defaults
    };

    const auto listed = [&]
    {
        juce::StringArray names;
        for (const auto& path : page.optionPaths)
            names.add (juce::File (path).getFileName());
        names.sort (false);
        return names.joinIntoString (",");
    };

    for (const auto& step : steps)
    {
        if (step.click >= 0)
            page.optionCheckboxes[step.click]->triggerClick();

        testing_support::pumpUntil ([&] { return states() == step.expected; }, 1000);
        EXPECT_EQ (states(), step.expected) << step.click;
        EXPECT_EQ (page.getSelectedUninstallOptions().joinIntoString (","), step.stored);
        auto expectedNames = juce::StringArray::fromTokens (step.listed, ",", "");
        expectedNames.sort (false);
        EXPECT_EQ (listed(), expectedNames.joinIntoString (",")) << step.click;

        if (juce::String (step.stored).contains ("everything"))
            snapshots (ui, "uninstall-welcome-options-ticked");
    }
    EXPECT_EQ (page.uninstallPaths.size(), 1) << "the paths of objects behind an option are never among the plain ones";

    snapshots (ui, "uninstall-welcome-options");

    // More kept folders than fit above the options: the list scrolls, each shown whole.
    const auto keptBefore = page.keptPaths;
    for (int k = 0; k < 9; ++k)
        page.keptPaths.push_back ({ juce::File ("C:\\ProgramData\\Tarrow Audio\\Ondra Suite\\A very long folder name that goes on and on " + juce::String (k)),
                                    "it holds other files" });
    page.refreshList();
    snapshots (ui, "uninstall-welcome-many-kept");
    EXPECT_TRUE (page.listView.getVerticalScrollBar().isVisible());
    page.keptPaths = keptBefore;
    page.refreshList();

    // UNINSTALL stores the choice in the working manifest and asks for the uninstall.
    page.optionCheckboxes[1]->triggerClick();
    testing_support::pumpUntil ([&] { return page.getSelectedUninstallOptions().size() == 2; }, 1000);
    page.installButton.triggerClick();
    testing_support::pumpUntil ([&] { return dynamic_cast<Uninstaller::InstallPage*> (ui.getCurrentPage()) != nullptr; }, 2000);
    EXPECT_EQ (app.working().getString (Ids::SelectedUninstallOptions), "presets,userPresets");
    EXPECT_NE (dynamic_cast<Uninstaller::InstallPage*> (ui.getCurrentPage()), nullptr);
    snapshots (ui, "uninstall-progress");
}

TEST (UninstallPages, AnyNumberOfOptionsAndLongPathsStayAboveTheButton)
{
    testing_support::FakeSeam seam;
    testing_support::TempFolder temp;

    // A path is wrapped at its separators, never cut off; a name wider than the row is cut.
    const auto font = robotoRegular().withHeight (13.0f);
    const juce::String longPath ("- C:\\ProgramData\\Tarrow Audio\\Ondra Suite\\Expansions\\A very long folder name that goes on and on\\Samples");
    const auto wrapped = Uninstaller::TextRow::wrap (font, longPath, 385.0f);
    EXPECT_GE (wrapped.size(), 2);
    EXPECT_EQ (wrapped.joinIntoString ("").removeCharacters (" "), longPath.removeCharacters (" "));
    for (const auto& line : wrapped)
        EXPECT_LE (font.getStringWidthFloat (line), 385.0f) << line;
    EXPECT_EQ (Uninstaller::TextRow::wrap (font, "- C:\\Short", 385.0f), juce::StringArray ("- C:\\Short"));
    const auto oneName = Uninstaller::TextRow::wrap (font, juce::String::repeatedString ("x", 120), 385.0f);
    EXPECT_EQ (oneName.joinIntoString (""), juce::String::repeatedString ("x", 120));

    for (int options = 1; options <= 8; ++options)
    {
        SCOPED_TRACE (options);
        juce::String objects;
        for (int k = 0; k < options; ++k)
            objects << "<Object objectName=\"Expansion " << k << "\" objectPath=\"Expansion " << k << " Samples.zip\" visible=\"0\""
                    << " defaultInstallPath=\"C:/__commonAppDataDir__/Tarrow Audio/Ondra Suite/Expansions/A very long folder name for expansion "
                    << k << " that goes on\" uninstallOptionId=\"x" << k << "\" uninstallOptionLabel=\"Samples of expansion " << k
                    << " (" << (k + 1) * 120 << " MB)\"/>";
        const auto manifest = temp["Manifest " + juce::String (options) + ".xml"];
        manifest.replaceWithText ("<Manifest AppName=\"Ondra Suite\" AppVersion=\"1.0.0\" AppUuid=\"d41c7e2b9a0f4c36b8e5a1f2c3d4e5f6\" CompanyName=\"Tarrow Audio\">"
                                  "<Objects><Object objectName=\"Tarrow Audio - Ondra.vst3\" isMainApplication=\"true\" objectPath=\"Tarrow Audio - Ondra.vst3.zip\""
                                  " visible=\"1\" defaultInstallPath=\"C:/Program Files/Common Files/VST3\"/>" + objects + "</Objects></Manifest>");

        PageApp app (manifest.getFullPathName());
        app.pages.setOperationMode ((int) OperationMode::uninstall);
        UI ui (app, 30);
        ui.addToDesktop (0);
        ui.setVisible (true);
        auto& page = shownPage<Uninstaller::WelcomePage> (ui);
        ASSERT_EQ (page.optionCheckboxes.size(), options);

        const auto check = [&] (const char* state)
        {
            const auto button = page.installButton.getBounds();
            EXPECT_LE (page.listView.getBottom(), button.getY()) << state;

            for (auto* box : page.optionCheckboxes)
            {
                const auto shown = page.listView.getBounds().getIntersection (page.getLocalArea (box, box->getLocalBounds()));
                EXPECT_FALSE (shown.intersects (button)) << state;

                // Tab brings each into view.
                box->grabKeyboardFocus();
                testing_support::pumpUntil ([&] { return page.listView.getViewArea().contains (box->getBounds()); }, 1000);
                EXPECT_TRUE (page.listView.getViewArea().contains (box->getBounds())) << state << ": " << box->getTitle();
            }

            for (auto* row : page.list.goingRows)
                EXPECT_EQ (row->lines.joinIntoString ("").removeCharacters (" "), row->text.removeCharacters (" ")) << "shown whole";
        };

        // Four fit where the page always had them; more scroll.
        for (int k = 0; k < options && options <= 4; ++k)
            EXPECT_EQ (page.getLocalArea (page.optionCheckboxes[k], page.optionCheckboxes[k]->getLocalBounds()),
                       juce::Rectangle<int> (25, 420 + 34 * k, 445, 16));
        check ("none ticked");
        EXPECT_EQ (page.listView.getVerticalScrollBar().isVisible(), options >= 5);

        // Every option ticked lists its long path among those that go.
        for (auto* box : page.optionCheckboxes)
            box->triggerClick();
        testing_support::pumpUntil ([&] { return page.optionPaths.size() == options; }, 2000);
        EXPECT_EQ (page.optionPaths.size(), options);
        check ("all ticked");

        if (options == 7)
        {
            page.listView.setViewPosition (0, 0);
            snapshots (ui, "uninstall-welcome-seven-options");
            page.listView.setViewPosition (0, page.list.getHeight());
            snapshots (ui, "uninstall-welcome-seven-options-scrolled");
        }
    }
}

TEST (UninstallPages, EveryObjectGoesWhateverItsInstallDefaultAndNoOpenGLFlagIsWritten)
{
    testing_support::FakeSeam seam;
    testing_support::TempFolder temp;

    // The AAX bundle is off by default: a user who ticked it at install gets it uninstalled too.
    const auto manifest = temp["Manifest.xml"];
    manifest.replaceWithText (juce::File (INSTALLER_FIXTURES_DIR).getChildFile ("opengl/Manifest.xml").loadFileAsString()
                                  .replace ("objectPath=\"Tarrow Audio - Ondra.aaxplugin.zip\" visible=\"1\" allowUserPath=\"0\" installationOptional=\"1\" defaultSelection=\"1\"",
                                            "objectPath=\"Tarrow Audio - Ondra.aaxplugin.zip\" visible=\"1\" allowUserPath=\"0\" installationOptional=\"1\" defaultSelection=\"0\""));
    ASSERT_TRUE (manifest.loadFileAsString().contains ("defaultSelection=\"0\""));

    const auto flag = Installer::WelcomePage::openGLFlagFile ("Tarrow Audio", "Ondra");
    flag.deleteFile();

    PageApp app (manifest.getFullPathName());
    app.pages.setOperationMode ((int) OperationMode::uninstall);
    UI ui (app, 30);
    auto& page = shownPage<Uninstaller::WelcomePage> (ui);
    EXPECT_EQ (page.openGLCheckbox, nullptr);
    EXPECT_FALSE (flag.exists()) << "an uninstall has no OpenGL choice to remember";
    EXPECT_EQ (page.uninstallPaths.size(), 2) << page.uninstallPaths.joinIntoString ("\n");

    page.installButton.triggerClick();
    testing_support::pumpUntil ([&] { return dynamic_cast<Uninstaller::InstallPage*> (ui.getCurrentPage()) != nullptr; }, 2000);

    ManifestProperties embedded (false);
    embedded.setTree (app.manifest, false);
    juce::StringArray working, kept;
    for (const auto& object : app.working().getObjects())
        working.add (object.objectPath);
    for (const auto& object : embedded.getObjects())
        kept.add (object.objectPath);
    EXPECT_EQ (working, kept);

    // And the application's own reading of that copy for the uninstall leaves nothing out.
    const auto choices = CorvoAudio::PendingChoices::takeFrom (app.working().getTree(), embedded, true);
    EXPECT_TRUE (choices.deselected.isEmpty());

    // The uninstall itself, on that copy: both bundles go, the one off by default too.
    const auto vst3 = temp["VST3/Tarrow Audio - Ondra.vst3"], aax = temp["AAX/Tarrow Audio - Ondra.aaxplugin"];
    for (const auto& bundle : { vst3, aax })
        ASSERT_TRUE (bundle.getChildFile ("Contents/desktop.ini").create().wasOk());

    CorvoAudio::UninstallEntry entry;
    entry.displayName = "Ondra";
    entry.displayVersion = "1.0.7";
    entry.id = embedded.getString (Ids::AppUuid);
    entry.installLocation = temp["VST3"];
    entry.extraPaths.add (vst3.getFullPathName());
    entry.extraPaths.add (aax.getFullPathName());
    ASSERT_TRUE (CorvoAudio::writeUninstallRegistry (entry, {}));

    app.runtime.setRunningHeadless (true);
    const auto output = testing_support::captureOutput ([&]
    {
        CorvoAudio::Deinstallation uninstall (app);
        testing_support::pumpUntil ([&] { return seam.exitCode.has_value(); }, 30000);
    });
    EXPECT_EQ (seam.exitCode.value_or (-1), 0) << output;
    EXPECT_FALSE (vst3.exists()) << output;
    EXPECT_FALSE (aax.exists()) << "installed although off by default: it goes too\n" << output;
    CorvoAudio::deleteUninstallRegistry (entry.id);
}

TEST (UninstallPages, ResultPagesSayWhatRemains)
{
    testing_support::FakeSeam seam;

    struct Case { const char* errors; const char* picture; };
    const Case cases[] = {
        { "", "uninstall-result-done" },
        { "Could not remove C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3: C:\\Program Files\\Common Files\\VST3\\"
          "Tarrow Audio - Ondra.vst3\\Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3 is in use by Studio Host.;"
          "Ondra stays in the list of installed programs: uninstall it again once these files are free.",
          "uninstall-result-errors" },
    };

    for (const auto& c : cases)
    {
        PageApp app;
        app.pages.setOperationMode ((int) OperationMode::uninstall);
        app.getRuntimeTree().setProperty (Ids::InstallationErrors, c.errors, nullptr);
        app.pages.setNextPageToShow (AppProperties::result);
        UI ui (app, 30);
        auto& page = shownPage<Uninstaller::ResultPage> (ui);
        snapshots (ui, c.picture);

        EXPECT_EQ (page.succeeded, juce::String (c.errors).isEmpty());
        EXPECT_EQ (boundsOf (page.closeButton), juce::Rectangle<int> (124, 555, 246, 51));

        if (! page.succeeded)
        {
            ASSERT_NE (page.errorLog, nullptr);
            EXPECT_EQ (page.errorLog->getLines().size(), 2);
            EXPECT_TRUE (page.errorLog->getLines()[0].contains ("is in use by Studio Host")) << "the page names what remains and what holds it";
        }
    }
}

TEST (ModifyPages, RepairOrUninstall)
{
    testing_support::FakeSeam seam;

    for (const auto uninstall : { false, true })
    {
        PageApp app;
        app.pages.setOperationMode ((int) OperationMode::modify);
        app.pages.setNextPageToShow (AppProperties::modify);
        UI ui (app, 30);
        auto& page = shownPage<Installer::ModifyPage> (ui);

        if (! uninstall)
            snapshots (ui, "modify");

        EXPECT_EQ (boundsOf (page.repairButton), juce::Rectangle<int> (124, 335, 246, 51));
        EXPECT_EQ (boundsOf (page.uninstallButton), juce::Rectangle<int> (124, 415, 246, 51));
        for (auto* button : { &page.repairButton, &page.uninstallButton })
        {
            EXPECT_TRUE (button->isEnabled());
            EXPECT_EQ (button->shieldIcon, nullptr);
        }

        (uninstall ? page.uninstallButton : page.repairButton).triggerClick();
        testing_support::pumpUntil ([&] { return ui.getCurrentPage()->pageType == AppProperties::welcome; }, 2000);

        EXPECT_EQ (app.pages.getOperationMode(), (int) (uninstall ? OperationMode::uninstall : OperationMode::install));
        if (uninstall)
            EXPECT_NE (dynamic_cast<Uninstaller::WelcomePage*> (ui.getCurrentPage()), nullptr);
        else
            EXPECT_NE (dynamic_cast<Installer::WelcomePage*> (ui.getCurrentPage()), nullptr);
    }
}
