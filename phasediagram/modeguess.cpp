#include "phasediagram/modeguess.h"

#include <cmath>
#include <string>

#include "runtime/records/equilibriumstate.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

}  // namespace

void setmodeguess() {
    const int first = eq.nvar + 1, last = eq.nvar + eq.nxp;
    if (eq.nxp < 1) return;
    auto given = [](int g) { return eq.calcvarfree[at(g)] && eq.modeisopleth[at(g - eq.nvar)] > 0; };
    auto fixed = [](int g) { return !eq.calcvarfree[at(g)]; };
    if (eq.nxp == 1) {
        eq.varguess[at(first)] = 1;
    } else {
        real sg = 0, fs = 0;
        int f = 0, nfixed = 0;
        for (int g = first; g <= last; ++g) {
            if (given(g)) {
                eq.varguess[at(g)] = eq.modeisopleth[at(g - eq.nvar)];
                sg += eq.varguess[at(g)];
            }
            if (given(g) || fixed(g)) {
                ++f;
                fs += eq.varguess[at(g)];
            }
            if (fixed(g)) ++nfixed;
        }
        bool spread = true;
        if (f == eq.nxp) {
            spread = false;
            if (sg > 0) {
                for (int g = first; g <= last; ++g) {
                    if (!fixed(g)) eq.varguess[at(g)] *= 1 + (1 - fs) / sg;
                }
            }
            if (nfixed > 0 && std::fabs(fs - 1) > 1e-5L) bombout("setmodeguess", "mode isopleths not sum to 1", 0);
        } else if (f > 0 && fs >= 1) {
            if (nfixed > 0) bombout("setmodeguess", "mode isopleths sum to >1", 0);
            const real target = 1 - 0.01L * (eq.nxp - f);
            if (sg > 0) {
                for (int g = first; g <= last; ++g) {
                    if (given(g)) eq.varguess[at(g)] *= target / sg;
                }
            }
            fs = target;
        }
        if (spread) {
            const int m = eq.nxp - f;
            int i = 0;
            for (int g = first; g <= last; ++g) {
                if (given(g) || fixed(g)) continue;
                ++i;
                if (m == 1) {
                    eq.varguess[at(g)] = 1 - fs;
                } else {
                    const real ramp = (2 * static_cast<real>(i - 1) / (m - 1) - 1) / (5 * eq.nxp);
                    eq.varguess[at(g)] = (1 - fs) * (static_cast<real>(1) / m + ramp);
                }
            }
        }
    }
    real sum = 0;
    for (int g = first; g <= last; ++g) sum += eq.varguess[at(g)];
    if (std::fabs(sum - 1) <= 1e-5L) return;
    std::string line = "mode setup problem: sum = ";
    addfixed(4, 10, sum, line);
    writeconsole(line + "\n\nmode guesses: \n");
    for (int g = first; g <= last; ++g) {
        line.clear();
        addfield(eq.calcvarnames[at(g)], 7, line);
        addfixed(5, 10, eq.varguess[at(g)], line);
        writeconsole(line + "\n");
    }
    writeconsole("\n");
    bombout("mode guess subs", "don't sum to 1", 0);
}

}  // namespace zt
