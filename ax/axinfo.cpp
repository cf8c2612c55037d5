#include "ax/axinfo.h"

#include <cmath>

#include "ax/axeval.h"
#include "ax/axtokens.h"
#include "ax/phaserecords.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/runstate.h"
#include "script/settings.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

bool mageminon() { return settings.magemin == 0; }
std::string mult() { return mageminon() ? "*" : " "; }
std::string power() { return mageminon() ? "**" : "^"; }

const std::string dashes(38, '-');

void sign(bool positive, std::string& row) { addfield(positive ? " + " : " - ", 0, row); }

void header(const axphase& ph, wordset ch)
{
    std::string& row = channels.linebuf;
    if (ph.nverbatim == 0) {
        putstr(1, dashes, 1, ch);
        putstr(0, ph.shortname, 1, ch);
    } else {
        for (int i = 1; i <= ph.nverbatim; ++i) putstr(0, ph.verbatim[at(i)], 1, ch);
    }
    if (ph.coding != 2) return;
    row.clear();
    if (ph.nsame > 0) {
        addfield(ph.longname + " = " + ph.fullname, 2, row);
        addfield(" (also for ", 0, row);
        for (int j = 1; j <= ph.nsame; ++j) {
            addfield(ph.sameshort[at(j)] + " = " + ph.samefull[at(j)], 0, row);
            addfield(j < ph.nsame ? ", " : ")", 0, row);
        }
    } else if (ph.sourceshort.empty()) {
        addfield(ph.longname + " = " + ph.fullname, 2, row);
    } else {
        addfield(ph.sourcefull == ph.fullname ? ph.shortname : ph.shortname + " = " + ph.fullname, 0, row);
        addfield(" (from " + ph.sourcelong + " = " + ph.sourcefull + ")", 0, row);
    }
    putstr(1, row, 1, ch);
}

void variables(const axphase& ph, wordset ch)
{
    std::string& row = channels.linebuf;
    if (ph.nzerovars > 0) {
        row = " xyz variables set to zero: ";
        for (int i = 1; i <= ph.nzerovars; ++i) addfield("  " + ph.zerovarnames[at(i)], 0, row);
        putstr(1, row, 1, ch);
    }
    putstr(1, " composition variables", 1, ch);
    for (int v = 1; v <= ph.nvars; ++v) {
        const axvar& var = ph.vars[at(v)];
        row = "  " + var.name;
        if (!(var.lower == 0 && var.upper == 1 && !mageminon())) {
            addfield("  range ", 0, row);
            addexact(3, row, var.lower);
            addfield(" <> ", 0, row);
            addexact(3, row, var.upper);
        }
        if (var.isorder) addfield("  order variable", 0, row);
        putstr(0, row, 1, ch);
    }
}

void idealactivities(const axphase& ph, wordset ch)
{
    std::string& row = channels.linebuf;
    putstr(1, ph.model == 0 ? " activities" : " ideal mixing activities", 1, ch);
    for (int j = 1; j <= ph.nem; ++j) {
        const axem& em = ph.em[at(j)];
        row = "  " + em.name + " = ";
        const real c = em.tmfconst;
        if (c != 1) {
            if (std::fabs(c - std::nearbyint(c)) < 0.0001L) {
                addwhole(0, row, c);
            } else if (em.tmfrational) {
                int32_t p = 0, q = 1;
                realtofraction(p, q, c);
                addfield(wholetostr(p) + "/" + wholetostr(q), 0, row);
            } else {
                addreal(4, true, 0, c, row);
            }
            addfield(mult(), 0, row);
        }
        for (int t = 1; t <= em.ntmf; ++t) {
            const tmfterm& term = em.tmf[at(t)];
            if (t > 1) addfield(mult(), 0, row);
            addfield(ph.sfname[at(term.sfindex)], 0, row);
            if (term.pownum == 1 && term.powden == 1) continue;
            addfield(power(), 0, row);
            if (term.powden != 1)
                addfield("(" + wholetostr(term.pownum) + "/" + wholetostr(term.powden) + ")", 0, row);
            else if (term.pownum != 1)
                addwhole(0, row, term.pownum);
        }
        putstr(0, row, 1, ch);
    }
}

// a + b T + c P with the given decimals of the b and c terms.
void abcterms(real b, real c, std::string& row)
{
    if (std::fabs(b) > 1e-6L) {
        sign(b > 0, row);
        addexact(5, row, std::fabs(b));
        addfield(mult() + "T", 0, row);
    }
    if (std::fabs(c) > 0.0001L) {
        sign(c > 0, row);
        addexact(3, row, std::fabs(c));
        addfield(mult() + "P", 0, row);
    }
}

