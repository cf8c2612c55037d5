// Weighted least squares of the refinement's rows for the end-member enthalpies: by
// Householder QR of the weighted design matrix, or by Cholesky of the normal equations.
// Both leave theta, the covariance (unscaled) in the leading ntp x ntp block of xx,
// sigfitsq and the leverage of every row in hat. Both end the run before any result is
// reported when the rows leave an enthalpy undetermined (the same verdict from either) or
// when the solver would lose digits that the report or the new dataset holds, saying
// whether the rows' uneven weights or the rows themselves make it so.
#pragma once

namespace zt {

struct fitexprec;

void qr();
void choleski();
// The factor on the unscaled covariance: sigfitsq, or 1 when the fit has no degrees of
// freedom (no more rows than enthalpies), where sigfitsq measures no scatter.
long double fitvariancefactor();
// The unscaled variance of the record's enthalpy of reaction, from the factor of the last
// solve, which keeps its digits however loosely its end-members are known one by one.
long double reactionvariance(const fitexprec& r);

}  // namespace zt
