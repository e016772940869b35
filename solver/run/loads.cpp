// External load vectors: face tractions, self weight, temperature, second-phase load.
#include "loads.h"

#include "dense.h"
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

// Adds the nodal forces w * B^T D strain of one Gauss point of element rec to f_ext;
// dg holds the global shape-function derivatives at that point.
static void add_strain_forces(corvane_run &run, const int *rec, const double *d,
                              const double *dg, const double *strain, double w)
{
    double b[144], sigma[6], r[24];
    make_b(dg, b);
    mat_mult(d, strain, sigma, 6, 6, 1);
    mat_tmult(b, sigma, r, 6, 24, 1);
    assemble_fe(run.f_ext.data(), r, w, rec, 8, 3);
}

// Jacobian at one Gauss point of a load loop; reports a failure against element e.
static int load_jacobian(corvane_run &run, int e, const double *dn, const double *xyz, double *dg,
                         double *det)
{
    if (jacobian(dn, xyz, dg, det)) return 1;
    std::printf("\n Error Element No. = %5d", e);
    ++run.err_count;
    return 0;
}

void build_f_ext(corvane_run &run)
{
    const double *g = run.gauss_point, *gw = run.gauss_weight;
    vec_zero(run.f_ext.data(), run.nn);
    if (run.nedge > 0) add_face_loads(run);

    double xyz[24], n[8], dn[24], dg[24], d[36];
    // self weight: gamma acts toward -z
    for (int e = 0; e < run.ne; ++e) {
        const int *rec = &run.conn[9 * e];
        const double *mat = &run.mats[12 * rec[8]];
        if (material_type(mat) != 0) continue;
        gather_nodes(rec, run.coords.data(), 8, xyz);
        const double gamma = mat[2];
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int k = 0; k < 2; ++k) {
                    shape_functions(g[i], g[j], g[k], n, dn);
                    double det = 0.0;
                    if (!load_jacobian(run, e, dn, xyz, dg, &det)) continue;
                    const double w = det * gw[i] * gw[j] * gw[k];
                    for (int m = 0; m < 8; ++m) run.f_ext[3 * rec[m] + 2] -= n[m] * gamma * w;
                }
    }
    // temperature: the nodal forces B^T D e0 of the free thermal strain e0
    for (int e = 0; e < run.ne; ++e) {
        const int *rec = &run.conn[9 * e];
        const double *mat = &run.mats[12 * rec[8]];
        if (material_type(mat) != 0) continue;
        if (mat[5] == 0.0 && mat[6] == 0.0 && mat[7] == 0.0) continue;
        gather_nodes(rec, run.coords.data(), 8, xyz);
        make_d(mat, d);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int k = 0; k < 2; ++k) {
                    shape_functions(g[i], g[j], g[k], n, dn);
                    double det = 0.0;
                    if (!load_jacobian(run, e, dn, xyz, dg, &det)) continue;
                    const double w = det * gw[i] * gw[j] * gw[k];
                    double z = 0.0;
                    for (int m = 0; m < 8; ++m) z += n[m] * xyz[3 * m + 2];
                    const double e0 = mat[3] * (mat[5] * z * z + mat[6] * z + mat[7]);
                    const double strain[6] = {e0, e0, e0, 0.0, 0.0, 0.0};
                    add_strain_forces(run, rec, d, dg, strain, w);
                }
    }
}

void build_phase2_load(corvane_run &run)
{
    const double *g = run.gauss_point, *gw = run.gauss_weight;
    vec_zero(run.f_ext.data(), run.nn);
    double xyz[24], u[24], n[8], dn[24], dg[24], b[144], d[36];
    for (int e = 0; e < run.ne; ++e) {
        const int *rec = &run.conn[9 * e];
        const double *mat = &run.mats[12 * rec[8]];
        if (material_type(mat) != 0 || mat[4] == 0.0) continue;
        const double s = mat[4];
        gather_nodes(rec, run.disp.data(), 8, u);
        gather_nodes(rec, run.coords.data(), 8, xyz);
        make_d(mat, d);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int k = 0; k < 2; ++k) {
                    shape_functions(g[i], g[j], g[k], n, dn);
                    double det = 0.0;
                    if (!load_jacobian(run, e, dn, xyz, dg, &det)) continue;
                    double strain[6];
                    make_b(dg, b);
                    mat_mult(b, u, strain, 6, 24, 1);
                    add_strain_forces(run, rec, d, dg, strain, s * det * gw[i] * gw[j] * gw[k]);
                }
    }
}
