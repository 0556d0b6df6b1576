#include "EmbeddedResources.h"
#include "FilesInUseMessage.h"
#include "Identifiers.h"
#include "Installation.h"
#include "ManifestProperties.h"
#include "TestHelpers.h"
#include "UninstallRegistry.h"
#include "WorkFolders.h"

#include <gtest/gtest.h>

using namespace CorvoAudio;

namespace
{
    const juce::String moduleName = "Tarrow Audio - Ondra.vst3";

    /** The demo product, version 2.0 over an installed 1.0, in folders of the test's own. */
    struct Upgrade
    {
        Upgrade()
        {
            auto manifest = ManifestProperties::parse (resources::manifestText()).createCopy();
            manifest.setProperty (Ids::AppVersion, "2.0", nullptr);
            manifest.setProperty (Ids::AppUuid, id, nullptr);

            auto objects = manifest.getChildWithName (Ids::Objects);
            auto vst3Object = objects.getChild (0), aaxObject = objects.getChild (1);
            vst3Object.setProperty (Ids::defaultInstallPath, vst3Folder.getFullPathName().replaceCharacter ('\\', '/'), nullptr);
            vst3Object.setProperty (Ids::createUninstallBatScript, "true", nullptr);   // so that it is registered
            aaxObject.setProperty (Ids::defaultInstallPath, aaxFolder.getFullPathName().replaceCharacter ('\\', '/'), nullptr);
            app.getPersistentTree().appendChild (manifest, nullptr);

            for (const auto& bundle : { vst3, aax })
                for (auto* name : { "Contents/x86_64-win/Tarrow Audio - Ondra.vst3", "Contents/Resources/moduleinfo.json", "desktop.ini" })
                    bundle.getChildFile (name).create(), bundle.getChildFile (name).replaceWithText ("version 1.0");

            UninstallEntry entry;
            entry.displayName = "Ondra";
            entry.displayVersion = "1.0";
            entry.id = id;
            entry.installLocation = vst3Folder;
            entry.uninstaller = vst3Folder.getChildFile ("Uninstall Ondra.bat").getFullPathName();
            EXPECT_TRUE (writeUninstallRegistry (entry, {}));
            before = state();
        }

        ~Upgrade()
        {
            deleteUninstallRegistry (id);
        }

        juce::String state() const
        {
            juce::String text;

            for (const auto& folder : { vst3Folder, aaxFolder })
                for (const auto& file : folder.findChildFiles (juce::File::findFiles, true))
                    if (! file.getFileName().startsWith ("icon ") && ! file.getFileName().startsWith ("Uninstall "))
                        text << file.getRelativePathFrom (temp.folder) << "=" << file.loadFileAsString().length() << ";";

            return text + "registered " + readUninstallRegistry (id).displayVersion;
        }

        /** Anything of this product left in the installer's work folders. */
        juce::StringArray workLeftovers() const
        {
            juce::StringArray left;
            const auto place = WorkFolders::placeOn (platform::volumeOf (temp.folder));

            for (const auto& folder : place.findChildFiles (juce::File::findDirectories, false, ".installer-{" + id + "}-*"))
                left.add (folder.getFullPathName());

            return left;
        }

        testing_support::TempFolder temp;
        testing_support::TestApp app;
        const juce::String id = "upgrade" + juce::Uuid().toString();
        const juce::File vst3Folder = temp["VST3"], aaxFolder = temp["AAX"];
        const juce::File vst3 = vst3Folder.getChildFile ("Tarrow Audio - Ondra.vst3"), aax = aaxFolder.getChildFile ("Tarrow Audio - Ondra.aaxplugin");
        juce::String before;
    };

    /** The real file steps, with the n-th move failing (a host opened a file without letting it be
        renamed) or a module that cannot be deleted once it is aside (a host loaded it). */
    struct BeatenSteps final : FileSteps
    {
        juce::Result move (const juce::File& from, const juce::File& to) override
        {
            // What a program holds cannot move, neither whole nor entry by entry.
            if (++moves == failMove)
                blocked = from;

            if (blocked != juce::File() && (from == blocked || from.isAChildOf (blocked)))
                return juce::Result::fail ("The process cannot access the file because it is being used by another process.");

            return FileSteps::move (from, to);
        }

