#include "phasediagram/projection.h"

#include <cmath>
#include <sstream>

#include "../reactions/bracketlist.h"
#include "numeric/summary.h"
#include "pdfixture.h"
#include "phasediagram/loopstate.h"
#include "phasediagram/resultseams.h"
#include "runtime/records/equilibriumstate.h"
#include "reactions/services.h"
#include "runtime/numberformat.h"
#include "runtime/runfiles.h"
#include "runtime/textfile.h"
#include "runtime/words.h"

namespace zt {
namespace {

using pdtest::at;
using vec4 = std::array<real, 5>;

// Components A B C D; pure phases ph1, ph2 and q, q in excess.
const vec4 ph1comp{0, 3, 4, 2, 3};
const vec4 qcomp{0, 1, 0, 0, 1};

// The records the projection reads beyond the phase-diagram world.
void freshstate() {
    resetreactions();
    resetsummary();
    resetprojection();
    eq = equilibriumstate{};
}

void system4() {
    freshstate();
    pdtest::setcomponents({{"A", 1}, {"B", 1}, {"C", 1}, {"D", 1}});
    auto comp = [](const vec4& v) { return std::vector<int16_t>{int16_t(v[1]), int16_t(v[2]), int16_t(v[3]), int16_t(v[4])}; };
    pdtest::addpure("ph1", comp(ph1comp));
    pdtest::addpure("ph2", comp(qcomp));  // the excess phase's composition: outside the plane
    pdtest::addpure("q", comp(qcomp));
    pd.excessphase[3] = true;
    pd.nexcessphases = 1;
    settings.projection = 0;
}

// The plane: ab = (1,1,0,0) given on the name line, B by name, cd = (0,0,1,1) asked for.
const char* apexanswers = "1\nab 1 1 0 0\nB\ncd\n0 0 1 1\n";

// x solving sum_i x_i apex_i = v by Gauss-Jordan elimination on the 4 x 4 system.
vec4 solve(const std::array<vec4, 5>& apex, const vec4& v) {
    real a[4][5];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) a[r][c] = apex[at(c + 1)][at(r + 1)];
        a[r][4] = v[at(r + 1)];
    }
    for (int c = 0; c < 4; ++c) {
        int p = c;
        for (int r = c; r < 4; ++r) if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        for (int k = 0; k < 5; ++k) std::swap(a[c][k], a[p][k]);
        for (int r = 0; r < 4; ++r) {
            if (r == c) continue;
            const real f = a[r][c] / a[c][c];
            for (int k = 0; k < 5; ++k) a[r][k] -= f * a[c][k];
        }
    }
    vec4 x{};
    for (int r = 0; r < 4; ++r) x[at(r + 1)] = a[r][4] / a[r][r];
    return x;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// The row of the console table that starts with the name.
std::string rowof(const std::string& out, const std::string& name) {
    for (const std::string& l : lines(out)) {
        if (l.rfind(name, 0) == 0 && l.size() > 6 && l[name.size()] == ' ') return l;
    }
    return "";
}

real field(const std::string& row, int i) {  // 1-based column of width 9 after the name
    return std::stold(row.substr(6 + 9 * static_cast<size_t>(i - 1), 9));
}

loopstate assemblage() {
    loopstate ls;
    ls.assemblage[1] = ls.assemblage[2] = ls.assemblage[3] = true;
    return ls;
}

TEST(Projection, PhasesProjectFromTheExcessPhaseOntoThePlane) {
    pdtest::pdworld w(apexanswers);
    system4();
    testing::tempfolder folder;
    std::string name;
    openoutfile("zt-", "log.txt", channels.files[chlog], name);
    channels.outchannels = 1 | (1 << chlog);
    ASSERT_EQ(w.run(readprojplane), -1) << w.out();
    ASSERT_EQ(settings.projection, 0);
    EXPECT_EQ(proj.napices, 4);
    EXPECT_EQ(proj.nexcessapices, 1);
    EXPECT_TRUE(w.has("projection plane has 3 apices, leaving A B C D\nto be represented by q and the projection plane"));
    ASSERT_EQ(w.run([] { printprojcomps(assemblage(), 873.15L, 5); }), -1) << w.out();
    closetextfile(channels.files[chlog]);

    // Independent truth: ph1 = sum x_i apex_i, shown as x_i over the sum of the plane's own x_i.
    const std::array<vec4, 5> apex{vec4{}, vec4{0, 1, 1, 0, 0}, vec4{0, 0, 1, 0, 0}, vec4{0, 0, 0, 1, 1}, qcomp};
    const vec4 x = solve(apex, ph1comp);
    const real s = x[1] + x[2] + x[3];
    const std::string row = rowof(w.out(), "ph1");
    ASSERT_FALSE(row.empty()) << w.out();
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(static_cast<double>(field(row, i)), static_cast<double>(x[at(i)] / s), 6e-5) << row;
    EXPECT_NEAR(static_cast<double>(field(row, 5)), static_cast<double>(-1 / s), 6e-5) << row;
    EXPECT_EQ(row.find('#'), std::string::npos);

    // ph2 lies on the excess phase alone: the plane's sum is 0, so it is shown unscaled and marked.
    const std::string row2 = rowof(w.out(), "ph2");
    ASSERT_GE(row2.size(), 3u) << w.out();
    EXPECT_EQ(row2.substr(row2.size() - 3), "  #") << row2;
    EXPECT_EQ(w.out().find("nan"), std::string::npos);

    // The plane echoed to the log in the form the script reads back.
    const std::string log = folder.readfile(name.substr(name.find_last_of('/') + 1));
    EXPECT_NE(log.find("in form to copy to scriptfile:\n\n"
                       "% ----------------------------------------------------------\n"
                       "projplane               A     B     C     D\n"
                       "% ----------------------------------------------------------\n"
                       "projplane    ab         1     1     0     0\n"
                       "projplane    B          0     1     0     0\n"
                       "projplane    cd         0     0     1     1\n"
                       "% ----------------------------------------------------------\n\n"),
              std::string::npos)
        << log;
}

TEST(Projection, ScriptPlaneIsUsedWithoutPrompts) {
    pdtest::pdworld w;
    system4();
    settings.projplane = 0;
    settings.nprojoxides = 4;
    settings.napices = 3;
    for (int j = 1; j <= 4; ++j) settings.projoxides[at(j)] = ws.compnames[at(j)];
    const char* names[] = {"", "A", "B", "cd"};
    for (int i = 1; i <= 3; ++i) settings.apexnames[at(i)] = names[i];
    settings.apexcomps[1][1] = settings.apexcomps[2][2] = settings.apexcomps[3][3] = settings.apexcomps[3][4] = 1;
    ASSERT_EQ(w.run(readprojplane), -1) << w.out();
    EXPECT_TRUE(w.has("projection plane (from script) \n      "
                      "       A       B       C       D\n"
                      "A        1.000   0.000   0.000   0.000\n"
                      "B        0.000   1.000   0.000   0.000\n"
                      "cd       0.000   0.000   1.000   1.000\n"))
        << w.out();
    EXPECT_FALSE(w.has("specify apices:"));

    std::swap(settings.projoxides[1], settings.projoxides[2]);
    EXPECT_EQ(w.run(readprojplane), 1);
    EXPECT_TRUE(w.has("-- run bombed in readprojplane : oxides don't match")) << w.out();
}

TEST(Projection, OxideListAnswers) {
    struct oxcase {
        const char* answers;
        bool kept;
        const char* message;
    };
    const std::vector<oxcase> cases = {
        {"0\n1 2 3\n", true, "projplane    A          1     0     0     0"},
        {"7\n2 3\n", true, "3 needed: try again"},  // a bad code reads as 0
        {"0\n1 2\n1\n", false, "still not correct: no projection will be undertaken"},
        {"0\n1 2 x\n", false, "not all integers: no projection will be undertaken"},
        {"0\n1 2 5\n", false, "not all integers: no projection will be undertaken"},
    };
    for (const oxcase& c : cases) {
        std::string answers = c.answers;
        if (std::string(c.answers).rfind("7", 0) == 0) answers += "1 2 3\n";
        pdtest::pdworld w(answers);
        system4();
        channels.outchannels = 1 | (1 << chlog);
        testing::tempfolder folder;
        std::string name;
        openoutfile("zt-", "log.txt", channels.files[chlog], name);
        ASSERT_EQ(w.run(readprojplane), -1) << c.answers << w.out();
        closetextfile(channels.files[chlog]);
        EXPECT_EQ(settings.projection == 0, c.kept) << c.answers;
        const std::string all = w.out() + folder.readfile(name.substr(name.find_last_of('/') + 1));
        EXPECT_NE(all.find(c.message), std::string::npos) << c.answers << all;
        EXPECT_EQ(proj.napices != 0, c.kept) << c.answers;
    }
}

TEST(Projection, FatalMessages) {
    struct fatalcase {
        const char* answers;
        int ncomps;
        bool excess;
        const char* message;
    };
    const std::vector<fatalcase> cases = {
        {"", 10, false, "too big"},
        {"", 1, true, "no projection plane"},
        {"1\nab x 1 0 0\n", 4, true, "short-cutting A"},
        {"1\nab 1 1 0 0\nB\ncd 0 0 1 1e99999\n", 4, true, "short-cutting B"},
        {"0\n1 2 3 4 5 6 7 8\n", 9, true, "system too big"},
    };
    for (const fatalcase& c : cases) {
        pdtest::pdworld w(c.answers);
        ws.ncomps = 0;
        for (int i = 1; i <= c.ncomps; ++i) {
            ws.compnames[at(i)] = std::string(1, static_cast<char>('A' + i - 1));
            ws.compdiv[at(i)] = 1;
        }
        ws.ncomps = static_cast<int16_t>(c.ncomps);
        if (c.excess) {
            pdtest::addpure("q", {1});
            pd.excessphase[1] = true;
            pd.nexcessphases = 1;
        }
        EXPECT_EQ(w.run(readprojplane), 1) << c.message << w.out();
        EXPECT_TRUE(w.has(std::string("-- run bombed in readprojplane : ") + c.message)) << w.out();
    }
}

// The plane of the first test without prompting.
void setplane() {
    proj.napices = 4;
    proj.nexcessapices = 1;
    const char* names[] = {"", "ab", "B", "cd", "q"};
    const std::array<vec4, 5> comps{vec4{}, vec4{0, 1, 1, 0, 0}, vec4{0, 0, 1, 0, 0}, vec4{0, 0, 0, 1, 1}, qcomp};
    for (int i = 1; i <= 4; ++i) {
        proj.apexnames[at(i)] = names[i];
        for (int j = 1; j <= 4; ++j) proj.apexcomps[at(i)][at(j)] = comps[at(i)][at(j)];
    }
}

TEST(Projection, DrawingFilesReadBack) {
    pdtest::pdworld w;
    system4();
    setplane();
    settings.compatibility = 0;
    settings.quilleton = 1;
    reactions.var = 2;
    testing::tempfolder folder;
    std::string qlname, csvname;
    openoutfile("zt-", "ql.txt", channels.files[chql], qlname);
    openoutfile("zt-", "csv.txt", channels.files[chcsv], csvname);
    channels.outchannels = 1 | (1 << chql) | (1 << chcsv);
    ASSERT_EQ(w.run([] { printprojcomps(assemblage(), 873.15L, 5); }), -1) << w.out();
    closetextfile(channels.files[chql]);
    closetextfile(channels.files[chcsv]);
    std::string ql = folder.readfile(qlname.substr(qlname.find_last_of('/') + 1));
    const std::string csv = folder.readfile(csvname.substr(csvname.find_last_of('/') + 1));

    // One equilibrium is one list: {{P, T}, {{name, values}, ...}}, closed by a comma.
    ASSERT_EQ(ql.rfind("(*---------------------------------------------------------*)\n{{5.000, 600.00}, \n", 0), 0u) << ql;
    const size_t end = ql.rfind("} },");
    ASSERT_NE(end, std::string::npos) << ql;
    const std::string body = "eq = " + ql.substr(0, end) + "} };";
    std::map<std::string, testing::bracketvalue> parsed;
    ASSERT_NO_THROW(parsed = testing::bracketparser(body).parseall()) << body;
    const testing::bracketvalue& eq1 = parsed["eq"];
    ASSERT_EQ(eq1.items.size(), 2u) << ql;
    EXPECT_EQ(eq1.items[0].items[0].text, "5.000");
    EXPECT_EQ(eq1.items[0].items[1].text, "600.00");
    // Every coordinate of the console table: the plane's three own apices and the
    // in-excess apex q, the wide gap standing after the last own apex.
    const std::array<vec4, 5> apex{vec4{}, vec4{0, 1, 1, 0, 0}, vec4{0, 0, 1, 0, 0}, vec4{0, 0, 0, 1, 1}, qcomp};
    const vec4 x = solve(apex, ph1comp);
    const real s = x[1] + x[2] + x[3];
    const testing::bracketvalue& rows = eq1.items[1];
    ASSERT_EQ(rows.items.size(), 2u) << ql;
    EXPECT_EQ(rows.items[0].items[0].text, "ph1");
    ASSERT_EQ(rows.items[0].items.size(), 5u) << ql;
    for (int i = 1; i <= 4; ++i) {
        EXPECT_NEAR(std::stod(rows.items[0].items[at(i)].text), static_cast<double>(x[at(i)] / s), 1e-6) << ql;
    }
    EXPECT_NE(ql.find("0.333333,     " + fixedtostr(6, x[4] / s) + "}"), std::string::npos) << ql;
    EXPECT_EQ(rows.items[1].items[0].text, "ph2");
    ASSERT_EQ(rows.items[1].items.size(), 5u) << ql;
    EXPECT_EQ(rows.items[1].items[4].text, "1.000000") << ql;  // ph2 lies on q alone

    // csv rows: name, the same values, then P and T on the first only.
    const std::vector<std::string> rowsv = lines(csv);
    ASSERT_GE(rowsv.size(), 2u) << csv;
    std::vector<std::string> cells;
    std::istringstream in(rowsv[0]);
    for (std::string cell; std::getline(in, cell, ',');) cells.push_back(trimblanks(cell));
    ASSERT_GE(cells.size(), 7u) << csv;
    EXPECT_EQ(cells[0], "ph1");
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(std::stod(cells[at(i)]), static_cast<double>(x[at(i)] / s), 1e-6) << csv;
    EXPECT_EQ(cells[5], "5.000");
    EXPECT_EQ(cells[6], "600.00");
    // The second phase has blank P and T cells, so its columns line up with the first.
    std::vector<std::string> cells2;
    std::istringstream in2(rowsv[1]);
    for (std::string cell; std::getline(in2, cell, ',');) cells2.push_back(trimblanks(cell));
    ASSERT_EQ(cells2.size(), cells.size()) << csv;
    EXPECT_EQ(cells2[0], "ph2");
    EXPECT_EQ(cells2[4], "1.000000");
    EXPECT_EQ(cells2[5], "");
    EXPECT_EQ(cells2[6], "");
    EXPECT_EQ(csv.substr(csv.size() - 2), "\n\n");

    // With quillet on, each phase is one line of the plane's own coordinates.
    resetchannels();
    openoutfile("zt-", "ql2.txt", channels.files[chql], qlname);
    channels.outchannels = 1 << chql;
    settings.quilleton = 0;
    ASSERT_EQ(w.run([] { printprojcomps(assemblage(), 873.15L, 5); }), -1);
    closetextfile(channels.files[chql]);
    ql = folder.readfile(qlname.substr(qlname.find_last_of('/') + 1));
    EXPECT_EQ(lines(ql)[0], "   0.3333   0.3333   0.3333   %  ph1     ") << ql;
}

TEST(Projection, UnivariantReactionAndIsoplethValueInTheDrawingFile) {
    struct qlcase {
        bool isopleth;
        const char* expected;  // a line the file must hold
        size_t items;          // entries of the equilibrium's list
    };
    const std::vector<qlcase> cases = {
        {false, " {\"ph1\"}, {\"ph2\"}, ", 4},
        {true, "}, 0.300},   (* x(g)   *) ", 3},
    };
    for (const qlcase& c : cases) {
        pdtest::pdworld w;
        system4();
        setplane();
        settings.compatibility = 0;
        settings.quilleton = 1;
        reactions.var = 1;
        eq.nvar = 3;
        eq.calcvarfree[3] = !c.isopleth;
        eq.calcvarnames[3] = "x(g)";
        eq.varvalue[3] = 0.3L;
        pd.niso = c.isopleth ? 1 : 0;
        testing::tempfolder folder;
        std::string qlname;
        openoutfile("zt-", "ql.txt", channels.files[chql], qlname);
        channels.outchannels = 1 << chql;
        loopstate ls = assemblage();
        ls.nreaccols = 3;
        ls.reacnames[1] = "ph1";
        ls.reacnames[2] = "q";
        ls.reacnames[3] = "ph2";
        ls.reaccoefs[1] = -1;
        ls.reaccoefs[2] = -2;
        ls.reaccoefs[3] = 1;
        ASSERT_EQ(w.run([&] { printprojcomps(ls, 873.15L, 5); }), -1) << w.out();
        closetextfile(channels.files[chql]);
        const std::string ql = folder.readfile(qlname.substr(qlname.find_last_of('/') + 1));
        EXPECT_NE(ql.find(c.expected), std::string::npos) << ql;
        // The equilibrium ends at its last closing bracket; its lists read as they stand.
        const std::string body = ql.substr(0, ql.rfind('}') + 1);
        std::map<std::string, testing::bracketvalue> parsed;
        ASSERT_NO_THROW(parsed = testing::bracketparser("eq = " + body + ";").parseall()) << body;
        EXPECT_EQ(parsed["eq"].items.size(), c.items) << ql;
        if (!c.isopleth) EXPECT_EQ(parsed["eq"].items[1].items[0].text, "ph1");
        else EXPECT_EQ(parsed["eq"].items[2].text, "0.300");
    }
    freshstate();
}

TEST(Projection, BulkOnTheExcessPhaseIsShownUnscaled) {
    pdtest::pdworld w;
    system4();
    setplane();
    settings.nbulks = 2;
    settings.projcomp = 0;
    pd.nsysrows = 2;
    summary.sysfirstrow = 1;
    reactions.var = 2;
    for (int j = 1; j <= 4; ++j) {
        settings.bulk1[at(j)] = ph1comp[at(j)];
        settings.bulk2[at(j)] = qcomp[at(j)];
    }
    ASSERT_EQ(w.run([] { printprojcomps(assemblage(), 873.15L, 5); }), -1) << w.out();
    EXPECT_TRUE(w.has("comp         ab        B       cd        q     bulk\n")) << w.out();
    const std::string r1 = rowof(w.out(), "1");
    const std::string r2 = rowof(w.out(), "2");
    ASSERT_FALSE(r1.empty()) << w.out();
    ASSERT_FALSE(r2.empty()) << w.out();
    EXPECT_NEAR(static_cast<double>(field(r1, 1)), 1.0 / 3, 6e-5) << r1;
    EXPECT_EQ(r1.find('#'), std::string::npos);
    EXPECT_EQ(r2.substr(r2.size() - 3), "  #") << r2;
    EXPECT_EQ(w.out().find("nan"), std::string::npos) << w.out();
    EXPECT_EQ(w.out().find("inf"), std::string::npos) << w.out();
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

// A binary solution in excess projects as a column of its own, at its current
// composition: ph1 = sum x_i apex_i + y ss, each shown over the plane's own sum.
TEST(Projection, SolutionPhaseInExcessIsAProjectingColumn) {
    pdtest::pdworld w;
    freshstate();
    pdtest::setcomponents({{"A", 1}, {"B", 1}, {"C", 1}, {"D", 1}});
    pdtest::addbinary("ss", "e1", {1, 0, 0, 0}, "e2", {0, 1, 0, 0});
    pdtest::addpure("ph1", {3, 4, 2, 3});
    pd.excessphase[1] = true;
    pd.nexcessphases = 1;
    settings.projection = 0;
    ws.nem = 3;
    eq.phasestart[1] = true;
    eq.phaseofstart[1] = 1;
    eq.phasefirstvar[1] = 3;
    eq.varvalue[3] = 0.3L;  // ss = 0.7 A + 0.3 B
    proj.napices = 3;
    proj.nexcessapices = 0;
    const std::array<vec4, 5> apex{vec4{}, vec4{0, 1, 0, 1, 0}, vec4{0, 0, 0, 1, 0}, vec4{0, 0, 0, 0, 1},
                                   vec4{0, 0.7L, 0.3L, 0, 0}};
    const char* names[] = {"", "ac", "C", "D"};
    for (int i = 1; i <= 3; ++i) {
        proj.apexnames[at(i)] = names[i];
        for (int j = 1; j <= 4; ++j) proj.apexcomps[at(i)][at(j)] = apex[at(i)][at(j)];
    }
    loopstate ls;
    ls.assemblage[1] = ls.assemblage[2] = true;
    ASSERT_EQ(w.run([&] { printprojcomps(ls, 873.15L, 5); }), -1) << w.out();
    EXPECT_TRUE(w.has("\nproj         ac        C        D       ss    phase\n")) << w.out();

    const vec4 x = solve(apex, vec4{0, 3, 4, 2, 3});
    const real s = x[1] + x[2] + x[3];
    ASSERT_GT(std::fabs(s), 1e-4L);
    const std::string row = rowof(w.out(), "ph1");
    ASSERT_FALSE(row.empty()) << w.out();
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(static_cast<double>(field(row, i)), static_cast<double>(x[at(i)] / std::fabs(s)), 6e-5) << row;
    EXPECT_NEAR(static_cast<double>(field(row, 5)), static_cast<double>(-1 / std::fabs(s)), 6e-5) << row;
}

}  // namespace
}  // namespace zt
