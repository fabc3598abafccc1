// Where kdnc.exe really is when kdnclaunch warns, the fix for it, and the JSON that says the same as the text.
#include <functional>

#include "world.h"

namespace {

const std::string kR1 = "\\KorvR1\\KDNC\\kdnc.exe", kR2 = "\\KorvR2\\KDNC\\kdnc.exe";
const std::string kR2Max = "\\KorvR2max\\KDNC\\kdnc.exe", kPf86 = "C:\\Program Files (x86)";
const std::string kHalvorne = kPf86 + "\\Halvorne\\KORVANT";
const std::string kTrusted = "   " + kTrustedLine;  // under a program found

// The install roots, each read from an expansion; R: is a removable drive and is never read.
void InstallRoots(World& world)
{
    world.expanded = {{"%ProgramW6432%", "R:\\PF"}, {"%ProgramFiles(x86)%", kPf86}, {"%ProgramFiles%", kPf86}};
    world.folders[kPf86] = {{"Halvorne", true}, {"readme.txt", false}};
    world.folders[kPf86 + "\\Halvorne"] = {{"KORVANT", true}, {"Other", true}};
    world.folders[kHalvorne] = {{"korvr1", true}, {"KorvR2", true}, {"KORVR2MAX", true}};
    world.found.insert(kHalvorne + kR1);
}

TEST(SearchDncPrograms, FindsKdncBehindEachWrongValueAndProvesTheFix)
{
    const std::string paste = "      a fix would lead kdnclaunch there, but its folder holds a byte that cmd would not "
                              "take as printed: run kdnclaunch-check --fix as an administrator, or write the folder "
                              "that --json gives into the record, as REG_SZ\n" + kTrusted;
    const std::string searched = "   Searched: each record's value\n", root = "under an install root";
    const std::string roots = "   Searched: each record's value; " + kPf86 + " two folders deep, folders read: ";
    const std::string trimmed = "from the value without its trailing blanks, dots or enclosing quotes";
    const auto found = [](int row, std::string program, std::string from) {
        return "   " + std::to_string(row + 1) + ". " + kRecordName[row] + ": " + program + ", " + from + "\n";
    };
    const auto fix = [](int row, std::string folder) {  // the record's own key, written out in world.h
        return "      reg add \"HKLM\\" + std::string(kRecords[row].keyPath) + "\" /v " + kRecords[row].valueName +
               " /t REG_SZ /d \"" + folder + "\" /f /reg:32\n" + kTrusted;
    };
    const auto fixed = [&](int row, std::string folder, std::string from) {  // found in the folder, and its fix
        return found(row, folder + "\\" + kRecords[row].programSubpath, from) + fix(row, folder);
    };
    // A PC, and the report's section for it; its fix, applied, must make the launcher start the first program.
    const std::pair<std::function<void(World&)>, std::string> cases[] = {
        {[](World& w) { InstallRoots(w), w.Install(2, "%ProgramFiles%\\Halvorne\\KORVANT"), w.type = 2;  // roots unread
                        w.expanded["%ProgramFiles%\\Halvorne\\KORVANT"] = kHalvorne;
                        w.found.insert(kHalvorne + kR2Max); },
         fixed(2, kHalvorne, "from the value with %...% expanded") + searched},
        {[](World& w) { w.Install(3, "%K% "), w.type = 2, w.expanded["%K% "] = "C:\\K ", w.found.insert("C:\\K" + kR2);
                        w.Install(4, "c:\\k."), w.found.insert("c:\\k" + kR2); },  // the same program
         fixed(3, "C:\\K", trimmed) + searched},  // expanded, then trimmed
        {[](World& w) { w.Install(1, std::string("\0C:\\B\0\0", 7)), w.type = 7, w.found.insert("C:\\B" + kR2Max); },  // empty first
         fixed(1, "C:\\B", "from another string of the multi-string") + searched},
        {[](World& w) { w.Install(3, "C:\\" + std::string(236, 'k') + " "); },  // trimmed, 260 joined: not searched
         "   none found\n" + searched},
        {[](World& w) { w.Install(3, "C:\\K" + std::string(240, ' ')), w.found.insert("C:\\K" + kR2);
                        w.Install(2, "%" + std::string(240, 'N') + "%"), w.expanded["%" + std::string(240, 'N') + "%"] = "C:\\E";
                        w.found.insert("C:\\E" + kR2Max); },  // too long as they stand, searched in the form that fits
         fixed(2, "C:\\E", "from the value with %...% expanded") + fixed(3, "C:\\K", trimmed) + searched},
        {[](World& w) { w.Install(4, "\"C:\\KORVANT\\\\\" ."), w.found.insert("C:\\KORVANT\\" + kR2); },
         found(4, "C:\\KORVANT\\" + kR2, trimmed) + fix(4, "C:\\KORVANT\\\\\\\\") + searched},  // each \ doubled
        {[](World& w) { w.Install(3, "C:\\K "), w.Install(4, "C:\\K\x7F "), w.Install(5, "C:\\%K% ");
                        w.found.insert({"C:\\K" + kR2, "C:\\K\x7F" + kR2, "C:\\%K%" + kR1}); },
         fixed(3, "C:\\K", trimmed) + found(4, "C:\\K<0x7F>" + kR2, trimmed) + paste +
         found(5, "C:\\%K%" + kR1, trimmed) + paste + searched},  // DEL cannot be pasted; cmd expands %K%
        {[](World& w) { w.Install(5, "C:\\??\\K"), w.lostValueLetters = "U+0421 as ? U+0442 as ?", w.wideValue = u"C:\\Ст\\K";
                        w.wideProgram = 1, w.shortFolder = "C:\\CT~1\\K", w.found.insert("C:\\CT~1\\K" + kR1); },
         fixed(5, "C:\\CT~1\\K", "from the folder's short name") + searched},
        {[](World& w) { w.Install(5, "C:\\??\\K"), w.lostValueLetters = "U+0421 as ?", w.wideValue = u"C:\\Ст\\K", w.wideProgram = 2; },
         found(5, "C:\\??\\K" + kR1, "from the value read in UTF-16") + "      no value can help: code page 932 cannot "
         "spell its folder, which has no short name it can; install KORVANT into a folder named in letters of that code "
         "page, or set the system locale to one that has them\n" + kTrusted + searched},
        {[](World& w) { InstallRoots(w), w.Install(5, ""), w.openErrors[kRecords[5].keyPath] = 5; },
         found(5, kHalvorne + kR1, root) + "      kdnclaunch would not take it even so: its record cannot be read as "
         "it stands (see above)\n" + kTrusted + roots + "4\n"},
        {[](World& w) { InstallRoots(w), w.Install(3, "C:\\Old"), w.unreadable.insert(kPf86 + "\\Halvorne\\Other");
                        w.found.insert(kHalvorne + kR2); },  // two programs: R2's record, with a key, over R2 Basic
         fixed(5, kHalvorne, root) + fixed(3, kHalvorne, root) + roots + "4, 1 not readable and skipped\n"},
        {[](World& w) { InstallRoots(w), w.Install(2, "%X%"), w.type = 2, w.expanded["%X%"] = "",
                        w.expanded["%ProgramFiles%"] = "\\\\server\\share", w.tick = 5000; },  // expands to nothing
         "   none found\n" + roots + "1; stopped at its bound, so not everywhere\n"},  // 10 s on the next
        {[](World& w) { w.Elsewhere(ElsewhereKey(Where::kView64, 0), 0, "C:\\DNC"), w.found.insert("C:\\DNC\\kdnc.exe"); },
         fixed(0, "C:\\DNC", "from the record in the 64-bit view") + searched},
        {[](World& w) { w.Elsewhere(ElsewhereKey(Where::kUser, 1), 1, "C:\\K2 "), w.found.insert("C:\\K2" + kR2Max); },
         fixed(1, "C:\\K2", "from the record under HKEY_CURRENT_USER") + searched},  // trimmed, as a record's own
        {[](World& w) { w.Install(3, "C:\\Old"), w.readErrors[kRecords[3].keyPath] = 2;  // a key without its value
                        w.Elsewhere(ElsewhereKey(Where::kStore, 3), 3, "%K%", 2), w.expanded["%K%"] = "C:\\K";
                        w.Elsewhere(ElsewhereKey(Where::kUser, 0), 0, std::string("C:\\DNC\0", 8), 4);
                        w.found.insert({"C:\\K" + kR2, "C:\\DNC\\kdnc.exe"}); },  // record 1's a number: not searched
         fixed(3, "C:\\K", "from the record in this account's VirtualStore") + searched},
    };
    CheckSetting notVirtualized = kSetting;  // so that the VirtualStore is read too
    notVirtualized.virtualized = false;
    for (const auto& [script, lines] : cases) {
        SCOPED_TRACE(lines);
        World scripted = {kFull + "C:\\NC\\a.nc]", {}, {"C:\\NC\\a.nc"}};
        script(scripted);
        const Checked checked = RunCheck(scripted, notVirtualized);
        EXPECT_EQ(checked.Lines("\nWhere kdnc.exe is", "\n\n"), "Where kdnc.exe is, beyond what kdnclaunch reads:\n" + lines);
        // The JSON's first find and its fix, as the text gives them.
        const std::size_t at = lines.find(": ") + 2, fix = lines.find("reg add");
        const std::string program = lines.substr(at, lines.find(", ", at) - at);
        std::string found = "\"found\":[{\"record\":" + lines.substr(3, 1) + ",\"program\":\"" + Escaped(program);
        for (const auto& [phrase, word] : {std::pair("expanded\n", "expanded"), {"quotes\n", "trimmed"}, {"string\n",
                 "otherString"}, {"name\n", "shortName"}, {"UTF-16\n", "lostLetters"}, {"root\n", "installRoot"}, {"view\n", "view64"},
                 {"HKEY_CURRENT_USER\n", "currentUser"}, {"VirtualStore\n", "virtualStore"}})
            found += lines.find(phrase) < lines.find("\n   ") ? std::string("\",\"from\":\"") + word : "";
        EXPECT_EQ(checked.json.find(found) == std::string::npos, lines.find("   none found") == 0) << checked.json;
        EXPECT_EQ(checked.json.find("\\u007F\",\"fix\":null,") != std::string::npos, lines.find("cmd would not take") != std::string::npos);
        const std::string record = lines.substr(3, 1) + lines.substr(5, lines.find(": ") - 5);  // "3 R2 Max"
        const bool fixed = fix == lines.find('\n') + 7;  // the first program has a fix
        const std::string leads = fixed ? "\", fix record " + record + " (" : "\", which no record can lead to (";
        EXPECT_TRUE(lines.find("   none found") == 0 ||
                    checked.LastLine().find("; kdnc.exe is at \"" + program + leads) != std::string::npos);
        if (!fixed)
            continue;
        const std::size_t folder = lines.find("/d \"") + 4;
        std::string value = lines.substr(folder, lines.find("\" /f", folder) - folder);
        value.erase(value.size() - (value.size() - value.find_last_not_of('\\') - 1) / 2);  // backslashes halved
        // Applied as written, the fix leads the launcher's own run to that program.
        world = scripted;
        world.Install(std::stoi(lines.substr(3, 1)) - 1, value);
        world.type = 1, world.openErrors.clear(), world.readErrors.clear();
        RunLauncher(kWorld);
        EXPECT_EQ(world.outcome, "ShellExecuteA(0, open, " + program + ", \"C:\\NC\\a.nc\", null, 5)");
    }
}

// The search stops at its bound in folders read, and the JSON is whole or not written at all.
TEST(SearchDncPrograms, StaysWithinItsBounds)
{
    World scripted;
    scripted.expanded = {{"%ProgramW6432%", "C:\\PF"}, {"%ProgramFiles%", kPf86}};  // an empty root first
    for (int i = 0; i < kMostFoldersRead; ++i) {
        const std::string vendor = kPf86 + "\\V" + std::to_string(i);
        scripted.folders[kPf86].push_back({"V" + std::to_string(i), true});
        if (i <= kMostFound)  // one program more than are kept
            scripted.folders[vendor] = {{"kdnc.exe", false}}, scripted.found.insert(vendor + "\\kdnc.exe");
    }
    const Checked checked = RunCheck(scripted);
    EXPECT_EQ(checked.report.find("   1. DNC: " + kPf86 + "\\V7\\kdnc.exe, under"),
              checked.report.rfind("   1. DNC: "));
    EXPECT_NE(checked.json.find("\"roots\":[\"C:\\\\PF\",\"" + Escaped(kPf86) + "\"],\"foldersRead\":20000,\"foldersDenied\":0,"
                                "\"stopped\":true}"), std::string::npos);
    EXPECT_NE(checked.json.find("\"replacerCount\":0},{\"record\":1,\"program\":\"" + Escaped(kPf86) + "\\\\V7\\\\kdnc.exe\",\"from\":"
                                "\"installRoot\",\"folder\":\"" + Escaped(kPf86) + "\\\\V7\",\"fix\":\"reg add "), std::string::npos);
    static CheckReading reading;
    ReadCheck(RecordedCalls, kSetting, reading);
    static char text[65536];
    for (const std::size_t capacity : {checked.json.size(), checked.json.size() + 1}) {
        ReportText json = {text, capacity, 0, 0};
        EXPECT_EQ(WriteCheckJson(reading, kSetting, kCheckWorld, json), capacity > checked.json.size());
        EXPECT_EQ(std::string(text, json.length), capacity > checked.json.size() ? checked.json : "");
    }
}

} // namespace

