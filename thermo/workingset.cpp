#include "thermo/workingset.h"

#include <cmath>
#include <limits>

#include "numeric/methods/integers.h"
#include "runtime/channels.h"
#include "runtime/heap.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/records/phasestate.h"
#include "runtime/records/reactionstate.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/dataset.h"

namespace zt {

workingsetstate ws;

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

int16_t fit16(real x, const std::string& what) {
    const real r = std::nearbyint(x);
    if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max())) {
        bombout("makeoxides", what + " does not fit in 16 bits", 0);
    }
    return static_cast<int16_t>(r);
}

void droprow(int r) {
    for (int i = r; i < ws.ncomps; ++i) {
        ws.c[at(i)] = ws.c[at(i + 1)];
        ws.compnames[at(i)] = ws.compnames[at(i + 1)];
        ws.compdiv[at(i)] = ws.compdiv[at(i + 1)];
        ws.compatoms[at(i)] = ws.compatoms[at(i + 1)];
    }
    ws.c[at(ws.ncomps)].fill(0);
    ws.compnames[at(ws.ncomps)].clear();
    --ws.ncomps;
    --ws.nrcomps;
}

void dropem(int e) {
    const int n = ws.nem;
    for (int i = e; i < n; ++i) {
        for (int r = 1; r <= maxcomps; ++r) ws.c[at(r)][at(i)] = ws.c[at(r)][at(i + 1)];
        ws.emname[at(i)] = ws.emname[at(i + 1)];
        ws.emact[at(i)] = ws.emact[at(i + 1)];
        ws.emsda[at(i)] = ws.emsda[at(i + 1)];
        ws.nsite[at(i)] = ws.nsite[at(i + 1)];
        ws.td[at(i)] = ws.td[at(i + 1)];
    }
    for (int i = 1; i <= n; ++i) {
        for (int j = e; j < n; ++j) ws.covat(i, j) = ws.covat(i, j + 1);
    }
    for (int i = e; i < n; ++i) {
        for (int j = 1; j < n; ++j) ws.covat(i, j) = ws.covat(i + 1, j);
    }
    ws.emname[at(n)].clear();
    --ws.nem;
    --ws.nrems;
}

// One answer at the console, taken as promptword takes it (prompt, log echo, backspaces
// and "kill" alike), except that the first word comes back whole: promptword cuts it to
// 22 characters, and a longer name must be seen as such.
std::string askname(const std::string& prompt) {
    static stringlist words;
    int16_t count = 0;
    std::string typed;
    promptline(prompt, typed, words, count);
    if (count == 0) return std::string();
    size_t start = 0;
    while (isblankbyte(typed[start])) ++start;
    size_t end = start;
    while (end < typed.size() && !isblankbyte(typed[end])) ++end;
    return typed.substr(start, end - start);
}

bool findinlist(const std::string& name, const phasenamelist& list, int16_t& index) {
    const int n = phases.nsolnphases + phases.npurephases;
    for (int16_t i = 1; i <= n && i <= maxphases; ++i) {
        if (list[at(i)] == name) {
            index = i;
            return true;
        }
    }
    index = 0;
    return false;
}

}  // namespace

int16_t componentatoms(const str22& name, const std::string& routine) {
    const int16_t k = findoxideentry(name);
    if (k == 0) bombout(routine, "cannot find oxide name", 0);
    // An element-named component (a set with no oxygen) is one atom.
    if (settings.oxidemodes || name == oxides.oxideelement[at(k)]) return 1;
    return static_cast<int16_t>(oxides.oxidecations[at(k)] + oxides.oxideoxygens[at(k)]);
}

int16_t findoxideentry(const str22& name) {
    for (int16_t k = 1; k <= maxcomps; ++k) {
        if (oxides.oxideformula[at(k)] == name || oxides.oxideelement[at(k)] == name) return k;
    }
    return 0;
}

void resetworkingset() {
    ws.nem = 0;
    for (str22& n : ws.emname) n.clear();
    ws.nrems = 0;
    for (comprow& row : ws.c) row.fill(0);
    for (str22& n : ws.compnames) n.clear();
    ws.compdiv.fill(1);
    ws.compatoms.fill(0);
    ws.ncomps = ws.nrcomps = ws.nexcess = 0;
    ws.ncompsall = ws.ncompsall2 = 0;
    ws.nsite.fill(1);
    ws.emact.fill(0);
    ws.emsda.fill(0);
    ws.ico2 = ws.ih2o = ws.iaqsi = ws.icrd = ws.ifcrd = ws.ilna = ws.imu = 0;
    ws.aqsihydration = 4;
    ws.sdaslope = ws.sdamin = ws.sdarelmin = 0;
    for (tdrecord& t : ws.td) t = tdrecord{};
    for (real& x : ws.cov) x = 0;
}

