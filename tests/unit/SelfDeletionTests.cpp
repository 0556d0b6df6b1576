#include "Platform.h"
#include "SelfDeletion.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

TEST (SelfDeletion, ScriptTextWithAndWithoutTheParentFolder)
{
    const juce::File exe ("C:\\Program Files\\Tarrow Audio\\Ondra\\Installer.exe");
    const juce::File folder ("C:\\users\\me\\Temp\\SelfDeletionabc");
    const auto script = folder.getChildFile ("SelfDeletionabc.bat");
    const auto marker = folder.getChildFile ("uninstaller.running");
    const juce::Array<juce::File> made { juce::File ("C:\\Program Files\\Tarrow Audio\\Ondra"), juce::File ("C:\\Program Files\\Tarrow Audio") };

    const auto withoutParent = juce::StringArray::fromLines (CorvoAudio::selfDeletionScriptText (4242, exe, false, script, folder, marker));
    const auto withParent = juce::StringArray::fromLines (CorvoAudio::selfDeletionScriptText (4242, exe, true, script, folder, marker, made));

    // fromLines sees the final line end as one more, empty line.
    EXPECT_EQ (withoutParent.size(), 21 + 1);
    EXPECT_EQ (withParent.size(), 25 + 1);
    EXPECT_EQ (withParent[1], "echo Waiting for process with id 4242 to finish...");

    // The wait lasts as long as the uninstaller runs, however long the user keeps its last page
    // open: the marker goes only when the process ends. The bound is counted from then on.
    EXPECT_EQ (withParent[3], "if exist \"C:\\users\\me\\Temp\\SelfDeletionabc\\uninstaller.running\" (");
    EXPECT_EQ (withParent[4], "    ping -n 2 127.0.0.1 >nul");
    EXPECT_EQ (withParent[5], "    goto waitLoop");
    EXPECT_EQ (withParent[10], "del /Q /F \"C:\\Program Files\\Tarrow Audio\\Ondra\\Installer.exe\" >nul 2>&1");
    EXPECT_EQ (withParent[11], "if exist \"C:\\Program Files\\Tarrow Audio\\Ondra\\Installer.exe\" (");
    EXPECT_EQ (withParent[12], "    if %tries% geq 300 goto deleteEnd");

    EXPECT_EQ (withParent[18], "echo Deleting parent directory...");
    EXPECT_EQ (withParent[19], "rmdir /S /Q \"C:\\Program Files\\Tarrow Audio\\Ondra\"");
    EXPECT_EQ (withParent[20], "rmdir /Q \"C:\\Program Files\\Tarrow Audio\\Ondra\" 2>nul");
    EXPECT_EQ (withParent[21], "rmdir /Q \"C:\\Program Files\\Tarrow Audio\" 2>nul");
    EXPECT_EQ (withParent[23], "del /Q /F \"C:\\users\\me\\Temp\\SelfDeletionabc\\SelfDeletionabc.bat\" & rmdir /Q \"C:\\users\\me\\Temp\\SelfDeletionabc\"");
    EXPECT_EQ (withParent[24], "echo Done.");
    EXPECT_FALSE (withoutParent.joinIntoString ("\n").contains ("rmdir /S"));
    EXPECT_FALSE (withParent.joinIntoString ("\n").contains ("tasklist")) << "Wine's lists nothing, and Windows 11 may lack wmic";
}

TEST (SelfDeletion, MarkerLastsAsLongAsItsProcess)
{
    // Held by this process, deleted by nobody else; the system deletes it when the process ends
    // (the end-to-end test of the uninstaller sees that part).
    testing_support::TempFolder temp;
    const auto marker = temp["uninstaller.running"];
    ASSERT_TRUE (platform::createLifetimeMarker (marker));
    EXPECT_TRUE (marker.existsAsFile());
    EXPECT_FALSE (platform::deletePath (marker));
    EXPECT_TRUE (marker.existsAsFile());
    EXPECT_FALSE (platform::createLifetimeMarker (marker)) << "never one that someone else prepared";
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
