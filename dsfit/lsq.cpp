#include "dsfit/lsq.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

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

// One column of work space, kept between solves.
std::vector<real>& workvector()
{
    static std::vector<real> v;
    if (v.size() < static_cast<size_t>(maxfitrows) + 1) v.assign(static_cast<size_t>(maxfitrows) + 1, 0);
    return v;
}

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

// A solver amplifies rounding in the enthalpy of column j by a = 1/sin of the angle
// between its weighted column and the others (QR), or by a^2 (Cholesky, whose normal
// equations square it); a^2 is the normal matrix's diagonal times the covariance's, and
// u = 2^-64 is the rounding of an 80-bit real. Beyond a^p = 1e13 (p = 1 for QR, 2 for
// Cholesky) too few of its 19 digits are left for the error estimates below to hold, or
// for the leverages and reaction sds, which err by about u a^p, to keep their printed
// decimals. Within that the estimates decide: the new dataset holds H to 0.001 kJ and
// covariances to 0.0001 kJ^2, the finest digits the run writes (sigfit to 0.001), and
// each estimated error taken four times over must stay below half of its last digit.
// On 3000 random fits of sds 1e-7 to 1e5 the true errors stayed below a third of the
// estimates.
constexpr real unitroundoff = 5.421010862427522170e-20L;  // 2^-64
constexpr real errormargin = 4;
constexpr real amplificationcap = 1e13L;
constexpr real halfdigitH = 5e-4L;
constexpr real halfdigitcovariance = 5e-5L;
constexpr real halfdigitsigfit = 5e-4L;
// A number's own rounding, as a part of it: a few units of its last bit, taken
// errormargin times over like the estimates.
constexpr real ownbits = 4 * errormargin;

std::vector<real>& columnlengths()
{
    static std::vector<real> v;
    if (v.size() < static_cast<size_t>(maxdsentries) + 1) v.assign(static_cast<size_t>(maxdsentries) + 1, 0);
    return v;
}

// U = R^-1 of the last solve's triangular factor R (R^T R = X^T W X, its columns taken in
// the order below), upper triangular, in rows ntp+1..2 ntp of xx. The leverages and the
// variances of reactions come from it: |v^T U|^2 keeps its digits where v^T C v, of terms
// the size of the loosest enthalpy's variance, would lose them to cancellation.
real& U(int i, int j) { return XX(ntpnow() + i, j); }

// Cholesky's factor L, kept for its error estimates in rows 2 ntp+1..3 ntp of xx once the
// covariance has taken its place.
real& L(int i, int j) { return XX(2 * ntpnow() + i, j); }

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
template <class factor>
void invertfactor(factor R)
{
    const int n = ntpnow();
    for (int i = n; i >= 1; --i) {
        for (int j = i + 1; j <= n; ++j) U(i, j) = 0;
        for (int k = i + 1; k <= n; ++k) {
            const real r = R(i, k);
            if (r == 0) continue;
            for (int j = k; j <= n; ++j) U(i, j) += r * U(k, j);
        }
        const real d = R(i, i);
        for (int j = i + 1; j <= n; ++j) U(i, j) = -U(i, j) / d;
        U(i, i) = 1 / d;
    }
}

// C = U U^T into the leading ntp x ntp block of xx, full and symmetric, by column.
void covariancefromfactor()
{
    const int n = ntpnow();
    const std::vector<int>& colat = order().colat;
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            real s = 0;
            for (int m = j; m <= n; ++m) s += U(i, m) * U(j, m);
            XX(colat[static_cast<size_t>(i)], colat[static_cast<size_t>(j)]) = s;
            XX(colat[static_cast<size_t>(j)], colat[static_cast<size_t>(i)]) = s;
        }
    }
}

