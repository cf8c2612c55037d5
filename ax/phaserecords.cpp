#include "ax/phaserecords.h"

#include <algorithm>
#include <vector>

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

void takesolnrecords(int n) {
    std::vector<axphase>& recs = phases.prec1;
    const size_t want = static_cast<size_t>(std::max(n, 0)) + 1;
    if (recs.size() >= want) return;
    // Growing within the capacity keeps every record where it is.
    if (recs.capacity() < want) recs.reserve(std::max(want, static_cast<size_t>(maxsolnphases + 1)));
    const size_t from = std::max<size_t>(recs.size(), 1);
    recs.resize(want);
    for (size_t k = from; k < want; ++k) recs[k].shortname = "unset";
}

void takepurerecords(int n) {
    std::vector<emphaserec>& recs = phases.prec0;
    const size_t want = static_cast<size_t>(std::max(n, 0)) + 1;
    if (recs.size() >= want) return;
    if (recs.capacity() < want) recs.reserve(std::max(want, static_cast<size_t>(maxpurephases + 1)));
    recs.resize(want);
}

void notephasestaken() {
    takesolnrecords(phases.nsolnphases);
    takepurerecords(phases.npurephases);
    phases.prec1reached = std::max(phases.prec1reached, phases.nsolnphases);
    phases.prec0reached = std::max(phases.prec0reached, phases.npurephases);
}

namespace {

// How many records from 1 up may differ from blank "unset" ones.
size_t recordstoclean(size_t size, bool lastisclean, int16_t reached, int16_t count) {
    const size_t last = size == 0 ? 0 : size - 1;
    if (!lastisclean) return last;
    return std::min(last, static_cast<size_t>(std::max<int16_t>({reached, count, 0})));
}

}  // namespace

void cleanphaserecords(bool purephases) {
    const size_t n1 = recordstoclean(phases.prec1.size(), phases.prec1.size() > 1 && phases.prec1.back().shortname == "unset",
                                     phases.prec1reached, phases.nsolnphases);
    for (size_t k = 1; k <= n1; ++k) {
        resetaxphase(phases.prec1[k]);
        phases.prec1[k].shortname = "unset";
    }
    phases.prec1reached = 0;
    if (!purephases) return;
    const size_t n0 = recordstoclean(phases.prec0.size(), phases.prec0.size() > 1 && phases.prec0.back().name == "unset",
                                     phases.prec0reached, phases.npurephases);
    for (size_t i = 1; i <= n0; ++i) {
        emphaserec& ph = phases.prec0[i];
        resetemphaserec(ph);
        ph.name = "unset";
    }
    phases.prec0reached = 0;
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
