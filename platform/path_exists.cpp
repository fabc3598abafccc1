#include "windows_constants.h"

bool PathExists(const WindowsOperations& windows, const char* path)
{
    FindDataRecord findData;
    const SearchHandle search = windows.FindFirstFileA(path, &findData);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    windows.FindClose(search);
    return true;
}
