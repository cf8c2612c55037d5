// The run settings: the program-wide values the script sets and every calculation reads.
//
// `scriptsettings` holds every setting that goes back to its default before each reading
// of the script (its member initialisers are those defaults); `runsettings` adds the
// values that keep theirs across readings (the lowest pressure, the calculation ranges,
// the fixed-activity lists and print decimals of the start-up) and the tables that the
// block keywords fill. Tables keep their old entries; nothing reads past their counters.
//
// Switches are 32-bit: 0 yes, 1 no, 2 ask. Pairs of reals (windows and ranges) are
// 1-based: [1] low, [2] high.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/capacities.h"
#include "runtime/ondemandtable.h"
#include "runtime/types.h"

namespace zt {

// Table capacities of the script.
constexpr int maxwithnames = 400;
constexpr int maxexcesslist = 20;        // excesslist and tozeronames
constexpr int maxrgbentries = 400;
constexpr int maxbulkoxides = 80;        // names of the bulk or rbi header
constexpr int maxbulkcomps = 26;         // amounts of a bulk composition
constexpr int maxrbilines = 80;
constexpr int maxprojoxides = 8;         // oxides of the projection plane and apices
constexpr int maxisrnames = 40;
constexpr int maxisrrows = 24;
constexpr int maxconvliqrows = 15;
constexpr int maxconvliqcols = 20;
constexpr int maxsamecodinggroups = 16;
constexpr int maxsamecodingitems = 8;
constexpr int maxxyzguesses = 200;
constexpr int maxmodeguesses = 88;
constexpr int maxlnanames = 400;
constexpr int maxlnavalues = 12;
constexpr int maxmuvalues = 8;
constexpr int maxmunames = 400;
constexpr int maxbatches = 99;
constexpr int maxbatchpt = 10;           // P-T points of one batch
constexpr int maxfilters = 30;           // filters of one P-T point
constexpr int maxguessblocks = 99;       // batchxyzguess blocks
constexpr int maxblockguesses = 200;     // guesses of one block
constexpr int maxbatchreqrows = 100;
constexpr int maxbatchbulkrows = 150;
constexpr int maxbatchbulkcomps = 27;
constexpr int maxmcentries = 150;
constexpr int maxmcterms = 20;
constexpr int maxmcphases = 20;

// One isopleth of the isopleth and mode-isopleth keywords.
struct isoplethentry {
    str22 name;
    real low = 0, high = 0, step = 0;
};

// One filter of a batch P-T point; temperatures in K.
struct filterrec {
    str22 name;
    int16_t code = 0;
    real low = 0, high = 0;
};

// One batch of the batch keyword.
struct batchrec {
    std::array<uint8_t, maxwithnames + 1> phaseflags{};     // by position in withnames
    int16_t variance = 0;
    std::array<uint8_t, maxbatchbulkcomps + 1> compflags{};  // by bulk component
    int16_t ncompflags = 0;
    int16_t np = 0, nt = 0;
    std::array<real, maxbatchpt + 1> pressures{};            // kbar
    std::array<real, maxbatchpt + 1> temperatures{};         // K
    int16_t npt = 0;
    std::array<int16_t, maxbatchpt + 1> nfilters{};          // per P-T point
    std::array<std::array<filterrec, maxfilters + 1>, maxbatchpt + 1> filters;
    int16_t nzeroguesses = 0;                                // of its guess block
    int16_t kxyz = 0;                                        // its guess block
    bool hasbulk = false;
    int16_t nbulkcomps = 0;
    int16_t bulkrow1 = 0, bulkrow2 = 0;
    real bulkprop = 1;                                       // proportion of row 1
    std::array<real, maxbatchbulkcomps + 1> bulkamounts{};   // by component, 0 when not flagged
    int16_t nmodesset = 0;
    std::array<int16_t, 3> modephase{};                      // positions in withnames
    std::array<real, 3> modevalue{};
    bool hasisopleths = false;
    int16_t nisopleths = 0;
    std::array<int16_t, 3> isophase{};
    std::array<int16_t, 3> isocode{};
    std::array<real, 3> isovalue{};
    bool tatp = false;                                       // T is calculated at the given P
};

// One block of starting guesses of the batchxyzguess keyword.
struct guessblock {
    int16_t nguesses = 0;
    int16_t nzeroguesses = 0;
    std::array<str22, maxblockguesses + 1> names;
    std::array<real, maxblockguesses + 1> values{};
    std::array<real, maxblockguesses + 1> rangelow{};
    std::array<real, maxblockguesses + 1> rangehigh{};
};

struct batchreqrow {
    int16_t n = 0;
    std::array<int16_t, maxbatches + 1> batches{};
};

struct mcrangerec {
    str22 name;
    real value1 = 0, value2 = 0;
};

struct mcfuncrec {
    str22 name;
    real constant = 0;
    int16_t nterms = 0;
    std::array<real, maxmcterms + 1> coeffs{};
    std::array<int16_t, maxmcterms + 1> ranges{};  // mcrange numbers
};

// One Monte Carlo entry.
struct mcrec {
    str22 phase;
    int16_t nphasewords = 1;
    std::array<str22, maxmcphases + 1> phasewords;  // [1] is the phase
    int16_t vartype = 0;                            // 1 "W(", 2 "a(", 3 "DQF("
    int16_t varindex = 0;
    int16_t abc = 0;                                // 1..3 for a trailing a, b, c
    str22 varname;                                  // without its trailing letter
    str22 varword;                                  // as written
    real value1 = 0, value2 = 0;
    int16_t ref = 0;                                // 0 none, a range number, minus a function number
    int16_t refkind = 0;                            // -2 function, 0 range
    real dqfa = 0, dqfb = 0, dqfc = 0;
    // For an own draw value2 is the half-width; refkind says how a coupled entry uses its
    // range (0 shift, -1 from below, 1 from above, -2 a function). The rest is filled by the
    // Monte Carlo set-up of each calculation.
    std::array<int16_t, maxmcphases + 1> phasenos{};  // solution-phase numbers of phasewords
    str22 label;                                      // for the lists, between double quotes
};

// Every setting that each reading of the script starts from.
struct scriptsettings {
    // Run control, output and tracing.
    int16_t nscriptproblems = 0;
    int16_t nmissingscripts = 0;
    bool strictscripting = false;
    bool autoexit = false;
    int16_t debuglevel = 1;
    int16_t debuglevelq = 1;
    int16_t outlevel = 1;
    int32_t moreprec = 1;
    int32_t sorrelcalc = 1;
    int32_t magemin = 1;
    int32_t printxyz = 0;
    int32_t printbulkinfoon = 1;
    int32_t printcor = 1;
    int32_t oisr = 1;
    int32_t incnler = 1;
    int32_t fitseton = 1;
    int32_t quilleton = 0;
    int16_t quilletoption = 0;
    int32_t compatibility = 1;
    int32_t modebox = 1;
    int32_t fifi = 1;
    int32_t calcah2o = 1;
    int32_t calcmu = 1;
    int32_t calcmuo = 1;
    int32_t c8 = 1;
    int32_t convliq = 1;
    int32_t latex = 1;
    int32_t oblique = 1;
    str22 axfile;

