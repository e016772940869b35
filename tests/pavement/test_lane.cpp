// The design check's lane, shoulder and erosion against hand values and separate analyses:
// PCA's erosion equations at the published worked example, the differential energy by hand,
// the tyres placed from a stripe and from a tied shoulder's joint where a hand calculation puts
// them, a tied shoulder carrying part of an edge load, and pavement check's outline.
#include "description.h"
#include "design.h"
#include "fatigue.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace test_support;

namespace
{

description parsed(const std::string &text)
{
    description d;
    std::vector<std::string> errors;
    EXPECT_TRUE(parse_description(text, "lane.toml", d, errors))
        << (errors.empty() ? "" : errors.front());
    return d;
}

// The tyres' y extent of a placement.
void tyre_extent(const placement &p, double &y0, double &y1)
{
    y0 = 1e300;
    y1 = -1e300;
    for (const wheel &w : p.wheels) {
        y0 = std::min(y0, w.y - w.width / 2);
        y1 = std::max(y1, w.y + w.width / 2);
    }
}

const char *traffic = "[design]\nmr = 4.5\n[[traffic]]\naxle = \"single-dual\"\nload = 80\n"
                      "repetitions = 1000\n";

} // namespace

// Huang (Pavement Analysis and Design, 2nd ed., example 12.x after PCA 1984): an 8-in slab on
// k = 100 pci; an 18-kip single axle deflects the corner 0.0353 in: p = 3.53 psi, P = 14.512,
// log N = 6.444 (N = 2.78e6); a 36-kip tandem 0.0458 in: P = 24.429, log N = 5.541.
TEST(Erosion, PcaEquationsAtThePublishedExample)
{
    const double k = 100 * 6.894757e-3 / 0.0254; // 100 pci in MPa/m
    const double h = 8 * 0.0254;
    EXPECT_NEAR(erosion_power(k, 0.0353 * 0.0254, h), 14.512, 0.005);
    EXPECT_NEAR(std::log10(erosion_allowable(14.512, 1.0)), 6.444, 0.001);
    EXPECT_NEAR(erosion_power(k, 0.0458 * 0.0254, h), 24.429, 0.01);
    EXPECT_NEAR(std::log10(erosion_allowable(24.429, 1.0)), 5.541, 0.001);
    // c1 P at or below 9: no erosion
    EXPECT_TRUE(std::isinf(erosion_allowable(9.0, 1.0)));
    EXPECT_TRUE(std::isinf(erosion_allowable(9.5, 0.9)));
    // DE = k / 2 (wL^2 - wUL^2): 50 MPa/m, 0.6 and 0.4 mm: 0.5 x 5e7 x (3.6e-7 - 1.6e-7) = 5 J/m2
    EXPECT_NEAR(differential_energy(50, 0.6e-3, 0.4e-3), 5.0, 1e-12);
}

// A 4.25 m widened slab with its stripe at 0.6 m: the outer tyre edge 0.45 m inside the stripe
// is at y = 1.05 m. A lane 3.65 m wide beside a tied 3 m shoulder (row 2), the wander from their
// joint: 0.45 m from the joint puts the outer tyre edge at 3.65 - 0.45 = 3.20 m; traffic 0.3 m
// beyond the joint runs on the shoulder (outer edge at 3.95 m) instead of being kept at an edge.
TEST(Lane, TyresPlacedFromTheNamedLine)
{
    {
        const description d = parsed(
            "[slabs]\nlengths = [4.5]\nwidths = [4.25]\nthickness = 0.25\nE = 28000\n"
            "[foundation]\nk = 50\n[wander]\nmean = 0.45\nsd = 0\npositions = 1\nfrom = 0.6\n" +
            std::string(traffic));
        const std::vector<placement> p = design_placements(d);
        ASSERT_FALSE(p.empty());
        double y0, y1;
        tyre_extent(p.front(), y0, y1);
        EXPECT_NEAR(y0, 1.05, 1e-9);
    }
    const std::string shoulder =
        "[slabs]\nlengths = [4.5]\nwidths = [3.65, 3.0]\nthickness = 0.25\nE = 28000\n"
        "[foundation]\nk = 50\n[joints.longitudinal]\nstiffness = 10\n"
        "[joints.longitudinal.ties]\ndiameter = 0.016\nlength = 0.8\nspacing = 0.75\n";
    for (const double mean : {0.45, -0.3}) {
        const description d = parsed(shoulder + "[wander]\nmean = " + std::to_string(mean) +
                                     "\nsd = 0\npositions = 1\nfrom = \"joint 1\"\n" + traffic);
        const std::vector<placement> p = design_placements(d);
        ASSERT_FALSE(p.empty()) << mean;
        double y0, y1;
        tyre_extent(p.front(), y0, y1);
        EXPECT_NEAR(y1, 3.65 - mean, 1e-9) << mean;
    }
    // from the free edge (the default) the same traffic beyond the edge is kept at it
    const description d =
        parsed(shoulder + "[wander]\nmean = -0.3\nsd = 0\npositions = 1\n" + traffic);
    const std::vector<placement> p = design_placements(d);
    ASSERT_FALSE(p.empty());
    double y0, y1;
    tyre_extent(p.front(), y0, y1);
    EXPECT_NEAR(y0, 0.0, 1e-9);
    // a middle row has no free edge: refused at the wander's line
    description bad;
    std::vector<std::string> errors;
    std::string three = shoulder;
    three.replace(three.find("[3.65, 3.0]"), 11, "[3.0, 3.65, 3.0]");
    EXPECT_FALSE(parse_description(three + "[design]\nlane = 2\nmr = 4.5\n[wander]\nfrom = "
                                           "\"edge\"\n[[traffic]]\naxle = \"single\"\nload = "
                                           "50\nrepetitions = 10\n",
                                   "lane.toml", bad, errors));
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors.front().find("has no free edge"), std::string::npos) << errors.front();
}

