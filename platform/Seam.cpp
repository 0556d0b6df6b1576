#include "Platform.h"

#include <juce_events/juce_events.h>

#include <cstdio>
#include <cstdlib>

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
        const auto utf8 = line.toStdString();
        std::fwrite (utf8.data(), 1, utf8.size(), stdout);
        std::fputc ('\n', stdout);
        std::fflush (stdout);
    }
}
