// Strains and stresses of the solid elements at integration points and nodes.
#pragma once

#include "model.h"

// node_solids[n] = number of elements with a solid material containing node n.
void count_node_solids(corvane_model &m);

// Mechanical strain (total minus the thermal strain of the material's
// temperature profile) and stress at the natural point (xi, eta, zeta) of a
// solid element. Returns 0 (and writes nothing) when the Jacobian determinant
// there is not positive.
int point_strain_stress(const double *mat, const double *d, const double *xyz, const double *u,
                        double xi, double eta, double zeta, double *strain, double *stress);

// Adds the integration-point values into gp_strain/gp_stress and the nodal
// averages into node_strain/node_stress (arrays zeroed by the caller).
void recover_stresses(corvane_model &m);
