#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace CorvoAudio
{
    class InstallerProcess;

    /** Runs a command line, handing each output line (with its line break) to onLine while it runs.
        Returns the last line handed on, or "Error starting command: " + commandLine. Returns early,
        leaving the program running, when the process is asked to stop. */
    juce::String runCommand (const juce::String& commandLine, juce::Thread* process,
                             std::function<void (const juce::String&)> onLine);

    /** Puts a shortcut to target into folderName of the all-users Start menu. */
    bool addStartMenuLink (const juce::File& target, const juce::String& folderName,
                           std::function<void (const juce::String&)> log);

    /** Where addStartMenuLink puts the link to a program: folderName's folder of the Start menu,
        the program's name without its extension. */
    juce::File startMenuLinkFor (const juce::String& targetPath, const juce::String& folderName);

    /** The all-users Start menu's program folder. */
    juce::File startMenuProgramsFolder();
}
