#include "script/settings.h"

namespace zt {

runsettings settings;

void setscriptdefaults() {
    const real pmin = settings.pmin;
    settings = runsettings{};
    settings.pmin = pmin;
}

void setinitialsettings() { settings.pmin = 0.0009; }

}  // namespace zt
