#include "ax/reconcile.h"

#include <algorithm>

#include "ax/axeval.h"
#include "ax/axreader.h"
#include "ax/axtokens.h"
#include "ax/contract.h"
#include "ax/phaserecords.h"
#include "runtime/channels.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

constexpr int allphases = 100;  // a with count above this stands for "all"

bool withbatches() { return settings.batch == 0; }

// The item-by-item view of one samecoding group.
struct sameitem {
    str22 shortname, written, full;
};

sameitem getitem(int g, int i) {
    const size_t gg = static_cast<size_t>(g), ii = static_cast<size_t>(i);
    return sameitem{settings.sameshortname[gg][ii], settings.samewrittenname[gg][ii], settings.samefullname[gg][ii]};
}

void putitem(int g, int i, const sameitem& item) {
    const size_t gg = static_cast<size_t>(g), ii = static_cast<size_t>(i);
    settings.sameshortname[gg][ii] = item.shortname;
    settings.samewrittenname[gg][ii] = item.written;
    settings.samefullname[gg][ii] = item.full;
}

void copygroup(int to, int from) {
    const size_t t = static_cast<size_t>(to), f = static_cast<size_t>(from);
    settings.nsameitems[t] = settings.nsameitems[f];
    axreader.samesource[t] = axreader.samesource[f];
    settings.sameshortname[t] = settings.sameshortname[f];
    settings.samewrittenname[t] = settings.samewrittenname[f];
    settings.samefullname[t] = settings.samefullname[f];
}

int16_t findwritten(const str22& written) {
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (phases.prec1[static_cast<size_t>(k)].longname == written) return static_cast<int16_t>(k);
    }
    return 0;
}

// A script group: its first item names the source, the others become its copies.
void settlescriptgroup(int g) {
    const size_t gg = static_cast<size_t>(g);
    str22 written = settings.samewrittenname[gg][1];
    str22 shortname, groupsuffix;
    long2shortpname(written, shortname, groupsuffix);
    const int16_t src = findwritten(written);
    if (src == 0) bombout("setup phases", "first samecoding phase, " + written + " is not in the axfile", 0);
    const axphase& source = phases.prec1[static_cast<size_t>(src)];
    if (source.coding >= 2 && groupsuffix.empty()) {
        bombout("setup phases", "first samecoding phase, " + written + " should be a long phasename", 0);
    }
    axreader.samesource[gg] = src;
    const int n = settings.nsameitems[gg];
    for (int i = 2; i <= n; ++i) {
        sameitem item = getitem(g, i);
        str22 suffix = groupsuffix;
        long2shortpname(item.written, item.shortname, suffix);
        item.full = source.fullname;
        putitem(g, i - 1, item);
    }
    settings.nsameitems[gg] = static_cast<int16_t>(n - 1);
}

void appenditems(int to, int from) {
    const int n = settings.nsameitems[static_cast<size_t>(from)];
    for (int i = 1; i <= n; ++i) {
        const int16_t count = settings.nsameitems[static_cast<size_t>(to)];
        if (count >= maxsamecodingitems) bombout("setup phases", "too many items in a samecoding" + maxtext(maxsamecodingitems), 0);
        settings.nsameitems[static_cast<size_t>(to)] = static_cast<int16_t>(count + 1);
        putitem(to, count + 1, getitem(from, i));
    }
}

void dropgroup(int g) {
    for (int h = g; h < settings.nsamecoding; ++h) copygroup(h, h + 1);
    settings.nsamecoding = static_cast<int16_t>(settings.nsamecoding - 1);
}

void dropduplicateitems(int g) {
    int16_t kept = 0;
    const int n = settings.nsameitems[static_cast<size_t>(g)];
    for (int i = 1; i <= n; ++i) {
        const sameitem item = getitem(g, i);
        bool seen = false;
        for (int j = 1; j <= kept; ++j) seen = seen || getitem(g, j).shortname == item.shortname;
        if (seen) continue;
        ++kept;
        putitem(g, kept, item);
    }
    settings.nsameitems[static_cast<size_t>(g)] = kept;
}

void listgroups() {
    putstr(0, "", 1, 1);
    putstr(0, "all axfile samecodings", 1, 1);
    for (int g = 1; g <= settings.nsamecoding; ++g) {
        const size_t gg = static_cast<size_t>(g);
        std::string row = "  " + phases.prec1[static_cast<size_t>(axreader.samesource[gg])].shortname + " # ";
        for (int i = 1; i <= settings.nsameitems[gg]; ++i) row += settings.sameshortname[gg][static_cast<size_t>(i)] + " ";
        putstr(0, row, 1, 1);
    }
}

