#include "Registry.h"

#include <windows.h>

#include <vector>

namespace platform::registry
{
    namespace
    {
        struct Key
        {
            HKEY handle = nullptr;
            ~Key() { if (handle != nullptr) RegCloseKey (handle); }
        };

        long open (const juce::String& keyPath, REGSAM access, Key& key)
        {
            return RegOpenKeyExW (HKEY_LOCAL_MACHINE, keyPath.toWideCharPointer(), 0, access, &key.handle);
        }
    }

    long createKey (const juce::String& keyPath)
    {
        Key key;
        return RegCreateKeyExW (HKEY_LOCAL_MACHINE, keyPath.toWideCharPointer(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key.handle, nullptr);
    }

    long setString (const juce::String& keyPath, const juce::String& valueName, const juce::String& text)
    {
        Key key;

        if (const auto error = open (keyPath, KEY_ALL_ACCESS, key); error != ERROR_SUCCESS)
            return error;

        if (key.handle == nullptr)
            return ERROR_INVALID_HANDLE;

        const std::wstring wide (text.toWideCharPointer());
        const auto bytes = (DWORD) ((wide.size() + 1) * sizeof (WCHAR));

        return RegSetValueExW (key.handle, valueName.toWideCharPointer(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*> (wide.c_str()), bytes);
    }

    long setDword (const juce::String& keyPath, const juce::String& valueName, juce::uint32 number)
    {
        Key key;

        if (const auto error = open (keyPath, KEY_ALL_ACCESS, key); error != ERROR_SUCCESS)
            return error;

        const DWORD value = number;
        return RegSetValueExW (key.handle, valueName.toWideCharPointer(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*> (&value), sizeof (value));
    }

    long deleteValue (const juce::String& keyPath, const juce::String& valueName)
    {
        Key key;

        if (const auto error = open (keyPath, KEY_SET_VALUE, key); error != ERROR_SUCCESS)
            return error;

        const auto error = RegDeleteValueW (key.handle, valueName.toWideCharPointer());
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }

    DwordResult readDword (const juce::String& keyPath, const juce::String& valueName)
    {
        DWORD value = 0, size = sizeof (value);
        const auto error = RegGetValueW (HKEY_LOCAL_MACHINE, keyPath.toWideCharPointer(), valueName.toWideCharPointer(),
                                         RRF_RT_REG_DWORD, nullptr, &value, &size);
        return { error, error == ERROR_SUCCESS ? (juce::uint32) value : 0u };
    }

    ReadResult readString (const juce::String& keyPath, const juce::String& valueName)
    {
        std::vector<WCHAR> buffer (4095);

        for (;;)
        {
            auto size = (DWORD) (buffer.size() * sizeof (WCHAR));
            const auto error = RegGetValueW (HKEY_LOCAL_MACHINE, keyPath.toWideCharPointer(),
                                             valueName.toWideCharPointer(), RRF_RT_REG_SZ,
                                             nullptr, buffer.data(), &size);

            if (error == ERROR_MORE_DATA)
            {
                buffer.resize (size / sizeof (WCHAR) + 1);
                continue;
            }

            if (error != ERROR_SUCCESS)
                return { error, {} };

            return { 0, juce::String (buffer.data()) };
        }
    }

    long deleteKey (const juce::String& keyPath)
    {
        return RegDeleteKeyW (HKEY_LOCAL_MACHINE, keyPath.toWideCharPointer());
    }

    long probeKey (const juce::String& keyPath)
    {
        Key key;
        return open (keyPath, KEY_READ, key);
    }

    ReadResult firstSubkey (const juce::String& keyPath)
    {
        Key key;

        if (const auto error = open (keyPath, KEY_READ, key); error != ERROR_SUCCESS)
            return { error, {} };

        WCHAR name[261] {};
        DWORD length = 261;
        const auto error = RegEnumKeyExW (key.handle, 0, name, &length, nullptr, nullptr, nullptr, nullptr);

        if (error != ERROR_SUCCESS)
            return { error, {} };

        return { 0, juce::String (name) };
    }
}
