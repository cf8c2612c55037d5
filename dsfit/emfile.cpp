#include "dsfit/emfile.h"

#include <cmath>

#include "ax/axinfo.h"
#include "ax/axreader.h"
#include "ax/phaserecords.h"
#include "dsfit/fitread.h"
#include "reactions/stateoforder.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberread.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

// Einstein temperature estimated from the entropy per atom.
real thetaofentropy(real S, real atoms)
{
    if (std::fabs(atoms) < 0.1L) return 0;
    return std::nearbyint(10636.0L / (1000.0L * S / atoms + 6.44L));
}

void readnameline(fitemrecord& r, const stringlist& words, int16_t count)
{
    r.name = trunc22(words[1]);
    if (count < 2) bombout("readth", "no second name on the name line of " + r.name, 0);
    if (count == 2 || (!words[3].empty() && words[3][0] == bulletbyte)) {
        r.name2 = words[2];
    } else {
        r.name2 = trunc22(words[2] + "_" + words[3]);
    }
}

void readcomposition(fitemrecord& r)
{
    const std::string of = " of " + r.name;
    while (true) {
        const int16_t ell = fitreadint("component number" + of);
        if (ell == 0) break;
        if (r.npairs == maxfitpairs) bombout("readth", "more than 8 composition pairs for " + r.name, 0);
        if (ell < 1 || ell > maxcomps) bombout("readth", "component number outside 1 to 26 for " + r.name, 0);
        ++r.npairs;
        r.comp[static_cast<size_t>(r.npairs)] = ell;
        const real amount = fitreadreal("component amount" + of);
        r.amount[static_cast<size_t>(r.npairs)] = amount;
        r.atoms += amount;
    }
}

void readextras(fitemrecord& r, int kind, const std::string& of)
{
    if (kind == 1) {
        r.tlandau = fitreadreal("Tc" + of);
        r.smax = fitreadreal("Smax" + of);
        r.vmax = fitreadreal("Vmax" + of);
    } else if (kind == 2) {
        r.bwdh = fitreadreal("dh" + of);
        r.bwdhv = fitreadreal("dhv" + of);
        r.bww = fitreadreal("w" + of);
        r.bwwv = fitreadreal("wv" + of);
        r.bwn = fitreadint("n" + of);
        r.bwfac = fitreadreal("fac" + of);
    } else if (kind == 3) {
        r.aqfactor = fitreadreal("aqueous factor" + of);
    } else {
        return;
    }
    r.comment[cmExtras] = fitresttext();
}

// dsmode 5: the calorimetry and the old extras code live in the file.
void readblock5(fitemrecord& r, bool liquid)
{
    const std::string of = " of " + r.name;
    r.nsite = fitreadint("site count" + of);
    r.atoms = fitreadreal("atoms" + of);
    fitendline();
    r.H = fitreadreal("H" + of);
    r.sdH = fitreadreal("sd(H)" + of);
    r.extrascode = fitreadreal("extras code" + of);
    r.comment[cmH] = fitresttext();
    fitendline();
    r.S = fitreadreal("S" + of);
    r.sdS = fitreadreal("sd(S)" + of);
    r.comment[cmS] = fitresttext();
    fitendline();
    r.V = fitreadreal("V" + of);
    r.comment[cmV] = fitresttext();
    fitendline();
    r.cpa = fitreadreal("a" + of);
    r.cpb = fitreadreal("b" + of);
    r.cpc = fitreadreal("c" + of);
    r.cpd = fitreadreal("d" + of);
    r.comment[cmCp] = fitresttext();
    fitendline();
    r.a0 = fitreadreal("a0" + of);
    r.comment[cmA0] = fitresttext();
    r.k0 = fitreadreal("K0" + of);
    r.k0p = fitreadreal("K'" + of);
    r.k0pp = fitreadreal("K''" + of);
    if (liquid) r.dkdt = fitreadreal("dK/dT" + of);
    r.comment[cmK] = fitresttext();
    const real code = r.extrascode;
    readextras(r, code == 2 ? 1 : code == 4 ? 2 : code == 3 ? 3 : 0, of);

    r.calH = r.H;
    r.calsd = r.sdH;
    if (liquid) r.code = 7;
    else if (code == 2) r.code = 1;
    else if (code == 4) r.code = 2;
    else if (code == 3) r.code = 8;
    else if (r.V == 0) r.code = 6;
    else r.code = 0;
    if (!liquid) r.theta = thetaofentropy(r.S, r.atoms);
    if (r.k0 != 0) r.k0pp = -r.k0p / r.k0;
    if (r.theta < 10) r.theta = 10;
}

