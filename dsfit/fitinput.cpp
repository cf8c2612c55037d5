#include "dsfit/fitinput.h"

#include <cmath>
#include <string>

#include "ax/axinfo.h"
#include "ax/phaserecords.h"
#include "dsfit/emfile.h"
#include "dsfit/fitread.h"
#include "dsfit/fitreport.h"
#include "dsfit/fitset.h"
#include "phasediagram/services.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/textfile.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/braggwilliams.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

constexpr real reftemp = 298.15L;
constexpr real maxpressure = 1500;
constexpr real mintemperature = 283, maxtemperature = 3000;

stringlist words;
int16_t nwords = 0;

std::string num(real x) { return wholetostr(x); }
std::string quotedname(const std::string& s) { return "\"" + s + "\""; }

// A value as a user would write it: up to six decimals, trailing zeros dropped.
std::string shown(real x)
{
    std::string t = fixedtostr(6, x);
    if (t.find('.') == std::string::npos) return t;
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t.pop_back();
    return t;
}

// Where a value of experiment e was read: the line just read of the experiments file.
std::string wherein(int e)
{
    return " (experiment " + num(e) + ", line " + num(fitlinenumber()) + " of " + runfiles.curfilename + ")";
}

// The run's uncertainty and lnq take the log of an activity, and nothing above 1 is one.
void checkactivity(real a, const std::string& name, int e)
{
    if (a > 0 && a <= 1) return;
    bombout("readxy", "activity " + shown(a) + " of " + name + " not in (0, 1]" + wherein(e), 0);
}

const std::string degree(1, degreebyte);

// P and T of a run within the program's bounds (P from 0.0009 kbar, -50 after negP).
void checkrun(const bracketrec& b, int e)
{
    if (b.p < settings.pmin || b.p > maxpressure)
        bombout("readxy", "P " + shown(b.p) + " kbar of a run not between " + shown(settings.pmin) +
                              " and 1500 kbar" + wherein(e),
                0);
    if (b.t < mintemperature || b.t > maxtemperature)
        bombout("readxy",
                "T " + shown(b.t - 273.15L) + degree + "C of a run not between 9.85 and 2726.85" + degree +
                    "C (283 to 3000 K)" + wherein(e),
                0);
}

// A new least-squares row with its observation and standard deviation.
int16_t newrow(real y, real sd)
{
    if (fit.nrows >= maxfitrows) bombout("readxy", "too much data -> increase maxnexp", 0);
    ++fit.nrows;
    fit.y[static_cast<size_t>(fit.nrows)] = y;
    fit.rowsd[static_cast<size_t>(fit.nrows)] = sd;
    return fit.nrows;
}

void setrowterm(int16_t row, int16_t em, int16_t coef)
{
    fit.b[fitat(row, em)] = 1;
    fit.x[fitat(row, em)] = coef;
}

void directcalorimetry()
{
    putstr(1, "reading direct calorimetry", 1, 8);
    if (ds.dsmode == 5) {
        // The end-member file carries the calorimetry; its copies stay for the
        // converted end-member file.
        for (int i = 1; i <= fit.ntpfit; ++i) {
            const fitemrecord& r = fit.tda[static_cast<size_t>(i)];
            if (r.sdH >= 99) continue;
            const int16_t row = newrow(r.H, r.sdH < 1e-4L ? 1e-4L : r.sdH);
            setrowterm(row, static_cast<int16_t>(i), 1);
            fit.directrow[static_cast<size_t>(i)] = row;
            putstr(0, "  " + num(row) + ")  " + r.name, 1, 8);
        }
    } else {
        for (int i = 1; i <= fit.ntpfit; ++i) {
            fit.tda[static_cast<size_t>(i)].calH = 0;
            fit.tda[static_cast<size_t>(i)].calsd = 0;
        }
        while (true) {
            fitnextwordline(words, nwords);
            const int16_t code = getinteger(wordtype(words[1]), words[1], "reading direct cal code");
            if (code == 0) break;
            int16_t i = 0;
            posinphname(words[2], i, true);
            fitemrecord& r = fit.tda[static_cast<size_t>(i)];
            r.calH = getsingle(wordtype(words[3]), words[3], "cal enthalpy");
            r.calsd = getsingle(wordtype(words[4]), words[4], "cal enthalpy sd");
            if (r.calsd == 0) r.calsd = 0.001L;
            if (code != 1) continue;
            const int16_t row = newrow(r.calH, r.calsd);
            setrowterm(row, i, 1);
            fit.directrow[static_cast<size_t>(i)] = row;
            putstr(0, "  " + num(row) + ")  " + r.name, 1, 8);
        }
    }
    fit.ndirect = fit.nrows;
}

