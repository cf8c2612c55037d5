// The independent set of reactions among the working end-members: an exact integer
// null space of the composition matrix, with the solver weights of its reactions.
#pragma once

namespace zt {

// Fills the reactions table from ws.c (ncomps x nem); found := nreac > 0. Quiet: no
// report of a missing set and no listing (for quantities derived silently).
void calcisr(bool& found, bool quiet = false);
// Solver weights of reactions 1..nreac from the site powers of the assemblage's
// solution-phase end-members; rows above nreac get 1.
void reactionweights();
// The composition matrix of the working end-members to the calculation-details file.
void writecompmatrix();

}  // namespace zt
