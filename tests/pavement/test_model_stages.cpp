// The front end's model, stage by stage, against values worked out by hand from the description:
// the slab's temperature profile and the springs as the files carry them, the grid lines of
// joints and tyres, the bars' positions, and the layers tarnel is given.
#include "description.h"
#include "model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// Two 4.5 x 3.6 m slabs, 25 cm, a base on a dense liquid, a joint 5 mm wide, dowels 30 cm apart.
std::string pair(const std::string &extra)
{
    return "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.6]\nthickness = 0.25\nE = 29400\n"
           "nu = 0.15\ndensity = 2.4\nalpha = 1.0e-5\n"
           "[[layers]]\nthickness = 0.15\nE = 294\nnu = 0.3\n"
           "[foundation]\nk = 50\n"
           "[joints.transverse]\nstiffness = 2\nwidth = 0.005\n"
           "[joints.transverse.dowels]\ndiameter = 0.032\nlength = 0.45\nspacing = 0.30\n"
           "first = 0.15\nE = 200000\nsupport_modulus = 406700\n"
           "[[loads]]\nwheels = [[4.35, 1.8, 0.20, 0.25]]\nload = 40\n" +
           extra;
}

description parsed(const std::string &text)
{
    description d;
    std::vector<std::string> errors;
    EXPECT_TRUE(parse_description(text, "stages.toml", d, errors))
        << (errors.empty() ? "" : errors.front());
    return d;
}

bool has_line(const std::vector<double> &lines, double v)
{
    return std::any_of(lines.begin(), lines.end(),
                       [v](double l) { return std::fabs(l - v) < 1e-6; });
}

} // namespace

// The files are kgf-cm: 1 kgf/cm2 = 0.098 MPa, a spring of 1 MPa/m per unit area = 1/9.8
// kgf/cm3, written 9 times larger because the joint element gives kn A / 9.
TEST(PavementStages, MaterialsCarryTheDescriptionInTheFilesUnits)
{
    const struct {
        const char *name, *extra;
        double normal; // the joint's normal entry (kgf/cm3)
        double limit;  // its opening limit (cm)
        bool nonlinear;
    } rows[] = {
        {"sawn joint", "[temperature]\ndifference = -12\nprofile = \"quadratic\"\nmid = 3\n", 1e-6,
         1.0, false},
        // tight: the faces' contact E / width = 29400 / 0.005 MPa/m
        {"tight joint", "[temperature]\ndifference = -12\nprofile = \"quadratic\"\nmid = 3\n",
         9 * 29400 / 0.005 / 9.8, 0.001, true},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        std::string text = pair(r.extra);
        if (r.nonlinear) {
            const std::size_t at = text.find("width = 0.005\n");
            text.insert(at + 14, "opening = 0\n");
        }
        const description d = parsed(text);
        const model_materials m = materials_of(d);
        ASSERT_EQ(m.slab.size(), 12u);
        EXPECT_NEAR(m.slab[0], 29400 / 0.098, 1e-6 * 29400 / 0.098);
        EXPECT_DOUBLE_EQ(m.slab[1], 0.15);
        EXPECT_NEAR(m.slab[2], 0.0024, 1e-12); // 2.4 t/m3 as kgf/cm3
        // T(z) = a z^2 + b z + c, z in cm from the top: +dt/2 at the top, -dt/2 at the bottom
        // and the mid-depth value where the profile's curve lies, by hand
        auto t = [&](double z) { return m.slab[5] * z * z + m.slab[6] * z + m.slab[7]; };
        const double dt = d.temperature_difference, mid = d.temperature_mid;
        EXPECT_NEAR(t(0), dt / 2, 1e-9);
        EXPECT_NEAR(t(-25), -dt / 2, 1e-9);
        EXPECT_NEAR(t(-12.5), d.quadratic ? mid : 0.0, 1e-9);
        // interlock 2 MPa/mm = 2000 MPa/m in both shear entries
        EXPECT_NEAR(m.transverse[0], 9 * 2000 / 9.8, 1e-9);
        EXPECT_NEAR(m.transverse[1], 9 * 2000 / 9.8, 1e-9);
        EXPECT_NEAR(m.transverse[2], r.normal, 1e-6 * r.normal);
        EXPECT_DOUBLE_EQ(m.transverse[5], r.limit);
        EXPECT_EQ(m.transverse[11], 1.0);
        // the dense liquid: k 50 MPa/m normal, a hundredth of it tangential, type 2
        EXPECT_NEAR(m.foundation[2], 9 * 50 / 9.8, 1e-9);
        EXPECT_NEAR(m.foundation[0], 0.09 * 50 / 9.8, 1e-12);
        EXPECT_EQ(m.foundation[11], 2.0);
        ASSERT_EQ(m.layers.size(), 1u);
        EXPECT_NEAR(m.layers[0][0], 294 / 0.098, 1e-9);
        EXPECT_EQ(m.nonlinear, r.nonlinear);
    }
}

