// The equilibrium of an experiment among phases, calculated with the equilibrium solver
// at each of its runs: its working end-member and phase set, the solve, and the rows of
// its table.
#pragma once

#include <cstdint>

namespace zt {

// Working set of group experiment e: its single end-members as single phases, its
// solution phases copied into the working slots, their compositions and td rows.
void setupfitcomps(int e);
// Equilibria of group experiment e at all its runs; mode 2 univariant (P or T solved),
// 3 divariant (P and T fixed). print: the reactions and one row per run (summary, log).
void calcass(int e, int16_t mode, bool print);
// The row of run k of experiment e just solved by calcass.
void printbrrow(int e, int k, int16_t mode);

}  // namespace zt
