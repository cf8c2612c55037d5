#include "phasediagram/resulttable.h"

#include <cmath>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "phasediagram/calcdetails.h"
#include "phasediagram/derived.h"
#include "phasediagram/drawingdata.h"
#include "phasediagram/resultseams.h"
#include "phasediagram/scriptblocks.h"
#include "phasediagram/systemprops.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr wordset chset9 = 9;
constexpr wordset chset13 = 13;

size_t at(int i) { return static_cast<size_t>(i); }

const std::string degc = std::string("T(") + static_cast<char>(degreebyte) + "C)";

// Closes the line of failure marks before the first line that follows them.
void closefailmarks(wordset set) {
    if (pd.nfailmarks > 0) putstr(0, "", 1, set);
    pd.nfailmarks = 0;
}

std::string activityheading(int k) {
    const str22& label = settings.lnalabels[at(k)];
    if (settings.seta == 0) return "a(" + label + ")";
    if (settings.setloga == 0) return "log a(" + label + ")";
    return "ln a(" + label + ")";
}

}  // namespace

wordset resultchannels() { return settings.dogminon && settings.dogminlevel == 1 ? 8 : chset13; }

void printresulttable(const loopstate& ls) {
    const wordset set = resultchannels();
    const int nvar = eq.nvar;
    const bool wide = (settings.nlna + nvar) * 10 + 2 > channels.pagewidth;
    const bool heading = wide || ls.fulloutput || ls.nsuccesses == 1;
    if (heading) {
        if (settings.debuglevel == 5) {
            closefailmarks(set);
            putstr(0, "calculation with finite difference jacobian", 1, set);
        }
        std::string& line = channels.linebuf;
        line.assign(60, '-');
        line += eq.nleconvtag + " ";
        addwhole(0, line, eq.nleiter);
        if (settings.moreprec == 0 || settings.debuglevel > 1) addreal(4, false, 10, eq.nlecond, line);
        closefailmarks(set);
        putstr(0, line, 1, set);
    } else {
        closefailmarks(set);
    }
    // Blocks of variables 3..nvar; a table that fits the page has one.
    const int perblock = wide ? std::max(1, (channels.pagewidth - 20) / 10) : std::max(1, nvar - 2);
    int first = 3;
    do {
        const int last = std::min(nvar, first + perblock - 1);
        const bool firstblock = first == 3;
        std::string& head = channels.linebuf;
        std::string& row = channels.linebuf2;
        head.clear();
        row.clear();
        if (eq.fdjacobian) {
            head += " ";
            row += firstblock ? "#" : " ";
        }
        if (firstblock) {
            addfield("P(kbar)", 8, head);
            addreal(3, true, 8, summary.pequil, row);
            addfield(degc, 10, head);
            addreal(3, true, 10, summary.tequil - 273.15L, row);
            for (int k = 1; k <= settings.nlna; ++k) {
                addfield(activityheading(k), 10, head);
                if (settings.seta == 0) {
                    addreal(3, true, 10, std::exp(settings.lnavalues[at(k)]), row);
                } else {
                    addreal(4, true, 10, settings.lnavalues[at(k)], row);
                }
            }
        } else {
            head.append(18, ' ');
            row.append(18, ' ');
        }
        for (int i = first; i <= last; ++i) {
            addfield(eq.calcvarnames[at(i)].substr(0, 9), 10, head);
            const real x = eq.varvalue[at(i)];
            if (eq.calcvarfree[at(i)]) {
                addreal(4, false, 10, x, row);
            } else {
                addreal(std::min<int16_t>(decimalsneeded(x), 6), true, 10, x, row);
            }
        }
        if (heading) putstr(0, head, 1, set);
        putstr(0, row, 1, set);
        first = last + 1;
    } while (first <= nvar);
}

void printptonly() {
    const int nem = ws.nem;
    const bool wide = (nem + 2) * 12 + 2 > channels.pagewidth;
    const bool heading = wide || pd.nsysrows > 0;
    const int perblock = wide ? std::max(1, (channels.pagewidth - 20) / 12) : std::max(1, nem);
    int first = 1;
    do {
        const int last = std::min(nem, first + perblock - 1);
        closefailmarks(chset9);
        std::string& head = channels.linebuf;
        std::string& row = channels.linebuf2;
        head = " ";
        row = " ";
        if (first == 1) {
            addfield("P(kbar)", 8, head);
            addfield(degc, 10, head);
            addreal(3, true, 8, summary.pequil, row);
            addreal(2, true, 10, summary.tequil - 273.15L, row);
        } else {
            head.append(18, ' ');
            row.append(18, ' ');
        }
        for (int k = first; k <= last; ++k) {
            addfield(ws.emname[at(k)], 12, head);
            addreal(6, false, 12, ws.emact[at(k)], row);
        }
        if (heading) putstr(0, head, 1, chset13);
        putstr(0, row, 1, chset13);
        first = last + 1;
    } while (first <= nem);
}

