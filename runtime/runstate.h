// The run state the main program fixes at start-up and the whole program tests.
#pragma once

#include <cstdint>

namespace zt {

struct runstate {
    int16_t calcmodecode = 0;
    int32_t calcmode = 0;  // 0 utilities, 1 phase diagrams, 2 avPT, 3 all reactions, 4 refinement
    int16_t runcount = 0;
    int32_t gemcount = 0;  // end-member Gibbs-energy evaluations
};
extern runstate run;
void resetrunstate();

}  // namespace zt
