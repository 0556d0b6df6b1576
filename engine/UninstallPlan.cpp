#include "UninstallPlan.h"
#include "Identifiers.h"
#include "ManifestProperties.h"
#include "InstallerProcess.h"
#include "ObjectRules.h"
#include "PathText.h"
#include "Platform.h"
#include "ProtectedFolders.h"

#include <algorithm>

namespace CorvoAudio
{
    namespace
    {
        bool containsPath (const juce::Array<juce::File>& paths, const juce::File& path)
        {
            for (const auto& p : paths)
                if (samePath (p, path))
                    return true;

            return false;
        }
    }

    std::vector<UninstallOption> uninstallOptions (const std::vector<ManifestObject>& objects)
    {
        std::vector<UninstallOption> options;

        for (const auto& object : objects)
        {
            if (object.uninstallOptionId.isEmpty())
                continue;

            auto existing = std::find_if (options.begin(), options.end(),
                                          [&object] (const UninstallOption& o) { return o.optionId == object.uninstallOptionId; });

            if (existing == options.end())
            {
                UninstallOption option { object.uninstallOptionId, object.uninstallOptionDefaultSelection, {},
                                         object.uninstallOptionLabel.isNotEmpty() ? object.uninstallOptionLabel : object.uninstallOptionId };

                for (const auto& id : object.uninstallOptionRequires)
                    option.requires.addIfNotAlreadyThere (id);

                options.push_back (option);
                continue;
            }

            if (object.uninstallOptionDefaultSelection)
                existing->selected = true;

            for (const auto& id : object.uninstallOptionRequires)
                existing->requires.addIfNotAlreadyThere (id);
        }

        return options;
    }

    std::vector<ManifestObject> uninstallWorkList (const std::vector<ManifestObject>& objects,
                                                   const std::optional<juce::String>& selection)
    {
        auto options = uninstallOptions (objects);

        const auto find = [&options] (const juce::String& id) -> UninstallOption*
        {
            for (auto& option : options)
                if (option.optionId == id)
                    return &option;

            return nullptr;
        };

        if (selection.has_value())
        {
            const auto chosen = splitManifestList (*selection);

            for (auto& option : options)
                option.selected = chosen.contains (option.optionId);
        }

        for (bool changed = true; changed;)
        {
            changed = false;

            for (auto& option : options)
            {
                if (! option.selected)
                    continue;

                for (const auto& id : option.requires)
                {
                    if (auto* required = find (id); required != nullptr && ! required->selected)
                    {
                        required->selected = true;
                        changed = true;
                    }
                }
            }
        }

        std::vector<ManifestObject> work;

        for (const auto& object : objects)
        {
            if (object.isUninstaller || object.preventUninstall)
                continue;

            if (object.uninstallOptionId.isEmpty() || find (object.uninstallOptionId)->selected)
                work.push_back (object);
        }

        std::sort (work.begin(), work.end(), [] (const ManifestObject& a, const ManifestObject& b)
        {
            if (a.uninstallOrder != b.uninstallOrder)
                return a.uninstallOrder < b.uninstallOrder;

            return a.objectName.compare (b.objectName) < 0;
        });

        return work;
    }

    juce::File resolveUninstallTarget (const UninstallEntry& entry, const ManifestObject& object)
    {
        const auto relative = installedRelativePathOf (object);
        const auto fallback = installedPathOf (object);

        if (relative.isEmpty() || fallback == juce::File())
            return {};

        // The registration records where the user put an object: a path that ends in its installed
        // path wins, and nothing of another name is ever taken from it.
        for (const auto& path : entry.extraPaths)
            if (isLocalAbsolutePath (path) && path.replaceCharacter ('/', '\\').endsWithIgnoreCase ("\\" + relative))
                return juce::File (path);

        if (object.isMainApplication && isLocalAbsolutePath (entry.installLocation.getFullPathName()))
            if (const auto second = entry.installLocation.getChildFile (relative); second.exists())
                return second;

        return fallback;
    }

    PlannedRemoval planRemoval (const UninstallEntry& entry, const ManifestObject& object)
    {
        PlannedRemoval plan;

        if (plan.problem = objectProblem (object); plan.problem.isNotEmpty())
            return plan;

        plan.target = resolveUninstallTarget (entry, object);

        if (! plan.target.exists() && ! platform::getFileAttributes (plan.target).exists)
            plan.action = PlannedRemoval::Action::missing;
        else if (isProtectedFolder (plan.target))
            plan.action = PlannedRemoval::Action::keepProtected;
        else
            plan.action = PlannedRemoval::Action::remove;

        return plan;
    }

