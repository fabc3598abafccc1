// Plays the Predator CNC Editor: shows a foreground window with the given
// title, starts a program (the launcher) and answers every message box that
// program shows, reporting on stdout what each box said and which icon it had.
//
// Usage: editor_standin [--title TEXT] [--timeout-ms N] [--screenshot FIRST-BOX.bmp] PROGRAM [ARGS...]
//        editor_standin [--timeout-ms N] --hold-desktop   (keeps Wine's desktop open for N ms)
// Report: "box caption=...", "box text=...", "box icon=warning|error|information|question|none"
// per box, then "boxes=N" and "exit=N", or "timeout" (exit status 3) when the program outlives N ms.
#include <windows.h>
#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxBoxes = 16;
constexpr DWORD kPollMs = 20;
// The control that holds the message of every message box.
constexpr int kMessageTextId = 0xFFFF;
// A box may show before its icon is painted; an icon not matched by then
// counts as none.
constexpr DWORD kIconSettleMs = 1500;

struct Options {
    const char* title = "";
    const char* screenshot = nullptr;
    DWORD timeoutMs = 10000;
    bool holdDesktop = false;
    char commandLine[4096] = {};
};

struct StockIcon {
    const char* name;
    LPCSTR id;
};

const StockIcon kStockIcons[] = {
    {"warning", IDI_WARNING},
    {"error", IDI_ERROR},
    {"information", IDI_INFORMATION},
    {"question", IDI_QUESTION},
};

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Waits for the handle, or only lets the time pass when there is none, while
// answering what is sent to the editor window: a program that sends it a
// message, as one taking the foreground does, waits for the answer.
bool WaitPumping(HANDLE handle, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return false;
        const DWORD result = MsgWaitForMultipleObjects(handle ? 1 : 0, &handle, FALSE, milliseconds - elapsed,
                                                       QS_ALLINPUT);
        if (handle && result == WAIT_OBJECT_0)
            return true;
        PumpMessages();
    }
}

// Milliseconds until the deadline, 0 once it has passed; tick counts wrap.
DWORD TimeLeft(DWORD deadline)
{
    const DWORD left = deadline - GetTickCount();
    return left < 0x80000000u ? left : 0;
}

// A memory bitmap that a rectangle of the screen or a drawing lands in.
struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    BITMAPINFOHEADER header;
    unsigned char* bits;
};

