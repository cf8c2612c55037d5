#include "thermo/excessphases.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "numeric/methods/integers.h"
#include "runtime/channels.h"
#include "runtime/prompts.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

void say(const std::string& text, int32_t channels = 9) { putstr(0, text, 1, channels); }

struct excessnames {
    stringlist names;
    int n = 0;
    bool has(const std::string& name) const
    {
        for (int i = 1; i <= n; ++i) {
            if (names[i] == name) return true;
        }
        return false;
    }
    void add(const str22& name)
    {
        if (n == maxwords) bombout("inexcess", "too many names of phases in excess (max = 400)", 0);
        names[++n] = name;
    }
};

// The working index of name; asked once more when absent; 0 for a name still absent.
int16_t lookupreplacing(const str22& name)
{
    int16_t e = findem(name);
    if (e != 0) return e;
    str22 other;
    promptword(name + " not recognised : replace with", other);
    e = findem(other);
    if (e == 0) say("forget it!  (name still unrecognised)");
    return e;
}

// The log a end-member of a P-log a or T-log a diagram.
void logasetup()
{
    str22 name;
    promptword("name of end-member to be used in log a", name);
    int16_t e = findem(name);
    if (e == 0) {
        promptword("bad name : replace " + name + " with", name);
        e = findem(name);
        if (e == 0) bombout("inexcess", "log a setup", 0);
    }
    if ((name == "H2O" || name == "CO2") && ws.ih2o != 0 && ws.ico2 != 0) {
        say("Cannot handle H2O or CO2 in lna in system with H2O and CO2");
        promptword("replace " + name + " with", name);
        e = findem(name);
        if (e == 0 || name == "H2O" || name == "CO2") bombout("inexcess", "log a setup", 0);
    }
    settings.nlna = 1;
    settings.lnanames[1] = name;
    ws.ilna = e;
}

bool fluidinexcessasked()
{
    if (pd.fluidtype == 2) return false;
    if (settings.fluidexcess == 2) return query("fluid in excess");
    return settings.fluidexcess == 0;
}

int16_t fit16(int64_t v, const std::string& phase)
{
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        bombout("in excess", "projection from " + phase + " gives an amount beyond 16 bits", 0);
    return static_cast<int16_t>(v);
}

int32_t fit32(int64_t v, const std::string& phase)
{
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        bombout("in excess", "projection from " + phase + " gives a divisor beyond 32 bits", 0);
    return static_cast<int32_t>(v);
}

// Eliminates every component but p from excess end-member e.
void eliminate(int e, int p)
{
    const int64_t a = ws.c[at(p)][at(e)];
    const std::string& phase = ws.emname[at(e)];
    for (int j = 1; j <= ws.ncomps; ++j) {
        if (j == p) continue;
        const int64_t cje = ws.c[at(j)][at(e)];
        const int64_t g = gcd(static_cast<int32_t>(a), static_cast<int32_t>(cje));
        const int64_t m1 = a / g, m2 = cje / g;
        for (int i = 1; i <= ws.nem; ++i) {
            if (i == e) continue;
            ws.c[at(j)][at(i)] = fit16(m1 * ws.c[at(j)][at(i)] - m2 * ws.c[at(p)][at(i)], phase);
        }
        int64_t div = static_cast<int64_t>(ws.compdiv[at(j)]) * m1;
        if (div < 0) {
            div = -div;
            for (int i = 1; i <= ws.nem; ++i) ws.c[at(j)][at(i)] = fit16(-static_cast<int64_t>(ws.c[at(j)][at(i)]), phase);
        }
        ws.compdiv[at(j)] = fit32(div, phase);
    }
    for (int j = 1; j <= ws.ncomps; ++j) {
        if (j != p) ws.c[at(j)][at(e)] = 0;
    }
}

// The working set as it was before the reordering.
struct savedset {
    std::vector<comprow> c = std::vector<comprow>(maxcomps + 1);
    std::array<str22, maxems + 1> names;
    std::array<real, maxems + 1> act{}, sda{};
    std::array<int16_t, maxems + 1> nsite{};
    std::vector<tdrecord> td = std::vector<tdrecord>(maxems + 1);
    zeroedreals cov;
    std::array<str22, maxcomps + 1> compnames;
    std::array<int32_t, maxcomps + 1> compdiv{};
    std::array<int16_t, maxcomps + 1> compatoms{};
};

