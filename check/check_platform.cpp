#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "check_platform.h"
#include "console_hold.h"

void WriteText(const char* text, bool toStandardError)
{
    const HANDLE output = GetStdHandle(toStandardError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(output, &mode)) {
        std::fputs(text, toStandardError ? stderr : stdout);
        return;
    }
    // As many characters as the text report's storage has bytes; a longer
    // text, JSON, is ASCII and goes in pieces.
    static wchar_t wide[65536];
    for (std::size_t left = std::strlen(text); left > 0;) {
        const int piece = static_cast<int>(left < sizeof wide / sizeof wide[0] ? left : sizeof wide / sizeof wide[0]);
        const int length = MultiByteToWideChar(CP_ACP, 0, text, piece, wide, sizeof wide / sizeof wide[0]);
        DWORD written = 0;
        WriteConsoleW(output, wide, length > 0 ? length : 0, &written, nullptr);
        text += piece, left -= piece;
    }
}

namespace {

// As the launcher's title buffer, MAX_PATH.
constexpr int kTitleCapacity = MAX_PATH;
// An ANSI read that fitted the launcher's MAX_PATH bytes came from at most
// twice as many UTF-16 units: a surrogate pair may become one "?".
constexpr DWORD kValueCapacity = 2 * MAX_PATH;

char* AppendText(char* to, const char* text)
{
    const std::size_t length = std::strlen(text);
    std::memcpy(to, text, length);
    return to + length;
}

char* AppendHex(char* to, unsigned long number, int leastDigits)
{
    char reversed[8];
    int count = 0;
    do {
        reversed[count++] = "0123456789ABCDEF"[number & 15];
        number >>= 4;
    } while (number != 0 || count < leastDigits);
    while (count > 0)
        *to++ = reversed[--count];
    return to;
}

// "U+0421 as ?": the letter, then the ANSI bytes it became, a control byte
// as <0x0A> as the report shows them. The item holds 64 characters.
void DescribeLostLetter(unsigned long codePoint, const char* bytes, int size, char* item)
{
    char* end = AppendText(AppendHex(AppendText(item, "U+"), codePoint, 4), " as ");
    for (int i = 0; i < size; ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte != 0x7F) {
            *end++ = static_cast<char>(byte);
            continue;
        }
        end = AppendText(AppendHex(AppendText(end, "<0x"), byte, 2), ">");
    }
    *end = '\0';
}

// Adds the item after a blank, or nothing when it would not fit.
bool AppendItem(char* list, std::size_t capacity, std::size_t& length, const char* item)
{
    const std::size_t separator = length > 0 ? 1 : 0;
    const std::size_t itemLength = std::strlen(item);
    if (length + separator + itemLength + 1 > capacity)
        return false;
    if (separator)
        list[length++] = ' ';
    std::memcpy(list + length, item, itemLength + 1);
    length += itemLength;
    return true;
}

// The letters of the text, up to its first zero, that do not come back the
// same through the ANSI code page, as the system's ANSI reads lose them.
void ListLostLetters(const wchar_t* text, std::size_t length, char* letters, std::size_t capacity)
{
    letters[0] = '\0';
    std::size_t listed = 0;
    for (std::size_t i = 0; i < length && text[i] != L'\0';) {
        const bool pair = IS_HIGH_SURROGATE(text[i]) && i + 1 < length && IS_LOW_SURROGATE(text[i + 1]);
        const int units = pair ? 2 : 1;
        char bytes[8];
        const int size = WideCharToMultiByte(CP_ACP, 0, text + i, units, bytes, sizeof bytes, nullptr, nullptr);
        wchar_t back[4];
        const int backUnits = size > 0 ? MultiByteToWideChar(CP_ACP, 0, bytes, size, back, 4) : 0;
        if (backUnits != units || back[0] != text[i] || (pair && back[1] != text[i + 1])) {
            const unsigned long codePoint =
                pair ? 0x10000 + ((text[i] - 0xD800UL) << 10) + (text[i + 1] - 0xDC00UL) : text[i];
            char item[64];
            DescribeLostLetter(codePoint, bytes, size > 0 ? size : 0, item);
            if (!AppendItem(letters, capacity, listed, item))
                return;
        }
        i += units;
    }
}

