#include "Elevation.h"
#include "Platform.h"

namespace CorvoAudio
{
    bool isRunningAsAdmin()
    {
        return platform::seam().isRunningAsAdmin();
    }

    void relaunchElevated (std::function<void (bool)> callback)
    {
        if (isRunningAsAdmin())
            return;

        const auto executable = platform::getExecutablePath();

        if (executable.isEmpty())
            return;

        const auto result = platform::seam().launchElevated (executable);

        if (result.started)
        {
            callback (true);
            platform::seam().quitApplication();
        }
        else if (result.errorCode == platform::errorCancelled)
        {
            callback (false);
            platform::seam().quitApplication();
        }
        else
        {
            // Any other failure: the user stays on the page they were on and may try again.
            callback (false);
        }
    }
}
