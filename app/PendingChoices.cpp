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

    PendingChoices PendingChoices::takeFrom (const juce::ValueTree& storedCopy, const ManifestProperties& embedded, bool uninstall)
    {
        const juce::ScopedLock lock (manifestLock);

        PendingChoices choices;
        const auto objects = embedded.getObjects();

        // A copy without an object list chose nothing: everything is installed as the manifest says.
        if (! storedCopy.getChildWithName (Ids::Objects).isValid())
            return choices;

        for (const auto& object : uninstall ? std::vector<ManifestObject>() : objects)
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

    namespace
    {
        juce::String namesOf (const std::vector<ManifestObject>& objects)
        {
            juce::StringArray names;

            for (const auto& object : objects)
                names.add (object.objectName.quoted());

            return names.isEmpty() ? juce::String ("none") : names.joinIntoString (", ");
        }

        const ManifestObject* objectNamed (const std::vector<ManifestObject>& objects, const juce::String& name)
        {
            for (const auto& object : objects)
                if (object.objectName.equalsIgnoreCase (name.trim()))
                    return &object;

            return nullptr;
        }
    }

    PendingChoices PendingChoices::fromCommandLine (const CommandLine& line, const ManifestProperties& embedded,
                                                    bool uninstall, juce::String& problem)
    {
        const juce::ScopedLock lock (manifestLock);

        PendingChoices choices;
        const auto objects = embedded.getObjects();
        std::vector<ManifestObject> components, ownFolder;

        for (const auto& object : objects)
        {
            if (! object.visible)
                continue;

            components.push_back (object);

            if (object.allowUserPath)
                ownFolder.push_back (object);
        }

        const auto fail = [&problem] (const juce::String& text)
        {
            if (problem.isEmpty())
                problem = text;
        };

        if (uninstall && (line.components.has_value() || line.folder.has_value() || ! line.folderOf.empty()))
            fail ("--components and --dir choose what an installation installs where; an uninstall removes what was "
                  "installed (--uninstall-options chooses what else it removes).");

        if (! uninstall && line.uninstallOptions.has_value())
            fail ("--uninstall-options belongs to --uninstall.");

        if (line.components.has_value())
        {
            choices.componentsChosen = true;

            for (const auto& name : *line.components)
                if (objectNamed (components, name) == nullptr)
                    fail ("There is no component " + name.quoted() + " in this installer; its components are "
                          + namesOf (components) + ".");

            for (const auto& object : components)
                if (object.installationOptional && ! line.components->contains (object.objectName, true))
                    choices.deselected.add (object.objectPath);

            if (! leavesSomethingToInstall (objects, choices.deselected))
                fail ("--components leaves nothing to install; its components are " + namesOf (components) + ".");
        }

        const auto chooseFolder = [&] (const ManifestObject& object, const juce::String& folder, const juce::String& option)
        {
            if (const auto refused = userFolderProblem (folder); refused.isNotEmpty())
                fail ("The folder of " + option + " cannot be used: " + refused + ".");
            else
                choices.folders[object.objectPath] = folder.replaceCharacter ('/', '\\');
        };

        if (line.folder.has_value())
        {
            if (ownFolder.empty())
                fail ("No component of " + embedded.getAppName() + " can be installed into a folder of your choice (--dir).");

            for (const auto& object : ownFolder)
                chooseFolder (object, *line.folder, "--dir");
        }

        for (const auto& [name, folder] : line.folderOf)
        {
            if (const auto* object = objectNamed (ownFolder, name))
                chooseFolder (*object, folder, "--dir:" + name);
            else
                fail ("--dir:" + name + " names no component whose folder may be chosen; those are " + namesOf (ownFolder) + ".");
        }

        if (line.uninstallOptions.has_value())
        {
            juce::StringArray defined, chosen;

            for (const auto& option : CorvoAudio::uninstallOptions (objects))
                defined.add (option.optionId);

            for (const auto& id : *line.uninstallOptions)
            {
                if (! defined.contains (id))
                    fail ("There is no uninstall option " + id.quoted() + "; the options are "
                          + (defined.isEmpty() ? juce::String ("none") : defined.joinIntoString (", ")) + ".");

                chosen.addIfNotAlreadyThere (id);
            }

            choices.uninstallOptions = chosen.joinIntoString (",");
        }

        if (problem.isNotEmpty())
            return {};

        return choices;
    }

    void PendingChoices::addTo (CommandLine& line, const ManifestProperties& embedded, bool uninstall) const
    {
        const juce::ScopedLock lock (manifestLock);
        const auto objects = embedded.getObjects();

        if (uninstall)
        {
            if (uninstallOptions.has_value() && ! CorvoAudio::uninstallOptions (objects).empty())
                line.uninstallOptions = splitManifestList (*uninstallOptions);

            return;
        }

        juce::StringArray names;

        for (const auto& object : objects)
        {
            if (! object.visible)
                continue;

            if (! deselected.contains (object.objectPath))
                names.add (object.objectName);

            if (const auto folder = folders.find (object.objectPath); folder != folders.end())
                line.folderOf[object.objectName] = folder->second;
        }

        line.components = names;
    }

    juce::ValueTree PendingChoices::asDefaults (const ManifestProperties& embedded) const
    {
        const juce::ScopedLock lock (manifestLock);

        auto tree = embedded.getTree().createCopy();
        juce::StringArray options;

        if (uninstallOptions.has_value())
            options = splitManifestList (*uninstallOptions);

        for (auto object : tree.getChildWithName (Ids::Objects))
        {
            const auto path = object.getProperty (Ids::objectPath).toString();

            if (componentsChosen && manifestBool (object.getProperty (Ids::visible)))
                object.setProperty (Ids::defaultSelection, deselected.contains (path) ? "0" : "1", nullptr);

            if (const auto folder = folders.find (path); folder != folders.end())
                object.setProperty (Ids::defaultInstallPath, folder->second, nullptr);

            if (uninstallOptions.has_value() && object.hasProperty (Ids::uninstallOptionId))
                object.setProperty (Ids::uninstallOptionDefaultSelection,
                                    options.contains (object.getProperty (Ids::uninstallOptionId).toString()) ? "true" : "false", nullptr);
        }

        return tree;
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
