// The check's entry: runs the launcher's own code through the recording
// table and tells what the launcher would do here.
#include <cstdlib>
#include <cstring>

#include "check_platform.h"
#include "check_report.h"
#include "launch_sequence.h"

namespace {

const char kUsage[] =
    "usage: kdnclaunch-check [--title TEXT | --wait SECONDS] [--json] [--out FILE]\n"
    "                        [--fix | --fix-program PROGRAM]\n"
    "Runs kdnclaunch's own steps and tells what kdnclaunch would do on this PC:\n"
    "which install record leads to KORVANT DNC, and what DNC would be handed.\n"
    "It starts nothing, shows no box and, without --fix, changes nothing.\n"
    "  --title TEXT  the title of the window in front, as the editor shows it\n"
    "  --wait N      read the window in front after N seconds (0 to 60): bring\n"
    "                the editor to the front meanwhile\n"
    "  --out FILE    write the report to FILE as UTF-16 text with a byte-order\n"
    "                mark, which cmd's type, Notepad and PowerShell's Get-Content\n"
    "                read right; only its last line, the verdict, goes to\n"
    "                standard output\n"
    "  --json        the same facts as one line of JSON in ASCII, for a program\n"
    "                that gathers every PC's answer; with --out, into FILE as is\n"
    "  --fix         as an administrator or SYSTEM: write the first fix the\n"
    "                report proves and trusts into its install record, then\n"
    "                tell what kdnclaunch would do now; nothing where DNC\n"
    "                already starts\n"
    "  --fix-program PROGRAM\n"
    "                the same, but only a fix that leads to PROGRAM, as a\n"
    "                report named it; else nothing is written\n"
    "  --help, /?    this text\n"
    "With neither --title nor --wait, no window is in front, as when a\n"
    "deployment tool starts it.\n"
    "Exit code: 0 when kdnclaunch would start KORVANT DNC, 1 when it would show\n"
    "its warning, 2 for a wrong command line or a report file that cannot be\n"
    "written. With --fix: 0 when kdnclaunch would start DNC afterwards, 1 when\n"
    "no fix can be vouched for, 2 when it could not be written; nothing is\n"
    "written but that one value.\n";

constexpr long kLongestWait = 60;

struct CheckOptions {
    const char* title;  // null: none given
    int waitSeconds;    // below 0: no wait
    const char* out;    // null: the whole report to standard output
    int outArgument;    // where --out's path is among the arguments, to be taken in UTF-16
    bool json;
    bool help;
    bool fix;
    const char* fixProgram;  // null: the first fix that can be vouched for
};

// False for a wrong command line.
bool ReadOptions(int argc, char** argv, CheckOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const bool windowChosen = options.title || options.waitSeconds >= 0;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "/?") == 0) {
            options.help = true;
        } else if (std::strcmp(argv[i], "--fix") == 0 && !options.fix) {
            options.fix = true;
        } else if (std::strcmp(argv[i], "--fix-program") == 0 && i + 1 < argc && !options.fix) {
            options.fix = true;
            options.fixProgram = argv[++i];
        } else if (std::strcmp(argv[i], "--json") == 0 && !options.json) {
            options.json = true;
        } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc && !options.out) {
            options.out = argv[++i];
            options.outArgument = i;
        } else if (std::strcmp(argv[i], "--title") == 0 && i + 1 < argc && !windowChosen) {
            options.title = argv[++i];
        } else if (std::strcmp(argv[i], "--wait") == 0 && i + 1 < argc && !windowChosen) {
            const char* seconds = argv[++i];
            char* end = nullptr;
            const long value = std::strtol(seconds, &end, 10);
            if (*seconds < '0' || *seconds > '9' || *end != '\0' || value > kLongestWait)
                return false;
            options.waitSeconds = static_cast<int>(value);
        } else {
            return false;
        }
    }
    return true;
}

// The verdict: the report's last line, with its line end.
const char* LastLine(const char* text)
{
    const char* end = text + std::strlen(text);
    const char* start = end > text && end[-1] == '\n' ? end - 1 : end;
    while (start > text && start[-1] != '\n')
        --start;
    return start;
}

// The exit code: the verdict's, or 2 when the report file cannot be written.
// The output is the text report or the JSON; the verdict is the text's last line.
int WriteReport(const char* output, const char* text, const char* out, const wchar_t* widePath, bool json,
                int verdict, bool written)
{
    if (!out) {
        WriteText(output, false);
        return verdict;
    }
    const char* refusal = "";
    if (!WriteReportFile(widePath, output, !json, &refusal)) {
        WriteText("kdnclaunch-check: cannot write ", true);
        WriteText(out, true);
        if (refusal[0]) {
            WriteText(": ", true);
            WriteText(refusal, true);
        }
        WriteText("\n", true);
        // A value written is said even so, lest exit 2 read as nothing done.
        if (written)
            WriteText(LastLine(text), false);
        return 2;
    }
    WriteText(LastLine(text), false);
    return verdict;
}

} // namespace

// Wide, so that an --out path keeps every letter; the other arguments are
// read as the launcher reads text, in the ANSI code page.
int wmain(int argc, wchar_t** wideArgv)
{
    static char* argv[256];
    static char arguments[65536];
    CheckOptions options = {nullptr, -1, nullptr, 0, false, false, false, nullptr};
    if (argc > static_cast<int>(sizeof argv / sizeof argv[0]) ||
        !NarrowArguments(argc, wideArgv, argv, arguments, sizeof arguments) || !ReadOptions(argc, argv, options)) {
        WriteText(kUsage, true);
        return 2;
    }
    if (options.help) {
        WriteText(kUsage, false);
        return 0;
    }
    if (options.waitSeconds >= 0) {
        WriteText("Bring the editor to the front: the window in front is read when the wait ends.\n", true);
        WaitSeconds(options.waitSeconds);
    }
    RecordedCalls.windows = &Win32Operations;
    RecordedCalls.check = &Win32CheckOperations;
    RecordedCalls.readsWindowInFront = options.waitSeconds >= 0;
    RecordedCalls.givenTitle = options.title;
    if (options.title) {
        static char lostLetters[512];
        ListLostTitleArgumentLetters(lostLetters, sizeof lostLetters);
        RecordedCalls.givenTitleLostLetters = lostLetters;
    }
    RunLauncher(RecordingOperations);

    static CheckSetting setting;
    ReadCheckSetting(setting);
    static CheckReading reading;
    ReadCheck(RecordedCalls, setting, reading);
    static FixRun fix;
    const int fixed = options.fix ? FixDncRecord(setting, options.fixProgram, reading, fix) : 0;
    static char text[65536];
    ReportText report = {text, sizeof text, 0, 0, false};
    // With --fix, the fix's exit code; the report tells the run after the write.
    const int verdict = WriteCheckReport(reading, setting, report);
    // Room for the longest JSON: every byte of every text a \u escape.
    static char json[262144];
    ReportText machine = {json, sizeof json, 0, 0, false};
    if (options.json && !WriteCheckJson(reading, setting, Win32CheckOperations, machine)) {
        WriteText("kdnclaunch-check: the JSON report does not fit its storage\n", true);
        return 2;
    }
    const int exitCode = WriteReport(options.json ? json : text, text, options.out,
                                     options.out ? wideArgv[options.outArgument] : nullptr, options.json,
                                     options.fix ? fixed : verdict, fix.outcome == FixOutcome::kWritten);
    HoldOwnConsole(options.out != nullptr);
    return exitCode;
}
