#include "phasediagram/batches.h"

#include <string>
#include <utility>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "phasediagram/drawingdata.h"
#include "phasediagram/resultseams.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

batchstate batchwork;

void resetbatchwork() { batchwork = batchstate{}; }

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

bool issoln(int k) { return k <= phases.nsolnphases; }

const str22& phasename(int k) {
    return issoln(k) ? phases.prec1[at(k)].shortname : phases.prec0[at(k - phases.nsolnphases)].name;
}

// The phase number of with position w, 0 for no position.
int16_t mapped(const std::array<int16_t, maxwithnames + 1>& map, int16_t w) {
    return w >= 1 && w <= settings.nwith ? map[at(w)] : int16_t{0};
}

void clearisopleths() {
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        axphase& ph = phases.prec1[at(k)];
        ph.isomode = false;
        ph.isomodevalue = 0;
        for (int m = 1; m <= ph.nvars; ++m) {
            ph.vars[at(m)].fixed = false;
            ph.vars[at(m)].isovalue = 0;
        }
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        phases.prec0[at(i)].isomode = false;
        phases.prec0[at(i)].isomodevalue = 0;
    }
    pd.iso[1].nvalues = 0;
}

void oneisoplethvalue(int16_t iso, real value) {
    pd.iso[at(iso)].nvalues = 1;
    pd.iso[at(iso)].values[1] = value;
}

void setmodeisopleth(int16_t k, int16_t iso, real mode) {
    if (issoln(k)) {
        phases.prec1[at(k)].isomode = true;
        phases.prec1[at(k)].isomodevalue = iso;
    } else {
        phases.prec0[at(k - phases.nsolnphases)].isomode = true;
        phases.prec0[at(k - phases.nsolnphases)].isomodevalue = iso;
    }
    oneisoplethvalue(iso, mode);
}

// The variable a composition isopleth of the batch holds; ends the run when there is none.
axvar& isoplethvariable(const batchrec& r, const batchcopy& c, int i, int16_t b) {
    const int16_t k = c.isophase[at(i)];
    const int16_t m = r.isocode[at(i)];
    if (!issoln(k) || m < 1 || m > phases.prec1[at(k)].nvars) {
        bombout("dobatch", "isopleth " + wholetostr(i) + " of batch " + wholetostr(b) + " names no variable of a solution phase", 0);
    }
    return phases.prec1[at(k)].vars[at(m)];
}

void startingguesses(const batchrec& r, const batchcopy& c) {
    // Read only: the script reader has checked the number, and a read must not make slots.
    const guessblock& g = std::as_const(settings.batchxyzguess)[at(r.kxyz)];
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!c.phases[at(k)]) continue;
        axphase& ph = phases.prec1[at(k)];
        for (int m = 1; m <= ph.nvars; ++m) {
            axvar& v = ph.vars[at(m)];
            int found = 0;
            for (int i = 1; i <= g.nguesses && found == 0; ++i) found = g.names[at(i)] == v.name ? i : 0;
            if (found == 0) bombout("dobatch", "xyzguess: can't find " + v.name, 0);
            v.value = g.values[at(found)];
        }
    }
}

// The bulk components of the batch: those some of its phases contain.
void makebulkcomponents(const batchrec& r, batchcopy& c) {
    int16_t counted = 0;
    c.bcflags.fill(false);
    c.ncomps = 0;
    for (int cc = 1; cc <= ws.ncompsall && cc <= maxcomps; ++cc) {
        bool present = false;
        for (int k = 1; k <= phases.nphases && !present; ++k) {
            if (!c.phases[at(k)]) continue;
            if (issoln(k)) {
                const axphase& ph = phases.prec1[at(k)];
                for (int j = 1; j <= ph.nem && !present; ++j) present = ph.em[at(j)].comp[at(cc)] != 0;
            } else {
                present = phases.prec0[at(k - phases.nsolnphases)].comp[at(cc)] != 0;
            }
        }
        if (!present) continue;
        c.bcflags[at(cc)] = true;
        ++counted;
        c.ncomps = static_cast<int16_t>(cc);
    }
    if (counted != r.nbulkcomps) bombout("dobatch", "mismatch in making bcomps", 0);
    c.compsmade = true;
}

void setbulk(const batchrec& r, batchcopy& c) {
    pd.massbalance = true;
    if (!c.compsmade) makebulkcomponents(r, c);
    ws.ncomps = c.ncomps;
    ws.nrcomps = c.ncomps;
    pd.nbulkcomps = r.nbulkcomps;
    for (int cc = 1; cc <= c.ncomps; ++cc) pd.inbulk[at(cc)] = c.bcflags[at(cc)];
    settings.nbulks = 1;
    for (int cc = 1; cc <= maxbulkcomps; ++cc) settings.bulk1[at(cc)] = r.bulkamounts[at(cc)];
    if (r.nbulkcomps != c.ncomps && pd.rankdeficit > 0) bombout("dobatch", "danger - projc not diagonal", 0);
}

}  // namespace

int32_t batchcalcvariable(int16_t var, int16_t np, int16_t nt, bool tatp) {
    if (var != 1 || nt > 1) return 0;
    if (np > 1) return 1;
    return tatp ? 1 : 0;
}

