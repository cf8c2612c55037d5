#include "phasediagram/dogmin.h"

#include <cmath>
#include <initializer_list>
#include <string>

#include "ax/axreader.h"
#include "ax/phaserecords.h"
#include "phasediagram/calcdetails.h"
#include "phasediagram/enumeration.h"
#include "phasediagram/guessreports.h"
#include "phasediagram/modesafter.h"
#include "phasediagram/resultseams.h"
#include "phasediagram/scriptblocks.h"
#include "phasediagram/services.h"
#include "phasediagram/variance.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/resultformat.h"
#include "script/settings.h"

namespace zt {

dogminstate dm;

void resetdogmin() {
    dm.ndogminpoints = 0;
    dm.dogminpoints.fill(dogminpoint{});
    dm.dogminequils.fill(dogminequil{});
    dm.savedsummary = summaryrecord{};
    dm.savednsysrows = 0;
}

namespace {

constexpr wordset icset = 16;
constexpr wordset logset = 8;
constexpr wordset chset13 = 13;

size_t at(int i) { return static_cast<size_t>(i); }

const std::string degc = std::string("T(") + static_cast<char>(degreebyte) + "C)";
const std::string sep = "% " + std::string(56, '-');

bool singlepoint() { return dm.ndogminpoints == 1; }

// The in-excess phases' names, each preceded by a blank, solution phases first.
std::string excessnames() {
    std::string names;
    for (int p = 1; p <= phases.nphases; ++p) {
        if (pd.excessphase[at(p)]) names += " " + phasename(p);
    }
    return names;
}

int16_t nexcess() {
    int16_t n = 0;
    for (int p = 1; p <= phases.nphases; ++p) n = static_cast<int16_t>(n + (pd.excessphase[at(p)] ? 1 : 0));
    return n;
}

// The head of the table of all equilibria in the calculation-details file.
void equilibriahead() {
    putstr(1, std::string(59, '='), 1, icset);
    std::string& line = channels.linebuf;
    line = "all equilibria";
    if (nexcess() > 0) {
        line += ", with ";
        for (int p = 1; p <= phases.nphases; ++p) {
            if (pd.excessphase[at(p)]) line += phasename(p) + " ";
        }
        line += "in excess";
    }
    putstr(0, line, 1, icset);
    line.clear();
    addfield("#", -3, line);
    for (int p = 1; p <= phases.nphases; ++p) {
        if (!pd.excessphase[at(p)]) addfield(phasename(p), 5, line);
    }
    if (singlepoint()) addfield("G", 13, line);
    putstr(1, line, 1, icset);
}

// Number and X/- columns of the assemblage, then two blanks.
void equilibriumrowstart(const phaseflags& set, std::string& line) {
    line.clear();
    addfield(wholetostr(pd.assemblagecount), -3, line);
    for (int p = 1; p <= phases.nphases; ++p) {
        if (!pd.excessphase[at(p)]) addfield(set[at(p)] ? "X" : "-", 5, line);
    }
    line += "  ";
}

void equilibriarow(const loopstate& ls, bool counted) {
    const int p = pd.dogminpointno;
    if (p == 1) channels.linebuf4.assign(at(2 * dm.ndogminpoints), ' ');
    if (pd.assemblagecount == 1 && p == 1) equilibriahead();
    std::string& line = channels.linebuf;
    if (singlepoint()) {
        equilibriumrowstart(ls.assemblage, line);
        if (counted) {
            addfixed(5, 11, pd.currentsysg, line);
        } else if (ls.status == 8) {
            addfield("---", 9, line);
        }
        putstr(0, line, 1, icset);
        return;
    }
    const char mark = counted ? '#' : ls.status == 8 ? 'x' : '-';
    if (p >= 1 && at(2 * p - 1) <= channels.linebuf4.size()) channels.linebuf4[at(2 * p - 2)] = mark;
    if (p == dm.ndogminpoints) {
        equilibriumrowstart(ls.assemblage, line);
        line += "   " + channels.linebuf4;
        putstr(0, line, 1, icset);
    }
}

void keepequilibrium(const phaseflags& set) {
    if (++pd.ndogminequils > maxdogminequils) {
        writeconsole("\nuse less phases and/or have more phases in excess\n");
        bombout("dogmin", "too many equilibria", 0);
    }
    dogminequil& e = dm.dogminequils[at(pd.ndogminequils)];
    e.eqno = pd.assemblagecount;
    e.phaseset = set;
    e.g = pd.currentsysg;
    e.modes.fill(0);
    for (int s = 1; s <= summary.sumnphases; ++s) {
        const phasesummary& ph = summary.sumphases[at(s)];
        if (ph.included) e.modes[at(s)] = ph.mode[1];
    }
}

void restoresaved() {
    summary = dm.savedsummary;
    pd.nsysrows = dm.savednsysrows;
}

std::string varianceword(int16_t v) {
    channels.linebuf2.clear();
    variancename(v);
    return channels.linebuf2;
}

// The composition variables of every phase beside P and T, in columns of 10 that start
// a new pair of lines when the page is full.
void compositiontable() {
    std::string heads, values;
    addfield("P(kbar)", 10, heads);
    addfield(degc, 10, heads);
    addfixed(4, 10, summary.pequil, values);
    addfixed(3, 10, summary.tequil - 273.15L, values);
    int counter = 2;
    for (int s = 1; s <= summary.sumnphases; ++s) {
        const phasesummary& ph = summary.sumphases[at(s)];
        for (int i = 1; i < ph.nem && i <= maxphasevars; ++i) {
            ++counter;
            addfield(ph.varnames[at(i)], 10, heads);
            addreal(4, false, 10, ph.varvalues[at(i)], values);
            if ((counter + 1) * 10 > channels.pagewidth) {
                putstr(0, heads, 1, chset13);
                putstr(0, values, 1, chset13);
                counter = 2;
                heads.assign(20, ' ');
                values.assign(20, ' ');
            }
        }
    }
    putstr(0, heads, 1, chset13);
    putstr(0, values, counter > 2 ? 2 : 1, chset13);
}

void modelines() {
    std::string& line = channels.linebuf;
    line.clear();
    addfield("mode", 4, line);
    for (int s = 1; s <= summary.sumnphases; ++s) addfield(summary.sumphases[at(s)].name, 10, line);
    putstr(0, line, 1, chset13);
    line.assign(4, ' ');
    for (int s = 1; s <= summary.sumnphases; ++s) addfixed(4, 10, summary.sumphases[at(s)].mode[1], line);
    putstr(0, line, 1, chset13);
    static std::array<bool, maxphasesummaries + 1> zeroed;
    real f = 1;
    renormfactor(zeroed, f);
    if (std::fabs(f - 1) <= 1e-8L) return;
    line.assign(4, ' ');
    for (int s = 1; s <= summary.sumnphases; ++s) {
        const real m = summary.sumphases[at(s)].mode[1];
        if (m == 0 || zeroed[at(s)]) {
            line.append(10, ' ');
        } else {
            addfixed(4, 10, m * f, line);
        }
    }
    line += settings.ntozero > 1 ? "  modes zeroed" : "  mode zeroed";
    putstr(0, line, 1, chset13);
}

// What the minimum of a single point is: its assemblage, the phases tried, compositions
// and modes.
void singlepointresult(int16_t nex) {
    std::string& line = channels.linebuf3;
    line = "Gibbs energy minimisation gives the " + varianceword(summary.ovar) + " assemblage ";
    for (int s = 1; s <= summary.sumnphases; ++s) line += summary.sumphases[at(s)].name + " ";
    putstr(0, line, 1, chset13);
    if (nex == 0) {
        line = "with no in excess phases, ";
    } else {
        line = "with, in excess," + excessnames() + ", ";
    }
    const phaseflags& best = dm.dogminpoints[1].phaseset;
    std::string others;
    for (int p = 1; p <= phases.nphases; ++p) {
        if (!best[at(p)]) others += " " + phasename(p);
    }
    line += others.empty() ? "and with no additional phases tried" : "also trying assemblages involving" + others;
    putstr(0, line, 2, chset13);
    compositiontable();
    modelines();
}

void pointtable() {
    std::string& line = channels.linebuf;
    line.clear();
    if (!singlepoint()) {
        addfield("P(kbar)", 8, line);
        addfield(degc, 10, line);
    }
    for (int p = 1; p <= phases.nphases; ++p) {
        if (!pd.excessphase[at(p)]) addfield(phasename(p), 7, line);
    }
    addfield("G", 13, line);
    addfield("del", 10, line);
    addfield("n", 6, line);
    addfield("#", 6, line);
    putstr(0, line, 1, chset13);
    for (int k = 1; k <= dm.ndogminpoints; ++k) {
        const dogminpoint& pt = dm.dogminpoints[at(k)];
        line.clear();
        if (!singlepoint()) {
            fmtP(8, line, pt.P);
            addfixed(3, 10, pt.T - 273.15L, line);
        }
        if (pt.count > 0) {
            for (int p = 1; p <= phases.nphases; ++p) {
                if (!pd.excessphase[at(p)]) addfield(pt.phaseset[at(p)] ? "X" : ".", 7, line);
            }
            addfixed(5, 13, pt.gmin, line);
            if (pt.gap < 0) {
                addfield("*wrong", 10, line);
            } else if (pt.gap > 99) {
                addfield("-", 10, line);
            } else {
                addfixed(5, 10, pt.gap, line);
            }
            addwhole(6, line, pt.count);
            addwhole(6, line, pt.eqno);
        }
        putstr(0, line, 1, chset13);
    }
    putstr(0, "", 1, chset13);
}

// The modes of one kept equilibrium by phase: those not in excess, or those in excess.
void addequilmodes(const dogminequil& e, bool inexcess, std::string& line) {
    int k = 0;
    for (int p = 1; p <= phases.nphases; ++p) {
        const bool inset = e.phaseset[at(p)];
        if (inset) ++k;
        if (pd.excessphase[at(p)] != inexcess) continue;
        if (inset) {
            addfixed(3, 8, k <= maxphasesummaries ? e.modes[at(k)] : 0, line);
        } else if (!inexcess) {
            addfield("- ", 8, line);
        }
    }
}

// The equilibria within 2 of the least G, by increasing G, at most twenty.
void nearminimumtable(const std::string& pointtext, int16_t nex) {
    std::string& line = channels.linebuf;
    putstr(0, "assemblage modes for minimum G, and near minimum G, " + pointtext, 2, chset13);
    line.clear();
    addfield("#", 5, line);
    for (int p = 1; p <= phases.nphases; ++p) {
        if (!pd.excessphase[at(p)]) addfield(phasename(p), 8, line);
    }
    if (nex > 0) {
        line += "  :";
        for (int p = 1; p <= phases.nphases; ++p) {
            if (pd.excessphase[at(p)]) addfield(phasename(p), 8, line);
        }
    }
    addfield("G", 13, line);
    addfield("odel", 10, line);
    addfield("del", 10, line);
    putstr(0, line, 1, chset13);
    static std::array<bool, maxdogminequils + 1> picked;
    picked.fill(false);
    real gmin = 0, gprev = 0;
    for (int row = 1; row <= 20; ++row) {
        int best = 0;
        for (int i = 1; i <= pd.ndogminequils; ++i) {
            const real g = dm.dogminequils[at(i)].g;
            if (!picked[at(i)] && g < 10000 && (best == 0 || g < dm.dogminequils[at(best)].g)) best = i;
        }
        if (best == 0) break;
        picked[at(best)] = true;
        const dogminequil& e = dm.dogminequils[at(best)];
        if (row == 1) gmin = e.g;
        else if (std::fabs(e.g - gmin) > 2) break;
        line.clear();
        addwhole(5, line, e.eqno);
        addequilmodes(e, false, line);
        if (nex > 0) {
            line += "  :";
            addequilmodes(e, true, line);
        }
        addfixed(5, 13, e.g, line);
        if (row == 1) {
            addfield("-", 10, line);
            addfield("-", 10, line);
        } else {
            addfixed(5, 10, e.g - gmin, line);
            addfixed(5, 10, e.g - gprev, line);
        }
        gprev = e.g;
        putstr(0, line, 1, chset13);
    }
}

void message(std::initializer_list<const char*> lines) {
    auto& m = channels.msglines;
    for (auto& l : m) l.clear();
    int i = 0;
    for (const char* l : lines) m[at(++i)] = l;
    formattext(m);
}

void gridheadline(int16_t nex) {
    std::string& line = channels.linebuf3;
    line = "Gibbs energy minimisation with ";
    for (int p = 1; p <= phases.nphases; ++p) {
        if (!pd.excessphase[at(p)]) line += " " + phasename(p);
    }
    if (nex > 0) line += ", with, in excess," + excessnames();
    putstr(0, line, 1, chset13);
}

// Guesses from the a-x file rarely suit every assemblage a minimisation tries.
void guessadvice() {
    int unguessed = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!scriptguessed(phases.prec1[at(k)])) ++unguessed;
    }
    if (unguessed == 0) return;
    message({"starting guesses (using the xyzguess script) are not provided for all the phases in the dogmin "
             "calculation. ",
             "This is potentially dangerous: careful organisation of starting guesses is essential. ",
             "Use the xyzguess blocks in the logfile from this or previous runs of dogmin. Several runs may be "
             "needed to ",
             "get effective starting guesses for all phases."});
}

}  // namespace

