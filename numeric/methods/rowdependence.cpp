#include "numeric/methods/rowdependence.h"

#include "runtime/reporter.h"

namespace zt {

namespace {

int64_t gcd64(int64_t a, int64_t b) {
    if (a < 0) a = -a;
    if (b < 0) b = -b;
    while (b != 0) {
        const int64_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

int64_t fit64(__int128 x) {
    if (x > INT64_MAX || x < -INT64_MAX) bombout("dependentrows", "integer overflow (beyond 64 bits)", 0);
    return static_cast<int64_t>(x);
}

// A reduced row and the combination of the original rows that makes it.
struct combined {
    std::vector<int64_t> v, c;
    int pivot = 0;
};

void dividecommon(combined& x) {
    int64_t g = 0;
    for (int64_t e : x.v) g = gcd64(g, e);
    for (int64_t e : x.c) g = gcd64(g, e);
    if (g > 1) {
        for (int64_t& e : x.v) e /= g;
        for (int64_t& e : x.c) e /= g;
    }
}

}  // namespace

std::vector<dependentrow> dependentrows(const introws& rows, int ncols, const std::vector<bool>& use) {
    const int n = static_cast<int>(rows.size()) - 1;
    std::vector<combined> basis;
    std::vector<dependentrow> out;
    for (int k = 1; k <= n; ++k) {
        combined x;
        x.v.assign(static_cast<size_t>(ncols + 1), 0);
        x.c.assign(static_cast<size_t>(n + 1), 0);
        for (int j = 1; j <= ncols; ++j)
            if (use[static_cast<size_t>(j)]) x.v[static_cast<size_t>(j)] = rows[static_cast<size_t>(k)][static_cast<size_t>(j)];
        x.c[static_cast<size_t>(k)] = 1;
        for (const combined& b : basis) {
            const size_t p = static_cast<size_t>(b.pivot);
            if (x.v[p] == 0) continue;
            const int64_t g = gcd64(b.v[p], x.v[p]);
            const __int128 bp = b.v[p] / g, xp = x.v[p] / g;
            for (size_t j = 0; j < x.v.size(); ++j) x.v[j] = fit64(bp * x.v[j] - xp * b.v[j]);
            for (size_t j = 0; j < x.c.size(); ++j) x.c[j] = fit64(bp * x.c[j] - xp * b.c[j]);
            dividecommon(x);
        }
        for (int j = 1; j <= ncols && x.pivot == 0; ++j)
            if (x.v[static_cast<size_t>(j)] != 0) x.pivot = j;
        if (x.pivot > 0) {
            basis.push_back(x);
            continue;
        }
        dependentrow d;
        d.row = static_cast<int16_t>(k);
        for (int i = 1; i < k; ++i)
            if (x.c[static_cast<size_t>(i)] != 0) d.on.push_back(static_cast<int16_t>(i));
        out.push_back(d);
    }
    return out;
}

}  // namespace zt
