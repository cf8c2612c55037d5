#include "phasediagram/isopleths.h"

#include <cmath>
#include <string>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "phasediagram/phasechoice.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "script/settings.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolelog = 9;

std::string asneeded(real x) { return fixedtostr(decimalsneeded(x), x); }

bool isxco2name(const str22& name) { return name == "x(CO2)" || name == "x(fluid)"; }

// "v" for one value, "values between a and b" for several.
std::string describe(const isoplethlist& list, bool zeroword) {
    if (list.nvalues == 1) return zeroword && list.values[1] == 0 ? "zero" : asneeded(list.values[1]);
    return "values between " + asneeded(list.values[1]) + " and " + asneeded(list.values[at(list.nvalues)]);
}

// Typed values: none (when allowed) 0, one value v, or low, high and increment.
void typedvalues(const std::string& prompt, bool noneallowed, real highlimit, bool highinclusive,
                 const std::string& warning, const std::string& routine, isoplethlist& list) {
    static listreals values;
    int16_t n = 0;
    promptreals(prompt, values, n);
    real low = 0, high = 0, inc = 0;
    if (n == 0 && noneallowed) {
        low = high = 0;
    } else if (n == 1) {
        low = high = values[1];
    } else if (n == 3) {
        low = values[1];
        high = values[2];
        inc = values[3];
    } else {
        bombout("readisopleths", "1 or 3 numbers expected", 0);
    }
    const bool single = n <= 1;
    const bool toohigh = highinclusive ? high > highlimit : high >= highlimit;
    if (high < low || (!single && inc <= 0) || low < 0 || toohigh) {
        putstr(0, warning, 1, consolelog);
        bombout(routine, "isopleth values inappropriate", 0);
    }
    isoplethvalues(low, high, inc, list);
}

int16_t newisopleth(const std::string& routine) {
    if (pd.niso + 1 > maxiso) bombout(routine, "too many isopleths", 0);
    return ++pd.niso;
}

// Position of an answer word among names (integers select by position); ends the run
// on a word it cannot place.
int16_t chosenposition(const str22& word, const phasenamelist& names, const phasenamelist& written, int16_t n,
                       const std::string& routine) {
    if (wordtype(word) == wkinteger) {
        const int16_t k = getinteger(wkinteger, word, "isoname");
        if (k < 1 || k > n) bombout(routine, "position for isopleth out of range", 0);
        return k;
    }
    for (int k = 1; k <= n; ++k) {
        if (names[at(k)] == word) return static_cast<int16_t>(k);
    }
    for (int k = 1; k <= n; ++k) {
        if (written[at(k)] == word) return static_cast<int16_t>(k);
    }
    bombout(routine, word + " not recognised", 0);
}

}  // namespace

void isoplethvalues(real low, real high, real inc, isoplethlist& list) {
    list.nvalues = 0;
    if (std::fabs(high - low) < 1e-8L) {
        list.nvalues = 1;
        list.values[1] = low;
        return;
    }
    if (inc < high - low) {
        // Truncated, so that high is appended rather than overshot.
        long long n = static_cast<long long>(std::trunc((high - low) / inc + 1e-9L)) + 1;
        bool append = std::fabs(low + inc * static_cast<real>(n - 1) - high) > 1e-8L;
        if (n + (append ? 1 : 0) > maxlist) {
            n = 101;
            inc = (high - low) / 100;
            append = false;
        }
        for (long long k = 1; k <= n; ++k) list.values[at(static_cast<int>(k))] = low + inc * static_cast<real>(k - 1);
        list.nvalues = static_cast<int16_t>(n);
        if (append) list.values[at(++list.nvalues)] = high;
        return;
    }
    list.nvalues = 2;
    list.values[1] = low;
    list.values[2] = high;
}