bool OpenCanvas(Canvas* canvas, int width, int height, WORD bitCount)
{
    *canvas = {};
    canvas->header.biSize = sizeof canvas->header;
    canvas->header.biWidth = width;
    canvas->header.biHeight = height;  // bottom-up, as a BMP file stores it
    canvas->header.biPlanes = 1;
    canvas->header.biBitCount = bitCount;
    canvas->header.biCompression = BI_RGB;
    canvas->header.biSizeImage = ((width * bitCount + 31) / 32 * 4) * height;
    canvas->dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    canvas->bitmap = CreateDIBSection(canvas->dc, reinterpret_cast<BITMAPINFO*>(&canvas->header), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    canvas->bits = static_cast<unsigned char*>(bits);
    if (!canvas->bitmap)
        return false;
    canvas->previous = SelectObject(canvas->dc, canvas->bitmap);
    return true;
}

void CloseCanvas(Canvas* canvas)
{
    if (canvas->bitmap) {
        SelectObject(canvas->dc, canvas->previous);
        DeleteObject(canvas->bitmap);
    }
    DeleteDC(canvas->dc);
}

void CopyScreen(Canvas* canvas, const RECT& area)
{
    HDC screen = GetDC(nullptr);
    BitBlt(canvas->dc, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
}

void DrawIconOn(Canvas* canvas, HICON icon, int size, COLORREF background)
{
    HBRUSH brush = CreateSolidBrush(background);
    const RECT all = {0, 0, size, size};
    FillRect(canvas->dc, &all, brush);
    DeleteObject(brush);
    DrawIconEx(canvas->dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
}

// Share of the icon's opaque pixels that the screen shows in the icon's own
// colour. Icon handles belong to their process, so only pixels can tell
// which stock icon another process drew; drawing the icon on black and on
// white tells its opaque pixels from the see-through ones.
double MatchIcon(HICON icon, int size, const DWORD* screen)
{
    Canvas onBlack, onWhite;
    double share = 0;
    if (OpenCanvas(&onBlack, size, size, 32) && OpenCanvas(&onWhite, size, size, 32)) {
        DrawIconOn(&onBlack, icon, size, RGB(0, 0, 0));
        DrawIconOn(&onWhite, icon, size, RGB(255, 255, 255));
        const DWORD* black = reinterpret_cast<const DWORD*>(onBlack.bits);
        const DWORD* white = reinterpret_cast<const DWORD*>(onWhite.bits);
        int opaque = 0, matching = 0;
        for (int i = 0; i < size * size; ++i) {
            const DWORD colour = black[i] & 0xFFFFFF;
            if (colour == (white[i] & 0xFFFFFF)) {
                ++opaque;
                matching += colour == (screen[i] & 0xFFFFFF);
            }
        }
        share = opaque ? double(matching) / opaque : 0;
    }
    CloseCanvas(&onWhite);
    CloseCanvas(&onBlack);
    return share;
}

BOOL CALLBACK FindIconControl(HWND child, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child)) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// Which stock icon the box shows, by comparing its icon control's pixels on
// the screen with each stock icon drawn here.
const char* IdentifyIcon(HWND box)
{
    HWND control = nullptr;
    EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&control));
    if (!control)
        return "none";
    const int size = GetSystemMetrics(SM_CXICON);
    POINT origin = {0, 0};
    ClientToScreen(control, &origin);
    const RECT area = {origin.x, origin.y, origin.x + size, origin.y + size};
    Canvas screen;
    const char* name = "none";
    if (OpenCanvas(&screen, size, size, 32)) {
        const DWORD* shown = reinterpret_cast<const DWORD*>(screen.bits);
        for (const DWORD start = GetTickCount(); GetTickCount() - start < kIconSettleMs;) {
            CopyScreen(&screen, area);
            for (const StockIcon& stock : kStockIcons)
                if (MatchIcon(LoadIconA(nullptr, stock.id), size, shown) > 0.9)
                    name = stock.name;
            if (std::strcmp(name, "none") != 0)
                break;
            WaitPumping(nullptr, kPollMs);
        }
    }
    CloseCanvas(&screen);
    return name;
}

bool SaveScreenshot(HWND box, const char* fileName)
{
    RECT area;
    GetWindowRect(box, &area);
    Canvas shot;
    bool saved = false;
    if (OpenCanvas(&shot, area.right - area.left, area.bottom - area.top, 24)) {
        CopyScreen(&shot, area);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof shot.header;
        file.bfSize = file.bfOffBits + shot.header.biSizeImage;
        if (FILE* out = std::fopen(fileName, "wb")) {
            saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                    std::fwrite(&shot.header, sizeof shot.header, 1, out) == 1 &&
                    std::fwrite(shot.bits, shot.header.biSizeImage, 1, out) == 1;
            saved = std::fclose(out) == 0 && saved;
        }
    }
    CloseCanvas(&shot);
    return saved;
}

// One value per line, so that a line break inside a text cannot forge a
// line of the report.
void PrintField(const char* name, const char* value)
{
    std::printf("box %s=", name);
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(value); *c; ++c)
        std::printf(*c < 0x20 ? "\\x%02X" : "%c", *c);
    std::printf("\n");
}

struct BoxSearch {
    DWORD processId;
    HWND found;
    const HWND* answered;
    int answeredCount;
};

BOOL CALLBACK FindNewBox(HWND window, LPARAM context)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner != search->processId || std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    for (int i = 0; i < search->answeredCount; ++i)
        if (search->answered[i] == window)
            return TRUE;
    search->found = window;
    return FALSE;
}

