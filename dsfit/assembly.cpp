#include "dsfit/assembly.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "ax/phaserecords.h"
#include "dsfit/brackets.h"
#include "dsfit/emfile.h"
#include "dsfit/fitreport.h"
#include "dsfit/fitset.h"
#include "dsfit/groupequilibria.h"
#include "dsfit/xpequilibria.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "thermo/dataset.h"
#include "thermo/gibbs.h"

namespace zt {

namespace {

fitexprec& rec(int e) { return fit.xp[static_cast<size_t>(e)]; }

void prepare(int e)
{
    fitexprec& r = rec(e);
    fit.iexp = static_cast<int16_t>(e);
    fitlist list{};
    for (int k = 1; k <= r.nlist; ++k) list[static_cast<size_t>(k)] = r.listem[static_cast<size_t>(k)];
    specialemindex(list, r.nlist);
    r.nofluid = fit.ih2o == 0 && fit.ico2 == 0;
    fit.expcrdflag = r.crd;
}

void listactivities(int e)
{
    const fitexprec& r = rec(e);
    if (!r.ingroup) putstr(1, std::string(61, '-'), 1, 8);
    std::string line;
    addwhole(2, line, e);
    putstr(0, line + ")  activities for " + listnames(r) + "for the given brackets  (" + r.label + ")", 1, 8);
    line = "      P      T";
    for (int k = 1; k <= r.nlist; ++k) addfield(r.listname[static_cast<size_t>(k)], 10, line);
    putstr(0, line, 1, 8);
    for (int b = 1; b <= r.nbr; ++b) {
        const bracketrec& br = r.brackets[static_cast<size_t>(b)];
        line.clear();
        addreal(1, true, 7, br.p, line);
        addwhole(7, line, br.t - 273.15L);
        for (int k = 1; k <= r.nlist; ++k) addreal(5, true, 10, br.act[static_cast<size_t>(k)], line);
        putstr(0, line, 1, 8);
    }
}

void listgrouphead(int e, int16_t iteration)
{
    const fitexprec& r = rec(e);
    if (e == 1) {
        putstr(1, std::string(61, '='), 1, 8);
        putstr(0, "iteration = " + wholetostr(iteration) + ": ASSEMBLING experimental work", 1, 8);
    }
    if (!r.ingroup || r.groupno != 1) return;
    putstr(1, std::string(61, '-'), 1, 8);
    putstr(0, std::string(r.variance == 1 ? "univariant " : "divariant ") +
                  (r.unknowncomps ? "equilibrium with unknown comps (" : "equilibrium (") + r.label + "), involving:",
           1, 8);
    for (int h = 1; h <= r.groupsize; ++h) {
        const fitexprec& g = rec(e + h - 1);
        putstr(0, "    " + wholetostr(h) + ":  " + printreaction(g.rxcoef, g.rxem, g.nrx), 1, 8);
    }
    putstr(0, "", 1, 8);
}

std::string rowvalues(int row, int16_t d, int16_t wsd)
{
    std::string line;
    addwhole(3, line, row);
    line += ") ";
    addreal(d, true, 10, fit.y[static_cast<size_t>(row)], line);
    addreal(d, true, wsd, fit.rowsd[static_cast<size_t>(row)], line);
    return line;
}

void listlsqinput()
{
    putstr(1, "LSQ input:", 1, 8);
    putstr(0, "simple calorimetry", 1, 8);
    for (int i = 1; i <= fit.ndirect; ++i) putstr(0, rowvalues(i, 2, 8), 1, 8);
    putstr(0, "", 1, 8);
    putstr(1, "oxide calorimetry", 1, 8);
    for (int i = 1; i <= fit.noxcal; ++i) {
        const oxcalrec& o = fit.oxcal[static_cast<size_t>(i)];
        if (o.row == 0) continue;
        std::string line = rowvalues(o.row, 2, 8);
        for (int k = 1; k <= o.n; ++k) addfield(ds.dsnames[static_cast<size_t>(o.em[static_cast<size_t>(k)])], 6, line);
        putstr(0, line, 1, 8);
    }
    putstr(0, "", 1, 8);
    putstr(1, "experimental brackets", 1, 8);
    for (int e = 1; e <= fit.nexp; ++e) {
        const fitexprec& r = rec(e);
        if (r.expno == 0) continue;
        const int row = fit.ncal + r.expno;
        std::string line = rowvalues(row, 4, 10) + "    ";
        std::string side;
        for (int s = 0; s < 2; ++s) {
            for (int i = 1; i <= r.nrx; ++i) {
                const int16_t c = r.rxcoef[static_cast<size_t>(i)];
                if ((s == 0 && c < 0) || (s == 1 && c > 0)) side += ds.dsnames[static_cast<size_t>(r.rxem[static_cast<size_t>(i)])] + "  ";
            }
            if (s == 0) side += "=  ";
        }
        line += side;
        const int pad = 35 - static_cast<int>(side.size());
        line += std::string(pad > 0 ? static_cast<size_t>(pad) : 1, ' ');
        if (r.ingroup && r.groupno == 1) line += "  in:  " + listnames(r) + "  (" + r.label + ")";
        else if (r.ingroup) line += "        -- ditto --";
        else line += "  (" + r.label + ")";
        putstr(0, line, 1, 8);
    }
    putstr(0, "", 1, 8);
}

// How far an experiment's row may be off by its own arithmetic: its runs' enthalpies of
// reaction are Gibbs energies of thousands of kJ less each other, and their sds come from
// differences of those over 1 K and 0.01 kbar. Each Gibbs energy is taken to four units
// of the last bit of its largest terms (H, T S and P V of each end-member, times its
// coefficient). The combination of the runs into the row at most quadruples the rest,
// whose sd moves with the runs' sds and, through the gap between the runs, with their
// enthalpies (the noise a row of ky = sill shows when both enthalpies move by 20000 kJ
// stays some 80 times below the bound of y, 1600 times below that of sd). Sets the row's
// rowround (y, kJ) and sdround (sd, as a part of it).
void noterounding(int row, const fitexprec& r)
{
    constexpr real lastbit = 5.421010862427522170e-20L;  // 2^-64
    real dh = 0, dsd = 0;
    for (int b = 1; b <= r.nbr; ++b) {
        const bracketrec& br = r.brackets[static_cast<size_t>(b)];
        real scale = 0;
        for (int i = 1; i <= r.nrx; ++i) {
            const fitemrecord& e = fit.tda[static_cast<size_t>(r.rxem[static_cast<size_t>(i)])];
            scale += std::abs(r.rxcoef[static_cast<size_t>(i)]) *
                     (std::fabs(e.H) + br.t * std::fabs(e.S) + std::fabs(br.p) * std::fabs(e.V));
        }
        const real dg = 4 * lastbit * scale;
        const real sdp = br.p < 10 ? 0.01L * br.p : 0.1L + 0.01L * (br.p - 10);
        // sd2 = 2 |(2.5 gt, sdp gp, ...)|, gt and gp differences of two Gibbs energies
        const real dsd2 = 2 * (2.5L * 2 * dg + std::fabs(sdp) * 2 * dg / 0.01L);
        dh = std::max(dh, dg);
        if (br.sd2 > 0) dsd = std::max(dsd, dsd2 / br.sd2);
    }
    const real rfac = std::max(r.rfac, real{1});
    const real sd = fit.rowsd[static_cast<size_t>(row)];
    fit.rowround[static_cast<size_t>(row)] = 4 * rfac * dh;
    fit.sdround[static_cast<size_t>(row)] = 4 * (dsd + (sd > 0 ? rfac * dh / sd : 0));
}

}  // namespace

void plainactivities(int e)
{
    fitexprec& r = rec(e);
    for (int b = 1; b <= r.nbr; ++b) {
        bracketrec& br = r.brackets[static_cast<size_t>(b)];
        int xyzpos = 0;
        for (int k = 1; k <= r.nlist; ++k) {
            if (r.listact[static_cast<size_t>(k)] != -1) continue;
            const int16_t phase = r.listphase[static_cast<size_t>(k)];
            const int16_t nem = phases.prec1[static_cast<size_t>(phase)].nem;
            static axvector x;
            for (int v = 1; v < nem; ++v) x[static_cast<size_t>(v)] = br.xyz[static_cast<size_t>(++xyzpos)];
            emreals a{};
            setvarsorder(phase, x, a, br.t, br.p);
            for (int j = 1; j <= nem && k + j - 1 <= r.nlist; ++j) br.act[static_cast<size_t>(k + j - 1)] = a[static_cast<size_t>(j)];
        }
    }
}

void evaluaterecord(int e)
{
    fitexprec& r = rec(e);
    if (r.nbr < 1) return;
    r.dh = 0;
    for (int i = 1; i <= r.nrx; ++i)
        r.dh += r.rxcoef[static_cast<size_t>(i)] * fit.tda[static_cast<size_t>(r.rxem[static_cast<size_t>(i)])].H;
    for (int b = 1; b <= r.nbr; ++b) {
        bracketrec& br = r.brackets[static_cast<size_t>(b)];
        br.lnq = 0;
        for (int i = 1; i <= r.nrx; ++i)
            br.lnq += r.rxcoef[static_cast<size_t>(i)] * std::log(br.act[static_cast<size_t>(r.rxpos[static_cast<size_t>(i)])]);
    }
    bracketsd(e);
    combinebrackets(e);
}

void assemblelsq(int16_t k)
{
    pd.fluidtype = 6;
    const int16_t info = fit.fitsetprefs.infolevel;
    // gem builds a record from an end-member's at every call: each carries what does not
    // depend on P and T, computed here once (only the enthalpies change between iterations)
    for (int j = 1; j <= ds.ntp; ++j) preparefitrecord(fit.tda[static_cast<size_t>(j)]);
    // Rows of the previous iteration go, so that a record that makes no row now leaves
    // no coefficients behind.
    for (int row = fit.ncal + 1; row <= fit.nrows; ++row) {
        for (int j = 1; j <= ds.ntp; ++j) {
            fit.b[fitat(row, j)] = 0;
            fit.x[fitat(row, j)] = 0;
        }
    }
    int row = fit.ncal;
    for (int m = 1; m <= fit.nexp; ++m) {
        fitexprec& r = rec(m);
        prepare(m);
        if (info > 1) listgrouphead(m, k);
        if (r.ingroup) {
            if (r.groupno == 1) {
                setupfitcomps(m);
                // In the first iteration compositions given on the run lines stand.
                if (r.unknowncomps && (r.guesscomps || k > 1)) calcass(m, 2, info > 2);
                for (int b = 1; b <= r.nbr; ++b) calcxpa(m, b);
            }
        } else {
            plainactivities(m);
        }
        if (info != 1) listactivities(m);
        r.expno = 0;
        if (r.nbr < 1) continue;
        evaluaterecord(m);
        if (!r.used) continue;
        if (r.onesided) {
            putstr(0, "warning: every run of experiment " + wholetostr(m) +
                          " went the same way; it bounds one side only and makes no row",
                   1, 9);
            continue;
        }
        if (row >= maxfitrows) bombout("readxy", "too many experiments (increase maxnexp)", 0);
        ++row;
        fit.y[static_cast<size_t>(row)] = (r.hlow + r.hhigh) / 2;
        fit.rowsd[static_cast<size_t>(row)] =
            r.pairweight > 0 ? r.rfac / r.pairweight : (r.hhigh - r.hlow) * r.rfac / 2;
        noterounding(row, r);
        for (int i = 1; i <= r.nrx; ++i) {
            const int16_t em = r.rxem[static_cast<size_t>(i)];
            fit.b[fitat(row, em)] = 1;
            fit.x[fitat(row, em)] = r.rxcoef[static_cast<size_t>(i)];
        }
        r.expno = static_cast<int16_t>(row - fit.ncal);
    }
    fit.nrows = static_cast<int16_t>(row);
    if (info > 1) listlsqinput();
}

}  // namespace zt
