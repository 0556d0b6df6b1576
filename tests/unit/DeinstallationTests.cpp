#include "Commands.h"
#include "Deinstallation.h"
#include "Identifiers.h"
#include "ManifestProperties.h"
#include "UninstallPlan.h"
#include "Registry.h"
#include "TestHelpers.h"
#include "UninstallRegistry.h"

#include <gtest/gtest.h>

using namespace CorvoAudio;

namespace
{
    juce::ValueTree object (const juce::String& name, const juce::String& path, const juce::File& folder)
    {
        juce::ValueTree o ("Object");
        o.setProperty (Ids::objectName, name, nullptr);
        o.setProperty (Ids::objectPath, path, nullptr);
        o.setProperty (Ids::defaultInstallPath, folder.getFullPathName().replaceCharacter ('\\', '/'), nullptr);
        return o;
    }
}

TEST (Deinstallation, RemovesWhatWasInstalledWithItsLinkAndRegistration)
{
    testing_support::FakeSeam seam;
    testing_support::TempFolder temp;
    testing_support::TestApp app;

    const auto id = "deinstallation" + juce::Uuid().toString();
    const juce::String company = "Tarrow Audio Tests " + juce::Uuid().toString().substring (0, 8);

    const auto location = temp["Program/Ondra Tool"];
    const auto tool = location.getChildFile ("Ondra Tool.exe");
    location.createDirectory();
    tool.replaceWithText ("not really a program");
    const auto presets = temp["Data/Presets"];
    presets.getChildFile ("Warm.preset").create();
    const auto uninstaller = temp["Elsewhere/Uninstall Ondra.exe"];
    uninstaller.create();

    // The manifest copy, as a headless run leaves it.
    juce::ValueTree manifest (Ids::Manifest);
    manifest.setProperty (Ids::AppName, "Ondra Tool", nullptr);
    manifest.setProperty (Ids::AppUuid, id, nullptr);
    juce::ValueTree objects (Ids::Objects);
    auto main = object ("Ondra Tool", "Ondra Tool.exe", location);
    main.setProperty (Ids::isMainApplication, "true", nullptr);
    main.setProperty (Ids::runPreUninstall, "1", nullptr);
    objects.appendChild (main, nullptr);
    auto uninstallerObject = object ("Uninstaller", "Uninstall Ondra.exe", temp["Elsewhere"]);
    uninstallerObject.setProperty (Ids::isUninstaller, "1", nullptr);
    objects.appendChild (uninstallerObject, nullptr);
    auto optional = object ("Presets", "Presets", temp["Data"]);
    optional.setProperty (Ids::uninstallOptionId, "presets", nullptr);   // not selected by default
    objects.appendChild (optional, nullptr);
    manifest.appendChild (objects, nullptr);
    app.getPersistentTree().appendChild (manifest, nullptr);

    static const char icon[] = "\0\0\1\0";
    UninstallEntry entry;
    entry.displayName = "Ondra Tool";
    entry.displayVersion = "3.0";
    entry.id = id;
    entry.publisher = company;
    entry.installLocation = location;
    entry.uninstaller = uninstaller.getFullPathName();
    entry.iconData = icon;
    entry.iconSize = (int) sizeof (icon);
    ASSERT_TRUE (writeUninstallRegistry (entry, {}));
    ASSERT_TRUE (addStartMenuLink (tool, company, [] (const juce::String&) {}));
    const auto link = startMenuProgramsFolder().getChildFile (company).getChildFile ("Ondra Tool.lnk");
    ASSERT_TRUE (link.existsAsFile());

    const auto output = testing_support::runHeadless<Deinstallation> (app, OperationMode::uninstall, seam, 30000);
    ASSERT_TRUE (seam.exitCode.has_value()) << output;
    EXPECT_EQ (*seam.exitCode, 0) << output;
    EXPECT_TRUE (output.contains ("Running pre-uninstall action for Ondra Tool...\n")) << output;
    EXPECT_TRUE (output.contains ("Deleting " + tool.getFullPathName() + "\n")) << output;
    EXPECT_TRUE (output.contains ("Deleting " + link.getFullPathName() + "\n")) << output;
    EXPECT_TRUE (output.contains ("Deleting " + uninstaller.getFullPathName() + "\n")) << output;
    EXPECT_FALSE (output.contains ("Started script")) << output;

    EXPECT_FALSE (tool.exists());
    EXPECT_FALSE (location.exists()) << "only the product's icon was left in it";
    EXPECT_FALSE (link.exists());
    EXPECT_FALSE (link.getParentDirectory().exists());
    EXPECT_FALSE (uninstaller.exists());
    EXPECT_TRUE (presets.getChildFile ("Warm.preset").existsAsFile()) << "an option nobody selected";
    EXPECT_EQ (platform::registry::probeKey (uninstallKeyPath (id)), platform::registry::errorFileNotFound);
}

