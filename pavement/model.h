// From a pavement description to the files the mesher and the solver read: the graded grid,
// the layer description (with its joint layers for an unbonded interface and a dense-liquid
// foundation), the dowel file, and the options that go with them. The files are in the
// suite's conventional units (cm, kgf/cm2), read by tarnel and corvane without conversion.
#pragma once

#include "description.h"

#include <string>
#include <vector>

// How much finer than the description's sizes the mesh is made (the mesh check halves them).
struct mesh_refinement {
    double near = 1.0; // size near loads and joints divided by this
    int through = 1;   // elements through the slab multiplied by this
};

// The thickness given to the zero-thickness joint layers (interface, dense liquid): tarnel
// merges coincident nodes, so the two faces of such a layer sit this far apart (cm).
constexpr double joint_layer_gap_cm = 0.2;

struct generated_model {
    std::string layer_text;                // tarnel's layer description
    std::string dowel_text;                // corvane's dowel file ("" when there are no bars)
    std::vector<std::string> tarnel_args;  // options after -I and -O
    std::vector<std::string> corvane_args; // options after -F
    std::vector<double> x, y, z;           // grid lines (cm), z descending
    int n_dowels = 0, n_ties = 0;
    int n_layers = 0; // tarnel layers (with the joint layers)
    long long estimated_nodes = 0;
    bool nonlinear = false;      // a tensionless foundation or interface
    std::vector<wheel> tyres;    // as meshed (cm; edges snapped to nearby lines)
    double slab_e_file = 0;      // the slab's modulus as written (kgf/cm2)
    bool without_wheels = false; // analyse also ran the model without the wheels (BASE_unloaded)
    bool wheels_only = false;    // and, nonlinear, the wheels alone (BASE_wheels)
    double mesh_seconds = 0, analysis_seconds = 0; // wall time of tarnel and of corvane
};

// Builds the files of description d; false with why when the mesh cannot be made. grid_only:
// wheels (m) whose edges and surroundings shape the grid as a loaded wheel's would but that
// carry no load, so that models of several load positions share one mesh.
bool build_model(const description &d, const mesh_refinement &refine, generated_model &g,
                 std::string &why, const std::vector<wheel> *grid_only = nullptr);

// The stages of build_model, in order.

// The plan grid: lines along x and y (cm), the joint gaps' left faces, tarnel's joint threshold.
struct grid_plan {
    std::vector<double> x_gaps, y_gaps;
    double threshold = 0.1; // cm: wider than every joint gap, narrower than any other interval
};
// Lines at the domain ends, slab edges, joint gaps (one interval each) and tyre edges (snapped
// to a line within reach), graded from the fine sizes near loads and joints; the tyres as
// meshed into g.tyres. False with why when a tyre is narrower than the mesh near loads.
bool plan_grid(const description &d, const mesh_refinement &refine,
               const std::vector<wheel> *grid_only, generated_model &g, grid_plan &p,
               std::string &why);

// The lines through the depth: the slab in equal elements (z from 0 down to -h, cm), the
// layers' depths below the top graded from the slab's element thickness.
struct depth_plan {
    int slab_elements = 0;
    std::vector<double> slab_z; // 0 .. -h
    std::vector<double> below;  // depths (positive, cm) of the lines through the layers
    double depth = 0;           // slab and layers (cm)
};
depth_plan plan_depth(const description &d, const mesh_refinement &refine);

// The material records (12 entries each, kgf-cm) of the slab, its joints, the interface, the
// layers and the foundation, and whether any of them makes the model nonlinear.
struct model_materials {
    std::vector<double> none, slab, transverse, longitudinal, interface, foundation;
    std::vector<std::vector<double>> layers;
    // rows of slabs of their own E (a flexible shoulder): row (0-based) and its material
    std::vector<std::pair<int, std::vector<double>>> rows;
    bool nonlinear = false; // tight joints, a tensionless interface or foundation
};
model_materials materials_of(const description &d);

// A joint spring entered in MPa/m per unit area as the model file's entry: kgf/cm3 times 9, so
// that a uniform opening meets the value entered (the joint element gives kn A / 9).
double joint_entry(double mpa_per_m);

// The opening (cm) over which a tensionless spring lets go: 10 micrometres.
constexpr double tensionless_limit_cm = 0.001;

// The slab layer's y type of a row of slabs with a material of its own (the m-th such row,
// 0-based): tarnel takes the material x type + y type, so each such row has five of its own
// (its slab 0, its transverse gap 1, margin 4 above this base) beyond the plain slab's 0 to 8.
constexpr int own_row_type(int m)
{
    return 9 + 5 * m;
}

// One tarnel layer: node levels (descending, cm), interval types along x and y, materials.
struct layer_out {
    std::vector<double> z;
    std::vector<int> xt, yt;
    std::vector<std::vector<double>> mats;
};
// The slab, the interface's joint layer (unbonded), the layers and the foundation's spring layer.
std::vector<layer_out> layer_records(const description &d, const generated_model &g,
                                     const grid_plan &grid, const depth_plan &depth,
                                     const model_materials &m);

// tarnel's layer description: the layers and each tyre's pressure on its rectangle.
std::string layer_text(const std::vector<layer_out> &layers, const generated_model &g);

// Dowels across the transverse joints and ties across the longitudinal ones at mid-depth:
// g.dowel_text, g.n_dowels, g.n_ties (a loose bar makes the model nonlinear).
void place_bars(const description &d, generated_model &g);

// tarnel's and corvane's options for the model.
void program_options(const description &d, const grid_plan &grid, generated_model &g);

// The peak memory of an analysis of this many (planned) nodes with this solver (bytes), fitted
// to the shipped examples (bench/pavement_memory.sh): the factorization grows as nodes^1.175
// (0.37 GB at 16 854 planned nodes, 1.97 GB at 62 208, 2.87 GB at 101 270), AMG about 10.5 KB
// a node, the CG 5 KB.
double solver_memory(long long nodes, const std::string &solver);
