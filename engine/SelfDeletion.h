#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace CorvoAudio
{
    /** The script that waits for process pid to exit, deletes the executable (and, with
        deleteParentDirectory, its folder), then itself and its private folder. "\n" line ends. */
    juce::String selfDeletionScriptText (unsigned long pid, const juce::File& executable, bool deleteParentDirectory,
                                         const juce::File& script, const juce::File& scriptFolder);

    /** The command line that runs a batch file hidden through the system's own command interpreter,
        without the user's AutoRun command. */
    juce::String hiddenScriptCommandLine (const juce::File& script);

    /** Runs a batch file without a window; true when the interpreter started. */
    bool startHiddenScript (const juce::File& script);

    /** Writes the self-deletion script into a folder of its own below the temporary folder, one that
        only administrators can change, and starts it. The running uninstaller cannot delete its own
        file; the script does once it has exited. */
    void startSelfDeletion (bool deleteParentDirectory, std::function<void (const juce::String&)> log);
}
