#include "FilesInUse.h"

#include <map>

namespace CorvoAudio
{
    bool FileUseProbe::isHeld (const juce::File& file)
    {
        return platform::isFileHeld (file);
    }

    std::vector<platform::ProcessInfo> FileUseProbe::programsUsing (const juce::Array<juce::File>& files)
    {
        return platform::programsUsingAny (files);
    }

    namespace
    {
        void addPathsBelow (const juce::File& path, juce::Array<juce::File>& paths, bool withFolders)
        {
            const auto attributes = platform::getFileAttributes (path);

            if (path.getFullPathName().isEmpty() || ! attributes.exists)
                return;

            if (! attributes.directory || attributes.reparsePoint)
            {
                paths.add (path);
                return;
            }

            if (withFolders)
                paths.add (path);

            for (const auto& child : path.findChildFiles (juce::File::findFilesAndDirectories,
                                                          false, "*", juce::File::FollowSymlinks::no))
                addPathsBelow (child, paths, withFolders);
        }

        juce::String programText (const platform::ProcessInfo& program)
        {
            return program.name + " (process " + juce::String ((juce::uint64) program.id) + ")";
        }

        /** Which of the files the Restart Manager names programs for: all of them are asked at once,
            and only a group it names something for is split further. */
        void attributePrograms (const juce::Array<juce::File>& files, FileUseProbe& probe,
                                std::map<juce::String, juce::StringArray>& found)
        {
            if (files.isEmpty())
                return;

            const auto programs = probe.programsUsing (files);

            if (programs.empty())
                return;

            if (files.size() == 1)
            {
                auto& names = found[files.getReference (0).getFullPathName()];

                for (const auto& program : programs)
                    names.addIfNotAlreadyThere (programText (program));

                return;
            }

            const auto half = files.size() / 2;
            juce::Array<juce::File> first, second;
            first.addArray (files, 0, half);
            second.addArray (files, half);
            attributePrograms (first, probe, found);
            attributePrograms (second, probe, found);
        }
    }

    juce::Array<juce::File> filesBelow (const juce::Array<juce::File>& paths)
    {
        juce::Array<juce::File> files;

        for (const auto& path : paths)
            addPathsBelow (path, files, false);

        return files;
    }

    juce::Array<juce::File> pathsBelow (const juce::Array<juce::File>& paths)
    {
        juce::Array<juce::File> all;

        for (const auto& path : paths)
            addPathsBelow (path, all, true);

        return all;
    }

    std::vector<FileInUse> findFilesInUse (const juce::Array<juce::File>& paths, FileUseProbe& probe,
                                           int retryForMs, int stepMs, juce::Thread* thread,
                                           const juce::File& except)
    {
        auto candidates = pathsBelow (paths);

        if (except != juce::File())
            candidates.removeIf ([&except] (const juce::File& path)
            {
                return platform::isSamePath (path.getFullPathName(), except.getFullPathName()) || except.isAChildOf (path);
            });

        const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, retryForMs);

        for (;;)
        {
            juce::Array<juce::File> held;

            for (const auto& path : candidates)
                if (probe.isHeld (path))
                    held.add (path);

            if (held.isEmpty())
                return {};

            const auto stopped = thread != nullptr && thread->threadShouldExit();

            if (stopped || juce::Time::getMillisecondCounter() >= deadline)
            {
                // The holds decide; the Restart Manager only names who holds them, and knows files.
                juce::Array<juce::File> heldFiles;

                for (const auto& path : held)
                    if (! path.isDirectory())
                        heldFiles.add (path);

                std::map<juce::String, juce::StringArray> programs;
                attributePrograms (heldFiles, probe, programs);

                std::vector<FileInUse> inUse;

                for (const auto& path : held)
                {
                    const auto named = programs.find (path.getFullPathName());
                    inUse.push_back ({ path, named != programs.end() ? named->second : juce::StringArray() });
                }

                return inUse;
            }

            // Only what was held is looked at again: the rest was free a moment ago.
            candidates = held;

            if (thread != nullptr)
                thread->wait (stepMs);
            else
                juce::Thread::sleep (stepMs);
        }
    }

    juce::String inUseLine (const FileInUse& file)
    {
        return file.file.getFullPathName() + " is in use"
               + (file.programs.isEmpty() ? juce::String() : " by " + file.programs.joinIntoString (", "));
    }
}
