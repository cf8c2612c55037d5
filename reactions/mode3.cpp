// Calculation mode 3: the set-up and the driver of a reaction diagram.
#include <cmath>
#include <string>

#include "ax/axreader.h"
#include "reactions/activityset.h"
#include "reactions/intersections.h"
#include "reactions/mode3state.h"
#include "reactions/reactionsearch.h"
#include "reactions/reactiontable.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "script/diagramtype.h"
#include "script/scriptreader.h"
#include "script/settings.h"
#include "thermo/datasetreader.h"
#include "thermo/excessphases.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr wordset chset13 = 13;

size_t at(int i) { return static_cast<size_t>(i); }

void title() {
    static const char* const titles[5] = {"pressure-temperature calculations", "pressure-x(CO2) calculations",
                                          "temperature-x(CO2) calculations", "pressure-log a calculations",
                                          "temperature-log a calculations"};
    if (settings.diagrammode < 0 || settings.diagrammode > 4)
        bombout("phasediagramcalcs", "unknown diagrammode", 1);
    std::string line = titles[settings.diagrammode];
    if (settings.calctype >= 1 && settings.calctype <= 5) line += " (from script)";
    putstr(1, line, 1, chset13);
}

void unitaxisactivities() {
    auto unit = [](int16_t j) {
        if (j <= 0) return;
        ws.emact[at(j)] = 1;
        ws.emsda[at(j)] = 0;
    };
    if (settings.diagrammode == 1 || settings.diagrammode == 2) {
        unit(ws.ih2o);
        unit(ws.ico2);
    } else if (settings.diagrammode == 3 || settings.diagrammode == 4) {
        unit(ws.ilna);
    }
}

void activitylisting() {
    std::array<bool, maxems + 1> nonunit{};
    int flagged = 0;
    for (int k = 1; k <= ws.nem; ++k) {
        nonunit[at(k)] = !(k == ws.ih2o || k == ws.ico2 || k == ws.ilna) && ws.emact[at(k)] < 0.999L;
        if (nonunit[at(k)]) ++flagged;
    }
    if (flagged == 0) {
        for (int k = 1; k <= ws.nem; ++k) reactions.emvarlna[at(k)] = 0;
        putstr(1, "Unit activities", 1, chset13);
        return;
    }
    calcvarlna();
    std::string line;
    if (flagged < 4) {
        putstr(1, "Unit activities except :", 1, chset13);
        addfield("name", 9, line);
        addfield("a", 9, line);
        addfield("sd(ln a)", 9, line);
        putstr(0, line, 1, chset13);
        for (int k = 1; k <= ws.nem; ++k) {
            if (!nonunit[at(k)]) continue;
            line.clear();
            addfield(ws.emname[at(k)], 9, line);
            addreal(3, false, 9, ws.emact[at(k)], line);
            addreal(5, true, 9, std::sqrt(reactions.emvarlna[at(k)]), line);
            putstr(0, line, 1, chset13);
        }
        return;
    }
    std::array<int16_t, maxems + 1> shown{};
    int n = 0;
    for (int k = 1; k <= ws.nem; ++k)
        if (k != ws.ih2o && k != ws.ico2) shown[at(++n)] = static_cast<int16_t>(k);
    for (int first = 1; first <= n; first += 8) {
        const int last = std::min(n, first + 7);
        std::string names(10, ' '), acts, sds;
        addfield("a", -10, acts);
        addfield("sd(ln a)", -10, sds);
        for (int i = first; i <= last; ++i) {
            const int k = shown[at(i)];
            addfield(ws.emname[at(k)], 9, names);
            addreal(3, false, 9, ws.emact[at(k)], acts);
            addreal(5, true, 9, std::sqrt(reactions.emvarlna[at(k)]), sds);
        }
        putstr(1, names, 1, chset13);
        putstr(0, acts, 1, chset13);
        putstr(0, sds, 1, chset13);
    }
}

void chooseanalysis() {
    if (settings.doallr == 2) {
        putstr(1, "required action:", 1, 9);
        putstr(0, " 0: do Schreinemakers (reactions which cannot be stable in the ", 1, 9);
        putstr(0, "     window not calculated)", 1, 9);
        putstr(0, " 1: calculate all reactions within the window regardless of stability", 1, 9);
        int16_t code = 0;
        promptinteger("code", code);
        reactions.allreactions = code != 0;
    } else {
        reactions.allreactions = settings.doallr == 0;
    }
}

}  // namespace

void phasediagramsetup() {
    readthermo(1);
    readcontrol();
    setupphases();
    getdiagramtype();
    extractem();
    clean();
    findspecialems();
    inexcess();
}

void phasediagramcalcs() {
    reactions.nomitted = 0;
    search.nexcluded = 0;
    title();
    reactions.var = 1;
    findspecialems();
    diagramwindowsetup(true);
    unitaxisactivities();
    activitylisting();
    settings.incnler = 1;
    if (settings.calcvariable != 0 && settings.calcvariable != 1) bombout("ptxtable", "unknown calcvariable", 1);
    m3.calcrangetype = settings.calcvariable == 0 ? 1 : 0;
    chooseanalysis();
    bool found = false;
    calcre(found);
    if (reactions.nreac == 0) return;
    ptxtable();
    if (!reactions.allreactions && reactions.nreac > 2) intersections();
}

}  // namespace zt