    // Solver and thermodynamics.
    real esize = 1e-8L;
    real fsize = 1e-6L;
    real dxtol = 0.005L;
    real modesumtol = 1e-6L;
    bool nlemethod = true;
    bool numerical = false;
    bool wqxon = false;
    int32_t usecalcq = 1;
    bool oxidemodes = false;  // a copy of the dataset's oldds

    // Calculation kind, windows and ranges.
    int32_t calctatp = 2;
    int32_t calctypegiven = 1;
    int16_t calctype = 0;
    int32_t figure = 0;       // 0 P-T, 1 T-x(CO2), 2 P-x(CO2), 3 mu-mu
    bool xco2diagram = false;
    int32_t diagramPT = 1;
    std::array<real, 3> pwindow{0, 0, 1500};  // [1] becomes pmin
    std::array<real, 3> twindow{0, 283, 3000};
    int32_t calcP = 1;
    real pinterval = 0;
    int32_t calcT = 1;
    real tinterval = 0;
    bool pintervaltyped = false, tintervaltyped = false;  // the step came from the console
    int32_t ptforaxe = 1;
    real pforaxe = 0;
    real tforaxe = 0;         // degrees C
    int32_t ptguess = 1;
    real ptguessp = -101;
    real ptguesst = -101;     // K
    int32_t xco2values = 1;
    int16_t nxco2values = 0;
    std::array<real, 4> xco2range{};  // [1] low, [2] high, [3] step
    int32_t calcuncertainties = 1;
    int16_t sdlevel = 0;

    // Phases, guesses and variance.
    int32_t withswitch = 1;
    int16_t nwith = 0;
    bool someof = false;
    int32_t inexcesson = 1;
    int16_t nexcesslist = 0;
    int32_t tozero = 1;
    int16_t ntozero = 0;
    int32_t xyzguessswitch = 1;
    int16_t nxyzguess = -1;
    int32_t modeguessswitch = 1;
    int16_t nmodeguess = -1;
    int32_t samecodingswitch = 1;
    int16_t nsamecoding = -1;
    int16_t nrgb = -1;
    int32_t setvar = 1;
    int32_t autovar = 0;
    int32_t maxvar = 1;
    int16_t dogminminvar = 2;
    int16_t dogminmaxvar = 0;
    bool dogminon = false;
    int16_t dogminlevel = -1;
    str22 buffername;
    real bufferdel = 0;
    int32_t justrelu = 1;