void project(const std::array<int16_t, maxems + 1>& excess, const std::array<int16_t, maxems + 1>& pivot,
             const std::array<bool, maxcomps + 1>& eliminated, const std::array<bool, maxems + 1>& isexcess)
{
    const int nem = ws.nem, ncomps = ws.ncomps, nexcess = ws.nexcess;
    ws.nrems = static_cast<int16_t>(nem - nexcess);
    ws.nrcomps = static_cast<int16_t>(ncomps - nexcess);
    static savedset old;
    old.c = ws.c;
    old.cov = ws.cov;
    for (int i = 1; i <= nem; ++i) {
        old.names[at(i)] = ws.emname[at(i)];
        old.act[at(i)] = ws.emact[at(i)];
        old.sda[at(i)] = ws.emsda[at(i)];
        old.nsite[at(i)] = ws.nsite[at(i)];
        old.td[at(i)] = ws.td[at(i)];
    }
    old.compnames = ws.compnames;
    old.compdiv = ws.compdiv;
    old.compatoms = ws.compatoms;

    // New order of the end-members: those not in excess, then the excess ones.
    std::array<int16_t, maxems + 1> from{};
    int r = 0;
    for (int i = 1; i <= nem; ++i) {
        if (!isexcess[at(i)]) from[at(++r)] = static_cast<int16_t>(i);
    }
    for (int k = 1; k <= nexcess; ++k) from[at(r + k)] = excess[at(k)];

    int newj = 0;
    for (int j = 1; j <= ncomps; ++j) {
        if (eliminated[at(j)]) continue;
        ++newj;
        ws.compnames[at(newj)] = old.compnames[at(j)];
        ws.compdiv[at(newj)] = old.compdiv[at(j)];
        ws.compatoms[at(newj)] = old.compatoms[at(j)];
        for (int i = 1; i <= ws.nrems; ++i) ws.c[at(newj)][at(i)] = old.c[at(j)][at(from[at(i)])];
    }
    for (int i = 1; i <= nem; ++i) {
        const int o = from[at(i)];
        ws.emname[at(i)] = old.names[at(o)];
        ws.emact[at(i)] = old.act[at(o)];
        ws.emsda[at(i)] = old.sda[at(o)];
        ws.nsite[at(i)] = old.nsite[at(o)];
        ws.td[at(i)] = old.td[at(o)];
    }
    for (int k = 1; k <= nexcess; ++k) {
        const int row = ws.nrcomps + k, p = pivot[at(k)];
        for (int i = 1; i <= ws.nrems; ++i) ws.c[at(row)][at(i)] = old.c[at(p)][at(from[at(i)])];
    }
    for (int j = 1; j <= ncomps; ++j) {
        for (int i = ws.nrems + 1; i <= nem; ++i) ws.c[at(j)][at(i)] = 0;
    }
    for (int k = 1; k <= nexcess; ++k) {
        const int row = ws.nrcomps + k, p = pivot[at(k)], e = excess[at(k)];
        ws.compnames[at(row)] = trunc22(old.names[at(e)]);
        ws.compatoms[at(row)] = old.compatoms[at(p)];
        const int16_t amount = old.c[at(p)][at(e)];
        ws.c[at(row)][at(ws.nrems + k)] = amount;
        ws.compdiv[at(row)] = amount;
    }
    for (int i = 1; i <= nem; ++i) {
        for (int k = 1; k <= nem; ++k) {
            ws.covat(i, k) = old.cov[at(from[at(i)]) * (maxems + 1) + at(from[at(k)])];
        }
    }
}

}  // namespace

