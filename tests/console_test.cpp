// When the check waits for Enter: a double-click's console, then each fact flipped that means no one could answer;
// where --out may write: a new or plain file, reached without a link.
#include <gtest/gtest.h>

#include "console_hold.h"
#include "report_path.h"

TEST(HoldsConsole, WaitsOnlyOnAShownConsoleOfItsOwn)
{
    const struct { const char* flipped; ConsoleFacts facts; bool holds; } cases[] = {
        {"none: a double-click", {true, true, true, 1, 1, false}, true},
        {"a Remote Desktop session", {true, true, true, 1, 2, false}, true},
        {"input redirected", {false, true, true, 1, 1, false}, false},
        {"output redirected", {true, false, true, 1, 1, false}, false},
        {"window hidden or none", {true, true, false, 1, 1, false}, false},
        {"shared with cmd", {true, true, true, 2, 1, false}, false},
        {"process count unknown", {true, true, true, 0, 1, false}, false},
        {"session 0", {true, true, true, 1, 0, false}, false},
        {"report in a file", {true, true, true, 1, 1, true}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HoldsConsole(c.facts), c.holds) << c.flipped;
}

TEST(JudgeReportPath, WritesOnlyAPlainFileReachedWithoutLinks)
{
    const struct { const char* path; ReportPathFacts facts; ReportPathVerdict verdict; } cases[] = {
        {"a new file", {false, false, false, false, 0}, ReportPathVerdict::kWrite},
        {"a plain file with one name", {false, true, false, false, 1}, ReportPathVerdict::kWrite},
        {"a junction on the way to a plain file", {true, true, false, false, 1}, ReportPathVerdict::kFolderIsLink},
        {"a symbolic link planted as the file", {false, true, true, false, 1}, ReportPathVerdict::kFileIsLink},
        {"a link to a folder as the file", {false, true, true, true, 1}, ReportPathVerdict::kFileIsLink},
        {"a folder", {false, true, false, true, 1}, ReportPathVerdict::kFileIsFolder},
        {"a hard link to another file", {false, true, false, false, 2}, ReportPathVerdict::kFileHasOtherNames},
        {"a file whose names Windows did not count", {false, true, false, false, 0}, ReportPathVerdict::kFileHasOtherNames},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JudgeReportPath(c.facts), c.verdict) << c.path;
        EXPECT_EQ(ReportPathRefusal(c.verdict)[0] == '\0', c.verdict == ReportPathVerdict::kWrite) << c.path;
    }
}
