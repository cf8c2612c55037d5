#include "ax/emoptions.h"

#include <cstdlib>
#include <type_traits>

#include "ax/axtokens.h"
#include "numeric/methods/integers.h"
#include "runtime/bytes.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/dataset.h"

namespace zt {

namespace {

constexpr real rln10 = 0.0083144L * 2.302585092994046L;

bool infitset() { return run.calcmode == 4; }

bool endsincharge(const std::string& name) { return !name.empty() && (name.back() == '+' || name.back() == '-'); }

int16_t chargecount(const std::string& name) {
    int16_t z = 0;
    for (size_t i = name.size(); i > 0 && (name[i - 1] == '+' || name[i - 1] == '-'); --i) ++z;
    return z;
}

// A word that reads like a DQF keyword whose increment sign is not the single byte 0xC6
// (for example a file saved as UTF-8).
bool looksliketheincrement(const std::string& word) {
    size_t i = 0;
    while (i < word.size() && static_cast<unsigned char>(word[i]) >= 0x80) ++i;
    return i > 0 && i < word.size() && word[i] == 'G' && (i + 1 == word.size() || word[i + 1] == '(');
}

// lcm of the denominators, within 16 bits; ownername names the end-member or phase.
int16_t commondivisor(const std::array<int16_t, maxphasevars + 1>& dens, int n, const std::string& ownername) {
    int32_t running = dens[1];
    for (int i = 2; i <= n; ++i) {
        running = lcm(running, dens[static_cast<size_t>(i)]);
        if (std::abs(running) > INT16_MAX) break;
    }
    if (std::abs(running) > INT16_MAX) {
        bombout("setup phases", "common denominator beyond 16 bits for " + ownername, 0);
    }
    return static_cast<int16_t>(running);
}

int16_t scaledcoefficient(int16_t divisor, int16_t den, int16_t num, const std::string& ownername) {
    const int64_t v = static_cast<int64_t>(divisor / den) * num;
    if (v < INT16_MIN || v > INT16_MAX) bombout("setup phases", "coefficient beyond 16 bits for " + ownername, 0);
    return static_cast<int16_t>(v);
}

struct optioncontext {
    bool solution;
    std::string emname;      // the end-member's name, for the messages
    std::string phasename;   // the phase's name
    std::string takecontext; // context of the option token
    int16_t nvars;
};

template <typename record>
void readdqf(record& r, int16_t kind, const optioncontext& oc) {
    r.dqfkind = kind;
    if (infitset()) bombout("setup phases", "DQF not allowed in fitset", 0);
    if (!ds.oldds && r.nmake <= 0) bombout("setup phases", "need to \"make\" end-member before DQF-ing it", 0);
    if (axtok.nextkind == wkword) bombout("setup phases", "keyword after DQF not allowed now (include in make)", 0);
    const std::string tail = " in a+bT+cP in DQF term for " + oc.emname;
    nextaxtoken("a" + tail);
    r.dqfa = getsingle(axtok.kind, axtok.token, "a" + tail);
    nextaxtoken("b" + tail);
    r.dqfb = getsingle(axtok.kind, axtok.token, "b" + tail);
    nextaxtoken("c" + tail);
    r.dqfc = getsingle(axtok.kind, axtok.token, "c" + tail);
}

template <typename record>
void readmake(record& r, const optioncontext& oc) {
    const std::string countcontext = "no of end-members to construct " + oc.emname;
    nextaxtoken(countcontext);
    const int16_t n = getinteger(axtok.kind, axtok.token, countcontext);
    if (infitset() && n != 1) bombout("setup phases", "several end-member make not allowed in fitset", 0);
    if (n < 1) bombout("setup phases", "too few end-members to construct " + oc.emname, 0);
    if (n > maxmake) bombout("setup phases", "too many end-members to construct " + oc.emname + maxtext(maxmake), 0);
    r.nmake = n;
    r.makedivisor = 1;
    std::array<int16_t, maxphasevars + 1> nums{}, dens{};
    for (int k = 1; k <= n; ++k) {
        const size_t kk = static_cast<size_t>(k);
        r.makeaction[kk] = actnone;
        readname(axtok.nextkind, axtok.nexttoken, "action for end-members in making " + oc.emname);
        const str22& w = axtok.nexttoken;
        int32_t action = actnone;
        if (w == "ordered") action = actordered;
        else if (w == "disordered") action = actdisordered;
        else if (w == "equilibrium" || w == "equil") action = actequilibrium;
        if (action != actnone) {
            r.makeaction[kk] = action;
            nextaxtoken("action for end-members in making " + oc.emname);
        }
        const std::string namecontext = "names of end-members to construct " + oc.emname;
        nextaxtoken(namecontext);
        r.makeemname[kk] = readname(axtok.kind, axtok.token, namecontext);
        checkindataset(r.makeemname[kk]);
        if (oc.solution && !infitset() && r.makeemname[kk] == oc.emname) {
            bombout("setup phases",
                    "names: end-member, " + oc.emname + ", and name in make, " + r.makeemname[kk] + ", must be different", 0);
        }
        const std::string coefcontext = "coeffs of end-members to construct " + oc.emname;
        nextaxtoken(coefcontext);
        getrational(axtok.kind, axtok.token, nums[kk], coefcontext, dens[kk]);
    }
    r.makedivisor = commondivisor(dens, n, oc.emname + " in " + oc.phasename);
    for (int k = 1; k <= n; ++k) {
        const size_t kk = static_cast<size_t>(k);
        r.makecoef[kk] = scaledcoefficient(r.makedivisor, dens[kk], nums[kk], oc.emname + " in " + oc.phasename);
    }
}

void readcheck(axem& em, const optioncontext& oc) {
    const std::string context = "coeffs in x defining pure end-members for " + oc.emname;
    std::array<int16_t, maxphasevars + 1> nums{}, dens{};
    for (int v = 1; v <= oc.nvars; ++v) {
        nextaxtoken(context);
        getrational(axtok.kind, axtok.token, nums[static_cast<size_t>(v)], context, dens[static_cast<size_t>(v)]);
    }
    if (oc.nvars < 1) return;
    em.xdivisor = commondivisor(dens, oc.nvars, oc.emname + " in " + oc.phasename);
    for (int v = 1; v <= oc.nvars; ++v) {
        const size_t vv = static_cast<size_t>(v);
        em.xnum[vv] = scaledcoefficient(em.xdivisor, dens[vv], nums[vv], oc.emname + " in " + oc.phasename);
    }
}

void wrongcode(const optioncontext& oc) {
    if (oc.solution) bombout("setup phases", "wrong code in info for " + oc.emname, 0);
    bombout("reading", "wrong code for additional info for " + oc.emname, 0);
}

template <typename record>
void optionsloop(record& r, const optioncontext& oc) {
    int16_t dqfkind = 0;
    for (;;) {
        int16_t code = optnone;
        if (axtok.nextkind == wkinteger) {
            std::string errtext;
            if (!readint(axtok.nexttoken, code, errtext)) wrongcode(oc);
        } else if (axtok.nextkind == wkword) {
            code = emoptioncode(axtok.nexttoken, dqfkind);
            if (code == optnone && looksliketheincrement(axtok.nexttoken)) {
                bombout("setup phases", "unknown option " + axtok.nexttoken + " for " + oc.emname +
                                            " (the increment sign must be the single byte 0xC6)", 0);
            }
        } else {
            return;
        }
        if (code == optnone) return;
        nextaxtoken(oc.takecontext);
        switch (code) {
            case optdqf:
                readdqf(r, dqfkind, oc);
                if constexpr (std::is_same_v<record, axem>) r.dqfvaried.fill(false);
                if constexpr (std::is_same_v<record, emphaserec>) {
                    if (r.name == settings.buffername && r.emname == "buffer") r.dqfb += settings.bufferdel * rln10;
                }
                break;
            case optmake:
                readmake(r, oc);
                break;
            case optcheck:
                if constexpr (std::is_same_v<record, axem>) {
                    readcheck(r, oc);
                } else {
                    wrongcode(oc);
                }
                break;
            case optexclude:
                if constexpr (std::is_same_v<record, axem>) {
                    r.excluded = true;
                } else {
                    wrongcode(oc);
                }
                break;
            default:
                wrongcode(oc);
        }
    }
}

template <typename record>
void chargechecks(record& r, bool solution, const std::string& emname) {
    r.props.field(18) = 0;
    r.props.field(19) = 0;
    if (r.nmake <= 0) {
        checkindataset(emname);
        if (endsincharge(emname)) bombout("setupphases", "charged species not allowed as end-members", 0);
        return;
    }
    bool charged = false;
    for (int k = 1; k <= r.nmake; ++k) charged = charged || endsincharge(r.makeemname[static_cast<size_t>(k)]);
    if (!charged) return;
    if (r.nmake != 2) bombout("setupphases", "must be just 2 charged species in a compound", 0);
    if (!endsincharge(r.makeemname[1]) || !endsincharge(r.makeemname[2])) {
        bombout("setupphases", "all species in a compound must be charged", 0);
    }
    // c_k = makecoef_k / makedivisor, compared exactly in whole numbers
    const int64_t c1 = r.makecoef[1], c2 = r.makecoef[2], d = r.makedivisor;
    const bool meanform = solution ? c1 + c2 == d : c1 == c2;
    if (!meanform) bombout("setupphases", "compound not in mean form", 0);
    const int16_t z1 = chargecount(r.makeemname[1]), z2 = chargecount(r.makeemname[2]);
    if (z1 * c1 != z2 * c2) bombout("setupphases", "compound not charged-balanced", 0);
    r.props.field(18) = z1;
    r.props.field(19) = z2;
}

}  // namespace

int16_t emoptioncode(const std::string& word, int16_t& dqfkind) {
    const std::string inc(1, incrementbyte);
    if (word == "DQF" || word == "dqf" || word == "deltaG" || word == inc + "G") {
        dqfkind = 0;
        return optdqf;
    }
    static const char* const kinds[] = {"make", "mod", "od", "tran", "rcal"};
    for (int k = 0; k < 5; ++k) {
        const std::string tail = std::string("G(") + kinds[k] + ")";
        if (word == inc + tail || word == "delta" + tail || word == "del" + tail) {
            dqfkind = static_cast<int16_t>(k + 1);
            return optdqf;
        }
    }
    if (word == "make") return optmake;
    if (word == "check") return optcheck;
    if (word == "exclude") return optexclude;
    return optnone;
}

void checkindataset(const std::string& name) {
    int16_t i = 0;
    if (!findindataset(name, i)) bombout("reading", name + " not in \"" + ds.dsfilename + "\"", 0);
}

void reademoptions(emphaserec& ph) {
    const optioncontext oc{false, ph.emname, ph.name, "option for " + ph.name, 0};
    optionsloop(ph, oc);
}

void reademoptions(axem& em, const axphase& ph) {
    const optioncontext oc{true, em.name, ph.shortname, "code for additional end-member info for " + em.name, ph.nvars};
    optionsloop(em, oc);
}

void checkcharges(emphaserec& ph) { chargechecks(ph, false, ph.emname); }

void checkcharges(axem& em, const axphase&) { chargechecks(em, true, em.name); }

}  // namespace zt
