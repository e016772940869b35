// The design report of a result set: critical slab stresses, joint load transfer, dowel checks,
// and the envelope of several cases.
#pragma once

#include "display.h"

#include <string>
#include <vector>

class FEMg3D;

// The largest principal tension at one face (top or bottom) of one slab material.
struct slab_extreme {
    int material = -1;
    bool top = false;
    int node = -1;     // -1: no node on that face
    float tension = 0; // largest principal stress S3 (display units)
    float xyz[3] = {}; // display units
    float stress[6] = {};
    float fi = 0;
};

// One station of a joint: the two facing nodes at the slab surface.
struct joint_station {
    int loaded = -1, unloaded = -1;     // nodes; loaded = the side with the larger |deflection|
    float along = 0;                    // position along the joint (display units)
    float w_loaded = 0, w_unloaded = 0; // vertical deflections (display units)
    float lte = 0;                      // |w_unloaded| / |w_loaded|
};

// A joint plane: joint elements whose normal is horizontal, grouped by axis and coordinate.
struct joint_plane {
    int axis = 0;       // 0: the plane x = const, 1: y = const
    float position = 0; // that coordinate (display units)
    int elements = 0;
    std::vector<joint_station> stations; // along the joint, in order
    int most_loaded = -1;                // station of the largest |w_loaded|
    float min_lte = 0, max_differential = 0;
};

// One dowel's largest values along both halves (display units) and its bearing check.
struct dowel_check {
    int dowel = -1;
    float centre[3] = {};
    float bearing = 0, shear = 0, bending = 0, moment = 0; // largest magnitudes
    float diameter_in = 0;                                 // bar diameter in inches
    float allowable = 0; // (4 - d) f'c / 3, the report's stress units
    float ratio = 0;     // bearing / allowable
};

struct report_data {
    std::string set_name;
    bool si = true;
    std::vector<int> slab_materials;
    std::vector<slab_extreme> slab; // top and bottom of each slab material
    int deflection_node = -1;
    float deflection = 0;  // the largest |Uz| (display units, signed)
    float max_opening = 0; // the largest joint opening (display units)
    float opening_xyz[3] = {};
    std::vector<joint_plane> joints;
    std::vector<dowel_check> dowels;
    int most_loaded_dowel = -1; // index into dowels
    float fc = 0;               // f'c for the allowable bearing, report units (0: none)
    // Key figures (the summary table, the sweep's columns).
    float max_tension_bottom() const;
    float max_tension_top() const;
    float min_lte() const;
    float max_bearing() const;
};

// Builds the report of the loaded set (display units of ds). error receives why there is
// none: no slab (no solid material reaching the top of the model) or no joint element.
bool build_report(const FEMg3D &model, const display_settings &ds, float fc, report_data &r,
                  std::string &error);

// One row of an envelope's case table.
struct envelope_case {
    std::string name;
    float tension_bottom = 0, tension_top = 0, deflection = 0, opening = 0, bearing = 0;
};

// Writes the report (and the case table, when there are cases) as Markdown (.md), HTML (.html)
// or CSV tables (.csv), under a temporary name renamed when complete. picture: a PNG beside it
// to refer to (empty: none). False with why when the file cannot be written or the extension is
// none of those.
bool write_report(const report_data &r, const std::vector<envelope_case> &cases,
                  const std::string &picture, const std::string &path, std::string &why);

// Per-node extremes over several result sets of one mesh.
struct envelope_data {
    int n_nodes = 0;
    std::vector<float> max, min; // 16 components (Sx..Sxy, Ex..Exy, S1, S2, S3, FI) per node
    std::vector<int> max_case;   // per node and component: the case giving the maximum
};

// Adds the loaded set as case c to the envelope (the first case sizes it).
void add_to_envelope(envelope_data &env, const FEMg3D &model, int c);

// The first set's mesh and the envelope as a legacy VTK file: point scalars Max_<component> and
// Min_<component> (stresses in display units) and Governing_case_S3.
bool write_envelope_vtk(const envelope_data &env, const FEMg3D &mesh, const display_settings &ds,
                        const std::string &path);

// Why two loaded sets are no envelope of one mesh (node or element counts, coordinates,
// connectivity), or empty when they are.
std::string mesh_difference(const FEMg3D &a, const FEMg3D &b);
