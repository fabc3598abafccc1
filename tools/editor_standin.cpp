// Plays the Predator CNC Editor: shows a foreground window with the given
// title, starts a program (the launcher) and answers each message box that
// program shows with OK, then reports "boxes=N" and "exit=N" on stdout.
// With --no-window it plays a deployment tool's service instead: starts the
// program with its arguments and no window, console or handles of its own,
// and reports "exit=N", or "timeout" (exit code 3) when it has not ended
// within SECONDS and was ended. --shown-console and --hidden-console start
// it so with a new console of its own instead, its window shown (as after a
// double-click) or hidden, nothing redirected. --key-security sets a key's
// owner and DACL in the 32-bit view of HKEY_LOCAL_MACHINE, as an installer
// may leave them, which no tool of Wine's does; --key-link makes a key
// there a registry link to TARGET (\Registry\Machine\...), as a user who
// may create keys there could.
//
// Usage: editor_standin TITLE PROGRAM [ANSWER-AFTER-MS]
//        editor_standin --no-window|--shown-console|--hidden-console SECONDS PROGRAM [ARGS...]
//        editor_standin --hold-desktop MS   (keeps Wine's desktop open)
//        editor_standin --key-security KEY SDDL
//        editor_standin --key-link KEY TARGET
#include <windows.h>
#include <sddl.h>

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

struct CommandLine {
    char text[32768];  // the longest command line CreateProcess takes
    std::size_t length;
    bool fits;
};

void Put(CommandLine& line, char c, std::size_t count = 1)
{
    for (; count > 0; --count) {
        line.fits = line.fits && line.length + 1 < sizeof line.text;
        if (line.fits)
            line.text[line.length++] = c;
    }
}

// Adds the argument so that the C runtime reads it back whole: quoted when
// empty or holding a blank or quote, with a quote and the backslashes right
// before it, or before the closing quote, escaped.
void PutArgument(CommandLine& line, const char* argument)
{
    const bool quoted = *argument == '\0' || std::strpbrk(argument, " \t\"");
    if (line.length > 0)
        Put(line, ' ');
    if (quoted)
        Put(line, '"');
    for (const char* c = argument;; ++c) {
        std::size_t backslashes = 0;
        for (; *c == '\\'; ++c)
            ++backslashes;
        if (*c == '\0') {
            Put(line, '\\', quoted ? 2 * backslashes : backslashes);
            break;
        }
        Put(line, '\\', *c == '"' ? 2 * backslashes + 1 : backslashes);
        Put(line, *c);
    }
    if (quoted)
        Put(line, '"');
}

// As a deployment tool's service starts a program, CREATE_NO_WINDOW gives
// it a console no one sees; a new console's window is shown unless hidden.
// It inherits no handle.
int RunInConsole(const char* mode, DWORD seconds, int count, char** arguments)
{
    static CommandLine line;
    line.fits = true;
    for (int i = 0; i < count; ++i)
        PutArgument(line, arguments[i]);
    line.text[line.length] = '\0';
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = std::strcmp(mode, "--hidden-console") == 0 ? STARTF_USESHOWWINDOW : 0;
    startup.wShowWindow = SW_HIDE;
    const DWORD flags = std::strcmp(mode, "--no-window") == 0 ? CREATE_NO_WINDOW : CREATE_NEW_CONSOLE;
    PROCESS_INFORMATION child = {};
    if (!line.fits ||
        !CreateProcessA(arguments[0], line.text, nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &child)) {
        std::fprintf(stderr, "editor_standin: cannot start %s (error %lu)\n", arguments[0], GetLastError());
        return 2;
    }
    if (WaitForSingleObject(child.hProcess, seconds * 1000) == WAIT_TIMEOUT) {
        TerminateProcess(child.hProcess, 1);
        std::printf("timeout\n");
        return 3;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    std::printf("exit=%lu\n", exitCode);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && (std::strcmp(argv[1], "--no-window") == 0 || std::strstr(argv[1], "-console")))
        return RunInConsole(argv[1], std::strtoul(argv[2], nullptr, 10), argc - 3, argv + 3);
    if (argc == 4 && std::strcmp(argv[1], "--key-security") == 0) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        HKEY key = nullptr;
        const bool set = ConvertStringSecurityDescriptorToSecurityDescriptorA(argv[3], SDDL_REVISION_1, &descriptor,
                                                                              nullptr) &&
                         RegOpenKeyExA(HKEY_LOCAL_MACHINE, argv[2], 0, WRITE_DAC | WRITE_OWNER | KEY_WOW64_32KEY, &key) ==
                             ERROR_SUCCESS &&
                         RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor) ==
                             ERROR_SUCCESS;
        if (!set)
            std::fprintf(stderr, "editor_standin: cannot set the security of %s\n", argv[2]);
        return set ? 0 : 2;
    }
    if (argc == 4 && std::strcmp(argv[1], "--key-link") == 0) {
        HKEY key = nullptr;
        wchar_t target[MAX_PATH];
        const int units = MultiByteToWideChar(CP_ACP, 0, argv[3], -1, target, MAX_PATH) - 1;  // no terminator stored
        LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, argv[2], 0, nullptr, REG_OPTION_CREATE_LINK,
                                      KEY_ALL_ACCESS | KEY_CREATE_LINK | KEY_WOW64_32KEY, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS)
            status = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target),
                                    static_cast<DWORD>(units * sizeof(wchar_t)));
        if (status != ERROR_SUCCESS)
            std::fprintf(stderr, "editor_standin: cannot make %s a link: error %ld\n", argv[2], status);
        return status == ERROR_SUCCESS ? 0 : 2;
    }
    if (argc == 3 && std::strcmp(argv[1], "--hold-desktop") == 0) {
        // Wine closes a desktop a second after its last window, and a program
        // started while it closes waits seconds for a new one.
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        Pump(std::strtoul(argv[2], nullptr, 10));
        return 0;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: editor_standin TITLE PROGRAM [ANSWER-AFTER-MS]\n"
                             "       editor_standin --no-window|--shown-console|--hidden-console SECONDS PROGRAM "
                             "[ARGS...]\n");
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