void makeoxides() {
    ws.compdiv.fill(1);
    const int nem = ws.nem;

    bool hasO = false;
    for (int e = 1; e <= nem && !hasO; ++e) {
        for (int p = 1; p <= ds.emnox[at(e)]; ++p) hasO = hasO || ds.emoxide[at(e)][at(p)] == oxygenindex;
    }

    bool notbalanced = false;
    if (hasO) {
        for (int e = 1; e <= nem; ++e) {
            pairarray16& ox = ds.emoxide[at(e)];
            pairarrayreal& amount = ds.emoxamount[at(e)];
            int kO = 0;
            for (int p = 1; p <= ds.emnox[at(e)]; ++p) {
                if (ox[at(p)] == oxygenindex) kO = p;
            }
            float excess = kO == 0 ? 0.0f : static_cast<float>(amount[at(kO)]);
            for (int p = 1; p <= ds.emnox[at(e)]; ++p) {
                if (p == kO) continue;
                // A second O pair would be divided by the zero cations of O.
                if (ox[at(p)] == oxygenindex) bombout("makeoxides", "two oxygen pairs in the composition of " + ws.emname[at(e)], 0);
                const size_t k = at(ox[at(p)]);
                amount[at(p)] /= oxides.oxidecations[k];
                excess = static_cast<float>(excess - oxides.oxideoxygens[k] * amount[at(p)]);
            }
            if (kO == 0) {
                kO = ++ds.emnox[at(e)];
                ox[at(kO)] = oxygenindex;
            }
            amount[at(kO)] = excess;
            if (std::fabs(excess) > 0.001L) notbalanced = true;
        }
    }
    const bool leaveoutO = hasO && !notbalanced;

    std::array<bool, maxcomps + 1> occurs{};
    for (int e = 1; e <= nem; ++e) {
        for (int p = 1; p <= ds.emnox[at(e)]; ++p) occurs[at(ds.emoxide[at(e)][at(p)])] = true;
    }
    if (leaveoutO) occurs[oxygenindex] = false;

    // Rows in display order.
    std::array<int16_t, maxcomps + 1> rowof{};
    std::array<int16_t, maxcomps + 1> entryofrow{};
    int16_t ncomps = 0;
    for (int16_t place = 1; place <= maxcomps; ++place) {
        for (int16_t k = 1; k <= maxcomps; ++k) {
            if (occurs[at(k)] && oxides.oxorder[at(k)] == place) {
                rowof[at(k)] = ++ncomps;
                entryofrow[at(ncomps)] = k;
            }
        }
    }
    ws.ncomps = ncomps;

    static std::array<realintlist, maxcomps + 1> work;
    for (int r = 1; r <= ncomps; ++r) work[at(r)].fill(0);
    for (int e = 1; e <= nem; ++e) {
        for (int p = 1; p <= ds.emnox[at(e)]; ++p) {
            const int16_t k = ds.emoxide[at(e)][at(p)];
            if (leaveoutO && k == oxygenindex) continue;
            work[at(rowof[at(k)])][at(e)] = ds.emoxamount[at(e)][at(p)];
        }
    }

    for (int r = 1; r <= ncomps; ++r) {
        const size_t k = at(entryofrow[at(r)]);
        ws.compnames[at(r)] = hasO ? oxides.oxideformula[k] : oxides.oxideelement[k];
        int32_t divisor = 1;
        realstoints(work[at(r)], static_cast<int16_t>(nem), divisor);
        ws.compdiv[at(r)] = divisor;
        for (int e = 1; e <= nem; ++e) {
            ws.c[at(r)][at(e)] = fit16(work[at(r)][at(e)], "amount of " + ws.compnames[at(r)] + " in " + ws.emname[at(e)]);
        }
        for (int e = nem + 1; e <= maxems; ++e) ws.c[at(r)][at(e)] = 0;
    }
    for (int r = ncomps + 1; r <= maxcomps; ++r) {
        ws.c[at(r)].fill(0);
        ws.compnames[at(r)].clear();
    }

    ws.nrcomps = ncomps;
    ws.nrems = ws.nem;
    ws.nexcess = 0;

    for (int r = 1; r <= ncomps; ++r) ws.compatoms[at(r)] = componentatoms(ws.compnames[at(r)], "makeoxides");
}

void clean() {
    bool changed = true;
    bool reported = false;
    while (changed) {
        changed = false;
        for (int r = ws.ncomps; r >= 1; --r) {
            int holders = 0, holder = 0;
            for (int e = 1; e <= ws.nem && holders < 2; ++e) {
                if (ws.c[at(r)][at(e)] != 0) {
                    ++holders;
                    holder = e;
                }
            }
            if (holders >= 2) continue;
            changed = true;
            if (holders == 1) {
                putstr(reported ? 0 : 1, ws.emname[at(holder)] + " excluded", 1, 9);
                reported = true;
            }
            droprow(r);
            if (holders == 1) dropem(holder);
        }
    }
    if (ws.nem < 2) bombout("clean", "insufficient end-members", 0);
}

int16_t findem(const std::string& name) {
    for (int16_t i = 1; i <= ws.nem; ++i) {
        if (ws.emname[at(i)] != name) continue;
        for (int k = 1; k <= reactions.nomitted; ++k) {
            if (reactions.omittedems[at(k)] == i) return 0;
        }
        return i;
    }
    return 0;
}

void findspecialems() {
    ws.ico2 = findem("CO2");
    ws.ih2o = findem("H2O");
    ws.iaqsi = findem("aqSi");
    ws.icrd = findem("crd");
    ws.ifcrd = findem("fcrd");
    if (settings.nlna >= 1) ws.ilna = findem(settings.lnanames[1]);
}

bool checkname(str22& name, const phasenamelist& list, bool quiet, int16_t& index) {
    bool found = findinlist(name, list, index);
    if (!found && !quiet) {
        const std::string answer = askname("unrecognised name : replace \"" + name + "\" with ");
        if (answer.size() > static_cast<size_t>(maxwordlen)) {
            putstr(0, " name too long: name ignored", 1, 9);
        } else if (!answer.empty()) {
            name = answer;
            found = findinlist(name, list, index);
            if (!found) putstr(0, " still a bad name: name ignored", 1, 9);
        }
    }
    if (!found) index = 0;
    return found;
}

}  // namespace zt
