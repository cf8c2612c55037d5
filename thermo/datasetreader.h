// The dataset file reader: header and names, compositions of the working end-members,
// and their properties and enthalpy covariances.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

// The dataset file that "dsfile <suffix>" names in the preferences.
std::string datasetfilename(const str22& suffix);
// Whether the reader takes a dataset file of this name: the character after "zt-ds" is
// the dataset's generation, 5, 6 or 7.
bool datasetgenerationok(const std::string& filename);

// 1: open the file, check the header, read the names and the title.
// 2: compositions of the working end-members and the composition matrix.
// anything else (3): properties, compositions and covariances; closes the file.
void readthermo(int16_t code);

// The parts of readthermo, in the order it calls them.
void setuptextread();
void makep();
void readdscomps();
void texthermoread();
void readcovariance();

}  // namespace zt
