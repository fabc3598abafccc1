// Who may change a file, a folder or a record's key: its owner and DACL,
// each account named and told apart.
#include <algorithm>
#include <cstring>

#include "win32_check.h"

namespace {

// A SID with room for the most sub-authorities Windows allows.
struct SidRoom {
    BYTE revision, count;
    BYTE authority[6];
    DWORD sub[SID_MAX_SUB_AUTHORITIES];
};

// NT SERVICE\TrustedInstaller, S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
SidRoom trustedInstaller = {1, 6, {0, 0, 0, 0, 0, 5}, {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}};
// Everyone, S-1-1-0: whom a null DACL lets do anything.
SidRoom everyone = {1, 1, {0, 0, 0, 0, 0, 1}, {0}};

// The account running the check; empty when its token does not say.
PSID RunningAccount()
{
    static union {
        TOKEN_USER user;
        unsigned char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } running;
    static bool read = false;
    if (!read) {
        read = true;
        HANDLE token = nullptr;
        DWORD size = 0;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
            if (!GetTokenInformation(token, TokenUser, &running, sizeof running, &size))
                running.user.User.Sid = nullptr;
            CloseHandle(token);
        }
    }
    return running.user.User.Sid;
}

AccountKind KindOf(PSID sid)
{
    if (IsWellKnownSid(sid, WinWorldSid) || IsWellKnownSid(sid, WinAuthenticatedUserSid) ||
        IsWellKnownSid(sid, WinBuiltinUsersSid) || IsWellKnownSid(sid, WinInteractiveSid))
        return AccountKind::kAnyone;
    // CREATOR OWNER is in no one's token: on what is made below, its entry
    // stands for the maker, and a record's key is made by an administrator.
    if (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
        EqualSid(sid, &trustedInstaller) || IsWellKnownSid(sid, WinCreatorOwnerSid))
        return AccountKind::kTrusted;
    const PSID running = RunningAccount();
    return running && EqualSid(sid, running) ? AccountKind::kRunning : AccountKind::kOther;
}

char* AppendNumber(char* to, const char* end, unsigned long number)
{
    char reversed[12];
    int count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (count > 0 && to < end)
        *to++ = reversed[--count];
    return to;
}

// As Windows names it: a group every PC has by its name alone, as the
// Security tab shows it, any other as DOMAIN\name; one it cannot name
// (deleted, or of a domain out of reach) by its SID.
void NameAccount(PSID sid, SecurityAccount& account)
{
    char name[128], domain[128];
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use;
    if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) {
        const bool bare = use == SidTypeWellKnownGroup || use == SidTypeAlias || domain[0] == '\0';
        CopyText(account.name, sizeof account.name, bare ? "" : domain);
        std::size_t length = std::strlen(account.name);
        if (!bare && length + 1 < sizeof account.name)
            account.name[length++] = '\\';
        CopyText(account.name + length, sizeof account.name - length, name);
        return;
    }
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    char* to = account.name;
    char* const end = account.name + sizeof account.name - 1;
    std::memcpy(to, "S-1-", 4);
    to = AppendNumber(to + 4, end,
                      static_cast<unsigned long>(authority->Value[2]) << 24 | authority->Value[3] << 16 |
                          authority->Value[4] << 8 | authority->Value[5]);
    for (BYTE i = 0; i < *GetSidSubAuthorityCount(sid) && to < end; ++i) {
        *to++ = '-';
        to = AppendNumber(to, end, *GetSidSubAuthority(sid, i));
    }
    *to = '\0';
}

// Each account is looked up once a run: a domain's over the network, and
// the paths of one program name mostly the same ones.
struct NamedAccount {
    unsigned char sid[SECURITY_MAX_SID_SIZE];
    SecurityAccount account;
};
NamedAccount named[16];
int namedCount = 0;

void DescribeAccount(PSID sid, SecurityAccount& account)
{
    for (int i = 0; i < namedCount; ++i)
        if (EqualSid(named[i].sid, sid)) {
            account = named[i].account;
            return;
        }
    account.kind = KindOf(sid);
    NameAccount(sid, account);
    if (namedCount < static_cast<int>(sizeof named / sizeof named[0]) &&
        CopySid(sizeof named[0].sid, named[namedCount].sid, sid))
        named[namedCount++].account = account;
}

// Room for the owner and a DACL of many entries; a larger one answers
// ERROR_INSUFFICIENT_BUFFER and counts as not read.
union {
    SECURITY_DESCRIPTOR header;
    unsigned char bytes[16384];
} descriptor;