void setupdogmin() {
    resetdogmin();
    const int n = settings.nplist * settings.ntlist;
    if (n > maxdogminpoints) bombout("setup dogmin", "too many PT (max " + wholetostr(maxdogminpoints), 0);
    dm.ndogminpoints = static_cast<int16_t>(n);
    if (dm.ndogminpoints != 1 && settings.dogminlevel < 2) settings.dogminlevel = 2;
    int k = 0;
    for (int i = 1; i <= settings.nplist; ++i) {
        for (int j = 1; j <= settings.ntlist; ++j) {
            dogminpoint& p = dm.dogminpoints[at(++k)];
            p.P = settings.plist[at(i)];
            p.T = settings.tlist[at(j)];
        }
    }
}

void dogmin(loopstate& ls, bool success, bool counted) {
    if (settings.dogminlevel < 2 && pd.assemblagecount % 50 == 0) writeconsole("@");
    if (success && settings.dogminlevel > 0) printresult(ls);
    const int no = pd.dogminpointno;
    if (no < 1 || no > dm.ndogminpoints) bombout("dogmin", "more points than the PT grid", 0);
    if (counted) {
        dogminpoint& p = dm.dogminpoints[at(no)];
        const real G = pd.currentsysg;
        ++p.count;
        // The first counted equilibrium sets the minimum, whatever its sign.
        if (p.count == 1 || G < p.gmin) {
            if (p.count > 1) p.gap = p.gmin - G;
            p.gmin = G;
            p.eqno = pd.assemblagecount;
            p.phaseset = ls.assemblage;
            if (singlepoint()) {
                dm.savedsummary = summary;
                dm.savednsysrows = pd.nsysrows;
            }
        } else if (G - p.gmin < p.gap) {
            p.gap = G - p.gmin;
        }
        if (singlepoint()) keepequilibrium(ls.assemblage);
    }
    if (settings.dogminlevel > 0) equilibriarow(ls, counted);
}