void setupbatch(const loopstate& ls) {
    static phasenamelist names;
    static std::array<int16_t, maxphases + 1> number;
    int n = 0;
    for (int k = 1; k <= phases.nphases; ++k) {
        if (!ls.assemblage[at(k)] || !issoln(k)) continue;
        names[at(++n)] = phasename(k);
        number[at(n)] = static_cast<int16_t>(k);
    }
    for (int k = phases.nsolnphases + 1; k <= phases.nphases; ++k) {
        if (!ls.assemblage[at(k)]) continue;
        names[at(++n)] = phasename(k);
        number[at(n)] = static_cast<int16_t>(k);
    }
    static std::array<int16_t, maxwithnames + 1> map;
    for (int w = 1; w <= settings.nwith; ++w) {
        int found = 0;
        for (int i = 1; i <= n && found == 0; ++i) found = names[at(i)] == settings.withnames[at(w)] ? i : 0;
        if (found == 0) bombout("setupbatch", "name " + settings.withnames[at(w)] + " not recognised", 0);
        map[at(w)] = number[at(found)];
    }

    batchwork.systemncomps = ws.ncomps;
    batchwork.systemnrcomps = ws.nrcomps;
    for (int b = 1; b <= settings.nbatches; ++b) {
        const batchrec& r = settings.batches[at(b)];
        batchcopy& c = batchwork.batch[at(b)];
        c = batchcopy{};
        for (int w = 1; w <= settings.nwith; ++w) {
            if (r.phaseflags[at(w)]) c.phases[at(map[at(w)])] = true;
        }
        if (r.nmodesset >= 1) c.modephase[1] = mapped(map, r.modephase[1]);
        if (r.nmodesset >= 2) c.modephase[2] = mapped(map, r.modephase[2]);
        for (int i = 1; i <= r.nisopleths && i <= 2; ++i) c.isophase[at(i)] = mapped(map, r.isophase[at(i)]);
    }
}

void dobatch(loopstate& ls) {
    const int16_t b = pd.batchno;
    const batchrec& r = settings.batches[at(b)];
    batchcopy& c = batchwork.batch[at(b)];

    ls.nreaccols = 0;
    ls.reactiontext.clear();
    pd.massbalance = false;
    clearisopleths();
    // This batch's points in this run are yet to come.
    c.pointok.fill(false);
    c.pointpass.fill(false);
    if (ls.firstbatch) ls.nslots = 0;

    startingguesses(r, c);
    if (ls.firstrun) {
        for (int i = 1; i <= r.nisopleths; ++i) isoplethvariable(r, c, i, b).value = r.isovalue[at(i)];
        for (int k = 1; k <= phases.nsolnphases; ++k) {
            if (c.phases[at(k)] && !phaselegal(static_cast<int16_t>(k))) {
                bombout("setupbatch", "starting guess not legal for " + phasename(k) + " in batch " + wholetostr(b), 0);
            }
        }
    }

    ls.assemblage = c.phases;
    int16_t& var = reactions.var;
    var = r.variance;
    pd.ovar = var;
    settings.nplist = r.np;
    settings.ntlist = r.nt;
    for (int i = 1; i <= r.np; ++i) settings.plist[at(i)] = r.pressures[at(i)];
    for (int i = 1; i <= r.nt; ++i) settings.tlist[at(i)] = r.temperatures[at(i)];

    if (r.hasbulk) {
        setbulk(r, c);
    } else {
        // A batch without a bulk of its own works in the system's components.
        ws.ncomps = batchwork.systemncomps;
        ws.nrcomps = batchwork.systemnrcomps;
    }

    if (r.nmodesset > 0) {
        var = static_cast<int16_t>(2 - r.nmodesset);
        if (var < 0) bombout("dobatch", "negative variance (1)", 0);
        setmodeisopleth(c.modephase[1], 1, r.modevalue[1]);
        if (r.nmodesset >= 2 && c.modephase[2] != 0) setmodeisopleth(c.modephase[2], 2, r.modevalue[2]);
    }
    if (r.nisopleths > 0) {
        if (r.hasbulk && r.nmodesset == 0) var = 2;
        var = static_cast<int16_t>(var - r.nisopleths);
        if (var < 0) bombout("dobatch", "negative variance (2)", 0);
        for (int i = 1; i <= r.nisopleths; ++i) {
            const int16_t iso = static_cast<int16_t>(r.nmodesset + i);
            oneisoplethvalue(iso, r.isovalue[at(i)]);
            axvar& v = isoplethvariable(r, c, i, b);
            v.fixed = true;
            v.isovalue = iso;
        }
    }
    settings.calcvariable = batchcalcvariable(var, r.np, r.nt, r.tatp);
}

void writeequil(const loopstate&) {
    constexpr int16_t breaks[] = {12, 24, 36, 48};
    for (int16_t b = 1; b <= settings.nbatches; ++b) {
        const batchcopy& c = batchwork.batch[at(b)];
        if (b == 1) qlline(1, " equil = {", 0);

        // The opening goes before the first phase of either kind.
        const std::string opening = "{ (* " + wholetostr(settings.batchlabel[at(b)]) + " *) {";
        std::string line;
        for (int k = 1; k <= phases.nphases; ++k) {
            if (!c.phases[at(k)]) continue;
            line += line.empty() ? opening : ", ";
            line += quoted(phasename(k));
        }
        if (line.empty()) line = opening;
        qlline(1, line + "},", 1);

        line = " {";
        int count = 0;
        for (int k = 1; k <= phases.nsolnphases; ++k) {
            if (!c.phases[at(k)]) continue;
            const axphase& ph = phases.prec1[at(k)];
            for (int m = 1; m <= ph.nvars; ++m) {
                ++count;
                if (count > 1) {
                    line += ", ";
                    for (int16_t at12 : breaks) {
                        if (count != at12) continue;
                        qlline(0, line, 1);
                        line = "  ";
                    }
                }
                line += quoted(ph.vars[at(m)].name);
            }
        }
        qlline(0, line + "}}" + (b == settings.nbatches ? " };" : ","), 1);
    }
    // The csv heads go with the first run written (Monte Carlo accumulation), when the
    // points of every batch and their variables are known.
}

}  // namespace zt
