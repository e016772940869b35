// Row-slot matrix: pattern order, planned assembly, no lost entries, compaction, products, flags.
#include "global_matrix.h"
#include "solid.h"
#include "test_util.h"

#include <string>
#include <vector>

// Two unit bricks side by side along x: nodes 0..11, element 1 shares face 1-2-6-5.
static void two_bricks(corvane_model &m, int bw)
{
    m.np = 12;
    m.nn = 36;
    m.ne = 2;
    m.nm = 1;
    m.bw = bw;
    m.coords.clear();
    for (int layer = 0; layer < 2; ++layer)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 3; ++i) {
                m.coords.push_back(i);
                m.coords.push_back(j);
                m.coords.push_back(layer);
            }
    // node number = 6*layer + 3*j + i
    m.conn = {0, 1, 4, 3, 6, 7, 10, 9, 0, 1, 2, 5, 4, 7, 8, 11, 10, 0};
    m.mats.assign(12, 0.0);
    m.mats[0] = 1000.0;
    m.mats[1] = 0.25;
    m.disp.assign(m.nn, 0.0);
}

static std::vector<double> dense_of(const row_slot_matrix &a)
{
    std::vector<double> k(static_cast<std::size_t>(a.nn) * a.nn, 0.0);
    for (int i = 0; i < a.nn; ++i)
        for (int s = 0; s < a.row_count[i]; ++s)
            k[static_cast<std::size_t>(i) * a.nn + a.JENDEX[a.row_start[i] + s]] +=
                a.values[a.row_start[i] + s];
    return k;
}

TEST(GlobalMatrix, AssemblyMatchesDenseSumOfElementMatrices)
{
    corvane_model m;
    two_bricks(m, 150);
    const int kind[2] = {couples_all, couples_all};
    build_pattern(m, kind);
    build_stiffness(m);
    compact_rows(m.matrix);
    std::vector<double> expect(36 * 36, 0.0);
    double d[36], xyz[24], ek[576];
    make_d(m.mats.data(), d);
    for (int e = 0; e < 2; ++e) {
        gather_nodes(&m.conn[9 * e], m.coords.data(), 8, xyz);
        solid_stiffness(d, xyz, m.gauss_point, m.gauss_weight, ek);
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 8; ++j)
                for (int k = 0; k < 3; ++k)
                    for (int l = 0; l < 3; ++l)
                        expect[(3 * m.conn[9 * e + i] + k) * 36 + 3 * m.conn[9 * e + j] + l] +=
                            ek[(3 * i + k) * 24 + 3 * j + l];
    }
    const std::vector<double> got = dense_of(m.matrix);
    expect_arrays_close(expect.size(), expect, got, 1e-13, 1e-13);
    // y = A x against the dense product
    std::vector<double> x(36), y(36);
    for (int i = 0; i < 36; ++i) x[i] = 0.1 * i - 1.0;
    matrix_vector(y.data(), m.matrix, x.data());
    for (int i = 0; i < 36; ++i) {
        double s = 0;
        for (int j = 0; j < 36; ++j) s += expect[i * 36 + j] * x[j];
        EXPECT_NEAR(y[i], s, 1e-9);
    }
    EXPECT_EQ(check_diagonal(m.matrix), 0);
}

TEST(GlobalMatrix, ColumnsInFirstAssembledOrder)
{
    corvane_model m;
    two_bricks(m, 150);
    const int kind[2] = {couples_all, couples_all};
    build_pattern(m, kind);
    // node 1 is node 1 of element 0 and node 0 of element 1: its neighbours are
    // element 0's nodes in element order, then element 1's new nodes
    const int expect_nodes[12] = {0, 1, 4, 3, 6, 7, 10, 9, 2, 5, 8, 11};
    const row_slot_matrix &a = m.matrix;
    for (int k = 0; k < 3; ++k) {
        const int row = 3 * 1 + k;
        ASSERT_EQ(a.row_count[row], 36);
        for (int p = 0; p < 12; ++p)
            for (int l = 0; l < 3; ++l)
                EXPECT_EQ(a.JENDEX[a.row_start[row] + 3 * p + l], 3 * expect_nodes[p] + l);
    }
    EXPECT_EQ(a.row_count[0], 24); // node 0 belongs to element 0 only
}

TEST(GlobalMatrix, FullRowsWarnButKeepEveryContribution)
{
    corvane_model m;
    two_bricks(m, 24);
    const int kind[2] = {couples_all, couples_all};
    testing::internal::CaptureStderr();
    build_pattern(m, kind);
    const std::string err = testing::internal::GetCapturedStderr();
    // node 0 needs exactly 24 slots (last slot reached), node 1 needs 36 (row full)
    EXPECT_NE(err.find("\nWarning!! Possibly out of JENDEX kik=   0 jx=  23"), std::string::npos);
    EXPECT_NE(err.find("\nWarning!! Possibly out of JENDEX kik=   3 jx=  24"), std::string::npos);
    build_stiffness(m);
    compact_rows(m.matrix);
    corvane_model roomy;
    two_bricks(roomy, 150);
    build_pattern(roomy, kind);
    build_stiffness(roomy);
    compact_rows(roomy.matrix);
    const std::vector<double> a = dense_of(m.matrix), b = dense_of(roomy.matrix);
    expect_arrays_close(a.size(), b, a, 0.0, 0.0);
}

