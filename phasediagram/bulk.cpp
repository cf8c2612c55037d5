#include "phasediagram/bulk.h"

#include <cmath>
#include <string>

#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/heap.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consoleonly = 1;
constexpr wordset consolelog = 9;
constexpr wordset summarylog = 12;
constexpr wordset consolesummarylog = 13;

using bulkvector = std::array<real, maxbulkcomps + 1>;

int16_t findcomp(const str22& name) {
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (ws.compnames[at(c)] == name) return static_cast<int16_t>(c);
    }
    return 0;
}

// The name a bulk table shows: "FeOt" for "FeO" when the system has oxygen.
str22 shownname(const str22& name) { return name == "FeO" && findcomp("O") != 0 ? "FeOt" : name; }

void scaleto100(bulkvector& b, int n, const std::string& zeromessage) {
    real sum = 0;
    for (int j = 1; j <= n; ++j) sum += b[at(j)];
    // A zero (or non-finite) sum would spread NaNs that pass every later test.
    if (!(std::fabs(sum) >= 1e-8L) || !std::isfinite(sum)) bombout("readcomps", zeromessage, 0);
    for (int j = 1; j <= n; ++j) b[at(j)] = 100 * b[at(j)] / sum;
}

// The amounts of the bulk components only, in component order.
int keepbulkcomps(const bulkvector& all, bulkvector& kept) {
    int n = 0;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)]) kept[at(++n)] = all[at(c)];
    }
    if (n != pd.nbulkcomps) bombout("readcomps", "nuvleft mismatch", 0);
    return n;
}

void interpolate(const bulkvector& a, const bulkvector& b, real v, bulkvector& out) {
    for (int j = 1; j <= pd.nbulkcomps; ++j) out[at(j)] = (1 - v) * a[at(j)] + v * b[at(j)];
}

void rbibulk(bulkvector& all) {
    settings.nbulks = 1;
    findkbpden();
    all.fill(0);
    for (int i = 1; i <= settings.nrbi; ++i) {
        const auto& amounts = settings.rbitable[at(i)];
        real atoms = 0;
        for (int c = 1; c <= ws.ncomps; ++c) atoms += ws.compatoms[at(c)] * amounts[at(c)];
        if (!(atoms > 0)) bombout("readcomps", "comp sum not positive", 0);
        const real n = settings.rbitable[0][at(i)] / atoms;
        for (int c = 1; c <= ws.ncomps; ++c) all[at(c)] += amounts[at(c)] * n;
    }
    real total = 0;
    for (int c = 1; c <= ws.ncomps; ++c) total += all[at(c)];
    if (!(total > 0)) bombout("readcomps", "comp sum not positive", 0);
    for (int c = 1; c <= ws.ncomps; ++c) all[at(c)] = 100 * all[at(c)] / total;
}

struct bulkchoice {
    bool onechosen = false;  // one bulk taken from within a range
    real oneat = 0;
    bool subrange = false;
};

void setsubrange(real lo, real hi, bulkvector& b1, bulkvector& b2) {
    static bulkvector a, b;
    a = b1;
    b = b2;
    pd.bulkproplo = lo;
    pd.bulkprophi = hi;
    interpolate(a, b, lo, b1);
    interpolate(a, b, hi, b2);
}

