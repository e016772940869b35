// The shared file conventions: unit factors, material type codes, atomic output.
#include "atomic_output.h"
#include "material_code.h"
#include "test_support.h"
#include "unit_factors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

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
