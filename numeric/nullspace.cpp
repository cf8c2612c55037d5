#include "numeric/nullspace.h"

#include <algorithm>
#include <array>

#include "runtime/records/reactionstate.h"
#include "runtime/reporter.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

// The private copy both eliminations work on; kept between calls so that repeated
// rank calculations allocate nothing.
intmatrix work;

void checkshape(const intmatrix& a, int16_t m, int16_t n, const char* routine) {
    if (m > maxems || n > maxems) bombout(routine, "matrix larger than 400 x 400", 1);
    if (m > 0 && a.size() <= static_cast<size_t>(m)) bombout(routine, "matrix has fewer rows than stated", 1);
}

void copyin(const intmatrix& a, int m, int n) {
    if (work.size() <= static_cast<size_t>(m)) work.resize(static_cast<size_t>(m) + 1);
    for (int i = 1; i <= m; ++i) std::copy(a[i].begin() + 1, a[i].begin() + n + 1, work[i].begin() + 1);
}

// First non-zero entry right of column c, by columns, each from row r down.
bool findpivot(int r, int c, int m, int n, int& p, int& pc) {
    if (r > m) return false;
    for (int col = c + 1; col <= n; ++col)
        for (int row = r; row <= m; ++row)
            if (work[row][col] != 0) {
                p = row;
                pc = col;
                return true;
            }
    return false;
}

void dividerange(introw& row, int from, int to, int32_t g) {
    for (int j = from; j <= to; ++j) row[j] /= g;
}

// Puts rows r and p in order and reduces the pivot row from column c on.
void preparepivotrow(int r, int p, int c, int n) {
    if (p > r)
        for (int j = c; j <= n; ++j) std::swap(work[r][j], work[p][j]);
    int32_t g = gcdofrange(&work[r][c], n - c + 1);
    if (g > 1) dividerange(work[r], c, n, g);
}

// Row i := |alpha| row i -/+ beta row r over columns from..to except skip, so that
// column c of row i cancels. The row is then divided by the gcd of those columns: a
// positive factor, which changes nothing that is read later but keeps the entries from
// growing through many steps.
void eliminate(int i, int r, int c, int from, int to, int skip, const char* routine) {
    const int32_t pivot = work[r][c];
    const int32_t g = gcd(pivot, work[i][c]);
    const int64_t alpha = pivot / static_cast<int64_t>(g);
    const int64_t beta = work[i][c] / static_cast<int64_t>(g);
    const int64_t ai = alpha >= 0 ? alpha : -alpha;
    const int64_t br = alpha >= 0 ? -beta : beta;
    for (int j = from; j <= to; ++j) {
        if (j == skip) continue;
        int64_t x, y, z;
        if (__builtin_mul_overflow(ai, static_cast<int64_t>(work[i][j]), &x) ||
            __builtin_mul_overflow(br, static_cast<int64_t>(work[r][j]), &y) || __builtin_add_overflow(x, y, &z) ||
            z < INT32_MIN || z > INT32_MAX)
            bombout(routine, "integer overflow (beyond 32 bits)", 0);
        work[i][j] = static_cast<int32_t>(z);
    }
    int32_t h = 0;
    for (int j = from; j <= to && h != 1; ++j)
        if (j != skip) h = gcd(work[i][j], h);
    if (h > 1)
        for (int j = from; j <= to; ++j)
            if (j != skip) work[i][j] /= h;
}

}  // namespace

int16_t introwreduce(const intmatrix& a, int16_t m, int16_t n) {
    checkshape(a, m, n, "introwreduce");
    const int mn = std::min(m, n);
    if (mn < 1) return 0;
    copyin(a, m, n);
    int r = 0, c = 0, p = 0;
    bool found = false;
    do {
        ++r;
        found = findpivot(r, c, m, n, p, c);
        if (!found) break;
        if (c == n) {
            work[r][n] = work[p][n];
            break;
        }
        preparepivotrow(r, p, c, n);
        // column c below the pivot is left as it is: nothing reads it again
        for (int i = r + 1; i <= m; ++i)
            if (work[i][c] != 0) eliminate(i, r, c, c + 1, n, 0, "introwreduce");
    } while (r != mn);
    return static_cast<int16_t>(found ? r : r - 1);
}

