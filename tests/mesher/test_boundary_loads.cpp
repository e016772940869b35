// Tests of supports, node merging, load faces, correction ratios and the exact written text.
#include "mesher_test_util.h"

#include <cmath>
#include <regex>

using namespace mesher_test;

namespace
{

model generate(const std::string &description, std::vector<std::string> options = {},
               std::string *messages = nullptr)
{
    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt", description);
    options.insert(options.end(), {"-I", dir + "/in.txt", "-O", dir + "/m.pin"});
    const run_result r = run_args(options);
    EXPECT_EQ(r.status, 0) << r.err;
    if (messages) *messages = r.err;
    const model m = parse_model(read_text(dir + "/m.pin"));
    EXPECT_TRUE(m.complete);
    return m;
}

// Expected flags of a box model with roller sides and a fixed bottom, {-1,-1,-1} for none.
std::vector<int> roller_flags(const model &m, int n, const double lo[3], const double hi[3])
{
    auto on = [&](int c, double v) { return std::abs(m.xyz[3 * n + c] - v) < 1e-6; };
    if (on(2, lo[2])) return {1, 1, 1};
    const int fx = on(0, lo[0]) || on(0, hi[0]), fy = on(1, lo[1]) || on(1, hi[1]);
    if (!fx && !fy) return {-1, -1, -1};
    return {fx, fy, 0};
}

} // namespace

TEST(TarnelBoundary, RollerSidesAndFixedBottom)
{
    const model m =
        generate("1 0\n" + layer_text("0 1 2", "0 3 5", "0 -1 -2", "0 0", "0 0", {solid(1000)}));
    ASSERT_EQ(m.np, 27);
    const double lo[3] = {0, 0, -2}, hi[3] = {2, 5, 0};
    int records = 0;
    for (int n = 0; n < m.np; ++n) {
        const std::vector<int> expected = roller_flags(m, n, lo, hi);
        EXPECT_EQ(m.flags(n), expected) << "node " << n;
        records += expected[0] >= 0;
    }
    EXPECT_EQ(m.nb, records); // one record per supported node; the two interior nodes have none
    EXPECT_EQ(m.nb, 25);
}

TEST(TarnelBoundary, OptionBFixesTheMinimumXPlaneFully)
{
    const model m =
        generate("1 0\n" + layer_text("0 1 2", "0 3 5", "0 -1 -2", "0 0", "0 0", {solid(1000)}),
                 {"-B", "1"});
    const double lo[3] = {0, 0, -2}, hi[3] = {2, 5, 0};
    for (int n = 0; n < m.np; ++n) {
        const std::vector<int> expected =
            std::abs(m.xyz[3 * n]) < 1e-6 ? std::vector<int>{1, 1, 1} : roller_flags(m, n, lo, hi);
        EXPECT_EQ(m.flags(n), expected) << "node " << n;
    }
}

