// Thermodynamic properties of the phases of a solved equilibrium and of the whole
// system: G, H, S, V and density from the end-members' chemical potentials.
#pragma once

#include <array>
#include <cstdint>

#include "numeric/crossrefs.h"
#include "numeric/phaseactivities.h"

namespace zt {

using bulkmap = std::array<int16_t, maxcomps + 1>;

// For each bulk component, its entry in the oxide table (by formula or by element).
void makemw2c(bulkmap& map);

// G and mu = G + RT ln a of every working end-member at (P, T); x plain.
void calcmuem(const phaseselection& selected, const vec90& x, emreal400& G, real P, real T, real xco2, real xh2o,
              emreal400& mu);

// x plain; fills the property fields of the summary phases and the system rows.
void calcgphase(const phaseselection& selected, const vec90& x, real P, real T, real xco2, real xh2o);

}  // namespace zt
