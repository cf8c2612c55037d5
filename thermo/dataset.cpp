#include "thermo/dataset.h"

#include "runtime/words.h"

namespace zt {

datasetstate ds;

void resetdatasetstate() {
    ds.dsfilename.clear();
    ds.spswitch = false;
    ds.dsmode = 0;
    ds.oldds = false;
    ds.ntp = 0;
    for (str22& n : ds.dsnames) n.clear();
    ds.dstitle.clear();
    ds.emnox.fill(0);
    for (pairarray16& p : ds.emoxide) p.fill(0);
    for (pairarrayreal& p : ds.emoxamount) p.fill(0);
    ds.emnatoms.fill(0);
    ds.dspos.fill(0);
    ds.dsused.fill(false);
    ds.dsem.fill(0);
}

bool findindataset(const std::string& name, int16_t& i) {
    const std::string wanted = trimblanks(name);
    for (int16_t k = 1; k <= ds.ntp && k <= maxdsentries; ++k) {
        if (trimblanks(ds.dsnames[static_cast<size_t>(k)]) == wanted) {
            i = k;
            return true;
        }
    }
    i = 0;
    return false;
}

}  // namespace zt
