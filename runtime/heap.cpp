#include "runtime/heap.h"

#include "ax/phaserecords.h"
#include "dsfit/fitset.h"
#include "numeric/equilibriumstate.h"
#include "numeric/random.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/prefs.h"
#include "runtime/runfiles.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

heapstate heap;
oxidetablestate oxides;

namespace {

// The byte counts reported for the arrays are those of their record layouts as
// counted by the run, not sizeof of this build's types.
constexpr int32_t cbytes = 20800;
constexpr int32_t covbytes = 1600000;
constexpr int32_t rbytes = 120000;
constexpr int32_t prec0bytes = 1920000;
constexpr int32_t prec1bytes = 59178240;
constexpr int32_t tdbytes = 124000;
constexpr int32_t compdxbytes = 1560000;

// Rounded like every whole number the program prints: 1562.5k (the "cov" array) is 1562k.
std::string kilobytes(int32_t bytes) { return wholetostr(static_cast<real>(bytes) / 1024); }

template <typename T>
void release(std::vector<T>& v)
{
    std::vector<T>().swap(v);
}

struct oxiderow {
    const char* element;
    const char* formula;
    real mass;
    int16_t cations, oxygens, order;
};

}  // namespace

void noteallocated(const str22& name, int32_t size)
{
    heap.heaptotal += size;
    if (prefs.monitorheap)
        writeconsole("space allocated for " + name + " is " + kilobytes(size) + "k; " + ", heap now " +
                     kilobytes(heap.heaptotal) + "k\n");
}

void notedisposed(const str22& name, int32_t size)
{
    heap.heaptotal -= size;
    if (prefs.monitorheap)
        writeconsole("space disposed for " + name + "; heap size now " + kilobytes(heap.heaptotal) + "k\n");
}

void filloxidetable()
{
    static const oxiderow rows[maxcomps] = {
        {"Si", "SiO2", 60.0848L, 1, 2, 3},      {"Ti", "TiO2", 79.8988L, 1, 2, 10},
        {"Al", "Al2O3", 101.96128L, 2, 3, 4},   {"Fe", "FeO", 71.8464L, 1, 1, 7},
        {"Mg", "MgO", 40.3044L, 1, 1, 6},       {"Mn", "MnO", 70.9374L, 1, 1, 11},
        {"Ca", "CaO", 56.0794L, 1, 1, 5},       {"Na", "Na2O", 61.97894L, 2, 1, 9},
        {"K", "K2O", 94.1954L, 2, 1, 8},        {"O", "O", 16.0L, 0, 1, 12},
        {"H", "H2O", 18.0152L, 2, 1, 1},        {"C", "CO2", 44.0098L, 1, 2, 2},
        {"Cl", "Cl2O", 86.9L, 2, 1, 13},        {"e", "O2-", 16.0L, 2, 1, 15},
        {"Ni", "NiO", 74.7094L, 1, 1, 16},      {"Zr", "ZrO2", 123.2188L, 1, 2, 17},
        {"S", "SO2", 64.0582L, 1, 2, 14},       {"Cu", "CuO", 79.546L, 1, 1, 18},
        {"Cr", "Cr2O3", 151.9902L, 2, 3, 19},   {"F", "F2O", 53.996L, 2, 1, 20},
        {"P", "P2O5", 283.889L, 2, 5, 21},      {"Ba", "BaO", 153.3394L, 1, 1, 22},
        {"Li", "Li2O", 29.8814L, 2, 1, 23},     {"Rb", "Rb2O", 186.935L, 2, 1, 24},
        {"Sr", "SrO", 103.6194L, 1, 1, 25},     {"Zn", "ZnO", 81.3794L, 1, 1, 26},
    };
    for (size_t k = 1; k <= maxcomps; ++k) {
        const oxiderow& row = rows[k - 1];
        oxides.oxideelement[k] = row.element;
        oxides.oxideformula[k] = row.formula;
        oxides.oxidemass[k] = row.mass;
        oxides.oxidecations[k] = row.cations;
        oxides.oxideoxygens[k] = row.oxygens;
        oxides.oxorder[k] = row.order;
    }
}

void initglobals()
{
    ws.c.assign(maxcomps + 1, comprow{});
    noteallocated("c", cbytes);
    ws.cov.assign(static_cast<size_t>(maxems + 1) * (maxems + 1), 0);
    noteallocated("cov", covbytes);
    reactions.r.assign(maxreactions + 1, reaction{});
    noteallocated("r", rbytes);
    phases.prec0.assign(maxems + 1, emphaserec{});
    noteallocated("prec0", prec0bytes);
    phases.prec1.assign(maxsolnphases + 1, axphase{});
    noteallocated("prec1", prec1bytes);
    ws.td.assign(maxems + 1, tdrecord{});
    noteallocated("td", tdbytes);
    eq.compdx.assign(static_cast<size_t>(maxems + 1) * (maxcomps + 1) * 16, 0);
    noteallocated("compdx", compdxbytes);

    phases.npurephases = phases.nsolnphases = phases.nphases = 0;
    pd.nbulkcomps = pd.npleft = pd.nexcluded = pd.niso = 0;
    reactions.nomitted = reactions.nreac = 0;
    eq.nvar = eq.nxp = eq.nsolnmodes = 0;
    run.gemcount = 0;
    fit.expcrdflag = false;
    setinitialsettings();
    eq.tscale = 1.0L / 2717;
    eq.toffset = -283 * eq.tscale;
    eq.pscale = 1 / (1500 - settings.pmin);
    eq.poffset = -settings.pmin * eq.pscale;

    filloxidetable();

    pd.inbulk.fill(false);
    for (size_t k = 1; k <= maxcomps; ++k) pd.inbulk[k] = true;
    ws.nsite.fill(0);
    for (size_t i = 1; i <= maxems; ++i) ws.nsite[i] = 1;
    reactions.allreactions = true;
    ws.ico2 = ws.ih2o = ws.iaqsi = ws.icrd = ws.ifcrd = ws.ilna = ws.imu = 0;
    fit.iexp = 1;
    ws.aqsihydration = 4;
    runfiles.datafilenamesuffix.clear();
    reactions.var = 1;

    setseeds();
    for (comprow& row : ws.c) row.fill(0);
    eq.nleconvtag = "-";
}

void freeglobals()
{
    release(ws.cov);
    notedisposed("cov", covbytes);
    release(ws.c);
    notedisposed("c", cbytes);
    release(reactions.r);
    notedisposed("r", rbytes);
    release(phases.prec0);
    notedisposed("prec0", prec0bytes);
    release(phases.prec1);
    notedisposed("prec1", prec1bytes);
    release(ws.td);
    notedisposed("td", tdbytes);
    release(eq.compdx);
    notedisposed("compdx", compdxbytes);
}

}  // namespace zt
