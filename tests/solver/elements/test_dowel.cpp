// Tests of the dowel bar element: link matrices, inversion, point map, half-length functions.
#include "dowel.h"
#include "test_util.h"

#include <cmath>
#include <vector>

namespace
{

constexpr int nl = 12;

// A typical bar in cm and kgf: d = 3.2, L = 45, E = 2.04e6, K = 41500.
std::vector<double> typical_bar(double w = 0.6, double d = 3.2, double e = 2.04e6)
{
    std::vector<double> m(12, 0.0);
    m[dowel_young] = e;
    m[dowel_poisson] = 0.3;
    m[dowel_width] = w;
    m[dowel_diam] = d;
    m[dowel_length] = 45.0;
    m[dowel_support] = 41500.0;
    return m;
}

// Symmetry judged against the largest entry of the matrix.
void expect_symmetric(const double *a, int n, double rel)
{
    double largest = 0.0;
    for (int i = 0; i < n * n; ++i) largest = std::max(largest, std::fabs(a[i]));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j)
            EXPECT_NEAR(a[i * n + j], a[j * n + i], rel * largest)
                << "at (" << i << ", " << j << ")";
}

double beta_of(const std::vector<double> &m)
{
    const double d = m[dowel_diam];
    const double ei = m[dowel_young] * 0.04909 * d * d * d * d;
    return std::pow(0.25 * m[dowel_support] * d / ei, 0.25);
}

} // namespace

TEST(DowelInvert, InvertsAndRefusesZeroOrNonFinitePivots)
{
    // [[4, 7], [2, 6]]^-1 = [[0.6, -0.7], [-0.2, 0.4]]
    double a[4] = {4.0, 7.0, 2.0, 6.0};
    ASSERT_EQ(invert_in_place(a, 2), 1);
    const double expected[4] = {0.6, -0.7, -0.2, 0.4};
    expect_arrays_close(4, expected, a, 1e-14);

    // A 3x3 whose elimination runs through all rows: a * a^-1 = I.
    const double m[9] = {2.0, -1.0, 0.0, -1.0, 2.0, -1.0, 0.0, -1.0, 2.0};
    double inv[9];
    for (int i = 0; i < 9; ++i) inv[i] = m[i];
    ASSERT_EQ(invert_in_place(inv, 3), 1);
    const double eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double prod[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            prod[i * 3 + j] = 0.0;
            for (int k = 0; k < 3; ++k) prod[i * 3 + j] += m[i * 3 + k] * inv[k * 3 + j];
        }
    expect_arrays_close(9, eye, prod, 1e-14, 1e-14);

    double singular[4] = {1.0, 2.0, 2.0, 4.0}; // second pivot becomes exactly 0
    EXPECT_EQ(invert_in_place(singular, 2), 0);
    double swapped[4] = {0.0, 1.0, 1.0, 0.0}; // invertible, but no pivoting: refused, not NaN
    EXPECT_EQ(invert_in_place(swapped, 2), 0);
    double nan_pivot[4] = {NAN, 1.0, 1.0, 1.0};
    EXPECT_EQ(invert_in_place(nan_pivot, 2), 0);
}

TEST(DowelMaterial, FaultsNameTheQuantity)
{
    EXPECT_EQ(dowel_material_fault(typical_bar().data()), nullptr);
    EXPECT_EQ(dowel_material_fault(typical_bar(0.0).data()), nullptr); // no gap: rigid branch
    struct bad {
        int entry;
        double value;
        const char *word;
    } cases[] = {{dowel_diam, 0.0, "diameter"},    {dowel_diam, -3.2, "diameter"},
                 {dowel_length, 0.6, "length"},    {dowel_length, 0.3, "length"},
                 {dowel_support, 0.0, "support"},  {dowel_young, 0.0, "Young"},
                 {dowel_young, -1.0, "Young"},     {dowel_width, -0.1, "width"},
                 {dowel_poisson, -1.0, "Poisson"}, {dowel_diam, NAN, "finite"}};
    for (const bad &c : cases) {
        std::vector<double> m = typical_bar();
        m[c.entry] = c.value;
        const char *why = dowel_material_fault(m.data());
        ASSERT_NE(why, nullptr) << "entry " << c.entry << " = " << c.value;
        EXPECT_NE(std::string(why).find(c.word), std::string::npos) << why;
    }
}

