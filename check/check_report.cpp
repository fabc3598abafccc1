#include "check_report.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "launch_sequence.h"

NumberText Hex(unsigned char byte)
{
    const char digits[] = "0123456789ABCDEF";
    return NumberText{{digits[byte >> 4], digits[byte & 15]}};
}

namespace {

// Room kept for the verdict line, so that no registry can push it out.
constexpr std::size_t kVerdictRoom = 2200;
// A path in the verdict's reasons is cut to this, so that six of them leave
// the line under the 2,048 characters a deployment tool keeps.
constexpr std::size_t kMostReasonPath = 263;
// The most a deployment tool keeps of the last line.
constexpr std::size_t kMostLastLine = 2048;
// Ends a last line that was too long to keep whole.
constexpr char kShortened[] = " (shortened)";

const char* const kTypeNames[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD",
                                  nullptr, nullptr, "REG_MULTI_SZ", nullptr, nullptr, nullptr, "REG_QWORD"};

NumberText Number(long long number)
{
    NumberText result = {};
    std::to_chars(result.text, result.text + sizeof result.text - 1, number);
    return result;
}

// What still fits below the limit; nothing once a text was cut there.
std::size_t Room(const ReportText& report)
{
    return report.cut ? 0 : report.limit - std::min(report.length + 1, report.limit);
}

void Append(ReportText& report, std::initializer_list<const char*> pieces)
{
    for (const char* piece : pieces) {
        const std::size_t room = Room(report);
        const std::size_t length = std::strlen(piece);
        const std::size_t kept = std::min(length, room);
        std::memcpy(report.text + report.length, piece, kept);
        report.length += kept;
        report.cut = report.cut || kept < length;
    }
    report.text[report.length] = '\0';
}

// The text as it can be shown on one line: a control byte as <0x0A>, which
// no file name can hold. Cut with "..." between two letters when it would
// pass most characters, or the room left, which counts as a cut.
void AppendShown(ReportText& report, const char* text, std::size_t most = ~std::size_t(0))
{
    char shown[6 * 2 * MAX_PATH + 4];  // the longest text shown, an answer of 512 bytes, every byte escaped
    const std::size_t room = Room(report);
    std::size_t length = 0, fits = 0;   // fits: where "..." can follow within both bounds
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != '\0'; ++c) {
        if (*c < 0x20 || *c == 0x7F) {
            std::memcpy(shown + length, "<0x", 3);
            std::memcpy(shown + length + 3, Hex(*c).text, 2);
            shown[length + 5] = '>';
            length += 6;
        } else {
            shown[length++] = static_cast<char>(*c);
        }
        fits = length + 3 <= std::min(most, room) ? length : fits;
    }
    const bool cut = length > room;
    if (length > std::min(most, room)) {
        std::memcpy(shown + fits, "...", 3);
        length = fits + 3;
    }
    shown[length] = '\0';
    Append(report, {shown});
    report.cut = report.cut || cut;
}

const char* const kRegistryViews[] = {"its only view, on 32-bit Windows",
                                      "the 32-bit view (WOW6432Node), as for any 32-bit program on 64-bit Windows",
                                      "the 32-bit view (WOW6432Node), asked for with KEY_WOW64_32KEY"};

void AppendType(ReportText& report, std::uint32_t type)
{
    if (type < sizeof kTypeNames / sizeof kTypeNames[0] && kTypeNames[type])
        Append(report, {kTypeNames[type]});
    else
        Append(report, {"type ", Number(type).text});
}

void AppendError(ReportText& report, const RecordedCall& call)
{
    Append(report, {"error ", Number(call.result).text, call.aside[0] ? ", " : ""});
    AppendShown(report, call.aside);
    Append(report, {"\n"});
}

void AppendLostLetters(ReportText& report, const char* letters, unsigned int codePage)
{
    if (letters[0] == '\0')
        return;
    Append(report, {"   letters code page ", Number(codePage).text, " has no byte for: "});
    AppendShown(report, letters);
    Append(report, {"; a \"?\" matches any one character in the existence test\n"});
}

