// A multigrid that knows the pavement's mesh: the meshes are tensor grids in plan extruded
// through the layers, so each level keeps every other grid line in x and in y (and every line on
// which some node has no neighbour on one side: joint faces, slab and layer edges, the model's
// sides), keeps every node through the depth, interpolates bilinearly in plan between the kept
// lines along the bricks' own edges (never through a joint element, so each slab coarsens on its
// own), and smooths whole vertical columns at a time (symmetric block Gauss-Seidel), which takes
// care of the thin, stiff slab on soft layers. Coarse operators are Galerkin products P^T A P.
//
// Matrices here are 3x3 node blocks; fixed and held equations are identity rows and columns.
#pragma once

#include "model.h"

#include <cstdint>
#include <functional>
#include <vector>

// A symmetric matrix of 3x3 blocks by node. Row i's blocks are [start[i], start[i+1]), their
// nodes in col (ascending), their values 9 per block, row-major.
// The finest level keeps a single-precision copy: the V-cycle only preconditions, and the copy
// halves the memory its sweeps stream through.
template <class T> struct node_blocks {
    int n = 0;
    std::vector<std::int64_t> start; // n+1
    std::vector<int> col;            // blocks
    std::vector<T> val;              // 9 per block
    std::vector<std::int64_t> diag;  // n: the block (i, i) (the Galerkin levels)
};
using node_block_matrix = node_blocks<double>;

// Block rows as the kernels read them: row(i, f) calls f(j, r0, r1, r2) for each block (i, j),
// r_k pointing at the block's row k (3 values).
template <class T> struct block_rows {
    const node_blocks<T> &a;
    template <class F> void row(int i, F &&f) const
    {
        for (std::int64_t b = a.start[i]; b < a.start[i + 1]; ++b) {
            const T *v = &a.val[9 * b];
            f(a.col[b], v, v + 3, v + 6);
        }
    }
};

// The row-slot matrix read in place as node blocks (row 3n+k holds node p's columns at slots
// 3p..3p+2 of its row). Held rows and columns are whatever was assembled there: the kernels
// keep held entries of their vectors at zero and give held rows no weight.
struct slot_rows {
    const row_slot_matrix &s;
    template <class F> void row(int i, F &&f) const
    {
        const double *r0 = &s.values[s.row_start[3 * i]], *r1 = &s.values[s.row_start[3 * i + 1]],
                     *r2 = &s.values[s.row_start[3 * i + 2]];
        const std::int64_t first = s.adj_start[i];
        for (std::int64_t p = first; p < s.adj_start[i + 1]; ++p) {
            const std::int64_t q = 3 * (p - first);
            f(s.adj[p], r0 + q, r1 + q, r2 + q);
        }
    }
};

// y = A x over n nodes, zero in the held equations.
template <class Rows>
void multiply_held(const Rows &a, int n, const std::vector<char> &held, const double *x, double *y)
{
    for (int i = 0; i < n; ++i) {
        double y0 = 0.0, y1 = 0.0, y2 = 0.0;
        a.row(i, [&](int j, const auto *r0, const auto *r1, const auto *r2) {
            const double *xj = &x[3 * j];
            y0 += r0[0] * xj[0] + r0[1] * xj[1] + r0[2] * xj[2];
            y1 += r1[0] * xj[0] + r1[1] * xj[1] + r1[2] * xj[2];
            y2 += r2[0] * xj[0] + r2[1] * xj[1] + r2[2] * xj[2];
        });
        y[3 * i] = held[3 * i] ? 0.0 : y0;
        y[3 * i + 1] = held[3 * i + 1] ? 0.0 : y1;
        y[3 * i + 2] = held[3 * i + 2] ? 0.0 : y2;
    }
}

// One level's plan grid: each node's plan position, its grid lines (indices into the finest
// level's sorted distinct coordinates) and its neighbours along the bricks' x and y edges.
struct plan_grid {
    int n = 0;
    std::vector<int> line;   // 2*n: x line, y line (-1: a loose node, in no solid element)
    std::vector<double> xy;  // 2*n: plan coordinates
    std::vector<int> nb;     // 4*n: neighbour at -x, +x, -y, +y (-1 none)
    std::vector<char> fixed; // 3*n: equations held at zero (identity rows)
    double aspect = 1.0;     // the largest plan aspect ratio of a brick (finest level)
};

// Fine node i = sum over its entries k of diag(w[3k..3k+2]) * coarse node coarse[k]; a weight is
// 0 where the fine or the coarse equation is held.
struct plan_transfer {
    std::vector<std::int64_t> start; // fine nodes + 1
    std::vector<int> coarse;
    std::vector<double> w; // 3 per entry
};

