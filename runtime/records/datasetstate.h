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

constexpr int maxcomppairs = 8;  // composition pairs per end-member in the file
constexpr int oxygenindex = 10;  // element index of O in the oxide table

// Pairs per end-member held in memory: the oxide conversion may append an O pair.
using pairarray16 = std::array<int16_t, maxcomppairs + 2>;
using pairarrayreal = std::array<real, maxcomppairs + 2>;

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
    std::array<pairarray16, maxems + 1> emoxide{};
    std::array<pairarrayreal, maxems + 1> emoxamount{};
    std::array<real, maxems + 1> emnatoms{};

    // Work arrays of one reading pass: dataset entry of each working end-member, and per
    // entry whether (and by which working end-member) it is used.
    std::array<int16_t, maxems + 1> dspos{};
    std::array<bool, maxdsentries + 1> dsused{};
    std::array<int16_t, maxdsentries + 1> dsem{};
};
extern datasetstate ds;

}  // namespace zt
