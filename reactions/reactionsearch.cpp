#include "reactions/reactionsearch.h"

#include <algorithm>
#include <cmath>

#include "numeric/methods/subsets.h"
#include "numeric/nullspace.h"
#include "reactions/isr.h"
#include "reactions/mode3state.h"
#include "reactions/onereaction.h"
#include "reactions/reactionwriting.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "runtime/words.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

searchstate search;

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

intmatrix rankmatrix;

bool isomitted(int j) {
    for (int i = 1; i <= reactions.nomitted; ++i)
        if (reactions.omittedems[at(i)] == j) return true;
    return false;
}

// Marks the end-members at the positions of a selection among the possible ones.
void marksel(const indexvector& positions, int16_t k, const emflags& emmask, emflags& sel) {
    sel = emmask;
    int pos = 0, next = 1;
    for (int j = 1; j <= ws.nrems; ++j) {
        if (!emmask[at(j)]) continue;
        ++pos;
        if (next <= k && positions[at(next)] == pos) {
            ++next;
        } else {
            sel[at(j)] = false;
        }
    }
}

bool anyomitted(const emflags& sel) {
    for (int i = 1; i <= reactions.nomitted; ++i) {
        const int e = reactions.omittedems[at(i)];
        if (e >= 1 && e <= ws.nrems && sel[at(e)]) return true;
    }
    return false;
}

bool holdsexcluded(const set90& s) {
    for (int i = 1; i <= search.nexcluded; ++i)
        if (bset2subset(search.excludedsets[at(i)], s)) return true;
    return false;
}

void maskems(const indexvector& positions, const emflags& emmask, emflags& sel, bool& skip) {
    marksel(positions, static_cast<int16_t>(search.availrank + 1), emmask, sel);
    if (anyomitted(sel)) {
        skip = true;
        return;
    }
    const set90 s = markedset(sel);
    skip = holdsexcluded(s);
    for (int k = 1; k <= reactions.nreacsets && !skip; ++k)
        if (bset2subset(reactions.reacsets[at(k)], s)) skip = true;
}

void maskinvems(const indexvector& positions, const emflags& emmask, emflags& sel, bool& skip) {
    marksel(positions, static_cast<int16_t>(search.availrank + 2), emmask, sel);
    if (anyomitted(sel)) {
        skip = true;
        return;
    }
    const set90 s = markedset(sel);
    skip = holdsexcluded(s);
    for (int g = 1; g <= search.ninvpoints && !skip; ++g)
        if (bset2subset(search.invsets[at(g)], s)) skip = true;
}

void addinvpoint(const emflags& sel) {
    const set90 X = markedset(sel);
    std::array<int16_t, maxreactions + 1> members{};
    int n = 0;
    const int last = std::min<int>(reactions.nreac, reactions.nreacsets);
    for (int k = 1; k <= last; ++k)
        if (bset2subset(reactions.reacsets[at(k)], X)) members[at(++n)] = static_cast<int16_t>(k);
    if (n < 3) return;
    const int g = ++search.ninvpoints;
    search.ninvreac[at(g)] = static_cast<int16_t>(n);
    set90 u{};
    for (int i = 1; i <= n; ++i) {
        search.invreactions[at(g)][at(i)] = members[at(i)];
        for (int w = 1; w <= 3; ++w) u.w[at(w)] |= reactions.reacsets[at(members[at(i)])].w[at(w)];
    }
    search.invsets[at(g)] = u;
}

void subsetmark() {
    if (search.subsetmarked) return;
    progresschar('|');
    search.subsetmarked = true;
}

