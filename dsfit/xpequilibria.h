// The Gibbs energy of an experiment's reaction at its runs, and the temperature or
// pressure that puts a run onto the reaction.
#pragma once

#include <cstdint>

#include "ax/activities.h"
#include "ax/axeval.h"
#include "runtime/records/fitsetstate.h"
#include "runtime/types.h"

namespace zt {

constexpr real fitgasconstant = 0.0083144L;

// G of record e's reaction at x(CO2), T (K) and P (kbar), without the activity term.
real reactiondg(int e, real xco2, real T, real P);
// g (with R T lnq), dg/dT and dg/dP at run k of record e.
void reactiondgderiv(int e, int k, real& g, real& gt, bool wantT, real& gp, bool wantP);
// The T (P) at which the reaction holds at the other conditions of run k, with the
// misfit from the record's sddh; false (t or p 0, miss 0) when the iteration fails.
bool solvet(int e, int k, real& t, real& miss);
bool solvep(int e, int k, real& p, real& miss);
// Activities of the end-members of solution phase k at composition x.
void setvarsorder(int16_t phase, const axvector& x, emreals& a, real T, real P);
// The run of record r numbered id (as read), looked for first at position k; nullptr
// when r has no such run.
bracketrec* runnumbered(fitexprec& r, int16_t id, int k);
// Activities of the list of record e at its run k, the states of order solved at the
// run's T and P in the working set that setupfitcomps(e) laid; in a group the other
// records get the same activities at that run.
void calcxpa(int e, int k);

}  // namespace zt
