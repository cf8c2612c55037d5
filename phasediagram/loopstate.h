// The state of one call of the calculation loop, shared by every per-point routine.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/records/equilibriumstate.h"
#include "numeric/methods/subsets.h"
#include "phasediagram/phasereaction.h"
#include "runtime/types.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

// Per phase taking part (in column order), entries past the phases 1.
using phasereals = std::array<real, maxvars + 1>;

// Calculated points of one Monte Carlo run: every point of every batch.
constexpr int maxmcslots = maxbatches * maxbatchpt;

// One calculated point of the current run, as the accumulated results write it.
struct mcslot {
    int16_t batch = 0, point = 0;
    int16_t nvar = 0, nxp = 0;
    bool success = false;
    real p = 0, t = 0;  // kbar, K
    vec90 vars{};       // 3..nvar + nxp, zero past them
    real g = 0, h = 0, s = 0, v = 0, rho = 0;
    std::string reaction;  // empty when there is none
};

struct loopstate {
    phaseflags assemblage{};
    int16_t status = 0;  // the solver's code, or 8 when a mode lies outside 0..1
    bool solved = false, inwindow = false, success = false, extractok = false;
    bool reactionwanted = false, projwanted = false, fulloutput = false;
    bool mcsuccess = false;
    bool anyoutside = false;  // some point of the batch solved but lay outside its window or modes
    bool firstrun = false, firstbatch = false;
    int16_t runlo = 0, runhi = 0;  // run number 10000 runhi + runlo
    int16_t batchpoint = 0, nsuccesses = 0, calccode = 0;
    int16_t nloops = 0;
    indexvector looplimits{}, loopcounter{};
    int16_t nresults = 0;

    // The solve's copy of the unknowns, modes normalised over the phases without a zero mode.
    vec90 xcopy{};
    // Atoms per formula unit of each phase taking part, over all and over the bulk components.
    phasereals totalatoms{}, bulkatoms{};
    // The reaction among the phases of the assemblage.
    namerow reacnames;
    realcoefs reaccoefs{};
    std::string reactiontext;
    int16_t nreaccols = 0;
    real ah2o = 1;
    real muo = 0;  // the last mu(O) of the modal table

    // Monte Carlo: per mc entry its parameter before any perturbation and its value in
    // this run; per mcrange its draw in this run.
    std::array<real, maxmcentries + 1> mcbase{}, mcrunvalue{};
    std::array<real, maxmcentries + 1> mcrangedraw{};
    int16_t ngaussdraws = 0;

    // The points of the current run (on the heap: the record often lives on the stack)
    // and the state of the results list.
    std::vector<mcslot> slots = std::vector<mcslot>(maxmcslots + 1);
    int16_t nslots = 0;
    bool resultsstarted = false;  // " results = {" written
    bool resultsopen = false;     // and its closing not yet
    bool resultspending = false;  // the last entry written still waits for its separator or the closing
};

}  // namespace zt