TEST(DowelFoundation, MatchesTheFiniteBeamFlexibility)
{
    // Kb restricted to (v, thx) of end 1 must invert to the end deflection of
    // a finite beam on a Winkler foundation: y(0) = r(0) / (K d).
    const std::vector<double> m = typical_bar();
    double kb[nl * nl];
    dowel_foundation_matrix(m.data(), kb);
    expect_symmetric(kb, nl, 1e-15);
    // the two ends are uncoupled
    for (int i = 0; i < 6; ++i)
        for (int j = 6; j < 12; ++j) EXPECT_EQ(kb[i * nl + j], 0.0);
    EXPECT_EQ(kb[2 * nl + 2], 10.0);
    EXPECT_EQ(kb[11 * nl + 11], 10.0);

    const double kt = kb[1 * nl + 1], kr = kb[3 * nl + 3], kc = kb[1 * nl + 3];
    const double det = kt * kr - kc * kc;
    ASSERT_GT(det, 0.0);
    const double beta = beta_of(m);
    const double l = 0.5 * (45.0 - 0.6);
    const double sh = std::sinh(beta * l), s = std::sin(beta * l);
    const double k = m[dowel_support] * m[dowel_diam];
    // force only: deflection = kr P / det
    const double p = 1000.0;
    EXPECT_NEAR(kr * p / det, dowel_reaction(beta, sh, s, l, p, 0.0, 0.0) / k,
                1e-9 * std::fabs(kr * p / det));
    // moment only: deflection magnitude = kc M / det
    const double mm = 5000.0;
    EXPECT_NEAR(std::fabs(kc * mm / det),
                std::fabs(dowel_reaction(beta, sh, s, l, 0.0, mm, 0.0)) / k,
                1e-9 * std::fabs(kc * mm / det));
}

TEST(DowelSpan, SymmetricAndFreeUnderRigidMotion)
{
    for (double w : {0.6, 1.0, 2.5}) {
        const std::vector<double> m = typical_bar(w);
        double kf[nl * nl];
        dowel_span_matrix(m.data(), kf);
        expect_symmetric(kf, nl, 1e-15);
        // rigid motions of a beam from z = 0 (end 1) to z = w (end 2):
        // three translations, rotation about x (v = -th z), about y (u = th z), about z.
        double modes[6][nl] = {};
        for (int c = 0; c < 3; ++c) modes[c][c] = modes[c][6 + c] = 1.0;
        modes[3][3] = modes[3][9] = 1.0, modes[3][7] = -w;
        modes[4][4] = modes[4][10] = 1.0, modes[4][6] = w;
        modes[5][5] = modes[5][11] = 1.0;
        for (int r = 0; r < 6; ++r)
            for (int i = 0; i < nl; ++i) {
                double f = 0.0, scale = 0.0;
                for (int j = 0; j < nl; ++j) {
                    f += kf[i * nl + j] * modes[r][j];
                    scale += std::fabs(kf[i * nl + j] * modes[r][j]);
                }
                EXPECT_LE(std::fabs(f), 1e-12 * scale)
                    << "w " << w << " mode " << r << " row " << i;
            }
    }
}

TEST(DowelLink, BranchChoiceAndSymmetry)
{
    double kb[nl * nl], kf[nl * nl], keff[nl * nl], expected[nl * nl];

    // w = 0.5 is the rigid connection
    const std::vector<double> rigid = typical_bar(0.5);
    ASSERT_EQ(dowel_link_matrix(rigid.data(), keff), 1);
    dowel_foundation_matrix(rigid.data(), kb);
    ASSERT_EQ(dowel_rigid_link(kb, expected), 1);
    expect_arrays_close(nl * nl, expected, keff, 1e-13, 1e-13);
    expect_symmetric(keff, nl, 1e-9);

    // w = 0.51 is the series combination with the span
    const std::vector<double> series = typical_bar(0.51);
    ASSERT_EQ(dowel_link_matrix(series.data(), keff), 1);
    dowel_foundation_matrix(series.data(), kb);
    dowel_span_matrix(series.data(), kf);
    ASSERT_EQ(dowel_series_link(kb, kf, expected), 1);
    expect_arrays_close(nl * nl, expected, keff, 1e-13, 1e-13);
    expect_symmetric(keff, nl, 1e-9);

    // and the two differ: the span is stiff but not rigid
    double rigid_keff[nl * nl];
    ASSERT_EQ(dowel_rigid_link(kb, rigid_keff), 1);
    EXPECT_GT(std::fabs(rigid_keff[0] - keff[0]), 1e-3 * std::fabs(keff[0]));
}

