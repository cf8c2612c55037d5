#include "ax/makeems.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "ax/axinfo.h"
#include "ax/phaserecords.h"
#include "runtime/capacities.h"
#include "runtime/channels.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "thermo/dataset.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr int maxscratchnames = 800;

// Scratch list of makename.
struct namelist {
    std::array<str22, maxscratchnames + 1> names;
    int n = 0;
    void add(const str22& name, const char* overflowmessage) {
        if (n == maxscratchnames) bombout("makename", overflowmessage, 0);
        names[at(++n)] = name;
    }
};

constexpr real gasconstant = 0.0083144L;

// One phase end-member seen by the make step, by running number.
struct phaseemref {
    tdrecord* props;
    std::array<real, maxems + 1>* cov;
    const str22* name;
    int16_t nmake;
    int16_t makedivisor;
    const std::array<str22, maxmake + 1>* makeemname;
    const std::array<int16_t, maxmake + 1>* makecoef;
    std::array<int32_t, maxmake + 1>* makeaction;
    std::array<int16_t, maxmake + 1>* makeindex;
    real dqfa, dqfb, dqfc;
    bool solution;
};

struct makework {
    int nems = 0;
    std::array<phaseemref, maxems + 1> em{};
    std::array<int16_t, maxems + 1> w{};                       // working index of a plain one
    std::array<std::array<real, maxmake + 1>, maxems + 1> f{};   // fractions
    std::array<std::array<int16_t, maxmake + 1>, maxems + 1> con{};
    std::array<int16_t, maxems + 1> made{};                    // running numbers of the made ones
    int nmade = 0;
    int slotcounter = maxems + 1;
    int lowestfree = 0;                                        // a slot must stay above this
    std::array<int32_t, maxems + 1> slotaction{};
};
makework mw;

template <typename Visit>
void eachphaseem(Visit visit)
{
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        axphase& ph = phases.prec1[at(k)];
        for (int j = 1; j <= ph.nem; ++j) visit(ph.em[at(j)], ph.em[at(j)].name, true);
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        emphaserec& ph = phases.prec0[at(i)];
        visit(ph, ph.emname, false);
    }
}

int16_t position(const str22& name)
{
    for (int16_t i = 1; i <= ws.nem; ++i) {
        if (ws.emname[at(i)] == name) return i;
    }
    return 0;
}

void clearprops(tdrecord& t)
{
    for (int f = 1; f <= 31; ++f) {
        if (f != 18 && f != 19) t.field(f) = 0;
    }
}

void findconstituents()
{
    mw.nems = 0;
    mw.nmade = 0;
    eachphaseem([](auto& rec, const str22& name, bool solution) {
        if (mw.nems == maxems) bombout("make emtd", "too many end-members", 0);
        const int r = ++mw.nems;
        mw.em[at(r)] = phaseemref{&rec.props,  &rec.cov,      &name,          rec.nmake,    rec.makedivisor,
                                  &rec.makeemname, &rec.makecoef, &rec.makeaction, &rec.makeindex, rec.dqfa,
                                  rec.dqfb,    rec.dqfc,      solution};
        if (rec.nmake == 0) {
            mw.w[at(r)] = position(name);
            if (mw.w[at(r)] == 0) bombout("make emtd", name + " not found", 0);
            return;
        }
        mw.w[at(r)] = 0;
        mw.made[at(++mw.nmade)] = static_cast<int16_t>(r);
        for (int k = 1; k <= maxmake; ++k) {
            mw.f[at(r)][at(k)] = k <= rec.nmake ? static_cast<real>(rec.makecoef[at(k)]) / rec.makedivisor : 1;
        }
        for (int k = 1; k <= rec.nmake; ++k) {
            mw.con[at(r)][at(k)] = position(rec.makeemname[at(k)]);
            if (mw.con[at(r)][at(k)] == 0) bombout("make emtd", rec.makeemname[at(k)] + " not found", 0);
        }
    });
}

void copyplain(int r)
{
    const phaseemref& e = mw.em[at(r)];
    const tdrecord& d = ws.td[at(mw.w[at(r)])];
    for (int f = 1; f <= 31; ++f) {
        if (f == 18 || f == 19) continue;
        if (e.solution && (f == 29 || f == 30)) continue;
        e.props->field(f) = d.field(f);
    }
    for (int k = 1; k <= mw.nems; ++k) {
        if (mw.w[at(k)] != 0) (*e.cov)[at(k)] = ws.covat(mw.w[at(r)], mw.w[at(k)]);
    }
}

