#include "numeric/nle.h"

#include <cmath>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "numeric/methods/svd.h"
#include "numeric/nlediagnostics.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/runopen.h"
#include "script/settings.h"

namespace zt {

nlestaterecord nlestate;

// From one blank record: a fresh one for every solve is 260 KB to clear before the copy.
void resetnlestate() {
    static const nlestaterecord blank{};
    nlestate = blank;
}

namespace {

constexpr int16_t maxiterationsallowed = 25;
constexpr real rankcut = 1e-12L;
constexpr real smallestslim = 1e-8L;
constexpr real largestslim = 50;
constexpr int maxsfpasses = 50;
constexpr int maxphasetrials = 10;

residualfunction residuals = nullptr;

size_t at(int i) { return static_cast<size_t>(i); }

int16_t countfree() {
    int16_t n = 0;
    for (int g = 1; g <= eq.nvar + eq.nxp; ++g)
        if (eq.calcvarfree[at(g)]) ++n;
    return n;
}

// Every variable of the equilibrium, and the residuals and jacobian over the free ones.
bool finitevariables(const vec90& x) {
    for (int g = 1; g <= eq.nvar + eq.nxp; ++g)
        if (!std::isfinite(x[at(g)])) return false;
    return true;
}

bool finiteresiduals(const vec90& f, int n) {
    for (int j = 1; j <= n; ++j)
        if (!std::isfinite(f[at(j)])) return false;
    return true;
}

bool finitejacobian(const mat90& J, int n) {
    for (int j = 1; j <= n; ++j)
        for (int k = 1; k <= n; ++k)
            if (!std::isfinite(J[at(j)][at(k)])) return false;
    return true;
}

real sumsquares(const vec90& f, int n) {
    real sum = 0;
    for (int k = 1; k <= n; ++k) sum += f[at(k)] * f[at(k)];
    return sum;
}

// An evaluation is a function of the point alone, so one made at the start of an
// iteration may be taken over, except where a debug level prints from every evaluation.
bool reusable() { return settings.debuglevel != 4 && settings.debuglevel <= 5; }

bool initialise() {
    nlestaterecord& st = nlestate;
    st.maxiterations = maxiterationsallowed;
    st.nfree = countfree();
    if (settings.debuglevel == 2) printtraceheader();
    st.maxe = 1;
    st.maxdx = 1;
    st.notreduced = 0;
    st.stop = st.dxstop = st.dxconverge = st.overit = st.fsizeok = st.esizeok = st.done = false;
    st.access = 4;
    if (evalequations(eq.varvalue, st.J, st.f)) {
        st.startevaluated = reusable();
        st.Fstart = 0.5L * sumsquares(st.f, st.nfree);
        st.Faccepted = st.Fstart;
        st.maxestart = 0;
        for (int k = 1; k <= st.nfree; ++k) st.maxestart = std::max(st.maxestart, std::fabs(st.f[at(k)]));
        return true;
    }
    if (st.nonfinite) return false;
    if (settings.dogminon) {
        if (settings.dogminlevel > 0) putstr(0, "solver could not start", 1, 1);
        return false;
    }
    if (settings.debuglevel == 0) {
        printillegalstart(true);
        settings.debuglevel = 1;
        return false;
    }
    printillegalstart(false);
    bombout("nle", "illegal start", 0);
}

// A trial meets the step test: enough decrease of F (suff) and a flat enough slope (curv).
struct trialtest {
    bool suff = false, curv = false, ok = false;
};

trialtest testtrial(const steptrial& t, real slope0, bool first, bool done) {
    const nlestaterecord& st = nlestate;
    trialtest r;
    r.suff = t.F < st.Fnewton + 0.01L * t.lambda * slope0;
    const real bound = (first && r.suff) ? 0.5L : 0.2L;
    r.curv = std::fabs(t.slope) < bound * std::fabs(slope0);
    r.ok = done || (r.suff && r.curv);
    return r;
}

bool tracing() { return settings.debuglevel == 3 || settings.debuglevel == 4; }

char accessmark(int32_t access) {
    switch (access) {
        case 0: return 'w';
        case 1: return 'x';
        case 2: return 'p';
        case 3: return 'm';
        case 4: return 'i';
        default: return ' ';
    }
}

std::string fourdigits(real x) {
    std::string s;
    addreal(4, false, 10, x, s);
    return s;
}

[[noreturn]] void neitherininterval(const steptrial& a, const steptrial& b, real r1, real r2) {
    putstr(0, "neither in interval: info", 1, 13);
    putstr(0, "1: " + fourdigits(a.F) + fourdigits(a.slope) + fourdigits(a.lambda), 1, 13);
    putstr(0, "2: " + fourdigits(b.F) + fourdigits(b.slope) + fourdigits(b.lambda), 1, 13);
    putstr(0, "a,b:" + fourdigits(r1) + fourdigits(r2), 1, 13);
    bombout("steplength", "neither in interval", 1);
}

// One evaluated trial of the line search.
struct evaluated {
    steptrial t;
    bool done = false;
};

evaluated trial(int16_t kind, real lambda) {
    evaluated e;
    e.t.lambda = lambda;
    e.done = fn(kind, lambda, e.t.F, e.t.slope);
    e.t.failed = nlestate.trialfailed;
    return e;
}

void accept(const steptrial& t, real& lambda) {
    lambda = t.lambda;
    // the accepted point is the last one evaluated: its J and f open the next iteration
    nlestate.startevaluated = reusable() && !t.failed && t.lambda == nlestate.evaluatedlambda;
    nlestate.slopeaccepted = t.slope;
    nlestate.Faccepted = t.F;
    nlestate.acceptedfailed = t.failed;
}

}  // namespace

residualfunction currentresidualfunction() { return residuals != nullptr ? residuals : &nlefunc; }

void setresidualfunction(residualfunction fn) { residuals = fn; }

bool evalequations(const vec90& x, mat90& J, vec90& f) {
    const int16_t level = settings.debuglevel;
    const int n = nlestate.nfree;
    // A NaN passes every "below the tolerance" test as false and drops out of a maximum:
    // it must never reach the convergence tests.
    if (!finitevariables(x)) {
        nlestate.nonfinite = true;
        return false;
    }
    const bool ok = currentresidualfunction()(x, J, f, level != 5);
    if (!ok) return false;
    if (!finiteresiduals(f, n) || (level != 5 && !finitejacobian(J, n))) {
        nlestate.nonfinite = true;
        return false;
    }
    if ((level == 3 || level == 4) && eq.nleiter == 0) jacobian(x, J, f);
    if (level == 5) {
        makefdjacobian(x, J, f);
        if (!finitejacobian(J, n)) {
            nlestate.nonfinite = true;
            return false;
        }
    }
    return true;
}

void startup(real& Fnewton, real& slope0, real& slim) {
    nlestaterecord& st = nlestate;
    st.toomany = false;
    st.maxdx = 0;
    const bool evaluated = st.startevaluated;
    st.startevaluated = false;
    if (!evaluated && !evalequations(eq.varvalue, st.J, st.f)) {
        if (!st.nonfinite) bombout("startup", "bad start to iteration", 0);
        slim = 0;
        st.stepcode = 5;
        return;
    }
    const int n = st.nfree;
    Fnewton = 0.5L * sumsquares(st.f, n);
    for (int j = 1; j <= n; ++j)
        for (int k = 1; k <= n; ++k) svdarrays.svda[at(j)][at(k)] = st.J[at(j)][at(k)];
    svd(static_cast<int16_t>(n), static_cast<int16_t>(n));
    const auto& u = svdarrays.svda;
    const auto& v = svdarrays.svdv;
    const auto& w = svdarrays.svdw();
    for (int i = 1; i <= n; ++i) st.dx[at(i)] = 0;
    slope0 = -2 * Fnewton;
    int r = 1;
    if (n == 0) {
        eq.nlecond = 0;
        eq.fdjacobian = false;
    } else {
        bool allzero = true;
        for (int l = 1; l <= n; ++l)
            if (w[at(l)] != 0) allzero = false;
        if (allzero) {
            // no direction to step in: the solve stops here
            eq.nlecond = 0;
            eq.fdjacobian = true;
            slim = 0;
            st.stepcode = 5;
            return;
        }
        r = n;
        for (int l = 1; l <= n; ++l)
            if (w[at(l)] > rankcut * w[at(n)]) {
                r = l;
                break;
            }
        eq.fdjacobian = r > 1;
        eq.nlecond = std::fabs(w[1]) < rankcut ? 0 : w[at(n)] / w[1];
    }
    for (int l = r; l <= n; ++l) {
        real t = 0;
        for (int m = 1; m <= n; ++m) t += u[at(m)][at(l)] * st.f[at(m)];
        for (int i = 1; i <= n; ++i) st.dx[at(i)] += (1 / w[at(l)]) * v[at(i)][at(l)] * t;
    }
    findlimit(slim, st.access);
    st.stepcode = slim < smallestslim ? 5 : 0;
}

void findlimit(real& slim, int32_t& access) {
    const nlestaterecord& st = nlestate;
    const real eps = runopening.macheps;
    slim = 1e20L;
    int k = 0;
    for (int g = 1; g <= eq.nvar + eq.nxp; ++g) {
        if (!eq.calcvarfree[at(g)]) continue;
        ++k;
        const real x = eq.varvalue[at(g)];
        const real d = st.dx[at(k)];
        if (d < 0 && 1 - x < -d * slim) {
            slim = (1 - x - 2 * eps) / (-d);
            access = eq.calcvarhighkind[at(g)];
        } else if (d > 0 && x < d * slim) {
            slim = (x - 2 * eps) / d;
            access = eq.calcvarlowkind[at(g)];
        }
    }
    vec90 u{}, du{};
    k = 0;
    for (int g = 1; g <= eq.nvar; ++g) {
        if (eq.calcvarfree[at(g)]) {
            ++k;
            u[at(g)] = (eq.varvalue[at(g)] - eq.calcvaroffset[at(g)]) / eq.calcvarscale[at(g)];
            du[at(g)] = st.dx[at(k)] / eq.calcvarscale[at(g)];
        } else {
            u[at(g)] = eq.varvalue[at(g)];
            du[at(g)] = 0;
        }
    }
    const int constcol = eq.nvar + 1;
    for (int row = 1; row <= eq.nvarlim; ++row) {
        const auto& num = eq.varlimnum[at(row)];
        const auto& den = eq.varlimden[at(row)];
        bool counts = false;
        for (int g = 1; g <= eq.nvar; ++g)
            if (eq.calcvarfree[at(g)] && num[at(g)] != 0) counts = true;
        if (!counts) continue;
        real sum = 0, dv = 0;
        for (int g = 1; g <= eq.nvar; ++g) {
            const real coef = static_cast<real>(num[at(g)]) / static_cast<real>(den[at(g)]);
            sum += coef * u[at(g)];
            dv += coef * du[at(g)];
        }
        const real v = static_cast<real>(num[at(constcol)]) / static_cast<real>(den[at(constcol)]) + sum;
        if (dv < -5 * eps) continue;
        if (dv < 5 * eps) {
            slim = 0;
        } else if ((v - 2 * eps) / dv < slim) {
            slim = (v - 2 * eps) / dv;
            access = 4;
        }
    }
    if (!(slim > 0 && eq.nsfcheck > 0)) return;
    const real slim0 = slim;
    int worst = 0;
    vec90 ut{};
    for (int pass = 1;; ++pass) {
        if (pass > maxsfpasses) bombout("findlimit", "too many iterations handling site fractions", 0);
        for (int g = 1; g <= eq.nvar; ++g) ut[at(g)] = u[at(g)] - 0.999999999L * slim * du[at(g)];
        if (pass == 1) worst = 0;
        real minsf = 100;
        for (int c = 1; c <= eq.nsfcheck; ++c) {
            const axphase& ph = phases.prec1[at(eq.sfcheckphase[at(c)])];
            const real value = evalaxexpr(ph.sf[at(eq.sfcheckindex[at(c)])], ut, eq.sfcheckvar[at(c)]);
            if (value < minsf) {
                minsf = value;
                if (value < 0) worst = c;
            }
        }
        const bool legal = pass == 1 ? worst == 0 : minsf > 0;
        if (legal) break;
        // derivative of the worst site fraction along the step; each factor's derivative
        // is multiplied by the other factors, so a factor of 0 needs no care
        const axphase& ph = phases.prec1[at(eq.sfcheckphase[at(worst)])];
        const axexpr& expr = ph.sf[at(eq.sfcheckindex[at(worst)])];
        const int16_t off = eq.sfcheckvar[at(worst)];
        real g = 0;
        for (int j = 1; j <= ph.nvars; ++j) g += du[at(off + j - 1)] * dexprdx(expr, static_cast<int16_t>(j), ut, off);
        if (g == 0) {
            slim = slim / 2;
            continue;
        }
        const real cand = slim + minsf / g;
        if (cand < 0 || cand > slim0) {
            slim = slim / 2;
        } else if (minsf / g > 0) {
            slim = 0.9L * slim;
        } else {
            slim = 0.99L * cand;
        }
    }
    access = 4;
}

bool fn(int16_t kind, real lambda, real& F, real& slope) {
    nlestaterecord& st = nlestate;
    st.esizeok = st.fsizeok = st.dxstop = st.dxconverge = false;
    st.trialfailed = false;
    if (lambda < 0) bombout("fn", "called with step <= 0", 1);
    vec90 x = eq.varvalue;
    int k = 0;
    for (int g = 1; g <= eq.nvar + eq.nxp; ++g)
        if (eq.calcvarfree[at(g)]) x[at(g)] -= lambda * st.dx[at(++k)];
    eq.nleeval = static_cast<int16_t>(eq.nleeval + 1);
    const int n = st.nfree;
    st.evaluatedlambda = -1;
    if (evalequations(x, st.J, st.f)) {
        st.evaluatedlambda = lambda;
        F = 0.5L * sumsquares(st.f, n);
        slope = 0;
        for (int j = 1; j <= n; ++j) {
            real jdx = 0;
            for (int c = 1; c <= n; ++c) jdx += st.J[at(j)][at(c)] * st.dx[at(c)];
            slope += st.f[at(j)] * jdx;
        }
        slope = -slope;
        st.maxe = 0;
        for (int j = 1; j <= n; ++j) st.maxe = std::max(st.maxe, std::fabs(st.f[at(j)]));
        st.maxdx = 0;
        for (int g = 1; g <= eq.nvar + eq.nxp; ++g) {
            if (!eq.calcvarfree[at(g)]) continue;  // a fixed variable does not move
            st.maxdx = std::max(st.maxdx, std::fabs(x[at(g)] - eq.varvalue[at(g)]) / eq.calcvartol[at(g)]);
        }
        st.esizeok = st.maxe <= settings.esize;
        st.fsizeok = std::sqrt(2 * F) < settings.fsize;
        st.dxstop = st.maxdx < settings.dxtol;
        st.dxconverge = st.dxstop && st.maxe < std::sqrt(settings.esize);
        if (st.esizeok && st.fsizeok) {
            eq.nleconvtag = "ef";
        } else if (st.fsizeok) {
            eq.nleconvtag = "f";
        } else if (st.esizeok) {
            eq.nleconvtag = "e";
        } else if (st.dxconverge) {
            eq.nleconvtag = "dx";
        }
        return st.esizeok || st.fsizeok || st.dxstop;
    }
    if (st.nonfinite || settings.mcrunlimit - 0.01L > 1 || settings.debuglevel == 0 || settings.dogminon) {
        F = 1;
        slope = 0;
        st.maxe = 1;
        st.maxdx = 1;
        st.trialfailed = true;
        return true;
    }
    bombout("fn", "not ok (" + wholetostr(kind) + ")", 1);
}

void cubicstep(real& r1, real& r2, real lambdaa, real Fa, real slopea, real lambdab, real Fb, real slopeb) {
    const real h = lambdab - lambdaa;
    const real B = 3 * (Fb - Fa) - (2 * slopea + slopeb) * h;
    const real A = (slopea + slopeb) * h - 2 * (Fb - Fa);
    if (A == 0 && B == 0) {
        r1 = r2 = -lambdaa;
        return;
    }
    if (A == 0) {
        r1 = r2 = lambdaa - slopea * h * h / (2 * B);
        return;
    }
    const real D = 4 * B * B - 12 * A * slopea * h;
    if (D < 0) {
        r1 = r2 = -lambdaa;
        return;
    }
    r1 = lambdaa + h * (-2 * B - std::sqrt(D)) / (6 * A);
    r2 = lambdaa + h * (-2 * B + std::sqrt(D)) / (6 * A);
}

bool steplength(real& lambda, int16_t& code) {
    nlestaterecord& st = nlestate;
    st.tracecount = 0;
    if (settings.debuglevel == 3) printtraceheader();
    real slope0 = 0, slim = 0;
    startup(st.Fnewton, slope0, slim);
    if (slim > largestslim) {
        slim = largestslim;
        st.access = 3;
    }
    if (st.stepcode == 5) {
        code = 5;
        return false;
    }
    code = 0;
    if (tracing()) printsteptrace('0', ' ', 0, slope0, st.Fnewton);

    // the last trial evaluated, for the closing test
    trialtest last;
    bool done = false;

    const real lambda1 = slim > 1 ? 1 : 0.9L * slim;
    evaluated first = trial(1, lambda1);
    done = first.done;
    if (tracing()) printsteptrace('s', accessmark(st.access), lambda1, first.t.slope, first.t.F);
    last = testtrial(first.t, slope0, true, done);
    bool bracket = first.t.slope >= 0 || first.t.F > st.Fnewton;
    steptrial a, b;
    bool section = false;
    if (last.ok) {
        accept(first.t, lambda);
    } else if (bracket) {
        b = first.t;
        a = steptrial{0, st.Fnewton, slope0, false};
        section = true;
    } else {
        a = first.t;
        bool ok = false;
        st.toomany = false;
        if (st.access == 0 || st.access == 1 || st.access == 2 || st.access == 3) {
            const real lambdab = st.access == 1 ? 0.99999L * slim : 0.9999999999L * slim;
            evaluated e = trial(2, lambdab);
            done = e.done;
            if (tracing()) printsteptrace('a', ' ', lambdab, e.t.slope, e.t.F);
            last = testtrial(e.t, slope0, false, done);
            ok = last.ok;
            b = e.t;
            bracket = b.slope >= 0;
            if (!ok && !bracket) ok = b.F < a.F;
        } else if (st.access == 4) {
            st.phasecount = 0;
            real lambdab = a.lambda;
            do {
                ++st.phasecount;
                const real d = 0.9L * (slim - lambdab);
                lambdab = lambdab + d < 5 * lambdab ? lambdab + d : 5 * lambdab;
                evaluated e = trial(4, lambdab);
                done = e.done;
                if (tracing()) printsteptrace('i', ' ', lambdab, e.t.slope, e.t.F);
                last = testtrial(e.t, slope0, false, done);
                ok = last.ok;
                b = e.t;
                bracket = b.slope >= 0;
                st.toomany = st.phasecount == maxphasetrials;
                if (!ok && !bracket) {
                    if (st.toomany) {
                        ok = true;
                    } else if (b.F <= a.F) {
                        a = b;
                    }
                }
            } while (!ok && !bracket && !st.toomany);
        } else {
            bombout("steplength", "unknown accessibility", 1);
        }
        if (ok) {
            // a trial that could not be evaluated is never taken
            accept((a.F > b.F && !b.failed) ? b : a, lambda);
        } else if (st.toomany) {
            code = 2;
        } else {
            section = true;
        }
    }

    if (section) {
        st.phasecount = 0;
        bool ok = false;
        do {
            ++st.phasecount;
            real r1 = 0, r2 = 0;
            cubicstep(r1, r2, a.lambda, a.F, a.slope, b.lambda, b.F, b.slope);
            real lam = 0;
            if (a.lambda <= r1 && r1 <= b.lambda) {
                lam = r1;
            } else if (a.lambda <= r2 && r2 <= b.lambda) {
                lam = r2;
            } else {
                neitherininterval(a, b, r1, r2);
            }
            const real w = b.lambda - a.lambda;
            if (a.F > b.F) {
                if (lam < a.lambda + 0.5L * w) {
                    lam = a.lambda + 0.5L * w;
                } else if (lam > a.lambda + 0.9L * w) {
                    lam = a.lambda + 0.9L * w;
                }
            } else {
                if (lam < a.lambda + 0.1L * w) {
                    lam = a.lambda + 0.1L * w;
                } else if (lam > a.lambda + 0.5L * w) {
                    lam = a.lambda + 0.5L * w;
                }
            }
            evaluated c = trial(5, lam);
            done = c.done;
            last = testtrial(c.t, slope0, false, done);
            ok = last.ok;
            st.toomany = st.phasecount == maxphasetrials;
            if (st.toomany) ok = last.suff;
            if (tracing()) {
                char mark = ' ';
                if (c.t.slope < 0 && c.t.F > st.Fnewton) {
                    mark = bulletbyte;
                } else if (last.curv && last.suff) {
                    mark = 'g';
                } else if (last.curv) {
                    mark = 'p';
                } else if (last.suff) {
                    mark = 'f';
                } else if (done) {
                    mark = '*';
                }
                printsteptrace('b', mark, lam, c.t.slope, c.t.F);
            }
            if (ok || st.toomany) {
                accept(c.t, lambda);
            } else if (c.t.slope > 0 || (c.t.slope < 0 && c.t.F > a.F)) {
                b = c.t;
            } else {
                a = c.t;
            }
        } while (!ok && !st.toomany);
        if (!ok) code = 3;
    }

    const bool passed = (last.curv && last.suff) || done;
    if (passed) {
        st.notreduced = 0;
    } else {
        ++st.notreduced;
    }
    if (st.notreduced >= 3) code = 4;
    if (settings.debuglevel == 2) printsteptrace('*', passed ? ' ' : '#', lambda, st.slopeaccepted, st.Faccepted);
    return done;
}

bool nle(int16_t& status) {
    resetnlestate();
    nlestaterecord& st = nlestate;
    eq.nleiter = 0;
    eq.nleeval = 0;
    st.iteration = 0;
    st.tracecount = 0;
    if (!initialise()) {
        status = 9;
        if (st.nonfinite && settings.debuglevel >= 2 && settings.debuglevel <= 4) printoutcome(status);
        return false;
    }
    // the tests of the iterations (fn): a start that passes them needs no step
    if (st.maxestart <= settings.esize || std::sqrt(2 * st.Fstart) < settings.fsize) {
        status = 0;
        return true;
    }
    do {
        ++st.iteration;
        eq.nleiter = st.iteration;
        eq.nleeval = 1;
        st.overit = st.iteration > st.maxiterations;
        st.acceptedfailed = false;
        st.done = steplength(st.lambda, st.stepcode);
        st.stop = st.stepcode >= 1 || st.done;
        if (st.stepcode == 0 && !st.acceptedfailed) {
            int k = 0;
            for (int g = 1; g <= eq.nvar + eq.nxp; ++g)
                if (eq.calcvarfree[at(g)]) eq.varvalue[at(g)] -= st.lambda * st.dx[at(++k)];
        }
        if (settings.debuglevel == 3) printpoint();
    } while (!st.stop && !st.overit);
    if (st.nonfinite) {
        status = 9;
    } else if (st.esizeok || st.fsizeok || st.dxconverge) {
        status = 0;
    } else if (st.dxstop) {
        status = 1;
    } else if (st.overit) {
        status = 2;
    } else if (st.stepcode >= 1) {
        status = static_cast<int16_t>(st.stepcode + 2);
    } else {
        status = 10;
    }
    if (settings.debuglevel >= 2 && settings.debuglevel <= 4) printoutcome(status);
    return status == 0;
}

}  // namespace zt
