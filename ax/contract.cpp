#include "ax/contract.h"

#include "runtime/channels.h"
#include "runtime/reporter.h"

namespace zt {

namespace {

using renumbering = std::array<int16_t, maxsf + 1>;  // old number -> new, 0 when dropped

void renumberitems(axexpr& expr, const renumbering& newvar) {
    for (int t = 1; t <= expr.nterms; ++t) {
        axterm& term = expr.term[static_cast<size_t>(t)];
        for (int f = 1; f <= term.nfactors; ++f) {
            axfactor& fac = term.factor[static_cast<size_t>(f)];
            for (int i = 1; i <= fac.nitems; ++i) {
                int16_t& v = fac.itemvar[static_cast<size_t>(i)];
                v = newvar[static_cast<size_t>(v)];
            }
        }
    }
}

void reportwrongsize(const axphase& ph) {
    std::string& row = channels.linebuf;
    row = "problem in ";
    addfield(ph.shortname, 6, row);
    addwhole(3, row, ph.nem);
    addwhole(3, row, ph.nvars);
    putstr(2, row, 1, 1);
    row.clear();
    for (int j = 1; j <= ph.nem; ++j) addfield(ph.em[static_cast<size_t>(j)].name + " ", 0, row);
    putstr(0, row, 1, 1);
    row.clear();
    for (int v = 1; v <= ph.nvars; ++v) addfield(ph.vars[static_cast<size_t>(v)].name + " ", 0, row);
    putstr(0, row, 1, 1);
    bombout("setupphases", "contraction wrong size", 0);
}

}  // namespace

bool simplify(axexpr& expr, const removedvars& removed) {
    int16_t kept = 0;
    for (int t = 1; t <= expr.nterms; ++t) {
        axterm& term = expr.term[static_cast<size_t>(t)];
        term.coef = 1;
        for (int f = 1; f <= term.nfactors; ++f) {
            axfactor& fac = term.factor[static_cast<size_t>(f)];
            if (fac.nitems == 0) continue;
            int16_t left = 0;
            for (int i = 1; i <= fac.nitems; ++i) {
                const size_t ii = static_cast<size_t>(i);
                if (removed[static_cast<size_t>(fac.itemvar[ii])]) continue;
                ++left;
                const size_t to = static_cast<size_t>(left);
                fac.num[to] = fac.num[ii];
                fac.den[to] = fac.den[ii];
                fac.itemvar[to] = fac.itemvar[ii];
            }
            if (left == 0 && fac.c0num == 0) term.coef = 0;
            fac.nitems = left;
        }
        if (term.coef == 0) term.nfactors = 0;
        if (term.nfactors == 0) continue;
        ++kept;
        if (kept != t) expr.term[static_cast<size_t>(kept)] = term;
    }
    expr.nterms = kept;
    return kept == 0;
}

void contractphase(int16_t k) {
    axphase& ph = phases.prec1[static_cast<size_t>(k)];
    removedvars removed{};
    for (int v = 1; v <= ph.nvars; ++v) removed[static_cast<size_t>(v)] = ph.vars[static_cast<size_t>(v)].value == 0;
    ph.contracted = true;
    ph.nemfile = ph.nem;
    const int nold = ph.nem;

    // End-members whose proportion survives, with their sizes.
    renumbering newem{};
    int16_t nkept = 0;
    for (int j = 1; j <= nold; ++j) {
        const size_t jj = static_cast<size_t>(j);
        if (simplify(ph.p[jj], removed)) {
            ph.empresent[jj] = false;
            continue;
        }
        ph.empresent[jj] = true;
        ++nkept;
        const size_t to = static_cast<size_t>(nkept);
        newem[jj] = nkept;
        if (to != jj) {
            ph.p[to] = ph.p[jj];
            ph.em[to] = ph.em[jj];
            ph.vla[to] = ph.vla[jj];
            ph.vlb[to] = ph.vlb[jj];
            ph.vlc[to] = ph.vlc[jj];
        }
        ph.em[to].xdivisor = 0;
    }
    // The fluid end-members are found by number: 0 when gone.
    ph.h2oem = newem[static_cast<size_t>(ph.h2oem)];
    ph.co2em = newem[static_cast<size_t>(ph.co2em)];

    // W's of pairs of present end-members, in pair order.
    std::array<int16_t, maxws + 1> neww{};
    int16_t nw = 0, pair = 0;
    for (int i = 1; i < nold; ++i) {
        for (int j = i + 1; j <= nold; ++j) {
            ++pair;
            if (pair > ph.nw) break;
            if (newem[static_cast<size_t>(i)] == 0 || newem[static_cast<size_t>(j)] == 0) continue;
            ++nw;
            const size_t from = static_cast<size_t>(pair), to = static_cast<size_t>(nw);
            neww[from] = nw;
            ph.wa[to] = ph.wa[from];
            ph.wb[to] = ph.wb[from];
            ph.wc[to] = ph.wc[from];
            ph.sdw[to] = ph.sdw[from];
            ph.wnosd[to] = ph.wnosd[from];
            ph.wname[to] = ph.wname[from];
        }
    }
    ph.nw = nw;

    int16_t ng = 0;
    for (int g = 1; g <= ph.ngterm; ++g) {
        const gterm old = ph.gterm[static_cast<size_t>(g)];
        const int16_t ei = newem[static_cast<size_t>(old.emi)], ej = newem[static_cast<size_t>(old.emj)];
        if (ei == 0 || ej == 0) continue;
        ++ng;
        ph.gterm[static_cast<size_t>(ng)] = gterm{neww[static_cast<size_t>(old.wi)], ei, ej};
    }
    ph.ngterm = ng;

    // Variables.
    renumbering newvar{};
    int16_t nv = 0;
    bool anyorder = false;
    for (int v = 1; v <= ph.nvars; ++v) {
        if (removed[static_cast<size_t>(v)]) continue;
        ++nv;
        newvar[static_cast<size_t>(v)] = nv;
        for (int j = 1; j <= nkept; ++j) {
            axem& em = ph.em[static_cast<size_t>(j)];
            em.xnum[static_cast<size_t>(nv)] = em.xnum[static_cast<size_t>(v)];
        }
        if (nv != v) ph.vars[static_cast<size_t>(nv)] = ph.vars[static_cast<size_t>(v)];
        anyorder = anyorder || ph.vars[static_cast<size_t>(nv)].isorder;
    }
    ph.nvars = nv;
    if (nv > 0) ph.hasorder = anyorder;

    ph.nem = nkept;
    if (ph.nvars != ph.nem - 1) reportwrongsize(ph);

    for (int j = 1; j <= ph.nem; ++j) renumberitems(ph.p[static_cast<size_t>(j)], newvar);

    // Site fractions.
    renumbering newsf{};
    int16_t ns = 0;
    for (int s = 1; s <= ph.nsf; ++s) {
        const size_t ss = static_cast<size_t>(s);
        if (simplify(ph.sf[ss], removed)) continue;
        ++ns;
        newsf[ss] = ns;
        if (ns != s) {
            ph.sf[static_cast<size_t>(ns)] = ph.sf[ss];
            ph.sfname[static_cast<size_t>(ns)] = ph.sfname[ss];
        }
        renumberitems(ph.sf[static_cast<size_t>(ns)], newvar);
    }
    ph.nsf = ns;
    for (int j = 1; j <= ph.nem; ++j) {
        axem& em = ph.em[static_cast<size_t>(j)];
        for (int t = 1; t <= em.ntmf; ++t) {
            int16_t& s = em.tmf[static_cast<size_t>(t)].sfindex;
            s = newsf[static_cast<size_t>(s)];
        }
    }
}

}  // namespace zt
