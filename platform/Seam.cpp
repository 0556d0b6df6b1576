#include "Platform.h"

#include <juce_events/juce_events.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <share.h>
#include <cstdlib>
#include <mutex>

namespace platform
{
    bool realIsRunningAsAdmin();
    LaunchResult realLaunchElevated (const juce::String& executablePath, const juce::String& parameters);

    namespace
    {
        class RealSeam final : public Seam
        {
        public:
            bool isRunningAsAdmin() override                                { return realIsRunningAsAdmin(); }
            LaunchResult launchElevated (const juce::String& path, const juce::String& parameters) override
            {
                return realLaunchElevated (path, parameters);
            }

            void quitApplication() override                                 { juce::JUCEApplicationBase::quit(); }

            void terminateProcess (int exitCode) override
            {
                juce::JUCEApplicationBase::appWillTerminateByForce();
                std::fflush (stdout);
                std::exit (exitCode);
            }
        };

        RealSeam realSeam;
        Seam* current = nullptr;
    }

    Seam& seam()                        { return current != nullptr ? *current : realSeam; }
    void setSeam (Seam* replacement)    { current = replacement; }

    namespace
    {
        std::mutex outputMutex;
        std::FILE* log = nullptr;
        juce::File logPath;
    }

    juce::Result openLogFile (const juce::File& file)
    {
        if (const auto folder = createFolders (file.getParentDirectory()); folder.failed())
            return juce::Result::fail ("The log file " + file.getFullPathName() + " cannot be written: " + folder.getErrorMessage());

        // Appending, with reading and writing shared: each write lands at the end, whoever else appends.
        auto* opened = _wfsopen (file.getFullPathName().toWideCharPointer(), L"ab", _SH_DENYNO);

        if (opened == nullptr)
            return juce::Result::fail ("The log file " + file.getFullPathName() + " cannot be written: "
                                       + juce::String (std::strerror (errno)));

        const std::lock_guard<std::mutex> lock (outputMutex);

        if (log != nullptr)
            std::fclose (log);

        log = opened;
        logPath = file;
        return juce::Result::ok();
    }

    juce::File logFile()
    {
        const std::lock_guard<std::mutex> lock (outputMutex);
        return logPath;
    }

    void closeLogFile()
    {
        const std::lock_guard<std::mutex> lock (outputMutex);

        if (log != nullptr)
            std::fclose (log);

        log = nullptr;
        logPath = juce::File();
    }

    void writeLine (const juce::String& line)
    {
        // One write under one lock: the worker's registry messages and the message thread's log
        // lines never interleave within a line.
        const auto utf8 = (line + "\n").toStdString();

        const std::lock_guard<std::mutex> lock (outputMutex);

        if (log != nullptr)
        {
            const auto text = (line.replace ("\r\n", "\n").replace ("\n", "\r\n") + "\r\n").toStdString();
            std::fwrite (text.data(), 1, text.size(), log);
            std::fflush (log);
        }

        std::fflush (stdout);

        if (writeToConsole (line + "\n"))
            return;

        std::fwrite (utf8.data(), 1, utf8.size(), stdout);
        std::fflush (stdout);
    }
}
