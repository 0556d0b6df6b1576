#pragma once

#include "Platform.h"

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** The part of a Windows path from its last "." on, when that "." follows the last "\\";
        otherwise empty. */
    inline juce::String extensionOf (const juce::String& path)
    {
        const auto dot = path.lastIndexOfChar ('.');
        return dot > path.lastIndexOfChar ('\\') ? path.substring (dot) : juce::String();
    }

    /** True when two paths name the same place as Windows compares them (platform::isSamePath). */
    inline bool samePath (const juce::File& a, const juce::File& b)
    {
        return platform::isSamePath (a.getFullPathName(), b.getFullPathName());
    }
}
