#pragma once

#include "ManifestObject.h"
#include "UninstallRegistry.h"

#include <juce_data_structures/juce_data_structures.h>

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

    /** What the uninstall does with one object of its work list. */
    struct PlannedRemoval
    {
        enum class Action { remove, keepProtected, missing, refuse };

        Action action = Action::refuse;
        juce::File target;
        juce::String problem;   // why an object is refused
    };

    /** The decision for one object, taken from the disk as it is now. */
    PlannedRemoval planRemoval (const UninstallEntry& entry, const ManifestObject& object);

    /** The folder the uninstall deletes after target when it is left empty: target's parent, but
        never for a bundle, whose parent is the plug-in folder that every vendor shares. */
    juce::File folderToTidyAfter (const juce::File& target);

    /** Why folder stays once the paths in goingAway are gone: "it holds other files", "it is a
        protected folder", or empty when it may be deleted. */
    juce::String whyFolderStays (const juce::File& folder, const juce::Array<juce::File>& goingAway);

    /** The user's choice of uninstall options as the manifest copy holds it, read under
        manifestLock; none when the copy does not say. */
    std::optional<juce::String> selectedUninstallOptions (const juce::ValueTree& manifest);

    /** Where a product's manifest puts an uninstaller: the objects marked as one, and the script an
        object asks for beside itself. */
    juce::StringArray uninstallerPaths (const UninstallEntry& entry, const std::vector<ManifestObject>& objects,
                                        const juce::String& appName);

    /** True when file is the registered uninstaller and lies where this product puts one. */
    bool isOwnUninstaller (const UninstallEntry& entry, const std::vector<ManifestObject>& objects,
                           const juce::String& appName, const juce::File& file);

    /** The product's own files in its install location (its icon, its script, its uninstaller),
        which go with the product even from a folder it shares. */
    juce::Array<juce::File> ownFilesInInstallLocation (const UninstallEntry& entry, const std::vector<ManifestObject>& objects,
                                                       const juce::String& appName);

    /** A path the uninstall leaves in place, and why. */
    struct KeptPath
    {
        juce::File path;
        juce::String reason;
    };

    /** What an uninstall with this selection would leave: protected targets, and the folders it
        would tidy or the install location when they hold other files or are protected. The same
        decisions the uninstall takes, made before anything is touched. */
    std::vector<KeptPath> pathsKeptByUninstall (const UninstallEntry& entry, const std::vector<ManifestObject>& objects,
                                                const std::optional<juce::String>& selection, const juce::String& appName);
}
