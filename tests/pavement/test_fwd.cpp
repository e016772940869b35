// Deflectometer drops on the model against closed forms: Westergaard's interior deflection of a
// loaded circle, the basin shape (AREA) of a plate on a dense liquid from Kelvin functions
// summed here, the AREA definition, and joint drops that see the joint's transfer from both
// sides alike.
#include "fwd.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace test_support;

namespace
{

// ber, bei and kei of x by their power series (Abramowitz and Stegun 9.9.10, 9.9.12).
void kelvin(double x, double &ber, double &bei, double &kei)
{
    const double q = x * x / 4, euler = 0.5772156649015329;
    ber = bei = 0;
    double series = 0, term = 1, harmonic = 0; // term = (q)^n / (n!)^2
    for (int n = 0; n < 60; ++n) {
        if (n > 0) {
            term *= q / (static_cast<double>(n) * n);
            harmonic += 1.0 / n;
        }
        const int phase = n % 4;             // i^n: the real and imaginary parts of (i q)^n
        const double psi = harmonic - euler; // digamma(n + 1)
        if (phase == 0) {
            ber += term;
        } else if (phase == 2) {
            ber -= term;
        } else if (phase == 1) {
            bei += term;
            series += psi * term;
        } else {
            bei -= term;
            series -= psi * term;
        }
    }
    kei = -std::log(x / 2) * bei - M_PI / 4 * ber + series;
}

// Westergaard's deflection under a point load on an infinite plate on a dense liquid, relative
// to its value under the load: w(r) / w(0) = -(4 / pi) kei(r / l).
double basin(double r, double l)
{
    double ber, bei, kei;
    kelvin(r / l, ber, bei, kei);
    return -4.0 / M_PI * kei;
}

std::string run_fwd(const scratch_dir &dir, const std::string &name, const std::string &text,
                    run_result &r)
{
    write_text(dir.file(name + ".toml"), text);
    r = run_command("'" PAVEMENT "' fwd " + name + ".toml --quiet", dir.path());
    return read_text(dir.path() / ("pavement_" + name + "_fwd") / "fwd.csv");
}

// The fields of row k (1-based) of fwd.csv.
std::vector<std::string> row(const std::string &csv, int k)
{
    std::istringstream in(csv);
    std::string line;
    for (int i = 0; i <= k && std::getline(in, line);) ++i;
    std::vector<std::string> cells;
    std::istringstream cs(line);
    for (std::string c; std::getline(cs, c, ',');) cells.push_back(c);
    return cells;
}

} // namespace

TEST(Fwd, AreaByItsDefinitionAndTheKelvinFunctions)
{
    EXPECT_DOUBLE_EQ(area_parameter(1, 1, 1, 1), 36.0); // a rigid basin
    EXPECT_NEAR(area_parameter(100, 50, 25, 10), 6 * (1 + 1 + 0.5 + 0.1), 1e-12);
    // the series: kei(0+) -> -pi/4, ber(1) = 0.98438, bei(1) = 0.24957 (A&S table 9.12)
    double ber, bei, kei;
    kelvin(1.0, ber, bei, kei);
    EXPECT_NEAR(ber, 0.98438, 1e-5);
    EXPECT_NEAR(bei, 0.24957, 1e-5);
    EXPECT_NEAR(kei, -0.49499, 1e-5);
    EXPECT_NEAR(basin(1e-9, 1.0), 1.0, 1e-6);
}

// Westergaard's example slab (8 x 8 m, 0.10 m, E 30 000 MPa, k 5 MPa/m: l = 0.846 m) under a
// 40 kN drop on the 0.15 m plate at its centre: w0 = P / (8 k l^2) (1 + (ln(a / 2l) + 0.5772 -
// 1.25) (a / l)^2 / (2 pi)) = 1.3716 mm, and the basin's AREA as the point load's from the Kelvin
// functions (the plate's spread changes it by well under the tolerance).
TEST(Fwd, CentreDropAgainstWestergaard)
{
    scratch_dir dir("pavement_fwd");
    run_result r;
    const std::string csv = run_fwd(dir, "w",
                                    "[slabs]\nlengths = [8.0]\nwidths = [8.0]\nthickness = 0.10\n"
                                    "E = 30000\nnu = 0.15\n[foundation]\nk = 5\n"
                                    "[[fwd]]\nposition = \"centre\"\n",
                                    r);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::vector<std::string> cells = row(csv, 1);
    ASSERT_GE(cells.size(), 23u) << csv;
    const double e = 30000e6, h = 0.10, nu = 0.15, k = 5e6, p = 40e3, a = 0.15;
    const double l = std::pow(e * h * h * h / (12 * (1 - nu * nu) * k), 0.25);
    const double w0 =
        p / (8 * k * l * l) *
        (1 + (std::log(a / (2 * l)) + 0.5772156649 - 1.25) * (a / l) * (a / l) / (2 * M_PI));
    const double d0 = std::stod(cells[6]) * 1e-6;
    EXPECT_NEAR(d0, w0, 0.03 * w0);
    const double area = std::stod(cells[21]);
    const double closed = area_parameter(1, basin(0.305, l), basin(0.610, l), basin(0.914, l));
    EXPECT_NEAR(area, closed, 0.03 * closed) << "l = " << l;
}

// Two equal slabs: a drop before the joint and one after it see the same transfer; a stiffer
// joint passes more. Bad drops are refused where they are written.
TEST(Fwd, JointDropsFromBothSidesAndRefusals)
{
    scratch_dir dir("pavement_fwd_joint");
    auto slabs = [](const char *stiffness) {
        return std::string("[slabs]\nlengths = [4.5, 4.5]\nwidths = [3.6]\nthickness = 0.25\n"
                           "E = 28000\n[foundation]\nk = 50\n[mesh]\nsize = 0.3\n"
                           "[joints.transverse]\nwidth = 0.005\nstiffness = ") +
               stiffness + "\n";
    };
    double lte[2][2];
    for (int s = 0; s < 2; ++s) {
        run_result r;
        const std::string name = s == 0 ? "weak" : "stiff";
        const std::string csv = run_fwd(
            dir, name,
            slabs(s == 0 ? "0.2" : "5") +
                "[[fwd]]\nposition = \"joint approach\"\n[[fwd]]\nposition = \"joint leave\"\n",
            r);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (int k = 0; k < 2; ++k) lte[s][k] = std::stod(row(csv, k + 1).back());
        EXPECT_NEAR(lte[s][0], lte[s][1], 0.01) << name;
        EXPECT_GT(lte[s][0], 0.0);
        EXPECT_LT(lte[s][0], 1.0);
    }
    EXPECT_GT(lte[1][0], lte[0][0] + 0.1);
    for (const char *bad :
         {"position = [8.9, 1.0]\n", "sensors = [0.2, 0.3]\n", "position = \"joint lever\"\n"}) {
        run_result r;
        run_fwd(dir, "bad", slabs("1") + "[[fwd]]\n" + bad, r);
        EXPECT_EQ(r.status, 2) << bad << r.err;
        EXPECT_NE(r.err.find("bad.toml:"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.path() / "pavement_bad_fwd" / "fwd.csv"));
    }
}
