#include "UninstallScript.h"
#include "Platform.h"
#include "ProtectedFolders.h"
#include "UninstallRegistry.h"

namespace CorvoAudio
{
    juce::String batchQuoted (const juce::String& text)
    {
        return text.replace ("%", "%%");
    }

    juce::String batchBare (const juce::String& text)
    {
        juce::String result;

        for (auto c : text)
        {
            if (c == '%')
                result << "%%";
            else if (juce::String ("^&|<>()").containsChar (c))
                result << '^' << juce::String::charToString (c);
            else
                result << juce::String::charToString (c);
        }

        return result;
    }

    namespace
    {
        bool isAscii (const juce::String& text)
        {
            for (auto c : text)
                if (c > 127)
                    return false;

            return true;
        }

        juce::String nativePath (const juce::String& path)
        {
            return path.replaceCharacter ('/', '\\');
        }

        juce::String processBlock (const juce::String& name, int number)
        {
            // Inside the block the name is read from a variable with delayed expansion, which
            // never parses what it expands: a name with "&", "(" or "!" stays a name.
            const auto retry = "retry" + juce::String (number);

            juce::String block;
            block << "echo Checking for running process " << batchBare (name) << "...\n"
                  << "taskkill /im \"" << batchQuoted (name) << "\" /f 2>nul\n"
                  << "set \"process=" << batchQuoted (name) << "\"\n"
                  << "setlocal EnableDelayedExpansion\n"
                  << "set counter=0\n"
                  << ":" << retry << "\n"
                  << "set pid=\n"
                  // tasklist and find come with every Windows; wmic no longer does.
                  << "for /f \"delims=\" %%i in ('tasklist /FI \"IMAGENAME eq !process!\" /NH /FO CSV 2^>nul ^| find /I \"!process!\"') do set pid=%%i\n"
                  << "if defined pid (\n"
                  << "    timeout /t 1 >nul\n"
                  << "    set /a counter+=1\n"
                  << "    if !counter! lss 30 (\n"
                  << "        goto " << retry << "\n"
                  << "    ) else (\n"
                  << "        echo Process termination timed out.\n"
                  << "    )\n"
                  << "    set pid=\n"
                  << "    set counter=0\n"
                  << ") else (\n"
                  << "    echo Process !process! not running.\n"
                  << ")\n"
                  << "endlocal\n";
            return block;
        }

        juce::String pathBlock (const juce::String& path, int number)
        {
            const auto name = path.contains ("\\") ? path.fromLastOccurrenceOf ("\\", false, false) : path;
            const auto native = nativePath (path);

            juce::String block;

            if (path.endsWithIgnoreCase (".exe"))
                block << processBlock (name, number);

            block << "echo Deleting file " << batchBare (name) << "...\n";

            // A bundle is a folder: del would remove only the files at its top and leave the
            // plug-in module below Contents for hosts to load.
            if (path.isNotEmpty() && juce::File::isAbsolutePath (native) && juce::File (native).isDirectory())
                block << "attrib -r \"" << batchQuoted (native) << "\"\n"     // the installer made the bundle folder read-only
                      << "rmdir /s /q \"" << batchQuoted (native) << "\"\n";
            else
                block << "del /f /q \"" << batchQuoted (native) << "\"\n";

            return block;
        }
    }

