#include "dsfit/lsq.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "dsfit/fitformat.h"
#include "dsfit/fitset.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

real& XX(int i, int j) { return fit.xx[fitat(i, j)]; }
int16_t X(int i, int j) { return fit.x[fitat(i, j)]; }
bool B(int i, int j) { return fit.b[fitat(i, j)] != 0; }

int ntpnow() { return ds.ntp; }

// A coefficient counts only where b marks the end-member as taking part.
bool holds(int i, int j) { return B(i, j) && X(i, j) != 0; }

// Work space of the rank test, kept between solves.
struct rankspace {
    std::vector<int16_t> unknowns;  // per row: how many of its end-members are not yet fixed
    std::vector<char> fixed;        // per column
    std::vector<int> corerows, corecols, touched;
    std::vector<real> a, length, v;
    std::vector<int> pivotrow;
    std::vector<real> c;
};

rankspace& rankwork()
{
    static rankspace w;
    if (w.unknowns.empty()) {
        w.unknowns.assign(static_cast<size_t>(maxfitrows) + 1, 0);
        w.fixed.assign(static_cast<size_t>(maxdsentries) + 1, 0);
        w.corerows.reserve(static_cast<size_t>(maxfitrows));
        w.corecols.reserve(static_cast<size_t>(maxdsentries));
        w.touched.reserve(static_cast<size_t>(maxfitrows));
    }
    return w;
}

// A row that holds a single end-member whose enthalpy is not yet fixed fixes it, exactly
// and whatever its weight; so do, in turn, the rows it leaves with a single unknown
// (direct calorimetry, then the oxide-calorimetry and reaction rows on those end-members).
// This settles most fits without arithmetic. Leaves fixed[] and the rows and columns
// still to be tested.
void fixbysinglerows(rankspace& w)
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    for (int j = 1; j <= n; ++j) w.fixed[static_cast<size_t>(j)] = 0;
    for (int i = 1; i <= rows; ++i) {
        int16_t count = 0;
        for (int j = 1; j <= n; ++j) count = static_cast<int16_t>(count + (holds(i, j) ? 1 : 0));
        w.unknowns[static_cast<size_t>(i)] = count;
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (int i = 1; i <= rows; ++i) {
            if (w.unknowns[static_cast<size_t>(i)] != 1) continue;
            int k = 1;
            while (!holds(i, k) || w.fixed[static_cast<size_t>(k)] != 0) ++k;
            w.fixed[static_cast<size_t>(k)] = 1;
            for (int r = 1; r <= rows; ++r) {
                if (holds(r, k)) --w.unknowns[static_cast<size_t>(r)];
            }
            changed = true;
        }
    }
    w.corerows.clear();
    w.corecols.clear();
    for (int j = 1; j <= n; ++j) {
        if (w.fixed[static_cast<size_t>(j)] == 0) w.corecols.push_back(j);
    }
    // No row is left with exactly one unknown; a row with none says nothing more.
    for (int i = 1; i <= rows; ++i) {
        if (w.unknowns[static_cast<size_t>(i)] > 1) w.corerows.push_back(i);
    }
}

// The columns not fixed by single rows are tested by QR with column skipping on the
// unweighted rows: a column is taken as dependent when it keeps no more than this part of
// its length once the columns before it are taken out. With whole-number coefficients an
// independent column keeps a visible part; rounding leaves a dependent one 1e-18 or less.
constexpr real ranktolerance = 1e-9L;

// The end-members whose enthalpies the rows leave free: those in some combination of
// columns that the rows do not see. Empty when the rows determine every enthalpy.
// Whether they do is a matter of which end-members the rows hold and with what
// coefficients, not of their weights, which change no rank: so it is decided here on the
// unweighted rows, once for both solvers, and a row sd of 1e-5 beside one of 1e3 does not
// pass for a missing row.
std::vector<int> undeterminedcolumns()
{
    rankspace& w = rankwork();
    fixbysinglerows(w);
    const int n = static_cast<int>(w.corecols.size());
    if (n == 0) return {};
    const int rows = static_cast<int>(w.corerows.size());
    const auto cols = static_cast<size_t>(n) + 1;
    const size_t need = (static_cast<size_t>(rows) + 1) * cols;
    if (w.a.size() < need) w.a.resize(need);
    if (w.length.size() < cols) {
        w.length.resize(cols);
        w.pivotrow.resize(cols);
        w.c.resize(cols);
    }
    if (w.v.size() < static_cast<size_t>(rows) + 1) w.v.resize(static_cast<size_t>(rows) + 1);
    auto A = [&](int i, int j) -> real& { return w.a[static_cast<size_t>(i) * cols + static_cast<size_t>(j)]; };
    std::vector<real>& length = w.length;
    std::vector<real>& v = w.v;
    std::vector<int>& pivotrow = w.pivotrow;  // 0: the column depends on those before it
    std::vector<int>& touched = w.touched;
    for (int j = 1; j <= n; ++j) length[static_cast<size_t>(j)] = 0;
    for (int i = 1; i <= rows; ++i) {
        const int r = w.corerows[static_cast<size_t>(i - 1)];
        for (int j = 1; j <= n; ++j) {
            const int e = w.corecols[static_cast<size_t>(j - 1)];
            A(i, j) = holds(r, e) ? X(r, e) : 0;
            length[static_cast<size_t>(j)] += A(i, j) * A(i, j);
        }
    }
    bool anyfree = false;
    int p = 0;
    for (int k = 1; k <= n; ++k) {
        real s = 0;
        for (int i = p + 1; i <= rows; ++i) s += A(i, k) * A(i, k);
        if (p == rows || s <= ranktolerance * ranktolerance * length[static_cast<size_t>(k)]) {
            pivotrow[static_cast<size_t>(k)] = 0;
            anyfree = true;
            continue;
        }
        ++p;
        pivotrow[static_cast<size_t>(k)] = p;
        const real g = A(p, k) < 0 ? std::sqrt(s) : -std::sqrt(s);
        // Reactions hold a few end-members each: the reflection touches only the rows in
        // which column k is not 0, and the pivot row.
        touched.clear();
        for (int i = p; i <= rows; ++i) {
            if (i == p || A(i, k) != 0) touched.push_back(i);
            v[static_cast<size_t>(i)] = A(i, k);
        }
        v[static_cast<size_t>(p)] -= g;
        const real h = g * A(p, k) - s;
        for (int j = k; j <= n; ++j) {
            real t = 0;
            for (int i : touched) t += v[static_cast<size_t>(i)] * A(i, j);
            if (t == 0) continue;
            for (int i : touched) A(i, j) += (t / h) * v[static_cast<size_t>(i)];
        }
    }
    if (!anyfree) return {};
    // Each free column k is a combination of the determined columns before it; those
    // that carry a visible part of it are as free as k.
    std::vector<bool> undetermined(cols, false);
    std::vector<real>& c = w.c;
    for (int k = 1; k <= n; ++k) {
        if (pivotrow[static_cast<size_t>(k)] != 0) continue;
        undetermined[static_cast<size_t>(k)] = true;
        for (int j = k - 1; j >= 1; --j) {
            const int r = pivotrow[static_cast<size_t>(j)];
            c[static_cast<size_t>(j)] = 0;
            if (r == 0) continue;
            real t = A(r, k);
            for (int l = j + 1; l < k; ++l) {
                if (pivotrow[static_cast<size_t>(l)] != 0) t -= A(r, l) * c[static_cast<size_t>(l)];
            }
            c[static_cast<size_t>(j)] = t / A(r, j);
            const real part = std::fabs(c[static_cast<size_t>(j)]) * std::sqrt(length[static_cast<size_t>(j)]);
            if (part > ranktolerance * std::sqrt(length[static_cast<size_t>(k)]))
                undetermined[static_cast<size_t>(j)] = true;
        }
    }
    std::vector<int> list;
    for (int j = 1; j <= n; ++j) {
        if (undetermined[static_cast<size_t>(j)]) list.push_back(w.corecols[static_cast<size_t>(j - 1)]);
    }
    return list;
}

