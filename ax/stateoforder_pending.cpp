// Stand-in until the state-of-order solve lands: phases without order variables are
// refused as the real routines refuse them; any other phase ends the run.
#include "ax/phaserecords.h"
#include "ax/stateoforder.h"
#include "runtime/reporter.h"

namespace zt {

bool findlegalq(int16_t k, bool, bool& badstart, real, real)
{
    badstart = false;
    if (!phases.prec1[static_cast<size_t>(k)].hasorder) bombout("findlegalq", "not an odd phase", 0);
    bombout("findlegalq", "state of order solve not built yet", 1);
}

bool calcq(int16_t k, real, real)
{
    if (!phases.prec1[static_cast<size_t>(k)].hasorder) bombout("calcq", "not an OD phase", 0);
    bombout("calcq", "state of order solve not built yet", 1);
}

}  // namespace zt
