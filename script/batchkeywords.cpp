// Batch, Monte Carlo and filter keywords of the script.
#include <cmath>
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

constexpr real celsiustokelvin = 273.15L;

[[noreturn]] void fatal(const std::string& message) { bombout("reading scripts", message, 0); }

// The position of a phase in the with list, 0 when absent.
int16_t withposition(const str22& name)
{
    for (int k = 1; k <= s.nwith; ++k)
        if (s.withnames[static_cast<size_t>(k)] == name) return static_cast<int16_t>(k);
    return 0;
}

// Reading a batch line word by word from position pos.
struct batchreader {
    const scriptline& l;
    int16_t pos;

    bool ints(int16_t n, lineints& v)
    {
        int16_t count = n;
        if (!readints(l.words, l.count, static_cast<int16_t>(pos - 1), count, v)) return false;
        pos = static_cast<int16_t>(pos + n);
        return true;
    }
    int16_t oneint(const std::string& failure)
    {
        lineints v{};
        if (!ints(1, v)) fatal(failure);
        return v[1];
    }
    bool reals(int16_t n, linereals& v)
    {
        int16_t count = n;
        if (!readreals(l.words, l.count, static_cast<int16_t>(pos - 1), count, v)) return false;
        pos = static_cast<int16_t>(pos + n);
        return true;
    }
    int16_t wordsleft() const { return static_cast<int16_t>(l.count - pos + 1); }
};

void batchphases(batchreader& r, batchrec& b)
{
    b.phaseflags.fill(0);
    while (r.pos <= r.l.count) {
        const int16_t k = withposition(r.l.words[r.pos]);
        if (k == 0) break;
        b.phaseflags[static_cast<size_t>(k)] = 1;
        ++r.pos;
    }
    if (r.pos <= r.l.count && !isnumeric(wordtype(r.l.words[r.pos])))
        fatal("unrecognised phase, " + r.l.words[r.pos] + ", in batch");
}

void batchpoints(batchreader& r, batchrec& b)
{
    lineints v{};
    if (!r.ints(3, v)) fatal("insufficient info in batch (1)");
    b.variance = v[1];
    b.np = v[2];
    b.nt = v[3];
    if (b.variance < 0) fatal("batch with negative variance?");
    if (b.np < 1 || b.nt < 1) fatal("not enough batch PT");
    if (b.np * b.nt > maxbatchpt) fatal("too many batch PT");
    b.npt = static_cast<int16_t>(b.np * b.nt);
    linereals x{};
    const int16_t first = r.pos;
    if (!r.reals(static_cast<int16_t>(b.np + b.nt), x)) fatal("insufficient info in batch (2)");
    // A point outside the bounds would reach the thermodynamics (T at or below 0 K among
    // them), and no other point can stand in for it.
    for (int i = 1; i <= b.np + b.nt; ++i) {
        const str22& word = r.l.words[first + i - 1];
        const real v = x[static_cast<size_t>(i)];
        const std::string wrong = i <= b.np ? poutofbounds(v, word) : toutofbounds(v, word);
        if (!wrong.empty()) fatal("in batch, " + wrong);
    }
    for (int i = 1; i <= b.np; ++i) b.pressures[static_cast<size_t>(i)] = x[static_cast<size_t>(i)];
    for (int i = 1; i <= b.nt; ++i)
        b.temperatures[static_cast<size_t>(i)] = x[static_cast<size_t>(b.np + i)] + celsiustokelvin;
    b.nfilters.fill(0);
}

void batchguesses(batchreader& r, batchrec& b)
{
    lineints v{};
    if (!r.ints(2, v)) fatal("insufficient info in batch (3a)");
    b.tatp = v[1] < 2;
    b.kxyz = v[2];
    if (b.kxyz < 1) fatal("in batch, no xyz flag");
}

