// Output channels: one writer sends each line to a set of channels (console and files);
// table rows are built field by field in shared line buffers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/capacities.h"
#include "runtime/textfile.h"
#include "runtime/types.h"

namespace zt {

// Channel bits (value 2^bit).
enum channelbit : int {
    chconsole = 0,
    chreserved = 1,
    chsummary = 2,  // outfile
    chlog = 3,      // logfile
    chic = 4,       // icfile: calculation details
    chit = 5,       // itfile: a-x information
    chql = 6,       // qlfile: drawing data
    chcsv = 7,      // csvfile
    chcsv2 = 8,     // csv2file
    chps = 9,       // psfile: never opened
    chsvg = 10      // svgsfile
};
constexpr int nchannelbits = 11;

struct channelstate {
    wordset outchannels = 0;
    std::array<bool, nchannelbits> fileused{};    // bits 4..10
    std::array<textfile, nchannelbits> files;     // bits 2..10
    int16_t pagewidth = 80;
    bool dontwrap = true;
    std::string linebuf, linebuf2, linebuf3, linebuf4;
    std::array<std::string, maxmsglines + 1> msglines;  // 1..12
};
extern channelstate channels;

// For tests and start-up: puts every field back to its initial value; open files are
// closed without erasing.
void resetchannels();

// The handle name of a file channel ("outfile", "logfile", ...).
std::string channelhandlename(int bit);

void putstr(int16_t before, const std::string& text, int16_t after, wordset channelset);
void flushall();
void addfield(const std::string& text, int16_t width, std::string& line);
// The text of a number as a field: as addfield, but a text that fills or overflows a
// column (width not 0) gets one blank before it where it would touch the line's last
// character, so that a number of any size stays apart from its neighbour.
void addnumber(const std::string& text, int16_t width, std::string& line);
void addreal(int16_t digits, bool fixed, int16_t width, real x, std::string& line);
void addwhole(int16_t width, std::string& line, real x);
// x in plain fixed notation with that many decimals, as a column.
void addfixed(int16_t decimals, int16_t width, real x, std::string& line);
// x with that many decimals as decimalstostr writes it, as a column.
void adddecimals(int16_t decimals, int16_t width, real x, std::string& line);
void formattext(std::array<std::string, maxmsglines + 1>& lines);

}  // namespace zt
