// The search for all reactions among the working end-members that matter for the
// calculation: walked through component subsets, and within each through selections
// of end-members one more than the rank of what is possible there.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

constexpr int maxexcluded = 60;     // excluded assemblages
constexpr int maxinvpoints = 200;   // candidate invariant points
constexpr int maxindreactions = 24; // independent reactions of mode 2
constexpr int maxsetelements = 90;  // end-members a set90 can hold
constexpr int maxcomputedbeforeask = 400;

using emflags = std::array<bool, maxems + 1>;
using compflags = std::array<bool, maxcomps + 1>;

struct searchstate {
    int16_t navailems = 0, availrank = 0;
    int16_t nexpectedreac = 0;
    int16_t nsubsetreac = 0, nsubsetstart = 0, nsubsetwant = 0;
    std::array<set90, maxexcluded + 1> excludedsets{};
    int16_t nexcluded = 0;
    int16_t ninvpoints = 0;
    std::array<int16_t, maxinvpoints + 1> ninvreac{};
    std::vector<std::array<int16_t, maxems + 1>> invreactions =
        std::vector<std::array<int16_t, maxems + 1>>(maxinvpoints + 1);
    std::array<set90, maxinvpoints + 1> invsets{};
    bool reacincomplete = false, invincomplete = false, isrincomplete = false;
    bool narrowwindow = false;
    bool subsetmarked = false;
    bool setappended = false;     // the last reaction stored also stored its set
    int32_t ncomputed = 0;
    // Mode 2: the independence basis of the kept reactions, their precision limit and
    // the kind of average (0 P, 1 T); set by the mode-2 set-up.
    std::vector<std::array<int32_t, maxems + 1>> indbasis =
        std::vector<std::array<int32_t, maxems + 1>>(maxindreactions + 1);
    std::array<int16_t, maxindreactions + 1> indpivot{};
    real maxallowedsd = 0;
    int32_t rockcalctype = 0;
};
extern searchstate search;

// Everything back to its initial value.
void resetsearch();

// Mode 2: found when the expected number was reached or the user stopped; mode 3: found
// when neither the reaction nor the invariant-point limit was hit.
void calcre(bool& found);

// Marks the components of the subset and the end-members possible with them.
void possibleems(const std::array<int16_t, maxems + 1>& subset, int16_t size, compflags& compmask, int16_t& count,
                 emflags& emmask);
// Rank of the reaction components over the marked reaction end-members.
int16_t selrank(const emflags& emmask);
// Drops reactions (and the invariant points they belong to) that contain an omitted
// end-member or an excluded assemblage; final also writes every reaction text.
void compactreactions(bool final);

// The set90 of the marked end-members among 1..nrems.
set90 markedset(const emflags& marked);
bool setsmeet(const set90& a, const set90& b);

}  // namespace zt
