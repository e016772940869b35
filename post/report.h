// The engineering report of a result set: what was analysed, the critical slab stresses from
// the slab's own elements, deflection, joint opening and load transfer, dowel bearing and
// steel stresses. Values are held in kgf and cm and converted when written.
#pragma once

#include "result_set.h"

#include <string>
#include <vector>

// Settings a user gives (canonical units; 0 = not given).
struct report_settings {
    bool si = true;                 // report units: SI (m, mm, MPa, kN) or kgf-cm
    double fc = 0;                  // concrete strength f'c, kgf/cm2, for the allowable bearing
    double mr = 0;                  // modulus of rupture, kgf/cm2, for the stress ratio
    double dowel_shear_allow = 0;   // allowable shear stress of the bar steel
    double dowel_bending_allow = 0; // allowable bending stress of the bar steel
};

// One solid material: a layer of the model.
struct layer_row {
    int material = -1;
    bool slab = false; // its elements reach the top of the model
    double top = 0, bottom = 0;
    double e = 0, nu = 0, unit_weight = 0, alpha = 0;
    double t_top = 0, t_bottom = 0; // temperature of the profile at its top and bottom
};

// One joint material: springs as entered and where its elements lie.
struct joint_row {
    int material = -1;
    int kind = 0;          // type code
    bool vertical = false; // a slab joint (horizontal normal), else an interface or foundation
    int elements = 0;
    double kt1 = 0, kt2 = 0, kn = 0; // as entered, kgf/cm3
    double opening_limit = 0;
};

// The largest principal tension at the top or bottom face of one slab material, in the plane of
// that face (from Sx, Sy, Sxy of the material's own mean at the node).
struct slab_extreme {
    int material = -1;
    bool top = false;
    int node = -1; // -1: no node of the material on that face
    double s3 = 0; // largest principal stress in the plane of the face
    double xyz[3] = {};
    double stress[6] = {};
};

// One station of a slab joint: the two facing nodes at the slab surface.
// Deflections are the load's (the response to the wheels alone where the report was given it).
struct joint_station {
    int loaded = -1, unloaded = -1; // loaded: the side with the larger |deflection|
    double along = 0;               // position along the joint
    double w_loaded = 0, w_unloaded = 0;
    double lte = 0; // |w_unloaded| / |w_loaded|; NaN where the two sides move apart
};

// A slab joint: joint elements with a horizontal normal, grouped by plane.
struct joint_plane {
    int axis = 0;        // 0: the plane x = const, 1: y = const
    double position = 0; // that coordinate
    int elements = 0;
    std::vector<joint_station> stations; // surface stations along the joint
    int most_loaded = -1;                // station of the largest |w_loaded|: under the wheels
    // The deflection transfer at the most loaded station, within [0, 1]; NaN with lte_note
    // saying why where it is undefined.
    double lte = 0, max_differential = 0;
    std::string lte_note;
    // Stress-based transfer at the slab bottom: the load's stress along the joint in the slab on
    // the loaded and the unloaded side at the bottom station of the largest loaded-side tension.
    bool has_stress_lte = false;
    double sigma_loaded = 0, sigma_unloaded = 0, stress_lte = 0, stress_along = 0;
    std::string stress_lte_note;
};

// One dowel: forces at the joint face, Friberg's bearing and the steel's stresses.
struct dowel_row {
    int dowel = -1;
    double centre[3] = {};
    double diameter = 0, length = 0, width = 0, e = 0, k = 0;
    int half = 1;        // the half with the larger bearing (1 or 2)
    double p = 0, m = 0; // its shear and end moment at the joint face
    double beta = 0, y0 = 0;
    double bearing = 0;              // K y0
    double steel_shear = 0;          // 4 V / (3 A), V the largest shear along the bar
    double steel_bending = 0;        // M / S, M the largest moment along the bar
    double beta_l = 0;               // beta times the embedded half length
    double allowable = 0, ratio = 0; // (4 - d) f'c / 3 (d in inches) and bearing / allowable
};

// The slab's largest in-plane tensions of one part of the loading (kgf/cm2, NaN: none).
struct stress_part {
    std::string name; // "wheels alone", "temperature and self weight alone", "combined"
    double bottom = 0, top = 0;
};