void batchbulk(batchreader& r, batchrec& b)
{
    b.bulkrow1 = r.oneint("in batch, no bulk flag");
    b.hasbulk = b.bulkrow1 >= 1;
    b.nmodesset = 0;
    b.ncompflags = 0;
    b.compflags.fill(0);
    b.bulkamounts.fill(0);
    if (!b.hasbulk) return;
    if (s.nbatchbulks < 1) fatal("in batch, pseudosection wanted but no bulk");
    if (b.bulkrow1 > s.nbatchbulks) fatal("in batch, comp1 code out of range");
    b.bulkrow2 = r.oneint("in batch, comp2 not accessed");
    if (b.bulkrow2 == 0) {
        b.bulkrow2 = 1;
        b.bulkprop = 1;
    } else {
        if (b.bulkrow2 < 1 || b.bulkrow2 > s.nbatchbulks) fatal("in batch, comp2 code out of range");
        linereals x{};
        if (!r.reals(1, x)) fatal("in batch, no bulk proportion");
        if (x[1] < 0 || x[1] > 1) fatal("in batch, bung bulk proportion");
        b.bulkprop = x[1];
    }
    b.nbulkcomps = s.nbatchbulkcomps;
    const auto& row1 = s.batchbulks[static_cast<size_t>(b.bulkrow1)];
    const auto& row2 = s.batchbulks[static_cast<size_t>(b.bulkrow2)];
    for (size_t c = 1; c <= static_cast<size_t>(s.nbatchbulkcomps); ++c) {
        if (std::fabs(row1[c]) <= 1e-4L) continue;
        b.compflags[c] = 1;
        ++b.ncompflags;
        b.bulkamounts[c] = (1 - b.bulkprop) * row2[c] + b.bulkprop * row1[c];
    }
    b.nmodesset = r.oneint("in batch, no mode setting code");
    if (b.nmodesset < 0 || b.nmodesset > 2) fatal("in batch, wrong number of modes set");
    if (r.wordsleft() < 2 * b.nmodesset) fatal("in batch, not enough pseudosection info");
    for (int m = 1; m <= b.nmodesset; ++m) {
        const std::string which = "phase" + wholetostr(m);
        const int16_t k = withposition(r.l.words[r.pos]);
        if (k == 0) fatal("in batch, modeset " + which + " not in which");
        ++r.pos;
        linereals x{};
        if (!r.reals(1, x)) fatal("in batch, modeset " + which + " mode stuffed");
        b.modephase[static_cast<size_t>(m)] = k;
        b.modevalue[static_cast<size_t>(m)] = x[1];
    }
}

void batchisopleths(batchreader& r, batchrec& b)
{
    b.nisopleths = r.oneint("in batch, no isopleth flag");
    if (b.nisopleths >= 3 || b.nisopleths + b.nmodesset >= 3) fatal("in batch, wrong number of isopleths set");
    b.hasisopleths = b.nisopleths >= 1;
    if (b.nisopleths < 0) b.nisopleths = 0;
    if (r.wordsleft() < 3 * b.nisopleths) bombout("readscripts", "in batch, not enough info for isopleths", 0);
    for (int i = 1; i <= b.nisopleths; ++i) {
        const int16_t k = withposition(r.l.words[r.pos]);
        if (k == 0) bombout("readscripts", "in batch, wrong name for isopleths", 0);
        ++r.pos;
        linereals x{};
        if (!r.reals(2, x)) bombout("readscripts", "in batch, not enough info for isopleths", 0);
        const real code = roundeven(x[1]);
        if (code < -32767 || code > 32767) bombout("readscripts", "in batch, not enough info for isopleths", 0);
        b.isophase[static_cast<size_t>(i)] = k;
        b.isocode[static_cast<size_t>(i)] = static_cast<int16_t>(code);
        b.isovalue[static_cast<size_t>(i)] = x[2];
    }
}

