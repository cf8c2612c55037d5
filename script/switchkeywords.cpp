// Switch, level and single-value keywords of the script.
#include <cmath>
#include <iterator>
#include <string>

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/records/equilibriumstate.h"
#include "runtime/records/reactionstate.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/checkers.h"
#include "script/keywords.h"
#include "script/settings.h"

namespace zt {

namespace {

scriptinfostate& in = scriptinfo;
runsettings& s = settings;

struct switchrow {
    const char* keyword;
    int32_t scriptsettings::*field;
};

struct flagrow {
    const char* keyword;
    bool scriptsettings::*field;
};

const switchrow switchrows[] = {
    {"sorrelcalc", &scriptsettings::sorrelcalc},
    {"magemin", &scriptsettings::magemin},
    {"moreprec", &scriptsettings::moreprec},
    {"fluidpresent", &scriptsettings::fluidpresent},
    {"fluidexcess", &scriptsettings::fluidexcess},
    {"defsdaparams", &scriptsettings::defsdaparams},
    {"usedefsda", &scriptsettings::usedefsda},
    {"printcor", &scriptsettings::printcor},
    {"latex", &scriptsettings::latex},
    {"compatibility", &scriptsettings::compatibility},
    {"fifi", &scriptsettings::fifi},
    {"printbulkinfo", &scriptsettings::printbulkinfoon},
    {"c8", &scriptsettings::c8},
    {"oblique", &scriptsettings::oblique},
    {"projcomp", &scriptsettings::projcomp},
    {"fitset", &scriptsettings::fitseton},
    {"calcah2o", &scriptsettings::calcah2o},
    {"calca(H2O)", &scriptsettings::calcah2o},
    {"calcmuo", &scriptsettings::calcmuo},
    {"calcmu", &scriptsettings::calcmu},
    {"usecalcq", &scriptsettings::usecalcq},
    {"autovar", &scriptsettings::autovar},
    {"acceptvar", &scriptsettings::autovar},
    {"printguessform", &scriptsettings::printxyz},
    {"printxyz", &scriptsettings::printxyz},
    {"incnler", &scriptsettings::incnler},
    {"justrelu", &scriptsettings::justrelu},
    {"oisr", &scriptsettings::oisr},
    {"pisr", &scriptsettings::oisr},
    {"dataok", &scriptsettings::dataok},
    {"doallr", &scriptsettings::doallr},
    {"doallreactions", &scriptsettings::doallr},
    {"calctatp", &scriptsettings::calctatp},
    {"calcTatP", &scriptsettings::calctatp},
    {"mcdebug", &scriptsettings::mcdebug},
    {"batchdebug", &scriptsettings::batchdebug},
    {"mcoutcurrentway", &scriptsettings::mcoutcurrentway},
    {"fractdebug", &scriptsettings::fractdebug},
};

const flagrow flagrows[] = {
    {"strictscripting", &scriptsettings::strictscripting},
    {"autoexit", &scriptsettings::autoexit},
    {"numerical", &scriptsettings::numerical},
    {"wqx", &scriptsettings::wqxon},
    {"gaussmc", &scriptsettings::gaussmc},
};

// A level keyword: 1 first, then the value when it passes its check.
void level(const scriptline& l, int16_t& setting, int16_t high)
{
    setting = 1;
    if (getoneinteger(l.keyword, 0, high)) setting = valueint(1);
}

void modebox(const scriptline& l) { s.modebox = l.sw == 2 ? 0 : l.sw; }

void doschreinemakers(const scriptline& l)
{
    if (l.sw == 1) s.doallr = 0;
    if (l.sw == 0) s.doallr = 1;
}

void debuglevel(const scriptline& l) { level(l, s.debuglevel, 6); }
void debuglevelq(const scriptline& l) { level(l, s.debuglevelq, 4); }
void outlevel(const scriptline& l) { level(l, s.outlevel, 1); }

void quillet(const scriptline& l)
{
    s.quilleton = l.sw;
    s.quilletoption = 0;
    if (in.ninfo > 0 && getoneinteger(l.keyword, 0, 1)) s.quilletoption = valueint(1);
}

// "0 " for 0, else "1e" and the power of ten.
std::string powerfield(real x)
{
    if (x == 0) return "0 ";
    std::string field;
    addfield(realtostr(0, true, std::log10(x)), 2, field);
    return "1e" + field;
}

void convergence(const scriptline& l)
{
    if (l.sw != 0) return;
    int16_t n = 4;
    if (!getreals(l.keyword, n)) return;
    s.esize = valuereal(1);
    s.fsize = valuereal(2);
    s.dxtol = valuereal(3);
    s.modesumtol = valuereal(4);
    std::string line = "conv: ";
    for (size_t i = 1; i <= 3; ++i) {
        line += powerfield(valuereal(i));
        if (valuereal(i) != 0) line += " ";
    }
    std::string last;
    addfield(realtostr(0, true, std::log10(valuereal(4))), 2, last);
    putstr(0, line + "1e" + last, 1, 1);
}

void axfile(const scriptline& l)
{
    s.axfile.clear();
    if (l.sw != 1 && getonestring(l.keyword)) s.axfile = valueword(1);
}

void calctype(const scriptline& l)
{
    s.calctypegiven = l.sw == 2 ? 1 : l.sw;
    s.calctype = 0;
    if (s.calctypegiven == 1) return;
    const int16_t high = run.calcmode == 2 ? 2 : run.calcmode == 3 ? 5 : 0;
    if (high > 0 && getoneinteger(l.keyword, 1, high)) s.calctype = valueint(1);
}

void rockname(const scriptline& l)
{
    s.rocknameswitch = l.sw;
    s.rockname.clear();
    if (l.sw != 1 && getonestring(l.keyword)) s.rockname = valueword(1);
}

void maxsd(const scriptline& l, int32_t& sw, real& value, real fallback, real low, real high)
{
    sw = l.sw;
    value = fallback;
    if (l.sw == 1) return;
    if (getonereal(l.keyword, low, high))
        value = valuereal(1);
    else
        sw = 1;
}

void setmaxsdt(const scriptline& l) { maxsd(l, s.setmaxsdt, s.maxsdt, 50, 25, 600); }
void setmaxsdp(const scriptline& l) { maxsd(l, s.setmaxsdp, s.maxsdp, 5, 0.05L, 20); }

void dogmin(const scriptline& l)
{
    s.dogminon = l.sw == 0;
    if (!s.dogminon) {
        s.dogminlevel = -1;
        return;
    }
    s.dogminlevel = 2;
    if (in.ninfo > 0 && getoneinteger(l.keyword, 0, 2)) s.dogminlevel = valueint(1);
}

void maxvar(const scriptline& l)
{
    s.maxvar = l.sw;
    s.dogminminvar = 2;
    s.dogminmaxvar = 0;
    const bool two = in.ninfo >= 2 && valuekind(2) == wkinteger;
    if (in.ninfo == 0 || !s.dogminon) {
        s.maxvar = 1;
    } else if (valuekind(1) != wkinteger) {
        s.maxvar = 1;
    } else if (!checkvalueint(l.keyword, 1) || (two && !checkvalueint(l.keyword, 2))) {
        s.maxvar = 1;
    } else if (two) {
        s.dogminminvar = valueint(1) < 2 ? int16_t{2} : valueint(1);
        s.dogminmaxvar = valueint(2);
    } else {
        s.dogminmaxvar = valueint(1);
    }
    if (s.maxvar != 1 && s.dogminmaxvar < s.dogminminvar) s.dogminmaxvar = s.dogminminvar;
}

void setvar(const scriptline& l)
{
    s.setvar = l.sw;
    if (in.ninfo == 0 || l.sw == 1) {
        s.setvar = 1;
    } else if (valuekind(1) == wkinteger) {
        reactions.var = getinteger(valuekind(1), valueword(1), "bad integer in setvar script");
    } else {
        s.setvar = 1;
    }
}

void negp(const scriptline&)
{
    s.pmin = -50;
    eq.pscale = 1 / (1500 - s.pmin);
    eq.poffset = -s.pmin * eq.pscale;
}

void calcsdnle(const scriptline&) { putstr(0, "calcsdnle not available in zt351", 1, 1); }

void exbuff(const scriptline&)
{
    putstr(1, "the script, exbuff, is superceded: use instead", 1, 9);
    putstr(0, "\"figure T-x(CO2)\" or \"figure P-x(CO2)\"", 1, 9);
    bombout("reading scripts", "exit, and use one of the new scripts", 0);
}

void mccorr(const scriptline&)
{
    putstr(1, "\"mccorr\" has been cut - remove from the scriptfile", 1, 1);
    bombout("reading scripts", "mccorr no longer exists", 0);
}

void fract(const scriptline& l)
{
    s.fract = l.sw;
    if (l.sw != 1) {
        putstr(1, "fractcalcs are currently untested - what state are they in??", 1, 1);
        killrun();
    }
    putstr(0, "fractionation info input attempted, but failed", 1, 1);
    s.fract = 1;
}

// Read by the utilities mode only, which this program does not run.
void utilityonly(const scriptline&) {}

const handlerrow handlerrows[] = {
    {"modebox", modebox},
    {"doschreinemakers", doschreinemakers},
    {"schreinemakers", doschreinemakers},
    {"debuglevel", debuglevel},
    {"debuglevelq", debuglevelq},
    {"outlevel", outlevel},
    {"quillet", quillet},
    {"convergence", convergence},
    {"axfile", axfile},
    {"calctype", calctype},
    {"rockname", rockname},
    {"runname", rockname},
    {"setrockname", rockname},
    {"setmaxsdt", setmaxsdt},
    {"maxsdt", setmaxsdt},
    {"setmaxsdp", setmaxsdp},
    {"maxsdp", setmaxsdp},
    {"dogmin", dogmin},
    {"maxvar", maxvar},
    {"varrange", maxvar},
    {"setvar", setvar},
    {"negP", negp},
    {"negp", negp},
    {"calcsdnle", calcsdnle},
    {"exbuff", exbuff},
    {"mccorr", mccorr},
    {"fract", fract},
    {"fractionation", fract},
    {"convert", utilityonly},
    {"utilitycode", utilityonly},
    {"tablecode", utilityonly},
    {"recalccode", utilityonly},
};

}  // namespace

bool switchkeyword(const scriptline& line)
{
    for (const switchrow& row : switchrows) {
        if (line.keyword != row.keyword) continue;
        s.*row.field = line.sw;
        return true;
    }
    for (const flagrow& row : flagrows) {
        if (line.keyword != row.keyword) continue;
        s.*row.field = line.sw == 0;
        return true;
    }
    return runhandler(std::begin(handlerrows), std::end(handlerrows), line);
}

}  // namespace zt
