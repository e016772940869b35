// State of the fatigue, range, scale and view dialogs as plain values, applied to the model by
// these functions.
#include "dialogs.h"
#include "material_code.h"
#include "unit_factors.h"

#include "field_text.h"

#include <cstdio>

namespace
{

const char *const float_field_format = "%10.5f"; // fatigue and scales fields
const char *const int_field_format = "%4d";      // scales integers
const char *const range_field_format = "%7.2f";  // range box, cm
const char *const view_field_format = "%6.3f";   // view values
const char *const material_value_format = "MatValue = %12.5e (%d)";

std::string int_text(int value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, int_field_format, value);
    return buffer;
}

float float_of(const std::string &text)
{
    return static_cast<float>(field_float(text));
}

} // namespace

// ---- Fatigue dialog ---------------------------------------------------------------------

fatigue_values fatigue_from_model(const FEMg3D &model)
{
    fatigue_values v;
    v.a = model.fatigue_a;
    v.b = model.fatigue_b;
    v.sa = model.flex_strength;
    v.r = model.repetitions_log;
    return v;
}

fatigue_fields fatigue_texts(const fatigue_values &v, float stress_factor)
{
    return {format_field(float_field_format, v.a), format_field(float_field_format, v.b),
            format_field(float_field_format, v.sa * stress_factor),
            format_field(float_field_format, v.r)};
}

void apply_fatigue(FEMg3D &model, fatigue_values &copy, const fatigue_fields &f,
                   float stress_factor)
{
    copy.a = float_of(f[0]);
    copy.b = float_of(f[1]);
    copy.sa = static_cast<float>(field_float(f[2]) / stress_factor); // display units to kgf/cm2
    copy.r = float_of(f[3]);
    model.fatigue_a = copy.a;
    model.fatigue_b = copy.b;
    model.flex_strength = copy.sa;
    model.repetitions_log = copy.r;
    model.compute_fatigue(copy.a, copy.b, copy.sa, copy.r);
}

// ---- Range dialog -----------------------------------------------------------------------

std::string material_name(int m)
{
    static const char *const names[13] = {
        "All", "No.1", "No.2", "No.3", "No.4", "No.5", "No.6",
        // "N.8" (not "No.8") is the fixed table entry as users know it
        "No.7", "N.8", "No.9", "No.10", "No.11", "No.12"};
    if (m >= -1 && m <= 11) return names[m + 1];
    return "No." + std::to_string(m + 1);
}

std::string material_value_text(const FEMg3D &model, int m)
{
    if (m < 0) return "All Materials are selected";
    if (m >= model.n_materials || m >= static_cast<int>(model.materials.size())) return "";
    const t_material &row = model.materials[m];
    const float e = row.value[0];
    const float kind = row.value[11];
    // Modulus in MPa whatever the display units: solids in kgf/cm2, joint springs per cm.
    const float value = static_cast<float>(converts_as_solid(kind) ? e * unit_factors[1].stress
                                                                   : e * unit_factors[1].spring);
    char buffer[80];
    // a kind beyond the int range or not a number (damaged file) is shown as -1
    const int kind_code = kind > -2.0e9f && kind < 2.0e9f ? material_type_code(kind) : -1;
    std::snprintf(buffer, sizeof buffer, material_value_format, static_cast<double>(value),
                  kind_code);
    return buffer;
}

range_fields show_range(FEMg3D &model, display_settings &d)
{
    d.current_material = model.sel_material;
    range_fields f;
    for (int k = 0; k < 6; ++k) f.box[k] = format_field(range_field_format, d.saved_range_box[k]);
    f.and_checked = model.range_inside;
    f.adjust_viewport = model.fit_to_range;
    model.set_sel_material(d.current_material);
    return f;
}

int range_up_down(FEMg3D &model, display_settings &d, bool upper_arrow)
{
    d.current_material = model.sel_material;
    if (upper_arrow) {
        d.current_material += 1;
        if (d.current_material > d.material_count - 1) d.current_material = d.material_count - 1;
    } else {
        d.current_material -= 1;
    }
    if (d.current_material < -1) d.current_material = -1;
    model.set_sel_material(d.current_material);
    return d.current_material;
}

void apply_range(FEMg3D &model, display_settings &d, const range_fields &f)
{
    for (int k = 0; k < 6; ++k) d.saved_range_box[k] = float_of(f.box[k]); // cm, no factor
    model.fit_to_range = f.adjust_viewport;
    model.range_inside = f.and_checked;
    model.set_range(d.saved_range_box);
    if (f.adjust_viewport)
        model.fit_to_box();
    else
        model.fit_to_model();
    model.set_sel_material(d.current_material);
    model.update_selection();
}

