// The dataset file written by the refinement, and its end-member file in the new layout.
#pragma once

#include <string>

namespace zt {

void writedsfile();
void writeemifile();
// A kept line comment without its braces or leading "% ".
std::string stripbraces(const std::string& text);

}  // namespace zt
