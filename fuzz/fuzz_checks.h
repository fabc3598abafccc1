// What every fuzz target holds the launcher to, whatever the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "fake_windows.h"

inline void Require(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

// Reads an input as a sequence of fields; past its end every field is empty.
struct FuzzInput {
    const std::uint8_t* data;
    std::size_t size;

    std::uint8_t Byte()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
    std::string Bytes(std::size_t count)
    {
        count = count < size ? count : size;
        const std::string bytes(reinterpret_cast<const char*>(data), count);
        data += count;
        size -= count;
        return bytes;
    }
    // Up to the next zero byte, which is consumed.
    std::string Text()
    {
        std::string text;
        while (size > 0 && *data != 0)
            text += static_cast<char>(Byte());
        Byte();
        return text;
    }
};

inline void RequireNothingWrong(const FakeWindows& world)
{
    for (const std::string& problem : world.Problems())
        std::fprintf(stderr, "%s\n", problem.c_str());
    Require(world.Problems().empty(), "no fault, every key and search handle closed");
}
