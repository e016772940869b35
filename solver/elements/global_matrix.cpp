// Global stiffness matrix: coupling pattern, planned assembly, compaction, products, constraints.
#include "global_matrix.h"
#include "element_type.h"

#include "dowel.h"
#include "incompatible.h"
#include "joint.h"
#include "solid.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <sys/mman.h>
#include <unordered_map>

// Reserves room for n values in v and asks for transparent huge pages over it
// before anything touches it: the matrix arrays are hundreds of MB, and 2 MB
// pages fault 512 times less often on first touch and miss the TLB less in
// every product afterwards.
template <typename T> static void reserve_huge(std::vector<T> &v, std::size_t n)
{
    v.clear();
    v.reserve(n);
#ifdef MADV_HUGEPAGE
    const std::uintptr_t huge = std::uintptr_t(1) << 21;
    const std::uintptr_t lo = (reinterpret_cast<std::uintptr_t>(v.data()) + huge - 1) & ~(huge - 1);
    const std::uintptr_t hi = (reinterpret_cast<std::uintptr_t>(v.data() + n)) & ~(huge - 1);
    if (hi > lo) madvise(reinterpret_cast<void *>(lo), hi - lo, MADV_HUGEPAGE);
#endif
}

// Appends node b to node a's neighbour list unless it is there already.
static void couple(std::vector<std::vector<int>> &nbrs, int a, int b)
{
    std::vector<int> &list = nbrs[a];
    for (int n : list)
        if (n == b) return;
    list.push_back(b);
}

// Position of node b in node a's final neighbour list, -1 if absent.
static int position_of(const row_slot_matrix &a, int na, int nb)
{
    for (std::int64_t k = a.adj_start[na]; k < a.adj_start[na + 1]; ++k)
        if (a.adj[k] == nb) return static_cast<int>(k - a.adj_start[na]);
    return -1;
}

// True when element nodes i and j of a joint face each other (or coincide).
static bool facing(int i, int j)
{
    return i == j || i == j + 4 || j == i + 4;
}

void dowel_nodes(const corvane_model &m, int d, int *nodes)
{
    for (int e = 0; e < 2; ++e) {
        const int el = m.dowel_elems[3 * d + 1 + e];
        for (int k = 0; k < 8; ++k) nodes[8 * e + k] = m.conn[9 * el + k];
    }
}

