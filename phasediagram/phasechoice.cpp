#include "phasediagram/phasechoice.h"

#include <cmath>
#include <string>

#include "ax/makeems.h"
#include "ax/phaserecords.h"
#include "phasediagram/services.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "script/valuelists.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolelog = 9;
constexpr wordset consolesummarylog = 13;

int16_t findin(const str22& name, const phasenamelist& list) {
    for (int k = 1; k <= phases.nphases; ++k) {
        if (list[at(k)] == name) return static_cast<int16_t>(k);
    }
    return 0;
}

// The entry of a kept phase in the "with" line.
std::string withentry(int k) {
    if (k <= phases.nsolnphases) {
        const axphase& ph = phases.prec1[at(k)];
        if (!ph.sourcelong.empty()) return ph.shortname + " (from " + ph.sourcelong + ")";
        if (!ph.suffix.empty()) return ph.shortname + "(" + ph.suffix + ")";
        return ph.shortname;
    }
    const str22& name = phases.prec0[at(k - phases.nsolnphases)].name;
    if (settings.buffername.empty() || name != settings.buffername) return name;
    const real del = settings.bufferdel;
    if (del == 0) return name + "(buffer)";
    const std::string shown = std::fabs(del - std::nearbyint(del)) < 0.0001L ? wholetostr(del) : fixedtostr(1, del);
    return name + "(buffer " + incrementbyte + "=" + shown + ")";
}

int32_t classifyfluid() {
    int nboth = 0, nh2o = 0, nfluid = 0, naq = 0;
    int fluidphase = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        if (ph.h2oem > 0 && ph.co2em > 0) ++nboth;
        if (ph.h2oem > 0 && ph.co2em == 0) ++nh2o;
        if (ph.fluid) {
            ++nfluid;
            fluidphase = k;
        }
        if (ph.aq) ++naq;
    }
    bool pureh2o = false, pureco2 = false;
    for (int i = 1; i <= phases.npurephases; ++i) {
        pureh2o = pureh2o || phases.prec0[at(i)].emname == "H2O";
        pureco2 = pureco2 || phases.prec0[at(i)].emname == "CO2";
    }
    const bool pure = pureh2o || pureco2;
    if (nfluid == 0 && naq == 0) {
        if (pureh2o) return 3;
        if (pureco2) return 4;
        return 2;
    }
    if (nfluid >= 1 && naq == 0) {
        if (pure) return 0;
        if (nfluid >= 2) return 1;
        return phases.prec1[at(fluidphase)].nem == 2 && nboth == 1 ? 5 : 7;
    }
    if (nfluid == 0) {
        if (pure) return 0;
        if (naq >= 2) return 1;
        if (nboth == 1) return 9;
        if (nh2o == 1) return 8;
        return 0;
    }
    return 1;
}

}  // namespace

void phasenamelists(phasenamelist& shortnames, phasenamelist& writtennames) {
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        shortnames[at(k)] = phases.prec1[at(k)].shortname;
        writtennames[at(k)] = phases.prec1[at(k)].longname;
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        shortnames[at(phases.nsolnphases + i)] = phases.prec0[at(i)].name;
        writtennames[at(phases.nsolnphases + i)] = phases.prec0[at(i)].name;
    }
}

int16_t findphase(const str22& name, const phasenamelist& shortnames, const phasenamelist& writtennames) {
    const int16_t k = findin(name, shortnames);
    return k != 0 ? k : findin(name, writtennames);
}

