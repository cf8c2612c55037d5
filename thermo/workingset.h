// The working end-member set: names, compositions as read, the composition matrix,
// property records and enthalpy covariances, all indexed by working end-member.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"
#include "thermo/tdrecord.h"

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
    std::vector<real> cov;                        // heap array "cov": 400 x 400, see covat

    real& covat(int i, int j) { return cov[static_cast<size_t>(i) * (maxems + 1) + static_cast<size_t>(j)]; }
};
extern workingsetstate ws;

// Every field but the heap arrays back to its initial value; the heap arrays, when
// allocated, are cleared.
void resetworkingset();

// The names of the end-members the chosen phases need from the dataset: the plain
// end-members of the kept phases, then the constituents of their made ones. Omitted
// phases are dropped from the phase records.
void makename(const phaseflags& omit);

// Components of the system and the integer composition matrix from the compositions
// as read; rewrites those compositions in oxide terms when O is present.
void makeoxides();

// Drops components held by no end-member, and a component held by only one end-member
// together with that end-member, until nothing changes.
void clean();

// The first oxide-table entry whose formula or element is name, 0 when none.
int16_t findoxideentry(const str22& name);
// Atoms in one formula unit of a component (1 per component in oxide modes); a name that
// is no component ends the run in the routine given.
int16_t componentatoms(const str22& name, const std::string& routine);

// Working index of name, 0 when absent or omitted from the reaction search.
int16_t findem(const std::string& name);

void findspecialems();

// Looks name up among the first nsolnphases + npurephases entries of list; unless
// quiet, the user gets one chance to replace an unrecognised name.
bool checkname(str22& name, const phasenamelist& list, bool quiet, int16_t& index);

}  // namespace zt
