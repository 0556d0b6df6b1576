#include "SelfDeletion.h"
#include "Pauses.h"
#include "Platform.h"

namespace CorvoAudio
{
    SelfDeletionScript selfDeletionScript (unsigned long pid, const juce::File& executable, bool deleteParentDirectory,
                                           const juce::File& marker, const juce::Array<juce::File>& foldersToRemove)
    {
        SelfDeletionScript script;
        auto& environment = script.environment;
        environment.set ("UNINSTALLER_MARKER", marker.getFullPathName());
        environment.set ("UNINSTALLER_PATH", executable.getFullPathName());

        // The process list cannot say when the uninstaller has gone (Wine's tasklist lists nothing,
        // and a bound counted from the start ends while the user still reads the result page):
        // the marker file it holds can, as the system deletes it when the process ends. ping
        // waits a second between its echoes on every Windows, with or without a console.
        auto& text = script.text;
        text << "@echo off\n"
             << "echo Waiting for process with id " << juce::String ((juce::uint64) pid) << " to finish...\n"
             << ":waitLoop\n"
             << "if exist \"%UNINSTALLER_MARKER%\" (\n"
             << "    ping -n 2 127.0.0.1 >nul\n"
             << "    goto waitLoop\n"
             << ")\n"
             << "echo Deleting files...\n"
             << "set tries=0\n"
             << ":deleteLoop\n"
             << "del /Q /F \"%UNINSTALLER_PATH%\" >nul 2>&1\n"
             << "if exist \"%UNINSTALLER_PATH%\" (\n"
             << "    if %tries% geq " << pauses::selfDeletionAfterExit / 1000 << " goto deleteEnd\n"
             << "    set /a tries+=1\n"
             << "    ping -n 2 127.0.0.1 >nul\n"
             << "    goto deleteLoop\n"
             << ")\n"
             << ":deleteEnd\n";

        // Without /S: the folder held nothing else when the uninstall ended, and whatever anyone
        // has put there since stays, with the folder.
        if (deleteParentDirectory)
        {
            environment.set ("UNINSTALLER_FOLDER", executable.getParentDirectory().getFullPathName());
            text << "echo Deleting parent directory...\n"
                 << "rmdir /Q \"%UNINSTALLER_FOLDER%\" 2>nul\n";
        }

        for (int i = 0; i < foldersToRemove.size(); ++i)
        {
            const auto name = "UNINSTALLER_MADE_FOLDER" + juce::String (i + 1);
            environment.set (name, foldersToRemove.getReference (i).getFullPathName());
            text << "rmdir /Q \"%" << name << "%\" 2>nul\n";
        }

        // cmd reads a batch file line by line: the script and its folder go in one line, the last
        // one it reads from the file.
        text << "echo Deleting this script (tbd)...\n"
             << "del /Q /F \"%~f0\" & rmdir /Q \"%~dp0\"\n"
             << "echo Done.\n";
        return script;
    }

    juce::String hiddenScriptCommandLine (const juce::File& script)
    {
        const auto interpreter = platform::getFolder (platform::Folder::system).getChildFile ("cmd.exe");
        return interpreter.getFullPathName().quoted() + " /D /c " + script.getFullPathName().quoted();
    }

    bool startHiddenScript (const juce::File& script, const juce::StringPairArray& environment)
    {
        // Not the uninstaller's current folder, which may be the folder the script is to remove:
        // Windows keeps a folder that a process stands in.
        return platform::startHiddenProcess (hiddenScriptCommandLine (script), platform::getFolder (platform::Folder::system),
                                             environment);
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
        const auto madeFolder = platform::createAdminOnlyFolder (folder);

        // Held until this process ends. Without it the script still works: it then tries for its
        // few minutes at once.
        if (madeFolder)
            platform::LifetimeMarker (marker).keepUntilExit();

        const auto text = selfDeletionScript (pid, executable, deleteParentDirectory, marker, foldersToRemove);
        const auto started = madeFolder
                          && script.replaceWithText (text.text, false, false, "\r\n")
                          && startHiddenScript (script, text.environment);

        if (log == nullptr)
            return;

        log (juce::String ("Started script to delete uninstaller") + (deleteParentDirectory ? " and parent directory..." : "..."));

        if (! started)
            log ("Error: the script could not be started; the uninstaller stays at " + executable.getFullPathName());
    }
}
