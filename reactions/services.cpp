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

}  // namespace zt
