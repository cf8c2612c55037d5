#include "ax/fluidphases.h"

#include "ax/axtokens.h"
#include "ax/phaserecords.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"

namespace zt {

fluidspeciesstate fluidtable;

namespace {

const char* const reservednames[] = {"H2O",   "CO2",    "CO",    "CH4",  "O2",    "H2",    "H2S",  "S2",    "H+",
                                     "Cl-",   "OH-",    "Na+",   "K+",   "Ca++",  "Mg++",  "Fe++", "Al+++", "CO3--",
                                     "AlOH3", "AlOH4-", "KOH",   "HCl",  "KCl",   "NaCl",  "CaCl2", "CaCl+", "MgCl2",
                                     "MgCl+", "FeCl2",  "HS-",   "HSO3-", "SO42-", "HSO4-", "aqSi"};

bool reserved(const str22& name) {
    for (const char* r : reservednames) {
        if (name == r) return true;
    }
    return false;
}

int16_t speciesindex(const str22& name) {
    for (int s = 1; s <= fluidtable.nfluidspecies; ++s) {
        if (fluidtable.fluidspecies[static_cast<size_t>(s)] == name) return static_cast<int16_t>(s);
    }
    return 0;
}

void setw(int i, int j, real w) {
    fluidtable.fluidw[static_cast<size_t>(i)][static_cast<size_t>(j)] = w;
    fluidtable.fluidw[static_cast<size_t>(j)][static_cast<size_t>(i)] = w;
}

void fillspeciestable() {
    resetfluidtable();
    fluidtable.nfluidspecies = maxfluidspecies;
    const char* const names[] = {"H2O", "CO2", "CH4", "CO", "H2", "O2", "H2S", "S2"};
    const real tcrit[] = {0, 0, 190.6L, 132.9L, 41.2L, 0, 373.2L, 259.6L};
    const real pcrit[] = {0, 0, 0.046L, 0.035L, 0.0211L, 0, 0.0893L, 0.08L};
    for (int s = 1; s <= maxfluidspecies; ++s) {
        fluidtable.fluidspecies[static_cast<size_t>(s)] = names[s - 1];
        fluidtable.fluidtcrit[static_cast<size_t>(s)] = tcrit[s - 1];
        fluidtable.fluidpcrit[static_cast<size_t>(s)] = pcrit[s - 1];
    }
    // 1 H2O, 2 CO2, 3 CH4, 4 CO, 5 H2, 6 O2, 7 H2S, 8 S2
    setw(1, 2, 10.5L);
    setw(1, 3, 17.5L);
    setw(1, 4, 16.8L);
    setw(1, 5, 14.9L);
    setw(1, 7, 6.7L);
    setw(1, 8, 13.0L);
    setw(2, 3, 0.6L);
    setw(2, 4, 1.2L);
    setw(2, 5, 2.2L);
    setw(2, 7, 0.045L);
    setw(2, 8, 1.0L);
    setw(3, 4, 0);
    setw(3, 5, 0.8L);
    setw(3, 7, 4.15L);
    setw(4, 5, 0.3L);
}

void allpairs(axphase& ph) {
    int16_t k = 0;
    for (int i = 1; i < ph.nem; ++i) {
        for (int j = i + 1; j <= ph.nem; ++j) {
            ++k;
            ph.gterm[static_cast<size_t>(k)] = gterm{k, static_cast<int16_t>(i), static_cast<int16_t>(j)};
        }
    }
    ph.ngterm = k;
}

void setupaqueous(axphase& ph) {
    if (ph.em[1].name != "H2O") bombout("read", "1st H2O-CO2 aq end-member must be \"H2O\"", 0);
    ph.model = 2;
    if (ph.co2em <= 0) return;
    if (ph.nem < 2 || ph.em[2].name != "CO2") bombout("read", "2nd H2O-CO2 aq end-member must be \"CO2\"", 0);
    if (ph.wa[1] != 0) bombout("read", "set W(H2O-CO2) = 0 (its value is then hard-wired)", 0);
    if (ph.ngterm >= maxws) bombout("read", "too many gterms in " + ph.shortname + maxtext(maxws), 0);
    for (int g = ph.ngterm; g >= 1; --g) ph.gterm[static_cast<size_t>(g + 1)] = ph.gterm[static_cast<size_t>(g)];
    ph.gterm[1] = gterm{1, 1, 2};
    ph.ngterm = static_cast<int16_t>(ph.ngterm + 1);
}

}  // namespace

void resetfluidtable() { fluidtable = fluidspeciesstate{}; }

void setupfluid() {
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        axphase& ph = phases.prec1[static_cast<size_t>(k)];
        ph.fluid = ph.shortname.compare(0, 5, "fluid") == 0;
        ph.aq = !ph.fluid && ph.shortname.compare(0, 2, "aq") == 0;
        ph.h2oem = 0;
        ph.co2em = 0;
        for (int j = 1; j <= ph.nem; ++j) {
            const str22& name = ph.em[static_cast<size_t>(j)].name;
            if (name == "H2O") ph.h2oem = static_cast<int16_t>(j);
            if (name == "CO2") ph.co2em = static_cast<int16_t>(j);
        }
        if (!ph.fluid && !ph.aq && ph.shortname.compare(0, 2, "fl") != 0) {
            for (int j = 1; j <= ph.nem; ++j) {
                const str22& name = ph.em[static_cast<size_t>(j)].name;
                if (reserved(name)) bombout("read", name + " not in fluid/aq", 0);
            }
        }
    }

    pd.fluidtype = 0;
    fillspeciestable();

    for (int k = 1; k <= phases.nsolnphases; ++k) {
        axphase& ph = phases.prec1[static_cast<size_t>(k)];
        for (int j = 1; j <= ph.nem; ++j) {
            axem& em = ph.em[static_cast<size_t>(j)];
            em.species = 0;
            if (ph.fluid) {
                const int16_t s = speciesindex(em.name);
                if (s == 0) bombout("read", "end-member name in fluid not recognised", 0);
                if (s == 6) bombout("read", "O2 not implemented in fluid coding", 0);
                em.species = s;
            } else if (ph.aq) {
                if (speciesindex(em.name) > 2) bombout("read", "fluid name in aq not just H2O and CO2", 0);
            }
        }
        if (ph.fluid) {
            ph.model = 2;
            allpairs(ph);
        } else if (ph.aq) {
            setupaqueous(ph);
        }
    }
}

}  // namespace zt
