#include "numeric/nlediagnostics.h"

#include <cmath>
#include <string>

#include "numeric/eqtables.h"
#include "numeric/nle.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/words.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr wordset allthree = 13;  // console, summary and log
constexpr real fdstep = 1e-8L;
constexpr real smallestcompared = 1e-8L;
constexpr real relativelimit = 1e-4L;
constexpr int listeddifferences = 6;

size_t at(int i) { return static_cast<size_t>(i); }

std::string degreesname() { return std::string("T(") + degreebyte + "C)"; }

void writepair(std::string& names, std::string& values, int16_t valuesafter) {
    putstr(0, names, 1, allthree);
    putstr(0, values, valuesafter, allthree);
}

// Names and values of variables 1..nvar in columns of 10, T in degrees. The illegal-start
// lines give P with 1 decimal, T whole and the others with 4 decimals; the outcome lines
// give every value with 4 significant figures.
void addvariablelines(std::string& names, std::string& values, bool illegalstart) {
    for (int g = 1; g <= eq.nvar; ++g) {
        addfield(eq.calcvarnames[at(g)], 10, names);
        real v = plainvalue(static_cast<int16_t>(g));
        if (g == 2) v -= 273.15L;
        if (!illegalstart) {
            addreal(4, false, 10, v, values);
        } else if (g == 1) {
            addreal(1, true, 10, v, values);
        } else if (g == 2) {
            addwhole(10, values, v);
        } else {
            addreal(4, true, 10, v, values);
        }
    }
}

const char* reasonline(int16_t status) {
    switch (status) {
        case 1: return "   step too small distant from solution (dxstop)";
        case 2: return "   too many iterations (overit)";
        case 4: return "   too many iterations in finding interval in steplength";
        case 5: return "   too many iterations in finding value in interval in steplength";
        case 6: return "   sequence of not reduced (at accessible boundary) in steplength";
        case 7: return "   slim too small (on edge looking out?)";
        case 9: return "   residual, derivative or variable not a finite number";
        default: return "   shouldn't get here";
    }
}

bool isordervariable(int g) {
    const std::string& name = eq.calcvarnames[at(g)];
    return g >= 3 && g <= eq.nvar && !name.empty() && name[0] == 'Q';
}

}  // namespace

real plainvalue(int16_t g) {
    const real x = eq.varvalue[at(g)];
    if (!eq.calcvarfree[at(g)]) return x;
    return (x - eq.calcvaroffset[at(g)]) / eq.calcvarscale[at(g)];
}

void printtraceheader() {
    const nlestaterecord& st = nlestate;
    const int16_t level = settings.debuglevel;
    if (st.tracecount < 2) {
        if (st.iteration < 2 && level < 4) printstartingguesses();
        putstr(1, std::string(59, '-'), 1, allthree);
    }
    std::string line = " ";
    if (level == 2) {
        addfield("", 6, line);
    } else if (level == 4) {
        addwhole(-4, line, st.iteration);
    } else if (level == 3) {
        addwhole(-2, line, st.iteration);
        addwhole(2, line, st.tracecount);
    }
    addfield("f", 7, line);
    addfield("slope", 12, line);
    addfield("step", level == 2 ? 10 : 14, line);
    addfield("maxe", 13, line);
    addfield("maxdx", 10, line);
    putstr(0, line, 1, allthree);
}

void printsteptrace(char kind, char mark, real lambda, real slope, real F) {
    nlestaterecord& st = nlestate;
    const int16_t level = settings.debuglevel;
    ++st.tracecount;
    if (level == 4 && st.tracecount == 1) printtraceheader();
    std::string line = eq.fdjacobian ? "@" : " ";
    if (level == 2) addwhole(-2, line, st.iteration);
    addfield(std::string(1, level == 3 || level == 4 ? kind : ' '), 1, line);
    addreal(4, false, 10, F, line);
    addreal(4, false, 12, slope, line);
    const int16_t width = level == 2 ? 10 : 14;
    if (lambda == 1) {
        addfield("1", width, line);
    } else {
        addreal(level == 2 ? 4 : 8, false, width, lambda, line);
    }
    addfield(std::string(1, mark), 2, line);
    addreal(4, false, 11, st.maxe, line);
    if (st.maxdx == 0 || st.maxdx == 100) {
        addfield("", 10, line);
    } else {
        addreal(4, false, 10, st.maxdx, line);
    }
    putstr(0, line, 1, allthree);
    if (level == 2) printpoint();
}

void printpoint() {
    std::string names = spaces(62), values = spaces(62);
    addfield("P(kbar)", 10, names);
    addfield(degreesname(), 10, names);
    addreal(4, true, 10, plainvalue(1), values);
    addreal(4, true, 10, plainvalue(2) - 273.15L, values);
    bool pending = true;
    for (int g = 3; g <= eq.nvar + eq.nxp; ++g) {
        addfield(eq.calcvarnames[at(g)], 10, names);
        real v = plainvalue(static_cast<int16_t>(g));
        if (eq.calcvarfree[at(g)] && g > eq.nvar) v /= pd.modenorm;
        addreal(4, false, 10, v, values);
        pending = true;
        if ((g - 2) % 13 == 0) {
            writepair(names, values, 1);
            names = spaces(82);
            values = spaces(82);
            pending = false;
        }
    }
    if (pending) writepair(names, values, 1);
}

