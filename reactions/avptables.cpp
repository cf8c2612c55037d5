#include "reactions/avptables.h"

#include <cmath>

#include "reactions/services.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

avptstate avpt;

void resetavpt() { avpt = avptstate{}; }

void posdefinvert(const avmatrix& a, avmatrix& ainv, int16_t n) {
    static avmatrix l, m;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j < i; ++j) {
            real s = a[i][j];
            for (int k = 1; k < j; ++k) s -= l[i][k] * l[j][k];
            l[i][j] = s / l[j][j];
        }
        real d = a[i][i];
        for (int k = 1; k < i; ++k) d -= l[i][k] * l[i][k];
        if (d <= 0) bombout("posdefinvert", "sqrt negative", 0);
        l[i][i] = std::sqrt(d);
    }
    for (int j = 1; j <= n; ++j)
        for (int i = j; i <= n; ++i) {
            real s = i == j ? 1 : 0;
            for (int k = j; k < i; ++k) s -= l[i][k] * m[k][j];
            m[i][j] = s / l[i][i];
        }
    for (int i = 1; i <= n; ++i)
        for (int j = i; j <= n; ++j) {
            real s = 0;
            for (int k = j; k <= n; ++k) s += m[k][i] * m[k][j];
            ainv[i][j] = ainv[j][i] = s;
        }
}

void covreactions(const emvalues& varlna, avmatrix& covh, avmatrix& covlnk) {
    const int n = reactions.nreac;
    if (n > maxavreactions) bombout("covreactions", "more than 24 reactions", 0);
    // The end-members each reaction involves, so that the sums skip the zeros.
    static std::array<std::array<int16_t, maxems + 1>, maxavreactions + 1> involved;
    static std::array<int16_t, maxavreactions + 1> ninvolved;
    for (int k = 1; k <= n; ++k) {
        ninvolved[k] = 0;
        for (int j = 1; j <= ws.nem; ++j)
            if (reactions.r[k][j] != 0) involved[k][++ninvolved[k]] = static_cast<int16_t>(j);
    }
    const bool justrelu = settings.justrelu == 0;
    for (int k = 1; k <= n; ++k) {
        const auto& rk = reactions.r[k];
        for (int l = k; l <= n; ++l) {
            const auto& rl = reactions.r[l];
            real h = 0.001L, lnk = 0;
            if (!justrelu) {
                h = 0;
                for (int p = 1; p <= ninvolved[k]; ++p) {
                    const int i = involved[k][p];
                    for (int q = 1; q <= ninvolved[l]; ++q) {
                        const int j = involved[l][q];
                        h += rk[i] * ws.covat(i, j) * rl[j];
                    }
                }
            }
            for (int p = 1; p <= ninvolved[k]; ++p) {
                const int i = involved[k][p];
                lnk += rk[i] * varlna[i] * rl[i];
            }
            covh[k][l] = covh[l][k] = h;
            covlnk[k][l] = covlnk[l][k] = lnk;
        }
    }
}

}  // namespace zt
