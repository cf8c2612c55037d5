// The bulk composition of a pseudosection: which components belong to it, and the one
// bulk or the range of bulks to calculate.
#pragma once

namespace zt {

// Sets inbulk and nbulkcomps: components whose activity or potential is fixed leave it.
void setter();

// Checks the reference component of an rbi bulk.
void findkbpden();

// Turns the script's bulk or rbi block into bulk1, bulk2 and nbulks, and prints them.
void readcomps();

}  // namespace zt
