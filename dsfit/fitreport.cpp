#include "dsfit/fitreport.h"

#include <algorithm>
#include <cmath>

#include "ax/phaserecords.h"
#include "dsfit/dsfile.h"
#include "dsfit/emfile.h"
#include "dsfit/fitformat.h"
#include "dsfit/groupequilibria.h"
#include "dsfit/lsq.h"
#include "dsfit/xpequilibria.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

constexpr wordset reportchannels = 12;  // summary and log

fitexprec& rec(int e) { return fit.xp[static_cast<size_t>(e)]; }
void out(int16_t before, const std::string& text, int16_t after) { putstr(before, text, after, reportchannels); }

real hatofrow(int row) { return row > 0 ? fit.hat[static_cast<size_t>(row)] : 0; }

void propertiestable()
{
    out(2, "Thermodynamic properties (units : kJ, K, kbar)", 2);
    std::string line;
    addfield("", 8, line);
    const char* heads[] = {"H", "sd(H)", "S", "V", "a", "b", "c", "d", "a0", "K0", "K0'", "K0''", "theta", "Tc", "Smax", "Vmax"};
    const int16_t widths[] = {10, 7, 8, 8, 8, 9, 9, 9, 7, 8, 7, 8, 8, 7, 7, 7};
    for (int k = 0; k < 16; ++k) addfield(heads[k], widths[k], line);
    out(0, line, 1);
    for (int i = 1; i <= fit.ntpfit; ++i) {
        const fitemrecord& r = fit.tda[static_cast<size_t>(i)];
        line.clear();
        addfield(r.name, -8, line);
        addfixed(2, 10, r.H, line);
        // a fitted sd keeps the digits that the fit holds of its variance
        if (fit.fitreport) addnumber(heldroottext(r.sdH, covarianceerror(i, i), 2), 7, line);
        else addfixed(2, 7, r.sdH, line);
        addfixed(2, 8, 1000 * r.S, line);
        addfixed(3, 8, r.V, line);
        addfixed(4, 8, r.cpa, line);
        addfixed(4, 9, 100000 * r.cpb, line);
        addfixed(1, 9, r.cpc, line);
        addfixed(4, 9, r.cpd, line);
        addfixed(2, 7, 100000 * r.a0, line);
        addfixed(1, 8, r.k0, line);
        addfixed(2, 7, r.k0p, line);
        addfixed(4, 8, r.k0pp, line);
        addfixed(1, 8, r.theta, line);
        if (r.smax > 0) {
            addfixed(0, 7, r.tlandau, line);
            addfixed(2, 7, 1000 * r.smax, line);
            addfixed(4, 7, r.vmax, line);
        }
        if (r.bwn > 0.5L) {
            addfixed(2, 7, r.bwdh, line);
            addfixed(4, 7, r.bwdhv, line);
            addfixed(2, 7, r.bww, line);
            addfixed(4, 7, r.bwwv, line);
            addfixed(0, 5, r.bwn, line);
            addfixed(2, 5, r.bwfac, line);
        }
        out(0, line, 1);
    }
}

void directtable()
{
    out(2, "Direct calorimetry", 2);
    std::string line;
    addfield(" ", 6, line);
    addfield("value", 10, line);
    addfield("sd", 7, line);
    addfield("e*", 7, line);
    addfield("hat", 7, line);
    out(0, line, 1);
    // With the calorimetry in a dsmode-5 end-member file the entries are not listed.
    if (ds.dsmode == 5) return;
    for (int i = 1; i <= fit.ntpfit; ++i) {
        const fitemrecord& r = fit.tda[static_cast<size_t>(i)];
        if (!(r.calsd > 0)) continue;
        line.clear();
        addfield(r.name, -6, line);
        addfixed(2, 10, r.calH, line);
        addfixed(2, 7, r.calsd, line);
        if (std::fabs(r.calsd) < 0.002L) addfield("<0>", 7, line);
        else addfixed(2, 7, (r.calH - r.H) / r.calsd, line);
        const int row = fit.directrow[static_cast<size_t>(i)];
        if (row > 0) addfixed(2, 7, hatofrow(row), line);
        out(0, line, 1);
    }
}

