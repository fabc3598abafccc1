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

// What became of one install record, from its own calls alone.
struct RecordReading {
    Outcome outcome;
    const RecordedCall* open;
    const RecordedCall* read;
    const RecordedCall* search;
    // Room for the longest value, a separator and the program subpath,
    // joined as the locator joins them.
    char joined[2 * MAX_PATH];
};

// What became of the document, as the title gives it.
enum class DocumentOutcome { kNoWindow, kNotEditor, kAbsent, kPresent, kQuoted };

// The registry view the launcher's reads see: the only one on 32-bit
// Windows, the 32-bit one on 64-bit Windows, or that one asked for by name.
enum class RegistryViewKind { kOnly, kWow64, kAskedFor };

// How a kdnc.exe that kdnclaunch misses was found.
enum class FoundBy { kExpanded, kTrimmed, kOtherString, kShortName, kLostLetters, kInstallRoot };

// What an account may do that changes, replaces or plants a program, in the
// order the report names them.
enum class ReplaceRight { kCreateFiles, kCreateFolders, kWrite, kDelete, kDeleteEntries, kChangePermissions,
                          kTakeOwnership, kOwns };

struct Replacer {
    char account[128];
    bool anyone;        // an account every user who logs on belongs to
    ReplaceRight right;
    char path[MAX_PATH];
};

// Who, beside SYSTEM, the administrators and TrustedInstaller, can replace a
// program: the first accounts found, nearest the program first, and how many.
constexpr int kMostReplacers = 4;
struct ProgramTrust {
    bool securityRead;         // of the file and every folder above it
    std::int32_t error;        // why a path's security was not read; 0: not a fixed local drive
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

// The search is bounded, so that no PC's folders hold the check up: under
// Wine a folder takes about half a millisecond to read.
constexpr int kMostFound = 8;
constexpr int kMostFoldersRead = 20000;
constexpr std::uint32_t kMostSearchMilliseconds = 400;

struct DncSearch {
    bool ran;              // only when kdnclaunch would warn
    char roots[3][MAX_PATH];  // the install roots searched, two folders deep; empty when the values sufficed
    int foldersRead;
    int foldersDenied;     // could not be read, and were skipped
    bool stopped;          // at a bound, in folders or time
    int count;
    FoundProgram found[kMostFound];
};

struct CheckReading {
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
// From a drive's root or a share, not from the current folder.
bool IsAbsolute(const char* path);
// The folder, as much of it as a value the locator reads can hold, a
// separator as the locator chooses it, and the subpath; false when the
// locator would count the result as too long.
bool JoinProgram(const char* folder, const char* subpath, char (&joined)[2 * MAX_PATH]);

// The reg add line, to paste into cmd as an administrator, that writes the
// found program's folder into its record.
constexpr std::size_t kFixCapacity = 2 * MAX_PATH + 160;
void FormatFix(const FoundProgram& found, char (&line)[kFixCapacity]);

// The records, the window, the document and the verdict, from the log alone.
void ReadCheckRun(const CallLog& log, CheckReading& reading);

// Where kdnc.exe is when kdnclaunch would warn: from each record's value,
// else under the install roots; each fix proven by the launcher's locator.
void SearchDncPrograms(const CallLog& log, CheckReading& reading);

// Each record the launcher finds no key or value for, read where else
// people write it: the 64-bit view, the account's own HKEY_CURRENT_USER,
// its VirtualStore copy.
void ReadRecordsElsewhere(const CallLog& log, const CheckSetting& setting, CheckReading& reading);

// Who, beside SYSTEM and the administrators, can replace the program the
// launcher takes and each kdnc.exe found.
bool IsTrusted(const ProgramTrust& trust);
void ReadProgramTrust(const CallLog& log, const CheckSetting& setting, CheckReading& reading);

// The whole reading, in the order each part needs the one before.
void ReadCheck(const CallLog& log, const CheckSetting& setting, CheckReading& reading);
