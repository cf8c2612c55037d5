#include "phasediagram/mcaccumulate.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "runtime/records/equilibriumstate.h"
#include "numeric/summary.h"
#include "phasediagram/batches.h"
#include "phasediagram/drawingdata.h"
#include "phasediagram/resultseams.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/settings.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset summaryset = 4;
constexpr wordset consolesummarylog = 13;
constexpr wordset csvset = wordset{1} << chcsv;
constexpr wordset csv2set = wordset{1} << chcsv2;
constexpr int valuesperline = 16;

std::string fixed(int d, real x) { return fixedtostr(static_cast<int16_t>(d), x); }

std::string column(const std::string& text, int16_t width) {
    std::string out;
    addfield(text, width, out);
    return out;
}

int16_t nmcentries() { return settings.nmc > 0 ? settings.nmc : int16_t{0}; }
int16_t nmcranges() { return settings.nmcrange > 0 ? settings.nmcrange : int16_t{0}; }

// The points the loop makes in the current batch pass.
long pointsinpass(const loopstate& ls) {
    long n = 1;
    for (int i = 1; i <= ls.nloops; ++i) n *= ls.looplimits[at(i)];
    return n;
}

// Entry k's value as the lists show it: a DQF term as its coefficient in the a-x file
// moved by this run's change.
real shownvalue(const loopstate& ls, int k) {
    const mcrec& e = settings.mcentries[at(k)];
    const real value = ls.mcrunvalue[at(k)];
    if (e.vartype != 3) return value;
    const real change = value - ls.mcbase[at(k)];
    if (e.abc == 2) return e.dqfb - change;
    return (e.abc == 1 ? e.dqfa : e.dqfc) + change;
}

std::string qlvalue(const loopstate& ls, int k) {
    return fixed(settings.mcentries[at(k)].abc == 2 ? 6 : 5, shownvalue(ls, k));
}

int summarydecimals(int16_t abc) { return abc == 2 ? 7 : abc == 3 ? 6 : 4; }

// A "-ql" line being built; values separated by ", ", 16 to a line.
struct qlbuilder {
    std::string line;
    int count = 0;
    void value(const std::string& v) {
        if (count > 0) {
            line += ", ";
            if (count % valuesperline == 0) {
                qlline(0, line, 1);
                line = "  ";
            }
        }
        line += v;
        ++count;
    }
    void end(int16_t after) {
        qlline(0, line, after);
        line.clear();
        count = 0;
    }
};

real conditionvalue(const mcslot& s, int16_t code) {
    if (code == 1) return s.p;
    if (code == 2) return s.t;
    return code >= 3 && code <= maxvars ? s.vars[at(code)] : 0;
}

bool insidefilter(const mcslot& s) {
    const batchrec& r = settings.batches[at(s.batch)];
    for (int k = 1; k <= r.nfilters[at(s.point)]; ++k) {
        const filterrec& f = r.filters[at(s.point)][at(k)];
        const real v = conditionvalue(s, f.code);
        if (!(f.low < v && v < f.high)) return false;
    }
    return true;
}

void fillslot(loopstate& ls, int16_t b, int16_t p, bool success) {
    if (ls.nslots >= maxmcslots) {
        bombout("accumulatemc", "too many points in a run (max = " + wholetostr(maxmcslots) + ")", 0);
    }
    if (p < 1 || p > maxbatchpt) {
        bombout("accumulatemc", "too many points in batch " + wholetostr(b) + " (max = " + wholetostr(maxbatchpt) + ")", 0);
    }
    mcslot& s = ls.slots[at(++ls.nslots)];
    s.batch = b;
    s.point = p;
    s.nvar = eq.nvar;
    s.nxp = eq.nxp;
    s.success = success;
    batchcopy& c = batchwork.batch[at(b)];
    if (c.ncols < 0) {
        const int last = std::min(eq.nvar + eq.nxp, maxvars);
        c.ncols = static_cast<int16_t>(std::max(0, last - 2));
        for (int g = 3; g <= last; ++g) c.colnames[at(g - 2)] = eq.calcvarnames[at(g)];
    }
    if (success) {
        s.p = summary.pequil;
        s.t = summary.tequil;
        const int last = eq.nvar + eq.nxp;
        for (int g = 3; g <= maxvars; ++g) s.vars[at(g)] = g <= last ? eq.varvalue[at(g)] : 0;
        s.g = summary.sysg[1];
        s.h = summary.sysh[1];
        s.s = summary.syss[1];
        s.v = summary.sysv[1];
        s.rho = summary.sysrho[1];
        s.reaction = ls.reactiontext;
        c.pointpass[at(p)] = !settings.filtergiven || insidefilter(s);
    } else {
        s.p = 0;
        s.t = 273.15L;
        s.vars.fill(0);
        s.g = s.h = s.s = s.v = s.rho = 0;
        s.reaction.clear();
        c.pointpass[at(p)] = false;
    }
    c.pointok[at(p)] = success;
}