TEST(DowelLink, RigidBranchIsTheLimitOfAStiffSpan)
{
    // A span that only ties the two ends together, with stiffness alpha:
    // Kf = alpha [[I, -I], [-I, I]]. As alpha grows, the series result must
    // approach the rigid connection.
    const std::vector<double> m = typical_bar(0.3);
    double kb[nl * nl], rigid[nl * nl];
    dowel_foundation_matrix(m.data(), kb);
    ASSERT_EQ(dowel_rigid_link(kb, rigid), 1);
    double previous_gap = 1e300;
    for (double alpha : {1e6, 1e8, 1e10, 1e12}) {
        double kf[nl * nl] = {}, keff[nl * nl];
        for (int i = 0; i < 6; ++i) {
            kf[i * nl + i] = kf[(i + 6) * nl + i + 6] = alpha;
            kf[i * nl + i + 6] = kf[(i + 6) * nl + i] = -alpha;
        }
        ASSERT_EQ(dowel_series_link(kb, kf, keff), 1);
        double gap = 0.0, largest = 0.0;
        for (int i = 0; i < nl * nl; ++i) {
            gap = std::max(gap, std::fabs(keff[i] - rigid[i]));
            largest = std::max(largest, std::fabs(rigid[i]));
        }
        EXPECT_LT(gap, previous_gap);
        previous_gap = gap;
        if (alpha == 1e12) {
            EXPECT_LT(gap, 1e-5 * largest); // the gap shrinks like 1/alpha
        }
    }
}

TEST(DowelLink, AxialAndTorsionStayNearTheFixedSprings)
{
    // Two axial springs of 10.0 in series with a stiff span: about 5, never
    // scaled by E or d. The rigid branch gives exactly 10 - 10*10/20 = 5.
    for (double e : {2.04e6, 2.0e5, 2.9e4})
        for (double d : {0.032, 2.5, 3.2, 4.0})
            for (double w : {0.3, 0.8, 2.0}) {
                std::vector<double> m = typical_bar(w, d, e);
                if (d < 1.0) m[dowel_length] = 0.45, m[dowel_width] = w / 100.0;
                double keff[nl * nl];
                ASSERT_EQ(dowel_link_matrix(m.data(), keff), 1);
                for (int c : {2, 5}) {
                    SCOPED_TRACE(testing::Message() << "E " << e << " d " << d << " w " << w);
                    EXPECT_GT(keff[c * nl + c], 4.9);
                    EXPECT_LE(keff[c * nl + c], 5.0 + 1e-9);
                    EXPECT_NEAR(keff[c * nl + c + 6], -keff[c * nl + c], 1e-6);
                    EXPECT_NEAR(keff[(c + 6) * nl + c + 6], keff[c * nl + c], 1e-6);
                }
            }
}

TEST(DowelLink, OverflowingHalfIsReportedNotNaN)
{
    // A bar so long that sinh(beta l) overflows: no usable matrix.
    std::vector<double> m = typical_bar();
    m[dowel_length] = 1.0e5;
    double keff[nl * nl];
    EXPECT_EQ(dowel_link_matrix(m.data(), keff), 0);
}