void choosewithinrange(bulkvector& b1, bulkvector& b2, bulkchoice& choice) {
    const bool askedone = settings.onebulk == 2;
    promptcontrol("choose one bulk within the range specified", settings.onebulk);
    if (settings.onebulk == 0) {
        real v = settings.onebulkvalue;
        const bool fromscript = v >= 0 && v <= 1;
        if (!fromscript) {
            if (!askedone) putstr(0, "making one bulk composition within the range specified,", 1, consolelog);
            promptreal("proportion across bulk composition range to use", v);
            if (v < 0) v = 0;
            if (v > 1) v = 1;
            settings.onebulkvalue = v;
        }
        static bulkvector one;
        interpolate(b1, b2, v, one);
        b1 = b2 = one;
        settings.nbulks = 1;
        choice.onechosen = true;
        choice.oneat = v;
        putstr(0, "one bulk, at " + fixedtostr(3, v) + " between the two script bulk compositions" +
                      (fromscript ? " (from script)" : ""),
               1, consolelog);
        return;
    }
    if (settings.bulksubrange == 1) return;
    const bool askedsub = settings.bulksubrange == 2;
    promptcontrol(settings.bulksubrangelo < 0 ? "make a bulk subrange" : "use bulk subrange in script", settings.bulksubrange);
    if (settings.bulksubrange != 0) return;
    const real lo = settings.bulksubrangelo, hi = settings.bulksubrangehi;
    if (lo >= 0 && lo < 1 && hi > lo) {
        setsubrange(lo, hi, b1, b2);
        choice.subrange = true;
        putstr(0, "bulk subrange, " + fixedtostr(3, lo) + " to " + fixedtostr(3, hi) +
                      ", between the two script bulk compositions (from script)",
               1, consolelog);
        return;
    }
    if (!askedsub) putstr(0, "making a bulk composition subrange within the range specified,", 1, consolelog);
    static stringlist words;
    int16_t n = 0;
    promptstrings("start and finish proportions across bulk composition range", words, n);
    if (n == 0) return;
    real x = 0, y = 0;
    std::string err;
    if (n == 1) {
        if (!isnumeric(wordtype(words[1])) || !readreal(words[1], x, err) || x < 0 || x >= 1) return;
        static bulkvector one;
        interpolate(b1, b2, x, one);
        b1 = b2 = one;
        settings.nbulks = 1;
        pd.bulkproplo = x;
        settings.onebulkvalue = x;
        choice.onechosen = true;
        choice.oneat = x;
        putstr(0, "bulk subrange is one bulk, " + fixedtostr(3, x) + ", between the two script bulk compositions", 1,
               consolelog);
        return;
    }
    if (!isnumeric(wordtype(words[1])) || !isnumeric(wordtype(words[2]))) return;
    if (!readreal(words[1], x, err) || !readreal(words[2], y, err)) return;
    if (!(x >= 0 && x < 1 && x < y && y <= 1)) bombout("readcomps", "entered bulk composition range is not 0<->1", 0);
    setsubrange(x, y, b1, b2);
    choice.subrange = true;
    putstr(0, "bulk subrange, " + fixedtostr(3, x) + " to " + fixedtostr(3, y) + ", between the two script bulk compositions",
           1, consolelog);
}

int16_t askincrements() {
    if (settings.nbulksteps >= 3) return static_cast<int16_t>(settings.nbulksteps - 1);
    static stringlist words;
    int16_t n = 0;
    promptstrings("how many increments across the composition range (max = " + wholetostr(100) + ")", words, n);
    int16_t incs = 10;
    if (n == 0) {
        putstr(0, "using the default, 10 increments", 1, consolelog);
    } else if (wordtype(words[1]) == wkinteger) {
        incs = getinteger(wkinteger, words[1], "no increments");
    }
    if (incs < 1 || incs > 100) {
        putstr(0, "inappropriate number of increments: 10 used", 1, consolelog);
        incs = 10;
    }
    return incs;
}

void printonebulk(const bulkchoice& choice, bool rbi) {
    std::string line = "composition";
    if (!choice.onechosen) line += std::string(" (from ") + (rbi ? "rbi" : "bulk") + " script)";
    putstr(0, line, 1, consolesummarylog);
    line = "  ";
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)]) addfield(shownname(ws.compnames[at(c)]), 9, line);
    }
    putstr(0, line, 1, consolesummarylog);
    line = "  ";
    for (int j = 1; j <= pd.nbulkcomps; ++j) addfixed(rbi ? 4 : 3, 9, settings.bulk1[at(j)], line);
    if (choice.onechosen) line += "   (" + fixedtostr(3, choice.oneat) + " across original range)";
    putstr(0, line, 1, consolesummarylog);
}