        bool remove (const juce::File& path) override
        {
            if (! holdOldModule || path.getFullPathName().contains ("VST3"))
                return FileSteps::remove (path);

            for (const auto& file : path.findChildFiles (juce::File::findFiles, true))
                if (file.getFileName() != moduleName)
                    file.deleteFile();

            return path.findChildFiles (juce::File::findFiles, true).isEmpty() && FileSteps::remove (path);
        }

        bool removeAtRestart (const juce::File& path) override
        {
            listedForRestart.add (path);
            return true;
        }

        bool createPrivateFolder (const juce::File& folder) override
        {
            privateFolders.add (folder);
            return FileSteps::createPrivateFolder (folder);
        }

        bool takeRightsOfFolder (const juce::File& path) override
        {
            tookRights.add (path);
            return FileSteps::takeRightsOfFolder (path);
        }

        int failMove = 0, moves = 0;
        juce::File blocked;
        bool holdOldModule = false;
        juce::Array<juce::File> listedForRestart, privateFolders, tookRights;
    };

    /** A host that has the VST3 module loaded, as the Restart Manager names it. */
    struct HostProbe final : FileUseProbe
    {
        bool isHeld (const juce::File& file) override
        {
            return file.existsAsFile() && file.getFileName() == moduleName && file.getFullPathName().contains ("VST3");
        }

        std::vector<platform::ProcessInfo> programsUsing (const juce::Array<juce::File>& files) override
        {
            for (const auto& file : files)
                if (isHeld (file))
                    return { { "Studio Host 5", 4242 } };

            return {};
        }
    };
}

TEST (Installation, FilesInUseChangeNothingAndNameTheirPrograms)
{
    Upgrade upgrade;
    testing_support::FakeSeam seam;
    HostProbe probe;

    const auto output = testing_support::runHeadless<Installation> (upgrade.app, OperationMode::install, seam, 30000,
                                                                    EngineSeams { &probe, nullptr });
    ASSERT_TRUE (seam.exitCode.has_value()) << output;
    EXPECT_EQ (*seam.exitCode, 9) << output;

    const auto module = upgrade.vst3.getChildFile ("Contents/x86_64-win/" + moduleName).getFullPathName();
    EXPECT_TRUE (output.contains ("\n" + module + " is in use by Studio Host 5 (process 4242)\nClose these programs and run the installer again.\n"))
        << output;
    EXPECT_FALSE (output.contains ("Installing Tarrow Audio - Ondra.vst3...")) << "checked before anything is unpacked";
    EXPECT_EQ (upgrade.state(), upgrade.before);
    EXPECT_TRUE (upgrade.workLeftovers().isEmpty());

    // The wizard asks instead, and names the program.
    upgrade.app.prepareHeadlessRun (OperationMode::install);
    RuntimeProperties runtime;
    runtime.setTree (upgrade.app.getRuntimeTree(), false);
    runtime.setRunningHeadless (false);

    std::vector<FileInUse> asked;
    testing::internal::CaptureStdout();
    {
        Installation wizardRun (upgrade.app, EngineSeams { &probe, nullptr });
        wizardRun.onFilesInUse = [&] (const std::vector<FileInUse>& files) { asked = files; };
        testing_support::pumpUntil ([&] { return ! asked.empty(); }, 30000);
    }
    testing::internal::GetCapturedStdout();

    juce::StringArray askedLines;

    for (const auto& file : asked)
        askedLines.add (inUseLine (file));

    ASSERT_EQ (asked.size(), 1u) << askedLines.joinIntoString ("\n");
    const auto message = Installer::filesInUseMessage ("Ondra", asked, false);
    EXPECT_TRUE (message.startsWith ("Ondra cannot be installed while this program uses its files:\n\nStudio Host 5 (process 4242)\n\n")) << message;
    EXPECT_EQ (upgrade.state(), upgrade.before);

    // The message as the user sees it.
    auto alert = Installer::createFilesInUseAlert ("Ondra", asked, false);
    const auto image = alert->createComponentSnapshot (alert->getLocalBounds());
    const auto file = juce::File (INSTALLER_PICTURES_DIR).getChildFile ("files-in-use.png");
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat().writeImageToStream (image, out);
    EXPECT_GT (image.getWidth(), 200);
}