// A value's size and, as many as a value kdnclaunch reads can hold, its bytes.
void AppendBytes(ReportText& report, const char* bytes, std::uint32_t size)
{
    Append(report, {", ", Number(size).text, " bytes:"});
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(size, MAX_PATH); ++i)
        Append(report, {" ", Hex(static_cast<unsigned char>(bytes[i])).text});
}

void AppendValue(ReportText& report, const RecordReading& reading, const CheckSetting& setting)
{
    const RecordedCall& read = *reading.read;
    Append(report, {"   value:   \""});
    AppendShown(report, read.answer);
    Append(report, {"\" ("});
    AppendType(report, read.type);
    if (read.type == kExpandableString) {
        Append(report, {": taken as written, %...% is not expanded"});
    } else if (read.type == kMultiString) {
        Append(report, {": only its first string is taken"});
    } else if (read.type != kString) {
        AppendBytes(report, read.answer, read.dataSize);
        Append(report, {"; read as text up to the first zero byte"});
    }
    Append(report, {")\n"});
    AppendLostLetters(report, read.aside, setting.codePage);
    if (reading.outcome == Outcome::kEmpty)
        Append(report, {IsStringType(read.type) ? "   empty value" : "   no text before its first zero byte",
                        ": skipped, it names no folder\n"});
    else if (EndsInTrailBackslash(read.answer, setting))
        Append(report, {"   its last byte 0x5C ends a double-byte letter, yet kdnclaunch takes it for a backslash: "
                        "no separator is added, folder and subpath run together\n"});
}

const char* const kRightTexts[] = {"may create files in ", "may create folders in ", "may write ",
                                   "may delete or rename ", "may delete or rename what is in ",
                                   "may change the permissions of ", "may take ownership of ", "owns ", "may set values in ",
                                   "may create keys in ", "may change the keys made below "};

void AppendReplacer(ReportText& report, const Replacer& replacer)
{
    AppendShown(report, replacer.account);
    Append(report, {" ", kRightTexts[static_cast<int>(replacer.right)]});
    AppendShown(report, replacer.path);
    if (replacer.plants != 0)
        Append(report, {", planting kdnc.exe where record ", Number(replacer.plants).text, " ",
                        kRecordNames[replacer.plants - 1], " leads, which is tried first"});
}

// The replacer said first: one every user belongs to, when there is one.
int FirstReplacer(const ProgramTrust& trust)
{
    const int kept = std::min(trust.count, kMostReplacers);
    for (int i = 0; i < kept; ++i)
        if (trust.replacers[i].anyone)
            return i;
    return 0;
}

// Of a program whose security went unread: whether for a relative path,
// which kdnclaunch takes from the editor's current folder, unknown here.
bool UnreadAsRelative(const ProgramTrust& trust)
{
    return trust.error == 0 && !IsAbsolute(trust.unreadPath);
}