void build_pattern(corvane_model &m, const int *kind, bool adjacency_only)
{
    row_slot_matrix &a = m.matrix;
    assembly_plan &plan = m.plan;
    // Node neighbour lists in first-coupled order (the order the element
    //    loops visit row and column nodes)
    std::vector<std::vector<int>> nbrs(m.np);
    for (int e = 0; e < m.ne; ++e) {
        if (kind[e] == couples_nothing) continue;
        const int *nodes = &m.conn[9 * e];
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 8; ++j)
                if (kind[e] == couples_all || facing(i, j)) couple(nbrs, nodes[i], nodes[j]);
    }
    for (int d = 0; d < m.ndowel; ++d) {
        if (!dowel_is_placed(m, d)) continue;
        int nodes[16];
        dowel_nodes(m, d, nodes);
        for (int i = 0; i < 16; ++i)
            for (int j = 0; j < 16; ++j) couple(nbrs, nodes[i], nodes[j]);
    }
    a.adj_start.assign(m.np + 1, 0);
    for (int n = 0; n < m.np; ++n)
        a.adj_start[n + 1] = a.adj_start[n] + static_cast<std::int64_t>(nbrs[n].size());
    a.adj.resize(a.adj_start[m.np]);
    for (int n = 0; n < m.np; ++n) {
        std::copy(nbrs[n].begin(), nbrs[n].end(), a.adj.begin() + a.adj_start[n]);
        std::vector<int>().swap(nbrs[n]);
    }

    a.nn = m.nn;
    if (adjacency_only) return; // the matrix lives elsewhere (PETSc)

    // Row slots: row 3n+k holds columns 3p+l for the p-th neighbour's component l
    a.row_start.assign(m.nn + 1, 0);
    a.row_count.assign(m.nn, 0);
    a.row_moved.assign(m.nn, 0);
    a.diag_rel.assign(m.nn, -1);
    for (int n = 0; n < m.np; ++n) {
        const int width = 3 * static_cast<int>(a.adj_start[n + 1] - a.adj_start[n]);
        const int self = position_of(a, n, n);
        for (int k = 0; k < 3; ++k) {
            const int row = 3 * n + k;
            a.row_start[row + 1] = a.row_start[row] + width;
            a.row_count[row] = width;
            if (self >= 0) a.diag_rel[row] = 3 * self + k;
            // the row would have reached (or run past) the last of its bw slots
            if (width >= m.bw)
                std::fprintf(stderr, "\nWarning!! Possibly out of JENDEX kik=%4d jx=%4d", row,
                             width > m.bw ? m.bw : m.bw - 1);
        }
    }
    const std::int64_t nnz = a.row_start[m.nn];
    reserve_huge(a.values, nnz);
    a.values.assign(nnz, 0.0);
    reserve_huge(a.JENDEX, nnz);
    a.JENDEX.resize(nnz);
    for (int n = 0; n < m.np; ++n)
        for (int k = 0; k < 3; ++k) {
            std::int64_t s = a.row_start[3 * n + k];
            for (std::int64_t p = a.adj_start[n]; p < a.adj_start[n + 1]; ++p)
                for (int l = 0; l < 3; ++l) a.JENDEX[s++] = 3 * a.adj[p] + l;
        }

    // The plan: one q*q block of neighbour positions per element and dowel
    plan.element_offset.resize(m.ne);
    plan.dowel_offset.resize(m.ndowel);
    plan.pair_pos.assign(
        static_cast<std::size_t>(64) * m.ne + 256 * static_cast<std::size_t>(m.ndowel), -1);
    for (int e = 0; e < m.ne; ++e) {
        plan.element_offset[e] = 64 * static_cast<std::int64_t>(e);
        if (kind[e] == couples_nothing) continue;
        const int *nodes = &m.conn[9 * e];
        int *pos = &plan.pair_pos[plan.element_offset[e]];
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 8; ++j)
                if (kind[e] == couples_all || facing(i, j))
                    pos[8 * i + j] = position_of(a, nodes[i], nodes[j]);
    }
    for (int d = 0; d < m.ndowel; ++d) {
        plan.dowel_offset[d] =
            64 * static_cast<std::int64_t>(m.ne) + 256 * static_cast<std::int64_t>(d);
        if (!dowel_is_placed(m, d)) continue; // its block stays -1: nothing is assembled
        int nodes[16];
        dowel_nodes(m, d, nodes);
        int *pos = &plan.pair_pos[plan.dowel_offset[d]];
        for (int i = 0; i < 16; ++i)
            for (int j = 0; j < 16; ++j) pos[16 * i + j] = position_of(a, nodes[i], nodes[j]);
    }
    plan.base.valid = 0;
}

void assemble_ek(row_slot_matrix &a, const double *ek, double factor, const int *pair_pos,
                 const int *nodes, int q)
{
    const int order = 3 * q;
    for (int i = 0; i < q; ++i)
        for (int j = 0; j < q; ++j) {
            const int p = pair_pos[q * i + j];
            if (p < 0) continue; // a pair this element never couples
            for (int k = 0; k < 3; ++k) {
                const double *src = ek + (3 * i + k) * order + 3 * j;
                double *dst = &a.values[a.row_start[3 * nodes[i] + k] + 3 * p];
                for (int l = 0; l < 3; ++l)
                    if (src[l] != 0.0) dst[l] += factor * src[l];
            }
        }
}

void assemble_fe(double *global, const double *element, double factor, const int *nodes, int q,
                 int ndof)
{
    for (int i = 0; i < q; ++i)
        for (int c = 0; c < ndof; ++c)
            global[ndof * nodes[i] + c] += factor * element[ndof * i + c];
}

