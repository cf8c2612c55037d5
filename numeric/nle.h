// The nonlinear solver of the equilibrium equations: damped Newton steps from a singular
// value decomposition of the jacobian, limited so that every variable and site fraction
// stays legal, with a line search on F = 1/2 sum f^2.
#pragma once

#include <cstdint>

#include "runtime/records/equilibriumstate.h"
#include "numeric/residuals.h"
#include "runtime/types.h"

namespace zt {

// One trial of the line search: step length, F and dF/dlambda there.
struct steptrial {
    real lambda = 0, F = 0, slope = 0;
    bool failed = false;  // its evaluation failed and was tolerated
};

// State of one solve, shared by the solver's routines and meaningless between solves.
struct nlestaterecord {
    int16_t stepcode = 0;
    int16_t iteration = 0;
    int16_t phasecount = 0;
    int16_t nfree = 0;
    int16_t maxiterations = 25;
    int16_t notreduced = 0;
    int16_t tracecount = 0;
    bool stop = false, dxstop = false, dxconverge = false, overit = false;
    bool fsizeok = false, esizeok = false, done = false;
    bool toomany = false;       // the line search's trial limit was reached
    bool trialfailed = false;   // the last trial's evaluation failed and was tolerated
    bool nonfinite = false;     // an evaluation met a value that is not a finite number
    bool acceptedfailed = false;
    // J and f hold the evaluation at varvalue, so the next iteration starts from it.
    bool startevaluated = false;
    real evaluatedlambda = -1;  // step length of the last trial evaluated, -1 when it failed
    real Fnewton = 0, Faccepted = 0, lambda = 0, slopeaccepted = 0;
    real maxe = 0, maxdx = 0, Fstart = 0, maxestart = 0;
    mat90 J{};
    vec90 f{};
    vec90 dx{};
    int32_t access = 4;
};
extern nlestaterecord nlestate;

void resetnlestate();

// Solves the equilibrium from the point in eq.varvalue; true when converged (status 0).
// varvalue holds the last accepted point whatever the status.
bool nle(int16_t& status);

// Evaluates the residuals (and the jacobian) at x; false when the point is refused, or
// when a variable, residual or jacobian entry is not a finite number (nlestate.nonfinite
// then tells it: the solve ends with status 9, the status of a point that cannot be
// evaluated, whatever the debug level).
bool evalequations(const vec90& x, mat90& J, vec90& f);

// Opens an iteration: evaluation, decomposition, Newton step and its limit.
void startup(real& Fnewton, real& slope0, real& slim);

// The largest step length along -dx that keeps every bound, limit row and site fraction.
void findlimit(real& slim, int32_t& access);

// One line search; returns whether the last evaluation met a convergence or stop test.
bool steplength(real& lambda, int16_t& code);

// Evaluates the trial point x - lambda dx.
bool fn(int16_t kind, real lambda, real& F, real& slope);

// Stationary points of the cubic through two points with their slopes.
void cubicstep(real& r1, real& r2, real lambdaa, real Fa, real slopea, real lambdab, real Fb, real slopeb);

// The residual function the solver evaluates.
using residualfunction = bool (*)(vec90 x, mat90& J, vec90& f, bool withjacobian);
residualfunction currentresidualfunction();

// Tests only: the solver evaluates this function in place of nlefunc; nullptr returns to
// nlefunc.
void setresidualfunction(residualfunction fn);

}  // namespace zt