TEST (Deinstallation, LeavesExactlyWhatItsPlanSaidWouldStay)
{
    // Two layouts of the same product: with a user's files beside its own, and without. The plan
    // is made first, then the uninstall runs, and the disk must show what the plan said.
    for (const auto usersFiles : { true, false })
    {
        testing_support::FakeSeam seam;
        testing_support::TempFolder temp;
        testing_support::TestApp app;

        const auto id = "kept" + juce::Uuid().toString();
        const auto write = [] (const juce::File& file, const char* text) { file.create(); file.replaceWithText (text); };
        const auto location = temp["Program/Ondra"];
        write (location.getChildFile ("Ondra.exe"), "program");
        write (location.getChildFile (registrationIconName (id)), "the product's icon");
        const auto factory = temp["Data/Presets/Factory"];
        write (factory.getChildFile ("Warm.preset"), "preset");
        write (temp["Cache/Sub/Ondra.cache"], "cache");   // Sub goes first, then Cache with the log
        write (temp["Cache/Ondra.log"], "log");
        const auto userPreset = temp["Data/Presets/Mine.preset"];
        const auto notes = location.getChildFile ("my notes.txt");

        if (usersFiles)
        {
            write (userPreset, "the user's own preset");
            write (notes, "a user's file beside the program");
        }

        juce::ValueTree manifest (Ids::Manifest);
        manifest.setProperty (Ids::AppName, "Ondra", nullptr);
        manifest.setProperty (Ids::AppUuid, id, nullptr);
        juce::ValueTree objects (Ids::Objects);
        auto main = object ("Ondra", "Ondra.exe", location);
        main.setProperty (Ids::isMainApplication, "1", nullptr);
        objects.appendChild (main, nullptr);
        auto presets = object ("Presets", "Factory", temp["Data/Presets"]);
        presets.setProperty (Ids::uninstallOptionId, "presets", nullptr);
        objects.appendChild (presets, nullptr);
        objects.appendChild (object ("Cache", "Ondra.cache", temp["Cache/Sub"]), nullptr);
        objects.appendChild (object ("Log", "Ondra.log", temp["Cache"]), nullptr);
        objects.appendChild (object ("Guarded", "Common Files", juce::File ("C:\\Program Files")), nullptr);
        manifest.appendChild (objects, nullptr);
        app.getPersistentTree().appendChild (manifest, nullptr);

        UninstallEntry entry;
        entry.displayName = "Ondra";
        entry.displayVersion = "1.0";
        entry.id = id;
        entry.installLocation = location;
        ASSERT_TRUE (writeUninstallRegistry (entry, {}));

        ManifestProperties properties (false);
        properties.setTree (manifest, false);

        const auto keptFor = [&] (const juce::String& selection)
        {
            juce::StringArray lines;

            for (const auto& kept : pathsKeptByUninstall (readUninstallRegistry (id), properties.getObjects(), selection, "Ondra"))
                lines.add (kept.path.getFullPathName() + " (" + kept.reason + ")");

            return lines.joinIntoString ("\n");
        };

        // In the order of the work list (Cache, Guarded, Log, Ondra, Presets), the install location last.
        const juce::String guarded = "C:\\Program Files\\Common Files (it is a protected folder)";
        const auto presetsFolder = "\n" + temp["Data/Presets"].getFullPathName() + " (it holds other files)";
        const auto programFolder = "\n" + location.getFullPathName() + " (it holds other files)";

        EXPECT_EQ (keptFor ("presets"), usersFiles ? guarded + presetsFolder + programFolder : guarded);
        EXPECT_EQ (keptFor (""), usersFiles ? guarded + programFolder : guarded) << "the presets are not touched at all";

        manifest.setProperty (Ids::SelectedUninstallOptions, "presets", nullptr);
        const auto output = testing_support::runHeadless<Deinstallation> (app, OperationMode::uninstall, seam, 40000);
        ASSERT_TRUE (seam.exitCode.has_value()) << output;
        EXPECT_EQ (*seam.exitCode, 0) << output;
        EXPECT_TRUE (juce::File ("C:\\Program Files\\Common Files").isDirectory());
        EXPECT_FALSE (factory.exists()) << output;
        EXPECT_FALSE (temp["Cache"].exists()) << "folders left empty go, nested ones too: " << output;
        EXPECT_EQ (userPreset.existsAsFile(), usersFiles) << output;
        EXPECT_EQ (notes.existsAsFile(), usersFiles) << output;
        EXPECT_EQ (location.exists(), usersFiles) << "the install location goes with the product's icon: " << output;
        EXPECT_EQ (temp["Data/Presets"].exists(), usersFiles) << output;
    }
}
