// Mode 2: average pressure or temperature of a rock from an independent set of
// reactions among its end-members.
#include "reactions/services.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ax/axreader.h"
#include "ax/phaserecords.h"
#include "numeric/methods/rowdependence.h"
#include "reactions/activityset.h"
#include "reactions/averages.h"
#include "reactions/avptables.h"
#include "reactions/reactionsearch.h"
#include "reactions/reactionwriting.h"
#include "reactions/rootfinder.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"
#include "script/fluid.h"
#include "script/scriptreader.h"
#include "script/settings.h"
#include "script/valuelists.h"
#include "script/windows.h"
#include "thermo/datasetreader.h"
#include "thermo/workingset.h"

namespace zt {

void rocksetup() {
    readthermo(1);
    readcontrol();
    setupphases();
    extractem();
    clean();
    findspecialems();
}

namespace {

// What one call of rockcalcs keeps from pass to pass.
struct rockpasses {
    emvalues act{}, sda{};
    std::array<bool, maxems + 1> excluded{};
    bool changed = false;
};

int16_t emnumber(const std::string& name) {
    for (int j = 1; j <= ws.nem; ++j)
        if (ws.emname[j] == name) return static_cast<int16_t>(j);
    return 0;
}

void omit(rockpasses& rp, int j) {
    rp.excluded[j] = true;
    if (reactions.nomitted >= maxems) bombout("rockcalcs", "more than 400 end-members excluded", 0);
    reactions.omittedems[++reactions.nomitted] = static_cast<int16_t>(j);
}

void restoreactivities(const rockpasses& rp) {
    for (int j = 1; j <= ws.nem; ++j) {
        ws.emact[j] = rp.act[j];
        ws.emsda[j] = rp.sda[j];
    }
}

void activitytable(const rockpasses& rp) {
    std::string& line = channels.linebuf;
    const int nem = ws.nem;
    for (int first = 1; first <= nem; first += 14) {
        const int last = std::min(nem, first + 13);
        line.clear();
        addfield(first == 1 ? settings.rockname : std::string(), 6, line);
        for (int j = first; j <= last; ++j)
            if (!rp.excluded[j]) addfield(ws.emname[j], 9, line);
        putstr(first == 1 ? 1 : 0, line, 1, 9);
        line.clear();
        addfield("a", 6, line);
        for (int j = first; j <= last; ++j) {
            if (rp.excluded[j]) continue;
            if (j == ws.ih2o || j == ws.ico2)
                addfield("", 9, line);
            else
                addreal(3, false, 9, ws.emact[j], line);
        }
        putstr(0, line, 1, 9);
        line.clear();
        addfield("sd(a)", 6, line);
        for (int j = first; j <= last; ++j) {
            if (rp.excluded[j]) continue;
            if (j == ws.ih2o || j == ws.ico2)
                addfield("", 9, line);
            else if (ws.emsda[j] <= 0)
                addfield("       0", 9, line);
            else
                addreal(3, false, 9, ws.emsda[j], line);
        }
        putstr(0, line, 2, 9);
    }
}

void datachanges(rockpasses& rp) {
    static stringlist words;
    int16_t count = 0;
    promptstrings("names of end-members to be excluded", words, count);
    const int typed = count;
    if (count > 0 && words[count] == "*") --count;
    for (int w = 1; w <= count; ++w) {
        int16_t j = emnumber(words[w]);
        if (j == 0) {
            str22 replacement;
            promptword("bad name : replace " + words[w] + " with", replacement);
            j = emnumber(replacement);
        }
        if (j == 0) {
            putstr(0, std::string("forget it!  (check the name") + ellipsisbyte + ")", 1, 9);
            continue;
        }
        rp.changed = true;
        omit(rp, j);
    }
    if (phases.nsolnphases == 0) {
        const bool edit = typed > 0 ? !query("these are the only changes you want to make")
                                    : query("do you want to change anything else");
        while (edit) {
            str22 name;
            promptword("name of end-member", name);
            const int j = name.empty() || name == "*" ? 0 : emnumber(name);
            if (j == 0) break;
            const real olda = ws.emact[j], oldsda = ws.emsda[j];
            promptreal("     activity(" + name + ")", ws.emact[j]);
            while (!(ws.emact[j] > 0 && ws.emact[j] <= 1)) promptreal("should be 0 < activity <= 1 : try again", ws.emact[j]);
            promptreal("     sd activity(" + name + ")", ws.emsda[j]);
            rp.changed = ws.emact[j] != olda || ws.emsda[j] != oldsda;
        }
    }
    for (int i = 1; i <= ws.ncomps; ++i) {
        int holders = 0, holder = 0;
        for (int j = 1; j <= ws.nem && holders < 2; ++j)
            if (!rp.excluded[j] && ws.c[i][j] != 0) {
                ++holders;
                holder = j;
            }
        if (holders == 1) omit(rp, holder);
    }
}

void newwindow() {
    if (search.rockcalctype == 0) {
        pd.ptcalcmode = 2;
        ptcalcsetup("", "P window within which average P expected to lie", "T at which average P to be calculated");
        scriptpwindow(settings.calcprange[1], settings.calcprange[2], 1);
        scripttwindow(settings.calctrange[1], settings.calctrange[2], 0);
        scripttinterval();
        settings.nplist = 0;
    } else {
        pd.ptcalcmode = 1;
        ptcalcsetup("", "P at which average T to be calculated", "T window within which average T expected to lie");
        scripttwindow(settings.calctrange[1], settings.calctrange[2], 1);
        scriptpwindow(settings.calcprange[1], settings.calcprange[2], 0);
        scriptpinterval();
        settings.ntlist = 0;
    }
    settings.nxco2calclist = 0;
    if (phases.nsolnphases == 0) {
        settings.tnow = (settings.calctrange[1] + settings.calctrange[2]) * 0.5L;
        settings.pnow = (settings.calcprange[1] + settings.calcprange[2]) * 0.5L;
    }
    promptcontrol("independent set of reactions for rereading (put into logfile)", settings.oisr);
    promptcontrol("use independent set of reactions (isr) in script", settings.setisr);
}

// Rows 1..nreac of the reactions table over the working end-members.
introws reactionrows() {
    introws rows(static_cast<size_t>(reactions.nreac + 1), std::vector<int32_t>(static_cast<size_t>(ws.nem + 1), 0));
    for (int k = 1; k <= reactions.nreac; ++k)
        for (int j = 1; j <= ws.nem; ++j) rows[k][j] = reactions.r[k][j];
    return rows;
}

// "reaction 2" or "reactions 1, 3".
std::string reactionlist(const std::vector<int16_t>& numbers) {
    std::string text = numbers.size() == 1 ? "reaction " : "reactions ";
    for (size_t i = 0; i < numbers.size(); ++i) text += (i > 0 ? ", " : "") + wholetostr(numbers[i]);
    return text;
}

void scriptset() {
    const int nem = ws.nem;
    // A block whose names line has no rows after it leaves the reader's count negative.
    if (settings.nisrnames != nem || settings.nisr < 1) bombout("rockcalcs", "isr matrix has wrong shape", 0);
    for (int j = 1; j <= nem; ++j)
        if (settings.isrnames[j] != ws.emname[j]) bombout("rockcalcs", "setisr phases do not match", 0);
    reactions.nreac = settings.nisr;
    for (int k = 1; k <= reactions.nreac; ++k)
        for (int j = 1; j <= nem; ++j) reactions.r[k][j] = settings.isrcoeffs[k][j];
    for (int k = 1; k <= reactions.nreac; ++k) {
        for (int i = 1; i <= ws.ncomps; ++i) {
            int32_t sum = 0;
            for (int j = 1; j <= nem; ++j) sum += reactions.r[k][j] * ws.c[i][j];
            if (sum != 0) bombout("rockcalcs", "setisr reaction doesn't balance", 0);
        }
        real lnk = 0;
        for (int j = 1; j <= nem; ++j)
            if (reactions.r[k][j] != 0) lnk += reactions.r[k][j] * std::log(ws.emact[j]);
        reactions.reaclnk[k] = lnk;
    }
    // The averages invert the covariance of the reactions' positions, which a reaction
    // that is a combination of others makes singular: rounding would decide the result.
    const std::vector<dependentrow> dependent = dependentrows(reactionrows(), nem, std::vector<bool>(nem + 1, true));
    if (!dependent.empty()) {
        putstr(1, "the reactions of the script are not independent:", 1, 13);
        for (const dependentrow& d : dependent) {
            writereaction(d.row);
            putstr(0, reactions.reactiontext[d.row], 1, 13);
            putstr(0, d.on.empty() ? "   has no end-members" : "   is a combination of " + reactionlist(d.on), 1, 13);
        }
        bombout("rockcalcs", "setisr reactions not independent", 0);
    }
    putstr(1, "using independent set of reactions (from script)", 1, 9);
}

// With justrelu the positions are uncertain only through ln a: a reaction without an
// uncertain activity, or whose uncertain activities are those of other reactions
// combined, has no uncertainty of its own, and no average can weigh it. Says so and
// returns true when that is the case.
bool withoutuncertainty() {
    if (settings.justrelu != 0) return false;
    calcvarlna();
    std::vector<bool> uncertain(static_cast<size_t>(ws.nem + 1), false);
    for (int j = 1; j <= ws.nem; ++j) uncertain[j] = reactions.emvarlna[j] > 0;
    const std::vector<dependentrow> dependent = dependentrows(reactionrows(), ws.nem, uncertain);
    if (dependent.empty()) return false;
    for (const dependentrow& d : dependent) {
        const std::string which = "** reaction " + wholetostr(d.row) + ": no uncertainty";
        if (d.on.empty()) {
            putstr(1, which + ", none of its activities is uncertain", 1, 13);
        } else {
            putstr(1, which + " of its own, its uncertain activities are a", 1, 13);
            putstr(0, "   combination of those of " + reactionlist(d.on), 1, 13);
        }
    }
    putstr(1, std::string("** with justrelu only the activities are uncertain, so no average ") +
                  (search.rockcalctype == 0 ? "P" : "T") + " can be",
           1, 13);
    putstr(0, "   formed: every reaction needs an uncertainty of its own", 1, 13);
    return true;
}

void maxsd() {
    if (search.rockcalctype == 1) {
        promptcontrol("use max sd(T) in script", settings.setmaxsdt);
        if (settings.setmaxsdt == 0) {
            search.maxallowedsd = settings.maxsdt;
            putstr(0, "max allowed sd(T): " + wholetostr(settings.maxsdt) + degreebyte + "C (from script)", 1, 9);
            return;
        }
        real v = 0;
        promptreal("max allowed sd(T)", v);
        if (v > 500) {
            v = 500;
            putstr(0, std::string("max sd(T) reset to 500") + degreebyte + "C", 1, 13);
        } else if (v < 20) {
            v = 20;
            putstr(0, std::string("max sd(T) reset to 20") + degreebyte + "C", 1, 13);
        }
        search.maxallowedsd = v;
    } else {
        promptcontrol("use max sd(P) in script", settings.setmaxsdp);
        if (settings.setmaxsdp == 0) {
            search.maxallowedsd = settings.maxsdp;
            putstr(0, "max allowed sd(P): " + realtostr(1, true, settings.maxsdp) + " kbar (from script)", 1, 9);
            return;
        }
        real v = 0;
        promptreal("max allowed sd(P)", v);
        if (v > 20) {
            v = 20;
            putstr(0, "max sd(P) reset to 20 kbar", 1, 13);
        } else if (v < 0.05L) {
            v = 0.05L;
            putstr(0, "max sd(P) reset to 0.05 kbar", 1, 13);
        }
        search.maxallowedsd = v;
    }
}

void writeisr() {
    std::string& line = channels.linebuf;
    putstr(0, "", 2, 8);
    line = "isr     ";
    for (int j = 1; j <= ws.nem; ++j) addfield(ws.emname[j], 5, line);
    putstr(0, line, 1, 8);
    for (int k = 1; k <= reactions.nreac; ++k) {
        line = "isr     ";
        for (int j = 1; j <= ws.nem; ++j) addwhole(5, line, reactions.r[k][j]);
        putstr(0, line, 1, 8);
    }
    putstr(0, "", 1, 8);
}

}  // namespace

void rockcalcs() {
    static rockpasses rp;
    rp = rockpasses{};
    for (int j = 1; j <= ws.nem; ++j) {
        rp.act[j] = ws.emact[j];
        rp.sda[j] = ws.emsda[j];
    }
    dofigPT();
    int32_t previous = 0;
    for (int pass = 1;; ++pass) {
        if (pass > 1) {
            putstr(1, std::string(38, '*'), 2, 13);
            previous = settings.calctype;
        }
        int16_t code = settings.calctype;
        if (code != 1 && code != 2) {
            putstr(1, "type of rock calculation: ", 1, 9);
            putstr(0, "       1 : average P", 1, 9);
            putstr(0, "       2 : average T", 1, 9);
            promptinteger("code", code);
        }
        search.rockcalctype = code == 2 ? 1 : 0;
        if (phases.nsolnphases > 0 && pass > 1) restoreactivities(rp);
        if (rp.changed && !query("continue with/add to data changes in last calculation")) {
            rp.changed = false;
            if (phases.nsolnphases == 0) restoreactivities(rp);
            reactions.nomitted = 0;
            rp.excluded.fill(false);
        }
        if (!(pass == 1 && settings.dataok == 0)) {
            activitytable(rp);
            if (!query("these data ok")) datachanges(rp);
        }
        findspecialems();
        activitysd();
        if (ws.ih2o == 0 && ws.ico2 == 0)
            pd.fluidtype = 2;
        else if (settings.fluidpresent != 0 && !query("rock was fluid-bearing"))
            pd.fluidtype = 2;
        if (pass == 1 || code != previous || !query("same PT window")) newwindow();
        promptfluid();
        if (settings.setisr == 0) {
            scriptset();
        } else {
            search.maxallowedsd = 0;
            maxsd();
            bool found = false;
            calcre(found);
            promptcontrol("show correlations in calculations", settings.printcor);
        }
        if (settings.oisr == 0) writeisr();
        if (reactions.nreac == 0) {
            putstr(1, "** no reactions", 1, 13);
        } else {
            isrtable();
            listformout();
            if (reactions.nreac == 1)
                putstr(1, "** insufficient reactions for average P/T calculations", 1, 13);
            else if (!withoutuncertainty())
                search.rockcalctype == 0 ? averagep() : averaget();
        }
        putstr(0, "", 2, 9);
        if (settings.autoexit || !query("more calculations with these data")) return;
    }
}

}  // namespace zt