bool hasorderterm(const tdrecord& d) { return d.tlandau > 0 || d.bwdh > 0; }

[[noreturn]] void makeproblem(const phaseemref& e, int k, const std::string& message)
{
    putstr(1, "in the make for " + *e.name + ", problem with " + (*e.makeemname)[at(k)], 1, 13);
    bombout("domake", message, 0);
}

// A slot holding a copy of constituent k's record for its action; reused when the most
// recent slot of that name was made for the same action.
int16_t finddep(const str22& name, int32_t action)
{
    for (int s = mw.slotcounter; s <= maxems; ++s) {
        if (ws.emname[at(s)] != name) continue;
        if (mw.slotaction[at(s)] == action) return static_cast<int16_t>(s);
        break;
    }
    const int s = --mw.slotcounter;
    if (s <= mw.lowestfree) bombout("finddep", "too many end-members", 0);
    const int16_t src = position(name);
    if (src == 0) bombout("finddep", "can't find \"" + name + "\"", 0);
    ws.emname[at(s)] = name;
    mw.slotaction[at(s)] = action;
    tdrecord& t = ws.td[at(s)];
    const tdrecord& d = ws.td[at(src)];
    for (int f = 1; f <= 28; ++f) t.field(f) = d.field(f);
    t.code = d.code;
    t.makephase = t.makeentry = 0;
    if (action == actdisordered || action == actordered) {
        for (int f = 14; f <= 16; ++f) t.field(f) = 0;
        for (int f = 20; f <= 25; ++f) t.field(f) = 0;
    }
    return static_cast<int16_t>(s);
}

void domake(int r)
{
    const phaseemref& e = mw.em[at(r)];
    tdrecord& p = *e.props;
    p.code = 0;
    p.H += e.dqfa;
    p.S -= e.dqfb;
    p.V += e.dqfc;
    for (int k = 1; k <= e.nmake; ++k) {
        const tdrecord& d = ws.td[at(mw.con[at(r)][at(k)])];
        int32_t& action = (*e.makeaction)[at(k)];
        if (!hasorderterm(d)) {
            // actnood is what an earlier make of the same records wrote.
            if (action != actnone && action != actnood) makeproblem(e, k, "action specified for a non-od end-member");
            action = actnood;
            continue;
        }
        if (action == actnone) makeproblem(e, k, "action for od end-member not specified");
        // The order terms enter once, whatever the constituent's coefficient.
        if (action == actdisordered) {
            if (d.smax > 0) {
                const real q = std::sqrt(1 - 298.15L / d.tlandau);
                p.H += d.tlandau * d.smax * q * (1 - q * q / 3);
                p.S += d.smax * q;
                p.V += d.vmax * q;
                for (int f = 14; f <= 16; ++f) p.field(f) = 0;
            } else if (d.bwn > 0) {
                p.H += d.bwdh;
                p.V += d.bwdhv;
                const real n = d.bwn, fac = d.bwfac;
                const real a = n * std::log(n / (1 + n)) + std::log(1 / (1 + n));
                if (fac >= 0)
                    p.S -= gasconstant * fac * a;
                else
                    p.S -= gasconstant * fac * a * (1 / fac - n) / (1 + n);
                for (int f = 20; f <= 25; ++f) p.field(f) = 0;
            }
        } else if (action == actordered) {
            if (d.smax > 0) {
                const real q = std::sqrt(1 - 298.15L / d.tlandau);
                p.H += d.tlandau * d.smax * (q * (1 - q * q / 3) - 2.0L / 3);
                p.S += d.smax * (q - 1);
                p.V += d.vmax * (q - 1);
                for (int f = 14; f <= 16; ++f) p.field(f) = 0;
            } else if (d.bwn > 0) {
                for (int f = 20; f <= 25; ++f) p.field(f) = 0;
            }
        }
    }
    for (int k = 1; k <= e.nmake; ++k) {
        (*e.makeindex)[at(k)] = finddep((*e.makeemname)[at(k)], (*e.makeaction)[at(k)]);
    }
}

