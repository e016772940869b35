// The pavement description: what a bad one is told, the axle templates, the generated files
// against hand calculation (loads, tyre areas, dowels and ties, joints, grading).
#include "axles.h"
#include "description.h"
#include "grid.h"
#include "model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace
{

const char *const good = R"(title = "two slabs"
[slabs]
lengths = [4.5, 4.5]
widths = [3.6, 3.6]
thickness = 0.25
E = 28000
nu = 0.15
[[layers]]
thickness = 0.15
E = 300
[foundation]
k = 50
[joints.transverse]
stiffness = 50
width = 0.005
[joints.transverse.dowels]
diameter = 0.032
length = 0.46
spacing = 0.30
first = 0.15
[joints.longitudinal]
stiffness = 10
[joints.longitudinal.ties]
diameter = 0.016
length = 0.8
spacing = 0.75
[[loads]]
axle = "tandem"
load = 160
tyre_pressure = 0.7
position = [4.3, 0.1]
)";

// good with line `line` (1-based) replaced by `text` ("" drops it)
std::string with_line(int line, const std::string &text)
{
    std::istringstream in(good);
    std::string l, out;
    for (int n = 1; std::getline(in, l); ++n)
        if (n != line) {
            out += l + "\n";
        } else if (!text.empty()) {
            out += text + "\n";
        }
    return out;
}

} // namespace

// Every bad description is refused with the file, the line and the key named.
TEST(Description, BadDescriptionsNameFileLineAndKey)
{
    const struct {
        std::string text;
        const char *expect;
    } rows[] = {
        {with_line(6, "Young = 28000"), "m.toml:6: slabs.Young: unknown key"},
        {with_line(6, ""), "slabs.E: missing (required)"},
        {with_line(6, "E = \"stiff\""), "m.toml:6: slabs.E: must be a number, not a string"},
        {with_line(5, "thickness = -0.25"), "m.toml:5: slabs.thickness: must be positive"},
        {with_line(7, "nu = 0.5"), "m.toml:7: slabs.nu: must be below 0.5"},
        {with_line(3, "lengths = [4.5, \"x\"]"), "m.toml:3: slabs.lengths[1]: must be a positive"},
        {with_line(28, "axle = \"quad\""), "m.toml:28: loads[0].axle: \"quad\" is none of"},
        {with_line(31, "position = [9.2, 0.1]"),
         "loads[0]: tyre 0 lies at x 8.996..9.2, y 0.1..0.2403"},
        {with_line(31, "position = [4.3, -0.1]"), "off the slabs"},
        {with_line(18, "length = 9.5"), "joints.transverse.dowels: a bar of length 9.5"},
        {with_line(11, "[foundations]"), "foundations: unknown key"},
        {with_line(14, "stiffness = -5"), "m.toml:14: joints.transverse.stiffness: must not be"},
        {with_line(2, "[slabs"), "m.toml:2: not TOML"},
        {with_line(29, "load = true"), "m.toml:29: loads[0].load: must be a number, not a boolean"},
        {with_line(30, ""), "loads[0].tyre_pressure: missing (required)"},
        {std::string(good) + "[[climate]]\ndifference = 8\nshare = 0.5\n[[climate]]\n"
                             "difference = -6\nshare = 0.4\n",
         "m.toml:32: climate: the shares sum to 0.9"},
        {std::string(good) + "[[traffic]]\nload = 80\nrepetitions = 1000\n",
         "m.toml:32: traffic[0].axle: missing (required)"},
        {std::string(good) + "[design]\ntransfer = \"user\"\n",
         "design.curve: a user transfer function needs two points or more"},
        {std::string(good) + "[design]\ncurve = [[0.5, 1e6], [0.4, 1e7]]\n",
         "design.curve[1]: must be [SR, N] with SR ascending"},
    };
    for (const auto &r : rows) {
        description d;
        std::vector<std::string> errors;
        EXPECT_FALSE(parse_description(r.text, "m.toml", d, errors)) << r.expect;
        std::string all;
        for (const std::string &e : errors) all += e + "\n";
        EXPECT_NE(all.find(r.expect), std::string::npos)
            << "expected: " << r.expect << "\ngot: " << all;
    }
    description d;
    std::vector<std::string> errors;
    EXPECT_TRUE(parse_description(good, "m.toml", d, errors)) << errors.front();
}

// A tandem of 160 kN at 0.7 MPa: eight tyres of 20 kN, each of area 20 kN / 0.7 MPa =
// 0.02857 m2 as a 0.8711 L x 0.6 L rectangle (L^2 = A / 0.5227); dual sets 0.30 m and the
// track 1.80 m apart, axles 1.30 m apart; the front outer corner at the position.
TEST(Description, AxleTemplatesFromLoadAndPressure)
{
    const double position[2] = {4.3, 0.1};
    const struct {
        const char *axle;
        int tyres;
    } rows[] = {{"single", 2}, {"single-dual", 4}, {"tandem", 8}, {"tridem", 12}};
    for (const auto &r : rows) {
        const std::vector<wheel> w = template_wheels(r.axle, 160, 0.7, position);
        ASSERT_EQ(static_cast<int>(w.size()), r.tyres) << r.axle;
        const double per_tyre = 160.0 / r.tyres, area = per_tyre / 700.0;
        double total = 0, xmax = -1e9, ymin = 1e9;
        for (const wheel &t : w) {
            total += t.load;
            EXPECT_NEAR(t.length * t.width, area, 1e-9) << r.axle;
            EXPECT_NEAR(t.length / t.width, 0.8711 / 0.6, 1e-3);
            xmax = std::max(xmax, t.x + t.length / 2);
            ymin = std::min(ymin, t.y - t.width / 2);
        }
        EXPECT_NEAR(total, 160, 1e-9);
        EXPECT_NEAR(xmax, 4.3, 1e-12);
        EXPECT_NEAR(ymin, 0.1, 1e-12);
    }
    const std::vector<wheel> t = template_wheels("tandem", 160, 0.7, position);
    EXPECT_NEAR(t[1].y - t[0].y, 0.30, 1e-12); // a dual set
    EXPECT_NEAR(t[2].y - t[0].y, 1.80, 1e-12); // the track
    EXPECT_NEAR(t[0].x - t[4].x, 1.30, 1e-12); // the axles
    EXPECT_EQ(template_wheels("quad", 160, 0.7, position).size(), 0u);
}

