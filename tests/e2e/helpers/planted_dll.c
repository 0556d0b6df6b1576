/* A DLL planted beside a program in a download folder, named like a system DLL: when it is ever
   loaded, it leaves a marker file naming the program it ran in. */
#include <windows.h>

BOOL WINAPI DllMain (HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void) instance;
    (void) reserved;

    if (reason == DLL_PROCESS_ATTACH)
    {
        wchar_t program[MAX_PATH] = L"";
        GetModuleFileNameW (NULL, program, MAX_PATH);

        HANDLE marker = CreateFileW (L"C:\\users\\Public\\planted-dll-ran.txt", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);

        if (marker != INVALID_HANDLE_VALUE)
        {
            DWORD written = 0;
            WriteFile (marker, program, (DWORD) (lstrlenW (program) * sizeof (wchar_t)), &written, NULL);
            CloseHandle (marker);
        }
    }

    return TRUE;
}