// |sum of c U[k][.]|^2 over the terms (column j at position k, coefficient c) of a
// combination.
real squaredcombination(const std::vector<std::pair<int, real>>& terms)
{
    const int n = ntpnow();
    if (terms.empty()) return 0;
    const std::vector<int>& posof = order().posof;
    std::vector<real>& z = workvector();
    int first = n;
    for (const auto& t : terms) first = std::min(first, posof[static_cast<size_t>(t.first)]);
    for (int m = first; m <= n; ++m) z[static_cast<size_t>(m)] = 0;
    for (const auto& [j, c] : terms) {
        const int k = posof[static_cast<size_t>(j)];
        for (int m = k; m <= n; ++m) z[static_cast<size_t>(m)] += c * U(k, m);
    }
    real s = 0;
    for (int m = first; m <= n; ++m) s += z[static_cast<size_t>(m)] * z[static_cast<size_t>(m)];
    return s;
}

// Row i's leverage x_i^T C x_i / sd_i^2 as the squared length of (x_i / sd_i)^T U, the
// row of Q of the weighted rows.
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
        fit.hat[static_cast<size_t>(i)] = squaredcombination(terms);
    }
}

// Returned by a solve: 0 when every digit holds, else the largest amplification a that
// would have kept them (errors grow as a^p in every column the others feed).
using digitslimit = real;

// Per column, work space of the error estimates.
std::vector<real>& columnwork(int k)
{
    static std::vector<real> v[5];
    std::vector<real>& w = v[k];
    if (w.size() < static_cast<size_t>(maxdsentries) + 1) w.assign(static_cast<size_t>(maxdsentries) + 1, 0);
    return w;
}

