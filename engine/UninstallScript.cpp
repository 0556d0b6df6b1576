#include "UninstallScript.h"
#include "ProtectedFolders.h"

namespace CorvoAudio
{
    namespace
    {
        juce::String processBlock (const juce::String& name)
        {
            juce::String block;
            block << "echo Checking for running process " << name << "...\n"
                  << "taskkill /im \"" << name << "\" /f 2>nul\n"
                  << "setlocal EnableDelayedExpansion\n"
                  << "set counter=0\n"
                  << ":retry\n"
                  << "for /f \"tokens=2 delims==\" %%i in ('wmic process where \"name='" << name << "'\" get ProcessId /value') do set pid=%%i\n"
                  << "if defined pid (\n"
                  << "    timeout /t 1 >nul\n"
                  << "    set /a counter+=1\n"
                  << "    if !counter! lss 30 (\n"
                  << "        goto retry\n"
                  << "    ) else (\n"
                  << "        echo Process termination timed out.\n"
                  << "    )\n"
                  << "    set pid=\n"
                  << "    set counter=0\n"
                  << ") else (\n"
                  << "    echo Process " << name << " not running.\n"
                  << ")\n"
                  << "endlocal\n";
            return block;
        }

        juce::String pathBlock (const juce::String& path)
        {
            const auto name = path.contains ("\\") ? path.fromLastOccurrenceOf ("\\", false, false) : path;
            const auto nativePath = path.replaceCharacter ('/', '\\');

            juce::String block;

            if (path.endsWithIgnoreCase (".exe"))
                block << processBlock (name);

            block << "echo Deleting file " << name << "...\n";

            // A bundle is a folder: del would remove only the files at its top and leave the
            // plug-in module below Contents for hosts to load.
            if (path.isNotEmpty() && juce::File::isAbsolutePath (nativePath) && juce::File (nativePath).isDirectory())
                block << "attrib -r \"" << nativePath << "\"\n"     // the installer made the bundle folder read-only
                      << "rmdir /s /q \"" << nativePath << "\"\n";
            else
                block << "del /f /q \"" << nativePath << "\"\n";

            return block;
        }
    }

    juce::String uninstallScriptText (const juce::String& appName, const juce::StringArray& paths,
                                      const juce::String& key, const juce::File& scriptFolder)
    {
        juce::String text;
        text << "@echo off\n"
             << "cd /d \"%~dp0\"\n"
             << "cls\n"
             << "echo Uninstalling " << appName << "...\n"
             << "echo Please wait...\n"
             << "\n"
             << ":: Check if the script has been passed the \"elevated\" argument\n"
             << "if \"%~1\"==\"elevated\" goto :Elevated\n"
             << "\n"
             << ":: Check for admin privileges\n"
             << "net session >nul 2>&1\n"
             << "if %errorLevel% == 0 (\n"
             << "    echo Already running as administrator\n"
             << "    goto :Elevated\n"
             << ") else (\n"
             << "    echo Not running as administrator. Trying to elevate...\n"
             << "    powershell -Command \"Start-Process -FilePath '%~f0' -ArgumentList 'elevated' -Verb RunAs\"\n"
             << "    exit /b\n"
             << ")\n"
             << "\n"
             << ":: Elevated tasks\n"
             << ":Elevated\n"
             << "echo Deleting files...\n";

        for (const auto& path : paths)
            text << pathBlock (path);

        text << "echo Removing registry entry...\n"
             << "reg delete \"HKLM\\" << key << "\" /f\n";

        // Written beside a bundle, the script's folder is a shared plug-in folder that holds
        // other vendors' plug-ins: it stays. Otherwise the script leaves it first (the folder a
        // command prompt stands in cannot be removed).
        // The removal takes the script with it, and cmd reads a script line by line: what follows
        // the removal stands on its line.
        if (! isProtectedFolder (scriptFolder))
            text << "echo Deleting uninstaller directory...\n"
                 << "cd /d \"%TEMP%\"\n"
                 << "rmdir /s /q \"" << scriptFolder.getFullPathName().replaceCharacter ('/', '\\') << "\""
                 << " & echo Uninstallation finished. & pause\n";
        else
            text << "echo Uninstallation finished.\n"
                 << "pause\n";

        return text;
    }

    void writeUninstallScriptFile (const juce::File& script, const juce::String& appName,
                                   const juce::StringArray& paths, const juce::String& key)
    {
        if (script.exists())
            script.deleteFile();

        script.create();
        script.replaceWithText (uninstallScriptText (appName, paths, key, script.getParentDirectory()));
    }
}