void printrange(const bulkchoice& choice, int16_t incs) {
    putstr(1, std::string("composition") + (choice.subrange ? "" : " (from script)"), 1, consolesummarylog);
    std::string line;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)]) addfield(shownname(ws.compnames[at(c)]), 8, line);
    }
    putstr(0, line, 1, consoleonly);
    line.clear();
    for (int j = 1; j <= pd.nbulkcomps; ++j) addfixed(3, 8, settings.bulk1[at(j)], line);
    putstr(0, line, 1, consoleonly);
    line.clear();
    for (int j = 1; j <= pd.nbulkcomps; ++j) addfixed(3, 8, settings.bulk2[at(j)], line);
    line += "      " + wholetostr(incs) + " increments";
    if (choice.subrange) {
        line += " across " + fixedtostr(3, pd.bulkproplo) + " to " + fixedtostr(3, pd.bulkprophi) + " of original range";
    }
    putstr(0, line, 1, consoleonly);

    const int nb = settings.nbulks;
    const int step = nb <= 11 ? 1 : nb <= 21 ? 2 : nb <= 51 ? 5 : 10;
    static std::array<int, maxlist + 1> shown;
    int nshown = 0;
    for (int p = 1; p <= nb; p += step) shown[at(++nshown)] = p;
    if (shown[at(nshown)] != nb) shown[at(++nshown)] = nb;
    auto frac = [nb](int p) { return static_cast<real>(p - 1) / (nb - 1); };

    line.clear();
    addfield("pos", -6, line);
    for (int i = 1; i <= nshown; ++i) addwhole(6, line, shown[at(i)]);
    if (choice.subrange) line += "   (in this range)";
    putstr(0, line, 1, summarylog);
    line.clear();
    addfield("prop", -6, line);
    for (int i = 1; i <= nshown; ++i) {
        addfixed(3, 6, pd.bulkproplo + (pd.bulkprophi - pd.bulkproplo) * frac(shown[at(i)]), line);
    }
    if (choice.subrange) line += "   (of overall range)";
    putstr(0, line, 1, summarylog);
    int j = 0;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (!pd.inbulk[at(c)]) continue;
        ++j;
        line.clear();
        addfield(ws.compnames[at(c)], 6, line);
        for (int i = 1; i <= nshown; ++i) {
            const real a = frac(shown[at(i)]);
            addfixed(2, 6, (1 - a) * settings.bulk1[at(j)] + a * settings.bulk2[at(j)], line);
        }
        putstr(0, line, 1, summarylog);
    }
}

}  // namespace

void setter() {
    static std::array<bool, maxcomps + 1> excluded;
    excluded.fill(false);
    if (settings.nlna > 0 || settings.nmu > 0 || settings.xco2diagram) settings.systemprops = false;
    if (settings.xco2diagram) {
        if (const int16_t c = findcomp("H2O")) excluded[at(c)] = true;
        if (const int16_t c = findcomp("CO2")) excluded[at(c)] = true;
    }
    for (int i = 1; i <= settings.nlna; ++i) {
        const int16_t c = findcomp(settings.lnalabels[at(i)]);
        if (c == 0) bombout("setter", "setting non-oxide lna not implemented", 0);
        excluded[at(c)] = true;
    }
    for (int i = 1; i <= settings.nmu; ++i) {
        if (const int16_t c = findcomp(settings.munames[at(i)])) excluded[at(c)] = true;
    }
    int16_t n = 0;
    for (int c = 1; c <= maxcomps; ++c) {
        pd.inbulk[at(c)] = c <= ws.ncomps && !excluded[at(c)];
        if (pd.inbulk[at(c)]) ++n;
    }
    pd.nbulkcomps = n;
}

