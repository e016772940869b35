// Strains and stresses of the solid elements at integration points and nodes.
#include "recovery.h"

#include "dense.h"
#include "element_type.h"
#include "incompatible.h"
#include "solid.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

void count_node_solids(corvane_model &m)
{
    m.node_solids.assign(m.np, 0);
    for (int e = 0; e < m.ne; ++e) {
        const int *rec = &m.conn[9 * e];
        if (!is_solid_code(material_type(&m.mats[12 * rec[8]]))) continue;
        for (int k = 0; k < 8; ++k) ++m.node_solids[rec[k]];
    }
}

// Point evaluation of the plain brick (mc null) and of the enriched brick, whose
// strain adds the modes' B_a alpha, B_a = (det0 / det J) B_a0 at the point.
static int point_values(const double *mat, const double *d, const double *xyz, const double *u,
                        const mode_coupling *mc, const double *alpha, double xi, double eta,
                        double zeta, double *strain, double *stress)
{
    double n[8], dn[24], dg[24], b[144], det = 0.0;
    shape_functions(xi, eta, zeta, n, dn);
    if (!jacobian(dn, xyz, dg, &det)) return 0;
    const double thermal = thermal_strain(mat, n, xyz);
    make_b(dg, b);
    mat_mult(b, u, strain, 6, 24, 1);
    if (mc && mc->active) {
        double ga[9], ba[54], ea[6];
        mode_gradients(mc->inv0, xi, eta, zeta, ga);
        make_b_modes(ga, ba);
        mat_mult(ba, alpha, ea, 6, 9, 1);
        vec_axpy(strain, mc->det0 / det, ea, 6);
    }
    for (int c = 0; c < 3; ++c) strain[c] -= thermal;
    mat_mult(d, strain, stress, 6, 6, 1);
    return 1;
}