void readblock67(fitemrecord& r, bool liquid)
{
    const std::string of = " of " + r.name;
    // A whole number after the composition's 0 is the site count, as the converted
    // end-member file writes it.
    stringlist rest;
    int16_t nrest = 0;
    const std::string after = fitresttext();
    string2strings(after, static_cast<int16_t>(after.size()), rest, nrest);
    if (nrest > 0 && wordtype(rest[1]) == wkinteger) r.nsite = getinteger(wkinteger, rest[1], "site count" + of);
    fitendline();
    r.code = fitreadint("code" + of);
    r.H = fitreadreal("H" + of);
    r.comment[cmH] = fitresttext();
    fitendline();
    r.S = fitreadreal("S" + of);
    r.comment[cmS] = fitresttext();
    fitendline();
    r.V = fitreadreal("V" + of);
    r.comment[cmV] = fitresttext();
    fitendline();
    const bool einsteinlayout = ds.dsmode == 7 && r.code >= 3 && r.code <= 5;
    if (einsteinlayout) {
        r.eina = fitreadreal("a" + of);
        r.einb = fitreadreal("b" + of);
        r.theta = fitreadreal("theta" + of);
    } else {
        r.cpa = fitreadreal("a" + of);
        r.cpb = fitreadreal("b" + of);
        r.cpc = fitreadreal("c" + of);
        r.cpd = fitreadreal("d" + of);
    }
    r.comment[cmCp] = fitresttext();
    fitendline();
    r.a0 = fitreadreal("a0" + of);
    r.comment[cmA0] = fitresttext();
    r.k0 = fitreadreal("K0" + of);
    r.k0p = fitreadreal("K'" + of);
    if (r.code == 7) r.dkdt = fitreadreal("dK/dT" + of);
    r.comment[cmK] = fitresttext();
    const int16_t c = r.code;
    readextras(r, (c == 1 || c == 4) ? 1 : (c == 2 || c == 5) ? 2 : c == 8 ? 3 : 0, of);

    if (r.code == 7 && !liquid) bombout("readth", "melt end-member name does not end in 'L'", 0);
    if (!liquid && !einsteinlayout) {
        r.theta = thetaofentropy(r.S, r.atoms);
        if (r.theta < 10) r.theta = 10;
    }
    if (r.k0 > 0) r.k0pp = -r.k0p / r.k0;
}

}  // namespace

bool liquidname(const std::string& name)
{
    const std::string t = trimblanks(name);
    return !t.empty() && t.back() == 'L';
}

