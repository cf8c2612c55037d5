// Tables of routines that append a field to a line (the benchmarks, which share the other
// test helpers, have no GoogleTest: hence a header of its own).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace zt::testing {

// The line before, the call, the line after.
struct linecase {
    const char* what;
    const char* start;
    std::function<void(std::string&)> add;
    const char* result;
};

inline void expectlines(const std::vector<linecase>& cases)
{
    for (const linecase& c : cases) {
        std::string line = c.start;
        c.add(line);
        EXPECT_EQ(line, c.result) << c.what;
    }
}

}  // namespace zt::testing
