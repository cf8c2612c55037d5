// Building the working end-member set: its names, components and composition matrix,
// and looking up its end-members and phases by name.
#pragma once

#include "runtime/records/workingsetstate.h"

namespace zt {

// Every field but the heap arrays back to its initial value; the heap arrays, when
// allocated, are cleared.
void resetworkingset();

// Components of the system and the integer composition matrix from the compositions
// as read; rewrites those compositions in oxide terms when O is present.
void makeoxides();

// Drops components held by no end-member, and a component held by only one end-member
// together with that end-member, until nothing changes.
void clean();

// The first oxide-table entry whose formula or element is name, 0 when none.
int16_t findoxideentry(const str22& name);
// Atoms in one formula unit of a component (1 per component in oxide modes); a name that
// is no component ends the run in the routine given.
int16_t componentatoms(const str22& name, const std::string& routine);

// Working index of name, 0 when absent or omitted from the reaction search.
int16_t findem(const std::string& name);

void findspecialems();

// Looks name up among the first nsolnphases + npurephases entries of list; unless
// quiet, the user gets one chance to replace an unrecognised name.
bool checkname(str22& name, const phasenamelist& list, bool quiet, int16_t& index);

}  // namespace zt
