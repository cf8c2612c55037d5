// Cleaning and resetting the phase records of the a-x models.
#pragma once

#include "runtime/records/phasestate.h"

namespace zt {

// Records the counts of phases taken, for the next cleaning, and makes sure the records
// up to the counts exist.
void notephasestaken();
// The solution-phase array holds records 1..n at least. It is allocated for every
// phase once, but a record (about a megabyte) is built only when a run takes it: a new
// one is blank and "unset", as a cleaned one is.
void takesolnrecords(int n);
// The same for the single-end-member phases; a new record is blank, as at the start.
void takepurerecords(int n);
// Before each reading of the a-x file: every solution phase (and, outside the
// refinement, every single-end-member phase) blank and "unset", cleaning only the
// records a reading can have written since the last cleaning.
void cleanphaserecords(bool purephases);

// Each puts every field back to its initial value, in place.
void resetaxexpr(axexpr& e);
void resetaxvar(axvar& v);
void resetaxem(axem& e);
void resetaxphase(axphase& ph);
void resetemphaserec(emphaserec& ph);

// Before each reading of the a-x file: every solution phase "unset" with no
// end-members; outside the dataset fit, every single-end-member phase "unset" with
// activity 1, sd 0 and no make.
void clearsolnphases();
void clearpurephases();

}  // namespace zt
