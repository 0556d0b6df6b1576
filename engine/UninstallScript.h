#pragma once

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** Text as a batch file must hold it to be read back as written: in double quotes only "%"
        is special; outside them cmd's operators and parentheses are escaped as well. */
    juce::String batchQuoted (const juce::String& text);
    juce::String batchBare (const juce::String& text);

    /** The script's argument for a run without a person: it never pauses, and without
        administrator rights it fails with exit code 1 instead of asking for them. */
    constexpr const char* quietArgument = "/quiet";

    /** The text of the uninstall batch script, with "\n" line ends. A path that is a folder when the
        text is made is removed with everything in it. The registration goes only when every path is
        gone; then the script removes its own files from its folder (itself and ownFiles) and the
        folder only when that has left it empty, never a protected folder; last the createdFolders
        (those the installations made), the deepest first, each only when it is empty. */
    juce::String uninstallScriptText (const juce::String& appName, const juce::StringArray& paths,
                                      const juce::String& key, const juce::File& scriptFile,
                                      const juce::StringArray& ownFiles = {}, const juce::StringArray& createdFolders = {});

    /** Replaces script with the uninstall script, every line ending with CR LF; fails, naming the
        file and the system's reason, when it cannot be written. productId names the registration's
        icon, which the script removes too. */
    juce::Result writeUninstallScriptFile (const juce::File& script, const juce::String& appName, const juce::String& productId,
                                           const juce::StringArray& paths, const juce::String& key,
                                           const juce::StringArray& createdFolders = {});
}