// Whether the run meets every batch request; the first request it fails is tallied.
bool meetsrequests() {
    for (int k = 1; k <= settings.nbatchreq; ++k) {
        const batchreqrow& row = settings.batchreqs[at(k)];
        bool anyok = false, anypass = false;
        for (int i = 1; i <= row.n; ++i) {
            const batchcopy& c = batchwork.batch[at(row.batches[at(i)])];
            for (int p = 1; p <= maxbatchpt; ++p) {
                anyok = anyok || c.pointok[at(p)];
                anypass = anypass || c.pointpass[at(p)];
            }
        }
        if (!anyok) ++batchwork.reqnotok[at(k)];
        if (!anypass) ++batchwork.reqnotpass[at(k)];
        if (!anyok || !anypass) return false;
    }
    return true;
}

void progress(long run) {
    std::string text = "(" + wholetostr(static_cast<real>(run)) + ", " + wholetostr(pd.mcsuccesses) + ") ";
    if (run % 10000 == 0) {
        text += "\n\n";
        for (int k = 1; k <= settings.nbatchreq; ++k) {
            int32_t& notok = batchwork.reqnotok[at(k)];
            int32_t& notpass = batchwork.reqnotpass[at(k)];
            const std::string n = wholetostr(k);
            if (notok == 0 && notpass == 0) {
                text += n + ":0 ";
            } else if (settings.filtergiven) {
                text += n + ":" + wholetostr(static_cast<real>(notok) + notpass) + "(" + wholetostr(notok) + "/" +
                        wholetostr(notpass) + ") ";
            } else {
                text += n + ":" + wholetostr(notok) + " ";
            }
            notok = notpass = 0;
        }
        text += "\n";
    } else if (run % 2500 == 0) {
        text += "\n";
    }
    writeconsole(text);
}

void startresults(loopstate& ls) {
    pd.mcsuccesses = 0;
    batchwork.reqnotok.fill(0);
    batchwork.reqnotpass.fill(0);
    putstr(1, "starting to accumulate results", 2, consolesummarylog);
    qlline(1, " results = {", 1);
    ls.resultsstarted = ls.resultsopen = true;
}

// The first line of a run's entry: the values this run gave the Monte Carlo entries.
void writerunhead(const loopstate& ls, long run) {
    const bool currentway = settings.mcoutcurrentway == 0;
    qlbuilder q;
    q.line = currentway ? "{{(* cw *) " : "{{(* cw  ";
    for (int k = 1; k <= nmcentries(); ++k) {
        if (settings.mcentries[at(k)].ref == 0) q.value(qlvalue(ls, k));
    }
    if (nmcranges() > 0) {
        // A separator only after a value: a list may not begin with one.
        if (q.count > 0) q.line += ", ";
        q.end(1);
        q.line = "  ";
        for (int r = 1; r <= nmcranges(); ++r) q.value(fixed(5, settings.mcranges[at(r)].value1 + ls.mcrangedraw[at(r)]));
    }
    if (!currentway) q.line += " *)";
    q.end(1);

    q.line = currentway ? "  (* nw    " : "  (* nw *) ";
    for (int k = 1; k <= nmcentries(); ++k) q.value(qlvalue(ls, k));
    if (currentway) q.line += " *)";
    q.line += "}, ";
    if (settings.filtergiven && run < 10000) q.line += " (* " + wholetostr(static_cast<real>(run)) + " *)";
    q.end(1);
}

bool lastofbatch(const loopstate& ls, int n) { return n == ls.nslots || ls.slots[at(n + 1)].batch != ls.slots[at(n)].batch; }

int16_t pdecimals() { return std::max<int16_t>(settings.pdecimals, 2); }
int16_t tdecimals() { return std::max<int16_t>(settings.tdecimals, 1); }

