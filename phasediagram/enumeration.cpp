#include "phasediagram/enumeration.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "ax/phaserecords.h"
#include "numeric/methods/integers.h"
#include "numeric/nullspace.h"
#include "phasediagram/calcloop.h"
#include "phasediagram/dogmin.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/settings.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolesummarylog = 13;

using i64 = int64_t;
using bigrow = std::array<i64, maxems + 1>;
using smallmatrix = std::array<std::array<i64, maxcomps + 1>, maxcomps + 1>;

// Working storage of the rank reduction, kept between calls so that none allocates.
struct rankwork {
    std::array<bigrow, maxcomps + 1> a, a0;
    smallmatrix l, t;
    std::array<int, maxcomps + 1> perm;
    std::array<i64, maxcomps + 1> d;
    std::array<str22, maxems + 1> colnames;
    int rows = 0, cols = 0;
};
rankwork rw;

[[noreturn]] void overflow() { bombout("calcrankp", "integer overflow in the reduction of the composition matrix", 1); }

i64 mul(i64 a, i64 b) {
    i64 r = 0;
    if (__builtin_mul_overflow(a, b, &r)) overflow();
    return r;
}

i64 add(i64 a, i64 b) {
    i64 r = 0;
    if (__builtin_add_overflow(a, b, &r)) overflow();
    return r;
}

i64 gcd64(i64 a, i64 b) {
    a = a < 0 ? -a : a;
    b = b < 0 ? -b : b;
    while (b != 0) {
        const i64 t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// One column per end-member of the assemblage (solution phases first), one row per bulk
// component.
void buildmatrix(const phaseflags& assemblage) {
    rw.rows = pd.nbulkcomps;
    int n = 0;
    auto addcolumn = [&](const std::array<int16_t, maxcomps + 1>& comp, const str22& name) {
        if (++n > maxems) bombout("calcrankp", "too many end-members", 0);
        rw.colnames[at(n)] = name;
        int r = 0;
        for (int c = 1; c <= ws.ncomps; ++c) {
            if (pd.inbulk[at(c)]) rw.a[at(++r)][at(n)] = comp[at(c)];
        }
    };
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!assemblage[at(k)]) continue;
        const axphase& ph = phases.prec1[at(k)];
        for (int j = 1; j <= ph.nem; ++j) addcolumn(ph.em[at(j)].comp, ph.em[at(j)].name);
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        if (assemblage[at(phases.nsolnphases + i)]) addcolumn(phases.prec0[at(i)].comp, phases.prec0[at(i)].name);
    }
    rw.cols = n;
    int r = 0;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)]) rw.d[at(++r)] = ws.compdiv[at(c)];
    }
    for (int i = 1; i <= rw.rows; ++i) rw.a0[at(i)] = rw.a[at(i)];
}

// Fraction-free elimination of rw.a; returns the rank.
int eliminate() {
    const int rows = rw.rows, cols = rw.cols;
    for (int i = 1; i <= rows; ++i) {
        rw.perm[at(i)] = i;
        for (int j = 1; j <= rows; ++j) rw.l[at(i)][at(j)] = j > i ? 1 : 0;
    }
    const int limit = std::min(rows, cols);
    int rank = 0, c = 0;
    for (int i = 1; i <= limit; ++i) {
        int pc = 0, pr = 0;
        for (int cc = c + 1; cc <= cols && pc == 0; ++cc) {
            for (int r = i; r <= rows; ++r) {
                if (rw.a[at(r)][at(cc)] != 0) {
                    pc = cc;
                    pr = r;
                    break;
                }
            }
        }
        if (pc == 0) break;
        c = pc;
        if (pr > i) {
            for (int col = c; col <= cols; ++col) std::swap(rw.a[at(i)][at(col)], rw.a[at(pr)][at(col)]);
            std::swap(rw.perm[at(i)], rw.perm[at(pr)]);
            for (int u = 1; u < i; ++u) {
                std::swap(rw.l[at(i)][at(u)], rw.l[at(pr)][at(u)]);
                std::swap(rw.l[at(u)][at(i)], rw.l[at(u)][at(pr)]);
            }
        }
        const i64 pivot = rw.a[at(i)][at(c)];
        const i64 sign = pivot < 0 ? -1 : 1;
        for (int r = i + 1; r <= rows; ++r) {
            const i64 e = rw.a[at(r)][at(c)];
            if (e == 0) continue;
            const i64 g = gcd64(pivot, e);
            const i64 m1 = pivot / g, m2 = e / g;
            const i64 am1 = m1 < 0 ? -m1 : m1;
            for (int col = c; col <= cols; ++col) {
                rw.a[at(r)][at(col)] = add(mul(am1, rw.a[at(r)][at(col)]), mul(-sign * m2, rw.a[at(i)][at(col)]));
            }
            rw.l[at(i)][at(r)] = am1;
            rw.l[at(r)][at(i)] = -sign * m2;
        }
        rank = i;
        if (c == cols) break;
    }
    return rank;
}