void dogminsummary() {
    const int16_t nex = nexcess();
    putstr(1, std::string(58, '#'), 1, chset13);
    const bool single = singlepoint();
    // A single point where nothing counted has no minimum to show.
    const bool found = !single || dm.dogminpoints[1].count > 0;
    if (single) {
        putstr(0, "'---' = calculated but not seen", 1, icset);
        putstr(1, std::string(59, '-'), 1, icset);
        for (int i = 1; i <= 3; ++i) putstr(0, axreader.runinfo[at(i)], 1, icset);
        if (found) {
            restoresaved();
            singlepointresult(nex);
        } else {
            putstr(0, "no equilibrium found", 1, chset13);
        }
    } else {
        gridheadline(nex);
    }
    std::string pointtext;
    if (found && settings.dogminlevel > 0) {
        if (single) {
            const dogminpoint& pt = dm.dogminpoints[1];
            pointtext = "at P = " + fixedtostr(2, pt.P) + " kbar and T = " + fixedtostr(1, pt.T - 273.15L) +
                        static_cast<char>(degreebyte) + "C";
            std::string line = "Gibbs energy minimisation info " + pointtext;
            if (nex > 0) line += ", with, in excess," + excessnames();
            putstr(1, line, 2, chset13);
        } else {
            putstr(0, "", 1, chset13);
        }
        pointtable();
        if (pd.ndogminequils > 0 && pd.ndogminequils < maxdogminequils) nearminimumtable(pointtext, nex);
    }
    if (single && found) {
        restoresaved();
        printic();
        writebulkscript();
        writeguessscript();
    } else if (!single) {
        message({"note that dogmin for a single PT gives more and more easily-digestible information about the possible ",
                 "equilibria for the bulk used."});
    }
    guessadvice();
}

