// The reactions table shared by every calculation that works with reactions among
// working end-members.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

constexpr int maxreacsets = 600;     // end-member sets kept by the all-reaction search
constexpr int maxrxnweight = 500;

// One reaction: the signed coefficient of each working end-member 1..400.
using reaction = std::array<int16_t, maxems + 1>;

struct reactionstate {
    std::vector<reaction> r;                          // heap array "r": rows 1..150
    int16_t nreac = 0;
    std::array<int16_t, maxreactions + 1> rxnweight{};
    std::array<real, maxreactions + 1> reaclnk{};      // sum of nu ln a per reaction
    std::array<std::string, maxreactions + 1> reactiontext;
    int16_t reactiontextwidth = 0;                    // one more than the longest text
    std::array<set90, maxreacsets + 1> reacsets{};    // end-members of each found reaction
    int16_t nreacsets = 0;
    std::array<real, maxems + 1> emvarlna{};          // variance of ln a per working end-member
    std::array<int16_t, maxems + 1> omittedems{};
    int16_t nomitted = 0;
    int16_t var = 1;                                  // variance of the equilibria calculated
    bool allreactions = true;                         // mode 3 lists all reactions
};
extern reactionstate reactions;

}  // namespace zt
