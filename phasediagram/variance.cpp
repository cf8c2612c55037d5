#include "phasediagram/variance.h"

#include <algorithm>
#include <string>

#include "ax/phaserecords.h"
#include "numeric/nullspace.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

}  // namespace

int16_t calcvariance() {
    static intmatrix a;
    if (a.size() != static_cast<size_t>(maxcomps + 1)) a.assign(maxcomps + 1, introw{});
    int n = 0;
    auto addcolumn = [&](const std::array<int16_t, maxcomps + 1>& comp) {
        if (++n > maxems) bombout("calcvariance", "too many end-members (max = " + wholetostr(maxems) + ")", 0);
        for (int r = 1; r <= ws.ncomps; ++r) a[at(r)][at(n)] = comp[at(r)];
    };
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        for (int j = 1; j <= ph.nem; ++j) addcolumn(ph.em[at(j)].comp);
    }
    for (int i = 1; i <= phases.npurephases; ++i) addcolumn(phases.prec0[at(i)].comp);
    const int16_t rank = introwreduce(a, ws.ncomps, static_cast<int16_t>(n));
    return static_cast<int16_t>(rank + 2 - (phases.nsolnphases + phases.npurephases) - settings.nmu);
}

void variancename(int16_t v) {
    static const char* const words[] = {"invariant", "univariant", "divariant", "trivariant", "quadrivariant"};
    if (v >= 0 && v <= 4) channels.linebuf2 += words[v];
    else channels.linebuf2 += wholetostr(v) + "-variant";
}

void varcalc() {
    if (settings.xco2diagram && (pd.ovar < 2 || (pd.ovar == 2 && pd.niso == 0))) {
        // Calculated as no pseudosection: without a bulk there are no modes to find.
        settings.pseudosection = false;
        pd.massbalance = false;
        pd.lowvarpseudo = false;
    }
    int16_t& var = reactions.var;
    if (settings.pseudosection) {
        var = static_cast<int16_t>((settings.xco2diagram ? 1 : 0) + 2 - pd.niso);
        // Without the mass balance (modes found after the solve, or none for invariant
        // assemblages) no bulk equation takes up a phase more than a field has: a
        // univariant assemblage (a line in P-T, or in T-x(CO2) with its fluid held at the
        // given x(CO2)) is calculated as a line, an invariant one as a point.
        if (!pd.massbalance) var = std::min(var, static_cast<int16_t>(pd.ovar - pd.niso));
    } else {
        var = static_cast<int16_t>(pd.ovar - pd.niso);
    }
    const std::string line = "original variance = " + wholetostr(pd.ovar) + ", effective variance = " + wholetostr(var) +
                             "  (" + wholetostr(pd.nmodeisos) + ", " + wholetostr(pd.nxyzisos) +
                             (settings.xco2diagram ? ", ex" : "") + ")";
    putstr(pd.niso > 0 ? 1 : 0, line, 1, 9);
    if (var < 0) bombout("varcalc", "variance < 0", 0);
    if (var > 2) bombout("varcalc", "variance > 2", 0);
}

}  // namespace zt
