#include "runtime/heap.h"

#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/prefs.h"

namespace zt {

heapstate heap;
oxidetablestate oxides;

namespace {

// Rounded like every whole number the program prints: 1562.5k (the "cov" array) is 1562k.
std::string kilobytes(int32_t bytes) { return wholetostr(static_cast<real>(bytes) / 1024); }

struct oxiderow {
    const char* element;
    const char* formula;
    real mass;
    int16_t cations, oxygens, order;
};

}  // namespace

void noteallocated(const str22& name, int32_t size)
{
    heap.heaptotal += size;
    if (prefs.monitorheap)
        writeconsole("space allocated for " + name + " is " + kilobytes(size) + "k; " + ", heap now " +
                     kilobytes(heap.heaptotal) + "k\n");
}

void notedisposed(const str22& name, int32_t size)
{
    heap.heaptotal -= size;
    if (prefs.monitorheap)
        writeconsole("space disposed for " + name + "; heap size now " + kilobytes(heap.heaptotal) + "k\n");
}

void filloxidetable()
{
    static const oxiderow rows[maxcomps] = {
        {"Si", "SiO2", 60.0848L, 1, 2, 3},      {"Ti", "TiO2", 79.8988L, 1, 2, 10},
        {"Al", "Al2O3", 101.96128L, 2, 3, 4},   {"Fe", "FeO", 71.8464L, 1, 1, 7},
        {"Mg", "MgO", 40.3044L, 1, 1, 6},       {"Mn", "MnO", 70.9374L, 1, 1, 11},
        {"Ca", "CaO", 56.0794L, 1, 1, 5},       {"Na", "Na2O", 61.97894L, 2, 1, 9},
        {"K", "K2O", 94.1954L, 2, 1, 8},        {"O", "O", 16.0L, 0, 1, 12},
        {"H", "H2O", 18.0152L, 2, 1, 1},        {"C", "CO2", 44.0098L, 1, 2, 2},
        {"Cl", "Cl2O", 86.9L, 2, 1, 13},        {"e", "O2-", 16.0L, 2, 1, 15},
        {"Ni", "NiO", 74.7094L, 1, 1, 16},      {"Zr", "ZrO2", 123.2188L, 1, 2, 17},
        {"S", "SO2", 64.0582L, 1, 2, 14},       {"Cu", "CuO", 79.546L, 1, 1, 18},
        {"Cr", "Cr2O3", 151.9902L, 2, 3, 19},   {"F", "F2O", 53.996L, 2, 1, 20},
        {"P", "P2O5", 283.889L, 2, 5, 21},      {"Ba", "BaO", 153.3394L, 1, 1, 22},
        {"Li", "Li2O", 29.8814L, 2, 1, 23},     {"Rb", "Rb2O", 186.935L, 2, 1, 24},
        {"Sr", "SrO", 103.6194L, 1, 1, 25},     {"Zn", "ZnO", 81.3794L, 1, 1, 26},
    };
    for (size_t k = 1; k <= maxcomps; ++k) {
        const oxiderow& row = rows[k - 1];
        oxides.oxideelement[k] = row.element;
        oxides.oxideformula[k] = row.formula;
        oxides.oxidemass[k] = row.mass;
        oxides.oxidecations[k] = row.cations;
        oxides.oxideoxygens[k] = row.oxygens;
        oxides.oxorder[k] = row.order;
    }
}

}  // namespace zt
