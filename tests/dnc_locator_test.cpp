#include <gtest/gtest.h>

#include "dnc_locator.h"
#include "fake_windows.h"

namespace {

const char kMax[] = "KorvR2max\\KDNC\\kdnc.exe";
const std::vector<std::string> kNone;

struct Record {
    int row;  // 1 to 6
    std::string directory;
};

// Registry records and files in, the answer out; every row that can be read
// is opened with the same access and closed again.
TEST(FindDncProgram, AnswersTheFirstRowWhoseProgramIsPresent)
{
    const std::string dir250 = "C:\\" + std::string(247, 'd');
    const struct {
        const char* name;
        std::vector<Record> records;
        std::vector<std::string> files;
        std::string answer;
    } cases[] = {
        {"nothing installed", {}, {}, ""},
        {"R2 Max product key", {{3, "C:\\Programs\\KORVANT"}}, {"C:\\Programs\\KORVANT\\KorvR2max\\KDNC\\kdnc.exe"},
         "C:\\Programs\\KORVANT\\KorvR2max\\KDNC\\kdnc.exe"},
        {"trailing backslash kept", {{3, "C:\\Programs\\KORVANT\\"}}, {"C:\\Programs\\KORVANT\\KorvR2max\\KDNC\\kdnc.exe"},
         "C:\\Programs\\KORVANT\\KorvR2max\\KDNC\\kdnc.exe"},
        {"stand-alone wins over editions", {{1, "C:\\DNC"}, {2, "C:\\Max"}, {6, "C:\\R1"}},
         {"C:\\DNC\\kdnc.exe", "C:\\Max\\KorvR2max\\KDNC\\kdnc.exe", "C:\\R1\\KorvR1\\KDNC\\kdnc.exe"}, "C:\\DNC\\kdnc.exe"},
        {"R2 Max record before its product key", {{2, "C:\\A"}, {3, "C:\\B"}},
         {"C:\\A\\KorvR2max\\KDNC\\kdnc.exe", "C:\\B\\KorvR2max\\KDNC\\kdnc.exe"}, "C:\\A\\KorvR2max\\KDNC\\kdnc.exe"},
        {"R2 before R2 Basic", {{4, "C:\\R2"}, {5, "C:\\Basic"}},
         {"C:\\R2\\KorvR2\\KDNC\\kdnc.exe", "C:\\Basic\\KorvR2\\KDNC\\kdnc.exe"}, "C:\\R2\\KorvR2\\KDNC\\kdnc.exe"},
        {"R1 comes last", {{6, "C:\\R1"}}, {"C:\\R1\\KorvR1\\KDNC\\kdnc.exe"}, "C:\\R1\\KorvR1\\KDNC\\kdnc.exe"},
        {"missing program gives way", {{1, "C:\\Gone"}, {5, "C:\\Basic"}}, {"C:\\Basic\\KorvR2\\KDNC\\kdnc.exe"},
         "C:\\Basic\\KorvR2\\KDNC\\kdnc.exe"},
        {"no backslash: forward slash", {{4, "D:"}}, {"D:\\KorvR2\\KDNC\\kdnc.exe"}, "D:/KorvR2\\KDNC\\kdnc.exe"},
        {"any backslash decides", {{3, "C:\\Apps/"}}, {"C:\\Apps\\KorvR2max\\KDNC\\kdnc.exe"},
         "C:\\Apps/\\KorvR2max\\KDNC\\kdnc.exe"},
        {"relative stays relative", {{3, "Apps"}}, {"C:\\Work\\Apps\\KorvR2max\\KDNC\\kdnc.exe"},
         "Apps/KorvR2max\\KDNC\\kdnc.exe"},
        {"trail byte 0x5C is a backslash", {{3, "\x95\\"}}, {"C:\\Work\\\x95\\KorvR2max\\KDNC\\kdnc.exe"},
         "\x95\\KorvR2max\\KDNC\\kdnc.exe"},
        {"stops at the first zero byte", {{1, std::string("C:\\Bin\0junk", 11)}}, {"C:\\Bin\\kdnc.exe"},
         "C:\\Bin\\kdnc.exe"},
        {"no trimming", {{1, " C:\\Bin "}}, {"C:\\Bin\\kdnc.exe"}, ""},
        {"empty value skipped", {{1, ""}, {6, "C:\\R1"}}, {"C:\\kdnc.exe", "C:\\R1\\KorvR1\\KDNC\\kdnc.exe"},
         "C:\\R1\\KorvR1\\KDNC\\kdnc.exe"},
        {"joined path of 259", {{1, dir250}}, {dir250 + "\\kdnc.exe"}, dir250 + "\\kdnc.exe"},
        {"joined path of 260", {{1, dir250 + "d"}}, {dir250 + "d\\kdnc.exe"}, ""},
        {"value of 260 bytes", {{1, std::string(260, 'v')}, {6, "C:\\R1"}}, {"C:\\R1\\KorvR1\\KDNC\\kdnc.exe"},
         "C:\\R1\\KorvR1\\KDNC\\kdnc.exe"},
        {"value of 261 bytes", {{3, std::string(261, 'v')}, {6, "C:\\R1"}}, {"C:\\R1\\KorvR1\\KDNC\\kdnc.exe"},
         "C:\\R1\\KorvR1\\KDNC\\kdnc.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows world;
        for (const Record& record : c.records)
            world.InstallValue(record.row - 1).bytes = record.directory;
        for (const std::string& file : c.files)
            world.AddFile(file);
        EXPECT_EQ(FindDncProgram(world.Operations()).text, c.answer);
        for (const std::string& search : world.searches)
            EXPECT_LT(search.size(), 260u) << "searched for a path too long to answer";
        EXPECT_EQ(world.openAccess, std::vector<std::uint32_t>(world.openAccess.size(), kExpectedInstallKeyAccess));
        EXPECT_EQ(world.Problems(), kNone);
    }
}

// Each way a row can fail moves on to the next row, and the key is closed.
TEST(FindDncProgram, ARowThatFailsMovesOnToTheNext)
{
    const struct {
        const char* name;
        void (*arrange)(FakeWindows&);
    } cases[] = {
        {"key denied", [](FakeWindows& w) { w.deniedKeys.insert(kInstallRecords[2].keyPath); }},
        {"value missing", [](FakeWindows& w) { w.registry[kInstallRecords[2].keyPath]["Other"].bytes = "C:\\A"; }},
        {"read denied", [](FakeWindows& w) { w.InstallValue(2).failing = 5; }},
        {"value name is per row", [](FakeWindows& w) { w.SetValue(kInstallRecords[2].keyPath, "InstallLocation", "C:\\A"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows world;
        world.registry[kInstallRecords[2].keyPath] = {};
        world.InstallValue(3).bytes = "C:\\B";
        world.AddFile(std::string("C:\\A\\") + kMax);
        world.AddFile(std::string(kStaleFolder) + "\\" + kMax);
        world.AddFile("C:\\B\\KorvR2\\KDNC\\kdnc.exe");
        c.arrange(world);
        EXPECT_STREQ(FindDncProgram(world.Operations()).text, "C:\\B\\KorvR2\\KDNC\\kdnc.exe");
        ASSERT_EQ(world.openedKeys.size(), 4u);
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(world.openedKeys[row], kInstallRecords[row].keyPath);
        EXPECT_EQ(world.Problems(), kNone);
    }
}

} // namespace
