// Who can replace a program: the security of the file and of each folder
// from the drive's root down to it.
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
// Windows). Only programs that exist are read, so no folder of their path is
// still to be created.
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
void Name(TrustWalk& walk, const SecurityAccount& account, ReplaceRight right, const char* path)
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
    }
    ++trust.count;
}

// The rights an allow entry gives that no earlier deny entry of the same
// account takes back: Windows decides each right by the first entry that
// names it for any of the user's accounts. A deny of another account, a
// group say, is not counted, since members outside it keep the right: an
// account is named unless a deny of its very own takes the rights back.
std::uint32_t Granted(const PathSecurity& security, const AccessEntry& entry)
{
    std::uint32_t granted = Mapped(entry.mask);
    for (const AccessEntry* earlier = security.entries; earlier != &entry; ++earlier)
        if (!earlier->allows && !earlier->inheritOnly && std::strcmp(earlier->account.name, entry.account.name) == 0)
            granted &= ~Mapped(earlier->mask);
    return granted;
}

void ReadPath(TrustWalk& walk, const char* path, const HeldRight* rights)
{
    static PathSecurity security;
    const std::int32_t status = walk.log.check->ReadPathSecurity(path, security);
    ProgramTrust& trust = walk.trust;
    if (status != 0) {
        if (trust.securityRead) {
            trust.error = status;
            walk.log.check->ReadErrorText(status, trust.errorText, sizeof trust.errorText);
            CopyText(trust.unreadPath, sizeof trust.unreadPath, path);
        }
        trust.securityRead = false;
        return;
    }
    // An owner may always change the permissions.
    if (!LeftOut(security.owner, walk.setting))
        Name(walk, security.owner, ReplaceRight::kOwns, path);
    for (const AccessEntry* entry = security.entries; entry != security.entries + security.count; ++entry) {
        if (!entry->allows || entry->inheritOnly || LeftOut(entry->account, walk.setting))
            continue;
        const std::uint32_t granted = Granted(security, *entry);
        for (const HeldRight* held = rights; held->mask != 0; ++held)
            if ((granted & held->mask) != 0) {
                Name(walk, entry->account, held->right, path);
                break;
            }
    }
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The path up to the separator at cut; a drive's root keeps its own.
const char* FolderOf(const char* path, std::size_t cut, char (&folder)[2 * MAX_PATH])
{
    CopyText(folder, cut + (cut == 2) + 1, path);
    return folder;
}

void ReadTrust(const CallLog& log, const CheckSetting& setting, const char* program, ProgramTrust& trust)
{
    trust = ProgramTrust{};
    trust.securityRead = true;
    static char path[2 * MAX_PATH];
    if (IsAbsolute(program))
        CopyText(path, sizeof path, program);
    else
        log.check->ReadFullPath(program, path, sizeof path);
    // A share's security is its server's, with the share's own above it.
    if (path[1] != ':' || !IsSeparator(path[2]) || !log.check->IsLocalPath(path)) {
        trust.securityRead = false;
        CopyText(trust.unreadPath, sizeof trust.unreadPath, path);
        return;
    }
    TrustWalk walk = {log, setting, trust, {}};
    std::size_t own = std::strlen(path);
    while (!IsSeparator(path[--own])) {
    }
    // Nearest the program first, so that the first right said of an account
    // is the most direct one.
    char folder[2 * MAX_PATH];
    ReadPath(walk, FolderOf(path, own, folder), kOwnFolderRights);
    ReadPath(walk, path, kFileRights);
    for (std::size_t cut = own; cut != 2;)
        if (IsSeparator(path[--cut]))
            ReadPath(walk, FolderOf(path, cut, folder), kFolderRights);
}

} // namespace

bool IsTrusted(const ProgramTrust& trust)
{
    return trust.securityRead && trust.count == 0;
}

void ReadProgramTrust(const CallLog& log, const CheckSetting& setting, CheckReading& reading)
{
    if (reading.launch)
        ReadTrust(log, setting, reading.launch->argument, reading.launchTrust);
    for (int i = 0; i < reading.search.count; ++i) {
        FoundProgram& found = reading.search.found[i];
        ReadTrust(log, setting, found.program, found.trust);
        found.trusted = IsTrusted(found.trust);
    }
}
