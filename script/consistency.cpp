// The adjustments that bring the settings of a script into agreement after its last line.
#include <string>

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/records/datasetstate.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"
#include "script/checkers.h"
#include "script/keywords.h"
#include "script/settings.h"

namespace zt {

namespace {

runsettings& s = settings;

void minimisation()
{
    if (!s.dogminon) {
        s.dogminlevel = -1;
        return;
    }
    if (s.dogminlevel < 0 || s.dogminlevel > 2) s.dogminlevel = 2;
    s.tozero = 1;
    s.ntozero = 0;
    s.printxyz = s.dogminlevel > 0 ? 0 : 1;
    if (s.printbulkinfoon != 1 && s.dogminlevel == 1) s.printbulkinfoon = 0;
    s.modeiso = s.zeromodeiso = s.isopleth = s.projection = s.c8 = s.modebox = s.calcuncertainties = 1;
    s.sdlevel = 0;
    s.systemprops = true;
    s.outlevel = 0;
    s.pseudosection = true;
    if (s.nbulks >= 2) {
        if (s.onebulk != 1) {
            s.onebulk = 0;
        } else {
            putstr(1, "with a bulk range, use the onebulk script", 0, 9);
            bombout("read scripts", "dogmin works on one bulk", 0);
        }
    }
}

void montecarlo()
{
    for (int b = 1; b <= s.nbatches; ++b) {
        const batchrec& r = s.batches[static_cast<size_t>(b)];
        if (r.np != 1 || r.nt != 1) bombout("read scripts", "only one calc per batch in mczt currently", 0);
    }
    if (ds.oldds) bombout("read scripts", "mc calcs not available with the old ds5 dataset layout", 0);
    // The excess list of the script: the working set's own count is not built yet.
    if (s.nexcesslist > 0 || s.ntozero > 0)
        bombout("read scripts", "sorry! in-excess phases not allowed with" + std::string(20, ' '), 0);
    if (s.nmcrange < 0) s.nmcrange = 0;
    if (s.nmcfunc < 0) s.nmcfunc = 0;
    s.nsamecoding = 0;
    s.batchdebug = 0;
    s.pseudosection = false;
    pd.massbalance = false;
    s.projplane = 1;
    s.someof = false;
    s.systemprops = false;
    s.sdlevel = 0;
    setcalcptfromwindow();
    if (s.mcdebug == 0) {
        s.debuglevel = 1;
        s.mcrunlimit = 5;
        s.mcwanted = 3;
    } else {
        s.debuglevel = 0;
    }
    if (s.debuglevel == 0) s.printxyz = 1;
    s.axnamechecks = true;
    s.quilleton = 1;
    putstr(0, "", 1, 1);
}

// The bullets are exclusive on the number of batches as the script left it.
void batchesandmontecarlo()
{
    const int16_t nb = s.nbatches;
    if (nb == 0) bombout("read scripts", "batch entry failed", 0);
    if (nb == -1) {
        s.mcrunlimit = 1;
        s.batch = 1;
        s.mc = 1;
        s.nbatches = 1;
    } else if (s.nmc == -1) {
        s.mc = 1;
        s.mcrunlimit = 1;
        s.nxyzguess = 0;
        s.someof = false;
        setcalcptfromwindow();
    } else {
        montecarlo();
    }
}

void selectbatches()
{
    if (s.nbatchselect < 1) {
        s.nbatchselect = s.nbatches;
        for (int b = 1; b <= s.nbatches; ++b) s.batchselect[static_cast<size_t>(b)] = true;
    }
    int16_t j = 0;
    bool all = true;
    for (int b = 1; b <= s.nbatches; ++b) all = all && s.batchselect[static_cast<size_t>(b)];
    for (int k = 1; k <= s.nbatches; ++k) {
        if (!s.batchselect[static_cast<size_t>(k)]) continue;
        ++j;
        if (!all && j != k) s.batches[static_cast<size_t>(j)] = s.batches[static_cast<size_t>(k)];
        s.batchlabel[static_cast<size_t>(j)] = static_cast<int16_t>(k);
    }
    if (!all) s.nbatches = j;
}

// Batch numbers of the requests become positions among the selected batches.
void mapbatchrequests(int16_t nbefore)
{
    if (s.nbatchreq < 0) s.nbatchreq = 0;
    std::array<int16_t, maxbatches + 1> position{};
    int16_t j = 0;
    for (int k = 1; k <= nbefore; ++k)
        if (s.batchselect[static_cast<size_t>(k)]) position[static_cast<size_t>(k)] = ++j;
    int16_t rows = 0;
    for (int r = 1; r <= s.nbatchreq; ++r) {
        batchreqrow row = s.batchreqs[static_cast<size_t>(r)];
        int16_t n = 0;
        for (int i = 1; i <= row.n; ++i) {
            const int16_t b = row.batches[static_cast<size_t>(i)];
            const int16_t p = b >= 1 && b <= nbefore ? position[static_cast<size_t>(b)] : int16_t{0};
            if (p > 0) row.batches[static_cast<size_t>(++n)] = p;
        }
        row.n = n;
        if (n > 0) s.batchreqs[static_cast<size_t>(++rows)] = row;
    }
    s.nbatchreq = rows;
    if (rows == 0) return;
    putstr(1, "caring batches", 1, 1);
    std::string line;
    for (int r = 1; r <= rows; ++r) {
        addwhole(3, line, s.batchreqs[static_cast<size_t>(r)].batches[1]);
        if (r % 20 == 0 || r == rows) {
            putstr(0, line, 1, 1);
            line.clear();
        }
    }
}

void mergetozero()
{
    for (int i = 1; i <= s.ntozero; ++i) {
        const str22& name = s.tozeronames[static_cast<size_t>(i)];
        bool found = false;
        for (int k = 1; k <= s.nexcesslist && !found; ++k) found = s.excesslist[static_cast<size_t>(k)] == name;
        if (found) continue;
        checktablespace("tozero", s.nexcesslist + 1, maxexcesslist, "phases in excess");
        s.excesslist[static_cast<size_t>(++s.nexcesslist)] = name;
    }
    if (s.nexcesslist <= 0 || s.nwith < 1 || s.nwith >= 100) return;
    for (int i = 1; i <= s.nexcesslist; ++i) {
        const str22& name = s.excesslist[static_cast<size_t>(i)];
        bool found = false;
        for (int k = 1; k <= s.nwith && !found; ++k) found = s.withnames[static_cast<size_t>(k)] == name;
        if (found) continue;
        ++s.nwith;
        s.withnames[static_cast<size_t>(s.nwith)] = name.substr(0, name.find('_'));
        s.withshortnames[static_cast<size_t>(s.nwith)] = name;
    }
}

void pseudosectionbulk()
{
    if (!s.pseudosection) return;
    if (s.nbulks < 1) bombout("reading scripts", "no bulk for pseudosection calcs", 0);
    if (s.rbi != 0) return;
    real sum = 0;
    for (int k = 1; k <= s.nrbi; ++k) sum += s.rbitable[0][static_cast<size_t>(k)];
    if (sum == 0) bombout("reading scripts", "the rbi modes sum to zero", 0);
    for (int k = 1; k <= s.nrbi; ++k) s.rbitable[0][static_cast<size_t>(k)] /= sum;
}

}  // namespace

void scriptconsistency()
{
    if (s.outlevel < 0 || s.outlevel > 1) s.outlevel = 1;
    minimisation();
    if (!s.pseudosection) s.systemprops = false;
    if (s.filtergiven && s.nfiltersets != s.nbatches) bombout("read scripts", "flitters don't match batches", 0);
    batchesandmontecarlo();
    if (s.batch == 0) {
        if (s.nxyzguess > 0) bombout("scripts", "xyzguess not allowed with batches (use batchxyzguess)", 0);
        if (s.nbatchxyzguess < 1) bombout("scripts", "no batchxyzguess to use with batches", 0);
    }
    const int16_t nbefore = s.nbatches;
    selectbatches();
    mapbatchrequests(nbefore);
    if (s.nbatches >= 2) {
        std::string line = "no of batches = " + wholetostr(s.nbatches);
        if (s.nmc > 0) line += "; no of filters = " + wholetostr(s.nfiltersets) + "; no of mc = " + wholetostr(s.nmc);
        putstr(1, line, 1, 9);
    }
    if (s.nmc < 2 && s.nbatches < 2 && s.debuglevel == 0) s.debuglevel = 1;
    mergetozero();
    pseudosectionbulk();
    if (!s.dogminon && s.setvar == 0 && s.pseudosection) {
        s.setvar = 1;
        s.autovar = 0;
    }
    if (s.compatibility == 0 || s.modebox == 0) s.quilleton = 1;
    if (s.fitseton == 0) s.projection = 1;
    if (!ds.oldds) s.axnamechecks = true;
    s.xco2diagram = s.figure == 1 || s.figure == 2;
}

}  // namespace zt
