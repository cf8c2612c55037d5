// The machine-read outputs of each solved point: the drawing-data ("-ql") file in the
// drawing program's form or as bracketed lists, and the two csv tables.
#pragma once

#include "phasediagram/loopstate.h"

namespace zt {

void writeqllabels(const loopstate& ls);
void printfluidx(const loopstate& ls);
void writelistrow();
void writemodelist(const loopstate& ls);
void writecsvrows(const loopstate& ls);

}  // namespace zt
