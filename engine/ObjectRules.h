#pragma once

#include "ManifestObject.h"

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** True for one file or folder name: not empty, no folder separator, no drive or stream colon,
        not made of dots and blanks only, no character Windows refuses in a name. */
    bool isPlainName (const juce::String& name);

    /** The name an object is installed as: its objectPath without a final ".zip". Empty when the
        objectPath is not one plain name, so that no path can be made from it. */
    juce::String installedNameOf (const ManifestObject& object);

    /** True for a local absolute path with a drive letter ("C:\..." or "C:/..."), no "." or ".."
        part: the only kind of folder the engine writes into or deletes from. */
    bool isLocalAbsolutePath (const juce::String& path);

    /** The object's destination folder with its placeholders resolved, or a default File when it
        is empty or not a local absolute path. */
    juce::File destinationOf (const ManifestObject& object);

    /** What the object installs: the destination's child of the installed name, or a default File
        when either is not usable. */
    juce::File installedPathOf (const ManifestObject& object);

    /** Why an object cannot be installed or removed (empty when it can): an objectPath that is not
        one plain name, or a destination that is not a local absolute folder. */
    juce::String objectProblem (const ManifestObject& object);

    /** Why a folder a user chose for an object is refused (empty when it is accepted): it must be a
        local absolute path and not a protected folder. */
    juce::String userFolderProblem (const juce::String& path);
}