    // Bulk composition, projection and isopleths.
    bool pseudosection = false;
    bool pseudosectiongiven = false;
    bool systemprops = true;
    int32_t bulk = 1;
    int16_t nbulks = -3;
    int16_t nbulkoxides = 0;
    int16_t nbulksteps = -1;
    int32_t bulksubrange = 1;
    real bulksubrangelo = -1;
    real bulksubrangehi = 1;
    int32_t onebulk = 1;
    real onebulkvalue = -1;
    int32_t rbi = 1;
    int16_t nrbi = -1;
    int32_t rmi = 1;
    int16_t nrmi = -1;
    int32_t projection = 1;
    int32_t projplane = 1;
    int16_t nprojoxides = 0;
    int16_t napices = -1;
    int32_t projcomp = 0;
    int32_t isopleth = 1;
    std::array<isoplethentry, 3> isoplethinfo{};
    int32_t modeiso = 2;
    std::array<isoplethentry, 3> modeisoinfo{};
    int32_t zeromodeiso = 0;
    std::array<str22, 3> zeromodeisonames;

    // Fixed activities, potentials and fluid.
    int32_t seta = 1;
    int32_t setlna = 1;
    int32_t setloga = 1;
    int16_t nlna = 0;
    int32_t setmu = 1;
    int16_t nmu = 0;
    int32_t muvalswitch = 1;
    bool muvalstarted = false;
    int32_t fluidpresent = 1;
    int32_t fluidexcess = 1;
    int32_t setfluid = 1;
    real xco2fluid = 0;
    real xh2ofluid = 1;

    // Mode 2 and mode 3.
    int32_t defsdaparams = 0;
    int32_t usedefsda = 0;
    int32_t rocknameswitch = 1;
    str22 rockname;
    int32_t dataok = 2;
    int32_t setmaxsdt = 1;
    real maxsdt = 0;
    int32_t setmaxsdp = 1;
    real maxsdp = 0;
    int32_t setisr = 1;
    int16_t nisr = -1;
    int16_t nisrnames = 0;
    int32_t doallr = 2;

    // Batches and Monte Carlo.
    int32_t batch = 1;        // 0 means batches are given
    int16_t nbatches = -1;
    int16_t nbatchselect = 0;
    int32_t batchdebug = 0;
    int16_t nbatchxyzguess = -1;
    int16_t nbatchreq = -1;
    bool filtergiven = false;
    int16_t nfiltersets = -1;
    int16_t filtersetno = 0;  // P-T point of the latest filter line in its batch
    int32_t mc = 1;
    int32_t mcdebug = 1;
    int32_t mcoutcurrentway = 0;
    bool gaussmc = false;
    int16_t nmc = -1;
    int16_t nmcrange = -1;
    int16_t nmcfunc = -1;
    int16_t nbatchbulks = 0;
    int16_t nbatchbulkcomps = 0;
    real mcrunlimit = 1;
    int32_t fract = 1;
    int32_t fractdebug = 1;

    int16_t nconvliqrows = -1;
    int16_t nconvliqcols = -1;
};

struct runsettings : scriptsettings {
    // Kept across readings of the script.
    real pmin = 0.0009L;      // lowest pressure; lowered by "negP"
    bool axnamechecks = true;
    std::array<real, 3> calcprange{};
    std::array<real, 3> calctrange{};  // K
    std::array<real, 3> xco2window{};
    int16_t mcwanted = 1;
    int16_t pdecimals = 3, tdecimals = 2, xco2decimals = 2, lnadecimals = 2, mudecimals = 1;
    int32_t diagrammode = 0;  // 0 P-T, 1 P-x(CO2), 2 T-x(CO2), 3 P-log a, 4 T-log a

    // Fixed activities and potentials.
    std::array<str22, maxlnanames + 1> lnanames;
    std::array<str22, maxlnanames + 1> lnalabels;
    std::array<real, maxlnavalues + 1> lnavalues{};   // 10: not set yet
    std::array<int16_t, maxlnavalues + 1> nlnalist{};
    std::array<str22, maxmunames + 1> munames;
    std::array<real, maxmuvalues + 1> muvalues{};
    std::array<int16_t, maxmuvalues + 1> nmulist{};
    std::array<real, maxcomps + 1> mucalc{};
    std::array<real, 3> muvalpt{};                    // P (kbar), T (K)

