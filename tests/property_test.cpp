// Random worlds through the recording table and the report, in the manner of QuickCheck: seeded, each failure
// names the seed that replays its world alone. KDNC_SEED=N KDNC_WORLDS=1 replays one; KDNC_WORLDS=200000 soaks.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <random>

#include "world.h"

namespace {

struct Generator {
    std::mt19937_64 bits;  // its output is the same on every platform, unlike the standard distributions
    unsigned Below(unsigned n) { return static_cast<unsigned>(bits() % n); }
    // Path letters mostly, then control bytes, DEL, high bytes, brackets, quotes and zero bytes.
    std::string Bytes(std::size_t most)
    {
        static const std::string kPathLetters = "C:\\/ ab.%]\"";
        const std::size_t length = Below(2) ? Below(9) : Below(static_cast<unsigned>(most) + 1);
        std::string bytes;
        for (std::size_t i = 0; i < length; ++i) {
            const unsigned kind = Below(8);
            bytes += kind < 4 ? kPathLetters[Below(static_cast<unsigned>(kPathLetters.size()))]
                     : kind == 4 ? char(Below(0x20)) : kind == 5 ? '\x7F' : kind == 6 ? char(0x80 + Below(0x80)) : 'x';
        }
        return bytes;
    }
};

// Folders the search may be led to: whole, in another case, ending in two backslashes, DEL or a letter of code page
// 932 whose second byte is a backslash's and a backslash, relative, on a share, on a removable drive, and a vendor's
// folder under the install root C:\PF.
const std::string kFolders[] = {"C:\\K", "c:\\k", "C:\\K\\\\", "C:\\K\x7F", "C:\\\x95\\\\", "Apps\\K", "\\\\srv\\K", "R:\\K",
                                "C:\\PF\\V"};
const int kFolderCount = static_cast<int>(std::size(kFolders));

struct Scenario {
    World world;
    CheckSetting setting;
    std::size_t capacity;
    std::optional<std::string> given;  // a title from the command line
};

Scenario MakeScenario(std::uint64_t seed)
{
    Generator g{std::mt19937_64(seed)};
    Scenario s = {{}, kSetting, 65536, std::nullopt};
    const std::string document = g.Below(4) ? g.Bytes(300) : std::string(g.Below(231), '\x7F');  // DEL: 6 shown
    const std::string title = (g.Below(4) ? kFull : "") + document + (g.Below(2) ? "]" : "");
    if (g.Below(4) == 0)
        s.given = title;
    else if (g.Below(6))
        s.world.title = title;
    if (g.Below(2))
        s.world.found.insert(document.substr(0, document.find(']')));
    s.world.message = g.Below(8) ? kMessage : g.Below(2) ? g.Bytes(499) : std::string(g.Below(500), '\x7F');
    s.world.type = g.Below(13), s.world.lostValueLetters = g.Below(4) ? "" : g.Bytes(100);  // one draw after another
    s.world.lostTitleLetters = g.Below(4) ? "" : g.Bytes(100), s.world.errorText = g.Bytes(300);
    for (int row = 0; row < 6; ++row) {
        if (g.Below(3) == 0)
            continue;
        const std::string value = g.Below(3) ? g.Bytes(300) : std::string(g.Below(261), '\x7F');
        s.world.Install(row, value);
        if (g.Below(6) == 0)
            (g.Below(2) ? s.world.openErrors : s.world.readErrors)[kRecords[row].keyPath] = g.Below(2) ? 5 : 1018;
        char joined[2 * MAX_PATH] = {};
        value.substr(0, 260).copy(joined, 260);
        if (joined[0] && g.Below(3)) {
            AppendPathSeparator(joined);
            s.world.found.insert(joined + std::string(kRecords[row].programSubpath));
        }
    }
    // The search led on: values naming those folders, with blanks, dots or a quote after them or as a %...% name,
    // each read in UTF-16 too; programs of every record in some; C:\PF, the install root. One draw a statement.
    for (int n = g.Below(7); n > 0; --n) {
        const std::string folder = kFolders[g.Below(kFolderCount)], value = folder + std::string(" .\"").substr(g.Below(4));
        const int row = g.Below(6);
        s.world.Install(row, g.Below(3) ? value : "%F" + value), s.world.expanded["%F" + value] = value;
        for (const DncCandidate& record : kRecords) {
            char joined[2 * MAX_PATH];
            JoinProgram(kFolders[g.Below(kFolderCount)].c_str(), record.programSubpath, joined);
            s.world.found.insert(joined);
        }
    }
    s.world.wideAsValue = true, s.world.wideProgram = g.Below(3), s.world.shortFolder = kFolders[g.Below(kFolderCount)];
    s.world.expanded["%ProgramFiles%"] = "C:\\PF", s.world.folders["C:\\PF"] = {{"V", true}};
    s.world.folders["C:\\PF\\V"] = {{"KorvR2", true}, {"kdnc.exe", false}, {"korvr1", true}, {"KORVR2MAX", true}};
    CopyText(s.setting.user, sizeof s.setting.user, g.Bytes(255).c_str());
    CopyText(s.setting.currentFolder, sizeof s.setting.currentFolder, g.Bytes(259).c_str());
    s.setting.session = g.Below(3), s.setting.wow64 = g.Below(2), s.setting.virtualized = g.Below(2);
    s.setting.system = g.Below(2), s.setting.elevated = g.Below(2), s.capacity = g.Below(3) ? 65536 : 2300 + g.Below(6000);
    for (int row = 0; row < 6; ++row) {  // where kdnclaunch does not read the record: any bytes, any type, any error
        const std::string key = ElsewhereKey(Where(g.Below(3)), row);
        if (g.Below(3) == 0)
            s.world.elsewhere[key] = {g.Below(8) ? kRecords[row].valueName : "Other", g.Bytes(300), g.Below(13)};
        if (g.Below(8) == 0)
            (g.Below(2) ? s.world.elsewhereErrors : s.world.readErrors)[key] = g.Below(2) ? 5 : 1018;
    }
    return s;
}

// A command line as CommandLineToArgvW splits it past the program's name: 2n backslashes and a quote are n
// backslashes and a quote that opens or closes a quoted part, 2n+1 are n and a literal quote; other backslashes
// are as they are; blanks outside quotes part the words. A letter of code page 932 is one character, whatever
// its second byte.
std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i <= line.size(); ++i) {  // one step past the end, to part the last word
        const std::size_t slashes = line.find_first_not_of('\\', i) == std::string::npos ? line.size() - i
                                    : line.find_first_not_of('\\', i) - i;
        const bool quote = (i += slashes) < line.size() && line[i] == '"';
        word.append(quote ? slashes / 2 : slashes, '\\'), any = any || slashes > 0 || quote;
        const unsigned char lead = i + 1 < line.size() ? static_cast<unsigned char>(line[i]) : 0;
        if (quote && slashes % 2)
            word += '"';
        else if (quote)
            quoted = !quoted;
        else if ((lead >= 0x81 && lead <= 0x9F) || lead >= 0xE0)
            word += line.substr(i++, 2), any = true;
        else if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t')))
            word += line[i], any = true;
        else if (any)
            words.push_back(word), word.clear(), any = false;
    }
    return words;
}