void showbatch(int16_t nb)
{
    const batchrec& b = s.batches[static_cast<size_t>(nb)];
    if (nb == 1) putstr(1, "batches", 1, 13);
    std::string line;
    addwhole(2, line, nb);
    addfield(" : ", 0, line);
    for (int p = 1; p <= s.nwith; ++p) {
        const size_t k = static_cast<size_t>(p);
        if (b.phaseflags[k])
            addfield(s.withnames[k], 6, line);
        else
            addfield(p != s.nwith ? "." : "", 6, line);
    }
    addfield(" : ", 0, line);
    addwhole(4, line, b.kxyz);
    addfield(b.nzeroguesses > 0 ? "b" : "", 3, line);
    if (b.hasbulk) {
        addfield(" p", 4, line);
        if (b.nmodesset > 0)
            addwhole(3, line, b.nmodesset);
        else
            addfield("  ", 0, line);
    } else {
        addfield("", 7, line);
    }
    if (b.hasisopleths) {
        addfield(" i", 4, line);
        addwhole(3, line, b.nisopleths);
    }
    putstr(0, line, 1, 13);
}

void batch(const scriptline& l)
{
    s.batch = s.nwith != 0 ? l.sw : 1;
    if (s.batch != 1 && s.nbatches != 0 && l.valuewords() >= 5) {
        const int16_t nb = s.nbatches == -1 ? int16_t{1} : static_cast<int16_t>(s.nbatches + 1);
        checktablespace(l.keyword, nb, maxbatches, "batches");
        batchrec& b = s.batches[static_cast<size_t>(nb)];
        batchreader r{l, static_cast<int16_t>(l.used + 1)};
        batchphases(r, b);
        batchpoints(r, b);
        batchguesses(r, b);
        batchbulk(r, b);
        batchisopleths(r, b);
        s.nbatches = nb;
    }
    if (s.batch == 1) s.nbatches = 0;
    if (s.nbatches < 1) putstr(0, "batch input messed up", 1, 1);
}

// The batch numbers of a batchswitch or batchreq line from value word first on.
int16_t batchnumbers(int first, std::array<bool, maxbatches + 1>& given, const std::string& outofrange)
{
    given.fill(false);
    int16_t distinct = 0;
    for (int i = first; i <= in.ninfo; ++i) {
        const int16_t b = isvalueint(i) ? valueint(i) : int16_t{0};
        if (b < 1 || b > s.nbatches) fatal(outofrange);
        if (!given[static_cast<size_t>(b)]) ++distinct;
        given[static_cast<size_t>(b)] = true;
    }
    return distinct;
}

void batchswitch(const scriptline&)
{
    if (in.ninfo == 0) return;
    std::array<bool, maxbatches + 1> given{};
    const char* const outofrange = "batchswitch not in range";
    s.batchselect.fill(false);
    const int16_t nb = s.nbatches < 0 ? int16_t{0} : s.nbatches;
    if (valueword(1) == "all") {
        const bool except = in.ninfo >= 2 && valueword(2) == "except";
        const int16_t excluded = except ? batchnumbers(3, given, outofrange) : int16_t{0};
        for (int b = 1; b <= nb; ++b) s.batchselect[static_cast<size_t>(b)] = !given[static_cast<size_t>(b)];
        s.nbatchselect = static_cast<int16_t>(nb - excluded);
    } else {
        s.nbatchselect = batchnumbers(1, given, outofrange);
        for (int b = 1; b <= nb; ++b) s.batchselect[static_cast<size_t>(b)] = given[static_cast<size_t>(b)];
    }
}

void addreqrow(const std::array<int16_t, maxbatches + 1>& numbers, int16_t n)
{
    nextrow(s.nbatchreq);
    checktablespace("batchreq", s.nbatchreq, maxbatchreqrows, "rows");
    batchreqrow& row = s.batchreqs[static_cast<size_t>(s.nbatchreq)];
    row.n = n;
    for (int i = 1; i <= n; ++i) row.batches[static_cast<size_t>(i)] = numbers[static_cast<size_t>(i)];
}

