#include "numeric/methods/integers.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "numeric/fatalreport.h"

namespace zt {
namespace {

using testing::bombline;
using testing::fatalreport;

intlist listof(const std::vector<int32_t>& values) {
    intlist list{};
    for (size_t i = 0; i < values.size(); ++i) list[i + 1] = values[i];
    return list;
}

TEST(Integers, GcdOfSignedPairs) {
    struct { int32_t a, b, g; } cases[] = {
        {0, 0, 0}, {-12, 18, 6}, {18, -12, 6}, {7, 0, 7}, {0, -7, 7}, {17, 5, 1}, {-9, -6, 3}, {INT32_MIN, 6, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(gcd(c.a, c.b), c.g) << c.a << " " << c.b;
}

TEST(Integers, GcdListKeepsTheSignOfASingleValue) {
    struct { std::vector<int32_t> values; int16_t n; int32_t g; } cases[] = {
        {{-4}, 1, -4}, {{-4, 6}, 2, 2}, {{12, 18, 8}, 3, 2}, {{0, 0, 0}, 3, 0},
        {{6, 10, 15}, 3, 1}, {{0, -9, 6}, 3, 3}, {{5}, 0, 0}, {{5}, 401, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(gcdlist(listof(c.values), c.n), c.g) << c.values[0] << " n " << c.n;
}

TEST(Integers, LcmAndLcmList) {
    struct { int32_t a, b, l; } pairs[] = {{4, 6, 12}, {-3, -3, -3}, {0, 5, 0}, {5, 0, 0}, {-4, 6, 12}, {6, -4, 12}, {7, 7, 7}};
    for (const auto& c : pairs) EXPECT_EQ(lcm(c.a, c.b), c.l) << c.a << " " << c.b;

    struct { std::vector<int32_t> values; int16_t l; } lists[] = {
        {{4, 6, 10}, 60}, {{-3}, -3}, {{5, 0, 3}, 0}, {{2, 3, 4, 5, 6, 7}, 420}, {{-2, -2}, -2}, {{-2, 3}, 6},
    };
    for (const auto& c : lists)
        EXPECT_EQ(lcmlist(listof(c.values), static_cast<int16_t>(c.values.size())), c.l) << c.values[0];
    EXPECT_EQ(lcmlist(listof({4}), 0), 0);
}

TEST(Integers, RealsBecomeProportionalWholeNumbers) {
    struct { std::vector<real> v; std::vector<real> ints; int32_t k; } cases[] = {
        {{0.5L, 0.25L, 1}, {2, 1, 4}, 4},
        {{1.0L / 3, 0.5L}, {2, 3}, 6},
        {{-0.75L, 1.5L, 2}, {-3, 6, 8}, 4},
        {{3, 7}, {3, 7}, 1},
    };
    for (const auto& c : cases) {
        realintlist v{};
        for (size_t i = 0; i < c.v.size(); ++i) v[i + 1] = c.v[i];
        int32_t k = 0;
        realstoints(v, static_cast<int16_t>(c.v.size()), k);
        EXPECT_EQ(k, c.k);
        for (size_t i = 0; i < c.v.size(); ++i) EXPECT_EQ(v[i + 1], c.ints[i]) << "value " << i + 1;
    }
}

TEST(Integers, ResultsBeyondTheirWidthEndTheRun) {
    EXPECT_NE(fatalreport([] { gcd(INT32_MIN, 0); }).find(bombline("gcd", "integer overflow (beyond 32 bits)")),
              std::string::npos);
    EXPECT_NE(fatalreport([] { lcm(65536, 65537); }).find(bombline("lcm", "integer overflow (beyond 32 bits)")),
              std::string::npos);
    // 256 and 255 have an lcm of 65280: a 16-bit store would keep a wrong, negative value
    EXPECT_NE(fatalreport([] { lcmlist(listof({256, 255}), 2); })
                  .find(bombline("lcmlist", "integer overflow (beyond 16 bits)")),
              std::string::npos);
    EXPECT_NE(fatalreport([] { lcmlist(listof({40000}), 1); }).find(bombline("lcmlist", "integer overflow (beyond 16 bits)")),
              std::string::npos);
    // the largest values that do fit are kept
    EXPECT_EQ(lcm(46340, 46339), 2147349260);
    EXPECT_EQ(lcmlist(listof({181, 181}), 2), 181);
    EXPECT_EQ(lcmlist(listof({127, 258}), 2), 32766);
}

}  // namespace
}  // namespace zt
