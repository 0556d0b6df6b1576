#include "SelfDeletion.h"
#include "Platform.h"

namespace CorvoAudio
{
    namespace
    {
        constexpr int maxWaitSeconds = 60;
    }

    juce::String selfDeletionScriptText (unsigned long pid, const juce::File& executable, bool deleteParentDirectory,
                                         const juce::File& script, const juce::File& scriptFolder)
    {
        const auto id = juce::String ((juce::uint64) pid);

        juce::String text;
        text << "@echo off\n"
             << "echo Waiting for process with id " << id << " to finish...\n"
             << "set waited=0\n"
             << ":waitLoop\n"
             << "tasklist /FI \"PID eq " << id << "\" | findstr /I \"" << id << "\" >nul\n"
             << "if %errorlevel%==0 (\n"
             // Bounded: where tasklist or findstr cannot tell (Wine), the loop would never end.
             // ping waits a second between its echoes where timeout.exe is missing or refuses
             // to run without a console.
             << "    if %waited% geq " << maxWaitSeconds << " goto waitEnd\n"
             << "    set /a waited+=1\n"
             << "    timeout /t 1 >nul 2>&1 || ping -n 2 127.0.0.1 >nul\n"
             << "    goto waitLoop\n"
             << ")\n"
             << ":waitEnd\n"
             << "echo Deleting files...\n"
             << "del /Q /F \"" << executable.getFullPathName() << "\"\n";

        if (deleteParentDirectory)
            text << "echo Deleting parent directory...\n"
                 << "rmdir /S /Q \"" << executable.getParentDirectory().getFullPathName() << "\"\n";

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

    void startSelfDeletion (bool deleteParentDirectory, std::function<void (const juce::String&)> log)
    {
        const auto pid = platform::getCurrentProcessId();
        const juce::File executable (platform::getExecutablePath());
        const auto name = "SelfDeletion" + juce::Uuid().toString();

        // The script runs with the uninstaller's rights. In the user's own temporary folder any
        // program of the user could rewrite it while it waits; its own folder admits only
        // administrators and SYSTEM from the moment it exists.
        const auto folder = platform::getTempFolder().getChildFile (name);
        const auto script = folder.getChildFile (name + ".bat");

        const auto started = platform::createAdminOnlyFolder (folder)
                          && script.replaceWithText (selfDeletionScriptText (pid, executable, deleteParentDirectory, script, folder),
                                                     false, false, "\r\n")
                          && startHiddenScript (script);

        if (log == nullptr)
            return;

        log (juce::String ("Started script to delete uninstaller") + (deleteParentDirectory ? " and parent directory..." : "..."));

        if (! started)
            log ("Error: the script could not be started; the uninstaller stays at " + executable.getFullPathName());
    }
}