void batchreq(const scriptline&)
{
    if (s.nbatchreq == 0) return;
    if (in.ninfo == 0) fatal("in batchreq, not enough info in a line");
    std::array<bool, maxbatches + 1> given{};
    std::array<int16_t, maxbatches + 1> numbers{};
    if (valueword(1) == "all") {
        const bool except = in.ninfo >= 2 && valueword(2) == "except";
        if (except) batchnumbers(3, given, "batchreq not in range");
        s.nbatchreq = 0;
        for (int b = 1; b <= s.nbatches; ++b) {
            if (given[static_cast<size_t>(b)]) continue;
            numbers[1] = static_cast<int16_t>(b);
            if (s.nbatchreq == 0) s.nbatchreq = -1;
            addreqrow(numbers, 1);
        }
        return;
    }
    int16_t n = 0;
    while (n < in.ninfo && valuekind(n + 1) == wkinteger) ++n;
    if (n == 0) fatal("batchreq not given an index");
    for (int i = 1; i <= n; ++i) {
        const int16_t b = isvalueint(i) ? valueint(i) : int16_t{0};
        if (b < 1 || b > s.nbatches) fatal("batchreq not in range");
        numbers[static_cast<size_t>(i)] = b;
    }
    addreqrow(numbers, n);
    if (s.nbatchreq > s.nbatches) s.nbatchreq = 0;
}

void batchxyzguess(const scriptline&)
{
    if (in.ninfo == 0) {
        if (s.nbatchxyzguess != 0) fatal("in bxyzguess, not enough info in a line (1)");
        return;
    }
    if (valueword(1) == "startblock") {
        nextrow(s.nbatchxyzguess);
        if (s.nbatchxyzguess > maxguessblocks) fatal("in bxyzguess, too big");
        guessblock& g = s.batchxyzguess[static_cast<size_t>(s.nbatchxyzguess)];
        g.nguesses = 0;
        g.nzeroguesses = 0;
        return;
    }
    if (in.ninfo < 2) fatal("in bxyzguess, not enough info in a line (2)");
    if (s.nbatchxyzguess < 1) fatal("batchxyzguess: guesses given before the first startblock");
    guessblock& g = s.batchxyzguess[static_cast<size_t>(s.nbatchxyzguess)];
    if (g.nguesses >= maxblockguesses) fatal("in bxyzguess, too many guesses");
    const size_t k = static_cast<size_t>(++g.nguesses);
    g.names[k] = valueword(1);
    if (!isvaluenumber(2)) fatal("in bxyzguess, no guess");
    g.values[k] = valuereal(2);
    g.rangelow[k] = 0;
    g.rangehigh[k] = 1;
    if (in.ninfo >= 5 && valueword(3) == "range") {
        if (!isvaluenumber(4) || !isvaluenumber(5)) fatal("in bxyzguess, range info fubar");
        g.rangelow[k] = valuereal(4);
        g.rangehigh[k] = valuereal(5);
    }
    if (g.values[k] == 0) ++g.nzeroguesses;
}

