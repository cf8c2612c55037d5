#include "phasediagram/drawingdata.h"

#include <algorithm>
#include <cmath>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "phasediagram/modesafter.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/runstate.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr wordset qlset = 64;

size_t at(int i) { return static_cast<size_t>(i); }

// Every value with the decimals its column asks for, G with 7 among them.
std::string fixed(int16_t decimals, real x) { return decimalstostr(decimals, x); }

}  // namespace

// The csv tables are written whole, not through the 255-character channel lines.
void writecsv(int bit, const std::string& text) {
    textfile& f = channels.files[at(bit)];
    channels.fileused[at(bit)] = true;
    if (f.isopen) writefiletext(f, text);
}

void flushcsv(int bit) {
    textfile& f = channels.files[at(bit)];
    if (f.isopen) flushfile(f);
}

// The channel writer cuts texts at 255 characters, which would leave a bracketed list
// unclosed, so long lines go in pieces.
void qlline(int16_t before, const std::string& text, int16_t after) {
    constexpr size_t piece = 200;
    size_t start = 0;
    do {
        const size_t n = std::min(piece, text.size() - start);
        const bool last = start + n >= text.size();
        putstr(start == 0 ? before : 0, text.substr(start, n), last ? after : 0, qlset);
        start += n;
    } while (start < text.size());
}

namespace {

std::string phasename(int p) {
    return p <= phases.nsolnphases ? phases.prec1[at(p)].shortname : phases.prec0[at(p - phases.nsolnphases)].name;
}

// The colour of a phase, when it has one.
bool phasecolour(int p, std::array<int16_t, 4>& rgb) {
    if (p <= phases.nsolnphases) {
        rgb = phases.prec1[at(p)].colour;
        return phases.prec1[at(p)].hascolour;
    }
    rgb = phases.prec0[at(p - phases.nsolnphases)].colour;
    return phases.prec0[at(p - phases.nsolnphases)].hascolour;
}

std::string label() {
    const int var = summary.var, ovar = summary.ovar;
    if (settings.xco2diagram) {
        if (eq.xco2fixed) return "u<k>   ";
        if (var == 1) return "i<k>   ";
        if (var == 2) return "u<k>   ";
        return "<name>   ";
    }
    if (eq.xco2var > 0) {
        if (eq.xco2fixed) return "u<k>   ";
        return var == 1 ? "i<k>   " : "u<k>   ";
    }
    if (var == 0) return "i<k>   ";
    if (var == 1) return "u<k>   ";
    if (ovar == 2 && var == 2) return "d<k>   ";
    if (ovar == 3 && var == 2) return "t<k>   ";
    return "<name>   ";
}

std::string varianceword() {
    const int var = summary.var, ovar = summary.ovar;
    if (ovar == 0) return "  invariant";
    if (ovar == 1 && var == 1) return "  univariant";
    if (ovar == 2 && var == 2) return "  divariant";
    if (ovar == 3 && var == 2) return "  trivariant";
    return "";
}

}  // namespace

void writeqllabels(const loopstate& ls) {
    if (settings.quilleton != 0) {
        if (settings.compatibility == 0 || settings.modebox == 0 || !settings.systemprops) return;
        putstr(1, "(* ------------------------------ *)", 1, qlset);
        std::string line = "(* ";
        std::string fixedpart;
        for (int k = 1; k <= eq.nxp; ++k) {
            const str22& name = eq.calcvarnames[at(eq.nvar + k)];
            if (eq.calcvarfree[at(eq.nvar + k)]) {
                line += name + " ";
            } else {
                fixedpart += name + " ";
            }
        }
        if (!fixedpart.empty()) line += "- " + fixedpart;
        line += "*)";
        putstr(0, line, 2, qlset);
        return;
    }
    putstr(1, "% " + std::string(30, '-'), 1, qlset);
    std::string line = label();
    bool coloured = false;
    std::array<int16_t, 4> rgb{};
    if (pd.massbalance) {
        for (int k = 1; k <= eq.nxp; ++k) {
            if (eq.calcvarfree[at(eq.nvar + k)]) line += eq.calcvarnames[at(eq.nvar + k)] + " ";
        }
        line += " - ";
        bool first = true;
        for (int k = 1; k <= eq.nxp; ++k) {
            if (eq.calcvarfree[at(eq.nvar + k)]) continue;
            if (!first) line += " ";
            line += eq.calcvarnames[at(eq.nvar + k)];
            first = false;
            const int number = k <= eq.nsolnmodes ? eq.modephase[at(k)] : phases.nsolnphases + eq.modephase[at(k)];
            std::array<int16_t, 4> c{};
            coloured = phasecolour(number, c);
            if (coloured) rgb = c;
        }
    } else {
        for (int p = 1; p <= phases.nphases; ++p) {
            if (ls.assemblage[at(p)]) line += phasename(p) + " ";
        }
    }
    line += varianceword();
    putstr(0, line, 2, qlset);
    if (settings.calcmu == 0) {
        line.clear();
        addfield(" % ", 10, line);
        for (int i = 1; i <= ws.ncomps; ++i) {
            line += " ";
            addfield(ws.compnames[at(i)], 12, line);
        }
        putstr(0, line, 1, qlset);
    }
    const int var = summary.var, ovar = summary.ovar;
    std::string be;
    if (settings.xco2diagram) {
        if (eq.xco2fixed || var == 2) be = "begin  end";
    } else if (eq.xco2var > 0) {
        if (eq.xco2fixed || var != 1) be = "begin  end";
    } else if (var == 1) {
        be = "begin  end  ";
        if (coloured) {
            be += "rgb ";
            for (int c = 1; c <= 3; ++c) addwhole(4, be, rgb[at(c)]);
        }
    } else if (ovar == 3 && var == 2) {
        be = "begin  end";
    }
    if (!be.empty()) putstr(0, be, 2, qlset);
}

