#include "ax/axinfo.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "axfixture.h"

namespace zt {
namespace {

using axtest::axworld;
using axtest::soln;

std::string expectedfile(const std::string& name)
{
    return testing::filetext((std::filesystem::path(__FILE__).parent_path() / "data" / name).string());
}

const char* const modelfile =
    "header\n"
    "%a small model file\n"
    "headend\n"
    "g 3 1\n"
    "  x(g) 0.2 range 0 1\n"
    "  z(g) 0.1 range 0 0.5\n"
    "  p(py)  1 1 1 2 -1 x -1 z\n"
    "  p(alm) 1 1 0 1 1 x\n"
    "  p(kgr) 1 1 0 1 1 z\n"
    "  asf\n"
    "  W(py,alm) 2.5 0 0\n"
    "  W(py,kgr) 31 -0.0125 0.1\n"
    "  W(alm,kgr) 5 0.01 -0.03\n"
    "  a(py) 1 0 0\n"
    "  a(alm) 1.25 0.00002 0\n"
    "  a(kgr) 2.7 0 0.0045\n"
    "  3\n"
    "  xMgX 1 1 1 2 -1 x -1 z\n"
    "  xFeX 1 1 0 1 1 x\n"
    "  xCaX 1 1 0 1 1 z\n"
    "  py  1 1 xMgX 3\n"
    "  alm 1 1 xFeX 3\n"
    "  kgr 1 1 xCaX 3 make 2 gr 1 ky 1/3 DQF 1.5 -0.002 0\n"
    "liq 2 1\n"
    "  x(liq) 0.3\n"
    "  p(fo) 1 1 1 1 -1 x\n"
    "  p(fa) 1 1 0 1 1 x\n"
    "  ideal\n"
    "  2\n"
    "  xMg 1 1 1 1 -1 x\n"
    "  xFe 1 1 0 1 1 x\n"
    "  fo 2 1 xMg 2\n"
    "  fa 2 1 xFe 2\n";

TEST(AxInfo, InformationFileOfASmallModelFile)
{
    axworld w;
    ASSERT_EQ(w.readax(modelfile), -1) << w.out();
    textfile& it = channels.files[chit];
    openforwriting(it, "zt-t-it.txt");
    channels.outchannels |= 1 << chit;
    zt::run.calcmode = 3;
    printaxinfo(1);
    printaxinfo(2);
    closetextfile(it);
    channels.outchannels &= ~(1 << chit);
    EXPECT_EQ(w.folder.readfile("zt-t-it.txt"), expectedfile("axinfo-it.txt"));
}

TEST(AxInfo, ExactDecimals)
{
    struct row {
        int16_t k;
        real x;
        const char* want;
    } rows[] = {{3, 0.125L, "0.125"},  {3, 2, "2"},         {3, 1.0L / 3, "0.3333"},  {5, 1.0L / 3, "0.333333"},
                {3, 0.000004L, "0.000004"}, {3, -2.5L, "-2.5"}, {3, 1e-9L, "0"}};
    for (const row& r : rows) {
        std::string line = ">";
        addexact(r.k, line, r.x);
        EXPECT_EQ(line, std::string(">") + r.want) << static_cast<double>(r.x);
    }
}

TEST(AxInfo, MadeEndMemberCoefficientsAndTags)
{
    axworld w;
    axphase& ph = soln(1);
    resetaxphase(ph);
    ph.shortname = "m";
    ph.nem = 2;
    ph.em[1].name = "a";
    axem& e = ph.em[2];
    e.name = "b";
    e.nmake = 3;
    e.makedivisor = 2;
    const char* names[] = {"", "p", "q", "r"};
    const int16_t coefs[] = {0, -2, 1, -3};
    const int32_t actions[] = {0, actordered, actequilibrium, actdisordered};
    for (int k = 1; k <= 3; ++k) {
        e.makeemname[static_cast<size_t>(k)] = names[k];
        e.makecoef[static_cast<size_t>(k)] = coefs[k];
        e.makeaction[static_cast<size_t>(k)] = actions[k];
    }
    e.dqfc = 0.5L;
    e.dqfkind = 2;
    phases.nsolnphases = 1;
    channels.outchannels |= 1 << chit;
    textfile& it = channels.files[chit];
    openforwriting(it, "m-it.txt");
    zt::run.calcmode = 1;
    printaxinfo(1);
    closetextfile(it);
    channels.outchannels &= ~(1 << chit);
    const std::string out = w.folder.readfile("m-it.txt");
    EXPECT_NE(out.find("\n  b = - o-p + 1/2 e-q - 3/2 d-r + 0 + 0.5 P  (mod)\n"), std::string::npos) << out;
}


TEST(AxInfo, PhaseTableInBlocksOfFifteenPairs)
{
    axworld w;
    axphase& ph = soln(1);
    resetaxphase(ph);
    ph.shortname = "sp";
    ph.nem = 7;
    for (int j = 1; j <= 7; ++j) ph.em[static_cast<size_t>(j)].name = "e" + std::to_string(j);
    ph.nvars = 1;
    ph.vars[1].name = "x(sp)";
    ph.vars[1].value = 0.1234L;
    ph.model = 1;
    ph.ngterm = 16;
    int w16 = 0;
    for (int16_t i = 1; i <= 7 && w16 < 16; ++i) {
        for (int16_t j = static_cast<int16_t>(i + 1); j <= 7 && w16 < 16; ++j) {
            ++w16;
            ph.gterm[static_cast<size_t>(w16)] = gterm{static_cast<int16_t>(w16), i, j};
            ph.wa[static_cast<size_t>(w16)] = w16;
        }
    }
    ph.wc[16] = 0.25L;
    channels.dontwrap = false;
    printphasetable(1);
    const std::string out = w.out();
    std::string names1 = "  W  ", values1 = "     ";
    for (int k = 1; k <= 15; ++k) {
        const gterm& g = ph.gterm[static_cast<size_t>(k)];
        const std::string name = "e" + std::to_string(g.emi) + "-e" + std::to_string(g.emj);
        names1 += std::string(10 - name.size(), ' ') + name;
        const std::string v = std::to_string(k) + ".000";
        values1 += std::string(10 - v.size(), ' ') + v;
    }
    const std::string want = "sp   ----------------------------------------\n"
                             "  var     x(sp)\n"
                             "          0.123\n" +
                             names1 + "\n" + values1 + "\n" + "     " + std::string(150, ' ') + "\n" +
                             "          e4-e5\n         16.000\n           0.25\n";
    EXPECT_EQ(out.compare(0, want.size(), want), 0) << out;
}

}  // namespace
}  // namespace zt
