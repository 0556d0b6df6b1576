#pragma once

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** Where a crash's stack backtrace is written. */
    juce::File crashLogFile();

    /** Replaces the crash log with the text, line ends as CR LF. */
    void writeCrashLog (const juce::String& backtrace);

    /** Registered as the process's crash handler: writes the current stack to the crash log. */
    void crashHandler (void* exceptionInfo);
}
