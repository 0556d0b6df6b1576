#include "PendingChoices.h"
#include "Identifiers.h"
#include "ObjectRules.h"
#include "UninstallPlan.h"

namespace CorvoAudio
{
    namespace
    {
        juce::ValueTree storedObject (const juce::ValueTree& storedCopy, const juce::String& objectPath)
        {
            for (const auto& object : storedCopy.getChildWithName (Ids::Objects))
                if (object.getProperty (Ids::objectPath).toString() == objectPath)
                    return object;

            return {};
        }
    }

    PendingChoices PendingChoices::takeFrom (const juce::ValueTree& storedCopy, const ManifestProperties& embedded)
    {
        const juce::ScopedLock lock (manifestLock);

        PendingChoices choices;
        const auto objects = embedded.getObjects();

        // A copy without an object list chose nothing: everything is installed as the manifest says.
        if (! storedCopy.getChildWithName (Ids::Objects).isValid())
            return choices;

        for (const auto& object : objects)
        {
            const auto stored = storedObject (storedCopy, object.objectPath);

            if (! stored.isValid())
            {
                if (object.visible && object.installationOptional)
                    choices.deselected.add (object.objectPath);
                else
                    choices.ignored.add ("the removal of " + object.objectPath + " (it cannot be deselected)");

                continue;
            }

            const auto folder = stored.getProperty (Ids::defaultInstallPath).toString();

            if (folder == object.defaultInstallPath)
                continue;

            if (! object.allowUserPath)
            {
                choices.ignored.add ("the folder " + folder + " for " + object.objectPath + " (it has no user folder)");
                continue;
            }

            if (const auto problem = userFolderProblem (folder); problem.isNotEmpty())
                choices.ignored.add ("the folder for " + object.objectPath + ": " + problem);
            else
                choices.folders[object.objectPath] = folder;
        }

        for (const auto& stored : storedCopy.getChildWithName (Ids::Objects))
        {
            const auto path = stored.getProperty (Ids::objectPath).toString();
            const auto known = std::any_of (objects.begin(), objects.end(),
                                            [&path] (const ManifestObject& o) { return o.objectPath == path; });

            if (! known)
                choices.ignored.add ("the object " + path.quoted() + " (it is not in this installer's manifest)");
        }

        if (storedCopy.hasProperty (Ids::SelectedUninstallOptions))
        {
            juce::StringArray defined, chosen;

            for (const auto& option : CorvoAudio::uninstallOptions (objects))
                defined.add (option.optionId);

            for (const auto& id : splitManifestList (storedCopy.getProperty (Ids::SelectedUninstallOptions).toString()))
            {
                if (defined.contains (id))
                    chosen.addIfNotAlreadyThere (id);
                else
                    choices.ignored.add ("the uninstall option " + id.quoted() + " (this manifest does not define it)");
            }

            choices.uninstallOptions = chosen.joinIntoString (",");
        }

        return choices;
    }

    void PendingChoices::applyTo (juce::ValueTree copy, const ManifestProperties& embedded) const
    {
        const juce::ScopedLock lock (manifestLock);

        // Replaces every property and child of the copy with deep copies of the embedded ones.
        copy.copyPropertiesAndChildrenFrom (embedded.getTree(), nullptr);

        auto list = copy.getChildWithName (Ids::Objects);

        for (int i = list.getNumChildren(); --i >= 0;)
        {
            auto object = list.getChild (i);
            const auto path = object.getProperty (Ids::objectPath).toString();

            if (deselected.contains (path))
                list.removeChild (i, nullptr);
            else if (const auto folder = folders.find (path); folder != folders.end())
                object.setProperty (Ids::defaultInstallPath, folder->second, nullptr);
        }

        if (uninstallOptions.has_value())
            copy.setProperty (Ids::SelectedUninstallOptions, *uninstallOptions, nullptr);
    }

    juce::StringArray PendingChoices::describe() const
    {
        juce::StringArray lines;

        for (const auto& path : deselected)
            lines.add ("Resumed choice: leave out " + path);

        for (const auto& [path, folder] : folders)
            lines.add ("Resumed choice: install " + path + " into " + folder);

        if (uninstallOptions.has_value())
            lines.add ("Resumed choice: uninstall options \"" + *uninstallOptions + "\"");

        for (const auto& what : ignored)
            lines.add ("Ignored from the saved state: " + what);

        return lines;
    }
}