void filter(const scriptline& l)
{
    if (s.nbatches == 0) s.nfiltersets = 0;
    if (s.nfiltersets == 0) return;
    if (valuekind(1) != wkinteger) fatal("filter keyword must be followed by an integer");
    if (s.nfiltersets == -1) {
        s.nfiltersets = 1;
        s.filtersetno = 1;
    } else if (s.filtersetno >= s.batches[static_cast<size_t>(s.nfiltersets)].npt) {
        ++s.nfiltersets;
        s.filtersetno = 1;
    } else {
        ++s.filtersetno;
    }
    if (s.nfiltersets != s.nbatches) fatal("filters not interleaved with batches");
    batchrec& b = s.batches[static_cast<size_t>(s.nfiltersets)];
    if (s.filtersetno > b.npt) fatal("too many filter sets");
    if (valuereal(1) > maxfilters) fatal("too many filters");  // also a count past 16 bits
    if (!isvalueint(1)) fatal("filter keyword must be followed by an integer");
    const int16_t f = valueint(1);
    const int16_t more = static_cast<int16_t>(in.ninfo - 1);
    if (f < 0 || more < 3 * f) fatal("insufficient filter info");
    if (more % 3 != 0) fatal("wrong length of filter info");
    const size_t point = static_cast<size_t>(s.filtersetno);
    b.nfilters[point] = f;
    for (int k = 1; k <= f; ++k) {
        const int at = 2 + 3 * (k - 1);
        filterrec& fr = b.filters[point][static_cast<size_t>(k)];
        const bool coded = valuekind(at) == wkinteger;
        if (coded && !checkvalueint(l.keyword, at)) {
            b.nfilters[point] = 0;  // a code too large to take: the point keeps no filters
            break;
        }
        fr.code = coded ? valueint(at) : int16_t{0};
        fr.name = coded ? str22() : valueword(at);
        if (!isvaluenumber(at + 1)) fatal("lower filter not a number");
        if (!isvaluenumber(at + 2)) fatal("higher filter not a number");
        fr.low = valuereal(at + 1);
        fr.high = valuereal(at + 2);
        if (fr.code == 2 || fr.name == "T") {
            fr.low += celsiustokelvin;
            fr.high += celsiustokelvin;
        }
    }
    s.filtergiven = s.nfiltersets >= 1;
}

void batchbulks(const scriptline& l)
{
    if (l.sw == 1) return;
    linereals v{};
    int16_t count = s.nbatchbulks == 0 ? int16_t{0} : s.nbatchbulkcomps;
    if (!readreals(l.words, l.count, l.used, count, v)) fatal("wrong batchbulk info");
    if (s.nbatchbulks == 0) {
        checktablespace(l.keyword, count, maxbatchbulkcomps, "components");
        s.nbatchbulkcomps = count;
    }
    ++s.nbatchbulks;
    checktablespace(l.keyword, s.nbatchbulks, maxbatchbulkrows, "rows");
    real sum = 0;
    for (int i = 1; i <= s.nbatchbulkcomps; ++i) sum += v[static_cast<size_t>(i)];
    if (!(sum > 0)) {
        s.nbatchbulks = 0;
        putstr(0, " bulk composition is bad", 1, 1);
        return;
    }
    for (int i = 1; i <= s.nbatchbulkcomps; ++i)
        s.batchbulks[static_cast<size_t>(s.nbatchbulks)][static_cast<size_t>(i)] = v[static_cast<size_t>(i)] * 100 / sum;
}

void mcit(const scriptline& l)
{
    s.mcrunlimit = 1;
    s.mcwanted = 1;
    if (l.sw == 1 || in.ninfo < 2) return;
    if (!isvaluenumber(1) || !isvaluenumber(2)) fatal("wrong mcit info");
    const real wanted = roundeven(valuereal(2));
    if (!(wanted >= -32767 && wanted <= 32767)) fatal("wrong mcit info");
    s.mcrunlimit = valuereal(1);
    s.mcwanted = static_cast<int16_t>(wanted);
}

void mcrange(const scriptline& l)
{
    if (l.sw == 1 || s.nmc == 0 || l.valuewords() < 3) return;
    linereals v{};
    int16_t count = 2;
    if (!readreals(l.words, l.count, static_cast<int16_t>(l.used + 1), count, v)) fatal("wrong mcrange info");
    nextrow(s.nmcrange);
    if (s.nmcrange > maxmcentries) fatal("too many mcrange");
    mcrangerec& r = s.mcranges[static_cast<size_t>(s.nmcrange)];
    r.name = l.words[l.used + 1];
    r.value1 = v[1];
    r.value2 = v[2];
}

int16_t mcrangenamed(const str22& name)
{
    for (int r = 1; r <= s.nmcrange; ++r)
        if (s.mcranges[static_cast<size_t>(r)].name == name) return static_cast<int16_t>(r);
    return 0;
}