void oxidetable()
{
    out(2, "Oxide calorimetry", 2);
    std::string line;
    addfield(" ", 6, line);
    addfield("T", 5, line);
    addfield("H(cal)", 9, line);
    addfield("sd", 6, line);
    addfield("H(298)", 9, line);
    addfield("e*", 7, line);
    addfield("hat", 7, line);
    out(0, line, 1);
    for (int k = 1; k <= fit.noxcal; ++k) {
        const oxcalrec& o = fit.oxcal[static_cast<size_t>(k)];
        if (!o.used) continue;
        real sum = 0;
        for (int i = 1; i <= o.n; ++i)
            sum += o.coef[static_cast<size_t>(i)] * fit.tda[static_cast<size_t>(o.em[static_cast<size_t>(i)])].H;
        line.clear();
        addfield(ds.dsnames[static_cast<size_t>(o.em[1])], -6, line);
        addrounded(5, o.t - 273.15L, line);
        addfixed(1, 9, o.hmeas, line);
        addfixed(1, 6, o.sd, line);
        addfixed(1, 9, o.h298, line);
        if (std::fabs(o.sd) < 0.002L) addfield("***", 7, line);
        else addfixed(1, 7, (sum + o.h298) / o.sd, line);
        addfixed(2, 7, hatofrow(o.row), line);
        out(0, line, 1);
    }
}

std::string pfield(real p)
{
    return p > 99.99L ? fixedstr(std::nearbyint(p), 0) : fixedstr(p, 1);
}

void addtext(const std::string& text, int16_t w, std::string& line) { addfield(text, w, line); }

std::string celsius(real t) { return fixedstr(std::nearbyint(t - 273.15L), 0); }

// The heading of the results table of record e.
void resultshead(const fitexprec& r)
{
    std::string line;
    addtext("ln_K", 9, line);
    addtext("x(CO2)", 11, line);
    addtext("P(kbar)", 10, line);
    line += "  ";
    addtext("T(C)", 9, line);
    line += "  ";
    addtext("H(low)", 9, line);
    addtext("H(high)", 8, line);
    addtext("miss", 7, line);
    if (r.variance == 2) {
        line += spaces(13);
    } else {
        addtext("calc", 7, line);
        if (!r.ingroup) addtext("2sd", 6, line);
        else line += spaces(6);
    }
    line += "   cH =  " + fixedstr(r.dh, 2) + " (sd  " + fixedstr(r.sddh, 2) + ")";
    if (r.used && r.nbr == 0) {
        line += "   ** NO RUNS (no row) **";
    } else if (r.used && r.expno == 0) {
        // Every run went the same way: one side of the bracket was never bounded.
        line += "   ** ALL RUNS ONE WAY (no row) **";
    } else if (r.used) {
        if (r.dh < r.hlow) line += std::string("   too low ") + (r.hlow - r.dh < 2 * r.sddh ? "but OK" : "");
        else if (r.dh > r.hhigh) line += std::string("   too high ") + (r.dh - r.hhigh < 2 * r.sddh ? "but OK" : "");
        else line += "   within bracket";
    } else {
        line += "   ** NOT USED **";
    }
    out(0, line, 1);
}

std::string bracketnote(const fitexprec& r)
{
    std::string s = "(" + fixedstr(r.hlow, 2) + " <-> " + fixedstr(r.hhigh, 2) + ")" + ", uH = " + fixedstr(r.sdpair, 2) +
                    ", " + "d/s = " + fixedstr(r.gap, 1) + ", h = " +
                    fixedstr(hatofrow(r.expno > 0 ? fit.ncal + r.expno : 0), 2);
    if (std::fabs(r.rfac - 1) > 0.01L) {
        const real whole = std::nearbyint(r.rfac);
        s += ", r = " + (std::fabs(r.rfac - whole) <= 0.01L ? fixedstr(whole, 0) : fixedstr(r.rfac, 2));
    }
    return s;
}

// How far the fitted enthalpy of reaction lies outside what the run (or the pair) allows:
// a run that went the reaction's way (dir) bounds it from above, one that did not from
// below. Blank when it lies within.
std::string groupmiss(const fitexprec& r, const bracketrec& b, const bracketrec* partner)
{
    bool haslow = false, hashigh = false;
    real low = 0, high = 0;
    auto take = [&](const bracketrec& x) {
        if (x.dir) {
            high = hashigh ? std::min(high, x.hreq) : x.hreq;
            hashigh = true;
        } else {
            low = haslow ? std::max(low, x.hreq) : x.hreq;
            haslow = true;
        }
    };
    take(b);
    if (partner) take(*partner);
    const bool below = haslow && r.dh < low;
    const bool above = hashigh && r.dh > high;
    if (below && (!above || low - r.dh <= r.dh - high)) return fixedstr(r.dh - low, 2);
    if (above) return fixedstr(r.dh - high, 2);
    return "";
}

