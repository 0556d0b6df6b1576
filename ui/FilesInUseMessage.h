#pragma once

#include "FilesInUse.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

namespace Installer
{
    /** What the wizard tells the user when files it must replace or remove are in use: the programs
        that hold them, or the files where Windows names no program. */
    juce::String filesInUseMessage (const juce::String& appName, const std::vector<CorvoAudio::FileInUse>& files, bool uninstall);

    /** The message box with "Retry" (result 1, the Return key) and "Cancel" (result 0, Escape). */
    std::unique_ptr<juce::AlertWindow> createFilesInUseAlert (const juce::String& appName,
                                                              const std::vector<CorvoAudio::FileInUse>& files, bool uninstall);

    /** The title of that message box. */
    inline const char* const filesInUseTitle = "Files in use";
}