void writeqlslots(loopstate& ls, bool closing) {
    constexpr int breaks[] = {12, 24, 36, 48};
    for (int n = 1; n <= ls.nslots; ++n) {
        const mcslot& s = ls.slots[at(n)];
        std::string line = " ";
        line += s.point == 1 ? "{{ (* " + wholetostr(settings.batchlabel[at(s.batch)]) + " *) { " : " {         {";
        if (!s.success) {
            line += "0, 0}, {";
        } else {
            line += fixed(pdecimals(), s.p) + ", " + fixed(tdecimals(), s.t - 273.15L) + "}, {";
            const int last = s.nvar + s.nxp;
            for (int g = 3; g <= last; ++g) {
                const int ordinal = g - 2;
                if (ordinal > 1) {
                    line += ", ";
                    if (ordinal != last - 2 && std::find(std::begin(breaks), std::end(breaks), ordinal) != std::end(breaks)) {
                        qlline(0, line, 1);
                        line = std::string(13, ' ');
                    }
                }
                line += fixed(4, s.vars[at(g)]);
            }
        }
        if (!s.reaction.empty()) line += "}, {\"" + s.reaction + "\"";
        line += "}}";
        if (n == ls.nslots) {
            line += "},     " + fixed(3, filterdistance(ls)) + "}";
            if (closing) {
                qlline(0, line + "};", 2);
                ls.resultsopen = false;
            } else {
                // The separator waits for the next entry, so that a list the run limit
                // ends can still be closed.
                qlline(0, line, 0);
                ls.resultspending = true;
            }
        } else {
            qlline(0, line + (lastofbatch(ls, n) ? "}," : ","), 1);
        }
    }
}

void writesummary(const loopstate& ls) {
    if (ls.nresults == 1) {
        const int16_t n = nmcentries();
        const int16_t onlast = n > 0 ? static_cast<int16_t>((n - 1) % valuesperline + 1) : int16_t{0};
        putstr(2, wholetostr(onlast) + " " + wholetostr(settings.nbatches) + " ", 2, summaryset);
    }
    std::string line;
    int count = 0;
    auto value = [&](const std::string& v) {
        if (count > 0 && count % valuesperline == 0) {
            putstr(0, line, 1, summaryset);
            line = "  ";
        }
        line += v + " ";
        ++count;
    };
    for (int k = 1; k <= nmcentries(); ++k) {
        const mcrec& e = settings.mcentries[at(k)];
        if (e.ref == 0) value(fixed(summarydecimals(e.abc), ls.mcrunvalue[at(k)]));
    }
    for (int r = 1; r <= nmcranges(); ++r) {
        for (int k = 1; k <= nmcentries(); ++k) {
            const mcrec& e = settings.mcentries[at(k)];
            if (e.ref != r || e.refkind != 0) continue;
            if (e.vartype != 3) value(fixed(summarydecimals(e.abc), ls.mcrunvalue[at(k)]));
            break;
        }
    }
    putstr(0, line, 1, summaryset);

    for (int n = 1; n <= ls.nslots; ++n) {
        const mcslot& s = ls.slots[at(n)];
        const int nvars = s.nvar + s.nxp - 2;
        line = s.point == 1 ? wholetostr(s.batch) + " " + wholetostr(settings.batches[at(s.batch)].npt) + " " : "    ";
        line += wholetostr(nvars) + " ";
        if (s.success) {
            line += fixed(pdecimals(), s.p) + " " + fixed(tdecimals(), s.t - 273.15L) + " ";
            for (int g = 3; g <= s.nvar + s.nxp; ++g) {
                const int ordinal = g - 2;
                if ((ordinal == 12 || ordinal == 24) && ordinal != nvars) {
                    putstr(0, line, 1, summaryset);
                    line = "    ";
                }
                line += fixed(4, s.vars[at(g)]) + " ";
            }
        }
        putstr(0, line, n == ls.nslots ? 2 : 1, summaryset);
    }
}

