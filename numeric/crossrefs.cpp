#include "numeric/crossrefs.h"

#include "ax/axtokens.h"
#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "runtime/bytes.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

constexpr real modetol = 0.0001L;

axphase& solnphase(int k) { return phases.prec1[static_cast<size_t>(k)]; }
emphaserec& purephase(int p) { return phases.prec0[static_cast<size_t>(p)]; }

// Row e of td from an end-member's properties: dataset end-members keep everything
// but the per-evaluation fields, made ones keep H, S, V and point at their make.
void copycomp(int e, const std::array<int16_t, maxcomps + 1>& comp) {
    for (int i = 1; i <= ws.ncomps; ++i) ws.c[static_cast<size_t>(i)][static_cast<size_t>(e)] = comp[static_cast<size_t>(i)];
}

int nextem(int e) {
    if (e + 1 > maxems) bombout("makecrossrefs", "too many end-members", 0);
    return e + 1;
}

bool namein(const str22& name, const std::array<str22, maxmunames + 1>& list, int16_t n) {
    for (int i = 1; i <= n; ++i) {
        if (list[static_cast<size_t>(i)] == name) return true;
    }
    return false;
}

bool excludedpure(int p) {
    const str22& name = purephase(p).name;
    return namein(name, settings.munames, settings.nmu) || namein(name, settings.lnanames, settings.nlna);
}

void namemode(int m, const str22& name, const char* message) {
    if (eq.nvar + m > maxvars) bombout("makecrossrefs", message, 0);
    eq.calcvarnames[static_cast<size_t>(eq.nvar + m)] = name;
}

void setmodevar(int m, real modestart, bool isomode, int16_t isomodevalue) {
    const size_t g = static_cast<size_t>(eq.nvar + m);
    eq.modeisopleth[static_cast<size_t>(m)] = modestart;
    eq.calcvarfree[g] = !isomode;
    eq.variso[g] = isomodevalue;
    eq.calcvarlowkind[g] = 2;
    eq.calcvarhighkind[g] = 2;
    eq.calcvartol[g] = modetol;
}

void buildmodes(const phaseselection& selected) {
    int m = 0;
    const int npure = phases.npurephases, nsoln = phases.nsolnphases;
    for (int em = 1; em <= ws.nem; ++em) {
        if (!eq.phasestart[static_cast<size_t>(em)]) continue;
        const int k = eq.phaseofstart[static_cast<size_t>(em)];
        if (settings.xco2diagram && solnphase(k).fluid) continue;
        ++m;
        namemode(m, solnphase(k).shortname, "too many modes-1");
        eq.modephase[static_cast<size_t>(m)] = static_cast<int16_t>(k);
        eq.modefirstvar[static_cast<size_t>(m)] = eq.phasefirstvar[static_cast<size_t>(em)];
    }
    eq.nsolnmodes = static_cast<int16_t>(m);
    for (int p = 1; p <= npure; ++p) {
        if (!selected[static_cast<size_t>(nsoln + p)] || excludedpure(p)) continue;
        ++m;
        namemode(m, purephase(p).name, "too many modes-2");
        eq.modephase[static_cast<size_t>(m)] = static_cast<int16_t>(p);
        eq.modefirstvar[static_cast<size_t>(m)] = 0;
    }
    eq.nxp = static_cast<int16_t>(m);
    for (int i = 1; i <= eq.nxp; ++i) {
        const int ph = eq.modephase[static_cast<size_t>(i)];
        if (i <= eq.nsolnmodes) {
            const axphase& a = solnphase(ph);
            setmodevar(i, a.modestart, a.isomode, a.isomodevalue);
        } else {
            const emphaserec& a = purephase(ph);
            setmodevar(i, a.modestart, a.isomode, a.isomodevalue);
        }
    }
}

// Without mode variables the positions after nvar still carry the names of the modes
// computed after the solve.
void namelatermodes(const phaseselection& selected) {
    int m = 0;
    for (int em = 1; em <= ws.nem; ++em) {
        if (!eq.phasestart[static_cast<size_t>(em)]) continue;
        ++m;
        namemode(m, solnphase(eq.phaseofstart[static_cast<size_t>(em)]).shortname, "too many modes-3");
        eq.calcvarfree[static_cast<size_t>(eq.nvar + m)] = true;
    }
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (!selected[static_cast<size_t>(phases.nsolnphases + p)]) continue;
        ++m;
        namemode(m, purephase(p).name, "too many modes-3");
        eq.calcvarfree[static_cast<size_t>(eq.nvar + m)] = true;
    }
    eq.nxp = 0;
    eq.nsolnmodes = 0;
}

