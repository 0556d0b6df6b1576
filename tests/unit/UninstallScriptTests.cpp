#include "TestHelpers.h"
#include "UninstallScript.h"

#include <gtest/gtest.h>

namespace
{
    const juce::String key = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{a3c95e10f27b4d6890e1c4b7d2f5a08e}";

    juce::String header (const juce::String& appName)
    {
        return "@echo off\n"
               "chcp 65001 >nul\n"
               "cd /d \"%~dp0\"\n"
               "cls\n"
               "echo Uninstalling " + appName + "...\n"
               "echo Please wait...\n"
               "\n"
               ":: \"/quiet\": run by a deployment tool, nobody answers a prompt\n"
               "set \"quiet=\"\n"
               "if /i \"%~1\"==\"/quiet\" set \"quiet=1\"\n"
               "\n"
               ":: Check if the script has been passed the \"elevated\" argument\n"
               "if \"%~1\"==\"elevated\" goto :Elevated\n"
               "\n"
               ":: Check for admin privileges\n"
               "net session >nul 2>&1\n"
               "if %errorLevel% == 0 (\n"
               "    echo Already running as administrator\n"
               "    goto :Elevated\n"
               ") else if defined quiet (\n"
               "    echo Uninstalling needs administrator rights. Nothing was removed.\n"
               "    exit /b 1\n"
               ") else (\n"
               "    echo Not running as administrator. Trying to elevate...\n"
               "    powershell -Command \"Start-Process -FilePath '%~f0' -ArgumentList 'elevated' -Verb RunAs\"\n"
               "    exit /b\n"
               ")\n"
               "\n"
               ":: Elevated tasks\n"
               ":Elevated\n"
               "echo Deleting files...\n";
    }
}

TEST (UninstallScript, FullTextWithExecutableFileAndFolder)
{
    testing_support::TempFolder temp;
    const auto app = temp["Apps/Tool"];
    app.createDirectory();
    const auto presets = temp["Data/Tool/presets"];
    presets.createDirectory();

    const auto exe = app.getChildFile ("Tool.exe").getFullPathName();
    const auto script = app.getChildFile ("Uninstall Ondra.bat");
    const auto text = CorvoAudio::uninstallScriptText ("Ondra", { exe, presets.getFullPathName(), "C:/Data/notes.txt" }, key,
                                                       script, { "icon {id}.ico" });

    const auto expected = header ("Ondra")
        + "echo Checking for running process Tool.exe...\n"
          "taskkill /im \"Tool.exe\" /f 2>nul\n"
          "set \"process=Tool.exe\"\n"
          "setlocal EnableDelayedExpansion\n"
          "set counter=0\n"
          ":retry1\n"
          "set pid=\n"
          "for /f \"delims=\" %%i in ('tasklist /FI \"IMAGENAME eq !process!\" /NH /FO CSV 2^>nul ^| find /I \"!process!\"') do set pid=%%i\n"
          "if defined pid (\n"
          "    timeout /t 1 >nul\n"
          "    set /a counter+=1\n"
          "    if !counter! lss 30 (\n"
          "        goto retry1\n"
          "    ) else (\n"
          "        echo Process termination timed out.\n"
          "    )\n"
          "    set pid=\n"
          "    set counter=0\n"
          ") else (\n"
          "    echo Process !process! not running.\n"
          ")\n"
          "endlocal\n"
          "echo Deleting file Tool.exe...\n"
          "del /f /q \"" + exe + "\"\n"
          "echo Deleting file presets...\n"
          "attrib -r \"" + presets.getFullPathName() + "\"\n"
          "rmdir /s /q \"" + presets.getFullPathName() + "\"\n"
          "echo Deleting file C:/Data/notes.txt...\n"
          "del /f /q \"C:\\Data\\notes.txt\"\n"
          "set remaining=0\n"
          "if exist \"" + exe + "\" set remaining=1& echo Could not remove " + exe + "\n"
          "if exist \"" + presets.getFullPathName() + "\" set remaining=1& echo Could not remove " + presets.getFullPathName() + "\n"
          "if exist \"C:\\Data\\notes.txt\" set remaining=1& echo Could not remove C:\\Data\\notes.txt\n"
          "if not \"%remaining%\"==\"0\" goto :Kept\n"
          "echo Removing registry entry...\n"
          "reg delete \"HKLM\\" + key + "\" /f\n"
          "attrib -r -h \"" + app.getChildFile ("icon {id}.ico").getFullPathName() + "\" 2>nul\n"
          "del /f /q \"" + app.getChildFile ("icon {id}.ico").getFullPathName() + "\" 2>nul\n"
          "echo Deleting uninstaller directory...\n"
          "cd /d \"%TEMP%\"\n"
          "del /f /q \"" + script.getFullPathName() + "\" & rmdir \"" + app.getFullPathName()
        + "\" 2>nul & echo Uninstallation finished. & (if not defined quiet pause) & exit /b 0\n"
          ":Kept\n"
          "echo Some files could not be removed: close the programs that use them and run the uninstaller again.\n"
          "if not defined quiet pause\n"
          "exit /b 1\n";

    EXPECT_EQ (text, expected);
}