bool calclnir(const emflags& emmask, int16_t size) {
    const bool last = size == ws.nrcomps;
    search.nsubsetwant = static_cast<int16_t>(search.navailems - search.availrank);
    if (ws.nrems > maxsetelements) bombout("calclnir", "too many end-members", 0);
    const set90 X = markedset(emmask);
    int start = 0;
    for (int k = 1; k <= reactions.nreac && k <= reactions.nreacsets; ++k)
        if (bset2subset(reactions.reacsets[at(k)], X)) ++start;
    search.nsubsetstart = static_cast<int16_t>(start);
    search.nsubsetreac = search.nsubsetstart;
    int need = search.nsubsetwant - search.nsubsetstart;
    if (need != 0 && reactions.nreac != 0 && !last) {
        emflags used{};
        for (int k = 1; k <= reactions.nreac; ++k)
            for (int j = 1; j <= ws.nrems; ++j)
                if (reactions.r[at(k)][at(j)] != 0) used[at(j)] = true;
        int count1 = 0, count2 = 0;
        for (int j = 1; j <= ws.nrems; ++j) {
            if (used[at(j)] || isomitted(j)) continue;
            if (emmask[at(j)])
                ++count1;
            else
                ++count2;
        }
        if (count2 > 0) {
            if (search.nexpectedreac - reactions.nreac == 1)
                need = 0;
            else if (search.nexpectedreac - reactions.nreac <= 2 && count1 < need)
                need = count1;
        }
    }
    search.nsubsetwant = static_cast<int16_t>(search.nsubsetstart + need);
    return need > 0;
}

void warn(const char* first, const char* second) {
    putstr(1, first, 1, 9);
    putstr(0, second, 1, 9);
}

// The line of omitted end-members and excluded assemblages at the end of a mode-3 search.
void excludedline() {
    if (reactions.nomitted == 0 && search.nexcluded == 0) {
        putstr(1, reactions.allreactions ? "" : "no excluded assemblages", 1, 13);
        return;
    }
    std::string line;
    addfield("excluded assemblages |", 22, line);
    for (int i = 1; i <= reactions.nomitted; ++i) line += " " + ws.emname[at(reactions.omittedems[at(i)])] + " |";
    int counter = reactions.nomitted;
    bool first = true;
    for (int i = 1; i <= search.nexcluded; ++i) {
        for (int j = 1; j <= ws.nrems && j <= maxsetelements; ++j)
            if (BTst2(search.excludedsets[at(i)], static_cast<int16_t>(j))) {
                line += " " + ws.emname[at(j)];
                ++counter;
            }
        line += " |";
        if (counter > 9 && i < search.nexcluded) {
            putstr(first ? 1 : 0, line, 1, 13);
            first = false;
            line.clear();
            addfield("|", 22, line);
            counter = 0;
        }
    }
    putstr(first ? 1 : 0, line, 1, 13);
}

}  // namespace

void resetsearch() { search = searchstate{}; }

set90 markedset(const emflags& marked) {
    set90 s{};
    for (int j = 1; j <= ws.nrems; ++j)
        if (marked[at(j)]) BSet2(s, static_cast<int16_t>(j));
    return s;
}

bool setsmeet(const set90& a, const set90& b) {
    for (int w = 1; w <= 3; ++w)
        if ((a.w[at(w)] & b.w[at(w)]) != 0) return true;
    return false;
}

void possibleems(const indexvector& subset, int16_t size, compflags& compmask, int16_t& count, emflags& emmask) {
    compmask.fill(false);
    for (int t = 1; t <= size; ++t) compmask[at(subset[at(t)])] = true;
    emmask.fill(false);
    for (int j = 1; j <= ws.nem; ++j) emmask[at(j)] = true;
    for (int i = 1; i <= ws.nrcomps; ++i) {
        if (compmask[at(i)]) continue;
        for (int j = 1; j <= ws.nrems; ++j) emmask[at(j)] = emmask[at(j)] && ws.c[at(i)][at(j)] == 0;
    }
    for (int i = 1; i <= reactions.nomitted; ++i) emmask[at(reactions.omittedems[at(i)])] = false;
    count = 0;
    for (int j = 1; j <= ws.nrems; ++j)
        if (emmask[at(j)]) ++count;
}