struct report_data {
    std::string set_name;
    std::string title;                // the document's title ("" : named after the set)
    std::vector<std::string> heading; // lines under the title: program, date, inputs' checksum
    std::string input_text;           // the input as the engineer wrote it, echoed at the end
    std::string input_name;           // its file
    report_settings settings;
    // What was analysed.
    std::string units_text, units_note;
    run_record run;
    bool has_run_record = false;
    std::vector<layer_row> layers;
    std::vector<joint_row> joint_materials;
    double load_total = 0;      // vertical load of the loaded faces (downward positive)
    double load_centre[2] = {}; // its centre x, y
    int loaded_faces = 0;
    double self_weight = 0; // weight of the solids
    bool has_temperature = false;
    int dowel_count = 0, dowel_types = 0;
    // Results.
    std::vector<int> slab_materials;
    std::vector<slab_extreme> slab;
    int deflection_node = -1; // surface node of the largest |Uz|
    double deflection = 0;
    double deflection_xyz[3] = {};
    double max_opening = 0; // of the slab joints (joint elements with a horizontal normal)
    double opening_xyz[3] = {};
    std::vector<joint_plane> joints;
    std::vector<dowel_row> dowels;
    int most_loaded_dowel = -1; // index into dowels
    std::vector<std::string> warnings;
    // Rows the caller adds to "What was analysed" (a front end's description: title, loads...).
    std::vector<std::pair<std::string, std::string>> notes;
    // A mesh check: each key figure on this mesh and on a refined one.
    struct mesh_check_row {
        std::string key;
        double value = 0, refined = 0; // canonical units
    };
    std::vector<mesh_check_row> mesh_check;
    std::string mesh_check_note; // how the refined mesh was made
    // The loading apart (the caller fills them where it analysed the parts): the wheels alone,
    // the temperature and self weight alone, and combined, with how the parts were found.
    std::vector<stress_part> parts;
    std::string parts_method;

    // Key figures (NaN where the set has none).
    double max_tension_bottom() const;
    double max_tension_top() const;
    // The load transfer of the joint under the wheels (the plane whose most loaded station
    // deflects most): deflection and stress LTE, NaN where undefined or without joints.
    const joint_plane *loaded_joint() const;
    double lte() const;
    double stress_lte() const;
    // What the transfers were measured on: the wheels alone, or the set's whole response.
    bool lte_of_wheels_alone = false;
    double max_bearing() const;
    double max_steel_shear() const;
    double max_steel_bending() const;
    double max_stress_ratio() const;
};

// Builds the report of a result set read with its per-material stresses. False with why when
// the set has no slab (no solid material reaching the top of the model). load: the response
// to the wheels alone on the same mesh, for the joints' load transfer (see load_response);
// without it the transfer is that of the set's whole response.
bool build_report(const result_set &rs, const report_settings &settings, report_data &r,
                  std::string &why, const result_set *load = nullptr);

// The slab material whose face (top or bottom) carries the report's largest in-plane tension:
// the one the pictures of that face show; the first slab material when no face has a value.
int critical_slab_material(const report_data &r, bool top);

// The largest principal stress in the plane of a slab face from (Sx, Sy, Sxy).
double in_plane_principal(double sx, double sy, double sxy);

// The in-plane stresses of the slab's own elements (every solid material reaching the top of
// the model, as the report finds the slab) at the nodes of its top or bottom face: (Sx, Sy,
// Sxy) per node and slab material, in node order, in the set's stress units. Empty when the
// set has no slab or no per-material stresses.
std::vector<double> slab_face_stresses(const result_set &rs, bool top);

// The response to the wheels alone: with the analysis of the same model without the wheels
// (self weight and temperature only) read as without, rs minus without (exact by superposition
// where the model is linear; the difference of the two states where supports or joints let go).
// False with why when the two sets are not of one mesh.
bool load_response(const result_set &rs, const result_set &without, result_set &load,
                   std::string &why);

// One row of an envelope's case table: a case's name and report.
struct report_case {
    std::string name;
    report_data data;
};

// Figures beside the report: its pictures and plots (file names relative to the report).
struct report_figures {
    std::string s3_picture;     // S3 of the critical slab at its bottom, seen from below
    std::string s3_top_picture; // S3 of the critical slab at its top, seen from above
    std::string joint_plot;     // deflections along the joints (SVG)
    std::string plan;           // the plan sketch with the critical point (SVG)
};

// The report's first paragraph: pass or fail of the governing slab tension against the modulus
// of rupture and of the largest dowel bearing against its allowable, with the governing case and
// place in one sentence ("not judged" for what has no strength given).
std::string verdict(const report_data &r, const std::vector<report_case> &cases = {});

// Writes the report r (with the case table and the governing case of every figure when cases
// are given) as Markdown (.md), HTML (.html) or CSV (.csv), under a temporary name renamed when
// complete. False with why when the name has none of those extensions or the file cannot be
// written.
bool write_report(const report_data &r, const std::vector<report_case> &cases,
                  const report_figures &figures, const std::string &path, std::string &why);

// The deflections along every slab joint as an SVG plot; false when there is no station.
bool write_joint_plot(const report_data &r, const std::string &path);

// The displacements and per-material stresses at the node nearest to (x, y, z), as text lines
// in the report's units.
std::vector<std::string> point_values(const result_set &rs, const double xyz[3], bool si);
