#include "ax/varlimits.h"

#include <cmath>

#include "ax/axeval.h"
#include "numeric/methods/random.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr real unsetlower = 11;
constexpr real unsetupper = -11;
constexpr real checktolerance = 0.001L;

// Tightens the limits of variable v by the single-term site fractions that are a
// linear function of it alone.
void limitsfromsitefractions(axphase& ph, int v) {
    axvar& var = ph.vars[static_cast<size_t>(v)];
    for (int s = 1; s <= ph.nsf; ++s) {
        const axexpr& e = ph.sf[static_cast<size_t>(s)];
        if (e.nterms != 1) continue;
        const axterm& term = e.term[1];
        for (int f = 1; f <= term.nfactors; ++f) {
            const axfactor& fac = term.factor[static_cast<size_t>(f)];
            if (fac.nitems != 1 || fac.itemvar[1] != v) continue;
            ph.sfbound[static_cast<size_t>(s)] = true;
            if (fac.c0num == 0) {
                if (var.lower < 0) {
                    var.lower = 0;
                    var.lowerkind = 4;
                }
                continue;
            }
            const real b = -(static_cast<real>(fac.c0num) * fac.den[1]) / (static_cast<real>(fac.c0den) * fac.num[1]);
            if (fac.num[1] > 0) {
                if (b >= var.lower) {
                    var.lower = b;
                    var.lowerkind = 4;
                }
            } else if (b <= var.upper) {
                var.upper = b;
                var.upperkind = 4;
            }
        }
    }
}

bool inwithshortnames(const str22& shortname) {
    for (int i = 1; i <= settings.nwith; ++i) {
        if (settings.withnames[static_cast<size_t>(i)] == shortname) return true;
    }
    return false;
}

void checkguesses(const axphase& ph) {
    for (int v = 1; v <= ph.nvars; ++v) {
        const axvar& var = ph.vars[static_cast<size_t>(v)];
        if (var.isorder) continue;
        const bool toosmall = var.lowerkind == 4 ? var.value <= var.lower : var.value < var.lower;
        if (toosmall) bombout("setupphases", "guess too small for " + var.name, 0);
        const bool toolarge = var.upperkind == 4 ? var.value >= var.upper : var.value > var.upper;
        if (toolarge) bombout("setupphases", "guess too large for " + var.name, 0);
    }
}

template <typename record>
void takecolour(record& r, const str22& name) {
    r.hascolour = false;
    for (int i = 1; i <= settings.nrgb; ++i) {
        if (settings.rgbnames[static_cast<size_t>(i)] != name) continue;
        r.hascolour = true;
        for (int c = 1; c <= 3; ++c) r.colour[static_cast<size_t>(c)] = settings.rgbcolours[static_cast<size_t>(i)][static_cast<size_t>(c)];
        return;
    }
}

void addentry(std::string& list, const std::string& entry) {
    if (!list.empty()) list += ", ";
    list += entry;
}

// The model of phase ph at the pure-end-member point of end-member j.
void checkpureendmember(const axphase& ph, int j, std::string& idlist, std::string& plist) {
    const axem& em = ph.em[static_cast<size_t>(j)];
    axvector x{};
    for (int v = 1; v <= ph.nvars; ++v) {
        x[static_cast<size_t>(v)] = static_cast<real>(em.xnum[static_cast<size_t>(v)]) / em.xdivisor;
    }
    real a = em.tmfconst;
    for (int t = 1; t <= em.ntmf; ++t) {
        const tmfterm& term = em.tmf[static_cast<size_t>(t)];
        const real s = evalaxexpr(ph.sf[static_cast<size_t>(term.sfindex)], x, 1);
        if (term.pownum == 1 && term.powden == 1) {
            a *= s;
            continue;
        }
        if (s <= 0) {
            bombout("setupphases", "ideal mixing term = 0 for " + em.name + " in " + ph.shortname + " (check coding wrong?)", 0);
        }
        a *= rationalpower(term.pownum, term.powden, s);
    }
    if (std::fabs(1 - a) > checktolerance) addentry(idlist, em.name + " in " + ph.shortname + " = " + realtostr(4, true, a));
    const real p = evalaxexpr(ph.p[static_cast<size_t>(j)], x, 1);
    if (std::fabs(1 - p) > checktolerance) addentry(plist, em.name + " = " + realtostr(3, true, p));
}

}  // namespace

void takemodeguess(real& modestart, const str22& name) {
    modestart = -1;
    for (int i = 1; i <= settings.nmodeguess; ++i) {
        if (settings.modeguessnames[static_cast<size_t>(i)] != name) continue;
        if (settings.modeguessvalues[static_cast<size_t>(i)] > 0) modestart = settings.modeguessvalues[static_cast<size_t>(i)];
        return;
    }
}

