#include "phasediagram/potentials.h"

#include <string>

#include "ax/phaserecords.h"
#include "phasediagram/services.h"
#include "reactions/activityset.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "script/valuelists.h"
#include "script/windows.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolesummarylog = 13;

void requirephase(int k) {
    if (!pd.excessphase[at(k)]) {
        pd.excessphase[at(k)] = true;
        ++pd.nexcessphases;
    }
    if (!pd.requiredphase[at(k)]) {
        pd.requiredphase[at(k)] = true;
        ++pd.nrequired;
    }
}

}  // namespace

void printacts() {
    int j = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        for (int e = 1; e <= ph.nem && j < maxems; ++e) {
            ++j;
            ws.emact[at(j)] = 1;
            ws.emsda[at(j)] = 0;
            ws.nsite[at(j)] = ph.em[at(e)].maxpower < 1 ? int16_t{1} : ph.em[at(e)].maxpower;
        }
    }
    bool nonunit = false;
    for (int i = 1; i <= phases.npurephases && j < maxems; ++i) {
        const emphaserec& ph = phases.prec0[at(i)];
        ++j;
        ws.emact[at(j)] = ph.activity;
        ws.emsda[at(j)] = ph.sd;
        ws.nsite[at(j)] = 1;
        nonunit = nonunit || ph.activity < 0.99999L;
    }
    if (!nonunit) return;
    promptcontrol("standard default uncertainties on activities", settings.defsdaparams);
    if (settings.defsdaparams == 0) {
        defaultuncertainty(true);
        activitysd();
    }
    putstr(1, "non-unit activities :", 1, consolesummarylog);
    std::string line;
    addfield("name", 9, line);
    addfield("a", 9, line);
    putstr(0, line, 1, consolesummarylog);
    for (int i = 1; i <= phases.npurephases; ++i) {
        const emphaserec& ph = phases.prec0[at(i)];
        if (ph.activity >= 0.99999L) continue;
        line.clear();
        addfield(ph.name, 9, line);
        addreal(3, false, 9, ph.activity, line);
        putstr(0, line, 1, consolesummarylog);
    }
}

void getmurange(int16_t i) {
    static listreals values;
    const std::string prompt = "mu(" + settings.munames[at(i)] + "): low, high";
    int16_t n = 0;
    promptreals(prompt, values, n);
    while (n == 0) {
        n = 2;
        promptreals(prompt, values, n);
    }
    real low = values[1], high = n >= 2 ? values[2] : values[1];
    promptmuwindow(low, high, 0);
    listmu(i, low, high);
}

void setupmu() {
    int16_t kept = 0;
    for (int i = 1; i <= settings.nmu; ++i) {
        int c = 0;
        for (int r = 1; r <= ws.ncomps && c == 0; ++r) c = ws.compnames[at(r)] == settings.munames[at(i)] ? r : 0;
        if (c == 0) continue;
        ++kept;
        if (kept != i) {
            settings.munames[at(kept)] = settings.munames[at(i)];
            settings.muvalues[at(kept)] = settings.muvalues[at(i)];
            settings.mulists[at(kept)] = settings.mulists[at(i)];
            settings.nmulist[at(kept)] = settings.nmulist[at(i)];
        }
        if (phases.npurephases + 1 > maxpurephases || phases.nphases + 1 > maxsolnphases || ws.nem + 1 > maxems) {
            bombout("setupmu", "with mu 'phase', max no of phases exceeded", 0);
        }
        ++ws.nem;
        ++phases.npurephases;
        ++phases.nphases;
        takepurerecords(phases.npurephases);
        const str22& name = ws.compnames[at(c)];
        emphaserec& ph = phases.prec0[at(phases.npurephases)];
        resetemphaserec(ph);
        ph.name = ph.emname = name;
        ph.comp[at(c)] = static_cast<int16_t>(ws.compdiv[at(c)]);
        for (int p = 1; p < phases.npurephases; ++p) {
            if (phases.prec0[at(p)].comp != ph.comp) continue;
            writeconsole("mu entry " + wholetostr(kept) + ", phase " + wholetostr(phases.nphases) + "\n");
            writeconsole("pure phase " + wholetostr(p) + ", phase " + wholetostr(phases.nsolnphases + p) + "\n");
            bombout("setupmu", name + " is same as " + phases.prec0[at(p)].name, 0);
        }
        requirephase(phases.nphases);
        if (settings.muvalues[at(kept)] != 0) {
            settings.mulists[at(kept)][1] = settings.muvalues[at(kept)];
            settings.nmulist[at(kept)] = 1;
        } else {
            getmurange(kept);
        }
        ph.props = tdrecord{};
        ph.props.H = settings.mulists[at(kept)][1];
        ph.activity = 1;
        // The working end-member that carries the potential.
        ws.emname[at(ws.nem)] = name;
        if (ws.td.size() > at(ws.nem)) ws.td[at(ws.nem)] = ph.props;
        if (!ws.c.empty()) {
            for (int r = 1; r <= ws.ncomps; ++r) ws.c[at(r)][at(ws.nem)] = ph.comp[at(r)];
        }
        ws.emact[at(ws.nem)] = 1;
        ws.emsda[at(ws.nem)] = 0;
        ws.nsite[at(ws.nem)] = 1;
    }
    settings.nmu = kept;
}

void setuplna() {
    writeconsole("in setup lna\n");
    writeconsole(settings.lnanames[1] + "\n");
    for (int i = 1; i <= phases.npurephases; ++i) {
        writeconsole(phases.prec0[at(i)].name + " " + wholetostr(i) + "\n");
    }
    for (int i = 1; i <= settings.nlna; ++i) {
        writeconsole(wholetostr(i) + " ln a = " + realtostr(4, false, settings.lnavalues[at(i)]) + "\n");
        writeconsole("ln a name = " + settings.lnanames[at(i)] + " " + settings.lnalabels[at(i)] + " " +
                     realtostr(4, false, settings.lnavalues[at(i)]) + "\n");
    }
    int16_t kept = 0;
    for (int i = 1; i <= settings.nlna; ++i) {
        int p = 0;
        for (int q = 1; q <= phases.npurephases && p == 0; ++q) p = phases.prec0[at(q)].name == settings.lnanames[at(i)] ? q : 0;
        if (p == 0) continue;
        ++kept;
        if (kept != i) {
            settings.lnanames[at(kept)] = settings.lnanames[at(i)];
            settings.lnalabels[at(kept)] = settings.lnalabels[at(i)];
            settings.lnavalues[at(kept)] = settings.lnavalues[at(i)];
            settings.lnalists[at(kept)] = settings.lnalists[at(i)];
            settings.nlnalist[at(kept)] = settings.nlnalist[at(i)];
        }
        const emphaserec& ph = phases.prec0[at(p)];
        requirephase(phases.nsolnphases + p);
        if ((pd.fluidtype == 3 && ph.name == "H2O") || (pd.fluidtype == 4 && ph.name == "CO2")) pd.fluidtype = 2;
        if (settings.lnavalues[at(kept)] < 9.9L) {
            settings.lnalists[at(kept)][1] = settings.lnavalues[at(kept)];
            settings.nlnalist[at(kept)] = 1;
        }
        // The loop steps through this list: an empty one would leave it nothing to read.
        if (settings.nlnalist[at(kept)] < 1) bombout("setuplna", "no ln a values for " + ph.name, 0);
        const int16_t j = findem(ph.emname);
        pd.lnasavedS[at(kept)] = j > 0 && ws.td.size() > at(j) ? ws.td[at(j)].S : ph.props.S;
    }
    settings.nlna = kept;
}

}  // namespace zt
