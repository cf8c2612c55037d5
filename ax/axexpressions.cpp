#include "ax/axexpressions.h"

#include "ax/axtokens.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"

namespace zt {

namespace {

// The label of a variable: its name up to the "(".
bool samelabel(const str22& varname, const str22& word) {
    const size_t cut = varname.find('(');
    const size_t len = cut == std::string::npos ? varname.size() : cut;
    return word.size() == len && varname.compare(0, len, word) == 0;
}

// A count in lo..hi: below ends the run with few + context, above with many + context
// and the limit.
int16_t readcount(const std::string& countcontext, int16_t lo, int16_t hi, const std::string& few,
                  const std::string& many, const std::string& context) {
    nextaxtoken(countcontext);
    const int16_t n = getinteger(axtok.kind, axtok.token, countcontext);
    if (n < lo) bombout("setup phases", few + context, 0);
    if (n > hi) bombout("setup phases", many + context + maxtext(hi), 0);
    return n;
}

void readfraction(const std::string& context, int16_t& num, int16_t& den) {
    nextaxtoken(context);
    getrational(axtok.kind, axtok.token, num, context, den);
}

// Constant and item count of factor f; the items are left to the caller.
void readfactorhead(axfactor& fac, int f, const std::string& context) {
    const std::string ordf = ordinalword(f);
    readfraction("constant in " + ordf + " term" + context, fac.c0num, fac.c0den);
    fac.nitems = readcount("no of terms in " + ordf + " term" + context, 0, maxaxitems, "too few terms in x",
                           "too many terms in x", context);
}

void checkzeroterm(const axfactor& fac, const std::string& context) {
    if (fac.nitems == 0 && fac.c0num == 0) bombout("setup phases", "zero term" + context, 0);
}

}  // namespace

void readsfterms(axexpr& expr, const axphase& ph, const std::string& context) {
    resetaxexpr(expr);
    const int16_t nterms = readcount("no of sxterms" + context, 1, maxaxterms, "too few sxterms", "too many sxterms", context);
    expr.nterms = nterms;
    for (int t = 1; t <= nterms; ++t) {
        axterm& term = expr.term[static_cast<size_t>(t)];
        term.coef = 1;
        const int16_t nf = readcount("no of xterms" + context, 1, maxaxfactors, "too few x terms", "too many x terms", context);
        term.nfactors = nf;
        for (int f = 1; f <= nf; ++f) {
            axfactor& fac = term.factor[static_cast<size_t>(f)];
            readfactorhead(fac, f, context);
            const std::string ordf = ordinalword(f);
            for (int k = 1; k <= fac.nitems; ++k) {
                const size_t kk = static_cast<size_t>(k);
                const std::string ordk = ordinalword(k);
                readfraction("mult in " + ordk + " of " + ordf + " term" + context, fac.num[kk], fac.den[kk]);
                const std::string where = "index/name in " + ordk + " of " + ordf + " term" + context;
                nextaxtoken(where);
                int16_t v = 0;
                if (axtok.kind == wkinteger) {
                    v = getinteger(axtok.kind, axtok.token, where);
                } else if (axtok.kind == wkword) {
                    for (int i = 1; i <= ph.nvars; ++i) {
                        if (samelabel(ph.vars[static_cast<size_t>(i)].name, axtok.token)) {
                            v = static_cast<int16_t>(i);
                            break;
                        }
                    }
                    if (v == 0) bombout("setup phases", axtok.token + " not a variable name: " + where, 0);
                } else {
                    bombout("setup phases", axtok.token + " not a " + where, 0);
                }
                if (v < 1 || v > ph.nvars) bombout("setup phases", "illegal " + where, 0);
                fac.itemvar[kk] = v;
            }
            checkzeroterm(fac, context);
        }
    }
}

void readxterms(axexpr& expr, axvar& var, const std::string& context) {
    resetaxexpr(expr);
    for (str22& s : var.worknames) s.clear();
    var.nworknames = 0;
    expr.nterms = 1;
    axterm& term = expr.term[1];
    term.coef = 1;
    term.nfactors = 1;
    axfactor& fac = term.factor[1];
    readfactorhead(fac, 1, context);
    for (int k = 1; k <= fac.nitems; ++k) {
        const size_t kk = static_cast<size_t>(k);
        const std::string ordk = ordinalword(k);
        readfraction("mult in " + ordk + " of 1st term" + context, fac.num[kk], fac.den[kk]);
        const std::string where = "index/name in " + ordk + " of 1st term" + context;
        nextaxtoken(where);
        int16_t v = 0;
        if (axtok.kind == wkword) {
            for (int i = 1; i <= var.nworknames; ++i) {
                if (var.worknames[static_cast<size_t>(i)] == axtok.token) {
                    v = static_cast<int16_t>(i);
                    break;
                }
            }
            if (v == 0) {
                // at most 12 items, so the 26 places cannot run out
                var.nworknames = static_cast<int16_t>(var.nworknames + 1);
                v = var.nworknames;
                var.worknames[static_cast<size_t>(v)] = axtok.token;
            }
        } else if (axtok.kind == wkinteger) {
            v = getinteger(axtok.kind, axtok.token, where);
            if (v < 1 || v > var.nworknames) bombout("setup phases", "illegal " + where, 0);
        } else {
            bombout("setup phases", axtok.token + " not a " + where, 0);
        }
        fac.itemvar[kk] = v;
    }
    checkzeroterm(fac, context);
}

}  // namespace zt
