// Modes found after the solve from the mass balance of the bulk, the atoms per formula
// unit of each phase, the reaction among the phases of an assemblage, and the factor that
// rescales modes as if the zero-mode phases were absent.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "numeric/summary.h"
#include "phasediagram/loopstate.h"

namespace zt {

// Atoms per formula unit (all components, and bulk components only) of each phase taking
// part, in column order; returns their number. Entries past them are 1.
int16_t phaseatoms(const phaseflags& assemblage, phasereals& totalatoms, phasereals& bulkatoms);

// The modes of every bulk point by mass balance; false when no bulk point can be made.
bool calcmodesafternle(const phaseflags& assemblage, std::string& text, phasereals& bulkatoms, phasereals& totalatoms);

// The balanced reaction among the phases of the assemblage; n columns (0 when the last
// jacobian was rank deficient, text "####").
void assemblagereaction(const phaseflags& assemblage, namerow& names, realcoefs& coefs, std::string& text, int16_t& n);

// f = 1 / (1 - the modes of the zero-mode phases found among the summary phases), and a
// flag per summary phase that it is one.
void renormfactor(std::array<bool, maxphasesummaries + 1>& flags, real& factor);

}  // namespace zt
