// What the search for kdnc.exe asks of the file system and the environment.
#include <cstring>

#include "win32_check.h"

void ReadFullPath(const char* path, char* fullPath, std::size_t capacity)
{
    const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(capacity), fullPath, nullptr);
    if (length == 0 || length >= capacity)
        CopyText(fullPath, capacity, path);
}

void ExpandText(const char* text, char* expanded, std::size_t capacity)
{
    const DWORD length = ExpandEnvironmentStringsA(text, expanded, static_cast<DWORD>(capacity));
    if (length == 0 || length > capacity)
        expanded[0] = '\0';
}

std::int32_t ReadFolder(const char* folder, bool (*visit)(const char* name, bool isFolder, void* context),
                        void* context)
{
    char pattern[2 * MAX_PATH];
    const std::size_t length = std::strlen(folder);
    if (length + 3 > sizeof pattern)
        return ERROR_FILENAME_EXCED_RANGE;
    std::memcpy(pattern, folder, length);
    std::memcpy(pattern + length, length > 0 && folder[length - 1] == '\\' ? "*" : "\\*", 3);
    WIN32_FIND_DATAA entry;
    // No short names, which the search never looks at, and entries fetched
    // in bulk: the cheapest read Windows offers.
    const HANDLE search =
        FindFirstFileExA(pattern, FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return static_cast<std::int32_t>(GetLastError());
    do {
        const bool dots = entry.cFileName[0] == '.' &&
                          (entry.cFileName[1] == '\0' || (entry.cFileName[1] == '.' && entry.cFileName[2] == '\0'));
        // A junction or link is not entered: it may lead back up, or off this drive.
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                              (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        if (!dots && !visit(entry.cFileName, isFolder, context))
            break;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return ERROR_SUCCESS;
}

bool IsLocalPath(const char* path)
{
    const char root[] = {path[0], ':', '\\', '\0'};
    const bool drive = path[0] != '\0' && path[1] == ':';
    const bool share = (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return !share && GetDriveTypeA(drive ? root : nullptr) == DRIVE_FIXED;
}

std::uint32_t ReadMilliseconds()
{
    return GetTickCount();
}

int FindWideProgram(const char16_t* folder, const char* subpath, char* shortFolder, std::size_t capacity)
{
    shortFolder[0] = '\0';
    wchar_t path[2 * MAX_PATH];
    std::size_t length = 0;
    bool backslash = false;
    for (; length < MAX_PATH && folder[length] != u'\0'; ++length) {
        path[length] = static_cast<wchar_t>(folder[length]);
        backslash = backslash || folder[length] == u'\\';
    }
    const std::size_t folderLength = length;
    // Joined as the locator joins, the subpath being ASCII.
    const wchar_t separator = backslash ? L'\\' : L'/';
    if (length > 0 && path[length - 1] != separator)
        path[length++] = separator;
    for (const char* c = subpath; *c != '\0'; ++c)
        path[length++] = static_cast<wchar_t>(*c);
    path[length] = L'\0';
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    path[folderLength] = L'\0';  // the folder alone again
    wchar_t shortName[MAX_PATH];
    const DWORD shortLength = GetShortPathNameW(path, shortName, MAX_PATH);
    BOOL lost = FALSE;
    if (shortLength == 0 || shortLength >= MAX_PATH ||
        !WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortName, -1, shortFolder, static_cast<int>(capacity),
                             nullptr, &lost) || lost) {
        shortFolder[0] = '\0';
        return 2;
    }
    return 1;
}
