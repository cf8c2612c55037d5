#include "ax/axeval.h"

#include <cstdlib>

#include "runtime/channels.h"
#include "runtime/words.h"
#include "script/settings.h"

namespace zt {

namespace {

real factorvalue(const axfactor& f, const axvector& x, int16_t off) {
    real value = static_cast<real>(f.c0num) / static_cast<real>(f.c0den);
    for (int k = 1; k <= f.nitems; ++k) {
        const real m = static_cast<real>(f.num[static_cast<size_t>(k)]) / static_cast<real>(f.den[static_cast<size_t>(k)]);
        value += m * x[static_cast<size_t>(f.itemvar[static_cast<size_t>(k)] + off - 1)];
    }
    return value;
}

bool mageminon() { return settings.magemin == 0; }

// A row longer than this is written before the next term starts.
constexpr size_t rowbreaklen = 150;

void addconstant(int16_t num, int16_t den, std::string& row) {
    addwhole(0, row, num);
    if (den != 1) {
        addfield("/", 0, row);
        addwhole(0, row, den);
    }
}

void addfactor(const axfactor& f, bool severalfactors, bool laterterm, const axlabels& labels, std::string& row) {
    const int m = f.nitems;
    if (m == 0) {
        addconstant(f.c0num, f.c0den, row);
        return;
    }
    const int16_t num1 = f.num[1];
    const bool paren = (severalfactors && !(f.c0num == 0 && m == 1 && num1 > 0)) ||
                       (laterterm && f.c0num == 0 && num1 < 0);
    if (paren) addfield("(", 0, row);
    if (f.c0num != 0) addconstant(f.c0num, f.c0den, row);
    for (int k = 1; k <= m; ++k) {
        const int16_t num = f.num[static_cast<size_t>(k)];
        const int16_t den = f.den[static_cast<size_t>(k)];
        if (k == 1 && f.c0num == 0 && num1 > 0) {
            // the first item of a factor without constant carries no sign
        } else if (num > 0) {
            addfield(" + ", 0, row);
        } else if (k == 1 && f.c0num == 0 && num1 < 0) {
            addfield("-", 0, row);
        } else {
            addfield(" - ", 0, row);
        }
        const int magnitude = std::abs(static_cast<int>(num));
        if (magnitude == 1 && den == 1) {
            // a unit multiplier is not written
        } else if (den == 1) {
            addwhole(0, row, magnitude);
        } else {
            addwhole(0, row, magnitude);
            addfield("/", 0, row);
            addwhole(0, row, den);
            addfield(mageminon() ? "*" : " ", 0, row);
        }
        const int v = f.itemvar[static_cast<size_t>(k)];
        if (v >= 1 && v <= maxphasevars) addfield(labels[static_cast<size_t>(v)], 0, row);
    }
    if (paren) addfield(")", 0, row);
}

}  // namespace

real evalaxexpr(const axexpr& expr, const axvector& x, int16_t off) {
    real sum = 0;
    for (int t = 1; t <= expr.nterms; ++t) {
        const axterm& term = expr.term[static_cast<size_t>(t)];
        if (term.coef == 0) continue;
        real prod = 1;
        for (int f = 1; f <= term.nfactors; ++f) prod *= factorvalue(term.factor[static_cast<size_t>(f)], x, off);
        sum += prod * term.coef;
    }
    return sum;
}

real dexprdx(const axexpr& expr, int16_t v, const axvector& x, int16_t off) {
    real d = 0;
    std::array<real, maxaxfactors + 1> values{};
    for (int t = 1; t <= expr.nterms; ++t) {
        const axterm& term = expr.term[static_cast<size_t>(t)];
        if (term.coef == 0) continue;
        bool computed = false;
        for (int f = 1; f <= term.nfactors; ++f) {
            const axfactor& fac = term.factor[static_cast<size_t>(f)];
            for (int k = 1; k <= fac.nitems; ++k) {
                if (fac.itemvar[static_cast<size_t>(k)] != v) continue;
                if (!computed) {
                    for (int g = 1; g <= term.nfactors; ++g) {
                        values[static_cast<size_t>(g)] = factorvalue(term.factor[static_cast<size_t>(g)], x, off);
                    }
                    computed = true;
                }
                real prod = static_cast<real>(fac.num[static_cast<size_t>(k)]) / static_cast<real>(fac.den[static_cast<size_t>(k)]);
                for (int g = 1; g <= term.nfactors; ++g) {
                    if (g != f) prod *= values[static_cast<size_t>(g)];
                }
                d += prod * term.coef;
            }
        }
    }
    return d;
}

bool phaselegal(int16_t k) {
    const axphase& ph = phases.prec1[static_cast<size_t>(k)];
    if (ph.nsf <= 0) return true;
    axvector x{};
    for (int i = 1; i <= ph.nvars; ++i) x[static_cast<size_t>(i)] = ph.vars[static_cast<size_t>(i)].value;
    for (int j = 1; j <= ph.nsf; ++j) {
        if (evalaxexpr(ph.sf[static_cast<size_t>(j)], x, 1) <= 0) return false;
    }
    return true;
}

void axvarlabels(int16_t k, axlabels& labels) {
    const axphase& ph = phases.prec1[static_cast<size_t>(k)];
    if (ph.nem <= 1) return;
    for (int i = 1; i <= ph.nvars; ++i) {
        const str22& n = ph.vars[static_cast<size_t>(i)].name;
        std::string& label = labels[static_cast<size_t>(i)];
        if (n.size() >= 3 && n.compare(0, 2, "p(") == 0) {
            label = n.substr(2, n.size() - 3);
        } else {
            const size_t cut = n.find_first_of("([");
            label = cut == std::string::npos ? n : n.substr(0, cut);
        }
    }
}

void printaxexpr(const axexpr& expr, const std::string& name, int16_t k, wordset channelset) {
    std::string& row = channels.linebuf;
    row = "   " + trunc22(name) + " = ";
    bool anyterm = false;  // terms of coefficient 0 are skipped, so all such is a 0
    for (int t = 1; t <= expr.nterms && !anyterm; ++t) anyterm = expr.term[static_cast<size_t>(t)].coef != 0;
    if (!anyterm) {
        addfield("0", 0, row);
        putstr(0, row, 1, channelset);
        return;
    }
    static axlabels labels;
    for (std::string& s : labels) s.clear();
    axvarlabels(k, labels);
    bool first = true;
    for (int t = 1; t <= expr.nterms; ++t) {
        const axterm& term = expr.term[static_cast<size_t>(t)];
        if (term.coef == 0) continue;  // contributes nothing to the value either
        if (row.size() > rowbreaklen) {
            putstr(0, row, 1, channelset);
            row = spaces(8);
        }
        if (!first) addfield(" + ", 0, row);
        if (term.coef != 1) {
            addreal(4, false, 0, term.coef, row);
            addfield(mageminon() ? "*" : " ", 0, row);
        }
        for (int f = 1; f <= term.nfactors; ++f) {
            addfactor(term.factor[static_cast<size_t>(f)], term.nfactors > 1, !first, labels, row);
            if (f < term.nfactors && term.factor[static_cast<size_t>(f)].nitems > 0) {
                addfield(mageminon() ? "*" : " ", 0, row);
            }
        }
        first = false;
    }
    putstr(0, row, 1, channelset);
}

}  // namespace zt