// The JSON for two worlds, field by field, beside the text's own words for the same facts.
TEST(WriteCheckJson, SaysWhatTheTextSays)
{
    World run = {kFull + "C:\\NC\\a.nc]", {}, {"C:\\NC\\a.nc", "C:\\P\\KorvR2\\KDNC\\kdnc.exe"}};
    run.Install(1, std::string(236, 'd')), run.Install(2, "%P%\\x"), run.Install(3, "C:\\P"), run.type = 2;
    const std::string view = kInstallKeyAccess == 1 ? "wow64" : "wow64_32key", expected[] = {
        R"({"format":1,"check":"","runBy":{"user":"PC\\op","session":1,"elevated":false,"virtualized":true,"service":false},"currentFolder":"C:\\Work","codePage":932,"registryView":")" + view + R"(","records":[)"
        R"({"record":1,"name":"DNC","key":"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{4D81C2A7-3E95-4B06-8F1A-9C27E5B3D640}","valueName":"InstallLocation","outcome":"noKey","error":null,"errorText":null,"type":null,"size":null,"value":null,"lostLetters":null,"lostCodePoints":null,"program":null,"searchedAs":null,"elsewhere":[],"notes":[]},)"
        R"({"record":2,"name":"R2 Max uninstall","key":"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E6A3F519-0B72-4C8D-9D45-71B8C02F6A93}","valueName":"InstallLocation","outcome":"tooLong","error":null,"errorText":null,"type":2,"size":236,"value":")" + std::string(236, 'd') + R"(","lostLetters":null,"lostCodePoints":null,"program":")" + std::string(236, 'd') + R"(/KorvR2max\\KDNC\\kdnc.exe","searchedAs":null,"elsewhere":[],"notes":["notExpanded"]},)"
        R"({"record":3,"name":"R2 Max","key":"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Max\\Install Information","valueName":"Path","outcome":"absent","error":null,"errorText":null,"type":2,"size":5,"value":"%P%\\x","lostLetters":null,"lostCodePoints":null,"program":"%P%\\x\\KorvR2max\\KDNC\\kdnc.exe","searchedAs":"C:\\Work\\%P%\\x\\KorvR2max\\KDNC\\kdnc.exe","elsewhere":[],"notes":["notExpanded","relative"]},)"
        R"({"record":4,"name":"R2","key":"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information","valueName":"Path","outcome":"taken","error":null,"errorText":null,"type":2,"size":4,"value":"C:\\P","lostLetters":null,"lostCodePoints":null,"program":"C:\\P\\KorvR2\\KDNC\\kdnc.exe","searchedAs":"C:\\Work\\C:\\P\\KorvR2\\KDNC\\kdnc.exe","elsewhere":[],"notes":["notExpanded"]},)"
        R"({"record":5,"name":"R2 Basic","key":"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Basic\\Install Information","valueName":"Path","outcome":"notTried","error":null,"errorText":null,"type":null,"size":null,"value":null,"lostLetters":null,"lostCodePoints":null,"program":null,"searchedAs":null,"elsewhere":[],"notes":[]},)"
        R"({"record":6,"name":"R1","key":"SOFTWARE\\Halvorne, Incorporated\\KORVANT R1\\Install Information","valueName":"Path","outcome":"notTried","error":null,"errorText":null,"type":null,"size":null,"value":null,"lostLetters":null,"lostCodePoints":null,"program":null,"searchedAs":null,"elsewhere":[],"notes":[]}],)"
        R"("window":{"title":"Predator CNC Editor for KORVANT - [C:\\NC\\a.nc]","lostLetters":null,"lostCodePoints":null},"document":{"path":"C:\\NC\\a.nc","outcome":"present"},"verdict":{"exitCode":0,"start":"C:\\P\\KorvR2\\KDNC\\kdnc.exe","parameters":"\"C:\\NC\\a.nc\"","warning":null,"trusted":false,"securityRead":false,"unreadPath":"%P%\\x\\KorvR2max\\KDNC\\kdnc.exe","securityError":null,"replacers":[],"replacerCount":0},"search":{"ran":false,"roots":[],"foldersRead":0,"foldersDenied":0,"stopped":false},"found":[],"fixRun":null})",
        R"({"format":1,"check":"","runBy":{"user":"PC\\op","session":1,"elevated":false,"virtualized":true,"service":false},"currentFolder":"C:\\Work","codePage":932,"registryView":")" + view + R"(","records":[)"
        R"({"record":1,"name":"DNC","key":"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{4D81C2A7-3E95-4B06-8F1A-9C27E5B3D640}","valueName":"InstallLocation","outcome":"empty","error":null,"errorText":null,"type":1,"size":0,"value":"","lostLetters":"U+0416 as ? U+00C9 as E","lostCodePoints":[1046,201],"program":null,"searchedAs":null,"elsewhere":[],"notes":[]},)"
        R"({"record":2,"name":"R2 Max uninstall","key":"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E6A3F519-0B72-4C8D-9D45-71B8C02F6A93}","valueName":"InstallLocation","outcome":"valueTooLong","error":null,"errorText":null,"type":1,"size":300,"value":null,"lostLetters":null,"lostCodePoints":null,"program":null,"searchedAs":null,"elsewhere":[],"notes":[]},)"
        R"({"record":3,"name":"R2 Max","key":"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Max\\Install Information","valueName":"Path","outcome":"absent","error":null,"errorText":null,"type":1,"size":5,"value":"C:\\\u009F\\","lostLetters":"U+0416 as ? U+00C9 as E","lostCodePoints":[1046,201],"program":"C:\\\u009F\\KorvR2max\\KDNC\\kdnc.exe","searchedAs":"C:\\Work\\C:\\\u009F\\KorvR2max\\KDNC\\kdnc.exe","elsewhere":[],"notes":["trailByteSeparator"]},)"
        R"({"record":4,"name":"R2","key":"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information","valueName":"Path","outcome":"keyNotOpened","error":5,"errorText":"Access is denied.","type":null,"size":null,"value":null,"lostLetters":null,"lostCodePoints":null,"program":null,"searchedAs":null,"elsewhere":[],"notes":[]},)"
        R"({"record":5,"name":"R2 Basic","key":"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Basic\\Install Information","valueName":"Path","outcome":"valueNotRead","error":5,"errorText":"Access is denied.","type":null,"size":null,"value":null,"lostLetters":null,"lostCodePoints":null,"program":null,"searchedAs":null,"elsewhere":[],"notes":[]},)"
        R"({"record":6,"name":"R1","key":"SOFTWARE\\Halvorne, Incorporated\\KORVANT R1\\Install Information","valueName":"Path","outcome":"noValue","error":null,"errorText":null,"type":null,"size":null,"value":null,"lostLetters":null,"lostCodePoints":null,"program":null,"searchedAs":null,"elsewhere":[],"notes":[]}],)"
        R"("window":{"title":null,"lostLetters":null,"lostCodePoints":null},"document":{"path":null,"outcome":"none"},"verdict":{"exitCode":1,"start":null,"parameters":null,"warning":"Error: Cannot find KORVANT DNC","trusted":null,"securityRead":null,"unreadPath":null,"securityError":null,"replacers":[],"replacerCount":0},"search":{"ran":true,"roots":[],"foldersRead":0,"foldersDenied":0,"stopped":false},"found":[],"fixRun":null})"};
    for (int i = 0; i < 2; ++i) {
        std::string json = RunCheck(i == 0 ? run : Mixed()).json;
        const std::size_t version = json.find("\"check\":\"") + 9;
        EXPECT_EQ(json.erase(version, json.find('"', version) - version), expected[i] + "\n");
    }
}