// The names of columns, up to a line's worth, for a message.
std::string columnnames(const std::vector<int>& list)
{
    std::string names;
    size_t shown = 0;
    for (int j : list) {
        const std::string& name = ds.dsnames[static_cast<size_t>(j)];
        if (names.size() + name.size() > 150) break;
        names += (shown == 0 ? "" : " ") + name;
        ++shown;
    }
    if (shown < list.size()) names += " ... (" + wholetostr(static_cast<int>(list.size())) + " in all)";
    return names;
}

// Rows that leave enthalpies free: no enthalpy a solver would give can be trusted, so the
// run ends before anything is reported or written.
void refuseundetermined(const std::string& routine)
{
    const std::vector<int> list = undeterminedcolumns();
    if (list.empty()) return;
    bombout(routine,
            "matrix is singular: the rows do not determine the enthalpies of " + columnnames(list) +
                " (dataset not written)",
            0);
}

// A solve is held to the digits of every number the run writes from it: H (to 0.001 kJ in
// the new dataset, 0.01 in the report), each covariance (0.0001 kJ^2), the leverages
// (0.01), sigfit (0.001). Each number gets a bound on how far it may lie from
// the exact fit of the rows as given: the solver's rounding (first-order estimates, taken
// errormargin times over), the rows' own rounding, and the number's own last bits. The
// first solve is in 80-bit reals; where a bound passes a digit that the number could
// otherwise hold, the fit is done again by QR in 113-bit reals, whose rounding is 2^49
// times smaller. A number of the dataset whose fixed decimals lie beyond its bound is
// written with the digits it holds: only a number that must keep its decimals (sigfit,
// the leverages, H in the report) and cannot stops the run.
using quad = __float128;

constexpr real unitroundoff = 5.421010862427522170e-20L;  // 2^-64
constexpr real quadroundoff = 9.629649721936179265e-35L;  // 2^-113
constexpr real errormargin = 4;
// Beyond an amplification a^p = cap (p = 1 for QR, 2 for Cholesky) the first-order
// estimates no longer hold, and the leverages and reaction sds, which err by about
// u a^p, lose their printed decimals: then the 80-bit solve is not trusted at all. The
// same holds for the 113-bit one at a cap as many times higher as its rounding is smaller.
constexpr real amplificationcap = 1e13L;
// Rows whose sds lie within this factor of each other are not called unevenly weighted.
constexpr real evenspread = 100;

real magnitude(real x) { return std::fabs(x); }
quad magnitude(quad x) { return x < 0 ? -x : x; }
real root(real x) { return std::sqrt(x); }
// One Newton step from the 64-bit root gives the 113 bits.
quad root(quad x)
{
    if (!(x > 0)) return 0;
    const quad r = std::sqrt(static_cast<real>(x));
    return (r + x / r) / 2;
}

// The solver's matrix: xx itself for the 80-bit solve, a matrix of the same layout for the
// 113-bit one; and the observations it reflects.
template <class T>
T& A(int i, int j);
template <>
real& A<real>(int i, int j)
{
    return fit.xx[fitat(i, j)];
}
std::vector<quad>& quadmatrix()
{
    static std::vector<quad> m;
    return m;
}
template <>
quad& A<quad>(int i, int j)
{
    return quadmatrix()[fitat(i, j)];
}
template <class T>
std::vector<T>& observations();
template <>
std::vector<real>& observations<real>()
{
    return fit.yy;
}
template <>
std::vector<quad>& observations<quad>()
{
    static std::vector<quad> v;
    return v;
}

// Work vectors of either precision, each of a row's or a column's length.
template <class T>
std::vector<T>& work(int k)
{
    static std::vector<T> v[3];
    std::vector<T>& w = v[k];
    const size_t need = static_cast<size_t>(std::max(maxfitrows, maxdsentries)) + 1;
    if (w.size() < need) w.assign(need, 0);
    return w;
}

// Per column, work space of the error estimates.
std::vector<real>& columnwork(int k)
{
    static std::vector<real> v[8];
    std::vector<real>& w = v[k];
    if (w.size() < static_cast<size_t>(maxdsentries) + 1) w.assign(static_cast<size_t>(maxdsentries) + 1, 0);
    return w;
}

std::vector<real>& columnlengths() { return columnwork(7); }

