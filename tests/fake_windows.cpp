#include "fake_windows.h"

#include <algorithm>
#include <cctype>
#include <cstring>

const DncCandidate kInstallRecords[6] = {
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{4D81C2A7-3E95-4B06-8F1A-9C27E5B3D640}",
     "InstallLocation", "kdnc.exe"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E6A3F519-0B72-4C8D-9D45-71B8C02F6A93}",
     "InstallLocation", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Max\\Install Information", "Path", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Basic\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R1\\Install Information", "Path", "KorvR1\\KDNC\\kdnc.exe"},
};

const char kStaleFolder[] = "C:\\Stale";

namespace {

FakeWindows* world = nullptr;
std::map<RegistryKey, std::string> keyPaths;
RegistryKey nextKey = 0x1000;
SearchHandle nextSearch = 0x2000;

void Fault(const std::string& what) { world->faults.push_back(what); }

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Full path as Windows resolves it: separators unified and collapsed,
// relative paths taken from the current directory, case folded.
std::string Resolve(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!path.empty() && path[0] == '\\')
        path = world->currentDirectory.substr(0, 2) + path;
    else if (!(path.size() >= 2 && path[1] == ':'))
        path = world->currentDirectory + "\\" + path;
    std::string resolved;
    for (char c : path)
        if (!(c == '\\' && !resolved.empty() && resolved.back() == '\\'))
            resolved += c;
    return Lower(resolved);
}

// Going back only to the last star keeps a pattern of many stars from
// taking exponential time.
bool Matches(const char* pattern, const char* name)
{
    const char* star = nullptr;
    const char* resume = name;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern != '\0' && (*pattern == '?' || *pattern == *name)) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

// A file or any folder above one; `*` and `?` only in the last component.
// Not modelled, and so answered as absent where Windows may find something:
// the DOS wildcards `"`, `<` and `>`, short names, `.` and `..`, trailing
// dots and blanks, UNC paths.
bool Exists(const std::string& rawPath)
{
    if (rawPath.empty() || rawPath.back() == '\\' || rawPath.back() == '/' || rawPath.rfind("\\\\", 0) == 0)
        return false;
    const std::string path = Resolve(rawPath);
    const std::size_t cut = path.rfind('\\');
    const std::string folder = path.substr(0, cut), pattern = path.substr(cut + 1);
    for (const std::string& file : world->files) {
        const std::string entry = Resolve(file);
        for (std::size_t end = entry.find('\\'); ; end = entry.find('\\', end + 1)) {
            const std::string prefix = entry.substr(0, end);
            const std::size_t split = prefix.rfind('\\');
            if (split != std::string::npos && prefix.substr(0, split) == folder &&
                Matches(pattern.c_str(), prefix.c_str() + split + 1))
                return true;
            if (end == std::string::npos)
                break;
        }
    }
    return false;
}

WindowHandle FakeGetForegroundWindow()
{
    world->calls.push_back("GetForegroundWindow");
    return world->foreground;
}

int FakeGetWindowTextA(WindowHandle window, char* text, int maxCount)
{
    world->calls.push_back("GetWindowTextA");
    if (window != world->foreground || maxCount != MAX_PATH)
        Fault("GetWindowTextA: wrong window or count");
    if (world->titleUnterminated) {
        const std::size_t count = std::min(world->title.size(), static_cast<std::size_t>(maxCount));
        std::memcpy(text, world->title.data(), count);
        return static_cast<int>(count);
    }
    const std::string title = world->titleUnreadable ? "" : world->title.substr(0, maxCount - 1);
    std::memcpy(text, title.c_str(), title.size() + 1);
    return static_cast<int>(title.size());
}

std::int32_t FakeRegOpenKeyExA(RegistryKey root, const char* subKey, std::uint32_t options, std::uint32_t access,
                               RegistryKey* result)
{
    world->calls.push_back("RegOpenKeyExA");
    world->openedKeys.push_back(subKey);
    world->openAccess.push_back(access);
    if (!world->openKeys.empty() || !world->openSearches.empty())
        Fault("RegOpenKeyExA: an earlier key or search is still open");
    if (root != HKEY_LOCAL_MACHINE || options != 0)
        Fault("RegOpenKeyExA: wrong root or options");
    if (world->deniedKeys.count(subKey))
        return 5;  // ERROR_ACCESS_DENIED
    if (!world->registry.count(subKey))
        return 2;  // ERROR_FILE_NOT_FOUND
    *result = nextKey++;
    keyPaths[*result] = subKey;
    world->openKeys.insert(*result);
    return ERROR_SUCCESS;
}

