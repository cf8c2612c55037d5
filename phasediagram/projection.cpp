#include "phasediagram/projection.h"

#include <cmath>
#include <string>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "phasediagram/bulk.h"
#include "phasediagram/loopstate.h"
#include "phasediagram/phasereaction.h"
#include "phasediagram/resultseams.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

projectionstate proj;

void resetprojection() { proj = projectionstate{}; }

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolelog = 9;
constexpr wordset logonly = 8;
constexpr wordset consolesummarylog = 13;
constexpr wordset qlonly = wordset{1} << chql;
constexpr wordset csvonly = wordset{1} << chcsv;

const std::string rule = "% ----------------------------------------------------------";

void stop(const std::string& message) { bombout("readprojplane", message, 0); }

// Names of the bulk components, in component order.
str22 bulkcompname(int j) {
    int n = 0;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)] && ++n == j) return ws.compnames[at(c)];
    }
    return "";
}

bool hasoxygen() {
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (ws.compnames[at(c)] == "O") return true;
    }
    return false;
}

std::string ordinal(int i) {
    const int t = i % 100;
    std::string suffix = "th";
    if (t < 11 || t > 13) {
        if (i % 10 == 1) suffix = "st";
        else if (i % 10 == 2) suffix = "nd";
        else if (i % 10 == 3) suffix = "rd";
    }
    return wholetostr(i) + suffix;
}

void unitapex(int i, int k) {
    proj.apexnames[at(i)] = bulkcompname(k);
    for (int j = 1; j <= pd.nbulkcomps; ++j) proj.apexcomps[at(i)][at(j)] = j == k ? 1 : 0;
}

// Pure-phase composition over the bulk components.
void purecomp(int p, std::array<real, maxcomps + 1>& out) {
    const emphaserec& ph = phases.prec0[at(p)];
    int n = 0;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)]) out[at(++n)] = static_cast<real>(ph.comp[at(c)]) / ws.compdiv[at(c)];
    }
}

// Code 0: apices named by the indices of bulk components. False switches projection off.
bool apicesbyoxide(int16_t n) {
    stringlist words;
    int16_t count = 0;
    promptstrings("oxide list (" + wholetostr(n) + " indices)", words, count);
    if (count != n) {
        promptstrings(wholetostr(n) + " needed: try again", words, count);
        if (count != n) {
            putstr(0, "still not correct: no projection will be undertaken", 1, consolelog);
            return false;
        }
    }
    for (int i = 1; i <= n; ++i) {
        int16_t k = 0;
        std::string err;
        if (!readint(words[i], k, err) || k < 1 || k > pd.nbulkcomps) {
            putstr(0, "not all integers: no projection will be undertaken", 1, consolelog);
            return false;
        }
        unitapex(i, k);
    }
    return true;
}

void apicesonebyone(int16_t n) {
    stringlist words;
    for (int i = 1; i <= n; ++i) {
        int16_t count = 0;
        promptstrings(ordinal(i) + " apex name", words, count);
        const str22 name = words[1];
        int k = 0;
        for (int j = 1; j <= pd.nbulkcomps && k == 0; ++j) {
            if (bulkcompname(j) == name) k = j;
        }
        if (k != 0) {
            unitapex(i, k);
            continue;
        }
        proj.apexnames[at(i)] = name;
        if (count == pd.nbulkcomps + 1) {
            for (int j = 1; j <= pd.nbulkcomps; ++j) {
                if (!isnumeric(wordtype(words[j + 1]))) stop("short-cutting A");
                real x = 0;
                std::string err;
                if (!readreal(words[j + 1], x, err)) stop("short-cutting B");
                proj.apexcomps[at(i)][at(j)] = x;
            }
        } else {
            static listreals values;
            int16_t m = pd.nbulkcomps;
            promptreals("apex composition", values, m);
            for (int j = 1; j <= pd.nbulkcomps; ++j) proj.apexcomps[at(i)][at(j)] = values[at(j)];
        }
    }
}

