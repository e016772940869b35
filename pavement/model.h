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
    double mesh_seconds = 0, analysis_seconds = 0; // wall time of tarnel and of corvane
};

// Builds the files of description d; false with why when the mesh cannot be made. grid_only:
// wheels (m) whose edges and surroundings shape the grid as a loaded wheel's would but that
// carry no load, so that models of several load positions share one mesh.
bool build_model(const description &d, const mesh_refinement &refine, generated_model &g,
                 std::string &why, const std::vector<wheel> *grid_only = nullptr);

// The peak memory of an analysis of this many (planned) nodes with this solver (bytes), fitted
// to the shipped examples (bench/pavement_memory.sh): the factorization grows as nodes^1.175
// (0.37 GB at 16 854 planned nodes, 1.97 GB at 62 208, 2.87 GB at 101 270), AMG about 10.5 KB
// a node, the CG 5 KB.
double solver_memory(long long nodes, const std::string &solver);
