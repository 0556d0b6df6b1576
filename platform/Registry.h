#pragma once

#include <juce_core/juce_core.h>

/** Machine-wide registry access (HKEY_LOCAL_MACHINE), one call per key operation. Key paths are
    taken literally, without any registry view flag. Results are Windows error codes, 0 for
    success. */
namespace platform::registry
{
    /** Creates the key, or opens it if it exists, with write access. */
    long createKey (const juce::String& keyPath);

    /** Opens the key with full access and sets one REG_SZ value. */
    long setString (const juce::String& keyPath, const juce::String& valueName, const juce::String& text);

    /** Opens the key with full access and sets one REG_DWORD value. */
    long setDword (const juce::String& keyPath, const juce::String& valueName, juce::uint32 number);

    /** Deletes one value; deleting a value that is not there succeeds. */
    long deleteValue (const juce::String& keyPath, const juce::String& valueName);

    struct ReadResult
    {
        long error = 0;
        juce::String text;
    };

    /** Reads one REG_SZ value; a value of another type fails. */
    ReadResult readString (const juce::String& keyPath, const juce::String& valueName);

    struct DwordResult
    {
        long error = 0;
        juce::uint32 number = 0;
    };

    /** Reads one REG_DWORD value; a value of another type fails. */
    DwordResult readDword (const juce::String& keyPath, const juce::String& valueName);

    /** Deletes a key that has no subkeys. */
    long deleteKey (const juce::String& keyPath);

    /** Opens the key for reading and closes it again: tells whether it exists and can be read. */
    long probeKey (const juce::String& keyPath);

    /** The name of the key's first subkey, or an error (ERROR_NO_MORE_ITEMS when there is none). */
    ReadResult firstSubkey (const juce::String& keyPath);

    constexpr long errorFileNotFound = 2;
    constexpr long errorNoMoreItems = 259;
}
