// Phase, bulk-composition and block keywords of the script.
#include <iterator>
#include <string>

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "script/checkers.h"
#include "script/keywords.h"
#include "script/settings.h"

namespace zt {

namespace {

scriptinfostate& in = scriptinfo;
runsettings& s = settings;

int32_t askasyes(int32_t sw) { return sw == 2 ? 0 : sw; }

// "FeOt" and "FeOtot" are both FeO.
str22 oxidename(const str22& name) { return name == "FeOt" || name == "FeOtot" ? str22("FeO") : name; }

void with(const scriptline& l)
{
    s.withswitch = askasyes(l.sw);
    s.nwith = 0;
    if (l.sw == 1) return;
    if (valueword(1) == "all") bombout("reading script", "\"all\" in " + inquotes(l.keyword) + " only defined for utilitycalc", 0);
    if (in.ninfo == 0) {
        putstr(1, l.keyword + " should be followed by a list of phase names", 1, 9);
        bombout("reading scripts", l.keyword + ": missing list", 0);
    }
    s.someof = valueword(1) == "someof";
    if (s.someof) {
        if (in.ninfo == 1) {
            putstr(1, l.keyword + "someof should be followed by a list of phase names", 1, 9);
            bombout("reading script" + l.keyword, "missing list of phases", 0);
        }
        shiftinfo(1);
    }
    int16_t n = 0;
    if (!getstrings(l.keyword, n)) return;
    for (int i = 1; i <= n; ++i) {
        const str22& name = valueword(i);
        if (name.empty()) bombout("reading script" + l.keyword, "zero-length string", 0);
        if (name.front() == '_' || name.back() == '_') bombout("reading script", "sepchar in wrong place in " + name, 0);
        s.withshortnames[static_cast<size_t>(i)] = name;
        s.withnames[static_cast<size_t>(i)] = name.substr(0, name.find('_'));
    }
    s.nwith = n;
}

// inexcess and tozero: a list of phases, or none.
void phaselist(const scriptline& l, int32_t& sw, int16_t& count, std::array<str22, maxexcesslist + 1>& names)
{
    if (l.sw == 1 || in.ninfo == 0 || valueword(1) == "none") {
        sw = 0;
        count = 0;
        return;
    }
    int16_t n = 0;
    if (!getstrings(l.keyword, n)) return;
    checktablespace(l.keyword, n, maxexcesslist, "phases");
    for (int i = 1; i <= n; ++i) names[static_cast<size_t>(i)] = valueword(i);
    count = n;
}

void inexcess(const scriptline& l)
{
    s.inexcesson = l.sw;
    phaselist(l, s.inexcesson, s.nexcesslist, s.excesslist);
}

void tozero(const scriptline& l)
{
    s.tozero = askasyes(l.sw);
    phaselist(l, s.tozero, s.ntozero, s.tozeronames);
}

void rgb(const scriptline& l)
{
    if (l.sw == 1 || s.nrgb == 0 || l.valuewords() < 3) return;
    nextrow(s.nrgb, -1);
    checktablespace(l.keyword, s.nrgb, maxrgbentries, "colours");
    const size_t k = static_cast<size_t>(s.nrgb);
    const str22& name = l.words[l.used + 1];
    s.rgbnames[k] = name;
    lineints v{};
    int16_t count = 3;
    bool ok = readints(l.words, l.count, static_cast<int16_t>(l.used + 1), count, v);
    for (size_t c = 1; ok && c <= 3; ++c) {
        ok = v[c] >= 0 && v[c] <= 255;
        s.rgbcolours[k][c] = v[c];
    }
    if (!ok) s.nrgb = 0;
    if (s.nrgb == 0) {
        putstr(0, "rgb = -", 1, 1);
        return;
    }
    std::string line = "rgb = " + wholetostr(s.nrgb) + ") ";
    addfield(name, 5, line);
    for (size_t c = 1; c <= 3; ++c) addwhole(4, line, s.rgbcolours[k][c]);
    putstr(0, line, 1, 1);
}

void pseudosection(const scriptline& l)
{
    s.pseudosection = l.sw != 1;
    s.pseudosectiongiven = true;
    if (s.pseudosection && (s.bulk == 0 || s.rbi == 0))
        bombout("reading scripts", "pseudosection script needs to be before reading bulk", 0);
}

// A block whose first line holds numbers where the header of names now stands.
[[noreturn]] void oldheaderlayout(const std::string& first, const std::string& second, const std::string& message)
{
    putstr(1, first, 1, 13);
    putstr(0, second, 1, 13);
    bombout("reading scripts", message, 0);
}

void ambiguousbulk()
{
    putstr(1, "both bulk and rbi in the scriptfile; choose which to use", 0, 13);
    bombout("reading scripts", "ambiguity setting the bulk composition", 0);
}

// The oxide (component) names of a bulk or rbi header.
bool bulkheader(const scriptline& l, int limit)
{
    int16_t n = 0;
    if (!getstrings(l.keyword, n)) return false;
    checktablespace(l.keyword, n, limit, "components");
    for (int i = 1; i <= n; ++i) s.bulkoxides[static_cast<size_t>(i)] = oxidename(valueword(i));
    s.nbulkoxides = n;
    return true;
}

// The row of amounts after the first value word: width values, or all when width is 0.
bool rowafterfirst(const str22& keyword, int16_t width, real* row)
{
    shiftinfo(1);
    int16_t n = width;
    if (!getreals(keyword, n)) return false;
    for (int i = 1; i <= n; ++i) row[i] = valuereal(i);
    return true;
}

void bulkcomposition(const scriptline& l)
{
    if (s.nbulks == -2) s.nbulks = 0;
    ++s.nbulks;
    int16_t n = s.nbulkoxides;
    if (!getreals(l.keyword, n)) {
        s.nbulks = 0;
        return;
    }
    // A muval line may have named more components since the header.
    checktablespace(l.keyword, n, maxbulkcomps, "components");
    real sum = 0;
    for (int i = 1; i <= n; ++i) sum += valuereal(i);
    if (!(sum > 0)) bombout("reading scripts", "sum of bulk composition <= 0?", 0);
    std::array<real, maxbulkcomps + 1>& row = s.nbulks == 1 ? s.bulk1 : s.bulk2;
    for (int i = 1; i <= n; ++i) row[static_cast<size_t>(i)] = valuereal(i) * 100 / sum;
    if (s.nbulks == 2 && in.ninfo > s.nbulkoxides) {
        shiftinfo(s.nbulkoxides);
        if (getoneinteger(l.keyword, 2, 100)) s.nbulksteps = static_cast<int16_t>(valueint(1) + 1);
    }
}

void bulk(const scriptline& l)
{
    s.bulk = askasyes(l.sw);
    if (l.sw == 1) {
        s.nbulks = 0;
    } else if (s.nbulks != 0 && s.pseudosection) {
        if (s.rbi == 0) ambiguousbulk();
        if (s.nbulks == -3) {
            if (in.ninfo > 0 && isvaluenumber(1))
                oldheaderlayout(l.keyword + " should start with an oxide list on a line,  ",
                                "before the one or two lines of compositions",
                                "change the " + l.keyword + " script");
            s.nbulks = bulkheader(l, maxbulkcomps) ? int16_t{-2} : int16_t{0};
        } else if (s.nbulks == 2) {
            bombout("reading scripts", "more than two compositions in setbulk?", 0);
        } else {
            bulkcomposition(l);
        }
    }
    if (s.nbulks == 0) s.bulk = 1;
}

void rbiline(const scriptline& l)
{
    nextrow(s.nrbi, -2);
    checktablespace(l.keyword, s.nrbi, maxrbilines, "phase lines");
    const size_t k = static_cast<size_t>(s.nrbi);
    if (!getonestring(l.keyword)) {
        s.nrbi = 0;
        return;
    }
    s.rbinames[k] = valueword(1);
    shiftinfo(1);
    if (valueword(1) == "##") bombout("reading scripts", "replace ## with modes in rbi", 0);
    if (!getonereal(l.keyword, -1, 100)) {
        s.nrbi = 0;
        return;
    }
    s.rbitable[0][k] = valuereal(1);
    if (!rowafterfirst(l.keyword, s.nbulkoxides, s.rbitable[k].data())) s.nrbi = 0;
}

void rbi(const scriptline& l)
{
    s.rbi = askasyes(l.sw);
    if (l.sw == 1) {
        s.nrbi = 0;
    } else if (s.nrbi != 0) {
        if (!s.pseudosection) {
            // Nothing is read before the pseudosection line, and the bulk stays unset.
            s.rbi = 1;
            return;
        }
        if (s.bulk == 0) ambiguousbulk();
        if (s.nrbi == -1) {
            if (in.ninfo > 0 && isvaluenumber(1))
                oldheaderlayout("now, rbi starts with a component list on a line (run a ",
                                "calculation with printbulkinfo to see the new format)",
                                "change the rbi");
            s.nrbi = bulkheader(l, maxbulkoxides) ? int16_t{-2} : int16_t{0};
        } else {
            rbiline(l);
        }
    }
    if (s.nrbi != 0)
        s.nbulks = 1;
    else
        s.rbi = 1;
}

void splitbulk(const scriptline& l)
{
    s.bulksubrange = l.sw;
    s.bulksubrangelo = 0;
    s.bulksubrangehi = 1;
    if (l.sw == 1) return;
    if (in.ninfo == 0) {
        s.bulksubrangelo = -1;
        return;
    }
    if (!getonereal(l.keyword, 0, 1)) {
        s.bulksubrangelo = -1;
        return;
    }
    s.bulksubrangelo = valuereal(1);
    if (in.ninfo == 1) {
        s.bulksubrangehi = valuereal(1);
        s.onebulkvalue = valuereal(1);
        return;
    }
    shiftinfo(1);
    if (getonereal(l.keyword, 0, 1) && valuereal(1) >= s.bulksubrangelo) s.bulksubrangehi = valuereal(1);
}

void onebulk(const scriptline& l)
{
    s.onebulk = l.sw;
    s.onebulkvalue = -1;
    if (l.sw != 1 && in.ninfo > 0 && getonereal(l.keyword, 0, 1)) s.onebulkvalue = valuereal(1);
}

void project(const scriptline& l)
{
    s.projection = askasyes(l.sw);
    if (s.projection != 1 && s.projplane == 0)
        bombout("reading scripts", "projection script needs to be before reading projection plane", 0);
}

void projplane(const scriptline& l)
{
    s.projplane = l.sw;
    if (l.sw == 1) {
        s.napices = 0;
        return;
    }
    if (s.napices == 0 || s.projection == 1) return;
    if (s.napices == -1) {
        if (in.ninfo > 0 && isvaluenumber(1))
            oldheaderlayout("now, " + l.keyword + " starts with an oxide list on a line, before the block ",
                            "of apex compositions (this line was there before but preceded by a %)",
                            "change the " + l.keyword + " script");
        int16_t n = 0;
        if (!getstrings(l.keyword, n)) {
            s.napices = 0;
            return;
        }
        checktablespace(l.keyword, n, maxprojoxides, "oxides");
        for (int i = 1; i <= n; ++i) s.projoxides[static_cast<size_t>(i)] = oxidename(valueword(i));
        s.nprojoxides = n;
        s.napices = -2;
        return;
    }
    nextrow(s.napices, -2);
    checktablespace(l.keyword, s.napices, maxprojoxides, "apices");
    const size_t k = static_cast<size_t>(s.napices);
    if (!getonestring(l.keyword)) {
        s.napices = 0;
        return;
    }
    s.apexnames[k] = valueword(1);
    if (!rowafterfirst(l.keyword, s.nprojoxides, s.apexcomps[k].data())) s.napices = 0;
}

void isr(const scriptline& l)
{
    s.setisr = l.sw;
    if (l.sw == 1) {
        s.nisr = 0;
    } else if (s.nisr != 0) {
        if (s.nisr == -1 && in.ninfo > 0 && isvaluenumber(1))
            oldheaderlayout("now, " + l.keyword + " starts with an end-member list on a line, before the block ",
                            "of reaction coeffs (this line was there before but preceded by a %)",
                            "change the " + l.keyword + " script");
        if (s.nisr == -1) {
            int16_t n = 0;
            if (getstrings(l.keyword, n)) {
                for (int i = 1; i <= n; ++i) s.isrnames[static_cast<size_t>(i)] = valueword(i);
                s.nisrnames = n;
                s.nisr = -2;
            } else {
                s.nisr = 0;
            }
        } else {
            nextrow(s.nisr, -2);
            checktablespace(l.keyword, s.nisr, maxisrrows, "reactions");
            int16_t n = s.nisrnames;
            if (getintegers(l.keyword, n)) {
                for (int i = 1; i <= n; ++i)
                    s.isrcoeffs[static_cast<size_t>(s.nisr)][static_cast<size_t>(i)] = valueint(i);
            } else {
                s.nisr = 0;
            }
        }
    }
    if (s.nisr == 0) s.setisr = 1;
}

void convliq(const scriptline& l)
{
    s.convliq = l.sw;
    const bool taken = s.nconvliqrows != 0 && (s.nconvliqrows == -1 || in.ninfo == s.nconvliqcols);
    if (taken) {
        if (l.sw != 0 || in.ninfo < 2) {
            s.convliq = 1;
        } else {
            if (s.nconvliqrows == -1) {
                s.nconvliqrows = 0;
                s.nconvliqcols = in.ninfo;
                if (s.nconvliqcols > maxconvliqcols) bombout("control", "too many columns in convliq matrix", 0);
            }
            linereals v{};
            int16_t count = s.nconvliqcols;
            if (readreals(l.words, l.count, l.used, count, v)) {
                ++s.nconvliqrows;
                if (s.nconvliqrows > maxconvliqrows) bombout("control", "too many rows in convliq matrix", 0);
                for (int c = 1; c <= s.nconvliqcols; ++c)
                    s.convliqmatrix[static_cast<size_t>(s.nconvliqrows)][static_cast<size_t>(c)] = v[static_cast<size_t>(c)];
            } else {
                s.convliq = 1;
            }
        }
    }
    if (s.convliq == 1) s.nconvliqrows = 0;
}

void samecoding(const scriptline& l)
{
    s.samecodingswitch = l.sw;
    if (s.nsamecoding != 0) {
        if (l.sw != 0 || in.ninfo == 0) {
            s.samecodingswitch = 1;
        } else {
            if (s.nsamecoding == maxsamecodinggroups) bombout("reading scripts", "too many samecodings", 0);
            nextrow(s.nsamecoding, -1);
            if (in.ninfo > maxsamecodingitems) bombout("reading scripts", "too many items in a samecoding", 0);
            const size_t g = static_cast<size_t>(s.nsamecoding);
            for (int i = 1; i <= in.ninfo; ++i) {
                const size_t k = static_cast<size_t>(i);
                s.sameshortname[g][k] = s.samewrittenname[g][k] = s.samefullname[g][k] = valueword(i);
            }
            s.nsameitems[g] = in.ninfo;
        }
    }
    if (s.samecodingswitch == 1) s.nsamecoding = 0;
}

// The real after position first, or false.
bool realat(const scriptline& l, int16_t first, real& x)
{
    linereals v{};
    int16_t count = 1;
    if (!readreals(l.words, l.count, first, count, v)) return false;
    x = v[1];
    return true;
}

void xyzguess(const scriptline& l)
{
    s.xyzguessswitch = l.sw;
    if (s.nxyzguess != 0) {
        const int16_t p = l.used;
        real value = 0;
        if (l.sw != 0 || l.valuewords() < 2 || !realat(l, static_cast<int16_t>(p + 1), value)) {
            s.xyzguessswitch = 1;
        } else {
            nextrow(s.nxyzguess, -1);
            if (s.nxyzguess > maxxyzguesses) bombout("reading scripts", "too many xyzguess", 0);
            const size_t k = static_cast<size_t>(s.nxyzguess);
            s.xyzguessnames[k] = l.words[p + 1];
            s.xyzguessvalues[k] = value;
            s.xyzguesssd[k] = 0;
            s.xyzguesslow[k] = 0;
            s.xyzguesshigh[k] = 1;
            int16_t rangeat = 0;
            if (l.valuewords() >= 4 && l.words[p + 3] == "sd") {
                real sd = 0;
                if (realat(l, static_cast<int16_t>(p + 3), sd)) s.xyzguesssd[k] = sd < 0 ? 0 : sd;
                if (l.valuewords() >= 7 && l.words[p + 5] == "range") rangeat = static_cast<int16_t>(p + 5);
            } else if (l.valuewords() >= 5 && l.words[p + 3] == "range") {
                rangeat = static_cast<int16_t>(p + 3);
            }
            linereals v{};
            int16_t count = 2;
            if (rangeat > 0 && readreals(l.words, l.count, rangeat, count, v)) {
                s.xyzguesslow[k] = v[1];
                s.xyzguesshigh[k] = v[2];
            }
        }
    }
    if (s.xyzguessswitch == 1) s.nxyzguess = 0;
}

void modeguess(const scriptline& l)
{
    s.modeguessswitch = l.sw;
    if (s.nmodeguess != 0) {
        real mode = 0;
        if (l.sw != 0 || l.valuewords() < 2 || !realat(l, static_cast<int16_t>(l.used + 1), mode)) {
            s.modeguessswitch = 1;
        } else {
            nextrow(s.nmodeguess, -1);
            if (s.nmodeguess > maxmodeguesses) bombout("reading scripts", "too many modeguess", 0);
            s.modeguessnames[static_cast<size_t>(s.nmodeguess)] = l.words[l.used + 1];
            s.modeguessvalues[static_cast<size_t>(s.nmodeguess)] = mode;
        }
    }
    if (s.modeguessswitch == 1) s.nmodeguess = 0;
}

const handlerrow handlerrows[] = {
    {"with", with},
    {"which", with},
    {"inexcess", inexcess},
    {"setexcess", inexcess},
    {"tozero", tozero},
    {"setexcess0", tozero},
    {"inexcess0", tozero},
    {"rgb", rgb},
    {"pseudosection", pseudosection},
    {"pseudo", pseudosection},
    {"bulk", bulk},
    {"setbulk", bulk},
    {"readbulkinfo", rbi},
    {"rbi", rbi},
    {"splitbulk", splitbulk},
    {"bulksubrange", splitbulk},
    {"onebulk", onebulk},
    {"project", project},
    {"projection", project},
    {"setprojplane", projplane},
    {"projplane", projplane},
    {"setisr", isr},
    {"isr", isr},
    {"convliq", convliq},
    {"samecoding", samecoding},
    {"samexeos", samecoding},
    {"xyzguess", xyzguess},
    {"readxyz", xyzguess},
    {"xyz", xyzguess},
    {"modeguess", modeguess},
};

}  // namespace

bool blockkeyword(const scriptline& line)
{
    return runhandler(std::begin(handlerrows), std::end(handlerrows), line);
}

}  // namespace zt
