#include "reactions/activityset.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "ax/activities.h"
#include "ax/makeems.h"
#include "reactions/stateoforder.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/records/phasestate.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "script/windows.h"
#include "thermo/dataset.h"
#include "thermo/datacheck.h"
#include "thermo/datasetreader.h"
#include "thermo/phasecomps.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

std::string four(real x)
{
    std::string s;
    addreal(4, true, 8, x, s);
    return s;
}

// Phases to leave out, from the script's "with" list or the console.
void choosephases(phaseflags& omit)
{
    static phasenamelist list;
    const int nsoln = phases.nsolnphases, nphases = phases.nsolnphases + phases.npurephases;
    for (int k = 1; k <= nsoln; ++k) list[at(k)] = phases.prec1[at(k)].longname;
    for (int i = 1; i <= phases.npurephases; ++i) list[at(nsoln + i)] = phases.prec0[at(i)].name;

    static stringlist names;
    int16_t n = 0;
    if (settings.nwith > 0) {
        n = std::min<int16_t>(settings.nwith, maxwords);
        for (int i = 1; i <= n; ++i) names[i] = settings.withshortnames[at(i)];
    } else {
        promptstrings(run.calcmode == 2 && nsoln == 0 ? "which end-members" : "which phases", names, n);
    }
    omit.fill(false);
    if (n < 2) return;
    const bool omitting = names[1] == "omit";
    if (!omitting) {
        for (int p = 1; p <= nphases; ++p) omit[at(p)] = true;
    }
    for (int i = omitting ? 2 : 1; i <= n; ++i) {
        str22 name = names[i];
        int16_t index = 0;
        if (checkname(name, list, false, index)) omit[at(index)] = omitting;
    }
}

void solutionactivities(int& r)
{
    putstr(1, "activities of end-members in solid solutions are calculated with", 1, 9);
    real P = 0, T = 0;
    const bool fromscript = settings.ptforaxe != 1;
    putstr(0, "input values of compositional variables", fromscript ? 0 : 1, 9);
    if (fromscript) {
        P = settings.pforaxe;
        T = settings.tforaxe;
        std::string& b = channels.linebuf;
        b = " at PT: ";
        addreal(1, true, 0, P, b);
        addfield(" kbar, ", 0, b);
        addwhole(0, b, T);
        addfield(std::string(1, degreebyte) + "C (from script)", 0, b);
        putstr(0, b, 1, 9);
        T += 273.15L;
    } else {
        P = promptcheckedp("P for a-x in kbar");
        T = promptcheckedt("T for a-x in " + std::string(1, degreebyte) + "C");
    }
    settings.tnow = T;
    settings.pnow = P;

    static axvector x;
    static emreals a, sda;
    for (int16_t k = 1; k <= phases.nsolnphases; ++k) {
        axphase& ph = phases.prec1[at(k)];
        if (ph.hasorder) {
            bool badstart = false;
            if (!findlegalq(k, true, badstart, P, T))
                bombout("extractem", "couldn't solve for state of order for " + ph.shortname, 0);
        }
        x.fill(0);
        for (int v = 1; v <= ph.nvars; ++v) x[at(v)] = ph.vars[at(v)].value;
        ssactivities(k, x, a, P, T, sda);

        std::string& b = channels.linebuf;
        b.clear();
        addfield(ph.shortname, -6, b);
        addfield("      ", 0, b);
        bool wroteorder = false;
        for (int v = 1; v <= ph.nvars; ++v) {
            const axvar& var = ph.vars[at(v)];
            if (!var.isorder) continue;
            if (wroteorder) addfield(", ", 0, b);
            addfield(var.name + " = " + realtostr(4, true, var.value), 0, b);
            wroteorder = true;
        }
        bool anyexcluded = false;
        for (int j = 1; j <= ph.nem; ++j) anyexcluded = anyexcluded || ph.em[at(j)].excluded;
        if (anyexcluded) {
            addfield(wroteorder ? "; left out: " : "left out: ", 0, b);
            for (int j = 1; j <= ph.nem; ++j) {
                if (ph.em[at(j)].excluded) addfield(ph.em[at(j)].name + " ", 0, b);
            }
        }
        putstr(1, b, 1, 9);

        for (int j = 1; j <= ph.nem; ++j) {
            const axem& em = ph.em[at(j)];
            if (em.excluded) continue;
            real aj = a[at(j)];
            if (aj <= 0) bombout("extractem", "activity negative for " + em.name + ", in " + ph.shortname, 0);
            const bool reset = aj > 1;
            if (reset) aj = 0.999L;
            b = "      ";
            addfield(em.name, 7, b);
            addfield(": a = " + four(aj) + ", sd(a) = " + four(sda[at(j)]), 0, b);
            if (reset) addfield(" ## reset, was " + four(a[at(j)]), 0, b);
            putstr(0, b, 1, 9);
            ++r;
            ws.emact[at(r)] = aj;
            ws.emsda[at(r)] = sda[at(j)];
        }
    }
}

