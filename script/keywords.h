// The keyword handlers of the script, in four families, and the adjustments that bring
// the settings into agreement after the last line.
#pragma once

#include "script/scriptline.h"

namespace zt {

// One row of a keyword table: the keyword (or alias) and its handler.
struct handlerrow {
    const char* keyword;
    void (*handle)(const scriptline&);
};
// Runs the handler of the line's keyword among rows [first, last); false when none has it.
bool runhandler(const handlerrow* first, const handlerrow* last, const scriptline& line);

// Each returns false when the keyword is not one of its family.
bool switchkeyword(const scriptline& line);  // switches, levels and single values
bool windowkeyword(const scriptline& line);  // windows, lists, fluid and fixed activities
bool blockkeyword(const scriptline& line);   // phases, bulk composition and other blocks
bool batchkeyword(const scriptline& line);   // batches, Monte Carlo and filters

// After the last line, before anything else: the rows of the batches, then the check
// that the guess block of each is one the script gave. A guess block may come before or
// after its batch lines, so neither is judged at the batch line.
void finishbatches();

// After the whole script is read (and the file closed).
void scriptconsistency();

}  // namespace zt
