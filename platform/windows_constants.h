// The Win32 values the launcher uses, defined here so that the launcher
// never needs <windows.h>. Never include this beside <windows.h>: the names
// are the same.
#pragma once

#include "windows_operations.h"

constexpr RegistryKey HKEY_LOCAL_MACHINE = static_cast<RegistryKey>(static_cast<std::intptr_t>(std::int32_t(0x80000002u)));
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_WOW64_32KEY = 0x0200;
constexpr int MAX_PATH = 260;
constexpr std::int32_t ERROR_SUCCESS = 0;
constexpr int SW_SHOW = 5;
constexpr SearchHandle INVALID_HANDLE_VALUE = ~SearchHandle(0);
constexpr unsigned int MB_OK = 0x00;
constexpr unsigned int MB_ICONWARNING = 0x30;

constexpr WindowHandle kNoWindow = 0;
constexpr ModuleHandle kOwnModule = 0;