// First-order estimates, in units of u, of the error of H_j (dh) and the largest error in
// row j of the covariance (dc), from the backward errors of the solve.
//
// QR on rows taken heaviest first, pivoting on columns, gives the exact fit of rows each
// changed by about u of itself. Row i's weight w, observation y, coefficients x and residual r then move H_j by
// w (c_j.x) (y - dx.H) + w (dx.c_j) r, and C_jk by w [(c_j.x)(dx.c_k) + (c_j.dx)(x.c_k)]
// (c_j the row of C): with p = x^T C and q = |x|^T |C|,
//   dh_j = sum of w (|p_j| (|y| + |x|.|H|) + q_j |r|),  dc_j = sum of w (q_j max|p| + |p_j| max q).
// A precise row sees only what its own rows fix (p small), so a loose end-member beside it
// keeps its digits however far apart the sds are.
//
// The normal equations are not rows changed a little. Each of their sums is rounded
// against its terms, u |X|^T W |X| (the rows' part below), and the factor L holds
// N + dN with |dN| up to u |L| |L|^T, the light rows' part of N being lost against the
// heavy. dH = C (db - dN H) and dC = C dN C; with M = |C| |L|,
//   dh_j = sum of w q_j (|y| + |x|.|H|) + (M |L|^T |H|)_j,
//   dc_j = sum of w q_j max q + sum over t of M_jt max over k of M_kt.
// |L| |L|^T is at most s s^T (s_l the length of weighted column l), so these errors grow as
// a^2, but only among the end-members that the rows couple: rows on end-members of their
// own keep their digits whatever the others' sds.
// Returns what Cholesky's errors in H add to the weighted residual, |U^T v| for v its
// errors in the normal equations, again in units of u.
real errorestimates(bool bycholeski, std::vector<real>& dh, std::vector<real>& dc)
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    for (int j = 1; j <= n; ++j) dh[static_cast<size_t>(j)] = dc[static_cast<size_t>(j)] = 0;
    std::vector<real>& p = columnwork(2);  // |x^T C|
    std::vector<real>& q = columnwork(3);  // |x|^T |C|
    real* const vv = columnwork(4).data();  // Cholesky: its errors in the normal equations
    std::fill(vv + 1, vv + n + 1, real{0});
    for (int i = 1; i <= rows; ++i) {
        const real sd = fit.rowsd[static_cast<size_t>(i)];
        const real w = 1 / (sd * sd);
        real xh = 0, r = fit.y[static_cast<size_t>(i)];
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
            for (int k = 1; k <= n; ++k) qq[k] += ax * std::fabs(c[k]);
            // Cholesky's estimate has no use for p
            if (!bycholeski)
                for (int k = 1; k <= n; ++k) pp[k] += x * c[k];
        }
        real pmax = 0, qmax = 0;
        for (int k = 1; k <= n; ++k) {
            pp[k] = std::fabs(pp[k]);
            pmax = std::max(pmax, pp[k]);
            qmax = std::max(qmax, qq[k]);
        }
        const real obs = std::fabs(fit.y[static_cast<size_t>(i)]) + xh;
        real* const eh = dh.data();
        real* const ec = dc.data();
        if (bycholeski) {
            const real wobs = w * obs, wqmax = w * qmax;
            for (int j = 1; j <= n; ++j) {
                eh[j] += qq[j] * wobs;
                ec[j] += qq[j] * wqmax;
                // the row's part of v below: |X|^T W (|y| + |X| |H|)
                if (holds(i, j)) vv[j] += std::abs(X(i, j)) * wobs;
            }
            continue;
        }
        const real hr = w * std::fabs(r), wobs = w * obs, wpmax = w * pmax, wqmax = w * qmax;
        for (int j = 1; j <= n; ++j) {
            eh[j] += pp[j] * wobs + qq[j] * hr;
            ec[j] += qq[j] * wpmax + pp[j] * wqmax;
        }
    }
    if (!bycholeski) return 0;
    // The factor's part, a column t of M at a time: no n x n work space.
    std::vector<real>& lh = columnwork(2);  // |L|^T |H|
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
    // M_jt = sum over l of |C_lj| |L_lt| (C is symmetric): a row of C for each entry of L
    // that is not 0, which the rows of end-members of their own leave few.
    real* const mt = columnwork(3).data();
    for (int t = 1; t <= n; ++t) {
        std::fill(mt + 1, mt + n + 1, real{0});
        for (int l = t; l <= n; ++l) {
            const real lv = std::fabs(L(l, t));
            if (lv == 0) continue;
            const real* const c = &XX(l, 0);
            for (int j = 1; j <= n; ++j) mt[j] += std::fabs(c[j]) * lv;
        }
        real biggest = 0;
        for (int j = 1; j <= n; ++j) biggest = std::max(biggest, mt[j]);
        for (int j = 1; j <= n; ++j) {
            dh[static_cast<size_t>(j)] += mt[j] * lh[static_cast<size_t>(t)];
            dc[static_cast<size_t>(j)] += mt[j] * biggest;
        }
    }
    real sum = 0;
    for (int m = 1; m <= n; ++m) {
        real t = 0;
        for (int l = 1; l <= m; ++l) t += std::fabs(U(l, m)) * vv[l];
        sum += t * t;
    }
    return std::sqrt(sum);
}

