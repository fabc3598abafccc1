// When the check waits for Enter: a double-click's console, then each fact flipped that means no one could answer.
#include <gtest/gtest.h>

#include "console_hold.h"

TEST(HoldsConsole, WaitsOnlyOnAShownConsoleOfItsOwn)
{
    const struct { const char* flipped; ConsoleFacts facts; bool holds; } cases[] = {
        {"none: a double-click", {true, true, true, 1, 1, false}, true},
        {"a Remote Desktop session", {true, true, true, 1, 2, false}, true},
        {"input redirected", {false, true, true, 1, 1, false}, false},
        {"output redirected", {true, false, true, 1, 1, false}, false},
        {"window hidden or none", {true, true, false, 1, 1, false}, false},
        {"shared with cmd", {true, true, true, 2, 1, false}, false},
        {"process count unknown", {true, true, true, 0, 1, false}, false},
        {"session 0", {true, true, true, 1, 0, false}, false},
        {"report in a file", {true, true, true, 1, 1, true}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HoldsConsole(c.facts), c.holds) << c.flipped;
}
