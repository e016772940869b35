// Body loads of the solid elements: self weight, the temperature profile's free thermal strain,
// and the second-phase load, for the plain brick and for the brick with incompatible modes.
#include "element_type.h"

#include "dense.h"
#include "global_matrix.h"
#include "incompatible.h"
#include "solid.h"

#include <cstdio>

// Adds the nodal forces w * B^T D strain of one Gauss point of element rec to f;
// dg holds the global shape-function derivatives at that point.
static void add_strain_forces(double *f, const int *rec, const double *d, const double *dg,
                              const double *strain, double w)
{
    double b[144], sigma[6], r[24];
    make_b(dg, b);
    mat_mult(d, strain, sigma, 6, 6, 1);
    mat_tmult(b, sigma, r, 6, 24, 1);
    assemble_fe(f, r, w, rec, 8, 3);
}

// Jacobian at one Gauss point of a load loop; reports a failure against element e.
static int load_jacobian(int &errors, int e, const double *dn, const double *xyz, double *dg,
                         double *det)
{
    if (jacobian(dn, xyz, dg, det)) return 1;
    std::printf("\n Error Element No. = %5d", e);
    ++errors;
    return 0;
}

// Calls point(n, dg, det, i, j, k) at each of the 2 x 2 x 2 Gauss points (i, j, k) of element e
// with corner coordinates xyz, in the order the load loops have always used; a point whose
// Jacobian fails is reported against e and skipped. Returns the number of such points.
template <typename F>
static int each_gauss_point(const corvane_model &model, int e, const double *xyz, int &errors,
                            F point)
{
    const double *g = model.gauss_point;
    double n[8], dn[24], dg[24];
    int failed = 0;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) {
                shape_functions(g[i], g[j], g[k], n, dn);
                double det = 0.0;
                if (!load_jacobian(errors, e, dn, xyz, dg, &det)) {
                    ++failed;
                    continue;
                }
                point(n, dg, det, i, j, k);
            }
    return failed;
}

// Self weight and temperature of the enriched brick (incompatible modes): the
// loads on the nodes (f_u) and on the internal modes (f_a) are gathered per
// element and condensed, f = f_u - K_ua K_aa^-1 f_a; f_a is kept in modes.load
// for the recovery. Same loops, points and messages as the plain brick.
void incompatible_body_loads(corvane_model &model, double *f_ext, int &errors)
{
    const double *g = model.gauss_point, *gw = model.gauss_weight;
    model.modes.load.assign(9 * static_cast<std::size_t>(model.ne), 0.0);
    double xyz[24], d[36], ga[9], b[144], ba[54];
    double fu[24], fa[9], f[24];
    mode_coupling mc;
    // self weight: gamma acts toward -z on the nodes and on the modes' z components
    for (int e = 0; e < model.ne; ++e) {
        const int *rec = &model.conn[9 * e];
        const double *mat = &model.mats[12 * rec[8]];
        if (!is_solid_code(material_type(mat))) continue;
        gather_nodes(rec, model.coords.data(), 8, xyz);
        const double gamma = mat[2];
        vec_zero(fu, 24);
        vec_zero(fa, 9);
        each_gauss_point(model, e, xyz, errors,
                         [&](const double *n, const double *, double det, int i, int j, int k) {
                             const double w = det * gw[i] * gw[j] * gw[k];
                             for (int m = 0; m < 8; ++m) fu[3 * m + 2] -= n[m] * gamma * w;
                             const double c[3] = {g[i], g[j], g[k]};
                             for (int m = 0; m < 3; ++m)
                                 fa[3 * m + 2] -= (1.0 - c[m] * c[m]) * gamma * w;
                         });
        if (gamma == 0.0) continue;
        make_d(mat, d);
        mode_coupling_matrices(d, xyz, g, gw, mc);
        condense_load(mc, fu, fa, f);
        assemble_fe(f_ext, f, 1.0, rec, 8, 3);
        vec_axpy(&model.modes.load[9 * static_cast<std::size_t>(e)], 1.0, fa, 9);
    }
    // temperature: B^T D e0 on the nodes, B_a^T D e0 on the modes
    for (int e = 0; e < model.ne; ++e) {
        const int *rec = &model.conn[9 * e];
        const double *mat = &model.mats[12 * rec[8]];
        if (!is_solid_code(material_type(mat))) continue;
        if (mat[5] == 0.0 && mat[6] == 0.0 && mat[7] == 0.0) continue;
        gather_nodes(rec, model.coords.data(), 8, xyz);
        make_d(mat, d);
        mode_coupling_matrices(d, xyz, g, gw, mc);
        vec_zero(fu, 24);
        vec_zero(fa, 9);
        each_gauss_point(model, e, xyz, errors,
                         [&](const double *n, const double *dg, double det, int i, int j, int k) {
                             const double w = det * gw[i] * gw[j] * gw[k];
                             const double e0 = thermal_strain(mat, n, xyz);
                             const double strain[6] = {e0, e0, e0, 0.0, 0.0, 0.0};
                             double sigma[6], r[24], ra[9];
                             mat_mult(d, strain, sigma, 6, 6, 1);
                             make_b(dg, b);
                             mat_tmult(b, sigma, r, 6, 24, 1);
                             vec_axpy(fu, w, r, 24);
                             if (!mc.active) return;
                             // B_a = (det0 / det) B_a0, dV = det w
                             mode_gradients(mc.inv0, g[i], g[j], g[k], ga);
                             make_b_modes(ga, ba);
                             mat_tmult(ba, sigma, ra, 6, 9, 1);
                             vec_axpy(fa, mc.det0 * gw[i] * gw[j] * gw[k], ra, 9);
                         });
        condense_load(mc, fu, fa, f);
        assemble_fe(f_ext, f, 1.0, rec, 8, 3);
        vec_axpy(&model.modes.load[9 * static_cast<std::size_t>(e)], 1.0, fa, 9);
    }
}

