#include "numeric/methods/subsets.h"

#include "runtime/reporter.h"

namespace zt {

namespace {

void checkpositions(int16_t k, const char* routine) {
    if (k > maxems) bombout(routine, "more than 400 positions", 1);
}

void clearpositions(indexvector& v) {
    for (int i = 1; i <= maxems; ++i) v[i] = -1;
}

}  // namespace

void firstsubset(indexvector& v, int16_t k) {
    checkpositions(k, "firstsubset");
    clearpositions(v);
    if (k < 1) return;
    for (int i = 1; i < k; ++i) v[i] = static_cast<int16_t>(i);
    v[k] = static_cast<int16_t>(k - 1);
}

void nextsubset(indexvector& v, int16_t k, int16_t n, bool& more) {
    checkpositions(k, "nextsubset");
    more = false;
    if (k < 1) return;
    // compared before the store: a last value of 32767 would wrap and never end
    const int last = v[k] + 1;
    v[k] = static_cast<int16_t>(last);
    if (last <= n) {
        more = true;
        return;
    }
    if (k == 1) return;
    // "below its maximum" rather than "not at it": the same for every state the
    // enumeration makes, and no subsets at all when k exceeds n
    int j = k - 1;
    while (j >= 1 && v[j] >= n - k + j) --j;
    if (j < 1) return;
    v[j] = static_cast<int16_t>(v[j] + 1);
    for (int i = j + 1; i <= k; ++i) v[i] = static_cast<int16_t>(v[j] + (i - j));
    more = true;
}

void firstcounter(indexvector& v, int16_t k) {
    checkpositions(k, "firstcounter");
    clearpositions(v);
    if (k < 1) return;
    for (int i = 1; i < k; ++i) v[i] = 1;
    v[k] = 0;
}

void nextcounter(indexvector& v, const indexvector& limits, int16_t k, bool& more) {
    checkpositions(k, "nextcounter");
    more = false;
    if (k < 1) return;
    // a digit that cannot take even the value 1 leaves nothing to count
    for (int i = 1; i <= k; ++i)
        if (limits[i] < 1) return;
    const int last = v[k] + 1;
    v[k] = static_cast<int16_t>(last);
    if (last <= limits[k]) {
        more = true;
        return;
    }
    if (k == 1) return;
    int j = k - 1;
    while (j >= 1 && v[j] == limits[j]) --j;
    if (j < 1) return;
    v[j] = static_cast<int16_t>(v[j] + 1);
    for (int i = j + 1; i <= k; ++i) v[i] = 1;
    more = true;
}

}  // namespace zt
