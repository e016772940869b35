// Units of the report: stresses given with their unit, canonical values in report units.
#include "units.h"

#include <gtest/gtest.h>

#include <cmath>

// 1 kgf/cm2 = 0.098 MPa (the suite's factor); 1 psi = 6.894757e-3 MPa.
TEST(Units, StressesWithTheirUnits)
{
    const struct {
        const char *text;
        double kgf_cm2; // 0: refused
    } rows[] = {
        {"30MPa", 30 / 0.098},
        {"4.5 MPa", 4.5 / 0.098},
        {"300kgf/cm2", 300},
        {"4000psi", 4000 * 6.894757e-3 / 0.098},
        {"0.65ksi", 650 * 6.894757e-3 / 0.098},
        {"30N/mm2", 30 / 0.098},
        {"4500kPa", 4.5 / 0.098},
        {"300", 0},
        {"30 bananas", 0},
        {"-30MPa", 0},
        {"MPa", 0},
        {"nanMPa", 0},
    };
    for (const auto &r : rows) {
        double v = -1;
        std::string why;
        const bool ok = parse_stress(r.text, v, why);
        EXPECT_EQ(ok, r.kgf_cm2 > 0) << r.text << ": " << why;
        if (ok)
            EXPECT_NEAR(v, r.kgf_cm2, 1e-9 * r.kgf_cm2) << r.text;
        else
            EXPECT_FALSE(why.empty()) << r.text;
    }
}

// 1 kgf = 9.8 N, 1 cm = 0.01 m: a hand conversion of each kind.
TEST(Units, CanonicalValuesInReportUnits)
{
    const struct {
        quantity_kind kind;
        double kgf_cm, si;
        const char *si_label, *kgf_label;
    } rows[] = {
        {quantity_kind::stress, 10, 0.98, "MPa", "kgf/cm2"},
        {quantity_kind::length, 450, 4.5, "m", "cm"},
        {quantity_kind::displacement, 0.05, 0.5, "mm", "cm"},
        {quantity_kind::force, 1000, 9.8, "kN", "kgf"},
        {quantity_kind::moment, 1.0e5, 9.8, "kN m", "kgf cm"},
        {quantity_kind::spring, 10, 98, "MPa/m", "kgf/cm3"},
        {quantity_kind::unit_weight, 0.0024, 23.52, "kN/m3", "kgf/cm3"},
    };
    for (const auto &r : rows) {
        EXPECT_NEAR(in_report_units(r.kgf_cm, r.kind, true), r.si, 1e-9 * r.si) << r.si_label;
        EXPECT_EQ(in_report_units(r.kgf_cm, r.kind, false), r.kgf_cm);
        EXPECT_STREQ(unit_label(r.kind, true), r.si_label);
        EXPECT_STREQ(unit_label(r.kind, false), r.kgf_label);
    }
}
