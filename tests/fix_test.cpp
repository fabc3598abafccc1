// --fix: what it writes, what it refuses, and the launcher's own run afterwards.
#include "world.h"

namespace {

const std::string kR2Key = "SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information";
const std::string kProgram = "C:\\KORVANT\\KorvR2\\KDNC\\kdnc.exe";

// R2's record holds its folder with a trailing blank; kdnc.exe is where the folder without it leads.
World Blank()
{
    World world;
    world.Install(3, "C:\\KORVANT ");
    world.found.insert(kProgram);
    return world;
}

TEST(FixDncRecord, WritesOnlyWhatItCanVouchFor)
{
    CheckSetting admin = kSetting, system = kSetting;
    admin.elevated = true, system.system = true;
    World already = Blank(), failing = Blank(), unproven = Blank(), empty, other;
    already.found.insert("C:\\KORVANT \\KorvR2\\KDNC\\kdnc.exe"), failing.writeError = 5;
    other.Install(3, "C:\\\x83\x41 "), other.found.insert("C:\\\x83\x41\\KorvR2\\KDNC\\kdnc.exe");  // asked: ッ, not ア
    unproven.Install(3, "C:\\??"), unproven.wideValue = u"C:\\\u0421", unproven.wideProgram = 2;  // no name to write
    empty.Install(3, "C:\\KORVANT");
    const std::string starts = "kdnclaunch would start: \"" + kProgram + "\"";
    const std::string none = "; --fix: nothing written: ", nobody = "nothing written to record 4 R2: ";
    // The world, who runs --fix, the program asked for, whether others can replace the one found, the exit code, the
    // outcome in the JSON, whether R2's record is written, what the last line ends in.
    const std::tuple<World, CheckSetting, const char*, bool, int, std::string, bool, std::string> rows[] = {
        {Blank(), admin, nullptr, false, 0, "written", true, starts + "; --fix: wrote record 4 R2\n"},
        {Blank(), system, "c:\\korvant\\KORVR2\\kdnc\\KDNC.EXE", false, 0, "written", true, "wrote record 4 R2\n"},
        {already, admin, nullptr, false, 0, "nothingToDo", false, none + "kdnclaunch already starts DNC\n"},
        {other, admin, "C:\\\x83\x61\\KorvR2\\KDNC\\kdnc.exe", false, 1, "notThatProgram", false,
         ": no proven fix leads to the program asked for\n"},
        {Blank(), admin, nullptr, true, 1, "notTrusted", false,
         none + "the fix leads to a program others can replace\n"},
        {Blank(), kSetting, nullptr, false, 2, "notElevated", false, nobody + "run it as an administrator or as SYSTEM\n"},
        {failing, admin, nullptr, false, 2, "notWritten", true, nobody + "the record could not be written\n"},
        {empty, admin, nullptr, false, 1, "noneFound", false, none + "no kdnc.exe was found for a record to lead to\n"},
        {unproven, admin, nullptr, false, 1, "noneProven", false, ": no fix is proven to lead kdnclaunch to a kdnc.exe found\n"},
    };
    for (const auto& [scripted, setting, wanted, untrusted, exitCode, outcome, written, lastLine] : rows) {
        static FixRun fix;
        const Checked checked = RunCheck(scripted, setting, 65536, nullptr, nullptr,
                                         [setting = setting, wanted = wanted, trusted = !untrusted](CheckReading& reading) {
            for (int i = 0; i < reading.search.count; ++i)
                reading.search.found[i].trusted = trusted;
            return FixDncRecord(setting, wanted, reading, fix);
        });
        EXPECT_EQ(checked.fixed, exitCode) << lastLine;
        EXPECT_EQ(world.writes, std::vector<std::string>(written, kR2Key + "|Path|C:\\KORVANT"));
        const std::string last = checked.LastLine();
        EXPECT_EQ(last.substr(last.size() - std::min(last.size(), lastLine.size())), lastLine);
        EXPECT_NE(checked.json.find(",\"fixRun\":{\"outcome\":\"" + outcome + (exitCode == 2 || written ?  // a record chosen
                  "\",\"record\":4,\"key\":\"" : "\",\"record\":null,\"key\":null,\"valueName\":null,\"folder\":null,"
                  "\"program\":null,\"error\":null,\"errorText\":null,\"before\":null}}")), std::string::npos);
    }
}

// The value replaced is told whole, so that it can be put back, and a second --fix finds nothing to do.
TEST(FixDncRecord, TellsWhatItReplaced)
{
    CheckSetting admin = kSetting;
    admin.elevated = true;
    static FixRun fix;
    const auto once = [&](CheckReading& reading) { return FixDncRecord(admin, nullptr, reading, fix); };
    World failing = Blank(), keyless, valueless;  // a refused write; no record at all, R2's own key made; a key without it
    failing.writeError = 5;
    keyless.expanded["%ProgramW6432%"] = "C:\\PF", keyless.folders["C:\\PF"] = {{"KorvR2", true}};
    keyless.found.insert("C:\\PF\\KorvR2\\KDNC\\kdnc.exe");
    valueless = keyless, valueless.registry[kR2Key] = {"Other", "x"};
    const std::string undo = "; to put it back: reg delete \"HKLM\\" + kR2Key + "\"", none = ",\"type\":null,\"bytes\":null}}}";
    const std::tuple<World, std::string, std::string> cases[] = {  // the world, what the report and the JSON say
        {failing, "\n   error 5, Access is denied.; nothing was changed\n", "\"error\":5,\"errorText\":\"Access is denied.\",\"before\":null}}"},
        {keyless, "   before:  no such key" + undo + " /f /reg:32\n", "\"before\":{\"keyFound\":false,\"valueFound\":false" + none},
        {valueless, "   before:  no such value" + undo + " /v Path /f /reg:32\n",
         "\"before\":{\"keyFound\":true,\"valueFound\":false" + none},
        {Blank(), "\n--fix: wrote record 4 R2\n   record 4 R2: HKLM\\" + kR2Key + ", value Path (32-bit view)\n   folder:  "
                  "\"C:\\KORVANT\" (REG_SZ), which leads kdnclaunch to " + kProgram + "\n   before:  REG_SZ, 11 bytes: 43 3A "
                  "5C 4B 4F 52 56 41 4E 54 20\n   to put it back, see \"Putting a value back\" in the guide\n",
         ",\"fixRun\":{\"outcome\":\"written\",\"record\":4,\"key\":\"" + Escaped(kR2Key) + "\",\"valueName\":\"Path\","
         "\"folder\":\"C:\\\\KORVANT\",\"program\":\"" + Escaped(kProgram) + "\",\"error\":null,\"errorText\":null,"
         "\"before\":{\"keyFound\":true,\"valueFound\":true,\"type\":1,\"bytes\":\"433A5C4B4F5256414E5420\"}}}"},
    };
    for (const auto& [scripted, said, json] : cases) {
        const Checked checked = RunCheck(scripted, admin, 65536, nullptr, nullptr, once);
        EXPECT_NE(checked.report.find(said + "\nThe install records"), std::string::npos) << said;
        EXPECT_NE(checked.json.find(json), std::string::npos) << json;
    }
    World fixed = world;  // as the last case's write left it
    fixed.writes.clear();
    EXPECT_EQ(RunCheck(fixed, admin, 65536, nullptr, nullptr, once).fixed, 0);
    EXPECT_TRUE(world.writes.empty());
}

} // namespace
