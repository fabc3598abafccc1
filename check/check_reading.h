// One reading of the launcher's recorded run, and of where kdnc.exe really
// is: what every writer of the check tells, so that no two can differ.
#pragma once

#include "launch_sequence.h"
#include "recording_operations.h"

// The value types that hold text.
constexpr std::uint32_t kString = 1, kExpandableString = 2, kMultiString = 7;

// The records as a person names them, in the order they are tried.
extern const char* const kRecordNames[6];

enum class Outcome { kNotTried, kNoKey, kKeyNotOpened, kNoValue, kValueNotRead, kTooLongValue, kEmpty, kTooLong,
                     kAbsent, kTaken };

// Where people write a record that kdnclaunch never reads: the 64-bit view
// of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER (an install for one user), and the
// account's VirtualStore, which only its kdnclaunch reads, when virtualized.
enum class Place { kView64, kCurrentUser, kVirtualStore };

// What a record's key holds where kdnclaunch does not read it.
enum class Held { kKeyNotOpened, kNoValue, kValueNotRead, kValueTooLong, kValue };

// A record's key where kdnclaunch does not read it, when it is there.
struct RecordElsewhere {
    Place place;
    Held held;
    char key[320];             // as reg query names it: HKLM\... or HKCU\...
    std::int32_t error;        // of opening the key or reading the value
    char errorText[256];       // the system's text for it
    std::uint32_t type, size;  // as Windows tells them, for a value read or too long
    char value[MAX_PATH + 2];  // as kdnclaunch would read it there, zero-filled past it
};

// What became of one install record, from its own calls alone.
struct RecordReading {
    Outcome outcome;
    const RecordedCall* open;
    const RecordedCall* read;
    const RecordedCall* search;
    // Room for the longest value, a separator and the program subpath,
    // joined as the locator joins them.
    char joined[2 * MAX_PATH];
    int elsewhereCount;
    RecordElsewhere elsewhere[3];
};

// What became of the document, as the title gives it.
enum class DocumentOutcome { kNoWindow, kNotEditor, kAbsent, kPresent, kQuoted };

// The registry view the launcher's reads see: the only one on 32-bit
// Windows, the 32-bit one on 64-bit Windows, or that one asked for by name.
enum class RegistryViewKind { kOnly, kWow64, kAskedFor };

// How a kdnc.exe that kdnclaunch misses was found.
// The last three, from a record's value where kdnclaunch does not read it,
// one for each Place.
enum class FoundBy { kExpanded, kTrimmed, kOtherString, kShortName, kLostLetters, kInstallRoot, kView64, kCurrentUser,
                     kVirtualStore };

// What an account may do that changes, replaces or plants a program, in the
// order the report names them.
enum class ReplaceRight { kCreateFiles, kCreateFolders, kWrite, kDelete, kDeleteEntries, kChangePermissions,
                          kTakeOwnership, kOwns, kSetValues, kCreateKeys, kChangeKeysMade };

struct Replacer {
    char account[128];
    bool anyone;        // an account every user who logs on belongs to
    ReplaceRight right;
    char path[MAX_PATH];  // a record's key as reg query names it, HKLM\ first
    int plants;         // 1 to 6: the record, tried first, whose missing program or value this plants; 0: none
};

// Who, beside SYSTEM, the administrators and TrustedInstaller, can replace a
// program: the first accounts found, nearest the program first, and how many.
constexpr int kMostReplacers = 4;
// Why a path's security counts as not read when it is a link, or another
// reparse point that may lead elsewhere: ERROR_REPARSE_POINT_ENCOUNTERED.
constexpr std::int32_t kPathIsLink = 4395;
struct ProgramTrust {
    bool securityRead;         // of the file and every folder above it
    std::int32_t error;        // why a path's security was not read; 0: relative, or not on a fixed local drive
    char errorText[128];
    char unreadPath[MAX_PATH];
    int count;                 // accounts that can replace it, kept or not
    Replacer replacers[kMostReplacers];
};

struct FoundProgram {
    int row;                 // the record that would lead to it, 0 to 5
    FoundBy by;
    char program[MAX_PATH];  // as found; for kLostLetters, as the code page spells it
    char folder[MAX_PATH];   // the value to write into that record; empty when none can help
    bool proven;             // kdnclaunch's own locator, given that value, takes the program
    bool trusted;            // no one but SYSTEM and the administrators can replace it
    ProgramTrust trust;
};

// The search is bounded in folders read, so that a PC gives the same answer
// on every run; the time bound only guards against a disk that stalls, far
// inside the shortest script timeout of a deployment tool (a minute).
constexpr int kMostFound = 8;
constexpr int kMostFoldersRead = 20000;
constexpr std::uint32_t kMostSearchMilliseconds = 10000;