// Who can replace the program, its lines starting at the indent, each
// account after the first one step further in.
void AppendTrust(ReportText& report, const ProgramTrust& trust, const char* indent)
{
    if (IsTrusted(trust)) {
        Append(report, {indent, "trusted: only SYSTEM, the administrators and TrustedInstaller can change or "
                                "replace kdnc.exe\n"});
        return;
    }
    const char* remedy = "trusted once only SYSTEM, the administrators and TrustedInstaller can change it: remove "
                         "the rights named above, or install kdnc.exe under Program Files\n";
    if (!trust.securityRead) {
        remedy = "trusted once its security can be read: run this check as an administrator, or install kdnc.exe "
                 "under Program Files on a fixed local drive\n";
        Append(report, {indent, "not trusted: the security of "});
        AppendShown(report, trust.unreadPath);
        if (trust.error == kPathIsLink) {
            Append(report, {" could not be read: it is a link or another reparse point (a junction, symbolic link, "
                            "mount point or placeholder), which may lead elsewhere\n"});
            remedy = "trusted once no link or other reparse point is on its path: install kdnc.exe in real folders and "
                     "write their install folder into the record\n";
        } else if (trust.error != 0) {
            Append(report, {" could not be read: error ", Number(trust.error).text, trust.errorText[0] ? ", " : ""});
            AppendShown(report, trust.errorText);
            Append(report, {"\n"});
        } else if (UnreadAsRelative(trust)) {
            Append(report, {" could not be read: it is relative, and kdnclaunch takes it from the editor's current "
                            "folder\n"});
            remedy = "trusted once no record kdnclaunch tries is relative: write the whole install folder into it, from "
                     "the drive letter on, or delete it\n";
        } else {
            Append(report, {" could not be read: it is not on a fixed local drive\n"});
        }
    }
    const int first = FirstReplacer(trust), kept = std::min(trust.count, kMostReplacers);
    if (trust.count > 0) {
        Append(report, {indent, "not trusted: ", trust.replacers[first].anyone ? "anyone who logs on" :
                        "an account beside SYSTEM, the administrators and TrustedInstaller", " can replace kdnc.exe: "});
        AppendReplacer(report, trust.replacers[first]);
        Append(report, {"\n"});
    }
    for (int i = 0; i < kept; ++i) {
        if (i == first)
            continue;
        Append(report, {indent, "   "});
        AppendReplacer(report, trust.replacers[i]);
        Append(report, {"\n"});
    }
    if (trust.count > kept)
        Append(report, {indent, "   and ", Number(trust.count - kept).text, trust.count - kept == 1 ? " more account\n" :
                        " more accounts\n"});
    Append(report, {indent, remedy});
}

// Why a program is not trusted, in a few words for the last line.
void AppendTrustBriefly(ReportText& report, const ProgramTrust& trust)
{
    if (IsTrusted(trust))
        return;
    if (!trust.securityRead) {
        Append(report, {"; not trusted: ", trust.error == kPathIsLink ? "a link is on its path"
                        : UnreadAsRelative(trust) ? "a record kdnclaunch tries is relative"
                                                  : "its security could not be read"});
        return;
    }
    const Replacer& replacer = trust.replacers[FirstReplacer(trust)];
    Append(report, {"; not trusted: "});
    if (replacer.anyone)
        Append(report, {"anyone who logs on"});
    else
        AppendShown(report, replacer.account);
    Append(report, {" can replace it"});
}

// One install record: the line to see it oneself, what was read, the path
// joined from it and what the search found.
void AppendInstallRecord(const CheckReading& checkReading, int row, int taken, const CheckSetting& setting,
                         ReportText& report)
{
    const RecordReading& reading = checkReading.records[row];
    const DncCandidate& candidate = kDncCandidates[row];
    Append(report, {"reg query \"HKLM\\", candidate.keyPath, "\" /v ", candidate.valueName, " /reg:32\n"});
    switch (reading.outcome) {
    case Outcome::kNotTried:
        Append(report, {"   not tried: record ", Number(taken).text, " was taken\n"});
        return;
    case Outcome::kNoKey:
        Append(report, {"   no such key\n"});
        return;
    case Outcome::kKeyNotOpened:
        Append(report, {"   key not opened: "});
        AppendError(report, *reading.open);
        return;
    case Outcome::kNoValue:
        Append(report, {"   no such value\n"});
        return;
    case Outcome::kValueNotRead:
        Append(report, {"   value not read: "});
        AppendError(report, *reading.read);
        return;
    case Outcome::kTooLongValue:
        Append(report, {"   value too long for kdnclaunch: ", Number(reading.read->dataSize).text,
                        " bytes, at most 260 are read ("});
        AppendType(report, reading.read->type);
        Append(report, {")\n"});
        return;
    default:
        break;
    }
    AppendValue(report, reading, setting);
    if (reading.outcome == Outcome::kEmpty)
        return;
    Append(report, {"   program: "});
    AppendShown(report, reading.joined);
    if (reading.outcome == Outcome::kTooLong) {
        Append(report, {" (too long: ", Number(std::strlen(reading.joined)).text, " characters, not searched)\n"});
        return;
    }
    Append(report, {reading.outcome == Outcome::kTaken ? " (present: taken)\n" : " (absent)\n"});
    if (!IsAbsolute(reading.joined)) {
        Append(report, {"   relative: searched as "});
        AppendShown(report, reading.search->aside);
        Append(report, {"\n"});
    }
    if (reading.outcome == Outcome::kTaken)
        AppendTrust(report, checkReading.launchTrust, "   ");
}

