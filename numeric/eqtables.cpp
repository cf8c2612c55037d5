#include "numeric/eqtables.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/records/reactionstate.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr wordset ch13 = 13;
constexpr int perline = 20;
constexpr int maxblocks = 10;

// Label and value rows written in pairs of perline entries.
struct pairedrows {
    std::string label, value, lead;
    int count = 0;
    // addvalue appends the value's field to the value row.
    template <typename F>
    void add(const std::string& l, int16_t lw, F addvalue) {
        addfield(l, lw, label);
        addvalue(value);
        if (++count % perline == 0) flush();
    }
    void flush() {
        putstr(0, label, 1, ch13);
        putstr(0, value, 1, ch13);
        label = value = lead;
    }
};

std::string wholefield(int16_t width, real x) {
    std::string s;
    addwhole(width, s, x);
    return s;
}

void addplainvalue(int g, real x, int16_t pdec, int16_t tdec, int16_t sig, int16_t width, std::string& line) {
    if (g == 1) addreal(pdec, true, width, x, line);
    else if (g == 2) addreal(tdec, true, width, x - 273.15L, line);
    else addreal(sig, false, width, x, line);
}

void addmatrixvalue(real v, int16_t digits, bool fixed, int16_t w, std::string& line) {
    if (std::fabs(v) < 1e-10L) addfield("-", w, line);
    else addreal(digits, fixed, w, v, line);
}

}  // namespace

void printmatrixtable(const std::string& title, const mat90& J, int16_t part, int16_t digits, bool fixed,
                      wordset channelset) {
    const int16_t w = static_cast<int16_t>(digits + 9);
    const int ncols = 246 / w;
    putstr(1, title.substr(0, maxwordlen), 1, channelset);

    // Free variables among 1..nvar, each with its jacobian column.
    std::vector<int> vars;
    for (int g = 1; g <= eq.nvar; ++g) {
        if (eq.calcvarfree[static_cast<size_t>(g)]) vars.push_back(g);
    }
    const int nblocks = std::min<int>(maxblocks, (static_cast<int>(vars.size()) + ncols - 1) / ncols);
    const auto header = [&](int from, int to) {
        std::string line(6, ' ');
        for (int i = from; i < to; ++i) addfield(eq.calcvarnames[static_cast<size_t>(vars[static_cast<size_t>(i)])], w, line);
        putstr(0, line, 1, channelset);
    };
    const auto rows = [&](int r0, int r1, bool reactionrows, int from, int to, int colbase) {
        for (int r = r0; r <= r1; ++r) {
            std::string line;
            if (reactionrows)
                addwhole(-6, line, r);
            else
                addfield(ws.compnames[static_cast<size_t>(r - reactions.nreac)], -6, line);
            for (int i = from; i < to; ++i) addmatrixvalue(J[static_cast<size_t>(r)][static_cast<size_t>(colbase + i + 1)], digits, fixed, w, line);
            putstr(0, line, 1, channelset);
        }
    };
    const auto blocks = [&](int r0, int r1, bool reactionrows) {
        for (int b = 0; b < nblocks; ++b) {
            const int from = b * ncols, to = std::min<int>(from + ncols, static_cast<int>(vars.size()));
            header(from, to);
            rows(r0, r1, reactionrows, from, to, 0);
        }
    };
    if (part < 1) blocks(1, reactions.nreac, true);
    if (part < 2) {
        putstr(0, "", 1, channelset);
        blocks(reactions.nreac + 1, eq.neq, false);
    }
    if (part < 3) {
        putstr(0, "", 1, channelset);
        std::string line(6, ' ');
        int nfree = 0;
        for (int m = 1; m <= eq.nxp; ++m) {
            const size_t g = static_cast<size_t>(eq.nvar + m);
            if (!eq.calcvarfree[g]) continue;
            ++nfree;
            addfield(eq.calcvarnames[g], w, line);
        }
        putstr(0, line, 1, channelset);
        const int base = static_cast<int>(vars.size());
        for (int r = reactions.nreac + 1; r <= eq.neq; ++r) {
            std::string row;
            addfield(ws.compnames[static_cast<size_t>(r - reactions.nreac)], -6, row);
            for (int k = 1; k <= nfree; ++k) addmatrixvalue(J[static_cast<size_t>(r)][static_cast<size_t>(base + k)], digits, fixed, w, row);
            putstr(0, row, 1, channelset);
        }
    }
}

void projc() {
    std::string line = "projc: (rankdeficit = " + wholetostr(pd.rankdeficit) + ")";
    if (pd.rankdeficit == 0) {
        putstr(0, line + " diagonal", 1, ch13);
        return;
    }
    putstr(1, line, 1, ch13);
    std::string names;
    for (int i = 1; i <= ws.ncomps; ++i) {
        if (pd.inbulk[static_cast<size_t>(i)]) addfield(ws.compnames[static_cast<size_t>(i)], 7, names);
    }
    putstr(0, names, 1, ch13);
    for (int i = 1; i <= pd.nbulkcomps; ++i) {
        std::string row;
        for (int b = 1; b <= pd.nbulkcomps; ++b) addwhole(7, row, pd.reducemat[static_cast<size_t>(i)][static_cast<size_t>(b)]);
        putstr(0, row, 1, ch13);
    }
}

