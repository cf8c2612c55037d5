#include "numeric/summary.h"

namespace zt {

summaryrecord summary;

void resetsummary() { summary = summaryrecord{}; }

}  // namespace zt
