#include "check_reading.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr std::int32_t kNotFound = 2;  // ERROR_FILE_NOT_FOUND
// Answered for the fixed record alone; never sent to Windows.
constexpr RegistryKey kFixedKey = 0x4B44;

// Names compared as the file system compares the program's own, which hold
// only letters, digits and dots: case aside, and no other byte can match.
bool SameName(const char* a, const char* b, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    return true;
}

// Only a whole path on a local fixed drive is asked about: the launcher runs from the editor's current folder, not
// the check's, and a lost server can hold a search up for minutes.
bool Searchable(const CallLog& log, const char* folder)
{
    return IsAbsolute(folder) && log.check->IsLocalPath(folder);
}

void AddFound(DncSearch& search, int row, FoundBy by, const char* program, const char* folder)
{
    for (int i = 0; i < search.count; ++i)
        if (SamePath(search.found[i].program, program))
            return;  // one program, however many ways or spellings lead to it
    if (search.count == kMostFound)
        return;
    FoundProgram& found = search.found[search.count++];
    found.row = row, found.by = by;
    CopyText(found.program, sizeof found.program, program);
    CopyText(found.folder, sizeof found.folder, folder);
}

// One folder a record's value suggests, as that record's program would lie in it.
void TryFolder(const CallLog& log, DncSearch& search, int row, const char* folder, FoundBy by)
{
    char joined[2 * MAX_PATH];
    if (Searchable(log, folder) && JoinProgram(folder, kDncCandidates[row].programSubpath, joined) &&
        PathExists(*log.windows, joined))
        AddFound(search, row, by, joined, folder);
}

// Without a leading quote, nor trailing blanks, dots and quotes.
void Trim(const char* text, char (&trimmed)[MAX_PATH])
{
    CopyText(trimmed, sizeof trimmed, text + (text[0] == '"'));
    for (std::size_t end = std::strlen(trimmed); end > 0 && std::strchr(" .\"", trimmed[end - 1]); --end)
        trimmed[end - 1] = '\0';
}

void SearchValue(const CallLog& log, DncSearch& search, int row, const RecordedCall& read, const char* joined)
{
    // The value's strings: the first, as kdnclaunch takes it, then a
    // multi-string's others, up to the empty one that ends them; the log's
    // copy is zero-filled past the value.
    for (const char* string = read.answer; string == read.answer || (read.type == kMultiString && *string != '\0');
         string += std::strlen(string) + 1) {
        const bool other = string != read.answer;
        char expanded[MAX_PATH] = "", trimmed[MAX_PATH], trimmedExpanded[MAX_PATH];
        if (other)
            TryFolder(log, search, row, string, FoundBy::kOtherString);
        if (std::strchr(string, '%'))
            log.check->ExpandText(string, expanded, sizeof expanded);
        if (std::strcmp(expanded, string) == 0)
            expanded[0] = '\0';  // no name was set: the string itself, already tried
        TryFolder(log, search, row, expanded, FoundBy::kExpanded);
        Trim(string, trimmed);
        Trim(expanded, trimmedExpanded);
        TryFolder(log, search, row, std::strcmp(trimmed, string) != 0 ? trimmed : "", FoundBy::kTrimmed);
        TryFolder(log, search, row, std::strcmp(trimmedExpanded, expanded) != 0 ? trimmedExpanded : "",
                  FoundBy::kTrimmed);
    }
    if (read.wide[0] == u'\0' || !Searchable(log, read.answer))
        return;
    char shortFolder[MAX_PATH];
    const int wide = log.check->FindWideProgram(read.wide, kDncCandidates[row].programSubpath, shortFolder,
                                                sizeof shortFolder);
    if (wide == 1)
        TryFolder(log, search, row, shortFolder, FoundBy::kShortName);
    else if (wide == 2)
        AddFound(search, row, FoundBy::kLostLetters, joined, "");
}

// A record's string value where kdnclaunch does not read it: as it stands,
// then as the record's own is searched; each find said to come from there.
void SearchElsewhere(const CallLog& log, DncSearch& search, int row, const RecordElsewhere& elsewhere)
{
    if (elsewhere.held != Held::kValue || !IsStringType(elsewhere.type))
        return;
    static RecordedCall read;
    read = RecordedCall{};
    std::memcpy(read.answer, elsewhere.value, sizeof elsewhere.value);
    read.type = elsewhere.type;
    const int first = search.count;
    TryFolder(log, search, row, read.answer, FoundBy::kView64);
    SearchValue(log, search, row, read, "");
    for (FoundProgram* found = search.found + first; found != search.found + search.count; ++found)
        found->by = static_cast<FoundBy>(static_cast<int>(FoundBy::kView64) + static_cast<int>(elsewhere.place));
}

