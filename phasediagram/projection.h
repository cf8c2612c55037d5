// Projection of phase and bulk compositions onto a compatibility diagram.
#pragma once

namespace zt {

// The apices of the projection plane.
void readprojplane();

}  // namespace zt