// The grid has the joint's two faces, the slabs' ends and the tyre's edges as lines (cm), and
// the dowels sit at the joint's centre line at mid-depth, every 30 cm from 15 cm.
TEST(PavementStages, GridAndBarsWhereTheDescriptionPutsThem)
{
    const description d = parsed(pair(""));
    generated_model g;
    grid_plan grid;
    std::string why;
    ASSERT_TRUE(plan_grid(d, {}, nullptr, g, grid, why)) << why;
    for (double x : {0.0, 450.0, 450.5, 900.5}) EXPECT_TRUE(has_line(g.x, x)) << x;
    // the tyre 20 x 25 cm centred at (435, 180)
    for (double x : {425.0, 445.0}) EXPECT_TRUE(has_line(g.x, x)) << x;
    for (double y : {0.0, 167.5, 192.5, 360.0}) EXPECT_TRUE(has_line(g.y, y)) << y;
    ASSERT_EQ(grid.x_gaps.size(), 1u);
    EXPECT_DOUBLE_EQ(grid.x_gaps[0], 450.0);
    EXPECT_TRUE(grid.y_gaps.empty());
    EXPECT_GT(grid.threshold, 0.5); // wider than the 5 mm gap
    ASSERT_EQ(g.tyres.size(), 1u);
    EXPECT_NEAR(g.tyres[0].load, 40.0, 1e-12);

    place_bars(d, g);
    EXPECT_EQ(g.n_dowels, 12); // 15, 45, ... 345 cm across 360 cm
    EXPECT_EQ(g.n_ties, 0);
    std::istringstream in(g.dowel_text);
    int count = 0, types = 0;
    in >> count >> types;
    ASSERT_EQ(count, 12);
    ASSERT_EQ(types, 1);
    double e, nu, width, dia, len, support, play;
    in >> e >> nu >> width >> dia >> len >> support >> play;
    for (int k = 0; k < 5; ++k) in >> play;   // the unused entries
    EXPECT_NEAR(e, 200000 / 0.098, 1e-8 * e); // written to 9 digits
    EXPECT_NEAR(width, 0.5, 1e-12);
    EXPECT_NEAR(dia, 3.2, 1e-12);
    EXPECT_NEAR(len, 45.0, 1e-12);
    EXPECT_NEAR(support, 406700 / 9.8, 1e-8 * support);
    for (int k = 0; k < 12; ++k) {
        double x, y, z;
        int type;
        in >> x >> y >> z >> type;
        EXPECT_NEAR(x, 450.25, 1e-9);
        EXPECT_NEAR(y, 15.0 + 30.0 * k, 1e-9);
        EXPECT_NEAR(z, -12.5, 1e-9);
        EXPECT_EQ(type, 0);
    }
}

// Through the depth: the slab in equal elements, then the unbonded interface's joint layer
// 0.2 cm thick, the base, and the foundation's spring layer under it.
TEST(PavementStages, LayersThroughTheDepth)
{
    const description d =
        parsed(pair("[interface]\nbonded = false\n[mesh]\nelements_through_slab = 5\n"));
    generated_model g;
    grid_plan grid;
    std::string why;
    ASSERT_TRUE(plan_grid(d, {}, nullptr, g, grid, why)) << why;
    const depth_plan depth = plan_depth(d, {});
    ASSERT_EQ(depth.slab_elements, 5);
    EXPECT_NEAR(depth.depth, 40.0, 1e-12);
    const std::vector<layer_out> layers = layer_records(d, g, grid, depth, materials_of(d));
    ASSERT_EQ(layers.size(), 4u); // slab, interface, base, foundation
    ASSERT_EQ(layers[0].z.size(), 6u);
    for (int k = 0; k <= 5; ++k) EXPECT_NEAR(layers[0].z[k], -5.0 * k, 1e-12);
    EXPECT_NEAR(layers[1].z.front(), -25.0, 1e-12);
    EXPECT_NEAR(layers[1].z.back(), -25.2, 1e-12);
    EXPECT_NEAR(layers[2].z.front(), -25.2, 1e-12);
    EXPECT_NEAR(layers[2].z.back(), -40.2, 1e-12);
    EXPECT_NEAR(layers[3].z.front(), -40.2, 1e-12);
    EXPECT_NEAR(layers[3].z.back(), -40.4, 1e-12);
    // the slab layer's x intervals: the joint gap is the one interval [450, 450.5]
    int gaps = 0;
    for (std::size_t i = 0; i + 1 < g.x.size(); ++i)
        if (layers[0].xt[i] == 1) {
            ++gaps;
            EXPECT_NEAR(g.x[i], 450.0, 1e-9);
            EXPECT_NEAR(g.x[i + 1], 450.5, 1e-9);
        }
    EXPECT_EQ(gaps, 1);
    // the tyre's pressure in the layer text: 40 kN on 20 x 25 cm = 40 / 0.0098 / 500 kgf/cm2
    const std::string text = layer_text(layers, g);
    const std::string last = text.substr(text.rfind('\n', text.size() - 2) + 1);
    std::istringstream in(last);
    double x0, y0, x1, y1, a, b, p;
    in >> x0 >> y0 >> x1 >> y1 >> a >> b >> p;
    EXPECT_NEAR(x0, 425.0, 1e-6);
    EXPECT_NEAR(y1, 192.5, 1e-6);
    EXPECT_NEAR(p, 40.0 / 0.0098 / 500.0, 1e-5);
}
