// Fixed capacities of the program, in one place.
#pragma once

namespace zt {

constexpr int maxtextlen = 255;     // line and text buffers
constexpr int maxrowlen = 250;      // table rows before the overflow mark
constexpr int maxwordlen = 22;      // str22
constexpr int maxwords = 400;       // words per line
constexpr int maxems = 400;         // working end-members
constexpr int maxdsentries = 320;   // dataset entries
constexpr int maxsolnphases = 80;   // solution phases
constexpr int maxpurephases = 400;  // single-end-member phases
constexpr int maxphasecount = 400;  // phases of one a-x reading, samecoding copies included
constexpr int maxcomps = 26;        // system components
constexpr int maxreactions = 150;   // reaction rows
constexpr int maxavreactions = 24;  // reactions of an average P or T calculation
constexpr int maxvars = 90;         // equilibrium variables
constexpr int maxlist = 201;        // values per list
constexpr int maxlinevalues = 40;   // values per script line
constexpr int maxmsglines = 12;     // lines of a re-flowed message
constexpr int maxphasesummaries = 15;
constexpr int maxsortlist = 5000;   // lists of shellsort and findmedian

}  // namespace zt
