#include "reactions/onereaction.h"

#include <cmath>

#include "numeric/methods/integers.h"
#include "reactions/mode3state.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "reactions/windowtests.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/reactiondg.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr int maxcols = maxcomps + 2;

// The working matrix of the elimination: the subset's components by the selected
// end-members (at most one more than the number of components).
std::array<std::array<int32_t, maxcols + 1>, maxcomps + 1> M{};
std::array<int16_t, maxcols + 1> idx{};
std::array<int64_t, maxcols + 1> num{}, den{};
std::array<int64_t, maxems + 1> coef{};

int32_t fit32(int64_t v, const char* routine) {
    if (v < INT32_MIN || v > INT32_MAX) bombout(routine, "integer overflow (beyond 32 bits)", 0);
    return static_cast<int32_t>(v);
}

void dividebygcd(int row, int from, int to) {
    int32_t g = 0;
    for (int c = from; c <= to; ++c) g = gcd(g, M[at(row)][at(c)]);
    if (g > 1)
        for (int c = from; c <= to; ++c) M[at(row)][at(c)] /= g;
}

int reselmatrix(int16_t size, const compflags& compmask, const emflags& sel, int& m) {
    m = 0;
    for (int j = 1; j <= ws.nrems; ++j)
        if (sel[at(j)] && m < maxcols) idx[at(++m)] = static_cast<int16_t>(j);
    int rows = 0;
    for (int i = 1; i <= ws.nrcomps; ++i) {
        if (!compmask[at(i)]) continue;
        if (++rows > maxcomps) break;
        for (int c = 1; c <= m; ++c) M[at(rows)][at(c)] = ws.c[at(i)][at(idx[at(c)])];
        dividebygcd(rows, 1, m);
    }
    if (rows != size)
        bombout("calca", "wrong no of components " + wholetostr(rows) + " " + wholetostr(size), 1);
    if (m != search.availrank + 1) {
        putstr(1, "ix = " + wholetostr(rows) + ", no = " + wholetostr(size) + ", iy = " + wholetostr(m) +
                      ", rankc+1 = " + wholetostr(search.availrank + 1), 1, 13);
        bombout("calca", "wrong no of phases ", 1);
    }
    return rows;
}

void eliminate(int size, int m) {
    for (int i = 1; i <= m; ++i) {
        int p = 0, q = 0;
        if (i <= size && M[at(i)][at(i)] != 0) {
            p = q = i;
        } else {
            for (int c = i; c <= m && p == 0; ++c)
                for (int r = i; r <= size; ++r)
                    if (M[at(r)][at(c)] != 0) {
                        p = r;
                        q = c;
                        break;
                    }
        }
        if (p == 0) return;
        if (q > i) {
            for (int r = 1; r <= size; ++r) std::swap(M[at(r)][at(q)], M[at(r)][at(i)]);
            std::swap(idx[at(q)], idx[at(i)]);
        }
        if (p > i)
            for (int c = i; c <= m; ++c) std::swap(M[at(p)][at(c)], M[at(i)][at(c)]);
        for (int r = i; r <= size; ++r) dividebygcd(r, i, m);
        const int32_t pivot = M[at(i)][at(i)];
        for (int r = i + 1; r <= size; ++r) {
            const int32_t e = M[at(r)][at(i)];
            if (e == 0) continue;
            const int32_t g = gcd(pivot, e);
            for (int c = i + 1; c <= m; ++c)
                M[at(r)][at(c)] = fit32(int64_t{pivot / g} * M[at(r)][at(c)] - int64_t{e / g} * M[at(i)][at(c)], "re");
            M[at(r)][at(i)] = 0;
        }
    }
}

void backsubstitute(int m) {
    const int rank = search.availrank;
    for (int i = rank; i >= 1; --i) {
        const int32_t a = M[at(i)][at(i)], b = M[at(i)][at(m)];
        if (a == 0) {
            num[at(i)] = 0;
            den[at(i)] = 1;
        } else {
            const int32_t g = gcd(a, b);
            num[at(i)] = b / g;
            den[at(i)] = a / g;
            if (a < 0) {
                num[at(i)] = -num[at(i)];
                den[at(i)] = -den[at(i)];
            }
        }
        for (int k = 1; k < i; ++k) {
            const int32_t g = gcd(M[at(k)][at(i)], static_cast<int32_t>(den[at(i)]));
            const int64_t d = den[at(i)] / g;
            M[at(k)][at(m)] = fit32(d * M[at(k)][at(m)] - int64_t{M[at(k)][at(i)] / g} * num[at(i)], "re");
            if (d > 1)
                for (int c = k; c <= rank; ++c)
                    if (c != i) M[at(k)][at(c)] = fit32(d * M[at(k)][at(c)], "re");
        }
    }
}

