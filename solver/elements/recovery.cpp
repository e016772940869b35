// Strains and stresses of the solid elements at integration points and nodes.
#include "recovery.h"

#include "dense.h"
#include "incompatible.h"
#include "solid.h"

#include <cstdio>
#include <vector>

void count_node_solids(corvane_model &m)
{
    m.node_solids.assign(m.np, 0);
    for (int e = 0; e < m.ne; ++e) {
        const int *rec = &m.conn[9 * e];
        if (material_type(&m.mats[12 * rec[8]]) != 0) continue;
        for (int k = 0; k < 8; ++k) ++m.node_solids[rec[k]];
    }
}

int point_strain_stress(const double *mat, const double *d, const double *xyz, const double *u,
                        double xi, double eta, double zeta, double *strain, double *stress)
{
    double n[8], dn[24], dg[24], b[144], det = 0.0;
    shape_functions(xi, eta, zeta, n, dn);
    if (!jacobian(dn, xyz, dg, &det)) return 0;
    double z = 0.0;
    for (int k = 0; k < 8; ++k) z += n[k] * xyz[3 * k + 2];
    // thermal strain alpha * T(z), T = a z^2 + b z + c
    const double thermal = mat[3] * (mat[5] * z * z + mat[6] * z + mat[7]);
    make_b(dg, b);
    mat_mult(b, u, strain, 6, 24, 1);
    for (int c = 0; c < 3; ++c) strain[c] -= thermal;
    mat_mult(d, strain, stress, 6, 6, 1);
    return 1;
}

// Nodes where some element could not be evaluated (non-positive Jacobian
// determinant at that corner) hold the sum of share * value over the others
// only: make them the mean over the elements that were evaluated there. Nodes
// without a failure are left exactly as summed.
static void average_over_evaluated(corvane_model &m, const std::vector<int> &failed)
{
    for (int n = 0; n < m.np; ++n) {
        const int k = failed[n], total = m.node_solids[n];
        if (k == 0 || k >= total) continue;
        const double scale = static_cast<double>(total) / (total - k);
        for (int c = 0; c < 6; ++c) {
            m.node_strain[6 * static_cast<std::size_t>(n) + c] *= scale;
            m.node_stress[6 * static_cast<std::size_t>(n) + c] *= scale;
        }
    }
}

// Point evaluation of the enriched brick: the strain adds the modes' B_a alpha,
// B_a = (det0 / det J) B_a0 at the point.
static int point_strain_stress_modes(const double *mat, const double *d, const double *xyz,
                                     const double *u, const mode_coupling &mc, const double *alpha,
                                     double xi, double eta, double zeta, double *strain,
                                     double *stress)
{
    double n[8], dn[24], dg[24], b[144], ga[9], ba[54], det = 0.0;
    shape_functions(xi, eta, zeta, n, dn);
    if (!jacobian(dn, xyz, dg, &det)) return 0;
    double z = 0.0;
    for (int k = 0; k < 8; ++k) z += n[k] * xyz[3 * k + 2];
    const double thermal = mat[3] * (mat[5] * z * z + mat[6] * z + mat[7]);
    make_b(dg, b);
    mat_mult(b, u, strain, 6, 24, 1);
    if (mc.active) {
        double ea[6];
        mode_gradients(mc.inv0, xi, eta, zeta, ga);
        make_b_modes(ga, ba);
        mat_mult(ba, alpha, ea, 6, 9, 1);
        vec_axpy(strain, mc.det0 / det, ea, 6);
    }
    for (int c = 0; c < 3; ++c) strain[c] -= thermal;
    mat_mult(d, strain, stress, 6, 6, 1);
    return 1;
}

