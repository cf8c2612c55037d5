#include "phasediagram/calcwindows.h"

#include <algorithm>

#include "runtime/records/equilibriumstate.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/prompts.h"
#include "script/settings.h"
#include "script/valuelists.h"
#include "script/windows.h"

namespace zt {

void ptstart() {
    settings.tnow = (settings.calctrange[1] + settings.calctrange[2]) / 2;
    settings.pnow = (settings.calcprange[1] + settings.calcprange[2]) / 2;
    if (settings.ptguess != 0) return;
    const real t = settings.ptguesst, p = settings.ptguessp;
    if (t >= settings.calctrange[1] && t <= settings.calctrange[2]) settings.tnow = t;
    else if (p >= settings.calcprange[1] && p <= settings.calcprange[2]) settings.pnow = p;
}

void ptscaling() {
    const real plow = settings.calcprange[1], phigh = settings.calcprange[2];
    const real m = 0.075L * (plow + phigh) / 2 + 1;
    const real pl = std::max(plow - m, settings.pmin), ph = std::min(phigh + m, real{1500});
    const real tl = std::max(settings.calctrange[1] - 75, real{283});
    const real th = std::min(settings.calctrange[2] + 75, real{3000});
    const real pw = ph - pl, tw = th - tl;
    eq.pscale = 1 / pw;
    eq.poffset = -pl / pw;
    eq.pdxunit = 0.01L / pw;
    eq.tscale = 1 / tw;
    eq.toffset = -tl / tw;
    eq.tdxunit = 0.1L / tw;
}

void nlewindows() {
    const int v = settings.batch == 0 ? 0 : reactions.var;
    int32_t pneeded = 0, tneeded = 0;
    if (v == 0) {
        pd.ptcalcmode = 0;
        ptcalcsetup("PT window within which invariant points expected to lie",
                    "P window within which invariant points expected to lie",
                    "T window within which invariant points expected to lie");
        settings.calcvariable = 1;
        settings.othervariable = 0;
        pneeded = tneeded = 1;
    } else if (v == 1) {
        promptcontrol("calculate T at P (rather than P at T)", settings.calctatp);
        if (settings.calctatp == 0) {
            pd.ptcalcmode = 1;
            ptcalcsetup("", "P at which T of reactions to be calculated", "T window within which reactions expected to lie");
            settings.calcvariable = 1;
            settings.othervariable = 0;
            tneeded = 1;
        } else {
            pd.ptcalcmode = 2;
            ptcalcsetup("", "P window within which reactions expected to lie", "T at which P of reactions to be calculated");
            settings.calcvariable = 0;
            settings.othervariable = 1;
            pneeded = 1;
        }
    } else {
        pd.ptcalcmode = 3;
        ptcalcsetup("", "P at which equilibria to be calculated", "T at which equilibria to be calculated");
    }
    scripttwindow(settings.calctrange[1], settings.calctrange[2], tneeded);
    scriptpwindow(settings.calcprange[1], settings.calcprange[2], pneeded);

    ptstart();
    ptscaling();

    settings.nplist = settings.ntlist = 1;
    settings.plist[1] = settings.pnow;
    settings.tlist[1] = settings.tnow;
    for (size_t k = 1; k <= 6; ++k) {
        settings.nlnalist[k] = 0;
        settings.nmulist[k] = 0;
    }

    if (v == 1) {
        if (pd.ptcalcmode == 2) scripttinterval();
        else scriptpinterval();
    } else if (v > 1) {
        scriptpinterval();
        scripttinterval();
    }
    settings.pdecimals = 3;
    settings.tdecimals = 2;
    pd.xyzdecimals = 4;
}

}  // namespace zt
