#include "dsfit/dsfile.h"

#include <cmath>

#include "dsfit/emfile.h"
#include "dsfit/fitformat.h"
#include "dsfit/fitset.h"
#include "dsfit/lsq.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/runopen.h"
#include "runtime/textfile.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

textfile fitoutfile;

const char* const headertext = "    don't fiddle with the numbers: you'll BREAK the dataset...";

const fitemrecord& em(int i) { return fit.tda[static_cast<size_t>(i)]; }

bool einsteinlayout(const fitemrecord& r, int16_t filemode) { return filemode == 7 && r.code >= 3 && r.code <= 5; }

bool chargedname(const std::string& name)
{
    const std::string t = trimblanks(name);
    return !t.empty() && (t.back() == '+' || t.back() == '-');
}

void emit(const std::string& line) { writefiletext(fitoutfile, line + "\n"); }

// A number the readers cannot take ("nan", "inf") is refused before the file is opened.
void requirefinite(real x, const std::string& what)
{
    if (!std::isfinite(x)) bombout("writedsfile", what + " is not a finite number (dataset not written)", 0);
}

void checkfinite(int ntp)
{
    for (int i = 1; i <= ntp; ++i) {
        const fitemrecord& r = em(i);
        const std::string of = " of " + r.name;
        requirefinite(fit.fitreport ? fit.theta[static_cast<size_t>(i)] : r.H, "H" + of);
        for (int k = 1; k <= r.npairs; ++k) requirefinite(r.amount[static_cast<size_t>(k)], "the composition" + of);
        const real values[] = {r.S,       r.V,      r.cpa,  r.cpb,   r.cpc,  r.cpd,    r.a0,    r.k0,
                               r.k0p,     r.k0pp,   r.dkdt, r.tlandau, r.smax, r.vmax, r.aqfactor, r.bwdh,
                               r.bwdhv,   r.bww,    r.bwwv, r.bwfac};
        for (real x : values) requirefinite(x, "a property" + of);
        const real factor = fitvariancefactor();
        for (int j = i; j <= ntp; ++j)
            requirefinite(factor * fit.xx[fitat(i, j)], "the covariance of the H" + of + " and " + em(j).name);
    }
    requirefinite(fit.sigfitsq, "sigfit");
}

void checkwritable(int16_t mode, int16_t filemode, int ntp)
{
    checkfinite(ntp);
    // The reader takes the first number of a layout-5 file as the end-member count only
    // above 50, and 190 as the oldest layout.
    if (mode == 5 && (ntp <= 50 || ntp == 190))
        bombout("writedsfile",
                "a dsmode 5 dataset of " + wholetostr(ntp) + " end-members would not read back (it needs more than 50, and not 190)",
                0);
    for (int i = 1; i <= ntp; ++i) {
        if (einsteinlayout(em(i), filemode))
            bombout("writedsfile", "the Einstein heat capacity of " + em(i).name + " (dsmode 7) has no place in the dataset file", 0);
    }
}

void nameline(int i, int16_t mode, std::string& line)
{
    const fitemrecord& r = em(i);
    if (mode == 6) {
        line = padname(r.name, 7) + r.name2;
    } else {
        line.clear();
        addfield(r.name, 8, line);
    }
    addwhole(4, line, r.nsite);
    for (int k = 1; k <= r.npairs; ++k) {
        addwhole(3, line, r.comp[static_cast<size_t>(k)]);
        addfixed(4, 9, r.amount[static_cast<size_t>(k)], line);
    }
    line += "  0";
    if (i == 1) line += std::string(" ") + (settings.numerical ? "t" : "f") + (settings.wqxon ? "t" : "f");
}