void brick_body_loads(corvane_model &model, double *f_ext, int &errors)
{
    const double *gw = model.gauss_weight;
    double xyz[24], d[36];
    // self weight: gamma acts toward -z
    for (int e = 0; e < model.ne; ++e) {
        const int *rec = &model.conn[9 * e];
        const double *mat = &model.mats[12 * rec[8]];
        if (!is_solid_code(material_type(mat))) continue;
        gather_nodes(rec, model.coords.data(), 8, xyz);
        const double gamma = mat[2];
        each_gauss_point(model, e, xyz, errors,
                         [&](const double *n, const double *, double det, int i, int j, int k) {
                             const double w = det * gw[i] * gw[j] * gw[k];
                             for (int m = 0; m < 8; ++m) f_ext[3 * rec[m] + 2] -= n[m] * gamma * w;
                         });
    }
    // temperature: the nodal forces B^T D e0 of the free thermal strain e0
    for (int e = 0; e < model.ne; ++e) {
        const int *rec = &model.conn[9 * e];
        const double *mat = &model.mats[12 * rec[8]];
        if (!is_solid_code(material_type(mat))) continue;
        if (mat[5] == 0.0 && mat[6] == 0.0 && mat[7] == 0.0) continue;
        gather_nodes(rec, model.coords.data(), 8, xyz);
        make_d(mat, d);
        each_gauss_point(model, e, xyz, errors,
                         [&](const double *n, const double *dg, double det, int i, int j, int k) {
                             const double w = det * gw[i] * gw[j] * gw[k];
                             const double e0 = thermal_strain(mat, n, xyz);
                             const double strain[6] = {e0, e0, e0, 0.0, 0.0, 0.0};
                             add_strain_forces(f_ext, rec, d, dg, strain, w);
                         });
    }
}

// Second-phase load of the enriched brick: s K u_e with the condensed K. (The
// modes' own second-phase load s (K_au u + K_aa alpha) equals s times the
// first-phase mode load, which the recovery adds.)
void incompatible_phase2_loads(corvane_model &model, double *f_ext, int &errors)
{
    const double *g = model.gauss_point, *gw = model.gauss_weight;
    double xyz[24], u[24], d[36], ek[576], f[24];
    for (int e = 0; e < model.ne; ++e) {
        const int *rec = &model.conn[9 * e];
        const double *mat = &model.mats[12 * rec[8]];
        if (!is_solid_code(material_type(mat)) || mat[4] == 0.0) continue;
        gather_nodes(rec, model.disp.data(), 8, u);
        gather_nodes(rec, model.coords.data(), 8, xyz);
        const int failed = each_gauss_point(
            model, e, xyz, errors, [](const double *, const double *, double, int, int, int) {});
        if (failed) continue; // reported; the run ends without results
        make_d(mat, d);
        incompatible_stiffness(d, xyz, g, gw, ek);
        mat_mult(ek, u, f, 24, 24, 1);
        assemble_fe(f_ext, f, mat[4], rec, 8, 3);
    }
}

void brick_phase2_loads(corvane_model &model, double *f_ext, int &errors)
{
    const double *gw = model.gauss_weight;
    double xyz[24], u[24], b[144], d[36];
    for (int e = 0; e < model.ne; ++e) {
        const int *rec = &model.conn[9 * e];
        const double *mat = &model.mats[12 * rec[8]];
        if (!is_solid_code(material_type(mat)) || mat[4] == 0.0) continue;
        const double s = mat[4];
        gather_nodes(rec, model.disp.data(), 8, u);
        gather_nodes(rec, model.coords.data(), 8, xyz);
        make_d(mat, d);
        each_gauss_point(model, e, xyz, errors,
                         [&](const double *, const double *dg, double det, int i, int j, int k) {
                             double strain[6];
                             make_b(dg, b);
                             mat_mult(b, u, strain, 6, 24, 1);
                             add_strain_forces(f_ext, rec, d, dg, strain,
                                               s * det * gw[i] * gw[j] * gw[k]);
                         });
    }
}