    juce::File folderToTidyAfter (const juce::File& target)
    {
        const auto extension = extensionOf (target.getFullPathName());

        if (target == juce::File() || extension.containsIgnoreCase ("vst3") || extension.containsIgnoreCase ("aaxplugin"))
            return {};

        return target.getParentDirectory();
    }

    juce::String whyFolderStays (const juce::File& folder, const juce::Array<juce::File>& goingAway)
    {
        for (const auto& child : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*",
                                                        juce::File::FollowSymlinks::no))
            if (! containsPath (goingAway, child))
                return "it holds other files";

        if (isProtectedFolder (folder))
            return "it is a protected folder";

        return {};
    }

    std::optional<juce::String> selectedUninstallOptions (const juce::ValueTree& manifest)
    {
        const juce::ScopedLock lock (manifestLock);

        if (manifest.hasProperty (Ids::SelectedUninstallOptions))
            return manifest[Ids::SelectedUninstallOptions].toString();

        return std::nullopt;
    }

    juce::StringArray uninstallerPaths (const UninstallEntry& entry, const std::vector<ManifestObject>& objects,
                                        const juce::String& appName)
    {
        juce::StringArray paths;

        for (const auto& object : objects)
        {
            if (objectProblem (object).isNotEmpty())
                continue;

            if (object.isUninstaller)
            {
                paths.add (installedPathOf (object).getFullPathName());
                paths.add (entry.installLocation.getChildFile (installedRelativePathOf (object)).getFullPathName());
            }

            if (object.createUninstallBatScript)
                paths.add (destinationOf (object).getChildFile ("Uninstall " + appName + ".bat").getFullPathName());
        }

        return paths;
    }

    bool isOwnUninstaller (const UninstallEntry& entry, const std::vector<ManifestObject>& objects,
                           const juce::String& appName, const juce::File& file)
    {
        if (entry.uninstaller.isEmpty() || ! samePath (juce::File (entry.uninstaller), file))
            return false;

        for (const auto& path : uninstallerPaths (entry, objects, appName))
            if (samePath (juce::File (path), file))
                return true;

        return false;
    }

    juce::Array<juce::File> ownFilesInInstallLocation (const UninstallEntry& entry, const std::vector<ManifestObject>& objects,
                                                       const juce::String& appName)
    {
        const auto location = entry.installLocation;
        juce::Array<juce::File> files { location.getChildFile (registrationIconName (entry.id)),
                                        location.getChildFile ("Uninstall " + appName + ".bat") };
        const juce::File uninstaller (entry.uninstaller);

        if (entry.uninstaller.isNotEmpty() && samePath (uninstaller.getParentDirectory(), location)
            && isOwnUninstaller (entry, objects, appName, uninstaller))
            files.add (uninstaller);

        return files;
    }

    std::vector<KeptPath> pathsKeptByUninstall (const UninstallEntry& entry, const std::vector<ManifestObject>& objects,
                                                const std::optional<juce::String>& selection, const juce::String& appName)
    {
        // The uninstall played through in its own order: after each object it tidies the object's
        // folder when nothing else is left in it, so a folder's last check decides, and a folder
        // tidied earlier no longer counts as something left.
        std::vector<KeptPath> kept;
        juce::Array<juce::File> gone;

        const auto decide = [&kept] (const juce::File& path, const juce::String& reason)
        {
            kept.erase (std::remove_if (kept.begin(), kept.end(), [&path] (const KeptPath& k) { return samePath (k.path, path); }),
                        kept.end());

            if (reason.isNotEmpty())
                kept.push_back ({ path, reason });
        };

        for (const auto& object : uninstallWorkList (objects, selection))
        {
            const auto plan = planRemoval (entry, object);

            if (plan.action == PlannedRemoval::Action::refuse)
                continue;

            // A protected folder's own folder always holds it, so it is never tidied.
            if (plan.action == PlannedRemoval::Action::keepProtected)
            {
                decide (plan.target, "it is a protected folder");
                continue;
            }

            if (plan.action == PlannedRemoval::Action::remove)
                gone.add (plan.target);

            if (const auto folder = folderToTidyAfter (plan.target); folder.isDirectory() && ! containsPath (gone, folder))
            {
                const auto reason = whyFolderStays (folder, gone);
                decide (folder, reason);

                if (reason.isEmpty())
                    gone.add (folder);
            }
        }

        // Last, the install location: it goes when nothing but this product's own files is left.
        if (const auto location = entry.installLocation;
            isLocalAbsolutePath (location.getFullPathName()) && location.isDirectory() && ! containsPath (gone, location))
        {
            auto leaving = gone;
            leaving.addArray (ownFilesInInstallLocation (entry, objects, appName));
            decide (location, whyFolderStays (location, leaving));
        }

        return kept;
    }
}