// The row operations as one matrix T, with T P A0 = the reduced matrix.
void accumulate() {
    const int rows = rw.rows;
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= rows; ++j) rw.t[at(i)][at(j)] = i == j ? 1 : 0;
    }
    for (int k = 1; k <= rows - 1; ++k) {
        for (int r = k + 1; r <= rows; ++r) {
            rw.t[at(r)][at(r)] = mul(rw.t[at(r)][at(r)], rw.l[at(k)][at(r)]);
            for (int u = 1; u <= k; ++u) {
                rw.t[at(r)][at(u)] = add(mul(rw.l[at(r)][at(k)], rw.t[at(k)][at(u)]), mul(rw.l[at(k)][at(r)], rw.t[at(r)][at(u)]));
            }
        }
    }
}

void debuglisting() {
    auto title = [](int16_t before, const std::string& text, int16_t after) { putstr(before, text, after, consolesummarylog); };
    const std::string bullets(3, bulletbyte);
    title(2, bullets + " debugging information " + bullets, 2);
    title(1, "matrix is rank deficient", 2);
    title(0, "composition matrix", 1);
    std::string line;
    for (int k = 1; k <= rw.cols; ++k) addfield(rw.colnames[at(k)], 5, line);
    title(0, line, 1);
    for (int i = 1; i <= rw.rows; ++i) {
        line.clear();
        for (int k = 1; k <= rw.cols; ++k) addwhole(5, line, static_cast<real>(rw.a0[at(i)][at(k)]));
        addwhole(7, line, static_cast<real>(rw.d[at(i)]));
        title(0, line, 1);
    }
    title(1, "permutation matrix", 1);
    for (int q = 1; q <= rw.rows; ++q) {
        line = "      ";
        for (int j = 1; j <= rw.rows; ++j) line += rw.perm[at(q)] == j ? " 1" : " 0";
        title(0, line, 1);
    }
    auto square = [&](const std::string& name, auto entry) {
        title(1, name, 1);
        for (int i = 1; i <= rw.rows; ++i) {
            std::string row = "      ";
            for (int j = 1; j <= rw.rows; ++j) addwhole(4, row, static_cast<real>(entry(i, j)));
            title(0, row, 1);
        }
    };
    square("L info", [](int i, int j) { return rw.l[at(i)][at(j)]; });
    square("inv L", [](int i, int j) { return rw.t[at(i)][at(j)]; });
    square("projc", [](int i, int j) { return pd.reducemat[at(i)][at(j)]; });
    auto wide = [&](const std::string& name, auto entry) {
        title(1, name, 1);
        for (int i = 1; i <= rw.rows; ++i) {
            std::string row;
            for (int k = 1; k <= rw.cols; ++k) addwhole(4, row, static_cast<real>(entry(i, k)));
            title(0, row, 1);
        }
    };
    wide("row-reduced matrix, U", [](int i, int k) { return rw.a[at(i)][at(k)]; });
    wide("alternatively, projc A", [](int i, int k) {
        i64 s = 0;
        for (int q = 1; q <= rw.rows; ++q) s += rw.t[at(i)][at(q)] * rw.a0[at(rw.perm[at(q)])][at(k)];
        return s;
    });
}

bool bulkinreducedsystem(int rank) {
    if (settings.nbulks <= 0) return true;
    for (int i = rank + 1; i <= rw.rows; ++i) {
        real s1 = 0, s2 = 0;
        for (int j = 1; j <= rw.rows; ++j) {
            s1 += pd.reducemat[at(i)][at(j)] * settings.bulk1[at(j)];
            s2 += pd.reducemat[at(i)][at(j)] * settings.bulk2[at(j)];
        }
        if (!(std::fabs(s1) < 1e-6L)) return false;
        if (settings.nbulks >= 2 && !(std::fabs(s2) < 1e-6L)) return false;
    }
    return true;
}

}  // namespace

