#include "thermo/datacheck.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/thermo/thermotest.h"

namespace zt {
namespace {

using namespace thermotest;

// A solid whose K' is 0: the Tait exponent 1/K' is infinite and G is NaN at any P and T.
tdrecord zerokprime() {
    tdrecord r = solidrec();
    r.k0p = 0;
    r.k0pp = 0;
    return r;
}

// A liquid whose bulk modulus K0 + dK/dT (T - Tr) falls below 0 above 1608 K: its G is
// sound at 25 degrees C and fails at the hot corners of a window reaching 1400 degrees C.
tdrecord softliquid() {
    tdrecord r = liquidrec();
    r.dkdt = -0.2L;
    return r;
}

TEST(ThermoDataCheck, EndMemberWhoseGIsNotFiniteEndsTheRunNamingIt) {
    struct checkcase {
        const char* what;
        tdrecord second;
        const char* name;
        bool withwindow;
        const char* message;  // empty when the run goes on
    };
    const checkcase cases[] = {
        {"K' = 0", zerokprime(), "ky", false, "G of ky is not a finite number at 0.001 kbar, 25\xA1" "C: its values in the dataset cannot be used"},
        {"K' = 0, window given", zerokprime(), "ky", true, "G of ky is not a finite number at 0.001 kbar, 25\xA1" "C: its values in the dataset cannot be used"},
        {"bulk modulus negative at the hot corner", softliquid(), "abL", true,
         "G of abL is not a finite number at 10.0 kbar, 1400\xA1" "C: its values in the dataset cannot be used"},
        {"the same without a window", softliquid(), "abL", false, ""},
        {"sound data", liquidrec(), "abL", true, ""},
    };
    for (const checkcase& c : cases) {
        SCOPED_TRACE(c.what);
        resetthermo();
        addem("gr", solidrec());
        addem(c.name, c.second);
        addem("q", einsteinrec());
        settings.pwindow = {0, 1, 10};
        settings.twindow = {0, 773.15L, 1673.15L};
        run.gemcount = 17;
        const fatalresult r = fatalof([&] { checkthermodata(c.withwindow); });
        if (*c.message == 0) {
            EXPECT_EQ(r.code, -1) << r.console;
            EXPECT_EQ(r.console, "");
            // the count of G evaluations is the calculation's
            EXPECT_EQ(run.gemcount, 17);
        } else {
            EXPECT_EQ(r.code, 1);
            EXPECT_NE(r.console.find(bombline("checkthermodata", c.message)), std::string::npos) << r.console;
            EXPECT_EQ(r.console.find(internalnotice()), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace zt