TEST(TarnelBoundary, OptionCReleasesSlabNodesAndDropsEmptyRecordsEvenTheLast)
{
    // one element: records are created in node order by the x pass, so node 7 (0, 1, top)
    // holds the last record; releasing x on min x and y on max y leaves it with no flag
    const model m = generate("1 0\n" + layer_text("0 1", "0 1", "0 -1", "0", "0", {solid(30000)}),
                             {"-C", "9", "30000"});
    ASSERT_EQ(m.nb, 7);
    EXPECT_EQ(m.flags(m.node_at(0, 0, -1)), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(m.flags(m.node_at(1, 0, -1)), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(m.flags(m.node_at(1, 1, -1)), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(m.flags(m.node_at(0, 1, -1)), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(m.flags(m.node_at(0, 0, 0)), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(m.flags(m.node_at(1, 0, 0)), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(m.flags(m.node_at(1, 1, 0)), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(m.flags(m.node_at(0, 1, 0)), (std::vector<int>{-1, -1, -1}));
    EXPECT_EQ(m.bc[4 * 6], m.node_at(1, 1, 0)); // order of the others kept
}

TEST(TarnelBoundary, OptionCOnlyTouchesElementsOfThatModulus)
{
    // slab over base; -C 4 with the slab modulus frees x on max x at slab nodes only
    const model m = generate("2 0\n" + layer_text("0 1", "0 1", "0 -1", "0", "0", {solid(30000)}) +
                                 layer_text("0 1", "0 1", "-1 -2", "0", "0", {solid(300)}),
                             {"-C", "4", "30000"});
    EXPECT_EQ(m.flags(m.node_at(1, 0, 0)), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(m.flags(m.node_at(1, 0, -1)), (std::vector<int>{0, 1, 0})); // shared with the base
    EXPECT_EQ(m.flags(m.node_at(0, 0, -1)), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(m.flags(m.node_at(1, 0, -2)), (std::vector<int>{1, 1, 1}));
}

TEST(TarnelRearrange, NodesOfUncountedJointsMergeIntoTheirNearestUsedNode)
{
    // a joint layer (type 10: not counted) 0.5 thick between slab and base: its own nodes are
    // those of the slab bottom and the base top, so nothing is merged here; a joint layer
    // whose lower nodes belong to no counted element is merged onto the base's top.
    const std::string joint = "500 500 800 0 0 0 0 0 0 0 0 10.5";
    const model m = generate("3 0\n" + layer_text("0 1", "0 1", "0 -1", "0", "0", {solid(30000)}) +
                             layer_text("0 1", "0 1", "-1 -1.5", "0", "0", {joint}) +
                             layer_text("0.2 0.8", "0.2 0.8", "-1.6 -2", "0", "0", {solid(300)}));
    // written nodes: slab 8 + base 8; the joint's four lower corners (z = -1.5) are merged
    EXPECT_EQ(m.np, 16);
    ASSERT_EQ(m.ne, 3);
    const int *j = &m.conn[9];
    for (int k = 0; k < 4; ++k) {
        const double *p = &m.xyz[3 * j[k]];
        // nearest base-top corner of (0|1, 0|1, -1.5) is (0.2|0.8, 0.2|0.8, -1.6)
        EXPECT_NEAR(p[2], -1.6, 1e-6) << k;
        EXPECT_NEAR(std::abs(p[0] - 0.5), 0.3, 1e-6) << k;
    }
    EXPECT_EQ(m.node_at(0, 0, -1.5), -1);
}

TEST(TarnelLoads, LoadOverAJointStripLoadsBothSlabsAndKeepsTheTotal)
{
    const std::string joint = "1000 1000 5000 0 0 0 0 0 0 0 0 2";
    const model m = generate(
        "1 1\n" +
        layer_text("0 100 100.2 200", "0 100", "0 -25", "0 1 0", "0", {solid(300000), joint}) +
        "50 0 150 100 0 0 8\n");
    ASSERT_EQ(m.nedge, 2);
    // first face: (50,0) (50,100) (100,100) (100,0) at the top
    const double corners[4][2] = {{50, 0}, {50, 100}, {100, 100}, {100, 0}};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(m.face_nodes[k], m.node_at(corners[k][0], corners[k][1], 0)) << k;
    EXPECT_EQ(m.face_nodes[4], m.node_at(100.2, 0, 0));
    // the two faces cover 50 x 100 and 49.8 x 100; the ratio restores 100 x 100 x 8
    double total = 0;
    const double areas[2] = {5000, 4980};
    for (int f = 0; f < 2; ++f) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(m.face_vals[12 * f + 3 * k], 0.0);
            EXPECT_DOUBLE_EQ(m.face_vals[12 * f + 3 * k + 2], m.face_vals[12 * f + 2]);
        }
        total += areas[f] * m.face_vals[12 * f + 2];
    }
    EXPECT_NEAR(total, 80000.0, 80000.0 * 1e-5);
}

TEST(TarnelLoads, TotalsRatioAndScaledTractionsAreSinglePrecision)
{
    // faces 50..100 and 100.2..105 (the strip gets nothing) carry 5500 t: in float the
    // ratio 5500 t / (5000 t + 480.00031 t) times t = 5.898 prints 5.91953 (in double 5.91952)
    const std::string joint = "1000 1000 5000 0 0 0 0 0 0 0 0 2";
    const model m = generate(
        "1 1\n" +
        layer_text("0 100 100.2 200", "0 100", "0 -25", "0 1 0", "0", {solid(300000), joint}) +
        "50 0 105 100 0 0 5.898\n");
    ASSERT_EQ(m.nedge, 2);
    for (int f = 0; f < 2; ++f) EXPECT_EQ(m.face_vals[12 * f + 2], 5.91953) << f;
}

TEST(TarnelLoads, ComponentWhoseTotalCancelsIsWrittenAsGiven)
{
    // +0.15, +0.15 and -0.3 on three equal rectangles: the requested and generated totals of
    // the third component are (nearly) zero, their ratio meaningless; the tractions keep their
    // values and a note says why. The first component (+1 on all three) is still scaled
    // (the ratio is 1 here).
    std::string messages;
    const model m =
        generate("1 3\n" + layer_text("0 1 2 3", "0 1", "0 -1", "0 0 0", "0", {solid(1000)}) +
                     "0 0 1 1 1 0 0.15\n1 0 2 1 1 0 0.15\n2 0 3 1 1 0 -0.3\n",
                 {}, &messages);
    ASSERT_EQ(m.nedge, 3);
    const double expect[3] = {0.15, 0.15, -0.3};
    for (int f = 0; f < 3; ++f)
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(m.face_vals[12 * f + 3 * k + 2], expect[f], 1e-6) << f;
            EXPECT_NEAR(m.face_vals[12 * f + 3 * k], 1.0, 1e-6) << f;
        }
    EXPECT_NE(messages.find("tarnel: traction component 3: the generated total"), std::string::npos)
        << messages;
    EXPECT_NE(messages.find("written as given, not scaled"), std::string::npos);
}

TEST(TarnelLoads, FaceCornerWithoutNodeIsSkippedAndReported)
{
    // cells from 1 to 3 are void (E = 0): no node exists on the line x = 2
    std::string messages;
    const model m = generate(
        "1 1\n" + layer_text("0 1 2 3 4", "0 1", "0 -1", "0 1 1 0", "0", {solid(1000), solid(0)}) +
            "0 0 4 1 0 0 5\n",
        {}, &messages);
    ASSERT_EQ(m.nedge, 2);
    EXPECT_NE(messages.find("tarnel: load 0: face (1, 0)-(2, 1) skipped: no node at its corner "
                            "(2, 1, 0)"),
              std::string::npos)
        << messages;
    for (int f = 0; f < m.nedge; ++f)
        for (int k = 0; k < 4; ++k) {
            EXPECT_GE(m.face_nodes[4 * f + k], 0);
            EXPECT_LT(m.face_nodes[4 * f + k], m.np);
        }
    EXPECT_NE(messages.find("face (2, 0)-(3, 1) skipped"), std::string::npos);
    // the two unit faces left carry the requested 4 x 1 x 5
    EXPECT_NEAR(m.face_vals[2], 10.0, 1e-5);
    EXPECT_NEAR(m.face_vals[12 + 2], 10.0, 1e-5);
}

TEST(TarnelLoads, SurfaceModeSpreadsATwoByTwoLoadOverNineFaces)
{
    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt",
               "1 1\n" + layer_text("0 1 2 3", "0 1 2 3", "0 -1", "0 0 0", "0 0 0", {solid(1000)}) +
                   "0.5 0.5 2.5 2.5 0 0 8\n");
    const run_result r = run_args({"-W", "-I", dir + "/in.txt", "-O", dir + "/m.pin"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = read_text(dir + "/m.pin");
    const model m = parse_model(text);
    ASSERT_TRUE(m.complete);
    ASSERT_EQ(m.nedge, 9);
    int full = 0, half = 0, quarter = 0;
    for (int f = 0; f < 9; ++f) {
        const double *p = &m.xyz[3 * m.face_nodes[4 * f]];
        const double *q = &m.xyz[3 * m.face_nodes[4 * f + 2]];
        // corner order of the top face: element nodes 4, 7, 6, 5
        EXPECT_EQ(p[0] + 1, q[0]);
        EXPECT_EQ(p[1] + 1, q[1]);
        EXPECT_EQ(m.xyz[3 * m.face_nodes[4 * f + 1]], p[0]);
        EXPECT_EQ(m.xyz[3 * m.face_nodes[4 * f + 1] + 1], q[1]);
        const double tz = m.face_vals[12 * f + 2];
        const int inner = (p[0] == 1) + (p[1] == 1);
        EXPECT_DOUBLE_EQ(tz, inner == 2 ? 8.0 : inner == 1 ? 4.0 : 2.0) << f;
        full += tz == 8.0, half += tz == 4.0, quarter += tz == 2.0;
    }
    EXPECT_EQ(full, 1);
    EXPECT_EQ(half, 4);
    EXPECT_EQ(quarter, 4);
    // face lines: " %4d " then " %12.4e" three times
    const std::regex line(R"(^ {1,4}\d+ (   \d\.\d{4}e[+-]\d\d){3}$)");
    const std::vector<std::string> lines = lines_of(text);
    for (std::size_t i = lines.size() - 36; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], line)) << lines[i];
}

TEST(TarnelWriter, ExactTextOfASingleBrickInUnitSystemOne)
{
    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt", "1 1\n" +
                                    layer_text("0 1", "0 1", "0 -1", "0", "0",
                                               {"300000 0.15 0.0024 1e-05 0 0 0 0 0 0 0 0"}) +
                                    "0 0 1 1 0 0 0.98\n");
    ASSERT_EQ(run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin", "-U", "1"}).status, 0);
    std::string expected = "   8    1    1    8  150\n"
                           " 3.06122e+06  1.50000e-01  2.40000e-09  1.00000e-05 ";
    for (int j = 4; j < 12; ++j) expected += " 0.00000e+00 ";
    expected += "\n";
    const char *nodes[8] = {"    0.0000     0.0000    -1.0000", "    1.0000     0.0000    -1.0000",
                            "    1.0000     1.0000    -1.0000", "    0.0000     1.0000    -1.0000",
                            "    0.0000     0.0000     0.0000", "    1.0000     0.0000     0.0000",
                            "    1.0000     1.0000     0.0000", "    0.0000     1.0000     0.0000"};
    for (const char *n : nodes) expected += std::string(n) + " 0.0 0.0 0.0\n";
    expected += "   0    1    2    3    4    5    6    7    0\n";
    for (int n = 0; n < 8; ++n)
        expected += "   " + std::to_string(n) + (n < 4 ? "  1  1  1\n" : "  1  1  0\n");
    // the load 0.98 over the whole top, written divided by the stress factor 0.098
    expected += "  1\n";
    for (int n : {4, 7, 6, 5})
        expected += std::to_string(n) + "  0.00000e+00  0.00000e+00  1.00000e+01\n";
    EXPECT_EQ(read_text(dir + "/m.pin"), expected);
}

TEST(TarnelWriter, JointStiffnessesUseTheSpringFactorAndNoLoadsWriteAZeroCount)
{
    const std::string dir = scratch_dir();
    const std::string joint = "98 196 9.8 0.5 0 0 0 0 0 0 0 2";
    write_text(dir + "/in.txt", "1 0\n" + layer_text("0 1 1.1 2", "0 1", "0 -1", "0 1 0", "0",
                                                     {solid(4900, 0.001), joint}));
    ASSERT_EQ(run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin", "-u", "1"}).status, 0);
    const std::string text = read_text(dir + "/m.pin");
    const std::vector<std::string> lines = lines_of(text);
    EXPECT_EQ(lines[1].substr(0, 39), " 5.00000e+04  2.00000e-01  1.00000e-09 ");
    EXPECT_EQ(lines[2].substr(0, 52), " 1.00000e+01  2.00000e+01  1.00000e+00  5.00000e-01 ");
    EXPECT_EQ(lines.back(), "  0");
    const model m = parse_model(text);
    ASSERT_TRUE(m.complete);
    EXPECT_EQ(m.nedge, 0);
    for (std::size_t i = 3 + static_cast<std::size_t>(m.np);
         i < 3 + static_cast<std::size_t>(m.np + m.ne); ++i) {
        std::istringstream in(lines[i]);
        int v, count = 0;
        while (in >> v) ++count;
        EXPECT_EQ(count, 9) << lines[i];
    }
}

TEST(TarnelCapacities, TablesGrowPastTheFixedSizesAndHugeGridsAreRefused)
{
    // 600 x lines (more than 500 in one direction) and one load over 600 x 2 cells
    // (more than 500 faces for one load)
    const model m = generate("1 1\n" + layer_text("0 600", "0 2", "0 -1", "0", "0", {solid(1000)}) +
                                 "0 0 600 2 0 0 1\n",
                             {"-X", "600", "-Y", "2", "-J", "0.1"});
    EXPECT_EQ(m.ne, 1200);
    EXPECT_EQ(m.np, 601 * 3 * 2);
    ASSERT_EQ(m.nedge, 1200);
    EXPECT_NEAR(m.face_vals[2], 1.0, 1e-5);

    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt", "1 0\n" + layer_text("0 1", "0 1", "0 -1", "0", "0", {solid(1)}));
    const run_result r =
        run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin", "-X", "2000000000", "-J", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("layer 0: x would have 2000000001 grid lines"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/m.pin"));
}
