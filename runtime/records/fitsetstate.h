// The dataset refinement (mode 9): its preferences, end-member records, calorimetry and
// experiment records, and its least-squares system.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/records/tdrecord.h"
#include "runtime/types.h"

namespace zt {

// The refinement's preferences, read from "ds-prefs.txt". Switches: 0 yes, 1 no, 2 ask.
struct fitsetprefsrecord {
    str22 ztdssuffix;
    str22 xpsuffix;
    str22 emsuffix;
    str22 axsuffix;
    int16_t infolevel = 1;
    int32_t moreinputlines = 0;
    int32_t printomit = 0;
    int32_t mark456 = 1;
    int32_t userfac = 0;
    int32_t tighten = 1;
    int32_t useqr = 0;
};

constexpr int maxfitrows = 1200;     // least-squares rows, and experiment records
constexpr int maxoxcal = 200;        // oxide-calorimetry entries
constexpr int maxfitlist = 15;       // names, list entries and reaction terms of one entry
constexpr int maxfitpairs = 8;       // composition pairs of one end-member
constexpr int maxbrackets = 270;     // runs of one experiment
constexpr int maxfitphaseslots = 4;  // working phase slots ahead of the a-x phases
constexpr int fitcomments = 7;       // the H, S, V, heat-capacity, a0, K and extras lines

// Comment slots of a fitemrecord.
enum fitcommentline : int { cmH = 1, cmS, cmV, cmCp, cmA0, cmK, cmExtras };

// One end-member of the refinement, as read from the end-member file.
struct fitemrecord {
    str22 name;
    std::string name2;
    int16_t nsite = 0;
    int16_t npairs = 0;
    std::array<int16_t, maxfitpairs + 1> comp{};
    std::array<real, maxfitpairs + 1> amount{};
    real atoms = 0;
    int16_t code = 0;
    real H = 0, S = 0, V = 0;
    real cpa = 0, cpb = 0, cpc = 0, cpd = 0;
    real a0 = 0, k0 = 0, k0p = 0, k0pp = 0, theta = 0, dkdt = 0;
    real eina = 0, einb = 0;  // heat capacity of the Einstein layout
    real tlandau = 0, smax = -1, vmax = -1;
    real bwdh = 0, bwdhv = 0, bww = 0, bwwv = 0, bwfac = 1;
    int16_t bwn = 0;
    real aqfactor = 0;
    real xco2 = 0;
    std::array<std::string, fitcomments + 1> comment;
    real sdH = 0, extrascode = 0, sdS = 0;
    real calH = 0, calsd = 0;
    tdprepared prep;  // what gem needs of the record that P and T do not change, not a field
};

// One oxide-calorimetry entry.
struct oxcalrec {
    bool used = false;
    int16_t n = 0;
    std::array<int16_t, maxfitlist + 1> coef{};
    std::array<int16_t, maxfitlist + 1> em{};
    real hmeas = 0, sd = 0, t = 0, h298 = 0;
    int16_t row = 0;  // its least-squares row, 0 when it made none
};

// One experimental run.
struct bracketrec {
    std::array<real, maxfitlist + 1> xyz{};
    std::array<real, maxfitlist + 1> act{};
    bool sameP = false, sameT = false, hidden = false, dir = false;
    real p = 0, t = 0, xco2 = 0;
    real lnq = 0, hreq = 0, sd2 = 0;
    real tcalc = 0, pcalc = 0, tmiss = 0, pmiss = 0;
    // Its number among the runs as read: the records of a group hold the same runs, but
    // a flipped record holds each pair the other way round.
    int16_t run = 0;
};

// One experiment record: a reaction among end-members, or one reaction of a group.
struct fitexprec {
    bool used = false;
    int16_t expno = 0;
    bool hasphases = false, unknowncomps = false, guesscomps = false, show = false;
    bool flipped = false, ingroup = false;
    int16_t groupsize = 1, groupno = 1, variance = -1;
    int16_t nrx = 0;
    std::array<int16_t, maxfitlist + 1> rxem{}, rxcoef{}, rxpos{};
    int16_t nlist = 0;
    std::array<str22, maxfitlist + 1> listname;
    std::array<real, maxfitlist + 1> listact{};
    std::array<int16_t, maxfitlist + 1> listem{}, listphase{}, listphaseem{};
    real rfac = 1;
    std::string rxtext, label;
    bool nofluid = false, crd = false;
    int16_t nbr = 0;
    // Runs 1..nbr, grown as they are read (capacity maxbrackets, plus a scratch run).
    std::vector<bracketrec> brackets;
    real dh = 0, sddh = 0, hlow = 0, hhigh = 0, sdpair = 0, gap = 0, pairweight = 0;
    // Every run went the same way: no limiting run on one side, so no row.
    bool onesided = false;
};

struct fitsetstate {
    fitsetprefsrecord fitsetprefs;
    std::vector<fitemrecord> tda;                  // heap array "tda": 1..320
    std::vector<oxcalrec> oxcal;                   // heap array "oxcal": 1..200
    std::vector<fitexprec> xp;                     // heap array "xp": 1..1200
    // Least-squares work arrays, indexed from 1: rows 1..1200, end-members 1..320.
    std::vector<real> y, yy, theta, hat;           // 1..1200
    std::vector<real> xx;                          // [row][em], see fitat
    std::vector<int16_t> x;                        // [row][em]
    std::vector<uint8_t> b;                        // [row][em]: 1 when the end-member takes part
    std::array<real, maxfitrows + 1> rowsd{};
    // How far a row's y (in kJ) and sd (as a part of it) may be off from their exact
    // values by the arithmetic that made them (0: as read, exact but for their last bits).
    std::array<real, maxfitrows + 1> rowround{}, sdround{};
    int16_t nrows = 0, ndirect = 0, ncal = 0;
    int16_t ntpfit = 0;
    int16_t fititeration = 0;
    real sigfitsq = 0;
    int16_t noxcal = 0, nexp = 0;
    int16_t iexp = 1;
    bool fitreport = false;
    bool expcrdflag = false;
    real nseriesfail = 0;
    int16_t unconvcount = 0;
    std::string fitexpdesc;
    // Positions of special end-members in the list of the entry last indexed.
    int16_t ih2o = 0, ico2 = 0, icrd = 0, ifcrd = 0, io2 = 0, is2 = 0;
    int16_t nfitphases = 0;
    std::array<str22, maxsolnphases + 1> fitphasenames;
    // Least-squares row of the direct-calorimetry entry of each end-member, 0 none.
    std::array<int16_t, maxdsentries + 1> directrow{};
};
extern fitsetstate fit;

// Position of [row][em] in xx, x and b.
inline size_t fitat(int row, int em) { return static_cast<size_t>(row) * (maxdsentries + 1) + static_cast<size_t>(em); }

}  // namespace zt
