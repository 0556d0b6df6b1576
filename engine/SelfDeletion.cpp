#include "SelfDeletion.h"
#include "Pauses.h"
#include "Platform.h"

namespace CorvoAudio
{
    juce::String selfDeletionScriptText (unsigned long pid, const juce::File& executable, bool deleteParentDirectory,
                                         const juce::File& script, const juce::File& scriptFolder, const juce::File& marker,
                                         const juce::Array<juce::File>& foldersToRemove)
    {
        const auto id = juce::String ((juce::uint64) pid);
        const auto exe = executable.getFullPathName();

        // The process list cannot say when the uninstaller has gone (Wine's tasklist lists nothing,
        // and a bound counted from the start ends while the user still reads the result page):
        // the marker file it holds can, as the system deletes it when the process ends. ping
        // waits a second between its echoes on every Windows, with or without a console.
        juce::String text;
        text << "@echo off\n"
             << "echo Waiting for process with id " << id << " to finish...\n"
             << ":waitLoop\n"
             << "if exist \"" << marker.getFullPathName() << "\" (\n"
             << "    ping -n 2 127.0.0.1 >nul\n"
             << "    goto waitLoop\n"
             << ")\n"
             << "echo Deleting files...\n"
             << "set tries=0\n"
             << ":deleteLoop\n"
             << "del /Q /F \"" << exe << "\" >nul 2>&1\n"
             << "if exist \"" << exe << "\" (\n"
             << "    if %tries% geq " << pauses::selfDeletionAfterExit / 1000 << " goto deleteEnd\n"
             << "    set /a tries+=1\n"
             << "    ping -n 2 127.0.0.1 >nul\n"
             << "    goto deleteLoop\n"
             << ")\n"
             << ":deleteEnd\n";

        if (deleteParentDirectory)
            text << "echo Deleting parent directory...\n"
                 << "rmdir /S /Q \"" << executable.getParentDirectory().getFullPathName() << "\"\n";

        // Without /S: a folder that holds anything of anyone's stays.
        for (const auto& folder : foldersToRemove)
            text << "rmdir /Q \"" << folder.getFullPathName() << "\" 2>nul\n";

        // cmd reads a batch file line by line: the script and its folder go in one line, the last
        // one it reads from the file.
        text << "echo Deleting this script (tbd)...\n"
             << "del /Q /F \"" << script.getFullPathName() << "\" & rmdir /Q \"" << scriptFolder.getFullPathName() << "\"\n"
             << "echo Done.\n";
        return text;
    }

    juce::String hiddenScriptCommandLine (const juce::File& script)
    {
        const auto interpreter = platform::getFolder (platform::Folder::system).getChildFile ("cmd.exe");
        return interpreter.getFullPathName().quoted() + " /D /c " + script.getFullPathName().quoted();
    }

    bool startHiddenScript (const juce::File& script)
    {
        // Not the uninstaller's current folder, which may be the folder the script is to remove:
        // Windows keeps a folder that a process stands in.
        return platform::startHiddenProcess (hiddenScriptCommandLine (script), platform::getFolder (platform::Folder::system));
    }

    void startSelfDeletion (bool deleteParentDirectory, const juce::Array<juce::File>& foldersToRemove,
                            std::function<void (const juce::String&)> log)
    {
        const auto pid = platform::getCurrentProcessId();
        const juce::File executable (platform::getExecutablePath());
        const auto name = "SelfDeletion" + juce::Uuid().toString();

        // The script runs with the uninstaller's rights. In the user's own temporary folder any
        // program of the user could rewrite it while it waits; its own folder admits only
        // administrators and SYSTEM from the moment it exists.
        const auto folder = platform::getTempFolder().getChildFile (name);
        const auto script = folder.getChildFile (name + ".bat");
        const auto marker = folder.getChildFile ("uninstaller.running");

        // Without its marker the script still works: it then tries for its few minutes at once.
        const auto madeFolder = platform::createAdminOnlyFolder (folder);

        if (madeFolder)
            platform::createLifetimeMarker (marker);

        const auto started = madeFolder
                          && script.replaceWithText (selfDeletionScriptText (pid, executable, deleteParentDirectory, script, folder,
                                                                             marker, foldersToRemove),
                                                     false, false, "\r\n")
                          && startHiddenScript (script);

        if (log == nullptr)
            return;

        log (juce::String ("Started script to delete uninstaller") + (deleteParentDirectory ? " and parent directory..." : "..."));

        if (! started)
            log ("Error: the script could not be started; the uninstaller stays at " + executable.getFullPathName());
    }
}