// The record to write for a program under that subpath: the first of its
// records that has a key, else the first of the product's own, which follow
// the two uninstall records; kdnc.exe alone has only the first.
int RowFor(const CheckReading& reading, const char* subpath)
{
    for (int row = 0; row < 6; ++row)
        if (std::strcmp(kDncCandidates[row].programSubpath, subpath) == 0 &&
            reading.records[row].outcome != Outcome::kNoKey)
            return row;
    for (int row = 2; row < 6; ++row)
        if (std::strcmp(kDncCandidates[row].programSubpath, subpath) == 0)
            return row;
    return 0;
}

struct FolderWalk {
    const CallLog* log;
    CheckReading* reading;
    std::uint32_t started;
    const char* folder;
    int depth;  // how many levels of subfolders below it are read too
};

bool WithinBounds(const FolderWalk& walk)
{
    DncSearch& search = walk.reading->search;
    search.stopped = search.stopped || search.foldersRead >= kMostFoldersRead ||
                     walk.log->check->ReadMilliseconds() - walk.started >= kMostSearchMilliseconds;
    return !search.stopped;
}

void ReadSearchFolder(FolderWalk walk, const char* folder, int depth);

// An entry of a folder under an install root: a program of some record, or
// a folder to read in turn.
bool VisitEntry(const char* name, bool isFolder, void* context)
{
    const FolderWalk& walk = *static_cast<const FolderWalk*>(context);
    for (int row = 0; row < 6; ++row) {
        const char* subpath = kDncCandidates[row].programSubpath;
        const char* separator = std::strchr(subpath, '\\');
        const std::size_t length = separator ? separator - subpath : std::strlen(subpath);
        char program[2 * MAX_PATH];
        if (isFolder == (separator != nullptr) && std::strlen(name) == length && SameName(name, subpath, length) &&
            JoinProgram(walk.folder, subpath, program) && PathExists(*walk.log->windows, program))
            AddFound(walk.reading->search, RowFor(*walk.reading, subpath), FoundBy::kInstallRoot, program, walk.folder);
    }
    char path[2 * MAX_PATH];
    if (isFolder && walk.depth > 0 && JoinProgram(walk.folder, name, path))
        ReadSearchFolder(walk, path, walk.depth - 1);
    return WithinBounds(walk);
}

void ReadSearchFolder(FolderWalk walk, const char* folder, int depth)
{
    if (!WithinBounds(walk))
        return;
    walk.folder = folder, walk.depth = depth;
    DncSearch& search = walk.reading->search;
    ++search.foldersRead;
    if (walk.log->check->ReadFolder(folder, VisitEntry, &walk) != ERROR_SUCCESS)
        ++search.foldersDenied;
}

void SearchInstallRoots(const CallLog& log, CheckReading& reading)
{
    const char* const names[] = {"%ProgramW6432%", "%ProgramFiles(x86)%", "%ProgramFiles%"};
    const FolderWalk walk = {&log, &reading, log.check->ReadMilliseconds(), "", 0};
    int count = 0;
    for (const char* name : names) {
        char* root = reading.search.roots[count];
        log.check->ExpandText(name, root, MAX_PATH);
        // A name not set, which stays as written, a drive not searched, or a root already read.
        bool skip = !Searchable(log, root);
        for (int i = 0; i < count; ++i)
            skip = skip || std::strcmp(root, reading.search.roots[i]) == 0;
        if (skip) {
            root[0] = '\0';
            continue;
        }
        ++count;
        ReadSearchFolder(walk, root, 2);
    }
}

// The launcher's own locator, in a world where the record holds the folder
// as a string and all else is as it is.
struct FixedRecord {
    const WindowsOperations* windows;
    const char* keyPath;
    const char* folder;
    const char* program;
} fixed;

// The record's key as reg add leaves it: made when missing, and as closed
// to kdnclaunch as before when it could not be opened.
std::int32_t OpenFixed(RegistryKey key, const char* subKey, std::uint32_t options, std::uint32_t access,
                       RegistryKey* result)
{
    const std::int32_t status = fixed.windows->RegOpenKeyExA(key, subKey, options, access, result);
    if (std::strcmp(subKey, fixed.keyPath) != 0 || (status != ERROR_SUCCESS && status != kNotFound))
        return status;
    if (status == ERROR_SUCCESS)
        fixed.windows->RegCloseKey(*result);
    *result = kFixedKey;
    return ERROR_SUCCESS;
}

