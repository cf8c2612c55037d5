#include "ax/axmodels.h"

#include <cmath>

#include "ax/axexpressions.h"
#include "ax/axreader.h"
#include "ax/axtokens.h"
#include "ax/emoptions.h"
#include "ax/phaserecords.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

constexpr int maxdeclaredpairs = 10;

// Names read only for the name checks.
struct entrynames {
    std::array<str22, maxphaseems + 1> propname;
    std::array<str22, maxphaseems + 1> sizename;
};

int16_t takeinteger(const std::string& context) {
    nextaxtoken(context);
    return getinteger(axtok.kind, axtok.token, context);
}

real takereal(const std::string& context) {
    nextaxtoken(context);
    return getsingle(axtok.kind, axtok.token, context);
}

str22 takename(const std::string& context) {
    nextaxtoken(context);
    return readname(axtok.kind, axtok.token, context);
}

void readcoding(axphase& ph, const str22& name) {
    if (ds.oldds) {
        ph.coding = 0;
        if (axtok.nextkind == wkword) return;
        if (axtok.nextkind == wkinteger && axtok.nexttoken == "0") {
            nextaxtoken("coding for " + name);
            return;
        }
        bombout("setupphases", "incorrect info after no of end-members for " + ph.shortname, 0);
    }
    if (axtok.nextkind != wkinteger) bombout("setup phases", "bad encoding for " + name, 0);
    ph.coding = takeinteger("coding for " + name);
    if (ph.coding != 1 && ph.coding != 2) bombout("setup phases", "bad encoding for " + name, 0);
    if (ph.coding == 1 && !ph.suffix.empty()) bombout("setup phases", "longpnames not implemented for coding = 1", 0);
}

// A group of the program-wide samecoding table whose source is phase k.
void readsamecoding(axphase& ph, int16_t k, const str22& name) {
    nextaxtoken("phases with same coding as " + name);
    if (settings.nsamecoding < 0) settings.nsamecoding = 0;
    if (settings.nsamecoding >= maxsamecodinggroups) {
        bombout("setup phases", "too many samecoding groups" + maxtext(maxsamecodinggroups), 0);
    }
    const int16_t g = static_cast<int16_t>(settings.nsamecoding + 1);
    settings.nsamecoding = g;
    const size_t gg = static_cast<size_t>(g);
    settings.nsameitems[gg] = 0;
    axreader.samesource[gg] = k;
    int npairs = 0;
    while (axtok.nexttoken != "verbatim" && npairs < maxdeclaredpairs) {
        const std::string context = "phases with same coding as " + name;
        const str22 full = takename(context);
        str22 written = takename(context);
        ++npairs;
        if (ph.nsame >= maxsame || settings.nsameitems[gg] >= maxsamecodingitems) {
            bombout("setup phases", "too many phases with same coding as " + name + maxtext(maxsame), 0);
        }
        str22 shortname;
        long2shortpname(written, shortname, ph.suffix);
        const int16_t item = static_cast<int16_t>(settings.nsameitems[gg] + 1);
        settings.nsameitems[gg] = item;
        settings.samefullname[gg][static_cast<size_t>(item)] = full;
        settings.samewrittenname[gg][static_cast<size_t>(item)] = written;
        settings.sameshortname[gg][static_cast<size_t>(item)] = shortname;
        ph.nsame = static_cast<int16_t>(ph.nsame + 1);
        ph.sameshort[static_cast<size_t>(ph.nsame)] = shortname;
        ph.samefull[static_cast<size_t>(ph.nsame)] = full;
    }
    if (axtok.nexttoken != "verbatim") bombout("setup phases", "verbatim missing for " + ph.shortname, 0);
}

void checkvarname(const axphase& ph, axvar& var, const str22& name) {
    const str22& n = var.writtenname;
    const size_t open = n.find('(');
    const bool formok = open != std::string::npos && open + 1 >= 2 && open + 1 <= n.size() - 2 && n.back() == ')';
    if (!formok) {
        bombout("setup phases", "varname, \"" + n + "\", should be in form \"xyzname(phasename)\"", 0);
    }
    const str22 inner = n.substr(open + 1, n.size() - open - 2);
    if (inner != name) bombout("setup phases", "name in " + inner + " must be the same as phasename, " + name, 0);
    var.name = trunc22(n.substr(0, open + 1) + ph.shortname + ")");
}

