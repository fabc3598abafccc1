// The check's reading as one line of JSON, for a program that gathers every
// PC's answer. Field names and words are the guide's; "format" changes when
// they do.
#include <charconv>
#include <cctype>
#include <cstring>

#include "check_report.h"

namespace {

constexpr int kFormat = 1;

const char* const kOutcomeWords[] = {"notTried", "noKey", "keyNotOpened", "noValue", "valueNotRead", "valueTooLong",
                                     "empty", "tooLong", "absent", "taken"};
const char* const kFoundByWords[] = {"expanded", "trimmed", "otherString", "shortName", "lostLetters", "installRoot",
                                     "view64", "currentUser", "virtualStore"};
const char* const kPlaceWords[] = {"view64", "currentUser", "virtualStore"};
const char* const kHeldWords[] = {"keyNotOpened", "noValue", "valueNotRead", "valueTooLong", "read"};
const char* const kDocumentWords[] = {"none", "notEditor", "absent", "present", "quoted"};
const char* const kViewWords[] = {"only", "wow64", "wow64_32key"};
const char* const kFixWords[] = {"nothingToDo", "noneFound", "noneProven", "notThatProgram", "notTrusted",
                                 "notElevated", "notWritten", "written"};
const char* const kRightWords[] = {"create files", "create folders", "write", "delete", "delete entries",
                                   "change permissions", "take ownership", "owner", "set values",
                                   "create keys", "change keys made"};

struct Json {
    ReportText& out;
    const CheckOperations& check;
    bool full;  // something did not fit: nothing is written
};

void Raw(Json& json, const char* text)
{
    const std::size_t length = std::strlen(text);
    if (json.full || json.out.length + length + 1 > json.out.capacity) {
        json.full = true;
        return;
    }
    std::memcpy(json.out.text + json.out.length, text, length + 1);
    json.out.length += length;
}

void Number(Json& json, long long number)
{
    char text[24] = {};
    std::to_chars(text, text + sizeof text - 1, number);
    Raw(json, text);
}

// A text of the code page as JSON: ASCII as it is, every other letter, and
// every control one, as a \u escape of its UTF-16 unit. Null for none.
void String(Json& json, const char* text)
{
    if (!text) {
        Raw(json, "null");
        return;
    }
    char16_t wide[600];  // the longest text, a recorded answer of 512 bytes
    const std::size_t units = json.check.WidenText(text, wide, sizeof wide / sizeof wide[0]);
    Raw(json, "\"");
    for (std::size_t i = 0; i < units; ++i) {
        char letter[8] = {static_cast<char>(wide[i])};
        if (wide[i] == u'"' || wide[i] == u'\\')
            letter[0] = '\\', letter[1] = static_cast<char>(wide[i]);
        else if (wide[i] < 0x20 || wide[i] > 0x7E) {  // \u and four hexadecimal digits
            std::memcpy(letter, "\\u", 2);
            std::memcpy(letter + 2, Hex(static_cast<unsigned char>(wide[i] >> 8)).text, 2);
            std::memcpy(letter + 4, Hex(static_cast<unsigned char>(wide[i])).text, 2);
        }
        Raw(json, letter);
    }
    Raw(json, "\"");
}

// The code points of a list of lost letters, "U+0421 as ? U+0442 as ?", as
// numbers a fleet's table can group on without reading the text; null for
// none lost.
void CodePoints(Json& json, const char* name, const char* letters)
{
    Raw(json, name);
    if (!letters) {
        Raw(json, "null");
        return;
    }
    Raw(json, "[");
    const char* separator = "";
    for (const char* item = std::strstr(letters, "U+"); item; item = std::strstr(item + 2, "U+")) {
        if (item != letters && item[-1] != ' ')
            continue;
        long long codePoint = 0;
        int digits = 0;
        for (const char* digit = item + 2; std::isxdigit(static_cast<unsigned char>(*digit)); ++digit, ++digits)
            codePoint = codePoint * 16 + (*digit <= '9' ? *digit - '0' : (*digit | 0x20) - 'a' + 10);
        if (digits < 4)
            continue;
        Raw(json, separator);
        Number(json, codePoint);
        separator = ",";
    }
    Raw(json, "]");
}

void Field(Json& json, const char* name, const char* text)
{
    Raw(json, name);
    String(json, text);
}

void Field(Json& json, const char* name, long long number)
{
    Raw(json, name);
    Number(json, number);
}

void Field(Json& json, const char* name, bool flag)
{
    Raw(json, name);
    Raw(json, flag ? "true" : "false");
}

// Each place a record is where kdnclaunch does not read it, as the text
// tells it under the record: "place" (view64: HKLM's 64-bit view;
// currentUser: HKCU, an install for one user; virtualStore: this account's
// VirtualStore copy), "key" as reg query names it, "outcome" (keyNotOpened,
// noValue, valueNotRead, valueTooLong, read), "error" and "errorText" for the
// first and third, "type" and "size" for the last two, "value" as read, and
// "query", the reg query line that shows it.
void WriteElsewhere(Json& json, const RecordReading& record, int row)
{
    Raw(json, ",\"elsewhere\":[");
    for (int i = 0; i < record.elsewhereCount; ++i) {
        const RecordElsewhere& elsewhere = record.elsewhere[i];
        const bool error = elsewhere.held == Held::kKeyNotOpened || elsewhere.held == Held::kValueNotRead;
        const bool sized = elsewhere.held == Held::kValueTooLong || elsewhere.held == Held::kValue;
        char query[kQueryCapacity];
        FormatElsewhereQuery(elsewhere, row, query);
        Field(json, i == 0 ? "{\"place\":" : ",{\"place\":", kPlaceWords[static_cast<int>(elsewhere.place)]);
        Field(json, ",\"key\":", elsewhere.key);
        Field(json, ",\"outcome\":", kHeldWords[static_cast<int>(elsewhere.held)]);
        Raw(json, ",\"error\":");
        error ? Number(json, elsewhere.error) : Raw(json, "null");
        Field(json, ",\"errorText\":", error ? elsewhere.errorText : nullptr);
        Raw(json, ",\"type\":");
        sized ? Number(json, elsewhere.type) : Raw(json, "null");
        Raw(json, ",\"size\":");
        sized ? Number(json, elsewhere.size) : Raw(json, "null");
        Field(json, ",\"value\":", elsewhere.held == Held::kValue ? elsewhere.value : nullptr);
        Field(json, ",\"query\":", query);
        Raw(json, "}");
    }
    Raw(json, "]");
}

void WriteRecord(Json& json, const RecordReading& record, int row, const CheckSetting& setting)
{
    const RecordedCall* read = record.read;
    const bool valueRead = read && read->result == ERROR_SUCCESS;
    const RecordedCall* error = record.outcome == Outcome::kKeyNotOpened   ? record.open
                                : record.outcome == Outcome::kValueNotRead ? read
                                                                            : nullptr;
    const bool hasProgram = record.outcome == Outcome::kTooLong || record.outcome == Outcome::kAbsent ||
                            record.outcome == Outcome::kTaken;
    Field(json, row == 0 ? "{\"record\":" : ",{\"record\":", static_cast<long long>(row + 1));
    Field(json, ",\"name\":", kRecordNames[row]);
    Field(json, ",\"key\":", kDncCandidates[row].keyPath);
    Field(json, ",\"valueName\":", kDncCandidates[row].valueName);
    Field(json, ",\"outcome\":", kOutcomeWords[static_cast<int>(record.outcome)]);
    Raw(json, ",\"error\":");
    error ? Number(json, error->result) : Raw(json, "null");
    Field(json, ",\"errorText\":", error ? error->aside : nullptr);
    // Windows tells a value's type and size when it reads it, or finds it too long.
    const bool sized = valueRead || record.outcome == Outcome::kTooLongValue;
    Raw(json, ",\"type\":");
    sized ? Number(json, read->type) : Raw(json, "null");
    Raw(json, ",\"size\":");
    sized ? Number(json, read->dataSize) : Raw(json, "null");
    Field(json, ",\"value\":", valueRead ? read->answer : nullptr);
    Field(json, ",\"lostLetters\":", valueRead && read->aside[0] ? read->aside : nullptr);
    CodePoints(json, ",\"lostCodePoints\":", valueRead && read->aside[0] ? read->aside : nullptr);
    Field(json, ",\"program\":", hasProgram ? record.joined : nullptr);
    Field(json, ",\"searchedAs\":", record.search ? record.search->aside : nullptr);
    WriteElsewhere(json, record, row);
    Raw(json, ",\"notes\":[");
    const char* separator = "";
    if (valueRead) {
        const char* notes[] = {read->type == kExpandableString ? "notExpanded" : nullptr,
                               read->type == kMultiString ? "firstStringOnly" : nullptr,
                               !IsStringType(read->type) ? "readAsBytes" : nullptr,
                               EndsInTrailBackslash(read->answer, setting) ? "trailByteSeparator" : nullptr,
                               record.search && !IsAbsolute(record.joined) ? "relative" : nullptr};
        for (const char* note : notes) {
            if (!note)
                continue;
            Raw(json, separator);
            String(json, note);
            separator = ",";
        }
    }
    Raw(json, "]}");
}

// Who can replace a program: the accounts kept, and how many there are.
void WriteTrust(Json& json, const ProgramTrust& trust)
{
    Field(json, ",\"trusted\":", IsTrusted(trust));
    Field(json, ",\"securityRead\":", trust.securityRead);
    Field(json, ",\"unreadPath\":", trust.securityRead ? nullptr : trust.unreadPath);
    Raw(json, ",\"securityError\":");
    trust.error != 0 ? Number(json, trust.error) : Raw(json, "null");
    Raw(json, ",\"replacers\":[");
    for (int i = 0; i < trust.count && i < kMostReplacers; ++i) {
        const Replacer& replacer = trust.replacers[i];
        Field(json, i == 0 ? "{\"account\":" : ",{\"account\":", replacer.account);
        Field(json, ",\"anyone\":", replacer.anyone);
        Field(json, ",\"right\":", kRightWords[static_cast<int>(replacer.right)]);
        Field(json, ",\"path\":", replacer.path);
        Raw(json, ",\"plants\":");
        replacer.plants != 0 ? Number(json, replacer.plants) : Raw(json, "null");
        Raw(json, "}");
    }
    Field(json, "],\"replacerCount\":", static_cast<long long>(trust.count));
}

void WriteFound(Json& json, const DncSearch& search, const CheckSetting& setting)
{
    Raw(json, ",\"search\":{");
    Field(json, "\"ran\":", search.ran);
    Raw(json, ",\"roots\":[");
    const char* separator = "";
    for (const char* root : search.roots) {
        if (root[0] == '\0')
            continue;
        Raw(json, separator);
        String(json, root);
        separator = ",";
    }
    Field(json, "],\"foldersRead\":", static_cast<long long>(search.foldersRead));
    Field(json, ",\"foldersDenied\":", static_cast<long long>(search.foldersDenied));
    Field(json, ",\"stopped\":", search.stopped);
    Raw(json, "},\"found\":[");
    for (int i = 0; i < search.count; ++i) {
        const FoundProgram& found = search.found[i];
        char fix[kFixCapacity];
        const bool pastable = FormatFix(found, setting, fix);
        Field(json, i == 0 ? "{\"record\":" : ",{\"record\":", static_cast<long long>(found.row + 1));
        Field(json, ",\"program\":", found.program);
        Field(json, ",\"from\":", kFoundByWords[static_cast<int>(found.by)]);
        Field(json, ",\"folder\":", found.folder[0] ? found.folder : nullptr);
        Field(json, ",\"fix\":", found.proven && pastable ? fix : nullptr);
        WriteTrust(json, found.trust);
        Raw(json, "}");
    }
    Raw(json, "]");
}

// What --fix did; null without it. The value it replaced as its type and
// bytes in hexadecimal, so that a script can put it back.
void WriteFixRun(Json& json, const FixRun* fix)
{
    Raw(json, ",\"fixRun\":");
    if (!fix) {
        Raw(json, "null");
        return;
    }
    const bool chosen = fix->row != kNoRecord;
    Field(json, "{\"outcome\":", kFixWords[static_cast<int>(fix->outcome)]);
    Raw(json, ",\"record\":");
    chosen ? Number(json, fix->row + 1) : Raw(json, "null");
    Field(json, ",\"key\":", chosen ? kDncCandidates[fix->row].keyPath : nullptr);
    Field(json, ",\"valueName\":", chosen ? kDncCandidates[fix->row].valueName : nullptr);
    Field(json, ",\"folder\":", chosen ? fix->folder : nullptr);
    Field(json, ",\"program\":", chosen ? fix->program : nullptr);
    const bool failed = fix->outcome == FixOutcome::kNotWritten;
    Raw(json, ",\"error\":");
    failed ? Number(json, fix->error) : Raw(json, "null");
    Field(json, ",\"errorText\":", failed ? fix->errorText : nullptr);
    const PreviousValue& before = fix->before;
    if (fix->outcome != FixOutcome::kWritten) {
        Raw(json, ",\"before\":null}");
        return;
    }
    Field(json, ",\"before\":{\"keyFound\":", before.keyFound);
    Field(json, ",\"valueFound\":", before.valueFound);
    Raw(json, ",\"type\":");
    before.valueFound ? Number(json, before.type) : Raw(json, "null");
    Raw(json, ",\"bytes\":");
    if (!before.valueFound) {
        Raw(json, "null}}");
        return;
    }
    Raw(json, "\"");
    for (std::uint32_t i = 0; i < before.size; ++i)
        Raw(json, Hex(before.data[i]).text);
    Raw(json, "\"}}");
}

} // namespace

