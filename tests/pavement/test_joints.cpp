// The front end's joints against closed forms and hand reasoning: a joint passes shear and
// never tension (a jointed pair curls as one slab does), the load transfer of the wheels alone
// against the published relation to AGG/(k l), and descriptions that check and run refuse alike.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

using namespace test_support;

namespace
{

// Runs pavement on a description text in dir and returns the report's CSV.
std::string run_report(const scratch_dir &dir, const std::string &name, const std::string &text)
{
    write_text(dir.file(name + ".toml"), text);
    const run_result r =
        run_command("'" PAVEMENT "' run " + name + ".toml --out=" + name + " --no-pictures --quiet",
                    dir.path());
    EXPECT_EQ(r.status, 0) << name << r.out << r.err;
    return read_text(dir.path() / name / (name + "_report.csv"));
}

// Weightless 4.5 x 3.6 x 0.25 m slabs on a dense liquid, top 10 C cooler than the bottom.
std::string curled(const std::string &lengths, const std::string &joint)
{
    return "[slabs]\nlengths = " + lengths +
           "\nwidths = [3.6]\nthickness = 0.25\nE = 28000\nnu = 0.15\n"
           "[foundation]\nk = 50\n[temperature]\ndifference = -10\n"
           "[mesh]\nsize = 0.25\nsize_near_joints = 0.05\n" +
           joint;
}

// Crovetti (1994), the fit of plate analyses of a loaded area at a joint: the deflection
// transfer of a joint of nondimensional stiffness AGG / (k l).
double crovetti_lte(double agg_kl)
{
    return 1.0 / (1.0 + 1.2 * std::pow(agg_kl, -0.849));
}

} // namespace

// A sawn joint carries no tension and no moment, so each slab of a pair curls as a slab alone
// (Bradbury's C for L / l = 4.8 gives about 1.05 MPa at mid-slab): the pair's top tension equals
// the single slab's whatever the interlock, where a joint glued in tension made the pair one
// 9 m slab (1.44 MPa at 50 MPa/mm).
TEST(PavementJoints, JointedPairCurlsAsTheSingleSlab)
{
    scratch_dir dir("pavement_curl");
    const double single =
        summary_value(run_report(dir, "one", curled("[4.5]", "")), "max_tension_slab_top");
    EXPECT_NEAR(single, 1.05, 0.05);
    for (const char *k : {"5", "50"}) {
        const std::string joint =
            std::string("[joints.transverse]\nstiffness = ") + k + "\nwidth = 0.005\n";
        const double pair =
            summary_value(run_report(dir, std::string("pair") + k, curled("[4.5, 4.5]", joint)),
                          "max_tension_slab_top");
        EXPECT_NEAR(pair, single, 0.03 * single) << "interlock " << k << " MPa/mm";
    }
}

// One undoweled joint entered as agg = AGG/(k l), a 40 kN load on the FWD plate's area at the
// joint: the deflection LTE of the model against Crovetti's relation, within 0.02 below 0.3
// and 5 % above (the fit itself scatters by a few per cent). Self weight moves both sides
// alike and must not change the transfer of the load.
TEST(PavementJoints, LoadTransferFollowsThePublishedRelationToAgg)
{
    scratch_dir dir("pavement_lte");
    auto slab = [](double agg, double density) {
        char b[600];
        std::snprintf(b, sizeof b,
                      "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.6]\nthickness = 0.25\n"
                      "E = 28000\nnu = 0.15\ndensity = %g\n[foundation]\nk = 40\n"
                      "[joints.transverse]\nagg = %g\nwidth = 0.005\n"
                      "[[loads]]\nwheels = [[4.367, 1.8, 0.266, 0.266]]\nload = 40\n",
                      density, agg);
        return std::string(b);
    };
    const struct {
        const char *name;
        double agg;
    } rows[] = {{"soft", 0.1}, {"mid", 1.0}, {"stiff", 10.0}};
    for (const auto &row : rows) {
        const double lte = summary_value(run_report(dir, row.name, slab(row.agg, 0)), "lte");
        const double expect = crovetti_lte(row.agg);
        EXPECT_NEAR(lte, expect, expect < 0.3 ? 0.02 : 0.05 * expect) << "AGG/kl " << row.agg;
        if (row.agg == 1.0) {
            const double heavy =
                summary_value(run_report(dir, "weight", slab(row.agg, 2.4)), "lte");
            EXPECT_NEAR(heavy, lte, 0.01 * lte) << "self weight changed the load's transfer";
        }
    }
}

