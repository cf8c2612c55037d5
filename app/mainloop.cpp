#include "app/mainloop.h"

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/heaparrays.h"
#include "dsfit/fitset.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prefs.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/runopen.h"
#include "runtime/runstate.h"
#include "runtime/words.h"
#include "script/scriptreader.h"
#include "script/settings.h"
#include "thermo/datasetreader.h"

namespace zt {

namespace {

const char* const programlabel = "ZELTRAM 3.51";

int32_t calcmodeofcode(int16_t code) { return code == 9 ? 4 : code; }

void startout()
{
    if (run.calcmode == 4) {
        startfitfiles(fit.fitsetprefs.ztdssuffix);
        releaseoutputs();
        return;
    }
    openscriptfile();
    refuseinputsasoutputs(runfiles.datafilenamesuffix);
    releaseoutputs();
    opensidefiles();
}

void startup()
{
    openrun(programlabel);
    // only now: without the preferences the run cannot tell an earlier log from a user's
    // file of that name (a script may be called zt-log.txt), and leaves it as it is
    expectlog();
    const bool scripttocome = refuseinputsasoutputs(prefs.scriptsuffix);
    guardexpectedlog();
    checkprefs();
    // until the script is named: a suffix typed at its prompt may name the log's file
    if (scripttocome) holdoutputs();
    openlog();
    run.calcmodecode = getcalcmode();
    run.calcmode = calcmodeofcode(run.calcmodecode);
    if (run.calcmode == 0) bombout("setup", "sorry, mode 0 not available: use zt350", 1);
    initglobals();
    if (run.calcmode == 4) allocatefitset();
    startout();
}

void onerepetition()
{
    switch (run.calcmode) {
        case 1:
            settings.diagrammode = 0;
            nlesetup();
            break;
        case 2:
            rocksetup();
            rockcalcs();
            break;
        case 3:
            phasediagramsetup();
            phasediagramcalcs();
            break;
        default:
            dofitset();
            break;
    }
}

const char* morequestion()
{
    switch (run.calcmode) {
        case 1: return "more phase diagram calculations";
        case 2: return "more rock calculations";
        default: return "more calculations";
    }
}

void repeatloop()
{
    run.runcount = 0;
    for (;;) {
        ++run.runcount;
        onerepetition();
        putstr(0, "", 1, 9);
        flushall();
        if (run.calcmode == 4 || settings.autoexit) return;
        if (!query(morequestion())) return;
    }
}

void shutdown()
{
    putstr(1, "[ zt351 is a zt version that performs zt350-consistent mode 1 calculations with the zt360-compliant ",
           1, 13);
    putstr(0, "a-x data files of its generation; a later version replaces it ]", 1, 13);
    putstr(0, std::string(60, '='), 1, 13);
    if (run.calcmode != 4 && !settings.autoexit) pausequery("all done - hit return to exit");
    freeglobals();
    if (run.calcmode == 4) endfitset();
    if (run.calcmode == 1 && (settings.batch == 0 || settings.dogminon || settings.debuglevel == 4))
        reportelapsed();
    closeall();
}

}  // namespace

bool refuseinputsasoutputs(const str22& scriptsuffix)
{
    const bool refining = prefs.prefscalcmode == 9;
    noteinput("startout", prefsfilename, "prefs info");
    if (!scriptsuffix.empty()) {
        const std::string script = "zt-" + scriptsuffix + ".txt";
        noteinput("startout", script, "script info");
        const str22 axsuffix = refining ? str22() : scriptaxsuffix(script);
        if (!axsuffix.empty()) noteinput("startout", "zt-" + axsuffix + ".txt", "a-x info");
    }
    // modes 1 to 3 read it whatever its suffix; a refinement does not, but must not replace
    // the one the preferences name either
    if (!refining || !prefs.dssuffix.empty())
        noteinput("startout", datasetfilename(prefs.dssuffix), "thermo dataset");
    bool scripttocome = scriptsuffix.empty();
    if (refining) scripttocome = refusefitinputsasoutputs() || scripttocome;
    else refuseclashes("startout", runoutputnames(scriptsuffix));
    return scripttocome;
}

int16_t getcalcmode()
{
    const int16_t code = prefs.prefscalcmode;
    if (code == 9 || (code >= 0 && code <= 3)) return code;

    putstr(0, "calculation mode (calcmode) :", 1, 9);
    putstr(0, "     0 = utilities: data tables, mineral recalc etc", 1, 9);
    putstr(0, "     1 = phase diagram calculations (and avPT+)", 1, 9);
    putstr(0, "     2 = average pressure-temperature calculations", 1, 9);
    putstr(0, "     3 = calculations on all reactions between end-members", 1, 9);
    str22 answer;
    promptword("calcmode code", answer);

    const std::string range = "between 0 and " + wholetostr(3);
    if (wordtype(answer) != wkinteger) bombout("getcalcmode", "integer needed (1), " + range, 0);
    int16_t chosen = 0;
    std::string errtext;
    if (!readint(answer, chosen, errtext) || chosen < 0 || chosen > 3)
        bombout("getcalcmode", "integer needed (2), " + range, 0);

    putstr(1, "this code can appear in the prefsfile (zt-prefs.txt) as", 1, 13);
    putstr(0, "calcmode " + wholetostr(chosen), 2, 13);
    return chosen;
}

void reportelapsed()
{
    const clockreading now = clocknow();
    const int64_t span = now.msecs - runopening.starttime.msecs;
    std::string line = "elapsed = ";
    if (span < 5000)
        line += wholetostr(static_cast<real>(span)) + " msecs, n = ";
    else
        line += wholetostr(static_cast<real>(span / 1000)) + " secs, n = ";
    line += wholetostr(static_cast<real>(run.gemcount)) + "\n";
    writeconsole(line);
}

void reportescapes(const std::function<void()>& part)
{
    try {
        part();
    } catch (const RunEnded&) {
        throw;
    } catch (const std::bad_alloc&) {
        bombout("main", "not enough memory for this run", 0);
    } catch (const std::exception& e) {
        bombout("main", std::string("unexpected failure: ") + e.what(), 1);
    } catch (...) {
        bombout("main", "unexpected failure", 1);
    }
}

int runprogram()
{
    try {
        reportescapes([] {
            startup();
            repeatloop();
            shutdown();
        });
    } catch (const RunEnded& end) {
        if (end.code == platformfailurestatus) abandonfiles();
        if (!runfiles.writefailed) throw;
    }
    // a file that could not be written fails the run, whatever else ended it
    if (runfiles.writefailed) throw RunEnded{platformfailurestatus};
    return 0;
}

}  // namespace zt
