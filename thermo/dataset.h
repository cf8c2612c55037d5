// What the dataset reader learns of the dataset file, and the compositions it reads for
// the working end-members.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/capacities.h"
#include "runtime/textfile.h"
#include "runtime/types.h"

namespace zt {

constexpr int maxcomppairs = 8;  // composition pairs per end-member

struct datasetstate {
    textfile dsfile;
    str22 dsfilename;
    bool spswitch = false;   // Sterner-Pitzer fluid equations (generations 6 and 7)
    int16_t dsmode = 0;      // layout: -1 oldest, 5, 6, 7
    bool oldds = false;
    int16_t ntp = 0;
    std::array<str22, maxdsentries + 1> dsnames;
    std::string dstitle;

    // Composition as read, per working end-member.
    std::array<int16_t, maxems + 1> emnox{};
    std::array<std::array<int16_t, maxcomppairs + 1>, maxems + 1> emoxide{};
    std::array<std::array<real, maxcomppairs + 1>, maxems + 1> emoxamount{};
    std::array<real, maxems + 1> emnatoms{};
};
extern datasetstate ds;

}  // namespace zt