struct DncSearch {
    bool ran;              // only when kdnclaunch would warn
    char roots[3][MAX_PATH];  // the install roots searched, two folders deep; empty when the values sufficed
    int foldersRead;
    int foldersDenied;     // could not be read, and were skipped
    bool stopped;          // at a bound, in folders or time
    int count;
    FoundProgram found[kMostFound];
};

// What --fix did: the write, or why there was none.
enum class FixOutcome { kNothingToDo, kNoneFound, kNoneProven, kNotThatProgram, kNotTrusted, kNotElevated,
                        kNotWritten, kWritten };

// No record chosen for --fix.
constexpr int kNoRecord = -1;

struct FixRun {
    FixOutcome outcome;
    int row;                 // the record written, or that would have been; kNoRecord
    char folder[MAX_PATH];
    char program[MAX_PATH];  // where the fix leads kdnclaunch
    std::int32_t error;      // why it could not be written
    char errorText[256];
    PreviousValue before;
};

struct CheckReading {
    const FixRun* fix;       // with --fix alone
    RecordReading records[6];
    bool noWindow;
    const RecordedCall* title;
    DocumentOutcome documentOutcome;
    EditorDocument document;     // its path empty unless the title was the editor's
    DncParameters parameters;
    const RecordedCall* launch;  // ShellExecuteA, or null
    const RecordedCall* box;     // MessageBoxA, or null
    DncSearch search;
    ProgramTrust launchTrust;    // of the program ShellExecuteA was handed
};

bool IsStringType(std::uint32_t type);
RegistryViewKind RegistryViewOf(const CheckReading& reading, const CheckSetting& setting);
// SYSTEM, or session 0: the operator's kdnclaunch may see otherwise.
bool RunsAsService(const CheckSetting& setting);

// True when the value's last byte is a backslash that ends a double-byte
// letter: the locator still takes it for a separator.
bool EndsInTrailBackslash(const char* value, const CheckSetting& setting);
// True when c begins a double-byte letter in the code page.
bool IsLeadByte(unsigned char c, const CheckSetting& setting);
// Paths compared with ASCII letters case aside, as NTFS and FAT compare them;
// other bytes as they are, and so is a byte after one beyond ASCII, which may
// be the second of a double-byte letter (code page 932's ア is 83 41, ッ 83
// 61): a letter in two spellings is told apart at worst, two letters are never
// taken for one (std::tolower folds A-Z alone in the C locale).
bool SamePath(const char* a, const char* b);
// From a drive's root or a share, not from the current folder.
bool IsAbsolute(const char* path);
// The folder, as much of it as a value the locator reads can hold, a
// separator as the locator chooses it, and the subpath; false when the
// locator would count the result as too long.
bool JoinProgram(const char* folder, const char* subpath, char (&joined)[2 * MAX_PATH]);

// The reg add line, to paste into cmd as an administrator, that writes the
// found program's folder into its record; false when it cannot be pasted as
// printed.
constexpr std::size_t kFixCapacity = 2 * MAX_PATH + 160;
bool FormatFix(const FoundProgram& found, const CheckSetting& setting, char (&line)[kFixCapacity]);

// The records, the window, the document and the verdict, from the log alone.
void ReadCheckRun(const CallLog& log, CheckReading& reading);

// Where kdnc.exe is when kdnclaunch would warn: from each record's value,
// else under the install roots; each fix proven by the launcher's locator.
void SearchDncPrograms(const CallLog& log, CheckReading& reading);

// Each record the launcher finds no key or value for, read where else
// people write it: the 64-bit view, the account's own HKEY_CURRENT_USER,
// its VirtualStore copy.
void ReadRecordsElsewhere(const CallLog& log, const CheckSetting& setting, CheckReading& reading);

// The reg query line that shows a record where kdnclaunch does not read it.
constexpr std::size_t kQueryCapacity = 400;
void FormatElsewhereQuery(const RecordElsewhere& elsewhere, int row, char (&line)[kQueryCapacity]);

// Who, beside SYSTEM and the administrators, can replace the program the
// launcher takes and each kdnc.exe found.
bool IsTrusted(const ProgramTrust& trust);
void ReadProgramTrust(const CallLog& log, const CheckSetting& setting, CheckReading& reading);

// The whole reading, in the order each part needs the one before.
void ReadCheck(const CallLog& log, const CheckSetting& setting, CheckReading& reading);

// --fix: writes the first fix that is proven and trusted (and leads to the
// program asked for, when one is), then runs the launcher again into the
// reading. The exit code: 0 when kdnclaunch would start DNC afterwards, 1
// when no fix can be vouched for, 2 when it could not be written.
int FixDncRecord(const CheckSetting& setting, const char* wantedProgram, CheckReading& reading, FixRun& fix);
