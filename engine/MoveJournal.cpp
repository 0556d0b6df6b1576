#include "MoveJournal.h"
#include "Pauses.h"
#include "Platform.h"

namespace CorvoAudio
{
    juce::Result FileSteps::move (const juce::File& from, const juce::File& to)
    {
        // A virus scanner looks at what was just unpacked, and holds it for a moment.
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) pauses::moveRetryFor;

        for (;;)
        {
            unsigned long error = 0;
            const auto result = platform::movePath (from, to, &error);
            const auto held = error == platform::errorSharingViolation || error == platform::errorLockViolation
                           || error == platform::errorAccessDenied;

            if (result.wasOk() || ! held || juce::Time::getMillisecondCounter() >= end)
                return result;

            juce::Thread::sleep (pauses::moveRetryStep);
        }
    }

    bool FileSteps::remove (const juce::File& path)                                { return platform::deletePath (path); }
    bool FileSteps::removeAtRestart (const juce::File& path)                       { return platform::removeAtRestart (path); }
    bool FileSteps::createPrivateFolder (const juce::File& folder)                 { return platform::createAdminOnlyFolder (folder); }
    bool FileSteps::takeRightsOfFolder (const juce::File& path)                    { return platform::inheritAccessFromParent (path); }

    juce::Result FileSteps::createFolder (const juce::File& folder)
    {
        return platform::createFolders (folder);
    }

    bool FileSteps::removeEmptyFolder (const juce::File& folder)
    {
        if (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories) != 0)
            return false;

        // Windows refuses to remove a read-only folder; the installation marks bundles so.
        platform::deletePath (folder);
        return ! folder.exists();
    }

    juce::Result MoveJournal::move (const juce::File& from, const juce::File& to)
    {
        const auto mark = steps.size();
        const auto result = moveOrSplit (from, to);

        if (result.failed())
            if (const auto left = undoTo (mark); ! left.isEmpty())
                return juce::Result::fail (result.getErrorMessage() + ". It could not all be put back: " + left.joinIntoString (". "));

        return result;
    }

    juce::Result MoveJournal::moveOrSplit (const juce::File& from, const juce::File& to)
    {
        const auto whole = files.move (from, to);

        if (whole.wasOk())
        {
            steps.push_back ({ Step::Kind::moved, from, to });
            return whole;
        }

        const auto attributes = platform::getFileAttributes (from);

        if (! attributes.directory || attributes.reparsePoint)
            return whole;

        // Windows refuses to rename a folder while a file below it is open, and lets the file
        // itself be renamed: the folder goes over one entry at a time.
        if (const auto created = files.createFolder (to); created.failed())
            return whole;

        steps.push_back ({ Step::Kind::createdFolder, {}, to });

        for (const auto& child : from.findChildFiles (juce::File::findFilesAndDirectories, false, "*", juce::File::FollowSymlinks::no))
            if (const auto moved = moveOrSplit (child, to.getChildFile (child.getFileName())); moved.failed())
                return moved;

        if (! files.removeEmptyFolder (from))
            return juce::Result::fail ("Failed to move " + from.getFullPathName() + " to " + to.getFullPathName()
                                       + ": the folder cannot be removed once empty");

        steps.push_back ({ Step::Kind::removedFolder, from, {} });
        return juce::Result::ok();
    }

    juce::Result MoveJournal::moveBack (const juce::File& from, const juce::File& to)
    {
        const auto whole = files.move (from, to);
        const auto attributes = platform::getFileAttributes (from);

        if (whole.wasOk() || ! attributes.directory || attributes.reparsePoint)
            return whole;

        // Put back one entry at a time, as it may have come.
        if (files.createFolder (to).failed())
            return whole;

        juce::Result result = juce::Result::ok();

        for (const auto& child : from.findChildFiles (juce::File::findFilesAndDirectories, false, "*", juce::File::FollowSymlinks::no))
            if (const auto back = moveBack (child, to.getChildFile (child.getFileName())); back.failed() && result.wasOk())
                result = back;

        if (result.wasOk() && ! files.removeEmptyFolder (from))
            result = juce::Result::fail ("Failed to remove the folder " + from.getFullPathName());

        // Nothing came back: no empty folder is left where the bundle was.
        if (result.failed() && to.getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0)
            files.removeEmptyFolder (to);

        return result;
    }

    juce::Result MoveJournal::createFolders (const juce::File& folder, juce::Array<juce::File>& created)
    {
        juce::Array<juce::File> missing;

        for (auto f = folder; f.getFullPathName().isNotEmpty() && ! f.exists() && f.getParentDirectory() != f; f = f.getParentDirectory())
            missing.insert (0, f);

        for (const auto& f : missing)
        {
            if (const auto result = files.createFolder (f); result.failed())
                return result;

            steps.push_back ({ Step::Kind::createdFolder, {}, f });
            created.add (f);
        }

        return juce::Result::ok();
    }

    juce::StringArray MoveJournal::undo()
    {
        return undoTo (0);
    }

    juce::StringArray MoveJournal::undoTo (size_t mark)
    {
        juce::StringArray left;

        while (steps.size() > mark)
        {
            const auto step = steps.back();
            steps.pop_back();

            switch (step.kind)
            {
                case Step::Kind::moved:
                    if (const auto back = moveBack (step.to, step.from); back.failed())
                        left.add (back.getErrorMessage());
                    break;

                case Step::Kind::createdFolder:
                    if (! files.removeEmptyFolder (step.to))
                        left.add ("Failed to remove the folder " + step.to.getFullPathName());
                    break;

                case Step::Kind::removedFolder:
                    if (const auto made = files.createFolder (step.from); made.failed())
                        left.add (made.getErrorMessage());
                    break;
            }
        }

        return left;
    }
}