    juce::String uninstallScriptText (const juce::String& appName, const juce::StringArray& paths,
                                      const juce::String& key, const juce::File& scriptFile,
                                      const juce::StringArray& ownFiles, const juce::StringArray& createdFolders)
    {
        const auto scriptFolder = scriptFile.getParentDirectory();
        const auto folder = nativePath (scriptFolder.getFullPathName());

        // The paths are written in UTF-8. Where cmd cannot switch to it (Wine's cmd reads the OEM
        // code page whatever chcp asks), a name beyond ASCII would be misread, "if exist" would
        // find nothing, and the script would report as removed what it never touched: such a
        // script checks the switch and stops before it deletes anything.
        bool needsUtf8 = ! isAscii (folder);

        for (const auto& path : paths)
            needsUtf8 = needsUtf8 || ! isAscii (path);

        juce::String text;
        text << "@echo off\n"
             << "chcp 65001 >nul\n";

        if (needsUtf8)
            text << "for /f \"tokens=2 delims=:.\" %%c in ('chcp') do set \"codepage=%%c\"\n"
                 << "if not \"%codepage: =%\"==\"65001\" goto :NoUtf8\n";

        text << "cd /d \"%~dp0\"\n"
             << "cls\n"
             << "echo Uninstalling " << batchBare (appName) << "...\n"
             << "echo Please wait...\n"
             << "\n"
             << ":: \"" << quietArgument << "\": run by a deployment tool, nobody answers a prompt\n"
             << "set \"quiet=\"\n"
             << "if /i \"%~1\"==\"" << quietArgument << "\" set \"quiet=1\"\n"
             << "\n"
             << ":: Check if the script has been passed the \"elevated\" argument\n"
             << "if \"%~1\"==\"elevated\" goto :Elevated\n"
             << "\n"
             << ":: Check for admin privileges\n"
             << "net session >nul 2>&1\n"
             << "if %errorLevel% == 0 (\n"
             << "    echo Already running as administrator\n"
             << "    goto :Elevated\n"
             << ") else if defined quiet (\n"
             << "    echo Uninstalling needs administrator rights. Nothing was removed.\n"
             << "    exit /b 1\n"
             << ") else (\n"
             << "    echo Not running as administrator. Trying to elevate...\n"
             << "    powershell -Command \"Start-Process -FilePath '%~f0' -ArgumentList 'elevated' -Verb RunAs\"\n"
             << "    exit /b\n"
             << ")\n"
             << "\n"
             << ":: Elevated tasks\n"
             << ":Elevated\n"
             << "echo Deleting files...\n";

        for (int i = 0; i < paths.size(); ++i)
            text << pathBlock (paths[i], i + 1);

        // The registration is the user's way to try again: it stays while anything remains.
        text << "set remaining=0\n";

        for (const auto& path : paths)
            if (path.isNotEmpty())
                text << "if exist \"" << batchQuoted (nativePath (path)) << "\" set remaining=1& echo Could not remove "
                     << batchBare (nativePath (path)) << "\n";

        text << "if not \"%remaining%\"==\"0\" goto :Kept\n"
             << "echo Removing registry entry...\n"
             << "reg delete \"HKLM\\" << batchQuoted (key) << "\" /f\n";

        for (const auto& name : ownFiles)
        {
            const auto file = batchQuoted (nativePath (scriptFolder.getChildFile (name).getFullPathName()));
            text << "attrib -r -h \"" << file << "\" 2>nul\n"
                 << "del /f /q \"" << file << "\" 2>nul\n";
        }

        // The folder may hold other files (a shared plug-in folder holds other vendors' plug-ins):
        // only the script itself goes, and the folder only when that leaves it empty. cmd reads a
        // script line by line, so the removal and what follows it stand on the last line it reads.
        text << "echo Deleting uninstaller directory...\n"
             << "cd /d \"%TEMP%\"\n"
             << "del /f /q \"" << batchQuoted (nativePath (scriptFile.getFullPathName())) << "\"";

        if (! isProtectedFolder (scriptFolder))
            text << " & rmdir \"" << batchQuoted (folder) << "\" 2>nul";

        // Then the folders the installations made, the deepest first, each only when empty.
        juce::StringArray made;

        for (const auto& path : createdFolders)
            if (const juce::File created (nativePath (path)); ! isProtectedFolder (created) && created != scriptFolder)
                made.addIfNotAlreadyThere (created.getFullPathName());

        made.sort (true);

        for (int i = made.size(); --i >= 0;)
            text << " & rmdir \"" << batchQuoted (made[i]) << "\" 2>nul";

        text << " & echo Uninstallation finished. & (if not defined quiet pause) & exit /b 0\n"
             << ":Kept\n"
             << "echo Some files could not be removed: close the programs that use them and run the uninstaller again.\n"
             << "if not defined quiet pause\n"
             << "exit /b 1\n";

        if (needsUtf8)
            text << ":NoUtf8\n"
                 << "echo This uninstaller cannot read the names of its files here: cmd cannot switch to UTF-8. Nothing was removed.\n"
                 << "if not defined quiet pause\n"
                 << "exit /b 1\n";

        return text;
    }

    juce::Result writeUninstallScriptFile (const juce::File& script, const juce::String& appName, const juce::String& productId,
                                           const juce::StringArray& paths, const juce::String& key,
                                           const juce::StringArray& createdFolders)
    {
        if (const auto created = script.getParentDirectory().createDirectory(); created.failed())
            return juce::Result::fail ("Failed to write " + script.getFullPathName() + ": " + created.getErrorMessage());

        const auto text = uninstallScriptText (appName, paths, key, script, { registrationIconName (productId) }, createdFolders)
                              .replace ("\n", "\r\n");
        const auto utf8 = text.toStdString();
        return platform::replaceFile (script, utf8.data(), utf8.size());
    }
}
