// The start-up allocation of every subsystem's named heap arrays, the initial values of
// the run, and the release of the arrays at the end.
#pragma once

namespace zt {

void initglobals();
void freeglobals();

}  // namespace zt