TEST (Installation, AReplacementBeatenByAHostEndsWhole)
{
    // After the check a host takes hold of the old version: at each move of the replacement in
    // turn (two a bundle), or by loading the old module, which then cannot be deleted.
    struct Case { int failMove; bool holdOldModule; int exitCode; bool replaced; };

    for (const auto& c : { Case { 1, false, 9, false }, Case { 2, false, 9, false }, Case { 3, false, 9, false },
                           Case { 4, false, 9, false }, Case { 0, true, 3010, true } })
    {
        Upgrade upgrade;
        testing_support::FakeSeam seam;
        BeatenSteps steps;
        steps.failMove = c.failMove;
        steps.holdOldModule = c.holdOldModule;

        const auto output = testing_support::runHeadless<Installation> (upgrade.app, OperationMode::install, seam, 30000,
                                                                        EngineSeams { nullptr, &steps });
        ASSERT_TRUE (seam.exitCode.has_value()) << output;
        EXPECT_EQ (*seam.exitCode, c.exitCode) << c.failMove << output;

        const auto after = upgrade.state();

        if (c.replaced)
        {
            EXPECT_TRUE (after.endsWith ("registered 2.0")) << after;
            EXPECT_EQ (upgrade.vst3.getChildFile ("Contents/x86_64-win/" + moduleName).getSize(),
                       juce::File (INSTALLER_PRODUCT_DIR).getChildFile ("payload/Tarrow Audio - Ondra.vst3/Contents/x86_64-win/" + moduleName).getSize());
            EXPECT_TRUE (output.contains ("\nRestart Windows to finish removing the previous version.\n")) << output;

            // Unpacked where only administrators may change it; in place, with the rights of its folder.
            ASSERT_FALSE (steps.privateFolders.isEmpty());
            EXPECT_FALSE (steps.privateFolders[0].isAChildOf (upgrade.temp.folder));
            EXPECT_EQ (steps.tookRights, (juce::Array<juce::File> { upgrade.vst3, upgrade.aax }));

            // The old module waits for the restart outside every plug-in folder.
            ASSERT_FALSE (steps.listedForRestart.isEmpty());
            EXPECT_EQ (steps.listedForRestart[0].getFileName(), moduleName);

            for (const auto& path : steps.listedForRestart)
                EXPECT_FALSE (path.isAChildOf (upgrade.temp.folder)) << path.getFullPathName();
        }
        else
        {
            EXPECT_EQ (after, upgrade.before) << "move " << c.failMove << " failed:\n" << output;
            EXPECT_TRUE (output.contains ("Error installing ")) << output;
            EXPECT_TRUE (steps.listedForRestart.isEmpty());
            EXPECT_TRUE (steps.tookRights.isEmpty()) << "nothing was put in place";
        }

        if (! c.holdOldModule)
        {
            EXPECT_TRUE (upgrade.workLeftovers().isEmpty()) << upgrade.workLeftovers().joinIntoString ("\n");
        }

        for (const auto& left : upgrade.workLeftovers())
            platform::deletePath (left);
    }
}

TEST (Installation, PathsBeyond260Characters)
{
    // A studio's sample drive keeps its plug-ins deep down: the install writes every file there.
    testing_support::TempFolder temp;
    auto deep = temp.folder;

    for (int i = 0; deep.getFullPathName().length() < 230; ++i)
        deep = deep.getChildFile ("Studio Library Folder " + juce::String (i));

    auto manifest = ManifestProperties::parse (resources::manifestText()).createCopy();
    manifest.setProperty (Ids::AppUuid, "long-paths" + juce::Uuid().toString(), nullptr);
    auto objects = manifest.getChildWithName (Ids::Objects);

    for (int i = 0; i < objects.getNumChildren(); ++i)
        objects.getChild (i).setProperty (Ids::defaultInstallPath, deep.getFullPathName().replaceCharacter ('\\', '/'), nullptr);

    testing_support::TestApp app;
    app.getPersistentTree().appendChild (manifest, nullptr);
    testing_support::FakeSeam seam;

    const auto output = testing_support::runHeadless<Installation> (app, OperationMode::install, seam, 30000);
    ASSERT_TRUE (seam.exitCode.has_value()) << output;
    EXPECT_EQ (*seam.exitCode, 0) << output;

    const auto module = deep.getChildFile ("Tarrow Audio - Ondra.vst3\\Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3");
    EXPECT_GT (module.getFullPathName().length(), 260);
    EXPECT_TRUE (platform::getFileAttributes (module).exists) << module.getFullPathName();
    EXPECT_TRUE (platform::deletePath (deep));
}
