#include "WorkFolders.h"
#include "FilesInUse.h"
#include "PathText.h"
#include "ProtectedFolders.h"

#include <algorithm>

namespace CorvoAudio
{
    namespace
    {
        juce::String runPrefix (const juce::String& productId)
        {
            return ".installer-{" + productId + "}-";
        }

        const char* const markerName = ".running";

        bool isAtOrBelow (const juce::File& path, const juce::File& folder)
        {
            return samePath (path, folder) || path.isAChildOf (folder);
        }

        /** A name a plug-in host loads: the folder that holds it is one that hosts scan. */
        bool isLoadableName (const juce::String& name)
        {
            for (auto* extension : { ".vst3", ".aaxplugin", ".clap", ".dll", ".vst" })
                if (name.endsWithIgnoreCase (extension))
                    return true;

            return false;
        }
    }

    WorkFolders::WorkFolders (const juce::String& id, FileSteps& steps)
        : productId (id), files (steps)
    {
    }

    WorkFolders::~WorkFolders()
    {
        close();
    }

    juce::StringArray WorkFolders::getFolders() const
    {
        juce::StringArray folders;

        for (const auto& [volume, run] : runFolders)
            folders.add (run.folder.getFullPathName());

        return folders;
    }

    void WorkFolders::close()
    {
        if (kept)
            return;

        for (auto& [volume, run] : runFolders)
        {
            juce::ignoreUnused (volume);
            run.marker.reset();

            if (! files.remove (run.folder))
                files.removeAtRestart (run.folder);   // after what it holds, which is listed already
        }

        runFolders.clear();
    }

    juce::File WorkFolders::placeOn (const juce::File& volume)
    {
        const auto programData = platform::getFolder (platform::Folder::commonAppData);

        if (programData != juce::File() && samePath (platform::volumeOf (programData), volume))
            return programData;

        return volume;
    }

    juce::Result WorkFolders::runFolderFor (const juce::File& path, juce::File& folder)
    {
        const auto destination = path.getParentDirectory();
        const auto volume = platform::volumeOf (destination);

        if (volume == juce::File())
            return juce::Result::fail ("The volume of " + destination.getFullPathName() + " cannot be found");

        const auto key = volume.getFullPathName().toLowerCase();

        if (const auto known = runFolders.find (key); known != runFolders.end())
        {
            folder = known->second.folder;
            return juce::Result::ok();
        }

        // A volume mounted at or inside a folder that hosts scan offers no place they do not.
        const auto place = placeOn (volume);
        auto scanned = sharedPluginFolders();

        if (isLoadableName (path.getFileName()))
            scanned.add (destination);

        for (const auto& pluginFolder : scanned)
            if (isAtOrBelow (place, pluginFolder))
                return juce::Result::fail ("The volume of " + destination.getFullPathName() + " has no place outside "
                                           + pluginFolder.getFullPathName() + " to unpack into");

        // A name nobody could have prepared, made where only administrators and the system may use
        // it from the moment it exists (what is moved into place takes its new folder's rights), in a folder in which users cannot rename or delete what is not theirs:
        // nothing unpacked there can be swapped by another user before it is moved into place
        // (and, for a program, run elevated).
        const auto candidate = place.getChildFile (runPrefix (productId) + juce::Uuid().toString().substring (0, 12));

        if (! files.createPrivateFolder (candidate))
            return juce::Result::fail ("Failed to create folder " + candidate.getFullPathName());

        platform::addFileAttributes (candidate, true, false);

        // Another session's run of this product sees by it that this one is still going.
        auto& run = runFolders[key];
        run.folder = candidate;
        run.marker = std::make_unique<platform::LifetimeMarker> (candidate.getChildFile (markerName));
        folder = candidate;
        return juce::Result::ok();
    }

    juce::Result WorkFolders::asidePathFor (const juce::File& path, juce::File& aside)
    {
        juce::File run;

        if (const auto result = runFolderFor (path, run); result.failed())
            return result;

        aside = run.getChildFile (juce::String (++counter));
        return juce::Result::ok();
    }

    juce::Result WorkFolders::newFolderFor (const juce::File& installed, juce::File& folder)
    {
        juce::File run;

        if (const auto result = runFolderFor (installed, run); result.failed())
            return result;

        folder = run.getChildFile (juce::String (++counter));
        return files.createFolder (folder);
    }

    juce::Array<juce::File> WorkFolders::dispose (const juce::File& aside)
    {
        if (files.remove (aside))
            return {};

        // What is left is held: files first, then their folders from the deepest, which Windows
        // removes in the order they were listed once the files are gone.
        juce::Array<juce::File> left = filesBelow ({ aside });
        juce::Array<juce::File> folders;

        for (const auto& folder : aside.findChildFiles (juce::File::findDirectories, true, "*", juce::File::FollowSymlinks::no))
            folders.add (folder);

        folders.sort();
        std::reverse (folders.begin(), folders.end());
        left.addArray (folders);
        left.add (aside);

        juce::Array<juce::File> listed;

        for (const auto& path : left)
            if (files.removeAtRestart (path))
                listed.add (path);

        waitingForRestart.addArray (listed);
        return listed;
    }

    void WorkFolders::removeLeftovers (const juce::String& productId, const juce::Array<juce::File>& destinations)
    {
        juce::Array<juce::File> places;

        for (const auto& destination : destinations)
        {
            if (destination.getFullPathName().isEmpty())
                continue;

            // Earlier versions unpacked beside the destination itself.
            if (destination.isDirectory())
                for (const auto& child : destination.findChildFiles (juce::File::findDirectories, false, ".installing-" + productId + "-*",
                                                                     juce::File::FollowSymlinks::no))
                    platform::deletePath (child);

            if (const auto volume = platform::volumeOf (destination); volume != juce::File())
                places.addIfNotAlreadyThere (placeOn (volume));
        }

        for (const auto& place : places)
        {
            if (! place.isDirectory())
                continue;

            // A run that is still going holds its marker; a module still loaded stays until the
            // restart it is listed for.
            for (const auto& child : place.findChildFiles (juce::File::findDirectories, false, runPrefix (productId) + "*",
                                                           juce::File::FollowSymlinks::no))
                if (! child.getChildFile (markerName).exists())
                    platform::deletePath (child);
        }
    }
}
