#include "thermo/reactiondg.h"

#include <cmath>

#include "runtime/records/reactionstate.h"
#include "runtime/reporter.h"
#include "thermo/einstein.h"
#include "thermo/gibbs.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

real sumnug(const reaction& nu, real P, real T) {
    real sum = 0;
    for (int16_t i = 1; i <= ws.nem; ++i) {
        if (nu[static_cast<size_t>(i)] == 0) continue;
        real g;
        gemdriver(i, g, P, T);
        sum += nu[static_cast<size_t>(i)] * g;
    }
    return sum;
}

}  // namespace

void calcdg0(int16_t ir, real& dG0dP, real& dG0dT, real P, real T, real& dG0, dgslopes slopes) {
    if (T <= 0) bombout("calcdg0", "T <= 0 !", 1);
    const reaction& nu = reactions.r[static_cast<size_t>(ir)];
    const bool wantp = takesp(slopes), wantt = takest(slopes);
    // The end-members whose G depends on P through the fluid equation of state alone have
    // dG/dP = V exactly; the others are differenced forward in P.
    real others = 0, othersraised = 0, fluidslope = 0;
    dG0 = 0;
    for (int16_t i = 1; i <= ws.nem; ++i) {
        const int16_t n = nu[static_cast<size_t>(i)];
        if (n == 0) continue;
        real g;
        gemdriver(i, g, P, T);
        dG0 += n * g;
        if (!wantp) continue;
        real v;
        if (fluidvolumeonly(i, P, T, v)) {
            fluidslope += n * v;
        } else {
            real graised;
            gemdriver(i, graised, P + 1e-05L, T);
            others += n * g;
            othersraised += n * graised;
        }
    }
    dG0dP = wantp ? (othersraised - others) / 1e-05L + fluidslope : 0;
    dG0dT = wantt ? (sumnug(nu, P, T + 0.001L) - dG0) / 0.001L : 0;
}

void calclnk(int16_t ir, real& lnK, real /*P*/, real /*T*/, real xco2, real xh2o) {
    const reaction& nu = reactions.r[static_cast<size_t>(ir)];
    lnK = 0;
    for (int16_t i = 1; i <= ws.nem; ++i) {
        const int16_t n = nu[static_cast<size_t>(i)];
        if (n == 0) continue;
        const real a = ws.emact[static_cast<size_t>(i)];
        if (a <= 0) bombout("calclnk", "ln<=0", 1);
        lnK += n * std::log(a);
    }
    if (ws.ico2 > 0) {
        const int16_t n = nu[static_cast<size_t>(ws.ico2)];
        if (n != 0 && xco2 > 0 && xco2 < 1) lnK += n * std::log(xco2);
    }
    if (ws.ih2o > 0) {
        const int16_t n = nu[static_cast<size_t>(ws.ih2o)];
        if (n != 0 && xh2o > 0 && xh2o < 1) lnK += n * std::log(xh2o);
    }
    if (ws.iaqsi > 0 && ws.ih2o > 0) {
        // Worked in 32 bits: the product of two 16-bit numbers cannot wrap there.
        const int32_t m = static_cast<int32_t>(nu[static_cast<size_t>(ws.iaqsi)]) * ws.aqsihydration;
        if (m != 0 && xh2o > 0 && xh2o < 1) lnK -= m * std::log(xh2o);
    }
}

void calcdg(int16_t ir, real& dGdP, real& dGdT, real P, real T, real xco2, real xh2o, real& dG, dgslopes slopes) {
    const reaction& nu = reactions.r[static_cast<size_t>(ir)];
    for (int16_t i = 1; i <= ws.nem; ++i) {
        if (nu[static_cast<size_t>(i)] == 0) continue;
        ws.td[static_cast<size_t>(i)].xco2 = xco2;
        ws.td[static_cast<size_t>(i)].xh2o = xh2o;
    }
    calcdg0(ir, dGdP, dGdT, P, T, dG, slopes);
    real lnk;
    calclnk(ir, lnk, P, T, xco2, xh2o);
    dG += gasconst * T * lnk;
    if (takest(slopes)) dGdT += gasconst * lnk;
}

}  // namespace zt