std::string scriptamount(real x) {
    if (x == 0) return "0";
    if (std::fabs(x - std::nearbyint(x)) < 0.0001L) return wholetostr(std::nearbyint(x));
    return fixedtostr(3, x);
}

void writescriptform(int16_t n) {
    putstr(1, "in form to copy to scriptfile:", 2, logonly);
    putstr(0, rule, 1, logonly);
    std::string line = "projplane" + spaces(10);
    const bool oxygen = hasoxygen();
    for (int j = 1; j <= pd.nbulkcomps; ++j) {
        const str22 name = bulkcompname(j);
        addfield(name == "FeO" && oxygen ? "FeOt" : name, 6, line);
    }
    putstr(0, line, 1, logonly);
    putstr(0, rule, 1, logonly);
    for (int i = 1; i <= n; ++i) {
        line = "projplane    ";
        addfield(proj.apexnames[at(i)], -6, line);
        for (int j = 1; j <= pd.nbulkcomps; ++j) addnumber(scriptamount(proj.apexcomps[at(i)][at(j)]), 6, line);
        putstr(0, line, 1, logonly);
    }
    putstr(0, rule, 2, logonly);
}

void announceplane(int16_t n) {
    std::string line = "projection plane has " + wholetostr(n) + " apices";
    if (pd.nexcessphases == 0) {
        putstr(0, line, 1, consolelog);
        return;
    }
    line += ", leaving";
    for (int j = 1; j <= pd.nbulkcomps; ++j) line += " " + bulkcompname(j);
    putstr(1, line, 1, consolelog);
    line = "to be represented by";
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (pd.excessphase[at(k)]) line += " " + phases.prec1[at(k)].shortname;
    }
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (pd.excessphase[at(phases.nsolnphases + p)]) line += " " + phases.prec0[at(p)].name;
    }
    putstr(0, line + " and the projection plane", 1, consolelog);
}

void printplane(int16_t own) {
    putstr(0, std::string("projection plane ") + (proj.fromscript ? "(from script) " : ""), 1, consolesummarylog);
    std::string line = spaces(6);
    for (int j = 1; j <= pd.nbulkcomps; ++j) addfield(bulkcompname(j), 8, line);
    putstr(0, line, 1, consolesummarylog);
    for (int i = 1; i <= own; ++i) {
        line.clear();
        addfield(proj.apexnames[at(i)], -6, line);
        for (int j = 1; j <= pd.nbulkcomps; ++j) addfixed(3, 8, proj.apexcomps[at(i)][at(j)], line);
        putstr(0, line, 1, consolesummarylog);
    }
}

}  // namespace