// The files made from the good description: dowels and ties where spacing and offsets put
// them, the joints as gap intervals, the grading within its ratio, the loads as written.
TEST(Description, GeneratedFilesAgainstHandCounts)
{
    description d;
    std::vector<std::string> errors;
    ASSERT_TRUE(parse_description(good, "m.toml", d, errors));
    generated_model g;
    std::string why;
    ASSERT_TRUE(build_model(d, {}, g, why)) << why;
    // dowels: a transverse joint at x = 4.5 crossing two rows 3.6 m wide: bars at 0.15,
    // 0.45, ... 3.45 from each row's edge = 12 per row; ties every 0.75 m from 0.375 in each
    // column 4.5 m long: 0.375, 1.125, ... 4.125 = 6 per column
    EXPECT_EQ(g.n_dowels, 24);
    EXPECT_EQ(g.n_ties, 12);
    std::istringstream dw(g.dowel_text);
    int n, types;
    dw >> n >> types;
    ASSERT_EQ(n, 36);
    ASSERT_EQ(types, 2);
    double rec[12];
    for (int t = 0; t < types; ++t)
        for (double &v : rec) dw >> v;
    std::vector<double> ys, xs;
    for (int i = 0; i < n; ++i) {
        double x, y, z;
        int type;
        dw >> x >> y >> z >> type;
        EXPECT_NEAR(z, -12.5, 1e-9); // mid-depth of the 25 cm slab
        if (type == 0) {
            EXPECT_NEAR(x, 450.25, 1e-9); // the middle of the 0.5 cm gap
            ys.push_back(y);
        } else {
            EXPECT_NEAR(y, 360.25, 1e-9);
            xs.push_back(x);
        }
    }
    ASSERT_EQ(ys.size(), 24u);
    EXPECT_NEAR(ys[0], 15, 1e-9);
    EXPECT_NEAR(ys[11], 345, 1e-9);
    EXPECT_NEAR(ys[12], 360.5 + 15, 1e-9); // the second row starts after the longitudinal gap
    EXPECT_NEAR(xs[0], 37.5, 1e-9);
    EXPECT_NEAR(xs[6], 450.5 + 37.5, 1e-9);
    // the joint gaps are single intervals of their width, every other interval wider than the
    // threshold tarnel is given
    int gaps = 0;
    for (std::size_t i = 0; i + 1 < g.x.size(); ++i) {
        const double w = g.x[i + 1] - g.x[i];
        if (w < 1.0) {
            ++gaps;
            EXPECT_NEAR(g.x[i], 450, 1e-9);
            EXPECT_NEAR(w, 0.5, 1e-9);
        } else {
            EXPECT_GT(w, std::stod(g.tarnel_args[1]));
        }
    }
    EXPECT_EQ(gaps, 1);
    // grading: neighbours within 1.5, the gaps left out
    EXPECT_LE(largest_ratio(g.x, {450}), 1.5 + 1e-9);
    EXPECT_LE(largest_ratio(g.y, {360}), 1.5 + 1e-9);
    // every element near the tyres as fine as asked, away from them no coarser than size
    for (std::size_t i = 0; i + 1 < g.x.size(); ++i) EXPECT_LE(g.x[i + 1] - g.x[i], 25.0 + 1e-6);
    // the loads as written: eight rectangles whose pressure times area is 20 kN each
    std::istringstream lt(g.layer_text);
    int layers, loads;
    lt >> layers >> loads;
    EXPECT_EQ(loads, 8);
    const std::string text = g.layer_text;
    std::istringstream tail(text.substr(text.rfind('\n', text.size() - 2) + 1));
    double x1, y1, x2, y2, tx, ty, tz;
    tail >> x1 >> y1 >> x2 >> y2 >> tx >> ty >> tz;
    EXPECT_NEAR((x2 - x1) * (y2 - y1) * tz * 0.0098, 20.0, 1e-6); // kgf to kN
}

// Lines graded between fixed lines: a feature's size inside it, growth of about 1.3 away from
// it, every fixed line kept.
TEST(Description, GradedLines)
{
    const std::vector<double> lines =
        graded_lines({0, 385, 415, 800}, {}, {{385, 415, 2.5}}, 25, 1.3);
    for (double f : {0.0, 385.0, 415.0, 800.0})
        EXPECT_NE(std::find(lines.begin(), lines.end(), f), lines.end()) << f;
    double largest = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const double w = lines[i + 1] - lines[i];
        if (lines[i] >= 385 && lines[i + 1] <= 415) {
            EXPECT_NEAR(w, 2.5, 1e-9);
        }
        largest = std::max(largest, w);
    }
    EXPECT_LE(largest, 25.5);
    EXPECT_LE(largest_ratio(lines), 1.5);
    // the count follows the size field: 12 under the feature, about ln(10) / ln(1.3) growing
    // elements each side, the rest at about 25
    EXPECT_GE(lines.size(), 45u);
    EXPECT_LE(lines.size(), 60u);
}