void writeblock(int i, int16_t mode)
{
    const fitemrecord& r = em(i);
    std::string line;
    nameline(i, mode, line);
    emit(line);

    line.clear();
    if (mode == 6) addwhole(5, line, r.code);
    else line = "       ";
    if (fit.fitreport) addnumber(heldtext(fit.theta[static_cast<size_t>(i)], enthalpyerror(i), 3), 11, line);
    else addfixed(3, 11, r.H, line);
    addfixed(5, 10, r.S, line);
    addfixed(4, 9, r.V, line);
    emit(line);

    line = "    ";
    addfixed(4, 11, r.cpa, line);
    addfixed(9, 15, r.cpb, line);
    addfixed(1, 10, r.cpc, line);
    addfixed(4, 10, r.cpd, line);
    emit(line);

    line.clear();
    addfixed(7, 18, r.a0, line);
    addfixed(2, 9, r.k0, line);
    addfixed(2, 9, r.k0p, line);
    if (mode == 5) addfixed(5, 11, r.k0pp, line);
    if (r.dkdt < 0 || liquidname(r.name)) addfixed(5, 11, r.dkdt, line);
    const bool aqueous = r.aqfactor != 0 || chargedname(r.name);
    if (mode == 5) {
        if (r.smax > 0) line += "    1";
        else if (r.bwn > 0.5L) line += "    2";
        else if (aqueous) line += "   -1";
        else line += "    0";
    }
    if (r.smax > 0) {
        addrounded(7, r.tlandau, line);
        addfixed(5, 10, r.smax, line);
        addfixed(4, 10, r.vmax, line);
    } else if (aqueous) {
        addfixed(4, 8, r.aqfactor, line);
    } else if (r.bwn > 0.5L) {
        addfixed(2, 7, r.bwdh, line);
        addfixed(4, 7, r.bwdhv, line);
        addfixed(2, 7, r.bww, line);
        addfixed(4, 7, r.bwwv, line);
        addrounded(6, r.bwn, line);
        addfixed(2, 7, r.bwfac, line);
    }
    emit(line);
    if (mode == 6) emit("");
}

void covariances(int ntp)
{
    real v = 0;
    for (int i = 1; i <= ntp; ++i) v += (fit.theta[static_cast<size_t>(i)] - 1000 * em(i).S + 5 * em(i).V) / 10000;
    v = -v / ntp;
    const real factor = fitvariancefactor();
    std::string line;
    addfixed(4, 8, v, line);
    size_t linestart = line.size();  // the check value does not count for the line break
    for (int i = 1; i <= ntp; ++i) {
        for (int j = i; j <= ntp; ++j) {
            const real e = factor * fit.xx[fitat(i, j)];
            if (line.size() - linestart > 120) {
                emit(line);
                line.clear();
                linestart = 0;
            }
            if (std::fabs(e) < 5e-5L) {
                line += " 0";
            } else {
                const real r = std::nearbyint(std::fabs(e) * 10000) / 10000;
                int16_t w = r < 1 ? 7 : r < 10 ? 8 : r < 100 ? 9 : r < 1000 ? 10 : r < 10000 ? 11 : r < 100000 ? 12 : 16;
                if (e <= 0) ++w;
                addnumber(heldtext(e, covarianceerror(i, j), 4), w, line);
            }
        }
    }
    emit(line);
}

std::string commentfield(const std::string& text) { return "% " + stripbraces(text); }

void emiblock(int i)
{
    const fitemrecord& r = em(i);
    emit(padname(r.name, 8) + r.name2);
    std::string line = "       ";
    for (int k = 1; k <= r.npairs; ++k) {
        addwhole(2, line, r.comp[static_cast<size_t>(k)]);
        addexact(2, 8, r.amount[static_cast<size_t>(k)], line);
        line += "   ";
    }
    emit(line + "  0  " + wholetostr(r.nsite));
    line.clear();
    addwhole(3, line, r.code);
    // The fitted enthalpy as the dataset file gives it: the two files agree, and its
    // last digits, rounding noise of the fit, stay out of the file.
    addnumber(heldtext(r.H, fit.fitreport ? enthalpyerror(i) : 0, 3), 12, line);
    emit(line);
    line.clear();
    addexact(5, 15, r.S, line);
    emit(line + spaces(35) + commentfield(r.comment[cmS]));
    line.clear();
    addexact(4, 15, r.V, line);
    emit(line + spaces(35) + commentfield(r.comment[cmV]));
    line.clear();
    if (einsteinlayout(r, ds.dsmode)) {
        addexact(5, 15, r.eina, line);
        addexact(10, 15, r.einb, line);
        addexact(1, 9, r.theta, line);
        emit(line + spaces(11) + commentfield(r.comment[cmCp]));
    } else {
        addexact(4, 15, r.cpa, line);
        addexact(9, 15, r.cpb, line);
        addexact(1, 9, r.cpc, line);
        addexact(4, 10, r.cpd, line);
        emit(line + " % " + stripbraces(r.comment[cmCp]));
    }
    line.clear();
    addexact(7, 15, r.a0, line);
    emit(line + spaces(35) + commentfield(r.comment[cmA0]));
    line.clear();
    addexact(2, 15, r.k0, line);
    addexact(2, 6, r.k0p, line);
    if (liquidname(r.name)) {
        addexact(5, 10, r.dkdt, line);
        emit(line + spaces(19) + commentfield(r.comment[cmK]));
    } else {
        emit(line + spaces(29) + commentfield(r.comment[cmK]));
    }
    line.clear();
    if (r.code == 1 || r.code == 4) {
        addexact(0, 15, r.tlandau, line);
        addexact(5, 9, r.smax, line);
        addexact(4, 8, r.vmax, line);
        emit(line + spaces(18) + commentfield(r.comment[cmExtras]));
    } else if (r.code == 2 || r.code == 5) {
        addexact(2, 12, r.bwdh, line);
        addexact(4, 8, r.bwdhv, line);
        addexact(2, 7, r.bww, line);
        addexact(4, 8, r.bwwv, line);
        addrounded(6, r.bwn, line);
        addexact(2, 7, r.bwfac, line);
        emit(line + spaces(2) + commentfield(r.comment[cmExtras]));
    } else if (r.code == 8) {
        addexact(4, 12, r.aqfactor, line);
        emit(line + spaces(38) + commentfield(r.comment[cmExtras]));
    }
    emit("");
}

}  // namespace

