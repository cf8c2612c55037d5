#include "ax/phaserecords.h"

namespace zt {

phasestate phases;

// Each record is put back by assignment from one blank instance: no large temporary
// on the stack, and the strings keep their storage.

void resetaxexpr(axexpr& e) {
    static const axexpr blank{};
    e = blank;
}

void resetaxvar(axvar& v) {
    static const axvar blank{};
    v = blank;
}

void resetaxem(axem& e) {
    static const axem blank{};
    e = blank;
}

void resetaxphase(axphase& ph) {
    static const axphase blank{};
    ph = blank;
}

void resetemphaserec(emphaserec& ph) {
    static const emphaserec blank{};
    ph = blank;
}

void clearsolnphases() {
    for (size_t k = 1; k < phases.prec1.size(); ++k) {
        phases.prec1[k].shortname = "unset";
        phases.prec1[k].nem = 0;
    }
}

void clearpurephases() {
    for (size_t i = 1; i < phases.prec0.size(); ++i) {
        emphaserec& ph = phases.prec0[i];
        ph.name = "unset";
        ph.emname.clear();
        ph.activity = 1;
        ph.sd = 0;
        ph.nmake = 0;
    }
}

}  // namespace zt