void readmodeisopleths() {
    putstr(1, "specification of mode isopleths", 1, consolelog);
    const bool zeroon = settings.zeromodeiso == 0;
    auto& znames = settings.zeromodeisonames;
    auto& info = settings.modeisoinfo;
    if (zeroon && !znames[1].empty() && (znames[1] == info[1].name || znames[1] == info[2].name)) {
        bombout("readmodeisopleths", "phase overlap1 between modeisopleth and zeromodeiso", 0);
    }
    if (zeroon && !znames[2].empty() && (znames[2] == info[1].name || znames[2] == info[2].name)) {
        bombout("readmodeisopleths", "phase overlap2 between modeisopleth and zeromodeiso", 0);
    }
    if (phases.nsolnphases + phases.npurephases != phases.nphases) bombout("readmodeisopleths", "phases don't add up", 0);

    static phasenamelist lista, listb;
    phasenamelists(lista, listb);
    std::array<str22, 3> chosen;
    bool fromzero = false, fromscript = false;
    if (!info[1].name.empty()) {
        chosen[1] = info[1].name;
        chosen[2] = info[2].name;
        fromscript = true;
    } else if (zeroon && !znames[1].empty()) {
        chosen[1] = znames[1];
        chosen[2] = znames[2];
        fromzero = true;
    } else {
        std::string line = zeroon ? "you may set zero modal proportions, from: " : "you may set modal proportions, from:";
        for (int k = 1; k <= phases.nphases; ++k) line += " " + lista[at(k)];
        putstr(0, line, 1, consolelog);
        static stringlist words;
        int16_t n = 0;
        promptstrings("which to set", words, n);
        for (int i = 1; i <= n && i <= 2; ++i) {
            chosen[at(i)] = lista[at(chosenposition(words[i], lista, listb, phases.nphases, "readmodeisopleths"))];
        }
        if (zeroon) {
            znames[1] = chosen[1];
            znames[2] = chosen[2];
            fromzero = true;
        }
    }

    pd.niso = 0;
    for (int i = 1; i <= 2; ++i) {
        if (chosen[at(i)].empty()) continue;
        const int16_t k = findphase(chosen[at(i)], lista, listb);
        if (k == 0) bombout("readmodeisopleths", chosen[at(i)] + " not recognised", 0);
        const int16_t iso = newisopleth("mode isopleths");
        if (k <= phases.nsolnphases) {
            phases.prec1[at(k)].isomode = true;
            phases.prec1[at(k)].isomodevalue = iso;
        } else {
            phases.prec0[at(k - phases.nsolnphases)].isomode = true;
            phases.prec0[at(k - phases.nsolnphases)].isomodevalue = iso;
        }
        isoplethlist& list = pd.iso[at(iso)];
        if (fromscript && info[at(i)].high > 0) {
            isoplethvalues(info[at(i)].low, info[at(i)].high, info[at(i)].step, list);
        } else if (fromzero) {
            isoplethvalues(0, 0, 0.001L, list);
        } else {
            putstr(1, "specifying mode isopleths for " + lista[at(k)] + ":", 1, consolelog);
            typedvalues("  list of values OR start, finish, interval", true, 1, false,
                        "mode isopleth: low, high and increment expected, or one value", "readmodeisopleths", list);
        }
    }
    pd.nmodeisos = pd.niso;
    if (pd.nmodeisos > 2) bombout("readmodeiso", "too many modes set", 0);
    if (pd.niso == 0 && reactions.var < 3) {
        pd.massbalance = false;
        pd.lowvarpseudo = true;
    }
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (phases.prec1[at(k)].isomode && !pd.excessphase[at(k)] && !pd.requiredphase[at(k)]) {
            pd.requiredphase[at(k)] = true;
            ++pd.nrequired;
        }
    }
    if (pd.niso == 0) {
        putstr(0, "no modes set", 1, consolelog);
        return;
    }
    for (int k = 1; k <= phases.nphases; ++k) {
        const bool soln = k <= phases.nsolnphases;
        const bool iso = soln ? phases.prec1[at(k)].isomode : phases.prec0[at(k - phases.nsolnphases)].isomode;
        if (!iso) continue;
        const int16_t n = soln ? phases.prec1[at(k)].isomodevalue : phases.prec0[at(k - phases.nsolnphases)].isomodevalue;
        putstr(0, "mode of " + lista[at(k)] + " set to " + describe(pd.iso[at(n)], true), 1, consolelog);
    }
}