void resultrow(int e, int k, bool first)
{
    fitexprec& r = rec(e);
    bracketrec& b = r.brackets[static_cast<size_t>(k)];
    const bool hasnext = k < r.nbr;
    const bracketrec* nx = hasnext ? &r.brackets[static_cast<size_t>(k + 1)] : nullptr;
    const bool duplicated = hasnext && nx->hidden;
    const bool tpair = hasnext && nx->sameP;
    const bool ppair = hasnext && nx->sameT && !nx->sameP;
    bool pok = false, tok = false;
    if (!r.ingroup) {
        if (ppair) pok = solvep(e, k, b.pcalc, b.pmiss);
        else if (!duplicated) tok = solvet(e, k, b.tcalc, b.tmiss);
    }

    std::string line;
    if (std::fabs(b.lnq) < 1e-6L) addtext("0", 9, line);
    else if (duplicated) {
        addfixed(2, 6, b.lnq, line);
        addfixed(2, 6, nx->lnq, line);
    } else addfixed(2, 9, b.lnq, line);
    line += "   ";
    if (r.nofluid) addtext("-", 6, line);
    else if (b.xco2 == 0) addtext("0", 6, line);
    else if (b.xco2 == 1) addtext("1", 6, line);
    else addfixed(2, 6, b.xco2, line);
    line += " ";
    if (ppair) {
        addnumber(pfield(b.p), 6, line);
        addnumber(pfield(nx->p), 6, line);
    } else {
        addnumber(pfield(b.p), 9, line);
        line += "    ";
    }
    if (duplicated || ppair) {
        addnumber(celsius(b.t), duplicated ? 9 : 10, line);
        line += "  ";
        addfixed(2, 9, b.hreq, line);
        addfixed(2, 8, nx->hreq, line);
    } else if (!b.dir) {
        addnumber(celsius(b.t), 6, line);
        if (tpair) addnumber(celsius(nx->t), 5, line);
        else line += spaces(5);
        addfixed(2, 9, b.hreq, line);
        if (tpair) addfixed(2, 8, nx->hreq, line);
        else line += spaces(8);
    } else {
        line += spaces(5);
        addnumber(celsius(b.t), 6, line);
        line += spaces(9);
        addfixed(2, 8, b.hreq, line);
    }

    // The ln K at dh, interpolated between a duplicated run and the next. At one P and T
    // the enthalpy a run needs goes with -RT ln Q, so the slope is -1/RT; two runs with
    // the same ln Q need the same enthalpy and give it only that way.
    real lnqatdh = 0, dlnqdh = 0;
    if (duplicated) {
        dlnqdh = nx->hreq != b.hreq ? (nx->lnq - b.lnq) / (nx->hreq - b.hreq) : -1 / (fitgasconstant * b.t);
        lnqatdh = b.lnq + (r.dh - b.hreq) * dlnqdh;
    }
    std::string miss, calc, sd2;
    if (!r.ingroup) {
        if (duplicated) {
            miss = fixedstr(lnqatdh - b.lnq, 2);
            calc = fixedstr(lnqatdh, 2);
            const real s = 2 * r.sddh * std::fabs(dlnqdh);
            if (s > 0) sd2 = fixedstr(s, 2);
        } else if (ppair) {
            if (pok) {
                miss = fixedstr(b.pcalc - b.p, 2);
                calc = b.pcalc > 99 ? fixedstr(b.pcalc, 1) : fixedstr(b.pcalc, 2);
            } else {
                calc = "*";
            }
            if (2 * b.pmiss > 0) sd2 = fixedstr(2 * b.pmiss, 2);
        } else {
            if (tok) miss = fixedstr(std::nearbyint(b.tcalc - b.t), 0);
            calc = tok && b.tcalc > 300 ? celsius(b.tcalc) : "*";
            if (2 * b.tmiss > 0) sd2 = fixedstr(std::nearbyint(2 * b.tmiss), 0);
        }
        if (r.variance == 2) calc.clear();
    } else {
        miss = groupmiss(r, b, duplicated || ppair || tpair ? nx : nullptr);
    }
    addnumber(miss, 7, line);
    addnumber(calc, 7, line);
    addnumber(sd2, 6, line);
    line += "   ";
    if (first && r.used && r.expno > 0) line += bracketnote(r);
    out(0, line, 1);
}

// The heading of group experiment d and the table of its equilibria at its runs.
void groupequilibrium(int d)
{
    const fitexprec& r = rec(d);
    out(1, std::string(65, '-'), 1);
    const std::string list = listnames(r);
    out(0, std::string(r.variance == 1 ? "univariant involving " : "divariant involving ") + list +
               (r.unknowncomps ? " (unknown comps) " : "") + " (" + r.label + ")",
        1);
    fit.fitexpdesc = list + " (" + r.label + ")";
    setupfitcomps(d);
    calcass(d, r.unknowncomps || r.variance == 1 ? 2 : 3, true);
}

}  // namespace

