#include "dsfit/fitset.h"

#include <algorithm>
#include <vector>

#include "dsfit/lsq.h"
#include "runtime/heap.h"
#include "runtime/numberread.h"
#include "runtime/prefs.h"
#include "runtime/prompts.h"
#include "runtime/runfiles.h"
#include "runtime/reporter.h"
#include "runtime/textfile.h"
#include "runtime/words.h"
#include "thermo/datasetreader.h"

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

void applydsprefsline(const stringlist& words, int16_t count, fitsetprefsrecord& p)
{
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

// The preferences from an open ds-prefs.txt, up to its end mark.
fitsetprefsrecord dsprefslines(textfile& f)
{
    fitsetprefsrecord p;
    readkeywordfile(f, [&](const stringlist& words, int16_t count) { applydsprefsline(words, count, p); });
    return p;
}

std::string quotedname(const std::string& name) { return "\"" + name + "\""; }

// The new dataset must be one that the other modes can read, and none of the files the
// preferences name for them: the run would replace it at its end.
void checknewdataset(const fitsetprefsrecord& p)
{
    const str22& sfx = p.ztdssuffix;
    if (sfx.empty()) return;
    const std::string name = newdatasetname(sfx);
    const std::string start = "ztdssuffix " + sfx;
    if (name != datasetfilename(sfx))
        bombout("readdsprefs", start + " is too long: the new dataset would be " + quotedname(name) +
                                   ", which no dsfile keyword can name (at most 18 characters)",
                0);
    if (!datasetgenerationok(name))
        bombout("readdsprefs", start + " names the new dataset " + quotedname(name) +
                                   ", which no mode can read: the suffix must begin with its generation, 5, 6 or 7",
                0);
    const auto refuseover = [&](const std::string& input, const std::string& what) {
        if (name != input && !samefile(name, input)) return;
        // another name of the file says which file it is
        const std::string other = name == input ? "" : "another name of " + quotedname(input) + ", ";
        bombout("readdsprefs",
                start + " would write the new dataset over " + quotedname(name) + ", " + other + what +
                    "): use another ztdssuffix",
                0);
    };
    if (!prefs.dssuffix.empty())
        refuseover(datasetfilename(prefs.dssuffix), "the dataset that zt-prefs.txt names (dsfile " + prefs.dssuffix);
    if (!prefs.scriptsuffix.empty())
        refuseover("zt-" + prefs.scriptsuffix + ".txt",
                   "the script that zt-prefs.txt names (scriptfile " + prefs.scriptsuffix);
}

}  // namespace

std::string newdatasetname(const str22& suffix) { return "zt-ds" + trunc22(suffix + ".txt"); }

std::string emifilename(const str22& emsuffix) { return "ds-em" + trunc22(emsuffix + "-i.txt"); }

void readdsprefs()
{
    str22 suffix = "prefs";
    std::string name;
    promptdatafile("ds-", suffix, "prefs info", name, runfiles.datafile);
    runfiles.curfilename = name;
    fit.fitsetprefs = dsprefslines(runfiles.datafile);
    checknewdataset(fit.fitsetprefs);
}

bool refusefitinputsasoutputs()
{
    // Read ahead, quietly: the run reads it for good once the log is open.
    textfile f;
    const fitsetprefsrecord p =
        openforreading(f, dsprefsfilename, "prefs info", "startout") ? dsprefslines(f) : fitsetprefsrecord{};
    checknewdataset(p);
    // the names as the readers form them: "ds-" + suffix + ".txt"
    const auto input = [](const std::string& suffix, const char* description) {
        noteinput("startout", "ds-" + suffix + ".txt", description);
    };
    if (!p.ztdssuffix.empty()) input("scr" + p.ztdssuffix, "script info");
    input("em" + p.emsuffix, "thermo");
    input("em" + p.emsuffix + "-f", "thermo");
    input("ax" + p.axsuffix, "a-x info");
    input("xp" + p.xpsuffix, "xp info");
    std::vector<std::string> outputs = fitoutputnames(p.ztdssuffix);
    // without its suffix the run ends before a new dataset is written
    if (!p.ztdssuffix.empty()) outputs.push_back(newdatasetname(p.ztdssuffix));
    outputs.push_back(emifilename(p.emsuffix));
    refuseclashes("startout", outputs);
    return p.ztdssuffix.empty();
}

void allocatefitset()
{
    const size_t rows = maxfitrows + 1;
    const size_t cells = rows * (maxdsentries + 1);
    fit.tda.assign(maxdsentries + 1, fitemrecord{});
    noteallocated("tda", tdabytes);
    fit.oxcal.assign(maxoxcal + 1, oxcalrec{});
    noteallocated("oxcal", oxcalbytes);
    // The runs of an experiment are grown as they are read, so the records stay small
    // until then; the count is that of the full records.
    fit.xp.assign(maxfitrows + 1, fitexprec{});
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

void resetfitdata()
{
    for (fitemrecord& r : fit.tda) r = fitemrecord{};
    for (oxcalrec& r : fit.oxcal) r = oxcalrec{};
    for (fitexprec& r : fit.xp) r = fitexprec{};
    std::fill(fit.y.begin(), fit.y.end(), 0);
    std::fill(fit.yy.begin(), fit.yy.end(), 0);
    std::fill(fit.theta.begin(), fit.theta.end(), 0);
    std::fill(fit.hat.begin(), fit.hat.end(), 0);
    std::fill(fit.xx.begin(), fit.xx.end(), 0);
    std::fill(fit.x.begin(), fit.x.end(), 0);
    std::fill(fit.b.begin(), fit.b.end(), 0);
    fit.rowsd.fill(0);
    fit.rowround.fill(0);
    fit.sdround.fill(0);
    forgetfitbounds();
    fit.nrows = fit.ndirect = fit.ncal = 0;
    fit.ntpfit = 0;
    fit.fititeration = 0;
    fit.sigfitsq = 0;
    fit.noxcal = fit.nexp = 0;
    fit.iexp = 1;
    fit.fitreport = false;
    fit.expcrdflag = false;
    fit.nseriesfail = 0;
    fit.unconvcount = 0;
    fit.fitexpdesc.clear();
    fit.ih2o = fit.ico2 = fit.icrd = fit.ifcrd = fit.io2 = fit.is2 = 0;
    fit.nfitphases = 0;
    for (str22& s : fit.fitphasenames) s.clear();
    fit.directrow.fill(0);
}

void endfitset() {}

}  // namespace zt