void readxco2values() {
    putstr(1, "specification of x(CO2) calcs", 1, consolelog);
    int found = 0, foundvar = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        for (int m = 1; m <= ph.nvars; ++m) {
            if (isxco2name(ph.vars[at(m)].name) || isxco2name(ph.vars[at(m)].writtenname)) {
                found = k;
                foundvar = m;
            }
        }
    }
    if (found == 0) bombout("readxco2values", "x(CO2) not present", 0);
    const int n = settings.nxco2values;
    // An empty list would leave the calculation loop nothing to step through.
    if (n < 1) bombout("readxco2values", "no x(CO2) values", 0);
    const int16_t iso = newisopleth("readxco2values");
    axvar& v = phases.prec1[at(found)].vars[at(foundvar)];
    v.fixed = true;
    v.isovalue = iso;
    isoplethlist& list = pd.iso[at(iso)];
    list.nvalues = static_cast<int16_t>(n);
    for (int i = 1; i <= n; ++i) {
        list.values[at(i)] = settings.xco2list[at(i)];
        settings.xco2calclist[at(i)] = settings.xco2list[at(i)];
        settings.xh2ocalclist[at(i)] = 1 - settings.xco2list[at(i)];
    }
    settings.nxco2calclist = static_cast<int16_t>(n);
    const real first = list.values[1], last = list.values[at(n)];
    settings.xco2window[1] = first;
    settings.xco2window[2] = last;
    settings.xco2fluid = (first + last) / 2;
    settings.xh2ofluid = 1 - settings.xco2fluid;
    pd.nxyzisos = 1;
    if (!pd.excessphase[at(found)] && !pd.requiredphase[at(found)]) {
        pd.requiredphase[at(found)] = true;
        ++pd.nrequired;
    }
    putstr(0, "x(CO2) set to " + describe(list, false), 1, consolelog);
}

bool isoplethlegal(int16_t k, int16_t m, real value) {
    const axphase& ph = phases.prec1[at(k)];
    if (ph.hasorder) return true;
    const axvar& v = ph.vars[at(m)];
    if (value < v.lower || value > v.upper) return false;
    static axvector x;
    for (int i = 1; i <= ph.nvars; ++i) x[at(i)] = ph.vars[at(i)].value;
    x[at(m)] = value;
    for (int s = 1; s <= ph.nsf; ++s) {
        if (evalaxexpr(ph.sf[at(s)], x, 1) <= 0) return false;
    }
    return true;
}

namespace {

void setmsg(int i, const std::string& text) { channels.msglines[at(i)] = text; }

// Keeps the legal values of the list; asks whether to go on when some were dropped.
void keeplegal(int16_t k, int16_t m, isoplethlist& list) {
    const str22& name = phases.prec1[at(k)].vars[at(m)].name;
    const int n = list.nvalues;
    int kept = 0;
    for (int i = 1; i <= n; ++i) {
        if (isoplethlegal(k, m, list.values[at(i)])) list.values[at(++kept)] = list.values[at(i)];
    }
    list.nvalues = static_cast<int16_t>(kept);
    if (kept == n) return;
    const int dropped = n - kept;
    for (int i = 1; i <= maxmsglines; ++i) channels.msglines[at(i)].clear();
    if (kept == 0) {
        setmsg(1, (n == 1 ? "the input isopleth value for " : "all of the input isopleth values for ") + name +
                      (n == 1 ? " leads to " : " lead to "));
        setmsg(2, "negative site fractions with the given starting guesses for the other variables. Negative site "
                  "fractions are illegal. ");
        setmsg(3, "You will need to look at the starting guesses in the context of the axfile coding and work out how "
                  "to allow the isopleth value(s).");
        formattext(channels.msglines);
        bombout("readisopleths", "no legal isopleth values for " + name, 0);
    }
    setmsg(1, (dropped == 1 ? "one input isopleth value for " : "some of the input isopleth values for ") + name +
                  (dropped == 1 ? " leads to " : " lead to "));
    setmsg(2, "negative site fractions with the given starting guesses for the other variables. The illegal isopleths "
              "have been ignored. ");
    setmsg(3, "You will need to look at the starting guesses in the context of the axfile coding and work out how to "
              "allow the isopleth value(s). ");
    formattext(channels.msglines);
    if (!query("do you want to continue?")) killrun();
}

}  // namespace