int16_t findxyzguess(const str22& name) {
    for (int i = 1; i <= settings.nxyzguess; ++i) {
        if (settings.xyzguessnames[static_cast<size_t>(i)] == name) return static_cast<int16_t>(i);
    }
    return 0;
}

// name(...) with the text inside the parentheses replaced.
str22 renamedvar(const str22& name, const str22& inside) {
    const size_t open = name.find('(');
    if (open == std::string::npos) return name;
    return trunc22(name.substr(0, open + 1) + inside + ")");
}

void makecopy(int16_t src, const sameitem& item) {
    if (phases.nsolnphases >= maxsolnphases) bombout("setup phases", "too many ss phases (in making samecoding phases)", 0);
    if (phases.nphases >= maxphasecount) {
        bombout("setup phases", "too many phases in making samecoding phase " + item.shortname + maxtext(maxphasecount), 0);
    }
    phases.nphases = static_cast<int16_t>(phases.nphases + 1);
    phases.nsolnphases = static_cast<int16_t>(phases.nsolnphases + 1);
    notephasestaken();
    const size_t last = static_cast<size_t>(phases.nsolnphases);
    const size_t at = static_cast<size_t>(src) + 1;
    phases.prec1[last] = phases.prec1[static_cast<size_t>(src)];
    std::rotate(phases.prec1.begin() + static_cast<std::ptrdiff_t>(at), phases.prec1.begin() + static_cast<std::ptrdiff_t>(last),
                phases.prec1.begin() + static_cast<std::ptrdiff_t>(last + 1));
    const axphase& source = phases.prec1[static_cast<size_t>(src)];
    axphase& copy = phases.prec1[at];
    copy.shortname = item.shortname;
    copy.longname = item.written;
    copy.fullname = item.full;
    copy.nsame = 0;
    copy.sourceshort = source.shortname;
    copy.sourcelong = source.longname;
    copy.sourcefull = source.fullname;
    for (int v = 1; v <= copy.nvars; ++v) {
        axvar& var = copy.vars[static_cast<size_t>(v)];
        var.name = renamedvar(var.name, item.shortname);
    }
    for (int g = 1; g <= settings.nsamecoding; ++g) {
        int16_t& s = axreader.samesource[static_cast<size_t>(g)];
        if (s > src) s = static_cast<int16_t>(s + 1);
    }
}

// Monte Carlo entries of the source vary the copy as well.
void addtomcentries(const axphase& source, const str22& copyname) {
    for (int e = 1; e <= settings.nmc; ++e) {
        mcrec& entry = settings.mcentries[static_cast<size_t>(e)];
        if (entry.phase != source.shortname && entry.phase != source.longname) continue;
        if (entry.nphasewords >= maxmcphases) bombout("read", "number of mcphase", 0);
        entry.nphasewords = static_cast<int16_t>(entry.nphasewords + 1);
        entry.phasewords[static_cast<size_t>(entry.nphasewords)] = copyname;
    }
}

void reportillegalstart(const axphase& ph) {
    putstr(1, "for " + ph.shortname + ", site fractions are:", 1, 13);
    axvector x{};
    for (int i = 1; i <= ph.nvars; ++i) x[static_cast<size_t>(i)] = ph.vars[static_cast<size_t>(i)].value;
    for (int s = 1; s <= ph.nsf; ++s) {
        std::string& row = channels.linebuf;
        row = ph.sfname[static_cast<size_t>(s)] + " = ";
        addreal(6, true, 12, evalaxexpr(ph.sf[static_cast<size_t>(s)], x, 1), row);
        putstr(0, row, 1, 13);
    }
    putstr(0, "site fractions must all be positive (starting guess problems)", 1, 13);
    bombout("setupphases", "inconsistent starting guesses", 0);
}

void checklist(std::array<str22, maxexcesslist + 1>& names, std::array<str22, maxexcesslist + 1>& written, int16_t n,
               const std::string& prefix, const std::string& middle) {
    for (int i = 1; i <= n; ++i) {
        const size_t ii = static_cast<size_t>(i);
        const str22 name = names[ii];
        bool found = false;
        for (int j = 1; j <= settings.nwith && !found; ++j) {
            if (settings.withnames[static_cast<size_t>(j)] == name) {
                written[ii] = settings.withshortnames[static_cast<size_t>(j)];
                found = true;
            }
        }
        for (int j = 1; j <= settings.nwith && !found; ++j) {
            if (settings.withshortnames[static_cast<size_t>(j)] == name) {
                names[ii] = settings.withnames[static_cast<size_t>(j)];
                written[ii] = settings.withshortnames[static_cast<size_t>(j)];
                found = true;
            }
        }
        if (!found) bombout("setup phases", prefix + name + middle + "\"with\"", 0);
    }
}