void printfluidx(const loopstate& ls) {
    std::string& line = channels.linebuf;
    line.clear();
    if (summary.bulkpos[1] != 0 || summary.nbulks >= 2) {
        if (summary.bulkpos[1] == 0) {
            addfield("0", 7, line);
        } else {
            line += fixed(5, summary.bulkpos[1]);
        }
        line += " ";
    }
    line += fixed(static_cast<int16_t>(std::max<int>(settings.pdecimals, 3)), summary.pequil) + " ";
    line += fixed(static_cast<int16_t>(std::max<int>(settings.tdecimals, 2)), summary.tequil - 273.15L) + " ";
    for (int i = 3; i <= eq.nvar; ++i) {
        if (eq.calcvarnames[at(i)] == "x(fluid)") line += realtostr(4, false, eq.varvalue[at(i)]);
    }
    if (settings.systemprops && settings.quilletoption == 1) {
        line += " " + fixed(7, summary.sysg[1]) + " " + fixed(5, summary.sysh[1]) + " " + fixed(6, summary.syss[1]) +
                " " + fixed(6, summary.sysv[1]) + " " + fixed(6, summary.sysrho[1]);
    }
    if (!pd.lowvarpseudo) {
        bool first = true;
        for (int i = 3; i <= eq.nvar + eq.nxp; ++i) {
            if (eq.calcvarfree[at(i)] || eq.calcvarnames[at(i)] == "x(fluid)") continue;
            line += first ? " % " : ", ";
            first = false;
            const real x = eq.varvalue[at(i)];
            line += eq.calcvarnames[at(i)] + " = " + fixed(decimalsneeded(x), x);
        }
    }
    qlline(0, line, 1);
    if (pd.lowvarpseudo && summary.ovar == 1 && summary.var == 1) {
        putstr(0, "             % " + ls.reactiontext, 1, qlset);
    }
}

void writelistrow() {
    if (summary.sysg[1] == 0) return;
    std::string line = "{" + fixed(3, summary.pequil) + ", " + fixed(4, summary.tequil - 273.15L) + ", " +
                       fixed(6, summary.sysg[1]) + ", " + fixed(5, summary.sysh[1]) + ", " + fixed(6, summary.syss[1]) +
                       ", " + fixed(6, summary.sysv[1]) + ", " + fixed(6, summary.sysrho[1]);
    if (settings.moreprec == 0) {
        line += ", ";
        for (int p = 1; p <= summary.sumnphases; ++p) {
            const phasesummary& ph = summary.sumphases[at(p)];
            addfixed(8, 12, ph.mode[1] * ph.convfactor[1] * ph.G, line);
            line += ", ";
        }
        line += summary.bulkpos[1] == -1 ? "0" : fixed(4, summary.bulkpos[1]);
    }
    line += "},";
    qlline(0, line, 1);
}

namespace {

// The bulk position of system row r, as the modal table numbers the rows: one row with the
// mass balance; otherwise a row per bulk point from the first that could be made, in
// pairs (the two sides of the reaction) on a univariant line.
real rowbulkpos(int r) {
    if (pd.massbalance) return summary.bulkpos[1];
    const int k = pd.ovar == 1 ? summary.sysfirstrow + (r - 1) / 2 : summary.sysfirstrow + r - 1;
    return summary.bulkpos[at(std::max(1, std::min(k, maxsysrows)))];
}

}  // namespace