// U = R^-1 of the last solve's triangular factor R (R^T R = X^T W X, its columns taken in
// the order below), upper triangular, in rows ntp+1..2 ntp of the solver's matrix. The
// leverages and the variances of reactions come from it: |v^T U|^2 keeps its digits where
// v^T C v, of terms the size of the loosest enthalpy's variance, would lose them to
// cancellation.
template <class T>
T& Uof(int i, int j)
{
    return A<T>(ntpnow() + i, j);
}
real& U(int i, int j) { return Uof<real>(i, j); }

// Cholesky's factor L, kept for its error estimates in rows 2 ntp+1..3 ntp of xx once the
// covariance has taken its place.
real& L(int i, int j) { return XX(2 * ntpnow() + i, j); }

// Whether U, and so the leverages and reaction variances, came from the 113-bit solve.
bool& quadfactor()
{
    static bool q = false;
    return q;
}

// The order in which the factor took the columns: column colat[k] at position k, column j
// at position posof[j]. QR picks its pivots; Cholesky takes them as they come.
struct columnorder {
    std::vector<int> colat, posof;
};

columnorder& order()
{
    static columnorder o;
    if (o.colat.empty()) {
        o.colat.assign(static_cast<size_t>(maxdsentries) + 1, 0);
        o.posof.assign(static_cast<size_t>(maxdsentries) + 1, 0);
    }
    return o;
}

void naturalorder()
{
    columnorder& o = order();
    for (int j = 1; j <= ntpnow(); ++j) o.colat[static_cast<size_t>(j)] = o.posof[static_cast<size_t>(j)] = j;
}

// Each column of U solves R u = e_j by back substitution (the sums in order of k), which
// leaves R U - I within rounding of |R| |U|: a combination v^T U is then as good as R.
// Worked a row of U at a time, bottom up, so that the inner loop runs along rows.
template <class T, class factor>
void invertfactor(factor R)
{
    const int n = ntpnow();
    for (int i = n; i >= 1; --i) {
        for (int j = i + 1; j <= n; ++j) Uof<T>(i, j) = 0;
        for (int k = i + 1; k <= n; ++k) {
            const T r = R(i, k);
            if (r == 0) continue;
            for (int j = k; j <= n; ++j) Uof<T>(i, j) += r * Uof<T>(k, j);
        }
        const T d = R(i, i);
        for (int j = i + 1; j <= n; ++j) Uof<T>(i, j) = -Uof<T>(i, j) / d;
        Uof<T>(i, i) = 1 / d;
    }
}

// By position k: s_k = |row k of U|, the sd of its enthalpy; and the bound v_k on how far
// row k of U may lie from R^-1 after the back substitution, |U| |R| |U| taken along the
// row, as |U| (|R| s). Worked while R is still there.
template <class T, class factor>
void inversionbound(factor R)
{
    const int n = ntpnow();
    std::vector<real>& s = columnwork(5);
    std::vector<real>& v = columnwork(6);
    std::vector<real>& rho = columnwork(4);
    for (int k = 1; k <= n; ++k) {
        T t = 0;
        for (int m = k; m <= n; ++m) t += Uof<T>(k, m) * Uof<T>(k, m);
        s[static_cast<size_t>(k)] = static_cast<real>(root(t));
    }
    for (int m = 1; m <= n; ++m) {
        real t = 0;
        for (int l = m; l <= n; ++l) t += static_cast<real>(magnitude(R(m, l))) * s[static_cast<size_t>(l)];
        rho[static_cast<size_t>(m)] = t;
    }
    for (int k = 1; k <= n; ++k) {
        real t = 0;
        for (int m = k; m <= n; ++m) t += static_cast<real>(magnitude(Uof<T>(k, m))) * rho[static_cast<size_t>(m)];
        v[static_cast<size_t>(k)] = t;
    }
}

// C = U U^T into the leading ntp x ntp block of xx, full and symmetric, by column.
template <class T>
void covariancefromfactor()
{
    const int n = ntpnow();
    const std::vector<int>& colat = order().colat;
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            T s = 0;
            for (int m = j; m <= n; ++m) s += Uof<T>(i, m) * Uof<T>(j, m);
            const auto c = static_cast<real>(s);
            XX(colat[static_cast<size_t>(i)], colat[static_cast<size_t>(j)]) = c;
            XX(colat[static_cast<size_t>(j)], colat[static_cast<size_t>(i)]) = c;
        }
    }
}

// |sum of c U[k][.]|^2 over the terms (column j at position k, coefficient c) of a
// combination.
template <class T>
real squaredcombination(const std::vector<std::pair<int, real>>& terms)
{
    const int n = ntpnow();
    if (terms.empty()) return 0;
    const std::vector<int>& posof = order().posof;
    std::vector<T>& z = work<T>(0);
    int first = n;
    for (const auto& t : terms) first = std::min(first, posof[static_cast<size_t>(t.first)]);
    for (int m = first; m <= n; ++m) z[static_cast<size_t>(m)] = 0;
    for (const auto& [j, c] : terms) {
        const int k = posof[static_cast<size_t>(j)];
        const T cc = c;
        for (int m = k; m <= n; ++m) z[static_cast<size_t>(m)] += cc * Uof<T>(k, m);
    }
    T s = 0;
    for (int m = first; m <= n; ++m) s += z[static_cast<size_t>(m)] * z[static_cast<size_t>(m)];
    return static_cast<real>(s);
}

// Row i's leverage x_i^T C x_i / sd_i^2 as the squared length of (x_i / sd_i)^T U, the
// row of Q of the weighted rows.
template <class T>
void leverages()
{
    const int n = ntpnow();
    std::vector<std::pair<int, real>> terms;
    terms.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= fit.nrows; ++i) {
        const real sd = fit.rowsd[static_cast<size_t>(i)];
        terms.clear();
        for (int j = 1; j <= n; ++j) {
            if (holds(i, j)) terms.emplace_back(j, X(i, j) / sd);
        }
        fit.hat[static_cast<size_t>(i)] = squaredcombination<T>(terms);
    }
}

// From the factor R of a solve: U, the bound of its rows, the covariance and the leverages.
template <class T, class factor>
void fromfactor(factor R)
{
    invertfactor<T>(R);
    inversionbound<T>(R);
    covariancefromfactor<T>();
    leverages<T>();
}

// The squared length of what is left of column position j below row k.
template <class T>
T remainder(int k, int j)
{
    T t = 0;
    for (int i = k; i <= fit.nrows; ++i) t += A<T>(i, j) * A<T>(i, j);
    return t;
}

