#include "recording_operations.h"

#include <cstring>

CallLog RecordedCalls;

namespace {

// Answered for the window titled on the command line; never sent to Windows.
constexpr WindowHandle kGivenWindow = 1;
// Above 32, which ShellExecuteA answers for a program it started.
constexpr ModuleHandle kStarted = 42;
// MessageBoxA's answer for its OK button.
constexpr int kPressedOk = 1;

RecordedCall& Record(const char* name, const char* argument)
{
    // A call beyond the log's room is still made, only not kept.
    static RecordedCall beyond;
    RecordedCall& call =
        RecordedCalls.count < kMostRecordedCalls ? RecordedCalls.calls[RecordedCalls.count++] : beyond;
    call.name = name;
    CopyText(call.argument, sizeof call.argument, argument);
    call.parameters[0] = call.aside[0] = '\0';
    std::memset(call.answer, 0, sizeof call.answer);  // a value without a zero byte ends where its bytes do
    call.wide[0] = u'\0';
    call.access = call.dataSize = call.type = 0;
    call.result = 0;
    return call;
}

WindowHandle RecordGetForegroundWindow()
{
    RecordedCall& call = Record("GetForegroundWindow", "");
    call.result = RecordedCalls.readsWindowInFront ? RecordedCalls.windows->GetForegroundWindow()
                  : RecordedCalls.givenTitle       ? kGivenWindow
                                                   : kNoWindow;
    return call.result;
}

int RecordGetWindowTextA(WindowHandle window, char* text, int maxCount)
{
    RecordedCall& call = Record("GetWindowTextA", "");
    if (RecordedCalls.readsWindowInFront) {
        call.result = RecordedCalls.windows->GetWindowTextA(window, text, maxCount);
        RecordedCalls.check->ListLostTitleLetters(window, call.aside, sizeof call.aside);
    } else {
        // Cut as Windows cuts a title longer than the buffer.
        CopyText(text, maxCount, RecordedCalls.givenTitle);
        call.result = static_cast<std::intptr_t>(std::strlen(text));
        CopyText(call.aside, sizeof call.aside,
                 RecordedCalls.givenTitleLostLetters ? RecordedCalls.givenTitleLostLetters : "");
    }
    CopyText(call.answer, sizeof call.answer, text);
    return static_cast<int>(call.result);
}

std::int32_t RecordRegOpenKeyExA(RegistryKey key, const char* subKey, std::uint32_t options, std::uint32_t access,
                                 RegistryKey* result)
{
    RecordedCall& call = Record("RegOpenKeyExA", subKey);
    call.access = access;
    const std::int32_t status = RecordedCalls.windows->RegOpenKeyExA(key, subKey, options, access, result);
    call.result = status;
    if (status != ERROR_SUCCESS)
        RecordedCalls.check->ReadErrorText(status, call.aside, sizeof call.aside);
    return status;
}

std::int32_t RecordRegQueryValueExA(RegistryKey key, const char* valueName, std::uint32_t* reserved,
                                    std::uint32_t* type, unsigned char* data, std::uint32_t* dataSize)
{
    RecordedCall& call = Record("RegQueryValueExA", valueName);
    const std::uint32_t room = data && dataSize ? *dataSize : 0;
    // The type is asked for the report; the launcher gets it only if it asks.
    const std::int32_t status =
        RecordedCalls.windows->RegQueryValueExA(key, valueName, reserved, &call.type, data, dataSize);
    if (type)
        *type = call.type;
    call.result = status;
    call.dataSize = dataSize ? *dataSize : 0;
    // The whole buffer as the launcher holds it, unterminated or not; the
    // log's copy stays terminated, being the longer.
    if (data)
        std::memcpy(call.answer, data, room < sizeof call.answer - 1 ? room : sizeof call.answer - 1);
    if (status == ERROR_SUCCESS)
        RecordedCalls.check->ListLostValueLetters(key, valueName, call.aside, sizeof call.aside, call.wide,
                                                  sizeof call.wide / sizeof call.wide[0]);
    else
        RecordedCalls.check->ReadErrorText(status, call.aside, sizeof call.aside);
    return status;
}

std::int32_t RecordRegCloseKey(RegistryKey key)
{
    Record("RegCloseKey", "");
    return RecordedCalls.windows->RegCloseKey(key);
}

SearchHandle RecordFindFirstFileA(const char* fileName, FindDataRecord* findData)
{
    RecordedCall& call = Record("FindFirstFileA", fileName);
    const SearchHandle search = RecordedCalls.windows->FindFirstFileA(fileName, findData);
    call.result = static_cast<std::intptr_t>(search);
    RecordedCalls.check->ReadFullPath(fileName, call.aside, sizeof call.aside);
    return search;
}

int RecordFindClose(SearchHandle search)
{
    RecordedCall& call = Record("FindClose", "");
    call.result = RecordedCalls.windows->FindClose(search);
    return static_cast<int>(call.result);
}

ModuleHandle RecordShellExecuteA(WindowHandle, const char*, const char* file, const char* parameters, const char*,
                                 int)
{
    RecordedCall& call = Record("ShellExecuteA", file);
    CopyText(call.parameters, sizeof call.parameters, parameters ? parameters : "");
    call.result = kStarted;
    return kStarted;
}

int RecordLoadStringA(ModuleHandle module, unsigned int id, char* buffer, int bufferMax)
{
    RecordedCall& call = Record("LoadStringA", "");
    call.result = RecordedCalls.windows->LoadStringA(module, id, buffer, bufferMax);
    CopyText(call.answer, sizeof call.answer, buffer);
    return static_cast<int>(call.result);
}

int RecordMessageBoxA(WindowHandle, const char* text, const char*, unsigned int)
{
    Record("MessageBoxA", text).result = kPressedOk;
    return kPressedOk;
}

} // namespace

void CopyText(char* to, std::size_t capacity, const char* from)
{
    const std::size_t length = std::strlen(from);
    const std::size_t kept = length < capacity ? length : capacity - 1;
    std::memcpy(to, from, kept);
    to[kept] = '\0';
}

extern const WindowsOperations RecordingOperations = {
    RecordGetForegroundWindow,
    RecordGetWindowTextA,
    RecordRegOpenKeyExA,
    RecordRegQueryValueExA,
    RecordRegCloseKey,
    RecordFindFirstFileA,
    RecordFindClose,
    RecordShellExecuteA,
    RecordLoadStringA,
    RecordMessageBoxA,
};
