// What the check learns of Windows beside the launcher's own calls. Free of
// the launcher's constants, so that the check's Win32 code can include it
// beside <windows.h>.
#pragma once

#include <cstddef>

#include "windows_operations.h"

// What a record's value held before --fix wrote it, kept whole so that it
// can be put back: size is at most kMostPreviousBytes, or nothing was
// written.
constexpr std::size_t kMostPreviousBytes = 2048;
struct PreviousValue {
    bool keyFound;
    bool valueFound;
    std::uint32_t type;
    std::uint32_t size;
    unsigned char data[kMostPreviousBytes];
};

// An account as a path's security names it, and what the check knows of who
// belongs to it.
enum class AccountKind {
    kAnyone,   // Everyone, Authenticated Users, Users, INTERACTIVE: every user who logs on
    kTrusted,  // SYSTEM, Administrators, TrustedInstaller; CREATOR OWNER, who is no one
               // until something is made, and then its maker
    kRunning,  // the account running the check
    kOther,    // any other, or one whose members cannot be told
};

struct SecurityAccount {
    char name[128];  // as Windows names it; its SID when Windows cannot name it
    AccountKind kind;
};

struct AccessEntry {
    bool allows;               // an allow entry, else a deny one
    bool inheritOnly;          // for what is created below, not for the path itself
    std::uint32_t mask;        // as the entry holds it, generic rights unmapped
    SecurityAccount account;
    bool inherits;             // passed on to the keys made below
};

// A path's owner and the entries of its DACL, in order. A DACL with more
// entries than this is not read at all, since a later one could grant more.
constexpr int kMostAccessEntries = 24;
struct PathSecurity {
    SecurityAccount owner;
    int count;
    AccessEntry entries[kMostAccessEntries];
    bool reparsePoint;        // the path itself is one: a link, or a file kept another way
    std::uint32_t reparseTag;  // its kind, as Windows tags it; 0 when not told
};

// What the check asks beyond the launcher's own calls, for the report alone:
// none of it changes what the launcher is answered.
struct CheckOperations {
    // The letters of a string value, or of a window's title, that the ANSI
    // code page has no byte for, each as "U+0421 as ?" (what the ANSI read
    // gave instead), separated by blanks; empty when none was lost.
    // The value's first string as read in UTF-16 goes to wide, when letters
    // were lost, and is empty otherwise.
    void (*ListLostValueLetters)(RegistryKey key, const char* valueName, char* letters, std::size_t capacity,
                                 char16_t* wide, std::size_t wideCapacity);
    void (*ListLostTitleLetters)(WindowHandle window, char* letters, std::size_t capacity);
    // The system's own text for an error number, on one line.
    void (*ReadErrorText)(std::int32_t error, char* text, std::size_t capacity);
    // The whole path that a path resolves to against the current folder.
    void (*ReadFullPath)(const char* path, char* fullPath, std::size_t capacity);

    // For the search of kdnc.exe, read only:
    // The text with each %NAME% expanded from the environment; a name that is
    // not set stays as written. Empty when the result does not fit.
    void (*ExpandText)(const char* text, char* expanded, std::size_t capacity);
    // Hands visit each entry of the folder but . and .., until it answers
    // false; links and junctions are not handed on as folders. Answers 0, or
    // the error that kept the folder from being read.
    std::int32_t (*ReadFolder)(const char* folder, bool (*visit)(const char* name, bool isFolder, void* context),
                               void* context);
    // True for a path on a fixed local drive; network and removable drives
    // are not searched, since a lost server can hold a search up for minutes.
    bool (*IsLocalPath)(const char* path);
    std::uint32_t (*ReadMilliseconds)();
    // Whether folder\subpath exists, the folder in UTF-16: 0 no; 1 yes, and
    // the folder's short name, spelled in the code page, is in shortFolder;
    // 2 yes, but no name of the folder can be spelled in the code page.
    int (*FindWideProgram)(const char16_t* folder, const char* subpath, char* shortFolder, std::size_t capacity);
    // The text in UTF-16, as the code page reads it; the count of units.
    std::size_t (*WidenText)(const char* text, char16_t* wide, std::size_t capacity);

    // A record where kdnclaunch does not read it: the key under
    // HKEY_CURRENT_USER, else in HKEY_LOCAL_MACHINE's 64-bit view. Answers
    // what opening the key gave; once open, what reading the value gave goes
    // to valueStatus, with its type and its size, which holds the room in
    // bytes when asked; the bytes that fit, zero-filled past the value.
    std::int32_t (*ReadValueElsewhere)(bool currentUser, const char* keyPath, const char* valueName,
                                       std::int32_t* valueStatus, std::uint32_t* type, char* bytes,
                                       std::uint32_t* size);

    // For --fix alone, the one write the check makes: the folder as a REG_SZ
    // into the record's value under HKEY_LOCAL_MACHINE in the 32-bit view,
    // the key made when missing. What the value held goes to before. Answers
    // 0, or the error that kept it from being written, and then nothing was,
    // nor is a key left made.
    std::int32_t (*WriteRecordFolder)(const char* keyPath, const char* valueName, const char* folder,
                                      PreviousValue& before);

    // Who can replace a program, read only:
    // The owner and DACL of a file or folder, each account named and told
    // apart; a null DACL, which lets everyone do anything, as one entry that
    // allows Everyone all rights. A reparse point is read as itself, not as
    // what it leads to. Answers 0, or the error that kept it from being read.
    std::int32_t (*ReadPathSecurity)(const char* path, PathSecurity& security);
    // The same of a key under HKEY_LOCAL_MACHINE in the 32-bit view, where
    // kdnclaunch reads its records. Answers 2 when there is no such key.
    std::int32_t (*ReadKeySecurity)(const char* keyPath, PathSecurity& security);
};

// What the report needs beyond the recorded calls: where and as whom the
// check ran.
struct CheckSetting {
    char currentFolder[260];           // MAX_PATH
    bool wow64;                        // a 32-bit process on 64-bit Windows
    unsigned int codePage;             // the ANSI code page the launcher reads in
    unsigned char leadByteRanges[12];  // its double-byte lead bytes, first and last of each range, 0 0 ending
    char user[256];                    // DOMAIN\name
    unsigned long session;             // 0: services' session, no one's desktop
    bool elevated;
    bool virtualized;                  // the registry and files of Program Files are virtualized for it
    bool system;                       // run as LocalSystem
};

// Copies as much of the text as fits, always terminated.
void CopyText(char* to, std::size_t capacity, const char* from);