bool calcrankp(const phaseflags& assemblage, int16_t& rank) {
    buildmatrix(assemblage);
    const int r = eliminate();
    rank = static_cast<int16_t>(r);
    const int rows = rw.rows;
    pd.rankdeficit = static_cast<int16_t>(rows - r);
    for (int i = 1; i <= maxcomps; ++i) {
        for (int j = 1; j <= maxcomps; ++j) pd.reducemat[at(i)][at(j)] = i == j ? 1 : 0;
    }
    accumulate();
    bool ok = true;
    if (pd.rankdeficit > 0) {
        for (int i = 1; i <= rows; ++i) {
            for (int q = 1; q <= rows; ++q) {
                const int j = rw.perm[at(q)];
                if (j < 1 || j > rows) bombout("calcrankp", "couldn't rearrange columns", 0);
                const i64 v = mul(rw.t[at(i)][at(q)], rw.d[at(j)]);
                if (v > INT32_MAX || v < INT32_MIN) overflow();
                pd.reducemat[at(i)][at(j)] = static_cast<int32_t>(v);
            }
        }
        // The constraint rows are only trusted when they reproduce the reduced matrix.
        for (int i = 1; i <= rows; ++i) {
            for (int k = 1; k <= rw.cols; ++k) {
                i64 s = 0;
                for (int q = 1; q <= rows; ++q) s = add(s, mul(rw.t[at(i)][at(q)], rw.a0[at(rw.perm[at(q)])][at(k)]));
                if (s != rw.a[at(i)][at(k)]) bombout("calcrankp", "reduced system does not reproduce the reduced matrix", 1);
            }
        }
        ok = bulkinreducedsystem(r);
    }
    const bool dogmin = settings.dogminon;
    if (!ok && (!dogmin || settings.dogminlevel >= 2)) {
        if (dogmin) putstr(0, "<" + std::string(50, '=') + ">", 1, consolesummarylog);
        std::string line = "reduced system needed for handling equilibrium involving: ";
        for (int k = 1; k <= phases.nphases; ++k) {
            if (assemblage[at(k)]) line += phasename(k) + " ";
        }
        putstr(dogmin ? 0 : 1, line, 1, consolesummarylog);
        if (!dogmin) {
            putstr(0, "bulk NOT in reduced system", 1, consolesummarylog);
            printconstraints();
        }
    }
    if (!ok && settings.debuglevel >= 2 && !dogmin) {
        debuglisting();
        bombout("calcrankp", "bulk not in reduced system", 0);
    }
    return ok;
}

void printconstraints() {
    const int rows = pd.nbulkcomps;
    const int first = rows - pd.rankdeficit + 1;
    putstr(0, pd.rankdeficit == 1 ? "this equation must apply" : "these equations must apply", 1, consolesummarylog);
    static std::array<str22, maxcomps + 1> names;
    int n = 0;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)]) names[at(++n)] = ws.compnames[at(c)];
    }
    for (int i = first; i <= rows; ++i) {
        i64 g = 0;
        for (int j = 1; j <= rows; ++j) g = gcd64(g, pd.reducemat[at(i)][at(j)]);
        if (g < 1) g = 1;
        std::string line = "   ";
        bool firstterm = true;
        for (int j = 1; j <= rows; ++j) {
            const i64 a = pd.reducemat[at(i)][at(j)] / g;
            if (a == 0) continue;
            if (a < 0) {
                line += " - ";
                if (a != -1) line += " " + wholetostr(static_cast<real>(-a));
            } else {
                if (!firstterm) line += " + ";
                if (a != 1) line += " " + wholetostr(static_cast<real>(a));
            }
            firstterm = false;
            line += names[at(j)];
        }
        putstr(0, line + " = 0", 1, consolesummarylog);
    }
}

