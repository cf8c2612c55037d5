// Fixed activities and fixed chemical potentials of a mode-1 run, and the listing of
// the activities that are not 1.
#pragma once

#include <cstdint>

namespace zt {

// Activities and their sd for the working end-members; lists the non-unit ones.
void printacts();

// One pure pseudo-phase per fixed chemical potential, present in every assemblage.
void setupmu();

// The chemical-potential range of mu entry i, and its list of values.
void getmurange(int16_t i);

// The pure phases of fixed activity become required.
void setuplna();

}  // namespace zt
