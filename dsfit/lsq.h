// Weighted least squares of the refinement's rows for the end-member enthalpies: by
// Householder QR of the weighted design matrix, or by Cholesky of the normal equations.
// Both leave theta, the covariance (unscaled) in the leading ntp x ntp block of xx,
// sigfitsq and the leverage of every row in hat. Both end the run before any result is
// reported when the rows leave an enthalpy undetermined (the same verdict from either) or
// are weighted too unevenly for the solver to keep the printed digits.
#pragma once

namespace zt {

void qr();
void choleski();
// The factor on the unscaled covariance: sigfitsq, or 1 when the fit has no degrees of
// freedom (no more rows than enthalpies), where sigfitsq measures no scatter.
long double fitvariancefactor();

}  // namespace zt