// Where each place is, and why kdnclaunch does not see the record there.
const char* const kPlaceTexts[] = {
    "in the 64-bit view, which kdnclaunch does not read: a 32-bit program reads HKLM in the 32-bit view only",
    "under HKEY_CURRENT_USER, an install for one user, which kdnclaunch does not read at all",
    ("in this account's VirtualStore, which only this account's kdnclaunch reads, and only when it runs virtualized "
     "(not elevated)"),
};

// Each place the record is where kdnclaunch does not read it: the line to
// see it, and what it holds there.
void AppendElsewhere(ReportText& report, const RecordReading& reading, int row)
{
    for (int i = 0; i < reading.elsewhereCount; ++i) {
        const RecordElsewhere& elsewhere = reading.elsewhere[i];
        char query[kQueryCapacity];
        FormatElsewhereQuery(elsewhere, row, query);
        Append(report, {"   also ", kPlaceTexts[static_cast<int>(elsewhere.place)], ":\n      "});
        AppendShown(report, query);
        switch (elsewhere.held) {
        case Held::kKeyNotOpened:
        case Held::kValueNotRead:
            Append(report, {elsewhere.held == Held::kKeyNotOpened ? "\n      key not opened: error "
                                                                  : "\n      value not read: error ",
                            Number(elsewhere.error).text, elsewhere.errorText[0] ? ", " : ""});
            AppendShown(report, elsewhere.errorText);
            break;
        case Held::kNoValue:
            Append(report, {"\n      no such value"});
            break;
        case Held::kValueTooLong:
            Append(report, {"\n      value too long for kdnclaunch: ", Number(elsewhere.size).text,
                            " bytes, at most 260 are read ("});
            AppendType(report, elsewhere.type);
            Append(report, {")"});
            break;
        case Held::kValue:
            Append(report, {"\n      value:   \""});
            AppendShown(report, elsewhere.value);
            Append(report, {"\" ("});
            AppendType(report, elsewhere.type);
            if (!IsStringType(elsewhere.type))
                AppendBytes(report, elsewhere.value, elsewhere.size);
            Append(report, {")"});
            break;
        }
        Append(report, {"\n"});
    }
}

// Why the launcher found nothing, briefly: each record with a key, and what
// became of it.
void AppendReasons(ReportText& report, const RecordReading* readings)
{
    const char* separator = " (";
    for (int row = 0; row < 6; ++row) {
        const RecordReading& reading = readings[row];
        if (reading.outcome == Outcome::kNoKey)
            continue;
        Append(report, {separator, Number(row + 1).text, " ", kRecordNames[row], ": "});
        separator = "; ";
        switch (reading.outcome) {
        case Outcome::kKeyNotOpened:
            Append(report, {"key not opened, error ", Number(reading.open->result).text});
            break;
        case Outcome::kNoValue:
            Append(report, {"no value ", kDncCandidates[row].valueName});
            break;
        case Outcome::kValueNotRead:
            Append(report, {"value not read, error ", Number(reading.read->result).text});
            break;
        case Outcome::kTooLongValue:
            Append(report, {"value of ", Number(reading.read->dataSize).text, " bytes, too long"});
            break;
        case Outcome::kEmpty:
            Append(report, {"no folder in its value"});
            break;
        default:
            AppendShown(report, reading.joined, kMostReasonPath);
            Append(report, {reading.outcome == Outcome::kTooLong ? " too long" : " absent"});
            break;
        }
    }
    Append(report, {separator[0] == ' ' ? " (no install record found)" : ")"});
}