void setupcandidates(phaseflags& candidate, int16_t& ncand, int16_t& rank) {
    candidate.fill(false);
    for (int k = 1; k <= phases.nphases; ++k) candidate[at(k)] = true;
    ncand = phases.nphases;
    static intmatrix m;
    if (m.size() != at(maxcomps + 1)) m.assign(maxcomps + 1, introw{});
    int n = 0;
    auto addcolumn = [&](const std::array<int16_t, maxcomps + 1>& comp) {
        if (++n > maxems) bombout("setupcandidates", "too many end-members", 0);
        for (int r = 1; r <= ws.ncomps; ++r) m[at(r)][at(n)] = comp[at(r)];
    };
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        for (int j = 1; j <= phases.prec1[at(k)].nem; ++j) addcolumn(phases.prec1[at(k)].em[at(j)].comp);
    }
    for (int i = 1; i <= phases.npurephases; ++i) addcolumn(phases.prec0[at(i)].comp);
    rank = introwreduce(m, ws.ncomps, static_cast<int16_t>(n));
}

void nextassemblage(indexvector& subset, const phaseflags& candidate, int16_t ntake, int16_t ncand,
                    phaseflags& assemblage, assemblagetest& test) {
    nextsubset(subset, ntake, ncand, test.more);
    test.reason = 0;
    test.excluded = false;
    if (!test.more) return;

    assemblage.fill(false);
    int kc = 0, next = 1;
    for (int k = 1; k <= phases.nphases; ++k) {
        if (!candidate[at(k)]) continue;
        ++kc;
        if (next <= ntake && subset[at(next)] == kc) {
            assemblage[at(k)] = true;
            ++next;
        }
    }

    test.reason = 2;
    if (pd.nrequired != 0) {
        for (int k = 1; k <= phases.nphases; ++k) {
            if (candidate[at(k)] && pd.requiredphase[at(k)] && !assemblage[at(k)]) {
                test.excluded = true;
                return;
            }
        }
    }

    test.reason = 4;
    if (!calcrankp(assemblage, test.rank)) {
        test.excluded = true;
        return;
    }

    test.reason = 5;
    int k = pd.nbulkcomps - ws.ncomps;
    int nv = std::max(0, 2 - reactions.var);
    int nphasesin = 0, nmodefree = 0;
    for (int p = 1; p <= phases.nphases; ++p) {
        if (!assemblage[at(p)]) continue;
        ++nphasesin;
        if (p <= phases.nsolnphases) {
            const axphase& ph = phases.prec1[at(p)];
            k += ph.nem;
            for (int m = 1; m <= ph.nvars; ++m) nv += ph.vars[at(m)].fixed ? 0 : 1;
            nmodefree += ph.isomode ? 0 : 1;
        } else {
            ++k;
            nmodefree += phases.prec0[at(p - phases.nsolnphases)].isomode ? 0 : 1;
        }
    }
    int nir = k - test.rank;
    if (pd.massbalance) {
        nir += pd.nbulkcomps - pd.rankdeficit;
        nv += nmodefree - (settings.xco2diagram ? 1 : 0) - std::max<int>(settings.nlna, 0) - std::max<int>(settings.nmu, 0);
    }
    test.nir = static_cast<int16_t>(nir);
    test.nv = static_cast<int16_t>(nv);
    if (settings.debuglevel >= 2 && settings.debuglevel <= 4) {
        std::string line = "nuv = " + wholetostr(ws.ncomps) + "; nuvleft = " + wholetostr(pd.nbulkcomps) +
                           "; k = " + wholetostr(k) + "; rank = " + wholetostr(test.rank);
        if (pd.massbalance) line += "  rank deficit = " + wholetostr(pd.rankdeficit);
        putstr(2, line + "; nir = " + wholetostr(nir), 1, consolesummarylog);
    }
    if (nir == 0 || nir != nv) {
        test.excluded = true;
        return;
    }

    test.reason = 6;
    if (pd.massbalance && nphasesin < ncand) {
        bool missing = false;
        for (int r = 1; r <= rw.rows && !missing; ++r) {
            bool held = false;
            for (int col = 1; col <= rw.cols && !held; ++col) held = rw.a0[at(r)][at(col)] != 0;
            missing = !held;
        }
        if (missing || pd.rankdeficit > 0) {
            test.excluded = true;
            return;
        }
    }
    test.reason = 7;
}

