// The brick with incompatible modes: condensation, Taylor's correction, pure bending, pivoted
// inverse.
#include "dense.h"
#include "incompatible.h"
#include "solid.h"
#include "test_util.h"

#include <cmath>

static const double g[2] = {-0.57735027, 0.57735027};
static const double w[2] = {1.0, 1.0};

// A brick of size lx x ly x lz centred at the origin, node k at the corner of
// its natural coordinates; `skew` moves node 6 to distort it.
static void box(double lx, double ly, double lz, double skew, double *xyz)
{
    for (int k = 0; k < 8; ++k) {
        xyz[3 * k] = node_xi[k] * lx / 2;
        xyz[3 * k + 1] = node_eta[k] * ly / 2;
        xyz[3 * k + 2] = node_zeta[k] * lz / 2;
    }
    xyz[3 * 6] += skew;
    xyz[3 * 6 + 1] -= 0.5 * skew;
    xyz[3 * 6 + 2] += 0.3 * skew;
}

// 1/2 u^T K u
static double energy(const double *k, const double *u)
{
    double ku[24];
    mat_mult(k, u, ku, 24, 24, 1);
    double s = 0.0;
    for (int r = 0; r < 24; ++r) s += u[r] * ku[r];
    return s / 2;
}

TEST(Incompatible, CondensedMatrixIsSymmetricAndFreeOfRigidModesOnADistortedBrick)
{
    double xyz[24], d[36], ek[576];
    box(2.0, 1.5, 1.0, 0.35, xyz);
    const double mat[12] = {3.0e4, 0.2};
    make_d(mat, d);
    testing::internal::CaptureStdout();
    EXPECT_EQ(incompatible_stiffness(d, xyz, g, w, ek), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); // no symmetry or Jacobian lines
    for (int r = 0; r < 24; ++r)
        for (int c = 0; c < r; ++c) EXPECT_NEAR(ek[24 * r + c], ek[24 * c + r], 1e-9 * 3e4);
    // translations and small rotations give no force
    for (int mode = 0; mode < 6; ++mode) {
        double u[24], f[24];
        for (int k = 0; k < 8; ++k) {
            const double *x = &xyz[3 * k];
            double *uk = &u[3 * k];
            uk[0] = uk[1] = uk[2] = 0.0;
            if (mode < 3) uk[mode] = 1.0;
            if (mode == 3) uk[1] = -x[2], uk[2] = x[1]; // about x
            if (mode == 4) uk[0] = x[2], uk[2] = -x[0]; // about y
            if (mode == 5) uk[0] = -x[1], uk[1] = x[0]; // about z
        }
        mat_mult(ek, u, f, 24, 24, 1);
        for (int r = 0; r < 24; ++r) EXPECT_NEAR(f[r], 0.0, 1e-8 * 3e4) << "mode " << mode;
    }
}

TEST(Incompatible, TaylorsCorrectionDecouplesTheModesFromEveryLinearField)
{
    // the patch test of one element: K_au u = 0 for u = G x on any shape, so the
    // modes stay zero and constant strain is exact
    double xyz[24], d[36];
    box(1.0, 2.0, 0.8, 0.4, xyz);
    const double mat[12] = {1000.0, 0.3};
    make_d(mat, d);
    mode_coupling mc;
    mode_coupling_matrices(d, xyz, g, w, mc);
    ASSERT_EQ(mc.active, 1);
    const double grad[9] = {1e-3, 2e-3, -1e-3, 0.5e-3, -2e-3, 1e-3, 3e-3, 0.0, 1.5e-3};
    double u[24], alpha[9];
    for (int k = 0; k < 8; ++k)
        for (int r = 0; r < 3; ++r)
            u[3 * k + r] = grad[3 * r] * xyz[3 * k] + grad[3 * r + 1] * xyz[3 * k + 1] +
                           grad[3 * r + 2] * xyz[3 * k + 2];
    recover_modes(mc, nullptr, u, alpha);
    for (double a : alpha) EXPECT_NEAR(a, 0.0, 1e-15);
}

TEST(Incompatible, PureBendingIsExactWhereThePlainBrickLocks)
{
    // a cube of side L (nu = 0) bent by u_x = -kappa x z, u_z = kappa x^2 / 2 at
    // its nodes: exact energy E kappa^2 (b h^3 / 12) L / 2. The plain brick adds
    // the parasitic shear of gamma_xz = -kappa x: 1 + (L / h)^2 / 2 times that.
    const double len = 2.0, e = 100.0, kappa = 1e-3;
    double xyz[24], d[36], k_plain[576], k_modes[576], u[24];
    box(len, len, len, 0.0, xyz);
    const double mat[12] = {e, 0.0};
    make_d(mat, d);
    solid_stiffness(d, xyz, g, w, k_plain);
    mode_coupling mc;
    incompatible_stiffness(d, xyz, g, w, k_modes, &mc);
    for (int k = 0; k < 8; ++k) {
        const double x = xyz[3 * k], z = xyz[3 * k + 2];
        u[3 * k] = -kappa * x * z;
        u[3 * k + 1] = 0.0;
        u[3 * k + 2] = kappa * x * x / 2;
    }
    const double exact = e * kappa * kappa * (len * len * len * len / 12) * len / 2;
    // (to the 8 digits of the Gauss abscissa)
    EXPECT_NEAR(energy(k_modes, u), exact, 1e-7 * exact);
    EXPECT_NEAR(energy(k_plain, u), exact * 1.5, 1e-6 * exact);
    // the recovered modes give the exact bending strain at the nodes: -kappa z
    double alpha[9], n[8], dn[24], dg[24], b[144], ga[9], ba[54], det;
    recover_modes(mc, nullptr, u, alpha);
    for (int k = 0; k < 8; ++k) {
        shape_functions(node_xi[k], node_eta[k], node_zeta[k], n, dn);
        ASSERT_TRUE(jacobian(dn, xyz, dg, &det));
        double strain[6], ea[6];
        make_b(dg, b);
        mat_mult(b, u, strain, 6, 24, 1);
        mode_gradients(mc.inv0, node_xi[k], node_eta[k], node_zeta[k], ga);
        make_b_modes(ga, ba);
        mat_mult(ba, alpha, ea, 6, 9, 1);
        vec_axpy(strain, mc.det0 / det, ea, 6);
        const double expect[6] = {-kappa * xyz[3 * k + 2], 0, 0, 0, 0, 0};
        expect_arrays_close(6, expect, strain, 1e-7, 1e-9);
    }
}

TEST(Incompatible, PivotedInverseNeedsNoNonZeroDiagonalAndRefusesSingularMatrices)
{
    // [[0 2 0], [1 0 0], [0 0 4]]: its inverse is [[0 1 0], [0.5 0 0], [0 0 0.25]]
    double a[9] = {0, 2, 0, 1, 0, 0, 0, 0, 4};
    ASSERT_EQ(invert_pivoted(a, 3), 1);
    const double inv[9] = {0, 1, 0, 0.5, 0, 0, 0, 0, 0.25};
    expect_arrays_close(9, inv, a, 1e-15, 1e-15);
    double singular[4] = {1, 2, 2, 4};
    EXPECT_EQ(invert_pivoted(singular, 2), 0);
}
