// External load vectors: face tractions, self weight, temperature, second-phase load.
#include "loads.h"

#include "dense.h"
#include "element_type.h"
#include "global_matrix.h"
#include "joint.h"
#include "solid.h"

#include <cstdio>

// Tractions of the loaded faces, given in each face's own frame (e1 along face
// nodes 0->1, e3 normal to the face), integrated with the face functions.
static void add_face_loads(corvane_run &run)
{
    const double *g = run.gauss_point, *gw = run.gauss_weight;
    double xyz[24], t[576], q[24], qg[24], n[8], dn[24], normal[3];
    for (int f = 0; f < run.nedge; ++f) {
        const int *nodes = &run.face_nodes[4 * f];
        const double *tr = &run.face_vals[12 * f];
        vec_zero(xyz, 24);
        gather_nodes(nodes, run.coords.data(), 4, xyz);
        joint_frame(xyz, 8, t);
        vec_zero(q, 24);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                shape_functions(g[i], g[j], -1.0, n, dn);
                const double da = face_normal(xyz, dn, normal) * gw[i] * gw[j];
                double p[3] = {0.0, 0.0, 0.0};
                for (int m = 0; m < 4; ++m)
                    for (int k = 0; k < 3; ++k) p[k] += n[m] * tr[3 * m + k];
                for (int m = 0; m < 4; ++m)
                    for (int k = 0; k < 3; ++k) q[3 * m + k] += n[m] * p[k] * da;
            }
        // q' = T q
        mat_mult(t, q, qg, 24, 24, 1);
        assemble_fe(run.f_ext.data(), qg, 1.0, nodes, 4, 3);
    }
}

void build_f_ext(corvane_run &run)
{
    vec_zero(run.f_ext.data(), run.nn);
    if (run.nedge > 0) add_face_loads(run);
    run.element->body_loads(run, run.f_ext.data(), run.err_count);
}

void build_phase2_load(corvane_run &run)
{
    vec_zero(run.f_ext.data(), run.nn);
    run.element->phase2_loads(run, run.f_ext.data(), run.err_count);
}
