#include "CrashLog.h"
#include "Platform.h"

namespace CorvoAudio
{
    juce::File crashLogFile()
    {
        auto appData = platform::getFolder (platform::Folder::userAppData);

        // Without the roaming folder a crash still leaves its trace somewhere the user can find.
        if (appData == juce::File())
            appData = juce::File::getSpecialLocation (juce::File::tempDirectory);

        return appData.getChildFile ("Application Support")
                      .getChildFile ("Corvo Audio")
                      .getChildFile ("CrashLogs")
                      .getChildFile ("Installer Crash.log");
    }

    void writeCrashLog (const juce::String& backtrace)
    {
        const auto file = crashLogFile();

        if (file.exists())
            file.deleteFile();

        file.getParentDirectory().createDirectory();
        file.replaceWithText (backtrace, false, false, "\r\n");
    }

    void crashHandler (void*)
    {
        writeCrashLog (juce::SystemStats::getStackBacktrace());
    }
}
