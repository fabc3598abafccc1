// A Windows that answers from a script and records what it is asked, for the launcher and the check alike;
// its values are written out, so a wrong constant shows.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "launch_sequence.h"
#include "check_report.h"

namespace {

// The six install records as their installers write them, in probe order.
const DncCandidate kRecords[6] = {
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{4D81C2A7-3E95-4B06-8F1A-9C27E5B3D640}",
     "InstallLocation", "kdnc.exe"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E6A3F519-0B72-4C8D-9D45-71B8C02F6A93}",
     "InstallLocation", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Max\\Install Information", "Path", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Basic\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R1\\Install Information", "Path", "KorvR1\\KDNC\\kdnc.exe"},
};
// And as the report names them.
const std::string kRecordName[6] = {"DNC", "R2 Max uninstall", "R2 Max", "R2", "R2 Basic", "R1"};

// HKEY_LOCAL_MACHINE, sign-extended; a 64-bit build adds KEY_WOW64_32KEY to see the registry of a 32-bit program.
const RegistryKey kLocalMachine = static_cast<RegistryKey>(static_cast<std::intptr_t>(std::int32_t(0x80000002u)));
#if defined(_WIN64)
const std::uint32_t kInstallKeyAccess = 0x0201;
#else
const std::uint32_t kInstallKeyAccess = 0x0001;
#endif

const std::string kFull = "Predator CNC Editor for KORVANT - [";
const std::string kMessage = "Error: Cannot find KORVANT DNC";
// What the report says under a program that no one but SYSTEM, the administrators and TrustedInstaller can replace.
const std::string kTrustedLine = "   trusted: only SYSTEM, the administrators and TrustedInstaller can change or replace kdnc.exe\n";

struct World {
    std::optional<std::string> title;  // of the window in front; none: no window
    std::map<std::string, std::pair<std::string, std::string>> registry;  // key -> value name, raw bytes
    std::set<std::string> found;          // the exact strings a find-first search finds something for
    std::string message = kMessage;       // the warning in the string table; empty: none
    std::uint32_t type = 1;               // of every value, REG_SZ unless said
    std::map<std::string, std::int32_t> openErrors, readErrors;  // key -> what opening it, reading it answers
    std::string lostValueLetters, lostTitleLetters, errorText = "Access is denied.";  // as the check's reads give them
    std::u16string wideValue;             // a value's first string in UTF-16, when letters were lost
    bool wideAsValue = false;             // else each value's own first string, byte by byte
    std::map<std::string, std::string> expanded;  // a text and what expanding it gives; else it stays
    std::map<std::string, std::vector<std::pair<std::string, bool>>> folders;  // a folder's entries: name, folder
    std::set<std::string> unreadable;     // folders whose read answers error 5
    std::vector<std::string> foldersRead, asked, keys;  // the folders read; all paths and folders asked about; keys opened
    std::uint32_t clock = 0, tick = 0;    // milliseconds, and how far each reading of them moves on
    int wideProgram = 0; std::string shortFolder;  // FindWideProgram's answer
    // Records where kdnclaunch does not read them, by the key as reg query names it (HKLM\ in the 64-bit view, or
    // HKCU\): value name, raw bytes, type; what opening such a key answers instead (readErrors: reading its value);
    // the keys asked, so named.
    std::map<std::string, std::tuple<std::string, std::string, std::uint32_t>> elsewhere;
    std::map<std::string, std::int32_t> elsewhereErrors;
    std::vector<std::string> elsewhereRead, writes;  // and --fix's writes, as key|name|folder
    std::string outcome;                  // ShellExecuteA and MessageBoxA as called, in turn
    std::int32_t writeError = 0;          // what writing answers
    std::uintptr_t open = 0;              // the launcher holds one key or search handle at a time
    std::map<std::string, PathSecurity> security;  // a path's or key's (HKLM\...) owner and entries
    std::map<std::string, std::int32_t> securityErrors;  // a path or key and what reading its security answers
    std::vector<std::string> securityRead;
    void Install(int row, std::string bytes) { registry[kRecords[row].keyPath] = {kRecords[row].valueName, bytes}; }
    void Elsewhere(const std::string& key, int row, std::string bytes, std::uint32_t type = 1)
    { elsewhere[key] = {kRecords[row].valueName, bytes, type}; }
} world;  // the world of the case under way
bool checking = false;  // the check, unlike the launcher, asks a value's type