void readprojplane() {
    resetprojection();
    setter();
    const int target = ws.ncomps - pd.nexcessphases - (settings.xco2diagram ? 1 : 0);
    promptcontrol("use projection plane specified in scriptfile", settings.projplane);
    proj.fromscript = settings.projplane == 0 && settings.napices == target && settings.nprojoxides == pd.nbulkcomps;
    if (target > maxapices) stop("too big");
    if (target < 1) stop("no projection plane");
    const auto n = static_cast<int16_t>(target);

    int16_t listed = 0;
    for (int c = 1; c <= ws.ncomps; ++c) listed = static_cast<int16_t>(listed + (pd.inbulk[at(c)] ? 1 : 0));
    if (listed != pd.nbulkcomps) stop("wrong size of compname");
    if (proj.fromscript) {
        for (int j = 1; j <= pd.nbulkcomps; ++j) {
            if (settings.projoxides[at(j)] != bulkcompname(j)) stop("oxides don't match");
        }
        for (int i = 1; i <= n; ++i) {
            proj.apexnames[at(i)] = settings.apexnames[at(i)];
            for (int j = 1; j <= pd.nbulkcomps; ++j) proj.apexcomps[at(i)][at(j)] = settings.apexcomps[at(i)][at(j)];
        }
    }

    int16_t purexs = 0;
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (pd.excessphase[at(phases.nsolnphases + p)]) ++purexs;
    }
    announceplane(n);

    if (!proj.fromscript) {
        std::string line = "compositions of the " + wholetostr(n) + " apices are needed in terms of: ";
        for (int j = 1; j <= pd.nbulkcomps; ++j) line += " " + bulkcompname(j);
        putstr(0, line, 1, consolelog);
        putstr(1, "specify apices:", 1, consolelog);
        putstr(0, "    0: by oxide list (when each apex just an oxide)", 1, consolelog);
        putstr(0, "    1: apex by apex (eg when some apices are composite)", 1, consolelog);
        int16_t code = 0;
        promptinteger("code", code);
        if (code == 1) {
            apicesonebyone(n);
        } else if (!apicesbyoxide(n)) {
            settings.projection = 1;
            return;
        }
        writescriptform(n);
    }

    if (n + purexs > maxapices) stop("system too big");
    int16_t i = n;
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (!pd.excessphase[at(phases.nsolnphases + p)]) continue;
        ++i;
        proj.apexnames[at(i)] = phases.prec0[at(p)].name;
        purecomp(p, proj.apexcomps[at(i)]);
    }
    proj.nexcessapices = purexs;
    proj.napices = static_cast<int16_t>(n + purexs);
    printplane(n);
}

namespace {

struct projectedphase {
    str22 name;
    std::array<real, maxcomps + 2> values{};
};

// The projection matrix and table, kept between calls so that a point allocates nothing.
struct projectionwork {
    reactionmatrix m;
    realcoefs coef{};
    compvector comp{};
    std::array<int16_t, maxcomps + 1> projecting{};  // solution phases in excess, by number
    int16_t m_count = 0;
    std::array<projectedphase, maxphases + 1> table;
    int16_t nprojected = 0;
};
projectionwork pw;

void setcolumn(int col, const std::array<real, maxcomps + 1>& bulkcomp) {
    for (int j = 1; j <= pd.nbulkcomps; ++j) pw.m[at(j)][at(col)] = bulkcomp[at(j)];
}

// A full composition over all components, kept to the bulk components.
void setcolumnfromall(int col, const compvector& all) {
    int n = 0;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)]) pw.m[at(++n)][at(col)] = all[at(c)];
    }
}

// The apices, the projecting phases and the phase being projected. Normally that is one
// more than the bulk components; counting the columns actually filled keeps a column of
// an earlier point out of the reaction when the plane and the phases do not fill them all.
int ncols() { return proj.napices + pw.m_count + 1; }

// Sum of the coefficients of the plane's own apices.
real ownsum() {
    real s = 0;
    for (int i = 1; i <= proj.napices - proj.nexcessapices; ++i) s += pw.coef[at(i)];
    return s;
}

void header(const std::string& first, const std::string& last) {
    std::string line;
    addfield(first, -6, line);
    for (int i = 1; i <= proj.napices; ++i) addfield(proj.apexnames[at(i)], 9, line);
    for (int i = 1; i <= pw.m_count; ++i) addfield(phases.prec1[at(pw.projecting[at(i)])].shortname, 9, line);
    addfield(last, 9, line);
    putstr(1, line, 1, consolesummarylog);
}

void projectone(const str22& name) {
    realreaction(pw.m, pd.nbulkcomps, static_cast<int16_t>(ncols()), pw.coef);
    const real s = ownsum();
    const bool unscaled = std::fabs(s) < 1e-4L;
    std::string line;
    addfield(name, -6, line);
    projectedphase& row = pw.table[at(++pw.nprojected)];
    row.name = name;
    for (int i = 1; i <= ncols(); ++i) {
        const real v = unscaled ? pw.coef[at(i)] : pw.coef[at(i)] / std::fabs(s);
        if (i < ncols()) row.values[at(i)] = v;
        if (std::fabs(pw.coef[at(i)]) < 1e-6L) addfield("", 9, line);
        else addfixed(4, 9, v, line);
    }
    if (unscaled) line += "  #";
    else if (s < 0) line += "  ";
    putstr(0, line, 1, consolesummarylog);
}

