#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace CorvoAudio
{
    /** The script that waits until the process pid has exited (the marker file, which the system
        deletes as the process ends, is gone), deletes the executable (trying for a few minutes
        more while something else still holds it), with deleteParentDirectory its folder, then
        each of foldersToRemove that is empty (the deepest first), and last itself and its
        private folder. "\n" line ends. */
    juce::String selfDeletionScriptText (unsigned long pid, const juce::File& executable, bool deleteParentDirectory,
                                         const juce::File& script, const juce::File& scriptFolder, const juce::File& marker,
                                         const juce::Array<juce::File>& foldersToRemove = {});

    /** The command line that runs a batch file hidden through the system's own command interpreter,
        without the user's AutoRun command. */
    juce::String hiddenScriptCommandLine (const juce::File& script);

    /** Runs a batch file without a window; true when the interpreter started. */
    bool startHiddenScript (const juce::File& script);

    /** Writes the self-deletion script into a folder of its own below the temporary folder, one that
        only administrators can change, and starts it. The running uninstaller cannot delete its own
        file; the script does once it has exited, however long the user keeps it open. */
    void startSelfDeletion (bool deleteParentDirectory, const juce::Array<juce::File>& foldersToRemove,
                            std::function<void (const juce::String&)> log);
}
