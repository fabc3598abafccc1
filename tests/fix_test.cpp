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
    struct Row {
        World world;
        CheckSetting setting;
        const char* wanted;
        bool untrusted;  // others can replace the program found
        int exitCode;
        std::string written, lastLine;  // the one write, as key|name|folder; what the last line ends in
    };
    World already = Blank(), failing = Blank(), unproven = Blank(), empty, other;
    already.found.insert("C:\\KORVANT \\KorvR2\\KDNC\\kdnc.exe"), failing.writeError = 5;
    other.Install(3, "C:\\\x83\x41 "), other.found.insert("C:\\\x83\x41\\KorvR2\\KDNC\\kdnc.exe");  // asked: ッ, not ア
    unproven.Install(3, "C:\\??"), unproven.wideValue = u"C:\\\u0421", unproven.wideProgram = 2;  // no name to write
    empty.Install(3, "C:\\KORVANT");
    const std::string wrote = kR2Key + "|Path|C:\\KORVANT", starts = "kdnclaunch would start: \"" + kProgram + "\"";
    const Row rows[] = {
        {Blank(), admin, nullptr, false, 0, wrote, starts + "; --fix: wrote record 4 R2\n"},
        {Blank(), system, "c:\\korvant\\KORVR2\\kdnc\\KDNC.EXE", false, 0, wrote, "wrote record 4 R2\n"},
        {already, admin, nullptr, false, 0, "", "; --fix: nothing written: kdnclaunch already starts DNC\n"},
        {other, admin, "C:\\\x83\x61\\KorvR2\\KDNC\\kdnc.exe", false, 1, "", ": no proven fix leads to the program asked for\n"},
        {Blank(), admin, nullptr, true, 1, "", "; --fix: nothing written: the fix leads to a program others can replace\n"},
        {Blank(), kSetting, nullptr, false, 2, "", "nothing written to record 4 R2: run it as an administrator or as SYSTEM\n"},
        {failing, admin, nullptr, false, 2, kR2Key + "|Path|C:\\KORVANT", "nothing written to record 4 R2: the record could not be written\n"},
        {empty, admin, nullptr, false, 1, "", "; --fix: nothing written: no kdnc.exe was found for a record to lead to\n"},
        {unproven, admin, nullptr, false, 1, "", ": no fix is proven to lead kdnclaunch to a kdnc.exe found\n"},
    };
    for (const Row& row : rows) {
        static FixRun fix;
        const Checked checked = RunCheck(row.world, row.setting, 65536, nullptr, nullptr, [&](CheckReading& reading) {
            for (int i = 0; i < reading.search.count; ++i)
                reading.search.found[i].trusted = !row.untrusted;
            return FixDncRecord(row.setting, row.wanted, reading, fix);
        });
        EXPECT_EQ(checked.fixed, row.exitCode) << row.lastLine;
        EXPECT_EQ(world.writes, row.written.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.written});
        const std::string last = checked.LastLine();
        EXPECT_EQ(last.substr(last.size() - std::min(last.size(), row.lastLine.size())), row.lastLine);
        const char* const words[] = {"written", "written", "nothingToDo", "notThatProgram", "notTrusted", "notElevated",
                                     "notWritten", "noneFound", "noneProven"};
        const bool chosen = row.exitCode == 2 || !row.written.empty();  // a record was chosen, written or not
        EXPECT_NE(checked.json.find(std::string(",\"fixRun\":{\"outcome\":\"") + words[&row - rows] + (chosen ?
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
    const Checked first = RunCheck(Blank(), admin, 65536, nullptr, nullptr, once);
    EXPECT_NE(first.report.find("\n--fix: wrote record 4 R2\n   record 4 R2: HKLM\\" + kR2Key + ", value Path (32-bit view)\n"
                                "   folder:  \"C:\\KORVANT\" (REG_SZ), which leads kdnclaunch to " + kProgram + "\n"
                                "   before:  REG_SZ, 11 bytes: 43 3A 5C 4B 4F 52 56 41 4E 54 20\n"
                                "   to put it back, see \"Putting a value back\" in the guide\n\nThe install"), std::string::npos);
    EXPECT_NE(first.json.find(",\"fixRun\":{\"outcome\":\"written\",\"record\":4,\"key\":\"SOFTWARE\\\\Halvorne, "
                              "Incorporated\\\\KORVANT R2\\\\Install Information\",\"valueName\":\"Path\",\"folder\":\"C:\\\\"
                              "KORVANT\",\"program\":\"C:\\\\KORVANT\\\\KorvR2\\\\KDNC\\\\kdnc.exe\",\"error\":null,"
                              "\"errorText\":null,\"before\":{\"keyFound\":true,\"valueFound\":true,\"type\":1,"
                              "\"bytes\":\"433A5C4B4F5256414E5420\"}}}"), std::string::npos);
    World fixed = world;
    fixed.writes.clear();
    const Checked second = RunCheck(fixed, admin, 65536, nullptr, nullptr, once);
    EXPECT_EQ(second.fixed, 0);
    EXPECT_TRUE(world.writes.empty());
    World failing = Blank(), keyless, valueless;  // a refused write; no record at all, R2's own key made; a key without it
    failing.writeError = 5;
    keyless.expanded["%ProgramW6432%"] = "C:\\PF", keyless.folders["C:\\PF"] = {{"KorvR2", true}};
    keyless.found.insert("C:\\PF\\KorvR2\\KDNC\\kdnc.exe");
    valueless = keyless, valueless.registry[kR2Key] = {"Other", "x"};
    const std::tuple<World, std::string, std::string> cases[] = {
        {failing, "\n   error 5, Access is denied.; nothing was changed\n", "\"error\":5,\"errorText\":\"Access is denied.\",\"before\":null}}"},
        {keyless, "   before:  no such key; to put it back: reg delete \"HKLM\\" + kR2Key + "\" /f /reg:32\n",
         "\"before\":{\"keyFound\":false,\"valueFound\":false,\"type\":null,\"bytes\":null}}}"},
        {valueless, "   before:  no such value; to put it back: reg delete \"HKLM\\" + kR2Key + "\" /v Path /f /reg:32\n",
         "\"before\":{\"keyFound\":true,\"valueFound\":false,\"type\":null,\"bytes\":null}}}"},
    };
    for (const auto& [scripted, said, json] : cases) {
        const Checked checked = RunCheck(scripted, admin, 65536, nullptr, nullptr, once);
        EXPECT_NE(checked.report.find(said + "\nThe install records"), std::string::npos) << said;
        EXPECT_NE(checked.json.find(json), std::string::npos) << json;
    }
}

} // namespace