// Puts the pattern's column order back into the rows compact_rows reordered.
static void restore_rows(row_slot_matrix &a)
{
    const int np = static_cast<int>(a.adj_start.size()) - 1;
    for (int n = 0; n < np; ++n)
        for (int k = 0; k < 3; ++k) {
            const int row = 3 * n + k;
            a.row_count[row] = static_cast<int>(a.row_start[row + 1] - a.row_start[row]);
            if (!a.row_moved[row]) continue;
            std::int64_t s = a.row_start[row];
            for (std::int64_t p = a.adj_start[n]; p < a.adj_start[n + 1]; ++p)
                for (int l = 0; l < 3; ++l) a.JENDEX[s++] = 3 * a.adj[p] + l;
            a.row_moved[row] = 0;
        }
}

void for_each_constant_matrix(
    corvane_model &m, const std::function<bool(int, int)> &take,
    const std::function<void(int, int, const int *, int, const double *)> &add)
{
    // Generated meshes repeat a few element shapes many times: the matrix of
    // a brick depends only on its node positions relative to node 0 and on E
    // and nu, so equal keys share one integration (bit for bit the same
    // result). Elements with a failing Jacobian are never shared, so each one
    // reports its own points.
    const std::size_t max_shapes = 4096; // 18 MB of element matrices at most
    std::unordered_map<std::string, std::size_t> shape_index;
    std::vector<double> shapes;
    double xyz[24], d[36], ek[576];
    double key[26];
    for (int e = 0; e < m.ne; ++e) {
        const int *rec = &m.conn[9 * e];
        const double *mat = &m.mats[12 * rec[8]];
        if (!is_solid_code(material_type(mat)) || !take(constant_solid, e)) continue;
        gather_nodes(rec, m.coords.data(), 8, xyz);
        for (int k = 23; k >= 0; --k) xyz[k] -= xyz[k % 3];
        std::memcpy(key, xyz, sizeof xyz);
        key[24] = mat[0];
        key[25] = mat[1];
        const std::string shape(reinterpret_cast<const char *>(key), sizeof key);
        const auto found = shape_index.find(shape);
        const double *k_e = ek;
        if (found != shape_index.end()) {
            k_e = &shapes[found->second];
        } else {
            make_d(mat, d);
            const int failed = m.element->stiffness(d, xyz, m.gauss_point, m.gauss_weight, ek);
            if (failed == 0 && shape_index.size() < max_shapes) {
                shape_index.emplace(shape, shapes.size());
                shapes.insert(shapes.end(), ek, ek + 576);
            }
        }
        add(constant_solid, e, rec, 8, k_e);
    }
    // Dowels: a 48x48 matrix over the 16 nodes of the two end elements. The
    // dowel materials were checked when read, so every link matrix forms.
    std::vector<double> kd(48 * 48);
    for (int dw = 0; dw < m.ndowel; ++dw) {
        if (!dowel_is_placed(m, dw) || !take(constant_dowel, dw))
            continue; // no element to tie it to
        int nodes[16];
        if (!dowel_stiffness(m.conn.data(), m.coords.data(), &m.dowel_elems[3 * dw],
                             &m.dowels[9 * dw], &m.dmats[12 * m.dowel_mat[dw]], kd.data(), nodes))
            continue;
        add(constant_dowel, dw, nodes, 16, kd.data());
    }
}

bool depends_on_displacement(const corvane_model &m)
{
    for (int e = 0; e < m.ne; ++e)
        if (is_joint_type(material_type(&m.mats[12 * m.conn[9 * e + 8]]))) return true;
    for (int d = 0; d < m.ndowel; ++d)
        if (dowel_is_loose(m, d)) return true;
    return false;
}