void readvariable(axphase& ph, int v, const str22& name) {
    axvar& var = ph.vars[static_cast<size_t>(v)];
    resetaxvar(var);
    var.writtenname = takename(ordinalword(v) + " variable name");
    var.name = var.writtenname;
    var.value = 0;
    var.sd = 0;
    var.isorder = false;
    if (ph.coding == 2) {
        if (axtok.nextkind == wkreal) bombout("setup phases", "with coding = 2, omit starting guesses for " + ph.shortname, 0);
        if (axtok.nexttoken == "-") {
            nextaxtoken("formula of " + var.writtenname);
            var.nnumnames = 0;
            var.ndennames = 0;
        } else {
            readxterms(var.numexpr, var, " of numerator in " + var.writtenname);
            var.nnumnames = var.nworknames;
            var.numnames = var.worknames;
            readxterms(var.denexpr, var, " of denominator in " + var.writtenname);
            var.ndennames = var.nworknames;
            var.dennames = var.worknames;
        }
    } else {
        const std::string context = "guess for " + var.writtenname;
        var.value = takereal(context);
        if (var.value == 0) bombout("setup phases", context + " is zero", 0);
        if (axtok.nexttoken == "sd") {
            nextaxtoken("sd of " + var.writtenname);
            var.sd = takereal("sd of " + var.writtenname);
            if (var.sd < 0 || var.sd > 1) var.sd = 0;
        }
    }
    bool marked = false;
    if (axtok.nexttoken == "isQ" || axtok.nexttoken == "ODvar") {
        nextaxtoken("order mark of " + var.writtenname);
        marked = true;
    }
    var.filelower = 11;
    var.fileupper = -11;
    if (axtok.nexttoken == "range") {
        nextaxtoken("range of " + var.writtenname);
        const real lo = takereal("lower limit of " + var.writtenname);
        const real hi = takereal("upper limit of " + var.writtenname);
        if (lo > hi) bombout("read", "lower limit > upper limit (1)", 0);
        var.filelower = lo;
        var.fileupper = hi;
    }
    var.lower = var.filelower;
    var.upper = var.fileupper;
    checkvarname(ph, var, name);
    const char first = var.writtenname.empty() ? ' ' : var.writtenname[0];
    var.isorder = marked || first == 'Q' || first == 'N';
    if (var.isorder) ph.hasorder = true;
}

std::string pairname(int i, int j) { return "W(" + wholetostr(i) + "," + wholetostr(j) + ")"; }

void readmixing(axphase& ph, int n, entrynames& names) {
    int16_t w = 0;
    for (int i = 1; i < n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            ++w;
            const size_t ww = static_cast<size_t>(w);
            ph.wname[ww] = pairname(i, j);
            ph.wa[ww] = ph.wb[ww] = ph.wc[ww] = 0;
            ph.sdw[ww] = axreader.defaultsdw;
            ph.wnosd[ww] = true;
        }
    }
    for (int j = 1; j <= n; ++j) {
        const size_t jj = static_cast<size_t>(j);
        ph.vla[jj] = 1;
        ph.vlb[jj] = ph.vlc[jj] = 0;
        names.sizename[jj] = "a(" + wholetostr(j) + ")";
    }
    ph.nw = w;
    if (ph.nw > maxws) bombout("setup phases", "phase too big for auto gammas", 0);

    const str22& word = axtok.nexttoken;
    if (word == "ideal") {
        ph.model = 0;
        nextaxtoken("start of entering w's");
        return;
    }
    if (word == "sf" || word == "regular") {
        ph.model = 1;
    } else if (word == "asf" || word == "vanlaar") {
        ph.model = 2;
    } else {
        bombout("setupphases", "not recognised (should be ideal, sf or asf)", 0);
    }
    nextaxtoken("start of entering w's");
    for (int k = 1; k <= ph.nw; ++k) {
        const size_t kk = static_cast<size_t>(k);
        const std::string def = ph.wname[kk];
        ph.wname[kk] = takename(def);
        ph.wa[kk] = takereal("a in w=a+bT+cP in " + def);
        ph.wb[kk] = takereal("b in w=a+bT+cP in " + def);
        ph.wc[kk] = takereal("c in w=a+bT+cP in " + def);
        if (axtok.nexttoken == "sd") {
            nextaxtoken("expecting to enter sd(w)");
            ph.sdw[kk] = takereal("sd for " + def);
            ph.wnosd[kk] = false;
        }
    }
    if (ph.model != 2) return;
    for (int j = 1; j <= n; ++j) {
        const size_t jj = static_cast<size_t>(j);
        const std::string def = names.sizename[jj];
        names.sizename[jj] = takename(def);
        ph.vla[jj] = takereal("value of " + def + "a, in a + bT + cP");
        ph.vlb[jj] = takereal("value of " + def + "b, in a + bT + cP");
        ph.vlc[jj] = takereal("value of " + def + "c, in a + bT + cP");
    }
}