// A close may only close the one handle open; what it answers goes unread.
bool Closes(std::uintptr_t handle) { return handle != 0 && handle == std::exchange(world.open, 0); }

const WindowsOperations kWorld = {
    [] { return world.title ? WindowHandle(0x10) : 0; },
    [](WindowHandle window, char* text, int maxCount) {
        EXPECT_TRUE(window == 0x10 && maxCount == 260 && world.keys.empty());  // the title before the registry
        EXPECT_EQ(std::string(text, 260), std::string(260, '\0')) << "not zero-filled";
        return std::snprintf(text, 260, "%.259s", world.title.value_or("").c_str());
    },
    [](RegistryKey root, const char* key, std::uint32_t options, std::uint32_t access, RegistryKey* result) {
        EXPECT_TRUE(root == kLocalMachine && options == 0 && access == kInstallKeyAccess && !world.open);
        world.keys.push_back(key);
        *result = world.open = world.registry.count(key) && !world.openErrors.count(key) ? 0x1000 : 0;
        return world.open ? 0 : world.openErrors.count(key) ? world.openErrors[key] : 2;  // 2: ERROR_FILE_NOT_FOUND
    },
    // A failed read leaves the value's bytes in the buffer, as Windows may.
    [](RegistryKey key, const char* name, std::uint32_t* reserved, std::uint32_t* type, unsigned char* data,
       std::uint32_t* size) {
        EXPECT_TRUE(key != 0 && key == world.open && !reserved && (!type || checking) && *size == 260);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 260), std::string(260, '\0')) << "not zero-filled";
        const auto& [valueName, bytes] = world.registry[world.keys.back()];
        if (valueName != name || world.readErrors.count(world.keys.back()))
            return valueName != name ? 2 : world.readErrors[world.keys.back()];  // 2: not found
        bytes.copy(reinterpret_cast<char*>(data), 260);
        *size = static_cast<std::uint32_t>(bytes.size());
        if (type)
            *type = world.type;
        return bytes.size() > 260 ? 234 : 0;  // 234: ERROR_MORE_DATA
    },
    [](RegistryKey key) { EXPECT_TRUE(Closes(key)); return 0; },
    [](const char* path, FindDataRecord* findData) {
        EXPECT_TRUE(findData && std::string(path).size() < 260 && !world.open);
        world.asked.push_back(path);
        world.open = world.found.count(path) ? 0x2000 : 0;
        return world.open ? world.open : ~SearchHandle(0);  // INVALID_HANDLE_VALUE: nothing found
    },
    [](SearchHandle search) { EXPECT_TRUE(Closes(search)); return 1; },
    [](WindowHandle owner, const char* verb, const char* file, const char* parameters, const char* directory,
       int show) {
        world.outcome += "ShellExecuteA(" + std::to_string(owner) + ", " + verb + ", " + file + ", " + parameters +
                         ", " + (directory ? directory : "null") + ", " + std::to_string(show) + ")";
        return ModuleHandle(42);  // above 32: started
    },
    [](ModuleHandle module, unsigned int id, char* buffer, int bufferMax) {
        EXPECT_TRUE(module == 0 && id == 1 && bufferMax == 500 && std::string(buffer, 500) == std::string(500, '\0'));
        return std::snprintf(buffer, 500, "%s", world.message.c_str());
    },
    [](WindowHandle owner, const char* text, const char* caption, unsigned int style) {
        world.outcome += "MessageBoxA(" + std::to_string(owner) + ", " + text + ", " + caption + ", " +
                         std::to_string(style) + ")";
        return 1;  // IDOK
    },
};

// A path's or key's owner and entries as scripted; else SYSTEM's, Users may read it.
PathSecurity HeldSecurity(const std::string& path)
{
    return world.security.count(path) ? world.security[path] : PathSecurity{{"SYSTEM", AccountKind::kTrusted}, 2,
        {{true, false, 0x1F01FF, {"Administrators", AccountKind::kTrusted}}, {true, false, 0x1200A9, {"Users", AccountKind::kAnyone}}}};
}