void for_each_joint_matrix(const corvane_model &m, const std::function<bool(int)> &take,
                           const std::function<void(int, const int *, const double *)> &add)
{
    double xyz[24], u[24], kg[576];
    for (int e = 0; e < m.ne; ++e) {
        const int *rec = &m.conn[9 * e];
        const double *mat = &m.mats[12 * rec[8]];
        if (!is_joint_type(material_type(mat)) || !take(e)) continue;
        gather_nodes(rec, m.coords.data(), 8, xyz);
        gather_nodes(rec, m.disp.data(), 8, u);
        joint_stiffness(xyz, u, mat, m.gauss_point, m.gauss_weight, kg);
        add(e, rec, kg);
    }
}

std::vector<double> stiffness_entries(const std::vector<double> &mats)
{
    std::vector<double> key = mats;
    for (std::size_t r = 0; r + 12 <= key.size(); r += 12)
        if (is_solid_code(material_type(&key[r])))
            for (int k = 2; k <= 10; ++k) key[r + k] = 0.0;
    return key;
}

bool constant_part_cache::current(const corvane_model &m) const
{
    return valid && mats == stiffness_entries(m.mats);
}

bool constant_part_cache::unchanged(const corvane_model &m) const
{
    return current(m) && !has_joints;
}

void constant_part_cache::record(const corvane_model &m)
{
    has_joints = depends_on_displacement(m) ? 1 : 0;
    mats = stiffness_entries(m.mats);
    valid = 1;
}

void for_each_loose_dowel(const corvane_model &m, const std::function<bool(int)> &take,
                          const std::function<void(int, const int *, double, const double *)> &add)
{
    std::vector<double> kd;
    for (int d = 0; d < m.ndowel; ++d) {
        if (!dowel_is_loose(m, d) || !take(d)) continue;
        const double engaged = dowel_engagement(m, d, m.disp.data());
        if (engaged == 1.0) continue;
        kd.resize(48 * 48);
        int nodes[16];
        if (!dowel_stiffness(m.conn.data(), m.coords.data(), &m.dowel_elems[3 * d],
                             &m.dowels[9 * d], &m.dmats[12 * m.dowel_mat[d]], kd.data(), nodes))
            continue;
        add(d, nodes, engaged - 1.0, kd.data());
    }
}

// Solid elements and dowels: the part of the matrix that does not depend on
// the displacements.
static void assemble_constant_part(corvane_model &m)
{
    for_each_constant_matrix(
        m, [](int, int) { return true; },
        [&](int kind, int index, const int *nodes, int q, const double *ek) {
            const std::int64_t offset =
                kind == constant_solid ? m.plan.element_offset[index] : m.plan.dowel_offset[index];
            assemble_ek(m.matrix, ek, 1.0, &m.plan.pair_pos[offset], nodes, q);
        });
}

void build_stiffness(corvane_model &m)
{
    row_slot_matrix &a = m.matrix;
    assembly_plan &plan = m.plan;
    if (plan.base.unchanged(m)) return; // nothing depends on disp: A is unchanged
    restore_rows(a);
    if (plan.base.current(m)) {
        std::copy(plan.base_values.begin(), plan.base_values.end(), a.values.begin());
    } else {
        std::fill(a.values.begin(), a.values.end(), 0.0);
        assemble_constant_part(m);
        plan.base.record(m);
        if (plan.base.has_joints) {
            reserve_huge(plan.base_values, a.values.size());
            plan.base_values.assign(a.values.begin(), a.values.end());
        } else
            std::vector<double>().swap(plan.base_values);
    }
    // Joints: re-formed from the current total displacements.
    for_each_joint_matrix(
        m, [](int) { return true; },
        [&](int e, const int *rec, const double *kg) {
            assemble_ek(a, kg, 1.0, &plan.pair_pos[plan.element_offset[e]], rec, 8);
        });
    // Loose dowels: their engagement at the current displacements.
    for_each_loose_dowel(
        m, [](int) { return true; },
        [&](int d, const int *nodes, double factor, const double *ek) {
            assemble_ek(a, ek, factor, &plan.pair_pos[plan.dowel_offset[d]], nodes, 16);
        });
}