// recover_stresses for the enriched brick: per element the modes
// alpha = K_aa^-1 (f_a - K_au u), f_a the mode load reached (first phase at
// mode_scale, plus entry 4 times it after a second phase).
static void recover_stresses_modes(corvane_model &m)
{
    double xyz[24], u[24], d[36], strain[6], stress[6], fa[9], alpha[9];
    mode_coupling mc;
    const bool loads = m.mode_load.size() == 9 * static_cast<std::size_t>(m.ne);
    std::vector<int> failed(m.np, 0);
    for (int pass = 0; pass < 2; ++pass)
        for (int e = 0; e < m.ne; ++e) {
            const int *rec = &m.conn[9 * e];
            const double *mat = &m.mats[12 * rec[8]];
            if (material_type(mat) != 0) continue;
            make_d(mat, d);
            gather_nodes(rec, m.coords.data(), 8, xyz);
            gather_nodes(rec, m.disp.data(), 8, u);
            mode_coupling_matrices(d, xyz, m.gauss_point, m.gauss_weight, mc);
            const double share = m.mode_scale * (1.0 + (m.mode_phase2 ? mat[4] : 0.0));
            for (int q = 0; q < 9; ++q)
                fa[q] = loads ? share * m.mode_load[9 * static_cast<std::size_t>(e) + q] : 0.0;
            recover_modes(mc, fa, u, alpha);
            if (pass == 0) {
                for (int i = 0; i < 2; ++i)
                    for (int j = 0; j < 2; ++j)
                        for (int k = 0; k < 2; ++k) {
                            const int p = 4 * i + 2 * j + k;
                            if (!point_strain_stress_modes(mat, d, xyz, u, mc, alpha,
                                                           m.gauss_point[i], m.gauss_point[j],
                                                           m.gauss_point[k], strain, stress)) {
                                std::fprintf(stderr, "Error occurs at element No.%5d", e);
                                continue;
                            }
                            vec_axpy(&m.gp_strain[48 * static_cast<std::size_t>(e) + 6 * p], 1.0,
                                     strain, 6);
                            vec_axpy(&m.gp_stress[48 * static_cast<std::size_t>(e) + 6 * p], 1.0,
                                     stress, 6);
                        }
                continue;
            }
            for (int k = 0; k < 8; ++k) {
                if (!point_strain_stress_modes(mat, d, xyz, u, mc, alpha, node_xi[k], node_eta[k],
                                               node_zeta[k], strain, stress)) {
                    std::fprintf(stderr, "Error occurs at element No.%5d", e);
                    ++failed[rec[k]];
                    continue;
                }
                const int node = rec[k];
                const double w = 1.0 / m.node_solids[node];
                vec_axpy(&m.node_strain[6 * static_cast<std::size_t>(node)], w, strain, 6);
                vec_axpy(&m.node_stress[6 * static_cast<std::size_t>(node)], w, stress, 6);
            }
        }
    average_over_evaluated(m, failed);
}

void recover_stresses(corvane_model &m)
{
    if (m.element_kind == 1) {
        recover_stresses_modes(m);
        return;
    }
    double xyz[24], u[24], d[36], strain[6], stress[6];
    // pass 1: the eight integration points, xi outer, zeta inner
    for (int e = 0; e < m.ne; ++e) {
        const int *rec = &m.conn[9 * e];
        const double *mat = &m.mats[12 * rec[8]];
        if (material_type(mat) != 0) continue;
        make_d(mat, d);
        gather_nodes(rec, m.coords.data(), 8, xyz);
        gather_nodes(rec, m.disp.data(), 8, u);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int k = 0; k < 2; ++k) {
                    const int p = 4 * i + 2 * j + k;
                    if (!point_strain_stress(mat, d, xyz, u, m.gauss_point[i], m.gauss_point[j],
                                             m.gauss_point[k], strain, stress)) {
                        std::fprintf(stderr, "Error occurs at element No.%5d", e);
                        continue; // undefined derivatives: the point keeps zeros
                    }
                    vec_axpy(&m.gp_strain[48 * static_cast<std::size_t>(e) + 6 * p], 1.0, strain,
                             6);
                    vec_axpy(&m.gp_stress[48 * static_cast<std::size_t>(e) + 6 * p], 1.0, stress,
                             6);
                }
    }
    // pass 2: values at the element's own nodes, averaged over the solids sharing the node
    std::vector<int> failed(m.np, 0);
    for (int e = 0; e < m.ne; ++e) {
        const int *rec = &m.conn[9 * e];
        const double *mat = &m.mats[12 * rec[8]];
        if (material_type(mat) != 0) continue;
        make_d(mat, d);
        gather_nodes(rec, m.coords.data(), 8, xyz);
        gather_nodes(rec, m.disp.data(), 8, u);
        for (int k = 0; k < 8; ++k) {
            if (!point_strain_stress(mat, d, xyz, u, node_xi[k], node_eta[k], node_zeta[k], strain,
                                     stress)) {
                std::fprintf(stderr, "Error occurs at element No.%5d", e);
                ++failed[rec[k]];
                continue;
            }
            const int node = rec[k];
            const double share = 1.0 / m.node_solids[node];
            vec_axpy(&m.node_strain[6 * static_cast<std::size_t>(node)], share, strain, 6);
            vec_axpy(&m.node_stress[6 * static_cast<std::size_t>(node)], share, stress, 6);
        }
    }
    average_over_evaluated(m, failed);
}
