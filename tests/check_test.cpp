// The check's report, line by line, from the launcher's own run through the recording table in a scripted world.
#include <functional>

#include "world.h"

namespace {

// What record 3 (R2 Max, under Path) holds, and the lines the report gives for it.
TEST(WriteCheckReport, SaysWhatBecameOfEachRecord)
{
    const std::string program = "\\KorvR2max\\KDNC\\kdnc.exe", text = "; read as text up to the first zero byte)\n";
    const std::string absent = program + " (absent)\n", trail = "   its last byte 0x5C ends a double-byte letter, yet "
        "kdnclaunch takes it for a backslash: no separator is added, folder and subpath run together\n";
    // The value, its type, the error of reading it (0: none), the lines.
    const std::tuple<std::string, std::uint32_t, std::int32_t, std::string> cases[] = {
        {"C:\\K", 1, 5, "   value not read: error 5, Access is denied.\n"},
        {std::string(300, 'v'), 7, 0,
         "   value too long for kdnclaunch: 300 bytes, at most 260 are read (REG_MULTI_SZ)\n"},
        {"", 2, 0, "   value:   \"\" (REG_EXPAND_SZ: taken as written, %...% is not expanded)\n"
                   "   empty value: skipped, it names no folder\n"},
        {std::string(4, '\0'), 4, 0, "   value:   \"\" (REG_DWORD, 4 bytes: 00 00 00 00" + text +
                                     "   no text before its first zero byte: skipped, it names no folder\n"},
        {"C:\\KORVANT\\", 1, 0, "   value:   \"C:\\KORVANT\\\" (REG_SZ)\n   program: C:\\KORVANT" + absent},
        {std::string("C:\\A\0C:\\B\0", 10), 7, 0,
         "   value:   \"C:\\A\" (REG_MULTI_SZ: only its first string is taken)\n   program: C:\\A" + absent},
        {"C:\\K\n\x7F", 3, 0, "   value:   \"C:\\K<0x0A><0x7F>\" (REG_BINARY, 6 bytes: 43 3A 5C 4B 0A 7F" + text +
                              "   program: C:\\K<0x0A><0x7F>" + absent},
        {"C:\\K", 12, 0, "   value:   \"C:\\K\" (type 12, 4 bytes: 43 3A 5C 4B" + text + "   program: C:\\K" + absent},
        {"C:\\K", 0, 0, "   value:   \"C:\\K\" (REG_NONE, 4 bytes: 43 3A 5C 4B" + text + "   program: C:\\K" + absent},
        {"C:\\K", 11, 0, "   value:   \"C:\\K\" (REG_QWORD, 4 bytes: 43 3A 5C 4B" + text + "   program: C:\\K" + absent},
        {"C:\\\x81\\", 1, 0, "   value:   \"C:\\\x81\\\" (REG_SZ)\n" + trail + "   program: C:\\\x81" + absent},
        {"C:\\\x9F\\", 1, 0, "   value:   \"C:\\\x9F\\\" (REG_SZ)\n" + trail + "   program: C:\\\x9F" + absent},
        {"\\K", 1, 0, "   value:   \"\\K\" (REG_SZ)\n   program: \\K" + absent +
                      "   relative: searched as C:\\Work\\\\K" + program + "\n"},
        {"D:", 1, 0, "   value:   \"D:\" (REG_SZ)\n   program: D:/KorvR2max\\KDNC\\kdnc.exe (present: taken)\n" + kTrustedLine},
        {std::string(236, 'd'), 1, 0, "   value:   \"" + std::string(236, 'd') + "\" (REG_SZ)\n   program: " +
                                      std::string(236, 'd') + "/" + program.substr(1) +
                                      " (too long: 260 characters, not searched)\n"},
    };
    for (const auto& [value, type, readError, lines] : cases) {
        World scripted = {{}, {}, {"D:/" + program.substr(1)}};
        scripted.Install(2, value);
        if (readError)
            scripted.readErrors[kRecords[2].keyPath] = readError;
        scripted.type = type;
        EXPECT_EQ(RunCheck(scripted).Lines("\n3. ", "\n4. "), "3. R2 Max: reg query \"HKLM\\" + std::string(kRecords[2].keyPath) +
                                                                 "\" /v Path /reg:32\n" + lines);
    }
}

// Where else a record is when kdnclaunch finds no key or value for it: each place read once, said, and never fatal.
TEST(WriteCheckReport, SaysWhereElseTheRecordIs)
{
    const auto also = [](Where where, int row, bool wow64) {
        const char* const why[] = {"in the 64-bit view, which kdnclaunch does not read: a 32-bit program reads HKLM in "
            "the 32-bit view only", "under HKEY_CURRENT_USER, an install for one user, which kdnclaunch does not read at "
            "all", "in this account's VirtualStore, which only this account's kdnclaunch reads, and only when it runs "
            "virtualized (not elevated)"};
        return "   also " + std::string(why[int(where)]) + ":\n      reg query \"" + ElsewhereKey(where, row, wow64) +
               "\" /v " + kRecords[row].valueName + (where == Where::kView64 ? " /reg:64\n" : "\n");
    };
    const std::string denied = "error 5, Access is denied.\n", value = "      value:   \"C:\\KORVANT\" (REG_SZ)\n";
    const auto json = [](Where where, int row, const std::string& outcome) {  // one place in the record's JSON
        const std::string key = ElsewhereKey(where, row), places[] = {"view64", "currentUser", "virtualStore"};
        return "{\"place\":\"" + places[int(where)] + "\",\"key\":\"" + Escaped(key) + "\",\"outcome\":" + outcome +
               ",\"query\":\"" + Escaped("reg query \"" + key + "\" /v Path" + (where == Where::kView64 ? " /reg:64" : "")) +
               "\"}";
    };
    const std::string null = "\"error\":null,\"errorText\":null,", nothing = "\"type\":null,\"size\":null,\"value\":null";
    CheckSetting elevated = kSetting, windows32 = kSetting;
    elevated.virtualized = windows32.virtualized = windows32.wow64 = false;
    const bool wow64 = kInstallKeyAccess != 1;  // the 64-bit build asks for the 32-bit view on 64-bit Windows alone
    // The setting, the record, what opening and reading it answer kdnclaunch (2: no such key or value; 0: it is there),
    // the other places, their lines below the record's own, their JSON.
    struct Case { CheckSetting setting; int row; std::int32_t open, read; std::function<void(World&)> script;
                  std::string lines, json; };
    const Case cases[] = {
        {kSetting, 2, 2, 0, [](World& w) { w.Elsewhere(ElsewhereKey(Where::kView64, 2), 2, "C:\\KORVANT");
                                          w.elsewhere[ElsewhereKey(Where::kUser, 2)] = {"InstallDir", "C:\\K", 1}; },
         "   no such key\n" + also(Where::kView64, 2, true) + value + also(Where::kUser, 2, true) + "      no such value\n",
         json(Where::kView64, 2, "\"read\"," + null + "\"type\":1,\"size\":10,\"value\":\"C:\\\\KORVANT\"") + "," +
         json(Where::kUser, 2, "\"noValue\"," + null + nothing)},
        {elevated, 2, 2, 0, [](World& w) { w.elsewhereErrors[ElsewhereKey(Where::kView64, 2)] = 5;
                                          w.Elsewhere(ElsewhereKey(Where::kUser, 2), 2, std::string("*\0\0\0", 4), 4);
                                          w.Elsewhere(ElsewhereKey(Where::kStore, 2), 2, "C:\\KORVANT"); },  // all three
         "   no such key\n" + also(Where::kView64, 2, true) + "      key not opened: " + denied + also(Where::kUser, 2, true) +
         "      value:   \"*\" (REG_DWORD, 4 bytes: 2A 00 00 00)\n" + also(Where::kStore, 2, true) + value,
         json(Where::kView64, 2, "\"keyNotOpened\",\"error\":5,\"errorText\":\"Access is denied.\"," + nothing) + "," +
         json(Where::kUser, 2, "\"read\"," + null + "\"type\":4,\"size\":4,\"value\":\"*\"") + "," +
         json(Where::kStore, 2, "\"read\"," + null + "\"type\":1,\"size\":10,\"value\":\"C:\\\\KORVANT\"")},
        {windows32, 3, 0, 2, [wow64](World& w) { w.Elsewhere(ElsewhereKey(Where::kStore, 3, wow64), 3, "C:\\KORVANT", 2); },
         "   no such value\n" + also(Where::kStore, 3, wow64) + "      value:   \"C:\\KORVANT\" (REG_EXPAND_SZ)\n", ""},
        {elevated, 5, 5, 0, [](World& w) { w.Elsewhere(ElsewhereKey(Where::kUser, 5), 5, "C:\\KORVANT");
                                          w.readErrors[ElsewhereKey(Where::kUser, 5)] = 5;
                                          w.Elsewhere(ElsewhereKey(Where::kStore, 5), 5, std::string(300, 'v')); },
         "   key not opened: " + denied + also(Where::kUser, 5, true) + "      value not read: " + denied +
         also(Where::kStore, 5, true) + "      value too long for kdnclaunch: 300 bytes, at most 260 are read (REG_SZ)\n",
         json(Where::kUser, 5, "\"valueNotRead\",\"error\":5,\"errorText\":\"Access is denied.\"," + nothing) + "," +
         json(Where::kStore, 5, "\"valueTooLong\"," + null + "\"type\":1,\"size\":300,\"value\":null")},
    };
    for (const auto& [setting, row, open, read, script, lines, elsewhere] : cases) {
        SCOPED_TRACE(lines);
        World scripted;
        for (int other = 0; other < 6; ++other)
            scripted.Install(other, "C:\\Old");
        if (open == 2)
            scripted.registry.erase(kRecords[row].keyPath);
        else if (open != 0)
            scripted.openErrors[kRecords[row].keyPath] = open;
        if (read != 0)
            scripted.readErrors[kRecords[row].keyPath] = read;
        script(scripted);
        const Checked checked = RunCheck(scripted, setting);
        const std::string record = std::to_string(row + 1), next = std::to_string(row + 2) + ". ";
        const std::string own = checked.Lines("\n" + record + ". ", row < 5 ? "\n" + next : "\n\n");
        EXPECT_EQ(own.substr(own.find('\n') + 1), lines);
        std::vector<std::string> asked;  // the 64-bit view if any, HKCU, the VirtualStore unless kdnclaunch reads it
        for (const Where where : {Where::kView64, Where::kUser, Where::kStore})
            if ((where != Where::kView64 || setting.wow64 || wow64) && (where != Where::kStore || !setting.virtualized))
                asked.push_back(ElsewhereKey(where, row, setting.wow64 || wow64));
        EXPECT_EQ(world.elsewhereRead, asked);
        const std::size_t at = checked.json.find(",\"elsewhere\":[", checked.json.find("{\"record\":" + record + ","));
        if (!elsewhere.empty())  // the JSON's words, where the row gives them
            EXPECT_EQ(checked.json.substr(at, checked.json.find(",\"notes\":", at) - at),
                      ",\"elsewhere\":[" + elsewhere + "]");
    }
}

// The whole report for a PC where R2 Max was moved and R2 is installed, the editor's title in front.
TEST(WriteCheckReport, TellsTheWholeRun)
{
    World scripted = {kFull + "C:\\NC Files\\part 1.nc]", {}, {"C:\\NC Files\\part 1.nc"}};
    scripted.Install(2, "C:\\KORVANT");
    scripted.Install(3, "C:\\Program Files (x86)\\Halvorne\\KORVANT");
    scripted.found.insert("C:\\Program Files (x86)\\Halvorne\\KORVANT\\KorvR2\\KDNC\\kdnc.exe");
    const Checked checked = RunCheck(scripted);
    EXPECT_EQ(checked.report.rfind("kdnclaunch-check ", 0), 0u);
    const std::string report = checked.report.substr(checked.report.find('\n') + 1);
    const std::size_t cut = report.find("\n1. DNC: "), r2 = report.find("4. R2: ");  // records 1 to 3 are pinned row by row
    EXPECT_EQ(report.substr(0, cut + 1) + report.substr(r2), std::string(R"(Nothing was started and no box was shown.

Run by: PC\op, session 1, not elevated, virtualized: records 3 to 6 and files under Program Files may be read from this user's VirtualStore
Current folder: C:\Work (a relative folder below is taken from here)
Code page: 932, in which kdnclaunch reads the registry and the title
Registry: HKEY_LOCAL_MACHINE, the 32-bit view (WOW6432Node), )") + (kInstallKeyAccess == 1 ?
        "as for any 32-bit program on 64-bit Windows" : "asked for with KEY_WOW64_32KEY") + R"(

The install records, in the order kdnclaunch tries them:
4. R2: reg query "HKLM\SOFTWARE\Halvorne, Incorporated\KORVANT R2\Install Information" /v Path /reg:32
   value:   "C:\Program Files (x86)\Halvorne\KORVANT" (REG_SZ)
   program: C:\Program Files (x86)\Halvorne\KORVANT\KorvR2\KDNC\kdnc.exe (present: taken)
   trusted: only SYSTEM, the administrators and TrustedInstaller can change or replace kdnc.exe
5. R2 Basic: reg query "HKLM\SOFTWARE\Halvorne, Incorporated\KORVANT R2 Basic\Install Information" /v Path /reg:32
   not tried: record 4 was taken
6. R1: reg query "HKLM\SOFTWARE\Halvorne, Incorporated\KORVANT R1\Install Information" /v Path /reg:32
   not tried: record 4 was taken

Window in front: "Predator CNC Editor for KORVANT - [C:\NC Files\part 1.nc]"
Document: C:\NC Files\part 1.nc (present)
Parameters: "C:\NC Files\part 1.nc"

kdnclaunch would start: "C:\Program Files (x86)\Halvorne\KORVANT\KorvR2\KDNC\kdnc.exe" "C:\NC Files\part 1.nc"
)");
}

