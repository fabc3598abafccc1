// The launcher against a Windows that answers from a script; its values are written out, so a wrong constant shows.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "launch_sequence.h"

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

// HKEY_LOCAL_MACHINE, sign-extended; a 64-bit build adds KEY_WOW64_32KEY to see the registry of a 32-bit program.
const RegistryKey kLocalMachine = static_cast<RegistryKey>(static_cast<std::intptr_t>(std::int32_t(0x80000002u)));
#if defined(_WIN64)
const std::uint32_t kInstallKeyAccess = 0x0201;
#else
const std::uint32_t kInstallKeyAccess = 0x0001;
#endif

struct World {
    std::optional<std::string> title;  // of the window in front; none: no window
    std::map<std::string, std::pair<std::string, std::string>> registry;  // key -> value name, raw bytes
    std::set<std::string> found;          // the exact strings a find-first search finds something for
    std::string message;                  // the warning in the string table; empty: none
    std::vector<std::string> keys;        // the keys opened
    std::string outcome;                  // ShellExecuteA and MessageBoxA as called, in turn
    std::uintptr_t open = 0;              // the launcher holds one key or search handle at a time
    void Install(int row, std::string bytes) { registry[kRecords[row].keyPath] = {kRecords[row].valueName, bytes}; }
} world;  // the world of the case under way

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
        *result = world.open = world.registry.count(key) ? 0x1000 : 0;
        return world.open ? 0 : 2;  // 2: ERROR_FILE_NOT_FOUND
    },
    // A failed read leaves the value's bytes in the buffer, as Windows may.
    [](RegistryKey key, const char* name, std::uint32_t* reserved, std::uint32_t* type, unsigned char* data,
       std::uint32_t* size) {
        EXPECT_TRUE(key != 0 && key == world.open && !reserved && !type && *size == 260);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 260), std::string(260, '\0')) << "not zero-filled";
        const auto& [valueName, bytes] = world.registry[world.keys.back()];
        if (valueName == name)
            bytes.copy(reinterpret_cast<char*>(data), 260);
        return valueName != name ? 2 : bytes.size() > 260 ? 234 : 0;  // 2: not found; 234: ERROR_MORE_DATA
    },
    [](RegistryKey key) { EXPECT_TRUE(Closes(key)); return 0; },
    [](const char* path, FindDataRecord* findData) {
        EXPECT_TRUE(findData && std::string(path).size() < 260 && !world.open);
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

const std::string kFull = "Predator CNC Editor for KORVANT - [";
const std::string kMessage = "Error: Cannot find KORVANT DNC";

// A title and what is taken from it, which exists when a search for exactly that finds it.
TEST(CaptureEditorDocument, TakesThePathFromBetweenTheBrackets)
{
    const std::pair<std::optional<std::string>, std::string> cases[] = {  // empty: nothing captured
        {"Predator CNC Editor for KORVANT Demo - [C:\\NC Files\\a.nc]", "C:\\NC Files\\a.nc"},  // the demo edition
        {"", ""},                                                                          // empty or unreadable
        {std::nullopt, ""},                                                                // no window in front
        {kFull + " C:\\NC\\part 1.nc]", " C:\\NC\\part 1.nc"},                             // a leading blank kept
        {"Predator\t\r\nCNC  Editor\vfor\fKORVANT-[x.nc]", "x.nc"},                        // blanks: any space or none
        {"Predator\xA0" "CNC Editor for KORVANT - [x.nc]", ""},                            // no-break space: no blank
        {kFull + "C:\\\x95\\\x81]x.nc]", "C:\\\x95\\\x81"},                                // high bytes; trail ']' ends
        {"PredatorCNCEditorforKORVANT-[" + std::string(300, 'x'), std::string(230, 'x')},  // cut at 259: the longest
    };
    for (const auto& [title, capture] : cases) {
        SCOPED_TRACE(title.value_or("no window"));
        world = World{title, {}, {capture}};
        const EditorDocument document = CaptureEditorDocument(kWorld);
        EXPECT_EQ(document.path, capture);
        EXPECT_EQ(document.exists, !capture.empty());
    }
}

// A directory value of the R2 Max record, the joined path a search finds, and whether that path is the answer.
TEST(FindDncProgram, JoinsTheDirectoryAndTheProgramSubpath)
{
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"D:", "D:/KorvR2max\\KDNC\\kdnc.exe", true},                                          // none: a forward slash
        {"C:\\Apps/", "C:\\Apps/\\KorvR2max\\KDNC\\kdnc.exe", true},                           // any backslash decides
        {"D:/", "D:/KorvR2max\\KDNC\\kdnc.exe", true},                                         // its own slash kept
        {"C:\\\x95\\", "C:\\\x95\\KorvR2max\\KDNC\\kdnc.exe", true},                           // trail byte 0x5C: kept
        {std::string("C:\\B\0junk", 9), "C:\\B\\KorvR2max\\KDNC\\kdnc.exe", true},             // ends at the first zero
        {"", "/KorvR2max\\KDNC\\kdnc.exe", false},                                             // an empty value skipped
        {std::string(235, 'd'), std::string(235, 'd') + "/KorvR2max\\KDNC\\kdnc.exe", true},   // joined, 259
        {std::string(236, 'd'), std::string(236, 'd') + "/KorvR2max\\KDNC\\kdnc.exe", false},  // joined, 260
        {std::string(260, 'v'), std::string(260, 'v') + "/KorvR2max\\KDNC\\kdnc.exe", false},  // a full value
    };
    for (const auto& [directory, joined, answered] : cases) {
        SCOPED_TRACE(joined);
        world = World{{}, {}, {joined}};
        world.Install(2, directory);
        EXPECT_EQ(FindDncProgram(kWorld).text, answered ? joined : "");
    }
}

