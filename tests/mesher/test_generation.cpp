// Tests of grid lines, load-edge insertion, joint cells, materials and the written elements.
#include "mesher_test_util.h"

using namespace mesher_test;

TEST(TarnelLines, SubdivisionBelowTheJointWidthKeepsTheInterval)
{
    const float x[2] = {0.0f, 1.0f};
    const int t[1] = {3};
    std::vector<float> lines;
    std::vector<int> types;
    make_lines(x, t, 1, 4, 0.3f, 0.0f, lines, types); // 0.25 < 0.3
    EXPECT_EQ(lines, (std::vector<float>{0.0f, 1.0f}));
    EXPECT_EQ(types, (std::vector<int>{3, -1}));
    make_lines(x, t, 1, 4, 0.2f, 0.26f, lines, types); // 0.25 < -L 0.26
    EXPECT_EQ(lines.size(), 2u);
    make_lines(x, t, 1, 4, 0.2f, 0.0f, lines, types);
    EXPECT_EQ(lines, (std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f, 1.0f}));
    EXPECT_EQ(types, (std::vector<int>{3, 3, 3, 3, -1}));
}

TEST(TarnelLines, SubdividedLinesAccumulateInSinglePrecision)
{
    // Adding 0.1f seven times gives 0.70000005f, not 0.7f: the lines are sums, not products,
    // and the closing line is the input value itself.
    const float x[3] = {0.0f, 1.0f, 2.0f};
    const int t[2] = {0, 1};
    std::vector<float> lines;
    std::vector<int> types;
    make_lines(x, t, 2, 10, 0.05f, 0.0f, lines, types);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[7], 0.70000005f);
    EXPECT_EQ(lines[8], 0.8000001f);
    EXPECT_EQ(lines[10], 1.0f);
    EXPECT_EQ(lines[20], 2.0f);
    EXPECT_EQ(types[9], 0);
    EXPECT_EQ(types[10], 1);
}

TEST(TarnelLines, LoadEdgesMoveNearLinesAndInsertOtherwise)
{
    std::vector<float> lines = {0.0f, 10.0f, 20.0f};
    std::vector<int> types = {5, 6, -1};
    EXPECT_TRUE(insert_line(lines, types, 9.7f)); // 0.3 below the line at 10: moved
    EXPECT_EQ(lines, (std::vector<float>{0.0f, 9.7f, 20.0f}));
    EXPECT_EQ(types, (std::vector<int>{5, 6, -1}));
    EXPECT_TRUE(insert_line(lines, types, 19.5f)); // 0.5 below 20: inserted, splits type 6
    EXPECT_EQ(lines, (std::vector<float>{0.0f, 9.7f, 19.5f, 20.0f}));
    EXPECT_EQ(types, (std::vector<int>{5, 6, 6, -1}));
    const std::vector<float> before = lines;
    EXPECT_FALSE(insert_line(lines, types, 0.0f));  // equal to the first line
    EXPECT_FALSE(insert_line(lines, types, 20.0f)); // equal to the last line
    EXPECT_FALSE(insert_line(lines, types, 25.0f)); // outside
    EXPECT_EQ(lines, before);
}

TEST(TarnelLines, ZLinesRestartFromTheSValueAcrossLayers)
{
    const std::string dir = scratch_dir();
    // two layers, 10 and 20 thick, given with unrelated z values; -S 100 stacks them from 100
    write_text(dir + "/in.txt", "2 0\n" +
                                    layer_text("0 10", "0 10", "7 -3", "0", "0", {solid(1000)}) +
                                    layer_text("0 10", "0 10", "50 30", "0", "0", {solid(500)}));
    const run_result r = run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin", "-S", "100"});
    ASSERT_EQ(r.status, 0) << r.err;
    const model m = parse_model(read_text(dir + "/m.pin"));
    EXPECT_EQ(m.np, 12); // three planes at 100, 90, 70
    EXPECT_GE(m.node_at(10, 10, 100), 0);
    EXPECT_GE(m.node_at(0, 0, 90), 0);
    EXPECT_GE(m.node_at(0, 10, 70), 0);
}

