#pragma once

#include <juce_core/juce_core.h>

#include <string>

namespace platform
{
    /** A path as the Win32 file functions take it beyond 260 characters: "\\?\" before a full
        local path, "\\?\UNC\" for a share's; shorter and other paths as they are. The paths given
        are full and normalised (juce::File's), as that form requires. */
    inline std::wstring win32Path (const juce::String& path)
    {
        auto text = path.replaceCharacter ('/', '\\');

        if (text.length() >= 248 && ! text.startsWith ("\\\\?\\"))
        {
            if (text.length() > 2 && juce::CharacterFunctions::isLetter (text[0]) && text[1] == ':' && text[2] == '\\')
                text = "\\\\?\\" + text;
            else if (text.startsWith ("\\\\"))
                text = "\\\\?\\UNC\\" + text.substring (2);
        }

        return text.toWideCharPointer();
    }

    inline std::wstring win32Path (const juce::File& file)
    {
        return win32Path (file.getFullPathName());
    }
}