bool isprojected(const str22& name) {
    for (int i = 1; i <= pw.nprojected; ++i) {
        if (pw.table[at(i)].name == name) return true;
    }
    return false;
}

void quilletlines() {
    const int own = proj.napices - proj.nexcessapices;
    for (int k = 1; k <= pw.nprojected; ++k) {
        std::string line;
        for (int i = 1; i <= own; ++i) addfixed(4, 9, pw.table[at(k)].values[at(i)], line);
        line += "   %  ";
        addfield(pw.table[at(k)].name, -8, line);
        putstr(0, line, 1, qlonly);
    }
}

// Whether a compositional variable of the equilibrium is held at an isopleth value.
bool anyfixedvariable() {
    for (int g = 3; g <= eq.nvar + eq.nxp; ++g) {
        if (!eq.calcvarfree[at(g)]) return true;
    }
    return false;
}

// The coordinates kept per projected phase: the plane's own apices, the in-excess
// apices and the projecting solution phases, as the console table shows them.
int nvalues() { return ncols() - 1; }

void bracketlists(const loopstate& ls, real t, real p) {
    const int own = proj.napices - proj.nexcessapices;
    const int n = nvalues();
    const real celsius = t - 273.15L;
    putstr(0, "(*---------------------------------------------------------*)", 1, qlonly);
    putstr(0, "{{" + fixedtostr(3, p) + ", " + fixedtostr(2, celsius) + "}, ", 1, qlonly);
    if (reactions.var == 1 && !anyfixedvariable()) {
        // Separators go between the names only: a comma before a closing bracket is
        // an empty entry to a strict list reader.
        std::string line = " {";
        const char* sep = "";
        for (int i = 1; i <= ls.nreaccols; ++i) {
            if (ls.reaccoefs[at(i)] >= 0 || !isprojected(ls.reacnames[at(i)])) continue;
            line += sep + ("\"" + ls.reacnames[at(i)] + "\"");
            sep = ", ";
        }
        line += "}, {";
        sep = "";
        for (int i = 1; i <= ls.nreaccols; ++i) {
            if (ls.reaccoefs[at(i)] <= 0 || !isprojected(ls.reacnames[at(i)])) continue;
            line += sep + ("\"" + ls.reacnames[at(i)] + "\"");
            sep = ",";
        }
        putstr(0, line + "}, ", 1, qlonly);
    }
    for (int k = 1; k <= pw.nprojected; ++k) {
        std::string line = k == 1 ? "         {" : spaces(10);
        line += "{";
        addfield("\"" + pw.table[at(k)].name + "\", ", -9, line);
        for (int i = 1; i <= n; ++i) {
            addfixed(6, 9, pw.table[at(k)].values[at(i)], line);
            line += i == n ? "}" : (i == own ? ",    " : ", ");
        }
        if (k < pw.nprojected) {
            line += ", ";
        } else if (pd.niso != 1) {
            line += "} },";
        } else {
            for (int g = 3; g <= eq.nvar + eq.nxp; ++g) {
                if (eq.calcvarfree[at(g)]) continue;
                line += "}, " + fixedtostr(3, eq.varvalue[at(g)]) + "},   (* " + eq.calcvarnames[at(g)] + "   *) ";
            }
        }
        putstr(0, line, 1, qlonly);
    }
    for (int k = 1; k <= pw.nprojected; ++k) {
        std::string line;
        addfield(pw.table[at(k)].name + ", ", 9, line);
        for (int i = 1; i <= n; ++i) {
            addfixed(6, 9, pw.table[at(k)].values[at(i)], line);
            line += ", ";
        }
        if (k == 1) {
            addfixed(3, 9, p, line);
            line += ", ";
            addfixed(2, 9, celsius, line);
            line += ", ";
        } else {
            // Blanks in place of P and T keep every row's columns.
            line += spaces(9) + ", " + spaces(9) + ", ";
        }
        for (int g = 3; pd.niso == 1 && g <= eq.nvar + eq.nxp; ++g) {
            if (!eq.calcvarfree[at(g)]) line += eq.calcvarnames[at(g)] + " =" + fixedtostr(3, eq.varvalue[at(g)]);
        }
        putstr(0, line, k == pw.nprojected ? 2 : 1, csvonly);
    }
}

