// The working end-member set: names, compositions as read, the composition matrix,
// property records and enthalpy covariances, all indexed by working end-member.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/records/tdrecord.h"
#include "runtime/types.h"
#include "runtime/zeroedmemory.h"

namespace zt {

// Composition matrix row: amount of one component in each working end-member 1..400.
using comprow = std::array<int16_t, maxems + 1>;

constexpr int maxphases = maxsolnphases + maxpurephases;  // solution phases, then pure ones

// A flag per phase, solution phases first.
using phaseflags = std::array<bool, maxphases + 1>;
// Phase names, solution phases first.
using phasenamelist = std::array<str22, maxphases + 1>;

struct workingsetstate {
    int16_t nem = 0;
    std::array<str22, maxems + 1> emname;
    int16_t nrems = 0;

    std::vector<comprow> c;                       // heap array "c": rows 1..26
    std::array<str22, maxcomps + 1> compnames;
    std::array<int32_t, maxcomps + 1> compdiv{};
    std::array<int16_t, maxcomps + 1> compatoms{};
    int16_t ncomps = 0, nrcomps = 0, nexcess = 0;
    int16_t ncompsall = 0, ncompsall2 = 0;        // counts once the made end-members are in

    std::array<int16_t, maxems + 1> nsite{};      // mixing sites per working end-member

    std::array<real, maxems + 1> emact{};         // activity a (not ln a)
    std::array<real, maxems + 1> emsda{};         // sd(a)

    // Special working indices, 0 when absent.
    int16_t ico2 = 0, ih2o = 0, iaqsi = 0, icrd = 0, ifcrd = 0, ilna = 0, imu = 0;
    int16_t aqsihydration = 4;                    // hydration number of aqueous silica

    // Default-uncertainty parameters of the end-member activities.
    real sdaslope = 0, sdamin = 0, sdarelmin = 0;

    std::vector<tdrecord> td;                     // heap array "td": 1..400
    zeroedreals cov;                              // heap array "cov": 400 x 400, see covat

    real& covat(int i, int j) { return cov[static_cast<size_t>(i) * (maxems + 1) + static_cast<size_t>(j)]; }
};
extern workingsetstate ws;

}  // namespace zt
