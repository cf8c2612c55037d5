#include "numeric/methods/svd.h"

#include <algorithm>
#include <cmath>

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"

namespace zt {

svdstate svdarrays;

void resetsvd() {
    for (auto& row : svdarrays.svda) row.fill(0);
    for (auto& row : svdarrays.svdv) row.fill(0);
}

namespace {

constexpr int maxsweeps = 30;
constexpr real sortsentinel = 1e35L;

real withsign(real a, real b) { return b >= 0 ? std::fabs(a) : -std::fabs(a); }

real hypotenuse(real a, real b) { return std::sqrt(a * a + b * b); }

struct svdwork {
    svdmatrix& a;
    svdmatrix& v;
    std::array<real, maxsvd + 1>& w;
    std::array<real, maxsvd + 1> e{};  // superdiagonal of the bidiagonal form
    real anorm = 0;
    int m = 0, n = 0;

    bool negligible(real x) const { return std::fabs(x) + anorm == anorm; }
};

// Householder reduction to bidiagonal form; each column and row is scaled by the sum of
// its absolute values before its reflection.
void bidiagonalise(svdwork& s) {
    svdmatrix& a = s.a;
    const int m = s.m, n = s.n;
    real g = 0, scale = 0;
    for (int i = 1; i <= n; ++i) {
        const int l = i + 1;
        s.e[i] = scale * g;
        g = 0;
        real sum = 0;
        scale = 0;
        if (i <= m) {
            for (int k = i; k <= m; ++k) scale += std::fabs(a[k][i]);
            if (scale != 0) {
                for (int k = i; k <= m; ++k) {
                    a[k][i] /= scale;
                    sum += a[k][i] * a[k][i];
                }
                const real f = a[i][i];
                g = -withsign(std::sqrt(sum), f);
                const real h = f * g - sum;
                a[i][i] = f - g;
                for (int j = l; j <= n; ++j) {
                    real t = 0;
                    for (int k = i; k <= m; ++k) t += a[k][i] * a[k][j];
                    const real ff = t / h;
                    for (int k = i; k <= m; ++k) a[k][j] += ff * a[k][i];
                }
                for (int k = i; k <= m; ++k) a[k][i] *= scale;
            }
        }
        s.w[i] = scale * g;
        g = 0;
        sum = 0;
        scale = 0;
        if (i <= m && i != n) {
            for (int k = l; k <= n; ++k) scale += std::fabs(a[i][k]);
            if (scale != 0) {
                for (int k = l; k <= n; ++k) {
                    a[i][k] /= scale;
                    sum += a[i][k] * a[i][k];
                }
                const real f = a[i][l];
                g = -withsign(std::sqrt(sum), f);
                const real h = f * g - sum;
                a[i][l] = f - g;
                for (int k = l; k <= n; ++k) s.e[k] = a[i][k] / h;
                for (int j = l; j <= m; ++j) {
                    real t = 0;
                    for (int k = l; k <= n; ++k) t += a[j][k] * a[i][k];
                    for (int k = l; k <= n; ++k) a[j][k] += t * s.e[k];
                }
                for (int k = l; k <= n; ++k) a[i][k] *= scale;
            }
        }
        s.anorm = std::max(s.anorm, std::fabs(s.w[i]) + std::fabs(s.e[i]));
    }
}

void accumulateright(svdwork& s) {
    svdmatrix& a = s.a;
    svdmatrix& v = s.v;
    const int n = s.n;
    real g = 0;
    int l = n + 1;
    for (int i = n; i >= 1; --i) {
        if (i < n) {
            if (g != 0) {
                // two divisions, so that a tiny a[i][l] cannot underflow the product
                for (int j = l; j <= n; ++j) v[j][i] = (a[i][j] / a[i][l]) / g;
                for (int j = l; j <= n; ++j) {
                    real t = 0;
                    for (int k = l; k <= n; ++k) t += a[i][k] * v[k][j];
                    for (int k = l; k <= n; ++k) v[k][j] += t * v[k][i];
                }
            }
            for (int j = l; j <= n; ++j) v[i][j] = v[j][i] = 0;
        }
        v[i][i] = 1;
        g = s.e[i];
        l = i;
    }
}

void accumulateleft(svdwork& s) {
    svdmatrix& a = s.a;
    const int m = s.m, n = s.n;
    for (int i = std::min(m, n); i >= 1; --i) {
        const int l = i + 1;
        real g = s.w[i];
        for (int j = l; j <= n; ++j) a[i][j] = 0;
        if (g != 0) {
            g = 1 / g;
            for (int j = l; j <= n; ++j) {
                real t = 0;
                for (int k = l; k <= m; ++k) t += a[k][i] * a[k][j];
                const real f = (t / a[i][i]) * g;
                for (int k = i; k <= m; ++k) a[k][j] += f * a[k][i];
            }
            for (int j = i; j <= m; ++j) a[j][i] *= g;
        } else {
            for (int j = i; j <= m; ++j) a[j][i] = 0;
        }
        a[i][i] += 1;
    }
}

// The row l at or below k where the bidiagonal splits; cancel tells whether e[l] must
// still be rotated away because w[l-1] is negligible. e[1] is zero by construction, so
// the search ends at l = 1 at the latest, even when a NaN defeats the test.
int findsplit(const svdwork& s, int k, bool& cancel) {
    for (int l = k; l >= 1; --l) {
        if (l == 1 || s.negligible(s.e[l])) {
            cancel = false;
            return l;
        }
        if (s.negligible(s.w[l - 1])) {
            cancel = true;
            return l;
        }
    }
    cancel = false;
    return 1;
}

// w[l-1] is negligible: rotate e[l..k] away into it.
void cancelsuperdiagonal(svdwork& s, int l, int k) {
    svdmatrix& a = s.a;
    const int nm = l - 1;
    real c = 0, sn = 1;
    for (int i = l; i <= k; ++i) {
        const real f = sn * s.e[i];
        s.e[i] = c * s.e[i];
        if (s.negligible(f)) break;
        const real g = s.w[i];
        real h = hypotenuse(f, g);
        s.w[i] = h;
        h = 1 / h;
        c = g * h;
        sn = -f * h;
        for (int j = 1; j <= s.m; ++j) {
            const real y = a[j][nm], z = a[j][i];
            a[j][nm] = y * c + z * sn;
            a[j][i] = z * c - y * sn;
        }
    }
}

// One implicitly shifted QR sweep over rows l..k, the shift from the trailing 2 x 2 minor.
void qrsweep(svdwork& s, int l, int k) {
    svdmatrix& a = s.a;
    svdmatrix& v = s.v;
    real x = s.w[l];
    const int nm = k - 1;
    real y = s.w[nm];
    real z = s.w[k];
    real g = s.e[nm];
    real h = s.e[k];
    real f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2 * h * y);
    g = hypotenuse(f, 1);
    f = ((x - z) * (x + z) + h * ((y / (f + withsign(g, f))) - h)) / x;
    real c = 1, sn = 1;
    for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        g = s.e[i];
        y = s.w[i];
        h = sn * g;
        g = c * g;
        z = hypotenuse(f, h);
        s.e[j] = z;
        c = f / z;
        sn = h / z;
        f = x * c + g * sn;
        g = g * c - x * sn;
        h = y * sn;
        y *= c;
        for (int jj = 1; jj <= s.n; ++jj) {
            const real vx = v[jj][j], vz = v[jj][i];
            v[jj][j] = vx * c + vz * sn;
            v[jj][i] = vz * c - vx * sn;
        }
        z = hypotenuse(f, h);
        s.w[j] = z;
        if (z != 0) {
            z = 1 / z;
            c = f * z;
            sn = h * z;
        }
        f = c * g + sn * y;
        x = c * y - sn * g;
        for (int jj = 1; jj <= s.m; ++jj) {
            const real ay = a[jj][j], az = a[jj][i];
            a[jj][j] = ay * c + az * sn;
            a[jj][i] = az * c - ay * sn;
        }
    }
    s.e[l] = 0;
    s.e[k] = f;
    s.w[k] = x;
}

