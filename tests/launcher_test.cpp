#include <gtest/gtest.h>

#include "fake_windows.h"
#include "launch_sequence.h"

namespace {

const std::string kFull = "Predator CNC Editor for KORVANT - [";
const std::string kDnc = "C:\\Programs\\KORVANT\\KorvR2max\\KDNC\\kdnc.exe";
const std::string kWarning = "MessageBoxA(0, Error: Cannot find KORVANT DNC, KORVANT DNC, 48)";
const std::vector<std::string> kNone;

std::string Launch(const std::string& file, const std::string& parameters)
{
    return "ShellExecuteA(0, open, " + file + ", " + parameters + ", null, 5)";
}

void Install(FakeWindows& world, int row, const std::string& directory)
{
    world.registry[kInstallRecords[row - 1].key][kInstallRecords[row - 1].value] = directory;
}

// A title and what is taken from it; the capture is searched for exactly as
// taken, and exists only when that search finds it.
TEST(CaptureEditorDocument, TakesThePathFromBetweenTheBrackets)
{
    const struct {
        const char* name;
        std::string title, capture;  // empty: nothing captured
    } cases[] = {
        {"full edition", kFull + "C:\\NC\\part 1.nc]", "C:\\NC\\part 1.nc"},
        {"demo edition", "Predator CNC Editor for KORVANT Demo - [C:\\NC\\a.nc]", "C:\\NC\\a.nc"},
        {"no closing bracket", kFull + "C:\\NC\\a.nc", "C:\\NC\\a.nc"},
        {"first closing bracket ends it", kFull + "C:\\NC\\a]b]", "C:\\NC\\a"},
        {"text after the bracket", kFull + "x.nc] *", "x.nc"},
        {"empty brackets", kFull + "]", ""},
        {"ends after the bracket", kFull, ""},
        {"ends within the fixed text", "Predator CNC Editor for KORVANT", ""},
        {"empty or unreadable title", "", ""},
        {"asterisk before the bracket", "Predator CNC Editor for KORVANT - *[x.nc]", ""},
        {"only blanks inside", kFull + "   ]", "   "},
        {"leading blank inside kept", kFull + " x.nc]", " x.nc"},
        {"tab and line breaks for blanks", "Predator\tCNC\r\nEditor\vfor\fKORVANT - [x.nc]", "x.nc"},
        {"blanks missing or doubled", "Predator  CNC Editor for KORVANT-[x.nc]", "x.nc"},
        {"no-break space is no blank", "Predator\xA0" "CNC Editor for KORVANT - [x.nc]", ""},
        {"leading blank", " Predator CNC Editor for KORVANT - [x.nc]", ""},
        {"lower-case p", "predator CNC Editor for KORVANT - [x.nc]", ""},
        {"high bytes taken as they are", kFull + "C:\\\x95\\\xE9.nc]", "C:\\\x95\\\xE9.nc"},
        {"bracket as a trail byte ends it", kFull + "C:\\\x81]x.nc]", "C:\\\x81"},
        {"longest capture", "PredatorCNCEditorforKORVANT-[" + std::string(240, 'x'), std::string(230, 'x')},
        {"title cut at 259", kFull + std::string(300, 'y') + "]", std::string(224, 'y')},
    };
    for (const auto& c : cases) {
        for (const bool present : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (present ? ", present" : ", absent"));
            FakeWindows world;
            world.title = c.title;
            if (present)
                world.found.insert(c.capture);
            const EditorDocument document = CaptureEditorDocument(world.Operations());
            EXPECT_EQ(document.path, c.capture);
            EXPECT_EQ(document.exists, present && !c.capture.empty());
            EXPECT_EQ(world.searches, c.capture.empty() ? kNone : std::vector<std::string>{c.capture});
            EXPECT_EQ(world.Problems(), kNone);
        }
    }
}