// Householder QR of the rows, each divided by its sd when weighted: R in the upper triangle
// of the solver's matrix, its columns in the order of order(), and the observations
// reflected alike; length[j] is the squared length of column j. A column with nothing left
// for its pivot gets R[k][k] = 0. The rows go in from the heaviest (largest coefficient
// over sd) down, and each step takes the column with the most left: then every row keeps
// its digits relative to itself, whatever the others' weights, and a light row's part is
// never the difference of heavy numbers. R is the same in any row order, up to the order
// of its columns. A reflection changes only the rows in which its column is not 0 and the
// pivot row: the others are passed over, which changes no digit.
template <class T>
void householder(bool weighted)
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    std::vector<T>& v = work<T>(0);
    std::vector<T>& left = work<T>(1);
    std::vector<T>& fresh = work<T>(2);
    std::vector<T>& yy = observations<T>();
    if (yy.size() < static_cast<size_t>(maxfitrows) + 1) yy.assign(static_cast<size_t>(maxfitrows) + 1, 0);
    std::vector<real>& length = columnlengths();
    static std::vector<int> rowat, touched;
    static std::vector<real> weight;
    rowat.resize(static_cast<size_t>(rows));
    weight.resize(static_cast<size_t>(rows) + 1);
    for (int i = 1; i <= rows; ++i) {
        rowat[static_cast<size_t>(i - 1)] = i;
        real big = 0;
        for (int j = 1; j <= n; ++j) {
            if (B(i, j)) big = std::max(big, static_cast<real>(std::abs(X(i, j))));
        }
        weight[static_cast<size_t>(i)] = weighted ? big / fit.rowsd[static_cast<size_t>(i)] : big;
    }
    std::stable_sort(rowat.begin(), rowat.end(),
                     [&](int a, int b) { return weight[static_cast<size_t>(a)] > weight[static_cast<size_t>(b)]; });
    for (int j = 1; j <= n; ++j) fresh[static_cast<size_t>(j)] = 0;
    for (int k = 1; k <= rows; ++k) {
        const int i = rowat[static_cast<size_t>(k - 1)];
        const T sd = weighted ? static_cast<T>(fit.rowsd[static_cast<size_t>(i)]) : 1;
        for (int j = 1; j <= n; ++j) {
            A<T>(k, j) = B(i, j) ? static_cast<T>(X(i, j)) / sd : 0;
            fresh[static_cast<size_t>(j)] += A<T>(k, j) * A<T>(k, j);
        }
        yy[static_cast<size_t>(k)] = static_cast<T>(fit.y[static_cast<size_t>(i)]) / sd;
    }
    naturalorder();
    columnorder& o = order();
    for (int j = 1; j <= n; ++j) {
        left[static_cast<size_t>(j)] = fresh[static_cast<size_t>(j)];
        length[static_cast<size_t>(j)] = static_cast<real>(fresh[static_cast<size_t>(j)]);
    }
    for (int k = 1; k <= n; ++k) {
        int p = k;
        for (int j = k + 1; j <= n; ++j) {
            if (left[static_cast<size_t>(j)] > left[static_cast<size_t>(p)]) p = j;
        }
        if (p != k) {
            for (int i = 1; i <= rows; ++i) std::swap(A<T>(i, k), A<T>(i, p));
            std::swap(left[static_cast<size_t>(k)], left[static_cast<size_t>(p)]);
            std::swap(fresh[static_cast<size_t>(k)], fresh[static_cast<size_t>(p)]);
            std::swap(o.colat[static_cast<size_t>(k)], o.colat[static_cast<size_t>(p)]);
        }
        touched.clear();
        T scale = 0;
        for (int i = k; i <= rows; ++i) {
            if (i != k && A<T>(i, k) == 0) continue;
            touched.push_back(i);
            scale += magnitude(A<T>(i, k));
        }
        if (scale == 0) continue;
        T s = 0;
        for (int i : touched) {
            v[static_cast<size_t>(i)] = A<T>(i, k) / scale;
            s += v[static_cast<size_t>(i)] * v[static_cast<size_t>(i)];
        }
        const T f = v[static_cast<size_t>(k)];
        const T g = f < 0 ? root(s) : -root(s);
        const T h = g * f - s;
        v[static_cast<size_t>(k)] = f - g;
        A<T>(k, k) = g * scale;
        for (int j = k + 1; j <= n; ++j) {
            T t = 0;
            for (int i : touched) t += v[static_cast<size_t>(i)] * A<T>(i, j);
            for (int i : touched) A<T>(i, j) += (t / h) * v[static_cast<size_t>(i)];
            // What is left of column j, taken again in full once most of it is gone.
            left[static_cast<size_t>(j)] -= A<T>(k, j) * A<T>(k, j);
            if (!(left[static_cast<size_t>(j)] > static_cast<T>(1e-6L) * fresh[static_cast<size_t>(j)])) {
                left[static_cast<size_t>(j)] = fresh[static_cast<size_t>(j)] = remainder<T>(k + 1, j);
            }
        }
        T t = 0;
        for (int i : touched) t += v[static_cast<size_t>(i)] * yy[static_cast<size_t>(i)];
        for (int i : touched) yy[static_cast<size_t>(i)] += (t / h) * v[static_cast<size_t>(i)];
    }
    for (int k = 1; k <= n; ++k) o.posof[static_cast<size_t>(o.colat[static_cast<size_t>(k)])] = k;
}

// Whether every pivot keeps more than 1/cap of its column's length (a within the cap):
// checked before anything is divided by a pivot.
template <class T>
bool pivotswithincap(real cap)
{
    const std::vector<real>& length = columnlengths();
    const std::vector<int>& colat = order().colat;
    for (int k = 1; k <= ntpnow(); ++k) {
        const real s = std::sqrt(length[static_cast<size_t>(colat[static_cast<size_t>(k)])]);
        if (!(static_cast<real>(magnitude(A<T>(k, k))) * cap > s)) return false;
    }
    return true;
}

