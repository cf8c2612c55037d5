#include "phasediagram/montecarlo.h"

#include <cmath>
#include <string>

#include "ax/phaserecords.h"
#include "numeric/methods/random.h"
#include "phasediagram/resultseams.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"

namespace zt {

montecarlostate mcs;

void resetmontecarlo() { mcs = montecarlostate{}; }

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset qlchannel = 1 << chql;
constexpr wordset consolesummarylog = 13;
constexpr real celsiustokelvin = 273.15L;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }
std::string fixed4(real x) { return fixedtostr(4, x); }

mcrec& entry(int e) { return settings.mcentries[at(e)]; }
axphase& soln(int k) { return phases.prec1[at(k)]; }
axphase& firstphase(const mcrec& e) { return soln(e.phasenos[1]); }

// A "-ql" line built piece by piece. The channel writer keeps 255 characters of a line,
// so a piece that would pass them starts a continuation line instead of being cut off.
struct qlline {
    std::string text;
    int indent = 0;
    void add(const std::string& piece) {
        if (!text.empty() && text.size() + piece.size() > static_cast<size_t>(maxtextlen)) newline();
        text += piece;
    }
    void newline() {
        putstr(0, text, 1, qlchannel);
        text.assign(at(indent), ' ');
    }
    void finish() { putstr(0, text, 1, qlchannel); }
};

// What the lists show for entry m at parameter value v: v itself, or for a DQF term the
// coefficient as read moved by v - base (the b term enters the entropy with its sign turned).
real shown(const mcrec& m, real base, real v) {
    if (m.vartype != 3) return v;
    switch (m.abc) {
        case 1: return m.dqfa + (v - base);
        case 2: return m.dqfb - (v - base);
        default: return m.dqfc + (v - base);
    }
}

[[noreturn]] void badcode(const std::string& what) { bombout("domontecarlo", what, 0); }

void checkcodes(const mcrec& e) {
    if (e.vartype < 1 || e.vartype > 3) badcode("bad variable code");
    if (e.abc < 1 || e.abc > 3) badcode("bad abc code");
}

// The end-members of pair number n, counted (1,2), (1,3) .. (1,nem), (2,3) ..; (0, 0)
// past the last pair.
void pairof(int n, int nem, int& i, int& j) {
    int pair = 0;
    for (i = 1; i < nem; ++i) {
        for (j = i + 1; j <= nem; ++j) {
            if (++pair == n) return;
        }
    }
    i = j = 0;
}

// The parameter of entry e in phase ph at index i (W number or end-member number there).
real& parameter(axphase& ph, const mcrec& e, int i) {
    checkcodes(e);
    const size_t c = at(e.abc);
    switch (e.vartype) {
        case 1: return c == 1 ? ph.wa[at(i)] : c == 2 ? ph.wb[at(i)] : ph.wc[at(i)];
        case 2: return c == 1 ? ph.vla[at(i)] : c == 2 ? ph.vlb[at(i)] : ph.vlc[at(i)];
        default: return ph.em[at(i)].props.field(e.abc);
    }
}

// Index i of the full numbering in a phase reduced to its present end-members; 0 when
// the W's pair or the end-member is not present.
int reducedindex(const axphase& ph, const mcrec& e) {
    const int full = e.varindex;
    if (e.vartype != 1) {
        if (full < 1 || full > ph.nemfile || !ph.empresent[at(full)]) return 0;
        int n = 0;
        for (int j = 1; j <= full; ++j) n += ph.empresent[at(j)] ? 1 : 0;
        return n;
    }
    int pair = 0, n = 0;
    for (int i = 1; i < ph.nemfile; ++i) {
        for (int j = i + 1; j <= ph.nemfile; ++j) {
            const bool present = ph.empresent[at(i)] && ph.empresent[at(j)];
            if (present) ++n;
            if (++pair == full) return present ? n : 0;
        }
    }
    return 0;
}

void writeparameter(axphase& ph, const mcrec& e, real value) {
    checkcodes(e);
    const int i = ph.contracted ? reducedindex(ph, e) : e.varindex;
    if (i == 0) return;
    parameter(ph, e, i) = value;
}

// Value v into the parameter of entry e in every phase of the entry.
void writevalue(int e, real v) {
    const mcrec& m = entry(e);
    for (int i = 1; i <= m.nphasewords; ++i) writeparameter(soln(m.phasenos[at(i)]), m, v);
}