int64_t lcm64(int64_t a, int64_t b) {
    if (a == 0 || b == 0) return 0;
    const int64_t g = gcd(fit32(a, "re"), fit32(b, "re"));
    const int64_t l = a / g * b;
    return l < 0 ? -l : l;
}

void buildcoefficients(int m) {
    for (int j = 1; j <= ws.nem; ++j) coef[at(j)] = 0;
    int64_t L = 1;
    for (int i = 1; i <= search.availrank; ++i) L = fit32(lcm64(L, den[at(i)]), "re");
    for (int i = 1; i <= search.availrank; ++i) coef[at(idx[at(i)])] = L / den[at(i)] * num[at(i)];
    coef[at(idx[at(m)])] = -L;
    const int extra = ws.ncomps - ws.nrcomps;
    if (extra <= 0) return;
    std::array<int64_t, maxcomps + 1> xn{}, xd{};
    int64_t L2 = 1;
    for (int t = 1; t <= extra; ++t) {
        const int i = ws.nrcomps + t;
        int64_t s = 0;
        for (int j = 1; j <= ws.nem; ++j) s += int64_t{ws.c[at(i)][at(j)]} * coef[at(j)];
        const int32_t g = gcd(fit32(s, "re"), ws.compdiv[at(i)]);
        xn[at(t)] = s / g;
        xd[at(t)] = ws.compdiv[at(i)] / g;
        L2 = fit32(lcm64(L2, xd[at(t)]), "re");
    }
    if (L2 > 1)
        for (int j = 1; j <= ws.nrems; ++j) coef[at(j)] *= L2;
    for (int t = 1; t <= extra; ++t) coef[at(ws.nrems + t)] = -xn[at(t)] * (L2 / xd[at(t)]);
}

void check() {
    for (int i = 1; i <= ws.ncomps; ++i) {
        int64_t s = 0;
        for (int j = 1; j <= ws.nem; ++j) s += int64_t{ws.c[at(i)][at(j)]} * coef[at(j)];
        if (s == 0) continue;
        std::string line;
        for (int j = 1; j <= ws.nem; ++j)
            if (coef[at(j)] != 0) line += " " + wholetostr(real(coef[at(j)])) + " " + ws.emname[at(j)];
        putstr(1, line, 1, 1);
        query("in check");
        bombout("check", "unbalanced", 1);
    }
}

void orientreaction() {
    int64_t s = 0;
    if (ws.ih2o > 0) s += coef[at(ws.ih2o)];
    if (ws.ico2 > 0) s += coef[at(ws.ico2)];
    if (s < 0)
        for (int j = 1; j <= ws.nem; ++j) coef[at(j)] = -coef[at(j)];
}

void store() {
    if (reactions.nreac >= maxreactions) bombout("re", "too many reactions (max = 150)", 1);
    for (int j = 1; j <= ws.nem; ++j)
        if (coef[at(j)] < INT16_MIN || coef[at(j)] > INT16_MAX)
            bombout("re", "reaction coefficient beyond 16 bits (" + wholetostr(real(coef[at(j)])) + " for " +
                              ws.emname[at(j)] + ")", 0);
    ++reactions.nreac;
    reaction& row = reactions.r[at(reactions.nreac)];
    row.fill(0);
    for (int j = 1; j <= ws.nem; ++j) row[at(j)] = static_cast<int16_t>(coef[at(j)]);
}

void dropreaction() {
    --reactions.nreac;
    if (search.setappended) {
        --reactions.nreacsets;
        search.setappended = false;
    }
}