// Who ran the check, as a service in session 0: SYSTEM on 32-bit Windows, then an administrator in session 0 alone;
// and the registry view its process reads.
TEST(WriteCheckReport, SaysWhoRanIt)
{
    const CheckSetting cases[] = {{"C:\\", false, 1252, {}, "NT AUTHORITY\\SYSTEM", 0, true, false, true},
                                  {"C:\\", true, 1252, {}, "PC\\admin", 0, true, false, false}};
    for (const CheckSetting& setting : cases) {
        const Checked checked = RunCheck({}, setting);
        EXPECT_EQ(checked.Lines("\nRun by", "\nCurrent"), "Run by: " + std::string(setting.user) + ", session 0, "
                  "elevated, not virtualized\nRun as a service: the operator's kdnclaunch may see otherwise (mapped "
                  "drives, network shares, the operator's VirtualStore)\n");
        const char* view = kInstallKeyAccess != 1 ? "the 32-bit view (WOW6432Node), asked for with KEY_WOW64_32KEY"
            : setting.wow64 ? "the 32-bit view (WOW6432Node), as for any 32-bit program on 64-bit Windows"
            : "its only view, on 32-bit Windows";
        EXPECT_EQ(checked.Lines("\nRegistry", "\n\n"), "Registry: HKEY_LOCAL_MACHINE, " + std::string(view) + "\n");
    }
}

