// The a-x file as a stream of tokens with one token of look-ahead, the raw-line
// blocks (header and verbatim) and the splitting of phase names at "_".
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

constexpr int maxheaderlines = 600;
constexpr int maxheaderlen = 120;
constexpr int maxrawlinelen = 150;

// Lives for one reading of the a-x file (the shared input file runfiles.datafile).
struct axtokenstate {
    stringlist words;      // the current line
    int16_t nwords = 0;
    int16_t pos = 0;       // position of the last word taken from the line
    str22 token;           // the current token
    int32_t kind = 0;
    str22 nexttoken;       // the look-ahead
    int32_t nextkind = 0;
    bool endflag = false;  // an end line was met, or the look-ahead ran out
};
extern axtokenstate axtok;

// The a-x file's header block, kept for the printing of models.
struct axheaderstate {
    int16_t nheaderlines = 0;
    std::array<std::string, maxheaderlines + 1> headerlines;  // 1..600
};
extern axheaderstate axheader;

void resetaxtokens();
void resetaxheader();

// The ordinal word of n ("1st", "2nd", "3rd", "4th", ...).
std::string ordinalword(int n);

// " (max = n) ", the tail of every message that names a limit.
std::string maxtext(int n);

// Reads up to the first line with words and makes its first word the look-ahead;
// a file with no word ends the run.
void openaxtokens();

// Takes the look-ahead as the current token and reads the next look-ahead.
void nextaxtoken(const std::string& context);

// The current token as a name (kind 4 only).
str22 readname(int32_t kind, const str22& token, const std::string& context);

// One raw line of a block; endofblock at the closing "head..."/"verb..." line.
void readline(bool& endofblock, std::string& line);

// The header block, when the look-ahead is "header"; consumes that word.
void readheaderblock();

// The verbatim block of solution phase ph (look-ahead "verbatim"); consumes that word.
struct axphase;
void readverbatimblock(axphase& ph);

// Splits a name at its first "_" (empty suffix) or imposes suffix on it.
void long2shortpname(str22& longname, str22& shortname, str22& suffix);

}  // namespace zt