int16_t selrank(const emflags& emmask) {
    if (rankmatrix.size() <= at(ws.nrcomps)) rankmatrix.resize(at(ws.nrcomps) + 1);
    int n = 0;
    for (int j = 1; j <= ws.nrems; ++j) {
        if (!emmask[at(j)]) continue;
        ++n;
        for (int i = 1; i <= ws.nrcomps; ++i) rankmatrix[at(i)][at(n)] = ws.c[at(i)][at(j)];
    }
    return introwreduce(rankmatrix, ws.nrcomps, static_cast<int16_t>(n));
}

void compactreactions(bool final) {
    std::array<int16_t, maxreactions + 1> newnumber{};
    int kept = 0;
    for (int k = 1; k <= reactions.nreac; ++k) {
        emflags used{};
        bool drop = false;
        for (int j = 1; j <= ws.nrems; ++j) used[at(j)] = reactions.r[at(k)][at(j)] != 0;
        drop = anyomitted(used) || holdsexcluded(markedset(used));
        if (!drop) newnumber[at(k)] = static_cast<int16_t>(++kept);
    }
    if (kept < reactions.nreac) {
        for (int k = 1; k <= reactions.nreac; ++k) {
            const int n = newnumber[at(k)];
            if (n == 0 || n == k) continue;
            reactions.r[at(n)] = reactions.r[at(k)];
            if (k <= reactions.nreacsets) reactions.reacsets[at(n)] = reactions.reacsets[at(k)];
        }
        int keptsets = 0;
        for (int k = 1; k <= reactions.nreacsets; ++k)
            if (k > reactions.nreac || newnumber[at(k)] != 0) ++keptsets;
        reactions.nreac = static_cast<int16_t>(kept);
        reactions.nreacsets = static_cast<int16_t>(std::min(keptsets, kept));
        int points = 0;
        for (int g = 1; g <= search.ninvpoints; ++g) {
            bool all = true;
            for (int i = 1; i <= search.ninvreac[at(g)]; ++i)
                if (newnumber[at(search.invreactions[at(g)][at(i)])] == 0) all = false;
            if (!all) continue;
            ++points;
            search.ninvreac[at(points)] = search.ninvreac[at(g)];
            search.invsets[at(points)] = search.invsets[at(g)];
            for (int i = 1; i <= search.ninvreac[at(g)]; ++i)
                search.invreactions[at(points)][at(i)] = newnumber[at(search.invreactions[at(g)][at(i)])];
        }
        search.ninvpoints = static_cast<int16_t>(points);
    }
    if (!final) return;
    reactions.reactiontextwidth = 0;
    str22 saved;
    if (ws.ilna > 0) {
        saved = ws.emname[at(ws.ilna)];
        ws.emname[at(ws.ilna)] = settings.lnalabels[1];
    }
    for (int16_t k = 1; k <= reactions.nreac; ++k) writereaction(k);
    if (ws.ilna > 0) ws.emname[at(ws.ilna)] = saved;
    ++reactions.reactiontextwidth;
}

