/* What the fault table needs from inside Wine that the host cannot do:

     wintool hold <file> <seconds>            keeps <file> open, shared with nobody, as a running
                                              plug-in host holds a plug-in's module
     wintool load <module> <seconds>          loads <module> as a plug-in host loads a plug-in
                                              (LoadLibrary) and keeps it loaded
     wintool version <file>                   prints the strings of the file's version resource, as
                                              Explorer's Properties reads them, one "name=value"
                                              line each, in UTF-8
     wintool uninstall <registry key> [args]  runs the UninstallString of HKLM\<key> as the list of
                                              installed programs does, with [args] appended, and
                                              ends with its exit code
*/
#define UNICODE
#define _UNICODE
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static int hold (const wchar_t* path, int seconds)
{
    HANDLE file = CreateFileW (path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);

    if (file == INVALID_HANDLE_VALUE)
    {
        printf ("cannot open: %lu\n", GetLastError());
        return 2;
    }

    printf ("holding\n");
    fflush (stdout);
    Sleep ((DWORD) seconds * 1000);
    CloseHandle (file);
    return 0;
}

static int load (const wchar_t* path, int seconds)
{
    HMODULE module = LoadLibraryW (path);

    if (module == NULL)
    {
        printf ("cannot load: %lu\n", GetLastError());
        return 2;
    }

    printf ("loaded\n");
    fflush (stdout);
    Sleep ((DWORD) seconds * 1000);
    FreeLibrary (module);
    return 0;
}

static int version (const wchar_t* path)
{
    static const wchar_t* const names[] = { L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                                            L"LegalCopyright", L"OriginalFilename", L"ProductName", L"ProductVersion" };
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW (path, &ignored);

    if (size == 0)
    {
        printf ("no version resource: %lu\n", GetLastError());
        return 2;
    }

    void* data = HeapAlloc (GetProcessHeap(), 0, size);

    if (data == NULL || ! GetFileVersionInfoW (path, 0, size, data))
        return 2;

    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;

    if (VerQueryValueW (data, L"\\", (void**) &fixed, &length) && fixed != NULL)
        printf ("FILEVERSION=%lu.%lu.%lu.%lu\n", HIWORD (fixed->dwFileVersionMS), LOWORD (fixed->dwFileVersionMS),
                HIWORD (fixed->dwFileVersionLS), LOWORD (fixed->dwFileVersionLS));

    for (int i = 0; i < (int) (sizeof (names) / sizeof (names[0])); ++i)
    {
        wchar_t query[128];
        wchar_t* value = NULL;
        swprintf (query, 128, L"\\StringFileInfo\\040904b0\\%ls", names[i]);

        if (! VerQueryValueW (data, query, (void**) &value, &length) || value == NULL)
            continue;

        char utf8[1024];
        WideCharToMultiByte (CP_UTF8, 0, value, -1, utf8, sizeof (utf8), NULL, NULL);
        char name[64];
        WideCharToMultiByte (CP_UTF8, 0, names[i], -1, name, sizeof (name), NULL, NULL);
        printf ("%s=%s\n", name, utf8);
    }

    return 0;
}

static int uninstall (const wchar_t* key, const wchar_t* valueName, int argc, wchar_t** argv)
{
    wchar_t command[4096];
    DWORD size = sizeof (command);

    if (RegGetValueW (HKEY_LOCAL_MACHINE, key, valueName, RRF_RT_REG_SZ, NULL, command, &size) != ERROR_SUCCESS)
    {
        printf ("no %ls\n", valueName);
        return 2;
    }

    for (int i = 0; i < argc; ++i)
    {
        wcscat_s (command, 4096, L" ");
        wcscat_s (command, 4096, argv[i]);
    }

    STARTUPINFOW startup = { sizeof (startup) };
    PROCESS_INFORMATION process;

    if (! CreateProcessW (NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process))
    {
        printf ("cannot start: %lu\n", GetLastError());
        return 2;
    }

    WaitForSingleObject (process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess (process.hProcess, &code);
    return (int) code;
}

int wmain (int argc, wchar_t** argv)
{
    if (argc == 4 && wcscmp (argv[1], L"hold") == 0)
        return hold (argv[2], _wtoi (argv[3]));

    if (argc == 4 && wcscmp (argv[1], L"load") == 0)
        return load (argv[2], _wtoi (argv[3]));

    if (argc == 3 && wcscmp (argv[1], L"version") == 0)
        return version (argv[2]);

    if (argc >= 3 && wcscmp (argv[1], L"uninstall") == 0)
        return uninstall (argv[2], L"UninstallString", argc - 3, argv + 3);

    // As a deployment tool runs the silent uninstall: the registered text through CreateProcess.
    if (argc >= 3 && wcscmp (argv[1], L"quiet-uninstall") == 0)
        return uninstall (argv[2], L"QuietUninstallString", argc - 3, argv + 3);

    printf ("usage: wintool hold <file> <seconds> | wintool load <module> <seconds> | wintool version <file> | wintool uninstall <key> [args] | wintool quiet-uninstall <key>\n");
    return 2;
}