void readth()
{
    putstr(1, "reading thermodynamic data", 1, 8);
    fitrestartcursor();
    ds.dsmode = fitreadint("dsmode");
    fitendline();
    fitendline();
    int16_t count = 0;
    stringlist words;
    int16_t nwords = 0;
    while (fitwordline(words, nwords)) {
        if (nwords == 0) bombout("readth", "expecting an end-member name or \"*\" after end-member " + wholetostr(count), 0);
        if (trimblanks(words[1]) == "*") break;
        if (count >= maxdsentries) bombout("readth", "too many end-members (increase maxntp)", 0);
        ++count;
        fitemrecord& r = fit.tda[static_cast<size_t>(count)];
        r = fitemrecord{};
        readnameline(r, words, nwords);
        ds.dsnames[static_cast<size_t>(count)] = r.name;
        putstr(0, "  " + wholetostr(count) + ")  " + r.name, 1, 8);
        readcomposition(r);
        const bool liquid = liquidname(r.name);
        if (ds.dsmode == 5) {
            readblock5(r, liquid);
        } else if (ds.dsmode == 6 || ds.dsmode == 7) {
            readblock67(r, liquid);
        } else {
            bombout("readth", "dsmode of the end-member file is not 5, 6 or 7", 0);
        }
        if (r.sdS <= 0) r.sdS = 0.001L * r.S;
        fitendline();
        fitendline();
        if (ds.dsmode == 5 && r.extrascode == 0) {
            --count;
            continue;
        }
        // Lookups take the first of a name: a second would stand in the fit unseen.
        for (int k = 1; k < count; ++k) {
            if (ds.dsnames[static_cast<size_t>(k)] == r.name)
                bombout("readth", "end-member name " + r.name + " given twice (end-members " + wholetostr(k) + " and " +
                                      wholetostr(count) + ")",
                        0);
        }
    }
    fit.ntpfit = count;
    // The a-x reader looks its end-members up in the dataset's names.
    ds.ntp = count;
    std::string line = "\nnumber of end-members = ";
    addwhole(4, line, count);
    writeconsole(line + "\n");
}

void readax()
{
    putstr(1, "reading a-x relationships", 1, 8);
    setupphases();
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!phases.prec1[static_cast<size_t>(k)].hasorder) continue;
        // Only a legal guess here: the end-members have no properties and no components
        // yet, so the order equilibrium is solved per run, in the experiment's working set.
        bool badstart = false;
        if (!findlegalq(static_cast<int16_t>(k), false, badstart, settings.pnow, settings.tnow))
            bombout("readax", "cannot find legal Q guess", 0);
    }
    if (phases.nphases + maxfitphaseslots > maxsolnphases) bombout("readxy", "too many ss -> make maxnp bigger", 0);
    for (int k = 1; k <= phases.nsolnphases; ++k) printaxinfo(static_cast<int16_t>(k));
    const int n = phases.nphases;
    takesolnrecords(n + maxfitphaseslots);
    for (int i = n; i >= 1; --i) phases.prec1[static_cast<size_t>(i + maxfitphaseslots)] = phases.prec1[static_cast<size_t>(i)];
    for (int i = 1; i <= maxfitphaseslots; ++i) {
        resetaxphase(phases.prec1[static_cast<size_t>(i)]);
        phases.prec1[static_cast<size_t>(i)].shortname = "blah";
        phases.prec1[static_cast<size_t>(i)].longname = "blah";
    }
    phases.nphases = static_cast<int16_t>(n + maxfitphaseslots);
    phases.nsolnphases = phases.nphases;
    for (int i = 1; i <= phases.nphases; ++i)
        fit.fitphasenames[static_cast<size_t>(i)] = phases.prec1[static_cast<size_t>(i)].shortname;
    fit.nfitphases = phases.nphases;
}

bool posinphname(const std::string& name, int16_t& i, bool complain)
{
    const std::string t = trimblanks(name);
    for (int k = 1; k <= ds.ntp; ++k) {
        if (ds.dsnames[static_cast<size_t>(k)] == t) {
            i = static_cast<int16_t>(k);
            return true;
        }
    }
    if (complain) bombout("posinphname", t + " is not an end-member name", 0);
    i = 0;
    return false;
}

void specialemindex(const fitlist& list, int16_t n)
{
    fit.ih2o = fit.ico2 = fit.icrd = fit.ifcrd = fit.io2 = fit.is2 = 0;
    for (int i = 1; i <= n; ++i) {
        const int16_t e = list[static_cast<size_t>(i)];
        if (e <= 0) continue;
        const std::string name = trimblanks(ds.dsnames[static_cast<size_t>(e)]);
        const auto pos = static_cast<int16_t>(i);
        if (name == "H2O") fit.ih2o = pos;
        else if (name == "crd") fit.icrd = pos;
        else if (name == "CO2") fit.ico2 = pos;
        else if (name == "fcrd") fit.ifcrd = pos;
        else if (name == "O2") fit.io2 = pos;
        else if (name == "S2") fit.is2 = pos;
    }
}

}  // namespace zt