void mcfunc(const scriptline& l)
{
    if (l.sw == 1 || s.nmc == 0 || s.nmcrange == 0 || l.valuewords() < 5) return;
    const int16_t p = static_cast<int16_t>(l.used + 1);
    linereals v{};
    int16_t count = 2;
    if (!readreals(l.words, l.count, p, count, v)) fatal("wrong mcfunc info (1)");
    nextrow(s.nmcfunc);
    if (s.nmcfunc > maxmcentries) fatal("too many mcfunc");
    const real nterms = roundeven(v[2]);
    if (nterms > maxmcterms) fatal("too many terms in mcfunc");
    if (nterms < 0) fatal("wrong mcfunc info (1)");
    mcfuncrec& f = s.mcfuncs[static_cast<size_t>(s.nmcfunc)];
    f.name = l.words[p];
    f.constant = v[1];
    f.nterms = static_cast<int16_t>(nterms);
    for (int t = 1; t <= f.nterms; ++t) {
        const int16_t at = static_cast<int16_t>(p + 2 * t + 1);  // coefficient; its range name follows
        linereals c{};
        int16_t one = 1;
        if (!readreals(l.words, l.count, static_cast<int16_t>(at - 1), one, c)) fatal("wrong mcfunc info (2)");
        const int16_t r = mcrangenamed(l.words[at + 1]);
        if (r == 0) fatal("wrong mcfunc info (3)");
        f.coeffs[static_cast<size_t>(t)] = c[1];
        f.ranges[static_cast<size_t>(t)] = r;
    }
}

void mcvariable(mcrec& e, const str22& varword)
{
    const char last = varword.empty() ? ' ' : varword.back();
    if (last != 'a' && last != 'b' && last != 'c') fatal("in mc, abc");
    e.abc = static_cast<int16_t>(last - 'a' + 1);
    e.varword = varword;
    e.varname = varword.substr(0, varword.size() - 1);
    const str22& v = e.varname;
    if (v.size() < 4) fatal("in mc, mcvarname (1)");
    if (v.back() != ')') fatal("in mc, mcvarname (2)");
    if (v.compare(0, 2, "W(") == 0)
        e.vartype = 1;
    else if (v.compare(0, 2, "a(") == 0)
        e.vartype = 2;
    else if (v.compare(0, 4, "DQF(") == 0)
        e.vartype = 3;
    else
        fatal("in mc, mcvarname (3)");
}

void mcreference(mcrec& e, const str22& refword)
{
    const char kind = refword.empty() ? ' ' : refword.front();
    const str22 refname = refword.size() > 1 ? refword.substr(1) : str22();
    if (kind == '<' || kind == '>') fatal("in mc, >/< not currently implemented");
    if (kind == 'f') {
        if (s.nmcfunc < 1) fatal("in mc, no mcfunc");
        int16_t fn = 0;
        for (int f = 1; f <= s.nmcfunc && fn == 0; ++f)
            if (s.mcfuncs[static_cast<size_t>(f)].name == e.varword) fn = static_cast<int16_t>(f);
        if (fn == 0) fatal("in mc, no match with mcfunc");
        const mcfuncrec& f = s.mcfuncs[static_cast<size_t>(fn)];
        real x = f.constant;
        for (int t = 1; t <= f.nterms; ++t)
            x += f.coeffs[static_cast<size_t>(t)] * s.mcranges[static_cast<size_t>(f.ranges[static_cast<size_t>(t)])].value1;
        e.value1 = x;
        e.ref = static_cast<int16_t>(-fn);
        e.refkind = -2;
    } else if (kind == '=') {
        if (s.nmcrange < 1) fatal("in mc, no mcrange");
        const int16_t r = mcrangenamed(refname);
        if (r == 0) fatal("in mc, no match with mcrange");
        e.value1 = s.mcranges[static_cast<size_t>(r)].value1;
        e.ref = r;
        e.refkind = 0;
    } else {
        fatal("in mc, bad range info");
    }
}