void readsitefractions(axphase& ph, const str22& name) {
    const int16_t nsf = takeinteger("no of sf vars for " + name);
    if (nsf < 2) bombout("setup phases", "less than 2 sf vars for " + name, 0);
    if (nsf > maxsf) bombout("setup phases", "too many  sf vars for " + name + maxtext(maxsf), 0);
    ph.nsf = nsf;
    for (int s = 1; s <= nsf; ++s) {
        const size_t ss = static_cast<size_t>(s);
        ph.sfname[ss] = takename("name of " + ordinalword(s) + " sf var");
        readsfterms(ph.sf[ss], ph, " in " + ph.sfname[ss]);
    }
}

// Nearest whole number, ties to the even one.
int16_t roundpower(int16_t num, int16_t den) {
    const real x = static_cast<real>(num) / static_cast<real>(den);
    return static_cast<int16_t>(std::nearbyint(x));
}

void readendmember(axphase& ph, int j, const str22& name) {
    axem& em = ph.em[static_cast<size_t>(j)];
    resetaxem(em);
    em.excluded = false;
    em.name = takename("end-member name in " + name);
    const std::string constcontext = "normalisation constant in tmf for " + em.name;
    nextaxtoken(constcontext);
    em.tmfconst = getsingle(axtok.kind, axtok.token, constcontext);
    em.tmfrational = axtok.kind == wkrational;
    const int16_t nt = takeinteger("no of sf terms in tmf for " + em.name);
    if (nt < 1) bombout("setup phases", "too few terms in tmf for " + em.name, 0);
    if (nt > maxtmf) bombout("setup phases", "too many terms in tmf for " + em.name + maxtext(maxtmf), 0);
    em.ntmf = nt;
    int16_t maxpower = 1;
    for (int t = 1; t <= nt; ++t) {
        tmfterm& term = em.tmf[static_cast<size_t>(t)];
        const std::string context = "name for " + ordinalword(t) + " sf term in tmf for " + em.name;
        nextaxtoken(context);
        if (axtok.kind != wkword) bombout("setup phases", axtok.token + " not a " + context, 0);
        term.sfindex = 0;
        for (int s = 1; s <= ph.nsf; ++s) {
            if (ph.sfname[static_cast<size_t>(s)] == axtok.token) {
                term.sfindex = static_cast<int16_t>(s);
                break;
            }
        }
        if (term.sfindex == 0) bombout("setup phases", axtok.token + " not a sf name: " + context, 0);
        const std::string powcontext = " power for " + ordinalword(t) + " sf term in tmf for " + em.name;
        nextaxtoken(powcontext);
        getrational(axtok.kind, axtok.token, term.pownum, powcontext, term.powden);
        const int16_t p = roundpower(term.pownum, term.powden);
        if (p > maxpower) maxpower = p;
    }
    em.maxpower = maxpower;
    em.dqfkind = -1;
    em.dqfa = em.dqfb = em.dqfc = 0;
    em.nmake = 0;
    em.xdivisor = 0;
    reademoptions(em, ph);
    checkcharges(em, ph);
}

void scaledefaultsds(axphase& ph) {
    real m = 0;
    for (int j = 1; j <= ph.nem; ++j) m += ph.em[static_cast<size_t>(j)].maxpower;
    m /= ph.nem;
    int16_t w = 0;
    for (int i = 1; i < ph.nem; ++i) {
        for (int j = i + 1; j <= ph.nem; ++j) {
            ++w;
            const size_t ww = static_cast<size_t>(w);
            if (ph.wnosd[ww]) ph.sdw[ww] = m * ph.sdw[ww] * (ph.vla[static_cast<size_t>(i)] + ph.vla[static_cast<size_t>(j)]) * 0.5L;
        }
    }
}

// name(inner) with the given opening: true when it has that form, inner set.
bool enclosed(const str22& name, const std::string& opening, size_t minlen, std::string& inner) {
    if (name.size() < minlen || name.compare(0, opening.size(), opening) != 0 || name.back() != ')') return false;
    inner = name.size() > opening.size() ? name.substr(opening.size(), name.size() - opening.size() - 1) : std::string();
    return true;
}

// A name written opening + .. + ")" must enclose the end-member's name; a name of
// another form must be the end-member's name.
bool namesendmember(const str22& name, const std::string& opening, const str22& emname) {
    std::string inner;
    return (enclosed(name, opening, 3, inner) ? inner : std::string(name)) == emname;
}

