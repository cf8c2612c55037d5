#include "ax/batchphases.h"

#include <string>

#include "ax/contract.h"
#include "ax/phaserecords.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr wordset consoleonly = 1;
constexpr wordset conoutlog = 13;  // console, output file and log
constexpr int maxboils = 30;       // copies of one phase before the search gives up

// What the boil-down steps share: the phases and with entries that came from the
// a-x file and the script, before any copy was added.
struct boilcontext {
    int16_t nwith0 = 0;
    int16_t nsoln0 = 0;
};
boilcontext bc;

axphase& soln(int k) { return phases.prec1[static_cast<size_t>(k)]; }

int16_t findsoln(const str22& shortname, int from, int to) {
    for (int k = from; k <= to; ++k) {
        if (soln(k).shortname == shortname) return static_cast<int16_t>(k);
    }
    return 0;
}

int16_t withposition(const str22& name, int upto) {
    for (int i = 1; i <= upto; ++i) {
        if (settings.withnames[static_cast<size_t>(i)] == name) return static_cast<int16_t>(i);
    }
    return 0;
}

void setabc(int16_t code, real value, real& a, real& b, real& c, const std::string& which) {
    switch (code) {
        case 1: a = value; break;
        case 2: b = value; break;
        case 3: c = value; break;
        default: bombout("read", "finding kp in mc: bad abc code (" + which + ")", 0);
    }
}

int16_t findguess(const guessblock& g, const str22& name, int from) {
    for (int i = from; i <= g.nguesses; ++i) {
        if (g.names[static_cast<size_t>(i)] == name) return static_cast<int16_t>(i);
    }
    return 0;
}

// The copy's variables as the block gives them; the zero ones are contracted away.
void fillcopy(axphase& copy, const guessblock& g, int i0) {
    copy.nzerovars = 0;
    copy.nvarsguess = copy.nvars;
    for (int v = 1; v <= copy.nvars; ++v) {
        const size_t vv = static_cast<size_t>(v);
        axvar& var = copy.vars[vv];
        var.value = g.values[static_cast<size_t>(i0 + v - 1)];
        copy.guessname[vv] = var.name;
        copy.varnonzero[vv] = var.value != 0;
        if (var.value == 0) {
            copy.nzerovars = static_cast<int16_t>(copy.nzerovars + 1);
            copy.zerovarnames[static_cast<size_t>(copy.nzerovars)] = var.name;
        }
    }
    for (int j = 1; j <= copy.nem; ++j) copy.empresent[static_cast<size_t>(j)] = true;
}

bool samevariables(const axphase& a, const axphase& b) {
    if (a.nvars != b.nvars) return false;
    for (int v = 1; v <= a.nvars; ++v) {
        if (a.vars[static_cast<size_t>(v)].name != b.vars[static_cast<size_t>(v)].name) return false;
    }
    return true;
}

void renamephase(axphase& ph, const str22& name) {
    ph.shortname = name;
    ph.longname = name;
    ph.fullname = name;
}

// Entries of the batch that named phase k's with position now name the copy's.
void redirect(batchrec& b, int16_t from, int16_t to) {
    if (from == 0) bombout("read", "no xref", 0);
    b.phaseflags[static_cast<size_t>(from)] = 0;
    b.phaseflags[static_cast<size_t>(to)] = 1;
    if (b.nmodesset >= 1 && b.modephase[1] == from) b.modephase[1] = to;
    if (b.nmodesset >= 2 && b.modephase[2] == from) b.modephase[2] = to;
    if (b.hasisopleths) {
        for (int i = 1; i <= b.nisopleths; ++i) {
            if (b.isophase[static_cast<size_t>(i)] == from) b.isophase[static_cast<size_t>(i)] = to;
        }
    }
}