const char* const kFoundBy[] = {
    "from the value with %...% expanded",
    "from the value without its trailing blanks, dots or enclosing quotes",
    "from another string of the multi-string",
    "from the folder's short name",
    "from the value read in UTF-16",
    "under an install root",
    "from the record in the 64-bit view",
    "from the record under HKEY_CURRENT_USER",
    "from the record in this account's VirtualStore",
};

// Where each kdnc.exe that kdnclaunch misses is, and what would lead it there.
void AppendFound(ReportText& report, const DncSearch& search, const CheckSetting& setting)
{
    Append(report, {"\nWhere kdnc.exe is, beyond what kdnclaunch reads:\n"});
    for (int i = 0; i < search.count; ++i) {
        const FoundProgram& found = search.found[i];
        Append(report, {"   ", Number(found.row + 1).text, ". ", kRecordNames[found.row], ": "});
        AppendShown(report, found.program);
        Append(report, {", ", kFoundBy[static_cast<int>(found.by)], "\n      "});
        char fix[kFixCapacity];
        const bool pastable = FormatFix(found, setting, fix);
        if (found.proven && pastable)
            Append(report, {fix});
        else if (found.proven)
            Append(report, {"a fix would lead kdnclaunch there, but its folder holds a byte that cmd would not take as "
                            "printed: run kdnclaunch-check --fix as an administrator, or write the folder that --json "
                            "gives into the record, as REG_SZ"});
        else if (found.folder[0] == '\0')
            Append(report, {"no value can help: code page ", Number(setting.codePage).text, " cannot spell its folder, "
                            "which has no short name it can; install KORVANT into a folder named in letters of that "
                            "code page, or set the system locale to one that has them"});
        else
            Append(report, {"kdnclaunch would not take it even so: its record cannot be read as it stands (see above)"});
        Append(report, {"\n"});
        AppendTrust(report, found.trust, "      ");
    }
    if (search.count == 0)
        Append(report, {"   none found\n"});
    Append(report, {"   Searched: each record's value"});
    for (const char* root : search.roots) {
        if (root[0] == '\0')
            continue;
        Append(report, {"; "});
        AppendShown(report, root);
        Append(report, {" two folders deep"});
    }
    if (search.foldersRead > 0)
        Append(report, {", folders read: ", Number(search.foldersRead).text});
    if (search.foldersDenied > 0)
        Append(report, {", ", Number(search.foldersDenied).text, " not readable and skipped"});
    Append(report, {search.stopped ? "; stopped at its bound, so not everywhere\n" : "\n"});
}

// Why --fix wrote nothing, or what it wrote, by its outcome.
const char* const kFixTexts[] = {
    ": kdnclaunch already starts DNC",
    ": no kdnc.exe was found for a record to lead to",
    ": no fix is proven to lead kdnclaunch to a kdnc.exe found",
    ": no proven fix leads to the program asked for",
    ": the fix leads to a program others can replace",
    ": run it as an administrator or as SYSTEM",
    ": the record could not be written",
    "",
};

// What --fix did: the record it wrote or would have, and why not.
void AppendFixOutcome(ReportText& report, const FixRun& fix)
{
    const bool written = fix.outcome == FixOutcome::kWritten;
    Append(report, {written ? "wrote" : "nothing written"});
    if (fix.row != kNoRecord)
        Append(report, {written ? " record " : " to record ", Number(fix.row + 1).text, " ", kRecordNames[fix.row]});
    Append(report, {kFixTexts[static_cast<int>(fix.outcome)]});
}

