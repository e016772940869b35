// The shared file conventions: unit factors, material type codes, atomic output.
#include "atomic_output.h"
#include "material_code.h"
#include "quick_format.h"
#include "test_support.h"
#include "unit_factors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

TEST(Conventions, UnitFactorsAndTheirSinglePrecisionForms)
{
    EXPECT_EQ(unit_factors[1].stress, 0.098);
    EXPECT_EQ(unit_factors[1].spring, 9.8);
    EXPECT_EQ(unit_factors[1].weight, 1.0e6);
    // code 2 is the exact inverse of code 1
    for (int k = 0; k < 3; ++k) {
        const unit_factor_set a = unit_factors[1], b = unit_factors[2];
        const double pa[3] = {a.stress, a.spring, a.weight}, pb[3] = {b.stress, b.spring, b.weight};
        EXPECT_NEAR(pa[k] * pb[k], 1.0, 1e-15) << k;
    }
    // the single-precision forms are the values files written so far were made with
    EXPECT_EQ(unit_stress_factor_f(2), 10.204082f);
    EXPECT_EQ(unit_spring_factor_f(2), 0.10204082f);
    EXPECT_EQ(unit_stress_factor_f(1), 0.098f);
    EXPECT_EQ(unit_weight_factor_f(2), 1e-6f);
    EXPECT_FALSE(valid_unit_code(3));
    EXPECT_FALSE(valid_unit_code(-1));
    // entry 11 below 1.0 converts as a solid; 1.0 already as a joint
    EXPECT_TRUE(converts_as_solid(0.5));
    EXPECT_TRUE(converts_as_solid(-3.0f));
    EXPECT_FALSE(converts_as_solid(1.0));
}

TEST(Conventions, MaterialTypeCodesTruncateTowardZero)
{
    const struct {
        double entry11;
        int code;
    } rows[] = {{0.0, 0},
                {0.5, 0},
                {-0.5, 0},
                {1.0, 1},
                {1.99, 1},
                {10.7, 10},
                {-1.5, -1},
                {3.0e9, 2000000000},
                {-3.0e9, -2000000000},
                {std::numeric_limits<double>::quiet_NaN(), no_element_code}};
    for (const auto &r : rows) {
        EXPECT_EQ(material_type_code(r.entry11), r.code) << r.entry11;
        EXPECT_EQ(material_type_code(static_cast<float>(r.entry11)), r.code) << r.entry11;
    }
    for (int c : {1, 2, 10, 11, 12, 13, 14}) EXPECT_TRUE(is_joint_code(c)) << c;
    for (int c : {0, 3, 9, 15, -1, 2000000000}) EXPECT_FALSE(is_joint_code(c)) << c;
    EXPECT_TRUE(is_solid_code(0));
}

TEST(Conventions, AtomicOutputKeepsTemporaryNamesWithinTheNameLimit)
{
    const test_support::scratch_dir scratch("conventions_atomic");
    const fs::path &dir = scratch.path();
    for (std::size_t length : {10u, 245u, 246u, 250u, 255u}) {
        const std::string name = (dir / std::string(length, 'n')).string();
        const std::string pattern = temporary_pattern(name);
        EXPECT_LE(fs::path(pattern).filename().string().size(), 255u) << length;
        EXPECT_EQ(fs::path(pattern).parent_path(), dir) << length;
        atomic_file out;
        ASSERT_TRUE(out.open(name)) << length;
        std::fputs("complete\n", out.stream());
        EXPECT_FALSE(fs::exists(name)); // not under its name before the commit
        ASSERT_TRUE(out.commit()) << length;
        std::ifstream in(name);
        std::stringstream s;
        s << in.rdbuf();
        EXPECT_EQ(s.str(), "complete\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
        fs::remove(name);
    }
    // an abandoned file leaves the previous one
    const std::string name = (dir / "kept.txt").string();
    std::ofstream(name) << "old\n";
    {
        atomic_file out;
        ASSERT_TRUE(out.open(name));
        std::fputs("new", out.stream());
    }
    std::ifstream in(name);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "old");
    EXPECT_TRUE(append_in_one_write(name, "more\n"));
}

// The quick writer's text is snprintf's, character for character, for the formats of the
// files and for every kind of value (exact halves at the rounding digit, the smallest and
// largest magnitudes, signed zeros, values that are not finite).
TEST(Conventions, QuickFormatWritesWhatPrintfWrites)
{
    std::vector<double> values = {0.0,        -0.0,     0.5,      1.5,       2.5,    -2.5,
                                  0.125,      0.375,    -0.0625,  1e-5,      5e-324, -5e-324,
                                  1e300,      -1.7e308, 123456.5, 9.9999995, 0.0005, -0.0005,
                                  99999.9995, 1.0 / 3,  2.0 / 3,  -1e-310};
    std::mt19937_64 random(20261210);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-40, 40), halves(-4000000, 4000000), shift(1, 12);
    for (int k = 0; k < 20000; ++k) {
        values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
        // exact binary fractions: ties at the last printed digit are common among them
        values.push_back(std::ldexp(halves(random), -shift(random)));
    }
    const char *const real_formats[] = {"%8.3f",   "%14.6e", " %13.5e", "%12.4f",
                                        "%10.2f",  "%12.5f", "%E",      "%.0e",
                                        "%-9.2f|", "%.0f",   "%f",      "%3.1E%%"};
    char expected[1024];
    for (const char *format : real_formats)
        for (const double v : values) {
            std::string got;
            quick_format(got, format, v);
            std::snprintf(expected, sizeof expected, format, v);
            ASSERT_EQ(got, expected) << format << " of " << std::hexfloat << v;
        }
    // not finite, and conversions left to snprintf: the same text all the same
    for (const double v :
         {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()}) {
        std::string got;
        quick_format(got, "%14.6e|%8.3f", v, v);
        std::snprintf(expected, sizeof expected, "%14.6e|%8.3f", v, v);
        EXPECT_EQ(got, expected);
    }
    const struct {
        const char *format;
        long long a, b, c;
    } integer_rows[] = {{"%5d %5d %5d", 1, -22, 123456},
                        {" %5d ", 0, 0, 0},
                        {"%6d %4d %2d", 99999, 7, -3},
                        {"%-4d|%d|%+d", 12, -2147483647LL, 5},
                        {"%05d %x %ld", 42, 255, 1}};
    for (const auto &row : integer_rows) {
        std::string got;
        quick_format(got, row.format, static_cast<int>(row.a), static_cast<int>(row.b),
                     static_cast<int>(row.c));
        std::snprintf(expected, sizeof expected, row.format, static_cast<int>(row.a),
                      static_cast<int>(row.b), static_cast<int>(row.c));
        EXPECT_EQ(got, expected) << row.format;
    }
    // a stream's text in pieces, longer than one piece
    const std::string name = ::testing::TempDir() + "quick_text.txt";
    std::string whole;
    {
        std::FILE *f = std::fopen(name.c_str(), "w");
        ASSERT_NE(f, nullptr);
        {
            quick_text out(f);
            for (int k = 0; k < 20000; ++k) {
                out.printf("%8.3f %14.6e\n", values[k], values[k + 1]);
                std::snprintf(expected, sizeof expected, "%8.3f %14.6e\n", values[k],
                              values[k + 1]);
                whole += expected;
                out.puts("#\n");
                whole += "#\n";
            }
        }
        std::fclose(f);
    }
    std::ifstream in(name);
    std::stringstream read;
    read << in.rdbuf();
    EXPECT_EQ(read.str(), whole);
}
