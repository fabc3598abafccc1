#include "document_capture.h"

#include <cstdio>

namespace {

// Each blank matches any run of white space, including none; the path runs
// to the first closing bracket or the end of the title.
const char kFullEditionPattern[] = "Predator CNC Editor for KORVANT - [%[^]]]";
const char kDemoEditionPattern[] = "Predator CNC Editor for KORVANT Demo - [%[^]]]";

// The fixed text before the path is at least 29 characters, so a capture
// from a title of at most 259 characters always fits the path buffer.
bool ScanTitle(const char* title, const char* pattern, char* path)
{
    return std::sscanf(title, pattern, path) == 1;
}

} // namespace

EditorDocument CaptureEditorDocument(const WindowsOperations& windows)
{
    EditorDocument document = {};
    const WindowHandle window = windows.GetForegroundWindow();
    if (window == kNoWindow)
        return document;

    char title[MAX_PATH] = {};
    windows.GetWindowTextA(window, title, MAX_PATH);
    // The scans must end inside the buffer whatever the window wrote.
    title[MAX_PATH - 1] = '\0';

    if (!ScanTitle(title, kFullEditionPattern, document.path) &&
        !ScanTitle(title, kDemoEditionPattern, document.path))
        return EditorDocument{};
    document.exists = PathExists(windows, document.path);
    return document;
}