void makeemtd(int r)
{
    const phaseemref& e = mw.em[at(r)];
    tdrecord& p = *e.props;
    const int n = e.nmake;
    const auto& f = mw.f[at(r)];
    auto con = [r](int k) -> const tdrecord& { return ws.td[at(mw.con[at(r)][at(k)])]; };
    if (f[at(n)] == 0) bombout("makeemtd", "coeff=0 no longer implemented", 0);
    p.code = con(1).code;
    for (int fld = 1; fld <= 7; ++fld) {
        real sum = 0;
        for (int k = 1; k <= n; ++k) sum += f[at(k)] * con(k).field(fld);
        p.field(fld) = sum;
    }
    p.H += e.dqfa;
    p.S -= e.dqfb;
    p.V += e.dqfc;
    for (int k = 1; k <= n; ++k) {
        const tdrecord& d = con(k);
        if (!(d.smax > 0)) continue;
        const real q = std::sqrt(1 - 298.15L / d.tlandau);
        p.H += f[at(k)] * d.smax * d.tlandau * q * (1 - q * q / 3);
        p.S += f[at(k)] * d.smax * q;
        p.V += f[at(k)] * d.vmax * q;
    }
    const real v = p.V;
    real sa = 0, sk = 0, saq = 0;
    for (int k = 1; k <= n; ++k) {
        const tdrecord& d = con(k);
        sa += f[at(k)] * d.V * d.a0;
        if (d.k0pp != 0) sk += f[at(k)] * d.V / d.k0pp;
        saq += f[at(k)] * d.aqfactor;
    }
    p.a0 = v == 0 ? 0 : sa / v;
    p.k0 = 10;
    p.k0p = 0;
    p.k0pp = sk == 0 ? 0 : v / sk;
    p.theta = con(1).theta;
    p.dkdt = con(1).dkdt;
    for (int fld = 14; fld <= 16; ++fld) p.field(fld) = 0;
    p.aqfactor = saq;
    for (int fld = 20; fld <= 25; ++fld) p.field(fld) = 0;
}

void fitsetmake(int r)
{
    const phaseemref& e = mw.em[at(r)];
    if (e.nmake > 1) bombout("fitsetmake", "od make not implemented yet", 0);
    const tdrecord& d = ws.td[at(mw.con[at(r)][1])];
    if (d.smax > 0 || d.aqfactor > 0 || d.bwn > 0) bombout("makeemtd", "wrong type of end-member to make", 0);
    tdrecord& p = *e.props;
    const real f = mw.f[at(r)][1];
    p.code = d.code;
    const int scaled = std::lround(static_cast<double>(d.code)) == 3 ? 5 : 7;
    for (int fld = 1; fld <= 13; ++fld) p.field(fld) = fld <= scaled ? f * d.field(fld) : d.field(fld);
}

void makecovrow(int r)
{
    const int n = mw.em[at(r)].nmake;
    const auto& fr = mw.f[at(r)];
    const auto& cr = mw.con[at(r)];
    auto& row = *mw.em[at(r)].cov;
    real own = 0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) own += fr[at(i)] * fr[at(j)] * ws.covat(cr[at(i)], cr[at(j)]);
    }
    row[at(r)] = own;
    for (int m = 1; m <= mw.nmade; ++m) {
        const int q = mw.made[at(m)];
        if (q == r) continue;
        const int nq = mw.em[at(q)].nmake;
        real sum = 0;
        for (int i = 1; i <= nq; ++i) {
            for (int j = 1; j <= n; ++j)
                sum += mw.f[at(q)][at(i)] * fr[at(j)] * ws.covat(mw.con[at(q)][at(i)], cr[at(j)]);
        }
        row[at(q)] = sum;
    }
    for (int k = 1; k <= mw.nems; ++k) {
        if (mw.w[at(k)] == 0) continue;
        real sum = 0;
        for (int i = 1; i <= n; ++i) sum += fr[at(i)] * ws.covat(mw.w[at(k)], cr[at(i)]);
        row[at(k)] = sum;
    }
}

void finishcov()
{
    const int n = mw.nems;
    for (int m = 1; m <= mw.nmade; ++m) {
        const int q = mw.made[at(m)];
        for (int k = 1; k <= n; ++k) {
            if (mw.w[at(k)] != 0) (*mw.em[at(k)].cov)[at(q)] = (*mw.em[at(q)].cov)[at(k)];
        }
    }
    for (int j = 1; j <= n; ++j) {
        for (int k = 1; k <= n; ++k) ws.covat(j, k) = (*mw.em[at(j)].cov)[at(k)];
    }
    for (int i = 1; i <= n; ++i) {
        for (int k = 1; k <= n; ++k) {
            if (std::fabs(ws.covat(i, k) - ws.covat(k, i)) > 1e-5L) bombout("finishcov", "matrix not symmetric", 1);
        }
    }
}

}  // namespace

