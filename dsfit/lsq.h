// Weighted least squares of the refinement's rows for the end-member enthalpies: by
// Householder QR of the weighted design matrix, or by Cholesky of the normal equations.
// Both leave theta, the covariance (unscaled) in the leading ntp x ntp block of xx,
// sigfitsq and the leverage of every row in hat. Both end the run before any result is
// reported when the rows leave an enthalpy undetermined (the same verdict from either).
// Every number the run writes from the solve is held to its own last digit: where the
// solver's rounding may cost a digit the fit is done again in 113-bit reals, a number too
// large for its fixed decimals is written with the digits it holds, and the run ends only
// where even so a number would be written wrong, naming what in the rows makes it so.
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
// How far the fitted H of end-member j, and the covariance of end-members i and j as the
// dataset has it (scaled by fitvariancefactor), may lie from the exact fit of the rows.
// Without a solve: the last bits of the number alone.
long double enthalpyerror(int j);
long double covarianceerror(int i, int j);
// The bounds of the last solve no longer apply (its records were reset).
void forgetfitbounds();

}  // namespace zt
