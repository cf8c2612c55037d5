// Property records and enthalpy covariances of the phase end-members, made ones
// included: a made end-member is its DQF plus a weighted sum of dataset end-members.
#pragma once

namespace zt {

// Gives every phase end-member its props and covariance row, and rebuilds cov (and the
// site counts) over the phase end-members in phase order; nem := their number.
void makeems();

}  // namespace zt