void readisopleths() {
    putstr(1, "specification of xyz isopleths", 1, consolelog);
    // Every compositional variable, numbered across the solution phases.
    static phasenamelist names, written;
    static std::array<int16_t, maxphases + 1> varphase, varindex;
    int16_t nv = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        for (int m = 1; m <= ph.nvars && nv < maxphases; ++m) {
            ++nv;
            names[at(nv)] = ph.vars[at(m)].name;
            written[at(nv)] = ph.vars[at(m)].writtenname;
            varphase[at(nv)] = static_cast<int16_t>(k);
            varindex[at(nv)] = static_cast<int16_t>(m);
            putstr(0, "  " + names[at(nv)] + "  " + written[at(nv)], 1, consolelog);
        }
    }

    auto& info = settings.isoplethinfo;
    std::array<int16_t, maxwords + 1> chosen{};
    int nchosen = 0;
    bool fromscript = false;
    if (!info[1].name.empty()) {
        fromscript = true;
        for (int i = 1; i <= 2; ++i) {
            if (!info[at(i)].name.empty()) chosen[at(++nchosen)] = chosenposition(info[at(i)].name, names, written, nv, "readisopleths");
        }
    } else {
        if (nv == 0) bombout("readisopleths", "no xyz variables available to be set", 0);
        std::string line = "set compositional variables, from:";
        for (int i = 1; i <= nv; ++i) line += " " + names[at(i)];
        putstr(0, line, 1, consolelog);
        static stringlist words;
        int16_t n = 0;
        promptstrings("which to set", words, n);
        for (int i = 1; i <= n; ++i) chosen[at(++nchosen)] = chosenposition(words[i], names, written, nv, "readisopleths");
    }

    for (int i = 1; i <= nchosen; ++i) {
        const int16_t k = varphase[at(chosen[at(i)])], m = varindex[at(chosen[at(i)])];
        axvar& v = phases.prec1[at(k)].vars[at(m)];
        const int16_t iso = newisopleth("isopleths");
        v.fixed = true;
        v.isovalue = iso;
        if (isxco2name(v.name) || isxco2name(v.writtenname)) {
            putstr(0, "implementation change", 1, consolelog);
            bombout("readisopleths", "use the calcx(CO2) script for setting x(CO2)", 0);
        }
        isoplethlist& list = pd.iso[at(iso)];
        if (fromscript && info[at(i)].high > 0) {
            isoplethvalues(info[at(i)].low, info[at(i)].high, info[at(i)].step, list);
        } else {
            putstr(1, "specifying isopleths for " + v.name + ":", 1, consolelog);
            typedvalues("  low, high, inc OR one value", false, 1, true,
                        "isopleth: low, high and increment expected, or one value", "readisopleths", list);
        }
        keeplegal(k, m, list);
    }

    pd.nxyzisos = static_cast<int16_t>(pd.niso - pd.nmodeisos);
    bool any = false;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        bool flagged = false;
        for (int m = 1; m <= ph.nvars; ++m) flagged = flagged || (ph.vars[at(m)].fixed && ph.vars[at(m)].isovalue > 0);
        if (flagged && !pd.excessphase[at(k)] && !pd.requiredphase[at(k)]) {
            pd.requiredphase[at(k)] = true;
            ++pd.nrequired;
        }
        any = any || flagged;
    }
    const int16_t xco2set = settings.xco2values != 1 && settings.nxco2calclist > 0 ? 1 : 0;
    if (pd.nxyzisos == xco2set) {
        putstr(0, "no xyz isopleths specified", 1, consolelog);
        return;
    }
    for (int k = 1; k <= phases.nsolnphases && any; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        for (int m = 1; m <= ph.nvars; ++m) {
            const axvar& v = ph.vars[at(m)];
            if (!v.fixed || v.isovalue <= 0 || isxco2name(v.name) || isxco2name(v.writtenname)) continue;
            const isoplethlist& list = pd.iso[at(v.isovalue)];
            putstr(0, v.name + " set to " + describe(list, false), 1, consolelog);
        }
    }
}

}  // namespace zt
