#include "reactions/schreinemakers.h"

#include "reactions/mode3state.h"
#include "reactions/reactionsearch.h"
#include "reactions/reactiontable.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "script/windows.h"
#include "thermo/reactiondg.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr wordset chset13 = 13;

size_t at(int i) { return static_cast<size_t>(i); }

// The end-members on the side of reaction i that its delta G at the point destroys.
set90 unstableside(int16_t i, real P, real T, real x, real y) {
    real dgdp, dgdt, dg;
    calcdg(i, dgdp, dgdt, P, T, x, y, dg, dgslopes::none);
    set90 s{};
    const reaction& nu = reactions.r[at(i)];
    for (int e = 1; e <= ws.nrems && e <= maxsetelements; ++e)
        if (dg < 0 ? nu[at(e)] < 0 : nu[at(e)] > 0) BSet2(s, static_cast<int16_t>(e));
    return s;
}

void pointof(real A, real B, real& P, real& T, real& x, real& y) {
    real loga = 0;
    setiptx(P, T, x, y, loga, A, B);
    if (settings.diagrammode == 3 || settings.diagrammode == 4) setaxisvalue(loga);
}

}  // namespace

set90 reactionset(int16_t i) {
    if (i <= reactions.nreacsets) return reactions.reacsets[at(i)];
    set90 s{};
    for (int e = 1; e <= ws.nrems && e <= maxsetelements; ++e)
        if (reactions.r[at(i)][at(e)] != 0) BSet2(s, static_cast<int16_t>(e));
    return s;
}

bool ptxstable(int16_t g, real A, real B) {
    const set90& S = search.invsets[at(g)];
    real P, T, x, y;
    pointof(A, B, P, T, x, y);
    for (int16_t i = 1; i <= reactions.nreac; ++i) {
        const set90 ri = reactionset(i);
        if (!setsmeet(S, ri) || bset2subset(ri, S)) continue;
        if (bset2subset(unstableside(i, P, T, x, y), S)) return false;
    }
    return true;
}

void rstable(const reactionflags& involved) {
    if (settings.diagrammode < 0 || settings.diagrammode > 4) bombout("rstable", "unknown diagrammode", 1);
    if (settings.calcvariable != 0 && settings.calcvariable != 1) bombout("rstable", "unknown calcvariable", 1);
    int16_t n = 0;
    const std::array<real, maxlist + 1>& list = runninglist(n, "rstable");
    bool headed = false;
    for (int16_t i = 1; i <= reactions.nreac; ++i) {
        if (involved[at(i)]) continue;
        int16_t j = 0;
        real root = 0;
        for (int16_t c = 1; c <= n && j == 0; ++c)
            if (inrange(m3.calcrangetype, m3.linelow[at(i)][at(c)])) {
                j = c;
                root = m3.linelow[at(i)][at(c)];
            }
        for (int16_t c = 1; c <= n && j == 0; ++c)
            if (inrange(m3.calcrangetype, m3.linehigh[at(i)][at(c)])) {
                j = c;
                root = m3.linehigh[at(i)][at(c)];
            }
        const char* verdict = "*not known*";
        if (j > 0) {
            real P, T, x, y;
            pointof(list[at(j)], root, P, T, x, y);
            const set90 S = reactionset(i);
            bool bad = false;
            for (int16_t k = 1; k <= reactions.nreac && !bad; ++k) {
                if (k == i || !setsmeet(S, reactionset(k))) continue;
                bad = bset2subset(unstableside(k, P, T, x, y), S);
            }
            verdict = bad ? "metastable" : "<= stable =>";
        }
        if (!headed) {
            putstr(1, std::string(52, '-'), 1, chset13);
            putstr(0, "Stability of reactions not involved in intersections :", 2, chset13);
            headed = true;
        }
        std::string line;
        addfield(verdict, -13, line);
        line += reactions.reactiontext[at(i)];
        putstr(0, line, 1, chset13);
    }
}

}  // namespace zt