void ListLostValueLetters(RegistryKey key, const char* valueName, char* letters, std::size_t capacity,
                          char16_t* wide, std::size_t wideCapacity)
{
    letters[0] = '\0';
    wide[0] = u'\0';
    wchar_t name[256];
    if (!MultiByteToWideChar(CP_ACP, 0, valueName, -1, name, sizeof name / sizeof name[0]))
        return;
    wchar_t value[kValueCapacity];
    DWORD type = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(reinterpret_cast<HKEY>(key), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ))
        return;
    ListLostLetters(value, size / sizeof value[0], letters, capacity);
    if (letters[0] == '\0')
        return;
    std::size_t length = 0;
    for (; length + 1 < wideCapacity && length < size / sizeof value[0] && value[length] != L'\0'; ++length)
        wide[length] = static_cast<char16_t>(value[length]);
    wide[length] = u'\0';
}

void ListLostTitleLetters(WindowHandle window, char* letters, std::size_t capacity)
{
    wchar_t title[kTitleCapacity];
    const int length = GetWindowTextW(reinterpret_cast<HWND>(window), title, kTitleCapacity);
    ListLostLetters(title, length > 0 ? length : 0, letters, capacity);
}

void ReadErrorText(std::int32_t error, char* text, std::size_t capacity)
{
    // FormatMessageA takes at most 64 KiB.
    const DWORD room = capacity < 0xFFFF ? static_cast<DWORD>(capacity) : 0xFFFF;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(error), 0, text, room, nullptr);
    std::size_t kept = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (text[i] == '\r' && text[i + 1] == '\n')
            continue;
        text[kept++] = text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    }
    while (kept > 0 && text[kept - 1] == ' ')
        --kept;
    text[kept] = '\0';
}

void ReadFullPath(const char* path, char* fullPath, std::size_t capacity)
{
    const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(capacity), fullPath, nullptr);
    if (length == 0 || length >= capacity)
        CopyText(fullPath, capacity, path);
}

void ReadCurrentFolder(char* folder, unsigned int capacity)
{
    const DWORD length = GetCurrentDirectoryA(capacity, folder);
    if (length == 0 || length >= capacity)
        folder[0] = '\0';
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
    const HANDLE search = FindFirstFileA(pattern, &entry);
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

std::size_t WidenText(const char* text, char16_t* wide, std::size_t capacity)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 units on Windows");
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<wchar_t*>(wide),
                                          static_cast<int>(capacity));
    return units > 0 ? static_cast<std::size_t>(units - 1) : 0;
}

bool IsWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// 0, no one's desktop, when Windows does not say.
unsigned long ReadSession()
{
    DWORD session = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &session) ? session : 0;
}

// DOMAIN\name, or the user left as it is when the account cannot be named.
void ReadAccountName(PSID sid, char* user, std::size_t capacity)
{
    char name[256];
    char domain[256];
    DWORD nameSize = sizeof name;
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    if (!LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return;
    CopyText(user, capacity, domain);
    std::size_t length = std::strlen(user);
    if (length > 0 && length + 1 < capacity) {
        user[length++] = '\\';
        user[length] = '\0';
    }
    CopyText(user + length, capacity - length, name);
}

// Each answer the token does not give stays unknown, or false.
void ReadToken(CheckSetting& setting)
{
    CopyText(setting.user, sizeof setting.user, "unknown");
    setting.elevated = setting.virtualized = setting.system = false;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return;
    union {
        TOKEN_USER user;
        unsigned char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } owner;
    DWORD size = 0;
    if (GetTokenInformation(token, TokenUser, &owner, sizeof owner, &size)) {
        ReadAccountName(owner.user.User.Sid, setting.user, sizeof setting.user);
        setting.system = IsWellKnownSid(owner.user.User.Sid, WinLocalSystemSid);
    }
    TOKEN_ELEVATION elevation = {};
    setting.elevated =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
    DWORD virtualized = 0;
    setting.virtualized =
        GetTokenInformation(token, TokenVirtualizationEnabled, &virtualized, sizeof virtualized, &size) && virtualized;
    CloseHandle(token);
}

bool IsConsole(DWORD standardHandle)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(standardHandle), &mode);
}

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

} // namespace

