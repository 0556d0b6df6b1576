#pragma once

#include "Platform.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace CorvoAudio
{
    /** A file that another program holds, and the programs Windows names for it (each as
        "<name> (process <id>)"; none where it cannot tell). */
    struct FileInUse
    {
        juce::File file;
        juce::StringArray programs;
    };

    /** What the system says about files in use, so that a test can stand in for it. */
    struct FileUseProbe
    {
        virtual ~FileUseProbe() = default;

        /** True while another program holds the file (platform::isFileHeld). */
        virtual bool isHeld (const juce::File& file);

        /** The programs using any of the files (platform::programsUsingAny). */
        virtual std::vector<platform::ProcessInfo> programsUsing (const juce::Array<juce::File>& files);
    };

    /** Every file at or below the paths: a folder's files, however deep; a link is taken as itself,
        never followed. */
    juce::Array<juce::File> filesBelow (const juce::Array<juce::File>& paths);

    /** The same with the folders too, each before what it holds. */
    juce::Array<juce::File> pathsBelow (const juce::Array<juce::File>& paths);

    /** The files and folders at or below paths that another program holds, with the programs the
        system names for the files. A hold is looked at again, for up to retryForMs, before it
        counts: a virus scanner or the search indexer lets go within moments. A stop request of
        the thread (when given) ends the looking early. except, when given, and the folders that
        hold it are not looked at (the running program and the folder it stands in). */
    std::vector<FileInUse> findFilesInUse (const juce::Array<juce::File>& paths, FileUseProbe& probe,
                                           int retryForMs, int stepMs, juce::Thread* thread,
                                           const juce::File& except = {});

    /** "<path> is in use by <program> (process <id>)", or "<path> is in use" where no program is known. */
    juce::String inUseLine (const FileInUse& file);

    /** The line that follows the list of files in use. */
    inline const char* const closeProgramsLine = "Close these programs and run the installer again.";
}
