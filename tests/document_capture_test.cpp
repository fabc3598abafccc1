#include <gtest/gtest.h>

#include "document_capture.h"
#include "fake_windows.h"

namespace {

const std::string kFull = "Predator CNC Editor for KORVANT - [";
const std::vector<std::string> kNone;

// The title scan alone: what is captured, and that exactly that is searched.
TEST(CaptureEditorDocument, TakesThePathFromTheEditorTitle)
{
    const struct {
        const char* name;
        std::string title;
        std::string capture;  // empty: nothing captured
    } cases[] = {
        {"full edition", kFull + "C:\\NC\\part 1.nc]", "C:\\NC\\part 1.nc"},
        {"demo edition", "Predator CNC Editor for KORVANT Demo - [C:\\NC\\a.nc]", "C:\\NC\\a.nc"},
        {"no closing bracket", kFull + "C:\\NC\\a.nc", "C:\\NC\\a.nc"},
        {"first closing bracket ends it", kFull + "C:\\NC\\a]b]", "C:\\NC\\a"},
        {"empty brackets", kFull + "]", ""},
        {"ends after the bracket", kFull, ""},
        {"text after the bracket", kFull + "x.nc] *", "x.nc"},
        {"asterisk before the bracket", "Predator CNC Editor for KORVANT - *[x.nc]", ""},
        {"only blanks inside", kFull + "   ]", "   "},
        {"ends within the fixed text", "Predator CNC Editor for KORVANT", ""},
        {"empty title", "", ""},
        {"tab for a blank", "Predator\tCNC Editor for KORVANT - [x.nc]", "x.nc"},
        {"line breaks for blanks", "Predator\r\nCNC Editor\vfor\fKORVANT - [x.nc]", "x.nc"},
        {"no-break space is no blank", "Predator\xA0" "CNC Editor for KORVANT - [x.nc]", ""},
        {"blanks missing or doubled", "Predator  CNC Editor for KORVANT-[x.nc]", "x.nc"},
        {"leading blank", " Predator CNC Editor for KORVANT - [x.nc]", ""},
        {"lower-case p", "predator CNC Editor for KORVANT - [x.nc]", ""},
        {"leading blank inside kept", kFull + " x.nc]", " x.nc"},
        {"high bytes taken as they are", kFull + "C:\\\x95\\\xE9.nc]", "C:\\\x95\\\xE9.nc"},
        {"bracket as a trail byte ends it", kFull + "C:\\\x81]x.nc]", "C:\\\x81"},
        {"other program", "Untitled - Notepad", ""},
        {"longest capture", "PredatorCNCEditorforKORVANT-[" + std::string(240, 'x'), std::string(230, 'x')},
        {"long title cut at 259", kFull + std::string(300, 'y') + "]", std::string(224, 'y')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows world;
        world.title = c.title;
        const EditorDocument document = CaptureEditorDocument(world.Operations());
        EXPECT_EQ(document.path, c.capture);
        EXPECT_EQ(world.searches, c.capture.empty() ? kNone : std::vector<std::string>{c.capture});
        EXPECT_FALSE(document.exists);
        EXPECT_EQ(world.Problems(), kNone);
    }
}

// Whether the captured path exists is the find-first search's answer.
TEST(CaptureEditorDocument, FlagsOnlyWhatTheSearchFinds)
{
    const struct {
        const char* name;
        std::string path;
        bool exists;
    } cases[] = {
        {"file", "C:\\NC Files\\part 1.nc", true},
        {"missing file", "C:\\NC Files\\part 2.nc", false},
        {"folder", "C:\\NC Files", true},
        {"folder with trailing backslash", "C:\\NC Files\\", false},
        {"matching wildcard", "C:\\NC Files\\*.nc", true},
        {"wildcard matching nothing", "C:\\NC Files\\*.txt", false},
        {"relative to the current folder", "sub\\a.nc", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindows world;
        world.title = kFull + c.path + "]";
        world.AddFile("C:\\NC Files\\part 1.nc");
        world.AddFile("C:\\Work\\sub\\a.nc");
        const EditorDocument document = CaptureEditorDocument(world.Operations());
        EXPECT_EQ(document.path, c.path);
        EXPECT_EQ(document.exists, c.exists);
        EXPECT_EQ(world.Problems(), kNone);
    }
}

TEST(CaptureEditorDocument, NothingWithoutAReadableWindow)
{
    for (bool noWindow : {true, false}) {
        FakeWindows world;
        world.title = kFull + "C:\\NC\\a.nc]";
        world.AddFile("C:\\NC\\a.nc");
        world.foreground = noWindow ? 0 : world.foreground;
        world.titleUnreadable = !noWindow;
        const EditorDocument document = CaptureEditorDocument(world.Operations());
        EXPECT_STREQ(document.path, "");
        EXPECT_FALSE(document.exists);
        EXPECT_EQ(world.searches, kNone);
        EXPECT_EQ(world.calls.size(), noWindow ? 1u : 2u);
    }
}

} // namespace
