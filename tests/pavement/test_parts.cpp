// The loading apart and the built-in curl, against independent analyses: the wheels' part of a
// run is the wheels analysed alone (by superposition where the model is linear, by its own
// analysis where a support lets go), the parts add up field by field on a linear model, and a
// built-in curl curls a slab as Bradbury's closed form says.
#include "result_set.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

using namespace test_support;

namespace
{

// A 4.5 x 3.6 x 0.25 m slab on a dense liquid with a wheel near its edge; extra: the rest.
std::string slab(const std::string &extra, bool wheel = true, bool weight = true,
                 bool tensionless = false)
{
    return std::string("[slabs]\nlengths = [4.5]\nwidths = [3.6]\nthickness = 0.25\nE = 28000\n"
                       "nu = 0.15\nalpha = 1.0e-5\n") +
           (weight ? "density = 2.4\n" : "") + "[foundation]\nk = 50\n" +
           (tensionless ? "tensionless = true\n" : "") + "[mesh]\nsize = 0.3\n" +
           (wheel ? "[[loads]]\nwheels = [[2.25, 0.3, 0.25, 0.2]]\nload = 40\n" : "") + extra;
}

// Runs pavement on text as name in dir; the report's CSV.
std::string run_csv(const scratch_dir &dir, const std::string &name, const std::string &text)
{
    write_text(dir.file(name + ".toml"), text);
    const run_result r =
        run_command("'" PAVEMENT "' run " + name + ".toml --no-pictures --quiet", dir.path());
    EXPECT_EQ(r.status, 0) << name << r.out << r.err;
    return read_text(dir.path() / ("pavement_" + name) / (name + "_report.csv"));
}

// The row of the parts table named row: S3 at the bottom and the top (MPa).
bool part(const std::string &csv, const std::string &row, double &bottom, double &top)
{
    const std::size_t table = csv.find("loading,S3 bottom");
    if (table == std::string::npos) return false;
    const std::size_t at = csv.find("\n" + row + ",", table);
    if (at == std::string::npos) return false;
    std::istringstream in(csv.substr(at + row.size() + 2));
    char comma = 0;
    return static_cast<bool>(in >> bottom >> comma >> top);
}

result_set read_set(const fs::path &base)
{
    result_set rs;
    read_request req;
    req.units = file_units::kgf_cm;
    std::string why, note;
    EXPECT_TRUE(read_result_set(base.string(), req, rs, why, note)) << why;
    return rs;
}

} // namespace

// Linear: the run's wheels alone are a separate analysis of the wheels (same mesh, same figures
// to the report's six digits), and the whole field is the wheels' plus the one without them at
// every node to 1e-6. With a support that lets go, the wheels' part is their own analysis on the
// uncurled slab in its weight (a separate run of the wheels with the weight and no temperature).
TEST(PavementParts, WheelsAloneAreTheWheelsAnalysedAlone)
{
    scratch_dir dir("pavement_parts");
    for (const bool tensionless : {false, true}) {
        SCOPED_TRACE(tensionless ? "tensionless" : "linear");
        const std::string both = tensionless ? "both_nl" : "both", only = both + "_wheels_only";
        const std::string csv =
            run_csv(dir, both, slab("[temperature]\ndifference = 8\n", true, true, tensionless));
        // linear: the wheels alone; tensionless: the wheels on the uncurled slab in its weight
        const std::string alone = run_csv(dir, only, slab("", true, tensionless, tensionless));
        double b = 0, t = 0;
        ASSERT_TRUE(part(csv, "wheels alone", b, t)) << csv;
        const double wb = summary_value(alone, "max_tension_slab_bottom");
        const double wt = summary_value(alone, "max_tension_slab_top");
        EXPECT_NEAR(b, wb, 1e-5 * std::fabs(wb));
        EXPECT_NEAR(t, wt, 1e-5 * std::fabs(wb));
        ASSERT_TRUE(part(csv, "combined", b, t));
        EXPECT_NEAR(b, summary_value(csv, "max_tension_slab_bottom"), 1e-5 * std::fabs(b));
        EXPECT_EQ(csv.find(tensionless ? "by superposition" : "analysed on its own"),
                  std::string::npos);
        if (tensionless) continue;
        // field by field: whole = wheels alone (a separate analysis) + without the wheels
        const result_set whole = read_set(dir.path() / ("pavement_" + both) / both);
        const result_set without =
            read_set(dir.path() / ("pavement_" + both) / (both + "_unloaded"));
        const result_set wheels = read_set(dir.path() / ("pavement_" + only) / only);
        ASSERT_EQ(whole.mst.stress.size(), wheels.mst.stress.size());
        ASSERT_EQ(whole.mst.stress.size(), without.mst.stress.size());
        double largest = 0, worst = 0;
        for (std::size_t k = 0; k < whole.mst.stress.size(); ++k) {
            largest = std::fmax(largest, std::fabs(whole.mst.stress[k]));
            worst = std::fmax(worst, std::fabs(whole.mst.stress[k] - wheels.mst.stress[k] -
                                               without.mst.stress[k]));
        }
        EXPECT_LT(worst, 1e-6 * largest);
    }
}

// A built-in curl of -10 C on a weightless slab without wheels curls it as a top 10 C cooler
// does: Bradbury's C for L / l = 4.8 gives about 1.05 MPa of top tension at mid-slab.
TEST(PavementParts, BuiltInCurlActsAsAnEquivalentDifference)
{
    scratch_dir dir("pavement_built_in");
    const double cooler = summary_value(
        run_csv(dir, "cooler", slab("[temperature]\ndifference = -10\n", false, false)),
        "max_tension_slab_top");
    const double built =
        summary_value(run_csv(dir, "built", slab("[temperature]\nbuilt_in = -10\n", false, false)),
                      "max_tension_slab_top");
    const double both = summary_value(
        run_csv(dir, "both", slab("[temperature]\ndifference = -4\nbuilt_in = -6\n", false, false)),
        "max_tension_slab_top");
    EXPECT_NEAR(built, 1.05, 0.05);
    EXPECT_NEAR(built, cooler, 1e-5 * cooler);
    EXPECT_NEAR(both, cooler, 1e-5 * cooler);
}
