// Diagnostic tables of the equilibrium equations: the jacobian by column blocks, the
// residuals, variables, ln K and activities, the bulk reduction, the report of a refused
// point, the non-square report and the mode traces.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/records/equilibriumstate.h"

namespace zt {

// part 0 writes the reaction rows, the mass-balance rows and the mode columns; 1 the
// last two, 2 the mode columns only.
void printmatrixtable(const std::string& title, const mat90& J, int16_t part, int16_t digits, bool fixed,
                      wordset channelset);
void projc();
void residualtable(const vec90& f);
// x plain.
void variablestable(const vec90& x);
void lnktable();
void activitytable();
void failureblock(const vec90& x);
// Console report and tables of an equation count that differs from the free variables.
void nonsquarereport(const vec90& x, const vec90& f, const mat90& J, int nv, int freemodes);
// Mode lines before (x scaled) and after (x plain) un-scaling.
void modetracepre(const vec90& x);
void modetraceun(const vec90& x);

}  // namespace zt