// The owner and entries of a descriptor read.
std::int32_t DescribeSecurity(PSECURITY_DESCRIPTOR source, PathSecurity& security)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorOwner(source, &owner, &defaulted) || !owner ||
        !GetSecurityDescriptorDacl(source, &present, &dacl, &defaulted))
        return ERROR_INVALID_SECURITY_DESCR;
    DescribeAccount(owner, security.owner);
    if (!present || !dacl) {
        AccessEntry& entry = security.entries[security.count++];
        entry.allows = true, entry.inheritOnly = entry.inherits = false, entry.mask = FILE_ALL_ACCESS;  // a key's rights are among them
        DescribeAccount(&everyone, entry.account);
        return ERROR_SUCCESS;
    }
    // A later entry could grant what the ones read do not.
    if (dacl->AceCount > kMostAccessEntries)
        return ERROR_INSUFFICIENT_BUFFER;
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return ERROR_INVALID_ACL;
        const ACE_HEADER& header = *static_cast<ACE_HEADER*>(ace);
        // A callback entry's condition may hold, for all the check can tell:
        // an allow one is read as a plain allow, a deny one takes nothing
        // back. An object entry has no place on a file or key.
        const bool allows = header.AceType == ACCESS_ALLOWED_ACE_TYPE || header.AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
        if (header.AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE)
            continue;
        if (!allows && header.AceType != ACCESS_DENIED_ACE_TYPE)
            return ERROR_INVALID_ACL;
        // Allow and deny entries, callback or not, share this layout.
        const ACCESS_ALLOWED_ACE& entry = *static_cast<ACCESS_ALLOWED_ACE*>(ace);
        AccessEntry& read = security.entries[security.count++];
        read.allows = allows;
        read.inheritOnly = (header.AceFlags & INHERIT_ONLY_ACE) != 0;
        // Passed on to keys made below; one that stops at the first key made
        // (NO_PROPAGATE_INHERIT_ACE) may not reach the record's, deeper down:
        // an allow is counted as passed on even so, a deny not.
        read.inherits = (header.AceFlags & CONTAINER_INHERIT_ACE) != 0 &&
                        (allows || (header.AceFlags & NO_PROPAGATE_INHERIT_ACE) == 0);
        read.mask = entry.Mask;
        DescribeAccount(const_cast<DWORD*>(&entry.SidStart), read.account);
    }
    return ERROR_SUCCESS;
}

// Whether the key, opened as itself, is a registry link (made with
// REG_OPTION_CREATE_LINK), which leads wherever its SymbolicLinkValue says.
// Answers 0, or the error that kept it from being asked: whoever made a link
// may also bar others from asking it. The records' keys share their keys
// above, and each program found asks them again: each is asked once a run.
std::int32_t AskLink(const char* path, bool& link)
{
    static struct {
        char path[MAX_PATH];
        std::int32_t status;
        bool link;
    } asked[32];
    static int count = 0;
    for (int i = 0; i < count; ++i)
        if (std::strcmp(asked[i].path, path) == 0) {
            link = asked[i].link;
            return asked[i].status;
        }
    HKEY key = nullptr;
    DWORD type = REG_NONE;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key);
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr);
        RegCloseKey(key);
    }
    link = status == ERROR_SUCCESS && type == REG_LINK;
    if (status == ERROR_FILE_NOT_FOUND || link)
        status = ERROR_SUCCESS;  // no such value: a key as any other
    if (count < static_cast<int>(sizeof asked / sizeof asked[0])) {
        CopyText(asked[count].path, sizeof asked[count].path, path);
        asked[count].status = status, asked[count].link = link;
        ++count;
    }
    return status;
}

// Whether a key of the path, itself included, is a link: opening a key
// follows every link on its way.
std::int32_t AskLinks(const char* keyPath, bool& link)
{
    char prefix[MAX_PATH];
    for (const char* end = keyPath;; ++end) {
        if (*end != '\\' && *end != '\0')
            continue;
        CopyText(prefix, std::min(static_cast<std::size_t>(end - keyPath) + 1, sizeof prefix), keyPath);
        const std::int32_t status = AskLink(prefix, link);
        if (link || status != ERROR_SUCCESS || *end == '\0')
            return status;
    }
}

} // namespace

std::int32_t ReadPathSecurity(const char* path, PathSecurity& security)
{
    security.count = 0, security.reparsePoint = false, security.reparseTag = 0;
    // The path itself, a link's own entry rather than what it leads to, and
    // its kind and security through the one handle.
    const HANDLE file = CreateFileA(path, READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return static_cast<std::int32_t>(GetLastError());
    FILE_ATTRIBUTE_TAG_INFO kind = {};  // left untold when it cannot be read
    GetFileInformationByHandleEx(file, FileAttributeTagInfo, &kind, sizeof kind);
    // Wine opens a symbolic link's target even so, and tells the link by its
    // path alone; so does Windows when the kind cannot be read.
    const DWORD attributes = GetFileAttributesA(path);
    security.reparsePoint = ((kind.FileAttributes | (attributes != INVALID_FILE_ATTRIBUTES ? attributes : 0)) &
                             FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    security.reparseTag = kind.ReparseTag;
    DWORD needed = 0;
    const BOOL read = GetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                              &descriptor, sizeof descriptor, &needed);
    const DWORD error = read ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    return read ? DescribeSecurity(&descriptor, security) : static_cast<std::int32_t>(error);
}

std::int32_t ReadKeySecurity(const char* keyPath, PathSecurity& security)
{
    security.count = 0, security.reparsePoint = false, security.reparseTag = 0;
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, READ_CONTROL | KEY_WOW64_32KEY, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    DWORD size = sizeof descriptor;
    const LONG read = RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &descriptor, &size);
    RegCloseKey(key);
    bool link = false;  // read through one, the security is its target's
    const std::int32_t asked = read == ERROR_SUCCESS ? AskLinks(keyPath, link) : read;
    security.reparsePoint = link;
    return asked == ERROR_SUCCESS ? DescribeSecurity(&descriptor, security) : asked;
}