// Whether the folder, written into the record as reg add writes it, leads the launcher's own run to the program.
bool Leads(const Scenario& s, int row, const char* folder, const char* program)
{
    world = s.world;
    if (s.given)
        world.title = s.given->substr(0, 259);
    if (row >= 0)  // none: the world as it is
        world.Install(row, folder), world.readErrors.erase(kRecords[row].keyPath);  // a key it cannot open stays so
    RunLauncher(kWorld);
    return world.outcome.rfind("ShellExecuteA(0, open, " + std::string(program) + ", ", 0) == 0;
}

// Whole, on a local fixed drive: the world's R: is removable, \\ a share.
bool LocalWhole(const std::string& path) { return path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/') && path[0] != 'R'; }

// The remedy's promises in one world, from its whole check: the first broken, or none.
std::string BrokenRemedy(const Scenario& s, const Checked& c)
{
    std::set<std::string> programs;
    std::size_t line = c.report.find("\nWhere kdnc.exe is"), fixes = 0;
    bool proven = false;
    for (const FoundProgram& found : std::vector<FoundProgram>(c.search.found, c.search.found + c.search.count)) {
        std::string folded = found.program, folder = found.folder;
        for (char& letter : folded)
            letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        if (!programs.insert(folded).second)
            return "a program twice, case aside";
        if (found.proven && !LocalWhole(folder))
            return "a fix folder not whole on a local fixed drive";
        const char* subpath = kRecords[found.row].programSubpath;
        for (int row = 0; row < 6; ++row)  // the record of a fix leads there; none of the subpath's does without one
            if ((row == found.row || !found.proven) && !folder.empty() && subpath == kRecords[row].programSubpath &&
                Leads(s, row, found.folder, found.program) != found.proven)
                return found.proven ? "a fix that does not lead there" : "a record that would lead there unused";
        proven = proven || found.proven;
        if (!found.proven || std::any_of(folder.begin(), folder.end(), [](unsigned char c) { return c < 32 || c == 127 || c == '"'; }))
            continue;  // only a fix that can be pasted as printed is printed
        ++fixes, line = c.report.find("\n      reg add ", line + 1);
        const std::vector<std::string> words = {"reg", "add", "HKLM\\" + std::string(kRecords[found.row].keyPath), "/v",
            kRecords[found.row].valueName, "/t", "REG_SZ", "/d", folder, "/f", "/reg:32"};
        if (line == std::string::npos || Split(c.report.substr(line + 1, c.report.find('\n', line + 1) - line - 1)) != words)
            return "a fix line that splits wrong";
    }
    if (c.report.find("\n      reg add ", line + 1) != std::string::npos)
        return "a fix line for no proven fix";
    for (std::size_t at = 0; (at = c.json.find("\"fix\":\"reg add ", at + 1)) != std::string::npos;)
        fixes -= 1;
    if (fixes != 0)
        return "the JSON's fix lines are not the text's";
    // The check's own string table holds the warning: no other is so short as to leave room for the fix.
    if (s.world.message == kMessage && proven != (c.LastLine().find("\", fix record ") != std::string::npos))
        return "the last line does not name the proven fix";
    for (const std::string& path : c.asked)
        if (!LocalWhole(path))
            return "a search call off the local fixed drives: " + path;
    return "";
}

// The properties every world must keep; each names what broke.
void CheckWorld(std::uint64_t seed)
{
    const Scenario s = MakeScenario(seed);
    const char* given = s.given ? s.given->c_str() : nullptr;
    const Checked checked = RunCheck(s.world, s.setting, s.capacity, given, given ? "" : nullptr);
    const Checked whole = RunCheck(s.world, s.setting, 65536, given, given ? "" : nullptr);
    Leads(s, -1, "", "");
    EXPECT_EQ(checked.verdict, world.outcome.rfind("MessageBoxA(", 0) == 0) << "the verdict is not the launcher's";
    EXPECT_EQ(BrokenRemedy(s, whole), "");
    const std::string last = checked.LastLine();
    EXPECT_LE(last.size() - 1, 2048u) << "the last line passes 2,048 characters";
    EXPECT_EQ(last.rfind(checked.verdict ? "kdnclaunch would show the warning: " : "kdnclaunch would start: ", 0), 0u);
    EXPECT_EQ(last, whole.LastLine()) << "the verdict is not whole in its storage";
    for (const char c : checked.report)
        ASSERT_TRUE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F || c == '\n') << "a raw control byte";
    for (const char c : whole.json)
        ASSERT_TRUE(c >= 0x20 && c < 0x7F || c == '\n') << "JSON not in printable ASCII";
    EXPECT_NE(whole.json.find("\"verdict\":{\"exitCode\":" + std::to_string(checked.verdict)), std::string::npos);
    // Each record's words in the JSON are the text's: a phrase in its lines, a word in its object.
    const std::pair<const char*, const char*> same[] = {{"no such key", "noKey"}, {"key not opened", "keyNotOpened"},
        {"no such value", "noValue"}, {"value not read", "valueNotRead"}, {"too long for kdnclaunch", "valueTooLong"},
        {": skipped, it names no folder", "\"empty"}, {"(too long: ", "tooLong"}, {"(absent)", "\"absent"},
        {"(present: taken)", "taken"}, {"not tried: ", "notTried"}, {"is not expanded", "notExpanded"},
        {"only its first string", "firstStringOnly"}, {"up to the first zero byte", "readAsBytes"},
        {"its last byte 0x5C", "trailByteSeparator"}, {"relative: searched as", "\"relative"},
        {"also in the 64-bit view", "\"view64\""}, {"also under HKEY_CURRENT_USER", "\"currentUser\""},
        {"also in this account's VirtualStore", "\"virtualStore\""}, {"      value:   \"", "\"read\""}};
    for (const auto& [phrase, word] : {std::pair("Document: none\n", "\"outcome\":\"none\"},"), {"not the editor's",
             "\"notEditor\""}, {"(absent: DNC", "\"absent\"},"}, {"(present)\n", "\"present\""}, {"handed over", "\"quoted\""},
             {"Run as a service", "\"service\":true"}, {"its only view", "\"registryView\":\"only\""}})
        EXPECT_EQ(whole.report.find(phrase) != std::string::npos, whole.json.find(word) != std::string::npos) << word;
    for (int row = 1; row <= 6; ++row) {
        const std::size_t text = whole.report.find("\n" + std::to_string(row) + ". "), json = whole.json.find(
            "{\"record\":" + std::to_string(row) + ",");
        const std::string lines = whole.report.substr(text, whole.report.find("\n\n", text) - text);
        const std::string object = whole.json.substr(json, whole.json.find("]}", json) - json);
        for (const auto& [phrase, word] : same)
            EXPECT_EQ(lines.substr(0, lines.find('\n' + std::to_string(row + 1) + ". ")).find(phrase) != std::string::npos,
                      object.find(word) != std::string::npos) << row << ": " << phrase;
    }
    const std::string cut = "\n(the report was cut here: it did not fit its storage)\n\n";
    const std::size_t notice = checked.report.find(cut);
    if (notice == std::string::npos)
        EXPECT_EQ(checked.report, whole.report) << "cut without notice";
    else  // a text cut for room ends in "...", or what fitted of it
        EXPECT_TRUE(whole.report.rfind(checked.report.substr(0, checked.report.find_last_not_of('.', notice - 1) + 1),
                                       0) == 0 && whole.report.size() > notice + last.size())
            << "a notice where nothing was cut";
    std::size_t at = 0;
    for (const char* heading : {"kdnclaunch-check ", "\nRun by: ", "\nCurrent folder: ", "\nCode page: ", "\nRegistry: ",
                                "\n\nThe install records", "\n1. DNC: ", "\n2. R2 Max uninstall: ", "\n3. R2 Max: ",
                                "\n4. R2: ", "\n5. R2 Basic: ", "\n6. R1: ", "\n\nWindow in front: ", "\nDocument: ",
                                "\nParameters: "}) {
        const std::size_t found = whole.report.find(heading, at);
        EXPECT_NE(found, std::string::npos) << "heading out of order: " << heading;
        at = found == std::string::npos ? at : found;
    }
}

