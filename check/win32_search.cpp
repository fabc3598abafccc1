// What the search for kdnc.exe asks of the file system and the environment.
#include <cstring>
#include <cwchar>

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

// The text in the code page, as the launcher would read it; false when it
// does not fit, or a letter has no byte there (a best-fit stand-in would name
// another file).
bool SpellInCodePage(const wchar_t* text, char* spelled, std::size_t capacity)
{
    BOOL lost = FALSE;
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, spelled, static_cast<int>(capacity), nullptr,
                               &lost) != 0 && !lost;
}

// The short name of folder\name, spelled in the code page; false when the
// volume keeps none, or it too has letters the code page lacks.
bool SpellShortName(const wchar_t* folder, std::size_t length, const wchar_t* name, char (&spelled)[2 * MAX_PATH])
{
    wchar_t path[2 * MAX_PATH], shortPath[2 * MAX_PATH];
    const std::size_t nameLength = std::wcslen(name);
    if (length + nameLength >= 2 * MAX_PATH)
        return false;
    std::memcpy(path, folder, length * sizeof(wchar_t));
    std::memcpy(path + length, name, (nameLength + 1) * sizeof(wchar_t));
    const DWORD shortLength = GetShortPathNameW(path, shortPath, 2 * MAX_PATH);
    const wchar_t* last = shortLength > 0 && shortLength < 2 * MAX_PATH ? std::wcsrchr(shortPath, L'\\') : nullptr;
    char shortName[2 * MAX_PATH];
    if (!last || !SpellInCodePage(last + 1, shortName, sizeof shortName))
        return false;
    std::memcpy(spelled, shortName, sizeof shortName);
    return true;
}

std::int32_t ReadFolder(const char* folder, bool (*visit)(const char* name, bool isFolder, void* context),
                        void* context)
{
    // Read in UTF-16, so that an entry whose letters the code page lacks can
    // be handed on by its short name, which kdnclaunch can open.
    wchar_t pattern[2 * MAX_PATH];
    const int converted = MultiByteToWideChar(CP_ACP, 0, folder, -1, pattern, MAX_PATH);
    if (converted == 0)
        return ERROR_FILENAME_EXCED_RANGE;
    std::size_t length = static_cast<std::size_t>(converted) - 1;
    if (length == 0 || pattern[length - 1] != L'\\')
        pattern[length++] = L'\\';
    pattern[length] = L'*', pattern[length + 1] = L'\0';
    WIN32_FIND_DATAW entry;
    // No short names, but of such entries, and entries fetched in bulk: the
    // cheapest read Windows offers.
    const HANDLE search =
        FindFirstFileExW(pattern, FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return static_cast<std::int32_t>(GetLastError());
    do {
        const wchar_t* name = entry.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))
            continue;
        // A junction or link is not entered: it may lead back up, or off this drive.
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                              (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        char spelled[2 * MAX_PATH];
        BOOL lost = FALSE;
        // A code page that cannot tell what it lost, UTF-8, loses nothing. A
        // name without a short one goes on as the ANSI read spells it, a
        // folder that cannot be read.
        if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, spelled, sizeof spelled, nullptr, &lost) &&
            !WideCharToMultiByte(CP_ACP, 0, name, -1, spelled, sizeof spelled, nullptr, nullptr))
            continue;
        if (lost)
            SpellShortName(pattern, length, name, spelled);
        if (!visit(spelled, isFolder, context))
            break;
    } while (FindNextFileW(search, &entry));
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
    if (shortLength == 0 || shortLength >= MAX_PATH || !SpellInCodePage(shortName, shortFolder, capacity)) {
        shortFolder[0] = '\0';
        return 2;
    }
    return 1;
}