// Whether the solve keeps the digits the report and the new dataset hold: H to 0.001 kJ,
// covariances to 0.0001 kJ^2 and sigfit to 0.001, each estimated error taken errormargin
// times over against half of its last digit, and a^p within the cap. The residual, and
// with it sigfit and the factor on the covariance, errs by about u (|Wy| + h), with h the
// sum of s_l |H_l|.
digitslimit digitslost(bool bycholeski, const std::vector<real>& length)
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    std::vector<real>& dh = columnwork(0);
    std::vector<real>& dc = columnwork(1);
    const real dresidualH = errorestimates(bycholeski, dh, dc);
    real wy = 0, h = 0, maxr = 0;
    for (int i = 1; i <= rows; ++i) {
        const real wyi = fit.y[static_cast<size_t>(i)] / fit.rowsd[static_cast<size_t>(i)];
        wy += wyi * wyi;
    }
    for (int l = 1; l <= n; ++l) {
        const real s = std::sqrt(length[static_cast<size_t>(l)]);
        h += s * std::fabs(fit.theta[static_cast<size_t>(l)]);
        maxr = std::max(maxr, std::sqrt(XX(l, l)));
    }
    const real dof = rows > n ? rows - n : 1;
    const real residual = std::sqrt(fit.sigfitsq * dof);
    const real factor = fitvariancefactor();
    // Cholesky's residuals are worked from its H, and carry their errors.
    const real dresidual = unitroundoff * (std::sqrt(wy) + h + dresidualH);
    const real dfactor = rows > n ? 2 * dresidual * residual / dof : 0;
    real amax = 0;
    real overmax = errormargin * dresidual / std::sqrt(dof) / halfdigitsigfit;
    for (int j = 1; j <= n; ++j) {
        const real a = std::sqrt(length[static_cast<size_t>(j)] * XX(j, j));
        const real dcov = unitroundoff * factor * dc[static_cast<size_t>(j)] + dfactor * std::sqrt(XX(j, j)) * maxr;
        // No number is held closer than its own last bits: a variance of 1e20 kJ^2 has no
        // fourth decimal to keep.
        real rowmax = 0;
        for (int k = 1; k <= n; ++k) rowmax = std::max(rowmax, std::fabs(XX(j, k)));
        const real covariancedigit = std::max(halfdigitcovariance, ownbits * unitroundoff * factor * rowmax);
        const real Hdigit = std::max(halfdigitH, ownbits * unitroundoff * std::fabs(fit.theta[static_cast<size_t>(j)]));
        const real over = std::max({(bycholeski ? a * a : a) / amplificationcap,
                                    errormargin * unitroundoff * dh[static_cast<size_t>(j)] / Hdigit,
                                    errormargin * dcov / covariancedigit});
        amax = std::max(amax, a);
        if (!(over <= overmax)) overmax = over;
    }
    if (overmax <= 1) return 0;
    return amax / (bycholeski ? std::sqrt(overmax) : overmax);
}

// The squared length of what is left of column position j below row k.
real remainder(int k, int j)
{
    real t = 0;
    for (int i = k; i <= fit.nrows; ++i) t += XX(i, j) * XX(i, j);
    return t;
}

