#include "phasediagram/calcdetails.h"

#include <cmath>

#include "numeric/summary.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr wordset icset = 16;

size_t at(int i) { return static_cast<size_t>(i); }

void out(int16_t before, const std::string& text, int16_t after) { putstr(before, text, after, icset); }

// The thermodynamic properties of phases, end-members and system are computed only with
// the system properties on; otherwise their fields stay blank at their widths, so that
// no value that was never calculated reads as a result.
void addprop(int16_t decimals, int16_t width, real x, std::string& line) {
    if (settings.systemprops) {
        addfixed(decimals, width, x, line);
    } else {
        line.append(static_cast<size_t>(width), ' ');
    }
}

void addwholeornot(real x, int16_t decimals, int16_t width, std::string& line) {
    const real w = std::round(x);
    if (std::fabs(x - w) < 1e-5L) {
        addwhole(width, line, w);
    } else {
        addreal(decimals, true, width, x, line);
    }
}

// The label of system row r, left-justified in width.
void addrowlabel(int r, int16_t width, std::string& line) {
    std::string label;
    if (pd.massbalance) {
        label = wholetostr(summary.bulkpoint);
    } else if (pd.ovar != 1) {  // rows pair as the modal table pairs them
        label = wholetostr(summary.sysfirstrow + r - 1);
    } else if (r % 2 == 1) {
        label = wholetostr(summary.sysfirstrow + (r - 1) / 2);
    }
    addfield(label, static_cast<int16_t>(-width), line);
}

std::string seentext() {
    if (pd.massbalance) return " (seen)";
    if (pd.lowvarpseudo) {
        if (pd.nsysrows == 0) return "; NOT seen";
        if (summary.nbulks == 1) return "; seen";
    }
    return "";
}

// The variables or site fractions of each solution phase: names, then values.
void namevaluelines(bool sitefractions, int16_t namewidth, int16_t width) {
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        if (ph.nem <= 1) continue;
        const int n = sitefractions ? ph.nsf : ph.nem - 1;
        std::string& names = channels.linebuf;
        std::string& values = channels.linebuf2;
        names.clear();
        addfield(ph.name, static_cast<int16_t>(-namewidth), names);
        values.assign(static_cast<size_t>(namewidth), ' ');
        for (int i = 1; i <= n; ++i) {
            addfield(sitefractions ? ph.sfnames[at(i)] : ph.varnames[at(i)], width, names);
            addreal(5, true, width, sitefractions ? ph.sfvalues[at(i)] : ph.varvalues[at(i)], values);
        }
        out(0, names, 1);
        out(0, values, 1);
    }
}

void oxidelines() {
    std::string& line = channels.linebuf;
    line.assign(6, ' ');
    for (int i = 1; i <= summary.ncomps; ++i) addfield(summary.compnames[at(i)], 12, line);
    out(0, line, 1);
    if (pd.massbalance || pd.lowvarpseudo) {
        line.clear();
        addfield("bulk", -6, line);
        addbulkrow(1, line);
        if (pd.massbalance && summary.bulkpoint > 1) {
            line += "  step " + wholetostr(summary.bulkpoint) + ", x = " + realtostr(4, true, summary.bulkpos[1]);
        }
        out(0, line, 1);
        if (!pd.massbalance && summary.nbulks > 1) {
            line.clear();
            addfield("  to", -6, line);
            addbulkrow(summary.nbulks, line);
            out(0, line, 1);
            line = "  ";
            addwhole(2, line, summary.nbulks);
            out(0, line + " steps", 1);
        }
    }
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        line.clear();
        addfield(ph.name, -6, line);
        for (int i = 1; i <= summary.ncomps; ++i) addwholeornot(ph.oxcomp[at(i)], 6, 12, line);
        out(0, line, 1);
    }
}

// Modes (or conversion factors) per system row; labelwidth is the row label's width.
void rowtable(const char* title, bool factors, int16_t decimals, int16_t width, int16_t labelwidth,
              int16_t headwidth) {
    std::string& line = channels.linebuf;
    line.clear();
    addfield(title, static_cast<int16_t>(-headwidth), line);
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        if (!factors && settings.xco2diagram && ph.fluid) continue;
        if (ph.included) addfield(ph.name, width, line);
    }
    out(0, line, 1);
    for (int r = 1; r <= pd.nsysrows; ++r) {
        line.clear();
        addrowlabel(r, labelwidth, line);
        for (int p = 1; p <= summary.sumnphases; ++p) {
            const phasesummary& ph = summary.sumphases[at(p)];
            if (!ph.included) continue;
            const real v = factors ? ph.convfactor[at(r)] : ph.mode[at(r)];
            if (!factors && v == 0) {
                line.append(static_cast<size_t>(width), ' ');
            } else {
                addfixed(decimals, width, v, line);
            }
        }
        out(0, line, 1);
    }
}