// The solution phase each with entry resolves to (0: none), each phase used once: first
// by the name as written, then by the short name.
void matchwithlist(std::array<int16_t, maxwithnames + 1>& phaseof) {
    std::array<bool, maxsolnphases + 1> used{};
    phaseof.fill(0);
    for (int pass = 1; pass <= 2; ++pass) {
        for (int i = 1; i <= settings.nwith; ++i) {
            const size_t ii = static_cast<size_t>(i);
            if (phaseof[ii] != 0) continue;
            for (int k = 1; k <= phases.nsolnphases; ++k) {
                const size_t kk = static_cast<size_t>(k);
                if (used[kk]) continue;
                const axphase& ph = phases.prec1[kk];
                const bool match = pass == 1 ? ph.longname == settings.withshortnames[ii] : ph.shortname == settings.withnames[ii];
                if (!match) continue;
                used[kk] = true;
                phaseof[ii] = static_cast<int16_t>(k);
                break;
            }
        }
    }
}

}  // namespace

bool inwithlist(const str22& shortname, const str22& writtenname) {
    for (int i = 1; i <= settings.nwith; ++i) {
        if (settings.withnames[static_cast<size_t>(i)] == shortname) return true;
        if (settings.withshortnames[static_cast<size_t>(i)] == writtenname) return true;
    }
    return false;
}

void expandwithlist() {
    if (settings.nwith <= allphases) return;  // the script's names keep their written form
    settings.nwith = phases.nphases;
    int16_t w = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        ++w;
        settings.withnames[static_cast<size_t>(w)] = phases.prec1[static_cast<size_t>(k)].shortname;
        settings.withshortnames[static_cast<size_t>(w)] = phases.prec1[static_cast<size_t>(k)].longname;
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        ++w;
        settings.withnames[static_cast<size_t>(w)] = phases.prec0[static_cast<size_t>(i)].name;
        settings.withshortnames[static_cast<size_t>(w)] = phases.prec0[static_cast<size_t>(i)].name;
    }
}

void mergesamecodings() {
    if (settings.nsamecoding <= 0) return;
    if (ds.oldds) bombout("read", "same coding not available", 0);
    const int s = std::min<int>(axreader.nscriptgroups, settings.nsamecoding);
    for (int g = 1; g <= s; ++g) settlescriptgroup(g);
    if (settings.nsamecoding > s) {
        int scriptleft = s;
        for (int c = 1; c <= scriptleft;) {
            int target = 0;
            for (int g = c + 1; g <= settings.nsamecoding && target == 0; ++g) {
                if (axreader.samesource[static_cast<size_t>(g)] == axreader.samesource[static_cast<size_t>(c)]) target = g;
            }
            if (target == 0) {
                ++c;
                continue;
            }
            appenditems(target, c);
            dropgroup(c);
            --scriptleft;
        }
    }
    for (int g = 1; g <= settings.nsamecoding; ++g) dropduplicateitems(g);
    if (settings.nsamecoding > axreader.nscriptgroups) listgroups();
}

void checkcodingtwoguesses() {
    if (withbatches()) return;
    // Of the versions of a phase (g_a, g_b) only the one the with list chooses is checked.
    std::array<int16_t, maxwithnames + 1> phaseof{};
    matchwithlist(phaseof);
    std::array<bool, maxsolnphases + 1> chosen{};
    for (int i = 1; i <= settings.nwith; ++i) chosen[static_cast<size_t>(phaseof[static_cast<size_t>(i)])] = true;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[static_cast<size_t>(k)];
        if (ph.coding != 2 || !chosen[static_cast<size_t>(k)]) continue;
        if (settings.nxyzguess <= 0) bombout("setup phases", "no xyz starting guesses in scriptfile 1", 0);
        if (findxyzguess(ph.vars[1].name) == 0) bombout("setup phases", "no xyz starting guesses for " + ph.shortname, 0);
    }
}

void makesamecodingcopies() {
    for (int g = 1; g <= settings.nsamecoding; ++g) {
        const size_t gg = static_cast<size_t>(g);
        for (int i = 1; i <= settings.nsameitems[gg]; ++i) {
            const sameitem item = getitem(g, i);
            if (!inwithlist(item.shortname, item.written)) continue;
            const int16_t src = axreader.samesource[gg];
            if (withbatches()) {
                addtomcentries(phases.prec1[static_cast<size_t>(src)], item.shortname);
            } else {
                const axphase& source = phases.prec1[static_cast<size_t>(src)];
                const str22 firstvar = renamedvar(source.vars[1].name, item.shortname);
                if (settings.nxyzguess <= 0) bombout("setup phases", "no xyz starting guesses in scriptfile 2", 0);
                if (findxyzguess(firstvar) == 0) bombout("setup phases", "no xyzguess for samecoding phase " + item.shortname, 0);
            }
            makecopy(src, item);
        }
    }
}

