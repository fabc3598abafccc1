// The table of the check's own questions, and the letters the ANSI code page
// loses, which the registry, the title and the command line all report.
#include "win32_check.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>

namespace {

// As the launcher's title buffer, MAX_PATH.
constexpr int kTitleCapacity = MAX_PATH;

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

} // namespace

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

namespace {

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

std::size_t WidenText(const char* text, char16_t* wide, std::size_t capacity)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 units on Windows");
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<wchar_t*>(wide),
                                          static_cast<int>(capacity));
    return units > 0 ? static_cast<std::size_t>(units - 1) : 0;
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
    ReadValueElsewhere,
    WriteRecordFolder,
    ReadPathSecurity,
    ReadKeySecurity,
};

bool NarrowArguments(int argc, wchar_t** wide, char** narrow, char* storage, std::size_t capacity)
{
    std::size_t used = 0;
    for (int i = 0; i < argc; ++i) {
        const int room = static_cast<int>(capacity - used);
        const int size = WideCharToMultiByte(CP_ACP, 0, wide[i], -1, storage + used, room, nullptr, nullptr);
        if (size == 0)
            return false;
        narrow[i] = storage + used;
        used += static_cast<std::size_t>(size);
    }
    return true;
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
