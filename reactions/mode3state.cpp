#include "reactions/mode3state.h"

#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

mode3state m3;

namespace {

constexpr real rln10 = 0.019144654296L;
constexpr real gasconstant = 0.0083144L;

}  // namespace

void resetmode3() {
    lineplot low, high;
    low.swap(m3.linelow);
    high.swap(m3.linehigh);
    m3 = mode3state{};
    low.assign(maxreactions + 1, {});
    high.assign(maxreactions + 1, {});
    m3.linelow.swap(low);
    m3.linehigh.swap(high);
}

void setaxisvalue(real v) {
    const real step = settings.setloga == 0 ? rln10 : gasconstant;
    ws.td[static_cast<size_t>(ws.nem)].S = settings.lnah0 - step * v;
}

void enlargewindow(int32_t v) {
    if (v == 0) {
        m3.oldprange = settings.calcprange;
        settings.calcprange[1] -= 5;
        if (settings.calcprange[1] < settings.pmin) settings.calcprange[1] = settings.pmin;
        settings.calcprange[2] += 5;
        if (settings.calcprange[2] > 1500) settings.calcprange[2] = 1500;
    } else if (v == 1) {
        m3.oldtrange = settings.calctrange;
        settings.calctrange[1] -= 300;
        if (settings.calctrange[1] < 283) settings.calctrange[1] = 283;
        settings.calctrange[2] += 400;
        if (settings.calctrange[2] > 3000) settings.calctrange[2] = 3000;
    } else {
        bombout("enlargewindow", "unknown calcvariable", 1);
    }
}

void restorewindow(int32_t v) {
    if (v == 0)
        settings.calcprange = m3.oldprange;
    else if (v == 1)
        settings.calctrange = m3.oldtrange;
    else
        bombout("restorewindow", "unknown calcvariable", 1);
}

void setiptx(real& P, real& T, real& xco2, real& xh2o, real& loga, real a, real b) {
    P = settings.pnow;
    T = settings.tnow;
    xco2 = settings.xco2fluid;
    xh2o = settings.xh2ofluid;
    switch (settings.diagrammode) {
        case 0:
            if (settings.calcvariable == 1) {
                P = a;
                T = b;
            } else if (settings.calcvariable == 0) {
                T = a;
                P = b;
            } else {
                bombout("setiptx", "unknown calcvariable", 1);
            }
            break;
        case 1:
            P = b;
            xco2 = a;
            xh2o = 1 - a;
            break;
        case 2:
            T = b;
            xco2 = a;
            xh2o = 1 - a;
            break;
        case 3:
            P = b;
            loga = a;
            break;
        case 4:
            T = b;
            loga = a;
            break;
        default:
            bombout("setiptx", "unknown diagrammode", 1);
    }
}

const std::array<real, maxlist + 1>& runninglist(int16_t& n, const char* routine) {
    switch (settings.othervariable) {
        case 0:
            n = settings.nplist;
            return settings.plist;
        case 1:
            n = settings.ntlist;
            return settings.tlist;
        case 2:
            n = settings.nxco2calclist;
            return settings.xco2calclist;
        case 3:
            n = settings.nlnalist[1];
            return settings.lnalists[1];
        default:
            bombout(routine, "othervariable", 1);
    }
}

}  // namespace zt
