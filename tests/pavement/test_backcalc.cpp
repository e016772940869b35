// Back-calculation against known answers: basins made by pavement fwd from known k, E and joint
// interlock are back-calculated from a wrong start to within 3 % (k, E) and 5 % (the joint), and
// within 10 % with 2 % noise on the deflections; the closed form's AREA inverts to its radius;
// bad measured files are refused where they are wrong, with nothing written.
#include "backcalc.h"
#include "fwd.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace test_support;

namespace
{

const char *slabs(double e, double k, double joint)
{
    static std::string text;
    std::ostringstream o;
    o << "[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.6]\nthickness = 0.25\nE = " << e
      << "\nnu = 0.15\n[foundation]\nk = " << k
      << "\n[joints.transverse]\nwidth = 0.005\nstiffness = " << joint
      << "\n[mesh]\nsize = 0.3\nsize_near_loads = 0.05\n"
         "[[fwd]]\nposition = \"centre\"\n[[fwd]]\nposition = \"joint approach\"\n";
    text = o.str();
    return text.c_str();
}

// fwd.csv's rows as a measured basins file, each deflection times (1 + noise_k).
std::string measured_from(const std::string &fwd_csv, double noise)
{
    std::istringstream in(fwd_csv);
    std::string line, out = "station,position,load,d1,d2,d3,d4,d5,d6,d7,d8\n";
    std::getline(in, line);
    int n = 0;
    while (std::getline(in, line)) {
        std::vector<std::string> c;
        std::istringstream cs(line);
        for (std::string x; std::getline(cs, x, ',');) c.push_back(x);
        out += "S" + c[0] + "," + c[1] + "," + c[4];
        for (int k = 0; k < 8; ++k) {
            const double sign = ((n++ * 7919) % 3) - 1.0; // -1, 0, +1 in turn
            out += ',';
            out += std::to_string(std::stod(c[6 + 2 * k]) * (1 + sign * noise));
        }
        out += "\n";
    }
    return out;
}

double found(const std::string &csv, const std::string &quantity)
{
    const std::size_t at = csv.find("\n" + quantity + ",");
    if (at == std::string::npos) return std::nan("");
    std::istringstream in(csv.substr(at + quantity.size() + 2));
    std::string area, fitted;
    std::getline(in, area, ',');
    std::getline(in, fitted, ',');
    return std::stod(fitted.empty() ? area : fitted);
}

} // namespace

TEST(Backcalc, ClosedFormAreaInvertsToItsRadius)
{
    for (const double l : {0.5, 0.85, 1.2, 2.0}) {
        const double area =
            area_parameter(1, dense_liquid_basin(0.305, l), dense_liquid_basin(0.610, l),
                           dense_liquid_basin(0.914, l));
        EXPECT_NEAR(radius_of_area(area), l, 1e-6 * l) << l;
    }
    EXPECT_TRUE(std::isnan(radius_of_area(40))); // above a rigid plate's 36
}

TEST(Backcalc, RoundTripFromKnownValues)
{
    scratch_dir dir("pavement_backcalc");
    write_text(dir.file("truth.toml"), slabs(28000, 50, 1));
    const run_result t = run_command("'" PAVEMENT "' fwd truth.toml --timings", dir.path());
    ASSERT_EQ(t.status, 0) << t.err;
    // where the time went, and the peak memory and files at the end (without --quiet)
    EXPECT_NE(t.out.find("pavement: timings: meshing "), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("pavement: analyses: timings summed over "), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("pavement: peak memory "), std::string::npos) << t.out;
    const std::string fwd = read_text(dir.path() / "pavement_truth_fwd" / "fwd.csv");
    write_text(dir.file("guess.toml"), slabs(20000, 80, 0.1));
    for (const double noise : {0.0, 0.02}) {
        SCOPED_TRACE(noise);
        write_text(dir.file("measured.csv"), measured_from(fwd, noise));
        const run_result r = run_command(
            "'" PAVEMENT "' backcalc guess.toml --basins=measured.csv --quiet --timings --out=out",
            dir.path());
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        const std::string csv = read_text(dir.path() / "out" / "backcalc.csv");
        // --timings counts every analysis, as the table does: the fit's and the joint search's
        const std::string all = std::to_string(static_cast<int>(
            found(csv, "analyses of the fit") + found(csv, "analyses of the joint search")));
        EXPECT_NE(r.out.find("pavement: timings: " + all +
                             " analyses (the fit and the joint search) in "),
                  std::string::npos)
            << r.out << csv;
        const double tolerance = noise > 0 ? 0.10 : 0.03;
        EXPECT_NEAR(found(csv, "k"), 50, tolerance * 50) << csv;
        EXPECT_NEAR(found(csv, "E"), 28000, tolerance * 28000) << csv;
        EXPECT_NEAR(found(csv, "joint interlock"), 1.0, (noise > 0 ? 0.10 : 0.05)) << csv;
        // the description with the values found runs as it is
        const std::string filled = read_text(dir.path() / "out" / "guess_backcalc.toml");
        EXPECT_NE(filled.find("# back-calculated"), std::string::npos);
        write_text(dir.file("filled.toml"), filled);
        EXPECT_EQ(run_command("'" PAVEMENT "' check filled.toml", dir.path()).status, 0);
    }
    // a transfer no joint gives (the sensor across it deflecting more than the plate): the
    // search ends at its bracket, says so, and the status is not 0
    std::string impossible = measured_from(fwd, 0.0);
    const std::size_t row = impossible.find("joint approach,");
    const std::size_t d1 = impossible.find(',', row + 15) + 1, d2 = impossible.find(',', d1) + 1;
    const double d0 = std::stod(impossible.substr(d1, d2 - d1 - 1));
    impossible.replace(d2, impossible.find(',', d2) - d2, std::to_string(1.2 * d0));
    write_text(dir.file("impossible.csv"), impossible);
    const run_result r = run_command(
        "'" PAVEMENT "' backcalc guess.toml --basins=impossible.csv --quiet --out=imp", dir.path());
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("beyond what the joint gives"), std::string::npos) << r.err;
}

TEST(Backcalc, BadMeasuredFilesAreRefusedWhereTheyAreWrong)
{
    scratch_dir dir("pavement_backcalc_bad");
    write_text(dir.file("m.toml"), slabs(28000, 50, 1));
    const struct {
        const char *row, *where;
    } cases[] = {
        {"S1,centre,40,136,128,123,114,105,85,65", "bad.csv:2:"},        // a sensor missing
        {"S1,centre,40,136,128,-123,114,105,85,65,46", "bad.csv:2:22:"}, // negative
        {"S1,centre,40,136,128,nan,114,105,85,65,46", "bad.csv:2:22:"},  // not a number
        {"S1,centre,0,136,128,123,114,105,85,65,46", "bad.csv:2:11:"},   // no load
    };
    for (const auto &c : cases) {
        write_text(dir.file("bad.csv"), std::string("station,position,load,d1,d2,d3,d4,d5,d6,"
                                                    "d7,d8\n") +
                                            c.row + "\n");
        const run_result r = run_command(
            "'" PAVEMENT "' backcalc m.toml --basins=bad.csv --quiet --out=out", dir.path());
        EXPECT_EQ(r.status, 2) << c.row;
        EXPECT_NE(r.err.find(c.where), std::string::npos) << c.row << "\n" << r.err;
        EXPECT_FALSE(fs::exists(dir.path() / "out")) << c.row;
    }
}
