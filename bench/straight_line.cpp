// The floor for the launcher's start time: the Win32 calls a launch must
// make, in a straight line, with nothing decided between them.
#include <windows.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char title[MAX_PATH] = {};
    GetWindowTextA(GetForegroundWindow(), title, MAX_PATH);

    HKEY key = nullptr;
    unsigned char value[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Max\\Install Information", 0,
                  KEY_QUERY_VALUE, &key);
    RegQueryValueExA(key, "Path", nullptr, nullptr, value, &size);
    RegCloseKey(key);

    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA("C:\\Programs\\KORVANT\\KorvR2max\\KDNC\\kdnc.exe", &found);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);

    ShellExecuteA(nullptr, "open", "C:\\Programs\\KORVANT\\KorvR2max\\KDNC\\kdnc.exe", "\"C:\\NC Files\\part 1.nc\"",
                  nullptr, SW_SHOW);
    return 0;
}
