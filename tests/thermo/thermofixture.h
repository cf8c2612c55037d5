// Shared set-up of the dataset and working-set tests.
#pragma once

#include <filesystem>
#include <string>

#include "ax/phaserecords.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/heap.h"
#include "runtime/prefs.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/dataset.h"
#include "thermo/workingset.h"

namespace zt::testing {

// Every record the dataset reader and the working set use, reset and allocated; the
// console is the only open channel and a fatal report does not pause.
inline void resetthermo() {
    resetdatasetstate();
    ws.td.assign(maxems + 1, tdrecord{});
    ws.c.assign(maxcomps + 1, comprow{});
    ws.cov.assign(static_cast<size_t>(maxems + 1) * (maxems + 1), 0);
    resetworkingset();
    filloxidetable();
    resetchannels();
    channels.outchannels = 1;
    settings.autoexit = true;
    settings.oxidemodes = false;
    settings.nlna = 0;
    resetrunstate();
    run.calcmode = 1;
    resetprefs();
    reactions.nomitted = 0;
    pd.inbulk.fill(true);
    pd.nbulkcomps = 0;
    phases.nsolnphases = phases.npurephases = phases.nphases = 0;
}

inline void setworkingnames(std::initializer_list<const char*> names) {
    ws.nem = 0;
    for (const char* n : names) ws.emname[static_cast<size_t>(++ws.nem)] = n;
}

inline std::string thermodatafile(const std::string& name) {
    return (std::filesystem::path(__FILE__).parent_path() / "data" / name).string();
}

}  // namespace zt::testing
