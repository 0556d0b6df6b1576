#include "Elevation.h"
#include "Platform.h"

namespace CorvoAudio
{
    bool isRunningAsAdmin()
    {
        return platform::seam().isRunningAsAdmin();
    }

    void relaunchElevated (const juce::String& arguments, std::function<void (ElevationOutcome)> callback)
    {
        if (isRunningAsAdmin())
            return;

        const auto executable = platform::getExecutablePath();

        if (executable.isEmpty())
            return;

        const auto result = platform::seam().launchElevated (executable, arguments);

        if (result.started)
        {
            callback ({ ElevationOutcome::started, 0 });
            platform::seam().quitApplication();
            return;
        }

        // Declined or failed, the user hears it from the callback; what happens next is the
        // caller's to decide.
        callback ({ result.errorCode == platform::errorCancelled ? ElevationOutcome::declined : ElevationOutcome::failed,
                    result.errorCode });
    }
}
