// Forwards each operation to the Win32 call of the same name. Only this
// file includes <windows.h>; it converts between the launcher's portable
// types and the Win32 ones and adds nothing else.
#include <windows.h>
#include <shellapi.h>

#include "windows_operations.h"

static_assert(sizeof(FindDataRecord) >= sizeof(WIN32_FIND_DATAA), "find-data record too small");
static_assert(alignof(FindDataRecord) >= alignof(WIN32_FIND_DATAA), "find-data record misaligned");

namespace {

template <typename Handle>
Handle ToHandle(std::uintptr_t value) { return reinterpret_cast<Handle>(value); }

template <typename Handle>
std::uintptr_t FromHandle(Handle handle) { return reinterpret_cast<std::uintptr_t>(handle); }

WindowHandle ForwardGetForegroundWindow()
{
    return FromHandle(GetForegroundWindow());
}

int ForwardGetWindowTextA(WindowHandle window, char* text, int maxCount)
{
    return GetWindowTextA(ToHandle<HWND>(window), text, maxCount);
}

std::int32_t ForwardRegOpenKeyExA(RegistryKey key, const char* subKey, std::uint32_t options,
                                  std::uint32_t access, RegistryKey* result)
{
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(ToHandle<HKEY>(key), subKey, options, access, &opened);
    *result = FromHandle(opened);
    return status;
}

std::int32_t ForwardRegQueryValueExA(RegistryKey key, const char* valueName, std::uint32_t* reserved,
                                     std::uint32_t* type, unsigned char* data, std::uint32_t* dataSize)
{
    DWORD typeRead = 0;
    DWORD size = dataSize ? *dataSize : 0;
    const LONG status = RegQueryValueExA(ToHandle<HKEY>(key), valueName, reinterpret_cast<LPDWORD>(reserved),
                                         type ? &typeRead : nullptr, data, dataSize ? &size : nullptr);
    if (type)
        *type = typeRead;
    if (dataSize)
        *dataSize = size;
    return status;
}

std::int32_t ForwardRegCloseKey(RegistryKey key)
{
    return RegCloseKey(ToHandle<HKEY>(key));
}

SearchHandle ForwardFindFirstFileA(const char* fileName, FindDataRecord* findData)
{
    return FromHandle(FindFirstFileA(fileName, reinterpret_cast<WIN32_FIND_DATAA*>(findData)));
}

int ForwardFindClose(SearchHandle search)
{
    return FindClose(ToHandle<HANDLE>(search));
}

ModuleHandle ForwardShellExecuteA(WindowHandle owner, const char* verb, const char* file,
                                  const char* parameters, const char* directory, int showCommand)
{
    return FromHandle(ShellExecuteA(ToHandle<HWND>(owner), verb, file, parameters, directory, showCommand));
}

int ForwardLoadStringA(ModuleHandle module, unsigned int id, char* buffer, int bufferMax)
{
    return LoadStringA(ToHandle<HINSTANCE>(module), id, buffer, bufferMax);
}

int ForwardMessageBoxA(WindowHandle owner, const char* text, const char* caption, unsigned int type)
{
    return MessageBoxA(ToHandle<HWND>(owner), text, caption, type);
}

} // namespace

extern const WindowsOperations Win32Operations = {
    ForwardGetForegroundWindow,
    ForwardGetWindowTextA,
    ForwardRegOpenKeyExA,
    ForwardRegQueryValueExA,
    ForwardRegCloseKey,
    ForwardFindFirstFileA,
    ForwardFindClose,
    ForwardShellExecuteA,
    ForwardLoadStringA,
    ForwardMessageBoxA,
};
