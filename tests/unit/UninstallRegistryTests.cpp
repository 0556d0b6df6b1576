#include "Registry.h"
#include "TestHelpers.h"
#include "UninstallRegistry.h"

#include <gtest/gtest.h>

using namespace CorvoAudio;
using testing_support::captureOutput;

namespace
{
    UninstallEntry sampleEntry (const juce::File& location, const juce::String& uninstaller)
    {
        static const char icon[] = "\0\0\1\0 not much of an icon";

        UninstallEntry entry;
        entry.displayName = "Ondra";
        entry.displayVersion = "1.0.7";
        entry.id = "test" + juce::Uuid().toString();
        entry.publisher = "Tarrow Audio";
        entry.installLocation = location;
        entry.uninstaller = uninstaller;
        entry.webLink = "https://tarrow-audio.invalid";
        entry.iconData = icon;
        entry.iconSize = (int) sizeof (icon);
        return entry;
    }

    juce::String value (const juce::String& id, const char* name)
    {
        return platform::registry::readString (uninstallKeyPath (id), name).text;
    }
}

TEST (UninstallRegistry, CommandsForScriptsAndExecutables)
{
    struct Case { juce::String uninstaller, arguments, expected, expectedQuiet; };

    for (const auto& c : { Case { "C:\\P\\Uninstall Ondra.BAT", "--uninstall", "cmd.exe /C \"\"C:\\P\\Uninstall Ondra.BAT\"\"", "cmd.exe /C \"\"C:\\P\\Uninstall Ondra.BAT\" /quiet\"" },
                           Case { "C:\\Program Files (x86)\\R&D\\u.bat", "", "cmd.exe /C \"\"C:\\Program Files (x86)\\R&D\\u.bat\"\"", "cmd.exe /C \"\"C:\\Program Files (x86)\\R&D\\u.bat\" /quiet\"" },
                           Case { "C:\\Program Files\\X\\X.exe", "--uninstall", "\"C:\\Program Files\\X\\X.exe\" --uninstall", "\"C:\\Program Files\\X\\X.exe\" --uninstall --headless" },
                           Case { "C:\\X.exe", "", "\"C:\\X.exe\"", "\"C:\\X.exe\" --headless" } })
    {
        UninstallEntry entry;
        entry.uninstaller = c.uninstaller;
        entry.uninstallArguments = c.arguments;
        EXPECT_EQ (uninstallCommand (entry), c.expected);
        EXPECT_EQ (quietUninstallCommand (entry), c.expectedQuiet);
        EXPECT_EQ (programOfCommand (c.expected), c.uninstaller);
    }
}

