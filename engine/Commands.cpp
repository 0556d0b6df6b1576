#include "Commands.h"

namespace CorvoAudio
{
    juce::String runCommand (const juce::String& commandLine, juce::Thread* process,
                             std::function<void (const juce::String&)> onLine)
    {
        const auto stopRequested = [process] { return process != nullptr && process->threadShouldExit(); };

        juce::ChildProcess child;

        if (! child.start (commandLine))
            return "Error starting command: " + commandLine;

        juce::MemoryBlock line;
        juce::String last;

        while (child.isRunning() && ! stopRequested())
        {
            char buffer[8];
            const auto count = child.readProcessOutput (buffer, (int) sizeof (buffer));

            // Bytes are collected raw, so a UTF-8 character split over two reads arrives whole.
            for (int i = 0; i < count && ! stopRequested(); ++i)
            {
                line.append (buffer + i, 1);

                if (buffer[i] == '\n' || buffer[i] == '\r')
                {
                    last = juce::String::fromUTF8 (static_cast<const char*> (line.getData()), (int) line.getSize());
                    onLine (last);
                    line.reset();
                }
            }
        }

        return last;
    }

    juce::File startMenuProgramsFolder()
    {
        return juce::File ("C:/ProgramData/Microsoft/Windows/Start Menu/Programs");
    }

    bool addStartMenuLink (const juce::File& target, const juce::String& folderName,
                           std::function<void (const juce::String&)> log)
    {
        const auto base = startMenuProgramsFolder();

        if (base.getFullPathName().isEmpty() || ! base.exists())
        {
            log ("Startmenu folder does not exist...");
            return false;
        }

        const auto folder = base.getChildFile (folderName);

        if (folder.getFullPathName().isEmpty() || ! folder.exists())
            folder.createDirectory();

        const auto link = startMenuLinkFor (target.getFullPathName(), folderName);
        return target.createShortcut (link.getFileNameWithoutExtension(), link);
    }

    juce::File startMenuLinkFor (const juce::String& targetPath, const juce::String& folderName)
    {
        const auto fileName = targetPath.replaceCharacter ('/', '\\').fromLastOccurrenceOf ("\\", false, false);
        const auto name = fileName.containsChar ('.') ? fileName.upToLastOccurrenceOf (".", false, false) : fileName;
        return startMenuProgramsFolder().getChildFile (folderName).getChildFile (name + ".lnk");
    }
}