std::string makelabel(const mcrec& e) {
    checkcodes(e);
    const axphase& ph = firstphase(e);
    std::string text;
    if (e.vartype == 1) {
        int i = 0, j = 0;
        pairof(e.varindex, ph.nem, i, j);
        text = "w(" + ph.em[at(i)].name + "," + ph.em[at(j)].name + ")";
    } else {
        text = (e.vartype == 2 ? "a(" : "DQF(") + ph.em[at(e.varindex)].name + ")";
    }
    text += static_cast<char>('a' + e.abc - 1);
    // Cut inside the quotes, so that a long label still closes its text.
    return quoted(text.substr(0, 20));
}

// Numbers the filter conditions given by name: P 1, T 2, then the compositional
// variables of the batch's solution phases from 3 on.
int16_t batchvariable(const batchrec& b, const str22& name) {
    if (name == "P") return 1;
    if (name == "T") return 2;
    int16_t number = 0, g = 2;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = soln(k);
        bool inbatch = false;
        for (int w = 1; w <= settings.nwith && !inbatch; ++w) {
            inbatch = settings.withnames[at(w)] == ph.shortname && b.phaseflags[at(w)] != 0;
        }
        if (!inbatch) continue;
        for (int v = 1; v <= ph.nvars; ++v) {
            ++g;
            if (ph.vars[at(v)].name == name) number = g;
        }
    }
    return number;
}

void numberfilterconditions() {
    for (int nb = 1; nb <= settings.nbatches; ++nb) {
        batchrec& b = settings.batches[at(nb)];
        for (int p = 1; p <= b.npt; ++p) {
            for (int c = 1; c <= b.nfilters[at(p)]; ++c) {
                filterrec& f = b.filters[at(p)][at(c)];
                if (f.code > 0) continue;
                const int16_t n = batchvariable(b, f.name);
                if (n != 0) f.code = n;
                if (f.code <= 0) bombout("setupmontecarlo", "unrecognised variable name", 0);
            }
        }
    }
}

void findphases() {
    for (int e = 1; e <= settings.nmc; ++e) {
        mcrec& m = entry(e);
        for (int i = 1; i <= m.nphasewords; ++i) {
            const str22& name = m.phasewords[at(i)];
            int16_t k = 0;
            for (int j = 1; j <= phases.nsolnphases && k == 0; ++j) {
                if (soln(j).shortname == name) k = static_cast<int16_t>(j);
            }
            if (k == 0) bombout("setupmontecarlo", "bad name " + quoted(name), 0);
            m.phasenos[at(i)] = k;
        }
    }
}

void setgaussscales(loopstate& ls) {
    mcs.gaussscale.fill(0);
    int n = 0;
    for (int r = 1; r <= settings.nmcrange; ++r) mcs.gaussscale[at(++n)] = 0.5L * settings.mcranges[at(r)].value2;
    for (int e = 1; e <= settings.nmc; ++e) {
        if (entry(e).ref == 0) mcs.gaussscale[at(++n)] = 0.5L * entry(e).value2;
    }
    ls.ngaussdraws = static_cast<int16_t>(n);
}

// The run value of an entry before any draw: coupled entries take their range's nominal value.
real nominalvalue(const mcrec& m, real base) {
    if (m.ref > 0) return settings.mcranges[at(m.ref)].value1;
    if (m.ref < 0) {
        const mcfuncrec& f = settings.mcfuncs[at(-m.ref)];
        real x = f.constant;
        for (int t = 1; t <= f.nterms; ++t) x += f.coeffs[at(t)] * settings.mcranges[at(f.ranges[at(t)])].value1;
        return x;
    }
    return base;
}

void writemcinfo(const loopstate& ls) {
    int lastown = 0;
    for (int e = 1; e <= settings.nmc; ++e) {
        if (entry(e).ref == 0) lastown = e;
    }
    if (lastown == 0) putstr(0, " mcinfo = {};", 1, qlchannel);
    bool first = true;
    for (int e = 1; e <= lastown; ++e) {
        const mcrec& m = entry(e);
        if (m.ref != 0) continue;
        std::string line = first ? " mcinfo = {{" : "           {";
        line += m.label + ", " + fixed4(shown(m, ls.mcbase[at(e)], ls.mcbase[at(e)])) + ", " + fixed4(m.value2);
        line += e == lastown ? "}};" : "},";
        putstr(0, line, 1, qlchannel);
        first = false;
    }
    putstr(0, "", 1, qlchannel);
}

