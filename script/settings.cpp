#include "script/settings.h"

#include "runtime/records/datasetstate.h"
#include "runtime/records/phasediagramstate.h"

namespace zt {

runsettings settings;

void setscriptdefaults()
{
    static_cast<scriptsettings&>(settings) = scriptsettings{};
    settings.pwindow[1] = settings.pmin;
    settings.oxidemodes = ds.oldds;
    pd.massbalance = false;
    pd.lowvarpseudo = false;
}

void setinitialsettings()
{
    settings.pmin = 0.0009L;
    settings.xco2fluid = 0;
    settings.xh2ofluid = 0;
    settings.nlna = 0;
    settings.nmu = 0;
    for (size_t k = 1; k <= 6; ++k) {
        settings.lnanames[k].clear();
        settings.lnalabels[k].clear();
        settings.munames[k].clear();
        settings.lnavalues[k] = 10;
        settings.muvalues[k] = 0;
        settings.nlnalist[k] = 0;
        settings.nmulist[k] = 0;
    }
    settings.pdecimals = 3;
    settings.tdecimals = 2;
    settings.xco2decimals = 2;
    settings.lnadecimals = 2;
    settings.mudecimals = 1;
}

}  // namespace zt