// The weighted QR solve in T: theta, sigfitsq, U, the covariance and the leverages; false
// when a pivot shows an amplification beyond the cap.
template <class T>
bool qrsolve(real cap)
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    householder<T>(true);
    if (!pivotswithincap<T>(cap)) return false;
    const std::vector<int>& colat = order().colat;
    const std::vector<T>& yy = observations<T>();
    std::vector<T>& z = work<T>(0);  // H by position
    for (int i = n; i >= 1; --i) {
        T s = yy[static_cast<size_t>(i)];
        for (int j = i + 1; j <= n; ++j) s -= z[static_cast<size_t>(j)] * A<T>(i, j);
        z[static_cast<size_t>(i)] = s / A<T>(i, i);
    }
    for (int k = 1; k <= n; ++k)
        fit.theta[static_cast<size_t>(colat[static_cast<size_t>(k)])] = static_cast<real>(z[static_cast<size_t>(k)]);
    T ss = 0;
    for (int i = n + 1; i <= rows; ++i) ss += yy[static_cast<size_t>(i)] * yy[static_cast<size_t>(i)];
    fit.sigfitsq = static_cast<real>(rows > n ? ss / (rows - n) : ss);
    fromfactor<T>([](int i, int k) -> T { return A<T>(i, k); });
    return true;
}

// The normal equations and their Cholesky factor L (R = L^T): theta, sigfitsq, U, the
// covariance and the leverages; false when a pivot shows a^2 beyond the cap. A pivot is
// the diagonal less what the earlier columns explain, their ratio at most a^2: one below
// 1/cap of it shows a^2 > cap before its square root is taken.
bool choleskisolve()
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    for (int j = 1; j <= n; ++j) {
        for (int l = j; l <= n; ++l) {
            real s = 0;
            for (int i = 1; i <= rows; ++i) {
                if (!B(i, j) || !B(i, l)) continue;
                const real sd = fit.rowsd[static_cast<size_t>(i)];
                const auto prod = static_cast<int32_t>(X(i, j)) * static_cast<int32_t>(X(i, l));
                s += prod / (sd * sd);
            }
            XX(j, l) = s;
            XX(l, j) = s;
        }
        real s = 0;
        for (int i = 1; i <= rows; ++i) {
            if (!B(i, j)) continue;
            const real sd = fit.rowsd[static_cast<size_t>(i)];
            s += X(i, j) * fit.y[static_cast<size_t>(i)] / (sd * sd);
        }
        fit.yy[static_cast<size_t>(j)] = s;
    }
    std::vector<real>& diagonal = columnlengths();
    for (int i = 1; i <= n; ++i) diagonal[static_cast<size_t>(i)] = XX(i, i);
    naturalorder();
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j < i; ++j) {
            real s = XX(i, j);
            for (int k = 1; k < j; ++k) s -= XX(i, k) * XX(j, k);
            XX(i, j) = s / XX(j, j);
        }
        real d = XX(i, i);
        for (int k = 1; k < i; ++k) d -= XX(i, k) * XX(i, k);
        if (!(d * amplificationcap > diagonal[static_cast<size_t>(i)])) return false;
        XX(i, i) = std::sqrt(d);
    }
    std::vector<real>& z = work<real>(0);
    for (int i = 1; i <= n; ++i) {
        real s = fit.yy[static_cast<size_t>(i)];
        for (int k = 1; k < i; ++k) s -= XX(i, k) * z[static_cast<size_t>(k)];
        z[static_cast<size_t>(i)] = s / XX(i, i);
    }
    for (int i = n; i >= 1; --i) {
        real s = z[static_cast<size_t>(i)];
        for (int k = i + 1; k <= n; ++k) s -= fit.theta[static_cast<size_t>(k)] * XX(k, i);
        fit.theta[static_cast<size_t>(i)] = s / XX(i, i);
    }
    real ss = 0;
    for (int i = 1; i <= rows; ++i) {
        real r = fit.y[static_cast<size_t>(i)];
        for (int j = 1; j <= n; ++j) {
            if (B(i, j)) r -= X(i, j) * fit.theta[static_cast<size_t>(j)];
        }
        r /= fit.rowsd[static_cast<size_t>(i)];
        ss += r * r;
    }
    fit.sigfitsq = rows > n ? ss / (rows - n) : ss;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= i; ++j) L(i, j) = XX(i, j);
        for (int j = i + 1; j <= n; ++j) L(i, j) = 0;
    }
    fromfactor<real>([](int i, int k) { return XX(k, i); });
    return true;
}

// The fit again by QR in 113-bit reals; U is copied into xx for the estimates, and the
// reaction variances are taken from the 113-bit U.
bool quadsolve()
{
    const int n = ntpnow();
    const size_t need = (static_cast<size_t>(std::max<int>(fit.nrows, 2 * n)) + 1) * (maxdsentries + 1);
    if (quadmatrix().size() < need) quadmatrix().resize(need);
    quadfactor() = false;
    if (!qrsolve<quad>(amplificationcap * (unitroundoff / quadroundoff))) return false;
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) U(i, j) = static_cast<real>(Uof<quad>(i, j));
    }
    quadfactor() = true;
    return true;
}

// What each written number may be off by, from the last solve. The bound on the
// covariance of columns j and k, unscaled, is
//   e u (a_j b_k + b_j a_k + n (v_j s_k + s_j v_k + s_j s_k)) + d_j d_k,
// from the solver's rounding of the rows (a, b), the inversion of the factor and the
// product U U^T (v, s: sds and the bound of each row of U), and the rows' own rounding (d).
struct fitbounds {
    bool known = false;
    real u = 0;
    real factor = 1, dfactor = 0;
    real dsigfit = 0, dsigfitsolver = 0, dhat = 0;
    // per column: H's bound from the solver (in units of u) and from the rows
    std::vector<real> dh, ownh, a, b, v, s, d;
    // per row: w dw, and its terms (end-member, coefficient) from termsat[i - 1]
    std::vector<real> wdw;
    std::vector<int> termsat;
    std::vector<std::pair<int, real>> terms;
};

fitbounds& bounds()
{
    static fitbounds f;
    return f;
}

// The rows' own rounding, of y in kJ and of sd as a part of it: what the assembly noted
// (experiments carry the rounding of the Gibbs energies they are differences of), and at
// least a unit of the last bit.
real ownrounding(int i, real y) { return std::max(fit.rowround[static_cast<size_t>(i)], unitroundoff * std::fabs(y)); }
real ownsdrounding(int i) { return std::max(fit.sdround[static_cast<size_t>(i)], unitroundoff); }