int point_strain_stress(const double *mat, const double *d, const double *xyz, const double *u,
                        double xi, double eta, double zeta, double *strain, double *stress)
{
    return point_values(mat, d, xyz, u, nullptr, nullptr, xi, eta, zeta, strain, stress);
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

enum { at_points = 1, at_nodes = 2 };

void size_material_nodal(const corvane_model &m, material_nodal &t)
{
    // every (node, material) incidence of the solid elements, then one row per distinct pair
    t.start.assign(static_cast<std::size_t>(m.np) + 1, 0);
    for (int e = 0; e < m.ne; ++e) {
        const int *rec = &m.conn[9 * e];
        if (!is_solid_code(material_type(&m.mats[12 * rec[8]]))) continue;
        for (int k = 0; k < 8; ++k) ++t.start[rec[k] + 1];
    }
    for (int n = 0; n < m.np; ++n) t.start[n + 1] += t.start[n];
    std::vector<int> incident(static_cast<std::size_t>(t.start[m.np]));
    std::vector<std::int64_t> fill(t.start.begin(), t.start.end() - 1);
    for (int e = 0; e < m.ne; ++e) {
        const int *rec = &m.conn[9 * e];
        if (!is_solid_code(material_type(&m.mats[12 * rec[8]]))) continue;
        for (int k = 0; k < 8; ++k) incident[fill[rec[k]]++] = rec[8];
    }
    t.material.clear();
    std::int64_t row = 0;
    for (int n = 0; n < m.np; ++n) {
        auto first = incident.begin() + t.start[n], last = incident.begin() + t.start[n + 1];
        std::sort(first, last);
        last = std::unique(first, last);
        t.start[n] = row;
        t.material.insert(t.material.end(), first, last);
        row += last - first;
    }
    t.start[m.np] = row;
    t.count.assign(static_cast<std::size_t>(row), 0);
    t.strain.assign(6 * static_cast<std::size_t>(row), 0.0);
    t.stress.assign(6 * static_cast<std::size_t>(row), 0.0);
}

// Adds one element's value at one of its nodes to the row of (node, material).
static void add_material_value(material_nodal &t, int node, int material, const double *strain,
                               const double *stress)
{
    for (std::int64_t r = t.start[node]; r < t.start[node + 1]; ++r)
        if (t.material[r] == material) {
            ++t.count[r];
            vec_axpy(&t.strain[6 * r], 1.0, strain, 6);
            vec_axpy(&t.stress[6 * r], 1.0, stress, 6);
            return;
        }
}

// Sums into means: each row divided by the elements evaluated at it.
static void finish_material_nodal(material_nodal &t)
{
    for (std::size_t r = 0; r < t.count.size(); ++r)
        if (t.count[r] > 1)
            for (int c = 0; c < 6; ++c) {
                t.strain[6 * r + c] /= t.count[r];
                t.stress[6 * r + c] /= t.count[r];
            }
}

// Adds one element's values at its integration points (xi outer, zeta inner)
// and/or its share of the values at its nodes. A point whose derivatives are
// undefined keeps zeros; a node counts the failure for average_over_evaluated.
static void recover_element(corvane_model &m, int e, const double *d, const double *xyz,
                            const double *u, const mode_coupling *mc, const double *alpha, int what,
                            std::vector<int> &failed, material_nodal *per_material)
{
    const int *rec = &m.conn[9 * e];
    const double *mat = &m.mats[12 * rec[8]];
    double strain[6], stress[6];
    if (what & at_points)
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                for (int k = 0; k < 2; ++k) {
                    const int p = 4 * i + 2 * j + k;
                    if (!point_values(mat, d, xyz, u, mc, alpha, m.gauss_point[i], m.gauss_point[j],
                                      m.gauss_point[k], strain, stress)) {
                        std::fprintf(stderr, "Error occurs at element No.%5d", e);
                        continue;
                    }
                    vec_axpy(&m.gp_strain[48 * static_cast<std::size_t>(e) + 6 * p], 1.0, strain,
                             6);
                    vec_axpy(&m.gp_stress[48 * static_cast<std::size_t>(e) + 6 * p], 1.0, stress,
                             6);
                }
    if (what & at_nodes)
        for (int k = 0; k < 8; ++k) {
            if (!point_values(mat, d, xyz, u, mc, alpha, node_xi[k], node_eta[k], node_zeta[k],
                              strain, stress)) {
                std::fprintf(stderr, "Error occurs at element No.%5d", e);
                ++failed[rec[k]];
                continue;
            }
            const int node = rec[k];
            const double share = 1.0 / m.node_solids[node];
            vec_axpy(&m.node_strain[6 * static_cast<std::size_t>(node)], share, strain, 6);
            vec_axpy(&m.node_stress[6 * static_cast<std::size_t>(node)], share, stress, 6);
            if (per_material) add_material_value(*per_material, node, rec[8], strain, stress);
        }
}

// D, node coordinates and displacements of element e; false for an element that is not solid.
static bool solid_state(const corvane_model &m, int e, double *d, double *xyz, double *u)
{
    const int *rec = &m.conn[9 * e];
    const double *mat = &m.mats[12 * rec[8]];
    if (!is_solid_code(material_type(mat))) return false;
    make_d(mat, d);
    gather_nodes(rec, m.coords.data(), 8, xyz);
    gather_nodes(rec, m.disp.data(), 8, u);
    return true;
}

void brick_recovery(corvane_model &m, material_nodal *per_material, std::vector<int> &failed)
{
    // all integration points first, then all nodes
    double xyz[24], u[24], d[36];
    for (int pass = 0; pass < 2; ++pass)
        for (int e = 0; e < m.ne; ++e) {
            if (!solid_state(m, e, d, xyz, u)) continue;
            recover_element(m, e, d, xyz, u, nullptr, nullptr, pass == 0 ? at_points : at_nodes,
                            failed, per_material);
        }
}

void incompatible_recovery(corvane_model &m, material_nodal *per_material, std::vector<int> &failed)
{
    // points and nodes per element, from one integration of its modes, alpha = K_aa^-1 (f_a -
    // K_au u) with f_a the mode load reached (first phase at scale, plus entry 4 times it after
    // a second phase)
    condensed_modes &modes = m.modes;
    const bool loads = modes.load.size() == 9 * static_cast<std::size_t>(m.ne);
    double xyz[24], u[24], d[36];
    mode_coupling mc;
    double fa[9], alpha[9];
    // the coupling records kept from an earlier case of the same mesh and materials
    constexpr std::size_t record = (sizeof(mode_coupling) + sizeof(double) - 1) / sizeof(double);
    const bool keep = modes.keep_coupling;
    if (keep) {
        std::vector<double> stiffness = stiffness_entries(m.mats);
        if (modes.coupling_mats != stiffness ||
            modes.coupling_filled.size() != static_cast<std::size_t>(m.ne)) {
            modes.coupling.assign(record * static_cast<std::size_t>(m.ne), 0.0);
            modes.coupling_filled.assign(static_cast<std::size_t>(m.ne), 0);
            modes.coupling_mats = std::move(stiffness);
        }
    }
    for (int e = 0; e < m.ne; ++e) {
        if (!solid_state(m, e, d, xyz, u)) continue;
        const double *mat = &m.mats[12 * m.conn[9 * e + 8]];
        double *kept = keep ? &modes.coupling[record * static_cast<std::size_t>(e)] : nullptr;
        if (keep && modes.coupling_filled[e]) {
            std::memcpy(static_cast<void *>(&mc), kept, sizeof mc);
        } else {
            mode_coupling_matrices(d, xyz, m.gauss_point, m.gauss_weight, mc);
            if (keep) {
                std::memcpy(kept, &mc, sizeof mc);
                modes.coupling_filled[e] = 1;
            }
        }
        const double share = modes.scale * (1.0 + (modes.phase2 ? mat[4] : 0.0));
        for (int q = 0; q < 9; ++q)
            fa[q] = loads ? share * modes.load[9 * static_cast<std::size_t>(e) + q] : 0.0;
        recover_modes(mc, fa, u, alpha);
        recover_element(m, e, d, xyz, u, &mc, alpha, at_points | at_nodes, failed, per_material);
    }
}

void recover_stresses(corvane_model &m, material_nodal *per_material)
{
    std::vector<int> failed(m.np, 0);
    m.element->recover(m, per_material, failed);
    average_over_evaluated(m, failed);
    if (per_material) finish_material_nodal(*per_material);
}