void inexcess()
{
    ws.nexcess = 0;
    ws.nrems = ws.nem;
    ws.nrcomps = ws.ncomps;

    // 1. The fluid.
    const bool h2o = ws.ih2o != 0, co2 = ws.ico2 != 0;
    if (!h2o && !co2) {
        pd.fluidtype = 2;
    } else if (settings.fluidpresent != 0 && !query("fluid may be present")) {
        pd.fluidtype = 2;
    }
    if (pd.fluidtype != 2 && pd.fluidtype != 6) pd.fluidtype = co2 ? 4 : 3;

    // 2. The working end-members.
    std::string& b = channels.linebuf;
    b.clear();
    for (int i = 1; i <= ws.nem; ++i) addfield("  " + ws.emname[at(i)], 0, b);
    putstr(1, b, 1, 9);

    settings.munames[1].clear();
    bool fluidexcess = false;
    switch (settings.diagrammode) {
        case 0:
            fluidexcess = fluidinexcessasked();
            break;
        case 1:
        case 2:
            if (!h2o && !co2) bombout("inexcess", "no H2O or CO2 in P-x/T-x?", 0);
            fluidexcess = true;
            // the summary too: it is the record of the run, and the statement below goes there
            say("fluid in excess", 13);
            break;
        case 3:
        case 4: {
            logasetup();
            const str22& name = settings.lnanames[1];
            if (name == "H2O" || name == "CO2") {
                pd.fluidtype = 2;
            } else if (settings.fluidpresent != 0 && !query("fluid may be present")) {
                pd.fluidtype = 2;
            }
            fluidexcess = fluidinexcessasked();
            break;
        }
        default:
            bombout("inexcess", "unknown diagrammode", 1);
    }
    if (fluidexcess) putstr(0, "additionally ", 0, 9);

    // 5, 6. The names.
    static excessnames named;
    named.n = 0;
    promptcontrol("use in excess phases specified in scriptfile", settings.inexcesson);
    if (settings.inexcesson == 0) {
        // console and log have had the sentence's beginning; the summary gets it here, so
        // that the sentence reaches it whole
        if (fluidexcess) putstr(0, "additionally ", 0, 1 << chsummary);
        if (settings.nexcesslist <= 0) {
            say("no phases in excess (from script)", 13);
        } else {
            std::string line = "phases in excess: ";
            for (int i = 1; i <= settings.nexcesslist; ++i) {
                if (!named.has(settings.excesslist[at(i)])) named.add(settings.excesslist[at(i)]);
                line += " " + settings.excesslist[at(i)];
            }
            say(line + " (from script)", 13);
        }
    } else {
        static stringlist typed;
        int16_t count = 0;
        promptstrings("in excess: names", typed, count);
        if (count > 0 && typed[count] == "*") --count;
        // A name given twice is one phase in excess.
        for (int i = 1; i <= count; ++i) {
            if (!named.has(typed[i])) named.add(typed[i]);
        }
    }
    if (fluidexcess) {
        if (co2 && !named.has("CO2")) named.add("CO2");
        if (h2o && !named.has("H2O")) named.add("H2O");
    }
    if (ws.ilna != 0 && !named.has(settings.lnanames[1])) named.add(settings.lnanames[1]);

    // 7, 8. The excess end-members, each once.
    if (named.n >= 1 && ws.nrcomps > named.n) {
        std::array<bool, maxems + 1> isexcess{};
        std::array<int16_t, maxems + 1> excess{}, pivot{};
        for (int i = 1; i <= named.n; ++i) {
            const int16_t e = lookupreplacing(named.names[i]);
            if (e == 0 || isexcess[at(e)]) continue;
            isexcess[at(e)] = true;
            excess[at(++ws.nexcess)] = e;
        }
        if (ws.nexcess > 0) {
            // 9. A phase of one component takes it when it is still free.
            std::array<bool, maxcomps + 1> used{}, eliminated{};
            std::array<bool, maxems + 1> done{};
            for (int k = 1; k <= ws.nexcess; ++k) {
                const int e = excess[at(k)];
                int nonzero = 0, p = 0;
                for (int j = 1; j <= ws.ncomps; ++j) {
                    if (ws.c[at(j)][at(e)] != 0) {
                        ++nonzero;
                        p = j;
                    }
                }
                if (nonzero == 1 && !used[at(p)]) {
                    done[at(k)] = true;
                    used[at(p)] = eliminated[at(p)] = true;
                    pivot[at(k)] = static_cast<int16_t>(p);
                }
            }
            // 10. The others take their first free component and eliminate the rest.
            for (int k = 1; k <= ws.nexcess; ++k) {
                if (done[at(k)]) continue;
                const int e = excess[at(k)];
                int p = 0;
                for (int j = 1; j <= ws.ncomps && p == 0; ++j) {
                    if (ws.c[at(j)][at(e)] != 0 && !used[at(j)]) p = j;
                }
                if (p == 0) bombout("in excess", "projection does not work", 0);
                used[at(p)] = eliminated[at(p)] = true;
                pivot[at(k)] = static_cast<int16_t>(p);
                eliminate(e, p);
            }
            project(excess, pivot, eliminated, isexcess);
        }
    }

    // 15. The log a end-member where it now stands.
    if (ws.ilna != 0) {
        ws.ilna = findem(settings.lnanames[1]);
        if (ws.ilna != 0) settings.lnah0 = ws.td[at(ws.ilna)].S;
    }
}

}  // namespace zt
