#pragma once

#include <juce_core/juce_core.h>

#include <map>
#include <optional>

namespace CorvoAudio
{
    /** The exit codes of the installer, as deployment tools read them. */
    namespace exitCodes
    {
        constexpr int success = 0;
        constexpr int noAdministratorRights = 1;
        constexpr int modifyRequested = 2;
        constexpr int anotherInstallerRunning = 3;
        constexpr int finishedWithErrors = 9;
        constexpr int badArgument = 87;          // ERROR_INVALID_PARAMETER
        constexpr int elevationDeclined = 1223;  // ERROR_CANCELLED
        constexpr int restartRequired = 3010;    // ERROR_SUCCESS_REBOOT_REQUIRED
    }

    /** The arguments of a command line as a program started by CreateProcess reads them: split at
        blanks outside double quotes, "\"" for a quote, backslashes literal unless they stand before
        a quote. */
    juce::StringArray splitArguments (const juce::String& commandLine);

    /** One argument written so that splitArguments reads it back as it is. */
    juce::String quoteArgument (const juce::String& argument);

    /** What a command line asks for. Switches are whole arguments: "--uninstall" is one, a longer
        word that begins with it is not. */
    struct CommandLine
    {
        enum class Mode { none, install, repair, modify, uninstall };

        bool headless = false;
        bool help = false;
        bool elevated = false;                               // started by the copy that asked for rights
        Mode mode = Mode::none;
        std::optional<juce::StringArray> components;         // objectNames, as written
        std::optional<juce::String> folder;                  // --dir=: every object that lets the user choose
        std::map<juce::String, juce::String> folderOf;       // --dir:<objectName>=<folder>
        std::optional<juce::StringArray> uninstallOptions;   // option ids
        juce::String logFile;                                // absolute, or empty
        juce::String problem;                                // the first argument that is not understood

        static CommandLine parse (const juce::String& commandLine);

        /** The arguments that ask for the same again, --elevated included when it is set. */
        juce::StringArray toArguments() const;
    };

    /** What "--help" prints: the switches and the exit codes. */
    juce::String helpText (const juce::String& appName);
}
