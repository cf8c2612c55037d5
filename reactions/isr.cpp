#include "reactions/isr.h"

#include <cmath>

#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/nullspace.h"
#include "reactions/reactionwriting.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr wordset chset13 = 13;
constexpr wordset chset8 = 8;
constexpr wordset chset16 = 16;
constexpr wordset chset64 = 64;

intmatrix compcopy;

size_t at(int i) { return static_cast<size_t>(i); }

void noreactiontables() {
    for (int j = 1; j <= ws.nem; ++j) {
        std::string& line = channels.linebuf;
        line.clear();
        addfield(ws.emname[at(j)], -6, line);
        for (int i = 1; i <= ws.ncomps; ++i) addwhole(4, line, ws.c[at(i)][at(j)]);
        putstr(0, line, 1, chset13);
    }
    std::string& line = channels.linebuf;
    line.clear();
    for (int i = 1; i <= ws.ncomps; ++i) addwhole(4, line, ws.compdiv[at(i)]);
    putstr(0, line, 1, chset13);
}

// The listing of the set on the log and, as bracketed lists, on the "-ql" file.
void listisr() {
    putstr(0, "", 1, chset8);
    for (int16_t k = 1; k <= reactions.nreac; ++k) {
        writereaction(k);
        putstr(0, reactions.reactiontext[at(k)], 1, chset8);
    }
    const wordset ql = chset64;
    putstr(0, "", 2, ql);
    std::string line = "name = {";
    for (int j = 1; j <= ws.nem; ++j) {
        if (j > 1) line += ",";
        line += "\"" + ws.emname[at(j)] + "\"";
    }
    line += "};";
    putstr(0, line, 2, ql);

    auto listrows = [&](const char* opening, int16_t indent, int nrows, int ncols, auto value) {
        for (int i = 1; i <= nrows; ++i) {
            std::string row = i == 1 ? std::string(opening) : std::string(static_cast<size_t>(indent), ' ');
            row += "{";
            for (int j = 1; j <= ncols; ++j) {
                if (j > 1) row += ", ";
                addwhole(3, row, value(i, j));
            }
            row += i < nrows ? "}," : "}";
            putstr(0, row, i < nrows ? 1 : 0, ql);
        }
        putstr(0, "};", 2, ql);
    };
    listrows("c =   {", 7, ws.nem, ws.ncomps, [](int j, int i) { return real(ws.c[at(i)][at(j)]); });
    line = "div =  {";
    for (int i = 1; i <= ws.ncomps; ++i) {
        if (i > 1) line += ", ";
        addwhole(3, line, ws.compdiv[at(i)]);
    }
    line += "};";
    putstr(0, line, 2, ql);
    line = "(*";
    for (int j = 1; j <= ws.nem; ++j) addfield(ws.emname[at(j)], 5, line);
    addfield("*)", 5, line);
    putstr(0, line, 2, ql);
    listrows("re = {", 6, reactions.nreac, ws.nem, [](int k, int j) { return real(reactions.r[at(k)][at(j)]); });
}

}  // namespace

void writecompmatrix() {
    std::string& line = channels.linebuf;
    line = "      ";
    for (int i = 1; i <= ws.ncomps; ++i) addfield(ws.compnames[at(i)], 6, line);
    putstr(1, line, 1, chset16);
    for (int j = 1; j <= ws.nem; ++j) {
        line.clear();
        addfield(ws.emname[at(j)], -6, line);
        for (int i = 1; i <= ws.ncomps; ++i) addwhole(6, line, ws.c[at(i)][at(j)]);
        putstr(0, line, 1, chset16);
    }
    line = "div   ";
    for (int i = 1; i <= ws.ncomps; ++i) addwhole(6, line, ws.compdiv[at(i)]);
    putstr(0, line, 2, chset16);
    for (int i = 1; i <= ws.ncomps; ++i) {
        line = i == 1 ? std::string("c =   {") : std::string(7, ' ');
        line += "{";
        for (int j = 1; j <= ws.nem; ++j) {
            if (j > 1) line += ", ";
            addwhole(3, line, ws.c[at(i)][at(j)]);
        }
        line += i < ws.ncomps ? "}," : "}";
        putstr(0, line, i < ws.ncomps ? 1 : 0, chset16);
    }
    putstr(0, "};", 2, chset16);
}

void reactionweights() {
    for (int k = reactions.nreac + 1; k <= maxreactions; ++k) reactions.rxnweight[at(k)] = 1;
    for (int k = 1; k <= reactions.nreac; ++k) {
        const reaction& nu = reactions.r[at(k)];
        real p = 0, n = 0;
        int j = 0;
        for (int e = 1; e <= ws.nem; ++e) {
            if (!eq.phasestart[at(e)]) continue;
            const axphase& ph = phases.prec1[at(eq.phaseofstart[at(e)])];
            for (int l = 1; l <= ph.nem && j < ws.nem; ++l) {
                ++j;
                const int16_t c = nu[at(j)];
                const int16_t m = ph.em[at(l)].maxpower;
                if (c > 0) p += real(c) * m;
                if (c < 0) n += real(c) * m;
            }
        }
        const real w = std::round(std::sqrt(p * p + n * n));
        reactions.rxnweight[at(k)] = static_cast<int16_t>(w < 1 ? 1 : (w > maxrxnweight ? maxrxnweight : w));
    }
}

void calcisr(bool& found, bool quiet) {
    reactions.nreac = 0;
    if (compcopy.size() <= at(ws.ncomps)) compcopy.resize(at(ws.ncomps) + 1);
    for (int i = 1; i <= ws.ncomps; ++i)
        for (int j = 1; j <= ws.nem; ++j) compcopy[at(i)][at(j)] = ws.c[at(i)][at(j)];
    nullspace(compcopy, ws.ncomps, ws.nem);
    reactionweights();
    if (quiet) {
    } else if (reactions.nreac == 0 && !settings.dogminon) {
        putstr(1, "** no reactions", 2, chset13);
        writecompmatrix();
        noreactiontables();
    } else if (reactions.nreac > 0 && settings.incnler == 0) {
        listisr();
    }
    found = reactions.nreac > 0;
}

}  // namespace zt
