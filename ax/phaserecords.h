// Phase records of the a-x models: single-end-member phases (prec0) and solution
// phases (prec1).
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

struct emphaserec {
};

struct axphase {
};

struct phasestate {
    std::vector<emphaserec> prec0;  // heap array "prec0": 1..400
    std::vector<axphase> prec1;     // heap array "prec1": 1..80
    int16_t npurephases = 0;
    int16_t nsolnphases = 0;
    int16_t nphases = 0;
};
extern phasestate phases;

}  // namespace zt
