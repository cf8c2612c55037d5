// Results of the current equilibrium, phase by phase and for the whole system. The
// cross-references fill the phase headers, the activities and the phase properties the
// thermodynamic values; the result extraction of the calculation modes fills the rest.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ax/phaserecords.h"
#include "runtime/capacities.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/types.h"

namespace zt {

// Value rows of a phase hold one entry per whole-system row, so that every row the
// system arrays can hold has its mode and amount.
using sysrowreals = std::array<real, maxsysrows + 1>;

struct phasesummary {
    str22 name;
    bool included = false;  // false for a phase that stands for a fixed ln a or mu
    bool fluid = false, aq = false;
    int16_t phaseno = 0;
    int16_t firstvar = 0;
    int16_t nem = 0;
    std::array<str22, maxphasevars + 1> varnames;
    std::array<real, maxphasevars + 1> varvalues{};
    int16_t nsf = 0;
    std::array<str22, maxsf + 1> sfnames;
    std::array<real, maxsf + 1> sfvalues{};
    std::array<std::string, maxphaseems + 1> emlines;  // up to 255 characters each
    std::array<real, maxcomps + 1> oxcomp{};           // per summary component
    // Per end-member.
    std::array<real, maxphaseems + 1> ideal{}, gamma{}, activity{}, prop{}, emg{}, rtlna{};
    // Per system row: the mode (element 1 the shown mode, -1 when not included) and the
    // conversion factor per atom/per formula unit, which is the phase's amount: formula
    // units of the phase per mole of the bulk for a mode of 1.
    sysrowreals mode{}, convfactor{};
    real G = 0, S = 0, V = 0, H = 0, rho = 0;
};

struct summaryrecord {
    int16_t var = 0, ovar = 0;
    int16_t sumnphases = 0;
    real pequil = 0;  // kbar
    real tequil = 0;  // K
    int16_t nbulks = 0;
    int16_t bulkpoint = 0;
    int16_t ncomps = 0;
    std::array<str22, maxcomps + 1> compnames;
    std::array<bool, maxcomps + 1> inbulk{};
    // Bulk rows as fractions of the bulk components, and the bulk position per system row.
    std::array<std::array<real, maxcomps + 1>, maxsysrows + 1> bulkrows{};
    sysrowreals bulkpos{};
    std::array<phasesummary, maxphasesummaries + 1> sumphases;
    // Whole-system rows; their count is pd.nsysrows.
    int16_t sysfirstrow = 0;
    sysrowreals sysg{}, sysh{}, syss{}, sysv{}, sysrho{};
};
extern summaryrecord summary;

void resetsummary();

}  // namespace zt
