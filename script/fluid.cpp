#include "script/fluid.h"

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/records/workingsetstate.h"
#include "runtime/reporter.h"
#include "script/settings.h"

namespace zt {

namespace {

void say(const std::string& text) { putstr(0, text, 1, 9); }

void asktwo(real& a, real& b)
{
    listreals values{};
    int16_t n = 2;
    promptreals("fixed a(CO2), a(H2O)", values, n);
    a = values[1];
    b = values[2];
}

}  // namespace

void promptfluid()
{
    real& xco2 = settings.xco2fluid;
    real& xh2o = settings.xh2ofluid;
    const bool h2o = ws.ih2o != 0, co2 = ws.ico2 != 0;

    promptcontrol("use the fluid composition given in the datafile", settings.setfluid);
    bool fromscript = settings.setfluid == 0;
    if (fromscript) {
        bool pass = true;
        if (co2 && !h2o) pass = xco2 > 0;
        else if (h2o && !co2) pass = xh2o > 0;
        else if (h2o && co2) pass = xco2 > 0 && xh2o > 0;
        if (!pass) {
            if (settings.strictscripting)
                bombout("promptfluid", "script x(H2O) and/or x(CO2) inappropriate", 0);
            fromscript = false;
            putstr(1, "fluid composition in script is inappropriate so not used", 1, 9);
        }
    }
    if (!fromscript) xco2 = xh2o = 0;
    const bool crd = ws.icrd != 0 || ws.ifcrd != 0;
    bool fixedacts = false;
    bool acceptedfromscript = false;

    for (int pass = 1;; ++pass) {
        if (!(pass == 1 && fromscript)) {
            if (!h2o && !co2) {
                if (crd) {
                    fixedacts = true;
                    say("for cordierite activity calculation");
                    asktwo(xco2, xh2o);
                }
            } else if (pd.fluidtype == 2) {
                fixedacts = true;
                if (!co2 && !crd) {
                    promptreal("fixed a(H2O)", xh2o);
                } else if (!h2o && !crd) {
                    promptreal("fixed a(CO2)", xco2);
                } else {
                    if (crd && (!h2o || !co2)) say("for cordierite activity calculation");
                    asktwo(xco2, xh2o);
                }
            } else if (h2o && !co2) {
                if (query("fluid just H2O")) {
                    xh2o = 1;
                } else {
                    say("fluid is just H2O-CO2");
                    promptreal("fixed x(H2O)", xh2o);
                    pd.fluidtype = 6;
                    xco2 = 1 - xh2o;
                }
            } else if (co2 && !h2o) {
                if (query("fluid just CO2")) {
                    xco2 = 1;
                } else {
                    say("fluid is just H2O-CO2");
                    promptreal("fixed x(CO2)", xco2);
                    pd.fluidtype = 6;
                    xh2o = 1 - xco2;
                }
            } else {
                say("fluid is just H2O-CO2");
                promptreal("fixed x(CO2)", xco2);
                pd.fluidtype = 6;
                xh2o = 1 - xco2;
            }
        }
        // Negative values, and mole fractions above 1, are refused as well.
        const bool refused = (h2o && xh2o == 0 && !crd) || (co2 && xco2 == 0 && !crd) ||
                             (!fixedacts && xh2o + xco2 > 1.0001L) || xco2 < 0 || xh2o < 0 ||
                             (!fixedacts && (xco2 > 1 || xh2o > 1));
        if (!refused) {
            acceptedfromscript = pass == 1 && fromscript;
            break;
        }
        if (pass == 1 && fromscript) {
            say("x(CO2), x(H2O) from script not valid : ");
            if (settings.strictscripting) bombout("promptfluid", "bad values from script", 0);
        } else {
            say("not valid : ");
        }
    }
    if (!acceptedfromscript) return;
    // A mixed H2O-CO2 fluid from the script is the same fluid as one typed at the console,
    // with the same H2O-CO2 mixing term.
    const bool mixed = (h2o && co2) || (h2o && xco2 > 0) || (co2 && xh2o > 0);
    if (pd.fluidtype != 2 && mixed) pd.fluidtype = 6;
    std::string& b = channels.linebuf2;
    b.clear();
    if ((!h2o && !co2 && crd) || pd.fluidtype == 2) {
        b = "a(CO2) = " + realtostr(4, true, xco2) + ", a(H2O) = " + realtostr(4, true, xh2o) + " ( from script ) ";
    } else if (h2o || co2) {
        b = "x(CO2) = " + realtostr(4, true, xco2) + ", x(H2O) = " + realtostr(4, true, xh2o) + " ( from script ) ";
    } else {
        return;
    }
    say(b);
}

void fluidlabel(std::string& line)
{
    const real x = settings.xco2fluid, y = settings.xh2ofluid;
    if (!(x > 0) && !(y > 0)) return;
    const bool acts = pd.fluidtype == 2;
    const std::string xs = decimalstostr(decimalsneeded(x), x);
    const std::string ys = decimalstostr(decimalsneeded(y), y);
    if (x > 0 && y > 0) {
        addfield(std::string(acts ? " (for a(CO2) = " : " (for x(CO2) = ") + xs + " and ", 0, line);
        addfield(std::string(acts ? "a(H2O) = " : "x(H2O) = ") + ys + ")", 0, line);
    } else if (x > 0) {
        addfield(std::string(acts ? " (for a(CO2) = " : " (for x(CO2) = ") + xs + ")", 0, line);
    } else {
        addfield(std::string(acts ? " (for a(H2O) = " : "(for x(H2O) = ") + ys + ")", 0, line);
    }
}

}  // namespace zt
