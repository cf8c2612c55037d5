#include "dsfit/lsq.h"

#include <cmath>
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

void qr()
{
    const int n = ntpnow();
    const int rows = fit.nrows;
    std::vector<real>& v = workvector();
    for (int i = 1; i <= rows; ++i) {
        const real sd = fit.rowsd[static_cast<size_t>(i)];
        for (int j = 1; j <= n; ++j) XX(i, j) = B(i, j) ? X(i, j) / sd : 0;
        fit.yy[static_cast<size_t>(i)] = fit.y[static_cast<size_t>(i)] / sd;
    }
    for (int k = 1; k <= n; ++k) {
        real scale = 0;
        for (int i = k; i <= rows; ++i) scale += std::fabs(XX(i, k));
        if (scale == 0) bombout("qr", "matrix is singular", 0);
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
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j < i; ++j) {
            real s = XX(i, j);
            for (int k = 1; k < j; ++k) s -= XX(i, k) * XX(j, k);
            XX(i, j) = s / XX(j, j);
        }
        real d = XX(i, i);
        for (int k = 1; k < i; ++k) d -= XX(i, k) * XX(i, k);
        if (d <= 0) bombout("choleski", "sqrt", 0);
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