bool WriteCheckJson(const CheckReading& reading, const CheckSetting& setting, const CheckOperations& check,
                    ReportText& report)
{
    report.length = 0;
    report.text[0] = '\0';
    Json json = {report, check, false};
    Field(json, "{\"format\":", static_cast<long long>(kFormat));
    Field(json, ",\"check\":", KDNC_VERSION);
    Field(json, ",\"runBy\":{\"user\":", setting.user);
    Field(json, ",\"session\":", static_cast<long long>(setting.session));
    Field(json, ",\"elevated\":", setting.elevated);
    Field(json, ",\"virtualized\":", setting.virtualized);
    Field(json, ",\"service\":", RunsAsService(setting));
    Field(json, "},\"currentFolder\":", setting.currentFolder);
    Field(json, ",\"codePage\":", static_cast<long long>(setting.codePage));
    Field(json, ",\"registryView\":", kViewWords[static_cast<int>(RegistryViewOf(reading, setting))]);
    Raw(json, ",\"records\":[");
    for (int row = 0; row < 6; ++row)
        WriteRecord(json, reading.records[row], row, setting);
    // The launcher reads a title only from a window.
    Field(json, "],\"window\":{\"title\":", reading.title ? reading.title->answer : nullptr);
    Field(json, ",\"lostLetters\":", reading.title && reading.title->aside[0] ? reading.title->aside : nullptr);
    CodePoints(json, ",\"lostCodePoints\":", reading.title && reading.title->aside[0] ? reading.title->aside : nullptr);
    Field(json, "},\"document\":{\"path\":", reading.document.path[0] ? reading.document.path : nullptr);
    Field(json, ",\"outcome\":", kDocumentWords[static_cast<int>(reading.documentOutcome)]);
    Field(json, "},\"verdict\":{\"exitCode\":", static_cast<long long>(reading.launch ? 0 : 1));
    Field(json, ",\"start\":", reading.launch ? reading.launch->argument : nullptr);
    Field(json, ",\"parameters\":", reading.launch ? reading.launch->parameters : nullptr);
    Field(json, ",\"warning\":", reading.launch ? nullptr : reading.box ? reading.box->argument : "");
    if (reading.launch)
        WriteTrust(json, reading.launchTrust);
    else
        Raw(json, ",\"trusted\":null,\"securityRead\":null,\"unreadPath\":null,\"securityError\":null,"
                  "\"replacers\":[],\"replacerCount\":0");
    Raw(json, "}");
    WriteFound(json, reading.search, setting);
    WriteFixRun(json, reading.fix);
    Raw(json, "}\n");
    if (json.full) {
        report.length = 0;
        report.text[0] = '\0';
    }
    return !json.full;
}
