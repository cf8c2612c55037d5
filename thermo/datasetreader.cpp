#include "thermo/datasetreader.h"

#include <cmath>
#include <string>

#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prefs.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/runstate.h"
#include "runtime/words.h"
#include "thermo/dataset.h"
#include "thermo/gibbs.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr int dstitlecut = 18;     // " (sigfit = x.xxx)" at the end of the title
constexpr int olddstitlecut = 25;

// Free-format reading of the dataset file: numbers separated by blanks or line ends,
// with whole lines skipped by count. A line taken apart by number reads stays current
// until skipline drops the rest of it.
struct dscursor {
    std::string line;
    size_t pos = 0;
    bool haveline = false;
};
dscursor cur;
stringlist words;
int16_t nwords = 0;

std::string name22(int em) { return ws.emname[static_cast<size_t>(em)]; }

[[noreturn]] void endedearly(const std::string& what) {
    bombout("readthermo", "dataset file ends early, reading " + what, 0);
}

void restart() {
    rewindfile(ds.dsfile);
    cur.line.clear();
    cur.pos = 0;
    cur.haveline = false;
}

void skipline(const std::string& what) {
    if (cur.haveline) {
        cur.haveline = false;
        return;
    }
    if (!readfileline(ds.dsfile, cur.line)) endedearly(what);
}

void skiplines(int n, const std::string& what) {
    for (int i = 0; i < n; ++i) skipline(what);
}

// One whole line as words (the rest of a current line is dropped first). With
// endasblank the end of the file reads as an empty line instead of ending the run.
void readwordline(const std::string& what, bool endasblank = false) {
    cur.haveline = false;
    if (!readfileline(ds.dsfile, cur.line)) {
        if (!endasblank) endedearly(what);
        cur.line.clear();
    }
    string2strings(cur.line, static_cast<int16_t>(cur.line.size()), words, nwords);
}

// The writer's fixed widths run a negative number into the one before it ("4.00-0.0100"):
// a sign that does not follow an exponent mark and leads into digits starts a new number.
bool startsnegativenumber(const std::string& line, size_t at) {
    const char c = line[at];
    if (c != '-' && c != '+') return false;
    const char before = line[at - 1];
    if (before == 'e' || before == 'E') return false;
    if (at + 1 >= line.size()) return false;
    const char after = line[at + 1];
    return (after >= '0' && after <= '9') || after == '.';
}

std::string nextword(const std::string& what) {
    while (true) {
        if (!cur.haveline) {
            if (!readfileline(ds.dsfile, cur.line)) endedearly(what);
            cur.pos = 0;
            cur.haveline = true;
        }
        while (cur.pos < cur.line.size() && isblankbyte(cur.line[cur.pos])) ++cur.pos;
        if (cur.pos >= cur.line.size()) {
            cur.haveline = false;
            continue;
        }
        const size_t start = cur.pos;
        while (cur.pos < cur.line.size() && !isblankbyte(cur.line[cur.pos])) {
            if (cur.pos > start && startsnegativenumber(cur.line, cur.pos)) break;
            ++cur.pos;
        }
        return cur.line.substr(start, cur.pos - start);
    }
}

// The next number of the file; one that does not read ends the run naming what it is.
real readnumber(const std::string& routine, const std::string& what) {
    const std::string word = nextword(what);
    real x = 0;
    if (!readfreereal(word, x)) bombout(routine, "cannot read " + what + ": got " + word, 0);
    return x;
}

int16_t readwhole(const std::string& routine, const std::string& what) {
    const std::string word = nextword(what);
    int16_t n = 0;
    std::string errtext;
    const std::string digits = word.size() > 1 && word[0] == '+' ? word.substr(1) : word;
    if (digits.size() > static_cast<size_t>(maxwordlen) || !readint(digits, n, errtext)) {
        bombout(routine, "cannot read " + what + ": got " + word, 0);
    }
    return n;
}

int headerlines() { return ds.dsmode == 5 ? 3 : 2; }

int blocklines() {
    if (ds.oldds) return 2;
    return ds.dsmode == 5 ? 4 : 5;
}

int16_t firstcompword() { return ds.dsmode >= 6 ? 3 : 2; }

std::string entrytext(int i) { return "entry " + wholetostr(i); }

// A word of the name line in words that must be an integer or a real; the report of
// one that is not names the field and the end-member.
int16_t wordinteger(int16_t w, const std::string& field) {
    return getinteger(wordtype(words[w]), words[w], field + " of " + words[1]);
}

