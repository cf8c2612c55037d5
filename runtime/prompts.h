// Console prompts and line input.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/capacities.h"
#include "runtime/textfile.h"
#include "runtime/types.h"

namespace zt {

using listreals = std::array<real, maxlist + 1>;  // 1..201

void prstrings(stringlist& words, int16_t& count);
void promptstrings(const std::string& prompt, stringlist& words, int16_t& count);
// As promptstrings; also gives the typed line (backspaces applied), whose words are not cut.
void promptline(const std::string& prompt, std::string& typed, stringlist& words, int16_t& count);
void promptword(const std::string& prompt, str22& word);
void promptreal(const std::string& prompt, real& x);
void promptinteger(const std::string& prompt, int16_t& n);
// n = 0: as many as typed; n is capped at the list's capacity.
void promptreals(const std::string& prompt, listreals& values, int16_t& n);
bool query(const std::string& question);
// A "hit return" pause asked as a question: end of input continues instead of failing.
void pausequery(const std::string& question);
void promptcontrol(const std::string& question, int32_t& sw);
void rstrings(textfile& f, stringlist& words, int16_t& count);
void readwords(textfile& f, stringlist& words, int16_t& count, bool strip);

}  // namespace zt
