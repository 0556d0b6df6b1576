#include "TestHelpers.h"
#include "UninstallScript.h"

#include <gtest/gtest.h>

namespace
{
    const juce::String key = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{a3c95e10f27b4d6890e1c4b7d2f5a08e}";

    juce::String header (const juce::String& appName)
    {
        return "@echo off\n"
               "cd /d \"%~dp0\"\n"
               "cls\n"
               "echo Uninstalling " + appName + "...\n"
               "echo Please wait...\n"
               "\n"
               ":: Check if the script has been passed the \"elevated\" argument\n"
               "if \"%~1\"==\"elevated\" goto :Elevated\n"
               "\n"
               ":: Check for admin privileges\n"
               "net session >nul 2>&1\n"
               "if %errorLevel% == 0 (\n"
               "    echo Already running as administrator\n"
               "    goto :Elevated\n"
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
    const auto text = CorvoAudio::uninstallScriptText ("Ondra", { exe, presets.getFullPathName(), "C:/Data/notes.txt" }, key, app);

    const auto expected = header ("Ondra")
        + "echo Checking for running process Tool.exe...\n"
          "taskkill /im \"Tool.exe\" /f 2>nul\n"
          "setlocal EnableDelayedExpansion\n"
          "set counter=0\n"
          ":retry\n"
          "for /f \"tokens=2 delims==\" %%i in ('wmic process where \"name='Tool.exe'\" get ProcessId /value') do set pid=%%i\n"
          "if defined pid (\n"
          "    timeout /t 1 >nul\n"
          "    set /a counter+=1\n"
          "    if !counter! lss 30 (\n"
          "        goto retry\n"
          "    ) else (\n"
          "        echo Process termination timed out.\n"
          "    )\n"
          "    set pid=\n"
          "    set counter=0\n"
          ") else (\n"
          "    echo Process Tool.exe not running.\n"
          ")\n"
          "endlocal\n"
          "echo Deleting file Tool.exe...\n"
          "del /f /q \"" + exe + "\"\n"
          "echo Deleting file presets...\n"
          "attrib -r \"" + presets.getFullPathName() + "\"\n"
          "rmdir /s /q \"" + presets.getFullPathName() + "\"\n"
          "echo Deleting file C:/Data/notes.txt...\n"
          "del /f /q \"C:\\Data\\notes.txt\"\n"
          "echo Removing registry entry...\n"
          "reg delete \"HKLM\\" + key + "\" /f\n"
          "echo Deleting uninstaller directory...\n"
          "cd /d \"%TEMP%\"\n"
          "rmdir /s /q \"" + app.getFullPathName() + "\" & echo Uninstallation finished. & pause\n";

    EXPECT_EQ (text, expected);
}

TEST (UninstallScript, SharedPluginFolderIsNeverRemoved)
{
    const juce::File vst3 ("C:\\Program Files\\Common Files\\VST3");
    const auto text = CorvoAudio::uninstallScriptText ("Ondra", { "" }, key, vst3);

    EXPECT_TRUE (text.contains ("echo Deleting file ...\ndel /f /q \"\"\n"));
    EXPECT_FALSE (text.contains ("rmdir /s /q \"C:\\Program Files\\Common Files\\VST3\""));
    EXPECT_TRUE (text.endsWith ("/f\necho Uninstallation finished.\npause\n"));

    for (auto* root : { "C:\\", "C:\\Program Files", "C:\\ProgramData", "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins" })
        EXPECT_FALSE (CorvoAudio::uninstallScriptText ("Ondra", {}, key, juce::File (root)).contains ("rmdir")) << root;
}

TEST (UninstallScript, FileIsReplacedWithCrLfLines)
{
    testing_support::TempFolder temp;
    const auto script = temp["Tool/Uninstall Ondra.bat"];
    script.getParentDirectory().createDirectory();
    script.replaceWithText (juce::String::repeatedString ("old content\n", 500));

    CorvoAudio::writeUninstallScriptFile (script, "Ondra", { "C:\\Apps\\Tool\\Tool.exe" }, key);

    juce::MemoryBlock bytes;
    ASSERT_TRUE (script.loadFileAsData (bytes));
    const auto text = bytes.toString();

    EXPECT_FALSE (text.contains ("old content"));
    EXPECT_TRUE (text.startsWith ("@echo off\r\ncd /d"));
    EXPECT_TRUE (text.contains ("\r\n\r\n:: Check for admin privileges\r\n"));
    EXPECT_TRUE (text.endsWith ("& pause\r\n"));
    EXPECT_FALSE (text.replace ("\r\n", "").containsAnyOf ("\r\n"));
    EXPECT_EQ (text.replace ("\r\n", "\n"),
               CorvoAudio::uninstallScriptText ("Ondra", { "C:\\Apps\\Tool\\Tool.exe" }, key, script.getParentDirectory()));
}
