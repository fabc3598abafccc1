#include <windows.h>

#include <cstdio>

#include "check_platform.h"

void WriteText(const char* text, bool toStandardError)
{
    const HANDLE output = GetStdHandle(toStandardError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(output, &mode)) {
        std::fputs(text, toStandardError ? stderr : stdout);
        return;
    }
    static wchar_t wide[16384];
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, sizeof wide / sizeof wide[0]);
    DWORD written = 0;
    WriteConsoleW(output, wide, length > 0 ? length - 1 : 0, &written, nullptr);
}

namespace {

void ReadCurrentFolder(char* folder, unsigned int capacity)
{
    const DWORD length = GetCurrentDirectoryA(capacity, folder);
    if (length == 0 || length >= capacity)
        folder[0] = '\0';
}

bool IsWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// TODO(platform): the answers below are placeholders.
void ListNoValueLetters(RegistryKey, const char*, char* letters, std::size_t) { letters[0] = '\0'; }
void ListNoTitleLetters(WindowHandle, char* letters, std::size_t) { letters[0] = '\0'; }
void ReadNoErrorText(std::int32_t, char* text, std::size_t) { text[0] = '\0'; }
void ReadSamePath(const char* path, char* fullPath, std::size_t capacity) { CopyText(fullPath, capacity, path); }

} // namespace

extern const CheckOperations Win32CheckOperations = {
    ListNoValueLetters,
    ListNoTitleLetters,
    ReadNoErrorText,
    ReadSamePath,
};

void ReadCheckSetting(CheckSetting& setting)
{
    ReadCurrentFolder(setting.currentFolder, sizeof setting.currentFolder);
    setting.wow64 = IsWow64();
    setting.codePage = GetACP();
}

void ListLostTitleArgumentLetters(char* letters, std::size_t) { letters[0] = '\0'; }

bool WriteReportFile(const char*, const char*) { return false; }

void WaitSeconds(int seconds)
{
    Sleep(static_cast<DWORD>(seconds) * 1000);
}

void HoldOwnConsole()
{
    DWORD mode = 0;
    DWORD processes[2];
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) || GetConsoleProcessList(processes, 2) != 1)
        return;
    WriteText("\nPress Enter to close this window.", false);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
    }
}
