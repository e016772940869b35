// Program-wide display settings and result file names, owned by the viewer's main window.
#pragma once

#include "unit_factors.h"
#include <string>

// Settings the drawing reads and the main window's menus and dialogs set.
struct display_settings {
    float length_factor = 0.01f; // internal lengths (cm) to display units: 1 kgf-cm, 0.01 SI
    float stress_factor = static_cast<float>(
        mpa_per_kgf_cm2); // internal stresses (kgf/cm2) to display: 1 kgf-cm, 0.098 SI
    float in_stress_factor = unit_stress_factor_f(2); // text loader: stress-like inputs
    float in_stiff_factor = unit_spring_factor_f(2);  // text loader: spring stiffnesses
    bool unit_text_si = true;                         // status bar unit text: SI or conventional
    bool contour_range_set = false;                   // contours use the user's range
    bool wire_on = false;                             // element edges over filled faces
    bool wire_black = false;                          // edge colour black (true) or grey (false)
    bool smooth_contour = false;                      // contours drawn through the smooth surface
    bool overlay_draw = false;                        // a redraw does not clear first
    bool legend = false;       // contour legend and axis triad in the picture (Option > Legend)
    bool per_material = false; // contours from each material's own nodal means (BASE.mst)
    int principal_choice = 0;  // 0 minimum, 1 middle, 2 maximum, 3 all
    int wheel_mode = 2;        // 0 none, 1 frame, 2 filled
    int current_material = -1; // copy of the model's sel_material
    int material_count = 0;    // copy of the model's n_materials
    float saved_range_box[6] = {0, 0, 0, 0, 0, 0}; // x min, x max, y min, y max, z min, z max
    // The model's scale group: disp_scale x, contour_max, contour_min, disp_scale y, z,
    // principal_scale.
    float scale_values[6] = {1000.0f, 100.0f, -100.0f, 1000.0f, 1000.0f, 1.0f};
};

// Input factors of "SI Input data": checked means the result files hold SI values.
inline void set_input_factors(display_settings &d, bool si_input)
{
    d.in_stress_factor = si_input ? unit_stress_factor_f(2) : 1.0f;
    d.in_stiff_factor = si_input ? unit_spring_factor_f(2) : 1.0f;
}

// Output factors of the Unit menu: SI (m, MPa) or kgf-cm.
inline void set_output_units(display_settings &d, bool si)
{
    d.length_factor = si ? 0.01f : 1.0f;
    d.stress_factor = si ? unit_stress_factor_f(1) : 1.0f;
    d.unit_text_si = si;
}

// The five file names of one result set, formed from its base name.
struct result_files {
    std::string base_name;
    std::string pin_name; // base + ".pin": model
    std::string out_name; // base + ".out": results
    std::string dwi_name; // base + ".dwi": dowel input
    std::string dwo_name; // base + ".dwo": dowel results
    std::string dyn_name; // base + ".dyn": dynamic run
};

// Set base_name and the five names from base.
inline void form_result_names(result_files &f, const std::string &base)
{
    f.base_name = base;
    f.pin_name = base + ".pin";
    f.out_name = base + ".out";
    f.dwi_name = base + ".dwi";
    f.dwo_name = base + ".dwo";
    f.dyn_name = base + ".dyn";
}
