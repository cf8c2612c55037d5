#include "app/heaparrays.h"

#include <vector>

#include "ax/phaserecords.h"
#include "dsfit/fitset.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/methods/random.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/heap.h"
#include "runtime/runfiles.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

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

template <typename V>
void release(V& v)
{
    V().swap(v);
}

}  // namespace

void initglobals()
{
    ws.c.assign(maxcomps + 1, comprow{});
    noteallocated("c", cbytes);
    ws.cov = zeroedreals(static_cast<size_t>(maxems + 1) * (maxems + 1));
    noteallocated("cov", covbytes);
    reactions.r.assign(maxreactions + 1, reaction{});
    noteallocated("r", rbytes);
    // Room for every phase at once, but a record is built only when a run takes it: most
    // runs take a few (a solution-phase record is about a megabyte).
    release(phases.prec0);
    phases.prec0.reserve(maxpurephases + 1);
    phases.prec0.resize(1);
    noteallocated("prec0", prec0bytes);
    release(phases.prec1);
    phases.prec1.reserve(maxsolnphases + 1);
    phases.prec1.resize(1);
    noteallocated("prec1", prec1bytes);
    ws.td.assign(maxems + 1, tdrecord{});
    noteallocated("td", tdbytes);
    eq.compdx = zeroedreals(static_cast<size_t>(maxems + 1) * (maxcomps + 1) * 16);
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
