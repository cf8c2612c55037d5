#include <cmath>
#include <string>

#include "dsfit/assembly.h"
#include "dsfit/dsfile.h"
#include "dsfit/emfile.h"
#include "dsfit/fitformat.h"
#include "dsfit/fitinput.h"
#include "dsfit/fitreport.h"
#include "dsfit/fitset.h"
#include "dsfit/lsq.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/runstate.h"
#include "runtime/textfile.h"
#include "script/scriptreader.h"
#include "script/settings.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

constexpr int16_t maxiterations = 20;

void askswitches()
{
    fitsetprefsrecord& p = fit.fitsetprefs;
    promptcontrol("QR or Choleski to do LSQ: use QR", p.useqr);
    promptcontrol("bullet \"pathological\" experiments", p.mark456);
    promptcontrol("print omitted experiments", p.printomit);
    promptcontrol("use \"rfac\"", p.userfac);
    if (p.userfac == 0) promptcontrol("effectively fix \"good\" equilibria", p.tighten);
}

void convert()
{
    writeconsole("dsfile conversion to new format\n");
    str22 suffix = "em" + fit.fitsetprefs.emsuffix + "-f";
    std::string name;
    promptdatafile("ds-", suffix, "thermo", name, runfiles.datafile);
    runfiles.curfilename = name;
    readth();
    closetextfile(runfiles.datafile);
    writedsfile();
}

void iterate(int16_t n)
{
    for (int16_t k = 1; k <= n; ++k) {
        fit.fititeration = k;
        fit.nseriesfail = 0;
        assemblelsq(k);
        if (fit.fitsetprefs.useqr == 0) qr();
        else choleski();
        std::string line = wholetostr(k) + ": ";
        addfixed(3, 6, std::sqrt(fit.sigfitsq), line);
        putstr(k == 1 ? 1 : 0, line, 1, 13);
        const real scale = k == n ? std::sqrt(fitvariancefactor()) : 1;
        for (int j = 1; j <= ds.ntp; ++j) {
            fitemrecord& r = fit.tda[static_cast<size_t>(j)];
            r.H = fit.theta[static_cast<size_t>(j)];
            r.sdH = std::sqrt(fit.xx[fitat(j, j)]) * scale;
        }
    }
}

}  // namespace

void dofitset()
{
    fit.nseriesfail = 0;
    run.gemcount = 0;
    ds.spswitch = true;
    fit.fitreport = false;
    askswitches();
    readcontrol();
    settings.axnamechecks = false;
    int16_t n = 0;
    promptinteger("number of iterations ", n);
    if (n < 1) {
        convert();
        return;
    }
    if (n > maxiterations) bombout("dofitset", "too many iterations", 0);
    settings.wqxon = false;
    settings.numerical = false;
    readxy();
    if (ds.dsmode == 5) writeconsole("dsmode = 5 (old school)\n");
    else if (ds.dsmode == 6) writeconsole("dsmode = 6 (5 tweaked, new format)\n");
    else bombout("dofitset", "dsmode not 5 or 6", 0);
    iterate(n);
    reportfitset();
    writeemifile();
}

}  // namespace zt
