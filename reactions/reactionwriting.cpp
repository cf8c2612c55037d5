#include "reactions/reactionwriting.h"

#include "reactions/mode3state.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/reactiondg.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

const str22& shownname(int j) {
    const str22& name = ws.emname[at(j)];
    for (int l = 1; l <= settings.nlna; ++l)
        if (settings.lnanames[at(l)] == name) return settings.lnalabels[at(l)];
    return name;
}

void addside(const reaction& nu, int sign, std::string& line) {
    bool first = true;
    for (int j = 1; j <= ws.nem; ++j) {
        const int c = nu[at(j)];
        if (c == 0 || (c > 0) != (sign > 0)) continue;
        if (!first) addfield(" + ", 0, line);
        first = false;
        const int m = c < 0 ? -c : c;
        std::string term = m == 1 ? std::string() : wholetostr(m);
        addfield(term + shownname(j), 0, line);
    }
}

}  // namespace

void turnreaction(int16_t k, real P, real T, real xco2, real xh2o, real v, real /*mu*/) {
    if (run.calcmode != 3) {
        putstr(1, "call of turnreaction unexpected", 1, 9);
        return;
    }
    switch (settings.diagrammode) {
        case 0:
        case 2: T += 5; break;
        case 1: P += 0.2L; break;
        case 3:
            setaxisvalue(v);
            P += 0.2L;
            break;
        case 4:
            setaxisvalue(v);
            T += 5;
            break;
        default: bombout("turnreaction", "unknown diagrammode", 1);
    }
    real dgdp, dgdt, dg;
    calcdg(k, dgdp, dgdt, P, T, xco2, xh2o, dg);
    if (dg > 0) {
        reaction& row = reactions.r[at(k)];
        for (int j = 1; j <= ws.nem; ++j) row[at(j)] = static_cast<int16_t>(-row[at(j)]);
        reactions.reaclnk[at(k)] = -reactions.reaclnk[at(k)];
    }
}

void writereaction(int16_t k) {
    const reaction& nu = reactions.r[at(k)];
    std::string line = wholetostr(k) + ")  ";
    addside(nu, -1, line);
    addfield(" = ", 0, line);
    addside(nu, 1, line);
    if (static_cast<int>(line.size()) > reactions.reactiontextwidth)
        reactions.reactiontextwidth = static_cast<int16_t>(line.size() + 1);
    reactions.reactiontext[at(k)] = line;
}

}  // namespace zt