// Reports and answers each new box of the process until it ends; false when
// the deadline passes first.
bool AnswerBoxesUntilExit(const PROCESS_INFORMATION& child, const Options& options, DWORD deadline, int* boxes)
{
    HWND answered[kMaxBoxes];
    while (!WaitPumping(child.hProcess, kPollMs)) {
        if (TimeLeft(deadline) == 0)
            return false;
        BoxSearch search = {child.dwProcessId, nullptr, answered, *boxes};
        EnumWindows(FindNewBox, reinterpret_cast<LPARAM>(&search));
        if (!search.found || *boxes == kMaxBoxes)
            continue;
        char caption[512] = {}, text[1024] = {};
        GetWindowTextA(search.found, caption, sizeof caption);
        if (HWND label = GetDlgItem(search.found, kMessageTextId))
            GetWindowTextA(label, text, sizeof text);
        const char* icon = IdentifyIcon(search.found);
        PrintField("caption", caption);
        PrintField("text", text);
        PrintField("icon", icon);
        if (options.screenshot && *boxes == 0) {
            WaitPumping(nullptr, 200);  // the text and button paint after the icon
            if (!SaveScreenshot(search.found, options.screenshot))
                std::fprintf(stderr, "editor_standin: cannot save %s\n", options.screenshot);
        }
        answered[(*boxes)++] = search.found;
        PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    }
    return true;
}

// Waits, until the deadline, for the programs the child started, so that
// whatever they record is complete when this program ends.
void WaitForGrandchildren(DWORD childId, DWORD deadline)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != childId)
            continue;
        if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            WaitPumping(process, TimeLeft(deadline));
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

// Wine closes a desktop a second after the last program on it ends, and a
// program that starts while it closes waits seconds for a new one. A hidden
// window held here keeps the desktop open between runs.
void HoldDesktop(DWORD milliseconds)
{
    CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    WaitPumping(nullptr, milliseconds);
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
    for (int attempt = 0; window && attempt < 100 && GetForegroundWindow() != window; ++attempt) {
        SetForegroundWindow(window);
        WaitPumping(nullptr, kPollMs);
    }
    return window && GetForegroundWindow() == window ? window : nullptr;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    int i = 1;
    while (i < argc && std::strncmp(argv[i], "--", 2) == 0) {
        const char* name = argv[i++];
        if (std::strcmp(name, "--hold-desktop") == 0) {
            options->holdDesktop = true;
            continue;
        }
        if (i == argc)
            return false;
        const char* value = argv[i++];
        if (std::strcmp(name, "--title") == 0)
            options->title = value;
        else if (std::strcmp(name, "--screenshot") == 0)
            options->screenshot = value;
        else if (std::strcmp(name, "--timeout-ms") == 0)
            options->timeoutMs = std::strtoul(value, nullptr, 10);
        else
            return false;
    }
    if (options->holdDesktop || i == argc)
        return options->holdDesktop && i == argc;
    // Each argument quoted whole; none of the programs run here takes a quote.
    std::size_t used = 0;
    for (; i < argc; ++i) {
        const int written = std::snprintf(options->commandLine + used, sizeof options->commandLine - used,
                                          "%s\"%s\"", used ? " " : "", argv[i]);
        if (written < 0 || used + written >= sizeof options->commandLine)
            return false;
        used += written;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Plain line feeds, so that the report reads the same from a Unix shell.
    _setmode(_fileno(stdout), _O_BINARY);
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: editor_standin [--title TEXT] [--timeout-ms N] [--screenshot FILE] PROGRAM [ARGS...]\n"
                     "       editor_standin [--timeout-ms N] --hold-desktop\n");
        return 2;
    }
    if (options.holdDesktop) {
        HoldDesktop(options.timeoutMs);
        return 0;
    }
    if (!ShowEditorWindow(options.title)) {
        std::fprintf(stderr, "editor_standin: the window did not become the foreground window\n");
        return 2;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(nullptr, options.commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &child)) {
        std::fprintf(stderr, "editor_standin: cannot start %s (error %lu)\n", options.commandLine, GetLastError());
        return 2;
    }
    const DWORD deadline = GetTickCount() + options.timeoutMs;
    int boxes = 0;
    const bool ended = AnswerBoxesUntilExit(child, options, deadline, &boxes);
    std::printf("boxes=%d\n", boxes);
    int status = 0;
    if (ended) {
        DWORD exitCode = 0;
        GetExitCodeProcess(child.hProcess, &exitCode);
        std::printf("exit=%lu\n", exitCode);
        WaitForGrandchildren(child.dwProcessId, deadline);
    } else {
        TerminateProcess(child.hProcess, 1);
        std::printf("timeout\n");
        status = 3;
    }
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return status;
}
