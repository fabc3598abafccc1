// The check's own registry reads, beside the launcher's.
#include "win32_check.h"

#include <cstring>

namespace {

// An ANSI read that fitted the launcher's MAX_PATH bytes came from at most
// twice as many UTF-16 units: a surrogate pair may become one "?".
constexpr DWORD kValueCapacity = 2 * MAX_PATH;

} // namespace

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

std::int32_t ReadValueElsewhere(bool currentUser, const char* keyPath, const char* valueName, std::int32_t* valueStatus,
                                std::uint32_t* type, char* bytes, std::uint32_t* size)
{
    HKEY key = nullptr;
    // HKEY_CURRENT_USER\Software is one key in both views.
    const LONG opened = RegOpenKeyExA(currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, keyPath, 0,
                                      KEY_QUERY_VALUE | (currentUser ? 0 : KEY_WOW64_64KEY), &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    const DWORD room = *size;
    DWORD valueType = 0, valueSize = room;
    std::memset(bytes, 0, room);
    *valueStatus = RegQueryValueExA(key, valueName, nullptr, &valueType, reinterpret_cast<BYTE*>(bytes), &valueSize);
    RegCloseKey(key);
    if (*valueStatus != ERROR_SUCCESS)
        std::memset(bytes, 0, room);  // undefined after a read that did not fit
    *type = valueType;
    *size = valueSize;
    return ERROR_SUCCESS;
}