void printresult(loopstate& ls) {
    if (settings.fitseton == 0) {
        printptonly();
        if (pd.nsysrows > 0) printmodes(ls);
        return;
    }
    if (settings.dogminon) {
        printresulttable(ls);
        if (pd.nsysrows > 0) printmodes(ls);
        if (settings.printxyz == 0) writeguessblock(ls);
        return;
    }
    printresulttable(ls);
    if (settings.convliq == 0) conv2wt(ls.assemblage);
    if (pd.nsysrows > 0) {
        printmodes(ls);
        if (settings.modebox == 0) writemodelist(ls);
    }
    writecsvrows(ls);
    if (settings.sorrelcalc == 0) {
        printicsorrel();
    } else {
        printic();
    }
    if (settings.printxyz == 0) writeguessblock(ls);
}

void printmorestuff(loopstate& ls) {
    if (settings.dogminon) bombout("printmorestuff", "in here for dogmin?", 0);
    if (settings.quilleton == 0) {
        printfluidx(ls);
    } else if (settings.compatibility != 0 && settings.modebox != 0 && settings.systemprops) {
        writelistrow();
    }
    if (settings.calcmu == 0) printmu();
    if (settings.printbulkinfoon == 0) printbulkinfo(ls);
}

void printstep(const loopstate& ls) {
    const wordset set = resultchannels();
    std::string& line = channels.linebuf;
    if (settings.batch == 0) {
        line = "<== ";
        addwhole(0, line, settings.batchlabel[at(pd.batchno)]);
        line += " " + std::string(46, '=') + ">";
    } else {
        line = "<" + std::string(58, '=') + ">";
    }
    putstr(0, line, 1, set);

    const int ns = phases.nsolnphases;
    auto phasename = [&](int p) -> const str22& {
        return p <= ns ? phases.prec1[at(p)].shortname : phases.prec0[at(p - ns)].name;
    };
    line = "phases: ";
    bool written = false;
    for (int p = 1; p <= phases.nphases; ++p) {
        if (!ls.assemblage[at(p)] || pd.excessphase[at(p)]) continue;
        if (written) line += " ";
        line += phasename(p);
        written = true;
    }
    // The in-excess entries; a list left empty (a fluid that is no fluid) reads as none.
    std::string excess;
    if (pd.nexcessphases > 0) {
        bool entry = false, fluiddone = false;
        for (int p = 1; p <= phases.nphases; ++p) {
            if (!ls.assemblage[at(p)] || !pd.excessphase[at(p)]) continue;
            std::string text;
            const int q = p - ns;
            if (p <= ns) {
                text = phasename(p);
            } else if (q > phases.npurephases - settings.nmu) {
                text = "mu(" + settings.munames[at(q - (phases.npurephases - settings.nmu))] + ")";
            } else if (phasename(p) == "H2O" || phasename(p) == "CO2") {
                if (fluiddone || pd.fluidtype == 2) {
                    fluiddone = true;
                    continue;
                }
                fluiddone = true;
                text = "fluid";
            } else if (settings.nlna > 0 && phasename(p) == settings.lnanames[1]) {
                text = "a(" + settings.lnalabels[1] + ")";
            } else {
                text = phasename(p);
            }
            if (entry) excess += ", ";
            excess += text;
            entry = true;
        }
    }
    if (excess.empty()) {
        line += "  ";
    } else {
        line += (written ? " (" : " - (") + excess + ") ";
    }
    if (settings.batch != 0) {
        std::string others;
        for (int p = 1; p <= phases.nphases; ++p) {
            if (ls.assemblage[at(p)] || pd.excessphase[at(p)]) continue;
            if (!others.empty()) others += ",";
            others += phasename(p);
        }
        if (!others.empty()) line += "or [" + others + "] ";
    }
    if (settings.dogminon) {
        line += " #";
        addwhole(0, line, pd.assemblagecount + (settings.dogminlevel == 2 ? 1 : 0));
    }
    putstr(0, line, 1, set);
    if (pd.rankdeficit > 0 && settings.debuglevel > 1) putstr(0, "composition matrix is rank deficient", 1, set);
    if (!settings.dogminon && settings.debuglevel > 0) writeqllabels(ls);
}

}  // namespace zt