// The check's own questions; an error's text is known for 5 alone, and a path resolves below C:\Work, but for one
// starting with ~, which stands for one Windows cannot make whole.
const CheckOperations kCheckWorld = {
    [](RegistryKey, const char*, char* letters, std::size_t capacity, char16_t* wide, std::size_t wideCapacity) {
        CopyText(letters, capacity, world.lostValueLetters.c_str());
        std::u16string value = world.wideValue;
        for (const unsigned char c : std::string(world.registry[world.keys.back()].second.c_str()))
            value += world.wideAsValue ? std::u16string(1, c) : u"";
        wide[value.copy(wide, wideCapacity - 1)] = u'\0';
    },
    [](WindowHandle, char* letters, std::size_t capacity) {
        CopyText(letters, capacity, world.lostTitleLetters.c_str());
    },
    [](std::int32_t error, char* text, std::size_t capacity) {
        CopyText(text, capacity, error == 5 ? world.errorText.c_str() : "");
    },
    [](const char* path, char* fullPath, std::size_t capacity) {
        CopyText(fullPath, capacity, ((path[0] == '~' ? "" : "C:\\Work\\") + std::string(path)).c_str());
    },
    [](const char* text, char* expanded, std::size_t capacity) {
        CopyText(expanded, capacity, world.expanded.count(text) ? world.expanded[text].c_str() : text);
    },
    [](const char* folder, bool (*visit)(const char*, bool, void*), void* context) {
        world.foldersRead.push_back(folder), world.asked.push_back(folder);
        if (world.unreadable.count(folder))
            return 5;  // nothing is read of it
        for (const auto& [name, isFolder] : world.folders[folder])
            if (!visit(name.c_str(), isFolder, context))
                break;
        return 0;
    },
    [](const char* path) { return path[0] != '\\' && path[0] != '/' && path[0] != 'R'; },  // R: is a removable drive
    [] { return world.clock += world.tick; },
    [](const char16_t* folder, const char*, char* shortFolder, std::size_t capacity) {
        world.asked.push_back(std::string(folder, folder + std::char_traits<char16_t>::length(folder)));
        CopyText(shortFolder, capacity, world.shortFolder.c_str());
        return world.wideProgram;
    },
    [](const char* text, char16_t* wide, std::size_t) {  // as code page 1252 reads most bytes
        std::size_t units = 0;
        for (; text[units]; ++units)
            wide[units] = static_cast<unsigned char>(text[units]);
        return units;
    },
    [](bool currentUser, const char* key, const char* name, std::int32_t* valueStatus, std::uint32_t* type, char* bytes,
       std::uint32_t* size) {
        const std::string asked = (currentUser ? "HKCU\\" : "HKLM\\") + std::string(key);
        world.elsewhereRead.push_back(asked);
        EXPECT_EQ(*size, 260u);
        if (!world.elsewhere.count(asked))
            return world.elsewhereErrors.count(asked) ? world.elsewhereErrors[asked] : 2;
        const auto& [valueName, value, valueType] = world.elsewhere[asked];
        std::memset(bytes, 0, *size);
        *valueStatus = world.readErrors.count(asked) ? world.readErrors[asked] : valueName != name ? 2
                       : value.size() > *size ? 234 : 0;
        if (*valueStatus == 0)
            value.copy(bytes, *size);
        *type = valueType, *size = static_cast<std::uint32_t>(value.size());
        return 0;
    },
    // Written as a string of the world's one value type, as reg add leaves it.
    [](const char* key, const char* name, const char* folder, PreviousValue& before) {
        world.writes.push_back(std::string(key) + "|" + name + "|" + folder);
        const auto held = world.registry.find(key);
        before = {held != world.registry.end(), held != world.registry.end() && held->second.first == name, world.type};
        if (before.valueFound)
            before.size = static_cast<std::uint32_t>(held->second.second.copy(reinterpret_cast<char*>(before.data), 2048));
        if (!world.writeError)
            world.registry[key] = {name, folder};
        return world.writeError;
    },
    [](const char* path, PathSecurity& security) {
        world.securityRead.push_back(path);
        security = HeldSecurity(path);
        return world.securityErrors.count(path) ? world.securityErrors[path] : 0;
    },
    [](const char* key, PathSecurity& security) {  // a key is there when a record's key is it or lies below it
        bool there = false;
        for (const auto& held : world.registry)
            there = there || (held.first + "\\").rfind(key + std::string("\\"), 0) == 0;
        const std::string named = "HKLM\\" + std::string(key);
        security = HeldSecurity(named);
        return !there ? 2 : world.securityErrors.count(named) ? world.securityErrors[named] : 0;
    },
};