void reportnoconvergence(int k) {
    std::string digits = wholetostr(k);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), ' ');
    putstr(0, "too many iterations (k = " + digits + ")", 1, wordset(1) << chconsole);
}

void diagonalise(svdwork& s) {
    for (int k = s.n; k >= 1; --k) {
        for (int pass = 1;; ++pass) {
            if (pass > maxsweeps) {
                reportnoconvergence(k);
                break;
            }
            bool cancel = false;
            const int l = findsplit(s, k, cancel);
            if (cancel) cancelsuperdiagonal(s, l, k);
            if (l == k) {
                if (s.w[k] < 0) {
                    s.w[k] = -s.w[k];
                    for (int j = 1; j <= s.n; ++j) s.v[j][k] = -s.v[j][k];
                }
                break;
            }
            qrsweep(s, l, k);
        }
    }
}

// Selection sort, ascending, carrying the columns of U and V along; values at or above
// the sentinel are left where they are.
void sortascending(svdwork& s) {
    for (int p = 1; p < s.n; ++p) {
        real smallest = sortsentinel;
        int at = 0;
        for (int i = p; i <= s.n; ++i)
            if (s.w[i] < smallest) {
                smallest = s.w[i];
                at = i;
            }
        if (at == 0) break;
        std::swap(s.w[p], s.w[at]);
        for (int j = 1; j <= s.n; ++j) std::swap(s.v[j][p], s.v[j][at]);
        for (int j = 1; j <= s.m; ++j) std::swap(s.a[j][p], s.a[j][at]);
    }
}

}  // namespace

void svd(int16_t m, int16_t n) {
    if (m > maxsvd || n > maxsvd) bombout("svd", "matrix larger than 400 x 400", 1);
    svdarrays.svdw().fill(0);
    svdwork s{svdarrays.svda, svdarrays.svdv, svdarrays.svdw()};
    s.m = m;
    s.n = n;
    bidiagonalise(s);
    accumulateright(s);
    accumulateleft(s);
    diagonalise(s);
    sortascending(s);
}

}  // namespace zt