TEST(DowelHalf, EquilibriumOfTheEmbeddedHalf)
{
    // Finite beam on an elastic foundation, free at x = l, loaded by (P, M)
    // at x = 0: moment(0) = M, shear(0) = -P, both vanish at l; the reaction
    // integrates to P and its first moment about x = 0 is M.
    const double d = 3.2, big_l = 45.0, e = 2.04e6, k = 41500.0, w = 0.6;
    const double ei = e * 0.04909 * d * d * d * d;
    const double beta = std::pow(0.25 * k * d / ei, 0.25);
    const double l = 0.5 * (big_l - w);
    const double sh = 0.5 * (std::exp(beta * l) - std::exp(-beta * l)), s = std::sin(beta * l);
    const double loads[][2] = {{1000.0, 0.0}, {0.0, 5000.0}, {-750.0, 2500.0}, {300.0, -8000.0}};
    for (const auto &pm : loads) {
        const double p = pm[0], m = pm[1];
        SCOPED_TRACE(testing::Message() << "P " << p << " M " << m);
        const double scale = std::fabs(p) + std::fabs(m) * beta;
        EXPECT_NEAR(dowel_moment(beta, sh, s, l, p, m, 0.0), m, 1e-9 * scale / beta);
        EXPECT_NEAR(dowel_shear(beta, sh, s, l, p, m, 0.0), -p, 1e-9 * scale);
        EXPECT_NEAR(dowel_moment(beta, sh, s, l, p, m, l), 0.0, 1e-9 * scale / beta);
        EXPECT_NEAR(dowel_shear(beta, sh, s, l, p, m, l), 0.0, 1e-9 * scale);
        // composite Simpson over 0..l
        const int n = 2000;
        const double h = l / n;
        double force = 0.0, first_moment = 0.0;
        for (int i = 0; i <= n; ++i) {
            const double x = i * h;
            const double weight = (i == 0 || i == n) ? 1.0 : (i % 2 ? 4.0 : 2.0);
            const double r = dowel_reaction(beta, sh, s, l, p, m, x);
            force += weight * r;
            first_moment += weight * r * x;
        }
        force *= h / 3.0;
        first_moment *= h / 3.0;
        EXPECT_NEAR(force, p, 1e-7 * scale);
        EXPECT_NEAR(first_moment, m, 1e-7 * scale / beta);
        // shear is the derivative of the moment: central difference at mid-length
        const double x = 0.5 * l, dx = 1e-4;
        const double slope = (dowel_moment(beta, sh, s, l, p, m, x + dx) -
                              dowel_moment(beta, sh, s, l, p, m, x - dx)) /
                             (2 * dx);
        EXPECT_NEAR(std::fabs(slope), std::fabs(dowel_shear(beta, sh, s, l, p, m, x)),
                    1e-5 * scale);
    }
}