struct propformat {
    int16_t gh, others;             // widths of G and H, and of S, V, rho
    int16_t dg, dh, ds, dv, drho;   // decimals
    int16_t modewidth, dmode;       // mode and f with dogmin
    int16_t sysdecimals;
};

void propertylines(const propformat& f) {
    std::string& line = channels.linebuf;
    line.assign(12, ' ');
    if (settings.dogminon) {
        addfield("mode", f.modewidth, line);
        addfield("f", f.modewidth, line);
    }
    addfield("G", f.gh, line);
    addfield("H", f.gh, line);
    addfield("S", f.others, line);
    addfield("V", f.others, line);
    addfield("rho", f.others, line);
    out(0, line, 1);
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        line.clear();
        addfield(ph.name, -12, line);
        if (settings.dogminon) {
            addfixed(f.dmode, f.modewidth, ph.mode[1], line);
            addfixed(f.dmode, f.modewidth, ph.convfactor[1], line);
        }
        addprop(f.dg, f.gh, ph.G, line);
        addprop(f.dh, f.gh, ph.H, line);
        addprop(f.ds, f.others, ph.S, line);
        addprop(f.dv, f.others, ph.V, line);
        addprop(f.drho, f.others, ph.rho, line);
        out(0, line, 1);
    }
    for (int r = 1; r <= pd.nsysrows; ++r) {
        line.clear();
        if (r == 1 && summary.nbulks == 1) {
            addfield("sys", -6, line);
        } else {
            addrowlabel(r, 6, line);
        }
        line.append(settings.dogminon ? 30 : 6, ' ');
        const int16_t d = f.sysdecimals;
        addprop(d, f.gh, summary.sysg[at(r)], line);
        addprop(d, f.gh, summary.sysh[at(r)], line);
        addprop(d, f.others, summary.syss[at(r)], line);
        addprop(d, f.others, summary.sysv[at(r)], line);
        addprop(d, f.others, summary.sysrho[at(r)], line);
        out(0, line, 1);
    }
}

}  // namespace

void addbulkrow(int b, std::string& line) {
    int k = 0;
    for (int i = 1; i <= summary.ncomps; ++i) {
        if (summary.inbulk[at(i)]) {
            addreal(4, true, 12, 100 * summary.bulkrows[at(b)][at(++k)], line);
        } else {
            line.append(12, ' ');
        }
    }
}

void printic() {
    const int16_t d = settings.moreprec == 0 ? 8 : 5;
    const int16_t w = static_cast<int16_t>(d + 4);
    const real P = summary.pequil, T = summary.tequil;
    out(1, std::string(59, '='), 1);
    std::string& line = channels.linebuf;
    line.clear();
    for (int p = 1; p <= summary.sumnphases; ++p) line += summary.sumphases[at(p)].name + " ";
    line += " {" + realtostr(4, true, P) + ", " + realtostr(3, true, T - 273.15L) + "}  kbar/C";
    out(1, line, 1);
    line.clear();
    if (summary.ovar != summary.var) line += "ovar = " + wholetostr(summary.ovar) + "; ";
    line += "var = " + wholetostr(summary.var) + seentext();
    out(0, line, 2);
    namevaluelines(false, 5, 10);
    out(1, "site fractions", 1);
    namevaluelines(true, 5, 10);
    out(1, "oxide compositions", 1);
    oxidelines();
    if (pd.nsysrows > 0 && !settings.dogminon) {
        out(0, "", 1);
        rowtable("mode", false, d, w, 6, 6);
        if (!settings.xco2diagram) {
            out(0, "", 1);
            rowtable("factor", true, d, w, 6, 6);
        }
    }
    if (!settings.xco2diagram) {
        out(0, "", 1);
        propertylines({static_cast<int16_t>(w + 4), w, d, d, d, d, d, w, d, d});
    }
    // End-members.
    line.assign(13, ' ');
    addfield("ideal", static_cast<int16_t>(w + 1), line);
    addfield("gamma", w, line);
    addfield("activity", static_cast<int16_t>(w + 2), line);
    addfield("prop", static_cast<int16_t>(w + 2), line);
    if (!settings.xco2diagram) {
        addfield("mu0", static_cast<int16_t>(w + 4), line);
        addfield("RT ln a", static_cast<int16_t>(w + 4), line);
    }
    out(1, line, 1);
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        if (ph.nem <= 1) {
            line.clear();
            addfield(ph.name, -6, line);
            if (!settings.xco2diagram) {
                line.append(static_cast<size_t>(5 * w + 3), ' ');
                addprop(d, static_cast<int16_t>(w + 4), ph.emg[1], line);
            }
            out(0, line, 1);
            continue;
        }
        for (int j = 1; j <= ph.nem; ++j) {
            line.clear();
            addfield(j == 1 ? ph.name : std::string(), -6, line);
            addfield(ph.emlines[at(j)], -7, line);
            addreal(d, false, static_cast<int16_t>(w + 1), ph.ideal[at(j)], line);
            addreal(d, false, w, ph.gamma[at(j)], line);
            addreal(d, false, static_cast<int16_t>(w + 2), ph.activity[at(j)], line);
            addreal(d, true, static_cast<int16_t>(w + 2), ph.prop[at(j)], line);
            if (!settings.xco2diagram) {
                addprop(d, static_cast<int16_t>(w + 4), ph.emg[at(j)], line);
                addprop(d, static_cast<int16_t>(w + 4), ph.rtlna[at(j)], line);
            }
            out(0, line, j == ph.nem ? 2 : 1);
        }
    }
}