extern const CheckOperations Win32CheckOperations = {
    ListLostValueLetters,
    ListLostTitleLetters,
    ReadErrorText,
    ReadFullPath,
    ExpandText,
    ReadFolder,
    IsLocalPath,
    ReadMilliseconds,
    FindWideProgram,
    WidenText,
};

void ReadCheckSetting(CheckSetting& setting)
{
    ReadCurrentFolder(setting.currentFolder, sizeof setting.currentFolder);
    setting.wow64 = IsWow64();
    setting.codePage = GetACP();
    static_assert(sizeof setting.leadByteRanges == MAX_LEADBYTES, "lead byte ranges as CPINFO has them");
    CPINFO info = {};
    std::memset(setting.leadByteRanges, 0, sizeof setting.leadByteRanges);
    // The last pair stays 0 0, ending the list whatever Windows answers.
    if (GetCPInfo(CP_ACP, &info))
        std::memcpy(setting.leadByteRanges, info.LeadByte, sizeof setting.leadByteRanges - 2);
    ReadToken(setting);
    setting.session = ReadSession();
}

void ListLostTitleArgumentLetters(char* letters, std::size_t capacity)
{
    letters[0] = '\0';
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return;
    // Walked as main reads the options, so that no option's value is taken
    // for --title.
    for (int i = 1; i + 1 < count; ++i) {
        if (std::wcscmp(arguments[i], L"--title") == 0) {
            ListLostLetters(arguments[i + 1], std::wcslen(arguments[i + 1]), letters, capacity);
            break;
        }
        if (std::wcscmp(arguments[i], L"--wait") == 0 || std::wcscmp(arguments[i], L"--out") == 0)
            ++i;
    }
    LocalFree(arguments);
}

bool WriteReportFile(const char* path, const char* text, bool unicode)
{
    static wchar_t wide[65536];  // as many characters as the report's storage has bytes
    const int length = static_cast<int>(std::strlen(text));
    const int units =
        unicode && length > 0 ? MultiByteToWideChar(CP_ACP, 0, text, length, wide, sizeof wide / sizeof wide[0]) : 0;
    if (unicode && length > 0 && units == 0)
        return false;
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (!unicode) {
        const bool written = WriteAll(file, text, static_cast<DWORD>(length));
        return CloseHandle(file) && written;
    }
    const unsigned char byteOrderMark[] = {0xFF, 0xFE};
    bool written = WriteAll(file, byteOrderMark, sizeof byteOrderMark);
    for (int start = 0, end = 0; written && start < units; start = end + 1) {
        for (end = start; end < units && wide[end] != L'\n'; ++end) {
        }
        written = WriteAll(file, wide + start, static_cast<DWORD>(end - start) * sizeof wide[0]) &&
                  (end == units || WriteAll(file, L"\r\n", 2 * sizeof wide[0]));
    }
    return CloseHandle(file) && written;
}

void WaitSeconds(int seconds)
{
    Sleep(static_cast<DWORD>(seconds) * 1000);
}

void HoldOwnConsole(bool reportInFile)
{
    const HWND console = GetConsoleWindow();
    DWORD processes[2];
    const ConsoleFacts facts = {IsConsole(STD_INPUT_HANDLE), IsConsole(STD_OUTPUT_HANDLE),
                                console && IsWindowVisible(console), GetConsoleProcessList(processes, 2),
                                ReadSession(), reportInFile};
    if (!HoldsConsole(facts))
        return;
    WriteText("\nPress Enter to close this window.", false);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
    }
}
