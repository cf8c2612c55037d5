#include "ax/axreader.h"

#include "ax/axmodels.h"
#include "ax/axtokens.h"
#include "ax/batchphases.h"
#include "ax/emoptions.h"
#include "ax/fluidphases.h"
#include "ax/phaserecords.h"
#include "ax/reconcile.h"
#include "ax/varlimits.h"
#include "runtime/bytes.h"
#include "runtime/capacities.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/records/fitsetstate.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/runopen.h"
#include "runtime/runstate.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/dataset.h"
#include "thermo/workingset.h"

namespace zt {

axreaderstate axreader;

namespace {

constexpr int progresswidth = 80;

bool infitset() { return run.calcmode == 4; }

void showprogress(const str22& name) {
    if (infitset()) {
        putstr(0, "  " + wholetostr(phases.nphases) + ")  " + name, 1, 8);
        return;
    }
    if (phases.nphases == 1) putstr(0, "reading ax: ", 0, 9);
    putstr(0, name + " ", 0, 9);
    axreader.progresscount = static_cast<int16_t>(axreader.progresscount + name.size() + 1);
    if (axreader.progresscount > progresswidth) {
        putstr(0, "", 1, 9);
        putstr(0, spaces(12), 0, 9);
        axreader.progresscount = 0;
    }
}

// The integer 1 after a dataset end-member's name: an activity, or the count of a
// one-end-member phase? The user decides.
bool oneisactivity(const str22& name) {
    putstr(2, "datafile appears to be ambiguous: a 1 immediately follows " + name + ";", 1, 9);
    putstr(0, "this means either an activity of 1, or it's a 1 end-member phase.", 1, 9);
    return query("the '1' its activity");
}

// The activity (the next token) and, when a real or the word "0" follows, its sd.
void takeactivity(emphaserec& ph) {
    nextaxtoken("fixed activity for" + ph.name);
    ph.activity = getsingle(axtok.kind, axtok.token, "fixed activity for" + ph.name);
    if (axtok.nextkind == wkreal || axtok.nexttoken == "0") {
        nextaxtoken("sd of fixed activity for" + ph.name);
        ph.sd = getsingle(axtok.kind, axtok.token, "sd of fixed activity for" + ph.name);
    }
}

void readactivity(emphaserec& ph, bool onealso) {
    if (axtok.nextkind == wkreal || (onealso && axtok.nexttoken == "1")) takeactivity(ph);
}

void readoneendmemberphase(emphaserec& ph) {
    nextaxtoken("no of end-members in " + ph.name);
    if (axtok.nextkind == wkempty) bombout("read", "unexpected end of input", 0);
    if (axtok.nextkind == wkword) {
        nextaxtoken("end-member name in " + ph.name);
        ph.emname = readname(axtok.kind, axtok.token, "end-member name in " + ph.name);
    }
    readactivity(ph, true);
    reademoptions(ph);
    if (!infitset() && ph.name == ph.emname) {
        bombout("setupphases", "names: phase, " + ph.name + ", and end-member, " + ph.emname + ", must be different", 0);
    }
}

}  // namespace

void resetaxreader() { axreader = axreaderstate{}; }

void resetphaserecords() {
    // Every field, not only the few the readers test: a flag left from an earlier
    // reading would otherwise follow a phase of the same number.
    cleanphaserecords(!infitset());
    phases.nsolnphases = 0;
    phases.npurephases = 0;
    phases.nphases = 0;
    axreader.nbuffers = 0;
    for (str22& s : axreader.bufferlist) s.clear();
    axreader.progresscount = 0;
    resetaxheader();
}

void openaxfile() {
    std::string name;
    if (infitset()) {
        str22 suffix = "ax" + fit.fitsetprefs.axsuffix;
        promptdatafile("ds-", suffix, "a-x info", name, runfiles.datafile);
    } else {
        putstr(0, std::string(60, '^'), 2, 13);
        axreader.runinfo[1] = runopening.progname + " running at " + runopening.datetimestamp;
        putstr(0, axreader.runinfo[1], 1, 13);
        axreader.runinfo[2] = "using " + ds.dstitle;
        putstr(0, axreader.runinfo[2], 1, 13);
        promptdatafile("zt-", settings.axfile, "a-x info", name, runfiles.datafile);
        axreader.runinfo[3] = "with axfile " + name + " and scriptfile " + runfiles.scriptfilename;
        putstr(0, axreader.runinfo[3], 2, 13);
    }
    runfiles.curfilename = name;
}

void readpurephase(const str22& name) {
    if (infitset()) bombout("setup phases", "inappropriate ax info", 0);
    if (phases.npurephases >= maxpurephases) bombout("setup phases", "too many phases" + maxtext(maxpurephases), 0);
    phases.npurephases = static_cast<int16_t>(phases.npurephases + 1);
    notephasestaken();
    emphaserec& ph = phases.prec0[static_cast<size_t>(phases.npurephases)];
    ph.name = name;
    ph.name2 = name;
    ph.emname = name;
    ph.dqfkind = -1;
    ph.dqfa = ph.dqfb = ph.dqfc = 0;
    ph.activity = 1;
    ph.sd = 0;
    ph.nmake = 0;

    const int32_t kind = axtok.nextkind;
    if (kind == wkreal) {
        readactivity(ph, false);
    } else if (kind == wkinteger || kind == wkrational) {
        int16_t i = 0;
        if (findindataset(name, i) && oneisactivity(name)) {
            takeactivity(ph);
        } else {
            readoneendmemberphase(ph);
        }
    }

    if (ph.emname == "buffer") {
        if (axreader.nbuffers >= maxbuffers) bombout("setupphases", "too many buffers", 0);
        axreader.nbuffers = static_cast<int16_t>(axreader.nbuffers + 1);
        axreader.bufferlist[static_cast<size_t>(axreader.nbuffers)] = name;
    }
    if (!(ph.activity > 0 && ph.activity <= 1)) {
        bombout("setupphases", "activity for " + name + " not 0 > a " + std::string(1, geqbyte) + " 1", 0);
    }
    ph.modeparam1 = 0.6666667L;
    ph.modeparam2 = 0.1666667L;
    takemodeguess(ph.modestart, name);
    checkcharges(ph);
}

void readphases() {
    openaxtokens();
    do {
        phases.nphases = static_cast<int16_t>(phases.nphases + 1);
        if (phases.nphases == 1 && axtok.nexttoken == "header") readheaderblock();
        if (phases.nphases > maxphasecount) bombout("setup phases", "too many phases" + maxtext(maxphasecount), 0);
        const std::string context = "name for " + ordinalword(phases.nphases) + " phase";
        nextaxtoken(context);
        const str22 name = readname(axtok.kind, axtok.token, context);
        showprogress(name);
        bool solution = false;
        if (axtok.nextkind == wkinteger) {
            int16_t n = 0;
            std::string errtext;
            solution = !(readint(axtok.nexttoken, n, errtext) && n == 1);
        }
        if (solution) {
            readsolutionphase(name);
        } else {
            readpurephase(name);
        }
    } while (axtok.nextkind != wkempty);
}

void endofreading() {
    if (phases.npurephases + phases.nsolnphases != phases.nphases) bombout("read", "numbers of phases do not add up", 1);
    putstr(0, "", 1, 9);
    if (!settings.buffername.empty() && axreader.nbuffers > 0) {
        bool found = false;
        for (int i = 1; i <= axreader.nbuffers; ++i) found = found || axreader.bufferlist[static_cast<size_t>(i)] == settings.buffername;
        if (!found) bombout("read", "script, \"" + settings.buffername + "\", not in axfile", 1);
    }
}

void closeaxfile() {
    if (!closetextfile(runfiles.datafile)) bombout("setupphases", "problems closing datafile", 0);
}

void setupphases() {
    ws.sdaslope = 0;
    ws.sdamin = 0;
    ws.sdarelmin = 0;
    axreader.defaultsdw = settings.justrelu == 0 ? 0 : 2.0L;
    resetphaserecords();
    axreader.nscriptgroups = settings.nsamecoding > 0 ? settings.nsamecoding : 0;
    openaxfile();
    readphases();
    endofreading();
    expandwithlist();
    setupfluid();
    reconcilephases();
    if (settings.batch == 0) setupbatchphases();
    setvariablelimits();
    checkmodels();
    closeaxfile();
}

}  // namespace zt
