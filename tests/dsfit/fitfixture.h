// Shared set-up of the refinement tests: a temporary folder, a captured console, the
// refinement's arrays and small invented input files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ax/axreader.h"
#include "ax/axtokens.h"
#include "ax/fluidphases.h"
#include "ax/phaserecords.h"
#include "dsfit/fitset.h"
#include "runtime/records/equilibriumstate.h"
#include "reactions/services.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/heap.h"
#include "runtime/prefs.h"
#include "runtime/runfiles.h"
#include "runtime/runopen.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/dataset.h"
#include "thermo/workingset.h"

namespace zt::fittest {

// Seven invented end-members in the dsmode-6 layout.
inline const char* const emfile6 =
    "6\n"
    "% end-members of the fit tests\n"
    "ky     kyanite\n   6 2.0  1 1.0  10 5.0  0\n   0   -2593.100   % {Robie}\n   0.08320   % entropy\n"
    "   4.4140\n   0.2794  -0.0000071  -1389.4  -2.2765\n   0.0000192\n   1601.0   4.05\n \n"
    "sill   sillimanite\n   6 2.0  1 1.0  10 5.0  0\n   0   -2585.700\n   0.09570\n   4.9860\n"
    "   0.2802  -0.0000071  -1375.7  -2.3994\n   0.0000112\n   1640.0   5.06\n \n"
    "and    andalusite\n   6 2.0  1 1.0  10 5.0  0\n   0   -2588.800\n   0.09270\n   5.1530\n"
    "   0.2773  -0.0000060  -1309.3  -2.1990\n   0.0000181\n   1442.0   6.89\n \n"
    "q      quartz\n   1 1.0  10 2.0  0\n   1   -910.710\n   0.04150\n   2.2690\n"
    "   0.0921  -0.0000060  -624.0  -0.0710\n   0.0000065\n   730.0   6.00\n   847   0.00495   0.1188   % landau\n \n"
    "an     anorthite\n   5 1.0  6 2.0  1 2.0  10 8.0  0\n   0   -4232.700\n   0.20000\n   10.0790\n"
    "   0.3705  -0.0000100  -4332.8  -1.9600\n   0.0000141\n   860.0   4.09\n \n"
    "gr     grossular\n   5 3.0  6 2.0  1 3.0  10 12.0  0\n   0   -6643.000\n   0.25500\n   12.5350\n"
    "   0.6260   0.0000000  -5779.2  -4.0029\n   0.0000220\n   1720.0   5.53\n \n"
    "py     pyrope\n   4 3.0  6 2.0  1 3.0  10 12.0  0\n   0   -6281.900\n   0.26900\n   11.3130\n"
    "   0.6335   0.0000000  -5196.1  -4.3152\n   0.0000237\n   1743.0   4.05\n \n"
    "*\n";

// A garnet of pyrope and grossular, ideal on one site of three.
inline const char* const axfile =
    "g 2 1\n x(g) 0.5\n p(py) 1 1 1 1 -1 x\n p(gr) 1 1 0 1 1 x\n ideal\n 2\n"
    " xMg 1 1 1 1 -1 x\n xCa 1 1 0 1 1 x\n py 1 1 xMg 3\n gr 1 1 xCa 3\n";

// Orthopyroxene with Fe-Mg order over two sites: fm is Mg on M1 and Fe on M2, placed
// about 6 kJ below the mean of en and fs. With fo and q it makes a divariant group; with
// fa as well a univariant one in FeO-MgO-SiO2.
inline const char* const emfileopx =
    "6\n"
    "% pyroxenes for the state-of-order tests\n"
    "en     enstatite\n   4 2.0  1 2.0  10 6.0  0\n   0   -3090.200\n   0.13220\n   6.2620\n"
    "   0.3562  -0.0000299  -596.9  -3.1853\n   0.0000227\n   1059.0   8.65\n \n"
    "fs     ferrosilite\n   3 2.0  1 2.0  10 6.0  0\n   0   -2388.600\n   0.18920\n   6.5920\n"
    "   0.3987  -0.0000658  1290.1  -4.0580\n   0.0000282\n   1010.0   4.08\n \n"
    "fm     ordered_fs_en\n   4 1.0  3 1.0  1 2.0  10 6.0  0\n   0   -2745.800\n   0.16070\n   6.4270\n"
    "   0.3775  -0.0000479  346.6  -3.6217\n   0.0000255\n   1040.0   6.30\n \n"
    "fo     forsterite\n   4 2.0  1 1.0  10 4.0  0\n   0   -2172.600\n   0.09510\n   4.3660\n"
    "   0.2333   0.0000015  -603.8  -1.8697\n   0.0000285\n   1285.0   3.84\n \n"
    "fa     fayalite\n   3 2.0  1 1.0  10 4.0  0\n   0   -1477.700\n   0.15100\n   4.6310\n"
    "   0.2011   0.0000173  -1960.6  -0.9009\n   0.0000282\n   1256.0   4.68\n \n"
    "q      quartz\n   1 1.0  10 2.0  0\n   0   -910.710\n   0.04150\n   2.2690\n"
    "   0.0921  -0.0000060  -624.0  -0.0710\n   0.0000065\n   730.0   6.00\n \n"
    "*\n";

// x = Fe/(Fe+Mg), Q = (Fe on M2 - Fe on M1)/2; ideal mixing on the two sites.
inline const char* const axopx =
    "opx 3 1\n x(opx) 0.3\n Q(opx) 0.05 range -1 1\n"
    " p(en) 1 1 1 2 -1 x -1 Q\n p(fs) 1 1 0 2 1 x -1 Q\n p(fm) 1 1 0 1 2 Q\n ideal\n 4\n"
    " xMgM1 1 1 1 2 -1 x 1 Q\n xFeM1 1 1 0 2 1 x -1 Q\n xMgM2 1 1 1 2 -1 x -1 Q\n xFeM2 1 1 0 2 1 x 1 Q\n"
    " en 1 2 xMgM1 1 xMgM2 1\n fs 1 2 xFeM1 1 xFeM2 1\n fm 1 2 xMgM1 1 xFeM2 1\n";

inline void resetfitworld()
{
    resetchannels();
    channels.outchannels = 1;
    resetrunfiles();
    resetprefs();
    static_cast<scriptsettings&>(settings) = scriptsettings{};
    settings.autoexit = true;
    settings.axnamechecks = false;
    resetdatasetstate();
    resetrunstate();
    run.calcmode = 4;
    pd.fluidtype = 6;
    if (phases.prec1.size() != static_cast<size_t>(maxsolnphases + 1)) phases.prec1.assign(maxsolnphases + 1, axphase{});
    if (phases.prec0.size() != static_cast<size_t>(maxems + 1)) phases.prec0.assign(maxems + 1, emphaserec{});
    phases.nsolnphases = phases.npurephases = phases.nphases = 0;
    // What the equilibria of experiments among phases work in.
    if (ws.td.size() != static_cast<size_t>(maxems + 1)) ws.td.assign(maxems + 1, tdrecord{});
    if (ws.c.size() != static_cast<size_t>(maxcomps + 1)) ws.c.assign(maxcomps + 1, comprow{});
    if (ws.cov.empty()) ws.cov.assign(static_cast<size_t>(maxems + 1) * (maxems + 1), 0);
    if (reactions.r.size() != static_cast<size_t>(maxreactions + 1)) reactions.r.assign(maxreactions + 1, reaction{});
    resetworkingset();
    resetreactions();
    filloxidetable();
    eq = equilibriumstate{};
    eq.compdx.assign(static_cast<size_t>(maxems + 1) * (maxcomps + 1) * 16, 0);
    resetaxreader();
    resetaxtokens();
    resetaxheader();
    resetfluidtable();
    runopening.progname = "zeltram";
    runopening.datetimestamp = "10.30 on Mon 3 Mar,2025";
}

// One test's world. The refinement's arrays are allocated once and reset for each test.
struct fitworld {
    testing::tempfolder folder;
    testing::consolecapture console;
    explicit fitworld(const std::string& answers = "") : console(answers)
    {
        resetfitworld();
        if (fit.tda.empty()) {
            folder.writefile("ds-prefs.txt", "");
            allocatefitset();
        }
        resetfitdata();
        fit.fitsetprefs = fitsetprefsrecord{};
        fit.fitsetprefs.emsuffix = "t";
        fit.fitsetprefs.axsuffix = "t";
        fit.fitsetprefs.xpsuffix = "t";
        fit.fitsetprefs.ztdssuffix = "6t";
        runfiles.datafilenamesuffix = "6t";
    }
    // The three input files of readxy.
    void writeinputs(const std::string& xp, const std::string& em = emfile6, const std::string& ax = axfile) const
    {
        folder.writefile("ds-emt.txt", em);
        folder.writefile("ds-axt.txt", ax);
        folder.writefile("ds-xpt.txt", xp);
    }
    std::string out() const { return console.output(); }
    bool bombedwith(const std::string& message) const { return out().find(" : " + message) != std::string::npos; }
};

inline int16_t emindex(const std::string& name)
{
    for (int i = 1; i <= fit.ntpfit; ++i) {
        if (fit.tda[static_cast<size_t>(i)].name == name) return static_cast<int16_t>(i);
    }
    return 0;
}

}  // namespace zt::fittest