// A record's key where kdnclaunch does not read it, as reg query names it: in the 64-bit view, under HKCU, or in the
// VirtualStore of a 32-bit program, which names the 32-bit view on 64-bit Windows.
enum class Where { kView64, kUser, kStore };
std::string ElsewhereKey(Where where, int row, bool wow64 = true)
{
    const std::string key = kRecords[row].keyPath;
    return where == Where::kView64 ? "HKLM\\" + key : where == Where::kUser ? "HKCU\\" + key
        : "HKCU\\Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\" + std::string(wow64 ? "WOW6432Node\\" : "") +
          key.substr(9);
}

std::string Escaped(std::string text)  // as a JSON string holds it
{
    for (std::size_t at = 0; (at = text.find_first_of("\\\"", at)) != std::string::npos; at += 2)
        text.insert(at, "\\");
    return text;
}

// Each way a record can fail, one a row: empty, too long to read, absent, its key not opened, its value not read, none.
World Mixed()
{
    World mixed;
    mixed.Install(0, "");
    mixed.Install(1, std::string(300, 'v'));
    for (int row = 2; row < 6; ++row)
        mixed.Install(row, "C:\\\x9F\\");  // a trail byte that is a backslash
    mixed.openErrors[kRecords[3].keyPath] = 5, mixed.readErrors[kRecords[4].keyPath] = 5;
    mixed.readErrors[kRecords[5].keyPath] = 2, mixed.lostValueLetters = "U+0416 as ? U+00C9 as E";
    return mixed;
}

const CheckSetting kSetting = {"C:\\Work", true, 932, {0x81, 0x9F, 0xE0, 0xFC}, "PC\\op", 1, false, true, false};

struct Checked {
    int verdict;
    int fixed;  // --fix's exit code, when asked
    std::string report, json;
    std::vector<std::string> asked;  // by the search
    DncSearch search;
    std::string Lines(const std::string& from, const std::string& to) const
    {
        const std::size_t start = report.find(from);
        return start == std::string::npos ? "" : report.substr(start + 1, report.find(to, start + 1) - start);
    }
    std::string LastLine() const { return report.substr(report.rfind('\n', report.size() - 2) + 1); }
};

// The launcher run as the check runs it, then told; the title comes from the command line when given.
// With fix, --fix is run on the reading before it is told.
Checked RunCheck(World scripted, const CheckSetting& setting = kSetting, std::size_t capacity = 65536,
                 const char* given = nullptr, const char* lostInGiven = nullptr,
                 const std::function<int(CheckReading&)>& fix = nullptr)
{
    world = std::move(scripted);
    RecordedCalls.windows = &kWorld, RecordedCalls.check = &kCheckWorld, RecordedCalls.count = 0;
    RecordedCalls.readsWindowInFront = !given, RecordedCalls.givenTitle = given;
    RecordedCalls.givenTitleLostLetters = lostInGiven;
    checking = true;
    EXPECT_EQ(RunLauncher(RecordingOperations), 0);
    checking = false;
    EXPECT_EQ(world.outcome, "") << "the check started or showed something";
    static CheckReading reading;
    world.asked.clear();
    ReadCheck(RecordedCalls, setting, reading);
    EXPECT_EQ(world.open, 0u) << "the search left a key or search open";
    checking = true;
    const int fixed = fix ? fix(reading) : -1;
    checking = false;
    static char text[65536], json[65536];
    ReportText report = {text, capacity, 0, 0}, machine = {json, sizeof json, 0, 0};
    const int verdict = WriteCheckReport(reading, setting, report);
    EXPECT_TRUE(report.length < capacity && text[report.length] == '\0') << "past its storage";
    EXPECT_TRUE(WriteCheckJson(reading, setting, kCheckWorld, machine));
    return {verdict, fixed, std::string(text, report.length), std::string(json, machine.length), world.asked,
            reading.search};
}

} // namespace