void setvarlim(const axexpr& expr, int16_t term, int16_t factor, int16_t ncols, int16_t& count,
               std::array<limrow, maxlimrows + 1>& numrows, std::array<limrow, maxlimrows + 1>& denrows) {
    const axfactor& fac = expr.term[static_cast<size_t>(term)].factor[static_cast<size_t>(factor)];
    if (fac.nitems <= 1) return;
    limrow num{}, den{};
    for (int c = 1; c < ncols; ++c) {
        num[static_cast<size_t>(c)] = 0;
        den[static_cast<size_t>(c)] = 1;
    }
    for (int i = 1; i <= fac.nitems; ++i) {
        const size_t c = static_cast<size_t>(fac.itemvar[static_cast<size_t>(i)]);
        num[c] = fac.num[static_cast<size_t>(i)];
        den[c] = fac.den[static_cast<size_t>(i)];
    }
    num[static_cast<size_t>(ncols)] = fac.c0num;
    den[static_cast<size_t>(ncols)] = fac.c0den;
    for (int r = 1; r <= count; ++r) {
        bool same = true;
        for (int c = 1; c <= ncols && same; ++c) {
            const size_t cc = static_cast<size_t>(c);
            same = numrows[static_cast<size_t>(r)][cc] == num[cc] && denrows[static_cast<size_t>(r)][cc] == den[cc];
        }
        if (same) return;
    }
    if (count >= maxlimrows) {
        putstr(1, std::string(2, bulletbyte) + " insufficient space to store variable limits...", 1, 8);
        bombout("setvarlim", "increase maxnvarlim", 0);
    }
    count = static_cast<int16_t>(count + 1);
    numrows[static_cast<size_t>(count)] = num;
    denrows[static_cast<size_t>(count)] = den;
}

void setphaselimits(int16_t k) {
    axphase& ph = phases.prec1[static_cast<size_t>(k)];
    ph.simplesf = ph.nsf == 0;
    for (int s = 1; s <= ph.nsf; ++s) ph.sfbound[static_cast<size_t>(s)] = false;
    for (int v = 1; v <= ph.nvars; ++v) {
        axvar& var = ph.vars[static_cast<size_t>(v)];
        var.fixed = false;
        var.isovalue = 0;
        var.lowerkind = 1;
        var.upperkind = 1;
        limitsfromsitefractions(ph, v);
        if (var.lower == unsetlower) var.lower = 0;
        if (var.upper == unsetupper) var.upper = 1;
        if (var.lower >= var.upper) bombout("read", "lower limit > upper limit in xyz range", 0);
        var.scale = 1 / (var.upper - var.lower);
        var.offset = -var.lower * var.scale;
        var.tol = 0.0001L / (var.upper - var.lower);
    }
    ph.modeparam1 = 0.6666667L;
    ph.modeparam2 = 0.1666667L;
    ph.nlimrows = 0;
    for (int s = 1; s <= ph.nsf; ++s) {
        const axexpr& e = ph.sf[static_cast<size_t>(s)];
        if (e.nterms != 1) continue;
        ph.sfbound[static_cast<size_t>(s)] = true;
        for (int f = 1; f <= e.term[1].nfactors; ++f) {
            setvarlim(e, 1, static_cast<int16_t>(f), ph.nem, ph.nlimrows, ph.limrownum, ph.limrowden);
        }
    }
    if (ph.nsf > 0) {
        bool all = true;
        for (int s = 1; s <= ph.nsf; ++s) all = all && ph.sfbound[static_cast<size_t>(s)];
        ph.simplesf = all;
    }
}

void setvariablelimits() {
    for (int k = 1; k <= phases.nsolnphases; ++k) setphaselimits(static_cast<int16_t>(k));
}

void checkmodels() {
    if (settings.batch != 0) {
        for (int k = 1; k <= phases.nsolnphases; ++k) {
            axphase& ph = phases.prec1[static_cast<size_t>(k)];
            if (!inwithshortnames(ph.shortname)) continue;
            checkguesses(ph);
            takemodeguess(ph.modestart, ph.shortname);
        }
        if (run.calcmode == 1) {
            for (int k = 1; k <= phases.nsolnphases; ++k) {
                axphase& ph = phases.prec1[static_cast<size_t>(k)];
                takecolour(ph, ph.shortname);
            }
            for (int i = 1; i <= phases.npurephases; ++i) {
                emphaserec& ph = phases.prec0[static_cast<size_t>(i)];
                takecolour(ph, ph.name);
            }
        }
    }

    std::string idlist, plist;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[static_cast<size_t>(k)];
        for (int j = 1; j <= ph.nem; ++j) {
            const axem& em = ph.em[static_cast<size_t>(j)];
            if (em.ntmf > 0 && em.xdivisor > 0) checkpureendmember(ph, j, idlist, plist);
        }
    }
    if (!idlist.empty()) {
        putstr(2, "inconsistent ideal mixing activities: " + idlist, 1, 13);
        bombout("setupphases", " ideal mixing terms not equal to 1 for pure end-members (also look at check coding)", 0);
    }
    if (!plist.empty()) {
        putstr(2, "inconsistent p coding: " + plist, 1, 13);
        bombout("setupphases", "proportions not equal to 1 for pure end-members (also look at check coding)", 0);
    }
}

}  // namespace zt