// What --fix did, and what the value held, so that it can be put back.
void AppendFixRun(ReportText& report, const FixRun& fix)
{
    Append(report, {"\n--fix: "});
    AppendFixOutcome(report, fix);
    Append(report, {"\n"});
    if (fix.row == kNoRecord)
        return;
    const DncCandidate& record = kDncCandidates[fix.row];
    Append(report, {"   record ", Number(fix.row + 1).text, " ", kRecordNames[fix.row], ": HKLM\\", record.keyPath,
                    ", value ", record.valueName, " (32-bit view)\n   folder:  \""});
    AppendShown(report, fix.folder);
    Append(report, {"\" (REG_SZ), which leads kdnclaunch to "});
    AppendShown(report, fix.program);
    Append(report, {"\n"});
    if (fix.outcome == FixOutcome::kNotWritten) {
        Append(report, {"   error ", Number(fix.error).text, fix.errorText[0] ? ", " : ""});
        AppendShown(report, fix.errorText);
        Append(report, {"; nothing was changed\n"});
    }
    if (fix.outcome != FixOutcome::kWritten)
        return;
    const PreviousValue& before = fix.before;
    if (!before.keyFound) {
        Append(report, {"   before:  no such key; to put it back: reg delete \"HKLM\\", record.keyPath, "\" /f /reg:32\n"});
        return;
    }
    if (!before.valueFound) {
        Append(report, {"   before:  no such value; to put it back: reg delete \"HKLM\\", record.keyPath, "\" /v ",
                        record.valueName, " /f /reg:32\n"});
        return;
    }
    Append(report, {"   before:  "});
    AppendType(report, before.type);
    Append(report, {", ", Number(before.size).text, " bytes:"});
    for (std::uint32_t i = 0; i < before.size; ++i)
        Append(report, {" ", Hex(before.data[i]).text});
    Append(report, {"\n   to put it back, see \"Putting a value back\" in the guide\n"});
}

// What --fix did, at the end of the last line; nothing without --fix.
void AppendFixBriefly(ReportText& report, const FixRun* fix)
{
    if (!fix)
        return;
    Append(report, {"; --fix: "});
    AppendFixOutcome(report, *fix);
}

// The verdict, without its line end: 0 when kdnclaunch would start DNC.
int AppendVerdict(ReportText& report, const CheckReading& reading)
{
    if (reading.launch) {
        Append(report, {"kdnclaunch would start: \""});
        AppendShown(report, reading.launch->argument);
        Append(report, {"\"", reading.launch->parameters[0] ? " " : ""});
        AppendShown(report, reading.launch->parameters);
        AppendTrustBriefly(report, reading.launchTrust);
        AppendFixBriefly(report, reading.fix);
        return 0;
    }
    Append(report, {"kdnclaunch would show the warning: "});
    AppendShown(report, reading.box ? reading.box->argument : "");
    if (reading.search.count > 0) {
        const FoundProgram& found = reading.search.found[0];
        Append(report, {"; kdnc.exe is at \""});
        AppendShown(report, found.program, kMostReasonPath);
        if (found.proven)
            Append(report, {"\", fix record ", Number(found.row + 1).text, " ", kRecordNames[found.row]});
        else
            Append(report, {"\", which no record can lead to"});
        AppendTrustBriefly(report, found.trust);
    }
    AppendReasons(report, reading.records);
    AppendFixBriefly(report, reading.fix);
    return 1;
}

void AppendRunner(ReportText& report, const CheckSetting& setting)
{
    Append(report, {"Run by: "});
    AppendShown(report, setting.user);
    Append(report, {", session ", Number(setting.session).text, setting.elevated ? ", elevated" : ", not elevated"});
    // Windows never virtualizes the uninstall records, under HKLM\SOFTWARE\Microsoft\Windows.
    Append(report, {setting.virtualized ? ", virtualized: records 3 to 6 and files under Program Files may be read "
                                          "from this user's VirtualStore\n"
                                        : ", not virtualized\n"});
    if (RunsAsService(setting))
        Append(report, {"Run as a service: the operator's kdnclaunch may see otherwise (mapped drives, network "
                        "shares, the operator's VirtualStore)\n"});
}