void whichphases() {
    if (phases.nsolnphases + phases.npurephases != phases.nphases) bombout("whichphases", "phases don't add up", 1);
    static phasenamelist lista, listb;
    static phaseflags drop;
    static stringlist words;
    phasenamelists(lista, listb);

    drop.fill(false);
    for (int k = 1; k <= phases.nphases; ++k) drop[at(k)] = true;
    for (int w = 1; w <= settings.nwith; ++w) {
        const int16_t k = findin(settings.withshortnames[at(w)], listb);
        if (k == 0) {
            const str22& shortform = settings.withnames[at(w)];
            if (shortform.empty()) bombout("whichphases", "with phase is an empty string", 1);
            bombout("whichphases", "with phase \"" + shortform + "\" not recognised", 0);
        }
        drop[at(k)] = false;
    }
    int ndropped = 0;
    for (int k = 1; k <= phases.nphases; ++k) ndropped += drop[at(k)] ? 1 : 0;
    if (phases.nphases - ndropped != settings.nwith) bombout("whichphases", "with phase list: duplicate found", 0);

    int16_t nwords = 0;
    if (settings.batch != 0) {
        std::string line = std::string("with") + (settings.someof ? " someof" : "") + ": ";
        int lastkept = 0;
        for (int k = 1; k <= phases.nphases; ++k) lastkept = drop[at(k)] ? lastkept : k;
        int16_t n = 0;
        for (int k = 1; k <= phases.nphases; ++k) {
            if (drop[at(k)]) continue;
            line += withentry(k) + (k == lastkept ? " " : ", ");
            ++n;
            settings.withnames[at(n)] = lista[at(k)];
            settings.withshortnames[at(n)] = listb[at(k)];
        }
        settings.nwith = n;
        putstr(1, line, 1, consolelog);
        for (int w = 1; w <= n; ++w) words[w] = settings.withshortnames[at(w)];
        nwords = n;
    } else {
        for (int w = 1; w <= settings.nwith; ++w) words[w] = settings.withnames[at(w)];
        nwords = settings.nwith;
    }

    makename(drop);
    phasenamelists(lista, listb);

    if (settings.someof) {
        putstr(1, "there is a change of functionality with \"with someof\". Hitting return ", 1, consolelog);
        putstr(0, "gives all the phases in the \"with someof\"; \"omit phase1 [phase2 ...] \"", 1, consolelog);
        putstr(0, "omits these phase(s). (\"-\", \"+\" and \"=\" are no longer implemented)", 1, consolelog);
        promptstrings("choose phases", words, nwords);
    }

    drop.fill(false);
    if (nwords > 0) {
        const bool omit = words[1] == "omit";
        if (!omit) {
            for (int k = 1; k <= phases.nphases; ++k) drop[at(k)] = true;
        }
        for (int w = omit ? 2 : 1; w <= nwords; ++w) {
            const int16_t k = findphase(words[w], lista, listb);
            if (k == 0) bombout("whichphases", words[w] + (omit ? " not recognised 1" : " not recognised 2"), 0);
            drop[at(k)] = omit;
        }
    }

    bool fluiddropped = false;
    for (int k = 1; k <= phases.nsolnphases; ++k) fluiddropped = fluiddropped || (drop[at(k)] && phases.prec1[at(k)].fluid);
    const int16_t kco2 = findin("CO2", lista);
    const int16_t kh2o = findin("H2O", lista);
    if (fluiddropped) {
        if (kco2 != 0) drop[at(kco2)] = true;
        if (kh2o != 0) drop[at(kh2o)] = true;
    }
    if (kh2o != 0 && !drop[at(kh2o)] && kco2 != 0) drop[at(kco2)] = true;

    makename(drop);

    pd.fluidtype = classifyfluid();
    if (pd.fluidtype == 0) bombout("whichphases", "facility not implemented yet (fluidtype not set)", 0);
    if (pd.fluidtype == 1) bombout("whichphases", "several fluid and/or aq: choose just one", 0);
    if (pd.fluidtype != 5) settings.xco2diagram = false;
    switch (pd.fluidtype) {
        case 2: break;
        case 3: putstr(0, "fluid is just H2O", 1, consolesummarylog); break;
        case 4: putstr(0, "fluid is just CO2", 1, consolesummarylog); break;
        case 5: putstr(0, "fluid is H2O-CO2", 1, consolesummarylog); break;
        case 7: putstr(0, "fluid is in CHOS", 1, consolesummarylog); break;
        case 8: putstr(0, "fluid is H2O-aqueous", 1, consolesummarylog); break;
        case 9: putstr(0, "fluid is H2O-CO2-aqueous", 1, consolesummarylog); break;
        default: bombout("fluidtype", "fluid cannot be handled", 0);
    }
    if (ws.nem > maxems) {
        std::string limit;
        appendmax(maxems, limit);
        bombout("whichphases", "too many end-members" + limit, 0);
    }
}

void readexcess() {
    // Every phase slot is cleared: a repetition may have had more phases than this one.
    pd.nexcessphases = pd.nrequired = pd.nzeromodephases = 0;
    pd.excessphase.fill(false);
    pd.zeromodephase.fill(false);
    pd.requiredphase.fill(false);
    if (phases.nphases < 2) return;

    static phasenamelist lista, listb;
    static stringlist words;
    phasenamelists(lista, listb);

    promptcontrol("use in excess phases specified in scriptfile", settings.inexcesson);
    int16_t n = 0;
    if (settings.inexcesson != 0) {
        std::string line;
        for (int k = 1; k <= phases.nphases; ++k) line += lista[at(k)] + "  ";
        putstr(0, line, 1, consolelog);
        promptstrings("in excess: names", words, n);
    } else {
        for (int w = 1; w <= settings.nexcesslist; ++w) words[w] = settings.excesslist[at(w)];
        n = settings.nexcesslist;
        if (n == 0 && settings.nmc < 1) putstr(0, "no phases in excess (from script)", 1, consolesummarylog);
    }
    int16_t nall = n;
    if (settings.tozero == 0) {
        for (int w = 1; w <= settings.ntozero && nall < maxwords; ++w) words[++nall] = settings.tozeronames[at(w)];
    }
    for (int w = 1; w <= nall; ++w) {
        const int16_t k = findphase(words[w], lista, listb);
        if (k == 0) continue;
        pd.excessphase[at(k)] = true;
        if (w > n) pd.zeromodephase[at(k)] = true;
    }
    for (int k = 1; k <= phases.nphases; ++k) {
        if (pd.excessphase[at(k)]) ++pd.nexcessphases;
        if (pd.zeromodephase[at(k)]) ++pd.nzeromodephases;
        pd.requiredphase[at(k)] = pd.excessphase[at(k)];
    }
    pd.nrequired = pd.nexcessphases;

    if (pd.nexcessphases >= 1) {
        // The names echoed are those of the phases actually flagged.
        std::string line = "in excess:";
        for (int k = 1; k <= phases.nphases; ++k) {
            if (pd.excessphase[at(k)]) line += " " + lista[at(k)];
        }
        putstr(0, line, 1, consolelog);
    }

    bool fluidzero = false;
    for (int k = 1; k <= phases.nphases; ++k) {
        fluidzero = fluidzero || (pd.zeromodephase[at(k)] && (lista[at(k)] == "H2O" || lista[at(k)] == "CO2"));
    }
    if (!fluidzero) {
        for (int k = 1; k <= phases.nphases; ++k) {
            if (pd.excessphase[at(k)] && (lista[at(k)] == "H2O" || lista[at(k)] == "CO2")) {
                pd.zeromodephase[at(k)] = true;
                ++pd.nzeromodephases;
                break;
            }
        }
    }
}

}  // namespace zt