    // x(CO2) list.
    std::array<real, maxlist + 1> xco2list{};

    // Phase lists.
    std::array<str22, maxwithnames + 1> withnames;       // the part before the first "_"
    std::array<str22, maxwithnames + 1> withshortnames;  // as written
    std::array<str22, maxexcesslist + 1> excesslist;
    std::array<str22, maxexcesslist + 1> excesslistwritten;   // filled by the a-x set-up
    std::array<str22, maxexcesslist + 1> tozeronames;
    std::array<str22, maxexcesslist + 1> tozeronameswritten;  // filled by the a-x set-up
    std::array<str22, maxrgbentries + 1> rgbnames;
    std::array<std::array<int16_t, 4>, maxrgbentries + 1> rgbcolours{};  // [1..3]

    // Bulk composition, rbi and projection.
    std::array<str22, maxbulkoxides + 1> bulkoxides;
    std::array<real, maxbulkcomps + 1> bulk1{};
    std::array<real, maxbulkcomps + 1> bulk2{};
    std::array<str22, maxrbilines + 1> rbinames;
    ondemandtable<std::array<real, maxbulkoxides + 1>, maxrbilines> rbitable{"rbi", "phase lines"};  // row 0: modes
    std::array<str22, maxprojoxides + 1> projoxides;
    std::array<str22, maxprojoxides + 1> apexnames;
    std::array<std::array<real, maxprojoxides + 1>, maxprojoxides + 1> apexcomps{};

    // Reactions, matrices and groups.
    std::array<str22, maxisrnames + 1> isrnames;
    std::array<std::array<int16_t, maxisrnames + 1>, maxisrrows + 1> isrcoeffs{};
    std::array<std::array<real, maxconvliqcols + 1>, maxconvliqrows + 1> convliqmatrix{};
    std::array<int16_t, maxsamecodinggroups + 1> nsameitems{};
    std::array<std::array<str22, maxsamecodingitems + 1>, maxsamecodinggroups + 1> sameshortname;
    std::array<std::array<str22, maxsamecodingitems + 1>, maxsamecodinggroups + 1> samewrittenname;
    std::array<std::array<str22, maxsamecodingitems + 1>, maxsamecodinggroups + 1> samefullname;
    std::array<str22, maxxyzguesses + 1> xyzguessnames;
    std::array<real, maxxyzguesses + 1> xyzguessvalues{};
    std::array<real, maxxyzguesses + 1> xyzguesssd{};
    std::array<real, maxxyzguesses + 1> xyzguesslow{};
    std::array<real, maxxyzguesses + 1> xyzguesshigh{};
    std::array<str22, maxmodeguesses + 1> modeguessnames;
    std::array<real, maxmodeguesses + 1> modeguessvalues{};

    // Batches and Monte Carlo (large tables on the heap).
    // Each table ends the run with its reader's words at a write past its capacity.
    ondemandtable<batchrec, maxbatches> batches{"batch", "batches"};
    std::array<bool, maxbatches + 1> batchselect{};
    std::array<int16_t, maxbatches + 1> batchlabel{};
    ondemandtable<guessblock, maxguessblocks> batchxyzguess{"in bxyzguess, too big"};
    ondemandtable<batchreqrow, maxbatchreqrows> batchreqs{"batchreq", "rows"};
    ondemandtable<std::array<real, maxbatchbulkcomps + 1>, maxbatchbulkrows> batchbulks{"batchbulk", "rows"};
    ondemandtable<mcrangerec, maxmcentries> mcranges{"too many mcrange"};
    ondemandtable<mcfuncrec, maxmcentries> mcfuncs{"too many mcfunc"};
    ondemandtable<mcrec, maxmcentries> mcentries{"too many mc"};

    // Calculation set-up: line variables, current conditions and lists.
    int32_t calcvariable = 0;    // 0 P calculated at given T, 1 T at given P
    int32_t othervariable = 0;   // along a line: 0 P, 1 T, 2 x(CO2), 3 ln a, 4 mu
    real pnow = 0, tnow = 0;     // kbar, K
    std::array<real, 3> logawindow{};
    real lnah0 = 0;              // entropy of the log a end-member
    std::array<real, maxlist + 1> plist{}, tlist{};  // kbar, K
    int16_t nplist = 0, ntlist = 0;
    std::array<real, maxlist + 1> xco2calclist{}, xh2ocalclist{};
    int16_t nxco2calclist = 0;
    std::array<std::array<real, maxlist + 1>, maxlnavalues + 1> lnalists{};
    std::array<std::array<real, maxlist + 1>, maxmuvalues + 1> mulists{};
};
extern runsettings settings;

}  // namespace zt
