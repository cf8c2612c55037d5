// How P and T enter a mode-1 calculation: the windows and lists by variance, the
// starting P and T, and the scaling of P and T for the solver.
#pragma once

namespace zt {

void nlewindows();

// Starting P and T in the calculation ranges (moved to a script guess that lies in them).
void ptstart();

// Scale and offset that map the calculation ranges, widened, onto 0..1.
void ptscaling();

}  // namespace zt
