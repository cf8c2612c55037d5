#include "reactions/windowtests.h"

#include "reactions/mode3state.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/reactiondg.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

struct corner {
    real dg = 0, dgdp = 0, dgdt = 0;
};

// One point of the window: P, T, x(CO2) (x(H2O) follows unless fluidfixed) and the
// log a axis value when the diagram has one.
struct windowpoint {
    real P, T, x;
    bool fluidfixed;
    bool axis;
};

corner evaluate(int16_t k, const windowpoint& w) {
    if (w.axis) setaxisvalue(w.x);
    corner c;
    const real xco2 = w.fluidfixed ? settings.xco2fluid : w.x;
    const real xh2o = w.fluidfixed ? settings.xh2ofluid : 1 - w.x;
    calcdg(k, c.dgdp, c.dgdt, w.P, w.T, xco2, xh2o, c.dg);
    return c;
}

bool differ(real a, real b) { return (a > 0 && b < 0) || (a < 0 && b > 0); }

bool allsame(const cornersides& s) { return (s[1] && s[2] && s[3] && s[4]) || (!s[1] && !s[2] && !s[3] && !s[4]); }

// Root of the calculated variable along an edge, out of the window when none.
bool rootinrange(int16_t k, bool findtemperature, const windowpoint& w) {
    if (w.axis) setaxisvalue(w.x);
    const real xco2 = w.fluidfixed ? settings.xco2fluid : w.x;
    const real xh2o = w.fluidfixed ? settings.xh2ofluid : 1 - w.x;
    real x = 0, x2, a, b, c, d;
    if (findtemperature) {
        findt(k, false, x, w.P, xco2, xh2o, x2, a, b, c, d);
        return settings.calctrange[1] <= x && x <= settings.calctrange[2];
    }
    findp(k, false, x, w.T, xco2, xh2o, x2, a, b, c, d);
    return settings.calcprange[1] <= x && x <= settings.calcprange[2];
}

// The two running-variable diagrams with the calculated variable u (P or T) and the
// running v (x(CO2) or log a); corners (ulo,vlo), (ulo,vhi), (uhi,vhi), (uhi,vlo).
bool inuvwindow(int16_t k, cornersides& sides, bool temperature, bool axis, const std::array<real, 3>& vwin,
                bool fluidextremum) {
    const std::array<real, 3>& uwin = temperature ? settings.calctrange : settings.calcprange;
    auto point = [&](real u, real v) {
        return temperature ? windowpoint{settings.pnow, u, v, axis, axis} : windowpoint{u, settings.tnow, v, axis, axis};
    };
    const windowpoint corners[5] = {point(0, 0), point(uwin[1], vwin[1]), point(uwin[1], vwin[2]),
                                    point(uwin[2], vwin[2]), point(uwin[2], vwin[1])};
    std::array<corner, 5> c{};
    for (int i = 1; i <= 4; ++i) {
        c[at(i)] = evaluate(k, corners[i]);
        sides[at(i)] = c[at(i)].dg < 0;
    }
    auto deriv = [&](int i) { return temperature ? c[at(i)].dgdt : c[at(i)].dgdp; };
    bool out = allsame(sides);
    // A reaction that releases both H2O and CO2 has its delta G greatest near x* at any
    // fixed P or T: its line has a T maximum (P minimum) there and can enter the window
    // through one edge with all four corners on one side. delta G at x* on the two edges
    // of the calculated variable shows it.
    if (out && fluidextremum && ws.ih2o > 0 && ws.ico2 > 0) {
        const int16_t nc = reactions.r[at(k)][at(ws.ico2)];
        const int16_t nh = reactions.r[at(k)][at(ws.ih2o)];
        if (nc > 0 && nh > 0) {
            const real xstar = real(nc) / (nc + nh);
            if (vwin[1] <= xstar && xstar <= vwin[2]) {
                const bool neg1 = evaluate(k, point(uwin[1], xstar)).dg < 0;
                const bool neg2 = evaluate(k, point(uwin[2], xstar)).dg < 0;
                out = neg1 == sides[1] && neg2 == sides[1];
            }
        }
    }
    if (out && differ(deriv(1), deriv(4))) out = !rootinrange(k, temperature, point(0, vwin[1]));
    if (out && differ(deriv(2), deriv(3))) out = !rootinrange(k, temperature, point(0, vwin[2]));
    return !out;
}

}  // namespace

bool inPTwindow(int16_t k, cornersides& sides) {
    const auto& p = settings.calcprange;
    const auto& t = settings.calctrange;
    const windowpoint corners[5] = {{0, 0, 0, true, false},
                                    {p[1], t[1], 0, true, false},
                                    {p[2], t[1], 0, true, false},
                                    {p[2], t[2], 0, true, false},
                                    {p[1], t[2], 0, true, false}};
    std::array<corner, 5> c{};
    for (int i = 1; i <= 4; ++i) {
        c[at(i)] = evaluate(k, corners[i]);
        sides[at(i)] = c[at(i)].dg < 0;
    }
    bool out = allsame(sides);
    if (out && differ(c[1].dgdt, c[4].dgdt)) out = !rootinrange(k, true, corners[1]);
    if (out && differ(c[2].dgdt, c[3].dgdt)) out = !rootinrange(k, true, corners[2]);
    if (out && differ(c[1].dgdp, c[2].dgdp)) out = !rootinrange(k, false, corners[1]);
    if (out && differ(c[4].dgdp, c[3].dgdp)) out = !rootinrange(k, false, corners[4]);
    return !out;
}

bool inPXwindow(int16_t k, cornersides& sides) {
    return inuvwindow(k, sides, false, false, settings.xco2window, true);
}

bool inTXwindow(int16_t k, cornersides& sides) {
    return inuvwindow(k, sides, true, false, settings.xco2window, true);
}

bool inPlnawindow(int16_t k, cornersides& sides) {
    return inuvwindow(k, sides, false, true, settings.logawindow, false);
}

bool inTlnawindow(int16_t k, cornersides& sides) {
    return inuvwindow(k, sides, true, true, settings.logawindow, false);
}

bool inPTXwindow(int16_t k, cornersides& sides) {
    switch (settings.diagrammode) {
        case 0: return inPTwindow(k, sides);
        case 1: return inPXwindow(k, sides);
        case 2: return inTXwindow(k, sides);
        case 3: return inPlnawindow(k, sides);
        case 4: return inTlnawindow(k, sides);
        default: bombout("inPTXwindow", "unknown diagrammode", 1);
    }
}

}  // namespace zt
