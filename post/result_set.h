// A result set read for engineering post-processing: model, results, per-material stresses
// and dowels in double precision, every value checked (present, finite, of the same mesh).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The files' stress units: the system's conventional units or SI stresses (lengths are
// centimetres in both).
enum class file_units { unknown, kgf_cm, si };

// The run that wrote the per-material stress file (its header line).
struct run_record {
    std::string element = "?"; // brick, incompatible
    std::string solver = "?";  // cg, gamg, hypre, ...
    int units = 0;             // corvane's -U
    int files = 0;             // the files' units as their writer recorded them: 1 kgf-cm, 2 SI
    int case_number = 0;
    double load_factor = 0.0;
    int equilibrium = -1; // 1 reached, 0 not reached, -1 not recorded
};

// Per-material nodal means (the per-material stress file): rows of node n are
// [start[n], start[n+1]), ordered by material.
struct material_stress_table {
    run_record run;
    std::vector<std::int64_t> start; // np+1
    std::vector<int> material;       // rows
    std::vector<int> count;          // rows  elements of the material at the node
    std::vector<double> strain;      // 6*rows
    std::vector<double> stress;      // 6*rows (kgf/cm2)
};

// Reads the per-material stress file name of a model of np nodes at coords (3*np) and nm
// materials of the type codes kinds; stresses are multiplied by in_stress. False with why
// (file, line, what) when it is missing, truncated, holds a value that is not a finite number,
// or belongs to another mesh.
bool read_material_stress_file(const std::string &name, int np, int nm, const double *coords,
                               const int *kinds, double in_stress, material_stress_table &t,
                               std::string &why);

// The run record of a per-material stress file's first line; false when there is none.
bool read_material_stress_header(const std::string &name, run_record &run);

// The units a set's files are written in, judged by the modulus of its slab as the files hold
// it (concrete: about 3e5 in kgf/cm2, 3e4 in MPa): kgf-cm from 1e5 up, else SI.
file_units units_of_slab_modulus(double modulus_as_written);

// Everything held in the canonical units kgf and cm, whatever the files' units.
struct result_set {
    std::string base; // base name the files were formed from
    file_units units = file_units::unknown;
    int np = 0, nm = 0, ne = 0, nb = 0, nedge = 0;
    std::vector<double> coords;    // 3*np
    std::vector<double> mats;      // 12*nm  moduli and stiffnesses in kgf/cm2, kgf/cm3
    std::vector<int> conn;         // 9*ne   eight nodes and the material
    std::vector<int> bc;           // 4*nb
    std::vector<int> face_nodes;   // 4*nedge
    std::vector<double> face_vals; // 12*nedge traction per corner (face frame), kgf/cm2
    std::vector<double> disp;      // 3*np
    std::vector<double> strain;    // 6*np   nodal means over all solids at the node
    std::vector<double> stress;    // 6*np   the same for stresses
    bool has_material_stresses = false;
    material_stress_table mst; // per-material nodal means and the run record
    // Dowels (none when the dowel input file is absent).
    int ndowel = 0, ndtype = 0;
    std::vector<double> dtypes;  // 12*ndtype  E, nu, w, d, L, K (kgf/cm2, cm, kgf/cm3)
    std::vector<double> dcentre; // 3*ndowel
    std::vector<int> dtype;      // ndowel
    std::vector<double> daxis;   // 3*ndowel   axis components
    std::vector<double> dforce;  // 12*ndowel  Fx1 Fy1 Fz1 Mx1 My1 Mz1 Fx2 ... (kgf, kgf cm)

    // The row of (node, material), or -1.
    std::int64_t material_row(int node, int material) const;
    // Type code of material m (entry 11 truncated), -1 outside the table.
    int material_kind(int m) const;
};

// What a reader needs besides the base name.
struct read_request {
    file_units units = file_units::unknown; // unknown: from the per-material header or the slab
    bool need_material_stresses = true;     // refuse a set without base.mst
};

// Reads a model file alone (counts, nodes, materials, elements, boundary records, loaded faces)
// into rs, values as written. False with why (the file and what is wrong) otherwise.
bool read_model(const std::string &name, result_set &rs, std::string &why);

// Reads base.pin, base.out, base.mst, base.dwi and base.dwo. False with why (naming the file
// and what is wrong) when a needed file is missing, truncated, holds a value that is not a
// finite number, or belongs to another mesh. units_note says how the units were decided
// when the request did not give them.
bool read_result_set(const std::string &base, const read_request &request, result_set &rs,
                     std::string &why, std::string &units_note);

// Why b is no result set of a's mesh (counts, coordinates, connectivity), or empty.
std::string mesh_difference(const result_set &a, const result_set &b);
