// External load vectors: face tractions, self weight, temperature, second-phase load.
#include "loads.h"

#include "dense.h"
#include "global_matrix.h"
#include "incompatible.h"
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
static void add_strain_forces(corvane_run &run, const int *rec, const double *d, const double *dg,
                              const double *strain, double w)
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

// Self weight and temperature of the enriched brick (element_kind 1): the
// loads on the nodes (f_u) and on the internal modes (f_a) are gathered per
// element and condensed, f = f_u - K_ua K_aa^-1 f_a; f_a is kept in mode_load
// for the recovery. Same loops, points and messages as the plain brick.
static void add_solid_loads_incompatible(corvane_run &run)
{
    const double *g = run.gauss_point, *gw = run.gauss_weight;
    run.mode_load.assign(9 * static_cast<std::size_t>(run.ne), 0.0);
    double xyz[24], n[8], dn[24], dg[24], d[36], ga[9], b[144], ba[54];
    double fu[24], fa[9], f[24];
    mode_coupling mc;
    // self weight: gamma acts toward -z on the nodes and on the modes' z components
    for (int e = 0; e < run.ne; ++e) {
        const int *rec = &run.conn[9 * e];
        const double *mat = &run.mats[12 * rec[8]];
        if (material_type(mat) != 0) continue;
        gather_nodes(rec, run.coords.data(), 8, xyz);
        const double gamma = mat[2];
        vec_zero(fu, 24);
        vec_zero(fa, 9);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int k = 0; k < 2; ++k) {
                    shape_functions(g[i], g[j], g[k], n, dn);
                    double det = 0.0;
                    if (!load_jacobian(run, e, dn, xyz, dg, &det)) continue;
                    const double w = det * gw[i] * gw[j] * gw[k];
                    for (int m = 0; m < 8; ++m) fu[3 * m + 2] -= n[m] * gamma * w;
                    const double c[3] = {g[i], g[j], g[k]};
                    for (int m = 0; m < 3; ++m) fa[3 * m + 2] -= (1.0 - c[m] * c[m]) * gamma * w;
                }
        if (gamma == 0.0) continue;
        make_d(mat, d);
        mode_coupling_matrices(d, xyz, g, gw, mc);
        condense_load(mc, fu, fa, f);
        assemble_fe(run.f_ext.data(), f, 1.0, rec, 8, 3);
        vec_axpy(&run.mode_load[9 * static_cast<std::size_t>(e)], 1.0, fa, 9);
    }
    // temperature: B^T D e0 on the nodes, B_a^T D e0 on the modes
    for (int e = 0; e < run.ne; ++e) {
        const int *rec = &run.conn[9 * e];
        const double *mat = &run.mats[12 * rec[8]];
        if (material_type(mat) != 0) continue;
        if (mat[5] == 0.0 && mat[6] == 0.0 && mat[7] == 0.0) continue;
        gather_nodes(rec, run.coords.data(), 8, xyz);
        make_d(mat, d);
        mode_coupling_matrices(d, xyz, g, gw, mc);
        vec_zero(fu, 24);
        vec_zero(fa, 9);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int k = 0; k < 2; ++k) {
                    shape_functions(g[i], g[j], g[k], n, dn);
                    double det = 0.0;
                    if (!load_jacobian(run, e, dn, xyz, dg, &det)) continue;
                    const double w = det * gw[i] * gw[j] * gw[k];
                    const double e0 = thermal_strain(mat, n, xyz);
                    const double strain[6] = {e0, e0, e0, 0.0, 0.0, 0.0};
                    double sigma[6], r[24], ra[9];
                    mat_mult(d, strain, sigma, 6, 6, 1);
                    make_b(dg, b);
                    mat_tmult(b, sigma, r, 6, 24, 1);
                    vec_axpy(fu, w, r, 24);
                    if (!mc.active) continue;
                    // B_a = (det0 / det) B_a0, dV = det w
                    mode_gradients(mc.inv0, g[i], g[j], g[k], ga);
                    make_b_modes(ga, ba);
                    mat_tmult(ba, sigma, ra, 6, 9, 1);
                    vec_axpy(fa, mc.det0 * gw[i] * gw[j] * gw[k], ra, 9);
                }
        condense_load(mc, fu, fa, f);
        assemble_fe(run.f_ext.data(), f, 1.0, rec, 8, 3);
        vec_axpy(&run.mode_load[9 * static_cast<std::size_t>(e)], 1.0, fa, 9);
    }
}

void build_f_ext(corvane_run &run)
{
    const double *g = run.gauss_point, *gw = run.gauss_weight;
    vec_zero(run.f_ext.data(), run.nn);
    if (run.nedge > 0) add_face_loads(run);
    if (run.element_kind == 1) {
        add_solid_loads_incompatible(run);
        return;
    }

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
                    const double e0 = thermal_strain(mat, n, xyz);
                    const double strain[6] = {e0, e0, e0, 0.0, 0.0, 0.0};
                    add_strain_forces(run, rec, d, dg, strain, w);
                }
    }
}

// Second-phase load of the enriched brick: s K u_e with the condensed K. (The
// modes' own second-phase load s (K_au u + K_aa alpha) equals s times the
// first-phase mode load, which the recovery adds.)
static void phase2_load_incompatible(corvane_run &run)
{
    const double *g = run.gauss_point, *gw = run.gauss_weight;
    double xyz[24], u[24], n[8], dn[24], dg[24], d[36], ek[576], f[24];
    for (int e = 0; e < run.ne; ++e) {
        const int *rec = &run.conn[9 * e];
        const double *mat = &run.mats[12 * rec[8]];
        if (material_type(mat) != 0 || mat[4] == 0.0) continue;
        gather_nodes(rec, run.disp.data(), 8, u);
        gather_nodes(rec, run.coords.data(), 8, xyz);
        int failed = 0;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int k = 0; k < 2; ++k) {
                    shape_functions(g[i], g[j], g[k], n, dn);
                    double det = 0.0;
                    if (!load_jacobian(run, e, dn, xyz, dg, &det)) ++failed;
                }
        if (failed) continue; // reported; the run ends without results
        make_d(mat, d);
        incompatible_stiffness(d, xyz, g, gw, ek);
        mat_mult(ek, u, f, 24, 24, 1);
        assemble_fe(run.f_ext.data(), f, mat[4], rec, 8, 3);
    }
}

void build_phase2_load(corvane_run &run)
{
    const double *g = run.gauss_point, *gw = run.gauss_weight;
    vec_zero(run.f_ext.data(), run.nn);
    if (run.element_kind == 1) {
        phase2_load_incompatible(run);
        return;
    }
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
