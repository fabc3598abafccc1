// The locator over any registry values and file system. Input, for each of
// the six rows: a byte (bits 0-2: 0 no key, 1 key denied, 2 value missing,
// 3 read fails, otherwise the value is there; bit 3: the program is
// installed under the value's text; bit 4: the value is 256 bytes longer),
// a length byte and that many value bytes; then the current folder and
// paths that exist, each ended by a zero byte.
#include <cstring>

#include "dnc_locator.h"
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input = {data, size};
    FakeWindows world;
    for (int row = 0; row < 6; ++row) {
        const std::uint8_t kind = input.Byte();
        const std::size_t length = input.Byte() + ((kind & 0x10) ? 256u : 0u);
        const std::string bytes = input.Bytes(length);
        switch (kind & 7) {
        case 0: break;
        case 1: world.deniedKeys.insert(kInstallRecords[row].keyPath); break;
        case 2: world.registry[kInstallRecords[row].keyPath] = {}; break;
        case 3: world.InstallValue(row).failing = 5; break;
        default: world.InstallValue(row).bytes = bytes;
        }
        if (kind & 8)
            world.AddFile(std::string(bytes.c_str(), strnlen(bytes.c_str(), MAX_PATH)) + "\\" +
                          kInstallRecords[row].programSubpath);
    }
    world.currentDirectory = input.Text();
    while (input.size > 0)
        world.AddFile(input.Text());

    const DncProgramPath found = FindDncProgram(world.Operations());
    const std::size_t length = strnlen(found.text, sizeof found.text);
    const std::string answer(found.text, length);
    Require(length < static_cast<std::size_t>(MAX_PATH), "an answer is shorter than 260 characters");
    Require(answer.empty() || (!world.searches.empty() && world.searches.back() == answer),
            "the answer is the last path found");
    Require(answer.empty() || (answer.size() >= 8 && answer.compare(answer.size() - 8, 8, "kdnc.exe") == 0),
            "the answer ends in the program");
    const std::size_t rowsTried = world.openedKeys.size();
    Require(rowsTried <= 6 && (!answer.empty() || rowsTried == 6), "every row is tried until an answer");
    for (std::size_t row = 0; row < rowsTried; ++row)
        Require(world.openedKeys[row] == kInstallRecords[row].keyPath, "rows are tried in order, once each");
    for (const std::uint32_t asked : world.openAccess)
        Require(asked == kExpectedInstallKeyAccess, "keys are opened for reading only");
    RequireNothingWrong(world);
    return 0;
}
