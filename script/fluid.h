// The fluid of a calculation: x(CO2) and x(H2O) of an H2O-CO2 fluid, or fixed
// activities of H2O and CO2 when no fluid phase is present.
#pragma once

#include <string>

namespace zt {

// Sets xco2fluid and xh2ofluid from the script or the console (and maybe fluidtype 6).
void promptfluid();

// Appends the fluid condition to a table heading; nothing when both values are 0.
void fluidlabel(std::string& line);

}  // namespace zt
