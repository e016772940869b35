// The report's key figures: one table that the summary, the CSV, the envelope's case table and
// the sweeps all read, so that a new figure is added in one place.
#include "quantities.h"

#include <cmath>
#include <cstring>

const report_quantity report_quantities[] = {
    {"max_tension_slab_bottom", "largest principal tension at the slab bottom (in its plane)",
     quantity_kind::stress, +1, [](const report_data &r) { return r.max_tension_bottom(); }},
    {"max_tension_slab_top", "largest principal tension at the slab top (in its plane)",
     quantity_kind::stress, +1, [](const report_data &r) { return r.max_tension_top(); }},
    {"max_deflection", "largest deflection at the surface (|Uz|)", quantity_kind::displacement, +1,
     [](const report_data &r) {
         return r.deflection_node >= 0 ? std::fabs(r.deflection) : std::nan("");
     }},
    {"max_joint_opening", "largest joint opening", quantity_kind::displacement, +1,
     [](const report_data &r) { return r.max_opening; }},
    {"lte", "deflection load transfer efficiency under the wheels", quantity_kind::none, -1,
     [](const report_data &r) { return r.lte(); }},
    {"stress_lte", "stress load transfer efficiency under the wheels", quantity_kind::none, -1,
     [](const report_data &r) { return r.stress_lte(); }},
    {"max_dowel_bearing", "largest dowel bearing stress on the concrete", quantity_kind::stress, +1,
     [](const report_data &r) { return r.max_bearing(); }},
    {"max_dowel_shear", "largest shear stress in a dowel bar", quantity_kind::stress, +1,
     [](const report_data &r) { return r.max_steel_shear(); }},
    {"max_dowel_bending", "largest bending stress in a dowel bar", quantity_kind::stress, +1,
     [](const report_data &r) { return r.max_steel_bending(); }},
    {"max_stress_ratio", "largest stress ratio (tension / modulus of rupture)", quantity_kind::none,
     +1, [](const report_data &r) { return r.max_stress_ratio(); }},
};

const int report_quantity_count =
    static_cast<int>(sizeof report_quantities / sizeof report_quantities[0]);

int governing_case(const std::vector<report_case> &cases, int q)
{
    const report_quantity &qt = report_quantities[q];
    int best = -1;
    double best_value = 0.0;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const double v = qt.value(cases[c].data);
        if (std::isnan(v)) continue;
        if (best < 0 || (qt.governs > 0 ? v > best_value : v < best_value)) {
            best = static_cast<int>(c);
            best_value = v;
        }
    }
    return best;
}

const report_quantity *find_quantity(const char *key)
{
    for (int q = 0; q < report_quantity_count; ++q)
        if (std::strcmp(report_quantities[q].key, key) == 0) return &report_quantities[q];
    return nullptr;
}
