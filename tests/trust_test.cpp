// Who can replace the program kdnclaunch would start, or a kdnc.exe found: each right, where it is held, and who is
// left out; what Wine cannot show (other owners, deny and inherit-only entries, groups, a check not elevated) too.
#include <functional>

#include "world.h"

namespace {

const std::string kProgram = "C:\\K\\KorvR2\\KDNC\\kdnc.exe", kOwn = "C:\\K\\KorvR2\\KDNC", kUp = "C:\\K\\KorvR2";
const SecurityAccount kSystem = {"SYSTEM", AccountKind::kTrusted}, kUsers = {"Users", AccountKind::kAnyone},
                      kEveryone = {"Everyone", AccountKind::kAnyone}, kBob = {"PC\\bob", AccountKind::kOther},
                      kOp = {"PC\\op", AccountKind::kRunning};
const std::string kKey = "HKLM\\SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information";  // record 4's
const std::string kVendor = "HKLM\\SOFTWARE\\Halvorne, Incorporated";
const std::string kPlantsR2Max = ", planting kdnc.exe where record 3 R2 Max leads, which is tried first";
const std::string kPlants = ", planting kdnc.exe where record 1 DNC leads, which is tried first";
const std::string kRemedy = "   trusted once only SYSTEM, the administrators and TrustedInstaller can change it: remove the rights "
                            "named above, or install kdnc.exe under Program Files\n";

PathSecurity Security(SecurityAccount owner, std::vector<AccessEntry> entries)
{
    PathSecurity security = {owner, static_cast<int>(entries.size()), {}};
    std::copy(entries.begin(), entries.end(), security.entries);
    return security;
}
AccessEntry Allow(SecurityAccount account, std::uint32_t mask) { return {true, false, mask, account}; }
AccessEntry Deny(SecurityAccount account, std::uint32_t mask) { return {false, false, mask, account}; }

std::string Anyone(const std::string& what) { return "   not trusted: anyone who logs on can replace kdnc.exe: " + what + "\n"; }
std::string Other(const std::string& what)
{ return "   not trusted: an account beside SYSTEM, the administrators and TrustedInstaller can replace kdnc.exe: " + what + "\n"; }

std::string Linked(const std::string& path)
{
    return "   not trusted: the security of " + path + " could not be read: it is a link or another reparse point (a "
           "junction, symbolic link, mount point or placeholder), which may lead elsewhere\n   trusted once no link or "
           "other reparse point is on its path: install kdnc.exe in real folders and write their install folder into "
           "the record\n";
}

using Script = std::function<void(World&, CheckSetting&)>;
Script On(const std::string& path, PathSecurity security) { return [=](World& w, CheckSetting&) { w.security[path] = security; }; }
Script Then(Script first, Script second) { return [=](World& w, CheckSetting& s) { first(w, s), second(w, s); }; }
const Script kElevated = [](World&, CheckSetting& s) { s.elevated = true; };
Script Reparse(const std::string& path, std::uint32_t tag)
{
    PathSecurity security = Security(kSystem, {});
    security.reparsePoint = true, security.reparseTag = tag;
    return On(path, security);
}

// A PC where record 4 leads to C:\K; a script of security, the lines under the program and the last line's end.
TEST(ReadProgramTrust, NamesWhoCanReplaceTheProgram)
{
    const std::string brief = "; not trusted: anyone who logs on can replace it";
    const std::string linked = "; not trusted: a link is on its path";
    const std::string unread = "; not trusted: its security could not be read", once = "   trusted once its security can be "
        "read: run this check as an administrator, or install kdnc.exe under Program Files on a fixed local drive\n";
    const std::tuple<Script, std::string, std::string> cases[] = {
        {On(kProgram, Security(kSystem, {Allow(kUsers, 0x1201E9)})), kTrustedLine, ""},  // read, attributes, delete child
        {On(kUp, Security(kSystem, {Allow(kUsers, 0x1201BF)})), kTrustedLine, ""},  // creating above plants nothing
        {On("C:\\", Security(kSystem, {Allow(kEveryone, 0x40)})), Anyone("Everyone may delete or rename what is in C:\\") + kRemedy, brief},
        // Who is left out: the trusted accounts, and the account running the check as an administrator.
        {On(kProgram, Security({"NT SERVICE\\TrustedInstaller", AccountKind::kTrusted}, {Allow({"Administrators",
            AccountKind::kTrusted}, 0x1F01FF), Allow(kSystem, 0x1F01FF)})), kTrustedLine, ""},
        {Then(On(kProgram, Security(kSystem, {Allow(kOp, 0x1F01FF)})), kElevated), kTrustedLine, ""},
        {Then(On(kProgram, Security(kOp, {})), [](World&, CheckSetting& s) { s.system = true; }), kTrustedLine, ""},
        // Entries for what is created below, and deny entries: only one of the very account, before, takes rights back.
        {On(kProgram, Security(kSystem, {Deny(kUsers, 0x40000000), Allow(kUsers, 0x6)})), kTrustedLine, ""},
        {On(kProgram, Security(kSystem, {Allow(kUsers, 0x2), Deny(kUsers, 0x2)})), Anyone("Users may write " + kProgram) + kRemedy, brief},
        {On(kProgram, Security(kSystem, {Deny(kEveryone, 0x2), Allow(kUsers, 0x2)})), Anyone("Users may write " + kProgram) + kRemedy, brief},
        {On(kProgram, Security(kSystem, {{false, true, 0x2, kUsers}, Allow(kUsers, 0x2)})), Anyone("Users may write " + kProgram) + kRemedy, brief},
        // A record tried first that leads to no program: whoever can create it there is started instead.
        {[](World& w, CheckSetting&) { w.Install(0, "C:\\DNC"), w.Install(2, "C:\\M"), w.securityErrors["C:\\DNC"] = 2;
             w.securityErrors["C:\\M\\KorvR2max\\KDNC"] = 3, w.securityErrors["C:\\M\\KorvR2max"] = 2;
             w.security["C:\\"] = Security(kSystem, {Allow(kUsers, 0x4)});
             w.security["C:\\M"] = Security(kSystem, {Allow(kEveryone, 0x2)}); },  // files alone: no folder on the way
         Anyone("Users may create folders in C:\\" + kPlants) + kRemedy, brief},
        {[](World& w, CheckSetting&) { w.Install(0, "C:\\DNC"), w.security["C:\\DNC"] = Security(kSystem, {Allow(kUsers, 0x2)}); },
         Anyone("Users may create files in C:\\DNC" + kPlants) + kRemedy, brief},
        {[](World& w, CheckSetting&) { w.Install(0, "C:\\Old\\DNC"), w.securityErrors["C:\\Old\\DNC"] = 2;  // renamed aside
                                       w.security["C:\\Old"] = Security(kSystem, {Allow(kUsers, 0x10000)}); },
         Anyone("Users may delete or rename C:\\Old" + kPlants) + kRemedy, brief},
        {[](World& w, CheckSetting&) {  // the nearest folder that exists, and those above it
             w.Install(0, "D:\\A\\DNC"), w.securityErrors["D:\\A\\DNC"] = 2, w.security["D:\\"] = Security(kSystem,
                 {Allow({"Authenticated Users", AccountKind::kAnyone}, 0x10000)});
             w.security["D:\\A"] = Security(kSystem, {Allow(kUsers, 0x40000), Allow(kEveryone, 0x80000)}); },
         Anyone("Users may change the permissions of D:\\A" + kPlants) + "      Everyone may take ownership of D:\\A" +
         kPlants + "\n      Authenticated Users may delete or rename D:\\" + kPlants + "\n" + kRemedy, brief},
        {[](World& w, CheckSetting&) { w.Install(0, "\\\\srv\\DNC"); }, "   not trusted: the security of \\\\srv\\DNC\\kdnc.exe "
         "could not be read: it is not on a fixed local drive\n" + once, unread},
        // Each file beside the program, but for folders; a folder that cannot be listed is not vouched for.
        {[](World& w, CheckSetting&) { w.folders[kOwn] = {{"Plugins", true}, {"a.dll", false}, {"kdnc.dll", false}};
                                       w.security[kOwn + "\\kdnc.dll"] = Security(kSystem, {Allow(kUsers, 0x2)});
                                       w.security[kOwn + "\\Plugins"] = Security(kBob, {}); },
         Anyone("Users may write " + kOwn + "\\kdnc.dll") + kRemedy, brief},
        {[](World& w, CheckSetting&) { w.unreadable.insert(kOwn); }, "   not trusted: the security of " + kOwn +
         " could not be read: error 5, Access is denied.\n" + once, unread},
        // Reading record 4's key or making keys in it, or a value in the key above record 3's, replace nothing.
        {Then(On(kKey, Security(kSystem, {Allow(kEveryone, 0x20019 | 0x4)})), On(kVendor, Security(kSystem,
            {Allow(kEveryone, 0x2)}))), kTrustedLine, ""},
        {[](World& w, CheckSetting&) { w.securityErrors[kKey] = 5, w.Install(4, "C:\\B");  // record 5, not tried, unread
                                       w.security[kVendor + "\\KORVANT R2 Basic\\Install Information"] = Security(kBob, {}); },
         "   not trusted: the security of " + kKey + " could not be read: error 5, Access is denied.\n" + once, unread},
        // A reparse point is not read through, but a file Windows compressed or deduplicated, whose data stays its own.
        {Then(Reparse(kProgram, 0x80000017), Reparse(kOwn, 0x80000013)), kTrustedLine, ""},
        {Reparse(kUp, 0xA000000C), Linked(kUp), linked},        // a symbolic link
        {Reparse(kOwn, 0), Linked(kOwn), linked},               // of a kind untold, as Wine answers
        // Security that cannot be read: the nearest path unread is named, and who can replace it above.
        {[](World& w, CheckSetting&) { w.securityErrors[kProgram] = 1336, w.securityErrors[kOwn] = 5;
                                       w.security[kUp] = Security(kSystem, {Allow(kUsers, 0x10000)}); },
         "   not trusted: the security of " + kOwn + " could not be read: error 5, Access is denied.\n" +
         Anyone("Users may delete or rename " + kUp) + once, unread},
        // Each account once, one every user belongs to first, four at most and how many more.
        {[](World& w, CheckSetting&) {
             w.security[kOwn] = Security(kBob, {Allow({"PC\\carl", AccountKind::kOther}, 0x2), Allow(kBob, 0x2),
                                                Allow({"PC\\dave", AccountKind::kOther}, 0x4)});
             w.security[kUp] = Security(kBob, {Allow({"PC\\erin", AccountKind::kOther}, 0x40), Allow(kEveryone, 0x10000),
                                               Allow(kUsers, 0x10000)}); },
         Anyone("Everyone may delete or rename " + kUp) + "      PC\\bob owns " + kOwn + "\n      PC\\carl may create files in " +
         kOwn + "\n      PC\\dave may create folders in " + kOwn + "\n      and 2 more accounts\n" + kRemedy, brief},
        // Those named: one with no name by its SID, the account running the check not as an administrator, the
        // owner, who may always change the permissions, and how many more past the first four.
        {[](World& w, CheckSetting&) {
             w.security[kOwn] = Security(kSystem, {Allow({"S-1-5-21-1-2-3-1001", AccountKind::kOther}, 0x2)});
             w.security[kProgram] = Security(kSystem, {Allow(kOp, 0x1F01FF)});
             w.security[kUp] = Security(kBob, {Allow({"PC\\carl", AccountKind::kOther}, 0x10000)});
             w.security["C:\\"] = Security(kSystem, {Allow({"PC\\dave", AccountKind::kOther}, 0x40)}); },
         Other("S-1-5-21-1-2-3-1001 may create files in " + kOwn) + "      PC\\op may write " + kProgram + "\n" +
         "      PC\\bob owns " + kUp + "\n      PC\\carl may delete or rename " + kUp + "\n      and 1 more account\n" +
         kRemedy, "; not trusted: S-1-5-21-1-2-3-1001 can replace it"},
    };
    const auto check = [](const Script& script, const std::string& lines, const std::string& last) {
        SCOPED_TRACE(lines);
        World scripted = {kFull + "C:\\NC\\a.nc]", {}, {"C:\\NC\\a.nc", kProgram}};
        scripted.Install(3, "C:\\K");
        CheckSetting setting = kSetting;
        script(scripted, setting);
        const Checked checked = RunCheck(scripted, setting);
        const std::size_t at = checked.report.find("(present: taken)\n") + 17;
        EXPECT_EQ(checked.report.substr(at, checked.report.find("5. R2 Basic") - at), lines);
        EXPECT_EQ(checked.LastLine(), "kdnclaunch would start: \"" + kProgram + "\" \"C:\\NC\\a.nc\"" + last + "\n");
        EXPECT_NE(checked.json.find(std::string("\"warning\":null,\"trusted\":") + (last.empty() ? "true" : "false")),
                  std::string::npos);
        return checked.json;
    };
    for (const auto& [script, lines, last] : cases)
        check(script, lines, last);
    // One right of Users, where, and its words in the text and the JSON: on the file, writing, appending, deleting,
    // changing permissions or owner, and the generic rights; in its own folder, creating files or folders beside it
    // too; on each folder, deleting, renaming, permissions and owner; in record 4's key, and in the nearest key above
    // record 3's missing one, where creating keys makes it.
    const std::pair<std::string, std::string> write = {"write ", "write"}, remove = {"delete or rename ", "delete"},
        acl = {"change the permissions of ", "change permissions"}, own = {"take ownership of ", "take ownership"};
    const std::tuple<std::string, std::uint32_t, std::pair<std::string, std::string>> rights[] = {
        {kProgram, 0x2, write}, {kProgram, 0x4, write}, {kProgram, 0x40000000, write}, {kProgram, 0x10000000, write},
        {kProgram, 0x10000, remove}, {kProgram, 0x40000, acl}, {kProgram, 0x80000, own},
        {kOwn, 0x2, {"create files in ", "create files"}}, {kOwn, 0x4, {"create folders in ", "create folders"}},
        {kOwn, 0x40, {"delete or rename what is in ", "delete entries"}}, {kOwn, 0x10000, remove},
        {kOwn, 0x40000, acl}, {kOwn, 0x80000, own}, {kUp, 0x10000, remove}, {kUp, 0x40000, acl}, {kUp, 0x80000, own},
        {kKey, 0x2, {"set values in ", "set values"}}, {kKey, 0x10000, remove}, {kKey, 0x40000, acl},
        {kKey, 0x80000, own}, {kVendor, 0x4, {"create keys in ", "create keys"}}, {kVendor, 0x40000, acl},
        {kVendor, 0x80000, own}};
    for (const auto& [path, mask, words] : rights) {
        const std::string plants = path == kVendor ? kPlantsR2Max : "", json = check(On(path, Security(kSystem,
            {Allow(kUsers, mask)})), Anyone("Users may " + words.first + path + plants) + kRemedy, brief);
        EXPECT_NE(json.find("\"right\":\"" + words.second + "\",\"path\":\"" + Escaped(path) + "\",\"plants\":" +
                            (path == kVendor ? "3" : "null")), std::string::npos);
    }
}

// Where the program lies decides which folders are read: from its whole path, up to the drive's root.
TEST(ReadProgramTrust, ReadsEachFolderUpToTheRoot)
{
    // The value of record 1 or 4, the program it leads to, the paths read, nearest first, or why none is.
    const std::string share = "is not on a fixed local drive\n   trusted once its security can be read", relative = "is "
        "relative, and kdnclaunch takes it from the editor's current folder\n   trusted once no record kdnclaunch tries "
        "is relative: write the whole install folder into it, from the drive letter on, or delete it\n";
    const std::tuple<int, std::string, std::string, std::vector<std::string>, std::string> cases[] = {
        {3, "D:", "D:/KorvR2\\KDNC\\kdnc.exe", {"D:/KorvR2\\KDNC", "D:/KorvR2\\KDNC\\kdnc.exe", "D:/KorvR2", "D:/"}, ""},
        {0, "C:\\", "C:\\kdnc.exe", {"C:\\", "C:\\kdnc.exe", "C:\\kdnc.ini"}, ""},  // and the file beside it
        {3, "C:\\K.\\K ", "C:\\K.\\K \\KorvR2\\KDNC\\kdnc.exe",  // read as written: Windows trims a last name's blank
         {"C:\\K.\\K \\KorvR2\\KDNC", "C:\\K.\\K \\KorvR2\\KDNC\\kdnc.exe", "C:\\K.\\K \\KorvR2", "C:\\K.\\K \\", "C:\\K.\\", "C:\\"}, ""},
        {0, "C:\\\x83\\\\", "C:\\\x83\\\\kdnc.exe",  // a letter's second byte ends the folder; kdnc.exe read once
         {"C:\\\x83\\", "C:\\\x83\\\\kdnc.exe", "C:\\\x83\\\\kdnc.ini", "C:\\"}, ""},
        {3, "///srv/K", "///srv/K/KorvR2\\KDNC\\kdnc.exe", {}, share},  // a share, slashes doubled as Windows allows
        {3, "R:\\K", "R:\\K\\KorvR2\\KDNC\\kdnc.exe", {}, share},  // a removable drive
        // Relative to the editor's folder or drive, wherever the check runs.
        {3, "C:K", "C:K/KorvR2\\KDNC\\kdnc.exe", {}, relative},
    };
    for (const auto& [row, value, program, read, why] : cases) {
        SCOPED_TRACE(program);
        World scripted = {kFull + "C:\\NC\\a.nc]", {}, {"C:\\NC\\a.nc", program}};
        scripted.Install(row, value);  // folders created at the root plant only beside a program there
        scripted.security["C:\\"] = Security(kSystem, {Allow({"Authenticated Users", AccountKind::kAnyone}, 0x4)});
        scripted.folders["C:\\"] = scripted.folders["C:\\\x83\\"] = {{"kdnc.ini", false}, {"KDNC.EXE", false}};
        const Checked checked = RunCheck(scripted);
        EXPECT_EQ(world.securityRead, read);
        const std::string plants = Anyone("Authenticated Users may create folders in C:\\");  // a program at the root
        EXPECT_NE(checked.report.find(read.empty() ? "\n   not trusted: the security of " + program + " could not be read: it " +
                                      why : read.size() == 3 ? plants : kTrustedLine),
                  std::string::npos);
        EXPECT_EQ(checked.LastLine().find("; not trusted: a record kdnclaunch tries is relative") != std::string::npos,
                  why == relative);
    }
}

// A kdnc.exe anyone could have put there keeps its fix, marked, after the trusted; the JSON and the last line,
// which names the fix --fix would write, say the same.
TEST(ReadProgramTrust, MarksAFixThatLeadsToAProgramAnyoneCouldReplace)
{
    const std::string program = "C:\\KORVANT\\KorvR2\\KDNC\\kdnc.exe", own = "C:\\KORVANT\\KorvR2\\KDNC";
    World scripted = {kFull + "C:\\NC\\a.nc]", {}, {"C:\\NC\\a.nc", program, "C:\\B\\KorvR2\\KDNC\\kdnc.exe"}};
    scripted.Install(3, "C:\\KORVANT "), scripted.Install(4, "C:\\B ");  // two found: the second trusted
    scripted.security[own] = Security(kBob, {Allow({"Authenticated Users", AccountKind::kAnyone}, 0x1301BF)});
    const Checked checked = RunCheck(scripted);
    EXPECT_NE(checked.report.find("/d \"C:\\KORVANT\" /f /reg:32\n   " + Anyone("Authenticated Users may create files "
                                  "in " + own + "\n         PC\\bob owns " + own) + "   " + kRemedy + "   Searched"),
              std::string::npos) << checked.report;
    EXPECT_NE(checked.LastLine().find("\", fix record 5 R2 Basic (4 R2: "), std::string::npos);
    EXPECT_NE(checked.json.find("\"trusted\":false,\"securityRead\":true,\"unreadPath\":null,\"securityError\":null,"
                                "\"replacers\":[{\"account\":\"PC\\\\bob\",\"anyone\":false,\"right\":\"owner\",\"path\":\"C:\\\\KORVANT"
                                "\\\\KorvR2\\\\KDNC\",\"plants\":null},{\"account\":\"Authenticated Users\",\"anyone\":true,"
                                "\"right\":\"create files\",\"path\":\"C:\\\\KORVANT\\\\KorvR2\\\\KDNC\",\"plants\":null}],"
                                "\"replacerCount\":2}]"), std::string::npos) << checked.json;
    scripted.securityErrors = {{"C:\\B\\KorvR2\\KDNC", 5}};  // neither trusted
    scripted.security[own].reparsePoint = true, scripted.security[program] = Security(kSystem, {Allow(kUsers, 0x2)});
    const Checked unread = RunCheck(scripted);
    EXPECT_NE(unread.json.find("\"trusted\":false,\"securityRead\":false,\"unreadPath\":\"C:\\\\KORVANT\\\\KorvR2"
                               "\\\\KDNC\",\"securityError\":4395,\"replacers\":[{"), std::string::npos);  // the first named
    EXPECT_NE(unread.LastLine().find("\", fix record 4 R2; not trusted: a link is on its path ("), std::string::npos);
}

// A fix that makes record 4's key: the key takes what the nearest key above passes on to keys below, in its order.
TEST(ReadProgramTrust, ReadsWhatAKeyAFixMakesWouldTake)
{
    const auto passed = [](bool allows, std::uint32_t mask) { return AccessEntry{allows, true, mask, kUsers, true}; };
    const std::string named = Anyone("Users may change the keys made below " + kVendor);
    const std::pair<std::vector<AccessEntry>, std::string> cases[] = {
        {{passed(true, 0x80000)}, named},
        {{Allow(kUsers, 0x2), passed(false, 0x2), passed(true, 0x2)}, kTrustedLine},  // own values; a deny passed on
        {{Deny(kUsers, 0x2), passed(true, 0x2)}, named},  // the key above's own deny is not passed on
    };
    for (const auto& [entries, line] : cases) {
        World keyless;  // no record; a kdnc.exe under an install root; a key of the vendor's that is none of them
        keyless.expanded["%ProgramW6432%"] = "C:\\PF", keyless.folders["C:\\PF"] = {{"KorvR2", true}};
        keyless.found.insert("C:\\PF\\KorvR2\\KDNC\\kdnc.exe"), keyless.registry[kVendor.substr(5) + "\\Settings"] = {};
        keyless.security[kVendor] = Security(kSystem, entries);
        const Checked checked = RunCheck(keyless);
        EXPECT_NE(checked.report.find(" /f /reg:32\n   " + line), std::string::npos);
        EXPECT_EQ(checked.json.find("\"right\":\"change keys made\",\"path\":\"" + Escaped(kVendor) + "\",\"plants\":null") !=
                  std::string::npos, line == named);
    }
}

} // namespace