namespace {

// Builds the vector of free column j from the reduced rows and appends it to reactions.r.
void appendreaction(int j, int m, int n, int mn, const std::array<int16_t, maxems + 1>& pivotcol) {
    std::array<int64_t, maxems + 1> num{}, den{};
    intlist dens{};
    int16_t ndens = 0;
    for (int i = 1; i <= mn; ++i) {
        const int pc = pivotcol[i];
        if (pc == 0) continue;
        const int32_t g = work[i][j] != 0 ? gcd(work[i][j], work[i][pc]) : 1;
        num[i] = -static_cast<int64_t>(work[i][j]) / g;
        den[i] = work[i][pc] / g;
        if (num[i] != 0) dens[++ndens] = static_cast<int32_t>(den[i]);
    }
    // a column that no pivot row touches (an end-member of zero composition) stands alone
    const int64_t l = ndens > 0 ? lcmlist(dens, ndens) : 1;

    std::array<int64_t, maxems + 1> v{};
    v[j] = l;
    for (int i = 1; i <= mn; ++i)
        if (pivotcol[i] != 0) v[pivotcol[i]] = l * num[i] / den[i];
    for (int k = 1; k <= n; ++k)
        if (v[k] < INT16_MIN || v[k] > INT16_MAX)
            bombout("nullspace", "integer overflow (beyond 16 bits) in a reaction coefficient", 0);

    for (int i = 1; i <= m; ++i) {
        int64_t sum = 0;
        for (int k = 1; k <= n; ++k) sum += static_cast<int64_t>(ws.c[i][k]) * v[k];
        if (sum != 0) bombout("nullspace", "reaction doesn't balance", 1);
    }

    if (reactions.nreac >= maxreactions) bombout("nullspace", "too many reactions (more than 150)", 0);
    if (reactions.r.size() <= static_cast<size_t>(reactions.nreac) + 1)
        bombout("nullspace", "reaction array not allocated", 1);
    ++reactions.nreac;
    reaction& row = reactions.r[reactions.nreac];
    row.fill(0);
    for (int k = 1; k <= n; ++k) row[k] = static_cast<int16_t>(v[k]);
}

}  // namespace

int16_t nullspace(const intmatrix& a, int16_t m, int16_t n) {
    checkshape(a, m, n, "nullspace");
    if (m > 0 && ws.c.size() <= static_cast<size_t>(m)) bombout("nullspace", "composition matrix has too few rows", 1);
    const int mn = std::min(m, n);
    copyin(a, m, n);
    std::array<bool, maxems + 1> ispivot{};
    std::array<int16_t, maxems + 1> pivotcol{};  // 0: none

    int r = 0, c = 0, p = 0;
    bool found = false;
    if (mn >= 1) {
        do {
            ++r;
            found = findpivot(r, c, m, n, p, c);
            if (!found) break;
            pivotcol[r] = static_cast<int16_t>(c);
            ispivot[c] = true;
            if (c == n) {
                work[r][n] = work[p][n];
                break;
            }
            preparepivotrow(r, p, c, n);
            for (int i = 1; i <= m; ++i)
                if (i != r && work[i][c] != 0) eliminate(i, r, c, 1, n, c, "nullspace");
            for (int i = 1; i <= m; ++i)
                if (i != r) work[i][c] = 0;
        } while (r != mn);
    }
    const int rank = found ? r : r - 1;

    for (int i = 1; i <= m; ++i) {
        int32_t g = gcdofrange(&work[i][1], n);
        if (g > 1) dividerange(work[i], 1, n, g);
    }
    for (int j = n; j >= 1; --j)
        if (!ispivot[j]) appendreaction(j, m, n, mn, pivotcol);
    return static_cast<int16_t>(std::max(rank, 0));
}

}  // namespace zt