// First-order estimates of the errors of the last solve, made with unit roundoff u, into
// bounds(); the estimates of the solver's part in units of u.
//
// QR on rows taken heaviest first, pivoting on columns, gives the exact fit of rows each
// changed by about u of itself. Row i's weight w, observation y, coefficients x and
// residual r then move H_j by w (c_j.x) (y - dx.H) + w (dx.c_j) r, and C_jk by
// w [(c_j.x)(dx.c_k) + (c_j.dx)(x.c_k)] (c_j the row of C): with p = x^T C and
// q = |x|^T |C|,
//   dh_j = sum of w (|p_j| (|y| + |x|.|H|) + q_j |r|),  dC_jk <= sum of w (q_j |p_k| + |p_j| q_k),
// which by Cauchy-Schwarz is at most a_j s_k + s_j a_k with a_j^2 = sum of w q_j^2 and
// s_k^2 = sum of w p_k^2 = C_kk. A precise row sees only what its own rows fix (p
// small), so a loose end-member beside it keeps its digits however far apart the sds are.
//
// The normal equations are not rows changed a little. Each of their sums is rounded
// against its terms, u |X|^T W |X|, and the factor L holds N + dN with |dN| up to
// u |L| |L|^T, the light rows' part of N being lost against the heavy. dH = C (db - dN H)
// and dC = C dN C; with M = |C| |L|,
//   dh_j = sum of w q_j (|y| + |x|.|H|) + (M |L|^T |H|)_j,
//   dC_jk <= sum of w q_j q_k + sum over t of M_jt M_kt <= g_j g_k,
// g_j^2 = sum of w q_j^2 + sum over t of M_jt^2. These grow as a^2, but only among the
// end-members that the rows couple.
//
// The rows' own rounding dy and ds (of y and of sd, whose relative change moves w by
// twice as much) moves H_j by sum of w |p_j| (dy + 2 |r| ds / sd), and C_jk by
// sum of w |p_j| |p_k| 2 ds / sd <= d_j d_k, d_j^2 = sum of w p_j^2 2 ds / sd.
void estimate(bool bycholeski, real u)
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    fitbounds& f = bounds();
    for (std::vector<real>* w : {&f.dh, &f.ownh, &f.a, &f.b, &f.v, &f.s, &f.d}) w->assign(static_cast<size_t>(n) + 1, 0);
    std::vector<real>& p = columnwork(0);
    std::vector<real>& q = columnwork(1);
    std::vector<real>& own = f.ownh;
    real* const vv = columnwork(3).data();   // Cholesky: its errors in the normal equations
    std::fill(vv + 1, vv + n + 1, real{0});
    real ownsquares = 0;  // the rows' own part of the residual sum of squares
    real wy = 0;
    f.wdw.assign(static_cast<size_t>(rows) + 1, 0);
    f.termsat.assign(1, 0);
    f.terms.clear();
    for (int i = 1; i <= rows; ++i) {
        const real sd = fit.rowsd[static_cast<size_t>(i)];
        const real w = 1 / (sd * sd);
        const real y = fit.y[static_cast<size_t>(i)];
        wy += y * y * w;
        real xh = 0, r = y;
        real* const pp = p.data();
        real* const qq = q.data();
        std::fill(pp + 1, pp + n + 1, real{0});
        std::fill(qq + 1, qq + n + 1, real{0});
        for (int l = 1; l <= n; ++l) {
            if (!holds(i, l)) continue;
            const real x = X(i, l);
            const real ax = std::fabs(x);
            xh += ax * std::fabs(fit.theta[static_cast<size_t>(l)]);
            r -= x * fit.theta[static_cast<size_t>(l)];
            const real* const c = &XX(l, 0);
            for (int k = 1; k <= n; ++k) {
                qq[k] += ax * std::fabs(c[k]);
                pp[k] += x * c[k];
            }
            f.terms.emplace_back(l, x);
        }
        f.termsat.push_back(static_cast<int>(f.terms.size()));
        const real obs = std::fabs(y) + xh;
        const real dy = ownrounding(i, y);
        const real dw = 2 * ownsdrounding(i);  // relative
        f.wdw[static_cast<size_t>(i)] = w * dw;
        ownsquares += 2 * w * std::fabs(r) * dy + w * r * r * dw;
        const real wobs = w * obs, wr = w * std::fabs(r), wown = w * (dy + std::fabs(r) * dw);
        for (int j = 1; j <= n; ++j) {
            const real pj = std::fabs(pp[j]);
            f.dh[static_cast<size_t>(j)] += bycholeski ? qq[j] * wobs : pj * wobs + qq[j] * wr;
            f.a[static_cast<size_t>(j)] += w * qq[j] * qq[j];
            own[static_cast<size_t>(j)] += pj * wown;
            f.d[static_cast<size_t>(j)] += w * pj * pj * dw;
            // the row's part of v below: |X|^T W (|y| + |X| |H|)
            if (bycholeski && holds(i, j)) vv[j] += std::abs(X(i, j)) * wobs;
        }
    }
    real dresidualH = 0;
    if (bycholeski) {
        // The factor's part, a column t of M at a time: no n x n work space.
        std::vector<real>& lh = columnwork(0);  // |L|^T |H|
        for (int t = 1; t <= n; ++t) {
            real sum = 0;
            for (int m = t; m <= n; ++m) sum += std::fabs(L(m, t)) * std::fabs(fit.theta[static_cast<size_t>(m)]);
            lh[static_cast<size_t>(t)] = sum;
        }
        for (int l = 1; l <= n; ++l) {
            real sum = 0;
            for (int t = 1; t <= l; ++t) sum += std::fabs(L(l, t)) * lh[static_cast<size_t>(t)];
            vv[l] += sum;
        }
        // M_jt = sum over l of |C_lj| |L_lt| (C is symmetric): a row of C for each entry
        // of L that is not 0, which the rows of end-members of their own leave few.
        real* const mt = columnwork(1).data();
        for (int t = 1; t <= n; ++t) {
            std::fill(mt + 1, mt + n + 1, real{0});
            for (int l = t; l <= n; ++l) {
                const real lv = std::fabs(L(l, t));
                if (lv == 0) continue;
                const real* const c = &XX(l, 0);
                for (int j = 1; j <= n; ++j) mt[j] += std::fabs(c[j]) * lv;
            }
            for (int j = 1; j <= n; ++j) {
                f.dh[static_cast<size_t>(j)] += mt[j] * lh[static_cast<size_t>(t)];
                f.a[static_cast<size_t>(j)] += mt[j] * mt[j];
            }
        }
        // What Cholesky's errors in H add to the weighted residual: |U^T v|.
        real sum = 0;
        for (int m = 1; m <= n; ++m) {
            real t = 0;
            for (int l = 1; l <= m; ++l) t += std::fabs(U(l, m)) * vv[l];
            sum += t * t;
        }
        dresidualH = std::sqrt(sum);
    }
    // By column: the sds and the inversion's bound, kept by position.
    const std::vector<int>& colat = order().colat;
    std::vector<real>& ps = columnwork(5);
    std::vector<real>& pv = columnwork(6);
    for (int k = 1; k <= n; ++k) {
        const auto j = static_cast<size_t>(colat[static_cast<size_t>(k)]);
        f.s[j] = ps[static_cast<size_t>(k)];
        f.v[j] = pv[static_cast<size_t>(k)];
    }
    real h = 0, amax = 0;
    const std::vector<real>& length = columnlengths();
    for (int j = 1; j <= n; ++j) {
        const auto jj = static_cast<size_t>(j);
        f.a[jj] = std::sqrt(f.a[jj]);
        f.d[jj] = std::sqrt(f.d[jj]);
        // Cholesky's part is g_j g_k: a and b both g / sqrt(2).
        f.b[jj] = bycholeski ? (f.a[jj] /= std::sqrt(2.0L)) : f.s[jj];
        h += std::sqrt(length[jj]) * std::fabs(fit.theta[jj]);
        amax = std::max(amax, std::sqrt(length[jj] * XX(j, j)));
    }
    // The leverages err by about u a^p.
    f.dhat = errormargin * u * (bycholeski ? amax * amax : amax);
    // The residual, and with it sigfit and the factor on the covariance, errs by about
    // u (|Wy| + h), with h the sum of s_l |H_l|; Cholesky's are worked from its H.
    const real dof = rows > n ? rows - n : 1;
    const real residual = std::sqrt(fit.sigfitsq * dof);
    const real dresidual = errormargin * u * (std::sqrt(wy) + h + dresidualH);
    const real dsquares = 2 * dresidual * residual + ownsquares;
    f.u = u;
    f.factor = fitvariancefactor();
    f.dfactor = rows > n ? dsquares / dof : 0;
    auto dsigfit = [&](real d) { return residual > 0 ? d / (2 * residual * std::sqrt(dof)) : std::sqrt(d / dof); };
    f.dsigfit = dsigfit(dsquares);
    f.dsigfitsolver = dsigfit(2 * dresidual * residual);
    f.known = true;
}

