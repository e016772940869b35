// The model and matrix tables that the element, assembly, solver and recovery routines share.
#pragma once

#include "material_code.h"

#include <cstdint>
#include <vector>

// Global stiffness matrix in row-slot storage. Every row owns the slots of
// the couplings that the elements and dowels can create, sized once per run
// from that pattern (so no contribution can ever be dropped). Columns within
// a row are in first-assembled order. row_count[i] is the number of slots of
// row i in use; products run over exactly those slots, so a value that is
// 0.0 in one iteration never ends a row early.
struct row_slot_matrix {
    int nn = 0;                          // equations (rows)
    std::vector<std::int64_t> row_start; // nn+1   slots of row i: [row_start[i], row_start[i+1])
    std::vector<int> row_count;          // nn     slots in use (after compact_rows: non-zero ones)
    std::vector<double> values;          // nnz    slot values
    std::vector<int> JENDEX;             // nnz    column of each slot
    std::vector<char> row_moved;         // nn     1 when compact_rows reordered the row
    std::vector<int> diag_rel; // nn     pattern slot of the diagonal within its row, -1 none
    // Node-level coupling pattern: the neighbours of node n, in first-coupled
    // order, are adj[adj_start[n] .. adj_start[n+1]). Row 3n+k holds, for the
    // p-th neighbour m, the columns 3m, 3m+1, 3m+2 at slots 3p .. 3p+2.
    std::vector<std::int64_t> adj_start; // np+1
    std::vector<int> adj;                // node neighbours
};

struct corvane_model;

// The material entries the matrix depends on: every entry of a joint or other record, but of a
// solid only its modulus, Poisson's ratio and type (entries 0, 1, 11); its unit weight and
// temperature entries, which load sets scale, are cleared. Two material tables with equal
// stiffness entries give the same matrix bit for bit.
std::vector<double> stiffness_entries(const std::vector<double> &mats);

// Whether the constant part (solids, tight dowels) held for the materials of the last
// assembly still stands, and whether anything re-formed on top of it depends on the
// displacements: the one cache rule of every back end.
struct constant_part_cache {
    std::vector<double> mats; // the stiffness entries the constant part was assembled with
    int valid = 0;
    int has_joints = 0; // joints or loose dowels: re-formed at every assembly
    // the constant part is current for m's materials
    bool current(const corvane_model &m) const;
    // nothing to assemble: the constant part is current and nothing depends on disp
    bool unchanged(const corvane_model &m) const;
    // records that the constant part was assembled for m's materials
    // (these three in global_matrix.cpp)
    void record(const corvane_model &m);
};

// Where each element (and dowel) adds its node blocks: for the node pair
// (i, j) of an element with q nodes, pair_pos[offset + i*q + j] is the
// position of node j in node i's neighbour list, or -1 for a pair the element
// never couples (joint corners that do not face each other).
struct assembly_plan {
    std::vector<int> pair_pos;
    std::vector<std::int64_t> element_offset; // ne   offset of each element's q*q block (q = 8)
    std::vector<std::int64_t> dowel_offset;   // ndowel  offset of each dowel's 16*16 block
    // Solid and dowel matrices do not depend on the displacements: they are
    // summed once per set of materials into base_values (pattern order) and
    // copied at every later assembly; only the joints are re-formed.
    std::vector<double> base_values;
    constant_part_cache base; // whether base_values stands
};

// The state of an element row with internal modes condensed per element: filled by its body
// loads, read by its recovery.
struct condensed_modes {
    std::vector<double> load; // 9*ne  load on each solid's modes at the full first-phase load
    double scale = 1.0;       // first-phase load factor reached (set before recovery)
    int phase2 = 0;           // 1 when a second phase added entry 4 times the first phase
    // Each element's coupling of its modes (the recovery's K_ua and K_aa^-1, stored as raw
    // doubles), kept across the cases of one mesh when keep_coupling: the matrices depend on
    // the element's shape and material only, so later cases reuse them bit for bit.
    bool keep_coupling = false;
    std::vector<double> coupling;      // per element, its coupling record
    std::vector<char> coupling_filled; // ne
    std::vector<double> coupling_mats; // the stiffness entries the records were formed with
};

struct element_type;
// The brick, the row the model starts with (element_type.cpp).
const element_type *default_element_type();

// Everything the finite-element routines read and write during a run.
// Flat arrays, record-major: entry k of record r of width w is at w*r + k.
struct corvane_model {
    // counts
    int np = 0;     // nodes
    int nm = 0;     // materials
    int ne = 0;     // elements (solid and joint)
    int nb = 0;     // boundary records
    int bw = 0;     // slots per row as given by the model file (row-capacity warning only)
    int nn = 0;     // equations = 3*np
    int nedge = 0;  // loaded faces
    int ndowel = 0; // dowels (0 without a dowel file)
    int ndmat = 0;  // dowel materials

    // model arrays
    std::vector<double> coords;    // 3*np  x, y, z
    std::vector<double> node_p;    // 3*np  Px, Py, Pz as read (written back, never applied)
    std::vector<int> conn;         // 9*ne  eight nodes, then the material number
    std::vector<double> mats;      // 12*nm material records (input units converted)
    std::vector<int> bc;           // 4*nb  node, x flag, y flag, z flag
    std::vector<int> face_nodes;   // 4*nedge node numbers of each loaded face
    std::vector<double> face_vals; // 12*nedge traction (3 values) at each of the four face nodes

    // dowel arrays
    std::vector<double> dmats;    // 12*ndmat dowel material records
    std::vector<double> dowels;   // 9*ndowel centre x,y,z; (xi,eta,zeta) of end 1; of end 2
    std::vector<int> dowel_mat;   // ndowel  dowel material number
    std::vector<int> dowel_elems; // 3*ndowel element of the centre, of end 1, of end 2

    // the solid element (--element; element_type.h): the 2x2x2 brick unless chosen
    const element_type *element = default_element_type();
    condensed_modes modes; // the enriched brick's mode loads (its body loads fill them)

    // 2x2x2 Gauss rule (filled by the driver before the first assembly)
    double gauss_point[2] = {-0.57735027, 0.57735027};
    double gauss_weight[2] = {1.0, 1.0};

    // working arrays
    std::vector<int> fixed;          // nn     per-equation fixed flag, non-zero = fixed
    row_slot_matrix matrix;          // global stiffness
    assembly_plan plan;              // precomputed slots of every element entry
    std::vector<double> disp;        // nn     total displacements
    std::vector<double> gp_strain;   // 48*ne  8 points x 6 components
    std::vector<double> gp_stress;   // 48*ne
    std::vector<double> node_strain; // 6*np   nodal averages
    std::vector<double> node_stress; // 6*np
    std::vector<int> node_solids;    // np     solid elements containing each node
};

// Material type code: entry 11 truncated toward zero (values beyond the int range, or not a
// number, select no element).
inline int material_type(const double *mat)
{
    return material_type_code(mat[11]);
}

// True for the codes that select the joint element.
inline bool is_joint_type(int type)
{
    return is_joint_code(type);
}
