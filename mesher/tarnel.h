// Run state and stage routines of the mesh generator: layer description -> model file.
#pragma once

#include "material_code.h"
#include "node_index.h"

#include <cstdio>
#include <string>
#include <vector>

// Command-line options; nothing else steers a run.
struct tarnel_options {
    std::string in_name;          // -I layer description
    std::string out_name;         // -O model file
    bool has_in = false;          // -I was given
    bool has_out = false;         // -O was given
    int sub_x = 1;                // -X subdivisions per input x interval
    int sub_y = 1;                // -Y
    int sub_z = 1;                // -Z (1 in joint layers)
    float joint_width = 0.3f;     // -J gap threshold and minimum subdivided length
    float min_length = 0.0f;      // -L second minimum subdivided length
    bool restart_z = false;       // -S given
    float restart_z_value = 0.0f; // -S start of the rebuilt z lines
    bool face_mode = false;       // -W loads spread over top faces of solid elements
    int fix_sides = 0;            // -B bits 1 min x, 2 min y, 4 max x, 8 max y: full fixity
    int release_sides = 0;        // -C bits (same planes): release the normal constraint
    float release_modulus = 0.0f; // -C elements whose material entry 0 equals this
    int unit_code = 0;            // -U 0, 1 or 2
};

// One layer as read from the description (layer 0 is the top layer).
struct tarnel_layer {
    int nx = 0, ny = 0, nz = 0; // input intervals in x, y, z
    int nmat = 0;               // materials of the layer
    std::vector<float> x, y, z; // nx+1, ny+1, nz+1 grid coordinates (z top to bottom)
    std::vector<int> xtype;     // nx interval types
    std::vector<int> ytype;     // ny interval types; cell material = xtype + ytype
    std::vector<float> mats;    // 12*nmat material records in the solver's layout
};

// One rectangular surface load.
struct tarnel_load {
    float x1, y1, x2, y2; // loaded rectangle, x1 <= x2 and y1 <= y2
    float t[3];           // traction per unit area (face frame of the written faces)
    float area;           // (x2 - x1)*(y2 - y1)
};

constexpr int mat_size = 12;   // values per material record
constexpr int conn_size = 9;   // eight node numbers + material number per element
constexpr int row_slots = 150; // row capacity written for the solver's matrix

// Everything one generator run owns. Counts are the sizes of the flat tables.
struct tarnel_run {
    tarnel_options opt;
    FILE *msg_out = stdout; // progress and the fixed console messages
    FILE *msg_err = stderr; // errors and the per-layer reading line

    std::vector<tarnel_layer> layers;
    std::vector<tarnel_load> loads;
    float requested[3] = {0, 0, 0}; // sum of area*traction over the loads (single precision)

    // grid lines of the current layer; a type belongs to the interval starting at its line
    std::vector<float> x_lines, y_lines, z_lines;
    std::vector<int> x_types, y_types;
    std::vector<float> top_x_lines, top_y_lines; // layer 0 after load-edge insertion
    std::vector<int> top_x_types, top_y_types;

    int np = 0;                // nodes created
    std::vector<float> coords; // 3*np, coords[3*n + c]
    std::vector<int> node_use; // np use counters (counted elements containing the node)
    node_index index;          // exact-match lookup over coords

    int ne = 0;              // elements
    std::vector<int> conn;   // 9*ne: nodes in the solver's order, then material number
    int nm = 0;              // global materials
    std::vector<float> mats; // 12*nm

    float box_min[3] = {0, 0, 0}, box_max[3] = {0, 0, 0}; // over all nodes created
    int nb = 0;                                           // boundary records
    std::vector<int> bc;                                  // 4*nb: node, x, y, z flags (1 = fixed)

    std::vector<int> node_map;   // np: node -> used node it is merged into
    std::vector<int> out_number; // np: used node -> written number, -1 for unused nodes
    int np_used = 0;             // nodes written

    int nedge = 0;               // face records (candidates in -W mode)
    std::vector<int> face_nodes; // 4*nedge original node numbers
    std::vector<float> face_t;   // 3*nedge traction of the face
    std::vector<float> face_area;
    std::vector<char> face_loaded;            // -W mode: the face received load
    float generated[3] = {0, 0, 0};           // sum of face area*traction over the loaded faces
    float generated_magnitude[3] = {0, 0, 0}; // the same sum of |area*traction|
    float ratio[3] = {1, 1, 1};               // requested / generated per component
};

// Exit statuses: 0 normal end, 999 no file name given, 1 anything refused or failed.
constexpr int exit_ok = 0;
constexpr int exit_refused = 1;
constexpr int exit_no_file = 999;

// Relative coordinate equality: |a - b| <= max(|a|, |b|)*0.0001 (0 equals only 0).
inline bool coord_equal(float a, float b)
{
    const float da = a < 0 ? -a : a, db = b < 0 ? -b : b;
    const float d = a - b;
    return (d < 0 ? -d : d) <= (da > db ? da : db) * 0.0001;
}

// Material type code: entry 11 truncated toward zero (clamped so huge values stay defined).
inline int type_code(float entry11)
{
    return material_type_code(entry11);
}

// options.cpp: scans argv; returns -1 to go on, else the exit status.
int parse_options(int argc, char **argv, tarnel_options &opt, FILE *out, FILE *err);

// layer_input.cpp: reads and checks the description; false when refused (messages printed).
bool read_description(FILE *in, tarnel_run &run);

// generate.cpp
bool insert_line(std::vector<float> &lines, std::vector<int> &types, float value);
void make_lines(const float *input, const int *types, int n, int sub, float joint_width,
                float min_length, std::vector<float> &lines, std::vector<int> &line_types);
int add_material(tarnel_run &run, const float *record);
int find_or_add_node(tarnel_run &run, float x, float y, float z);
int find_node(const tarnel_run &run, float x, float y, float z);
bool make_elements(tarnel_run &run);

// boundary.cpp
void make_boundary(tarnel_run &run);
bool rearrange_nodes(tarnel_run &run);

// load_faces.cpp
void make_load_faces(tarnel_run &run);

// writer.cpp: writes the model file; false on a write error.
bool write_model(FILE *out, const tarnel_run &run);

// run.cpp: the whole program; returns the exit status.
int run_tarnel(int argc, char **argv, FILE *msg_out, FILE *msg_err);