real wordreal(int16_t w, const std::string& field) {
    return getsingle(wordtype(words[w]), words[w], field + " of " + words[1]);
}

// nsite and the composition pairs of the name line in words, for working end-member
// em. Returns the pair count. Indices outside the oxide table, too many pairs and a
// repeated element would corrupt the compositions silently, so they end the run.
int16_t readcomposition(int em, const char* ellcontext) {
    const std::string& name = words[1];
    const int16_t w0 = firstcompword();
    ws.nsite[static_cast<size_t>(em)] = wordinteger(w0, "nsite");
    int16_t k = 0;
    real natoms = 0;
    while (true) {
        const auto ellat = static_cast<int16_t>(w0 + 2 * k + 1);
        const std::string& ellword = words[ellat];
        const int16_t ell = wordinteger(ellat, ellcontext);
        if (ell == 0) break;
        if (ell < 1 || ell > maxcomps) {
            bombout("readthermo", "element index " + ellword + " outside 1 to 26 in the composition of " + name, 0);
        }
        if (k == maxcomppairs) {
            bombout("readthermo", "more than 8 composition pairs for " + name, 0);
        }
        for (int16_t j = 1; j <= k; ++j) {
            if (ds.emoxide[static_cast<size_t>(em)][static_cast<size_t>(j)] == ell) {
                if (ell == oxygenindex) bombout("readthermo", "two oxygen pairs in the composition of " + name, 0);
                bombout("readthermo", "element " + ellword + " given twice in the composition of " + name, 0);
            }
        }
        ++k;
        const real amount = wordreal(static_cast<int16_t>(w0 + 2 * k), "oxno");
        ds.emoxide[static_cast<size_t>(em)][static_cast<size_t>(k)] = ell;
        ds.emoxamount[static_cast<size_t>(em)][static_cast<size_t>(k)] = amount;
        natoms += amount;
    }
    ds.emnox[static_cast<size_t>(em)] = k;
    ds.emnatoms[static_cast<size_t>(em)] = natoms;
    return k;
}

void checkheader() {
    // An empty file is a malformed first line, not an early end.
    readwordline("line 1", true);
    if (nwords < 10) bombout("setuptextread", "first line of dsfile incorrectly formed 0", 0);
    if (wordtype(words[1]) != wkinteger) bombout("setuptextread", "first line of dsfile incorrectly formed 1", 0);
    const int16_t n = getinteger(wordtype(words[1]), words[1], "ntp?");
    ds.oldds = n == 190;
    if (n > 50) {
        ds.dsmode = ds.oldds ? -1 : 5;
        ds.ntp = n;
        if (words[2] != "don't") bombout("setuptextread", "first line of dsfile incorrectly formed 2a", 0);
    } else {
        ds.dsmode = n;
        if (n != 6 && n != 7) bombout("setuptextread", "dsmode <> 6 or 7??", 0);
        if (wordtype(words[2]) != wkinteger) bombout("setuptextread", "first line of dsfile incorrectly formed 4", 0);
        ds.ntp = getinteger(wordtype(words[2]), words[2], "ntp");
        if (words[3] != "don't") bombout("setuptextread", "first line of dsfile incorrectly formed 2b", 0);
    }
    if (ds.ntp > maxdsentries) bombout("setuptextread", "too many end-members", 0);

    readwordline("line 2");
    if (nwords != 0) bombout("readthermo", "expecting a blank line", 0);
    readwordline("line 3");
    if (nwords == 0) bombout("readthermo", "not expecting blank line", 0);
    if (ds.oldds) {
        readwordline("line 4");
        if (nwords < 10) bombout("readthermo", "insufficient info on 2nd line", 0);
    }
    if (run.calcmode == 4 && ds.dsmode < 5) bombout("thermo read", "old fitset not implemented", 0);
}

std::string covwhat(int i, int j) {
    return "covariance of " + ds.dsnames[static_cast<size_t>(i)] + " and " + ds.dsnames[static_cast<size_t>(j)];
}

}  // namespace

std::string datasetfilename(const str22& suffix) { return "zt-" + trunc22("ds" + suffix) + ".txt"; }

bool datasetgenerationok(const std::string& filename) {
    const str22 name = trunc22(filename);
    const char generation = name.size() > 5 ? name[5] : '\0';
    return generation == '5' || generation == '6' || generation == '7';
}

