// The document capture and the parameters built from it, over any title.
// Input: one byte for the window (bit 0 none, bit 1 title unreadable, bit 2
// title padded to fill the buffer unterminated), paths that exist, each
// ended by a zero byte, an empty one ending the list, then the title: all
// that is left.
#include <cstring>

#include "fuzz_checks.h"
#include "launch_sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input = {data, size};
    FakeWindows world;
    const std::uint8_t window = input.Byte();
    if (window & 1)
        world.foreground = kNoWindow;
    world.titleUnreadable = (window & 2) != 0;
    world.titleUnterminated = (window & 4) != 0;
    for (std::string path = input.Text(); !path.empty(); path = input.Text())
        world.AddFile(path);
    world.title = input.Bytes(input.size);
    if (world.titleUnterminated && world.title.size() < static_cast<std::size_t>(MAX_PATH))
        world.title.resize(MAX_PATH, 'x');

    const EditorDocument document = CaptureEditorDocument(world.Operations());
    const std::size_t length = strnlen(document.path, sizeof document.path);
    const std::string path(document.path, length);
    Require(length <= 230, "a capture has at most 230 characters");
    Require(length == 0 || world.title.substr(0, MAX_PATH - 1).find(path) != std::string::npos,
            "a capture is text of the title as read");
    Require(path.find(']') == std::string::npos, "a capture ends before a closing bracket");
    Require(world.searches == (path.empty() ? std::vector<std::string>{} : std::vector<std::string>{path}),
            "only the capture is searched for");
    Require(!document.exists || length > 0, "nothing captured, nothing exists");

    const DncParameters parameters = BuildDncParameters(document);
    const std::string text(parameters.text, strnlen(parameters.text, sizeof parameters.text));
    Require(text.size() < sizeof parameters.text, "parameters are terminated");
    Require(text.empty() || text == '"' + path + '"', "parameters are empty or the quoted capture");
    Require(document.exists || text.empty(), "no parameters without a document");
    Require(!document.exists || path.find('"') != std::string::npos || !text.empty(),
            "an existing document is handed on");
    RequireNothingWrong(world);
    return 0;
}
