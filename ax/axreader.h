// Reading the a-x file: the entry setupphases, the file's top level and the phases of
// a single end-member.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/types.h"
#include "script/settings.h"

namespace zt {

constexpr int maxbuffers = 5;

struct axreaderstate {
    real defaultsdw = 2.0L;  // sd of a W the file gives none for
    int16_t nbuffers = 0;
    std::array<str22, maxbuffers + 1> bufferlist;      // phases whose end-member is "buffer"
    std::array<std::string, 4> runinfo;                // the three banner lines, 1..3
    int16_t progresscount = 0;                         // characters on the progress line
    int16_t nscriptgroups = 0;                         // samecoding groups the script gave
    std::array<int16_t, maxsamecodinggroups + 1> samesource{};  // source phase of each group
};
extern axreaderstate axreader;

void resetaxreader();

// Reads the a-x file into the phase records, reconciles them with the script and
// prepares the variable limits; ends the run on any fault of the file.
void setupphases();

// The parts of setupphases, in the order it calls them.
void resetphaserecords();
void openaxfile();
void readphases();
void readpurephase(const str22& name);
void endofreading();
void closeaxfile();

}  // namespace zt