void writebulkscript() {
    putstr(1, sep, 1, logset);
    restoresaved();
    std::string& line = channels.linebuf3;
    line = "rbi" + std::string(20, ' ');
    addcomponentheads(line);
    putstr(0, line, 1, logset);
    putstr(0, sep, 1, logset);
    for (int s = 1; s <= summary.sumnphases; ++s) {
        const phasesummary& ph = summary.sumphases[at(s)];
        line = "rbi";
        addfield(ph.name, 8, line);
        addfixed(6, 12, ph.mode[1], line);
        for (int i = 1; i <= summary.ncomps; ++i) addnear(ph.oxcomp[at(i)], 1e-5L, line);
        putstr(0, line, 1, logset);
    }
    putstr(0, sep, 1, logset);
    line = "% bulk" + std::string(17, ' ');
    addbulkrow(1, line);
    putstr(0, line, 1, logset);
    putstr(0, sep, 1, logset);
}

void writeguessscript() {
    restoresaved();
    putstr(1, sep, 1, logset);
    putstr(0, "ptguess " + fixedtostr(1, summary.pequil) + " " + wholetostr(std::round(summary.tequil - 273.15L)), 1,
           logset);
    putstr(0, sep, 1, logset);
    int last = 0;
    for (int s = 1; s <= summary.sumnphases; ++s) {
        if (summary.sumphases[at(s)].nem > 1) last = s;
    }
    std::string& line = channels.linebuf;
    for (int s = 1; s <= last; ++s) {
        const phasesummary& sp = summary.sumphases[at(s)];
        if (sp.nem <= 1) continue;
        const axphase& ph = phases.prec1[at(sp.phaseno)];
        const bool reduced = ph.nvarsguess > 0;
        const int n = reduced ? ph.nvarsguess : ph.nvars;
        int m = 0;  // the variables still in use, and so the phase's values, in order
        for (int j = 1; j <= n; ++j) {
            line = "xyzguess ";
            if (!reduced || ph.varnonzero[at(j)]) {
                ++m;
                addguessvariable(ph.vars[at(m)], 6, m <= maxphasevars ? sp.varvalues[at(m)] : 0, line);
            } else {
                addboilervariable(ph.guessname[at(j)], line);
            }
            putstr(0, line, 1, logset);
        }
        if (s < last) putstr(0, "% " + std::string(29, '-'), 1, logset);
    }
    putstr(0, sep, 1, logset);
}

}  // namespace zt
