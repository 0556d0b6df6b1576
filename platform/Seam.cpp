#include "Platform.h"

#include <juce_events/juce_events.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform
{
    bool realIsRunningAsAdmin();
    LaunchResult realLaunchElevated (const juce::String& executablePath);

    namespace
    {
        class RealSeam final : public Seam
        {
        public:
            bool isRunningAsAdmin() override                                { return realIsRunningAsAdmin(); }
            LaunchResult launchElevated (const juce::String& path) override { return realLaunchElevated (path); }

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

    void writeLine (const juce::String& line)
    {
        // One write under one lock: the worker's registry messages and the message thread's log
        // lines never interleave within a line.
        static std::mutex mutex;
        const auto utf8 = (line + "\n").toStdString();

        const std::lock_guard<std::mutex> lock (mutex);
        std::fflush (stdout);

        if (writeToConsole (line + "\n"))
            return;

        std::fwrite (utf8.data(), 1, utf8.size(), stdout);
        std::fflush (stdout);
    }
}
