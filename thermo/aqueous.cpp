#include "thermo/aqueous.h"

#include <cmath>

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "script/settings.h"
#include "thermo/fluids.h"

namespace zt {

real fluidvmix(real P, real T, real xc, real xh) {
    real vh, vc, lnf;
    if (xc > 0) {
        real vh2, vc2;
        calcco2(vc, lnf, P, T);
        calch2o(vh, lnf, P, T);
        calcco2(vc2, lnf, P + 0.0001L, T);
        calch2o(vh2, lnf, P + 0.0001L, T);
        const real vm = xc * vc + xh * vh;
        const real vm2 = xc * vc2 + xh * vh2;
        return vm + 21 * xc * xh * (1 / vm2 - 1 / vm) / 0.0001L;
    }
    calch2o(vh, lnf, P, T);
    return vh;
}

real kirkwoodg(real P, real T, real xc, real xh, real V) {
    const real t2 = T * T;
    const real tm = T - 215;
    return 1 + (std::exp(-1246.311L / T + 263307.7L / t2 - 69.28953L * P / T - 20444.73L * P / t2) -
                4.044525L * P / T + 103.618L / std::sqrt(T) + 75.32165L / tm - 23.23778L / std::sqrt(tm) -
                3.548184L / std::sqrt(std::sqrt(tm))) *
                   (1.8015L * xh + 4.401L * xc) / V;
}

real dielconst(real P, real T, real xc, real xh, real V) {
    const real g = kirkwoodg(P, T, xc, xh, V);
    const real a = 1 + ((0.147L + 835.25L * g / T) * xh + 0.265L * xc) * 22.7024L / V;
    return (a + std::sqrt(a * a + 8)) / 4;
}

real debyehuckel(real P, real T, real xco2, real xh2o, real I, real Zfac) {
    // A solvent with no H2O and no CO2 given is taken as pure water.
    const real sum = xh2o + xco2;
    const real xc = sum != 0 ? xco2 / sum : 0;
    const real xh = sum != 0 ? xh2o / sum : 1;
    const real v = fluidvmix(P, T, xc, xh);
    const real eps = dielconst(P, T, xc, xh, v);
    const real s = 1 / std::sqrt(1e-05L * v * eps * T);
    const real a = 57674.4L * s / (T * eps);
    const real b = 15902100000.0L * s;
    const real sqi = std::sqrt(I);
    const real dh = -a * Zfac * sqi / (1 + 4.5e-10L * b * sqi);
    if (settings.debuglevel == 5)
        putstr(0,
               "xco2 = " + realtostr(4, false, xc) + ", xh2o = " + realtostr(4, false, xh) +
                   ", I = " + realtostr(5, true, I) + ", A = " + realtostr(8, false, a) +
                   ", B x 10^-10 = " + realtostr(8, false, b * 1e-10L) + ", DH(solute) = " + realtostr(5, true, dh),
               1, 13);
    return dh;
}

}  // namespace zt
