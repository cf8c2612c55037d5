// The machine-read outputs of each solved point: the drawing-data ("-ql") file in the
// drawing program's form or as bracketed lists, and the two csv tables.
#pragma once

#include <cstdint>
#include <string>

#include "phasediagram/loopstate.h"

namespace zt {

// A drawing-data line of any length.
void qlline(int16_t before, const std::string& text, int16_t after);

// Text straight to a csv file (channel bit chcsv or chcsv2), which is marked used.
void writecsv(int bit, const std::string& text);
void flushcsv(int bit);

void writeqllabels(const loopstate& ls);
void printfluidx(const loopstate& ls);
void writelistrow();
void writemodelist(const loopstate& ls);
void writecsvrows(const loopstate& ls);

}  // namespace zt