void findkbpden() {
    int ref = 1;
    if (ws.ncomps >= 1 && (ws.compnames[1] == "H2O" || ws.compnames[1] == "CO2")) ref = 2;
    if (ref == 2 && ws.ncomps >= 2 && ws.compnames[1] == "H2O" && ws.compnames[2] == "CO2") ref = 3;
    if (ref > ws.ncomps) ref = ws.ncomps;
    const str22& name = ws.compnames[at(ref)];
    for (int k = 1; k <= maxcomps; ++k) {
        if (oxides.oxideformula[at(k)] == name) return;
    }
    bombout("find kbpden", name + " not found", 0);
}

void readcomps() {
    const bool rbi = settings.rbi == 0;
    if ((settings.bulk != 0 && !rbi) || settings.nbulks == 0 || settings.nbulkoxides == 0) {
        putstr(1, "interactive entry of bulk composition has been discontinued", 1, consolelog);
        putstr(0, "Add a bulk or rbi script to the scriptfile, and rerun zeltram.", 1, consolelog);
        bombout("readcomps", "stopping now", 0);
    }
    pd.bulkproplo = 0;
    pd.bulkprophi = 1;
    setter();
    putstr(1, "specification of bulk composition", 1, consolelog);

    bool same = settings.nbulkoxides == ws.ncomps;
    for (int c = 1; c <= ws.ncomps && same; ++c) same = settings.bulkoxides[at(c)] == ws.compnames[at(c)];
    if (!same) {
        putstr(1, "components (oxides) in bulk should be:", 1, consolelog);
        // Every component, in order, as the check above wants them: one fixed by ln a or
        // mu still has its column in the bulk block.
        std::string line = "   ";
        for (int c = 1; c <= ws.ncomps; ++c) line += " " + ws.compnames[at(c)];
        putstr(0, line, 1, consolelog);
        bombout("readcomps", settings.nbulkoxides != ws.ncomps ? "wrong number of components (oxides) in bulk"
                                                                 : "mismatch of components (oxides) in bulk",
                0);
    }

    static bulkvector all, b1, b2;
    const bool range = !rbi && settings.nbulks >= 2;
    if (rbi) {
        rbibulk(all);
        const int n = keepbulkcomps(all, b1);
        scaleto100(b1, n, "comp sum not positive");
        b2 = b1;
    } else {
        for (int c = 1; c <= ws.ncomps; ++c) all[at(c)] = settings.bulk1[at(c)];
        const int n = keepbulkcomps(all, b1);
        scaleto100(b1, n, range ? "zeroes not allowed in a bulk (2)" : "zeroes not allowed in a bulk (1)");
        if (range) {
            for (int c = 1; c <= ws.ncomps; ++c) all[at(c)] = settings.bulk2[at(c)];
            keepbulkcomps(all, b2);
            scaleto100(b2, n, "zeroes not allowed in a bulk (2)");
        } else {
            b2 = b1;
        }
    }

    bulkchoice choice;
    if (range) choosewithinrange(b1, b2, choice);

    const bool one = settings.nbulks == 1;
    for (int j = 1; j <= pd.nbulkcomps; ++j) {
        if (std::fabs(b1[at(j)]) < 1e-8L || std::fabs(b2[at(j)]) < 1e-8L) {
            bombout("readcomps", one ? "zeroes not allowed in a bulk (1)" : "zeroes not allowed in a bulk (2)", 0);
        }
    }
    for (int j = 1; j <= maxbulkcomps; ++j) {
        settings.bulk1[at(j)] = j <= pd.nbulkcomps ? b1[at(j)] : 0;
        settings.bulk2[at(j)] = j <= pd.nbulkcomps ? (one ? b1[at(j)] : b2[at(j)]) : 0;
    }

    if (one) {
        settings.nbulks = 1;
        printonebulk(choice, rbi);
        return;
    }
    const int16_t incs = askincrements();
    settings.nbulks = static_cast<int16_t>(incs + 1);
    printrange(choice, incs);
}

}  // namespace zt