// Householder QR of the rows, each divided by its sd when weighted: R in the upper triangle
// of xx, its columns in the order of order(), and yy reflected alike; length[j] is the
// squared length of column j. A column with nothing left for its pivot gets R[k][k] = 0.
// The rows go in from the heaviest (largest coefficient over sd) down, and each step takes
// the column with the most left: then every row keeps its digits relative to itself,
// whatever the others' weights, and a light row's part is never the difference of heavy
// numbers. R is the same in any row order, up to the order of its columns.
void householder(bool weighted)
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    std::vector<real>& v = workvector();
    std::vector<real>& length = columnlengths();
    std::vector<real>& left = columnwork(0);
    std::vector<real>& fresh = columnwork(1);
    static std::vector<int> rowat;
    rowat.resize(static_cast<size_t>(rows));
    for (int i = 1; i <= rows; ++i) {
        rowat[static_cast<size_t>(i - 1)] = i;
        real big = 0;
        for (int j = 1; j <= n; ++j) {
            if (B(i, j)) big = std::max(big, static_cast<real>(std::abs(X(i, j))));
        }
        v[static_cast<size_t>(i)] = weighted ? big / fit.rowsd[static_cast<size_t>(i)] : big;
    }
    std::stable_sort(rowat.begin(), rowat.end(),
                     [&](int a, int b) { return v[static_cast<size_t>(a)] > v[static_cast<size_t>(b)]; });
    for (int j = 1; j <= n; ++j) length[static_cast<size_t>(j)] = 0;
    for (int k = 1; k <= rows; ++k) {
        const int i = rowat[static_cast<size_t>(k - 1)];
        const real sd = weighted ? fit.rowsd[static_cast<size_t>(i)] : 1;
        for (int j = 1; j <= n; ++j) {
            XX(k, j) = B(i, j) ? X(i, j) / sd : 0;
            length[static_cast<size_t>(j)] += XX(k, j) * XX(k, j);
        }
        fit.yy[static_cast<size_t>(k)] = fit.y[static_cast<size_t>(i)] / sd;
    }
    naturalorder();
    columnorder& o = order();
    for (int j = 1; j <= n; ++j)
        left[static_cast<size_t>(j)] = fresh[static_cast<size_t>(j)] = length[static_cast<size_t>(j)];
    for (int k = 1; k <= n; ++k) {
        int p = k;
        for (int j = k + 1; j <= n; ++j) {
            if (left[static_cast<size_t>(j)] > left[static_cast<size_t>(p)]) p = j;
        }
        if (p != k) {
            for (int i = 1; i <= rows; ++i) std::swap(XX(i, k), XX(i, p));
            std::swap(left[static_cast<size_t>(k)], left[static_cast<size_t>(p)]);
            std::swap(fresh[static_cast<size_t>(k)], fresh[static_cast<size_t>(p)]);
            std::swap(o.colat[static_cast<size_t>(k)], o.colat[static_cast<size_t>(p)]);
        }
        real scale = 0;
        for (int i = k; i <= rows; ++i) scale += std::fabs(XX(i, k));
        if (scale == 0) continue;
        real s = 0;
        for (int i = k; i <= rows; ++i) {
            v[static_cast<size_t>(i)] = XX(i, k) / scale;
            s += v[static_cast<size_t>(i)] * v[static_cast<size_t>(i)];
        }
        const real f = v[static_cast<size_t>(k)];
        const real g = f < 0 ? std::sqrt(s) : -std::sqrt(s);
        const real h = g * f - s;
        v[static_cast<size_t>(k)] = f - g;
        XX(k, k) = g * scale;
        for (int j = k + 1; j <= n; ++j) {
            real t = 0;
            for (int i = k; i <= rows; ++i) t += v[static_cast<size_t>(i)] * XX(i, j);
            for (int i = k; i <= rows; ++i) XX(i, j) += (t / h) * v[static_cast<size_t>(i)];
            // What is left of column j, taken again in full once most of it is gone.
            left[static_cast<size_t>(j)] -= XX(k, j) * XX(k, j);
            if (!(left[static_cast<size_t>(j)] > 1e-6L * fresh[static_cast<size_t>(j)])) {
                left[static_cast<size_t>(j)] = fresh[static_cast<size_t>(j)] = remainder(k + 1, j);
            }
        }
        real t = 0;
        for (int i = k; i <= rows; ++i) t += v[static_cast<size_t>(i)] * fit.yy[static_cast<size_t>(i)];
        for (int i = k; i <= rows; ++i) fit.yy[static_cast<size_t>(i)] += (t / h) * v[static_cast<size_t>(i)];
    }
    for (int k = 1; k <= n; ++k) o.posof[static_cast<size_t>(o.colat[static_cast<size_t>(k)])] = k;
}

// The weighted QR solve: theta, sigfitsq, U and the covariance, or the columns it cannot
// give to their digits. A pivot below 1/cap of its column's length shows a > cap before
// anything is divided by it.
digitslimit qrsolve()
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    householder(true);
    const std::vector<real>& length = columnlengths();
    const std::vector<int>& colat = order().colat;
    for (int k = 1; k <= n; ++k) {
        const real s = std::sqrt(length[static_cast<size_t>(colat[static_cast<size_t>(k)])]);
        if (!(std::fabs(XX(k, k)) * amplificationcap > s)) return amplificationcap;
    }
    std::vector<real>& z = workvector();  // H by position
    for (int i = n; i >= 1; --i) {
        real s = fit.yy[static_cast<size_t>(i)];
        for (int j = i + 1; j <= n; ++j) s -= z[static_cast<size_t>(j)] * XX(i, j);
        z[static_cast<size_t>(i)] = s / XX(i, i);
    }
    for (int k = 1; k <= n; ++k)
        fit.theta[static_cast<size_t>(colat[static_cast<size_t>(k)])] = z[static_cast<size_t>(k)];
    real ss = 0;
    for (int i = n + 1; i <= rows; ++i) ss += fit.yy[static_cast<size_t>(i)] * fit.yy[static_cast<size_t>(i)];
    fit.sigfitsq = rows > n ? ss / (rows - n) : ss;
    invertfactor([](int i, int k) { return XX(i, k); });
    covariancefromfactor();
    return digitslost(false, length);
}

