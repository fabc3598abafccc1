// Where kdnc.exe really is when kdnclaunch warns, the fix for it, and the JSON that says the same as the text.
#include <functional>

#include "world.h"

namespace {

const std::string kR2Max = "\\KorvR2max\\KDNC\\kdnc.exe", kPf86 = "C:\\Program Files (x86)";
const std::string kReg = "      reg add \"HKLM\\SOFTWARE\\Halvorne, Incorporated\\KORVANT ";

std::string Escaped(std::string text)  // as a JSON string holds it
{
    for (std::size_t at = 0; (at = text.find_first_of("\\\"", at)) != std::string::npos; at += 2)
        text.insert(at, "\\");
    return text;
}

// The install roots, each read from an expansion; R: is a removable drive and is never read.
void InstallRoots(World& world)
{
    world.expanded = {{"%ProgramW6432%", "R:\\PF"}, {"%ProgramFiles(x86)%", kPf86}, {"%ProgramFiles%", kPf86}};
    world.folders[kPf86] = {{"Halvorne", true}, {"readme.txt", false}};
    world.folders[kPf86 + "\\Halvorne"] = {{"KORVANT", true}, {"Other", true}};
    world.folders[kPf86 + "\\Halvorne\\KORVANT"] = {{"korvr1", true}, {"KorvR2", true}};
    world.found.insert(kPf86 + "\\Halvorne\\KORVANT\\KorvR1\\KDNC\\kdnc.exe");
}

struct Case {
    std::function<void(World&)> script;
    std::string lines;  // the report's section; its fix, applied, must make the launcher start the first program
};

TEST(SearchDncPrograms, FindsKdncBehindEachWrongValueAndProvesTheFix)
{
    const std::string searched = "   Searched: each record's value";
    const std::string roots = searched + "; " + kPf86 + " two folders deep, ";
    const Case cases[] = {
        {[](World& w) { w.Install(2, "%ProgramFiles%\\Halvorne\\KORVANT"), w.type = 2;
                        w.expanded["%ProgramFiles%\\Halvorne\\KORVANT"] = kPf86 + "\\Halvorne\\KORVANT";
                        w.found.insert(kPf86 + "\\Halvorne\\KORVANT" + kR2Max); },
         "   3. R2 Max: " + kPf86 + "\\Halvorne\\KORVANT" + kR2Max + ", from the value with %...% expanded\n" + kReg +
         "R2 Max\\Install Information\" /v Path /t REG_SZ /d \"" + kPf86 + "\\Halvorne\\KORVANT\" /f /reg:32\n" + searched +
         ", 0 folders read\n"},
        {[](World& w) { w.Install(4, "C:\\KORVANT\\ ."), w.found.insert("C:\\KORVANT\\KorvR2\\KDNC\\kdnc.exe"); },
         "   5. R2 Basic: C:\\KORVANT\\KorvR2\\KDNC\\kdnc.exe, from the value without its trailing blanks, dots or "
         "enclosing quotes\n" + kReg + "R2 Basic\\Install Information\" /v Path /t REG_SZ /d \"C:\\KORVANT\\\\\" /f "
         "/reg:32\n" + searched + ", 0 folders read\n"},  // a backslash before the quote, doubled
        {[](World& w) { w.Install(1, std::string("C:\\A\0C:\\B\0\0", 10)), w.type = 7;
                        w.found.insert("C:\\B" + kR2Max); },
         "   2. R2 Max uninstall: C:\\B" + kR2Max + ", from another string of the multi-string\n      reg add \"HKLM\\"
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E6A3F519-0B72-4C8D-9D45-71B8C02F6A93}\" /v "
         "InstallLocation /t REG_SZ /d \"C:\\B\" /f /reg:32\n" + searched + ", 0 folders read\n"},
        {[](World& w) { w.Install(5, "C:\\??\\K"), w.lostValueLetters = "U+0421 as ? U+0442 as ?", w.wideValue = u"C:\\Ст\\K";
                        w.wideProgram = 1, w.shortFolder = "C:\\CT~1\\K", w.found.insert("C:\\CT~1\\K\\KorvR1\\KDNC\\kdnc.exe"); },
         "   6. R1: C:\\CT~1\\K\\KorvR1\\KDNC\\kdnc.exe, from the folder's short name\n" + kReg + "R1\\Install "
         "Information\" /v Path /t REG_SZ /d \"C:\\CT~1\\K\" /f /reg:32\n" + searched + ", 0 folders read\n"},
        {[](World& w) { w.Install(5, "C:\\??\\K"), w.lostValueLetters = "U+0421 as ?", w.wideValue = u"C:\\Ст\\K";
                        w.wideProgram = 2; },
         "   6. R1: C:\\??\\K\\KorvR1\\KDNC\\kdnc.exe, from the value read in UTF-16\n      no value can help: code page "
         "932 cannot spell its folder, which has no short name it can; install KORVANT into a folder named in letters "
         "of that code page, or set the system locale to one that has them\n" + searched + ", 0 folders read\n"},
        {InstallRoots,  // no record at all; the uppercase of a folder's name does not matter
         "   6. R1: " + kPf86 + "\\Halvorne\\KORVANT\\KorvR1\\KDNC\\kdnc.exe, under an install root\n" + kReg +
         "R1\\Install Information\" /v Path /t REG_SZ /d \"" + kPf86 + "\\Halvorne\\KORVANT\" /f /reg:32\n" + roots +
         "4 folders read\n"},
        {[](World& w) { InstallRoots(w), w.Install(5, ""), w.openErrors[kRecords[5].keyPath] = 5; },
         "   6. R1: " + kPf86 + "\\Halvorne\\KORVANT\\KorvR1\\KDNC\\kdnc.exe, under an install root\n      kdnclaunch would "
         "not take it even so: its record cannot be read as it stands (see above)\n" + roots + "4 folders read\n"},
        {[](World& w) { InstallRoots(w), w.Install(3, "C:\\Old"), w.unreadable.insert(kPf86 + "\\Halvorne\\Other");
                        w.found.insert(kPf86 + "\\Halvorne\\KORVANT\\KorvR2\\KDNC\\kdnc.exe"); },
         "   6. R1: " + kPf86 + "\\Halvorne\\KORVANT\\KorvR1\\KDNC\\kdnc.exe, under an install root\n" + kReg + "R1\\Install "
         "Information\" /v Path /t REG_SZ /d \"" + kPf86 + "\\Halvorne\\KORVANT\" /f /reg:32\n   4. R2: " + kPf86 +
         "\\Halvorne\\KORVANT\\KorvR2\\KDNC\\kdnc.exe, under an install root\n" + kReg + "R2\\Install Information\" /v "
         "Path /t REG_SZ /d \"" + kPf86 + "\\Halvorne\\KORVANT\" /f /reg:32\n" + roots +
         "4 folders read, 1 not readable and skipped\n"},  // two programs; R2's record, which has a key, over R2 Basic
        {[](World& w) { InstallRoots(w), w.Install(2, "%X%"), w.type = 2, w.expanded["%X%"] = "",
                        w.expanded["%ProgramFiles%"] = "\\\\server\\share", w.tick = 1500; },  // expands to nothing
         "   6. R1: " + kPf86 + "\\Halvorne\\KORVANT\\KorvR1\\KDNC\\kdnc.exe, under an install root\n" + kReg +
         "R1\\Install Information\" /v Path /t REG_SZ /d \"" + kPf86 + "\\Halvorne\\KORVANT\" /f /reg:32\n" + roots +
         "3 folders read; stopped at its bound, so not everywhere\n"},
        {[](World& w) { w.Install(0, "C:\\DNC "); },  // nothing where the value points, nor under any root
         "   none found\n" + searched + ", 0 folders read\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        World scripted = {kFull + "C:\\NC\\a.nc]", {}, {"C:\\NC\\a.nc"}};
        c.script(scripted);
        const Checked checked = RunCheck(scripted);
        EXPECT_EQ(checked.Lines("\nWhere kdnc.exe is", "\n\n"), "Where kdnc.exe is, beyond what kdnclaunch reads:\n" + c.lines);
        // The JSON's first find and its fix, as the text gives them.
        const std::size_t at = c.lines.find(": ") + 2, fix = c.lines.find("reg add"), end = c.lines.find('\n', fix);
        const std::string program = c.lines.substr(at, c.lines.find(", ", at) - at);
        const std::string found = "\"found\":[{\"record\":" + c.lines.substr(3, 1) + ",\"program\":\"" + Escaped(program);
        EXPECT_EQ(checked.json.find(found) == std::string::npos, c.lines.find("   none found") == 0) << checked.json;
        if (fix == std::string::npos || fix > c.lines.find("\n   ", 4))
            continue;
        EXPECT_NE(checked.json.find(",\"fix\":\"" + Escaped(c.lines.substr(fix, end - fix)) + "\"}"), std::string::npos);
        EXPECT_NE(checked.LastLine().find("; kdnc.exe is at \"" + program + "\", fix record " + c.lines.substr(3, 1)),
                  std::string::npos);
        // Applied as written, the fix leads the launcher's own run to that program.
        world = scripted;
        const std::size_t folder = c.lines.find("/d \"") + 4;
        std::string value = c.lines.substr(folder, c.lines.find("\" /f", folder) - folder);
        if (value.size() > 2 && value.substr(value.size() - 2) == "\\\\")
            value.pop_back();
        world.Install(std::stoi(c.lines.substr(3, 1)) - 1, value);
        world.type = 1, world.openErrors.clear();
        RunLauncher(kWorld);
        EXPECT_EQ(world.outcome, "ShellExecuteA(0, open, " + program + ", \"C:\\NC\\a.nc\", null, 5)");
    }
}

