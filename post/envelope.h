// Per-node extremes over the cases of one mesh, from the per-material stresses: at a node the
// extreme that any material's elements see there.
#pragma once

#include "result_set.h"

#include <string>
#include <vector>

// Components: Sx..Sxy, Ex..Exy, S1, S2, S3.
constexpr int envelope_components = 15;
const char *envelope_component_name(int c);

struct envelope_data {
    int np = 0;
    std::vector<double> max, min; // envelope_components per node (kgf-cm)
    std::vector<int> max_case;    // per node and component: the case of the maximum
};

// Adds result set rs as case c (the first case sizes the envelope).
void add_to_envelope(envelope_data &env, const result_set &rs, int c);

// The mesh of rs and the envelope as a legacy VTK file: point scalars Max_<component>,
// Min_<component> (report units) and Governing_case_S3. False when it cannot be written.
bool write_envelope_vtk(const envelope_data &env, const result_set &rs, bool si,
                        const std::string &path);
