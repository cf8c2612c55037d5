// Bringing the phase models and the script together: the with list, samecoding
// copies, the excess and tozero lists, and the script's starting guesses.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace zt {

// "all" in the with list becomes every phase of the file.
void expandwithlist();

// Samecoding groups and copies, the with list resolved, the excess and tozero lists
// checked, and (without batches) the starting guesses applied.
void reconcilephases();

// The parts of reconcilephases, in the order it calls them.
void mergesamecodings();
void checkcodingtwoguesses();
void makesamecodingcopies();
void resolvewithlist();
void checkexcesslists();
void applyguesses(int16_t k);

// Whether a solution phase of this short or written name is in the with list.
bool inwithlist(const str22& shortname, const str22& writtenname);

}  // namespace zt