void resolvewithlist() {
    std::array<int16_t, maxwithnames + 1> phaseof{};
    matchwithlist(phaseof);
    for (int i = 1; i <= settings.nwith; ++i) {
        const size_t ii = static_cast<size_t>(i);
        if (phaseof[ii] == 0) continue;
        const axphase& ph = phases.prec1[static_cast<size_t>(phaseof[ii])];
        settings.withnames[ii] = ph.shortname;
        settings.withshortnames[ii] = ph.longname;
    }
    for (int i = 1; i <= settings.nwith; ++i) {
        for (int j = i + 1; j <= settings.nwith; ++j) {
            if (settings.withnames[static_cast<size_t>(i)] != settings.withnames[static_cast<size_t>(j)]) continue;
            bombout("setup phases", "two phases, " + settings.withshortnames[static_cast<size_t>(i)] + " and " +
                                        settings.withshortnames[static_cast<size_t>(j)] + ", with the same name in \"with\"", 0);
        }
    }
}

void checkexcesslists() {
    checklist(settings.excesslist, settings.excesslistwritten, settings.nexcesslist, "in excess phase, ", ", not in ");
    checklist(settings.tozeronames, settings.tozeronameswritten, settings.ntozero, "tozero phase, ", ",  not in ");
}

void applyguesses(int16_t k) {
    axphase& ph = phases.prec1[static_cast<size_t>(k)];
    const int16_t i0 = settings.nxyzguess > 0 ? findxyzguess(ph.vars[1].name) : 0;
    if (i0 > 0) {
        ph.guessesfromscript = true;
        for (int v = 1; v <= ph.nvars; ++v) {
            const int i = i0 + v - 1;
            if (i > settings.nxyzguess) bombout("setupphases", "xyzguess: wrong no of vars", 0);
            const str22& vname = ph.vars[static_cast<size_t>(v)].name;
            const str22& tname = settings.xyzguessnames[static_cast<size_t>(i)];
            if (vname != tname) bombout("setupphases", "xyzguess names don't match axfile: \"" + vname + "\" \"" + tname + "\"", 0);
        }
        for (int v = 1; v <= ph.nvars; ++v) {
            const size_t i = static_cast<size_t>(i0 + v - 1);
            axvar& var = ph.vars[static_cast<size_t>(v)];
            var.value = settings.xyzguessvalues[i];
            if (settings.xyzguesssd[i] > 0) var.sd = settings.xyzguesssd[i];
            if (settings.xyzguesslow[i] < var.filelower) var.filelower = settings.xyzguesslow[i];
            if (settings.xyzguesshigh[i] > var.fileupper) var.fileupper = settings.xyzguesshigh[i];
            if (var.filelower >= var.fileupper) bombout("read", "read in lower limit > upper limit in xyz range", 0);
            var.lower = var.filelower;
            var.upper = var.fileupper;
        }
    }
    for (int j = 1; j <= ph.nem; ++j) ph.empresent[static_cast<size_t>(j)] = true;
    ph.nvarsguess = ph.nvars;
    ph.nzerovars = 0;
    for (int v = 1; v <= ph.nvars; ++v) {
        const axvar& var = ph.vars[static_cast<size_t>(v)];
        ph.guessname[static_cast<size_t>(v)] = var.name;
        ph.varnonzero[static_cast<size_t>(v)] = var.value != 0;
        if (var.value == 0) {
            ph.nzerovars = static_cast<int16_t>(ph.nzerovars + 1);
            ph.zerovarnames[static_cast<size_t>(ph.nzerovars)] = var.name;
        }
    }
    if (ph.nzerovars > 0) contractphase(k);
    if (!ph.hasorder && !phaselegal(k)) reportillegalstart(ph);
}

void reconcilephases() {
    mergesamecodings();
    checkcodingtwoguesses();
    makesamecodingcopies();
    resolvewithlist();
    checkexcesslists();
    if (withbatches()) return;  // the batch models are set up by their own step
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[static_cast<size_t>(k)];
        // The resolved with list holds each chosen phase by both its names: a version the
        // script did not choose shares only the short name.
        bool named = false;
        for (int i = 1; i <= settings.nwith && !named; ++i) {
            const size_t ii = static_cast<size_t>(i);
            named = settings.withnames[ii] == ph.shortname && settings.withshortnames[ii] == ph.longname;
        }
        if (named) applyguesses(static_cast<int16_t>(k));
    }
}

}  // namespace zt
