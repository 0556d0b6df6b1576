#pragma once

#include <functional>

namespace CorvoAudio
{
    /** True when the process runs with administrator rights. */
    bool isRunningAsAdmin();

    /** Starts this executable again with administrator rights and no arguments. The callback hears
        whether the elevated copy started; this instance then quits, and it also quits when the user
        declined the prompt. Nothing happens when the process is already elevated or its own path
        is unknown. */
    void relaunchElevated (std::function<void (bool)> callback);
}
