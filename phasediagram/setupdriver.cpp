// nlesetup: the mode-1 set-up, in its fixed order, ending in the enumeration.
#include <string>

#include "ax/axreader.h"
#include "ax/makeems.h"
#include "ax/phaserecords.h"
#include "phasediagram/bulk.h"
#include "phasediagram/calcwindows.h"
#include "phasediagram/dogmin.h"
#include "phasediagram/enumeration.h"
#include "phasediagram/guessreports.h"
#include "phasediagram/isopleths.h"
#include "phasediagram/phasechoice.h"
#include "phasediagram/potentials.h"
#include "phasediagram/projection.h"
#include "phasediagram/services.h"
#include "phasediagram/variance.h"
#include "reactions/services.h"
#include "reactions/stateoforder.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "script/scriptreader.h"
#include "script/settings.h"
#include "script/windows.h"
#include "thermo/datacheck.h"
#include "thermo/datasetreader.h"
#include "thermo/phasecomps.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolelog = 9;
constexpr wordset consolesummarylog = 13;

void setdebuglevel() {
    int16_t& level = settings.debuglevel;
    if (level >= 0 && level <= 5) return;
    if (level != -1) {
        level = 1;
        return;
    }
    if (!query("debug diagnostics")) level = 1;
    else if (!query("more detailed debug diagnostics")) level = 2;
    else level = query("EVEN more detailed debug diagnostics") ? 4 : 3;
}

std::string variancetext(int16_t v) {
    channels.linebuf2.clear();
    variancename(v);
    return channels.linebuf2;
}

// The variance to calculate, from the calculated one c, the script or the user.
int16_t choosevariance(int16_t c) {
    if (phases.nsolnphases == 0) return 1;
    if (settings.batch == 0) return c;
    if (settings.autovar == 0) {
        putstr(1, "accepting the calculated variance (from script)", 1, consolelog);
        return c;
    }
    if (settings.dogminon) {
        promptcontrol(settings.dogminminvar == 2 ? "in dogmin, use the max variance specified in the datafile"
                                                 : "in dogmin, use the min and max variance specified in the datafile",
                      settings.maxvar);
        if (settings.maxvar == 0) {
            putstr(1, "running dogmin: min variance of equilibria is " + variancetext(settings.dogminminvar) +
                          "; max variance is " + variancetext(settings.dogminmaxvar),
                   1, consolelog);
            return settings.dogminmaxvar;
        }
        str22 word;
        promptword("in dogmin, max variance of equilibria to be looked at", word);
        if (wordtype(word) != wkinteger) bombout("dogmin", "integer needed for max variance", 0);
        return getinteger(wkinteger, word, "max variance");
    }
    promptcontrol("use the variance specified in the datafile", settings.setvar);
    if (settings.setvar == 0) {
        const int16_t asked = reactions.var;
        int16_t v = asked;
        if (v < c) {
            putstr(0, "variance too low: reset to " + wholetostr(c), 1, consolelog);
            v = c;
        }
        // What the script asked for, and after a reset what is calculated instead.
        std::string line = "required equilibria are " + variancetext(asked) + " (from script)";
        if (v != asked) line += ", " + variancetext(v) + " used";
        putstr(1, line, 1, consolelog);
        return v;
    }
    str22 word;
    promptword(settings.nmu > 0 ? "variance of required equilibrium"
                                : "variance of required equilibrium (" + wholetostr(c) + "?)",
               word);
    if (c < 0) c = 0;
    if (wordtype(word) != wkinteger) {
        if (!word.empty()) putstr(0, "garbage info for variance: set to " + wholetostr(c), 1, consolelog);
        return c;
    }
    int16_t v = getinteger(wkinteger, word, "variance");
    if (settings.nmu == 0 && v < c) {
        putstr(0, "variance too low: reset to " + wholetostr(c), 1, consolelog);
        v = c;
    } else if (settings.nmu == 0 && v > c + 2) {
        putstr(0, "variance looks awry: reset to " + wholetostr(c), 1, consolelog);
        v = c;
    }
    return v;
}

void choosemassbalance(int16_t v) {
    if (!settings.pseudosection || v == 0) {
        pd.massbalance = false;
        pd.lowvarpseudo = false;
        settings.modeiso = 1;
        settings.zeromodeiso = 1;
    } else if (settings.dogminon) {
        pd.massbalance = v >= 3;
        pd.lowvarpseudo = v < 3;
        settings.modeiso = 1;
        settings.zeromodeiso = 1;
    } else {
        promptcontrol("set modes to zero (to find edges/corners of fields)", settings.zeromodeiso);
        if (settings.zeromodeiso == 0) settings.modeiso = 0;
        else promptcontrol("set mode isopleths", settings.modeiso);
        pd.massbalance = v >= 3 || settings.modeiso == 0;
        pd.lowvarpseudo = v < 3 && settings.modeiso != 0;
    }
}