void printstartingguesses() {
    std::string names, values = spaces(17);
    addfield("starting guesses:", 17, names);
    addfield("P(kbar)", 10, names);
    addreal(4, true, 10, plainvalue(1), values);
    addfield(degreesname(), 10, names);
    addreal(3, true, 10, plainvalue(2) - 273.15L, values);
    int count = 0;
    for (int g = 3; g <= eq.nvar + eq.nxp; ++g) {
        if (!eq.calcvarfree[at(g)]) continue;
        addfield(eq.calcvarnames[at(g)], 10, names);
        real v = plainvalue(static_cast<int16_t>(g));
        if (g > eq.nvar) v /= pd.modenorm;
        addreal(4, false, 10, v, values);
        if (++count == 18) {
            writepair(names, values, 1);
            names = spaces(37);
            values = spaces(37);
            count = 0;
        }
    }
    writepair(names, values, count > 0 ? 2 : 1);
}

void printillegalstart(bool withheading) {
    putstr(0, "", 1, 1);
    if (withheading) {
        std::string line = "illegal start ";
        addwhole(3, line, pd.batchno);
        addwhole(3, line, pd.mcsuccesses);
        putstr(0, line, 1, 1);
    }
    std::string names, values;
    addvariablelines(names, values, true);
    putstr(0, names, 1, 1);
    putstr(0, values, 1, 1);
}

void printoutcome(int16_t status) {
    const nlestaterecord& st = nlestate;
    if (status == 0) {
        const char* reason = "shouldn't get here";
        if (st.esizeok) {
            reason = "size of max residual (esize)";
        } else if (st.fsizeok) {
            reason = "size of sum of squares of residual (fsize)";
        } else if (st.dxconverge) {
            reason = "step too small near solution (dxconverge)";
        }
        putstr(1, reason, 1, allthree);
        return;
    }
    putstr(1, "No solution (" + wholetostr(status) + "):", 1, allthree);
    putstr(0, reasonline(status), 1, allthree);
    putstr(0, "at which stage x was:", 1, allthree);
    std::string names, values;
    addvariablelines(names, values, false);
    putstr(0, names, 1, allthree);
    putstr(0, values, 1, allthree);
    if (eq.nxp > 0) {
        names = spaces(20);
        values = spaces(20);
        for (int g = eq.nvar + 1; g <= eq.nvar + eq.nxp; ++g) {
            addfield(eq.calcvarnames[at(g)], 10, names);
            addreal(4, false, 10, plainvalue(static_cast<int16_t>(g)) / pd.modenorm, values);
        }
        putstr(0, names, 1, allthree);
        putstr(0, values, 1, allthree);
    }
    putstr(0, std::string(54, '_'), 2, allthree);
}

void jacobian(const vec90& x, mat90& J, vec90& f) {
    const int16_t keepeval = eq.nleeval;
    eq.nleeval = 0;
    const vec90 f0 = f;
    const residualfunction residuals = currentresidualfunction();
    const int nfree = nlestate.nfree;
    printmatrixtable("jacobian", J, 0, 4, false, allthree);
    int column = 0, count = 0;
    std::string line;
    for (int g = 1; g <= eq.nvar + eq.nxp; ++g) {
        if (!eq.calcvarfree[at(g)]) continue;
        ++column;
        // order variables follow from the others: their columns are not checked
        if (isordervariable(g)) continue;
        vec90 raised = x;
        raised[at(g)] += fdstep;
        (void)residuals(raised, J, f, false);
        for (int j = 1; j <= nfree; ++j) {
            const real entry = J[at(j)][at(column)];
            if (std::fabs(entry) < smallestcompared) continue;
            const real rel = ((f[at(j)] - f0[at(j)]) / fdstep) / entry - 1;
            if (std::fabs(rel) <= relativelimit) continue;
            if (++count == 1) line = "jacobian: prop diff with fd: ";
            if (count <= listeddifferences) {
                addfield("eq", 0, line);
                addwhole(0, line, j);
                addfield(",", 0, line);
                addfield(eq.calcvarnames[at(g)], 0, line);
                addfield(" = ", 0, line);
                addreal(4, false, 0, rel, line);
                addfield("; ", 0, line);
            }
        }
    }
    if (count == 0) {
        line = "jacobian: no difference with fd";
    } else if (count > listeddifferences) {
        addfield(": of ", 0, line);
        addwhole(0, line, count);
        addfield(" in all", 0, line);
    } else {
        addfield(": just these", 0, line);
    }
    putstr(1, line, settings.debuglevel == 3 ? 2 : 1, allthree);
    (void)residuals(x, J, f, false);
    eq.nleeval = keepeval;
}

void makefdjacobian(const vec90& x, mat90& J, vec90& f) {
    const int16_t keepeval = eq.nleeval;
    eq.nleeval = 0;
    const vec90 f0 = f;
    const residualfunction residuals = currentresidualfunction();
    const int nfree = nlestate.nfree;
    int column = 0;
    for (int g = 1; g <= eq.nvar + eq.nxp; ++g) {
        if (!eq.calcvarfree[at(g)]) continue;
        ++column;
        vec90 raised = x;
        raised[at(g)] += fdstep;
        (void)residuals(raised, J, f, false);
        for (int j = 1; j <= nfree; ++j) J[at(j)][at(column)] = (f[at(j)] - f0[at(j)]) / fdstep;
    }
    (void)residuals(x, J, f, false);
    eq.nleeval = keepeval;
}

}  // namespace zt