// The amplification of each column, as a part of the cap: a^p / cap.
real amplification(bool bycholeski, real cap)
{
    const std::vector<real>& length = columnlengths();
    real worst = 0;
    for (int j = 1; j <= ntpnow(); ++j) {
        const real a2 = length[static_cast<size_t>(j)] * XX(j, j);
        worst = std::max(worst, (bycholeski ? a2 : std::sqrt(a2)) / cap);
    }
    return worst;
}

// A number's bound, and the solver's part of it.
struct bound {
    real total = 0, solver = 0;
};

// The rows' own part of the covariance of columns j and k, sum of w dw |p_j| |p_k| row
// by row, which d_j d_k bounds from above: worked only where that bound costs a digit.
real owncovariance(int j, int k)
{
    const fitbounds& f = bounds();
    real sum = 0;
    for (size_t i = 1; i < f.termsat.size(); ++i) {
        real pj = 0, pk = 0;
        for (int t = f.termsat[i - 1]; t < f.termsat[i]; ++t) {
            const auto& [l, x] = f.terms[static_cast<size_t>(t)];
            pj += x * XX(j, l);
            pk += x * XX(k, l);
        }
        sum += f.wdw[i] * std::fabs(pj * pk);
    }
    return sum;
}

// The covariance of columns j and k as written, sigfitsq x C_jk.
bound covariancebound(int j, int k)
{
    const fitbounds& f = bounds();
    const real c = XX(j, k);
    const real own = unitroundoff * std::fabs(c * fit.sigfitsq);
    if (!f.known) return {own, 0};
    const auto jj = static_cast<size_t>(j), kk = static_cast<size_t>(k);
    const real n = ntpnow();
    const real inverse = n * (f.v[jj] * f.s[kk] + f.s[jj] * f.v[kk] + f.s[jj] * f.s[kk]);
    const real solver = f.factor * errormargin * f.u * (f.a[jj] * f.b[kk] + f.b[jj] * f.a[kk] + inverse);
    const real rest = f.dfactor * std::fabs(c) + unitroundoff * std::fabs(f.factor * c);
    bound b{solver + f.factor * f.d[jj] * f.d[kk] + rest, solver};
    if (!holdsdecimals(b.total, 4)) b.total = std::min(b.total, solver + f.factor * owncovariance(j, k) + rest);
    return b;
}

bound enthalpybound(int j)
{
    const fitbounds& f = bounds();
    const auto jj = static_cast<size_t>(j);
    const real own = unitroundoff * std::fabs(fit.theta[jj]);
    if (!f.known) return {own, 0};
    const real solver = errormargin * f.u * f.dh[jj];
    return {solver + f.ownh[jj] + own, solver};
}

// What the digit test found wanting, and whether the solver's rounding was to blame (not
// the rows' own, nor the size of a number).
struct shortfall {
    bool any = false, bysolver = false;
};

void note(shortfall& s, bool bysolver)
{
    s.any = true;
    s.bysolver = s.bysolver || bysolver;
}

// Whether a number written with d decimals, or else with the digits it holds, falls
// short. Once the fit stands (final) it never does; before the second solve a number
// whose decimals are out of reach anyway passes only if the solver's rounding costs it no
// more than the rest of its bound.
bool fallsshort(bound b, int16_t d, bool final)
{
    return !holdsdecimals(b.total, d) && !final && b.solver > b.total - b.solver;
}

