#include "check_report.h"

#include <charconv>
#include <cstring>
#include <initializer_list>

#include "launch_sequence.h"

namespace {

constexpr std::int32_t kNotFound = 2;      // ERROR_FILE_NOT_FOUND
constexpr std::int32_t kMoreData = 234;    // ERROR_MORE_DATA

struct NumberText {
    char text[24];
};

NumberText Number(long long number)
{
    NumberText result = {};
    std::to_chars(result.text, result.text + sizeof result.text - 1, number);
    return result;
}

void Append(ReportText& report, std::initializer_list<const char*> pieces)
{
    for (const char* piece : pieces)
        for (; *piece != '\0' && report.length + 1 < report.capacity; ++piece)
            report.text[report.length++] = *piece;
    report.text[report.length] = '\0';
}

// The first call of that name in [from, end), with that argument unless it
// is null; end when there is none.
int FindCall(const CallLog& log, const char* name, const char* argument, int from, int end)
{
    for (int i = from; i < end; ++i)
        if (std::strcmp(log.calls[i].name, name) == 0 &&
            (!argument || std::strcmp(log.calls[i].argument, argument) == 0))
            return i;
    return end;
}

bool FoundSomething(const RecordedCall& search)
{
    return static_cast<SearchHandle>(search.result) != INVALID_HANDLE_VALUE;
}

const char* RegistryView(const CallLog& log, bool wow64)
{
    const int open = FindCall(log, "RegOpenKeyExA", nullptr, 0, log.count);
    if (open < log.count && (log.calls[open].access & KEY_WOW64_32KEY) != 0)
        return "the 32-bit view (WOW6432Node), asked for with KEY_WOW64_32KEY";
    return wow64 ? "the 32-bit view (WOW6432Node), as for any 32-bit program on 64-bit Windows"
                 : "its only view, on 32-bit Windows";
}

// One install record: what was read, the path joined from it and what the
// search found. The result says whether the launcher took it.
bool AppendInstallRecord(const CallLog& log, const DncCandidate& candidate, int taken, ReportText& report)
{
    Append(report, {"HKLM\\", candidate.keyPath, ", value ", candidate.valueName, "\n   "});
    const int open = FindCall(log, "RegOpenKeyExA", candidate.keyPath, 0, log.count);
    if (open == log.count) {
        Append(report, {"not tried: record ", Number(taken).text, " was taken\n"});
        return false;
    }
    const std::intptr_t openStatus = log.calls[open].result;
    if (openStatus != ERROR_SUCCESS) {
        Append(report, {openStatus == kNotFound ? "no such key" : "key not opened: error ",
                        openStatus == kNotFound ? "" : Number(openStatus).text, "\n"});
        return false;
    }
    const int end = FindCall(log, "RegOpenKeyExA", nullptr, open + 1, log.count);
    const RecordedCall& read = log.calls[FindCall(log, "RegQueryValueExA", nullptr, open, end)];
    if (read.result == kMoreData) {
        Append(report, {"value too long for kdnclaunch: ", Number(read.dataSize).text, " bytes\n"});
        return false;
    }
    if (read.result != ERROR_SUCCESS) {
        Append(report, {read.result == kNotFound ? "no such value" : "value not read: error ",
                        read.result == kNotFound ? "" : Number(read.result).text, "\n"});
        return false;
    }
    if (read.answer[0] == '\0') {
        Append(report, {"empty value: skipped, it names no folder\n"});
        return false;
    }
    // Room for the longest value, a separator and the program subpath, joined
    // as the locator joins them.
    char joined[2 * MAX_PATH];
    CopyText(joined, sizeof joined, read.answer);
    AppendPathSeparator(joined);
    std::strcat(joined, candidate.programSubpath);
    const int search = FindCall(log, "FindFirstFileA", joined, open, end);
    Append(report, {"folder:  ", read.answer, "\n   program: ", joined});
    if (search == end) {
        Append(report, {" (too long: ", Number(std::strlen(joined)).text, " characters, not searched)\n"});
        return false;
    }
    const bool present = FoundSomething(log.calls[search]);
    Append(report, {present ? " (present: taken)\n" : " (absent)\n"});
    return present;
}

} // namespace

int WriteCheckReport(const CallLog& log, const CheckSetting& setting, ReportText& report)
{
    Append(report, {"kdnclaunch-check " KDNC_VERSION ": what kdnclaunch.exe would do here, by its own code.\n"
                    "Nothing was started and no box was shown.\n\n"
                    "Current folder: ", setting.currentFolder, " (a relative folder below is taken from here)\n"
                    "Registry: HKEY_LOCAL_MACHINE, ", RegistryView(log, setting.wow64), "\n\n"
                    "The install records, in the order kdnclaunch tries them:\n"});
    int taken = 0;
    for (int row = 0; row < 6; ++row) {
        Append(report, {Number(row + 1).text, ". "});
        if (AppendInstallRecord(log, kDncCandidates[row], taken, report))
            taken = row + 1;
    }

    const int window = FindCall(log, "GetForegroundWindow", nullptr, 0, log.count);
    const int title = FindCall(log, "GetWindowTextA", nullptr, 0, log.count);
    const bool noWindow = window == log.count || log.calls[window].result == kNoWindow;
    if (noWindow)
        Append(report, {"\nWindow in front: none, as when a deployment tool starts it (see --title, --wait)\n"});
    else
        Append(report, {"\nWindow in front: \"", title < log.count ? log.calls[title].answer : "", "\"\n"});

    // The capture runs first: the document's search is the one before the
    // registry is opened.
    const int firstOpen = FindCall(log, "RegOpenKeyExA", nullptr, 0, log.count);
    const int search = FindCall(log, "FindFirstFileA", nullptr, 0, firstOpen);
    EditorDocument document = {};
    if (search < firstOpen) {
        CopyText(document.path, sizeof document.path, log.calls[search].argument);
        document.exists = FoundSomething(log.calls[search]);
        Append(report, {"Document: ", document.path, document.exists ? " (present)\n" : " (absent)\n"});
    } else {
        Append(report, {noWindow ? "Document: none\n" : "Document: none, the title is not the editor's\n"});
    }
    const DncParameters parameters = BuildDncParameters(document);
    Append(report, {"Parameters: ", parameters.text[0] ? parameters.text : "none", "\n\n"});

    const int launch = FindCall(log, "ShellExecuteA", nullptr, 0, log.count);
    if (launch < log.count) {
        const RecordedCall& call = log.calls[launch];
        Append(report, {"kdnclaunch would start: \"", call.argument, "\"", call.parameters[0] ? " " : "",
                        call.parameters, "\n"});
        return 0;
    }
    const int box = FindCall(log, "MessageBoxA", nullptr, 0, log.count);
    Append(report, {"kdnclaunch would show the warning: ", box < log.count ? log.calls[box].argument : "", "\n"});
    return 1;
}