// The window in front, as the title is read or given on the command line, and the document taken from it.
TEST(WriteCheckReport, SaysWhatTheTitleGives)
{
    const std::string other = "Document: none, the title is not the editor's\nParameters: none\n";
    const std::string lost = "\n   letters code page 932 has no byte for: U+0416 as ?; a \"?\" matches any one character in the "
                             "existence test\n";
    // The title, whether it is given rather than read, the letters lost from it, the lines.
    const std::tuple<std::optional<std::string>, bool, std::string, std::string> cases[] = {
        {{}, false, "", "Window in front: none, as when a deployment tool starts it (see --title, --wait)\nDocument: none\n"
                        "Parameters: none\n"},
        {kFull + "C:\\NC\\?.nc]", false, "U+0416 as ?", "Window in front: \"" + kFull + "C:\\NC\\?.nc]\"" + lost +
                                                        "Document: C:\\NC\\?.nc (absent: DNC starts without a document)\n"
                                                        "Parameters: none\n"},
        {kFull + "C:\\NC\\a\" b.nc]", false, "", "Window in front: \"" + kFull + "C:\\NC\\a\" b.nc]\"\nDocument: C:\\NC\\a\" "
         "b.nc (present, not handed over: its quote would split the argument, so DNC starts without a document)\n"
         "Parameters: none\n"},
        {"Untitled\t" + std::string(300, 'x'), true, "U+0416 as ?",  // given, cut as a read title is
         "Window in front: \"Untitled<0x09>" + std::string(250, 'x') + "\"" + lost + other},
    };
    for (const auto& [title, given, letters, lines] : cases) {
        World scripted = {given ? std::nullopt : title, {}, {"C:\\NC\\a\" b.nc"}};
        scripted.Install(2, "C:\\K");  // a record's search is never taken for the document's
        scripted.lostTitleLetters = letters;
        const Checked checked = RunCheck(scripted, kSetting, 65536, given ? title->c_str() : nullptr,
                                      given ? letters.c_str() : nullptr);
        EXPECT_EQ(checked.Lines("\nWindow in front", "\n\n"), lines);
    }
}

