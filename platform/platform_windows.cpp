#include "Platform.h"
#include "Win32Path.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <io.h>

namespace platform
{
    void restrictDllSearchToSystem()
    {
        SetDefaultDllDirectories (LOAD_LIBRARY_SEARCH_SYSTEM32);
    }

    bool realIsRunningAsAdmin()
    {
        SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;

        if (! AllocateAndInitializeSid (&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                        0, 0, 0, 0, 0, 0, &administrators))
            return false;

        BOOL isMember = FALSE;
        const auto checked = CheckTokenMembership (nullptr, administrators, &isMember);
        FreeSid (administrators);
        return checked && isMember;
    }

    LaunchResult realLaunchElevated (const juce::String& executablePath, const juce::String& parameters)
    {
        SHELLEXECUTEINFOW info {};
        info.cbSize = sizeof (info);
        info.lpVerb = L"runas";
        info.lpFile = executablePath.toWideCharPointer();
        info.lpParameters = parameters.isNotEmpty() ? parameters.toWideCharPointer() : nullptr;
        info.nShow = SW_SHOWNORMAL;

        if (ShellExecuteExW (&info))
            return { true, 0 };

        return { false, GetLastError() };
    }

    juce::String getExecutablePath()
    {
        WCHAR path[MAX_PATH] {};

        if (GetModuleFileNameW (nullptr, path, MAX_PATH) == 0)
            return {};

        return juce::String (path);
    }

    unsigned long getCurrentProcessId()
    {
        return GetCurrentProcessId();
    }

    juce::File getFolder (Folder which)
    {
        int csidl = CSIDL_APPDATA;

        switch (which)
        {
            case Folder::userAppData:       csidl = CSIDL_APPDATA; break;
            case Folder::localAppData:      csidl = CSIDL_LOCAL_APPDATA; break;
            case Folder::commonAppData:     csidl = CSIDL_COMMON_APPDATA; break;
            case Folder::programFiles:      csidl = CSIDL_PROGRAM_FILES; break;
            case Folder::programFilesX86:   csidl = CSIDL_PROGRAM_FILESX86; break;
            case Folder::commonFiles:       csidl = CSIDL_PROGRAM_FILES_COMMON; break;
            case Folder::commonFilesX86:    csidl = CSIDL_PROGRAM_FILES_COMMONX86; break;
            case Folder::windows:           csidl = CSIDL_WINDOWS; break;
            case Folder::system:            csidl = CSIDL_SYSTEM; break;
            case Folder::userProfile:       csidl = CSIDL_PROFILE; break;
            case Folder::desktop:           csidl = CSIDL_DESKTOPDIRECTORY; break;
            case Folder::documents:         csidl = CSIDL_PERSONAL; break;
        }

        WCHAR path[MAX_PATH] {};

        if (! SHGetSpecialFolderPathW (nullptr, path, csidl, FALSE))
            return {};

        return juce::File (juce::String (path));
    }

    juce::File getTempFolder()
    {
        WCHAR path[2048] {};
        const auto length = GetTempPathW (2048, path);

        if (length == 0 || length >= 2048)
            return {};

        return juce::File (juce::String (path));
    }

    bool addFileAttributes (const juce::File& file, bool hidden, bool readOnly)
    {
        const auto path = file.getFullPathName();
        const auto current = GetFileAttributesW (win32Path (path).c_str());

        if (current == INVALID_FILE_ATTRIBUTES)
            return false;

        auto wanted = current;

        if (hidden)   wanted |= FILE_ATTRIBUTE_HIDDEN;
        if (readOnly) wanted |= FILE_ATTRIBUTE_READONLY;

        return wanted == current || SetFileAttributesW (win32Path (path).c_str(), wanted) != 0;
    }

    FileAttributes getFileAttributes (const juce::File& file)
    {
        const auto attributes = GetFileAttributesW (win32Path (file).c_str());

        if (attributes == INVALID_FILE_ATTRIBUTES)
            return {};

        FileAttributes result;
        result.exists = true;
        result.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        result.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        result.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        result.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        return result;
    }

    bool deletePath (const juce::File& path)
    {
        const auto fullPath = path.getFullPathName();

        if (fullPath.isEmpty())
            return false;

        const auto widePath = win32Path (fullPath);
        const auto wide = widePath.c_str();
        const auto attributes = GetFileAttributesW (wide);

        if (attributes == INVALID_FILE_ATTRIBUTES)
            return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;

        // Windows refuses to delete read-only files and to remove read-only folders.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
            SetFileAttributesW (wide, attributes & ~(DWORD) FILE_ATTRIBUTE_READONLY);

        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return DeleteFileW (wide) != 0;

        // A junction or a folder link: remove the link, never what it points to.
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return RemoveDirectoryW (wide) != 0;

        WIN32_FIND_DATAW found {};
        const auto pattern = fullPath + "\\*";
        const auto search = FindFirstFileW (win32Path (pattern).c_str(), &found);

        if (search != INVALID_HANDLE_VALUE)
        {
            do
            {
                const juce::String name (found.cFileName);

                if (name != "." && name != "..")
                    deletePath (path.getChildFile (name));
            }
            while (FindNextFileW (search, &found));

            FindClose (search);
        }

        return RemoveDirectoryW (wide) != 0;
    }

