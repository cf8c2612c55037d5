// Gibbs-energy minimisation over the assemblages: the set-up before the enumeration and
// the summary after it. Called only while dogmin is on.
#pragma once

namespace zt {

void setupdogmin();
void dogminsummary();

}  // namespace zt