// The search stops at its bound in folders read, and the JSON is whole or not written at all.
TEST(SearchDncPrograms, StaysWithinItsBounds)
{
    World scripted;
    InstallRoots(scripted);
    for (int i = 0; i < kMostFoldersRead; ++i)
        scripted.folders[kPf86].push_back({"V" + std::to_string(i), true});
    const Checked checked = RunCheck(scripted);
    EXPECT_EQ(world.foldersRead.size(), std::size_t(kMostFoldersRead));
    EXPECT_NE(checked.report.find(", 20000 folders read; stopped at its bound"), std::string::npos);
    EXPECT_NE(checked.json.find("\"foldersRead\":20000,\"foldersDenied\":0,\"stopped\":true}"), std::string::npos);
    static CheckReading reading;
    ReadCheckRun(RecordedCalls, reading);
    SearchDncPrograms(RecordedCalls, reading);
    static char text[4096];
    for (const std::size_t capacity : {checked.json.size(), checked.json.size() + 1}) {
        ReportText json = {text, capacity, 0, 0};
        EXPECT_EQ(WriteCheckJson(reading, kSetting, kCheckWorld, json), capacity > checked.json.size());
        EXPECT_EQ(std::string(text, json.length), capacity > checked.json.size() ? checked.json : "");
    }
}

} // namespace
