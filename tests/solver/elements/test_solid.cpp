// Solid element: shape functions, Jacobian, D, stiffness properties on hand-checkable bricks.
#include "dense.h"
#include "solid.h"
#include "test_util.h"

#include <cmath>
#include <string>

static const double g[2] = {-0.57735027, 0.57735027};
static const double w[2] = {1.0, 1.0};

// Unit cube with node k at ((1 + xi_k)/2, (1 + eta_k)/2, (1 + zeta_k)/2).
static void unit_cube(double *xyz)
{
    for (int k = 0; k < 8; ++k) {
        xyz[3 * k] = (1 + node_xi[k]) / 2;
        xyz[3 * k + 1] = (1 + node_eta[k]) / 2;
        xyz[3 * k + 2] = (1 + node_zeta[k]) / 2;
    }
}

TEST(Solid, ShapeFunctionsArePartitionOfUnityAndNodal)
{
    double n[8], dn[24];
    shape_functions(0.3, -0.2, 0.7, n, dn);
    double s = 0, sd[3] = {0, 0, 0};
    for (int k = 0; k < 8; ++k) {
        s += n[k];
        for (int r = 0; r < 3; ++r) sd[r] += dn[8 * r + k];
    }
    EXPECT_NEAR(s, 1.0, 1e-15);
    for (double v : sd) EXPECT_NEAR(v, 0.0, 1e-15);
    for (int k = 0; k < 8; ++k) {
        shape_functions(node_xi[k], node_eta[k], node_zeta[k], n, dn);
        for (int m = 0; m < 8; ++m) EXPECT_DOUBLE_EQ(n[m], m == k ? 1.0 : 0.0);
    }
}

TEST(Solid, UnitCubeJacobianIsHalfIdentity)
{
    double xyz[24], n[8], dn[24], dg[24], det = 0;
    unit_cube(xyz);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) {
                shape_functions(g[i], g[j], g[k], n, dn);
                ASSERT_EQ(jacobian(dn, xyz, dg, &det), 1);
                EXPECT_NEAR(det, 0.125, 1e-15);
                // J = 0.5 I, so the global derivatives are twice the natural ones
                for (int r = 0; r < 24; ++r) EXPECT_NEAR(dg[r], 2 * dn[r], 1e-15);
                double normal[3];
                EXPECT_NEAR(face_normal(xyz, dn, normal), 0.25, 1e-15);
                EXPECT_NEAR(normal[2], 0.25, 1e-15);
            }
}

TEST(Solid, ElasticMatrixForZeroPoisson)
{
    const double mat[12] = {200.0, 0.0};
    double d[36];
    make_d(mat, d);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) {
            const double expect = r == c ? (r < 3 ? 200.0 : 100.0) : 0.0;
            EXPECT_DOUBLE_EQ(d[6 * r + c], expect) << r << "," << c;
        }
    const double mat2[12] = {1.0, 0.25};
    make_d(mat2, d);
    // lambda' = 0.25/(1.25*0.5) = 0.4, d = 0.75/0.625 = 1.2, G = 0.4
    EXPECT_NEAR(d[0], 1.2, 1e-15);
    EXPECT_NEAR(d[1], 0.4, 1e-15);
    EXPECT_NEAR(d[21], 0.4, 1e-15);
}

// Reference: the triple product B^T D B summed over the eight points.
static void reference_stiffness(const double *d, const double *xyz, double *ek)
{
    double n[8], dn[24], dg[24], b[144], db[144], p[576], det;
    vec_zero(ek, 576);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) {
                shape_functions(g[i], g[j], g[k], n, dn);
                jacobian(dn, xyz, dg, &det);
                make_b(dg, b);
                mat_mult(d, b, db, 6, 6, 24);
                mat_tmult(b, db, p, 6, 24, 24);
                vec_axpy(ek, det, p, 576);
            }
}

