#include "dsfit/lsq.h"

#include <cmath>
#include <string>
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

// Rows that leave enthalpies free: no enthalpy a solver would give can be trusted, so the
// run ends before anything is reported or written.
void refuseundetermined(const std::string& routine)
{
    const std::vector<int> list = undeterminedcolumns();
    if (list.empty()) return;
    std::string names;
    size_t shown = 0;
    for (int j : list) {
        const std::string& name = ds.dsnames[static_cast<size_t>(j)];
        if (names.size() + name.size() > 150) break;
        names += (shown == 0 ? "" : " ") + name;
        ++shown;
    }
    if (shown < list.size()) names += " ... (" + wholetostr(static_cast<int>(list.size())) + " in all)";
    bombout(routine,
            "matrix is singular: the rows do not determine the enthalpies of " + names + " (dataset not written)", 0);
}

// A solver amplifies rounding in the enthalpy of column j by 1/sin of the angle between
// its weighted column and the others (QR), or by the square of that (Cholesky, whose
// normal equations square it): the square is the normal matrix's diagonal times the
// covariance's, and no pivot ratio of either factor exceeds it. 80-bit reals keep 19
// digits and the report prints enthalpies of thousands of kJ to 0.01 (-6643.00), six of
// them, so a solver may amplify rounding by at most 1e13. Rows that are determined but weighted so
// unevenly that the solver would amplify it more end the run, saying so.
constexpr real amplificationlimit = 1e13L;

const char* const qrlosesdigits =
    "QR loses too many digits on rows this unevenly weighted: bring their sds closer together (dataset not written)";
const char* const choleskilosesdigits =
    "the normal equations lose too many digits on rows this unevenly weighted: use QR (dataset not written)";

std::vector<real>& columnlengths()
{
    static std::vector<real> v;
    if (v.size() < static_cast<size_t>(maxdsentries) + 1) v.assign(static_cast<size_t>(maxdsentries) + 1, 0);
    return v;
}

void leverages()
{
    const int n = ntpnow();
    for (int i = 1; i <= fit.nrows; ++i) {
        real sum = 0;
        for (int l = 1; l <= n; ++l) {
            if (!B(i, l)) continue;
            for (int j = 1; j <= n; ++j) {
                if (B(i, j)) sum += X(i, l) * XX(l, j) * X(i, j);
            }
        }
        const real sd = fit.rowsd[static_cast<size_t>(i)];
        fit.hat[static_cast<size_t>(i)] = sum / (sd * sd);
    }
}

}  // namespace

real fitvariancefactor() { return fit.nrows > ntpnow() ? fit.sigfitsq : 1; }

