// The preferences file "zt-prefs.txt".
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "runtime/textfile.h"
#include "runtime/types.h"

namespace zt {

// The preferences files: the run's, and the refinement's own.
inline const char* const prefsfilename = "zt-prefs.txt";
inline const char* const dsprefsfilename = "ds-prefs.txt";

struct prefsstate {
    bool monitorheap = false;
    str22 dssuffix;
    str22 scriptsuffix;
    int16_t prefscalcmode = -1;
    bool fromfile = false;  // read from zt-prefs.txt (not a refinement's folder without it)
};
extern prefsstate prefs;
void resetprefs();

void readprefs(const std::string& label);
// The problems of the preferences read: asks whether to stop over unrecognised keywords,
// and ends the run over missing mandatory ones. Apart from the reading, so that the run
// can note the files they name before it may end.
void checkprefs();
// A message re-flowed to console and log; the lines are the message's, in order.
void writenote(std::initializer_list<std::string> lines);
// Counts one missing mandatory keyword and gives its note number.
std::string nextnotenumber();
// The end of a keyword file's reading: asks whether to stop over counted problems, or
// ends the run with the given message over missing mandatory keywords.
void problemsummary(const std::string& missingmessage);

// The lines of an open keyword file up to its end mark (a first word beginning with
// "*"), blank lines skipped, each given to apply with its word count; closes the file.
void readkeywordfile(textfile& f, const std::function<void(const stringlist&, int16_t)>& apply);

void switchword(const stringlist& words, int16_t count, int32_t& sw, int16_t& used);
// A suffix keyword of a preferences file: kept unless the switch is 0 (yes); then empty for
// the keyword alone, else word 2, or word 3 when word 2 is "yes" (only "yes" is skipped).
void suffixword(const stringlist& words, int16_t count, int32_t sw, str22& suffix);

}  // namespace zt