std::int32_t FakeRegQueryValueExA(RegistryKey key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                                  unsigned char* data, std::uint32_t* dataSize)
{
    world->calls.push_back("RegQueryValueExA");
    if (!world->openKeys.count(key))
        Fault("RegQueryValueExA: key not open");
    if (reserved || type || !data || !dataSize || *dataSize != MAX_PATH)
        Fault("RegQueryValueExA: arguments");
    if (data && std::any_of(data, data + MAX_PATH, [](unsigned char b) { return b != 0; }))
        Fault("RegQueryValueExA: buffer not zero-filled");
    const auto& values = world->registry[keyPaths[key]];
    const auto found = values.find(valueName);
    std::int32_t status = found == values.end() ? 2 : found->second.failing;
    if (status == ERROR_SUCCESS && found->second.bytes.size() > *dataSize)
        status = ERROR_MORE_DATA;
    if (status != ERROR_SUCCESS) {
        // After a failed read Windows leaves the buffer undefined: here it
        // holds a plausible folder, which only the status tells apart.
        std::strcpy(reinterpret_cast<char*>(data), kStaleFolder);
        return status;
    }
    const std::string& bytes = found->second.bytes;
    std::memcpy(data, bytes.data(), bytes.size());
    *dataSize = static_cast<std::uint32_t>(bytes.size());
    return ERROR_SUCCESS;
}

std::int32_t FakeRegCloseKey(RegistryKey key)
{
    world->calls.push_back("RegCloseKey");
    if (!world->openKeys.erase(key))
        Fault("RegCloseKey: key not open");
    return ERROR_SUCCESS;
}

SearchHandle FakeFindFirstFileA(const char* fileName, FindDataRecord* findData)
{
    world->calls.push_back("FindFirstFileA");
    world->searches.push_back(fileName);
    if (!findData || std::strlen(fileName) >= static_cast<std::size_t>(MAX_PATH))
        Fault("FindFirstFileA: arguments");
    if (!world->openKeys.empty())
        Fault("FindFirstFileA: a registry key is still open");
    if (world->findFirstFails || world->failingSearches.count(fileName) || !Exists(fileName))
        return INVALID_HANDLE_VALUE;
    world->openSearches.insert(nextSearch);
    return nextSearch++;
}

int FakeFindClose(SearchHandle search)
{
    world->calls.push_back("FindClose");
    if (!world->openSearches.erase(search))
        Fault("FindClose: handle not open");
    return 1;
}

ModuleHandle FakeShellExecuteA(WindowHandle owner, const char* verb, const char* file, const char* parameters,
                               const char* directory, int showCommand)
{
    world->calls.push_back("ShellExecuteA");
    if (!verb || !file || !parameters)
        Fault("ShellExecuteA: missing verb, file or parameters");
    else
        world->launches.push_back({owner, verb, file, parameters, directory != nullptr, showCommand});
    return world->shellFails ? 2 : 42;  // above 32 means started
}

int FakeLoadStringA(ModuleHandle module, unsigned int id, char* buffer, int bufferMax)
{
    world->calls.push_back("LoadStringA");
    if (module != kOwnModule || id != 1 || bufferMax != 500)
        Fault("LoadStringA: arguments");
    if (std::any_of(buffer, buffer + bufferMax, [](char c) { return c != 0; }))
        Fault("LoadStringA: buffer holds old text");
    if (world->loadStringFails)
        return 0;
    std::strcpy(buffer, "Error: Cannot find KORVANT DNC");
    return static_cast<int>(std::strlen(buffer));
}

int FakeMessageBoxA(WindowHandle owner, const char* text, const char* caption, unsigned int type)
{
    world->calls.push_back("MessageBoxA");
    world->boxes.push_back({owner, text ? text : "(null)", caption ? caption : "(null)", type});
    return 1;  // IDOK
}

const WindowsOperations kFakeOperations = {
    FakeGetForegroundWindow, FakeGetWindowTextA, FakeRegOpenKeyExA, FakeRegQueryValueExA, FakeRegCloseKey,
    FakeFindFirstFileA,      FakeFindClose,      FakeShellExecuteA, FakeLoadStringA,      FakeMessageBoxA,
};

} // namespace

FakeWindows::FakeWindows()
{
    world = this;
    keyPaths.clear();  // one world per run, however many runs a process makes
}
FakeWindows::~FakeWindows() { world = nullptr; }

FakeWindows::Value& FakeWindows::InstallValue(int row)
{
    return registry[kInstallRecords[row].keyPath][kInstallRecords[row].valueName];
}

const WindowsOperations& FakeWindows::Operations() const { return kFakeOperations; }

std::vector<std::string> FakeWindows::Problems() const
{
    std::vector<std::string> problems = faults;
    if (!openKeys.empty())
        problems.push_back("registry key left open");
    if (!openSearches.empty())
        problems.push_back("search handle left open");
    return problems;
}
