// Whether the line of a stored reaction enters the window of the current mode-3
// diagram, and on which side of it each window corner lies.
#pragma once

#include <array>
#include <cstdint>

namespace zt {

// sides[i] (i = 1..4): delta G < 0 at corner i.
using cornersides = std::array<bool, 5>;

bool inPTXwindow(int16_t k, cornersides& sides);
bool inPTwindow(int16_t k, cornersides& sides);
bool inPXwindow(int16_t k, cornersides& sides);
bool inTXwindow(int16_t k, cornersides& sides);
bool inPlnawindow(int16_t k, cornersides& sides);
bool inTlnawindow(int16_t k, cornersides& sides);

}  // namespace zt
