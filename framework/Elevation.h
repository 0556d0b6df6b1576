#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace CorvoAudio
{
    /** True when the process runs with administrator rights. */
    bool isRunningAsAdmin();

    /** How a request for administrator rights ended. */
    struct ElevationOutcome
    {
        enum Kind { started, declined, failed };

        Kind kind = failed;
        unsigned long errorCode = 0;   // the system's code of a failure
    };

    /** Starts this executable again with administrator rights and the given arguments. The
        callback hears how that went; once the elevated copy has started, this instance quits.
        Nothing happens when the process is already elevated or its own path is unknown. */
    void relaunchElevated (const juce::String& arguments, std::function<void (ElevationOutcome)> callback);
}
