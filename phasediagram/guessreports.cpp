#include "phasediagram/guessreports.h"

#include <string>

#include "ax/phaserecords.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "script/settings.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolelog = 9;
constexpr wordset consolesummarylog = 13;

}  // namespace

bool scriptguessed(const axphase& ph) { return ph.guessesfromscript || ph.coding == 2; }

void listxyzguesses() {
    bool allcoding2 = true;
    for (int k = 1; k <= phases.nsolnphases; ++k) allcoding2 = allcoding2 && phases.prec1[at(k)].coding == 2;
    if (allcoding2) return;
    putstr(1, "specification of xyz starting guesses of phases", 1, consolelog);
    std::string inscript, notinscript;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        (scriptguessed(ph) ? inscript : notinscript) += " " + ph.shortname;
    }
    std::string line = "in the scriptfile:" + (inscript.empty() ? std::string("none") : inscript);
    line += "; not in the scriptfile:" + (notinscript.empty() ? std::string(" none") : notinscript);
    putstr(0, line, 1, consolelog);
}

void showstartguess(int16_t k) {
    const axphase& ph = phases.prec1[at(k)];
    std::string line = " P(kbar)    T(C)";
    for (int m = 1; m <= ph.nvars; ++m) addfield(ph.vars[at(m)].name, 10, line);
    putstr(0, line, 1, consolesummarylog);
    line.clear();
    addfield(settings.pnow == 0.001L ? std::string("0.001") : fixedtostr(1, settings.pnow), 8, line);
    addfixed(0, 8, settings.tnow - 273.15L, line);
    for (int m = 1; m <= ph.nvars; ++m) addfixed(4, 10, ph.vars[at(m)].value, line);
    putstr(0, line, 1, consolesummarylog);
}

void warnaxguesses() {
    if (phases.nsolnphases == 0) return;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (scriptguessed(phases.prec1[at(k)])) return;
    }
    auto& m = channels.msglines;
    for (auto& line : m) line.clear();
    m[1] = "your calculation relied just on starting guesses provided in the axfile for the phases. These may well ";
    m[2] = "not be optimum for what you want to do - good starting guesses may be critical for success. Starting "
           "guesses in ";
    m[3] = "script-form can be found in the logfile for equilibria that have calculated successfully. Copy the "
           "\"xyzguess\" ";
    m[4] = "block from the logfile and paste into your scriptfile.";
    formattext(m);
}

}  // namespace zt
