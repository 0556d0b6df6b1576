#pragma once

#include "ManifestObject.h"

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** True for one file or folder name: not empty, no folder separator, no drive or stream colon,
        not made of dots and blanks only, no character Windows refuses in a name. */
    bool isPlainName (const juce::String& name);

    /** The path an object is installed as, relative to its destination: its objectPath without a
        final ".zip", with "\\" between its folders. Empty unless every part of the objectPath is
        a plain name, so that no path outside the destination can be made from it. */
    juce::String installedRelativePathOf (const ManifestObject& object);

    /** The name of what an object installs: the last part of its installed relative path. */
    juce::String installedNameOf (const ManifestObject& object);

    /** True for a local absolute path with a drive letter ("C:\..." or "C:/..."), no "." or ".."
        part: the only kind of folder the engine writes into or deletes from. */
    bool isLocalAbsolutePath (const juce::String& path);

    /** The object's destination folder with its placeholders resolved, or a default File when it
        is empty or not a local absolute path. */
    juce::File destinationOf (const ManifestObject& object);

    /** What the object installs: its installed relative path below the destination, or a default
        File when either is not usable. */
    juce::File installedPathOf (const ManifestObject& object);

    /** Why an object cannot be installed or removed (empty when it can): an objectPath that is not
        a relative path of plain names, or a destination that is not a local absolute folder. */
    juce::String objectProblem (const ManifestObject& object);

    /** Whether a choice leaves anything to install: a shown component that is required or not
        left out, or, in a product that shows none, any object. What is hidden alone (an
        uninstaller) is nothing to install. */
    bool leavesSomethingToInstall (const std::vector<ManifestObject>& objects, const juce::StringArray& leftOutPaths);

    /** Why a folder a user chose for an object is refused (empty when it is accepted): it must be a
        local absolute path, and neither a drive root, the Windows folder or one inside it, a
        Program Files root, the folder of the profiles nor a profile itself. */
    juce::String userFolderProblem (const juce::String& path);
}
