// Strains and stresses of the solid elements at integration points and nodes.
#include "recovery.h"

#include "dense.h"
#include "solid.h"

#include <cstdio>

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

void recover_stresses(corvane_model &m)
{
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
                continue;
            }
            const int node = rec[k];
            const double share = 1.0 / m.node_solids[node];
            vec_axpy(&m.node_strain[6 * static_cast<std::size_t>(node)], share, strain, 6);
            vec_axpy(&m.node_stress[6 * static_cast<std::size_t>(node)], share, stress, 6);
        }
    }
}
