// What the check's Win32 files share among themselves: each concern keeps
// its own calls, and the one CheckOperations table lists those the report
// asks through.
#pragma once

#include <windows.h>

#include "check_platform.h"

// The letters of the text, up to its first zero, that do not come back the
// same through the ANSI code page, as the system's ANSI reads lose them.
void ListLostLetters(const wchar_t* text, std::size_t length, char* letters, std::size_t capacity);

// Who runs it.
// 0, no one's desktop, when Windows does not say.
unsigned long ReadSession();

// The registry.
void ListLostValueLetters(RegistryKey key, const char* valueName, char* letters, std::size_t capacity,
                          char16_t* wide, std::size_t wideCapacity);
std::int32_t ReadValueElsewhere(bool currentUser, const char* keyPath, const char* valueName, std::int32_t* valueStatus,
                                std::uint32_t* type, char* bytes, std::uint32_t* size);

std::int32_t WriteRecordFolder(const char* keyPath, const char* valueName, const char* folder, PreviousValue& before);

// The search.
void ReadFullPath(const char* path, char* fullPath, std::size_t capacity);
void ExpandText(const char* text, char* expanded, std::size_t capacity);
std::int32_t ReadFolder(const char* folder, bool (*visit)(const char* name, bool isFolder, void* context),
                        void* context);
bool IsLocalPath(const char* path);
std::uint32_t ReadMilliseconds();
int FindWideProgram(const char16_t* folder, const char* subpath, char* shortFolder, std::size_t capacity);

// File security.
std::int32_t ReadPathSecurity(const char* path, PathSecurity& security);
std::int32_t ReadKeySecurity(const char* keyPath, PathSecurity& security);