// A dual wheel at the lane's outer edge: with the tied shoulder beside it the slab-bottom
// tension is lower than at a free edge (the shoulder carries part of the load).
TEST(Lane, TiedShoulderLowersTheEdgeStress)
{
    scratch_dir dir("pavement_shoulder");
    auto tension = [&](const std::string &name, const std::string &widths,
                       const std::string &joint) {
        write_text(dir.file(name + ".toml"),
                   "[slabs]\nlengths = [4.5]\nwidths = " + widths +
                       "\nthickness = 0.25\nE = 28000\n[foundation]\nk = 50\n[mesh]\nsize = 0.3\n"
                       "[[loads]]\nwheels = [[2.25, 3.5, 0.2, 0.25], [2.25, 3.16, 0.2, 0.25]]\n"
                       "load = 80\n" +
                       joint);
        const run_result r =
            run_command("'" PAVEMENT "' run " + name + ".toml --no-pictures --quiet", dir.path());
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return summary_value(read_text(dir.path() / ("pavement_" + name) / (name + "_report.csv")),
                             "max_tension_slab_bottom");
    };
    const double free_edge = tension("free", "[3.65]", "");
    const double tied = tension("tied", "[3.65, 3.0]",
                                "[joints.longitudinal]\nstiffness = 10\nwidth = 0.005\n"
                                "[joints.longitudinal.ties]\ndiameter = 0.016\nlength = 0.8\n"
                                "spacing = 0.75\n");
    EXPECT_LT(tied, 0.9 * free_edge) << free_edge << " " << tied;
    // a flexible shoulder: a softer row (E 3000 MPa) beside the lane, joined by little interlock
    // and no ties, carries less of the load than the tied concrete one
    const double flexible = tension("flexible", "[3.65, 3.0]\nrow_E = [28000, 3000]",
                                    "[joints.longitudinal]\nstiffness = 0.5\nwidth = 0.005\n");
    EXPECT_GT(flexible, tied) << tied << " " << flexible;
    EXPECT_LE(flexible, free_edge * 1.001) << free_edge << " " << flexible;
}

// A template group placed from the lines: its leading tyre edge 0.2 m before transverse joint 1
// (at x = 4.5 m) and its outer tyre edge 0.1 m from the lane's free edge is the group at the
// front outer corner (4.3, 0.1) by hand; from a tied shoulder's joint (y = 3.65 m) 0.3 m into
// the lane, the outer tyre edge is at 3.35 m.
TEST(Lane, LoadGroupsPlacedFromTheLines)
{
    const std::string slabs =
        "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.65, 3.0]\nthickness = 0.25\nE = 28000\n"
        "[foundation]\nk = 50\n[joints.transverse]\nstiffness = 2\n[joints.longitudinal]\n"
        "stiffness = 10\n";
    const std::string group = "[[loads]]\naxle = \"tandem\"\nload = 160\ntyre_pressure = 0.7\n";
    const description by_corner = parsed(slabs + group + "position = [4.3, 0.1]\n");
    const description by_lines =
        parsed(slabs + group + "leading_edge = [\"joint 1\", 0.2]\nouter_edge = [\"edge\", 0.1]\n");
    ASSERT_EQ(by_lines.loads.size(), 1u);
    ASSERT_EQ(by_corner.loads[0].wheels.size(), by_lines.loads[0].wheels.size());
    for (std::size_t k = 0; k < by_lines.loads[0].wheels.size(); ++k) {
        EXPECT_NEAR(by_lines.loads[0].wheels[k].x, by_corner.loads[0].wheels[k].x, 1e-12);
        EXPECT_NEAR(by_lines.loads[0].wheels[k].y, by_corner.loads[0].wheels[k].y, 1e-12);
    }
    const description shoulder = parsed(
        slabs + group + "leading_edge = [\"joint 1\", 0.2]\nouter_edge = [\"joint 1\", 0.3]\n");
    double y1 = -1e300;
    for (const wheel &w : shoulder.loads[0].wheels) y1 = std::max(y1, w.y + w.width / 2);
    EXPECT_NEAR(y1, 3.35, 1e-9);
}

// pavement check outlines the design: the line, one placement per axle type, wander position
// and mode (here 1 x 3 x 2), the analyses and a time estimate.
TEST(Lane, CheckOutlinesTheDesign)
{
    scratch_dir dir("pavement_outline");
    write_text(dir.file("o.toml"),
               "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.65, 3.0]\nthickness = 0.25\nE = "
               "28000\n[foundation]\nk = 50\n[joints.transverse]\nstiffness = 2\n"
               "[joints.longitudinal]\nstiffness = 10\n[joints.longitudinal.ties]\n"
               "diameter = 0.016\nlength = 0.8\nspacing = 0.75\n"
               "[wander]\nmean = 0.45\nsd = 0.25\npositions = 3\nfrom = \"joint 1\"\n" +
                   std::string(traffic));
    const run_result r = run_command("'" PAVEMENT "' check o.toml", dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("the wander from longitudinal joint 1 (the lane's face at y = 3.650 m)"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("6 placements (3 bottom-up, 3 top-down), 6 combinations"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("tyres over y 0.960 to 3.200 m"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("analyses (load sets on shared meshes, superposed)"), std::string::npos);
}
