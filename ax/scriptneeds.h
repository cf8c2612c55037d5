// PLACEHOLDER until the working set's header carries them: the default-uncertainty
// parameters of the end-member activities (sdaslope, sdamin, sdarelmin), which the a-x
// reader sets to 0. Switch to the working set's fields and delete this file once they
// appear there.
#pragma once

#include "runtime/types.h"

namespace zt {

struct axworkingsetplaceholder {
    real sdaslope = 0, sdamin = 0, sdarelmin = 0;
};
extern axworkingsetplaceholder axwsneeds;

}  // namespace zt
