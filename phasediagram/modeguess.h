// Starting modes of an equilibrium with the modes among its unknowns.
#pragma once

namespace zt {

// varguess of the mode unknowns nvar+1..nvar+nxp: given and fixed modes kept (scaled
// where they overfill), the rest spread around an even share; they sum to 1.
void setmodeguess();

}  // namespace zt