void oxidecalorimetry()
{
    putstr(1, "reading oxide calorimetry", 1, 8);
    fit.noxcal = 0;
    while (true) {
        fitnextwordline(words, nwords);
        const int16_t code = getinteger(wordtype(words[1]), words[1], "reading oxcal code");
        if (code == 0) break;
        if (fit.noxcal >= maxoxcal) bombout("readxy", "too many oxide calorimetry entries (at most 200)", 0);
        const int n = nwords - 1;
        if (n > maxfitlist) bombout("readxy", "too many end-members in an oxide calorimetry entry (at most 15)", 0);
        if (n < 1) bombout("readxy", "no end-members in an oxide calorimetry entry", 0);
        ++fit.noxcal;
        oxcalrec& e = fit.oxcal[static_cast<size_t>(fit.noxcal)];
        e = oxcalrec{};
        e.used = code == 1;
        e.n = static_cast<int16_t>(n);
        fitlist list{};
        for (int k = 1; k <= n; ++k) {
            int16_t i = 0;
            posinphname(words[k + 1], i, true);
            e.em[static_cast<size_t>(k)] = i;
            list[static_cast<size_t>(k)] = i;
        }
        for (int k = 1; k <= n; ++k) e.coef[static_cast<size_t>(k)] = fitreadint("reading oxcal coefficient");
        e.hmeas = fitreadreal("reading oxcal H");
        e.sd = fitreadreal("reading oxcal sd");
        e.t = fitreadreal("reading oxcal T");
        fitendline();
        // As in direct calorimetry: a row's weight is 1/sd^2.
        if (e.sd == 0) e.sd = 0.001L;
        specialemindex(list, e.n);
        putstr(0, "  " + num(fit.nrows + 1) + ")  " + printreaction(e.coef, e.em, e.n), 1, 8);
        e.h298 = oxcalh298(e);
        if (!e.used) continue;
        const int16_t row = newrow(e.h298, e.sd);
        for (int k = 1; k <= n; ++k)
            setrowterm(row, e.em[static_cast<size_t>(k)], static_cast<int16_t>(-e.coef[static_cast<size_t>(k)]));
        e.row = row;
    }
    fit.ncal = fit.nrows;
}

// ---- experiments ----

fitexprec& rec(int e) { return fit.xp[static_cast<size_t>(e)]; }

int16_t findfitphase(const std::string& name)
{
    for (int i = 1; i <= fit.nfitphases; ++i) {
        if (fit.fitphasenames[static_cast<size_t>(i)] == name) return static_cast<int16_t>(i);
    }
    return 0;
}

int16_t addlistentry(fitexprec& r, const str22& name, real code, int16_t em, int16_t phase, int16_t phaseem)
{
    if (r.nlist >= maxfitlist) bombout("readxy", "too many end-members in an experiment (at most 15)", 0);
    ++r.nlist;
    const auto k = static_cast<size_t>(r.nlist);
    r.listname[k] = name;
    r.listact[k] = code;
    r.listem[k] = em;
    r.listphase[k] = phase;
    r.listphaseem[k] = phaseem;
    return r.nlist;
}

// All end-members of a phase of the list: the first -1, the others -2. Returns the
// position of the first.
int16_t addphase(fitexprec& r, int16_t phase, bool madeallowed)
{
    const axphase& ph = phases.prec1[static_cast<size_t>(phase)];
    int16_t first = 0;
    for (int j = 1; j <= ph.nem; ++j) {
        const axem& em = ph.em[static_cast<size_t>(j)];
        int16_t i = 0;
        if (!posinphname(em.name, i, false) && !(madeallowed && em.nmake > 0))
            bombout("readrc", "not recognised " + quotedname(em.name), 0);
        const int16_t pos = addlistentry(r, em.name, j == 1 ? -1 : -2, i, phase, static_cast<int16_t>(j));
        if (j == 1) first = pos;
    }
    return first;
}

int16_t listposition(const fitexprec& r, const std::string& name)
{
    for (int k = 1; k <= r.nlist; ++k) {
        if (r.listname[static_cast<size_t>(k)] == name) return static_cast<int16_t>(k);
    }
    return 0;
}

