#include "runtime/ondemandtable.h"

#include <gtest/gtest.h>

#include <string>

#include "runtimefixture.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using testing::consolecapture;
using testing::exitcodeof;

struct labelled {
    std::string name;
    int count = 7;
};

TEST(OnDemandTable, SlotsReadAsNewRecordsUntilWrittenAndKeepTheirPlace) {
    ondemandtable<labelled, 900> t{"labelled", "slots"};
    const ondemandtable<labelled, 900>& view = t;
    EXPECT_EQ(view[50].count, 7);
    EXPECT_TRUE(view[50].name.empty());
    EXPECT_EQ(view[40000].count, 7);
    EXPECT_EQ(t.slotsmade(), 0u);  // reading makes no slot

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

using OnDemandTables = QuietConsoleTest;

// Every table of the run settings holds the slots its fixed table held, 0 to its
// capacity; a write past that ends the run with its reader's words and makes no slot.
TEST_F(OnDemandTables, AWritePastTheCapacityEndsTheRunWithTheReadersWords) {
    auto check = [](auto& table, int last, const std::string& report) {
        SCOPED_TRACE(report);
        const std::size_t made = static_cast<std::size_t>(last) + 1;
        EXPECT_EQ(exitcodeof([&] { table[made - 1]; }), -1);
        EXPECT_EQ(table.slotsmade(), made);
        for (const std::size_t i : {made, std::size_t{32766}, static_cast<std::size_t>(-1)}) {
            channels.outchannels = 1;  // the report before closed it
            consolecapture console;
            EXPECT_EQ(exitcodeof([&] { table[i]; }), 1) << i;
            EXPECT_NE(console.output().find("-- run bombed in reading scripts : " + report + "\n"), std::string::npos)
                << console.output();
            EXPECT_EQ(table.slotsmade(), made) << i;
        }
    };
    check(settings.rbitable, maxrbilines, "rbi: more than 80 phase lines");
    check(settings.batches, maxbatches, "batch: more than 99 batches");
    check(settings.batchxyzguess, maxguessblocks, "in bxyzguess, too big");
    check(settings.batchreqs, maxbatchreqrows, "batchreq: more than 100 rows");
    check(settings.batchbulks, maxbatchbulkrows, "batchbulk: more than 150 rows");
    check(settings.mcranges, maxmcentries, "too many mcrange");
    check(settings.mcfuncs, maxmcentries, "too many mcfunc");
    check(settings.mcentries, maxmcentries, "too many mc");
}

}  // namespace
}  // namespace zt