void compact_rows(row_slot_matrix &a)
{
    for (int i = 0; i < a.nn; ++i) {
        const std::int64_t s = a.row_start[i];
        const int count = a.row_count[i];
        int zero = 0;
        while (zero < count && a.values[s + zero] != 0.0) ++zero;
        if (zero == count) continue; // no cancelled or unused slot
        int m = zero;
        for (int k = zero + 1; k < count; ++k)
            if (a.values[s + k] != 0.0) {
                std::swap(a.values[s + k], a.values[s + m]);
                std::swap(a.JENDEX[s + k], a.JENDEX[s + m]);
                ++m;
            }
        a.row_count[i] = m;
        a.row_moved[i] = 1;
    }
}

void matrix_vector(double *y, const row_slot_matrix &a, const double *x)
{
    for (int i = 0; i < a.nn; ++i) {
        const double *v = &a.values[a.row_start[i]];
        const int *col = &a.JENDEX[a.row_start[i]];
        const int count = a.row_count[i];
        double s = 0.0;
        for (int k = 0; k < count; ++k) s += v[k] * x[col[k]];
        y[i] = s;
    }
}

std::int64_t find_diagonal(const row_slot_matrix &a, int i)
{
    const std::int64_t s = a.row_start[i];
    if (!a.diag_rel.empty() && a.diag_rel[i] >= 0 && !a.row_moved[i]) {
        const std::int64_t slot = s + a.diag_rel[i];
        return a.diag_rel[i] < a.row_count[i] && a.JENDEX[slot] == i ? slot : -1;
    }
    for (int k = 0; k < a.row_count[i]; ++k)
        if (a.JENDEX[s + k] == i) return s + k;
    return -1;
}

void row_diagonal(const row_slot_matrix &a, std::vector<double> &diagonal, std::vector<char> &empty)
{
    diagonal.assign(static_cast<std::size_t>(a.nn), 0.0);
    empty.assign(static_cast<std::size_t>(a.nn), 0);
    for (int i = 0; i < a.nn; ++i) {
        const std::int64_t slot = find_diagonal(a, i);
        if (slot >= 0) diagonal[i] = a.values[slot];
        empty[i] = a.row_count[i] == 0;
    }
}

int check_diagonal(const row_slot_matrix &a)
{
    int bad = 0;
    for (int i = 0; i < a.nn; ++i) {
        const std::int64_t slot = find_diagonal(a, i);
        // no stored diagonal; an exact 0.0 is no stored entry either (compact_rows moves such
        // slots behind the row's count; an uncompacted matrix keeps them in place)
        if (slot < 0 || a.values[slot] == 0.0) continue;
        if (a.values[slot] < 0.0) {
            std::printf("i=%d j=%d ja=%d tk=%f\n", i, static_cast<int>(slot - a.row_start[i]),
                        a.JENDEX[slot], a.values[slot]);
            ++bad;
        }
    }
    return -bad;
}

void set_fixed_flags(corvane_model &m)
{
    m.fixed.assign(m.nn, 0);
    for (int r = 0; r < m.nb; ++r) {
        const int *rec = &m.bc[4 * r];
        for (int c = 0; c < 3; ++c) m.fixed[3 * rec[0] + c] = rec[1 + c];
    }
}

bool joints_are_linear(const corvane_model &m)
{
    for (int e = 0; e < m.ne; ++e) {
        const double *mat = &m.mats[12 * static_cast<std::size_t>(m.conn[9 * e + 8])];
        if (is_joint_type(material_type(mat)) && mat[5] < 1.0) return false;
    }
    for (int d = 0; d < m.ndowel; ++d)
        if (dowel_is_loose(m, d)) return false; // bears only past its looseness
    return true;
}

bool matrix_stands(const corvane_model &m)
{
    return m.plan.base.current(m) && (!m.plan.base.has_joints || joints_are_linear(m));
}