void setfluidflags(fitexprec& r)
{
    fitlist list{};
    for (int k = 1; k <= r.nlist; ++k) list[static_cast<size_t>(k)] = r.listem[static_cast<size_t>(k)];
    specialemindex(list, r.nlist);
    r.nofluid = fit.ih2o == 0 && fit.ico2 == 0;
}

std::string reactiontext(const fitexprec& r) { return printreaction(r.rxcoef, r.rxem, r.nrx); }

// The header's names, with the keywords at its end taken off.
struct header {
    int first = 2, last = 0;
    int16_t variance = -1;
    bool unknowncomps = false, show = false;
};

header parseheader()
{
    header h;
    const int w = nwords;
    const std::string& lastword = words[w];
    auto needunivariant = [&](int at) {
        if (at < 1 || words[at] != "univariant") bombout("readxy", "need univariant keyword", 0);
    };
    if (lastword == "show") {
        h.show = true;
        const std::string& before = words[w - 1];
        if (before == "unknowncomps") {
            needunivariant(w - 2);
            h.last = w - 3;
            h.variance = 1;
            h.unknowncomps = true;
        } else if (before == "univariant" || before == "divariant") {
            h.last = w - 2;
            h.variance = before == "univariant" ? 1 : 2;
        } else {
            h.show = false;
            h.last = w;
        }
    } else if (lastword == "unknowncomps") {
        needunivariant(w - 1);
        h.last = w - 2;
        h.variance = 1;
        h.unknowncomps = true;
    } else if (lastword == "univariant" || lastword == "divariant") {
        h.last = w - 1;
        h.variance = lastword == "univariant" ? 1 : 2;
    } else {
        h.last = w;
    }
    if (h.last - h.first + 1 > maxfitlist) bombout("readxy", "too many names in an experiment (at most 15)", 0);
    if (h.last < h.first) bombout("readxy", "no names in experiment " + num(fit.nexp), 0);
    return h;
}

void readplainreaction(fitexprec& r, const header& h)
{
    r.ingroup = false;
    r.groupsize = 1;
    r.groupno = 1;
    r.nrx = static_cast<int16_t>(h.last - h.first + 1);
    for (int k = 1; k <= r.nrx; ++k) r.rxcoef[static_cast<size_t>(k)] = fitreadint("reading coefficient");
    r.rfac = fitreadreal("reading rfac");
    fitendline();
    fitneedline(words, nwords);
    if (nwords < r.nrx) bombout("readxy", "activity line of experiment " + num(fit.nexp) + " too short", 0);
    for (int k = 1; k <= r.nrx; ++k) {
        const int16_t em = r.rxem[static_cast<size_t>(k)];
        const str22& emname = ds.dsnames[static_cast<size_t>(em)];
        const std::string& word = words[k];
        if (wordtype(word) == wkword) {
            const int16_t phase = findfitphase(word);
            if (phase == 0) bombout("reading activity", "name, " + word + ", not recognised 1", 0);
            int16_t first = 0;
            for (int j = 1; j <= r.nlist; ++j) {
                if (r.listphase[static_cast<size_t>(j)] == phase && r.listact[static_cast<size_t>(j)] == -1) first = static_cast<int16_t>(j);
            }
            if (first == 0) first = addphase(r, phase, false);
            const int16_t nem = phases.prec1[static_cast<size_t>(phase)].nem;
            int16_t pos = 0;
            for (int j = first; j < first + nem; ++j) {
                if (r.listem[static_cast<size_t>(j)] == em) pos = static_cast<int16_t>(j);
            }
            if (pos == 0) bombout("readxy", emname + "not recognised", 0);
            r.rxpos[static_cast<size_t>(k)] = pos;
        } else {
            const real a = getsingle(wordtype(word), word, "reading a(" + emname + ")");
            // 0: given at each run; a negative value flags the hydration of cordierite.
            const bool cordierite = emname == "crd" || emname == "fcrd";
            if (a != 0 && !(a < 0 && cordierite)) checkactivity(a, emname, fit.nexp);
            r.rxpos[static_cast<size_t>(k)] = addlistentry(r, emname, a, em, 0, 0);
            if (!r.crd && cordierite && a < 0) r.crd = true;
        }
    }
    r.label.clear();
    for (int k = r.nrx + 1; k <= nwords; ++k) r.label += words[k] + " ";
    if (r.label.size() > static_cast<size_t>(maxtextlen)) r.label.resize(maxtextlen);
    setfluidflags(r);
    if (r.crd) {
        for (int k = 1; k <= r.nlist; ++k) {
            const str22& n = r.listname[static_cast<size_t>(k)];
            if (n == "crd" || n == "fcrd") r.listact[static_cast<size_t>(k)] = 1;
        }
    }
    const std::string text = num(fit.nexp) + ")  " + reactiontext(r) + "  (" + r.label + ")";
    if (fit.fitsetprefs.infolevel > 2) {
        std::string line;
        addwhole(2, line, fit.nexp);
        writeconsole(line + ")  " + reactiontext(r) + "  (" + r.label + ")\n");
    }
    putstr(0, "  " + text, 1, 8);
}

