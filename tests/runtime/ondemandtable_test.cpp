#include "runtime/ondemandtable.h"

#include <gtest/gtest.h>

#include <string>

namespace zt {
namespace {

struct labelled {
    std::string name;
    int count = 7;
};

TEST(OnDemandTable, SlotsReadAsNewRecordsUntilWrittenAndKeepTheirPlace) {
    ondemandtable<labelled> t;
    const ondemandtable<labelled>& view = t;
    EXPECT_EQ(view[50].count, 7);
    EXPECT_TRUE(view[50].name.empty());

    labelled& first = t[2];
    first.name = "ky";
    // a slot far beyond the others is written while the first is held
    t[400].count = 3;
    first.count = 1;
    EXPECT_EQ(view[2].name, "ky");
    EXPECT_EQ(view[2].count, 1);
    EXPECT_EQ(view[400].count, 3);
    EXPECT_EQ(view[399].count, 7);
    // a copy between slots, the written one farther out
    t[900] = t[2];
    EXPECT_EQ(view[900].name, "ky");
    EXPECT_EQ(view[2].name, "ky");
}

}  // namespace
}  // namespace zt