void setuptextread() {
    str22 suffix = trunc22("ds" + prefs.dssuffix);
    std::string filename;
    promptdatafile("zt-", suffix, "thermo dataset", filename, ds.dsfile);
    ds.dsfilename = trunc22(filename);
    if (!datasetgenerationok(ds.dsfilename)) bombout("setuptextread", "bad dsfile name", 0);
    ds.spswitch = ds.dsfilename[5] != '5';

    restart();
    checkheader();

    restart();
    skiplines(headerlines(), "the header");
    for (int i = 1; i <= ds.ntp; ++i) {
        readwordline(entrytext(i));
        ds.dsnames[static_cast<size_t>(i)] = words[1];
        if (nwords == 0) bombout("readthermo", "no name on the first line of " + entrytext(i), 0);
        skiplines(blocklines() - 1, entrytext(i));
    }
    readnumber("readthermo", "the check value before the covariances");
    for (int i = 1; i <= ds.ntp; ++i) {
        for (int j = i; j <= ds.ntp; ++j) readnumber("readthermo", covwhat(i, j));
    }
    skiplines(2, "the title");
    std::string title;
    if (!readfileline(ds.dsfile, title)) endedearly("the title");
    const size_t cut = ds.oldds ? olddstitlecut : dstitlecut;
    ds.dstitle = title.size() < cut ? title : title.substr(0, title.size() - cut);
    if (ds.dstitle.size() > static_cast<size_t>(maxtextlen)) ds.dstitle.resize(maxtextlen);

    writeconsole("\n" + ds.dstitle + "\n\n");
}

void makep() {
    ds.dsused.fill(false);
    ds.dsem.fill(0);
    for (int em = 1; em <= ws.nem; ++em) {
        int16_t i = 0;
        if (!findindataset(name22(em), i)) bombout("makep", "stuff up : unrecognised name : " + name22(em), 0);
        ds.dspos[static_cast<size_t>(em)] = i;
        ds.dsused[static_cast<size_t>(i)] = true;
        ds.dsem[static_cast<size_t>(i)] = static_cast<int16_t>(em);
    }
}

void readdscomps() {
    restart();
    skiplines(headerlines(), "the header");
    for (int i = 1; i <= ds.ntp; ++i) {
        if (!ds.dsused[static_cast<size_t>(i)]) {
            skiplines(blocklines(), entrytext(i));
            continue;
        }
        readwordline(entrytext(i));
        readcomposition(ds.dsem[static_cast<size_t>(i)], "ell 1");
        skiplines(blocklines() - 1, entrytext(i));
    }
}

