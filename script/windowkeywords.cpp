// Window, list, fluid and fixed-activity keywords of the script.
#include <cmath>
#include <iterator>
#include <string>

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/checkers.h"
#include "script/resultformat.h"
#include "script/keywords.h"
#include "script/settings.h"

namespace zt {

namespace {

scriptinfostate& in = scriptinfo;
runsettings& s = settings;

constexpr real celsiustokelvin = 273.15L;

bool isword(int i) { return valuekind(i) == wkword; }


void diagrampt(const scriptline& l)
{
    s.diagramPT = l.sw;
    if (l.sw != 0) return;
    if (in.ninfo < 4) {
        putstr(1, "for " + l.keyword + ", 4 numbers needed to define a PT rectangle", 1, 9);
        ++s.nscriptproblems;
        s.diagramPT = 1;
        return;
    }
    int16_t n = 4;
    getreals(l.keyword, n);
    s.diagramPT = checkprange(l.keyword, s.pwindow[1], s.pwindow[2], s.pmin, 1500, 1);
    if (s.diagramPT == 0) s.diagramPT = checktrange(l.keyword, s.twindow[1], s.twindow[2], 283, 3000, 3);
}

// calcP and calcT: one value, a range, or a range and a step.
void calcrange(const scriptline& l, bool pressure)
{
    int32_t& sw = pressure ? s.calcP : s.calcT;
    std::array<real, 3>& range = pressure ? s.calcprange : s.calctrange;
    const std::array<real, 3>& window = pressure ? s.pwindow : s.twindow;
    sw = l.sw;
    range[1] = window[1];
    range[2] = window[2];
    if (l.sw == 1) return;
    int16_t n = 0;
    if (!getreals(l.keyword, n)) {  // counted there, or the end of a strict run
        putstr(1, "for " + l.keyword + ", 1, 2 or 3 numbers needed", 0, 9);
        sw = 1;
        return;
    }
    if (n >= 2) {
        sw = pressure ? checkprange(l.keyword, range[1], range[2], window[1], window[2], 1)
                      : checktrange(l.keyword, range[1], range[2], window[1], window[2], 1);
        if (sw == 0 && n >= 3) (pressure ? s.pinterval : s.tinterval) = valuereal(3);
    } else {
        sw = pressure ? checkonep(l.keyword, range[1], window[1], window[2], 1)
                      : checkonet(l.keyword, range[1], window[1], window[2], 1);
        range[2] = range[1];
    }
}

void calcp(const scriptline& l) { calcrange(l, true); }
void calct(const scriptline& l) { calcrange(l, false); }

void ptforaxe(const scriptline& l)
{
    s.ptforaxe = l.sw;
    if (l.sw == 1) return;
    int16_t n = 2;
    real p = 0, t = 0;
    // checked as every P and T of the script; a value refused is asked for instead
    if (!getreals(l.keyword, n) || checkonep(l.keyword, p, s.pmin, 1500, 1) != 0 ||
        checkonet(l.keyword, t, 283, 3000, 2) != 0) {
        s.ptforaxe = 1;
        return;
    }
    s.pforaxe = p;
    s.tforaxe = valuereal(2);
}

void ptguess(const scriptline& l)
{
    s.ptguess = l.sw;
    if (l.sw != 0 || l.valuewords() < 2) {
        s.ptguess = 1;
        return;
    }
    linereals v{};
    int16_t count = 2;
    if (!readreals(l.words, l.count, l.used, count, v)) {
        s.ptguess = 1;
        return;
    }
    s.ptguessp = v[1];
    s.ptguesst = v[2] + celsiustokelvin;
    const bool inside =
        s.ptguessp >= s.pmin && s.ptguessp <= 1500 && s.ptguesst >= 283 - endslack && s.ptguesst <= 3000 + endslack;
    if (!inside) s.ptguess = 1;
}

void figure(const scriptline&)
{
    if (in.ninfo == 0) return;
    const str22& w = valueword(1);
    if (w == "P-T" || w == "PT")
        s.figure = 0;
    else if (w == "T-x(CO2)" || w == "Tx(CO2)")
        s.figure = 1;
    else if (w == "P-x(CO2)" || w == "Px(CO2)")
        s.figure = 2;
    else if (w == "mu-mu")
        s.figure = 3;
    else
        bombout("reading scripts", w + " not recognised (remove from scriptfile)", 0);
}

void xco2values(const scriptline& l)
{
    s.xco2values = l.sw == 2 ? 0 : l.sw;
    s.xco2range = {0, 0, 0, 0};
    if (l.sw == 1) return;
    int16_t n = 0;
    if (!getreals(l.keyword, n)) {
        putstr(1, "x(CO2): low, high and inc expected, or one or more values", 0, 9);
        bombout("reading scripts", "info inappropriate", 0);
    }
    if (n == 3 && valuereal(3) < valuereal(2)) {
        const real low = valuereal(1), high = valuereal(2);
        real step = valuereal(3);
        if (!(low > 0 && high < 1 && low <= high && step > 0 && step <= high - low)) {
            putstr(1, "x(CO2): low, high and inc expected", 0, 9);
            bombout("reading scripts", "values inappropriate", 0);
        }
        // Counted as a real first: a tiny step would pass any integer type.
        const real count = std::trunc((high - low) / step) + 1;
        int32_t nx = count > 200 ? 201 : static_cast<int32_t>(count);
        if (count > 200) step = (high - low) / 200;
        for (int32_t k = 1; k <= nx; ++k) s.xco2list[static_cast<size_t>(k)] = low + (k - 1) * step;
        if (std::fabs(s.xco2list[static_cast<size_t>(nx)] - high) > 1e-8L && nx < maxlist) {
            ++nx;
            s.xco2list[static_cast<size_t>(nx)] = high;
        }
        s.nxco2values = static_cast<int16_t>(nx);
        s.xco2range = {0, low, high, step};
        return;
    }
    int16_t kept = 0;
    for (int i = 1; i <= n; ++i) {
        if (valuereal(i) > 0 && valuereal(i) < 1) s.xco2list[static_cast<size_t>(++kept)] = valuereal(i);
    }
    if (kept == 0) {
        putstr(1, "x(CO2): list of values between 0 and 1 expected", 0, 9);
        bombout("reading scripts", "values inappropriate", 0);
    }
    s.nxco2values = kept;
}

void setfluid(const scriptline& l)
{
    s.setfluid = l.sw;
    s.xco2fluid = 0;
    s.xh2ofluid = 1;
    if (l.sw == 1) return;
    if (getonereal(l.keyword, 0, 1)) {
        s.xco2fluid = valuereal(1);
        s.xh2ofluid = 1 - valuereal(1);
    } else {
        s.setfluid = 1;
    }
}

void lna(const scriptline& l)
{
    s.setlna = l.sw == 2 ? 1 : l.sw;
    if (run.calcmode == 1) {
        if (valueword(1) == "none" || in.ninfo < 2) {
            s.setlna = 1;
        } else if (s.setlna != 1 && isword(1)) {
            s.nlna = 1;
            s.nlnalist[1] = 1;
            s.lnanames[1] = valueword(1);
            if (isvaluenumber(2))
                s.lnavalues[1] = valuereal(2);
            else
                s.setlna = 1;
            s.lnalabels[1] = in.ninfo >= 3 ? valueword(3) : valueword(1);
        } else if (isvaluenumber(1)) {
            s.setlna = 1;
        }
    }
    if (s.setlna == 1) s.nlna = 0;
}

// The number after a name in a seta or setmu list: false when none follows.
bool numberafter(const scriptline& l, int16_t i, bool& ok, real& x)
{
    ok = true;
    if (i > l.count || !isnumeric(wordtype(l.words[i]))) return false;
    linereals v{};
    int16_t count = 1;
    ok = readreals(l.words, l.count, static_cast<int16_t>(i - 1), count, v);
    x = v[1];
    return true;
}

std::string valuefield(real x, int16_t decimals)
{
    std::string field;
    addreal(decimals, true, 10, x, field);
    return field;
}

// How a list of names with optional numbers is held and echoed.
struct namedlist {
    const char* what;   // for the capacity report
    int limit;
    std::string label;  // "ln a(", "log a(" or "mu("
    int16_t decimals;
    real unset;         // the value of a name without a number
    bool activities;    // given as a, held as ln a
    str22* names;
    real* values;
};

// Names from the first value word on, each with an optional number; one name alone is
// taken silently, otherwise each entry is echoed on the console. False when a number does
// not read, or an activity is not above 0: the caller then drops the list.
bool readnamedlist(const scriptline& l, const namedlist& d, int16_t& n)
{
    n = 0;
    int16_t i = static_cast<int16_t>(l.used + 1);
    if (l.valuewords() == 1) {
        n = 1;
        d.names[1] = l.words[i];
        d.values[1] = d.unset;
        return true;
    }
    while (i <= l.count) {
        const str22 name = l.words[i];
        ++i;
        checktablespace(l.keyword, n + 1, d.limit, d.what);
        ++n;
        d.names[n] = name;
        d.values[n] = d.unset;
        bool ok = true;
        real x = 0;
        if (!numberafter(l, i, ok, x)) {
            putstr(0, d.label + name + ") - to be set ", 1, 1);
            continue;
        }
        ++i;
        if (!ok) return false;
        if (d.activities) {
            if (!(x > 0)) {
                scriptvalueproblem(l.keyword,
                                   "for " + l.keyword + ", info given is " + inquotes(l.words[i - 1]) +
                                       ", but an activity must be greater than 0",
                                   "activity inappropriate", "info in the script needs to be corrected");
                return false;
            }
            x = std::log(x);
        }
        d.values[n] = x;
        putstr(0, d.label + name + ") = " + valuefield(x, d.decimals), 1, 1);
    }
    return true;
}

// seta, setlna and setloga: a list of end-members with their activities.
void setactivities(const scriptline& l)
{
    const bool givenasa = l.keyword == "seta";
    const bool givenaslog = l.keyword == "setloga";
    int32_t& own = givenasa ? s.seta : givenaslog ? s.setloga : s.setlna;
    own = l.sw;
    if (l.sw == 1) return;
    if (run.calcmode == 1) bombout("read scripts", "for mode 1, use 'lna' script", 0);
    if (l.valuewords() < 1) return;
    // The list replaces any earlier one, so only this keyword says how to read it.
    if (!givenasa) s.seta = 1;
    if (!givenaslog) s.setloga = 1;
    if (givenasa || givenaslog) s.setlna = 1;
    const namedlist list{"end-members", maxlnavalues, givenaslog ? "log a(" : "ln a(", 4, 10, givenasa,
                         s.lnanames.data(), s.lnavalues.data()};
    if (readnamedlist(l, list, s.nlna)) return;
    s.seta = s.setlna = s.setloga = 1;
    s.nlna = 0;
}

void setmu(const scriptline& l)
{
    s.setmu = l.sw;
    if (l.sw == 1 || l.valuewords() < 1) return;
    const namedlist list{"components", maxmuvalues, "mu(", 2, 0, false, s.munames.data(), s.muvalues.data()};
    if (readnamedlist(l, list, s.nmu)) return;
    s.setmu = 1;
    s.nmu = 0;
}

void muval(const scriptline& l)
{
    const str22& w2 = l.count >= 2 ? l.words[2] : l.words[0];
    if (!s.muvalstarted) {
        if (l.count == 1 || w2 == "yes" || w2 == "ask") {
            s.muvalstarted = true;
            s.muvalswitch = 0;
            putstr(1, "mu input", 1, 1);
        } else {
            s.muvalswitch = 1;
        }
        return;
    }
    if (s.muvalswitch != 0) return;
    if (w2 == "no" || w2 == "ask" || w2 == "yes") bombout("reading scripts", "cbool out of place in muval script", 0);
    std::string line;
    if (valueword(1) == "PT") {
        shiftinfo(1);
        int16_t n = 2;
        if (!getreals(l.keyword, n)) return;
        s.muvalpt[1] = valuereal(1);
        s.muvalpt[2] = valuereal(2) + celsiustokelvin;
        if (s.muvalpt[1] < s.calcprange[1] || s.muvalpt[2] < s.calctrange[1])
            bombout("reading scripts", "PT of muval too small", 0);
        addreal(2, true, 8, s.muvalpt[1], line);
        addreal(1, true, 7, valuereal(2), line);
    } else if (isvaluenumber(1)) {
        int16_t n = s.nbulkoxides;
        if (!getreals(l.keyword, n)) return;
        checktablespace(l.keyword, n, maxcomps, "values");
        for (int i = 1; i <= n; ++i) {
            s.mucalc[static_cast<size_t>(i)] = valuereal(i);
            addreal(3, true, 10, valuereal(i), line);
        }
    } else {
        int16_t n = 0;
        if (!getstrings(l.keyword, n)) return;
        for (int i = 1; i <= n; ++i) {
            s.munames[static_cast<size_t>(i)] = valueword(i);
            addfield(valueword(i), 10, line);
        }
        s.nbulkoxides = n;
    }
    putstr(0, line, 1, 1);
}

// The shapes of an isopleth line.
void isoplethforms(const scriptline& l, std::array<isoplethentry, 3>& info, const std::string& what)
{
    isoplethentry& a = info[1];
    isoplethentry& b = info[2];
    const int16_t n = in.ninfo;
    a.name = valueword(1);
    auto number = [](int i) { return isvaluenumber(i) ? valuereal(i) : 0; };
    if (n == 1) {
    } else if (isword(2)) {
        b.name = valueword(2);
    } else if (n == 2) {
        a.low = a.high = number(2);
    } else if (n == 4 && isword(3)) {
        a.low = a.high = number(2);
        b.name = valueword(3);
        b.low = b.high = number(4);
    } else if (n == 4) {
        shiftinfo(1);
        int16_t three = 3;
        getreals(l.keyword, three);
        a.low = number(1);
        a.high = number(2);
        a.step = number(3);
    } else if ((n == 5 && isword(5)) || n == 6 || n == 8) {
        a.low = number(2);
        a.high = number(3);
        a.step = number(4);
        b.name = valueword(5);
        if (n == 6) b.low = b.high = number(6);
        if (n == 8) {
            b.low = number(6);
            b.high = number(7);
            b.step = number(8);
        }
    } else {
        putstr(1, what + " info not recognised: just use isopleth name(s)", 1, 9);
        putstr(0, "and enter the isopleth information interactively?", 0, 9);
        bombout("reading scripts", what + " info inappropriate", 0);
    }
    for (size_t k = 1; k <= 2; ++k) {
        const isoplethentry& e = info[k];
        if (!(e.low <= e.high && e.step > 0 && e.low >= 0 && e.high <= 1)) {
            putstr(1, what + ": name, then low, high and increment expected, or one value", 0, 9);
            bombout("reading scripts", what + " values inappropriate", 0);
        }
    }
}

void isoplethkeyword(const scriptline& l, int32_t& sw, std::array<isoplethentry, 3>& info, const std::string& what)
{
    sw = l.sw;
    for (size_t k = 1; k <= 2; ++k) info[k] = isoplethentry{"", 0, 0, 0.001L};
    if (valueword(1) == "none") {
        sw = 1;
        return;
    }
    if (l.sw != 1 && isword(1)) isoplethforms(l, info, what);
}

void isopleth(const scriptline& l) { isoplethkeyword(l, s.isopleth, s.isoplethinfo, "isopleth"); }
void modeiso(const scriptline& l) { isoplethkeyword(l, s.modeiso, s.modeisoinfo, "mode isopleth"); }

void zeromodeiso(const scriptline& l)
{
    s.zeromodeiso = l.sw;
    if (l.sw != 0 || in.ninfo == 0) return;
    s.zeromodeisonames[1] = valueword(1);
    if (in.ninfo >= 2) s.zeromodeisonames[2] = valueword(2);
}

void buffer(const scriptline& l)
{
    if (l.sw == 0) {
        s.buffername = valueword(1);
        if (!isvaluenumber(2)) bombout("reading scripts", "buffer, " + inquotes(valueword(1)) + ", not a del", 0);
        s.bufferdel = valuereal(2);
    }
    std::string del;
    addreal(2, true, 4, s.bufferdel, del);
    putstr(0, "for " + s.buffername + " del = " + del, 1, 1);
}

const handlerrow handlerrows[] = {
    {"diagramPT", diagrampt},
    {"figurePT", diagrampt},
    {"windowPT", diagrampt},
    {"calcP", calcp},
    {"calcT", calct},
    {"ptforaxe", ptforaxe},
    {"setptforaxe", ptforaxe},
    {"ptguess", ptguess},
    {"figure", figure},
    {"fig", figure},
    {"calcx(CO2)", xco2values},
    {"calcx(co2)", xco2values},
    {"x(CO2)values", xco2values},
    {"xco2values", xco2values},
    {"setfluid", setfluid},
    {"x(CO2)", setfluid},
    {"lna", lna},
    {"seta", setactivities},
    {"setlna", setactivities},
    {"setloga", setactivities},
    {"setmu", setmu},
    {"mu", setmu},
    {"muval", muval},
    {"isopleth", isopleth},
    {"setiso", isopleth},
    {"modeiso", modeiso},
    {"modeisopleth", modeiso},
    {"zeromodeiso", zeromodeiso},
    {"zeromodeisopleth", zeromodeiso},
    {"buffer", buffer},
};

}  // namespace

bool windowkeyword(const scriptline& line)
{
    return runhandler(std::begin(handlerrows), std::end(handlerrows), line);
}

}  // namespace zt
