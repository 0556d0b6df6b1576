#include "TestHelpers.h"
#include "UninstallPlan.h"

#include <gtest/gtest.h>

using namespace CorvoAudio;

namespace
{
    ManifestObject object (const char* name, const char* option = "", bool defaultSelected = false,
                           juce::StringArray requires = {}, int order = 1000)
    {
        ManifestObject o;
        o.objectName = name;
        o.uninstallOptionId = option;
        o.uninstallOptionDefaultSelection = defaultSelected;
        o.uninstallOptionRequires = requires;
        o.uninstallOrder = order;
        return o;
    }

    juce::StringArray names (const std::vector<ManifestObject>& objects)
    {
        juce::StringArray result;

        for (const auto& o : objects)
            result.add (o.objectName);

        return result;
    }
}

TEST (UninstallPlan, OptionsSelectionAndOrder)
{
    auto uninstaller = object ("uninstaller");
    uninstaller.isUninstaller = true;
    auto kept = object ("kept", "a", true);
    kept.preventUninstall = true;

    const std::vector<ManifestObject> objects {
        object ("plain"),
        object ("a1", "a", false, { "b" }),
        object ("a2", "a", true),                    // makes option a selected by default
        object ("b1", "b", false, { "c" }),
        object ("c1", "c"),
        object ("d1", "d", true, { "d" }),           // requires itself
        object ("e1", "e", false, { "f" }),
        object ("f1", "f", false, { "e", "nowhere" }),   // e and f require each other
        object ("early", "", false, {}, 5),
        uninstaller,
        kept,
    };

    struct Case { const char* name; std::optional<juce::String> selection; juce::StringArray expected; };

    const Case cases[] = {
        { "defaults: union over objects, chains followed", std::nullopt, { "early", "a1", "a2", "b1", "c1", "d1", "plain" } },
        { "present but empty: nothing optional", juce::String(), { "early", "plain" } },
        { "separators, blanks and empty pieces", juce::String ("c; ;d,,"), { "early", "c1", "d1", "plain" } },
        { "ids are case-sensitive", juce::String ("A,D"), { "early", "plain" } },
        { "a cycle", juce::String ("e"), { "early", "e1", "f1", "plain" } },
        { "unknown ids are ignored", juce::String ("zzz;b"), { "early", "b1", "c1", "plain" } },
    };

    for (const auto& c : cases)
        EXPECT_EQ (names (uninstallWorkList (objects, c.selection)), c.expected) << c.name;
}

TEST (UninstallPlan, TargetsPreferWhatWasRegistered)
{
    testing_support::TempFolder temp;
    const auto location = temp["Program/Ondra"];
    location.getChildFile ("Tool.exe").create();

    UninstallEntry entry;
    entry.installLocation = location;
    entry.extraPaths = { "C:\\PROGRAM FILES\\COMMON FILES\\VST3\\Tarrow Audio - Ondra.vst3",
                         "D:\\Plugins\\Tarrow Audio - Ondra.aaxplugin" };

    struct Case { const char* name; ManifestObject object; juce::String expected; };

    auto vst3 = object ("vst3");
    vst3.objectPath = "Tarrow Audio - Ondra.vst3.zip";
    vst3.defaultInstallPath = "C:/Program Files/Common Files/VST3";

    auto aax = object ("aax");
    aax.objectPath = "Tarrow Audio - Ondra.aaxplugin.ZIP";
    aax.defaultInstallPath = "C:/Program Files/Common Files/Avid/Audio/Plug-Ins";

    auto aaxZip = aax;
    aaxZip.objectPath = "Tarrow Audio - Ondra.aaxplugin.zip";

    auto tool = object ("tool");
    tool.objectPath = "Tool.exe";
    tool.defaultInstallPath = "C:/Somewhere/Else";
    tool.isMainApplication = true;

    auto notMain = tool;
    notMain.isMainApplication = false;

    auto nested = object ("nested");
    nested.objectPath = "Sub\\notes.txt";
    nested.defaultInstallPath = "C:/Data";

    auto climbing = object ("climbing");
    climbing.objectPath = "..";
    climbing.defaultInstallPath = "C:/Program Files/Common Files/VST3";

    auto absolute = object ("absolute");
    absolute.objectPath = "C:\\Users";
    absolute.defaultInstallPath = "C:/Data";

    auto relativeFolder = object ("relative folder");
    relativeFolder.objectPath = "notes.txt";
    relativeFolder.defaultInstallPath = "Data";

    auto noFolder = object ("no folder");
    noFolder.objectPath = "notes.txt";

    UninstallEntry hostile = entry;
    hostile.extraPaths.add ("C:\\Users\\someone\\Documents");

    const Case cases[] = {
        { "same path in other letter case", vst3, entry.extraPaths[0] },
        { "same name in another folder", aaxZip, entry.extraPaths[1] },
        { "an archive named in other letter case is a plain file", aax, "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins\\Tarrow Audio - Ondra.aaxplugin.ZIP" },
        { "main application under the install location", tool, location.getChildFile ("Tool.exe").getFullPathName() },
        { "not the main application: the default location", notMain, "C:\\Somewhere\\Else\\Tool.exe" },
        { "an object path with folders goes below its destination", nested, "C:\\Data\\Sub\\notes.txt" },
        { "a parent reference names nothing", climbing, {} },
        { "an absolute object path names nothing", absolute, {} },
        { "a relative destination names nothing", relativeFolder, {} },
        { "no destination names nothing", noFolder, {} },
    };

    for (const auto& c : cases)
    {
        EXPECT_EQ (resolveUninstallTarget (entry, c.object).getFullPathName(), c.expected) << c.name;
        EXPECT_EQ (resolveUninstallTarget (hostile, c.object).getFullPathName(), c.expected) << c.name;
    }
}
