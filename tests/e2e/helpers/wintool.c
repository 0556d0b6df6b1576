/* What the fault table needs from inside Wine that the host cannot do:

     wintool hold <file> <seconds>            keeps <file> open, shared with nobody, as a running
                                              plug-in host holds a plug-in's module
     wintool load <module> <seconds>          loads <module> as a plug-in host loads a plug-in
                                              (LoadLibrary) and keeps it loaded
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

static int uninstall (const wchar_t* key, int argc, wchar_t** argv)
{
    wchar_t command[4096];
    DWORD size = sizeof (command);

    if (RegGetValueW (HKEY_LOCAL_MACHINE, key, L"UninstallString", RRF_RT_REG_SZ, NULL, command, &size) != ERROR_SUCCESS)
    {
        printf ("no UninstallString\n");
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

    if (argc >= 3 && wcscmp (argv[1], L"uninstall") == 0)
        return uninstall (argv[2], argc - 3, argv + 3);

    printf ("usage: wintool hold <file> <seconds> | wintool load <module> <seconds> | wintool uninstall <key> [args]\n");
    return 2;
}