void readgroup(int first, const header& h, const std::string& headertext)
{
    fitexprec& r = rec(first);
    // The list: single end-members, then each phase's end-members and the constituents
    // of its made end-members.
    for (int k = 1; k <= h.last - h.first + 1; ++k) {
        const int16_t e = r.rxem[static_cast<size_t>(k)];
        if (e > 0) {
            addlistentry(r, ds.dsnames[static_cast<size_t>(e)], 1, e, 0, 0);
            continue;
        }
        const auto phase = static_cast<int16_t>(-e);
        addphase(r, phase, true);
        const axphase& ph = phases.prec1[static_cast<size_t>(phase)];
        for (int j = 1; j <= ph.nem; ++j) {
            const axem& em = ph.em[static_cast<size_t>(j)];
            for (int c = 1; c <= em.nmake; ++c) {
                int16_t i = 0;
                if (!posinphname(em.makeemname[static_cast<size_t>(c)], i, false))
                    bombout("readrc", "not recognised " + quotedname(em.makeemname[static_cast<size_t>(c)]), 0);
                addlistentry(r, em.makeemname[static_cast<size_t>(c)], 0.5L, i, phase, static_cast<int16_t>(j));
            }
        }
    }
    r.groupsize = fitreadint("reading groupsize");
    r.rfac = fitreadreal("reading rfac");
    r.label = trimblanks(fitresttext());
    fitendline();
    if (r.groupsize < 1) bombout("readxy", "group size below 1 in experiment " + num(first), 0);
    if (first + r.groupsize - 1 > maxfitrows) bombout("readxy", "too many equilibria -> increase maxnexp", 0);
    for (int m = 1; m <= r.groupsize; ++m) {
        fitexprec& g = rec(first + m - 1);
        if (m > 1) {
            g = fitexprec{};
            g.groupsize = r.groupsize;
            g.variance = r.variance;
            g.used = r.used;
            g.rfac = r.rfac;
            g.label = r.label;
            g.nlist = r.nlist;
            g.listname = r.listname;
            g.listact = r.listact;
            g.listem = r.listem;
            g.listphase = r.listphase;
            g.listphaseem = r.listphaseem;
            g.hasphases = true;
            g.unknowncomps = r.unknowncomps;
            g.show = r.show;
        }
        fitnextwordline(words, nwords);
        if (nwords > maxfitlist) bombout("readxy", "too many end-members in a reaction (at most 15)", 0);
        g.nrx = nwords;
        for (int k = 1; k <= nwords; ++k) {
            const int16_t pos = listposition(g, words[k]);
            if (pos == 0) bombout("readrc", "not recognised " + quotedname(words[k]) + " 1", 0);
            g.rxpos[static_cast<size_t>(k)] = pos;
            g.rxem[static_cast<size_t>(k)] = g.listem[static_cast<size_t>(pos)];
        }
        for (int k = 1; k <= g.nrx; ++k) g.rxcoef[static_cast<size_t>(k)] = fitreadint("reading coefficient");
        fitendline();
        g.ingroup = true;
        g.groupno = static_cast<int16_t>(m);
        setfluidflags(g);
        g.crd = false;
    }
    const int last = first + r.groupsize - 1;
    if (fit.fitsetprefs.infolevel > 1) {
        putstr(0, "  equil: " + headertext + "  (" + r.label + "), involving next " +
                      (r.groupsize == 1 ? std::string("reaction:") : num(r.groupsize) + " reactions:"), 1, 8);
        for (int u = 1; u <= r.groupsize; ++u) putstr(0, "    " + num(u) + ")  " + reactiontext(rec(first + u - 1)), 1, 8);
    } else {
        std::string text = "  " + num(first);
        if (r.groupsize > 1) text += "-" + num(last);
        putstr(0, text + ")  equil: " + headertext + "  (" + r.label + ")", 1, 8);
    }
    fit.nexp = static_cast<int16_t>(last);
}