void texthermoread() {
    restart();
    skiplines(headerlines(), "the header");
    for (size_t em = 1; em < ws.td.size(); ++em) {
        for (int f = 1; f <= 31; ++f) ws.td[em].field(f) = 0;
    }
    const std::string routine = "texthermoread";
    for (int i = 1; i <= ds.ntp; ++i) {
        if (!ds.dsused[static_cast<size_t>(i)]) {
            skiplines(blocklines(), entrytext(i));
            continue;
        }
        const int em = ds.dsem[static_cast<size_t>(i)];
        tdrecord& td = ws.td[static_cast<size_t>(em)];
        readwordline(entrytext(i));
        const std::string name = words[1];
        const std::string trimmed = trimblanks(name);
        const bool liquid = !trimmed.empty() && trimmed.back() == 'L';
        const int16_t k = readcomposition(em, "ell 2");
        const std::string of = " of " + name;

        int16_t code = 0;
        if (ds.dsmode >= 6) code = readwhole(routine, "code" + of);
        const bool einsteinlayout = ds.dsmode == 7 && code >= 3 && code <= 5;
        // Theta 0 would divide by zero in the Einstein functions.
        if (einsteinlayout && liquid) {
            bombout(routine, "liquid " + name + " cannot have an Einstein-layout code", 0);
        }

        if (ds.oldds) {
            const auto w = static_cast<int16_t>(firstcompword() + 2 * k);
            td.H = wordreal(static_cast<int16_t>(w + 2), "H");
            td.S = wordreal(static_cast<int16_t>(w + 3), "S");
            td.V = wordreal(static_cast<int16_t>(w + 4), "V");
            for (int f = 4; f <= 12; ++f) td.field(f) = readnumber(routine, "number " + wholetostr(f - 3) + " of the second line" + of);
            td.dkdt = td.theta;
            td.theta = td.k0pp;
            td.k0pp = td.k0p;
            td.k0p = 0;
        } else if (einsteinlayout) {
            static const char* const labels[] = {"H", "S", "V", "cpa", "cpb", "theta", "a0", "k0", "k0p", "k0pp"};
            static const int fields[] = {1, 2, 3, 4, 5, 6, 8, 9, 10, 11};
            for (int n = 0; n < 10; ++n) td.field(fields[n]) = readnumber(routine, std::string(labels[n]) + of);
            // A zero K0 gives a NaN here, which must not pass as regular.
            if (!(std::fabs(td.k0p / td.k0 + td.k0pp) <= 1e-5L)) bombout(routine, "k0pp not regularised?", 0);
        } else {
            static const char* const labels[] = {"H", "S", "V", "cpa", "cpb", "cpc", "cpd", "a0", "k0", "k0p", "k0pp"};
            const int nread = ds.dsmode == 5 ? 11 : 10;
            for (int n = 0; n < nread; ++n) td.field(n + 1) = readnumber(routine, std::string(labels[n]) + of);
            if (ds.dsmode != 5) td.k0pp = td.k0 > 0 ? -td.k0p / td.k0 : 0;
        }

        if (!ds.oldds) {
            if (liquid) {
                td.theta = 0;
                td.dkdt = readnumber(routine, "dkdt" + of);
            } else {
                td.dkdt = 0;
                if (einsteinlayout) {
                    td.theta = td.cpc;
                    td.cpc = 0;
                    td.cpd = 0;
                } else {
                    const real natoms = ds.emnatoms[static_cast<size_t>(em)];
                    td.theta = natoms == 0 ? 0 : std::nearbyint(10636.0L / (1000.0L * td.S / natoms + 6.44L));
                }
                if (td.theta < 10) td.theta = 10;
            }
        }

        td.tlandau = 0;
        td.smax = -1;
        td.vmax = -1;
        td.aqfactor = 0;
        td.bwdh = td.bwdhv = td.bww = td.bwwv = td.bwn = 0;
        td.bwfac = 1;

        int16_t extras = 0;
        if (ds.dsmode >= 6) {
            if (code == 1 || code == 4) extras = 1;
            else if (code == 2 || code == 5) extras = 2;
            else if (code == 8) extras = -1;
        } else {
            extras = readwhole(routine, "extras" + of);
        }
        if (extras == 1) {
            td.tlandau = readnumber(routine, "tlandau" + of);
            td.smax = readnumber(routine, "smax" + of);
            td.vmax = readnumber(routine, "vmax" + of);
        } else if (extras == 2) {
            static const char* const labels[] = {"bwdh", "bwdhv", "bww", "bwwv", "bwn", "bwfac"};
            for (int n = 0; n < 6; ++n) td.field(20 + n) = readnumber(routine, std::string(labels[n]) + of);
        } else if (extras == -1) {
            td.aqfactor = readnumber(routine, "aqfactor" + of);
            if (td.aqfactor != 0) td.aqfactor = td.aqfactor - 298.15L * td.cpb;
        }

        if (ds.dsmode < 6) {
            if (liquid) code = 7;
            else if (extras == -1) code = 8;
            else if (td.V == 0) code = 6;
            else code = extras;
        }
        td.code = code;
        preparetd(td);

        skipline(entrytext(i));
        if (ds.dsmode >= 6) skipline(entrytext(i));
    }
}

void readcovariance() {
    readnumber("readcovariance", "the check value before the covariances");
    for (int i = 1; i <= ds.ntp; ++i) {
        for (int j = i; j <= ds.ntp; ++j) {
            const real x = readnumber("readcovariance", covwhat(i, j));
            if (!ds.dsused[static_cast<size_t>(i)] || !ds.dsused[static_cast<size_t>(j)]) continue;
            const int a = ds.dsem[static_cast<size_t>(i)];
            const int b = ds.dsem[static_cast<size_t>(j)];
            const real single = static_cast<real>(static_cast<float>(x));
            ws.covat(a, b) = single;
            ws.covat(b, a) = single;
        }
    }
    closefile(ds.dsfile, true, ds.dsfilename);
}

void readthermo(int16_t code) {
    if (code == 1) {
        setuptextread();
    } else if (code == 2) {
        makep();
        readdscomps();
        makeoxides();
    } else {
        makep();
        texthermoread();
        readcovariance();
    }
}

}  // namespace zt