// ---- Scales dialog ----------------------------------------------------------------------

scale_fields show_scales(const FEMg3D &model, display_settings &d)
{
    model.get_scales(d.scale_values);
    const float *s = d.scale_values;
    return {format_field(float_field_format, s[0]), format_field(float_field_format, s[1]),
            format_field(float_field_format, s[2]), format_field(float_field_format, s[3]),
            format_field(float_field_format, s[4]), int_text(model.contour_divisions),
            format_field(float_field_format, s[5]), int_text(model.principal_skip)};
}

void apply_scales(FEMg3D &model, display_settings &d, const scale_fields &f)
{
    // Group order: disp x (Edit1), max (Edit2), min (Edit3), disp y (Edit4), disp z (Edit5),
    // principal scale (Edit7).
    static const int group_field[6] = {0, 1, 2, 3, 4, 6};
    for (int k = 0; k < 6; ++k) d.scale_values[k] = float_of(f[group_field[k]]);
    const int skip = field_int(f[7]);
    const int divisions = field_int(f[5]);
    if (d.scale_values[1] - d.scale_values[2] <= 0.0f) {
        d.contour_range_set = false;
        d.scale_values[1] = 100.0f;
        d.scale_values[2] = -100.0f;
    }
    model.set_scales(d.scale_values);
    model.principal_skip = skip;
    model.contour_divisions = divisions;
    model.build_faces(); // the deformed faces follow the new magnification
}

// ---- View options dialog ----------------------------------------------------------------

view_values view_from_model(const FEMg3D &model)
{
    view_values v;
    v.rou = model.rou;
    v.theta = model.theta;
    v.phi = model.phi;
    v.d1 = model.d1;
    for (int k = 0; k < 3; ++k) v.light[k] = model.light[k];
    return v;
}

view_fields view_texts(const view_values &v)
{
    return {
        format_field(view_field_format, v.rou),      format_field(view_field_format, v.theta),
        format_field(view_field_format, v.phi),      format_field(view_field_format, v.d1),
        format_field(view_field_format, v.light[0]), format_field(view_field_format, v.light[1]),
        format_field(view_field_format, v.light[2])};
}

void view_preset(view_values &v, int button)
{
    // Angles as single-precision constants: 1.57079 and 3.14159 as written, the default view
    // -3 pi / 4 and pi / 6.
    struct preset {
        float rou, theta, phi, d1, light[3];
    };
    static const preset presets[5] = {
        {50000.0f, -1.57079f, 1.57079f, 1000.0f, {-1.0f, -1.0f, 2.0f}},     // y-x
        {50000.0f, 0.0f, 1.57079f, 1000.0f, {-1.0f, -1.0f, 2.0f}},          // x-y
        {50000.0f, -1.57079f, 0.0f, 1000.0f, {-1.0f, -2.0f, 1.0f}},         // z-x
        {50000.0f, -3.14159f, 0.0f, 1000.0f, {-2.0f, -1.0f, 1.0f}},         // y-z
        {3000.0f, -2.3561945f, 0.5235988f, 3000.0f, {-1.5f, -1.0f, 2.5f}}}; // default
    if (button >= 1 && button <= 5) {
        const preset &p = presets[button - 1];
        v.rou = p.rou;
        v.theta = p.theta;
        v.phi = p.phi;
        v.d1 = p.d1;
        for (int k = 0; k < 3; ++k) v.light[k] = p.light[k];
    } else if (button == 6) { // Backside: look from below, light from below
        if (v.phi > 0.0f) v.phi = -v.phi;
        if (v.light[2] > 0.0f) v.light[2] = -v.light[2];
    }
}

void apply_view(FEMg3D &model, view_values &copy, const view_fields &f)
{
    copy.rou = float_of(f[0]);
    copy.theta = float_of(f[1]);
    copy.phi = float_of(f[2]);
    copy.d1 = float_of(f[3]);
    for (int k = 0; k < 3; ++k) copy.light[k] = float_of(f[4 + k]);
    model.rou = copy.rou;
    model.theta = copy.theta;
    model.phi = copy.phi;
    model.d1 = copy.d1;
    for (int k = 0; k < 3; ++k) model.light[k] = copy.light[k];
    model.build_view_matrix();
    model.build_faces();
    model.fit_to_box();
}

void settle_after_open(FEMg3D &model, display_settings &ds, int w, int h)
{
    model.resize_surface(w, h);
    ds.material_count = model.n_materials;
    model.get_range(ds.saved_range_box);
    model.fit_to_range = false;
    model.range_inside = true;
    ds.current_material = -1;
    model.set_sel_material(-1);
}
