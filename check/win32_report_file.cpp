// The report file: written whole, as UTF-16 text or as the JSON's bytes.
#include <cstring>

#include "win32_check.h"

namespace {

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

} // namespace

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
