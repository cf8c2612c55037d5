// Stand-ins until the residual equations and their tables are built.
#include <string>

#include "numeric/equilibriumstate.h"
#include "runtime/reporter.h"

namespace zt {

bool nlefunc(vec90, mat90&, vec90&, bool) { bombout("nlefunc", "residual equations not available", 1); }

void printmatrixtable(const std::string&, const mat90&, int16_t, int16_t, bool, wordset) {}

}  // namespace zt