TEST (UninstallScript, SharedPluginFolderIsNeverRemoved)
{
    const juce::File vst3 ("C:\\Program Files\\Common Files\\VST3");
    const auto text = CorvoAudio::uninstallScriptText ("Ondra", { "" }, key, vst3.getChildFile ("Uninstall Ondra.bat"));

    EXPECT_TRUE (text.contains ("echo Deleting file ...\ndel /f /q \"\"\n"));
    EXPECT_FALSE (text.contains ("rmdir"));
    EXPECT_TRUE (text.contains ("del /f /q \"C:\\Program Files\\Common Files\\VST3\\Uninstall Ondra.bat\" & echo Uninstallation finished."));

    for (auto* root : { "C:\\", "C:\\Program Files", "C:\\ProgramData", "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins" })
        EXPECT_FALSE (CorvoAudio::uninstallScriptText ("Ondra", {}, key, juce::File (root).getChildFile ("u.bat")).contains ("rmdir")) << root;

    // Wherever it stands, the script's folder is removed only when it is empty: never "/s".
    EXPECT_FALSE (CorvoAudio::uninstallScriptText ("Ondra", {}, key, juce::File ("C:\\Apps\\Ondra\\u.bat")).contains ("rmdir /s"));

    // The folders the installation made go after the script's own, the deepest first, each only
    // when empty; a shared folder never, even when the installation was the first to make it.
    const auto made = CorvoAudio::uninstallScriptText ("Ondra", {}, key, juce::File ("C:\\Apps\\Ondra\\Tool\\u.bat"), {},
                                                       { "C:/Apps", "C:\\Apps\\Ondra", "C:\\Apps\\Ondra\\Tool", vst3.getFullPathName() });
    EXPECT_TRUE (made.contains ("del /f /q \"C:\\Apps\\Ondra\\Tool\\u.bat\" & rmdir \"C:\\Apps\\Ondra\\Tool\" 2>nul"
                                " & rmdir \"C:\\Apps\\Ondra\" 2>nul & rmdir \"C:\\Apps\" 2>nul & echo Uninstallation finished.")) << made;
    EXPECT_FALSE (made.contains ("VST3"));
}

TEST (UninstallScript, FileIsReplacedWithCrLfLines)
{
    testing_support::TempFolder temp;
    const auto script = temp["Tool/Uninstall Ondra.bat"];
    script.getParentDirectory().createDirectory();
    script.replaceWithText (juce::String::repeatedString ("old content\n", 500));

    EXPECT_TRUE (CorvoAudio::writeUninstallScriptFile (script, "Ondra", "id", { "C:\\Apps\\Tool\\Tool.exe" }, key).wasOk());

    juce::MemoryBlock bytes;
    ASSERT_TRUE (script.loadFileAsData (bytes));
    const auto text = bytes.toString();

    EXPECT_FALSE (text.contains ("old content"));
    EXPECT_TRUE (text.startsWith ("@echo off\r\nchcp 65001 >nul\r\ncd /d"));
    EXPECT_TRUE (text.contains ("\r\n\r\n:: Check for admin privileges\r\n"));
    EXPECT_TRUE (text.endsWith ("pause\r\nexit /b 1\r\n"));
    EXPECT_FALSE (text.replace ("\r\n", "").containsAnyOf ("\r\n"));
    EXPECT_EQ (text.replace ("\r\n", "\n"),
               CorvoAudio::uninstallScriptText ("Ondra", { "C:\\Apps\\Tool\\Tool.exe" }, key, script, { "icon {id}.ico" }));
}

