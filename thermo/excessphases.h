// Phases in excess: the fluid of a reaction calculation, the end-member of a log a
// axis, and the projection of the working set from the phases present everywhere.
#pragma once

namespace zt {

// Once, at the end of the mode-3 set-up: settles the fluid and the phases in excess
// and projects the working set from them (they and their components move to the end).
void inexcess();

}  // namespace zt
