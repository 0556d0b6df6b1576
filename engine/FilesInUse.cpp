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
        void addFilesBelow (const juce::File& path, juce::Array<juce::File>& files)
        {
            const auto attributes = platform::getFileAttributes (path);

            if (! attributes.exists)
                return;

            if (! attributes.directory || attributes.reparsePoint)
            {
                files.add (path);
                return;
            }

            for (const auto& child : path.findChildFiles (juce::File::findFilesAndDirectories,
                                                          false, "*", juce::File::FollowSymlinks::no))
                addFilesBelow (child, files);
        }

        juce::String programText (const platform::ProcessInfo& program)
        {
            return program.name + " (process " + juce::String ((juce::uint64) program.id) + ")";
        }

        /** Which of the files the Restart Manager names programs for: all of them are asked at once,
            and only a group it names something for is split further, so that a long list of free
            files costs one question. */
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
            if (path.getFullPathName().isNotEmpty())
                addFilesBelow (path, files);

        return files;
    }

    std::vector<FileInUse> findFilesInUse (const juce::Array<juce::File>& paths, FileUseProbe& probe,
                                           int retryForMs, int stepMs, juce::Thread* thread)
    {
        auto candidates = filesBelow (paths);
        const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, retryForMs);

        for (;;)
        {
            std::map<juce::String, juce::StringArray> programs;
            attributePrograms (candidates, probe, programs);

            std::vector<FileInUse> inUse;
            juce::Array<juce::File> stillHeld;

            for (const auto& file : candidates)
            {
                const auto named = programs.find (file.getFullPathName());

                if (named != programs.end() || probe.isHeld (file))
                {
                    inUse.push_back ({ file, named != programs.end() ? named->second : juce::StringArray() });
                    stillHeld.add (file);
                }
            }

            const auto stopped = thread != nullptr && thread->threadShouldExit();

            if (inUse.empty() || stopped || juce::Time::getMillisecondCounter() >= deadline)
                return inUse;

            // Only what was held is looked at again: the rest was free a moment ago.
            candidates = stillHeld;

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
