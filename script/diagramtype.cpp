#include "script/diagramtype.h"

#include <string>

#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/prompts.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/fluid.h"
#include "script/settings.h"
#include "script/valuelists.h"
#include "script/windows.h"

namespace zt {

namespace {

constexpr real celsiustokelvin = 273.15L;

const std::string degC = std::string(1, degreebyte) + "C";

real centre(const window& w) { return (w[1] + w[2]) / 2; }

// Heading and four values: the first two into a, the last two into b.
void askwindow(const std::string& heading, const std::string& prompt, window& a, real shift, window& b)
{
    putstr(1, heading, 1, 9);
    listreals values{};
    int16_t n = 4;
    promptreals(prompt, values, n);
    a[1] = values[1] + shift;
    a[2] = values[2] + shift;
    b[1] = values[3];
    b[2] = values[4];
}

// The typed P window of a P-x or P-log a diagram, brought within the overall window at
// both ends.
void fitpwindow()
{
    window& r = settings.calcprange;
    scriptpwindow(r[1], r[2], 1);
    if (r[1] < settings.pwindow[1] || r[2] > settings.pwindow[2]) scriptpwindow(r[1], r[2], 1);
}

void fixedp()
{
    settings.pnow = promptcheckedp("fixed P (in kbar)");
    settings.calcprange[1] = settings.calcprange[2] = settings.pnow;
}

void fixedt()
{
    settings.tnow = promptcheckedt("fixed T (in " + degC + ")");
    settings.calctrange[1] = settings.calctrange[2] = settings.tnow;
}

// The fluid of a diagram whose fixed-activity end-member may be H2O or CO2 itself.
bool fluidfromname()
{
    if (settings.nlna < 1) return false;
    const str22& name = settings.lnanames[1];
    if (name == "H2O") {
        settings.xh2ofluid = 1;
        settings.xco2fluid = 0;
        return true;
    }
    if (name == "CO2") {
        settings.xh2ofluid = 0;
        settings.xco2fluid = 1;
        return true;
    }
    return false;
}

void ptdiagram(bool setup)
{
    if (setup) {
        promptcontrol("calculate T at P (rather than P at T)", settings.calctatp);
        pd.ptcalcmode = settings.calctatp == 0 ? 1 : 2;
        if (pd.ptcalcmode == 1)
            ptcalcsetup("", "P at which T of reactions to be calculated", "T window within which reactions expected to lie");
        else
            ptcalcsetup("", "P window within which reactions expected to lie", "T at which P of reactions to be calculated");
        univariantsetup();
        settings.tnow = centre(settings.calctrange);
        settings.pnow = centre(settings.calcprange);
        settings.ntlist = settings.nplist = 1;
        settings.plist[1] = settings.pnow;
        settings.tlist[1] = settings.tnow;
        if (settings.othervariable == 1)
            prompttinterval();
        else if (settings.othervariable == 0)
            promptpinterval();
        else
            bombout("diagramwindowsetup", "othervariable", 1);
        settings.nxco2calclist = 0;
    }
    if (!fluidfromname()) promptfluid();
    settings.xco2window[1] = settings.xco2window[2] = settings.xco2fluid;
}

void xdiagram(bool pressure, bool setup)
{
    if (setup) {
        if (pressure) {
            askwindow("P-x(CO2) window in which the phase diagram to be drawn", "P low, high , x(CO2) low, high",
                      settings.calcprange, 0, settings.xco2window);
            settings.calcvariable = 0;
            settings.othervariable = 2;
            fitpwindow();
            promptxco2window(settings.xco2window[1], settings.xco2window[2], 0);
            settings.pnow = centre(settings.calcprange);
        } else {
            askwindow("T-x(CO2) window in which the phase diagram to be drawn", "T low, high , x(CO2) low, high",
                      settings.calctrange, celsiustokelvin, settings.xco2window);
            settings.calcvariable = 1;
            settings.othervariable = 2;
            prompttwindow(settings.calctrange[1], settings.calctrange[2], 1);
            promptxco2window(settings.xco2window[1], settings.xco2window[2], 0);
            settings.tnow = centre(settings.calctrange);
        }
        settings.xco2fluid = centre(settings.xco2window);
        settings.xh2ofluid = 1 - settings.xco2fluid;
        listxco2();
        (pressure ? settings.ntlist : settings.nplist) = 0;
    }
    if (pressure)
        fixedt();
    else
        fixedp();
}

void logadiagram(bool pressure, bool setup)
{
    if (setup) {
        settings.seta = settings.setlna = settings.setloga = 1;
        const std::string axis = pressure ? "P" : "T";
        std::string a;
        if (query("for " + axis + "-log a, are logs to be to the base 10")) {
            settings.setloga = 0;
            putstr(0, "logs are to the base 10", 1, 13);
            a = "log a";
        } else {
            settings.setlna = 0;
            putstr(0, "logs are to the base e (ie natural logs)", 1, 13);
            a = "ln a";
        }
        askwindow(axis + "-" + a + " window in which the phase diagram to be drawn", axis + " low, high , " + a + " low, high",
                  pressure ? settings.calcprange : settings.calctrange, pressure ? 0 : celsiustokelvin, settings.logawindow);
        if (pressure) {
            settings.calcvariable = 0;
            settings.othervariable = 3;
            fitpwindow();
            promptlogawindow(settings.logawindow[1], settings.logawindow[2], 0);
            settings.pnow = centre(settings.calcprange);
        } else {
            settings.calcvariable = 1;
            settings.othervariable = 3;
            prompttwindow(settings.calctrange[1], settings.calctrange[2], 1);
            promptlogawindow(settings.logawindow[1], settings.logawindow[2], 0);
            settings.tnow = centre(settings.calctrange);
        }
        settings.lnavalues[1] = centre(settings.logawindow);
        listlna(1, settings.logawindow[1], settings.logawindow[2]);
        (pressure ? settings.ntlist : settings.nplist) = 0;
    }
    if (pressure)
        fixedt();
    else
        fixedp();

    const str22 name = settings.nlna >= 1 ? settings.lnanames[1] : str22();
    settings.lnalabels[1] = name;
    if (fluidfromname()) return;
    promptfluid();
    putstr(1, settings.setlna == 0 ? "for labelling purposes in ln a, " : "for labelling purposes in log a, ", 0, 9);
    str22 label;
    promptword("replace name, '" + name + "', with", label);
    if (!label.empty()) settings.lnalabels[1] = label;
}

}  // namespace

void getdiagramtype()
{
    if (run.calcmode != 3) {
        settings.diagrammode = 0;
        return;
    }
    int16_t code = settings.calctype;
    if (code < 1 || code > 5) {
        putstr(1, "code for type of phase diagram :", 1, 9);
        putstr(0, "        1 : pressure-temperature", 1, 9);
        putstr(0, "        2 : temperature-x(CO2)", 1, 9);
        putstr(0, "        3 : pressure-x(CO2)", 1, 9);
        putstr(0, "        4 : temperature-log a", 1, 9);
        putstr(0, "        5 : pressure-log a", 1, 9);
        promptinteger("code", code);
        if (code < 1 || code > 5) code = 1;
    }
    // The menu codes and the diagram modes are numbered differently.
    switch (code) {
        case 1: settings.diagrammode = 0; break;
        case 2:
            settings.diagrammode = 2;
            settings.fluidpresent = 0;
            pd.fluidtype = 6;
            break;
        case 3:
            settings.diagrammode = 1;
            settings.fluidpresent = 0;
            pd.fluidtype = 6;
            break;
        case 4: settings.diagrammode = 4; break;
        default: settings.diagrammode = 3; break;
    }
}

void diagramwindowsetup(bool setup)
{
    if (setup) dofigPT();
    switch (settings.diagrammode) {
        case 0: ptdiagram(setup); break;
        case 1: xdiagram(true, setup); break;
        case 2: xdiagram(false, setup); break;
        case 3: logadiagram(true, setup); break;
        case 4: logadiagram(false, setup); break;
        default: bombout("diagram", "unknown diagrammode", 1);
    }
}

}  // namespace zt