void writemcrange() {
    if (settings.nmcrange <= 0) putstr(0, " mcrange = {};", 1, qlchannel);
    for (int r = 1; r <= settings.nmcrange; ++r) {
        const mcrangerec& range = settings.mcranges[at(r)];
        qlline line;
        line.indent = 38;
        line.text = r == 1 ? " mcrange = {{{" : "            {{";
        line.text += quoted(range.name) + ", " + fixed4(range.value1) + ", " + fixed4(range.value2) + "}, {";
        bool first = true;
        for (int e = 1; e <= settings.nmc; ++e) {
            const mcrec& m = entry(e);
            if (m.ref != r || (m.refkind != 0 && m.refkind != -1 && m.refkind != 1)) continue;
            if (!first) line.text += ", ";
            line.add(m.label);
            first = false;
        }
        int nitems = 0;
        for (int f = 1; f <= settings.nmcfunc; ++f) {
            const mcfuncrec& func = settings.mcfuncs[at(f)];
            for (int t = 1; t <= func.nterms; ++t) {
                if (func.ranges[at(t)] != r) continue;
                if (!first) {
                    line.text += ", ";
                    if (nitems > 0 && nitems % 6 == 0) line.newline();
                }
                line.add("{" + quoted("func" + wholetostr(f)) + ", " + quoted("term" + wholetostr(t)) + "}");
                first = false;
                ++nitems;
            }
        }
        line.add(r == settings.nmcrange ? "}}};" : "}},");
        line.finish();
    }
    putstr(0, "", 1, qlchannel);
}

void writemcfunc() {
    if (settings.nmcfunc <= 0) putstr(0, " mcfunc = {};", 1, qlchannel);
    for (int f = 1; f <= settings.nmcfunc; ++f) {
        const mcfuncrec& func = settings.mcfuncs[at(f)];
        qlline line;
        line.indent = 13;
        line.text = f == 1 ? " mcfunc = {{" : "           {";
        line.text += "(* " + wholetostr(f) + " *) " + quoted(func.name) + ", " + fixed4(func.constant);
        for (int t = 1; t <= func.nterms; ++t) {
            line.text += ", ";
            if (t == 9 || t == 17) line.newline();
            line.add(fixed4(func.coeffs[at(t)]) + ", " + quoted(settings.mcranges[at(func.ranges[at(t)])].name));
        }
        line.add(f == settings.nmcfunc ? "}};" : "},");
        line.finish();
    }
    putstr(0, "", 1, qlchannel);
}

std::string filterbound(int16_t code, real x) {
    if (code == 1) return fixedtostr(1, x);
    if (code == 2) return wholetostr(x - celsiustokelvin);
    return fixed4(x);
}

void writefilters() {
    if (!settings.filtergiven) {
        putstr(0, " filter = {{}};", 1, qlchannel);
        return;
    }
    for (int nb = 1; nb <= settings.nbatches; ++nb) {
        const batchrec& b = settings.batches[at(nb)];
        for (int p = 1; p <= b.npt; ++p) {
            const bool lastofbatch = p == b.npt;
            const bool last = lastofbatch && nb == settings.nbatches;
            qlline line;
            line.indent = 22;
            if (p == 1) {
                line.text = nb == 1 ? " filter = {{" : "           {";
                line.text += " (* " + wholetostr(settings.batchlabel[at(nb)]) + " *) ";
            } else {
                line.text = std::string(11, ' ');
            }
            const int n = b.nfilters[at(p)];
            if (n == 0) {
                line.text += "{ }";
                line.add(last ? " }};" : lastofbatch ? " }," : ",");
                line.finish();
                continue;
            }
            line.text += "{";
            for (int c = 1; c <= n; ++c) {
                const filterrec& f = b.filters[at(p)][at(c)];
                if (c > 1) {
                    line.text += ",";
                    if ((c - 1) % 8 == 0) line.newline();
                }
                line.add(" {" + wholetostr(f.code) + ", " + filterbound(f.code, f.low) + ", " + filterbound(f.code, f.high) +
                         "}");
            }
            line.add(last ? " }}};" : lastofbatch ? " }}," : " },");
            line.finish();
        }
    }
}