// Column r of the working set from a phase end-member's records.
template <typename record>
void setworking(int r, const record& rec, const str22& name, int16_t makephase, int16_t makeentry,
                const std::array<bool, maxems + 1>& keep, int nrunning)
{
    for (int j = 1; j <= ws.ncomps; ++j) ws.c[at(j)][at(r)] = rec.comp[at(j)];
    ws.emname[at(r)] = name;
    tdrecord& t = ws.td[at(r)];
    for (int f = 1; f <= 25; ++f) t.field(f) = rec.props.field(f);
    t.aqterm3 = t.xco2 = t.xh2o = 0;
    t.code = rec.props.code;
    const bool made = rec.nmake > 0 && !ds.oldds;
    t.makephase = made ? makephase : 0;
    t.makeentry = made ? makeentry : 0;
    int col = 0;
    for (int q = 1; q <= nrunning; ++q) {
        if (keep[at(q)]) ws.covat(r, ++col) = rec.cov[at(q)];
    }
}

}  // namespace

void extractem()
{
    static phaseflags omit;
    omit.fill(false);
    makename(omit);
    choosephases(omit);
    makename(omit);
    readthermo(2);
    makeemc();
    readthermo(3);
    makeems();
    checkthermodata(settings.diagramPT == 0);

    for (int i = 1; i <= maxems; ++i) {
        ws.emact[at(i)] = 1;
        ws.emsda[at(i)] = 0;
    }
    int r = 0;
    if (phases.nsolnphases > 0) solutionactivities(r);
    for (int i = 1; i <= phases.npurephases; ++i) {
        ++r;
        ws.emact[at(r)] = phases.prec0[at(i)].activity;
        ws.emsda[at(r)] = phases.prec0[at(i)].sd;
    }
    if (phases.nsolnphases == 0) {
        promptcontrol("standard default uncertainties on activities", settings.defsdaparams);
        defaultuncertainty(settings.defsdaparams == 0);
        activitysd();
    }

    // Which running numbers stay: every one but the excluded end-members.
    const int nrunning = ws.nem;
    static std::array<bool, maxems + 1> keep;
    keep.fill(true);
    int q = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        for (int j = 1; j <= ph.nem; ++j) keep[at(++q)] = !ph.em[at(j)].excluded;
    }
    r = 0;
    q = 0;
    for (int16_t k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        for (int16_t j = 1; j <= ph.nem; ++j) {
            ++q;
            if (!keep[at(q)]) continue;
            ++r;
            ws.nsite[at(r)] = ws.nsite[at(q)];
            setworking(r, ph.em[at(j)], ph.em[at(j)].name, k, j, keep, nrunning);
        }
    }
    for (int16_t i = 1; i <= phases.npurephases; ++i) {
        ++q;
        ++r;
        ws.nsite[at(r)] = ws.nsite[at(q)];
        setworking(r, phases.prec0[at(i)], phases.prec0[at(i)].emname, 0, i, keep, nrunning);
    }
    for (int e = r + 1; e <= nrunning; ++e) {
        for (int j = 1; j <= maxcomps; ++j) ws.c[at(j)][at(e)] = 0;
        ws.emname[at(e)].clear();
    }
    ws.nem = ws.nrems = static_cast<int16_t>(r);
}

void defaultuncertainty(bool flag)
{
    ws.sdaslope = run.calcmode == 4 ? 0.1L : settings.justrelu == 0 ? 0 : 0.3L;
    ws.sdamin = 0.01L;
    ws.sdarelmin = 0.05L;
    if (!flag) writeconsole("**resetting default uncertainty parameters not currently available\n");
}

void activitysd()
{
    const float slope = static_cast<float>(ws.sdaslope), least = static_cast<float>(ws.sdamin),
                relleast = static_cast<float>(ws.sdarelmin);
    for (int i = 1; i <= ws.nem; ++i) {
        const float a = static_cast<float>(ws.emact[at(i)]);
        float sd = std::max(0.0f, static_cast<float>(ws.emsda[at(i)]));
        const float n = ws.nsite[at(i)] == 0 ? 1.0f : static_cast<float>(ws.nsite[at(i)]);
        if (settings.usedefsda != 1) {
            if (a == 1) {
                sd = 0;
            } else {
                const float x = std::exp(std::log(a) / n);
                float s = slope == 0 || x < least / slope ? least : slope * x * (1 - x) * (1 - x);
                if (s / x < relleast) s = relleast * x;
                sd = std::max(sd, n * a * s / x);
            }
        }
        ws.emsda[at(i)] = sd;
    }
}

}  // namespace zt
