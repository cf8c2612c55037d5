#include "phasediagram/systemprops.h"

#include <cmath>

#include "numeric/summary.h"
#include "phasediagram/derived.h"
#include "phasediagram/modesafter.h"
#include "phasediagram/resulttable.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr wordset chset13 = 13;
constexpr wordset chset64 = 64;

size_t at(int i) { return static_cast<size_t>(i); }

bool impossiblerow(int r) {
    if (settings.c8 != 0) return false;
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        if (ph.included && (ph.mode[at(r)] < 0 || ph.mode[at(r)] > 1)) return true;
    }
    return false;
}

// Bulk number (width 4) and its position (width 10) of system row r.
void addrowposition(int r, std::string& line) {
    if (summary.nbulks <= 1) {
        line.append(4, ' ');
    } else if (pd.massbalance) {
        addwhole(6, line, summary.bulkpoint);
        addreal(4, true, 8, summary.bulkpos[1], line);
    } else {
        int k = 0;
        if (pd.ovar == 1) {
            if (r % 2 == 0) {
                line.append(14, ' ');
                return;
            }
            k = summary.sysfirstrow + (r - 1) / 2;
        } else {
            k = summary.sysfirstrow + r - 1;
        }
        addwhole(4, line, k);
        addreal(4, true, 10, summary.bulkpos[at(std::max(1, std::min(k, maxsysrows)))], line);
    }
}

// The compositional variables of every solution phase, for pasting elsewhere.
void printvariablelists() {
    writeconsole("\n");
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        if (ph.nem <= 1) continue;
        std::string line = "{";
        for (int i = 1; i < ph.nem; ++i) {
            line += ph.varnames[at(i)] + "->";
            // fixed notation: the number text cannot hold ten decimals from 0.2147483646 on
            addfixed(10, 12, ph.varvalues[at(i)], line);
            if (i < ph.nem - 1) {
                line += ", ";
                if (i % 8 == 0) line += "\n ";
            }
        }
        line += "}\n";
        writeconsole(line);
    }
}

}  // namespace

void printmodes(loopstate& ls) {
    const wordset set = resultchannels();
    std::array<bool, maxphasesummaries + 1> zeroflags{};
    real f = 1;
    renormfactor(zeroflags, f);
    const bool full = !settings.dogminon && settings.ntozero <= 0;
    const bool showah2o = settings.calcah2o == 0 && !settings.dogminon;
    const bool showmuo = settings.calcmuo == 0 && !settings.dogminon;
    const real P = summary.pequil, T = summary.tequil;

    std::string& line = channels.linebuf;
    line = "mode  ";
    if (summary.nbulks > 1) addfield("pos   prop", 10, line);
    for (int p = 1; p <= summary.sumnphases; ++p) {
        if (summary.sumphases[at(p)].included) addfield(summary.sumphases[at(p)].name, 10, line);
    }
    if (settings.systemprops) {
        addfield("G", 12, line);
        if (full) {
            addfield("H", 12, line);
            addfield("S", 10, line);
            addfield("V", 10, line);
            addfield("rho", 10, line);
        }
    }
    if (showah2o) addfield("a(H2O)", 10, line);
    if (showmuo) addfield("mu(O)", 12, line);
    putstr(1, line, 1, set);

    for (int r = 1; r <= pd.nsysrows; ++r) {
        const bool impossible = impossiblerow(r);
        line = impossible ? "# " : "  ";
        addrowposition(r, line);
        for (int p = 1; p <= summary.sumnphases; ++p) {
            const phasesummary& ph = summary.sumphases[at(p)];
            if (!ph.included) continue;
            if (ph.mode[at(r)] == 0) {
                line.append(10, ' ');
            } else {
                addreal(4, false, 10, ph.mode[at(r)], line);
            }
        }
        if (settings.systemprops && !impossible) {
            // a large system or a large formula passes the number text's digits at 5 decimals
            adddecimals(5, 12, summary.sysg[at(r)], line);
            if (full) {
                adddecimals(5, 12, summary.sysh[at(r)], line);
                addreal(4, true, 10, summary.syss[at(r)], line);
                addreal(4, true, 10, summary.sysv[at(r)], line);
                addreal(4, true, 10, summary.sysrho[at(r)], line);
            }
        }
        ls.ah2o = 0;
        ls.muo = 0;
        if (showah2o) {
            ls.ah2o = docalcah2o(P, T);
            addreal(4, true, 10, ls.ah2o, line);
        }
        if (showmuo) {
            ls.muo = docalcmuo(P, T);
            addreal(4, true, 12, ls.muo, line);
        }
        putstr(0, line, 1, set);
        if (std::fabs(f - 1) > 1e-8L && !impossible) {
            line.assign(summary.nbulks > 1 ? 16 : 6, ' ');
            for (int p = 1; p <= summary.sumnphases; ++p) {
                const phasesummary& ph = summary.sumphases[at(p)];
                if (!ph.included) continue;
                if (zeroflags[at(p)]) {
                    addfield("z", 10, line);
                } else if (ph.mode[at(r)] == 0) {
                    line.append(10, ' ');
                } else {
                    addreal(4, false, 10, f * ph.mode[at(r)], line);
                }
            }
            putstr(0, line, 1, set);
        }
    }
    if (settings.mcdebug == 0 && settings.batch == 0 && pd.batchno >= 1 && pd.batchno <= settings.nbatches &&
        settings.batches[at(pd.batchno)].hasbulk) {
        std::string text = "\nwith bulk";
        for (int i = 1; i <= summary.ncomps; ++i) {
            if (summary.inbulk[at(i)]) addfield(summary.compnames[at(i)], 8, text);
        }
        text += "\n" + std::string(9, ' ');
        int b = 0;
        for (int i = 1; i <= summary.ncomps; ++i) {
            if (summary.inbulk[at(i)]) addreal(2, true, 8, 100 * summary.bulkrows[1][at(++b)], text);
        }
        writeconsole(text + "\n");
    }
    if (settings.xco2diagram && settings.fifi == 0) fificalc(ls.assemblage, P, T);
    if (settings.moreprec == 0) printvariablelists();
}

void printmu() {
    const real P = summary.pequil, T = summary.tequil;
    docalcmu(P, T);
    std::string& line = channels.linebuf;
    line = " mu   ";
    for (int i = 1; i <= ws.ncomps; ++i) addfield(ws.compnames[at(i)], 12, line);
    putstr(1, line, 1, chset13);
    line.assign(6, ' ');
    for (int i = 1; i <= ws.ncomps; ++i) adddecimals(5, 12, derived.mucalc[at(i)], line);
    putstr(0, line, 1, chset13);
    if (settings.quilleton == 0) {
        line.assign(10, ' ');
        for (int i = 1; i <= ws.ncomps; ++i) adddecimals(4, 12, derived.mucalc[at(i)], line);
        putstr(0, line, 1, chset64);
    }
}

}  // namespace zt
