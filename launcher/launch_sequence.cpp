#include "launch_sequence.h"

#include <cstring>

namespace {

const char kDncCaption[] = "KORVANT DNC";
constexpr unsigned int kDncMissingMessageId = 1;
constexpr int kMessageCapacity = 500;

// A quote inside the path would end the argument early and let the rest of
// the title through as further arguments. No file name holds a quote, yet a
// find-first search may still answer for one: it takes the quote for a
// wildcard that matches a dot.
bool HoldsQuote(const char* path)
{
    return std::strchr(path, '"') != nullptr;
}

} // namespace

DncParameters BuildDncParameters(const EditorDocument& document)
{
    DncParameters parameters = {};
    if (!document.exists || HoldsQuote(document.path))
        return parameters;
    const std::size_t length = std::strlen(document.path);
    parameters.text[0] = '"';
    std::memcpy(parameters.text + 1, document.path, length);
    parameters.text[length + 1] = '"';
    parameters.text[length + 2] = '\0';
    return parameters;
}

void LaunchDncProgram(const WindowsOperations& windows, const char* dncPath, const char* parameters)
{
    // Nothing is reported when the shell cannot start it: the user sees no
    // program, and there is nothing further the launcher could do.
    windows.ShellExecuteA(kNoWindow, "open", dncPath, parameters, nullptr, SW_SHOW);
}

void ReportDncMissing(const WindowsOperations& windows)
{
    // Cleared first, so a failed load shows an empty message rather than
    // whatever the stack held.
    char message[kMessageCapacity] = {};
    windows.LoadStringA(kOwnModule, kDncMissingMessageId, message, kMessageCapacity);
    message[kMessageCapacity - 1] = '\0';
    windows.MessageBoxA(kNoWindow, message, kDncCaption, MB_OK | MB_ICONWARNING);
}

int RunLauncher(const WindowsOperations& windows)
{
    const EditorDocument document = CaptureEditorDocument(windows);
    const DncProgramPath dnc = FindDncProgram(windows);
    const DncParameters parameters = BuildDncParameters(document);
    if (dnc.text[0] != '\0')
        LaunchDncProgram(windows, dnc.text, parameters.text);
    else
        ReportDncMissing(windows);
    return 0;
}
