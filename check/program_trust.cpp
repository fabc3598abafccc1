// Who can replace a program: the security of the file and of each folder
// from the drive's root down to it, and of the records' keys that lead there.
#include "check_reading.h"

#include <algorithm>
#include <cstring>

namespace {

// Access rights as Windows defines them for files and folders.
constexpr std::uint32_t kWriteData = 0x2;     // FILE_WRITE_DATA; on a folder, FILE_ADD_FILE
constexpr std::uint32_t kAppendData = 0x4;    // FILE_APPEND_DATA; on a folder, FILE_ADD_SUBDIRECTORY
constexpr std::uint32_t kDeleteChild = 0x40;  // FILE_DELETE_CHILD
constexpr std::uint32_t kDelete = 0x10000;
constexpr std::uint32_t kWriteDac = 0x40000;
constexpr std::uint32_t kWriteOwner = 0x80000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kFileAllAccess = 0x1F01FF;
constexpr std::uint32_t kFileGenericWrite = 0x120116;
// And for registry keys, whose generic rights hold these as a file's do.
constexpr std::uint32_t kSetValue = 0x2;      // KEY_SET_VALUE
constexpr std::uint32_t kCreateSubKey = 0x4;  // KEY_CREATE_SUB_KEY

// An entry's rights as the file system maps its generic ones.
std::uint32_t Mapped(std::uint32_t mask)
{
    return mask | ((mask & kGenericAll) != 0 ? kFileAllAccess : 0) |
           ((mask & kGenericWrite) != 0 ? kFileGenericWrite : 0);
}

struct HeldRight {
    std::uint32_t mask;
    ReplaceRight right;
};

// What lets an account change, replace or plant the program, by where it is
// held; an entry is named for the first of them it grants. A mask of 0 ends
// each list.
const HeldRight kFileRights[] = {{kWriteData | kAppendData, ReplaceRight::kWrite}, {kDelete, ReplaceRight::kDelete},
                                 {kWriteDac, ReplaceRight::kChangePermissions},
                                 {kWriteOwner, ReplaceRight::kTakeOwnership}, {}};
// In the program's own folder a file or folder created beside it is planted:
// a DLL there, or a kdnc.exe.local folder, is loaded by the program. In the
// folders above, creating entries is left out: every name on the path is
// already taken, and the entry that holds it cannot be replaced without the
// rights read here (the drive's root lets every user create folders on every
// Windows). A program that exists has every folder of its path; a record
// tried first that leads nowhere is read with kPlantRights.
const HeldRight kOwnFolderRights[] = {{kWriteData, ReplaceRight::kCreateFiles},
                                      {kAppendData, ReplaceRight::kCreateFolders},
                                      {kDelete, ReplaceRight::kDelete},
                                      {kDeleteChild, ReplaceRight::kDeleteEntries},
                                      {kWriteDac, ReplaceRight::kChangePermissions},
                                      {kWriteOwner, ReplaceRight::kTakeOwnership}, {}};
// Deleting or renaming a folder of the path, or the entry below it, lets
// another be put in its place.
const HeldRight kFolderRights[] = {{kDelete, ReplaceRight::kDelete}, {kDeleteChild, ReplaceRight::kDeleteEntries},
                                   {kWriteDac, ReplaceRight::kChangePermissions},
                                   {kWriteOwner, ReplaceRight::kTakeOwnership}, {}};
// Where a record tried first leads to no program, the nearest folder of its
// path that exists: creating a folder there plants the rest of the path, and
// its permissions or owner give that right; deleting or renaming it lets
// another be put in its place, as for every folder of a path.
const HeldRight kPlantRights[] = {{kAppendData, ReplaceRight::kCreateFolders}, {kDelete, ReplaceRight::kDelete},
                                  {kWriteDac, ReplaceRight::kChangePermissions},
                                  {kWriteOwner, ReplaceRight::kTakeOwnership}, {}};

// A record's key: setting its value leads kdnclaunch elsewhere, and
// deleting it lets the next record decide. Where the key is missing, the
// nearest key above it that exists: whoever can create keys there makes the
// record.
const HeldRight kKeyRights[] = {{kSetValue, ReplaceRight::kSetValues}, {kDelete, ReplaceRight::kDelete},
                                {kWriteDac, ReplaceRight::kChangePermissions},
                                {kWriteOwner, ReplaceRight::kTakeOwnership}, {}};
const HeldRight kKeyAboveRights[] = {{kCreateSubKey, ReplaceRight::kCreateKeys},
                                     {kWriteDac, ReplaceRight::kChangePermissions},
                                     {kWriteOwner, ReplaceRight::kTakeOwnership}, {}};
// A key that a fix makes takes the entries that the nearest key above it
// passes on to keys below (ACE inheritance: CONTAINER_INHERIT_ACE), and
// whoever they give a key's rights to could lead kdnclaunch elsewhere once
// the fix is made.
const HeldRight kKeyMadeRights[] = {{kSetValue | kDelete | kWriteDac | kWriteOwner, ReplaceRight::kChangeKeysMade}, {}};

// A key is named as reg query names it: this, then its path.
constexpr char kKeyRoot[] = "HKLM\\";
constexpr std::size_t kKeyRootLength = sizeof kKeyRoot - 1;

// What reading the security of a path that does not exist answers.
constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kPathNotFound = 3;

// The reparse points whose data stays in the file, under its own security:
// a file compressed by Windows (Compact OS, compact /exe) and one
// deduplicated on a server. Every other kind is a link (a junction, symbolic
// link or mount point), or may lead elsewhere as an app alias or a cloud
// placeholder does, or is one the check does not know.
constexpr std::uint32_t kCompressedTag = 0x80000017;    // IO_REPARSE_TAG_WOF
constexpr std::uint32_t kDeduplicatedTag = 0x80000013;  // IO_REPARSE_TAG_DEDUP

// Accounts counted beyond those kept, each once; past this many, the last
// place is taken by each new one in turn, and the count is the least there are.
constexpr int kMostCounted = 32;

struct TrustWalk {
    const CallLog& log;
    const CheckSetting& setting;
    ProgramTrust& trust;
    char counted[kMostCounted][128];
};

// SYSTEM, the administrators and TrustedInstaller, and the account running
// the check when it is one of the administrators: they could replace any
// program anyway.
bool LeftOut(const SecurityAccount& account, const CheckSetting& setting)
{
    return account.kind == AccountKind::kTrusted ||
           (account.kind == AccountKind::kRunning && (setting.elevated || setting.system));
}

// Each account once, with the first right and path found for it.
void Name(TrustWalk& walk, const SecurityAccount& account, ReplaceRight right, const char* path, int plants)
{
    ProgramTrust& trust = walk.trust;
    for (const char* counted : walk.counted)
        if (std::strcmp(counted, account.name) == 0)
            return;
    CopyText(walk.counted[std::min(trust.count, kMostCounted - 1)], sizeof walk.counted[0], account.name);
    // The last place goes to the first account every user belongs to, when
    // none is kept yet: the report says it first.
    bool anyoneKept = false;
    for (const Replacer& replacer : trust.replacers)
        anyoneKept = anyoneKept || replacer.anyone;
    const bool kept = trust.count < kMostReplacers || (account.kind == AccountKind::kAnyone && !anyoneKept);
    if (kept) {
        Replacer& replacer = trust.replacers[trust.count < kMostReplacers ? trust.count : kMostReplacers - 1];
        CopyText(replacer.account, sizeof replacer.account, account.name);
        replacer.anyone = account.kind == AccountKind::kAnyone;
        replacer.right = right;
        CopyText(replacer.path, sizeof replacer.path, path);
        replacer.plants = plants;
    }
    ++trust.count;
}

// The rights an allow entry gives that no earlier deny entry of the same
// account takes back: Windows decides each right by the first entry that
// names it for any of the user's accounts. A deny of another account, a
// group say, is not counted, since members outside it keep the right: an
// account is named unless a deny of its very own takes the rights back.
// In a key made below, the entries passed on keep their order.
std::uint32_t Granted(const PathSecurity& security, const AccessEntry& entry, bool made)
{
    std::uint32_t granted = Mapped(entry.mask);
    for (const AccessEntry* earlier = security.entries; earlier != &entry; ++earlier)
        if (!earlier->allows && (made ? earlier->inherits : !earlier->inheritOnly) &&
            std::strcmp(earlier->account.name, entry.account.name) == 0)
            granted &= ~Mapped(earlier->mask);
    return granted;
}

// The path's security is not known: the first such path is told, with why.
void Unread(TrustWalk& walk, const char* path, std::int32_t status)
{
    ProgramTrust& trust = walk.trust;
    if (trust.securityRead) {
        trust.error = status;
        walk.log.check->ReadErrorText(status, trust.errorText, sizeof trust.errorText);
        CopyText(trust.unreadPath, sizeof trust.unreadPath, path);
    }
    trust.securityRead = false;
}

// Names who holds the rights on the path, and made, where given, in the
// keys made below it; plants, 1 to 6, is the record whose missing program
// the path leads to, and then a path that does not exist is answered false,
// with nothing read. So is a key that does not exist, named from kKeyRoot.
bool ReadPath(TrustWalk& walk, const char* path, const HeldRight* rights, int plants = 0, bool key = false,
              const HeldRight* made = nullptr)
{
    static PathSecurity security;
    std::int32_t status = key ? walk.log.check->ReadKeySecurity(path + kKeyRootLength, security)
                              : walk.log.check->ReadPathSecurity(path, security);
    if (status == 0 && security.reparsePoint && security.reparseTag != kCompressedTag &&
        security.reparseTag != kDeduplicatedTag)
        status = kPathIsLink;
    if ((plants != 0 || key) && (status == kFileNotFound || status == kPathNotFound))
        return false;
    if (status != 0) {
        Unread(walk, path, status);
        return true;
    }
    // An owner may always change the permissions.
    if (!LeftOut(security.owner, walk.setting))
        Name(walk, security.owner, ReplaceRight::kOwns, path, plants);
    for (const AccessEntry* entry = security.entries; entry != security.entries + security.count; ++entry) {
        if (!entry->allows || LeftOut(entry->account, walk.setting))
            continue;
        const HeldRight* const lists[] = {entry->inheritOnly ? nullptr : rights, entry->inherits ? made : nullptr};
        for (const HeldRight* const list : lists)
            for (const HeldRight* held = list; held && held->mask != 0; ++held)
                if ((Granted(security, *entry, list == made) & held->mask) != 0) {
                    Name(walk, entry->account, held->right, path, plants);
                    break;
                }
    }
    return true;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The path up to the separator at cut. A drive's root keeps its own, and so
// does a folder whose name ends in a blank or a period: Windows trims those
// from a path's last name, and would read the folder without them.
const char* FolderOf(const char* path, std::size_t cut, char (&folder)[2 * MAX_PATH])
{
    const bool keep = cut == 2 || path[cut - 1] == ' ' || path[cut - 1] == '.';
    CopyText(folder, cut + keep + 1, path);
    return folder;
}

// The path, or false, its security marked unread, when it is relative or
// not on a fixed local drive: kdnclaunch takes a relative path from the
// editor's current folder, which the check cannot know, and a share's
// security is its server's, with the share's own above it.
bool WholeLocalPath(TrustWalk& walk, const char* program, char (&path)[2 * MAX_PATH])
{
    CopyText(path, sizeof path, program);
    if (IsAbsolute(path) && path[1] == ':' && walk.log.check->IsLocalPath(path))
        return true;
    if (walk.trust.securityRead)
        CopyText(walk.trust.unreadPath, sizeof walk.trust.unreadPath, path);
    walk.trust.securityRead = false;
    return false;
}

// Where the separator before cut is, read from the path's start: the second
// byte of a double-byte letter may be a backslash's (0x5C in code page 932's
// ソ and 表) and is no separator.
std::size_t SeparatorBefore(const char* path, std::size_t cut, const CheckSetting& setting)
{
    std::size_t last = 0;
    for (std::size_t at = 0; at < cut; ++at)
        if (IsLeadByte(static_cast<unsigned char>(path[at]), setting) && path[at + 1] != '\0')
            ++at;
        else if (IsSeparator(path[at]))
            last = at;
    return last;
}

// Each file beside the program, itself too: Windows loads a DLL from the
// program's folder before any other ("Dynamic-link library search order"),
// and the program may read its settings there, so whoever may change one
// changes what runs. A link or junction there is read as a file, and is one.
struct Beside {
    TrustWalk& walk;
    const char* program;
    std::size_t folderLength;  // of its folder, with the separator after it
};

bool ReadBeside(const char* name, bool isFolder, void* context)
{
    const Beside& beside = *static_cast<const Beside*>(context);
    if (isFolder)
        return true;
    char path[2 * MAX_PATH];
    CopyText(path, beside.folderLength + 1, beside.program);
    CopyText(path + beside.folderLength, sizeof path - beside.folderLength, name);
    if (!SamePath(path, beside.program))  // read already
        ReadPath(beside.walk, path, kFileRights);
    return true;
}

// Each folder above the one ending at cut, up to the drive's root.
void ReadFoldersAbove(TrustWalk& walk, const char* path, std::size_t cut, int plants)
{
    char folder[2 * MAX_PATH];
    while (cut != 2) {
        cut = SeparatorBefore(path, cut, walk.setting);
        ReadPath(walk, FolderOf(path, cut, folder), kFolderRights, plants);
    }
}

// A record tried before the program's leads to a program that does not
// exist: whoever can create it, in the nearest folder of its path that does,
// is started instead.
void ReadPlantable(TrustWalk& walk, const char* program, int row)
{
    static char path[2 * MAX_PATH];
    if (!WholeLocalPath(walk, program, path))
        return;
    char folder[2 * MAX_PATH];
    std::size_t cut = SeparatorBefore(path, std::strlen(path), walk.setting);
    for (const HeldRight* rights = kOwnFolderRights; !ReadPath(walk, FolderOf(path, cut, folder), rights, row + 1);
         rights = kPlantRights) {
        if (cut == 2)
            return;  // no such drive
        cut = SeparatorBefore(path, cut, walk.setting);
    }
    ReadFoldersAbove(walk, path, cut, row + 1);
}

// The key of each record tried, up to the one that leads to the program (to:
// its row), where kdnclaunch reads it: whoever can set a value there, or
// make the key where it is missing, chooses the program started; so does
// whoever could change the key that a fix of record to would make.
void ReadRecordKeys(TrustWalk& walk, const CheckReading& reading, int to)
{
    for (int row = 0; row <= to && row < 6 && reading.records[row].outcome != Outcome::kNotTried; ++row) {
        char key[MAX_PATH];
        CopyText(key, sizeof key, kKeyRoot);
        CopyText(key + kKeyRootLength, sizeof key - kKeyRootLength, kDncCandidates[row].keyPath);
        const int plants = row == to || reading.records[row].outcome == Outcome::kTaken ? 0 : row + 1;
        if (ReadPath(walk, key, kKeyRights, plants, true))
            continue;
        const HeldRight* const made = row == to ? kKeyMadeRights : nullptr;
        // Up to HKLM's SOFTWARE at most.
        for (char* above = std::strrchr(key, '\\'); above != key + kKeyRootLength - 1; above = std::strrchr(key, '\\')) {
            *above = '\0';
            if (ReadPath(walk, key, kKeyAboveRights, plants, true, made))
                break;
        }
    }
}

// The program's own path, then each record tried before the one that leads
// to it (before: its row) and leads nowhere, and the records' keys.
void ReadTrust(const CallLog& log, const CheckSetting& setting, const CheckReading& reading, const char* program,
               int before, ProgramTrust& trust)
{
    trust = ProgramTrust{};
    trust.securityRead = true;
    TrustWalk walk = {log, setting, trust, {}};
    static char path[2 * MAX_PATH];
    if (!WholeLocalPath(walk, program, path))
        return;
    const std::size_t own = SeparatorBefore(path, std::strlen(path), setting);
    // Nearest the program first, so that the first right said of an account
    // is the most direct one.
    char folder[2 * MAX_PATH];
    ReadPath(walk, FolderOf(path, own, folder), kOwnFolderRights);
    ReadPath(walk, path, kFileRights);
    Beside beside = {walk, path, own + 1};
    const std::int32_t listed = log.check->ReadFolder(folder, ReadBeside, &beside);
    if (listed != 0)
        Unread(walk, folder, listed);
    ReadFoldersAbove(walk, path, own, 0);
    for (int row = 0; row < before; ++row)
        if (reading.records[row].outcome == Outcome::kAbsent)
            ReadPlantable(walk, reading.records[row].joined, row);
    ReadRecordKeys(walk, reading, before);
}

} // namespace

bool IsTrusted(const ProgramTrust& trust)
{
    return trust.securityRead && trust.count == 0;
}

void ReadProgramTrust(const CallLog& log, const CheckSetting& setting, CheckReading& reading)
{
    // The records after the one taken were not tried, so none of them is absent.
    if (reading.launch)
        ReadTrust(log, setting, reading, reading.launch->argument, 6, reading.launchTrust);
    FoundProgram* const first = reading.search.found;
    FoundProgram* const end = first + reading.search.count;
    for (FoundProgram* found = first; found != end; ++found) {
        ReadTrust(log, setting, reading, found->program, found->row, found->trust);
        found->trusted = IsTrusted(found->trust);
    }
    // The trusted of the proven first, in their order: the last line names the fix that --fix would write.
    FoundProgram* trusted = first;
    for (FoundProgram* found = first; found != end; ++found)
        if (found->proven && found->trusted)
            std::rotate(trusted++, found, found + 1);
}