// In place of the document's path, or after it, by what became of it.
const char* const kDocumentTexts[] = {
    "Document: none\n",
    "Document: none, the title is not the editor's\n",
    " (absent: DNC starts without a document)\n",
    " (present)\n",
    " (present, not handed over: its quote would split the argument, so DNC starts without a document)\n",
};

void AppendDocument(ReportText& report, const CheckReading& reading)
{
    // A path taken from the title is never empty.
    if (reading.document.path[0] != '\0') {
        Append(report, {"Document: "});
        AppendShown(report, reading.document.path);
    }
    Append(report, {kDocumentTexts[static_cast<int>(reading.documentOutcome)]});
}

} // namespace

int WriteCheckReport(const CheckReading& reading, const CheckSetting& setting, ReportText& report)
{
    report.length = 0;
    report.cut = false;
    report.limit = report.capacity - std::min(report.capacity - 1, kVerdictRoom);
    Append(report, {"kdnclaunch-check " KDNC_VERSION ": what kdnclaunch.exe would do here, by its own code.\n"
                    "Nothing was started and no box was shown.\n\n"});
    AppendRunner(report, setting);
    Append(report, {"Current folder: "});
    AppendShown(report, setting.currentFolder);
    Append(report, {" (a relative folder below is taken from here)\n"
                    "Code page: ", Number(setting.codePage).text, ", in which kdnclaunch reads the registry and "
                    "the title\nRegistry: HKEY_LOCAL_MACHINE, ",
                    kRegistryViews[static_cast<int>(RegistryViewOf(reading, setting))], "\n"});
    if (reading.fix)
        AppendFixRun(report, *reading.fix);
    Append(report, {"\nThe install records, in the order kdnclaunch tries them:\n"});
    int taken = 0;
    for (int row = 0; row < 6; ++row) {
        Append(report, {Number(row + 1).text, ". ", kRecordNames[row], ": "});
        AppendInstallRecord(reading, row, taken, setting, report);
        AppendElsewhere(report, reading.records[row], row);
        if (reading.records[row].outcome == Outcome::kTaken)
            taken = row + 1;
    }
    if (reading.search.ran)
        AppendFound(report, reading.search, setting);

    if (reading.noWindow) {
        Append(report, {"\nWindow in front: none, as when a deployment tool starts it (see --title, --wait)\n"});
    } else {
        Append(report, {"\nWindow in front: \""});
        AppendShown(report, reading.title ? reading.title->answer : "");
        Append(report, {"\"\n"});
        AppendLostLetters(report, reading.title ? reading.title->aside : "", setting.codePage);
    }
    AppendDocument(report, reading);
    Append(report, {"Parameters: "});
    AppendShown(report, reading.parameters.text[0] ? reading.parameters.text : "none");
    Append(report, {"\n\n"});

    const bool cut = std::exchange(report.cut, false);
    report.limit = report.capacity;
    if (cut)
        Append(report, {"\n(the report was cut here: it did not fit its storage)\n\n"});
    // The last line whole when it fits what a deployment tool keeps, else
    // written again, shorter, saying so.
    const std::size_t lineStart = report.length;
    report.limit = std::min(report.capacity, lineStart + kMostLastLine + 1);
    int verdict = AppendVerdict(report, reading);
    const bool shortened = std::exchange(report.cut, false);
    if (shortened) {
        report.length = lineStart;
        report.limit -= sizeof kShortened - 1;
        verdict = AppendVerdict(report, reading);
        report.cut = false;
    }
    report.limit = report.capacity;
    Append(report, {shortened ? kShortened : "", "\n"});
    return verdict;
}
