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
}
