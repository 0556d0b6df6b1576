#include "Platform.h"
#include "SelfDeletion.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

TEST (SelfDeletion, ScriptTextWithAndWithoutTheParentFolder)
{
    const juce::File exe ("C:\\Program Files\\Tarrow Audio\\Ondra\\Installer.exe");
    const juce::File folder ("C:\\users\\me\\Temp\\SelfDeletionabc");
    const auto script = folder.getChildFile ("SelfDeletionabc.bat");

    const auto withoutParent = juce::StringArray::fromLines (CorvoAudio::selfDeletionScriptText (4242, exe, false, script, folder));
    const auto withParent = juce::StringArray::fromLines (CorvoAudio::selfDeletionScriptText (4242, exe, true, script, folder));

    // fromLines sees the final line end as one more, empty line.
    EXPECT_EQ (withoutParent.size(), 17 + 1);
    EXPECT_EQ (withParent.size(), 19 + 1);
    EXPECT_EQ (withParent[1], "echo Waiting for process with id 4242 to finish...");
    EXPECT_EQ (withParent[4], "tasklist /FI \"PID eq 4242\" | findstr /I \"4242\" >nul");

    // The wait ends after a minute even where the process list cannot be read, and waits without
    // spinning where timeout.exe is missing.
    EXPECT_EQ (withParent[2], "set waited=0");
    EXPECT_EQ (withParent[6], "    if %waited% geq 60 goto waitEnd");
    EXPECT_EQ (withParent[7], "    set /a waited+=1");
    EXPECT_EQ (withParent[8], "    timeout /t 1 >nul 2>&1 || ping -n 2 127.0.0.1 >nul");
    EXPECT_EQ (withParent[11], ":waitEnd");

    EXPECT_EQ (withParent[13], "del /Q /F \"C:\\Program Files\\Tarrow Audio\\Ondra\\Installer.exe\"");
    EXPECT_EQ (withParent[14], "echo Deleting parent directory...");
    EXPECT_EQ (withParent[15], "rmdir /S /Q \"C:\\Program Files\\Tarrow Audio\\Ondra\"");
    EXPECT_EQ (withParent[17], "del /Q /F \"C:\\users\\me\\Temp\\SelfDeletionabc\\SelfDeletionabc.bat\" & rmdir /Q \"C:\\users\\me\\Temp\\SelfDeletionabc\"");
    EXPECT_EQ (withParent[18], "echo Done.");
    EXPECT_FALSE (withoutParent.joinIntoString ("\n").contains ("rmdir /S"));
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
