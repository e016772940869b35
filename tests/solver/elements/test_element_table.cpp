// Every row of the element table against what any solid element must satisfy: a symmetric
// matrix, no force for a rigid motion, and the constant-strain patch test (the energy of a
// linear field equals the volume times the strain energy density, by hand).
#include "element_type.h"
#include "solid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{

struct shape {
    const char *name;
    double xyz[24];
    double volume; // by hand
};

// A parallelepiped (edges (2,0,0), (0.5,1.5,0), (0.3,0.2,1.2): volume = det = 3.6) and a
// trapezoidal prism (bases 2 and 1 along x, height 1 in z, depth 1.5 in y: volume 2.25).
const shape shapes[] = {
    {"parallelepiped",
     {0,   0,   0,   2,   0,   0,   2.5, 1.5, 0,   0.5, 1.5, 0,
      0.3, 0.2, 1.2, 2.3, 0.2, 1.2, 2.8, 1.7, 1.2, 0.8, 1.7, 1.2},
     3.6},
    {"trapezoidal prism",
     {0, 0, 0, 2, 0, 0, 2, 1.5, 0, 0, 1.5, 0, 0.5, 0, 1, 1.5, 0, 1, 1.5, 1.5, 1, 0.5, 1.5, 1},
     2.25},
};

// u = G x + c at the nodes (G row-major 3x3).
void linear_field(const double *xyz, const double *g, const double *c, double *u)
{
    for (int n = 0; n < 8; ++n)
        for (int i = 0; i < 3; ++i)
            u[3 * n + i] = c[i] + g[3 * i] * xyz[3 * n] + g[3 * i + 1] * xyz[3 * n + 1] +
                           g[3 * i + 2] * xyz[3 * n + 2];
}

} // namespace

TEST(ElementTable, EveryRowIsSymmetricRigidAndPassesThePatchTest)
{
    const double mat[12] = {30000.0, 0.2};
    double d[36];
    make_d(mat, d);
    const double gp[2] = {-0.57735027, 0.57735027}, gw[2] = {1.0, 1.0};
    ASSERT_GE(element_type_count, 2);
    for (int k = 0; k < element_type_count; ++k)
        for (const shape &s : shapes) {
            const element_type &t = element_types[k];
            SCOPED_TRACE(std::string(t.name) + " on a " + s.name);
            std::vector<double> ek(576);
            ASSERT_EQ(t.stiffness(d, s.xyz, gp, gw, ek.data()), 0);
            double largest = 0.0;
            for (double v : ek) largest = std::fmax(largest, std::fabs(v));
            for (int i = 0; i < 24; ++i)
                for (int j = 0; j < i; ++j)
                    EXPECT_NEAR(ek[24 * i + j], ek[24 * j + i], 1e-10 * largest);
            // rigid motions: three translations, three small rotations about the origin
            const double rigid[6][9] = {{0},
                                        {0},
                                        {0},
                                        {0, -1, 0, 1, 0, 0, 0, 0, 0},
                                        {0, 0, 1, 0, 0, 0, -1, 0, 0},
                                        {0, 0, 0, 0, 0, -1, 0, 1, 0}};
            const double shift[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
            for (int r = 0; r < 6; ++r) {
                double u[24];
                const double zero[3] = {0, 0, 0};
                linear_field(s.xyz, rigid[r], r < 3 ? shift[r] : zero, u);
                for (int i = 0; i < 24; ++i) {
                    double f = 0.0;
                    for (int j = 0; j < 24; ++j) f += ek[24 * i + j] * u[j];
                    EXPECT_NEAR(f, 0.0, 1e-8 * largest) << "motion " << r << " row " << i;
                }
            }
            // patch test: a constant strain e (engineering shears) stores V e.D e
            const double g[9] = {1e-3, 4e-4, -2e-4, 1e-4, -5e-4, 3e-4, 2e-4, 1e-4, 7e-4};
            const double e[6] = {g[0],        g[4],        g[8],
                                 g[1] + g[3], g[5] + g[7], g[2] + g[6]}; // xx yy zz xy yz zx
            double u[24];
            const double zero[3] = {0, 0, 0};
            linear_field(s.xyz, g, zero, u);
            double energy = 0.0, density = 0.0;
            for (int i = 0; i < 24; ++i)
                for (int j = 0; j < 24; ++j) energy += u[i] * ek[24 * i + j] * u[j];
            // D by hand for E, nu (isotropic), the same component order
            const double E = mat[0], nu = mat[1];
            const double lambda = E * nu / ((1 + nu) * (1 - 2 * nu)), mu = E / (2 * (1 + nu));
            const double trace = e[0] + e[1] + e[2];
            density = lambda * trace * trace + 2 * mu * (e[0] * e[0] + e[1] * e[1] + e[2] * e[2]) +
                      mu * (e[3] * e[3] + e[4] * e[4] + e[5] * e[5]);
            EXPECT_NEAR(energy, s.volume * density, 1e-6 * s.volume * density);
        }
}
