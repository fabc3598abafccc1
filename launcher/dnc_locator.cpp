#include "dnc_locator.h"

#include <cstring>

// Probe order: a stand-alone DNC installation first, then the editions from
// R2 Max down to R1.
constexpr DncCandidate kDncCandidates[] = {
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{4D81C2A7-3E95-4B06-8F1A-9C27E5B3D640}",
     "InstallLocation", "kdnc.exe"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E6A3F519-0B72-4C8D-9D45-71B8C02F6A93}",
     "InstallLocation", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Max\\Install Information", "Path", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Basic\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R1\\Install Information", "Path", "KorvR1\\KDNC\\kdnc.exe"},
};

namespace {

constexpr std::size_t TextLength(const char* text)
{
    std::size_t length = 0;
    while (text[length] != '\0')
        ++length;
    return length;
}

constexpr std::size_t LongestProgramSubpath()
{
    std::size_t longest = 0;
    for (const DncCandidate& candidate : kDncCandidates)
        longest = TextLength(candidate.programSubpath) > longest ? TextLength(candidate.programSubpath) : longest;
    return longest;
}

// A value fills at most the whole 260-byte buffer, unterminated.
constexpr std::size_t kValueBufferSize = MAX_PATH;
// The joined path is held whole even when it is too long to be an answer,
// so that its length, not a cut copy, decides.
constexpr std::size_t kJoinedPathCapacity = kValueBufferSize + 1 + LongestProgramSubpath() + 1;

// A 64-bit build must ask for the 32-bit view that a 32-bit program sees;
// the flag selects the view and grants no right.
#if defined(_WIN64)
constexpr std::uint32_t kInstallKeyAccess = KEY_QUERY_VALUE | KEY_WOW64_32KEY;
#else
constexpr std::uint32_t kInstallKeyAccess = KEY_QUERY_VALUE;
#endif

// Reads the row's directory into the joined-path storage, terminated.
// False when the key or value cannot be read.
bool ReadInstallDirectory(const WindowsOperations& windows, const DncCandidate& candidate, char* directory)
{
    RegistryKey key = 0;
    if (windows.RegOpenKeyExA(HKEY_LOCAL_MACHINE, candidate.keyPath, 0, kInstallKeyAccess, &key) != ERROR_SUCCESS)
        return false;

    // Zero-filled before the read, so any value shorter than the buffer ends
    // in a zero byte; the type is not asked for, any bytes are taken as text.
    unsigned char value[kValueBufferSize] = {};
    std::uint32_t size = kValueBufferSize;
    const std::int32_t status = windows.RegQueryValueExA(key, candidate.valueName, nullptr, nullptr, value, &size);
    windows.RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return false;

    const void* end = std::memchr(value, 0, sizeof value);
    const std::size_t length = end ? static_cast<const unsigned char*>(end) - value : sizeof value;
    std::memcpy(directory, value, length);
    directory[length] = '\0';
    return true;
}

} // namespace

void AppendPathSeparator(char* directory)
{
    const char separator = std::strrchr(directory, '\\') ? '\\' : '/';
    const std::size_t length = std::strlen(directory);
    if (length == 0 || directory[length - 1] != separator) {
        directory[length] = separator;
        directory[length + 1] = '\0';
    }
}

DncProgramPath FindDncProgram(const WindowsOperations& windows)
{
    DncProgramPath found = {};
    for (const DncCandidate& candidate : kDncCandidates) {
        char joined[kJoinedPathCapacity];
        if (!ReadInstallDirectory(windows, candidate, joined))
            continue;
        // An empty value names no folder; joined, it would point at the root
        // of the current drive, which no installer means.
        if (joined[0] == '\0')
            continue;
        AppendPathSeparator(joined);
        const std::size_t directoryLength = std::strlen(joined);
        const std::size_t subpathLength = std::strlen(candidate.programSubpath);
        std::memcpy(joined + directoryLength, candidate.programSubpath, subpathLength + 1);
        const std::size_t joinedLength = directoryLength + subpathLength;
        if (joinedLength >= static_cast<std::size_t>(MAX_PATH) || !PathExists(windows, joined))
            continue;
        std::memcpy(found.text, joined, joinedLength + 1);
        return found;
    }
    return found;
}