std::string listnames(const fitexprec& r)
{
    std::string text;
    for (int k = 1; k <= r.nlist; ++k) {
        const real code = r.listact[static_cast<size_t>(k)];
        if (code > 0 && code != 0.5L) text += r.listname[static_cast<size_t>(k)] + " ";
        else if (code == -1) text += phases.prec1[static_cast<size_t>(r.listphase[static_cast<size_t>(k)])].shortname + " ";
    }
    return text;
}

std::string printreaction(const fitcoefs& coef, const fitcoefs& em, int16_t n)
{
    std::string sides[2];
    for (int i = 1; i <= n; ++i) {
        const int c = coef[static_cast<size_t>(i)];
        if (c == 0) continue;
        std::string& side = sides[c < 0 ? 0 : 1];
        if (!side.empty()) side += " + ";
        if (std::abs(c) != 1) side += wholetostr(std::abs(c));
        side += ds.dsnames[static_cast<size_t>(em[static_cast<size_t>(i)])];
    }
    return sides[0] + " = " + sides[1];
}

void dittorows(int e)
{
    fitexprec& r = rec(e);
    for (int k = 1; k <= r.nbr; ++k) {
        bracketrec& b = r.brackets[static_cast<size_t>(k)];
        b.sameP = b.sameT = b.hidden = false;
        if (k == 1) continue;
        const bracketrec& a = r.brackets[static_cast<size_t>(k - 1)];
        if (a.sameP || a.sameT || a.hidden || a.dir == b.dir) continue;
        b.sameP = b.p == a.p && b.xco2 == a.xco2 && b.lnq == a.lnq;
        b.sameT = b.t == a.t && b.xco2 == a.xco2 && b.lnq == a.lnq;
        b.hidden = b.p == a.p && b.t == a.t && b.xco2 == a.xco2;
    }
}

void printexpresults(int e)
{
    dittorows(e);
    fitexprec& r = rec(e);
    fit.expcrdflag = r.crd;
    if (!r.used && fit.fitsetprefs.printomit != 0) return;
    out(1, std::string(r.ingroup ? 32 : 65, '-'), 1);
    // "*": the record made no row, being unused or without a bracket.
    std::string title = r.used && r.expno > 0 ? wholetostr(r.expno) + ") " : "*  ";
    title += wholetostr(e) + (r.ingroup ? " ^  " : "  ") + trimblanks(r.rxtext) + "   (" + trimblanks(r.label) + ")";
    out(0, title, 2);
    resultshead(r);
    bool first = true;
    for (int k = 1; k <= r.nbr; ++k) {
        const bracketrec& b = r.brackets[static_cast<size_t>(k)];
        if (b.sameP || b.sameT || b.hidden) continue;
        resultrow(e, k, first);
        first = false;
    }
}

void reportfitset()
{
    fit.fitreport = true;
    fit.unconvcount = 0;
    if (fit.nrows <= ds.ntp)
    {
        putstr(2, "no degrees of freedom (" + wholetostr(fit.nrows) + " rows for " + wholetostr(ds.ntp) + " enthalpies):", 1,
               13);
        putstr(0, "the uncertainties are those of the rows, not scaled by sigfit", 1, 13);
    }
    propertiestable();
    directtable();
    oxidetable();
    out(2, std::string(20, '_'), 1);
    out(0, "Experimental results", 1);
    for (int d = 1; d <= fit.nexp; ++d) {
        fitexprec& r = rec(d);
        fit.iexp = static_cast<int16_t>(d);
        r.dh = 0;
        for (int i = 1; i <= r.nrx; ++i)
            r.dh += r.rxcoef[static_cast<size_t>(i)] * fit.tda[static_cast<size_t>(r.rxem[static_cast<size_t>(i)])].H;
        r.sddh = std::sqrt(reactionvariance(r) * fitvariancefactor());
        fit.expcrdflag = r.crd;
        if (!r.ingroup) {
            for (int k = 1; k <= r.nbr; ++k) {
                bracketrec& b = r.brackets[static_cast<size_t>(k)];
                b.tcalc = 273.15L;
                b.pcalc = b.tmiss = b.pmiss = 0;
            }
        }
        if (r.ingroup && r.groupno == 1) groupequilibrium(d);
        r.rxtext = printreaction(r.rxcoef, r.rxem, r.nrx);
        printexpresults(d);
    }
    if (fit.unconvcount > 0) bombout("writing dataset", "some \"not converged\" present (dataset not written)", 0);
    writedsfile();
}

}  // namespace zt
