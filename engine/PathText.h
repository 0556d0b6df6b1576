#pragma once

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

    /** True when two paths name the same place as Windows compares them: ignoring letter case. */
    inline bool samePath (const juce::File& a, const juce::File& b)
    {
        return a.getFullPathName().equalsIgnoreCase (b.getFullPathName());
    }
}
