// Compositions of the end-members of the chosen phases, made ones included, and their
// atom counts over the bulk components.
#pragma once

namespace zt {

// Gives every phase end-member its composition and rebuilds the composition matrix
// with one column per phase end-member, in phase order.
void makeemc();

// Atoms (or oxides with oxide-based modes) per formula unit of every phase end-member,
// counted over the bulk components.
void countcomp();

}  // namespace zt
