// The runs of an experiment combined into one interval on its enthalpy of reaction.
#pragma once

namespace zt {

// Pair flags of record e's runs: a run pairs with the run before it when they went
// opposite ways at the same P (or T) and x(CO2), and that run ends no pair itself.
void dittobrackets(int e);
// The runs as read (a flip of an earlier iteration undone), dittobrackets, then the
// enthalpy each run needs (hreq) and its two-sigma sd2.
void bracketsd(int e);
// The combined bracket hlow..hhigh with its pair weight.
void combinebrackets(int e);
// The factor on the mean two-sigma of the limiting runs.
long double bracketfactor(long double e);

}  // namespace zt
