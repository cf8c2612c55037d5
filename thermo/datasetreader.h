// The dataset file reader: header and names, compositions of the working end-members,
// and their properties and enthalpy covariances.
#pragma once

#include <cstdint>

namespace zt {

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
