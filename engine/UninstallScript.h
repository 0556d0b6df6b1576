#pragma once

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** The text of the uninstall batch script, with "\n" line ends. A path that is a folder when the
        text is made is removed with everything in it; the script's own folder is removed at the end
        unless it is a protected folder. */
    juce::String uninstallScriptText (const juce::String& appName, const juce::StringArray& paths,
                                      const juce::String& key, const juce::File& scriptFolder);

    /** Replaces script with the uninstall script, every line ending with CR LF. Failures are silent:
        whether the file exists afterwards is what counts. */
    void writeUninstallScriptFile (const juce::File& script, const juce::String& appName,
                                   const juce::StringArray& paths, const juce::String& key);
}