// The normal equations and their Cholesky factor L (R = L^T): theta, sigfitsq, U and the
// covariance, or the columns it cannot give to their digits. A pivot is the
// diagonal less what the earlier columns explain, their ratio at most a^2: one below
// 1/cap of it shows a^2 > cap before its square root is taken.
digitslimit choleskisolve()
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
        if (!(d * amplificationcap > diagonal[static_cast<size_t>(i)])) return std::sqrt(amplificationcap);
        XX(i, i) = std::sqrt(d);
    }
    std::vector<real>& z = workvector();
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
    invertfactor([](int i, int k) { return XX(k, i); });
    covariancefromfactor();
    return digitslost(true, diagonal);
}

// The rows are determined, yet the solver would lose digits that the report or the new
// dataset holds. Either the weights make it so (rows of very different sds sharing
// end-members), or the rows themselves barely tell some enthalpies apart (nearly parallel
// rows): the same rows with equal sds show which, and those enthalpies are named. Cholesky
// is told to use QR only where QR keeps the digits. Works in xx: the run ends here.
[[noreturn]] void refuselostdigits(bool bycholeski, digitslimit limit)
{
    const int n = ntpnow();
    householder(false);
    bool independent = true;
    for (int k = 1; k <= n; ++k) independent = independent && XX(k, k) != 0;
    if (independent) invertfactor([](int i, int k) { return XX(i, k); });
    const std::vector<real>& length = columnlengths();
    std::vector<int> barely;
    for (int j = 1; j <= n; ++j) {
        const int k = order().posof[static_cast<size_t>(j)];
        real cjj = 0;
        for (int m = k; independent && m <= n; ++m) cjj += U(k, m) * U(k, m);
        if (!independent || !(std::sqrt(length[static_cast<size_t>(j)] * cjj) <= limit)) barely.push_back(j);
    }
    std::string message = bycholeski ? "the normal equations lose too many digits" : "QR loses too many digits";
    if (barely.empty()) message += " on rows this unevenly weighted";
    else
        message += " on rows that barely determine the " + std::string(barely.size() == 1 ? "enthalpy" : "enthalpies") +
                   " of " + columnnames(barely);
    std::string remedy = barely.empty() ? ": bring their sds closer together" : "";
    if (bycholeski && qrsolve() == 0) remedy = ": use QR";
    bombout(bycholeski ? "choleski" : "qr", message + remedy + " (dataset not written)", 0);
}

}  // namespace

real fitvariancefactor() { return fit.nrows > ntpnow() ? fit.sigfitsq : 1; }

real reactionvariance(const fitexprec& r)
{
    std::vector<std::pair<int, real>> terms;
    for (int i = 1; i <= r.nrx; ++i)
        terms.emplace_back(r.rxem[static_cast<size_t>(i)], static_cast<real>(r.rxcoef[static_cast<size_t>(i)]));
    return squaredcombination(terms);
}

void qr()
{
    refuseundetermined("qr");
    const digitslimit limit = qrsolve();
    if (limit > 0) refuselostdigits(false, limit);
    leverages();
}

void choleski()
{
    putstr(1, "constructing LSQ for choleski...", 1, 9);
    refuseundetermined("choleski");
    const digitslimit limit = choleskisolve();
    if (limit > 0) refuselostdigits(true, limit);
    // Reported only once the digits are known to hold.
    std::string line = "lsq (choleski) gives sigfit = ";
    addreal(3, true, 0, std::sqrt(fit.sigfitsq), line);
    line += "     (ndf = " + wholetostr(fit.nrows - ntpnow()) + ")";
    putstr(1, line, 1, 13);
    leverages();
}

}  // namespace zt
