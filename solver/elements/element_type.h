// The solid elements the solver offers, one row each: name, stiffness, body loads, whether
// internal modes are recovered per element. The run chooses one row (--element) once; a new
// element is added as a row of element_types.
#pragma once

#include "model.h"
#include "recovery.h"

struct element_type {
    const char *name; // --element=NAME
    const char *help; // one line for --help
    // 24 x 24 stiffness of one solid element from D, the node coordinates and the 2 x 2 x 2 rule;
    // returns the number of integration points whose Jacobian failed
    int (*stiffness)(const double *d, const double *xyz, const double *gp, const double *gw,
                     double *ek);
    // adds the self weight and the temperature profile's loads of every solid element to f;
    // a failed Jacobian prints "\n Error Element No. = %5d" and adds 1 to errors
    void (*body_loads)(corvane_model &m, double *f, int &errors);
    // adds the second-phase load (entry 4 times the element's elastic forces at disp) to f
    void (*phase2_loads)(corvane_model &m, double *f, int &errors);
    // the integration-point and nodal values of every solid element at disp (recovery.h);
    // failed[n] counts the elements whose Jacobian failed at node n
    void (*recover)(corvane_model &m, material_nodal *per_material, std::vector<int> &failed);
};

extern const element_type element_types[];
extern const int element_type_count;

// The row of that name, or nullptr.
const element_type *find_element_type(const char *name);

// Body loads of the two bricks (element_loads.cpp).
void brick_body_loads(corvane_model &m, double *f, int &errors);
void brick_phase2_loads(corvane_model &m, double *f, int &errors);
void incompatible_body_loads(corvane_model &m, double *f, int &errors);
void incompatible_phase2_loads(corvane_model &m, double *f, int &errors);
