// Who runs the check, and where: the account, its token, session, folder and
// code page.
#include <cstring>

#include "win32_check.h"

// 0, no one's desktop, when Windows does not say.
unsigned long ReadSession()
{
    DWORD session = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &session) ? session : 0;
}

namespace {

void ReadCurrentFolder(char* folder, unsigned int capacity)
{
    const DWORD length = GetCurrentDirectoryA(capacity, folder);
    if (length == 0 || length >= capacity)
        folder[0] = '\0';
}

bool IsWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// DOMAIN\name, or the user left as it is when the account cannot be named.
void ReadAccountName(PSID sid, char* user, std::size_t capacity)
{
    char name[256];
    char domain[256];
    DWORD nameSize = sizeof name;
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    if (!LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return;
    CopyText(user, capacity, domain);
    std::size_t length = std::strlen(user);
    if (length > 0 && length + 1 < capacity) {
        user[length++] = '\\';
        user[length] = '\0';
    }
    CopyText(user + length, capacity - length, name);
}

// Each answer the token does not give stays unknown, or false.
void ReadToken(CheckSetting& setting)
{
    CopyText(setting.user, sizeof setting.user, "unknown");
    setting.elevated = setting.virtualized = setting.system = false;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return;
    union {
        TOKEN_USER user;
        unsigned char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } owner;
    DWORD size = 0;
    if (GetTokenInformation(token, TokenUser, &owner, sizeof owner, &size)) {
        ReadAccountName(owner.user.User.Sid, setting.user, sizeof setting.user);
        setting.system = IsWellKnownSid(owner.user.User.Sid, WinLocalSystemSid);
    }
    TOKEN_ELEVATION elevation = {};
    setting.elevated =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
    DWORD virtualized = 0;
    setting.virtualized =
        GetTokenInformation(token, TokenVirtualizationEnabled, &virtualized, sizeof virtualized, &size) && virtualized;
    CloseHandle(token);
}

} // namespace

void ReadCheckSetting(CheckSetting& setting)
{
    ReadCurrentFolder(setting.currentFolder, sizeof setting.currentFolder);
    setting.wow64 = IsWow64();
    setting.codePage = GetACP();
    static_assert(sizeof setting.leadByteRanges == MAX_LEADBYTES, "lead byte ranges as CPINFO has them");
    CPINFO info = {};
    std::memset(setting.leadByteRanges, 0, sizeof setting.leadByteRanges);
    // The last pair stays 0 0, ending the list whatever Windows answers.
    if (GetCPInfo(CP_ACP, &info))
        std::memcpy(setting.leadByteRanges, info.LeadByte, sizeof setting.leadByteRanges - 2);
    ReadToken(setting);
    setting.session = ReadSession();
}