void projectbulks(const loopstate& ls) {
    header("comp", "bulk");
    const int d = reactions.var == 1 ? 2 : 1;
    const int last = summary.sysfirstrow + static_cast<int>(std::nearbyint(static_cast<real>(pd.nsysrows) / d)) - 1;
    static std::array<real, maxcomps + 1> b;
    for (int r = summary.sysfirstrow; r <= last; ++r) {
        const real a = settings.nbulks > 1 ? static_cast<real>(r - 1) / (settings.nbulks - 1) : 0;
        for (int j = 1; j <= pd.nbulkcomps; ++j) {
            b[at(j)] = settings.nbulks == 1 ? settings.bulk1[at(j)]
                                            : (1 - a) * settings.bulk1[at(j)] + a * settings.bulk2[at(j)];
        }
        setcolumn(ncols(), b);
        realreaction(pw.m, pd.nbulkcomps, static_cast<int16_t>(ncols()), pw.coef);
        const real s = ownsum();
        // A plane that hardly sees this bulk: show it unscaled and marked, as the phases.
        const bool unscaled = std::fabs(s) < 1e-4L;
        std::string line;
        if (settings.nbulks == 1) line = spaces(6);
        else addfield(wholetostr(r), -6, line);
        for (int i = 1; i <= ncols(); ++i) {
            if (pw.coef[at(i)] == 0) addfield("", 9, line);
            else addfixed(4, 9, unscaled ? pw.coef[at(i)] : pw.coef[at(i)] / s, line);
        }
        if (unscaled) line += "  #";
        putstr(0, line, 1, consolesummarylog);
    }
    (void)ls;
}

}  // namespace

void printprojcomps(const loopstate& ls, real t, real p) {
    const phaseflags& on = ls.assemblage;
    pw.m_count = 0;
    pw.nprojected = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!on[at(k)] || !pd.excessphase[at(k)]) continue;
        if (phases.prec1[at(k)].fluid && settings.xco2diagram) continue;
        if (proj.napices + pw.m_count + 1 > maxcomps) bombout("printprojcomps", "more projecting phases than components", 1);
        pw.projecting[at(++pw.m_count)] = static_cast<int16_t>(k);
    }
    for (int i = 1; i <= proj.napices; ++i) setcolumn(i, proj.apexcomps[at(i)]);
    for (int i = 1; i <= pw.m_count; ++i) {
        phasecomp(phasestartem(pw.projecting[at(i)]), pw.comp);
        setcolumnfromall(proj.napices + i, pw.comp);
    }
    header("proj", "phase");
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!on[at(k)] || pd.excessphase[at(k)]) continue;
        phasecomp(phasestartem(k), pw.comp);
        setcolumnfromall(ncols(), pw.comp);
        projectone(phases.prec1[at(k)].shortname);
    }
    static std::array<real, maxcomps + 1> pure;
    for (int q = 1; q <= phases.npurephases; ++q) {
        const int k = phases.nsolnphases + q;
        if (!on[at(k)] || pd.excessphase[at(k)]) continue;
        purecomp(q, pure);
        setcolumn(ncols(), pure);
        projectone(phases.prec0[at(q)].name);
    }
    if (settings.compatibility == 0) {
        if (settings.quilleton == 0) quilletlines();
        else bracketlists(ls, t, p);
    }
    if (settings.nbulks > 0 && settings.projcomp == 0 && pd.nsysrows > 0) projectbulks(ls);
}

}  // namespace zt