// Every number the run writes from the solve, against its bound: sigfit (three decimals),
// the leverages (two), H (two in the report, three or the digits it holds in the dataset)
// and each covariance (four or the digits it holds). sd(H) in the report is the root of a
// variance the dataset holds as far as it can.
shortfall digittest(bool final)
{
    shortfall s;
    const fitbounds& f = bounds();
    const int n = ntpnow();
    if (!holdsdecimals(f.dsigfit, 3)) note(s, f.dsigfitsolver > f.dsigfit - f.dsigfitsolver);
    if (!holdsdecimals(f.dhat, 2)) note(s, true);
    for (int j = 1; j <= n; ++j) {
        const bound h = enthalpybound(j);
        if (fallsshort(h, 3, final) || !holdsdecimals(h.total, 2))
            note(s, h.solver > h.total - h.solver);
        for (int k = j; k <= n; ++k) {
            const bound c = covariancebound(j, k);
            if (fallsshort(c, 4, final)) note(s, c.solver > c.total - c.solver);
        }
    }
    return s;
}

// The columns that the rows, with equal sds, barely determine: those whose unweighted
// amplification is beyond what the 113-bit solve holds. Works in the 113-bit matrix.
std::vector<int> barelydetermined()
{
    const int n = ntpnow();
    householder<quad>(false);
    std::vector<int> barely;
    const real cap = amplificationcap * (unitroundoff / quadroundoff);
    bool independent = true;
    for (int k = 1; k <= n; ++k) independent = independent && A<quad>(k, k) != 0;
    if (independent) invertfactor<quad>([](int i, int k) -> quad { return A<quad>(i, k); });
    const std::vector<real>& length = columnlengths();
    for (int j = 1; j <= n; ++j) {
        const int k = order().posof[static_cast<size_t>(j)];
        quad cjj = 0;
        for (int m = k; independent && m <= n; ++m) cjj += Uof<quad>(k, m) * Uof<quad>(k, m);
        if (!independent || !(std::sqrt(length[static_cast<size_t>(j)] * static_cast<real>(cjj)) <= cap)) barely.push_back(j);
    }
    return barely;
}

// A size for a message: whole between 1 and a million, else two digits and the power of ten.
std::string sizetext(real x) { return x >= 1 && x < 1e6L ? fixedtostr(0, x) : exponenttostr(1, x); }

// The fit keeps too few digits even from the 113-bit solve. The cause named is the one the
// rows have: rows that barely determine some enthalpies whatever their sds (nearly
// parallel rows), else sds far apart on rows that share end-members; or, where the
// solver is not to blame, sds so small that a row's own rounding is a visible part of
// them, else values so large that the numbers they give cannot keep their decimals.
// Works in xx: the run ends here.
[[noreturn]] void refusedigits(bool bycholeski, const shortfall& s)
{
    const int rows = fit.nrows;
    real least = 0, most = 0, coarsest = 0, largest = 0;
    for (int i = 1; i <= rows; ++i) {
        const real sd = fit.rowsd[static_cast<size_t>(i)];
        largest = std::max(largest, std::fabs(fit.y[static_cast<size_t>(i)]));
        if (!(sd > 0)) continue;
        least = least > 0 ? std::min(least, sd) : sd;
        most = std::max(most, sd);
        coarsest = std::max({coarsest, ownrounding(i, fit.y[static_cast<size_t>(i)]) / sd, ownsdrounding(i)});
    }
    const std::vector<int> barely = s.bysolver ? barelydetermined() : std::vector<int>{};
    std::string cause;
    if (!barely.empty())
        cause = "on rows that barely determine the " + std::string(barely.size() == 1 ? "enthalpy" : "enthalpies") + " of " +
                columnnames(barely);
    else if (s.bysolver && most > evenspread * least)
        cause = "on rows this unevenly weighted: bring their sds closer together";
    else if (coarsest > 1e-9L)
        cause = "on rows with sds this small beside the rounding of their values (down to " + sizetext(least) + " kJ)";
    else
        cause = "on rows with values this large (up to " + sizetext(largest) + " kJ)";
    bombout(bycholeski ? "choleski" : "qr",
            std::string(bycholeski ? "the normal equations and QR lose" : "QR loses") + " too many digits " + cause +
                " (dataset not written)",
            0);
}

// The solve by the solver asked for, held to the written digits: again by QR in 113-bit
// reals where the first falls short, and the run ends where that does too.
void solveheld(bool bycholeski)
{
    quadfactor() = false;
    bool held = bycholeski ? choleskisolve() : qrsolve<real>(amplificationcap);
    if (held) {
        estimate(bycholeski, unitroundoff);
        held = amplification(bycholeski, amplificationcap) <= 1 && !digittest(false).any;
    }
    if (held) return;
    if (!quadsolve()) refusedigits(bycholeski, {true, true});
    estimate(false, quadroundoff);
    const shortfall s = digittest(true);
    if (s.any) refusedigits(bycholeski, s);
}

}  // namespace

real fitvariancefactor() { return fit.nrows > ntpnow() ? fit.sigfitsq : 1; }

real reactionvariance(const fitexprec& r)
{
    std::vector<std::pair<int, real>> terms;
    for (int i = 1; i <= r.nrx; ++i)
        terms.emplace_back(r.rxem[static_cast<size_t>(i)], static_cast<real>(r.rxcoef[static_cast<size_t>(i)]));
    return quadfactor() ? squaredcombination<quad>(terms) : squaredcombination<real>(terms);
}

real covarianceerror(int i, int j) { return covariancebound(i, j).total; }

real enthalpyerror(int j) { return enthalpybound(j).total; }

void forgetfitbounds()
{
    bounds().known = false;
    quadfactor() = false;
}

void qr()
{
    refuseundetermined("qr");
    solveheld(false);
}

void choleski()
{
    putstr(1, "constructing LSQ for choleski...", 1, 9);
    refuseundetermined("choleski");
    solveheld(true);
    // Reported only once the digits are known to hold.
    std::string line = "lsq (choleski) gives sigfit = ";
    addreal(3, true, 0, std::sqrt(fit.sigfitsq), line);
    line += "     (ndf = " + wholetostr(fit.nrows - ntpnow()) + ")";
    putstr(1, line, 1, 13);
}

}  // namespace zt