TEST(Solid, StiffnessEqualsTripleProductAndIsSymmetric)
{
    // a sheared, stretched brick
    double xyz[24];
    unit_cube(xyz);
    for (int k = 0; k < 8; ++k) {
        xyz[3 * k] = 2.0 * xyz[3 * k] + 0.3 * xyz[3 * k + 2];
        xyz[3 * k + 1] = 1.5 * xyz[3 * k + 1] + 0.1 * xyz[3 * k];
        xyz[3 * k + 2] = 0.8 * xyz[3 * k + 2];
    }
    const double mat[12] = {3.0e4, 0.2};
    double d[36], ek[576], ref[576];
    make_d(mat, d);
    testing::internal::CaptureStdout();
    EXPECT_EQ(solid_stiffness(d, xyz, g, w, ek), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    reference_stiffness(d, xyz, ref);
    expect_arrays_close(576, ref, ek, 1e-12, 1e-13);
    for (int r = 0; r < 24; ++r)
        for (int c = 0; c < 24; ++c) EXPECT_NEAR(ek[24 * r + c], ek[24 * c + r], 1e-9);
}

TEST(Solid, RigidBodyMotionsGiveNoForce)
{
    double xyz[24];
    unit_cube(xyz);
    xyz[3 * 6] += 0.2; // not a box any more
    const double mat[12] = {1000.0, 0.3};
    double d[36], ek[576];
    make_d(mat, d);
    solid_stiffness(d, xyz, g, w, ek);
    double u[24], f[24];
    for (int mode = 0; mode < 6; ++mode) {
        for (int k = 0; k < 8; ++k) {
            const double *x = &xyz[3 * k];
            double *uk = &u[3 * k];
            uk[0] = uk[1] = uk[2] = 0;
            if (mode < 3) {
                uk[mode] = 1.0; // translation
            } else {
                // small rotation about axis mode-3: u = e x x
                const double e[3] = {mode == 3 ? 1.0 : 0.0, mode == 4 ? 1.0 : 0.0,
                                     mode == 5 ? 1.0 : 0.0};
                uk[0] = e[1] * x[2] - e[2] * x[1];
                uk[1] = e[2] * x[0] - e[0] * x[2];
                uk[2] = e[0] * x[1] - e[1] * x[0];
            }
        }
        mat_mult(ek, u, f, 24, 24, 1);
        for (int r = 0; r < 24; ++r)
            EXPECT_NEAR(f[r], 0.0, 1e-9) << "mode " << mode << " row " << r;
    }
}

TEST(Solid, ZeroModulusGivesZeroMatrixSilently)
{
    double xyz[24], d[36], ek[576];
    unit_cube(xyz);
    const double mat[12] = {0.0, 0.2};
    make_d(mat, d);
    testing::internal::CaptureStdout();
    solid_stiffness(d, xyz, g, w, ek);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (double v : ek) EXPECT_EQ(v, 0.0);
}

TEST(Solid, ClockwiseElementReportsEveryPointAndAddsNothing)
{
    // nodes 0-3 clockwise seen from +z: swap nodes 1<->3 and 5<->7
    double xyz[24], cw[24];
    unit_cube(xyz);
    const int order[8] = {0, 3, 2, 1, 4, 7, 6, 5};
    for (int k = 0; k < 8; ++k)
        for (int c = 0; c < 3; ++c) cw[3 * k + c] = xyz[3 * order[k] + c];
    const double mat[12] = {1000.0, 0.3};
    double d[36], ek[576];
    make_d(mat, d);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(solid_stiffness(d, cw, g, w, ek), 8);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    std::string expect_out, expect_err;
    for (int p = 0; p < 8; ++p) {
        expect_out += "\n !!! Negative value of determinant of jacobian !!!\n";
        expect_err += "Error occurs at element";
    }
    EXPECT_EQ(out, expect_out);
    EXPECT_EQ(err, expect_err);
    for (double v : ek) EXPECT_EQ(v, 0.0); // undefined derivatives contribute nothing
}

TEST(Solid, CheckSymmetryPrintsOffendingPairs)
{
    double a[9] = {1, 2, 3, 2, 1, 0, 3.5, 0, 1};
    testing::internal::CaptureStdout();
    check_symmetry("make_ek", a, 3, 0.001);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "make_ek : i=0 j=2 err=-0.500000\n");
}

TEST(Solid, GatherNodes)
{
    const int nodes[2] = {2, 0};
    const double vals[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    double out[6];
    gather_nodes(nodes, vals, 2, out);
    const double expect[6] = {7, 8, 9, 1, 2, 3};
    expect_arrays_close(6, expect, out, 0.0, 0.0);
}
