#include "WorkFolders.h"
#include "FilesInUse.h"
#include "PathText.h"
#include "Platform.h"

#include <algorithm>

namespace CorvoAudio
{
    namespace
    {
        const char* const rootName = "Installer Work";

        juce::String runPrefix (const juce::String& productId)
        {
            return "{" + productId + "}-";
        }

        juce::String volumeKey (const juce::File& volume)
        {
            return volume.getFullPathName().toLowerCase();
        }

        void removeRootIfEmpty (const juce::File& root)
        {
            if (root.isDirectory() && root.getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0)
                platform::deletePath (root);
        }
    }

    WorkFolders::WorkFolders (const juce::String& id, FileSteps& steps)
        : productId (id), files (steps)
    {
    }

    WorkFolders::~WorkFolders()
    {
        for (const auto& [volume, folder] : runFolders)
        {
            juce::ignoreUnused (volume);

            if (! files.remove (folder))
                files.removeAtRestart (folder);   // after what it holds, which is already listed

            removeRootIfEmpty (folder.getParentDirectory());
        }
    }

    juce::File WorkFolders::rootOn (const juce::File& volume)
    {
        const auto programData = platform::getFolder (platform::Folder::commonAppData);

        if (programData != juce::File() && samePath (platform::volumeOf (programData), volume))
            return programData.getChildFile (rootName);

        return volume.getChildFile (rootName);
    }

    juce::Result WorkFolders::runFolderOn (const juce::File& near, juce::File& folder)
    {
        const auto volume = platform::volumeOf (near);

        if (volume == juce::File())
            return juce::Result::fail ("The volume of " + near.getFullPathName() + " cannot be found");

        if (const auto known = runFolders.find (volumeKey (volume)); known != runFolders.end())
        {
            folder = known->second;
            return juce::Result::ok();
        }

        const auto root = rootOn (volume);

        if (! root.isDirectory())
        {
            if (const auto created = root.createDirectory(); created.failed())
                return juce::Result::fail ("Failed to create folder " + root.getFullPathName() + ": " + created.getErrorMessage());

            platform::addFileAttributes (root, true, false);
        }

        // A name nobody could have prepared, in a folder that only administrators may change from
        // the moment it exists: nothing unpacked there can be swapped by another user before it
        // is moved into place (and, for a program, run elevated).
        const auto candidate = root.getChildFile (runPrefix (productId) + juce::Uuid().toString().substring (0, 12));

        if (! platform::createAdminOnlyFolder (candidate))
            return juce::Result::fail ("Failed to create folder " + candidate.getFullPathName());

        runFolders[volumeKey (volume)] = candidate;
        folder = candidate;
        return juce::Result::ok();
    }

    juce::Result WorkFolders::asidePathNear (const juce::File& near, juce::File& path)
    {
        juce::File run;

        if (const auto result = runFolderOn (near, run); result.failed())
            return result;

        path = run.getChildFile (juce::String (++counter));
        return juce::Result::ok();
    }

    juce::Result WorkFolders::newFolderNear (const juce::File& near, juce::File& folder)
    {
        if (const auto result = asidePathNear (near, folder); result.failed())
            return result;

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
        juce::Array<juce::File> roots;

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
                roots.addIfNotAlreadyThere (rootOn (volume));
        }

        for (const auto& root : roots)
        {
            if (! root.isDirectory())
                continue;

            // A module still loaded stays until the restart it is listed for.
            for (const auto& child : root.findChildFiles (juce::File::findDirectories, false, runPrefix (productId) + "*",
                                                          juce::File::FollowSymlinks::no))
                platform::deletePath (child);

            removeRootIfEmpty (root);
        }
    }
}
