// Joint element: frame, gap zone, normal spring law and the facing-node stiffness.
#include "dense.h"
#include "joint.h"
#include "solid.h"
#include "test_util.h"

#include <cmath>

static const double g[2] = {-0.57735027, 0.57735027};
static const double w[2] = {1.0, 1.0};

TEST(Joint, NormalSpringLaw)
{
    EXPECT_EQ(joint_normal_stiffness(5.0, 1.0, 0.0, 1000.0), 1000.0); // linear
    EXPECT_EQ(joint_normal_stiffness(5.0, 2.0, 0.0, 1000.0), 1000.0);
    EXPECT_NEAR(joint_normal_stiffness(0.25, 0.5, 0.0, 1000.0), 500.0, 1e-9);
    EXPECT_EQ(joint_normal_stiffness(0.5, 0.5, 0.0, 1000.0), 0.0);
    EXPECT_EQ(joint_normal_stiffness(0.6, 0.5, 0.0, 1000.0), 0.0);
    EXPECT_EQ(joint_normal_stiffness(-0.1, 0.5, 0.0, 1000.0), 1000.0);
    EXPECT_EQ(joint_normal_stiffness(0.005, 0.5, 10.0, 1000.0), 1000.0);
    EXPECT_NEAR(joint_normal_stiffness(0.1, 0.5, 10.0, 1000.0), 100.0, 1e-12);
    EXPECT_NEAR(joint_normal_stiffness(0.375, 0.5, 10.0, 1000.0), (10 / 0.375) * 0.5, 1e-12);
}

TEST(Joint, GapZones)
{
    EXPECT_NEAR(gap_zone(0.2, 50, 0, 0, 0, 0, 10), 0.2, 1e-15);
    EXPECT_NEAR(gap_zone(0.2, 50, 0, 0, 15, 20, 10), 0.1, 1e-15);
    EXPECT_EQ(gap_zone(0.2, 50, 0, 0, 40, 40, 10), 0.0);
    EXPECT_NEAR(gap_zone(-0.2, 50, 0, 0, 30, 30, 10), 0.2, 1e-15);
    EXPECT_EQ(gap_zone(0.2, 50, 0, 0, 0, 0, 1), 0.0);
    EXPECT_EQ(gap_zone(0.2, 50, 0, 0, 0, 0, 2), 0.0);
    EXPECT_EQ(gap_zone(0.2, 10, 0, 0, 10, 0, 11), 0.0); // square edge excluded
    EXPECT_NEAR(gap_zone(0.2, 10, 0, 0, 5, 2, 11), 0.1, 1e-15);
    EXPECT_NEAR(gap_zone(0.2, 10, 1, 0, 6, 99, 12), 0.1, 1e-15);
    EXPECT_NEAR(gap_zone(0.2, 10, 0, 1, 99, 6, 13), 0.1, 1e-15);
}

TEST(Joint, FrameOfCounterClockwiseTopFaceIsIdentity)
{
    const double xyz[12] = {0, 0, 5, 2, 0, 5, 2, 3, 5, 0, 3, 5};
    double t[144];
    joint_frame(xyz, 4, t);
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) EXPECT_NEAR(t[12 * r + c], r == c ? 1.0 : 0.0, 1e-15);
    // a face in the plane x = 0 running along +y then +z: e1 = y, e2 = z, e3 = x
    const double side[9] = {0, 0, 0, 0, 1, 0, 0, 1, 1};
    double t3[81];
    joint_frame(side, 3, t3);
    EXPECT_NEAR(t3[0 * 9 + 1], 1.0, 1e-15);
    EXPECT_NEAR(t3[1 * 9 + 2], 1.0, 1e-15);
    EXPECT_NEAR(t3[2 * 9 + 0], 1.0, 1e-15);
    // coincident nodes: all zero
    const double bad[9] = {1, 1, 1, 1, 1, 1, 2, 2, 2};
    joint_frame(bad, 3, t3);
    for (double v : t3) EXPECT_EQ(v, 0.0);
}

// Zero-thickness joint over the rectangle [0,a] x [0,b] at z = 1.
static void flat_joint(double a, double b, double *xyz)
{
    const double x[4] = {0, a, a, 0}, y[4] = {0, 0, b, b};
    for (int k = 0; k < 8; ++k) {
        xyz[3 * k] = x[k % 4];
        xyz[3 * k + 1] = y[k % 4];
        xyz[3 * k + 2] = 1.0;
    }
}

TEST(Joint, FacingPairStiffnessIsKnTimesSumOfSquaredShapeFunctions)
{
    const double a = 2.0, b = 3.0, kn = 900.0, kt = 90.0;
    double xyz[24], u[24], kg[576];
    flat_joint(a, b, xyz);
    vec_zero(u, 24);
    const double mat[12] = {kt, kt, kn, 0, 0, 1.0, 0, 0, 0, 0, 0, 1};
    testing::internal::CaptureStdout();
    joint_stiffness(xyz, u, mat, g, w, kg);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    // sum over the four points of N_m^2 dA, N_m = half the face function at
    // the point, dA = |t_xi x t_eta| = a*b/4 (weights 1): every corner sees
    // the face function values (1+g)^2/4, (1-g^2)/4 twice, (1-g)^2/4.
    const double gg = 0.57735027;
    const double f1 = (1 + gg) * (1 + gg) / 4, f2 = (1 - gg * gg) / 4, f3 = (1 - gg) * (1 - gg) / 4;
    const double sum_n2 = 0.25 * (f1 * f1 + 2 * f2 * f2 + f3 * f3) * (a * b / 4);
    EXPECT_NEAR(sum_n2, a * b / 36, 1e-7);
    for (int m = 0; m < 4; ++m) {
        EXPECT_NEAR(kg[(3 * m + 2) * 24 + 3 * m + 2], kn * sum_n2, 1e-9);
        EXPECT_NEAR(kg[(3 * m + 2) * 24 + 3 * (m + 4) + 2], -kn * sum_n2, 1e-9);
        EXPECT_NEAR(kg[(3 * m) * 24 + 3 * m], kt * sum_n2, 1e-9);
        EXPECT_NEAR(kg[(3 * (m + 4) + 1) * 24 + 3 * m + 1], -kt * sum_n2, 1e-9);
    }
    // corners that do not face each other are not coupled
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) {
            if (i == j || i == j + 4 || j == i + 4) continue;
            for (int k = 0; k < 3; ++k)
                for (int l = 0; l < 3; ++l) EXPECT_EQ(kg[(3 * i + k) * 24 + 3 * j + l], 0.0);
        }
}

TEST(Joint, OpenedJointWithSofteningCarriesNothing)
{
    double xyz[24], u[24], kg[576];
    flat_joint(1.0, 1.0, xyz);
    vec_zero(u, 24);
    for (int k = 4; k < 8; ++k) u[3 * k + 2] = 0.2; // opening 0.2 everywhere
    const double mat[12] = {50, 50, 500, 0, 0, 0.1, 0, 0, 0, 0, 0, 1};
    joint_stiffness(xyz, u, mat, g, w, kg);
    for (double v : kg) EXPECT_EQ(v, 0.0);
    // pressed together: full stiffness again
    for (int k = 4; k < 8; ++k) u[3 * k + 2] = -0.2;
    joint_stiffness(xyz, u, mat, g, w, kg);
    EXPECT_NEAR(kg[2 * 24 + 2], 500.0 / 36, 1e-6);
}