std::string stripbraces(const std::string& text)
{
    if (text.size() < 2) return "";
    std::string t = trimblanks(text);
    if (!t.empty() && t[0] == '{') {
        t.erase(0, 1);
        if (!t.empty() && t.back() == '}') t.pop_back();
    } else if (!t.empty() && t[0] == '%') {
        t.erase(0, t.size() < 2 ? t.size() : 2);
    }
    return t;
}

void writedsfile()
{
    const int ntp = fit.ntpfit;
    ds.ntp = fit.ntpfit;
    const int16_t filemode = ds.dsmode;
    if (!fit.fitreport) ds.dsmode = 6;
    const int16_t mode = ds.dsmode == 5 ? 5 : 6;
    checkwritable(mode, filemode, ntp);
    std::string name;
    openoutfile("zt-ds", runfiles.datafilenamesuffix + ".txt", fitoutfile, name);
    runfiles.curfilename = name;
    putstr(1, "writing data to \"" + name + "\"", 1, 9);

    if (mode == 6) emit("6  " + wholetostr(ntp) + headertext);
    else {
        std::string line;
        addwhole(4, line, ntp);
        emit(line + headertext);
    }
    emit("  ");
    if (mode == 5) emit("5");
    for (int i = 1; i <= ntp; ++i) writeblock(i, mode);
    emit("");
    covariances(ntp);
    emit("");
    std::string title = name + " produced at " + runopening.datetimestamp + " (sigfit = ";
    addfixed(3, 6, std::sqrt(fit.sigfitsq), title);
    emit(title + ")");
    closetextfile(fitoutfile);
}

void writeemifile()
{
    std::string name;
    openoutfile("ds-em", fit.fitsetprefs.emsuffix + "-i.txt", fitoutfile, name);
    runfiles.curfilename = name;
    if (ds.dsmode == 5) {
        const std::string row(64, '-');
        writeconsole("\n" + row + "\n" + "with dsmode = 5 at the top of the emfile, the emifile contains\n" +
                     "(1) the data in the new emfile format, AND (2) the H calorimetric\n" +
                     "data to put at the head of the xpfile. (Edit/rename/cut & paste)\n" + row + "\n");
    }
    emit(ds.dsmode == 5 ? std::string("6") : wholetostr(ds.dsmode));
    emit("");
    for (int i = 1; i <= fit.ntpfit; ++i) emiblock(i);
    emit("*");
    if (ds.dsmode == 5) {
        for (int i = 1; i <= fit.ntpfit; ++i) {
            const fitemrecord& r = em(i);
            if (r.calsd >= 99) continue;
            std::string line = "1  ";
            addfield(r.name, 6, line);
            addexact(2, 12, r.calH, line);
            addexact(2, 9, r.calsd, line);
            emit(line + "    % " + stripbraces(r.comment[cmH]));
        }
        emit("0");
    }
    closetextfile(fitoutfile);
}

}  // namespace zt