void calcre(bool& found) {
    if (run.calcmode == 1) bombout("calcre", "mode 1 sent to the wrong place", 1);
    const bool mode2 = run.calcmode == 2;
    search.narrowwindow = false;
    if (mode2) {
        putstr(0, "reactions : ", 0, 9);
        putstr(0, "", 1, 9);
        emflags all{};
        int16_t n = 0;
        for (int j = 1; j <= ws.nrems; ++j)
            if (!isomitted(j)) {
                all[at(j)] = true;
                ++n;
            }
        search.navailems = n;
        search.availrank = selrank(all);
        search.nexpectedreac = static_cast<int16_t>(search.navailems - search.availrank);
        writecompmatrix();
        search.narrowwindow = search.rockcalctype == 0 ? std::fabs(settings.calctrange[1] - settings.tnow) < 0.1L
                                                       : std::fabs(settings.calcprange[1] - settings.pnow) < 0.01L;
    }
    search.reacincomplete = search.invincomplete = false;
    search.nsubsetreac = 0;
    reactions.nreac = 0;
    reactions.nreacsets = 0;
    search.ninvpoints = 0;
    search.ncomputed = 0;
    if (ws.nrcomps < 1) {
        warn("no reactions in a system with no components?!", "should not have got to here...");
        return;
    }
    bool stop = false;
    indexvector subset{}, selection{};
    compflags compmask{};
    emflags emmask{}, sel{};
    for (int16_t size = 1; size <= ws.nrcomps && !stop; ++size) {
        firstsubset(subset, size);
        bool more = true;
        nextsubset(subset, size, ws.nrcomps, more);
        for (; more && !stop; nextsubset(subset, size, ws.nrcomps, more)) {
            search.subsetmarked = false;
            possibleems(subset, size, compmask, search.navailems, emmask);
            if (search.navailems < 2) continue;
            search.availrank = selrank(emmask);
            if (search.availrank + 1 > search.navailems) continue;
            const bool ok = mode2 ? calclnir(emmask, size) : true;
            if (ok) {
                if (search.navailems < 2 || search.availrank < 1) {
                    warn("no reactions with less than 2 phases?!", "REALLY should not have got to here...");
                } else {
                    const int16_t k = static_cast<int16_t>(search.availrank + 1);
                    firstsubset(selection, k);
                    bool moresel = true;
                    nextsubset(selection, k, search.navailems, moresel);
                    for (; moresel; nextsubset(selection, k, search.navailems, moresel)) {
                        bool skip = false;
                        maskems(selection, emmask, sel, skip);
                        if (skip) continue;
                        if (mode2 && search.nsubsetreac == search.nsubsetstart) subsetmark();
                        ++search.ncomputed;
                        re(size, compmask, emmask, sel);
                        if (reactions.nreac == maxreactions) compactreactions(false);
                        search.reacincomplete = reactions.nreac == maxreactions;
                        if (mode2) {
                            stop = reactions.nreac == search.nexpectedreac;
                            if (search.ncomputed == maxcomputedbeforeask && reactions.nreac == 0)
                                stop = query("not much progress : exitt");
                            if (search.nsubsetreac >= search.nsubsetwant) break;
                        } else {
                            stop = search.reacincomplete;
                        }
                        if (stop) break;
                    }
                }
            }
            if (!mode2 && !stop && !search.invincomplete && search.availrank + 2 <= search.navailems) {
                if (search.navailems < 3) {
                    warn("no intersections with less than 3 phases?!", "REALLY should not have got to here  (A) ...");
                } else if (search.availrank < 1) {
                    warn("no reactions with less than 3 phases?!", "REALLY should not have got to here  (B) ...");
                } else {
                    const int16_t k = static_cast<int16_t>(search.availrank + 2);
                    firstsubset(selection, k);
                    bool moresel = true;
                    nextsubset(selection, k, search.navailems, moresel);
                    for (; moresel; nextsubset(selection, k, search.navailems, moresel)) {
                        bool skip = false;
                        maskinvems(selection, emmask, sel, skip);
                        search.invincomplete = search.ninvpoints == maxinvpoints;
                        if (!skip && !search.invincomplete) addinvpoint(sel);
                    }
                }
            }
        }
    }
    if (mode2) {
        found = stop;
        search.isrincomplete = reactions.nreac < search.nexpectedreac;
        const char* text = reactions.nreac == 0 ? "no reactions"
                           : search.isrincomplete ? "an INCOMPLETE independent set of reactions has been calculated"
                                                  : "an independent set of reactions has been calculated";
        putstr(1, text, 1, 13);
        return;
    }
    excludedline();
    found = !(search.reacincomplete || search.invincomplete);
    compactreactions(true);
    if (search.reacincomplete)
        putstr(2, reactions.allreactions ? "*** INCOMPLETE set of reactions ***"
                                         : "*** INCOMPLETE set of reactions and intersections ***", 1, 13);
    if (!reactions.allreactions && search.invincomplete) putstr(2, "*** INCOMPLETE set of  intersections ***", 1, 13);
    std::string line = "no of reactions = " + wholetostr(reactions.nreac);
    if (!reactions.allreactions) line += ", no of intersections = " + wholetostr(search.ninvpoints);
    putstr(1, line, 1, 13);
}

}  // namespace zt