void nonideality(const axphase& ph, wordset ch)
{
    std::string& row = channels.linebuf;
    if (ph.shortname == "fluid") {
        putstr(1, " non-ideality hard-wired", 1, ch);
        return;
    }
    if (ph.model == 1) putstr(1, " non-ideality by symmetric formalism", 1, ch);
    if (ph.model == 2) putstr(1, " non-ideality by van laar", 1, ch);
    if (ph.model != 1 && ph.model != 2) return;
    for (int w = 1; w <= ph.ngterm; ++w) {
        const gterm& g = ph.gterm[at(w)];
        row = "  W(" + ph.em[at(g.emi)].name + "," + ph.em[at(g.emj)].name + ") = ";
        addexact(3, row, ph.wa[at(g.wi)]);
        abcterms(ph.wb[at(g.wi)], ph.wc[at(g.wi)], row);
        putstr(0, row, 1, ch);
    }
    if (ph.model != 2) return;
    putstr(0, "", 1, ch);
    for (int j = 1; j <= ph.nem; ++j) {
        row = "  v(" + ph.em[at(j)].name + ") = ";
        if (ph.vla[at(j)] == 1)
            addfield("1", 0, row);
        else
            addexact(3, row, ph.vla[at(j)]);
        if (std::fabs(ph.vlb[at(j)]) > 1e-5L) {
            sign(ph.vlb[at(j)] > 0, row);
            addreal(6, true, 0, std::fabs(ph.vlb[at(j)]), row);
            addfield(mult() + "T", 0, row);
        }
        if (std::fabs(ph.vlc[at(j)]) > 0.001L) {
            sign(ph.vlc[at(j)] > 0, row);
            addreal(4, true, 0, std::fabs(ph.vlc[at(j)]), row);
            addfield(mult() + "P", 0, row);
        }
        putstr(0, row, 1, ch);
    }
}

void madeems(const axphase& ph, wordset ch)
{
    std::string& row = channels.linebuf;
    bool any = false;
    for (int j = 1; j <= ph.nem; ++j) any = any || ph.em[at(j)].nmake > 0;
    if (!any) return;
    putstr(1, " \"make\" end-members", 1, ch);
    for (int j = 1; j <= ph.nem; ++j) {
        const axem& em = ph.em[at(j)];
        if (em.nmake <= 0) continue;
        row = "  " + em.name + " = ";
        for (int i = 1; i <= em.nmake; ++i) {
            const int16_t coef = em.makecoef[at(i)];
            if (i == 1) {
                if (coef < 0) addfield("- ", 0, row);
            } else {
                sign(coef > 0, row);
            }
            if (std::abs(coef) != em.makedivisor) {
                addwhole(0, row, std::abs(coef));
                if (em.makedivisor > 1) addfield("/" + wholetostr(em.makedivisor), 0, row);
                addfield(mult(), 0, row);
            }
            switch (em.makeaction[at(i)]) {
                case actdisordered: addfield("d-", 0, row); break;
                case actordered: addfield("o-", 0, row); break;
                case actequilibrium: addfield("e-", 0, row); break;
                default: break;
            }
            addfield(em.makeemname[at(i)], 0, row);
        }
        if (em.dqfa != 0 || em.dqfb != 0 || em.dqfc != 0) {
            sign(em.dqfa >= 0, row);
            addexact(3, row, std::fabs(em.dqfa));
            abcterms(em.dqfb, em.dqfc, row);
            static const char* const tags[] = {"", "  (make)", "  (mod)", "  (od)", "  (tran)", "  (rcal)"};
            if (em.dqfkind >= 1 && em.dqfkind <= 5) addfield(tags[em.dqfkind], 0, row);
        }
        putstr(0, row, 1, ch);
    }
}

}  // namespace

void addexact(int16_t k, std::string& row, real x)
{
    for (int16_t m = 0; m <= 6; ++m) {
        const real scaled = x * tenpower(m);
        if (std::fabs(scaled - std::nearbyint(scaled)) > 1e-8L) continue;
        if (m == 0)
            addwhole(0, row, x);
        else
            addreal(m, true, 0, x, row);
        return;
    }
    addreal(static_cast<int16_t>(k + 1), true, 0, x, row);
}

void printaxinfo(int16_t k)
{
    const wordset ch = run.calcmode == 4 ? 16 : 32;
    const axphase& ph = phases.prec1[at(k)];
    if (k == 1) {
        for (int i = 1; i <= axheader.nheaderlines; ++i) putstr(0, axheader.headerlines[at(i)], 1, ch);
    }
    if (ph.nem == 1) {
        putstr(1, dashes, 1, ch);
        putstr(0, ph.shortname, 1, ch);
        putstr(1, " single end-member phase: " + ph.em[1].name, 1, ch);
    } else {
        header(ph, ch);
        variables(ph, ch);
        putstr(1, " site fractions", 1, ch);
        for (int s = 1; s <= ph.nsf; ++s) printaxexpr(ph.sf[at(s)], ph.sfname[at(s)], k, ch);
        putstr(1, " proportions", 1, ch);
        for (int j = 1; j <= ph.nem; ++j) printaxexpr(ph.p[at(j)], ph.em[at(j)].name, k, ch);
        idealactivities(ph, ch);
        nonideality(ph, ch);
        madeems(ph, ch);
    }
    putstr(0, "", 1, ch);
}

