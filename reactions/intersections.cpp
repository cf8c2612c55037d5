#include "reactions/intersections.h"

#include <array>
#include <cmath>

#include "numeric/methods/random.h"
#include "reactions/mode3state.h"
#include "reactions/reactionsearch.h"
#include "reactions/reactiontable.h"
#include "reactions/schreinemakers.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "script/valuelists.h"
#include "script/windows.h"

namespace zt {

namespace {

constexpr wordset chset13 = 13;
constexpr int maxgroup = 28;
constexpr int maxcandidates = 5000;
constexpr real unset = 1e10L;

size_t at(int i) { return static_cast<size_t>(i); }

// Working copies of one group: its reactions, their two lines, the in-window flags and
// the crossing marks at each list position.
struct groupstate {
    int16_t m = 0, n = 0;
    std::array<int16_t, maxgroup + 1> reacs{};
    std::array<std::array<std::array<real, maxlist + 1>, 3>, maxgroup + 1> lines{};
    std::array<std::array<std::array<bool, maxlist + 1>, 3>, maxgroup + 1> inwin{}, mark{};
    const std::array<real, maxlist + 1>* list = nullptr;
};
groupstate grp;

// The two segments of the crossing in hand.
struct segments {
    real xa = 0, xb = 0, y1a = 0, y1b = 0, y2a = 0, y2b = 0;
};
segments seg;

sortlist candx, candy;

size_t ln(int16_t line) { return static_cast<size_t>(line); }

void sidechange(int16_t j, int16_t k1, int16_t k2, int16_t a, int16_t b, bool& side, bool& first, bool& changed) {
    if (grp.inwin[at(k1)][ln(a)][at(j)] && grp.inwin[at(k2)][ln(b)][at(j)]) {
        const real s1 = grp.lines[at(k1)][ln(a)][at(j)];
        const real s2 = grp.lines[at(k2)][ln(b)][at(j)];
        if (first) {
            first = false;
        } else {
            changed = (side && s2 <= s1) || (!side && s2 > s1);
        }
        side = s2 > s1;
    } else {
        first = true;
    }
}

void markinwindow(bool& anycross) {
    for (int k = 1; k <= grp.m; ++k)
        for (int16_t line = 1; line <= 2; ++line)
            for (int j = 1; j <= grp.n; ++j) {
                grp.inwin[at(k)][ln(line)][at(j)] = inrange(m3.calcrangetype, grp.lines[at(k)][ln(line)][at(j)]);
                grp.mark[at(k)][ln(line)][at(j)] = false;
            }
    anycross = false;
    for (int16_t k1 = 1; k1 <= grp.m; ++k1)
        for (int16_t k2 = static_cast<int16_t>(k1 + 1); k2 <= grp.m; ++k2)
            for (int16_t a = 1; a <= 2; ++a)
                for (int16_t b = 1; b <= 2; ++b) {
                    bool first = true, changed = false, side = false;
                    for (int16_t j = 1; j <= grp.n; ++j) {
                        sidechange(j, k1, k2, a, b, side, first, changed);
                        if (changed) {
                            anycross = true;
                            grp.mark[at(k1)][ln(a)][at(j)] = true;
                            grp.mark[at(k2)][ln(b)][at(j)] = true;
                            first = true;
                            changed = false;
                        }
                    }
                }
}

bool bracketcross(int16_t k1, int16_t k2, int16_t a, int16_t b, int16_t j) {
    const auto& u = grp.lines[at(k1)][ln(a)];
    const auto& v = grp.lines[at(k2)][ln(b)];
    return (u[at(j)] > v[at(j)] && u[at(j - 1)] < v[at(j - 1)]) || (u[at(j)] < v[at(j)] && u[at(j - 1)] > v[at(j - 1)]);
}

struct participant {
    int16_t k, line;
};

bool pointinwindow(real A, real B) {
    int32_t runkind = 0;
    switch (settings.othervariable) {
        case 0: runkind = 1; break;
        case 1: runkind = 0; break;
        case 2: runkind = 2; break;
        case 3: runkind = 3; break;
        default: bombout("ptxtable", "unknown calcvariable", 1);
    }
    return inrange(runkind, A) && inrange(m3.calcrangetype, B);
}

// Takes the first remaining mark of the group and locates that crossing.
void calcptx(real& A, real& B, bool& converged, bool& found, int16_t& r1, int16_t& r2) {
    found = false;
    converged = false;
    int16_t j = 0, k = 0;
    for (int16_t jj = 1; jj <= grp.n && j == 0; ++jj)
        for (int16_t kk = 1; kk <= grp.m; ++kk)
            if (grp.mark[at(kk)][1][at(jj)] || grp.mark[at(kk)][2][at(jj)]) {
                j = jj;
                k = kk;
                break;
            }
    if (j == 0) return;
    found = true;

    std::array<participant, 2 * maxgroup + 1> parts{};
    int np = 0;
    auto& mk = grp.mark;
    int16_t k2 = 0;
    for (int16_t kk = k; kk <= grp.m && k2 == 0; ++kk)
        if (mk[at(kk)][1][at(j)] && mk[at(kk)][2][at(j)]) k2 = kk;
    if (k2 > 0) {
        // The lines crossing the first branch of the doubly marked reaction meet it there.
        parts[at(++np)] = {k2, 1};
        for (int16_t k3 = k; k3 <= grp.m; ++k3) {
            if (k3 == k2) continue;
            mk[at(k2)][1][at(j)] = false;
            if (mk[at(k3)][1][at(j)] && mk[at(k3)][2][at(j)]) {
                const int16_t line = bracketcross(k2, k3, 1, 1, j) ? 1 : 2;
                parts[at(++np)] = {k3, line};
                mk[at(k3)][ln(line)][at(j)] = false;
            } else {
                if (mk[at(k3)][1][at(j)] && bracketcross(k2, k3, 1, 1, j)) {
                    parts[at(++np)] = {k3, 1};
                    mk[at(k3)][1][at(j)] = bracketcross(k2, k3, 2, 1, j);
                }
                if (mk[at(k3)][2][at(j)] && bracketcross(k2, k3, 1, 2, j)) {
                    parts[at(++np)] = {k3, 2};
                    mk[at(k3)][2][at(j)] = bracketcross(k2, k3, 2, 2, j);
                }
            }
        }
    } else {
        for (int16_t k3 = k; k3 <= grp.m; ++k3) {
            if (mk[at(k3)][1][at(j)]) {
                parts[at(++np)] = {k3, 1};
                mk[at(k3)][1][at(j)] = false;
            } else if (mk[at(k3)][2][at(j)]) {
                parts[at(++np)] = {k3, 2};
                mk[at(k3)][2][at(j)] = false;
            }
        }
    }
    if (np < 2) bombout("calcptx", "too few reactions", 1);

    real tolrun, tolcalc;
    setlim(tolrun, tolcalc);
    int16_t nc = 0;
    for (int p = 1; p <= np; ++p)
        for (int q = p + 1; q <= np; ++q) {
            setupptx(grp.reacs[at(parts[at(p)].k)], grp.reacs[at(parts[at(q)].k)], parts[at(p)].line,
                     parts[at(q)].line, j);
            real X, Y;
            bool ok;
            linecross(X, Y, ok);
            if (ok && nc < maxcandidates) {
                ++nc;
                candx[at(nc)] = X;
                candy[at(nc)] = Y;
            }
        }
    // Lines of near-identical reactions can swap order by rounding alone, leaving every
    // pair of segments parallel: the refinement below then reports it like any other
    // crossing it cannot locate, and the run goes on.
    if (nc > 0) {
        A = findmedian(candx, nc);
        B = findmedian(candy, nc);
    }

    r1 = grp.reacs[at(parts[1].k)];
    r2 = grp.reacs[at(parts[2].k)];
    setupptx(r1, r2, parts[1].line, parts[2].line, j);
    const real xa0 = seg.xa, xb0 = seg.xb;
    real prevA = unset, prevB = unset;
    bool ok = true, outside = false;
    for (int count = 1; count <= 6; ++count) {
        linecross(A, B, ok);
        if (!ok) break;
        converged = std::fabs(A - prevA) < tolrun && std::fabs(B - prevB) < tolcalc;
        if (converged) break;
        if (A < xa0 || A > xb0) {
            outside = true;
            break;
        }
        real P, T, x, y, y1 = B, y2 = B, other;
        runningpoint(A, P, T, x, y);
        calcroots(r1, true, P, T, x, y, y1, other);
        calcroots(r2, true, P, T, x, y, y2, other);
        if ((seg.y2b > seg.y1b && y2 > y1) || (seg.y1b > seg.y2b && y1 > y2)) {
            seg.xb = A;
            seg.y1b = y1;
            seg.y2b = y2;
        } else {
            seg.xa = A;
            seg.y1a = y1;
            seg.y2a = y2;
        }
        prevA = A;
        prevB = B;
    }
    if (!converged) {
        A = B = 1e21L;
        std::string line = outside ? "finding the intersection : iteration went outside bracket - it shouldn't !!"
                           : !ok   ? "finding the intersection : divide by zero"
                                   : "finding the intersection : iteration did not converge";
        line += " ( involving reactions: ";
        for (int kk = 1; kk <= grp.m; ++kk) line += wholetostr(grp.reacs[at(kk)]) + " ";
        line += ")";
        putstr(1, line, 1, chset13);
    }
}

}  // namespace

void setupptx(int16_t r1, int16_t r2, int16_t a, int16_t b, int16_t j) {
    int16_t n = 0;
    const std::array<real, maxlist + 1>& list = runninglist(n, "setupptx");
    const auto& l1 = a == 1 ? m3.linelow[at(r1)] : m3.linehigh[at(r1)];
    const auto& l2 = b == 1 ? m3.linelow[at(r2)] : m3.linehigh[at(r2)];
    seg.y1a = l1[at(j - 1)];
    seg.y1b = l1[at(j)];
    seg.y2a = l2[at(j - 1)];
    seg.y2b = l2[at(j)];
    seg.xa = list[at(j - 1)];
    seg.xb = list[at(j)];
}

void linecross(real& X, real& Y, bool& ok) {
    const real dx = seg.xb - seg.xa;
    ok = std::fabs(dx) > 1e-10L * std::fabs(seg.xb);
    if (!ok) return;
    const real m1 = (seg.y1b - seg.y1a) / dx;
    const real c1 = (seg.xb * seg.y1a - seg.xa * seg.y1b) / dx;
    const real m2 = (seg.y2b - seg.y2a) / dx;
    const real c2 = (seg.xb * seg.y2a - seg.xa * seg.y2b) / dx;
    if (std::fabs(m2 - m1) < 1e-10L) {
        ok = false;
        return;
    }
    X = (c1 - c2) / (m2 - m1);
    Y = m1 * X + c1;
}

void setlim(real& tolrun, real& tolcalc) {
    switch (settings.diagrammode) {
        case 0:
            if (settings.calcvariable == 1) {
                tolrun = 0.01L;
                tolcalc = 0.5L;
            } else if (settings.calcvariable == 0) {
                tolrun = 0.5L;
                tolcalc = 0.01L;
            } else {
                bombout("setlim", "unknown calcvariable", 1);
            }
            break;
        case 1:
        case 3:
            tolrun = 0.001L;
            tolcalc = 0.01L;
            break;
        case 2:
        case 4:
            tolrun = 0.001L;
            tolcalc = 0.5L;
            break;
        default: bombout("setlim", "unknown diagrammode", 1);
    }
}

void intersections() {
    if (settings.diagrammode < 0 || settings.diagrammode > 4) bombout("intersections", "unknown diagrammode", 1);
    if (settings.diagrammode == 0 && settings.calcvariable != 0 && settings.calcvariable != 1)
        bombout("intersections", "unknown calcvariable", 1);
    grp.list = &runninglist(grp.n, "intersections");
    intersectionheadings();
    reactionflags involved{};
    int count = 0;
    m3.npoints = 0;
    for (int16_t g = 1; g <= search.ninvpoints; ++g) {
        grp.m = search.ninvreac[at(g)];
        if (grp.m > maxgroup) {
            std::string suffix;
            appendmax(maxgroup, suffix);
            bombout("intersections", "too many reactions in intersection" + suffix, 1);
        }
        for (int k = 1; k <= grp.m; ++k) {
            const int16_t r = search.invreactions[at(g)][at(k)];
            grp.reacs[at(k)] = r;
            grp.lines[at(k)][1] = m3.linelow[at(r)];
            grp.lines[at(k)][2] = m3.linehigh[at(r)];
        }
        enlargewindow(settings.calcvariable);
        bool anycross = false;
        markinwindow(anycross);
        if (!anycross) {
            restorewindow(settings.calcvariable);
            continue;
        }
        for (;;) {
            intersectionpoint point;
            point.g = g;
            bool found = false;
            calcptx(point.A, point.B, point.converged, found, point.r1, point.r2);
            restorewindow(settings.calcvariable);
            if (!found) break;
            if (!pointinwindow(point.A, point.B)) continue;
            ++count;
            point.stable = ptxstable(g, point.A, point.B);
            if (m3.npoints < maxlist) {
                const size_t q = at(++m3.npoints);
                m3.pointgroup[q] = g;
                m3.pointA[q] = point.A;
                m3.pointB[q] = point.B;
                m3.pointstable[q] = point.stable;
            }
            printintersection(point);
            printcoordinates(point);
            for (int k = 1; k <= grp.m; ++k) involved[at(grp.reacs[at(k)])] = true;
        }
    }
    if (count == 0) putstr(1, "sorry, none in the window", 1, chset13);
    rstable(involved);
}

}  // namespace zt