TEST (UninstallRegistry, WriteReadAndDeleteAgainstTheRegistry)
{
    testing_support::TempFolder temp;
    const auto location = temp["Program/Ondra"];
    location.createDirectory();
    const auto uninstaller = location.getChildFile ("Uninstall.exe");
    uninstaller.create();
    const auto extra = temp["elsewhere/Ondra.vst3"];
    extra.createDirectory();

    auto entry = sampleEntry (location, uninstaller.getFullPathName());
    entry.extraPaths = { extra.getFullPathName(), temp["gone"].getFullPathName(), extra.getFullPathName() };
    entry.uninstallArguments = "--uninstall";
    entry.estimatedSizeKB = 1234;

    juce::StringArray failures;
    ASSERT_TRUE (writeUninstallRegistry (entry, [&] (const juce::String& m) { failures.add (m); }));
    EXPECT_TRUE (failures.isEmpty());

    EXPECT_EQ (value (entry.id, "DisplayName"), "Ondra");
    EXPECT_EQ (value (entry.id, "InstallLocation"), location.getFullPathName());
    EXPECT_EQ (value (entry.id, "ExtraPath2"), extra.getFullPathName());
    // What Windows shows: the size in KB as a number, and no Modify or Repair button.
    const auto dword = [&entry] (const char* name) { return platform::registry::readDword (uninstallKeyPath (entry.id), name); };
    EXPECT_EQ (dword ("EstimatedSize").error, 0);
    EXPECT_EQ (dword ("EstimatedSize").number, 1234u);
    EXPECT_EQ (dword ("NoModify").number, 1u);
    EXPECT_EQ (dword ("NoRepair").number, 1u);
    EXPECT_EQ (platform::registry::readString (uninstallKeyPath (entry.id), "EstimatedSize").error, 1630) << "ERROR_UNSUPPORTED_TYPE: a number is not read as a text";
    EXPECT_EQ (value (entry.id, "UninstallString"), uninstaller.getFullPathName().quoted() + " --uninstall");
    const auto iconFile = location.getChildFile ("icon {" + entry.id + "}.ico");
    EXPECT_EQ (value (entry.id, "DisplayIcon"), iconFile.getFullPathName());

    const auto icon = platform::getFileAttributes (iconFile);
    EXPECT_TRUE (icon.hidden && icon.readOnly);
    EXPECT_EQ (iconFile.getSize(), entry.iconSize);

    UninstallEntry read;
    const auto output = captureOutput ([&] { read = readUninstallRegistry (entry.id); });
    EXPECT_EQ (read.displayName, "Ondra");
    EXPECT_EQ (read.displayVersion, "1.0.7");
    EXPECT_EQ (read.publisher, "Tarrow Audio");
    EXPECT_EQ (read.webLink, "https://tarrow-audio.invalid");
    EXPECT_EQ (read.installLocation, location);
    EXPECT_EQ (read.uninstaller, uninstaller.getFullPathName());
    EXPECT_EQ (read.extraPaths, juce::StringArray (extra.getFullPathName(), extra.getFullPathName()));   // the missing one skipped
    EXPECT_EQ (output, "Error reading registry value from path: " + uninstallKeyPath (entry.id)
                           + ". Error: Windows system error code: 2\n");

    // A second installation over the first replaces the read-only icon; a user's icon.ico in the
    // same folder is never touched.
    const auto usersIcon = location.getChildFile ("icon.ico");
    usersIcon.replaceWithText ("the user's");
    EXPECT_TRUE (writeUninstallRegistry (entry, {}));
    EXPECT_EQ (value (entry.id, "DisplayIcon"), iconFile.getFullPathName());
    EXPECT_EQ (iconFile.getSize(), entry.iconSize);
    EXPECT_EQ (usersIcon.loadFileAsString(), "the user's");

    platform::registry::createKey (uninstallKeyPath (entry.id) + "\\Sub\\Deeper");
    EXPECT_TRUE (deleteUninstallRegistry (entry.id));
    EXPECT_EQ (platform::registry::probeKey (uninstallKeyPath (entry.id)), platform::registry::errorFileNotFound);

    EXPECT_EQ (captureOutput ([&] { EXPECT_TRUE (deleteUninstallRegistry (entry.id)); }), "Key not found.\n");
}

TEST (UninstallRegistry, MissingKeyAndGaps)
{
    const auto id = "missing" + juce::Uuid().toString();
    UninstallEntry read;
    const auto output = captureOutput ([&] { read = readUninstallRegistry (id); });
    EXPECT_TRUE (read.displayName.isEmpty());
    EXPECT_EQ (read.id, id);
    EXPECT_EQ (juce::StringArray::fromLines (output.trimEnd()).size(), 6);

    // ExtraPath1 missing: the list stops after ExtraPath0. HelpLink missing: no extra paths at all.
    testing_support::TempFolder temp;
    temp["a"].createDirectory();
    temp["c"].createDirectory();

    const auto key = uninstallKeyPath (id);
    platform::registry::createKey (key);

    for (auto* name : { "DisplayName", "DisplayVersion", "Publisher", "HelpLink", "InstallLocation", "UninstallString" })
        platform::registry::setString (key, name, temp.folder.getFullPathName());

    platform::registry::setString (key, "ExtraPath0", temp["a"].getFullPathName());
    platform::registry::setString (key, "ExtraPath2", temp["c"].getFullPathName());

    const auto gapOutput = captureOutput ([&] { read = readUninstallRegistry (id); });
    EXPECT_EQ (read.extraPaths, juce::StringArray (temp["a"].getFullPathName()));
    EXPECT_TRUE (gapOutput.contains ("Error reading registry value"));
    EXPECT_EQ (juce::StringArray::fromLines (gapOutput.trimEnd()).size(), 1);

    EXPECT_TRUE (deleteUninstallRegistry (id));

    // Without HelpLink the other fixed fields still read, but no extra path is taken at all.
    platform::registry::createKey (key);

    for (auto* name : { "DisplayName", "DisplayVersion", "Publisher", "InstallLocation", "UninstallString", "ExtraPath0" })
        platform::registry::setString (key, name, temp["a"].getFullPathName());

    const auto noLinkOutput = captureOutput ([&] { read = readUninstallRegistry (id); });
    EXPECT_EQ (read.displayName, temp["a"].getFullPathName());
    EXPECT_TRUE (read.extraPaths.isEmpty());
    EXPECT_EQ (juce::StringArray::fromLines (noLinkOutput.trimEnd()).size(), 1);
    EXPECT_TRUE (deleteUninstallRegistry (id));
}