void addcopytomc(const str22& source, const str22& copyname) {
    for (int e = 1; e <= settings.nmc; ++e) {
        mcrec& entry = settings.mcentries[static_cast<size_t>(e)];
        bool holds = false;
        for (int i = 1; i <= entry.nphasewords && !holds; ++i) holds = entry.phasewords[static_cast<size_t>(i)] == source;
        if (!holds) continue;
        if (entry.nphasewords >= maxmcphases) bombout("read", "number of mcphase", 0);
        entry.nphasewords = static_cast<int16_t>(entry.nphasewords + 1);
        entry.phasewords[static_cast<size_t>(entry.nphasewords)] = copyname;
    }
}

// Phase k boiled down for batch nb from block values i0 onward.
void boildown(int nb, int16_t k, int16_t posk, const guessblock& g, int i0) {
    batchrec& b = settings.batches[static_cast<size_t>(nb)];
    if (phases.nsolnphases >= maxsolnphases) bombout("read", "numbers of phases in boil down", 0);
    phases.nsolnphases = static_cast<int16_t>(phases.nsolnphases + 1);
    notephasestaken();
    const int16_t newk = phases.nsolnphases;
    const str22 source = soln(k).shortname;
    soln(newk) = soln(k);
    axphase& copy = soln(newk);
    renamephase(copy, trunc22(source + "-1"));
    copy.sourceshort = source;
    copy.sourcelong = soln(k).longname;
    copy.sourcefull = soln(k).fullname;
    copy.nsame = 0;
    fillcopy(copy, g, i0);
    contractphase(newk);

    int16_t found = 0;
    int n = 1;
    for (;; ++n) {
        const str22 name = trunc22(source + "-" + wholetostr(n));
        const int16_t c = findsoln(name, bc.nsoln0 + 1, newk - 1);
        if (c != 0 && samevariables(soln(c), copy)) {
            found = c;
            break;
        }
        if (c == 0) break;
        if (n == maxboils - 1) {
            ++n;
            break;
        }
    }
    if (found == 0 && n >= maxboils) bombout("setupphases", "too many boils", 0);

    int16_t posnew = 0;
    if (found != 0) {
        phases.nsolnphases = static_cast<int16_t>(phases.nsolnphases - 1);
        soln(newk) = axphase{};
        posnew = withposition(soln(found).shortname, settings.nwith);
    } else {
        const str22 name = trunc22(source + "-" + wholetostr(n));
        renamephase(copy, name);
        if (settings.nwith >= maxwithnames) bombout("read", "number of whichstrings", 0);
        settings.nwith = static_cast<int16_t>(settings.nwith + 1);
        posnew = settings.nwith;
        settings.withnames[static_cast<size_t>(posnew)] = name;
        settings.withshortnames[static_cast<size_t>(posnew)] = name;
        for (int j = 1; j <= settings.nbatches; ++j) settings.batches[static_cast<size_t>(j)].phaseflags[static_cast<size_t>(posnew)] = 0;
        addcopytomc(source, name);
    }
    redirect(b, posk, posnew);
}

void boildownbatch(int nb) {
    batchrec& b = settings.batches[static_cast<size_t>(nb)];
    if (b.kxyz < 1 || b.kxyz > settings.nbatchxyzguess) return;
    const guessblock& g = settings.batchxyzguess[static_cast<size_t>(b.kxyz)];
    for (int k = 1; k <= bc.nsoln0; ++k) {
        const int16_t posk = withposition(soln(k).shortname, bc.nwith0);
        if (posk == 0 || b.phaseflags[static_cast<size_t>(posk)] == 0) continue;
        const axphase& ph = soln(k);
        const str22& firstvar = ph.vars[1].name;
        const int16_t i0 = findguess(g, firstvar, 1);
        if (i0 == 0) {
            putstr(2,
                   "problem in starting guess block " + wholetostr(b.kxyz) + " - missing phase " + ph.shortname + " for batch " +
                       wholetostr(settings.batchlabel[static_cast<size_t>(nb)]) + "?",
                   1, conoutlog);
            bombout("read", "can't find first var " + firstvar, 0);
        }
        // The block must give the phase's variables in the a-x file's order.
        const int16_t i1 = findguess(g, ph.vars[static_cast<size_t>(ph.nvars)].name, i0);
        if (i1 == 0 || i1 != i0 + ph.nvars - 1) {
            std::string line = "batch ";
            addwhole(3, line, nb);
            putstr(0, line, 1, consoleonly);
            bombout("read", "no last var for " + ph.shortname, 0);
        }
        bool anyzero = false;
        for (int i = i0; i <= i1; ++i) anyzero = anyzero || g.values[static_cast<size_t>(i)] == 0;
        if (anyzero) boildown(nb, static_cast<int16_t>(k), posk, g, i0);
    }
}

