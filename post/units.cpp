// Units of the engineering post-processing: the canonical kgf-cm values it computes in, the
// report's units, and stresses given on the command line with an explicit unit.
#include "units.h"

#include "unit_factors.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

struct unit_row {
    quantity_kind kind;
    double si_factor; // canonical value times this = SI value
    const char *si, *kgf;
};

const unit_row unit_table[] = {
    {quantity_kind::none, 1.0, "", ""},
    {quantity_kind::stress, mpa_per_kgf_cm2, "MPa", "kgf/cm2"},
    {quantity_kind::length, m_per_cm, "m", "cm"},
    {quantity_kind::displacement, 10.0, "mm", "cm"},
    {quantity_kind::force, kn_per_kgf, "kN", "kgf"},
    {quantity_kind::moment, kn_per_kgf *m_per_cm, "kN m", "kgf cm"},
    {quantity_kind::spring, mpa_m_per_kgf_cm3, "MPa/m", "kgf/cm3"},
    {quantity_kind::unit_weight, kn_per_kgf / (m_per_cm * m_per_cm * m_per_cm), "kN/m3", "kgf/cm3"},
};

const unit_row &row_of(quantity_kind k)
{
    for (const unit_row &r : unit_table)
        if (r.kind == k) return r;
    return unit_table[0];
}

} // namespace

double in_report_units(double value, quantity_kind kind, bool si)
{
    return si ? value * row_of(kind).si_factor : value;
}

const char *unit_label(quantity_kind kind, bool si)
{
    return si ? row_of(kind).si : row_of(kind).kgf;
}

bool parse_stress(const std::string &text, double &kgf_cm2, std::string &why)
{
    const char *s = text.c_str();
    char *end = nullptr;
    const double v = std::strtod(s, &end);
    if (end == s || !std::isfinite(v) || !(v > 0.0)) {
        why = "'" + text + "' is not a positive stress with its unit (e.g. 30MPa)";
        return false;
    }
    while (*end == ' ') ++end;
    std::string unit;
    for (const char *c = end; *c; ++c) unit += static_cast<char>(std::tolower(*c));
    // unit -> kgf/cm2 per unit
    static const struct {
        const char *name;
        double kgf_cm2;
    } stress_units[] = {
        {"mpa", 1.0 / mpa_per_kgf_cm2},         {"n/mm2", 1.0 / mpa_per_kgf_cm2},
        {"kpa", 0.001 / mpa_per_kgf_cm2},       {"kgf/cm2", 1.0},
        {"psi", 6.894757e-3 / mpa_per_kgf_cm2}, {"ksi", 6.894757 / mpa_per_kgf_cm2},
    };
    if (unit.empty()) {
        why = "'" + text + "' has no unit: write it as 30MPa, 300kgf/cm2 or 4000psi";
        return false;
    }
    for (const auto &u : stress_units)
        if (unit == u.name) {
            kgf_cm2 = v * u.kgf_cm2;
            return true;
        }
    why = "'" + text + "': unknown unit '" + std::string(end) +
          "' (MPa, N/mm2, kPa, kgf/cm2, psi or ksi)";
    return false;
}
