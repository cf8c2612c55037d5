#include "reactions/avpcalc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "reactions/reactionsearch.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "script/windows.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

avprootstate avroots;
avpdiagstate avdiag;

void resetavpcalc() {
    avroots = avprootstate{};
    avdiag = avpdiagstate{};
}

real sigfitlimit(int n) {
    static const real limits[] = {1.96L, 1.73L, 1.61L, 1.54L, 1.49L, 1.45L, 1.42L, 1.39L, 1.37L, 1.35L};
    if (n >= 2 && n <= 11) return limits[n - 2];
    return 1.34L;
}

namespace {

constexpr real gasr = 0.0083144L;

struct weights {
    avvector w{}, u{};
};

void plainestimate(int n, const avvector& x, const weights& wt, real& est, real& sd, real& sigfit) {
    static avmatrix v, vi;
    const bool justrelu = settings.justrelu == 0;
    for (int k = 1; k <= n; ++k)
        for (int l = 1; l <= n; ++l)
            v[k][l] = (justrelu ? 0 : wt.w[k] * avpt.covh[k][l] * wt.w[l]) + wt.u[k] * avpt.covlnk[k][l] * wt.u[l];
    posdefinvert(v, vi, static_cast<int16_t>(n));
    real s1 = 0, s2 = 0;
    for (int k = 1; k <= n; ++k)
        for (int l = 1; l <= n; ++l) {
            s1 += x[k] * vi[l][k];
            s2 += vi[k][l];
        }
    est = s1 / s2;
    real chi2 = 0;
    for (int k = 1; k <= n; ++k)
        for (int l = 1; l <= n; ++l) chi2 += (x[k] - est) * (x[l] - est) * vi[k][l];
    const real msq = chi2 / (n - 1);
    if (msq >= 0 && s2 > 0) {
        sigfit = std::sqrt(msq);
        sd = 1 / std::sqrt(s2);
        if (sigfit > 1) sd *= sigfit;
    } else {
        sd = 0;
        sigfit = 0;
    }
}

// The symmetric square root of cov over the used end-members, into ch.
using chmatrix = std::array<std::array<real, maxsvd / 2 + 1>, maxsvd / 2 + 1>;

void covroot(int ne, chmatrix& ch) {
    auto& a = svdarrays.svda;
    for (int m = 1; m <= ne; ++m)
        for (int c = 1; c <= ne; ++c) a[m][c] = ws.covat(avdiag.used[m], avdiag.used[c]);
    svd(static_cast<int16_t>(ne), static_cast<int16_t>(ne));
    const auto& w = svdarrays.svdw();
    const auto& v = svdarrays.svdv;
    for (int m = 1; m <= ne; ++m)
        for (int c = m; c <= ne; ++c) {
            real s = 0;
            for (int k = 1; k <= ne; ++k) s += a[m][k] * std::sqrt(std::fabs(w[k])) * v[c][k];
            ch[m][c] = ch[c][m] = s;
        }
}

// The estimate in the space of the unit-variance data (enthalpies and ln a of the used
// end-members), which gives each datum's residual, leverage and influence.
void diagnosticestimate(int n, const avvector& x, const weights& wt, const emvalues& varlna) {
    static chmatrix ch;
    static std::array<avvector, maxsvd + 1> b;  // pseudo-inverse, b[j][k]
    static std::array<real, maxsvd + 1> c1, c2, g, ha;
    const int ne = avdiag.ne;
    const int rows = 2 * ne;
    covroot(ne, ch);
    auto& a = svdarrays.svda;
    for (int k = 1; k <= n; ++k) {
        const auto& rk = reactions.r[k];
        for (int m = 1; m <= ne; ++m) {
            real s = 0;
            for (int c = 1; c <= ne; ++c) s += ch[m][c] * rk[avdiag.used[c]];
            a[m][k] = wt.w[k] * s;
            const int i = avdiag.used[m];
            a[ne + m][k] = std::sqrt(varlna[i]) * rk[i] * wt.u[k];
        }
    }
    svd(static_cast<int16_t>(rows), static_cast<int16_t>(n));
    const auto& w = svdarrays.svdw();
    const auto& v = svdarrays.svdv;
    real wmax = 0;
    for (int s = 1; s <= n; ++s) wmax = std::max(wmax, w[s]);
    // A singular value that is zero to working precision has no reciprocal: its
    // direction is left out of both the pseudo-inverse and the hat matrix.
    const real wzero = std::numeric_limits<real>::epsilon() * wmax;
    for (int j = 1; j <= rows; ++j) {
        ha[j] = 0;
        for (int k = 1; k <= n; ++k) b[j][k] = 0;
        for (int s = 1; s <= n; ++s) {
            if (w[s] <= wzero) continue;
            for (int k = 1; k <= n; ++k) b[j][k] += v[k][s] * a[j][s] / w[s];
            ha[j] += a[j][s] * a[j][s];
        }
        c1[j] = c2[j] = 0;
        for (int k = 1; k <= n; ++k) {
            c1[j] += b[j][k];
            c2[j] += x[k] * b[j][k];
        }
    }
    real s1 = 0, s2 = 0, s3 = 0;
    for (int j = 1; j <= rows; ++j) {
        s1 += c1[j] * c2[j];
        s2 += c1[j] * c1[j];
        s3 += c2[j] * c2[j];
    }
    const real est = s1 / s2;
    // chi2 is a sum of squares; a perfect fit leaves a rounding residue of either sign.
    const real chi2 = std::max(s3 - s1 * est, real(0));
    const real sigfit = std::sqrt(chi2 / (n - 1));
    real sd = 1 / std::sqrt(s2);
    if (sigfit > 1) sd *= sigfit;
    avdiag.est = est;
    avdiag.sd = sd;
    avdiag.sigfit = sigfit;
    avdiag.chi2 = chi2;
    constexpr real f = 2;  // the factor on the datum's uncertainty
    for (int j = 1; j <= rows; ++j) {
        g[j] = c1[j] / s2;
        avdiag.hat[j] = g[j] * c1[j];
        avdiag.e[j] = est * c1[j] - c2[j];
        const real q = 1 / (avdiag.hat[j] - ha[j] + 1 / (1 - f * f));
        avdiag.estd[j] = est - q * avdiag.e[j] * g[j];
        avdiag.sigfitd[j] = std::sqrt(std::max(chi2 + q * avdiag.e[j] * avdiag.e[j], real(0)) / (n - 1));
        avdiag.sdd[j] = std::sqrt(1 / s2 - q * g[j] * g[j]);
        if (sigfit > 1) avdiag.sdd[j] *= avdiag.sigfitd[j];
    }
    avdiag.done = true;
}

void printdiagnostics(int n, real v, const emvalues& varlna) {
    const bool avp = search.rockcalctype == 0;
    const int ne = avdiag.ne;
    std::string& line = channels.linebuf;
    if (avp)
        putstr(1, "average P at T = " + wholetostr(v - 273.15L) + degreebyte + "C ", 1, 13);
    else
        putstr(1, "average T at P = " + realtostr(1, true, v) + " kbar", 1, 13);
    line.clear();
    addfield("  ", 0, line);
    addfield(avp ? "avP" : "avT", 8, line);
    addfield("sd", 8, line);
    addfield("sigfit", 8, line);
    putstr(0, line, 1, 13);
    line.clear();
    addfield("  ", 0, line);
    if (avp) {
        addreal(2, true, 8, avdiag.est, line);
        addreal(2, true, 8, avdiag.sd, line);
    } else {
        addreal(1, true, 8, avdiag.est - 273.15L, line);
        addreal(1, true, 8, avdiag.sd, line);
    }
    addreal(3, true, 8, avdiag.sigfit, line);
    putstr(0, line, 2, 13);
    putstr(0, "for 95% confidence, fit (= sd(fit) = sqrt(MSWD)) < " + realtostr(2, true, sigfitlimit(n)) +
                  " (but larger may be OK)",
           2, 13);
    putstr(0, "column:", 1, 13);
    putstr(0, "1-3: result of doubling the uncertainty on ln a.", 1, 13);
    putstr(0, "4-5: e* and hat for ln(activity) of end-members", 1, 13);
    putstr(0, "6-7: observed and calculated activities of endmembers.", 1, 13);
    putstr(0, "8-9: e* and hat for enthalpies of end-members", 1, 13);
    line.clear();
    addfield("", 8, line);
    addfield(avp ? "P" : "T", 8, line);
    addfield("sd", 8, line);
    addfield("sigfit", 9, line);
    addfield("e*", 9, line);
    addfield("hat", 9, line);
    addfield("a(obs)", 10, line);
    addfield("a(calc)", 10, line);
    addfield("e*", 9, line);
    addfield("hat", 9, line);
    putstr(1, line, 1, 13);
    for (int m = 1; m <= ne; ++m) {
        const int i = avdiag.used[m];
        const int d = ne + m;
        line.clear();
        addfield(ws.emname[i], 8, line);
        if (avp) {
            addreal(2, true, 8, avdiag.estd[d], line);
            addreal(2, true, 8, avdiag.sdd[d], line);
        } else {
            addreal(1, true, 8, avdiag.estd[d] - 273.15L, line);
            addreal(1, true, 8, avdiag.sdd[d], line);
        }
        addreal(3, true, 9, avdiag.sigfitd[d], line);
        addreal(3, true, 9, avdiag.e[d], line);
        addreal(3, true, 9, avdiag.hat[d], line);
        addreal(3, false, 10, ws.emact[i], line);
        addreal(3, false, 10, std::exp(std::log(ws.emact[i]) + std::sqrt(varlna[i]) * avdiag.e[d]), line);
        addreal(3, true, 9, avdiag.e[m], line);
        addreal(3, true, 9, avdiag.hat[m], line);
        putstr(0, line, 1, 13);
    }
    putstr(1, "|e*| >2.5 suspect?  hat >" + realtostr(2, true, static_cast<real>(n) / ne) + " influential?", 1, 13);
}

}  // namespace