void writemodelist(const loopstate& ls) {
    std::array<bool, maxphasesummaries + 1> zero{};
    real f = 1;
    renormfactor(zero, f);
    // Every system row: a low-variance bulk range has one per bulk point.
    for (int r = 1; r <= pd.nsysrows; ++r) {
        std::string line = "{{" + fixed(3, summary.pequil) + ", " + fixed(2, summary.tequil - 273.15L) + ", " +
                           (summary.nbulks > 1 ? fixed(3, rowbulkpos(r)) : std::string("0")) + "}";
        for (int p = 1; p <= summary.sumnphases; ++p) {
            if (zero[at(p)]) continue;
            const phasesummary& ph = summary.sumphases[at(p)];
            line += ", {\"" + ph.name + "\", " + fixed(5, f * ph.mode[at(r)]) + "}";
        }
        line += "}, ";
        qlline(1, line, 0);
    }

    // The with list in script order, matched against the summary phases in order.
    auto table = [&](int row, bool header) {
        std::string text;
        if (header) {
            addfield("P(kbar),", 11, text);
            addfield("T(C),", 11, text);
            addfield("prop,", 11, text);
        } else {
            addreal(3, true, 10, summary.pequil, text);
            text += ",";
            addreal(2, true, 10, summary.tequil - 273.15L, text);
            text += ",";
            if (summary.nbulks > 1) {
                addreal(3, true, 10, rowbulkpos(row), text);
            } else {
                addfield("0", 10, text);
            }
            text += ",";
        }
        int cursor = 1;
        for (int w = 1; w <= settings.nwith; ++w) {
            const bool match = cursor <= summary.sumnphases && settings.withnames[at(w)] == summary.sumphases[at(cursor)].name;
            if (match) {
                if (!zero[at(cursor)]) {
                    if (header) {
                        addfield(settings.withnames[at(w)] + ",", 11, text);
                    } else {
                        addreal(5, true, 10, f * summary.sumphases[at(cursor)].mode[at(row)], text);
                        text += ",";
                    }
                }
                ++cursor;
            } else if (!header) {
                addfield("0,", 11, text);
            } else {
                addfield(settings.withnames[at(w)] + ",", 11, text);
            }
        }
        writecsv(chcsv, text + "\n");
    };
    if (ls.nsuccesses == 1 && run.runcount <= 1) table(1, true);
    for (int r = 1; r <= pd.nsysrows; ++r) table(r, false);
}

void writecsvrows(const loopstate& ls) {
    std::string line;
    addreal(3, true, 9, summary.pequil, line);
    line += ", ";
    addreal(2, true, 9, summary.tequil - 273.15L, line);
    line += ", ";
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        for (int i = 1; i < ph.nem; ++i) {
            addreal(5, false, 9, ph.varvalues[at(i)], line);
            line += ", ";
        }
    }
    writecsv(chcsv2, line + "\n");
    flushcsv(chcsv2);

    if (settings.compatibility == 0 || settings.modebox == 0 || summary.nbulks != 1) return;
    const bool props = settings.systemprops && settings.quilletoption == 1;
    if (ls.nsuccesses == 1) {
        if (run.runcount <= 1) {
            std::string head;
            addfield("P(kbar), ", 12, head);
            addfield(std::string("T(") + degreebyte + "C), ", 12, head);
            if (props) {
                for (const char* h : {"G, ", "H, ", "S, ", "V, ", "rho, "}) addfield(h, 12, head);
            }
            writecsv(chcsv, head + "\n");
        } else {
            writecsv(chcsv, "\n");
        }
    }
    line.clear();
    addreal(3, true, 10, summary.pequil, line);
    line += ", ";
    addreal(2, true, 10, summary.tequil - 273.15L, line);
    line += ", ";
    if (props) {
        const real vals[5] = {summary.sysg[1], summary.sysh[1], summary.syss[1], summary.sysv[1], summary.sysrho[1]};
        for (int k = 0; k < 5; ++k) {
            addreal(k < 2 ? 5 : 4, true, 10, vals[k], line);
            line += ", ";
        }
    }
    if (ls.nsuccesses == 1) {
        line += "  ";
        bool anyzero = false, allzero = true;
        for (int p = 1; p <= summary.sumnphases; ++p) {
            const real m = summary.sumphases[at(p)].mode[1];
            anyzero = anyzero || m == 0;
            allzero = allzero && m == 0;
        }
        for (int p = 1; p <= summary.sumnphases; ++p) {
            if (allzero || summary.sumphases[at(p)].mode[1] > 0) line += summary.sumphases[at(p)].name + " ";
        }
        if (anyzero && !allzero) {
            line += "- ";
            for (int p = 1; p <= summary.sumnphases; ++p) {
                if (summary.sumphases[at(p)].mode[1] == 0) line += summary.sumphases[at(p)].name + " ";
            }
        }
    }
    writecsv(chcsv, line + "\n");
    flushcsv(chcsv);
}

}  // namespace zt
