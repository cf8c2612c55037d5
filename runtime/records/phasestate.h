// Phase records of the a-x models: single-end-member phases (prec0) and solution
// phases (prec1). Plain data: every reader reaches the fields directly.
//
// All arrays are indexed from 1 (element 0 unused). The records are large (an axphase
// is about a megabyte): pass them by reference, never copy them in a hot path.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/records/tdrecord.h"
#include "runtime/types.h"

namespace zt {

// Capacities of the phase records.
constexpr int maxaxterms = 24;      // terms of an expression
constexpr int maxaxfactors = 4;     // factors of a term
constexpr int maxaxitems = 12;      // items of a factor
constexpr int maxphaseems = 15;     // end-members of a solution phase
constexpr int maxphasevars = 14;    // compositional variables of a solution phase
constexpr int maxtmf = 15;          // ideal-mixing terms of an end-member
constexpr int maxmake = 6;          // constituents of a made end-member
constexpr int maxws = 105;          // interaction energies, 15 x 14 / 2
constexpr int maxsf = 30;           // site fractions
constexpr int maxverbatim = 100;    // lines of a verbatim block
constexpr int maxverbatimlen = 150; // characters of a verbatim line
constexpr int maxsame = 6;          // "samecoding" names
constexpr int maxlimrows = 22;      // variable-limit rows
constexpr int maxvarnames = 26;     // names in a variable's formula

// One factor: c0num/c0den + sum over items of (num/den) x_itemvar.
struct axfactor {
    int16_t c0num = 0, c0den = 1;
    int16_t nitems = 0;
    std::array<int16_t, maxaxitems + 1> num{};
    std::array<int16_t, maxaxitems + 1> den{};
    std::array<int16_t, maxaxitems + 1> itemvar{};
};

struct axterm {
    real coef = 1;  // a term with coefficient 0 is skipped by the evaluator
    int16_t nfactors = 0;
    std::array<axfactor, maxaxfactors + 1> factor;
};

// A polynomial in the compositional variables of one phase.
struct axexpr {
    int16_t nterms = 0;
    std::array<axterm, maxaxterms + 1> term;
};

struct axvar {
    str22 name;         // with the phase's short name: x(g)
    str22 writtenname;  // as in the file: x(g_a)
    real value = 0;
    real sd = 0;
    axexpr numexpr, denexpr;  // a variable defined by formula
    int16_t nworknames = 0, nnumnames = 0, ndennames = 0;
    std::array<str22, maxvarnames + 1> worknames;
    std::array<str22, maxvarnames + 1> numnames;
    std::array<str22, maxvarnames + 1> dennames;
    std::array<int16_t, maxvarnames + 1> numnameindex{};  // filled after reading
    std::array<int16_t, maxvarnames + 1> dennameindex{};
    real lower = 0, upper = 1;
    real filelower = 11, fileupper = -11;  // 11 and -11: no range given
    bool isorder = false;
    real scale = 1, offset = 0, tol = 0.0001L;
    int32_t lowerkind = 1, upperkind = 1;  // 1 inclusive, 4 set from a site fraction
    bool fixed = false;
    int16_t isovalue = 0;
};

// Ideal-mixing term: site fraction sfindex raised to pownum/powden.
struct tmfterm {
    int16_t sfindex = 0, pownum = 1, powden = 1;
};

// Constituent actions of a make.
enum makeactions : int32_t { actequilibrium = 0, actdisordered = 1, actordered = 2, actnood = 3, actnone = 4 };

struct axem {
    str22 name;
    real tmfconst = 1;
    bool tmfrational = false;
    int16_t ntmf = 0;
    std::array<tmfterm, maxtmf + 1> tmf;
    int16_t nmake = 0;  // 0: an end-member of the dataset
    int16_t makedivisor = 1;
    std::array<str22, maxmake + 1> makeemname;
    std::array<int16_t, maxmake + 1> makecoef{};
    std::array<int32_t, maxmake + 1> makeaction{};
    std::array<int16_t, maxmake + 1> makeindex{};
    int16_t xdivisor = 0;
    std::array<int16_t, maxphasevars + 1> xnum{};
    std::array<int16_t, maxcomps + 1> comp{};
    real bulkatoms = 0;
    real dqfa = 0, dqfb = 0, dqfc = 0;
    int16_t dqfkind = -1;
    std::array<bool, 4> dqfvaried{};
    tdrecord props;
    std::array<real, maxems + 1> cov{};
    int16_t maxpower = 1;
    int16_t species = 0;
    bool excluded = false;
};

// One interaction pair.
struct gterm {
    int16_t wi = 0, emi = 0, emj = 0;
};

using limrow = std::array<int16_t, maxphaseems + 1>;

struct axphase {
    str22 shortname, longname, fullname, suffix;
    str22 sourceshort, sourcelong, sourcefull;
    std::array<str22, maxsame + 1> sameshort;
    std::array<str22, maxsame + 1> samefull;
    int16_t nsame = 0;
    int16_t coding = 0;
    real oxygens = 0;
    int16_t nem = 0;
    bool isomode = false;
    int16_t isomodevalue = 0;
    std::array<int16_t, maxcomps + 1> comp{};
    real bulkatoms = 0;
    int16_t nverbatim = 0;
    std::array<std::string, maxverbatim + 1> verbatim;  // up to 150 characters each
    bool noverbatim = false;
    std::array<axem, maxphaseems + 1> em;
    int32_t model = 0;  // 0 ideal, 1 symmetric, 2 asymmetric
    int16_t ngterm = 0;
    std::array<zt::gterm, maxws + 1> gterm;  // the pairs (1,2), (1,3) .. (n-1,n)
    std::array<axexpr, maxphaseems + 1> p;
    int16_t nw = 0;
    std::array<real, maxws + 1> wa{}, wb{}, wc{};
    std::array<str22, maxws + 1> wname;
    std::array<real, maxws + 1> sdw{};
    std::array<bool, maxws + 1> wnosd{};
    std::array<real, maxphaseems + 1> vla{}, vlb{}, vlc{};
    int16_t nsf = 0;
    std::array<str22, maxsf + 1> sfname;
    std::array<axexpr, maxsf + 1> sf;
    int16_t nvars = 0;
    std::array<axvar, maxphasevars + 1> vars;
    int16_t nzerovars = 0;
    std::array<std::string, maxphaseems + 1> zerovarnames;  // up to 255 characters each
    int16_t nlimrows = 0;
    std::array<limrow, maxlimrows + 1> limrownum{};
    std::array<limrow, maxlimrows + 1> limrowden{};
    std::array<bool, maxsf + 1> sfbound{};
    bool simplesf = false;
    real modeparam1 = 0.6666667L, modeparam2 = 0.1666667L;
    real modestart = -1;
    bool contracted = false;
    int16_t nemfile = 0;
    int16_t nvarsguess = 0;
    std::array<bool, maxphaseems + 1> empresent{};
    std::array<bool, maxphasevars + 1> varnonzero{};
    std::array<str22, maxphaseems + 1> guessname;
    bool hasorder = false;
    bool fluid = false, aq = false;
    int16_t h2oem = 0, co2em = 0;
    bool hascolour = false;
    std::array<int16_t, 4> colour{};
    bool guessesfromscript = false;
};

struct emphaserec {
    str22 name, name2;
    str22 emname;  // "buffer" marks a buffer phase
    bool isomode = false;
    int16_t isomodevalue = 0;
    std::array<int16_t, maxcomps + 1> comp{};
    real bulkatoms = 0;
    int16_t dqfkind = -1;
    real dqfa = 0, dqfb = 0, dqfc = 0;
    tdrecord props;  // fields 18 and 19: charge counts of a charged compound
    real activity = 1;
    real sd = 0;
    int16_t nmake = 0;
    int16_t makedivisor = 1;
    std::array<str22, maxmake + 1> makeemname;
    std::array<int16_t, maxmake + 1> makecoef{};
    std::array<int32_t, maxmake + 1> makeaction{};
    std::array<int16_t, maxmake + 1> makeindex{};
    std::array<real, maxems + 1> cov{};  // the made end-member's covariance row
    real modeparam1 = 0.6666667L, modeparam2 = 0.1666667L;
    real modestart = -1;
    bool hascolour = false;
    std::array<int16_t, 4> colour{};
};

struct phasestate {
    std::vector<emphaserec> prec0;  // heap array "prec0": 1..400
    std::vector<axphase> prec1;     // heap array "prec1": 1..80
    int16_t npurephases = 0;
    int16_t nsolnphases = 0;
    int16_t nphases = 0;

    // What the next reading must clean: the records taken since the last cleaning (the
    // most of each kind a reading reached). Arrays whose last record is not "unset"
    // (newly allocated ones) are cleaned whole.
    int16_t prec1reached = 0, prec0reached = 0;
};
extern phasestate phases;

}  // namespace zt
