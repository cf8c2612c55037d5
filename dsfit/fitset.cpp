#include "dsfit/fitset.h"

#include "runtime/heap.h"
#include "runtime/numberread.h"
#include "runtime/prefs.h"
#include "runtime/prompts.h"
#include "runtime/runfiles.h"
#include "runtime/textfile.h"

namespace zt {

fitsetstate fit;

namespace {

// Byte counts of the refinement's records as the run counts them.
constexpr int32_t tdabytes = 1008640;
constexpr int32_t oxcalbytes = 32000;
constexpr int32_t xpbytes = 167827200;
constexpr int32_t rowbytes = 12000;
constexpr int32_t xxbytes = 3840000;
constexpr int32_t xbytes = 768000;
constexpr int32_t bbytes = 384000;

void applydsprefsline(const stringlist& words, int16_t count)
{
    fitsetprefsrecord& p = fit.fitsetprefs;
    int32_t sw = 0;
    int16_t used = 0;
    switchword(words, count, sw, used);
    const str22& keyword = words[1];
    if (keyword == "ztdssuffix") {
        suffixword(words, count, sw, p.ztdssuffix);
    } else if (keyword == "xpsuffix") {
        suffixword(words, count, sw, p.xpsuffix);
    } else if (keyword == "emsuffix") {
        suffixword(words, count, sw, p.emsuffix);
    } else if (keyword == "axsuffix") {
        suffixword(words, count, sw, p.axsuffix);
    } else if (keyword == "infolevel") {
        int16_t level = 0;
        std::string errtext;
        if (count >= 2 && wordtype(words[2]) == wkinteger && readint(words[2], level, errtext)) p.infolevel = level;
        if (p.infolevel > 3) p.infolevel = 3;
    } else if (keyword == "moreinputlines") {
        p.moreinputlines = sw;
    } else if (keyword == "printomit") {
        p.printomit = sw;
    } else if (keyword == "mark456") {
        p.mark456 = sw;
    } else if (keyword == "userfac") {
        p.userfac = sw;
    } else if (keyword == "tighten") {
        p.tighten = sw;
    } else if (keyword == "useqr") {
        p.useqr = sw;
    }
}

}  // namespace

void readdsprefs()
{
    fit.fitsetprefs = fitsetprefsrecord{};
    str22 suffix = "prefs";
    std::string name;
    promptdatafile("ds-", suffix, "prefs info", name, runfiles.datafile);
    runfiles.curfilename = name;
    stringlist words;
    int16_t count = 0;
    while (!atendoffile(runfiles.datafile)) {
        readwords(runfiles.datafile, words, count, true);
        if (count == 0) continue;
        if (words[1][0] == '*') break;
        applydsprefsline(words, count);
    }
    closetextfile(runfiles.datafile);
}

void allocatefitset()
{
    const size_t rows = maxfitrows + 1;
    const size_t cells = rows * (maxdsentries + 1);
    fit.tda.assign(maxdsentries + 1, fitemrecord{});
    noteallocated("tda", tdabytes);
    // The calorimetry and experiment records come with the refinement's readers;
    // they are counted here so that the heap totals are those of a refinement run.
    noteallocated("oxcal", oxcalbytes);
    noteallocated("xp", xpbytes);
    fit.y.assign(rows, 0);
    noteallocated("y", rowbytes);
    fit.yy.assign(rows, 0);
    noteallocated("yy", rowbytes);
    fit.theta.assign(rows, 0);
    noteallocated("theta", rowbytes);
    fit.xx.assign(cells, 0);
    noteallocated("xx", xxbytes);
    fit.hat.assign(rows, 0);
    noteallocated("hat", rowbytes);
    fit.x.assign(cells, 0);
    noteallocated("x", xbytes);
    fit.b.assign(cells, 0);
    noteallocated("b", bbytes);
    readdsprefs();
}

// The refinement itself is not built yet: a run opens its files and calculates nothing.
void dofitset() {}

void endfitset() {}

}  // namespace zt
