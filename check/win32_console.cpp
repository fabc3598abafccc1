// The check's console: what it writes there, and whether it waits for Enter.
#include <cstdio>
#include <cstring>

#include "console_hold.h"
#include "win32_check.h"

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

bool IsConsole(DWORD standardHandle)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(standardHandle), &mode);
}

} // namespace

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