// The finest level from the mesh: np nodes, coords (3*np), the bricks' nodes (8 per brick, the
// solids only) and the fixed flags per equation (3*np). Neighbours are the bricks' edges that
// run along x or along y (within tol of the model's extent); a node with two different
// neighbours on one side ends coarsening through its lines.
plan_grid finest_plan_grid(int np, const double *coords, const std::vector<int> &bricks,
                           const std::vector<char> &fixed);

// One coarsening in plan: the coarse grid, the transfer and for each coarse node its fine node.
// False when the coarse level would keep more than keep_share of the nodes.
bool coarsen_plan_grid(const plan_grid &fine, plan_grid &coarse, plan_transfer &p,
                       std::vector<int> &fine_node, double keep_share = 0.8);

// The Galerkin product P^T A P on nc coarse nodes; coarse equations that are held (zero row and
// column) get a 1 on the diagonal.
template <class Rows>
node_block_matrix galerkin_product(const Rows &a, int nf, const plan_transfer &p, int nc,
                                   const std::vector<char> &coarse_fixed);

// xc += P^T r (restriction) and x += P xc (prolongation).
void restrict_add(const plan_transfer &p, const double *r, double *xc, int nf);
void prolong_add(const plan_transfer &p, const double *xc, double *x, int nf);

// How a smoother groups a level's nodes into blocks solved together.
enum smoother_blocks {
    vertical_columns = 0, // the nodes sharing both plan lines
    planes_along_y = 1,   // the nodes sharing an x line: a vertical plane, in y order
    planes_along_x = 2,   // the nodes sharing a y line: a vertical plane, in x order
};

// Block Gauss-Seidel over groups of nodes (a loose node alone), each group's block factorised
// by profile Cholesky (a row keeps its entries from its first coupled equation in the group).
// Columns take care of the thin direction; alternating planes also of elements long in one plan
// direction (a graded mesh's strips).
struct block_smoother {
    std::vector<std::int64_t> group_start;   // groups + 1
    std::vector<int> nodes;                  // groups' nodes
    std::vector<int> first;                  // per equation of nodes: first coupled in its group
    std::vector<std::int64_t> row_at;        // per equation: its row's offset in factor
    std::vector<float> factor;               // lower profile Cholesky factors (single precision)
    mutable std::vector<double> scratch;     // one group's residual
    const std::vector<char> *held = nullptr; // the grid's held equations
    // The groups of g (once per hierarchy).
    void group(const plan_grid &g, smoother_blocks kind);
    // The factors of a's group blocks (held equations as identity). False when a block is not
    // positive definite.
    template <class Rows> bool factorise(const Rows &a);
    // One sweep over the groups in order (forward) or in reverse, updating x for A x = b; held
    // entries of x stay as they are.
    template <class Rows> void sweep(const Rows &a, const double *b, double *x, bool forward) const;
};

// The levels of the hierarchy and the V-cycle preconditioner. The coarsest level's solve is
// given by the caller (a sparse factorization).
struct plan_multigrid {
    std::vector<plan_grid> grids;              // level 0 = the mesh
    std::vector<plan_transfer> transfers;      // level l -> l+1
    std::vector<node_block_matrix> a;          // a[l] for l >= 1 (a[0] unused)
    node_blocks<float> finest;                 // level 0, filled by the caller, or
    const row_slot_matrix *in_place = nullptr; // level 0 read where it was assembled
    // each level's smoothers, applied in order before the coarse correction and backwards, in
    // reverse order, after it (a symmetric cycle)
    std::vector<std::vector<block_smoother>> smoothers;
    bool planes = false; // alternating vertical planes instead of columns
    int sweeps = 1;      // Gauss-Seidel sweeps before and after the coarse correction
    // Coarsens from grids[0] until a level has at most coarsest_nodes nodes or stops shrinking.
    void build_levels(int coarsest_nodes);
    // The coarse operators and the smoothers' factors for the current finest matrix. False
    // when a block is not positive definite.
    bool set_up();
    // x = M^-1 b, one V-cycle from zero; coarse_solve(b, x) solves the coarsest level.
    void v_cycle(const double *b, double *x,
                 const std::function<void(const double *, double *)> &coarse_solve) const;

    // f(rows) with the level's block rows
    template <class F> void with_rows(std::size_t level, F &&f) const
    {
        if (level == 0 && in_place)
            f(slot_rows{*in_place});
        else if (level == 0)
            f(block_rows<float>{finest});
        else
            f(block_rows<double>{a[level]});
    }

  private:
    // each level's work vectors, kept from one cycle to the next
    mutable std::vector<std::vector<double>> residual, coarse_b, coarse_x;
    void cycle(std::size_t level, const double *b, double *x,
               const std::function<void(const double *, double *)> &coarse_solve) const;
};