TEST(BuildDncParameters, QuotesTheLongestPathWhole)
{
    EditorDocument document = {{}, true};
    std::string(259, 'p').copy(document.path, 259);
    EXPECT_EQ(BuildDncParameters(document).text, "\"" + std::string(259, 'p') + "\"");
}

// The whole run, each title against every mix of row failures: the first sound row is launched, or the box shown.
TEST(RunLauncher, LaunchesTheFirstSoundRowWithTheDocument)
{
    const std::tuple<std::string, std::string, std::string> cases[] = {  // a title, the parameters, the warning's text
        {kFull + "C:\\NC Files\\part 1.nc]", "\"C:\\NC Files\\part 1.nc\"", kMessage},
        {kFull + "C:\\NC\\missing.nc]", "", kMessage},
        {kFull + "C:\\NC\\a\" /x \"b.nc]", "", kMessage},  // a quote would split the argument
        {kFull + "C:\\NC\\missing.nc]", "", ""},  // none: the box still shows, empty, with no stray bytes
    };
    // A read fails on a value too long for its buffer; a joined path too long is never searched.
    enum { kSound, kOpenFails, kReadFails, kProgramMissing, kEmptyValue, kTooLong, kKinds };
    const auto program = [](int row) { return "C:\\Row" + std::to_string(row) + "\\" + kRecords[row].programSubpath; };
    for (const auto& [title, parameters, message] : cases) {
        for (int mix = 0; mix < kKinds * kKinds * kKinds * kKinds * kKinds * kKinds; ++mix) {
            SCOPED_TRACE(title + ", mix " + std::to_string(mix));
            world = World{title, {}, {"C:\\NC Files\\part 1.nc", "C:\\NC\\a\" /x \"b.nc"}, message};
            int sound = 6;  // the first sound row, seen last as the rows are walked up; 6: none
            for (int row = 5, rest = mix; row >= 0; --row, rest /= kKinds) {
                const int kind = rest % kKinds;
                if (kind != kOpenFails)
                    world.Install(row, kind == kEmptyValue ? "" : "C:\\Row" + std::to_string(row) +
                        (kind == kReadFails ? std::string(300, '\0') : std::string(kind == kTooLong ? 250 : 0, 'x')));
                if (kind != kProgramMissing)
                    world.found.insert(program(row));
                sound = kind == kSound ? row : sound;
            }
            EXPECT_EQ(RunLauncher(kWorld), 0);
            EXPECT_EQ(world.outcome,
                      sound == 6 ? "MessageBoxA(0, " + message + ", KORVANT DNC, 48)"
                                 : "ShellExecuteA(0, open, " + program(sound) + ", " + parameters + ", null, 5)");
            EXPECT_EQ(world.keys.size(), sound == 6 ? 6u : sound + 1u) << "no row is opened after the first sound one";
            EXPECT_EQ(world.open, 0u);
        }
    }
}

} // namespace
