// Shared set-up of the a-x tests: a temporary folder, a captured console, a small
// invented dataset name list and fresh phase records.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "ax/axreader.h"
#include "ax/axtokens.h"
#include "ax/fluidphases.h"
#include "ax/phaserecords.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/runfiles.h"
#include "runtime/runopen.h"
#include "runtime/runstate.h"
#include "runtime/textfile.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/dataset.h"

namespace zt::axtest {

inline const char* const datasetnames[] = {"py",  "alm", "gr",  "q",   "ky",  "sill", "and", "H2O", "CO2",
                                           "CH4", "CO",  "H2",  "O2",  "ab",  "an",   "Na+", "Cl-", "Ca++",
                                           "mt",  "hem", "ru",  "fo",  "fa",  "en",   "fs",  "buffer", "cor"};

inline void resetaxworld() {
    resetchannels();
    channels.outchannels = 1;  // console only
    static_cast<scriptsettings&>(settings) = scriptsettings{};
    settings.autoexit = true;
    settings.axnamechecks = true;
    resetdatasetstate();
    ds.dsfilename = "zt-dstest.txt";
    ds.dstitle = "an invented test dataset";
    int16_t n = 0;
    for (const char* name : datasetnames) ds.dsnames[static_cast<size_t>(++n)] = name;
    ds.ntp = n;
    run.calcmode = 1;
    if (phases.prec1.size() != static_cast<size_t>(maxsolnphases + 1)) phases.prec1.assign(maxsolnphases + 1, axphase{});
    if (phases.prec0.size() != static_cast<size_t>(maxems + 1)) phases.prec0.assign(maxems + 1, emphaserec{});
    phases.nsolnphases = phases.npurephases = phases.nphases = 0;
    resetaxreader();
    resetaxtokens();
    resetaxheader();
    resetfluidtable();
    resetrunfiles();
    pd.fluidtype = 0;
    runopening.progname = "zeltram";
    runopening.datetimestamp = "10.30 on Mon 3 Mar,2025";
}

// One test's world: a fresh folder (the working folder while it lives) and the console
// replaced by strings; answers are what the console will be given.
struct axworld {
    testing::tempfolder folder;
    testing::consolecapture console;
    explicit axworld(const std::string& answers = "") : console(answers) { resetaxworld(); }

    // Reads text as the a-x file zt-t.txt with setupphases; the exit code or -1.
    int readax(const std::string& text) {
        folder.writefile("zt-t.txt", text);
        settings.axfile = "t";
        return testing::exitcodeof([] { setupphases(); });
    }

    // Opens text as the shared input file and the token stream on it.
    void opentokens(const std::string& text) {
        folder.writefile("in.txt", text);
        openforreadingunnoted(runfiles.datafile, "in.txt");
        openaxtokens();
    }

    std::string out() const { return console.output(); }
    bool bombedwith(const std::string& message) const {
        return out().find(" : " + message) != std::string::npos;
    }
};

inline axphase& soln(int k) { return phases.prec1[static_cast<size_t>(k)]; }
inline emphaserec& pure(int i) { return phases.prec0[static_cast<size_t>(i)]; }

// A three-end-member garnet-like model, coding 1, with check coordinates.
inline std::string garnetmodel(const std::string& name = "g", const std::string& xguess = "0.2",
                               const std::string& zguess = "0.1") {
    return name + " 3 1\n"
           "  x(" + name + ") " + xguess + " range 0 1\n"
           "  z(" + name + ") " + zguess + "\n"
           "  p(py)  1 1 1 2 -1 x -1 z\n"
           "  p(alm) 1 1 0 1 1 x\n"
           "  p(gr)  1 1 0 1 1 z\n"
           "  sf\n"
           "  W(py,alm) 2.5 0 0\n"
           "  W(py,gr) 31 0 0.1 sd 1.5\n"
           "  W(alm,gr) 5 -0.01 0\n"
           "  3\n"
           "  xMgX 1 1 1 2 -1 x -1 z\n"
           "  xFeX 1 1 0 1 1 x\n"
           "  xCaX 1 1 0 1 1 z\n"
           "  py  1 1 xMgX 3  check 0 0\n"
           "  alm 1 1 xFeX 3  check 1 0\n"
           "  gr  1 1 xCaX 3  check 0 1\n";
}

// Two end-members, symmetric, coding 1.
inline const std::string twoemmodel =
    "g 2 1\n"
    "  x(g) 0.3\n"
    "  p(py) 1 1 1 1 -1 x\n"
    "  p(alm) 1 1 0 1 1 x\n"
    "  sf\n"
    "  W(py,alm) 2.5 0 0\n"
    "  2\n"
    "  xMg 1 1 1 1 -1 x\n"
    "  xFe 1 1 0 1 1 x\n"
    "  py 1 1 xMg 3\n"
    "  alm 1 1 xFe 3\n";

// text with the first occurrence of from replaced by to.
inline std::string replaced(const std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at == std::string::npos) return text;
    return text.substr(0, at) + to + text.substr(at + from.size());
}

}  // namespace zt::axtest

namespace zt::axtest {

// The with list as the script reader leaves it: the part before "_" and the name as written.
inline void setwith(std::initializer_list<const char*> names) {
    settings.nwith = 0;
    for (const char* n : names) {
        const std::string written = n;
        const size_t sep = written.find('_');
        ++settings.nwith;
        settings.withnames[static_cast<size_t>(settings.nwith)] = written.substr(0, sep);
        settings.withshortnames[static_cast<size_t>(settings.nwith)] = written;
    }
}

struct guess {
    const char* name;
    real value;
    real sd = 0, low = 0, high = 1;
};

inline void setguesses(std::initializer_list<guess> guesses) {
    settings.nxyzguess = 0;
    for (const guess& g : guesses) {
        const size_t i = static_cast<size_t>(++settings.nxyzguess);
        settings.xyzguessnames[i] = g.name;
        settings.xyzguessvalues[i] = g.value;
        settings.xyzguesssd[i] = g.sd;
        settings.xyzguesslow[i] = g.low;
        settings.xyzguesshigh[i] = g.high;
    }
}

// A script samecoding group, every name stored as written.
inline void addsamegroup(std::initializer_list<const char*> names) {
    if (settings.nsamecoding < 0) settings.nsamecoding = 0;
    const size_t g = static_cast<size_t>(++settings.nsamecoding);
    settings.nsameitems[g] = 0;
    for (const char* n : names) {
        const size_t i = static_cast<size_t>(++settings.nsameitems[g]);
        settings.sameshortname[g][i] = n;
        settings.samewrittenname[g][i] = n;
        settings.samefullname[g][i] = n;
    }
}

// A coding-2 model of two end-members whose variable has no formula.
inline std::string codingtwo(const std::string& written, const std::string& full, const std::string& also = "") {
    return written + " 2 2 " + full + " 10 " + also + "\nverbatim\n  model " + written + "\nverbatim\n"
           "  x(" + written + ") -\n"
           "  p(py) 1 1 1 1 -1 x\n  p(alm) 1 1 0 1 1 x\n  ideal\n  2\n"
           "  xMg 1 1 1 1 -1 x\n  xFe 1 1 0 1 1 x\n  py 1 1 xMg 3\n  alm 1 1 xFe 3\n";
}

}  // namespace zt::axtest