TEST(TarnelCells, JointAcrossXSharesNodesWithBothSlabs)
{
    const std::string dir = scratch_dir();
    const std::string joint = "1000 1000 5000 0 0 0 0 0 0 0 0 2";
    write_text(dir + "/in.txt", "1 0\n" + layer_text("0 100 100.2 200", "0 50", "0 -25", "0 1 0",
                                                     "0", {solid(300000), joint}));
    const run_result r = run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin"});
    ASSERT_EQ(r.status, 0) << r.err;
    const model m = parse_model(read_text(dir + "/m.pin"));
    ASSERT_EQ(m.ne, 3);
    EXPECT_EQ(m.np, 16); // the joint adds no node of its own
    const int *left = &m.conn[0], *jnt = &m.conn[9], *right = &m.conn[18];
    EXPECT_EQ(jnt[8], 1);
    // nodes 0-3 on the face x = 100: (y1,zhi) (y0,zhi) (y0,zlo) (y1,zlo); 4-7 the same at 100.2
    const double face[4][2] = {{50, 0}, {0, 0}, {0, -25}, {50, -25}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(jnt[k], m.node_at(100, face[k][0], face[k][1])) << k;
        EXPECT_EQ(jnt[k + 4], m.node_at(100.2, face[k][0], face[k][1])) << k;
    }
    // left slab corners 1, 2, 5, 6 lie at x = 100; right slab corners 0, 3, 4, 7 at x = 100.2
    EXPECT_EQ(jnt[0], left[6]);
    EXPECT_EQ(jnt[1], left[5]);
    EXPECT_EQ(jnt[2], left[1]);
    EXPECT_EQ(jnt[3], left[2]);
    EXPECT_EQ(jnt[4], right[7]);
    EXPECT_EQ(jnt[5], right[4]);
    EXPECT_EQ(jnt[6], right[0]);
    EXPECT_EQ(jnt[7], right[3]);
    // ordinary order: 0-3 at the lower z counter-clockwise from (xa, ya), 4-7 above them
    EXPECT_EQ(left[0], m.node_at(0, 0, -25));
    EXPECT_EQ(left[1], m.node_at(100, 0, -25));
    EXPECT_EQ(left[2], m.node_at(100, 50, -25));
    EXPECT_EQ(left[3], m.node_at(0, 50, -25));
    EXPECT_EQ(left[4], m.node_at(0, 0, 0));
}

TEST(TarnelCells, JointAcrossYAndACrossingWithoutElement)
{
    const std::string dir = scratch_dir();
    const std::string joint = "1000 1000 5000 0 0 0 0 0 0 0 0 2";
    // types: slab cells 0 + 0, strips 1 + 0 or 0 + 1, crossing 1 + 1 (also the joint material)
    write_text(dir + "/in.txt",
               "1 0\n" + layer_text("0 100 100.2 200", "0 80 80.25 160", "0 -25", "0 1 0", "0 1 0",
                                    {solid(300000), joint, joint}));
    const run_result r = run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin"});
    ASSERT_EQ(r.status, 0) << r.err;
    const model m = parse_model(read_text(dir + "/m.pin"));
    EXPECT_EQ(m.nm, 2); // the two equal joint records are one material
    ASSERT_EQ(m.ne, 8); // 4 slabs + 4 joint strips; the crossing cell makes nothing
    // second element (x from 100 to 100.2, y from 0 to 80) is narrow in x; the fourth
    // (x from 0 to 100, y from 80 to 80.25) is narrow in y: nodes 0-3 on y = 80
    const int *jy = &m.conn[3 * 9];
    const double face[4][2] = {{0, 0}, {100, 0}, {100, -25}, {0, -25}}; // (x, z)
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(jy[k], m.node_at(face[k][0], 80, face[k][1])) << k;
        EXPECT_EQ(jy[k + 4], m.node_at(face[k][0], 80.25, face[k][1])) << k;
    }
}

TEST(TarnelCells, NoElementForZeroModulusAndJointLayerSkipsStrips)
{
    const std::string dir = scratch_dir();
    // a joint layer (type 1.05) of zero thickness under a slab with a void cell (E = 0)
    const std::string interface_joint = "500 500 800 0 0 0 0 0 0 0 0 1.05";
    write_text(dir + "/in.txt", "2 0\n" +
                                    layer_text("0 100 100.2 200", "0 50", "0 -25", "0 1 0", "0",
                                               {solid(300000), solid(0)}) +
                                    layer_text("0 100 100.2 200", "0 50", "-25 -25", "0 0 0", "0",
                                               {interface_joint}));
    const run_result r = run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin", "-Z", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    const model m = parse_model(read_text(dir + "/m.pin"));
    // slab: 2 cells x 3 z subdivisions, void strip none; joint layer: 2 cells, one z line pair
    EXPECT_EQ(m.ne, 8);
    EXPECT_EQ(m.nm, 3);
    EXPECT_EQ(m.conn[6 * 9 + 8], 2);
}

TEST(TarnelMaterials, EqualRecordsAcrossLayersShareOneNumber)
{
    tarnel_run run;
    float a[12] = {300000, 0.15f, 0.0024f, 1e-5f, 0, 0, 0, 0, 0, 0, 0, 0};
    float b[12];
    std::copy(a, a + 12, b);
    b[0] = 300020;   // within 0.0001 relative
    b[9] = 0.00009f; // stored 0: within 0.0001 absolute
    EXPECT_EQ(add_material(run, a), 0);
    EXPECT_EQ(add_material(run, b), 0);
    b[0] = 300040; // beyond
    EXPECT_EQ(add_material(run, b), 1);
    b[0] = 300000;
    b[9] = 0.00011f;
    EXPECT_EQ(add_material(run, b), 2);
    EXPECT_EQ(add_material(run, a), 0);
    EXPECT_EQ(run.nm, 3);

    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt",
               "2 0\n" + layer_text("0 10", "0 10", "0 -5", "0", "0", {solid(1000)}) +
                   layer_text("0 10", "0 10", "-5 -10", "0", "0", {solid(700), solid(1000)}));
    ASSERT_EQ(run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin"}).status, 0);
    const model m = parse_model(read_text(dir + "/m.pin"));
    EXPECT_EQ(m.nm, 2);
    EXPECT_EQ(m.conn[8], 0);
    EXPECT_EQ(m.conn[9 + 8], 1);
}