// A directory value and the joined path that find-first is asked for; the
// answer is that path when the search finds it.
TEST(FindDncProgram, JoinsTheDirectoryAndTheProgramSubpath)
{
    const std::string dir250 = "C:\\" + std::string(247, 'd');
    const struct {
        const char* name;
        int row;
        std::string directory, joined, answer;
    } cases[] = {
        {"backslash appended", 3, "C:\\Programs\\KORVANT", kDnc, kDnc},
        {"trailing backslash kept", 3, "C:\\Programs\\KORVANT\\", kDnc, kDnc},
        {"no backslash: forward slash", 4, "D:", "D:/KorvR2\\KDNC\\kdnc.exe", "D:/KorvR2\\KDNC\\kdnc.exe"},
        {"any backslash decides", 3, "C:\\Apps/", "C:\\Apps/\\KorvR2max\\KDNC\\kdnc.exe", "C:\\Apps/\\KorvR2max\\KDNC\\kdnc.exe"},
        {"relative stays relative", 3, "Apps", "Apps/KorvR2max\\KDNC\\kdnc.exe", "Apps/KorvR2max\\KDNC\\kdnc.exe"},
        {"trail byte 0x5C is a backslash", 3, "\x95\\", "\x95\\KorvR2max\\KDNC\\kdnc.exe", "\x95\\KorvR2max\\KDNC\\kdnc.exe"},
        {"raw bytes up to the first zero", 1, std::string("C:\\Bin\0junk", 11), "C:\\Bin\\kdnc.exe", "C:\\Bin\\kdnc.exe"},
        {"no trimming", 1, " C:\\Bin ", "C:\\Bin\\kdnc.exe", ""},
        {"empty value skipped", 1, "", "/kdnc.exe", ""},
        {"joined path of 259", 1, dir250, dir250 + "\\kdnc.exe", dir250 + "\\kdnc.exe"},
        {"joined path of 260", 1, dir250 + "d", dir250 + "d\\kdnc.exe", ""},
        {"value of 260 bytes, unterminated", 3, std::string(260, 'v'), std::string(260, 'v') + "/KorvR2max\\KDNC\\kdnc.exe", ""},
        {"value of 261 bytes", 3, std::string(261, 'v'), std::string(260, 'v') + "/KorvR2max\\KDNC\\kdnc.exe", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows world;
        Install(world, c.row, c.directory);
        world.found.insert(c.joined);
        EXPECT_EQ(FindDncProgram(world.Operations()).text, c.answer);
        EXPECT_EQ(world.Problems(), kNone);
    }
}

TEST(BuildDncParameters, QuotesTheLongestPathWhole)
{
    EditorDocument document = {};
    std::string(259, 'p').copy(document.path, 259);
    document.exists = true;
    EXPECT_EQ(BuildDncParameters(document).text, "\"" + std::string(259, 'p') + "\"");
}

// The whole run, with the DNC program installed as R2 Max and the document
// present: one launch with the document's parameters, or one warning box.
TEST(RunLauncher, LaunchesTheFoundProgramOrWarnsOnce)
{
    const struct {
        const char* name;
        std::string title;
        void (*change)(FakeWindows&);
        std::string outcome;
    } cases[] = {
        {"typical run", kFull + "C:\\NC Files\\part 1.nc]", nullptr, Launch(kDnc, "\"C:\\NC Files\\part 1.nc\"")},
        {"demo edition", "Predator CNC Editor for KORVANT Demo - [C:\\NC Files\\part 1.nc]", nullptr,
         Launch(kDnc, "\"C:\\NC Files\\part 1.nc\"")},
        {"document missing", kFull + "C:\\NC\\gone.nc]", nullptr, Launch(kDnc, "")},
        {"another program in front", "Untitled - Notepad", nullptr, Launch(kDnc, "")},
        {"no window in front", kFull + "C:\\NC Files\\part 1.nc]", [](FakeWindows& w) { w.foreground = 0; }, Launch(kDnc, "")},
        {"a quote would split the argument", kFull + "C:\\NC\\a\" /x \"b.nc]",
         [](FakeWindows& w) { w.found.insert("C:\\NC\\a\" /x \"b.nc"); }, Launch(kDnc, "")},
        {"not installed", kFull + "C:\\NC Files\\part 1.nc]", [](FakeWindows& w) { w.found.erase(kDnc); }, kWarning},
        {"message not loadable", "", [](FakeWindows& w) { w.found.clear(), w.loadStringFails = true; },
         "MessageBoxA(0, , KORVANT DNC, 48)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows world;
        world.title = c.title;
        Install(world, 3, "C:\\Programs\\KORVANT");
        world.found = {kDnc, "C:\\NC Files\\part 1.nc"};
        if (c.change)
            c.change(world);
        EXPECT_EQ(RunLauncher(world.Operations()), 0);
        EXPECT_EQ(world.outcome, std::vector<std::string>{c.outcome});
        EXPECT_EQ(world.calls.front(), "GetForegroundWindow") << "the title is read before the registry";
        EXPECT_EQ(world.Problems(), kNone);
    }
}

// Every mix of row failures, each row otherwise installed: the first sound
// row is launched and no later row opened, or else the box is shown.
TEST(RunLauncher, AnyMixOfRowFailuresLaunchesTheFirstSoundRow)
{
    const auto program = [](int row) { return "C:\\Row" + std::to_string(row) + "\\" + kInstallRecords[row - 1].program; };
    for (int mix = 0; mix < 4 * 4 * 4 * 4 * 4 * 4; ++mix) {
        FakeWindows world;
        int sound = 0;
        for (int row = 1, rest = mix; row <= 6; ++row, rest /= 4) {
            Install(world, row, "C:\\Row" + std::to_string(row));
            const char* key = kInstallRecords[row - 1].key;
            switch (rest % 4) {
            case 0: world.found.insert(program(row)), sound = sound ? sound : row; break;
            case 1: world.failingOpens.insert(key); break;
            case 2: world.failingReads.insert(key), world.found.insert(program(row)); break;
            case 3: break;  // the program file is missing
            }
        }
        SCOPED_TRACE("mix " + std::to_string(mix));
        EXPECT_EQ(RunLauncher(world.Operations()), 0);
        EXPECT_EQ(world.outcome, std::vector<std::string>{sound ? Launch(program(sound), "") : kWarning});
        ASSERT_EQ(world.keys.size(), sound ? sound : 6u);
        for (std::size_t row = 0; row < world.keys.size(); ++row)
            EXPECT_EQ(world.keys[row], kInstallRecords[row].key);
        EXPECT_EQ(world.Problems(), kNone);
    }
}

} // namespace
