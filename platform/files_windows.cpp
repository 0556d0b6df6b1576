#include "Platform.h"
#include "Win32Path.h"

#include <windows.h>
#include <aclapi.h>
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

    namespace
    {
        juce::String withoutLongPrefix (juce::String path)
        {
            path = path.replaceCharacter ('/', '\\');

            if (path.startsWith ("\\\\?\\UNC\\"))
                return "\\\\" + path.substring (8);

            if (path.startsWith ("\\\\?\\"))
                return path.substring (4);

            return path;
        }

        juce::String comparablePath (const juce::String& path)
        {
            // Full, with "." and ".." resolved; then the existing part in its long form, so that an
            // 8.3 name and the long one read alike; no trailing separator but a root's.
            const auto text = withoutLongPrefix (path);
            std::vector<WCHAR> buffer (32768);
            const auto length = GetFullPathNameW (text.toWideCharPointer(), (DWORD) buffer.size(), buffer.data(), nullptr);
            juce::String full = length > 0 && length < buffer.size() ? juce::String (buffer.data()) : text;

            while (full.length() > 3 && full.endsWithChar ('\\'))
                full = full.dropLastCharacters (1);

            juce::String existing = full, rest;

            while (existing.length() > 3 && GetFileAttributesW (win32Path (existing).c_str()) == INVALID_FILE_ATTRIBUTES)
            {
                rest = "\\" + existing.fromLastOccurrenceOf ("\\", false, false) + rest;
                existing = existing.upToLastOccurrenceOf ("\\", false, false);
            }

            const auto longLength = GetLongPathNameW (win32Path (existing).c_str(), buffer.data(), (DWORD) buffer.size());

            if (longLength > 0 && longLength < buffer.size())
                existing = withoutLongPrefix (juce::String (buffer.data()));

            return existing + rest;
        }
    }

    bool isSamePath (const juce::String& a, const juce::String& b)
    {
        if (a.isEmpty() || b.isEmpty())
            return a.isEmpty() && b.isEmpty();

        const auto first = comparablePath (a), second = comparablePath (b);
        return CompareStringOrdinal (first.toWideCharPointer(), -1, second.toWideCharPointer(), -1, TRUE) == CSTR_EQUAL;
    }

    juce::String shortPathOf (const juce::File& path)
    {
        std::vector<WCHAR> buffer (32768);
        const auto length = GetShortPathNameW (win32Path (path).c_str(), buffer.data(), (DWORD) buffer.size());
        return length > 0 && length < buffer.size() ? juce::String (buffer.data()) : path.getFullPathName();
    }

    juce::Result createFolders (const juce::File& folder)
    {
        juce::Array<juce::File> missing;

        for (auto f = folder; f.getFullPathName().isNotEmpty() && GetFileAttributesW (win32Path (f).c_str()) == INVALID_FILE_ATTRIBUTES
                              && f.getParentDirectory() != f; f = f.getParentDirectory())
            missing.insert (0, f);

        for (const auto& f : missing)
            if (! CreateDirectoryW (win32Path (f).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                return juce::Result::fail ("Failed to create folder " + f.getFullPathName() + ": " + systemMessage (GetLastError()));

        const auto attributes = GetFileAttributesW (win32Path (folder).c_str());

        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return juce::Result::fail ("Failed to create folder " + folder.getFullPathName() + ": a file of that name exists");

        return juce::Result::ok();
    }

    juce::Result movePath (const juce::File& from, const juce::File& to, unsigned long* errorCode)
    {
        if (MoveFileExW (win32Path (from).c_str(), win32Path (to).c_str(), 0))
            return juce::Result::ok();

        const auto error = GetLastError();

        if (errorCode != nullptr)
            *errorCode = error;

        return juce::Result::fail ("Failed to move " + from.getFullPathName() + " to " + to.getFullPathName()
                                   + ": " + systemMessage (error));
    }

    NewFile::NewFile (const juce::File& file)
    {
        const auto created = CreateFileW (win32Path (file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
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
        const auto file = CreateFileW (win32Path (temporaryPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
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

        if (error == 0 && ! MoveFileExW (win32Path (temporaryPath).c_str(), win32Path (path).c_str(), MOVEFILE_REPLACE_EXISTING))
            error = GetLastError();

        if (error != 0)
        {
            DeleteFileW (win32Path (temporaryPath).c_str());
            return fail (error);
        }

        SetFileAttributesW (win32Path (path).c_str(), FILE_ATTRIBUTE_NORMAL);
        return juce::Result::ok();
    }

    namespace
    {
        bool openFails (const juce::String& path, DWORD access, DWORD share)
        {
            const auto handle = CreateFileW (win32Path (path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);

            if (handle == INVALID_HANDLE_VALUE)
                return GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_LOCK_VIOLATION;

            CloseHandle (handle);
            return false;
        }

        bool startsLikeAProgram (const juce::String& path)
        {
            const auto handle = CreateFileW (win32Path (path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);

            if (handle == INVALID_HANDLE_VALUE)
                return true;   // cannot tell: asked like a program

            char magic[2] {};
            DWORD read = 0;
            const auto ok = ReadFile (handle, magic, sizeof (magic), &read, nullptr);
            CloseHandle (handle);
            return ! ok || (read == 2 && magic[0] == 'M' && magic[1] == 'Z');
        }
    }

    bool isFileHeld (const juce::File& file)
    {
        const auto path = file.getFullPathName();
        const auto attributes = GetFileAttributesW (win32Path (path).c_str());

        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;

        // Asking for the right to delete, sharing everything, fails exactly while another handle
        // does not share deletion: the hold that stops a rename. A virus scanner's or the
        // indexer's handle that shares it is no hold.
        if (openFails (path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
            return true;

        // A loaded module has no open handle but an image section, which refuses writing: the one
        // probe that finds a plug-in a host has loaded. Only a program image can be loaded, so
        // only a file that starts like one is asked (a handle opened for writing has a virus
        // scanner look at the file again when it closes). Writing to a read-only file is refused
        // for another reason, so the attribute the installation set is lifted for the probe.
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 || ! startsLikeAProgram (path))
            return false;

        const auto readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;

        if (readOnly)
            SetFileAttributesW (win32Path (path).c_str(), attributes & ~(DWORD) FILE_ATTRIBUTE_READONLY);

        const auto held = openFails (path, FILE_WRITE_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);

        if (readOnly)
            SetFileAttributesW (win32Path (path).c_str(), attributes);

        return held;
    }

    std::vector<ProcessInfo> programsUsingAny (const juce::Array<juce::File>& files)
    {
        std::vector<ProcessInfo> programs;
        DWORD session = 0;
        WCHAR key[CCH_RM_SESSION_KEY + 1] {};

        if (files.isEmpty() || RmStartSession (&session, 0, key) != ERROR_SUCCESS)
            return programs;

        juce::StringArray paths;

        for (const auto& file : files)
            paths.add (file.getFullPathName());

        std::vector<LPCWSTR> names;

        for (const auto& path : paths)
            names.push_back (path.toWideCharPointer());  // the Restart Manager takes paths as they are

        if (RmRegisterResources (session, (UINT) names.size(), names.data(), 0, nullptr, 0, nullptr) == ERROR_SUCCESS)
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
                        programs.push_back ({ juce::String (info[i].strAppName), info[i].Process.dwProcessId });

                    break;
                }

                if (result != ERROR_MORE_DATA)
                    break;
            }
        }

        RmEndSession (session);
        return programs;
    }

    juce::File volumeOf (const juce::File& path)
    {
        auto existing = path;

        while (existing.getFullPathName().isNotEmpty() && ! existing.exists() && existing.getParentDirectory() != existing)
            existing = existing.getParentDirectory();

        // A plug-in folder is often a link to another drive: its volume is the one it leads to.
        auto resolvedPath = existing.getFullPathName();
        const auto handle = CreateFileW (win32Path (resolvedPath).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);

        if (handle != INVALID_HANDLE_VALUE)
        {
            std::vector<WCHAR> final (32768);
            const auto length = GetFinalPathNameByHandleW (handle, final.data(), (DWORD) final.size(), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            CloseHandle (handle);

            if (length > 0 && length < final.size())
            {
                juce::String resolved (final.data());

                if (resolved.startsWith ("\\\\?\\UNC\\"))
                    resolved = "\\\\" + resolved.substring (8);
                else if (resolved.startsWith ("\\\\?\\"))
                    resolved = resolved.substring (4);

                resolvedPath = resolved;
            }
        }

        std::vector<WCHAR> volume (32768);

        if (! GetVolumePathNameW (win32Path (resolvedPath).c_str(), volume.data(), (DWORD) volume.size()))
            return {};

        return juce::File (juce::String (volume.data()));
    }

    bool removeAtRestart (const juce::File& path)
    {
        return MoveFileExW (win32Path (path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    }

    LifetimeMarker::LifetimeMarker (const juce::File& file)
    {
        const auto created = CreateFileW (win32Path (file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);

        if (created != INVALID_HANDLE_VALUE)
            handle = created;
    }

    LifetimeMarker::~LifetimeMarker()
    {
        // Closing the last handle deletes the file. A marker kept until exit is closed by the
        // system as the process ends.
        if (handle != nullptr)
            CloseHandle (handle);
    }

    bool inheritAccessFromParent (const juce::File& path)
    {
        // An empty, unprotected list: the object keeps no entries of its own and takes those its
        // new parent passes on; the system carries them down to everything below it.
        ACL empty {};

        if (! InitializeAcl (&empty, sizeof (empty), ACL_REVISION))
            return false;

        std::wstring name (win32Path (path).c_str());
        return SetNamedSecurityInfoW (name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, &empty, nullptr) == ERROR_SUCCESS;
    }

    InstanceLock::InstanceLock (const juce::String& name, int waitMs)
    {
        // The named object exists while any process has it open: whoever created it holds the lock.
        // Machine-wide: a deployment tool's run as SYSTEM, another user's session and the wizard
        // (unelevated and elevated) all meet here.
        const auto fullName = "Global\\" + name;
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