void avpsolve(real v, real tref, real start, const emvalues& varlna, bool diagnose, real& est, real& sd,
              real& sigfit) {
    const int n = reactions.nreac;
    auto& x1 = avroots.x1;
    int nsingle = 0;
    real sum = 0;
    for (int k = 1; k <= n; ++k)
        if (avroots.single[k]) {
            ++nsingle;
            sum += x1[k];
        }
    const real s = nsingle >= 1 && nsingle < n ? sum / nsingle : start;
    for (int k = 1; k <= n; ++k)
        if (!avroots.single[k] && std::fabs(x1[k] - s) > std::fabs(avroots.x2[k] - s)) {
            x1[k] = avroots.x2[k];
            avroots.d1[k] = avroots.d2[k];
        }
    static weights wt;
    for (int k = 1; k <= n; ++k) {
        wt.w[k] = -1 / avroots.d1[k];
        wt.u[k] = gasr * tref * wt.w[k];
    }
    covreactions(varlna, avpt.covh, avpt.covlnk);
    avdiag.done = false;
    if (diagnose) {
        int ne = 0;
        for (int i = 1; i <= ws.nem; ++i) {
            bool inreaction = false;
            for (int k = 1; k <= n && !inreaction; ++k) inreaction = reactions.r[k][i] != 0;
            if (inreaction && ne < maxems) avdiag.used[++ne] = static_cast<int16_t>(i);
        }
        avdiag.ne = static_cast<int16_t>(ne);
        if (2 * ne > maxsvd) {
            putstr(1, "no diagnostic table: " + wholetostr(ne) + " end-members in the reactions, at most 200 fit", 1, 13);
        } else {
            diagnosticestimate(n, x1, wt, varlna);
            est = avdiag.est;
            sd = avdiag.sd;
            sigfit = avdiag.sigfit;
            printdiagnostics(n, v, varlna);
            return;
        }
    }
    plainestimate(n, x1, wt, est, sd, sigfit);
}

