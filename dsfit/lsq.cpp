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

// An enthalpy is taken as undetermined when its weighted column keeps no more than this
// part of its length once the columns before it are taken out (in QR the pivot against
// the column's length; in Cholesky the pivot against the diagonal, both squared). Its
// fitted H would then carry an sd more than ten million times those of its rows:
// rounding alone leaves a dependent column some 1e-17 of its length.
constexpr real pivottolerance = 1e-7L;

std::vector<real>& columnlengths()
{
    static std::vector<real> v;
    if (v.size() < static_cast<size_t>(maxdsentries) + 1) v.assign(static_cast<size_t>(maxdsentries) + 1, 0);
    return v;
}

// The end-members whose enthalpies the rows leave free: those in some combination of
// columns that the rows do not see. Found by QR with column skipping on a fresh copy of
// the weighted rows, so that either solver names the same ones.
std::vector<int> undeterminedcolumns()
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    const auto cols = static_cast<size_t>(n) + 1;
    std::vector<real> a((static_cast<size_t>(rows) + 1) * cols, 0);
    auto A = [&](int i, int j) -> real& { return a[static_cast<size_t>(i) * cols + static_cast<size_t>(j)]; };
    std::vector<real> length(cols, 0), v(static_cast<size_t>(rows) + 1, 0);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= n; ++j) {
            A(i, j) = B(i, j) ? X(i, j) / fit.rowsd[static_cast<size_t>(i)] : 0;
            length[static_cast<size_t>(j)] += A(i, j) * A(i, j);
        }
    }
    std::vector<int> pivotrow(cols, 0);  // 0: the column depends on those before it
    std::vector<int> freecols;
    int p = 0;
    for (int k = 1; k <= n; ++k) {
        real s = 0;
        for (int i = p + 1; i <= rows; ++i) s += A(i, k) * A(i, k);
        if (p == rows || s <= pivottolerance * pivottolerance * length[static_cast<size_t>(k)]) {
            freecols.push_back(k);
            continue;
        }
        ++p;
        pivotrow[static_cast<size_t>(k)] = p;
        const real g = A(p, k) < 0 ? std::sqrt(s) : -std::sqrt(s);
        for (int i = p; i <= rows; ++i) v[static_cast<size_t>(i)] = A(i, k);
        v[static_cast<size_t>(p)] -= g;
        const real h = g * A(p, k) - s;
        for (int j = k; j <= n; ++j) {
            real t = 0;
            for (int i = p; i <= rows; ++i) t += v[static_cast<size_t>(i)] * A(i, j);
            for (int i = p; i <= rows; ++i) A(i, j) += (t / h) * v[static_cast<size_t>(i)];
        }
    }
    // Each free column k is a combination of the determined columns before it; those
    // that carry a visible part of it are as free as k.
    std::vector<bool> undetermined(cols, false);
    std::vector<real> c(cols, 0);
    for (int k : freecols) {
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
            if (part > 1e-9L * std::sqrt(length[static_cast<size_t>(k)])) undetermined[static_cast<size_t>(j)] = true;
        }
    }
    std::vector<int> list;
    for (int j = 1; j <= n; ++j) {
        if (undetermined[static_cast<size_t>(j)]) list.push_back(j);
    }
    return list;
}

// Rank deficiency found by a solver: no enthalpy it would give can be trusted, so the run
// ends before anything is reported or written.
[[noreturn]] void refusesingular(const std::string& routine, int pivot)
{
    std::vector<int> list = undeterminedcolumns();
    if (list.empty()) list.push_back(pivot);
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
        if (scale == 0) refusesingular("qr", k);
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
        if (std::fabs(XX(k, k)) <= pivottolerance * std::sqrt(length[static_cast<size_t>(k)])) refusesingular("qr", k);
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
        for (int j = i + 1; j <= n; ++j) XX(j, i) = XX(i, j);
    }
    leverages();
}

void choleski()
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    putstr(1, "constructing LSQ for choleski...", 1, 9);
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
        if (d <= pivottolerance * pivottolerance * diagonal[static_cast<size_t>(i)]) refusesingular("choleski", i);
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
    std::string line = "lsq (choleski) gives sigfit = ";
    addreal(3, true, 0, std::sqrt(fit.sigfitsq), line);
    line += "     (ndf = " + wholetostr(rows - n) + ")";
    putstr(1, line, 1, 13);

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
        for (int j = 1; j < i; ++j) XX(i, j) = XX(j, i);
    }
    leverages();
}

}  // namespace zt
