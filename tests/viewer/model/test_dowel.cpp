// Dowel profile tests: joint-face values, load selection by axis, equilibrium of each half.
#include <gtest/gtest.h>

#include <cmath>

#include "fem3d.h"

namespace
{

// E, w, d, Lb, K: a 2.5 bar of 45 across a 0.6 joint; beta = 0.225, beta Le = 5.
const float bar_e = 2.04e6f, bar_w = 0.6f, bar_d = 2.5f, bar_lb = 45, bar_k = 40000;
const double pi = 3.14159265358979323846;

struct one_dowel {
    FEMg3D m;
    one_dowel(const float axis[3], const float force[12])
    {
        m.n_dowels = 1;
        m.n_dowel_types = 1;
        m.dowel_types.assign(1, t_dowel_type{});
        float *t = m.dowel_types[0].value;
        t[0] = bar_e;
        t[2] = bar_w;
        t[3] = bar_d;
        t[4] = bar_lb;
        t[5] = bar_k;
        m.dowels.assign(1, t_dowel{});
        for (int i = 0; i < 3; i++) m.dowels[0].axis[i] = axis[i];
        for (int i = 0; i < 12; i++) m.dowels[0].force[i] = force[i];
        m.compute_dowel_profiles();
    }
    const t_dowel &d() const { return m.dowels[0]; }
};

const double z_section = 0.0982 * bar_d * bar_d * bar_d;
const double a_shear = 3 * pi * bar_d * bar_d / 16;
const double le = (bar_lb - bar_w) / 2;

} // namespace

TEST(Dowel, ShearOnlyAlongX)
{
    const float axis[3] = {1, 0, 0}, f[12] = {0, 0, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    one_dowel o(axis, f); // first half: P = -Fz1 = 1, M = 0
    EXPECT_FLOAT_EQ(o.d().gap, bar_w);
    EXPECT_FLOAT_EQ(o.d().length, bar_lb);
    EXPECT_NEAR(o.d().step, le / 35, 1e-6);
    EXPECT_NEAR(o.m.dowel_step, le / 35, 1e-6);
    EXPECT_NEAR(o.d().bending[35], 0, 1e-6);
    EXPECT_NEAR(o.d().shear[35], 1 / a_shear, 1e-4 / a_shear);
    // The far end of the first half (station 0, x = Le) is free: no moment, no shear.
    EXPECT_NEAR(o.d().bending[0], 0, 1e-5 / z_section);
    EXPECT_NEAR(o.d().shear[0], 0, 1e-5 / a_shear);
    // The unloaded second half stays at zero.
    for (int i = 36; i < 71; i++) EXPECT_EQ(o.d().shear[i], 0) << i;
}

TEST(Dowel, MomentOnlyAlongX)
{
    const float axis[3] = {1, 0, 0}, f[12] = {0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0};
    one_dowel o(axis, f); // first half: M = -My1 = 1, P = 0
    EXPECT_NEAR(o.d().bending[35], 1 / z_section, 1e-4 / z_section);
    EXPECT_NEAR(o.d().shear[35], 0, 1e-5);
}

TEST(Dowel, VerticalBarTakesTheLargerHorizontalForce)
{
    const float axis[3] = {0, 0, 1};
    const float f1[12] = {2, -3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    one_dowel a(axis, f1); // |Fy1| larger: P = -3
    EXPECT_NEAR(a.d().shear[35], -3 / a_shear, 1e-4);
    const float f2[12] = {3, -3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    one_dowel b(axis, f2); // tie: P = Fx1 = 3
    EXPECT_NEAR(b.d().shear[35], 3 / a_shear, 1e-4);
    // The last non-zero flag wins: (1, 0, 1) is vertical too.
    const float both[3] = {1, 0, 1};
    one_dowel c(both, f2);
    EXPECT_NEAR(c.d().shear[35], 3 / a_shear, 1e-4);
}

// The reaction of a half integrates to its end shear P, and its first moment about the joint
// face is M (trapezoid rule over the 36 stations of the first half). The second half carries
// the same loads as a mirror image, one station short of its far end.
TEST(Dowel, ReactionBalancesTheEndLoads)
{
    const float axis[3] = {1, 0, 0};
    const float p = 150, mom = 400;
    // First half P = -Fz1, M = -My1; second half P = -Fz2, M = My2.
    const float f[12] = {0, 0, -p, 0, -mom, 0, 0, 0, -p, 0, mom, 0};
    one_dowel o(axis, f);
    const double h = le / 35;
    double force = 0, moment = 0;
    for (int i = 0; i < 35; i++) { // interval between stations i and i + 1
        const double x0 = (35 - i) * h, x1 = (34 - i) * h;
        force += (o.d().reaction[i] + o.d().reaction[i + 1]) / 2 * h;
        moment += (o.d().reaction[i] * x0 + o.d().reaction[i + 1] * x1) / 2 * h;
    }
    EXPECT_NEAR(force, p, 0.01 * p);
    EXPECT_NEAR(moment, mom, 0.02 * mom);
    for (int k = 0; k <= 34; k++) {
        EXPECT_NEAR(o.d().reaction[36 + k], o.d().reaction[35 - k], 1e-4 * p) << k;
        EXPECT_NEAR(o.d().bending[36 + k], o.d().bending[35 - k], 1e-4 * mom / z_section) << k;
        EXPECT_NEAR(o.d().shear[36 + k], -o.d().shear[35 - k], 1e-4 * p / a_shear) << k;
    }
    // Station 70 lies at x = 34 h, one spacing short of the free end: still bent.
    EXPECT_GT(std::fabs(o.d().bending[70]), std::fabs(o.d().bending[0]));
}

TEST(Dowel, DegenerateBarsGetZeroProfiles)
{
    const float f[12] = {1, 2, -3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const float none[3] = {0, 0, 0}, x[3] = {1, 0, 0};
    auto all_zero = [](const t_dowel &d) {
        for (int i = 0; i < dowel_stations; i++)
            if (d.bending[i] != 0 || d.shear[i] != 0 || d.reaction[i] != 0) return false;
        return true;
    };
    {
        one_dowel o(none, f); // no axis flag
        EXPECT_TRUE(all_zero(o.d()));
        EXPECT_NEAR(o.d().step, le / 35, 1e-6);
    }
    auto with_type = [&](int word, float value) {
        one_dowel o(x, f);
        o.m.dowel_types[0].value[word] = value;
        o.m.compute_dowel_profiles();
        return o.d();
    };
    EXPECT_TRUE(all_zero(with_type(4, bar_w))); // Lb = w: no embedded length
    EXPECT_EQ(with_type(4, bar_w).step, 0);
    EXPECT_TRUE(all_zero(with_type(4, 0.1f))); // Lb < w
    EXPECT_TRUE(all_zero(with_type(5, 0)));    // K = 0
    EXPECT_TRUE(all_zero(with_type(5, -10)));  // K < 0
    EXPECT_TRUE(all_zero(with_type(3, 0)));    // d = 0
    EXPECT_TRUE(all_zero(with_type(0, 0)));    // E = 0
}
