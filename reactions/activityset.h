// The working set of reaction calculations: the end-members of the chosen phases with
// fixed activities and their uncertainties, and the default uncertainty model.
#pragma once

namespace zt {

// Chooses the phases, builds their end-members with properties and covariances, reports
// their activities, and leaves exactly those end-members in the working set, in phase order.
void extractem();

// Parameters of the default uncertainty model; flag false also says they cannot be reset.
void defaultuncertainty(bool flag);

// sd(a) of every working end-member from the default model.
void activitysd();

}  // namespace zt
