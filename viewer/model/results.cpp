// Derived results of the loaded set: principal stresses and directions, the fatigue index, the
// per-material nodal values and the value a contour face takes at a corner.
#include "fem3d.h"
#include "result_set.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

int guess_file_units(const FEMg3D &m, float in_stress_factor)
{
    const int nn = std::min(m.n_nodes, static_cast<int>(m.nodes.size()));
    if (nn <= 0 || !(in_stress_factor > 0)) return 0;
    const float top = m.extent[4]; // z max
    double e_max = 0.0;
    for (int e = 0; e < m.n_elements; ++e) {
        const t_elem &el = m.elements[e];
        if (m.material_kind(el.material) != 0) continue;
        for (int k = 0; k < 8; ++k)
            if (el.node[k] >= 0 && el.node[k] < nn &&
                std::fabs(m.nodes[el.node[k]].coord[2] - top) <= 1e-6f * (1 + std::fabs(top)))
                e_max = std::fmax(e_max, m.materials[el.material].value[0]);
    }
    if (!(e_max > 0)) return 0;
    return units_of_slab_modulus(e_max / in_stress_factor) == file_units::kgf_cm ? 1 : 2;
}

void FEMg3D::compute_fatigue(float a, float b, float sa, float r)
{
    if (n_nodes == 0 || sa == 0 || b == 0) return;
    for (int i = 0; i < n_nodes; i++) nodes[i].fi = r - (a - nodes[i].principal[2] / sa) / b;
    for (material_value &v : material_values) v.fi = r - (a - v.principal[2] / sa) / b;
}

int FEMg3D::load_material_values(const char *mst)
{
    material_values_loaded = false;
    std::vector<double> xyz(3 * static_cast<std::size_t>(n_nodes));
    for (int n = 0; n < n_nodes; ++n)
        for (int k = 0; k < 3; ++k) xyz[3 * n + k] = nodes[n].coord[k];
    std::vector<int> kinds(static_cast<std::size_t>(n_materials));
    for (int m = 0; m < n_materials; ++m) kinds[m] = material_kind(m);
    material_stress_table t;
    std::string why;
    if (!read_material_stress_file(mst, n_nodes, n_materials, xyz.data(), kinds.data(),
                                   settings->in_stress_factor, t, why)) {
        load_error = why;
        return -1;
    }
    material_value_start = std::move(t.start);
    material_value_material = std::move(t.material);
    material_values.assign(material_value_material.size(), material_value{});
    for (std::size_t r = 0; r < material_values.size(); ++r) {
        material_value &v = material_values[r];
        for (int k = 0; k < 6; ++k) {
            v.strain[k] = static_cast<float>(t.strain[6 * r + k]);
            v.stress[k] = static_cast<float>(t.stress[6 * r + k]);
        }
        float direction[9];
        compute_principal(v.stress, v.principal, direction);
        v.fi = flex_strength != 0 && fatigue_b != 0
                   ? repetitions_log - (fatigue_a - v.principal[2] / flex_strength) / fatigue_b
                   : 0.0f;
    }
    material_values_loaded = true;
    return 1;
}

float FEMg3D::face_value(const t_face &f, int k, int c) const
{
    const int n = f.node[k];
    if (settings->per_material && material_values_loaded)
        for (std::int64_t r = material_value_start[n]; r < material_value_start[n + 1]; ++r)
            if (material_value_material[r] == f.material) {
                const material_value &v = material_values[r];
                if (c < 6) return v.stress[c];
                if (c < 12) return v.strain[c - 6];
                if (c < 15) return v.principal[c - 12];
                return v.fi;
            }
    return nodes[n].result(c);
}

// Jacobi rotations with the largest off-diagonal pivot; D -> diagonal, V collects the
// rotations column-wise, so column k of V is the direction of eigenvalue D[k][k].
void FEMg3D::compute_principal(const float s[6], float values[3], float direction[9])
{
    float d[3][3] = {{s[0], s[5], s[4]}, {s[5], s[1], s[3]}, {s[4], s[3], s[2]}};
    float v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int iter = 0; iter < 1000; iter++) {
        int p = 0, q = 1;
        float big = -1;
        for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++)
                if (i != j && std::fabs(d[i][j]) > big) {
                    big = std::fabs(d[i][j]);
                    p = i;
                    q = j;
                }
        if (big < 1e-10f) break;
        const float y = -d[p][q];
        const float x = (d[p][p] - d[q][q]) * 0.5f;
        float sn = std::sqrt((1 - std::fabs(x) / std::sqrt(y * y + x * x)) * 0.5f);
        if (y * x < 0) sn = -sn;
        const float cs = std::sqrt(1 - sn * sn);
        float t[3][3];
        std::memcpy(t, d, sizeof t);
        t[p][p] = cs * cs * d[p][p] + sn * sn * d[q][q] - 2 * cs * sn * d[p][q];
        t[q][q] = sn * sn * d[p][p] + cs * cs * d[q][q] + 2 * cs * sn * d[p][q];
        t[p][q] = t[q][p] = 0;
        for (int k = 0; k < 3; k++) {
            if (k == p || k == q) continue;
            t[p][k] = cs * d[p][k] - sn * d[q][k];
            t[q][k] = cs * d[q][k] + sn * d[p][k];
            t[k][p] = cs * d[k][p] - sn * d[k][q];
            t[k][q] = cs * d[k][q] + sn * d[k][p];
        }
        for (int j = 0; j < 3; j++) {
            const float vp = v[j][p], vq = v[j][q];
            v[j][p] = cs * vp - sn * vq;
            v[j][q] = cs * vq + sn * vp;
        }
        std::memcpy(d, t, sizeof d);
    }
    // Ascending order: compare-and-swap (0,1), (1,2), (0,1).
    const int order[3][2] = {{0, 1}, {1, 2}, {0, 1}};
    for (const auto &o : order) {
        const int a = o[0], b = o[1];
        if (d[a][a] > d[b][b]) {
            std::swap(d[a][a], d[b][b]);
            for (int j = 0; j < 3; j++) std::swap(v[j][a], v[j][b]);
        }
    }
    for (int k = 0; k < 3; k++) {
        values[k] = d[k][k];
        for (int r = 0; r < 3; r++) direction[3 * r + k] = v[r][k];
    }
}