// What an engineer mistypes: check and run refuse it alike, at the key's line, with status 2,
// and write nothing.
TEST(PavementJoints, CheckAndRunRefuseTheSameDescriptions)
{
    scratch_dir dir("pavement_refusals");
    const std::string slabs = "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.7]\nthickness = "
                              "0.25\nE = 28000\n[foundation]\nk = 50\n";
    const std::string wheel = "[[loads]]\nwheels = [[2.0, 1.8, 0.2, 0.25]]\nload = 40\n";
    const std::string joint = "[joints.transverse]\nstiffness = 1\n";
    const struct {
        const char *name;
        std::string text, expect;
    } rows[] = {
        {"spacing_mm",
         slabs + wheel + joint +
             "[joints.transverse.dowels]\ndiameter = 0.032\nlength = 0.45\n"
             "spacing = 300\n",
         ":13: joints.transverse.dowels: no bar fits"},
        {"first_past",
         slabs + wheel + joint +
             "[joints.transverse.dowels]\ndiameter = 0.032\nlength = 0.45\n"
             "spacing = 0.3\nfirst = 5.0\n",
         ":13: joints.transverse.dowels: no bar fits"},
        {"no_joint",
         "[slabs]\nlengths = [4.5]\nwidths = [3.7]\nthickness = 0.25\nE = 28000\n"
         "[foundation]\nk = 50\n" +
             wheel + joint +
             "[joints.transverse.dowels]\ndiameter = 0.032\nlength = 0.45\nspacing = 0.3\n",
         "joints.transverse.dowels: there is no transverse joint"},
        {"psi",
         "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.7]\nthickness = 0.25\nE = 4000000\n"
         "[foundation]\nk = 50\n" +
             wheel + joint,
         ":5: slabs.E: 4e+06 MPa is far outside"},
        {"k_per_mm",
         "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.7]\nthickness = 0.25\n"
         "E = 28000\n[foundation]\nk = 0.06\n" +
             wheel + joint,
         ":7: foundation.k: 0.06 MPa/m is far outside"},
        {"bar_in_m",
         slabs + wheel + joint +
             "[joints.transverse.dowels]\ndiameter = 32\nlength = 0.45\n"
             "spacing = 0.3\n",
         "joints.transverse.dowels.diameter: 32000 mm is far outside"},
        {"overlap",
         slabs + wheel + "[[loads]]\nwheels = [[2.1, 1.8, 0.2, 0.25]]\nload = 40\n" + joint,
         ":11: loads[1]: a tyre at (2.100, 1.800) m overlaps one of loads[0]"},
        {"tiny_tyre",
         slabs +
             "[[loads]]\naxle = \"single\"\nload = 80\ntyre_pressure = 700\n"
             "position = [2.0, 1.0]\n" +
             joint,
         ":8: loads[0]: a tyre pressure of 700 MPa is far outside"},
        {"agg_without_k",
         "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.7]\nthickness = 0.25\n"
         "E = 28000\n[[layers]]\nthickness = 1\nE = 100\n" +
             wheel + "[joints.transverse]\nagg = 1\n",
         "joints.transverse: agg and lte are relative to the support's k"},
    };
    for (const auto &row : rows) {
        write_text(dir.file(std::string(row.name) + ".toml"), row.text);
        for (const char *command : {"check", "run"}) {
            const run_result r = run_command("'" PAVEMENT "' " + std::string(command) + " " +
                                                 row.name + ".toml --out=out --quiet",
                                             dir.path());
            EXPECT_EQ(r.status, 2) << command << " " << row.name << ": " << r.out << r.err;
            EXPECT_NE(r.err.find(row.expect), std::string::npos)
                << command << " " << row.name << ": " << r.err;
            EXPECT_FALSE(fs::exists(dir.path() / "out")) << command << " " << row.name;
        }
    }
}

// The report's dowel bearing against Friberg's, worked here from the bar forces corvane wrote
// (kgf, kgf cm in BASE.dwo): beta = (K d / 4 E I)^(1/4), y0 = 2 beta (P - beta M) / (K d),
// bearing K y0, the larger of the two halves; in MPa, 1 kgf/cm2 = 0.098 MPa.
TEST(PavementJoints, DowelBearingIsFribergsOnTheBarForces)
{
    scratch_dir dir("pavement_friberg");
    const std::string csv = run_report(dir, "bars", R"([slabs]
lengths = [3.0, 3.0]
widths = [1.8]
thickness = 0.25
E = 28000
[foundation]
k = 40
[joints.transverse]
stiffness = 0.5
[joints.transverse.dowels]
diameter = 0.032
length = 0.46
spacing = 0.3
E = 200000
support_modulus = 400000
[[loads]]
wheels = [[2.9, 0.9, 0.2, 0.25]]
load = 40
[mesh]
size = 0.3
size_near_loads = 0.05
elements_through_slab = 4
)");
    const double reported = summary_value(csv, "max_dowel_bearing");
    const double pi = 3.141592653589793, e = 200000 / 0.098, d = 3.2, k = 400000 / 9.8;
    const double inertia = pi * d * d * d * d / 64,
                 beta = std::pow(k * d / (4 * e * inertia), 0.25);
    std::istringstream dwo(read_text(dir.path() / "bars" / "bars.dwo"));
    std::string line;
    std::getline(dwo, line); // the column heads
    double largest = 0;
    int bars = 0;
    while (std::getline(dwo, line)) {
        std::vector<double> v;
        std::istringstream in(line);
        for (std::string t; in >> t;) v.push_back(std::strtod(t.c_str(), nullptr));
        if (v.size() < 12) continue;
        const double *g = &v[v.size() - 12]; // Fx1 Fy1 Fz1 Mx1 My1 Mz1 Fx2 ... (bars along x)
        ++bars;
        // P and M at the joint face of each half (the end forces' convention for bars along x)
        const double p[2] = {-g[2], -g[8]}, m[2] = {-g[4], g[10]};
        for (int h = 0; h < 2; ++h) {
            const double y0 = 2 * beta * (p[h] - beta * m[h]) / (k * d);
            largest = std::max(largest, std::fabs(k * y0) * 0.098);
        }
    }
    EXPECT_EQ(bars, 6);
    EXPECT_GT(largest, 0.5);
    EXPECT_NEAR(reported, largest, 1e-3 * largest);
}
