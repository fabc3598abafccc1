#include <gtest/gtest.h>

#include "fake_windows.h"
#include "launch_sequence.h"

namespace {

const char kDnc[] = "C:\\Programs\\KORVANT\\KorvR2max\\KDNC\\kdnc.exe";
const char kDocument[] = "C:\\NC Files\\part 1.nc";
const std::vector<std::string> kNone;

void InstallDnc(FakeWindows& world)
{
    world.InstallValue(2).bytes = "C:\\Programs\\KORVANT";
    world.AddFile(kDnc);
}

TEST(BuildDncParameters, QuotesAnExistingDocumentOnly)
{
    const std::string longest(259, 'p');
    const struct {
        std::string path;
        bool exists;
        std::string parameters;
    } cases[] = {
        {kDocument, true, "\"C:\\NC Files\\part 1.nc\""},
        {kDocument, false, ""},
        {"", false, ""},
        {longest, true, "\"" + longest + "\""},
        {"C:\\NC\\a\" /x \"b.nc", true, ""},  // a quote would split the argument
    };
    for (const auto& c : cases) {
        EditorDocument document = {};
        c.path.copy(document.path, sizeof document.path - 1);
        document.exists = c.exists;
        EXPECT_EQ(BuildDncParameters(document).text, c.parameters) << c.path;
    }
}

// The whole run: one launch of a found program with the document's
// parameters, or one warning box; exit code 0 and nothing left open either way.
TEST(RunLauncher, LaunchesTheFoundProgramOrWarnsOnce)
{
    const struct {
        const char* name;
        bool installed;
        std::string title;
        void (*fail)(FakeWindows&);
        std::string parameters;  // of the launch
        std::string message;     // of the box
    } cases[] = {
        {"typical run", true, std::string("Predator CNC Editor for KORVANT - [") + kDocument + "]", nullptr,
         "\"C:\\NC Files\\part 1.nc\"", ""},
        {"document missing", true, "Predator CNC Editor for KORVANT - [C:\\NC\\gone.nc]", nullptr, "", ""},
        {"another program in front", true, "Untitled - Notepad", nullptr, "", ""},
        {"no foreground window", true, "", [](FakeWindows& w) { w.foreground = 0; }, "", ""},
        {"shell cannot start it", true, "", [](FakeWindows& w) { w.shellFails = true; }, "", ""},
        {"search fails everywhere", true, "", [](FakeWindows& w) { w.findFirstFails = true; }, "",
         "Error: Cannot find KORVANT DNC"},
        {"every key denied", true, "",
         [](FakeWindows& w) {
             for (const DncCandidate& record : kInstallRecords)
                 w.deniedKeys.insert(record.keyPath);
         }, "",
         "Error: Cannot find KORVANT DNC"},
        {"not installed", false, std::string("Predator CNC Editor for KORVANT - [") + kDocument + "]", nullptr, "",
         "Error: Cannot find KORVANT DNC"},
        {"message not loadable", false, "", [](FakeWindows& w) { w.loadStringFails = true; }, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows world;
        world.title = c.title;
        world.AddFile(kDocument);
        if (c.installed)
            InstallDnc(world);
        if (c.fail)
            c.fail(world);

        EXPECT_EQ(RunLauncher(world.Operations()), 0);

        const bool launched = c.installed && c.message.empty() && !world.findFirstFails;
        ASSERT_EQ(world.launches.size(), launched ? 1u : 0u);
        ASSERT_EQ(world.boxes.size(), launched ? 0u : 1u);
        if (launched) {
            const ShellExecuteCall& launch = world.launches[0];
            EXPECT_EQ(launch.owner, kNoWindow);
            EXPECT_EQ(launch.verb, "open");
            EXPECT_EQ(launch.file, kDnc);
            EXPECT_EQ(launch.parameters, c.parameters);
            EXPECT_FALSE(launch.directoryGiven);
            EXPECT_EQ(launch.showCommand, SW_SHOW);
        } else {
            const MessageBoxCall& box = world.boxes[0];
            EXPECT_EQ(box.owner, kNoWindow);
            EXPECT_EQ(box.text, c.message);
            EXPECT_EQ(box.caption, "KORVANT DNC");
            EXPECT_EQ(box.style, MB_OK | MB_ICONWARNING);
        }
        EXPECT_EQ(world.Problems(), kNone);
    }
}

// The document is read before the registry, so the title is the editor's
// as it was when the user started the launcher.
TEST(RunLauncher, ReadsTheTitleBeforeTheRegistry)
{
    FakeWindows world;
    world.title = std::string("Predator CNC Editor for KORVANT - [") + kDocument + "]";
    world.AddFile(kDocument);
    InstallDnc(world);
    RunLauncher(world.Operations());
    const std::vector<std::string> start(world.calls.begin(), world.calls.begin() + 5);
    EXPECT_EQ(start, (std::vector<std::string>{"GetForegroundWindow", "GetWindowTextA", "FindFirstFileA", "FindClose",
                                               "RegOpenKeyExA"}));
    EXPECT_EQ(world.calls.back(), "ShellExecuteA");
}

// Every mix of row failures over the six rows, each row otherwise installed:
// the first row that did not fail is launched, or else the box is shown.
TEST(RunLauncher, AnyMixOfRowFailuresLaunchesTheFirstSoundRowOrWarns)
{
    const auto program = [](int row) { return "C:\\Row" + std::to_string(row) + "\\" + kInstallRecords[row].programSubpath; };
    const struct {
        const char* name;
        void (*fail)(FakeWindows&, int row, const std::string& program);
    } failures[] = {
        {"no failure", [](FakeWindows&, int, const std::string&) {}},
        {"open fails", [](FakeWindows& w, int row, const std::string&) { w.deniedKeys.insert(kInstallRecords[row].keyPath); }},
        {"read fails", [](FakeWindows& w, int row, const std::string&) { w.InstallValue(row).failing = 5; }},
        {"find-first fails", [](FakeWindows& w, int, const std::string& path) { w.failingSearches.insert(path); }},
    };
    for (int mix = 0; mix < 4 * 4 * 4 * 4 * 4 * 4; ++mix) {
        FakeWindows world;
        std::string described;
        int sound = -1;
        for (int row = 0, rest = mix; row < 6; ++row, rest /= 4) {
            world.InstallValue(row).bytes = "C:\\Row" + std::to_string(row);
            world.AddFile(program(row));
            failures[rest % 4].fail(world, row, program(row));
            described += std::string(failures[rest % 4].name) + "; ";
            if (rest % 4 == 0 && sound < 0)
                sound = row;
        }

        EXPECT_EQ(RunLauncher(world.Operations()), 0) << described;
        EXPECT_EQ(world.openedKeys.size(), sound < 0 ? 6u : sound + 1u) << described;
        if (sound < 0) {
            EXPECT_TRUE(world.launches.empty() && world.boxes.size() == 1) << described;
        } else {
            ASSERT_TRUE(world.launches.size() == 1 && world.boxes.empty()) << described;
            EXPECT_EQ(world.launches[0].file, program(sound)) << described;
        }
        EXPECT_EQ(world.Problems(), kNone) << described;
    }
}

} // namespace
