#include "check_reading.h"

#include <cctype>
#include <cstring>

extern const char* const kRecordNames[6] = {"DNC", "R2 Max uninstall", "R2 Max", "R2", "R2 Basic", "R1"};

namespace {

constexpr std::int32_t kNotFound = 2;    // ERROR_FILE_NOT_FOUND
constexpr std::int32_t kMoreData = 234;  // ERROR_MORE_DATA

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

// The call at an index FindCall gave, or null where it found none.
const RecordedCall* CallAt(const CallLog& log, int index)
{
    return index < log.count ? &log.calls[index] : nullptr;
}

bool FoundSomething(const RecordedCall& search)
{
    return static_cast<SearchHandle>(search.result) != INVALID_HANDLE_VALUE;
}

RecordReading ReadRecord(const CallLog& log, const DncCandidate& candidate)
{
    RecordReading reading = {};
    // A record's calls follow its open; a later record's never answer for
    // them, since the launcher reads and searches each record once, in turn.
    const int open = FindCall(log, "RegOpenKeyExA", candidate.keyPath, 0, log.count);
    const int read = FindCall(log, "RegQueryValueExA", nullptr, open, log.count);
    if (open == log.count)
        return reading;
    reading.open = &log.calls[open];
    if (reading.open->result != ERROR_SUCCESS) {
        reading.outcome = reading.open->result == kNotFound ? Outcome::kNoKey : Outcome::kKeyNotOpened;
        return reading;
    }
    if (read == log.count)
        return reading;
    reading.read = &log.calls[read];
    const std::intptr_t status = reading.read->result;
    if (status != ERROR_SUCCESS) {
        reading.outcome = status == kMoreData  ? Outcome::kTooLongValue
                          : status == kNotFound ? Outcome::kNoValue
                                                : Outcome::kValueNotRead;
        return reading;
    }
    if (reading.read->answer[0] == '\0') {
        reading.outcome = Outcome::kEmpty;
        return reading;
    }
    JoinProgram(reading.read->answer, candidate.programSubpath, reading.joined);
    const int search = FindCall(log, "FindFirstFileA", reading.joined, read, log.count);
    if (search == log.count) {
        reading.outcome = Outcome::kTooLong;
        return reading;
    }
    reading.search = &log.calls[search];
    reading.outcome = FoundSomething(*reading.search) ? Outcome::kTaken : Outcome::kAbsent;
    return reading;
}

} // namespace

bool IsLeadByte(unsigned char c, const CheckSetting& setting)
{
    bool lead = false;
    for (const unsigned char* range = setting.leadByteRanges; range[0] != 0; range += 2)
        lead = lead || (c >= range[0] && c <= range[1]);
    return lead;
}

// True when the value's last byte is a backslash that ends a double-byte
// letter: the locator still takes it for a separator.
bool EndsInTrailBackslash(const char* value, const CheckSetting& setting)
{
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(value); *c != '\0'; ++c) {
        const bool lead = IsLeadByte(*c, setting);
        if (lead && *++c == '\0')
            return false;  // a lead byte without its second half
        if (lead && c[1] == '\0')
            return *c == '\\';
    }
    return false;
}

bool IsStringType(std::uint32_t type)
{
    return type == kString || type == kExpandableString || type == kMultiString;
}

// As the first record's open asked for it: every record is opened alike.
RegistryViewKind RegistryViewOf(const CheckReading& reading, const CheckSetting& setting)
{
    const RecordedCall* firstOpen = reading.records[0].open;
    if (firstOpen && (firstOpen->access & KEY_WOW64_32KEY) != 0)
        return RegistryViewKind::kAskedFor;
    return setting.wow64 ? RegistryViewKind::kWow64 : RegistryViewKind::kOnly;
}

bool RunsAsService(const CheckSetting& setting)
{
    return setting.system || setting.session == 0;
}

bool JoinProgram(const char* folder, const char* subpath, char (&joined)[2 * MAX_PATH])
{
    CopyText(joined, MAX_PATH + 1, folder);
    AppendPathSeparator(joined);
    std::strcat(joined, subpath);
    return std::strlen(joined) < MAX_PATH;
}

bool SamePath(const char* a, const char* b)
{
    for (unsigned char before = 0;; before = static_cast<unsigned char>(*a++), ++b) {
        const bool folded = (before & 0x80) == 0;  // not after a lead byte
        const unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if ((folded ? std::tolower(x) : x) != (folded ? std::tolower(y) : y))
            return false;
        if (x == '\0')
            return true;
    }
}

bool IsAbsolute(const char* path)
{
    const bool separator0 = path[0] == '\\' || path[0] == '/';
    const bool separator2 = path[0] != '\0' && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    return separator2 || (separator0 && (path[1] == '\\' || path[1] == '/'));
}

void ReadCheck(const CallLog& log, const CheckSetting& setting, CheckReading& reading)
{
    ReadCheckRun(log, reading);
    ReadRecordsElsewhere(log, setting, reading);
    SearchDncPrograms(log, reading);
    ReadProgramTrust(log, setting, reading);
}

void ReadCheckRun(const CallLog& log, CheckReading& reading)
{
    reading = CheckReading{};
    for (int row = 0; row < 6; ++row)
        reading.records[row] = ReadRecord(log, kDncCandidates[row]);
    const RecordedCall* window = CallAt(log, FindCall(log, "GetForegroundWindow", nullptr, 0, log.count));
    reading.noWindow = !window || window->result == kNoWindow;
    reading.title = CallAt(log, FindCall(log, "GetWindowTextA", nullptr, 0, log.count));
    // The capture runs first: the document's search is the one before the
    // registry is opened.
    const int firstOpen = FindCall(log, "RegOpenKeyExA", nullptr, 0, log.count);
    const int document = FindCall(log, "FindFirstFileA", nullptr, 0, firstOpen);
    reading.documentOutcome = reading.noWindow ? DocumentOutcome::kNoWindow : DocumentOutcome::kNotEditor;
    if (document < firstOpen) {
        const RecordedCall* search = &log.calls[document];
        CopyText(reading.document.path, sizeof reading.document.path, search->argument);
        reading.document.exists = FoundSomething(*search);
        reading.documentOutcome = !reading.document.exists                    ? DocumentOutcome::kAbsent
                                  : std::strchr(reading.document.path, '"') ? DocumentOutcome::kQuoted
                                                                              : DocumentOutcome::kPresent;
    }
    reading.parameters = BuildDncParameters(reading.document);
    reading.launch = CallAt(log, FindCall(log, "ShellExecuteA", nullptr, 0, log.count));
    reading.box = CallAt(log, FindCall(log, "MessageBoxA", nullptr, 0, log.count));
}