// The last line: what the launcher does, and when it warns, why, within what a deployment tool keeps.
TEST(WriteCheckReport, EndsWithTheVerdictAndWhy)
{
    World full;
    std::string cut = " (", shown = "xx";  // a control byte shows as six characters: 2 + 43 * 6 fill the 260 kept
    for (int row = 0; row < 43; ++row)
        shown += "<0x01>";
    for (int row = 0; row < 6; ++row) {
        full.Install(row, "xx" + std::string(43, '\x01') + std::string(215, 'y'));
        cut += std::to_string(row + 1) + " " + kRecordName[row] + ": " + shown + "... too long" + (row < 5 ? "; " : ")\n");
    }
    const std::tuple<World, std::size_t, std::string> cases[] = {
        {World{}, 65536, " (no install record found)\n"},
        {Mixed(), 65536, " (1 DNC: no folder in its value; 2 R2 Max uninstall: value of 300 bytes, too long; 3 R2 Max: "
                       "C:\\\x9F\\KorvR2max\\KDNC\\kdnc.exe absent; 4 R2: key not opened, error 5; 5 R2 Basic: value not "
                       "read, error 5; 6 R1: no value Path)\n"},
        {full, 2600, cut},  // a report cut short for room says so, and keeps its verdict
    };
    for (const auto& [scripted, capacity, why] : cases) {
        const Checked checked = RunCheck(scripted, kSetting, capacity);
        EXPECT_EQ(checked.LastLine(), "kdnclaunch would show the warning: " + kMessage + why);
        EXPECT_EQ(checked.report.find("\n(the report was cut here: it did not fit its storage)\n\n") != std::string::npos,
                  capacity < 65536);
    }
}

// The start line is whole up to 2,048 characters, so it can be pasted; one more, and it is shortened and says so.
TEST(WriteCheckReport, KeepsTheStartLineWithinWhatIsKept)
{
    std::string program = "C:\\", del = "<0x7F>", shown = "kdnclaunch would start: \"C:\\";
    for (int i = 0; i < 200; ++i)
        program += '\x7F', shown += del;
    program += "\\KorvR2max\\KDNC\\kdnc.exe", shown += "\\KorvR2max\\KDNC\\kdnc.exe\" \"C:\\";
    std::string document = "C:\\" + std::string(131, '\x7F');
    for (int i = 0; i < 131; ++i)
        shown += del;
    for (const std::string tail : {"abc", "abcd"}) {  // 2,048 characters, then 2,049
        World scripted = {kFull + document + tail + "]", {}, {program, document + tail}};
        scripted.Install(2, program.substr(0, 203));
        EXPECT_EQ(RunCheck(scripted).LastLine(),
                  tail == "abc" ? shown + "abc\"\n" : shown.substr(0, 2032) + "... (shortened)\n");
    }
}

} // namespace
