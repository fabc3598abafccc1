// Plays the Predator CNC Editor: shows a foreground window with the given
// title, starts a program (the launcher) and answers each message box that
// program shows with OK, then reports "boxes=N" and "exit=N" on stdout.
//
// Usage: editor_standin TITLE PROGRAM [ANSWER-AFTER-MS]
//        editor_standin --hold-desktop MS   (keeps Wine's desktop open)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kPollMs = 20;
// Bounds, not delays: emulated Wine takes many times longer than a PC.
constexpr DWORD kTimeoutMs = 120000;

// Lets the time pass while answering what is sent to this program's window:
// a program that takes the foreground waits for that answer.
void Pump(DWORD milliseconds)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
}

struct BoxSearch {
    DWORD processId;
    HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM context)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner != search->processId || std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    search->box = window;
    return FALSE;
}

HWND ShowEditorWindow(const char* title)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "EditorStandin";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  640, 400, nullptr, nullptr, windowClass.hInstance, nullptr);
    // A fresh Wine prefix may keep the foreground for its desktop a while.
    for (const DWORD start = GetTickCount();
         window && GetTickCount() - start < kTimeoutMs && GetForegroundWindow() != window;) {
        SetForegroundWindow(window);
        Pump(kPollMs);
    }
    return window && GetForegroundWindow() == window ? window : nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-desktop") == 0) {
        // Wine closes a desktop a second after its last window, and a program
        // started while it closes waits seconds for a new one.
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        Pump(std::strtoul(argv[2], nullptr, 10));
        return 0;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: editor_standin TITLE PROGRAM [ANSWER-AFTER-MS]\n");
        return 2;
    }
    if (!ShowEditorWindow(argv[1])) {
        std::fprintf(stderr, "editor_standin: the window did not become the foreground window\n");
        return 2;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(argv[2], nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        std::fprintf(stderr, "editor_standin: cannot start %s (error %lu)\n", argv[2], GetLastError());
        return 2;
    }
    const DWORD answerAfter = argc == 4 ? std::strtoul(argv[3], nullptr, 10) : 0;
    int boxes = 0;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(child.hProcess, 0) == WAIT_TIMEOUT && GetTickCount() - start < kTimeoutMs) {
        BoxSearch search = {child.dwProcessId, nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box) {
            Pump(answerAfter);
            PostMessageA(search.box, WM_COMMAND, IDOK, 0);
            // Counted once: the box is gone before the next look.
            while (IsWindow(search.box) && GetTickCount() - start < kTimeoutMs)
                Pump(kPollMs);
            ++boxes;
        }
        Pump(kPollMs);
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    std::printf(exitCode == STILL_ACTIVE ? "boxes=%d\ntimeout\n" : "boxes=%d\nexit=%lu\n", boxes, exitCode);
    std::fflush(stdout);
    if (exitCode == STILL_ACTIVE)
        TerminateProcess(child.hProcess, 1);
    return exitCode == STILL_ACTIVE ? 3 : 0;
}
