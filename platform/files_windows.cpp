#include "Platform.h"

#include <windows.h>
#include <restartmanager.h>

#include <vector>

namespace platform
{
    juce::String systemMessage (unsigned long errorCode)
    {
        wchar_t* buffer = nullptr;
        const auto length = FormatMessageW (FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                            nullptr, errorCode, 0, (LPWSTR) &buffer, 0, nullptr);
        juce::String text = length > 0 ? juce::String (buffer, (size_t) length).trim()
                                       : juce::String ("Windows system error " + juce::String ((juce::uint64) errorCode));
        LocalFree (buffer);
        return text;
    }

    juce::Result movePath (const juce::File& from, const juce::File& to)
    {
        if (MoveFileExW (from.getFullPathName().toWideCharPointer(), to.getFullPathName().toWideCharPointer(), 0))
            return juce::Result::ok();

        return juce::Result::fail ("Failed to move " + from.getFullPathName() + " to " + to.getFullPathName()
                                   + ": " + systemMessage (GetLastError()));
    }

    NewFile::NewFile (const juce::File& file)
    {
        const auto created = CreateFileW (file.getFullPathName().toWideCharPointer(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);

        if (created == INVALID_HANDLE_VALUE)
            error = systemMessage (GetLastError());
        else
            handle = created;
    }

    NewFile::~NewFile()
    {
        close();
    }

    bool NewFile::write (const void* data, size_t size)
    {
        auto* bytes = static_cast<const char*> (data);

        while (handle != nullptr && size > 0)
        {
            DWORD written = 0;
            const auto chunk = (DWORD) juce::jmin (size, (size_t) (1 << 20));

            if (! WriteFile (handle, bytes, chunk, &written, nullptr) || written == 0)
            {
                const auto code = GetLastError();
                error = systemMessage (code != 0 ? code : ERROR_HANDLE_DISK_FULL);
                return false;
            }

            bytes += written;
            size -= written;
        }

        return handle != nullptr;
    }

    bool NewFile::setTimes (juce::Time time)
    {
        // FILETIME counts 100-nanosecond intervals since 1601; juce::Time milliseconds since 1970.
        const auto ticks = (juce::uint64) (time.toMilliseconds() + 11644473600000LL) * 10000ULL;
        FILETIME stamp { (DWORD) ticks, (DWORD) (ticks >> 32) };

        if (handle != nullptr && SetFileTime (handle, &stamp, &stamp, &stamp))
            return true;

        error = systemMessage (GetLastError());
        return false;
    }

    bool NewFile::close()
    {
        if (handle == nullptr)
            return false;

        const auto closed = CloseHandle (handle);
        handle = nullptr;

        if (! closed)
            error = systemMessage (GetLastError());

        return closed != 0;
    }

    juce::Result replaceFile (const juce::File& target, const void* data, size_t size)
    {
        const auto path = target.getFullPathName();
        const auto fail = [&path] (unsigned long error)
        {
            return juce::Result::fail ("Failed to write " + path + ": " + systemMessage (error));
        };

        // Beside the target, so that the replacement is one rename on the same volume: a failure
        // leaves the old file, never a half-written or empty one.
        const auto temporary = target.getSiblingFile ("." + target.getFileName() + "." + juce::Uuid().toString() + ".tmp");
        const auto temporaryPath = temporary.getFullPathName();
        const auto file = CreateFileW (temporaryPath.toWideCharPointer(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_HIDDEN, nullptr);

        if (file == INVALID_HANDLE_VALUE)
            return fail (GetLastError());

        auto remaining = size;
        auto* bytes = static_cast<const char*> (data);
        DWORD error = 0;

        while (remaining > 0 && error == 0)
        {
            DWORD written = 0;
            const auto chunk = (DWORD) juce::jmin (remaining, (size_t) (1 << 20));

            if (! WriteFile (file, bytes, chunk, &written, nullptr) || written != chunk)
                error = GetLastError() != 0 ? GetLastError() : ERROR_HANDLE_DISK_FULL;

            bytes += written;
            remaining -= written;
        }

        CloseHandle (file);

        if (error == 0 && ! MoveFileExW (temporaryPath.toWideCharPointer(), path.toWideCharPointer(), MOVEFILE_REPLACE_EXISTING))
            error = GetLastError();

        if (error != 0)
        {
            DeleteFileW (temporaryPath.toWideCharPointer());
            return fail (error);
        }

        SetFileAttributesW (path.toWideCharPointer(), FILE_ATTRIBUTE_NORMAL);
        return juce::Result::ok();
    }

    namespace
    {
        bool isHeldOpen (const juce::String& path)
        {
            // Asking for the right to delete without sharing it fails while any other handle is open.
            const auto handle = CreateFileW (path.toWideCharPointer(), DELETE, 0, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);

            if (handle == INVALID_HANDLE_VALUE)
                return GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_LOCK_VIOLATION;

            CloseHandle (handle);
            return false;
        }
    }

    juce::File findFileInUse (const juce::File& path)
    {
        const auto attributes = GetFileAttributesW (path.getFullPathName().toWideCharPointer());

        if (attributes == INVALID_FILE_ATTRIBUTES)
            return {};

        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return isHeldOpen (path.getFullPathName()) ? path : juce::File();

        WIN32_FIND_DATAW found {};
        const auto search = FindFirstFileW ((path.getFullPathName() + "\\*").toWideCharPointer(), &found);

        if (search == INVALID_HANDLE_VALUE)
            return {};

        juce::File inUse;

        do
        {
            const juce::String name (found.cFileName);

            if (name != "." && name != "..")
                inUse = findFileInUse (path.getChildFile (name));
        }
        while (inUse == juce::File() && FindNextFileW (search, &found));

        FindClose (search);
        return inUse;
    }

    juce::StringArray programsUsing (const juce::File& file)
    {
        juce::StringArray programs;
        DWORD session = 0;
        WCHAR key[CCH_RM_SESSION_KEY + 1] {};

        if (RmStartSession (&session, 0, key) != ERROR_SUCCESS)
            return programs;

        const auto path = file.getFullPathName();
        LPCWSTR files[] = { path.toWideCharPointer() };

        if (RmRegisterResources (session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS)
        {
            UINT needed = 0, count = 0;
            DWORD reasons = 0;
            std::vector<RM_PROCESS_INFO> info;

            for (int attempt = 0; attempt < 3; ++attempt)
            {
                info.resize (needed);
                count = (UINT) info.size();
                const auto result = RmGetList (session, &needed, &count, info.empty() ? nullptr : info.data(), &reasons);

                if (result == ERROR_SUCCESS)
                {
                    for (UINT i = 0; i < count; ++i)
                        programs.addIfNotAlreadyThere (juce::String (info[i].strAppName));

                    break;
                }

                if (result != ERROR_MORE_DATA)
                    break;
            }
        }

        RmEndSession (session);
        return programs;
    }

    InstanceLock::InstanceLock (const juce::String& name, int waitMs)
    {
        // The named object exists while any process has it open: whoever created it holds the lock.
        // Local to the session: the unelevated and the elevated copy of one user meet there.
        const auto fullName = "Local\\" + name;
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, waitMs);

        for (;;)
        {
            const auto mutex = CreateMutexW (nullptr, FALSE, fullName.toWideCharPointer());
            const auto existed = GetLastError() == ERROR_ALREADY_EXISTS;

            if (mutex != nullptr && ! existed)
            {
                handle = mutex;
                return;
            }

            if (mutex != nullptr)
                CloseHandle (mutex);

            if (juce::Time::getMillisecondCounter() >= end)
                return;

            Sleep (100);
        }
    }

    InstanceLock::~InstanceLock()
    {
        if (handle != nullptr)
            CloseHandle (handle);
    }
}
