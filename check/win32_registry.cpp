// The check's own registry reads, beside the launcher's.
#include <cstring>

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

namespace {

// How much of the key path exists already: up to the first of its keys that
// a failed write would have to remove again.
std::size_t ExistingKeyLength(const char* keyPath)
{
    char path[MAX_PATH];
    CopyText(path, sizeof path, keyPath);
    std::size_t existing = 0;
    for (std::size_t end = 0;; ++end) {
        if (path[end] != '\\' && path[end] != '\0')
            continue;
        const char kept = path[end];
        path[end] = '\0';
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
            return existing;
        RegCloseKey(key);
        existing = end;
        if (kept == '\0')
            return existing;
        path[end] = kept;
    }
}

// Removes the keys a failed write made, from the deepest up.
void RemoveMadeKeys(const char* keyPath, std::size_t existing)
{
    char path[MAX_PATH];
    CopyText(path, sizeof path, keyPath);
    for (std::size_t end = std::strlen(path); end > existing; --end) {
        if (path[end] != '\\' && path[end] != '\0')
            continue;
        path[end] = '\0';
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY, 0);
    }
}

} // namespace

std::int32_t WriteRecordFolder(const char* keyPath, const char* valueName, const char* folder, PreviousValue& before)
{
    before = PreviousValue{};
    const std::size_t existing = ExistingKeyLength(keyPath);
    HKEY key = nullptr;
    DWORD made = 0;
    const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_32KEY;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, access, nullptr, &key, &made);
    if (status != ERROR_SUCCESS) {
        RemoveMadeKeys(keyPath, existing);
        return status;
    }
    before.keyFound = made == REG_OPENED_EXISTING_KEY;
    DWORD type = 0;
    DWORD size = sizeof before.data;
    status = RegQueryValueExA(key, valueName, nullptr, &type, before.data, &size);
    before.valueFound = status == ERROR_SUCCESS;
    before.type = type, before.size = size;
    // A value that cannot be kept whole, or read at all, could not be put
    // back: it is left as it is.
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        status = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                                static_cast<DWORD>(std::strlen(folder) + 1));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        RemoveMadeKeys(keyPath, existing);
    return status;
}
