// The report file: written whole, as UTF-16 text or as the JSON's bytes, to
// a path taken in UTF-16, never through a link, nor over a file of two names.
#include <cstring>
#include <cwchar>

#include "report_path.h"
#include "win32_check.h"

namespace {

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// What Windows says of the path: each folder on it from the root, and the
// file, each as itself, a link not followed.
void ReadReportPathFacts(const wchar_t* path, ReportPathFacts& facts)
{
    static wchar_t folder[32768];
    const std::size_t length = std::wcslen(path);
    // Past the root: "C:\", or "\\server\share\", whose parts are no folders.
    std::size_t start = path[0] == L'\\' && path[1] == L'\\' ? 2 : 0;
    for (int skip = start ? 2 : 1; skip > 0 && start < length; --skip) {
        while (start < length && path[start] != L'\\')
            ++start;
        ++start;
    }
    for (std::size_t end = start; end < length; ++end) {
        if (path[end] != L'\\')
            continue;
        std::wmemcpy(folder, path, end);
        folder[end] = L'\0';
        const DWORD attributes = GetFileAttributesW(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            facts.folderIsLink = true;
    }
    const HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION information;
    facts.fileExists = true;
    if (GetFileInformationByHandle(file, &information)) {
        facts.fileIsLink = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        facts.fileIsFolder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        facts.fileNames = information.nNumberOfLinks;
    }
    CloseHandle(file);
}

} // namespace

bool WriteReportFile(const wchar_t* path, const char* text, bool unicode, const char** refusal)
{
    static wchar_t wide[65536];  // as many characters as the report's storage has bytes
    static wchar_t fullPath[32768];
    *refusal = "";
    const DWORD fullLength = GetFullPathNameW(path, sizeof fullPath / sizeof fullPath[0], fullPath, nullptr);
    if (fullLength == 0 || fullLength >= sizeof fullPath / sizeof fullPath[0])
        return false;
    ReportPathFacts facts = {false, false, false, false, 0};
    ReadReportPathFacts(fullPath, facts);
    const ReportPathVerdict verdict = JudgeReportPath(facts);
    if (verdict != ReportPathVerdict::kWrite) {
        *refusal = ReportPathRefusal(verdict);
        return false;
    }
    const int length = static_cast<int>(std::strlen(text));
    const int units =
        unicode && length > 0 ? MultiByteToWideChar(CP_ACP, 0, text, length, wide, sizeof wide / sizeof wide[0]) : 0;
    if (unicode && length > 0 && units == 0)
        return false;
    // A link planted since is replaced, not followed.
    const HANDLE file = CreateFileW(fullPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
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