TEST (UninstallScript, NamesAndPathsAreEscapedForCmd)
{
    const juce::String ue (juce::CharPointer_UTF8 ("\xc3\xbc"));

    // What the script holds for a name and a path, in the lines cmd reads them from.
    struct Case { const char* text; const char* bare; const char* quoted; };

    const Case cases[] = {
        { "Ondra", "Ondra", "Ondra" },
        { "100% Ondra", "100%% Ondra", "100%% Ondra" },
        { "Rock & Roll", "Rock ^& Roll", "Rock & Roll" },
        { "C:\\Program Files (x86)\\Ondra", "C:\\Program Files ^(x86^)\\Ondra", "C:\\Program Files (x86)\\Ondra" },
        { "a^b|c<d>e", "a^^b^|c^<d^>e", "a^b|c<d>e" },
        { "%PATH%", "%%PATH%%", "%%PATH%%" },
        { "Ondra!", "Ondra!", "Ondra!" },
    };

    for (const auto& c : cases)
    {
        EXPECT_EQ (CorvoAudio::batchBare (c.text), c.bare) << c.text;
        EXPECT_EQ (CorvoAudio::batchQuoted (c.text), c.quoted) << c.text;
    }

    const auto folder = juce::String (juce::CharPointer_UTF8 ("C:\\Program Files (x86)\\R&D 100%\\Ondra \xc3\xbc"));
    const auto text = CorvoAudio::uninstallScriptText ("R&D (100%)", { folder + "\\Tool & Co.exe" }, key,
                                                       juce::File (folder + "\\Uninstall.bat"));

    EXPECT_TRUE (text.contains ("echo Uninstalling R^&D ^(100%%^)...\n"));
    EXPECT_TRUE (text.contains ("taskkill /im \"Tool & Co.exe\" /f 2>nul\n"));
    EXPECT_TRUE (text.contains ("echo Checking for running process Tool ^& Co.exe...\n"));
    EXPECT_TRUE (text.contains ("del /f /q \"C:\\Program Files (x86)\\R&D 100%%\\Ondra " + ue + "\\Tool & Co.exe\"\n"));
    EXPECT_TRUE (text.contains ("rmdir \"C:\\Program Files (x86)\\R&D 100%%\\Ondra " + ue + "\" 2>nul"));

    // Written as UTF-8, the code page the script switches to first.
    testing_support::TempFolder temp;
    const auto script = temp["Uninstall " + ue + ".bat"];
    ASSERT_TRUE (CorvoAudio::writeUninstallScriptFile (script, "Ondra " + ue, "id", { folder }, key).wasOk());
    juce::MemoryBlock bytes;
    ASSERT_TRUE (script.loadFileAsData (bytes));
    const std::string raw (static_cast<const char*> (bytes.getData()), bytes.getSize());
    EXPECT_NE (raw.find ("echo Uninstalling Ondra \xc3\xbc..."), std::string::npos) << "UTF-8 bytes of the name";

    // A path beyond ASCII is read right only once cmd has switched to UTF-8: where it cannot,
    // the script stops before its first deletion instead of finding nothing and calling it gone.
    const juce::String check = "chcp 65001 >nul\n"
                               "for /f \"tokens=2 delims=:.\" %%c in ('chcp') do set \"codepage=%%c\"\n"
                               "if not \"%codepage: =%\"==\"65001\" goto :NoUtf8\n";
    EXPECT_TRUE (text.contains (check));
    EXPECT_LT (text.indexOf (check), text.indexOf ("del "));
    EXPECT_TRUE (text.contains ("run the uninstaller again.\nif not defined quiet pause\nexit /b 1\n:NoUtf8\n"
                                "echo This uninstaller cannot read the names of its files here"))
        << "a script that kept files never goes on into the code-page message";
    EXPECT_TRUE (text.endsWith ("Nothing was removed.\nif not defined quiet pause\nexit /b 1\n"));

    const auto ascii = CorvoAudio::uninstallScriptText ("Ondra " + ue, { "C:\\Apps\\Ondra\\Tool.exe" }, key,
                                                        juce::File ("C:\\Apps\\Ondra\\Uninstall.bat"));
    EXPECT_FALSE (ascii.contains ("NoUtf8")) << "only paths need the switch";
}