phasesummary& nextsummary(int& s) {
    if (++s > maxphasesummaries) bombout("makecrossrefs", "too many summary phases" + maxtext(maxphasesummaries), 0);
    return summary.sumphases[static_cast<size_t>(s)];
}

void buildsummary(const phaseselection& selected) {
    int s = 0;
    for (int em = 1; em <= ws.nem; ++em) {
        if (!eq.phasestart[static_cast<size_t>(em)]) continue;
        const int k = eq.phaseofstart[static_cast<size_t>(em)];
        const axphase& a = solnphase(k);
        phasesummary& sp = nextsummary(s);
        sp.name = a.shortname;
        sp.included = k != pd.xco2fluidphase;
        sp.fluid = a.fluid;
        sp.aq = a.aq;
        sp.phaseno = static_cast<int16_t>(k);
        sp.firstvar = eq.phasefirstvar[static_cast<size_t>(em)];
        sp.nem = a.nem;
        for (int i = 1; i < a.nem && i <= maxphasevars; ++i) sp.varnames[static_cast<size_t>(i)] = a.vars[static_cast<size_t>(i)].name;
        sp.nsf = a.nsf;
        for (int q = 1; q <= a.nsf; ++q) sp.sfnames[static_cast<size_t>(q)] = a.sfname[static_cast<size_t>(q)];
        for (int j = 1; j <= a.nem; ++j) sp.emlines[static_cast<size_t>(j)] = a.em[static_cast<size_t>(j)].name;
    }
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (!selected[static_cast<size_t>(phases.nsolnphases + p)]) continue;
        phasesummary& sp = nextsummary(s);
        sp.name = purephase(p).name;
        sp.included = !excludedpure(p);
        sp.fluid = false;
        sp.aq = false;
        sp.phaseno = static_cast<int16_t>(p);
        sp.firstvar = 0;
        sp.nem = 1;
        sp.nsf = 0;
    }
    summary.sumnphases = static_cast<int16_t>(s);
}

}  // namespace

void copytdrow(int e, const tdrecord& props, int16_t nmake, int makephase, int makeentry) {
    tdrecord& row = ws.td[static_cast<size_t>(e)];
    if (ds.oldds || nmake == 0) {
        for (int f = 1; f <= 25; ++f) row.field(f) = props.field(f);
        for (int f = 26; f <= 30; ++f) row.field(f) = 0;
    } else {
        for (int f = 1; f <= 3; ++f) row.field(f) = props.field(f);
        for (int f = 4; f <= 28; ++f) row.field(f) = 0;
        row.makephase = makephase;
        row.makeentry = makeentry;
    }
    row.code = props.code;
}

void setcalcvar(int g, const axvar& v) {
    const size_t gg = static_cast<size_t>(g);
    eq.calcvarnames[gg] = v.name;
    eq.calcvarscale[gg] = v.scale;
    eq.calcvaroffset[gg] = v.offset;
    eq.calcvartol[gg] = v.tol;
    eq.calcvarlowkind[gg] = v.lowerkind;
    eq.calcvarhighkind[gg] = v.upperkind;
}