void printicsorrel() {
    const real P = summary.pequil, T = summary.tequil;
    std::string& line = channels.linebuf;
    out(1, std::string(59, '='), 1);
    out(0, "Conditions and assemblage", 1);
    out(0, "pressure     " + realtostr(4, true, P) + "  kbar", 1);
    out(0, "temperature  " + realtostr(4, true, T - 273.15L) + " " + degreebyte + "C", 1);
    line = "phases       ";
    for (int p = 1; p <= summary.sumnphases; ++p) line += summary.sumphases[at(p)].name + " ";
    out(0, line, 1);
    out(0, "variance     " + wholetostr(summary.ovar) + seentext(), 2);
    out(0, "ZELTRAM compositional variables", 1);
    namevaluelines(false, 8, 11);
    out(2, "Site fractions", 1);
    namevaluelines(true, 5, 10);
    out(2, "Oxide compositions", 1);
    oxidelines();
    if (pd.nsysrows > 0 && !settings.dogminon) {
        out(2, "Modal abundance of phases", 1);
        rowtable("mode", false, 8, 12, pd.massbalance ? 10 : 6, 10);
        if (!settings.xco2diagram) {
            out(2, "Conversion factor per atom/per formula unit", 1);
            rowtable("factor", true, 8, 12, 6, 12);
        }
    }
    if (!settings.xco2diagram) {
        out(2, "Thermodynamic properties of phases and system", 1);
        propertylines({12, 12, 4, 4, 4, 5, 5, 12, 8, 5});
    }
    out(2, "Thermodynamic properties of end-members", 1);
    line.assign(13, ' ');
    for (const char* h : {"ideal", "gamma", "activity", "prop"}) addfield(h, 12, line);
    if (!settings.xco2diagram) {
        addfield("0", 17, line);
        addfield("RT ln a", 16, line);
    }
    out(0, line, 1);
    for (int p = 1; p <= summary.sumnphases; ++p) {
        const phasesummary& ph = summary.sumphases[at(p)];
        if (ph.nem <= 1) {
            line.clear();
            addfield(ph.name, -6, line);
            line.append(55, ' ');
            addprop(4, 12, ph.emg[1], line);
            out(0, line, 1);
            continue;
        }
        for (int j = 1; j <= ph.nem; ++j) {
            line.clear();
            addfield(j == 1 ? ph.name : std::string(), -6, line);
            addfield(ph.emlines[at(j)], -7, line);
            addreal(6, false, 12, ph.ideal[at(j)], line);
            addreal(6, false, 12, ph.gamma[at(j)], line);
            addreal(6, false, 12, ph.activity[at(j)], line);
            addreal(5, true, 12, ph.prop[at(j)], line);
            if (!settings.xco2diagram) {
                addprop(8, 17, ph.emg[at(j)], line);
                addprop(8, 16, ph.rtlna[at(j)], line);
            }
            out(0, line, j == ph.nem ? 2 : 1);
        }
    }
}

}  // namespace zt
