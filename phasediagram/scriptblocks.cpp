#include "phasediagram/scriptblocks.h"

#include <cmath>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "phasediagram/calcdetails.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr wordset chlogset = 8;

size_t at(int i) { return static_cast<size_t>(i); }

const std::string rule60 = "% " + std::string(58, '-');

void logline(const std::string& text, int16_t after = 1) { putstr(0, text, after, chlogset); }

}  // namespace

void addnear(real x, real tol, std::string& line) {
    const real w = std::round(x);
    if (std::fabs(x - w) < tol) {
        addwhole(12, line, w);
    } else {
        addreal(6, true, 12, x, line);
    }
}

void addcomponentheads(std::string& line) {
    bool hasO = false;
    for (int i = 1; i <= summary.ncomps; ++i) hasO = hasO || summary.compnames[at(i)] == "O";
    for (int i = 1; i <= summary.ncomps; ++i) {
        const str22& name = summary.compnames[at(i)];
        addfield(hasO && name == "FeO" ? "FeOt" : name, 12, line);
    }
}

void addguessvariable(const axvar& v, int16_t digits, real value, std::string& line) {
    addfield(v.name, -10, line);
    addreal(digits, false, 12, value, line);
    if (v.lower != 0 || v.upper != 1) {
        line += "  range";
        if (v.lower == 0) {
            line += "  0.000";
        } else {
            addreal(3, true, 7, v.lower, line);
        }
        addreal(3, true, 6, v.upper, line);
    }
}

void addboilervariable(const str22& name, std::string& line) {
    addfield(name, -10, line);
    addfield("0", 12, line);
    line += "  % boiler";
}

void writeguessblock(const loopstate& ls) {
    const real P = summary.pequil, T = summary.tequil;
    putstr(0, "", 1, chlogset);
    logline(rule60);
    std::string& line = channels.linebuf;
    line = "% at P = " + realtostr(1, true, P) + ", T = " + wholetostr(std::round(T - 273.15L)) + ", for: ";
    if (eq.nxp > 0) {
        for (int k = 1; k <= eq.nxp; ++k) {
            // By the phase of the mode, as extraction looks the flags up.
            const int phase = k <= eq.nsolnmodes ? eq.modephase[at(k)] : phases.nsolnphases + eq.modephase[at(k)];
            if (!pd.zeromodephase[at(phase)]) line += eq.calcvarnames[at(eq.nvar + k)] + " ";
        }
        bool first = true;
        for (int k = 1; k <= eq.nxp; ++k) {
            const int g = eq.nvar + k;
            if (eq.calcvarfree[at(g)] || eq.varvalue[at(g)] != 0) continue;
            line += first ? " with " : ", ";
            line += eq.calcvarnames[at(g)] + " = 0";
            first = false;
        }
        if (pd.bulkpropnow != 0) line += ", and x = " + realtostr(4, true, summary.bulkpos[1]);
    } else {
        bool first = true;
        for (int p = 1; p <= phases.nphases; ++p) {
            if (!ls.assemblage[at(p)]) continue;
            if (!first) line += " ";
            line += p <= phases.nsolnphases ? phases.prec1[at(p)].shortname : phases.prec0[at(p - phases.nsolnphases)].name;
            first = false;
        }
    }
    logline(line);
    logline(rule60);
    if (pd.mcactive) {
        logline("batchxyzguess startblock");
    } else {
        logline("ptguess " + realtostr(3, true, P) + " " + realtostr(2, true, T - 273.15L));
    }
    logline(rule60);
    const std::string prefix = pd.mcactive ? "batchxyzguess " : "xyzguess ";
    int i = 2;  // the equilibrium's variables after P and T
    for (int e = 1; e <= ws.nem; ++e) {
        if (!eq.phasestart[at(e)]) continue;
        const axphase& ph = phases.prec1[at(eq.phaseofstart[at(e)])];
        const bool reduced = ph.nvarsguess > 0;
        const int n = reduced ? ph.nvarsguess : ph.nvars;
        int m = 0;
        for (int j = 1; j <= n; ++j) {
            line = prefix;
            const bool incalc = !reduced || ph.varnonzero[at(j)];
            if (incalc) {
                ++m;
                ++i;
                addguessvariable(ph.vars[at(m)], 7, eq.varvalue[at(i)], line);
            } else {
                addboilervariable(ph.guessname[at(j)], line);
            }
            logline(line);
        }
        if (i < eq.nvar) logline("% " + std::string(29, '-'));
    }
    logline(rule60, 2);
}

void printbulkinfo(const loopstate&) {
    if (settings.xco2diagram) {
        putstr(1, "printbulkinfo not yet working for exbuff - sorry!", 1, chlogset);
        return;
    }
    putstr(1, rule60, 1, chlogset);
    std::string& line = channels.linebuf;
    line = "%" + std::string(28, ' ');
    addcomponentheads(line);
    logline(line);
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        if (!ph.included) continue;
        line = "bulk  rbi";
        addfield(ph.name, 8, line);
        if (settings.pseudosection) {
            addreal(6, true, 12, ph.mode[1], line);
        } else {
            addfield("##", 12, line);
        }
        for (int i = 1; i <= summary.ncomps; ++i) addnear(ph.oxcomp[at(i)], 0.0001L, line);
        logline(line);
    }
    logline(rule60);
    if (settings.pseudosection) {
        line = "% bulk";
        line.resize(23, ' ');
        addbulkrow(1, line);
        logline(line);
        logline(rule60);
        logline("% delete this bulk line if you have modified the rbi tableau");
    } else {
        logline("replace the ''##'' by the modes you want to use to make the bulk");
    }
}

}  // namespace zt
