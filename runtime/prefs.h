// The preferences file "zt-prefs.txt".
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

struct prefsstate {
    bool monitorheap = false;
    str22 dssuffix;
    str22 scriptsuffix;
    int16_t prefscalcmode = -1;
};
extern prefsstate prefs;
void resetprefs();

void readprefs(const std::string& label);
void switchword(const stringlist& words, int16_t count, int32_t& sw, int16_t& used);

}  // namespace zt
