#include "thermo/braggwilliams.h"

#include <cmath>

#include "thermo/einstein.h"

namespace zt {

real bwdgdq(const bwargs& args, real Q) {
    const real n = args.n;
    const real rt = gasconst * args.T;
    const real enthalpic = args.DH + args.W * (2 * Q - 1);
    if (args.fac >= 0)
        return (n * args.fac / (n + 1)) * rt * std::log(n * (1 - Q) * (1 - Q) / ((1 + n * Q) * (n + Q))) + enthalpic;
    return (n / (n + 1)) * rt * (std::log(n * (1 - Q) / (1 + n * Q)) - args.fac * std::log((1 - Q) / (n + Q))) +
           enthalpic;
}

real bwq(int16_t n, real T, real DH, real W, real fac) {
    const bwargs args{n, T, DH, W, fac};
    const real qmin = 1e-7L, qmax = 0.9999999L;
    const real flo = bwdgdq(args, qmin);
    const real fhi = bwdgdq(args, qmax);
    if (fhi > 0) return qmax;
    if (flo < 0) return qmin;
    real lo = qmin, hi = qmax, q = 0.5L;
    real fm = bwdgdq(args, q);
    int halvings = 0;
    do {
        if (fm > 0)
            lo = q;
        else
            hi = q;
        q = (lo + hi) / 2;
        fm = bwdgdq(args, q);
        ++halvings;
    } while (!(std::fabs(fm) < 0.001L) && halvings < 20);
    return q;
}

}  // namespace zt