void namechecks(const axphase& ph, const entrynames& names) {
    for (int v = 1; v <= ph.nvars; ++v) {
        const str22& n = ph.vars[static_cast<size_t>(v)].writtenname;
        if (n.find('(') == std::string::npos || n.back() != ')') {
            bombout("setupphases", "name in varname not of form xyz(min)", 0);
        }
    }
    for (int j = 1; j <= ph.nem; ++j) {
        const size_t jj = static_cast<size_t>(j);
        const str22& pn = names.propname[jj];
        const str22& emname = ph.em[jj].name;
        if (!namesendmember(pn, "p(", emname)) {
            bombout("setup phases", "name in propname, \"" + pn + "\" does not match " + emname + " in " + ph.shortname, 0);
        }
    }
    for (int j = 1; j <= ph.nem && ph.model == 2; ++j) {
        const size_t jj = static_cast<size_t>(j);
        const str22& an = names.sizename[jj];
        const str22& emname = ph.em[jj].name;
        if (!namesendmember(an, "a(", emname)) {
            bombout("setup phases", "name in alphaname, \"" + an + "\" does not match \"" + emname + "\" in " + ph.shortname, 0);
        }
    }
    if (ph.model == 0) return;
    int16_t w = 0;
    for (int i = 1; i < ph.nem; ++i) {
        for (int j = i + 1; j <= ph.nem; ++j) {
            ++w;
            const str22& wn = ph.wname[static_cast<size_t>(w)];
            std::string inner;
            if (!enclosed(wn, "W(", 2, inner)) continue;
            const size_t comma = inner.find(',');
            if (comma == std::string::npos) bombout("setup phases", "W not strictsyntax", 0);
            const std::string left = trimblanks(inner.substr(0, comma));
            const std::string right = trimblanks(inner.substr(comma + 1));
            const str22& ni = ph.em[static_cast<size_t>(i)].name;
            const str22& nj = ph.em[static_cast<size_t>(j)].name;
            const std::string ti = trimblanks(ni), tj = trimblanks(nj);
            if (!((left == ti && right == tj) || (left == tj && right == ti))) {
                bombout("setup phases", "names in  W name, \"" + wn + "\" do not match \"" + ni + "\" and \"" + nj +
                                            "\" in " + ph.shortname, 0);
            }
        }
    }
}

void setinteractionpairs(axphase& ph) {
    if (ph.model == 0) {
        ph.ngterm = 0;
        return;
    }
    int16_t k = 0;
    for (int i = 1; i < ph.nem; ++i) {
        for (int j = i + 1; j <= ph.nem; ++j) {
            ++k;
            if (k > maxws) bombout("read", "too many gterms", 0);
            ph.gterm[static_cast<size_t>(k)] = gterm{k, static_cast<int16_t>(i), static_cast<int16_t>(j)};
        }
    }
    ph.ngterm = k;
    if (k == 0) ph.model = 0;
}

}  // namespace

void readsolutionphase(const str22& name) {
    if (phases.nsolnphases >= maxsolnphases) bombout("setup phases", "too many ss phases" + maxtext(maxsolnphases), 0);
    phases.nsolnphases = static_cast<int16_t>(phases.nsolnphases + 1);
    notephasestaken();
    const int16_t k = phases.nsolnphases;
    axphase& ph = phases.prec1[static_cast<size_t>(k)];
    ph.nverbatim = 0;
    ph.nsame = 0;
    ph.longname = name;
    ph.suffix.clear();
    long2shortpname(ph.longname, ph.shortname, ph.suffix);
    ph.fullname = ph.shortname;
    ph.sourceshort.clear();
    ph.sourcelong.clear();
    ph.contracted = false;
    ph.guessesfromscript = false;
    ph.hasorder = false;

    const int16_t n = takeinteger("no of end-members in " + name);
    if (n < 2) bombout("setup phases", "less than 2 end-members in " + name, 0);
    if (n > maxphaseems) bombout("setup phases", "too many end-members in " + name + maxtext(maxphaseems), 0);
    ph.nvars = static_cast<int16_t>(n - 1);

    readcoding(ph, name);
    if (ph.coding == 2) {
        ph.fullname = takename("fullname for " + name);
        ph.oxygens = takereal("no of oxygens in (ref) formula for " + name);
        const str22& look = axtok.nexttoken;
        if (look != "verbatim" && look != "also" && look != "samecoding") bombout("setup phases", "no verbatim", 0);
        if (look != "verbatim") readsamecoding(ph, k, name);
    }
    ph.noverbatim = false;
    if (ph.coding != 0 && axtok.nexttoken == "verbatim") {
        readverbatimblock(ph);
    } else {
        ph.noverbatim = true;
    }

    for (int v = 1; v <= ph.nvars; ++v) readvariable(ph, v, name);

    static entrynames names;
    names = entrynames{};
    for (int j = 1; j <= n; ++j) {
        const size_t jj = static_cast<size_t>(j);
        names.propname[jj] = takename("name of " + ordinalword(j) + " p var");
        readsfterms(ph.p[jj], ph, " in " + names.propname[jj]);
    }
    readmixing(ph, n, names);
    readsitefractions(ph, name);

    ph.nem = n;
    ph.isomode = false;
    for (int j = 1; j <= n; ++j) readendmember(ph, j, name);

    scaledefaultsds(ph);
    if (settings.axnamechecks) namechecks(ph, names);
    setinteractionpairs(ph);
}

}  // namespace zt
