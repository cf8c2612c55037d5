// Runs ended by a signal while outputs are held back in memory.
#pragma once

#include <string>

namespace zt {

// Until the name is unguarded, a signal that ends the run (interrupt, quit, hang-up,
// termination) first removes it, so that a file left by an earlier run does not pass for
// this run's; the run then ends by the signal as it would have. Removing a name writes
// through no link. Signals the run was started to ignore stay ignored.
void guardheldname(const std::string& name);
// The name is no longer the run's to remove: created, dropped, or found to be an input.
void unguardname(const std::string& name);
void unguardheld();

}  // namespace zt