void isoplethsetup(int16_t v) {
    pd.niso = pd.nmodeisos = pd.nxyzisos = 0;
    if (settings.modeiso == 0) readmodeisopleths();
    else settings.zeromodeiso = 1;
    if (pd.fluidtype == 5) {
        if (settings.xco2values != 1) {
            readxco2values();
        } else if (settings.xco2diagram) {
            putstr(1, "if you want to set x(CO2) for calculations, use the calcx(CO2) script,", 1, consolelog);
            putstr(0, "either with x(CO2): low, high, inc, or a list of values", 1, consolelog);
        }
    }
    const bool demanded = settings.batch != 0 && phases.nsolnphases > 0 && !settings.pseudosection && pd.niso == 0 && v >= 3;
    if (demanded) {
        putstr(1, "you will have to set at least " + wholetostr(v - 2) +
                      (v == 3 ? " compositional variable" : " compositional variables"),
               1, consolelog);
        if (pd.fluidtype == 5) {
            putstr(0, v == 3 ? "(or none, if you set fluid composition and nominate external buffering)"
                             : "(or " + wholetostr(v - 3) + ", if you set fluid composition and nominate external buffering)",
                   1, consolelog);
        }
        settings.isopleth = 0;
        readisopleths();
    } else if (!settings.dogminon && v != 0 && settings.isopleth != 1) {
        readisopleths();
    }
}

void stateoforder() {
    bool announced = false;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        if (!ph.hasorder) continue;
        bool badstart = false;
        if (settings.usecalcq != 0) {
            if (!findlegalq(static_cast<int16_t>(k), false, badstart, settings.pnow, settings.tnow)) {
                putstr(1, "state of order for " + ph.shortname, 0, consolesummarylog);
                bombout("nlecalcs", "cannot find legal Q initial guess", 0);
            }
            // Ended, so that what follows does not run on in the same line.
            if (badstart) putstr(1, "illegal Q starting guess for " + ph.shortname + ": random value used", 1, consolesummarylog);
            continue;
        }
        if (!announced) putstr(0, "equilibrium state of order (for given P, T and compositions)", 1, consolesummarylog);
        announced = true;
        if (findlegalq(static_cast<int16_t>(k), true, badstart, settings.pnow, settings.tnow)) {
            showstartguess(static_cast<int16_t>(k));
        } else {
            putstr(1, "couldn't solve for state of order of " + ph.shortname, 1, consolesummarylog);
        }
        putstr(0, " ", 1, consolesummarylog);
    }
}

void projectionsetup() {
    if (settings.dogminon) settings.projection = 1;
    if (phases.nsolnphases == 0) settings.projection = settings.projplane = 1;
    if (settings.projection == 1) settings.projplane = 1;
    if (settings.debuglevel >= 2) settings.projection = settings.projplane = 1;
    promptcontrol("project mineral compositions onto a compatibility diagram", settings.projection);
    if (settings.projection == 0 && ws.ncomps - pd.nexcessphases >= 5) {
        putstr(1, "projection not useful if the compatibility diagram has more than 4 apices-", 1, consolelog);
        putstr(0, "you will need to project from at least " + wholetostr(ws.ncomps - 4) + " phases, " +
                      "instead of just " + wholetostr(pd.nexcessphases),
               1, consolelog);
        settings.projection = 1;
    }
    if (settings.projection == 0) readprojplane();
}

}  // namespace

void nlesetup() {
    readthermo(1);
    readcontrol();
    setupphases();
    setdebuglevel();
    whichphases();
    readexcess();
    findspecialems();
    if (settings.batch != 0) listxyzguesses();
    // The minimisation compares the system's G: it needs the system properties.
    if (!settings.dogminon &&
        (settings.batch == 0 || phases.nsolnphases == 0 || pd.fluidtype == 1 || pd.fluidtype == 8 || pd.fluidtype == 9)) {
        settings.systemprops = false;
    }
    if (settings.dogminon || settings.autovar == 2) settings.autovar = 1;
    readthermo(2);
    makeemc();
    dofigPT();
    if (settings.batch != 0) {
        if (settings.dogminon) settings.pseudosection = true;
        else if (phases.nsolnphases == 0) settings.pseudosection = false;
    }

    const int16_t v = choosevariance(calcvariance());
    reactions.var = v;
    pd.ovar = v;
    choosemassbalance(v);
    isoplethsetup(v);
    if (settings.xco2diagram) settings.systemprops = false;
    if (settings.batch != 0 && !settings.dogminon) varcalc();
    nlewindows();

    readthermo(3);
    makeems();
    // only a window the script gave: the default one reaches far outside any calculation
    checkthermodata(settings.diagramPT == 0);
    pd.xco2fluidphase = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (phases.prec1[at(k)].fluid && pd.fluidtype == 5 && settings.xco2diagram) pd.xco2fluidphase = static_cast<int16_t>(k);
    }
    if (settings.batch != 0) stateoforder();

    printacts();
    if (settings.setmu == 0) {
        settings.calcmu = 0;
        setupmu();
    }
    if (settings.seta == 0 || settings.setlna == 0 || settings.setloga == 0 || settings.nlna > 0) setuplna();
    projectionsetup();

    if (settings.pseudosection) {
        readcomps();
    } else {
        settings.nbulks = 0;
        pd.bulkpropnow = 0;
    }
    if (settings.projection != 0) settings.projcomp = 1;
    else if (settings.pseudosection) promptcontrol("project bulk compositions onto the compatibility diagram", settings.projcomp);
    else settings.projcomp = 1;

    pd.ndogminequils = pd.assemblagecount = pd.ndogminsuccesses = 0;
    if (settings.dogminon) setupdogmin();
    countcomp();
    if (settings.pseudosection && settings.oxidemodes) writeconsole("oxide-based modes\n");
    calcwhat();
}

}  // namespace zt
