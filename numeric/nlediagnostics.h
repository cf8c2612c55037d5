// What the solver writes about itself: trace lines, points, starting guesses, outcome
// lines, and the checks of the jacobian against forward differences.
#pragma once

#include <cstdint>

#include "runtime/records/equilibriumstate.h"
#include "runtime/types.h"

namespace zt {

// Plain value of variable g of the current point: free variables are held scaled.
real plainvalue(int16_t g);

void printtraceheader();
void printsteptrace(char kind, char mark, real lambda, real slope, real F);
void printpoint();
void printstartingguesses();

// The console lines of a starting point that cannot be evaluated; withheading adds
// the "illegal start" line with the batch and Monte Carlo counts.
void printillegalstart(bool withheading);

// The closing lines of a solve at the trace levels 2 to 4.
void printoutcome(int16_t status);

// Compares J at the point x with forward differences and reports the entries that differ;
// f is restored, J keeps the analytic values.
void jacobian(const vec90& x, mat90& J, vec90& f);

// Replaces the columns of J by forward differences at x; f is restored.
void makefdjacobian(const vec90& x, mat90& J, vec90& f);

}  // namespace zt