void adjustrfac(fitexprec& r)
{
    const fitsetprefsrecord& p = fit.fitsetprefs;
    if (p.userfac == 1) r.rfac = 1;
    else if (r.rfac <= 0) r.rfac = p.tighten == 0 ? 0.5L : 1;
}

// The runs of experiment first (and its group) up to the line with a negative code.
void readbrackets(int first)
{
    fitexprec& r = rec(first);
    r.brackets.assign(1, bracketrec{});
    r.nbr = 0;
    while (true) {
        fitnextwordline(words, nwords);
        const int16_t code = getinteger(wordtype(words[1]), words[1], "reading br code");
        if (code < 0) break;
        if (r.nbr >= maxbrackets) bombout("readxy", "need to increase maxnb", 0);
        ++r.nbr;
        r.brackets.resize(static_cast<size_t>(r.nbr) + 2);
        bracketrec& b = r.brackets[static_cast<size_t>(r.nbr)];
        b = bracketrec{};
        b.run = r.nbr;
        b.dir = code == 1;
        b.p = getsingle(wordtype(words[2]), words[2], "reading P");
        b.t = getsingle(wordtype(words[3]), words[3], "reading T") + 273.15L;
        b.xco2 = getsingle(wordtype(words[4]), words[4], "reading x(CO2)");
        // A run with code 2 is set aside unread.
        const bool kept = code != 2;
        if (kept) checkrun(b, first);
        int w = 5;
        int16_t xyzpos = 0;
        for (int k = 1; k <= r.nlist; ++k) {
            const real code2 = r.listact[static_cast<size_t>(k)];
            if (code2 == -2) {
                b.act[static_cast<size_t>(k)] = -2;
            } else if (code2 == -1) {
                const axphase& ph = phases.prec1[static_cast<size_t>(r.listphase[static_cast<size_t>(k)])];
                for (int v = 1; v <= ph.nem - 1; ++v) {
                    if (xyzpos >= maxfitlist) bombout("readxy", "too many compositional variables in a run (at most 15)", 0);
                    ++xyzpos;
                    if (!r.guesscomps && w > nwords) {
                        if (!r.unknowncomps) bombout("readxy", "not enough info 1", 0);
                        r.guesscomps = true;
                    }
                    if (r.guesscomps) {
                        b.xyz[static_cast<size_t>(xyzpos)] = ph.vars[static_cast<size_t>(v)].value;
                    } else {
                        b.xyz[static_cast<size_t>(xyzpos)] = getsingle(wordtype(words[w]), words[w], "reading xyz");
                        ++w;
                    }
                }
                b.act[static_cast<size_t>(k)] = -1;
            } else if (code2 == 0) {
                if (w > nwords) bombout("readxy", "not enough info 2", 0);
                const real a = getsingle(wordtype(words[w]), words[w], "reading a");
                ++w;
                if (kept) checkactivity(a, r.listname[static_cast<size_t>(k)], first);
                b.act[static_cast<size_t>(k)] = a;
            } else {
                b.act[static_cast<size_t>(k)] = code2;
            }
        }
        setfluidflags(r);
        if (fit.ih2o > 0 && fit.ih2o <= r.nrx && b.act[static_cast<size_t>(fit.ih2o)] >= 1)
            b.act[static_cast<size_t>(fit.ih2o)] = 1 - b.xco2;
        if (fit.ico2 > 0 && fit.ico2 <= r.nrx && b.act[static_cast<size_t>(fit.ico2)] >= 1)
            b.act[static_cast<size_t>(fit.ico2)] = b.xco2;
        if (kept && !r.nofluid && (b.xco2 < 0 || b.xco2 > 1))
            bombout("readxy", "x(CO2) " + shown(b.xco2) + " of a run not between 0 and 1" + wherein(first), 0);
        for (int k = 1; kept && k <= r.nlist; ++k) {
            const real a = b.act[static_cast<size_t>(k)];
            // From x(CO2): 0 for H2O at x(CO2) 1, for CO2 at 0.
            if (r.listact[static_cast<size_t>(k)] >= 1 && a <= 0) checkactivity(a, r.listname[static_cast<size_t>(k)], first);
        }
        if (!kept) --r.nbr;
    }
    r.brackets.resize(static_cast<size_t>(r.nbr) + 2);
    for (int m = 2; m <= r.groupsize; ++m) {
        fitexprec& g = rec(first + m - 1);
        g.nbr = r.nbr;
        g.brackets = r.brackets;
        g.guesscomps = r.guesscomps;
    }
}