void printphasetable(int16_t k)
{
    constexpr wordset ch = 13;
    const axphase& ph = phases.prec1[at(k)];
    std::string& row = channels.linebuf;
    row = ph.shortname;
    addfield(" ", static_cast<int16_t>(5 - static_cast<int>(ph.shortname.size())), row);
    addfield(std::string(40, '-'), 0, row);
    putstr(0, row, 1, ch);
    if (ph.nem == 1) {
        putstr(0, "        just " + ph.em[1].name, 1, ch);
        return;
    }
    row = "  var";
    for (int v = 1; v <= ph.nvars; ++v) addfield(ph.vars[at(v)].name, 10, row);
    putstr(0, row, 1, ch);
    row = "     ";
    for (int v = 1; v <= ph.nvars; ++v) addreal(3, false, 10, ph.vars[at(v)].value, row);
    putstr(0, row, 1, ch);

    if (ph.model != 0) {
        bool anyb = false, anyc = false;
        for (int w = 1; w <= ph.ngterm; ++w) {
            anyb = anyb || std::fabs(ph.wb[at(ph.gterm[at(w)].wi)]) > 1e-6L;
            anyc = anyc || std::fabs(ph.wc[at(ph.gterm[at(w)].wi)]) > 0.0001L;
        }
        const int blocks = (ph.ngterm + 14) / 15;
        for (int b = 1; b <= blocks; ++b) {
            const int first = (b - 1) * 15 + 1, last = std::min<int>(b * 15, ph.ngterm);
            row = b == 1 ? "  W  " : "     ";
            for (int w = first; w <= last; ++w) {
                const gterm& g = ph.gterm[at(w)];
                addfield(ph.em[at(g.emi)].name + "-" + ph.em[at(g.emj)].name, 10, row);
            }
            putstr(0, row, 1, ch);
            row = "     ";
            for (int w = first; w <= last; ++w) addreal(3, true, 10, ph.wa[at(ph.gterm[at(w)].wi)], row);
            putstr(0, row, 1, ch);
            if (anyb) {
                row = "     ";
                for (int w = first; w <= last; ++w) {
                    const real wb = ph.wb[at(ph.gterm[at(w)].wi)];
                    if (std::fabs(wb) < 1e-6L)
                        addfield("", 10, row);
                    else
                        addreal(3, true, 10, wb, row);
                }
                putstr(0, row, 1, ch);
            }
            if (anyc) {
                row = "     ";
                for (int w = first; w <= last; ++w) {
                    const real wc = ph.wc[at(ph.gterm[at(w)].wi)];
                    if (std::fabs(wc) < 0.0001L)
                        addfield("", 10, row);
                    else
                        addreal(2, true, 10, wc, row);
                }
                putstr(0, row, 1, ch);
            }
        }
    }
    if (ph.model == 2) {
        row = "  ";
        for (int j = 1; j <= ph.nem; ++j) addfield("a(" + ph.em[at(j)].name + ")", 10, row);
        putstr(0, row, 1, ch);
        row = "  ";
        for (int j = 1; j <= ph.nem; ++j) addreal(2, true, 10, ph.vla[at(j)], row);
        putstr(0, row, 1, ch);
    }

    bool anyvaried = false, anys = false, anyv = false;
    auto varied = [&ph](int j) {
        const auto& f = ph.em[at(j)].dqfvaried;
        return f[1] || f[2] || f[3];
    };
    for (int j = 1; j <= ph.nem; ++j) {
        anyvaried = anyvaried || varied(j);
        anys = anys || ph.em[at(j)].dqfvaried[2];
        anyv = anyv || ph.em[at(j)].dqfvaried[3];
    }
    if (!anyvaried) return;
    row = "     ";
    for (int j = 1; j <= ph.nem; ++j) {
        if (varied(j)) addfield(ph.em[at(j)].name, 10, row);
    }
    addfield("      ", 0, row);
    bool firstmade = true;
    for (int j = 1; j <= ph.nem; ++j) {
        const axem& em = ph.em[at(j)];
        if (em.nmake <= 0) continue;
        if (!firstmade) addfield(";  ", 0, row);
        firstmade = false;
        addfield(em.name + " = ", 0, row);
        for (int i = 1; i <= em.nmake; ++i) {
            if (i > 1) addfield(" + ", 0, row);
            std::string c = wholetostr(em.makecoef[at(i)]);
            if (em.makedivisor > 1) c += "/" + wholetostr(em.makedivisor);
            addfield(c + " " + em.makeemname[at(i)], 0, row);
        }
    }
    putstr(0, row, 1, ch);
    auto proprow = [&](const char* label, int flag, int16_t decimals, real tdrecord::*field) {
        row = label;
        for (int j = 1; j <= ph.nem; ++j) {
            if (!varied(j)) continue;
            if (flag > 1 && !ph.em[at(j)].dqfvaried[at(flag)])
                addfield("", 10, row);
            else
                addreal(decimals, true, 10, ph.em[at(j)].props.*field, row);
        }
        putstr(0, row, 1, ch);
    };
    proprow("  H  ", 1, 2, &tdrecord::H);
    if (anys) proprow("  S  ", 2, 4, &tdrecord::S);
    if (anyv) proprow("  V  ", 3, 4, &tdrecord::V);
}

}  // namespace zt
