#include "UninstallPlan.h"
#include "InstallerProcess.h"
#include "ObjectRules.h"
#include "PathText.h"

#include <algorithm>

namespace CorvoAudio
{
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
        const auto name = installedNameOf (object);
        const auto fallback = installedPathOf (object);

        if (name.isEmpty() || fallback == juce::File())
            return {};

        // The registration records where the user put an object: a path of that name wins, and
        // nothing of another name is ever taken from it.
        for (const auto& path : entry.extraPaths)
            if (isLocalAbsolutePath (path) && juce::File (path).getFileName().equalsIgnoreCase (name))
                return juce::File (path);

        if (object.isMainApplication && isLocalAbsolutePath (entry.installLocation.getFullPathName()))
            if (const auto second = entry.installLocation.getChildFile (name); second.exists())
                return second;

        return fallback;
    }
}