void experiments()
{
    if (fit.fitsetprefs.infolevel < 2) putstr(1, "reading experimental data", 1, 8);
    pd.fluidtype = 6;
    fit.nexp = 0;
    while (true) {
        fitnextwordline(words, nwords);
        const int16_t code = getinteger(wordtype(words[1]), words[1], "reading xp code");
        if (code == 0) break;
        if (fit.nexp >= maxfitrows) bombout("readxy", "too many equilibria -> increase maxnexp", 0);
        const int first = fit.nexp + 1;
        fit.nexp = static_cast<int16_t>(first);
        if (first == 1 && fit.fitsetprefs.infolevel > 1) putstr(2, "READING experimental work", 1, 8);
        fitexprec& r = rec(first);
        r = fitexprec{};
        r.used = code == 1;
        const header h = parseheader();
        r.variance = h.variance;
        r.unknowncomps = h.unknowncomps;
        r.show = h.show;
        std::string headertext;
        for (int w = h.first; w <= h.last; ++w) {
            const std::string& name = words[w];
            headertext += name + " ";
            int16_t i = 0;
            int16_t value = 0;
            if (posinphname(name, i, false)) {
                value = i;
            } else {
                const int16_t phase = findfitphase(name);
                if (phase == 0) bombout("readrc", "not recognised " + quotedname(name), 0);
                value = static_cast<int16_t>(-phase);
                r.hasphases = true;
            }
            r.rxem[static_cast<size_t>(w - h.first + 1)] = value;
        }
        if (r.hasphases) {
            readgroup(first, h, headertext);
        } else {
            readplainreaction(r, h);
        }
        for (int m = first; m <= fit.nexp; ++m) adjustrfac(rec(m));
        readbrackets(first);
    }
}

}  // namespace

real oxcalh298(const oxcalrec& e)
{
    real h = e.hmeas;
    const real t = e.t;
    if (t <= 298.2L) return h;
    for (int k = 1; k <= e.n; ++k) {
        const real c = e.coef[static_cast<size_t>(k)];
        const fitemrecord& r = fit.tda[static_cast<size_t>(e.em[static_cast<size_t>(k)])];
        h += c * (0.5L * r.cpb * (t * t - 88893.4225L) + r.cpa * (t - reftemp));
        h += c * (-r.cpc) * (1 / t - 0.00335401643468053L);
        h += c * 2 * r.cpd * (std::sqrt(t) - 17.2670205883934L);
        if (r.bwn > 0) {
            const real q = bwq(r.bwn, t, r.bwdh, r.bww, r.bwfac);
            h += c * (r.bwdh + (r.bww - r.bwdh) * q - r.bww * q * q);
        } else if (r.smax > 0) {
            const real tc = r.tlandau;
            const real q0 = std::sqrt(1 - reftemp / tc);
            if (t > tc) {
                // Meets the branch below at Tc, as the Landau term of G does.
                h += c * r.smax * tc * (q0 - q0 * q0 * q0 / 3);
            } else {
                const real q = std::sqrt(1 - t / tc);
                h += c * tc * r.smax * ((q * q * q - q0 * q0 * q0) / 3 - (q - q0));
            }
        }
    }
    return h;
}

void readxy()
{
    fit.expcrdflag = false;
    str22 suffix = "em" + fit.fitsetprefs.emsuffix;
    std::string name;
    promptdatafile("ds-", suffix, "thermo", name, runfiles.datafile);
    runfiles.curfilename = name;
    readth();
    closetextfile(runfiles.datafile);
    readax();

    suffix = "xp" + fit.fitsetprefs.xpsuffix;
    promptdatafile("ds-", suffix, "xp info", name, runfiles.datafile);
    runfiles.curfilename = name;
    fitrestartcursor();
    fit.nrows = 0;
    ds.ntp = fit.ntpfit;
    directcalorimetry();
    oxidecalorimetry();
    fit.ncal = fit.nrows;
    experiments();
    if (fit.nrows + fit.nexp > maxfitrows) bombout("readxy", "too much data -> increase maxnexp", 0);
    fit.nrows = static_cast<int16_t>(fit.nrows + fit.nexp);
    closetextfile(runfiles.datafile);
    for (int k = maxfitphaseslots + 1; k <= phases.nphases; ++k) printaxinfo(static_cast<int16_t>(k));
}

}  // namespace zt
