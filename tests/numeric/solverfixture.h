// Shared set-up of the solver tests: the solver evaluates a residual function written in
// the test, in the plain values of the variables, and every evaluation is recorded.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/methods/svd.h"
#include "numeric/nle.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/runopen.h"
#include "script/settings.h"
#include "support/testsupport.h"

namespace zt::solvertest {

using realvec = std::vector<real>;
using realmat = std::vector<realvec>;

// Residuals f and their derivatives dfdx[j][i] = d f_j / d x_i in plain values of the
// compositional variables x_i (i = 0.. for variables 3..); false refuses the point.
using plainresiduals = std::function<bool(const realvec& x, realvec& f, realmat& dfdx)>;

struct variable {
    std::string name;
    real value;           // plain
    real low = -1, high = 1;  // plain range mapped onto 0..1
    bool free = true;
    int32_t lowkind = 1, highkind = 1;
    real tol = 1e-6L;
};

struct evaluation {
    realvec x;  // plain values of the compositional variables
    bool withjacobian;
    int16_t iter, eval;
};

inline plainresiduals scripted;
inline std::vector<evaluation> evaluations;

// The solver's view: scaled variables in, jacobian with respect to the scaled free ones out.
inline bool evaluatescripted(vec90 x, mat90& J, vec90& f, bool withjacobian) {
    const int n = eq.nvar + eq.nxp - 2;
    realvec plain(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const size_t g = static_cast<size_t>(i + 3);
        plain[static_cast<size_t>(i)] = eq.calcvarfree[g] ? (x[g] - eq.calcvaroffset[g]) / eq.calcvarscale[g] : x[g];
    }
    evaluations.push_back({plain, withjacobian, eq.nleiter, eq.nleeval});
    realvec fv(static_cast<size_t>(n), 0);
    realmat d(static_cast<size_t>(n), realvec(static_cast<size_t>(n), 0));
    if (!scripted(plain, fv, d)) return false;
    int neqs = 0;
    for (int i = 0; i < n; ++i)
        if (eq.calcvarfree[static_cast<size_t>(i + 3)]) ++neqs;
    for (int j = 0; j < neqs; ++j) {
        f[static_cast<size_t>(j + 1)] = fv[static_cast<size_t>(j)];
        if (!withjacobian) continue;
        int column = 0;
        for (int i = 0; i < n; ++i) {
            const size_t g = static_cast<size_t>(i + 3);
            if (!eq.calcvarfree[g]) continue;
            J[static_cast<size_t>(j + 1)][static_cast<size_t>(++column)] =
                d[static_cast<size_t>(j)][static_cast<size_t>(i)] / eq.calcvarscale[g];
        }
    }
    return true;
}

// P and T held fixed, then the given compositional variables; no modes.
inline void setvariables(const std::vector<variable>& vars) {
    eq.nvar = static_cast<int16_t>(2 + vars.size());
    eq.nxp = 0;
    eq.calcvarnames[1] = "P(kbar)";
    eq.calcvarnames[2] = std::string("T(") + '\xA1' + "C)";
    eq.varvalue[1] = 10;
    eq.varvalue[2] = 873.15L;
    eq.calcvarscale[1] = eq.calcvarscale[2] = 1;
    for (size_t i = 0; i < vars.size(); ++i) {
        const variable& v = vars[i];
        const size_t g = i + 3;
        eq.calcvarnames[g] = v.name;
        eq.calcvarscale[g] = 1 / (v.high - v.low);
        eq.calcvaroffset[g] = -v.low / (v.high - v.low);
        eq.calcvarfree[g] = v.free;
        eq.calcvarlowkind[g] = v.lowkind;
        eq.calcvarhighkind[g] = v.highkind;
        eq.calcvartol[g] = v.tol;
        eq.varvalue[g] = v.free ? eq.calcvarscale[g] * v.value + eq.calcvaroffset[g] : v.value;
    }
}

inline real plain(int g) {
    const size_t i = static_cast<size_t>(g);
    return eq.calcvarfree[i] ? (eq.varvalue[i] - eq.calcvaroffset[i]) / eq.calcvarscale[i] : eq.varvalue[i];
}

// One unknown x, residual f(x) with derivative reported as dfactor times the true one.
inline plainresiduals onevariable(std::function<real(real)> f, std::function<real(real)> dfdx, real dfactor = 1) {
    return [f, dfdx, dfactor](const realvec& x, realvec& fv, realmat& d) {
        fv[0] = f(x[0]);
        d[0][0] = dfactor * dfdx(x[0]);
        return true;
    };
}

class SolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetchannels();
        channels.outchannels = wordset(1) << chconsole;
        channels.pagewidth = 250;  // whole table rows on the console
        static_cast<scriptsettings&>(settings) = scriptsettings{};
        settings.autoexit = true;
        settings.mcrunlimit = 1;
        pd = phasediagramstate{};
        eq = equilibriumstate{};
        runopening.macheps = std::ldexp(1.0L, -64);
        resetnlestate();
        resetsvd();
        evaluations.clear();
        setresidualfunction(&evaluatescripted);
    }
    void TearDown() override { setresidualfunction(nullptr); }

    testing::consolecapture console;
};

}  // namespace zt::solvertest