void makename(const phaseflags& omit) {
    static namelist scratch;
    scratch.n = 0;

    notephasestaken();  // the records above the counts kept still hold phases
    const int nsoln = phases.nsolnphases;
    int kept = 0;
    for (int k = 1; k <= nsoln; ++k) {
        if (omit[at(k)]) continue;
        ++kept;
        if (kept != k) phases.prec1[at(kept)] = phases.prec1[at(k)];
        const axphase& ph = phases.prec1[at(kept)];
        for (int j = 1; j <= ph.nem; ++j) {
            if (ph.em[at(j)].nmake == 0) scratch.add(ph.em[at(j)].name, "too many end-members 1");
        }
    }
    phases.nsolnphases = static_cast<int16_t>(kept);

    kept = 0;
    for (int i = 1; i <= phases.npurephases; ++i) {
        if (omit[at(nsoln + i)]) continue;
        ++kept;
        if (kept != i) phases.prec0[at(kept)] = phases.prec0[at(i)];
        const emphaserec& ph = phases.prec0[at(kept)];
        if (ph.nmake == 0) scratch.add(ph.emname, "too many end-members 2");
    }
    phases.npurephases = static_cast<int16_t>(kept);
    phases.nphases = static_cast<int16_t>(phases.nsolnphases + phases.npurephases);

    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[at(k)];
        for (int j = 1; j <= ph.nem; ++j) {
            const axem& em = ph.em[at(j)];
            for (int m = 1; m <= em.nmake; ++m) scratch.add(em.makeemname[at(m)], "too many end-members 3");
        }
    }
    for (int i = 1; i <= phases.npurephases; ++i) {
        const emphaserec& ph = phases.prec0[at(i)];
        for (int m = 1; m <= ph.nmake; ++m) scratch.add(ph.makeemname[at(m)], "too many end-members 4");
    }

    int n = 0;
    for (int i = 1; i <= scratch.n; ++i) {
        bool seen = false;
        for (int j = 1; j <= n && !seen; ++j) seen = scratch.names[at(j)] == scratch.names[at(i)];
        if (seen) continue;
        ++n;
        if (n > maxems) bombout("makename", "too many end-members", 0);
        scratch.names[at(n)] = scratch.names[at(i)];
    }
    for (int i = 1; i <= maxems; ++i) {
        if (i <= n) ws.emname[at(i)] = scratch.names[at(i)];
        else ws.emname[at(i)].clear();
    }
    ws.nem = static_cast<int16_t>(n);
}

void makeems()
{
    // The records in use; the others are read by nobody before they are taken again.
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        for (axem& e : phases.prec1[at(k)].em) clearprops(e.props);
    }
    for (int i = 1; i <= phases.npurephases; ++i) clearprops(phases.prec0[at(i)].props);
    mw.slotaction.fill(0);
    mw.slotcounter = maxems + 1;

    findconstituents();
    // Slots must stay above the dataset end-members now and the phase end-members that
    // replace them afterwards.
    mw.lowestfree = std::max<int>(ws.nem, mw.nems);

    static std::array<int16_t, maxems + 1> nsite;
    for (int r = 1; r <= mw.nems; ++r) {
        const phaseemref& e = mw.em[at(r)];
        if (e.nmake == 0) {
            copyplain(r);
            nsite[at(r)] = ws.nsite[at(mw.w[at(r)])];
            continue;
        }
        nsite[at(r)] = 1;
        if (run.calcmode == 4) {
            if (!e.solution) bombout("fitset", "make not allowed", 0);
            fitsetmake(r);
        } else if (ds.oldds) {
            makeemtd(r);
        } else {
            domake(r);
        }
        makecovrow(r);
    }
    ws.nem = ws.nrems = static_cast<int16_t>(mw.nems);
    for (int r = 1; r <= mw.nems; ++r) ws.nsite[at(r)] = nsite[at(r)];
    finishcov();
    if (run.runcount == 1) {
        for (int16_t k = 1; k <= phases.nsolnphases; ++k) printaxinfo(k);
    }
}

}  // namespace zt