TEST(GlobalMatrix, CompactRowsMovesCancelledEntriesBehind)
{
    row_slot_matrix a;
    a.nn = 1;
    a.row_start = {0, 5};
    a.row_count = {5};
    a.row_moved = {0};
    a.values = {1.0, 0.0, 2.0, 0.0, 3.0};
    a.JENDEX = {4, 7, 0, 9, 2};
    compact_rows(a);
    EXPECT_EQ(a.row_count[0], 3);
    EXPECT_EQ(a.values, (std::vector<double>{1.0, 2.0, 3.0, 0.0, 0.0}));
    EXPECT_EQ(a.JENDEX[0], 4);
    EXPECT_EQ(a.JENDEX[1], 0);
    EXPECT_EQ(a.JENDEX[2], 2);
    // the product ignores the slots behind the count
    double x[10] = {1, 1, 10, 1, 100, 1, 1, 1, 1, 1}, y[1];
    matrix_vector(y, a, x);
    EXPECT_EQ(y[0], 100.0 + 2.0 + 30.0);
}

TEST(GlobalMatrix, JointCouplesOnlyFacingNodesAndRebuildRestoresCompactedRows)
{
    // brick 0, then a zero-thickness joint on its top face to a second brick
    corvane_model m;
    m.np = 16;
    m.nn = 48;
    m.ne = 3;
    m.nm = 2;
    m.bw = 150;
    const double x[4] = {0, 1, 1, 0}, y[4] = {0, 0, 1, 1}, z[4] = {0, 1, 1, 2};
    for (int level = 0; level < 4; ++level)
        for (int k = 0; k < 4; ++k) {
            m.coords.push_back(x[k]);
            m.coords.push_back(y[k]);
            m.coords.push_back(z[level]);
        }
    m.conn = {0, 1,  2,  3, 4, 5, 6,  7,  0,  4,  5,  6,  7, 8,
              9, 10, 11, 1, 8, 9, 10, 11, 12, 13, 14, 15, 0};
    m.mats.assign(24, 0.0);
    m.mats[0] = 1000;
    m.mats[1] = 0.2;
    const double joint[12] = {10, 10, 100, 0, 0, 0.01, 0, 0, 0, 0, 0, 1};
    std::copy(joint, joint + 12, m.mats.begin() + 12);
    m.disp.assign(48, 0.0);
    const int kind[3] = {couples_all, couples_facing, couples_all};
    build_pattern(m, kind);
    // node 4 (joint node 0): brick 0's 8 nodes, then its facing joint partner 8
    EXPECT_EQ(m.matrix.row_count[12], 27);
    build_stiffness(m);
    compact_rows(m.matrix);
    const std::vector<double> closed = dense_of(m.matrix);
    EXPECT_NEAR(closed[(3 * 4 + 2) * 48 + 3 * 8 + 2], -100.0 / 36, 1e-6);
    // open the joint past its limit: the joint adds nothing, its slots are
    // compacted away, and a later closed state brings them back
    for (int n = 8; n < 16; ++n) m.disp[3 * n + 2] = 0.05;
    build_stiffness(m);
    compact_rows(m.matrix);
    EXPECT_EQ(m.matrix.row_count[3 * 8 + 2], 24);
    EXPECT_EQ(dense_of(m.matrix)[(3 * 4 + 2) * 48 + 3 * 8 + 2], 0.0);
    std::fill(m.disp.begin(), m.disp.end(), 0.0);
    build_stiffness(m);
    compact_rows(m.matrix);
    const std::vector<double> again = dense_of(m.matrix);
    expect_arrays_close(again.size(), closed, again, 0.0, 0.0);
}

TEST(GlobalMatrix, CheckDiagonalReportsNonPositiveRows)
{
    row_slot_matrix a;
    a.nn = 2;
    a.row_start = {0, 2, 4};
    a.row_count = {2, 2};
    a.row_moved = {0, 0};
    a.values = {4.0, 1.0, 1.0, -2.0};
    a.JENDEX = {0, 1, 0, 1};
    testing::internal::CaptureStdout();
    EXPECT_EQ(check_diagonal(a), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "i=1 j=1 ja=1 tk=-2.000000\n");
}

TEST(GlobalMatrix, LaterBoundaryRecordWins)
{
    corvane_model m;
    m.np = 2;
    m.nn = 6;
    m.nb = 2;
    m.bc = {1, 1, 0, 1, 1, 0, 2, 0};
    set_fixed_flags(m);
    EXPECT_EQ(m.fixed, (std::vector<int>{0, 0, 0, 0, 2, 0}));
}

TEST(GlobalMatrix, AssembleFe)
{
    double global[9] = {0};
    const double el[6] = {1, 2, 3, 4, 5, 6};
    const int nodes[2] = {2, 0};
    assemble_fe(global, el, 2.0, nodes, 2, 3);
    const double expect[9] = {8, 10, 12, 0, 0, 0, 2, 4, 6};
    expect_arrays_close(9, expect, global, 0.0, 0.0);
}
