#include "UninstallPlan.h"
#include "InstallerProcess.h"
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
                UninstallOption option { object.uninstallOptionId, object.uninstallOptionDefaultSelection, {} };

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

    namespace
    {
        juce::String dropZip (const juce::String& path)
        {
            return extensionOf (path).equalsIgnoreCase (".zip") ? path.dropLastCharacters (4) : path;
        }

        juce::String nameOf (const juce::String& path)
        {
            return path.fromLastOccurrenceOf ("\\", false, false);
        }

        juce::String childPath (const juce::File& folder, const juce::String& relative)
        {
            if (folder == juce::File())
                return {};

            return folder.getChildFile (relative).getFullPathName();
        }
    }

    juce::String resolveUninstallTarget (const UninstallEntry& entry, const ManifestObject& object)
    {
        auto folderPath = object.defaultInstallPath;
        resolvePathPlaceholders (folderPath);
        const auto relative = object.objectPath.replace ("\\", "/");

        const auto folder = folderPath.isEmpty() ? juce::File() : juce::File::getCurrentWorkingDirectory().getChildFile (folderPath);
        const auto candidate = dropZip (childPath (folder, relative));

        for (const auto& path : entry.extraPaths)
            if (path.equalsIgnoreCase (candidate))
                return path;

        if (const auto name = nameOf (candidate); name.isNotEmpty())
            for (const auto& path : entry.extraPaths)
                if (nameOf (path).equalsIgnoreCase (name))
                    return path;

        if (object.isMainApplication)
        {
            const auto second = dropZip (childPath (entry.installLocation, relative));

            if (second.isNotEmpty() && juce::File (second).exists())
                return second;
        }

        return candidate;
    }
}