void residualtable(const vec90& f) {
    real sum = 0;
    for (int k = 1; k <= eq.neq; ++k) sum += f[static_cast<size_t>(k)] * f[static_cast<size_t>(k)];
    putstr(1, "residuals (f = " + realtostr(4, false, sum / 2) + ")", 1, ch13);
    pairedrows rows;
    for (int k = 1; k <= eq.neq; ++k) {
        const size_t kk = static_cast<size_t>(k);
        std::string label;
        real v = f[kk];
        if (k <= reactions.nreac) {
            label = wholetostr(k);
            v *= reactions.rxnweight[kk];
        } else {
            const size_t c = static_cast<size_t>(k - reactions.nreac);
            if (pd.inbulk[c]) label = ws.compnames[c];
        }
        rows.add(label, label.empty() ? 0 : 11, [&](std::string& row) { addreal(4, false, 11, v, row); });
    }
    rows.flush();
}

void variablestable(const vec90& x) {
    putstr(1, "xyz", 1, ch13);
    pairedrows rows;
    rows.lead = std::string(22, ' ');
    const int n = eq.nvar + eq.nxp;
    for (int g = 1; g <= n; ++g) {
        rows.add(eq.calcvarnames[static_cast<size_t>(g)], 11,
                 [&](std::string& row) { addplainvalue(g, x[static_cast<size_t>(g)], 3, 4, 6, 11, row); });
    }
    if (n % perline != 0) rows.flush();
}

void lnktable() {
    putstr(1, "ln K", 1, ch13);
    pairedrows rows;
    for (int i = 1; i <= reactions.nreac; ++i) {
        rows.add(wholetostr(i), 11, [&](std::string& row) { addreal(6, false, 11, reactions.reaclnk[static_cast<size_t>(i)], row); });
    }
    if (reactions.nreac % perline != 0) rows.flush();
}

void activitytable() {
    putstr(1, "activity", 1, ch13);
    pairedrows rows;
    for (int e = 1; e <= ws.nem; ++e) {
        rows.add(ws.emname[static_cast<size_t>(e)], 11, [&](std::string& row) { addreal(5, false, 11, ws.emact[static_cast<size_t>(e)], row); });
    }
    if (ws.nem % perline != 0) rows.flush();
}

void failureblock(const vec90& x) {
    putstr(2, "FAILED in nlefunc, at which stage x was:", 1, ch13);
    const int n = eq.nvar + eq.nxp;
    std::string line;
    for (int g = 1; g <= n; ++g) {
        addfield(eq.calcvarnames[static_cast<size_t>(g)], 10, line);
        if (g % 15 == 0 || g == n) {
            putstr(0, line, 1, ch13);
            line.clear();
        }
    }
    for (int g = 1; g <= n; ++g) {
        addplainvalue(g, x[static_cast<size_t>(g)], 2, 1, 4, 10, line);
        if (g % 15 == 0 || g == n) {
            putstr(0, line, 1, ch13);
            line.clear();
        }
    }
}

void nonsquarereport(const vec90& x, const vec90& f, const mat90& J, int nv, int freemodes) {
    std::string text = "\n";
    if (pd.batchno > 0) text += "mczt: batch = " + wholefield(3, pd.batchno) + "\n";
    text += "\nrow " + wholetostr(eq.neq) + " (" + wholefield(3, reactions.nreac) + wholefield(3, pd.nbulkcomps) +
            wholefield(3, pd.rankdeficit) + ")\n";
    text += "col " + wholetostr(eq.neqcheck) + " (" + wholefield(3, nv) + wholefield(3, freemodes) + ")\n\n";
    writeconsole(text);
    projc();
    variablestable(x);
    residualtable(f);
    printmatrixtable("non-square jacobian", J, 0, 4, false, ch13);
}

void modetracepre(const vec90& x) {
    putstr(0, channels.linebuf, 1, ch13);
    channels.linebuf.clear();
    std::string names(12, ' '), values;
    addfield("nlefunc", 12, values);
    for (int m = 1; m <= eq.nxp; ++m) {
        const size_t g = static_cast<size_t>(eq.nvar + m);
        if (!eq.calcvarfree[g]) continue;
        addfield(eq.calcvarnames[g], 10, names);
        addreal(5, false, 10, x[g], values);
    }
    const size_t first = static_cast<size_t>(eq.nvar + 1);
    values += "  pre un";
    addreal(5, true, 10, eq.calcvarscale[first], values);
    addreal(5, true, 10, eq.calcvaroffset[first], values);
    putstr(0, names, 1, ch13);
    putstr(0, values, 1, ch13);
}

void modetraceun(const vec90& x) {
    std::string plain(12, ' '), normed(12, ' ');
    real sum = 0;
    for (int m = 1; m <= eq.nxp; ++m) {
        const size_t g = static_cast<size_t>(eq.nvar + m);
        sum += x[g];
        if (!eq.calcvarfree[g]) continue;
        addreal(5, false, 10, x[g], plain);
        addreal(5, false, 10, x[g] / pd.modenorm, normed);
    }
    plain += "  un    ";
    addreal(5, true, 10, sum, plain);
    putstr(0, plain, 1, ch13);
    putstr(0, normed + "  un/phi = mode", 1, ch13);
}

}  // namespace zt