void makecrossrefs(phaseselection selected) {
    const int nsoln = phases.nsolnphases;
    eq.xco2var = 0;
    eq.phasestart.fill(false);
    eq.phaseofstart.fill(0);
    eq.phasefirstvar.fill(0);
    eq.purephaseofem.fill(0);
    eq.calcvarfree.fill(false);
    eq.nfixedvars = 0;

    eq.calcvarfree[1] = eq.calcvarfree[2] = true;
    eq.calcvarscale[1] = eq.pscale;
    eq.calcvaroffset[1] = eq.poffset;
    eq.calcvartol[1] = eq.pdxunit;
    eq.calcvarscale[2] = eq.tscale;
    eq.calcvaroffset[2] = eq.toffset;
    eq.calcvartol[2] = eq.tdxunit;
    for (size_t g = 1; g <= 2; ++g) eq.calcvarlowkind[g] = eq.calcvarhighkind[g] = 0;

    int e = 0, g = 2;
    for (int k = 1; k <= nsoln; ++k) {
        if (!selected[static_cast<size_t>(k)]) continue;
        const axphase& a = solnphase(k);
        eq.phasestart[static_cast<size_t>(e + 1)] = true;
        eq.phaseofstart[static_cast<size_t>(e + 1)] = static_cast<int16_t>(k);
        eq.phasefirstvar[static_cast<size_t>(e + 1)] = static_cast<int16_t>(g + 1);
        for (int j = 1; j <= a.nem; ++j) {
            e = nextem(e);
            const axem& em = a.em[static_cast<size_t>(j)];
            ws.emname[static_cast<size_t>(e)] = em.name;
            copycomp(e, em.comp);
            copytdrow(e, em.props, em.nmake, k, j);
        }
        for (int i = 1; i <= a.nvars; ++i) {
            if (++g > maxvars) bombout("makecrossrefs", "too many variables", 0);
            const axvar& v = a.vars[static_cast<size_t>(i)];
            const size_t gg = static_cast<size_t>(g);
            setcalcvar(g, v);
            eq.calcvarfree[gg] = !v.fixed;
            eq.variso[gg] = v.isovalue;
            if (v.fixed) ++eq.nfixedvars;
            if (pd.fluidtype == 5 && v.name == "x(CO2)") eq.xco2var = static_cast<int16_t>(g);
        }
    }
    eq.nvar = static_cast<int16_t>(g);

    // Limit rows and site-fraction checks, phase by phase in the same order.
    eq.nvarlim = 0;
    eq.nsfcheck = 0;
    g = 2;
    for (int k = 1; k <= nsoln; ++k) {
        if (!selected[static_cast<size_t>(k)]) continue;
        const axphase& a = solnphase(k);
        for (int row = 1; row <= a.nlimrows; ++row) {
            if (++eq.nvarlim > maxvarlims) bombout("makecrossrefs", "too many varlims", 0);
            auto& num = eq.varlimnum[static_cast<size_t>(eq.nvarlim)];
            auto& den = eq.varlimden[static_cast<size_t>(eq.nvarlim)];
            for (int col = 1; col <= eq.nvar + 1; ++col) {
                num[static_cast<size_t>(col)] = 0;
                den[static_cast<size_t>(col)] = 1;
            }
            for (int j = 1; j <= a.nvars; ++j) {
                num[static_cast<size_t>(g + j)] = a.limrownum[static_cast<size_t>(row)][static_cast<size_t>(j)];
                den[static_cast<size_t>(g + j)] = a.limrowden[static_cast<size_t>(row)][static_cast<size_t>(j)];
            }
            num[static_cast<size_t>(eq.nvar + 1)] = a.limrownum[static_cast<size_t>(row)][static_cast<size_t>(a.nem)];
            den[static_cast<size_t>(eq.nvar + 1)] = a.limrowden[static_cast<size_t>(row)][static_cast<size_t>(a.nem)];
        }
        if (!a.simplesf) {
            for (int q = 1; q <= a.nsf; ++q) {
                if (a.sfbound[static_cast<size_t>(q)]) continue;
                if (++eq.nsfcheck > maxsfchecks) bombout("makecrossrefs", "no site fractions not handled too big", 1);
                const size_t c = static_cast<size_t>(eq.nsfcheck);
                eq.sfcheckphase[c] = static_cast<int16_t>(k);
                eq.sfcheckindex[c] = static_cast<int16_t>(q);
                eq.sfcheckvar[c] = static_cast<int16_t>(g + 1);
            }
        }
        g += a.nvars;
    }

    for (int p = 1; p <= phases.npurephases; ++p) {
        if (!selected[static_cast<size_t>(nsoln + p)]) continue;
        const emphaserec& a = purephase(p);
        e = nextem(e);
        ws.emname[static_cast<size_t>(e)] = a.emname;
        copycomp(e, a.comp);
        copytdrow(e, a.props, a.nmake, 0, p);
        eq.purephaseofem[static_cast<size_t>(e)] = static_cast<int16_t>(p);
    }
    ws.nem = ws.nrems = static_cast<int16_t>(e);

    if (pd.massbalance) {
        buildmodes(selected);
    } else if (pd.lowvarpseudo) {
        namelatermodes(selected);
    } else {
        eq.nxp = 0;
        eq.nsolnmodes = 0;
    }

    eq.calcvarnames[1] = "P(kbar)";
    eq.calcvarnames[2] = std::string("T(") + degreebyte + "C)";
    eq.xco2fixed = eq.xco2var != 0 && pd.fluidtype == 5 && !eq.calcvarfree[static_cast<size_t>(eq.xco2var)];

    buildsummary(selected);
}

}  // namespace zt
