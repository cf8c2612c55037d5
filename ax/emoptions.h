// Options after an end-member in the a-x file (DQF, make, check, exclude), the look-up
// of names in the dataset and the checks on charged species.
#pragma once

#include <cstdint>
#include <string>

#include "ax/phaserecords.h"

namespace zt {

// Option codes.
enum emoption : int16_t { optnone = 0, optdqf = 3, optmake = 4, optcheck = 5, optexclude = 7 };

// The option code of a word; dqfkind is set by the DQF words and left alone otherwise.
int16_t emoptioncode(const std::string& word, int16_t& dqfkind);

// A name missing from the dataset ends the run.
void checkindataset(const std::string& name);

// The options after the end-member of single-end-member phase ph.
void reademoptions(emphaserec& ph);

// The options after end-member em of solution phase ph.
void reademoptions(axem& em, const axphase& ph);

// The dataset and charge checks after the options; fills fields 18 and 19 of props.
void checkcharges(emphaserec& ph);
void checkcharges(axem& em, const axphase& ph);

}  // namespace zt