// The new value of entry m in this run.
real drawnvalue(int e, const loopstate& ls, int& owndraw) {
    const mcrec& m = entry(e);
    const real base = ls.mcbase[at(e)];
    if (m.ref == 0) {
        if (settings.gaussmc) return base + mcs.gaussdraws[at(++owndraw)];
        return base + (2 * randomwh() - 1) * m.value2;
    }
    if (m.ref > 0 && m.ref <= settings.nmcrange) {
        const real r = ls.mcrangedraw[at(m.ref)];
        const real h = m.value2;
        switch (m.refkind) {
            case 0: return base + r;
            case -1: return base - h + randomwh() * (h + r);
            case 1: return base + h - randomwh() * (h - r);
            default: break;
        }
    } else if (m.ref < 0 && -m.ref <= settings.nmcfunc && m.refkind == -2) {
        const mcfuncrec& f = settings.mcfuncs[at(-m.ref)];
        real shift = 0;
        for (int t = 1; t <= f.nterms; ++t) shift += f.coeffs[at(t)] * ls.mcrangedraw[at(f.ranges[at(t)])];
        return base + shift;
    }
    bombout("domontecarlo", "bad rangecode", 0);
}

void writedebugline(const loopstate& ls, int e, bool last) {
    const mcrec& m = entry(e);
    const real base = ls.mcbase[at(e)], value = ls.mcrunvalue[at(e)];
    std::string& line = channels.linebuf;
    line.clear();
    addfield(m.label.size() >= 2 ? m.label.substr(1, m.label.size() - 2) : m.label, -18, line);
    addfixed(4, 12, shown(m, base, base), line);
    addfixed(4, 12, shown(m, base, value), line);
    addfixed(4, 12, value - base, line);
    putstr(0, line, last ? 2 : 1, consolesummarylog);
}

}  // namespace

real gaussrandom(real sd, real mean) {
    real u1 = randomwh();
    if (u1 < 1e-10L) u1 = 1e-10L;
    const real u2 = randomwh();
    return std::sqrt(-2 * std::log(u1)) * sd * std::cos(6.28319L * u2) + mean;
}

void setupmontecarlo(loopstate& ls) {
    numberfilterconditions();
    pd.mcactive = true;
    if (std::fabs(settings.mcrunlimit) < 1e-8L) bombout("solve", "mcit = 0", 0);
    findphases();
    ls.mcrangedraw.fill(0);
    ls.ngaussdraws = 0;
    if (settings.gaussmc) setgaussscales(ls);
    for (int e = 1; e <= settings.nmc; ++e) {
        mcrec& m = entry(e);
        ls.mcbase[at(e)] = parameter(firstphase(m), m, m.varindex);
        m.label = makelabel(m);
    }
    if (settings.debuglevel == 0 || settings.mcdebug == 0) {
        writemcinfo(ls);
        writemcrange();
        writemcfunc();
        writefilters();
    }
    for (int e = 1; e <= settings.nmc; ++e) ls.mcrunvalue[at(e)] = nominalvalue(entry(e), ls.mcbase[at(e)]);
}

void domontecarlo(loopstate& ls) {
    const int nmc = settings.nmc;
    if (settings.debuglevel > 0 && nmc > 0) {
        putstr(1, std::string(78, '_'), 1, consolesummarylog);
        putstr(0, "                      original     this mc  difference    original     this mc", 1, consolesummarylog);
    }
    if (settings.gaussmc) {
        for (int i = 1; i <= ls.ngaussdraws; ++i) mcs.gaussdraws[at(i)] = gaussrandom(1, 0) * mcs.gaussscale[at(i)];
    }
    for (int r = 1; r <= settings.nmcrange; ++r) {
        ls.mcrangedraw[at(r)] =
            settings.gaussmc ? mcs.gaussdraws[at(r)] : (2 * randomwh() - 1) * settings.mcranges[at(r)].value2;
    }
    int owndraw = settings.nmcrange > 0 ? settings.nmcrange : 0;
    for (int e = 1; e <= nmc; ++e) {
        ls.mcrunvalue[at(e)] = drawnvalue(e, ls, owndraw);
    }
    if (settings.debuglevel > 0) {
        for (int e = 1; e <= nmc; ++e) writedebugline(ls, e, e == nmc);
    }
    for (int e = 1; e <= nmc; ++e) writevalue(e, ls.mcrunvalue[at(e)]);
}

void endmontecarlo(const loopstate& ls) {
    for (int e = 1; e <= settings.nmc; ++e) writevalue(e, ls.mcbase[at(e)]);
}

}  // namespace zt