void showmc()
{
    const mcrec& e = s.mcentries[static_cast<size_t>(s.nmc)];
    if (s.nmc == 1) putstr(1, "mc info", 1, 13);
    std::string line;
    addwhole(2, line, s.nmc);
    addfield("", 2, line);
    addfield(e.phase, -7, line);
    addfield(e.varword, -15, line);
    addreal(3, true, 9, e.value1, line);
    if (e.ref != 0)
        addfield("", 8, line);
    else
        addreal(3, true, 8, e.value2, line);
    addwhole(3, line, e.vartype);
    addwhole(3, line, e.abc);
    if (e.refkind == -2) {
        addfield(" f", 0, line);
        // the function's tag: "f12" reads as one word
        addfield(wholetostr(-e.ref), 2, line);
    } else if (e.ref != 0) {
        addfield(" r ", 0, line);
        addfield(s.mcranges[static_cast<size_t>(e.ref)].name, 0, line);
    }
    putstr(0, line, 1, 13);
}

void mc(const scriptline& l)
{
    if (l.sw != 1 && s.nmc != 0 && l.valuewords() >= 3) {
        nextrow(s.nmc);
        if (s.nmc > maxmcentries) fatal("too many mc");
        if (s.nsamecoding >= 1) fatal("scriptfile samecoding not implemented in mczt");
        const int16_t p = static_cast<int16_t>(l.used + 1);
        mcrec& e = s.mcentries[static_cast<size_t>(s.nmc)];
        e = mcrec{};
        e.phase = l.words[p];
        if (withposition(e.phase) == 0) fatal(e.phase + " in mc not in \"with\"");
        e.nphasewords = 1;
        e.phasewords[1] = e.phase;
        mcvariable(e, l.words[p + 1]);
        if (isnumeric(wordtype(l.words[p + 2]))) {
            linereals v{};
            int16_t count = 2;
            if (!readreals(l.words, l.count, static_cast<int16_t>(p + 1), count, v)) fatal("in mc, not enough info");
            e.value1 = v[1];
            e.value2 = v[2];
        } else {
            mcreference(e, l.words[p + 2]);
        }
        if (e.vartype == 3) (e.abc == 1 ? e.dqfa : e.abc == 2 ? e.dqfb : e.dqfc) = e.value1;
    }
    if (s.nmc >= 1) showmc();
    s.mc = s.nmc >= 1 ? 0 : 1;
}

const handlerrow handlerrows[] = {
    {"batch", batch},
    {"batchswitch", batchswitch},
    {"batchreq", batchreq},
    {"batchxyzguess", batchxyzguess},
    {"filter", filter},
    {"flitter", filter},
    {"batchbulk", batchbulks},
    {"mcbulk", batchbulks},
    {"mcit", mcit},
    {"mcrange", mcrange},
    {"mcfunc", mcfunc},
    {"mc", mc},
};

}  // namespace

bool batchkeyword(const scriptline& line)
{
    return runhandler(std::begin(handlerrows), std::end(handlerrows), line);
}

void finishbatches()
{
    for (int nb = 1; nb <= s.nbatches; ++nb) {
        batchrec& b = s.batches[static_cast<size_t>(nb)];
        b.nzeroguesses = b.kxyz <= s.nbatchxyzguess ? s.batchxyzguess[static_cast<size_t>(b.kxyz)].nzeroguesses : int16_t{0};
        showbatch(static_cast<int16_t>(nb));
    }
    // Without any guess block the consistency step reports the missing blocks instead.
    if (s.nbatchxyzguess < 1) return;
    for (int nb = 1; nb <= s.nbatches; ++nb)
        if (s.batches[static_cast<size_t>(nb)].kxyz > s.nbatchxyzguess) fatal("in batch, kxyz out of range");
}

}  // namespace zt
