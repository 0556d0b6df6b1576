#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace CorvoAudio
{
    /** The self-deletion script and the variables it reads its paths from: cmd reads a batch
        file in the console's code page, while variables keep every name as it is. */
    struct SelfDeletionScript
    {
        juce::String text;                  // "\n" line ends
        juce::StringPairArray environment;
    };

    /** The script that waits until the process pid has exited (the marker file, which the system
        deletes as the process ends, is gone), deletes the executable (trying for a few minutes
        more while something else still holds it), with deleteParentDirectory its folder once it
        is empty, then each of foldersToRemove that is empty (in the order given), and last
        itself and its private folder. */
    SelfDeletionScript selfDeletionScript (unsigned long pid, const juce::File& executable, bool deleteParentDirectory,
                                           const juce::File& marker, const juce::Array<juce::File>& foldersToRemove = {});

    /** The command line that runs a batch file hidden through the system's own command interpreter,
        without the user's AutoRun command. */
    juce::String hiddenScriptCommandLine (const juce::File& script);

    /** Runs a batch file without a window, with the variables added to its environment; true when
        the interpreter started. */
    bool startHiddenScript (const juce::File& script, const juce::StringPairArray& environment = {});

    /** Writes the self-deletion script into a folder of its own below the temporary folder, one that
        only administrators can change, and starts it. The running uninstaller cannot delete its own
        file; the script does once it has exited, however long the user keeps it open. */
    void startSelfDeletion (bool deleteParentDirectory, const juce::Array<juce::File>& foldersToRemove,
                            std::function<void (const juce::String&)> log);
}