// The copy's number in a name source-n, 0 when the name is not of that form.
int copynumber(const str22& name, const str22& source) {
    if (name.size() <= source.size() + 1 || name.compare(0, source.size(), source) != 0 || name[source.size()] != '-') return 0;
    int n = 0;
    for (size_t i = source.size() + 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

}  // namespace

void applymcentries() {
    if (settings.nmc <= 0 || phases.nsolnphases <= 0) return;
    for (int e = 1; e <= settings.nmc; ++e) {
        mcrec& entry = settings.mcentries[static_cast<size_t>(e)];
        const int16_t k = findsoln(entry.phase, 1, phases.nsolnphases);
        if (k == 0) bombout("read", "finding kp in mc (1) - " + entry.phase, 0);
        axphase& ph = soln(k);
        int16_t index = 0;
        switch (entry.vartype) {
            case 1:
                for (int w = 1; w <= ph.nw && index == 0; ++w) {
                    if (ph.wname[static_cast<size_t>(w)] == entry.varname) index = static_cast<int16_t>(w);
                }
                break;
            case 2:
            case 3: {
                const std::string open = entry.vartype == 2 ? "a(" : "DQF(";
                for (int j = 1; j <= ph.nem && index == 0; ++j) {
                    if (open + ph.em[static_cast<size_t>(j)].name + ")" == entry.varname) index = static_cast<int16_t>(j);
                }
                break;
            }
            default: bombout("read", "finding kp in mc (2a)", 0);
        }
        if (index == 0) bombout("read", "finding kp in mc (3)", 0);
        entry.varindex = index;
        const size_t i = static_cast<size_t>(index);
        if (entry.vartype == 1) {
            setabc(entry.abc, entry.value1, ph.wa[i], ph.wb[i], ph.wc[i], "1");
        } else if (entry.vartype == 2) {
            setabc(entry.abc, entry.value1, ph.vla[i], ph.vlb[i], ph.vlc[i], "2");
        } else {
            axem& em = ph.em[i];
            setabc(entry.abc, entry.value1, em.dqfa, em.dqfb, em.dqfc, "3");
            em.dqfvaried[static_cast<size_t>(entry.abc)] = true;
        }
    }
}

void checkwithphases() {
    for (int i = 1; i <= settings.nwith; ++i) {
        const str22& name = settings.withnames[static_cast<size_t>(i)];
        bool found = findsoln(name, 1, phases.nsolnphases) != 0;
        for (int j = 1; j <= phases.npurephases && !found; ++j) found = phases.prec0[static_cast<size_t>(j)].name == name;
        if (!found) bombout("read", "name fubar with " + name, 0);
    }
    bc.nwith0 = settings.nwith;
    bc.nsoln0 = phases.nsolnphases;
}

void boildownbatches() {
    for (int nb = 1; nb <= settings.nbatches; ++nb) boildownbatch(nb);
}

void dropzeroguesses() {
    for (int kb = 1; kb <= settings.nbatchxyzguess; ++kb) {
        guessblock& g = settings.batchxyzguess[static_cast<size_t>(kb)];
        int16_t kept = 0;
        for (int i = 1; i <= g.nguesses; ++i) {
            const size_t ii = static_cast<size_t>(i);
            if (g.values[ii] == 0) continue;
            const size_t to = static_cast<size_t>(++kept);
            g.names[to] = g.names[ii];
            g.values[to] = g.values[ii];
            g.rangelow[to] = g.rangelow[ii];
            g.rangehigh[to] = g.rangehigh[ii];
        }
        g.nguesses = kept;
    }
}

void printbatchsummary() {
    if (settings.batchdebug != 0) return;
    putstr(0, "", 1, consoleonly);
    putstr(1, "summary of batches", 1, conoutlog);
    // Per boil-down copy: the with position of its source and its number.
    std::array<int16_t, maxsolnphases + 1> sourcepos{};
    std::array<int, maxsolnphases + 1> number{};
    for (int k = bc.nsoln0 + 1; k <= phases.nsolnphases; ++k) {
        const str22& name = soln(k).shortname;
        const size_t dash = name.rfind('-');
        if (dash == std::string::npos) bombout("setup phase", "no \"-\" in name, " + name, 0);
        const str22 source = name.substr(0, dash);
        const int16_t pos = withposition(source, bc.nwith0);
        if (pos == 0) bombout("setup phase", source + " not in whstrings", 0);
        sourcepos[static_cast<size_t>(k)] = pos;
        number[static_cast<size_t>(k)] = copynumber(name, source);
    }
    std::string line = "    ";
    for (int i = 1; i <= bc.nwith0; ++i) addfield(settings.withnames[static_cast<size_t>(i)], 6, line);
    putstr(0, line, 1, conoutlog);
    for (int nb = 1; nb <= settings.nbatches; ++nb) {
        const batchrec& b = settings.batches[static_cast<size_t>(nb)];
        line.clear();
        addwhole(2, line, settings.batchlabel[static_cast<size_t>(nb)]);
        line += ": ";
        for (int i = 1; i <= bc.nwith0; ++i) {
            std::string copies;
            int last = 0;
            for (int k = bc.nsoln0 + 1; k <= phases.nsolnphases; ++k) {
                if (sourcepos[static_cast<size_t>(k)] != i) continue;
                const int16_t pos = withposition(soln(k).shortname, settings.nwith);
                if (pos == 0 || b.phaseflags[static_cast<size_t>(pos)] == 0) continue;
                last = number[static_cast<size_t>(k)];
                copies += (copies.empty() ? "" : " + ") + wholetostr(last);
            }
            std::string field;
            if (b.phaseflags[static_cast<size_t>(i)] != 0) {
                field = last != 0 ? "0 + " + wholetostr(last) : "0";
            } else {
                field = copies.empty() ? "." : copies;
            }
            addfield(field, 6, line);
        }
        putstr(0, line, 1, conoutlog);
    }
}

void printmcsummary() {
    if (settings.nmc <= 0) return;
    putstr(0, "", 1, consoleonly);
    putstr(1, "summary of mc info", 1, conoutlog);
    putstr(0, std::string(37, ' ') + "      value     range", 1, conoutlog);
    for (int e = 1; e <= settings.nmc; ++e) {
        const mcrec& entry = settings.mcentries[static_cast<size_t>(e)];
        std::string line;
        addwhole(2, line, e);
        line += " : ";
        addfield(entry.phase, 7, line);
        addfield(entry.varname, 16, line);
        addwhole(3, line, entry.vartype);
        addwhole(4, line, entry.varindex);
        addwhole(3, line, entry.abc);
        addfixed(3, 10, entry.value1, line);
        if (entry.ref == 0) {
            addfixed(3, 10, entry.value2, line);
        } else if (entry.ref < 0) {
            line += std::string(10, ' ') + " through mcfunc";
            addwhole(3, line, -entry.ref);
        } else {
            line += " by " + settings.mcranges[static_cast<size_t>(entry.ref)].name + " in mcrange";
        }
        if (entry.nphasewords > 1) {
            line += ";  also ";
            for (int i = 2; i <= entry.nphasewords; ++i) addfield(entry.phasewords[static_cast<size_t>(i)], 7, line);
        }
        putstr(0, line, 1, conoutlog);
    }
    putstr(0, "", 1, conoutlog);
}

void setupbatchphases() {
    applymcentries();
    checkwithphases();
    boildownbatches();
    dropzeroguesses();
    printbatchsummary();
    printmcsummary();
    phases.nphases = static_cast<int16_t>(phases.nsolnphases + phases.npurephases);
}

}  // namespace zt