// The csv heads, one block per point of the run as the rows hold them: the run number,
// P, T and the batch's variables, each named after its batch ("2-P"), and after its
// point too from the second point of a batch on ("2.2-P").
void writecsvheads(const loopstate& ls) {
    std::string head, head2;
    for (int n = 1; n <= ls.nslots; ++n) {
        const mcslot& s = ls.slots[at(n)];
        const batchcopy& c = batchwork.batch[at(s.batch)];
        std::string tag = wholetostr(s.batch);
        if (s.point > 1) tag += "." + wholetostr(s.point);
        tag += "-";
        head += "   #, " + column(tag + "P", 10) + ", " + column(tag + "T", 10) + ", ";
        for (int i = 1; i <= c.ncols; ++i) head += column(tag + c.colnames[at(i)], 10) + ", ";
        head2 += "   #, ";
        for (const char* what : {"G", "H", "S", "V", "rho"}) head2 += column(tag + what, 10) + ", ";
    }
    writecsv(chcsv, head);
    putstr(0, "", 1, csvset);
    if (settings.systemprops) {
        writecsv(chcsv2, head2);
        putstr(0, "", 1, csv2set);
    }
}

void writecsvs(const loopstate& ls, long run) {
    if (ls.nresults == 1) writecsvheads(ls);
    const std::string runfield = column(wholetostr(static_cast<real>(run)), 4) + ", ";
    const std::string failed = column("-1", 10) + ", ";
    const std::string blank = column("", 10) + ", ";
    std::string line, line2;
    for (int n = 1; n <= ls.nslots; ++n) {
        const mcslot& s = ls.slots[at(n)];
        const batchcopy& c = batchwork.batch[at(s.batch)];
        line += runfield + column(fixed(3, s.p), 10) + ", " + column(fixed(2, s.t - 273.15L), 10) + ", ";
        // Exactly the batch's columns, so that every value stands under its own head.
        const int have = s.nvar + s.nxp - 2;
        for (int i = 1; i <= c.ncols; ++i) {
            if (!s.success) line += failed;
            else line += i <= have ? column(fixed(5, s.vars[at(i + 2)]), 10) + ", " : blank;
        }
        line2 += runfield;
        for (real x : {s.g, s.h, s.s, s.v, s.rho}) line2 += s.success ? column(fixed(3, x), 10) + ", " : failed;
    }
    writecsv(chcsv, line);
    putstr(0, "", 1, csvset);
    flushcsv(chcsv);
    // Without the system properties (always so with batches) the table would hold only
    // zeros: it is not written, and the empty file is erased at the end of the run.
    if (settings.systemprops) {
        writecsv(chcsv2, line2);
        putstr(0, "", 1, csv2set);
        flushcsv(chcsv2);
    }
}

void writerun(loopstate& ls, long run) {
    ++pd.mcsuccesses;
    const bool closing = pd.mcsuccesses == settings.mcwanted;
    if (ls.resultspending) {
        qlline(0, ",", 2);
        ls.resultspending = false;
    }
    ++ls.nresults;
    writerunhead(ls, run);
    writeqlslots(ls, closing);
    writesummary(ls);
    writecsvs(ls, run);
}

}  // namespace

long runnumber(const loopstate& ls) { return 10000L * ls.runhi + ls.runlo; }

real filterdistance(const loopstate& ls) {
    real best = 0;
    if (!settings.filtergiven) return best;
    for (int n = 1; n <= ls.nslots; ++n) {
        const mcslot& s = ls.slots[at(n)];
        if (!s.success) continue;
        const batchrec& r = settings.batches[at(s.batch)];
        for (int k = 1; k <= r.nfilters[at(s.point)]; ++k) {
            const filterrec& f = r.filters[at(s.point)][at(k)];
            if (f.high == f.low) continue;
            const real d = 2 * (conditionvalue(s, f.code) - (f.low + f.high) / 2) / (f.high - f.low);
            if (std::fabs(d) > std::fabs(best)) best = d;
        }
    }
    return best;
}

void accumulatemc(loopstate& ls, int16_t b, int16_t p, bool& success) {
    const long run = runnumber(ls);
    const bool runstart = ls.firstbatch && p == 1;
    if (runstart && run % 250 == 0) progress(run);
    if (!ls.resultsstarted) startresults(ls);
    fillslot(ls, b, p, success);
    success = true;
    if (b != settings.nbatches || p != pointsinpass(ls)) return;
    if (meetsrequests()) writerun(ls, run);
    else success = false;
}

void endresults(loopstate& ls) {
    if (!ls.resultsopen) return;
    qlline(0, "};", 2);
    ls.resultspending = ls.resultsopen = false;
}

}  // namespace zt
