// Average pressure at one temperature, or average temperature at one pressure, by
// generalised least squares over the lines of the reactions, with diagnostics.
#pragma once

#include <array>
#include <cstdint>

#include "numeric/methods/svd.h"
#include "reactions/avptables.h"

namespace zt {

// Where each reaction's line lies at the fixed variable: first and second root and the
// derivative of delta G by the solved variable at each; single when the second root is
// outside the window.
struct avprootstate {
    avvector x1{}, x2{}, d1{}, d2{};
    std::array<bool, maxavreactions + 1> single{};
};
extern avprootstate avroots;

// What the diagnostic estimate found. Data j = 1..ne are the enthalpies of the used
// end-members, ne + 1..2 ne their ln a; the *d fields are the results with the
// uncertainty of datum j doubled.
struct avpdiagstate {
    bool done = false;
    int16_t ne = 0;
    std::array<int16_t, maxems + 1> used{};  // working numbers of the used end-members
    real est = 0, sd = 0, sigfit = 0, chi2 = 0;
    std::array<real, maxsvd + 1> e{}, hat{}, estd{}, sdd{}, sigfitd{};
};
extern avpdiagstate avdiag;

void resetavpcalc();

// The 95% limit of sigfit for n reactions.
real sigfitlimit(int n);

// From the roots in avroots (reactions 1..nreac, all first roots in the window): the
// root choice, the weights and the estimate. tref is the temperature of R T ln a; start
// the value the second roots are judged against. With diagnose set, the estimate is
// written out datum by datum and its table printed.
void avpsolve(real v, real tref, real start, const emvalues& varlna, bool diagnose, real& est, real& sd,
              real& sigfit);

// Average P at temperature v (K), or average T at pressure v (kbar), by rockcalctype;
// est 0 (with sigfit 100) when a reaction has no root in the window. Unless quiet, the
// middle point of the list gets the diagnostic table.
void avpcalc(real v, real xco2, real xh2o, bool quiet, real& est, real& sd, real& sigfit);

}  // namespace zt