std::int32_t QueryFixed(RegistryKey key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                        unsigned char* data, std::uint32_t* dataSize)
{
    if (key != kFixedKey)
        return fixed.windows->RegQueryValueExA(key, valueName, reserved, type, data, dataSize);
    CopyText(reinterpret_cast<char*>(data), *dataSize, fixed.folder);
    *dataSize = static_cast<std::uint32_t>(std::strlen(fixed.folder) + 1);
    return ERROR_SUCCESS;
}

std::int32_t CloseFixed(RegistryKey key)
{
    return key == kFixedKey ? ERROR_SUCCESS : fixed.windows->RegCloseKey(key);
}

// Only the program is looked for: the launcher's run found nothing at any record, and those the fix leaves hold
// what they held, so that asking again could only reach the drives the search leaves alone.
SearchHandle FindFixed(const char* path, FindDataRecord* findData)
{
    return std::strcmp(path, fixed.program) == 0 ? fixed.windows->FindFirstFileA(path, findData) : INVALID_HANDLE_VALUE;
}

bool ProveFix(const CallLog& log, const FoundProgram& found, int row)
{
    fixed = {log.windows, kDncCandidates[row].keyPath, found.folder, found.program};
    WindowsOperations windows = *log.windows;
    windows.RegOpenKeyExA = OpenFixed, windows.RegQueryValueExA = QueryFixed, windows.RegCloseKey = CloseFixed;
    windows.FindFirstFileA = FindFixed;
    return std::strcmp(FindDncProgram(windows).text, found.program) == 0;
}

// The fix proven in the record found, else in the first other record of the same program subpath that takes it.
bool ProveAnyRecord(const CallLog& log, FoundProgram& found)
{
    for (const int row : {found.row, 0, 1, 2, 3, 4, 5})
        if (std::strcmp(kDncCandidates[row].programSubpath, kDncCandidates[found.row].programSubpath) == 0 &&
            ProveFix(log, found, row)) {
            found.row = row;
            return true;
        }
    return false;
}

} // namespace

bool FormatFix(const FoundProgram& found, const CheckSetting& setting, char (&line)[kFixCapacity])
{
    const DncCandidate& record = kDncCandidates[found.row];
    // Backslashes before the closing quote would escape it: each doubled, they stay as many; the second byte of a
    // double-byte letter is no backslash, whatever its value. A control byte cannot be pasted, nor a quote kept (no
    // file name holds one), and cmd expands a %NAME% that is set.
    const char* trailing = found.folder;
    bool pastable = true;
    for (const char* c = found.folder; *c != '\0'; ++c) {
        const bool letter = IsLeadByte(static_cast<unsigned char>(*c), setting) && c[1] != '\0';
        c += letter;
        trailing = letter || *c != '\\' ? c + 1 : trailing;
        pastable = pastable && !std::iscntrl(static_cast<unsigned char>(*c)) && *c != '"' && *c != '%';
    }
    const char* const pieces[] = {"reg add \"HKLM\\", record.keyPath, "\" /v ", record.valueName, " /t REG_SZ /d \"",
                                  found.folder, trailing, "\" /f /reg:32"};
    line[0] = '\0';
    for (const char* piece : pieces)
        std::strcat(line, piece);
    return pastable;
}

void SearchDncPrograms(const CallLog& log, CheckReading& reading)
{
    DncSearch& search = reading.search;
    if (reading.launch)
        return;
    search.ran = true;
    // Each record whose value was read and not taken, or is where kdnclaunch does not read it.
    for (const RecordReading& record : reading.records) {
        const int row = static_cast<int>(&record - reading.records);
        if (record.outcome == Outcome::kEmpty || record.outcome == Outcome::kTooLong || record.outcome == Outcome::kAbsent)
            SearchValue(log, search, row, *record.read, record.joined);
        for (const RecordElsewhere* elsewhere = record.elsewhere; elsewhere != record.elsewhere + record.elsewhereCount;
             ++elsewhere)
            SearchElsewhere(log, search, row, *elsewhere);
    }
    if (search.count == 0)
        SearchInstallRoots(log, reading);
    for (int i = 0; i < search.count; ++i)
        search.found[i].proven = search.found[i].folder[0] != '\0' && ProveAnyRecord(log, search.found[i]);
    // The proven first, in their order, so that the last line, which names the first, names a fix when there is one.
    for (int i = 0, proven = 0; i < search.count; ++i)
        if (search.found[i].proven)
            std::rotate(search.found + proven++, search.found + i, search.found + i + 1);
}
