#pragma once

#include "ManifestObject.h"
#include "UninstallRegistry.h"

#include <optional>
#include <vector>

namespace CorvoAudio
{
    /** One uninstall option, shared by every object that names its id. */
    struct UninstallOption
    {
        juce::String optionId;
        bool selected = false;
        juce::StringArray requires;
        juce::String label;     // the first object's label, or the id
    };

    /** The options in order of first appearance; selected by default when any object says so,
        with the union of the objects' requirements. */
    std::vector<UninstallOption> uninstallOptions (const std::vector<ManifestObject>& objects);

    /** The objects to remove, in removal order: uninstallOrder, then objectName. selection is the
        user's choice of option ids ("," or ";" separated); without one the defaults stand.
        Requirements are followed, and uninstallers and protected objects are never removed. */
    std::vector<ManifestObject> uninstallWorkList (const std::vector<ManifestObject>& objects,
                                                   const std::optional<juce::String>& selection);

    /** The path to delete for an object, always a folder's child of the object's installed name:
        a path of that name the registration recorded wins over the manifest's default location, and
        a main application is looked for under the install location. A default File for an object
        that names no plain file. */
    juce::File resolveUninstallTarget (const UninstallEntry& entry, const ManifestObject& object);
}