void avpcalc(real v, real xco2, real xh2o, bool quiet, real& est, real& sd, real& sigfit) {
    const int n = reactions.nreac;
    const bool avp = search.rockcalctype == 0;
    const int32_t kind = avp ? 1 : 0;
    for (int k = 1; k <= n; ++k) {
        real x1 = 0, x2 = 0, dgdp1 = 0, dgdp2 = 0, dgdt1 = 0, dgdt2 = 0;
        if (avp)
            findp(static_cast<int16_t>(k), false, x1, v, xco2, xh2o, x2, dgdp1, dgdp2, dgdt1, dgdt2);
        else
            findt(static_cast<int16_t>(k), false, x1, v, xco2, xh2o, x2, dgdp1, dgdp2, dgdt1, dgdt2);
        if (!inrange(kind, x1)) {
            est = sd = 0;
            sigfit = 100;
            return;
        }
        avroots.x1[k] = x1;
        avroots.x2[k] = x2;
        avroots.d1[k] = avp ? dgdp1 : dgdt1;
        avroots.d2[k] = avp ? dgdp2 : dgdt2;
        avroots.single[k] = !inrange(kind, x2);
    }
    const real tref = avp ? v : avroots.x1[n];
    calcvarlna();
    const bool near = avp ? std::fabs(v - settings.tlist[settings.ntlist / 2 + 1]) < 1
                          : std::fabs(v - settings.plist[settings.nplist / 2 + 1]) < 0.01L;
    avpsolve(v, tref, avp ? settings.pnow : settings.tnow, reactions.emvarlna, !quiet && near, est, sd, sigfit);
}

}  // namespace zt