// Step 5 of the pruning: X joins the excluded assemblages unless one of them already
// holds it; the ones that X holds give way to it.
bool recordexcluded(const set90& X) {
    int notsubsets = 0;
    for (int i = 1; i <= search.nexcluded; ++i) {
        if (bset2subset(X, search.excludedsets[at(i)])) return false;
        if (!bset2subset(search.excludedsets[at(i)], X)) ++notsubsets;
    }
    if (notsubsets < search.nexcluded) {
        int kept = 0;
        for (int i = 1; i <= search.nexcluded; ++i)
            if (!bset2subset(search.excludedsets[at(i)], X)) search.excludedsets[at(++kept)] = search.excludedsets[at(i)];
        search.nexcluded = static_cast<int16_t>(kept + 1);
        search.excludedsets[at(kept + 1)] = X;
    } else if (search.nexcluded < maxexcluded) {
        search.excludedsets[at(++search.nexcluded)] = X;
    } else {
        search.excludedsets[maxexcluded] = X;
    }
    return true;
}

}  // namespace

void progresschar(char c) { putstr(0, std::string(1, c), 0, 9); }

void sumnulna() {
    real s = 0;
    if (run.calcmode != 1)
        for (int j = 1; j <= ws.nem; ++j) {
            const int16_t nu = reactions.r[at(reactions.nreac)][at(j)];
            if (nu != 0) s += nu * std::log(ws.emact[at(j)]);
        }
    reactions.reaclnk[at(reactions.nreac)] = s;
}

bool newindr() {
    const int n = reactions.nreac;
    std::array<int32_t, maxems + 1> v{};
    for (int j = 1; j <= ws.nem; ++j) v[at(j)] = reactions.r[at(n)][at(j)];
    auto reduce = [&] {
        int32_t g = 0;
        for (int j = 1; j <= ws.nem; ++j) g = gcd(g, v[at(j)]);
        if (g > 1)
            for (int j = 1; j <= ws.nem; ++j) v[at(j)] /= g;
        return g != 0;
    };
    for (int k = 1; k < n && k <= maxindreactions; ++k) {
        const int p = search.indpivot[at(k)];
        const auto& b = search.indbasis[at(k)];
        if (p < 1 || v[at(p)] == 0) continue;
        const int32_t g = gcd(b[at(p)], v[at(p)]);
        const int64_t bp = b[at(p)] / g, vp = v[at(p)] / g;
        for (int j = 1; j <= ws.nem; ++j) v[at(j)] = fit32(bp * v[at(j)] - vp * b[at(j)], "newindr");
        reduce();
    }
    if (!reduce()) return false;
    if (n > maxindreactions) bombout("newindr", "too many independent reactions", 0);
    int first = 0;
    for (int j = 1; j <= ws.nem && first == 0; ++j)
        if (v[at(j)] != 0) first = j;
    search.indpivot[at(n)] = static_cast<int16_t>(first);
    search.indbasis[at(n)] = v;
    return true;
}

bool reinwindow(real& sd) {
    const int16_t k = reactions.nreac;
    const auto& pr = settings.calcprange;
    const auto& tr = settings.calctrange;
    const real x = settings.xco2fluid, xw = settings.xh2ofluid;
    auto g = [&](real P, real T) {
        real gp, gt, d;
        calcdg(k, gp, gt, P, T, x, xw, d, dgslopes::none);
        return d;
    };
    bool crossing;
    if (search.narrowwindow) {
        const real g1 = search.rockcalctype == 0 ? g(pr[1], settings.tnow) : g(settings.pnow, tr[1]);
        const real g2 = search.rockcalctype == 0 ? g(pr[2], settings.tnow) : g(settings.pnow, tr[2]);
        crossing = (g1 > 0 && g2 <= 0) || (g1 <= 0 && g2 > 0);
    } else {
        real c1, c2, c3, c4;
        if (search.rockcalctype == 0) {
            c1 = g(pr[1], tr[1]);
            c2 = g(pr[2], tr[1]);
            c3 = g(pr[1], tr[2]);
            c4 = g(pr[2], tr[2]);
        } else {
            c1 = g(pr[1], tr[1]);
            c2 = g(pr[1], tr[2]);
            c3 = g(pr[2], tr[1]);
            c4 = g(pr[2], tr[2]);
        }
        crossing = (c1 > 0 && c2 <= 0 && c3 > 0 && c4 <= 0) || (c1 <= 0 && c2 > 0 && c3 <= 0 && c4 > 0);
    }
    if (!crossing) {
        sd = 1000;
        return false;
    }
    real v, v2, sd2, s1, s2;
    if (search.rockcalctype == 1)
        reactiontsd(k, v, v2, settings.pnow, x, xw, sd, sd2, s1, s2);
    else
        reactionpsd(k, v, v2, settings.tnow, x, xw, sd, sd2, s1, s2);
    return true;
}

