#pragma once

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** Folders the engine never deletes, whatever a manifest, a registration or a script says:
        drive roots, the system's own folders (Program Files, ProgramData, Windows, the user
        profiles) and the shared plug-in folders that every vendor installs into. */
    bool isProtectedFolder (const juce::File& folder);

    /** The folders that plug-in hosts of every vendor scan: the shared VST, VST3, CLAP, LV2 and
        AAX folders. */
    juce::Array<juce::File> sharedPluginFolders();
}
