// Units of the engineering post-processing: the canonical kgf-cm values it computes in, the
// report's units, and stresses given on the command line with an explicit unit.
#pragma once

#include <string>

// What a number is, for its conversion and its label.
enum class quantity_kind {
    none,         // a ratio or a count
    stress,       // kgf/cm2 -> MPa
    length,       // cm -> m (positions)
    displacement, // cm -> mm
    force,        // kgf -> kN
    moment,       // kgf cm -> kN m
    spring,       // kgf/cm3 -> MPa/m (joint stiffness, support modulus)
    unit_weight,  // kgf/cm3 -> kN/m3
};

// A canonical value (kgf, cm) in the report's units: SI (m, mm, MPa, kN) or kgf-cm.
double in_report_units(double value, quantity_kind kind, bool si);
// The unit's label ("MPa", "kgf/cm2", ...); empty for quantity_kind::none.
const char *unit_label(quantity_kind kind, bool si);

// A stress with its unit, e.g. "30MPa", "4.5 MPa", "300kgf/cm2", "4000psi", "0.6ksi", "30N/mm2",
// "4500kPa", in kgf/cm2. A number without a unit, or an unknown unit, is refused: false with why.
bool parse_stress(const std::string &text, double &kgf_cm2, std::string &why);
