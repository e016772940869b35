// Strains and stresses of the solid elements at integration points and nodes.
#pragma once

#include "model.h"

#include <cstdint>
#include <vector>

// node_solids[n] = number of elements with a solid material containing node n.
void count_node_solids(corvane_model &m);

// Mechanical strain (total minus the thermal strain of the material's
// temperature profile) and stress at the natural point (xi, eta, zeta) of a
// solid element. Returns 0 (and writes nothing) when the Jacobian determinant
// there is not positive.
int point_strain_stress(const double *mat, const double *d, const double *xyz, const double *u,
                        double xi, double eta, double zeta, double *strain, double *stress);

// Nodal means per material: for every node and every solid material among the
// elements at the node, the mean of the values computed at the node in that
// material's elements only (a slab bonded to a soft base keeps its own stress
// at their common nodes). Rows are ordered by node, then material.
struct material_nodal {
    std::vector<std::int64_t> start; // np+1  rows of node n: [start[n], start[n+1])
    std::vector<int> material;       // rows  material number
    std::vector<int> count;          // rows  elements evaluated at the node
    std::vector<double> strain;      // 6*rows
    std::vector<double> stress;      // 6*rows
};

// Sizes the rows of the model's solid elements (values zeroed).
void size_material_nodal(const corvane_model &m, material_nodal &t);

// Adds the integration-point values into gp_strain/gp_stress and the nodal
// averages into node_strain/node_stress (arrays zeroed by the caller). With
// per_material (sized by size_material_nodal), the same nodal values are also
// averaged per material; the cross-material arrays are unchanged by it.
// The element row's recovery does the work.
void recover_stresses(corvane_model &m, material_nodal *per_material = nullptr);

// The rows' recoveries: each adds its elements' point and node values (failed[n] counts the
// elements whose Jacobian failed at node n).
void brick_recovery(corvane_model &m, material_nodal *per_material, std::vector<int> &failed);
void incompatible_recovery(corvane_model &m, material_nodal *per_material,
                           std::vector<int> &failed);