namespace {

std::string reasontag(int16_t reason) {
    switch (reason) {
        case 2: return "(not in ex)";
        case 4: return "(no calc)";
        case 5: return "(mismatch)";
        case 6: return "(bulk can't be made, eg in dogmin)";
        case 7: return "";
        default: return "????";
    }
}

void calcwhatdiag(const phaseflags& assemblage, const assemblagetest& test, int16_t rank, int16_t ntake, int16_t ncand) {
    putstr(0, "", 1, consolesummarylog);
    std::string line;
    addfield(test.excluded ? "excluded " : "good one ", -10, line);
    addfield(reasontag(test.reason), 10, line);
    line += ": nu = " + wholetostr(ws.nrcomps) + "; rank = " + wholetostr(rank) + "; ntake = " + wholetostr(ntake) +
            "; npmax = " + wholetostr(ncand) + "; nv = " + wholetostr(test.nv) + "; nir = " + wholetostr(test.nir);
    putstr(0, line, 1, consolesummarylog);
    line = "     ";
    for (int c = 1; c <= ws.ncomps; ++c) line += ws.compnames[at(c)] + " ";
    line += " ";
    for (int k = 1; k <= phases.nphases; ++k) {
        if (assemblage[at(k)]) line += phasename(k) + " ";
    }
    line += pd.massbalance ? "  - modes by nle" : pd.lowvarpseudo ? "  - modes after nle" : "  - not pseudosection";
    putstr(0, line, 1, consolesummarylog);
}

// Why a run calculates no assemblage at all, from the furthest test any assemblage reached.
void nothingcalculated(int furthest, int ntake, int ncand) {
    std::string why, more;
    switch (furthest) {
        case 0:
            why = "an assemblage of this variance has " + wholetostr(ntake) + " phases,";
            more = "from the " + wholetostr(ncand) + " phases chosen";
            break;
        case 2: why = "no assemblage holds every required phase"; break;
        case 4: why = "the bulk lies outside every assemblage's reduced system"; break;
        case 5:
            why = "no assemblage has as many unknowns as equations";
            more = "at effective variance " + wholetostr(reactions.var) + " (debuglevel 2 lists them)";
            break;
        default: why = "no assemblage can make the bulk"; break;
    }
    putstr(1, "nothing calculated: " + why, 1, consolesummarylog);
    if (!more.empty()) putstr(0, more, 1, consolesummarylog);
}

}  // namespace

str22 phasename(int k) {
    return k <= phases.nsolnphases ? phases.prec1[at(k)].shortname : phases.prec0[at(k - phases.nsolnphases)].name;
}

void calcwhat() {
    if (phases.npurephases <= 1 && phases.nsolnphases == 0 && settings.nbulks == 0) {
        putstr(1, "no solid solutions involved: run in mode 3", 1, 1);
        bombout("calcwhat", "not currently implemented", 0);
    }
    const int top = pd.ovar;
    int bottom = settings.dogminon ? settings.dogminminvar : pd.ovar;
    if (bottom > top) bottom = top;
    if (ws.nrcomps < 1) bombout("calcwhat", "nu < 1", 0);

    static phaseflags candidate, assemblage;
    static indexvector subset;
    int nsolved = 0, furthest = 0;  // assemblages calculated; the last test any other one reached
    int lastntake = 0, lastncand = 0;
    for (int v = top; v >= bottom; --v) {
        if (settings.dogminon) {
            reactions.var = static_cast<int16_t>(v);
            pd.massbalance = v != 2;
            pd.lowvarpseudo = v == 2;
        }
        int16_t ncand = 0, rank = 0;
        setupcandidates(candidate, ncand, rank);
        const int ntake = rank + 2 - v;
        lastntake = ntake;
        lastncand = ncand;
        if (!(ncand >= ntake && ntake > 0)) continue;
        firstsubset(subset, static_cast<int16_t>(ntake));
        assemblagetest test;
        do {
            nextassemblage(subset, candidate, static_cast<int16_t>(ntake), ncand, assemblage, test);
            if (test.more && settings.debuglevel > 1) calcwhatdiag(assemblage, test, rank, static_cast<int16_t>(ntake), ncand);
            if (test.more && (!test.excluded || settings.batch == 0)) {
                solve(assemblage);
                ++nsolved;
            } else if (test.more) {
                furthest = std::max<int>(furthest, test.reason);
            }
        } while (test.more);
    }
    if (settings.dogminon) dogminsummary();
    else if (nsolved == 0) nothingcalculated(furthest, lastntake, lastncand);
}

}  // namespace zt
