// The launcher against a Windows that answers from a script.
#include "world.h"

namespace {

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
        world = World{{}, {}, {joined}};
        world.Install(2, directory);
        EXPECT_EQ(FindDncProgram(kWorld).text, answered ? joined : "") << joined;
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
        {kFull + "C:\\NC\\a\" /x \"b.nc]", "", ""},  // a quote would split it; a box, empty, no stray bytes
    };
    // A read fails on a value too long for its buffer; a joined path too long is never searched.
    enum { kSound, kOpenFails, kReadFails, kProgramMissing, kEmptyValue, kTooLong, kKinds };
    const auto program = [](int row) { return "C:\\Row" + std::to_string(row) + "\\" + kRecords[row].programSubpath; };
    // Every mix of kinds with the first title; with the others every 37th, which still meets each kind in each row.
    const int mixes = kKinds * kKinds * kKinds * kKinds * kKinds * kKinds;
    for (const auto& [title, parameters, message] : cases) {
        for (int mix = 0; mix < mixes; mix += &title == &std::get<0>(cases[0]) ? 1 : 37) {
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
        }
    }
}

} // namespace
