// One logical line of the script as the keyword handlers see it: its words, its switch,
// and the value arrays of its value words.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

// Value arrays of the current script line (1..40); entries beyond ninfo are cleared.
struct scriptinfostate {
    int16_t ninfo = 0;
    std::array<int32_t, maxlinevalues + 1> infokind{};  // 0 none, 1 integer, 2 real, 3 rational, 4 word
    std::array<real, maxlinevalues + 1> inforeal{};
    std::array<int16_t, maxlinevalues + 1> infoint{};
    std::array<str22, maxlinevalues + 1> infoword;
};
extern scriptinfostate scriptinfo;
void resetscriptinfo();

// Value word i of the current line: its kind, real and text; whether it is a number.
int32_t valuekind(int i);
real valuereal(int i);
const str22& valueword(int i);
bool isvaluenumber(int i);
// Whether value word i was taken as an integer. An integer word of 32767 or more in
// magnitude is held only as a real, and its integer, 0, is a value nobody typed.
bool isvalueint(int i);
// The integer of value word i; a word isvalueint refuses ends the run as an internal error,
// so that no handler stores that 0.
int16_t valueint(int i);

// A logical line: words[1] is the keyword, words[used+1..count] the value words.
struct scriptline {
    const stringlist& words;
    int16_t count;
    int32_t sw;    // 0 yes, 1 no, 2 ask
    int16_t used;  // leading words taken by the keyword and its switch word
    str22 keyword;
    int16_t valuewords() const { return static_cast<int16_t>(count - used); }
};

// Fills the value arrays from words used+1 .. used+ninfo (ninfo set by the caller).
void storeinfo(const str22& keyword, const stringlist& words, int16_t count, int16_t used);
// Drops the first n value words; nothing changes when n >= ninfo.
void shiftinfo(int16_t n);

// A block or list counter: from its starting state to 1, or up by 1.
void nextrow(int16_t& counter, int16_t startstate = -1);

// A value problem: its message line; under strictscripting the run ends with the strict
// message, otherwise the closing line follows and the problem is counted.
void scriptvalueproblem(const str22& keyword, const std::string& message, const std::string& strictmessage,
                        const std::string& closing);

// Ends the run when a script table would pass its capacity.
void checktablespace(const str22& keyword, int count, int limit, const std::string& what);

// The word between double-quote characters.
std::string inquotes(const std::string& word);

// Rounded to the nearest whole number, ties to the even one.
real roundeven(real x);

}  // namespace zt
