// The heap monitor's running total and the oxide table of the start-up.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

struct heapstate {
    int32_t heaptotal = 0;
};
extern heapstate heap;

// The 26 components the program knows, k = 1..26 (the dataset's element index).
struct oxidetablestate {
    std::array<str22, maxcomps + 1> oxideelement;
    std::array<str22, maxcomps + 1> oxideformula;
    std::array<real, maxcomps + 1> oxidemass{};
    std::array<int16_t, maxcomps + 1> oxidecations{};
    std::array<int16_t, maxcomps + 1> oxideoxygens{};
    std::array<int16_t, maxcomps + 1> oxorder{};
};
extern oxidetablestate oxides;
void filloxidetable();

void noteallocated(const str22& name, int32_t size);
void notedisposed(const str22& name, int32_t size);

}  // namespace zt