void prunephases(bool side) {
    dropreaction();
    const reaction& nu = reactions.r[at(reactions.nreac + 1)];
    emflags xmask{};
    int nx = 0, e = 0;
    for (int j = 1; j <= ws.nrems; ++j) {
        const bool meta = side ? nu[at(j)] < -0.1 : nu[at(j)] > 0.1;
        if (meta) {
            xmask[at(j)] = true;
            ++nx;
            e = j;
        }
    }
    bool isnew = false;
    if (nx == 1) {
        isnew = true;
        for (int i = 1; i <= reactions.nomitted; ++i)
            if (reactions.omittedems[at(i)] == e) isnew = false;
        if (isnew) reactions.omittedems[at(++reactions.nomitted)] = static_cast<int16_t>(e);
        int kept = 0;
        for (int i = 1; i <= search.nexcluded; ++i)
            if (!BTst2(search.excludedsets[at(i)], static_cast<int16_t>(e)))
                search.excludedsets[at(++kept)] = search.excludedsets[at(i)];
        search.nexcluded = static_cast<int16_t>(kept);
    } else {
        const set90 X = markedset(xmask);
        if (search.nexcluded == 0) {
            bool hasomitted = false;
            for (int i = 1; i <= reactions.nomitted; ++i)
                if (reactions.omittedems[at(i)] <= maxsetelements && BTst2(X, reactions.omittedems[at(i)])) hasomitted = true;
            if (!hasomitted) {
                search.excludedsets[1] = X;
                search.nexcluded = 1;
                isnew = true;
            }
        } else {
            isnew = recordexcluded(X);
        }
    }
    progresschar(isnew ? '+' : '-');
}

void re(int16_t size, const compflags& compmask, const emflags& /*emmask*/, emflags& sel) {
    int m = 0;
    const int rows = reselmatrix(size, compmask, sel, m);
    eliminate(rows, m);
    if (size != search.availrank && m <= rows && M[at(m)][at(m)] != 0) {
        putstr(1, "   no =" + wholetostr(size) + ",  nmax =" + wholetostr(search.navailems) + ", rank =" +
                      wholetostr(search.availrank), 1, 9);
        bombout("re", "no reaction - WHY", 1);
    }
    backsubstitute(m);
    buildcoefficients(m);
    check();
    orientreaction();
    store();
    emflags used{};
    for (int j = 1; j <= ws.nrems; ++j) {
        sel[at(j)] = coef[at(j)] != 0;
        used[at(j)] = sel[at(j)];
    }
    search.setappended = false;
    if (reactions.nreacsets < maxreacsets) {
        reactions.reacsets[at(++reactions.nreacsets)] = markedset(used);
        search.setappended = true;
    }
    if (run.calcmode == 3) sumnulna();
    if (run.calcmode == 2) {
        real sd = 0;
        char mark;
        if (!newindr()) {
            mark = '-';
        } else {
            sumnulna();
            if (!reinwindow(sd)) {
                mark = '0';
            } else if (sd > search.maxallowedsd) {
                mark = ':';
            } else {
                mark = 'X';
                ++search.nsubsetreac;
            }
        }
        if (mark != 'X') --reactions.nreac;
        progresschar(mark);
        if (mark == 'X') {
            std::string line = search.rockcalctype == 1 ? " " + wholetostr(sd) : std::string();
            if (search.rockcalctype != 1) addreal(1, true, 5, sd, line);
            putstr(0, line, 1, 1);
        }
        return;
    }
    cornersides sides{};
    if (inPTXwindow(reactions.nreac, sides)) {
        progresschar('X');
    } else if (reactions.allreactions) {
        dropreaction();
        progresschar('+');
    } else {
        prunephases(sides[1]);
    }
}

}  // namespace zt
