#include "reactions/services.h"

namespace zt {

reactionstate reactions;

void resetreactions() {
    std::vector<reaction> rows;
    rows.swap(reactions.r);
    reactions = reactionstate{};
    for (reaction& row : rows) row.fill(0);
    reactions.r.swap(rows);
}

// The mode-2 calculations are not built yet: a repetition does nothing.
void rocksetup() {}
void rockcalcs() {}

}  // namespace zt
