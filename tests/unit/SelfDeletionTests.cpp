#include "Platform.h"
#include "SelfDeletion.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

TEST (SelfDeletion, ScriptTextWithAndWithoutTheParentFolder)
{
    const auto ue = juce::String (juce::CharPointer_UTF8 ("\xc3\xbc"));
    const juce::File exe ("C:\\Program Files\\Tarrow S" + ue + "hne 100%\\Ondra\\Installer.exe");
    const juce::File marker ("C:\\users\\J" + ue + "rgen\\Temp\\SelfDeletionabc\\uninstaller.running");
    const juce::Array<juce::File> made { exe.getParentDirectory(), exe.getParentDirectory().getParentDirectory() };

    const auto withoutParent = CorvoAudio::selfDeletionScript (4242, exe, false, marker);
    const auto withParent = CorvoAudio::selfDeletionScript (4242, exe, true, marker, made);
    const auto lines = juce::StringArray::fromLines (withParent.text);

    // fromLines sees the final line end as one more, empty line.
    EXPECT_EQ (juce::StringArray::fromLines (withoutParent.text).size(), 21 + 1);
    EXPECT_EQ (lines.size(), 25 + 1);
    EXPECT_EQ (lines[1], "echo Waiting for process with id 4242 to finish...");

    // The wait lasts as long as the uninstaller runs, however long the user keeps its last page
    // open: the marker goes only when the process ends. The bound is counted from then on.
    EXPECT_EQ (lines[3], "if exist \"%UNINSTALLER_MARKER%\" (");
    EXPECT_EQ (lines[4], "    ping -n 2 127.0.0.1 >nul");
    EXPECT_EQ (lines[5], "    goto waitLoop");
    EXPECT_EQ (lines[10], "del /Q /F \"%UNINSTALLER_PATH%\" >nul 2>&1");
    EXPECT_EQ (lines[11], "if exist \"%UNINSTALLER_PATH%\" (");
    EXPECT_EQ (lines[12], "    if %tries% geq 300 goto deleteEnd");

    // Folders only when empty, never with /S: whatever anyone put there meanwhile stays.
    EXPECT_EQ (lines[18], "echo Deleting parent directory...");
    EXPECT_EQ (lines[19], "rmdir /Q \"%UNINSTALLER_FOLDER%\" 2>nul");
    EXPECT_EQ (lines[20], "rmdir /Q \"%UNINSTALLER_MADE_FOLDER1%\" 2>nul");
    EXPECT_EQ (lines[21], "rmdir /Q \"%UNINSTALLER_MADE_FOLDER2%\" 2>nul");
    EXPECT_EQ (lines[23], "del /Q /F \"%~f0\" & rmdir /Q \"%~dp0\"");
    EXPECT_EQ (lines[24], "echo Done.");
    EXPECT_FALSE (withParent.text.containsIgnoreCase ("/S ")) << withParent.text;
    EXPECT_FALSE (withParent.text.contains ("tasklist")) << "Wine's lists nothing, and Windows 11 may lack wmic";

    // The paths reach cmd as they are, through its environment: a batch file is read in the
    // console's code page, which has no letter for many a user's name, and "%" is cmd's own.
    EXPECT_FALSE (withParent.text.contains (ue) || withParent.text.contains ("100%\\"));
    EXPECT_EQ (withParent.environment["UNINSTALLER_PATH"], exe.getFullPathName());
    EXPECT_EQ (withParent.environment["UNINSTALLER_MARKER"], marker.getFullPathName());
    EXPECT_EQ (withParent.environment["UNINSTALLER_FOLDER"], exe.getParentDirectory().getFullPathName());
    EXPECT_EQ (withParent.environment["UNINSTALLER_MADE_FOLDER2"], made[1].getFullPathName());
    EXPECT_FALSE (withoutParent.environment.containsKey ("UNINSTALLER_FOLDER"));
}

TEST (SelfDeletion, MarkerLastsAsLongAsItsHolder)
{
    testing_support::TempFolder temp;
    const auto file = temp["uninstaller.running"];

    {
        platform::LifetimeMarker marker (file);
        ASSERT_TRUE (marker.isHeld());
        EXPECT_TRUE (file.existsAsFile());
        EXPECT_FALSE (platform::deletePath (file)) << "nobody else deletes it";
        EXPECT_FALSE (platform::LifetimeMarker (file).isHeld()) << "never one that someone else prepared";
    }

    EXPECT_FALSE (file.exists()) << "the system deletes it with its holder";
}

TEST (SelfDeletion, CommandLineUsesTheSystemInterpreterWithoutAutoRun)
{
    const juce::File script ("C:\\users\\me\\Temp\\Self Deletion\\x.bat");
    const auto system = platform::getFolder (platform::Folder::system).getFullPathName();
    ASSERT_TRUE (system.isNotEmpty());

    EXPECT_EQ (CorvoAudio::hiddenScriptCommandLine (script),
               "\"" + system + "\\cmd.exe\" /D /c \"C:\\users\\me\\Temp\\Self Deletion\\x.bat\"");
}

TEST (SelfDeletion, PrivateFolderIsCreatedOnlyOnce)
{
    // Wine does not enforce access rights: what can be checked here is that the folder is made
    // with its descriptor in one step, and that an existing folder (which someone else could have
    // prepared) is refused rather than reused.
    testing_support::TempFolder temp;
    const auto folder = temp["private"];
    EXPECT_TRUE (platform::createAdminOnlyFolder (folder));
    EXPECT_TRUE (folder.isDirectory());
    EXPECT_FALSE (platform::createAdminOnlyFolder (folder));
}
