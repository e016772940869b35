// State of the fatigue, range, scale and view dialogs as plain values, applied to the model by
// these functions.
#pragma once

#include "display.h"
#include "fem3d.h"

#include <array>
#include <string>

// Each dialog's fields are texts; "apply" functions read them in the dialog's order and throw
// field_error at the first text that is not a number, leaving what was read before it stored
// where the dialog stores it and the model untouched by the later steps.

// ---- Fatigue dialog ---------------------------------------------------------------------

// The dialog's copy of the fatigue curve: FI = r - (a - S3 / sa) / b.
struct fatigue_values {
    float a = 1.1265f; // fatigue curve factor a
    float b = 0.0951f; // fatigue curve factor b
    float sa = 45.0f;  // flexural strength, kgf/cm2
    float r = 7.0f;    // "Total number of repetitions" value, used unchanged
};

// Texts of Edit1..Edit4.
using fatigue_fields = std::array<std::string, 4>;

fatigue_values fatigue_from_model(const FEMg3D &model);
// "%10.5f" of a, b, sa * stress_factor, r.
fatigue_fields fatigue_texts(const fatigue_values &v, float stress_factor);
// OK: the copy takes the four fields (sa divided by stress_factor), the model's parameters
// take the copy, and FI is recomputed.
void apply_fatigue(FEMg3D &model, fatigue_values &copy, const fatigue_fields &f,
                   float stress_factor);

// ---- Range dialog -----------------------------------------------------------------------

// Name of material m in the material box: "All" for -1, "No.1" ... "No.12" ("N.8" for 7);
// materials above 11, which have no name of their own, show as "No.<m+1>".
std::string material_name(int m);

// Text under the up-down control: "All Materials are selected" for -1, otherwise
// "MatValue = %12.5e (%d)" of the modulus in MPa (solid: E * 0.098, joint: E * 9.8) and the kind.
std::string material_value_text(const FEMg3D &model, int m);

// The range dialog's fields.
struct range_fields {
    std::array<std::string, 6> box; // RXMinE, RXMaxE, RYMinE, RYMaxE, RZMinE, RZMaxE
    bool and_checked = true;        // "And" (keep inside) or "Or"
    bool adjust_viewport = false;   // CheckBox1, "Adjust Viewport (Uncheck for initial)"
};

// On show: current_material = sel_material (and set back into the model), the box as "%7.2f"
// of saved_range_box in cm, "And"/"Or" from range_inside, the check box from fit_to_range.
range_fields show_range(FEMg3D &model, display_settings &d);
// Up-down click: upper arrow one material up (capped at material_count - 1), lower arrow one
// down (floored at -1); the model's material changes at once. Returns the new material.
int range_up_down(FEMg3D &model, display_settings &d, bool upper_arrow);
// OK: saved_range_box from the six fields (cm), the flags, the model's box, the window fitted
// to the box or to the model, the material and the selection.
void apply_range(FEMg3D &model, display_settings &d, const range_fields &f);

// ---- Scales dialog ----------------------------------------------------------------------

// Texts of Edit1..Edit8: Edit1 disp x, Edit2 max, Edit3 min, Edit4 disp y, Edit5 disp z,
// Edit6 contour divisions, Edit7 principal scale, Edit8 skip.
using scale_fields = std::array<std::string, 8>;

// On show: scale_values = the model's scale group; floats "%10.5f", integers "%4d".
scale_fields show_scales(const FEMg3D &model, display_settings &d);
// OK: scale_values and the two integers from the fields; a contour maximum not above the
// minimum clears contour_range_set and becomes 100 / -100; the model takes the values and the
// face lists are rebuilt.
void apply_scales(FEMg3D &model, display_settings &d, const scale_fields &f);

// ---- View options dialog ----------------------------------------------------------------

// The dialog's copy of the view.
struct view_values {
    float rou = 3000.0f;
    float theta = -2.3561945f;
    float phi = 0.5235988f;
    float d1 = 3000.0f;
    float light[3] = {-1.5f, -1.0f, 2.5f};
};

// Texts of RouE, TheE, PhiE, D1E, V0E, V2E, V3E.
using view_fields = std::array<std::string, 7>;

view_values view_from_model(const FEMg3D &model);
// "%6.3f" of the seven values.
view_fields view_texts(const view_values &v);
// Preset buttons 1..6: "y-x", "x-y", "z-x", "y-z", "default", "Backside"; others do nothing.
void view_preset(view_values &v, int button);
// OK: the copy takes the seven fields, the model takes the copy, then the view matrix, the
// face lists and the window (always fitted to the selection box).
void apply_view(FEMg3D &model, view_values &copy, const view_fields &f);

// The main window's state after a result set is opened (and ostrine-batch's before a picture):
// the drawing surface of w x h pixels, the material count and saved range box of the set, the
// range dialog's defaults (inside, no fit) and every material selected.
void settle_after_open(FEMg3D &model, display_settings &ds, int w, int h);