void qr()
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    std::vector<real>& v = workvector();
    std::vector<real>& length = columnlengths();
    refuseundetermined("qr");
    for (int j = 1; j <= n; ++j) length[static_cast<size_t>(j)] = 0;
    for (int i = 1; i <= rows; ++i) {
        const real sd = fit.rowsd[static_cast<size_t>(i)];
        for (int j = 1; j <= n; ++j) {
            XX(i, j) = B(i, j) ? X(i, j) / sd : 0;
            length[static_cast<size_t>(j)] += XX(i, j) * XX(i, j);
        }
        fit.yy[static_cast<size_t>(i)] = fit.y[static_cast<size_t>(i)] / sd;
    }
    for (int k = 1; k <= n; ++k) {
        real scale = 0;
        for (int i = k; i <= rows; ++i) scale += std::fabs(XX(i, k));
        if (scale == 0) bombout("qr", qrlosesdigits, 0);
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
        if (std::fabs(XX(k, k)) * amplificationlimit <= std::sqrt(length[static_cast<size_t>(k)]))
            bombout("qr", qrlosesdigits, 0);
        for (int j = k + 1; j <= n; ++j) {
            real t = 0;
            for (int i = k; i <= rows; ++i) t += v[static_cast<size_t>(i)] * XX(i, j);
            for (int i = k; i <= rows; ++i) XX(i, j) += (t / h) * v[static_cast<size_t>(i)];
        }
        real t = 0;
        for (int i = k; i <= rows; ++i) t += v[static_cast<size_t>(i)] * fit.yy[static_cast<size_t>(i)];
        for (int i = k; i <= rows; ++i) fit.yy[static_cast<size_t>(i)] += (t / h) * v[static_cast<size_t>(i)];
    }
    std::vector<real>& theta = fit.theta;
    theta[static_cast<size_t>(n)] = fit.yy[static_cast<size_t>(n)] / XX(n, n);
    for (int i = n - 1; i >= 1; --i) {
        real s = fit.yy[static_cast<size_t>(i)];
        for (int j = i + 1; j <= n; ++j) s -= theta[static_cast<size_t>(j)] * XX(i, j);
        theta[static_cast<size_t>(i)] = s / XX(i, i);
    }
    real ss = 0;
    for (int i = n + 1; i <= rows; ++i) ss += fit.yy[static_cast<size_t>(i)] * fit.yy[static_cast<size_t>(i)];
    fit.sigfitsq = rows > n ? ss / (rows - n) : ss;

    // C = R^-1 R^-T in the upper triangle, from the bottom row up.
    XX(n, n) = (1 / XX(n, n)) * (1 / XX(n, n));
    for (int i = n - 1; i >= 1; --i) {
        const real d = -1 / XX(i, i);
        for (int j = i + 1; j <= n; ++j) v[static_cast<size_t>(j)] = XX(i, j);
        real t = 0;
        for (int j = i + 1; j <= n; ++j) {
            real s = 0;
            for (int k = i + 1; k <= j; ++k) s += v[static_cast<size_t>(k)] * XX(k, j);
            for (int k = j + 1; k <= n; ++k) s += v[static_cast<size_t>(k)] * XX(j, k);
            t += s * v[static_cast<size_t>(j)];
            XX(i, j) = s * d;
        }
        XX(i, i) = d * d * (1 + t);
    }
    for (int i = 1; i <= n; ++i) {
        if (length[static_cast<size_t>(i)] * XX(i, i) > amplificationlimit * amplificationlimit)
            bombout("qr", qrlosesdigits, 0);
        for (int j = i + 1; j <= n; ++j) XX(j, i) = XX(i, j);
    }
    leverages();
}

void choleski()
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    putstr(1, "constructing LSQ for choleski...", 1, 9);
    refuseundetermined("choleski");
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
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j < i; ++j) {
            real s = XX(i, j);
            for (int k = 1; k < j; ++k) s -= XX(i, k) * XX(j, k);
            XX(i, j) = s / XX(j, j);
        }
        real d = XX(i, i);
        for (int k = 1; k < i; ++k) d -= XX(i, k) * XX(i, k);
        if (d * amplificationlimit <= diagonal[static_cast<size_t>(i)]) bombout("choleski", choleskilosesdigits, 0);
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

    // L^-1 in place, then C = L^-T L^-1 into the upper triangle.
    for (int j = 1; j <= n; ++j) {
        for (int i = j; i <= n; ++i) {
            real s = i == j ? 1 : 0;
            for (int k = j; k < i; ++k) s -= XX(i, k) * XX(k, j);
            XX(i, j) = s / XX(i, i);
        }
    }
    for (int i = 1; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            real s = 0;
            for (int k = j; k <= n; ++k) s += XX(k, i) * XX(k, j);
            XX(i, j) = s;
        }
    }
    for (int i = 1; i <= n; ++i) {
        if (diagonal[static_cast<size_t>(i)] * XX(i, i) > amplificationlimit)
            bombout("choleski", choleskilosesdigits, 0);
        for (int j = 1; j < i; ++j) XX(i, j) = XX(j, i);
    }
    // Reported only once the covariance shows the digits hold.
    std::string line = "lsq (choleski) gives sigfit = ";
    addreal(3, true, 0, std::sqrt(fit.sigfitsq), line);
    line += "     (ndf = " + wholetostr(rows - n) + ")";
    putstr(1, line, 1, 13);
    leverages();
}

}  // namespace zt
