#include "thermo/datacheck.h"

#include <array>
#include <cmath>
#include <string>

#include "runtime/bytes.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/einstein.h"
#include "thermo/gibbs.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

// The steps of the derivatives the reaction routines take by difference.
constexpr real dP = 1e-5L, dT = 0.001L;

std::string conditions(real P, real T)
{
    return decimalstostr(decimalsneeded(P), P) + " kbar, " + wholetostr(T - 273.15L) + degreebyte + "C";
}

void checkat(real P, real T)
{
    for (int16_t i = 1; i <= ws.nem; ++i) {
        real G = 0, GP = 0, GT = 0;
        gemdriver(i, G, P, T);
        gemdriver(i, GP, P + dP, T);
        gemdriver(i, GT, P, T + dT);
        const char* field = nullptr;
        if (!std::isfinite(G))
            field = "G";
        else if (!std::isfinite((GP - G) / dP))
            field = "V";
        else if (!std::isfinite((GT - G) / dT))
            field = "S";
        if (field == nullptr) continue;
        bombout("checkthermodata", std::string(field) + " of " + ws.emname[static_cast<size_t>(i)] +
                                       " is not a finite number at " + conditions(P, T) +
                                       ": its values in the dataset cannot be used",
                0);
    }
}

}  // namespace

void checkthermodata(bool withwindow)
{
    // the evaluation count reports the calculation's work, not this check's
    const int32_t count = run.gemcount;
    checkat(refpres, reftemp);
    if (withwindow) {
        const auto& p = settings.pwindow;
        const auto& t = settings.twindow;
        // a window reaching negative pressures (negP) is left to the solver there
        for (const real P : {p[1], p[2]})
            for (const real T : {t[1], t[2]})
                if (P > 0) checkat(P, T);
    }
    run.gemcount = count;
}

}  // namespace zt