namespace
{

// Shape functions and global derivatives of an axis-aligned box element
// [x0, x0+a] x [y0, y0+b] x [z0, z0+c] at natural point (xi, eta, zeta),
// node order of the brick (0-3 at zeta = -1 counter-clockwise, 4-7 above).
void box_point(double a, double b, double c, double xi, double eta, double zeta, double *n,
               double *dg)
{
    static const double nx[8] = {-1, 1, 1, -1, -1, 1, 1, -1};
    static const double ny[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
    static const double nz[8] = {-1, -1, -1, -1, 1, 1, 1, 1};
    for (int k = 0; k < 8; ++k) {
        const double fx = 1 + xi * nx[k], fy = 1 + eta * ny[k], fz = 1 + zeta * nz[k];
        n[k] = 0.125 * fx * fy * fz;
        dg[k] = 0.125 * nx[k] * fy * fz * 2.0 / a;
        dg[8 + k] = 0.125 * fx * ny[k] * fz * 2.0 / b;
        dg[16 + k] = 0.125 * fx * fy * nz[k] * 2.0 / c;
    }
}

void box_nodes(double x0, double y0, double z0, double a, double b, double c, double *xyz)
{
    static const double nx[8] = {0, 1, 1, 0, 0, 1, 1, 0};
    static const double ny[8] = {0, 0, 1, 1, 0, 0, 1, 1};
    static const double nz[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    for (int k = 0; k < 8; ++k) {
        xyz[3 * k] = x0 + a * nx[k];
        xyz[3 * k + 1] = y0 + b * ny[k];
        xyz[3 * k + 2] = z0 + c * nz[k];
    }
}

} // namespace

TEST(DowelPointMap, TranslationsAndFaceRotations)
{
    // Point at the centre of a 2 x 2 x 2 cube, identity frame.
    double n[8], dg[24];
    box_point(2, 2, 2, 0.0, 0.0, 0.0, n, dg);
    double g[6 * 24];
    dowel_point_map(n, dg, g);
    // w = 0.3 x' - 0.2 y' + 1 (plus u = 0.5, v = -0.4 everywhere)
    double xyz[24], u[24];
    box_nodes(-1, -1, -1, 2, 2, 2, xyz);
    for (int k = 0; k < 8; ++k) {
        u[3 * k] = 0.5, u[3 * k + 1] = -0.4;
        u[3 * k + 2] = 0.3 * xyz[3 * k] - 0.2 * xyz[3 * k + 1] + 1.0;
    }
    double out[6] = {};
    for (int r = 0; r < 6; ++r)
        for (int j = 0; j < 24; ++j) out[r] += g[r * 24 + j] * u[j];
    // thx = dw/dy' = -0.2, thy = -dw/dx' = -0.3, no torsion
    const double expected[6] = {0.5, -0.4, 1.0, -0.2, -0.3, 0.0};
    expect_arrays_close(6, expected, out, 1e-14, 1e-14);
}

TEST(DowelElement, SymmetricAndFreeUnderRigidMotion)
{
    // Two 10 x 10 x 10 slab elements either side of a gap of 0.6 at x = 0,
    // the bar along global x: frame rows e1 = y, e2 = z, e3 = x.
    const double r[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    const double w = 0.6;
    double xyz1[24], xyz2[24];
    box_nodes(-10.0 - 0.5 * w, -5, -5, 10, 10, 10, xyz1);
    box_nodes(0.5 * w, -5, -5, 10, 10, 10, xyz2);
    // end 1 at x = -w/2 (xi = +1 of element 1), end 2 at x = +w/2 (xi = -1 of element 2)
    double n1[8], dg1[24], n2[8], dg2[24];
    box_point(10, 10, 10, 1.0, 0.0, 0.0, n1, dg1);
    box_point(10, 10, 10, -1.0, 0.0, 0.0, n2, dg2);
    double a[12 * 48];
    dowel_link_map(r, n1, dg1, n2, dg2, a);

    for (double width : {w, 0.4}) {
        SCOPED_TRACE(testing::Message() << "w " << width);
        const std::vector<double> m = typical_bar(width);
        double keff[nl * nl];
        ASSERT_EQ(dowel_link_matrix(m.data(), keff), 1);
        std::vector<double> ek(48 * 48);
        dowel_element_matrix(keff, a, ek.data());
        expect_symmetric(ek.data(), 48, 1e-9);

        // rigid motions of all sixteen nodes: translations always; rotations
        // about the centre only for the series branch (the rigid branch ties
        // the two ends without the span's lever arm)
        double largest = 0.0;
        for (double v : ek) largest = std::max(largest, std::fabs(v));
        const int modes = width > dowel_rigid_width ? 6 : 3;
        for (int mode = 0; mode < modes; ++mode) {
            double u[48];
            for (int k = 0; k < 16; ++k) {
                const double *p = k < 8 ? xyz1 + 3 * k : xyz2 + 3 * (k - 8);
                double t[3] = {0, 0, 0};
                if (mode < 3) {
                    t[mode] = 1.0;
                } else { // small rotation about global axis mode-3: t = e x p
                    const int ax = mode - 3, i = (ax + 1) % 3, j = (ax + 2) % 3;
                    t[i] = -p[j] * 1e-3, t[j] = p[i] * 1e-3;
                }
                for (int c = 0; c < 3; ++c) u[3 * k + c] = t[c];
            }
            for (int i = 0; i < 48; ++i) {
                double f = 0.0;
                for (int j = 0; j < 48; ++j) f += ek[i * 48 + j] * u[j];
                EXPECT_LE(std::fabs(f), 1e-9 * largest) << "mode " << mode << " row " << i;
            }
        }

        // a transverse slip of element 2 alone: the end forces are equal and opposite
        double u[48] = {}, f[12];
        for (int k = 8; k < 16; ++k) u[3 * k + 2] = -0.01; // element 2 moves down (global z = e2)
        dowel_end_forces(keff, a, u, f);
        EXPECT_GT(f[1], 0.0); // end 1 is pulled along -e2 with element 2
        EXPECT_NEAR(f[1] + f[7], 0.0, 1e-9 * std::fabs(f[1])); // shear balances across the bar
    }
}