    namespace
    {
        /** This process's environment with the extra variables set, as CreateProcessW takes it:
            "name=value" strings, each ended by a zero, and one more zero at the end. */
        std::wstring environmentWith (const juce::StringPairArray& extra)
        {
            std::wstring block;
            auto* strings = GetEnvironmentStringsW();

            for (auto* entry = strings; entry != nullptr && *entry != 0; entry += wcslen (entry) + 1)
            {
                const juce::String text (entry);
                const auto name = text.upToFirstOccurrenceOf ("=", false, false);

                // Names that start with "=" are the drives' current folders; they stay.
                if (name.isNotEmpty() && extra.getAllKeys().contains (name, true))
                    continue;

                block.append (entry);
                block.push_back (L'\0');
            }

            if (strings != nullptr)
                FreeEnvironmentStringsW (strings);

            for (const auto& key : extra.getAllKeys())
            {
                block.append ((key + "=" + extra[key]).toWideCharPointer());
                block.push_back (L'\0');
            }

            block.push_back (L'\0');
            return block;
        }
    }

    bool startHiddenProcess (const juce::String& commandLine, const juce::File& workingFolder,
                             const juce::StringPairArray& extraEnvironment)
    {
        // CreateProcessW may write into the command line buffer, so it gets a copy of its own.
        std::wstring buffer (commandLine.toWideCharPointer());
        buffer.push_back (L'\0');
        auto environment = environmentWith (extraEnvironment);

        STARTUPINFOW startup {};
        startup.cb = sizeof (startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;

        PROCESS_INFORMATION process {};

        const auto folder = workingFolder.getFullPathName();

        if (! CreateProcessW (nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT,
                              environment.data(), folder.isEmpty() ? nullptr : folder.toWideCharPointer(), &startup, &process))
            return false;

        CloseHandle (process.hThread);
        CloseHandle (process.hProcess);
        return true;
    }

    juce::String adminOnlyAccess()
    {
        // Protected, not inherited: full control for Administrators and SYSTEM, for the folder and
        // everything created in it. No one else gets an entry, so no one else gets in.
        return "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
    }

    bool createAdminOnlyFolder (const juce::File& folder)
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;

        if (! ConvertStringSecurityDescriptorToSecurityDescriptorW (adminOnlyAccess().toWideCharPointer(), SDDL_REVISION_1,
                                                                    &descriptor, nullptr))
            return false;

        SECURITY_ATTRIBUTES attributes {};
        attributes.nLength = sizeof (attributes);
        attributes.lpSecurityDescriptor = descriptor;
        attributes.bInheritHandle = FALSE;

        const auto created = CreateDirectoryW (win32Path (folder).c_str(), &attributes);
        LocalFree (descriptor);
        return created != 0;
    }

    bool writeToConsole (const juce::String& text)
    {
        // A console shows UTF-8 bytes in its own code page: names beyond ASCII would be garbled.
        const auto handle = (HANDLE) _get_osfhandle (_fileno (stdout));
        DWORD mode = 0;

        if (handle == INVALID_HANDLE_VALUE || handle == nullptr || ! GetConsoleMode (handle, &mode))
            return false;

        const auto* wide = text.toWideCharPointer();
        auto remaining = (DWORD) wcslen (wide);

        while (remaining > 0)
        {
            DWORD written = 0;

            if (! WriteConsoleW (handle, wide, remaining, &written, nullptr) || written == 0)
                return true;   // a console that refuses text gets no bytes instead

            wide += written;
            remaining -= written;
        }

        return true;
    }

    void attachParentConsole()
    {
        // Redirected output (a file or a pipe) already works and must stay where it points.
        const auto handle = GetStdHandle (STD_OUTPUT_HANDLE);

        if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType (handle) != FILE_TYPE_UNKNOWN)
            return;

        if (! AttachConsole (ATTACH_PARENT_PROCESS))
            return;

        if (std::freopen ("CONOUT$", "w", stdout) != nullptr)
            std::setvbuf (stdout, nullptr, _IONBF, 0);

        std::freopen ("CONOUT$", "w", stderr);
    }
}