// Each promise of the remedy, broken by hand in the check of a world that keeps them all, is caught.
TEST(CheckProperties, CatchEachBrokenRemedy)
{
    Scenario s = {{kFull + "C:\\NC\\a.nc]", {}, {"C:\\NC\\a.nc", "C:\\K\\\\KorvR2\\KDNC\\kdnc.exe"}}, kSetting, 65536, {}};
    s.world.Install(3, "C:\\K\\\\ ");  // the fix's folder ends in two backslashes
    const Checked good = RunCheck(s.world);
    const std::string line = "/d \"C:\\K\\\\\\\\\" /f";
    const std::pair<std::function<void(Checked&)>, std::string> cases[] = {
        {[](Checked&) {}, ""},
        {[&](Checked& c) { c.report.replace(c.report.find(line), line.size(), "/d \"C:\\K\\\\\\\" /f"); }, "a fix line that splits wrong"},
        {[](Checked& c) { CopyText(c.search.found[0].folder, MAX_PATH, "K\\"); }, "a fix folder not whole on a local fixed drive"},
        {[](Checked& c) { c.search.found[0].program[0] = 'D'; }, "a fix that does not lead there"},
        {[](Checked& c) { c.search.count = 0; }, "a fix line for no proven fix"},
        {[](Checked& c) { c.json.clear(); }, "the JSON's fix lines are not the text's"},
        {[](Checked& c) { c.search.found[0].proven = false; }, "a record that would lead there unused"},
        {[](Checked& c) { c.search.found[1] = c.search.found[0], c.search.found[1].program[0] = 'c', ++c.search.count; },
         "a program twice, case aside"},
        {[](Checked& c) { c.report.replace(c.report.rfind("\", fix record"), 5, "\", "); }, "the last line does not name the proven fix"},
        {[](Checked& c) { c.asked.push_back("\\\\srv\\K"); }, "a search call off the local fixed drives: \\\\srv\\K"},
    };
    for (const auto& [doctor, broken] : cases) {
        Checked c = good;
        doctor(c);
        EXPECT_EQ(BrokenRemedy(s, c), broken);
    }
}

TEST(CheckProperties, HoldInRandomWorlds)
{
    const char *seed = std::getenv("KDNC_SEED"), *count = std::getenv("KDNC_WORLDS");
    const std::uint64_t first = seed ? std::strtoull(seed, nullptr, 10) : 20261208;
    const std::uint64_t worlds = count ? std::strtoull(count, nullptr, 10) : 1500;
    for (std::uint64_t n = first; n < first + worlds && !HasFailure(); ++n) {
        SCOPED_TRACE("replay with KDNC_SEED=" + std::to_string(n) + " KDNC_WORLDS=1");
        CheckWorld(n);
    }
}

} // namespace
