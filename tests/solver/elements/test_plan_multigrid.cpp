// The plan-coarsening multigrid: its transfer against linear fields and the slabs' own bricks,
// its Galerkin product against a dense product written here, and --solver=mg against the
// sparse factorization on graded, jointed slabs (the mesh shapes that defeat aggregation).
#include "global_matrix.h"
#include "linear_system.h"
#include "plan_multigrid.h"
#include "test_util.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

namespace
{

// Lines from a to b, spacing h (the last interval takes what is left).
void add_lines(std::vector<double> &v, double a, double b, double h)
{
    for (double x = a; x < b - 1e-9; x += h) v.push_back(x);
    v.push_back(b);
}

// Two slabs (E 28000, nu 0.15, 25 thick in four layers) side by side along x with a gap of 1
// between them (x 400 to 401, no slab bricks there), bonded to a base (E 300, nu 0.3, 30
// thick in two layers). The plan grid is graded towards the gap. With strip, the base runs
// under the gap (bricks 1 x 25 in plan) and a band of 2-wide lines crosses y (bricks 25 x 2):
// long bricks both ways. Without, lines are 10 apart in y and the gap is open through the
// base: no brick longer than 2.5 times its width. Roller sides, a fixed bottom.
void jointed_slabs(corvane_model &m, bool strip)
{
    std::vector<double> xs, ys, zs = {-30, -15, 0, 6.25, 12.5, 18.75, 25};
    add_lines(xs, 0, 300, 25);
    xs.pop_back();
    add_lines(xs, 300, 390, 10);
    xs.pop_back();
    add_lines(xs, 390, 400, 5);
    add_lines(xs, 401, 411, 5);
    xs.pop_back();
    add_lines(xs, 411, 501, 10);
    xs.pop_back();
    add_lines(xs, 501, 801, 25);
    if (strip) {
        add_lines(ys, 0, 125, 25);
        ys.pop_back();
        add_lines(ys, 125, 175, 2);
        ys.pop_back();
        add_lines(ys, 175, 300, 25);
    } else {
        add_lines(ys, 0, 300, 10);
    }
    const int nx = static_cast<int>(xs.size()), ny = static_cast<int>(ys.size()),
              nz = static_cast<int>(zs.size());
    m = corvane_model{};
    m.np = nx * ny * nz;
    m.nn = 3 * m.np;
    m.nm = 2;
    m.bw = 150;
    auto node = [&](int i, int j, int k) { return (k * ny + j) * nx + i; };
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) m.coords.insert(m.coords.end(), {xs[i], ys[j], zs[k]});
    for (int k = 0; k + 1 < nz; ++k)
        for (int j = 0; j + 1 < ny; ++j)
            for (int i = 0; i + 1 < nx; ++i) {
                const bool slab = k >= 2;
                if (xs[i] == 400.0 && (slab || !strip)) continue; // the gap
                m.conn.insert(m.conn.end(),
                              {node(i, j, k), node(i + 1, j, k), node(i + 1, j + 1, k),
                               node(i, j + 1, k), node(i, j, k + 1), node(i + 1, j, k + 1),
                               node(i + 1, j + 1, k + 1), node(i, j + 1, k + 1), slab ? 0 : 1});
            }
    m.ne = static_cast<int>(m.conn.size() / 9);
    m.mats.assign(24, 0.0);
    m.mats[0] = 28000.0;
    m.mats[1] = 0.15;
    m.mats[12] = 300.0;
    m.mats[13] = 0.3;
    m.disp.assign(m.nn, 0.0);
    m.fixed.assign(m.nn, 0);
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                int *f = &m.fixed[3 * node(i, j, k)];
                if (k == 0) f[0] = f[1] = f[2] = 1;
                if (i == 0 || i == nx - 1) f[0] = 1;
                if (j == 0 || j == ny - 1) f[1] = 1;
            }
}

std::vector<int> bricks_of(const corvane_model &m)
{
    std::vector<int> b;
    for (int e = 0; e < m.ne; ++e) b.insert(b.end(), &m.conn[9 * e], &m.conn[9 * e] + 8);
    return b;
}

std::vector<char> held_of(const corvane_model &m)
{
    return std::vector<char>(m.fixed.begin(), m.fixed.end());
}

// The slab each node belongs to through the slab bricks alone (-1: a base-only node).
std::vector<int> slab_of(const corvane_model &m)
{
    std::vector<int> parent(m.np);
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](int a) {
        while (parent[a] != a) a = parent[a] = parent[parent[a]];
        return a;
    };
    std::vector<char> in_slab(m.np, 0);
    for (int e = 0; e < m.ne; ++e) {
        if (m.conn[9 * e + 8] != 0) continue;
        for (int k = 0; k < 8; ++k) {
            in_slab[m.conn[9 * e + k]] = 1;
            parent[root(m.conn[9 * e + k])] = root(m.conn[9 * e]);
        }
    }
    std::vector<int> slab(m.np, -1);
    for (int i = 0; i < m.np; ++i)
        if (in_slab[i] && m.coords[3 * i + 2] > 0.0) slab[i] = root(i);
    return slab;
}

} // namespace

TEST(PlanMultigrid, TransferIsExactOnLinearFieldsAndKeepsEachSlabToItself)
{
    corvane_model m;
    jointed_slabs(m, true);
    // nothing held: the interpolation alone (held equations get no weight, checked below)
    const plan_grid fine =
        finest_plan_grid(m.np, m.coords.data(), bricks_of(m), std::vector<char>(m.nn, 0));
    EXPECT_NEAR(fine.aspect, 25.0, 1e-9); // the base's bricks under the gap, 1 x 25
    plan_grid coarse;
    plan_transfer p;
    std::vector<int> fine_node;
    ASSERT_TRUE(coarsen_plan_grid(fine, coarse, p, fine_node));
    EXPECT_LT(coarse.n, 0.35 * fine.n); // every other line in x and y
    // the slabs' faces at the gap and the model's sides stay on the coarse level
    for (double x : {0.0, 400.0, 401.0, 801.0}) {
        bool found = false;
        for (int c = 0; c < coarse.n; ++c) found = found || coarse.xy[2 * c] == x;
        EXPECT_TRUE(found) << x;
    }
    // a linear field (translations, rotations, strains) at the coarse nodes comes back exactly
    // at every fine equation that is not held
    auto field = [&](int node, int k) {
        const double x = m.coords[3 * node], y = m.coords[3 * node + 1], z = m.coords[3 * node + 2];
        const double c[3][4] = {
            {0.3, 2e-3, -1e-3, 4e-3}, {-0.2, 5e-4, 3e-3, -2e-3}, {1.0, -1e-3, 2e-3, 7e-4}};
        return c[k][0] + c[k][1] * x + c[k][2] * y + c[k][3] * z;
    };
    std::vector<double> xc(3 * static_cast<std::size_t>(coarse.n)), xf(m.nn, 0.0);
    for (int c = 0; c < coarse.n; ++c)
        for (int k = 0; k < 3; ++k) xc[3 * c + k] = field(fine_node[c], k);
    prolong_add(p, xc.data(), xf.data(), fine.n);
    for (int i = 0; i < m.np; ++i)
        for (int k = 0; k < 3; ++k) ASSERT_NEAR(xf[3 * i + k], field(i, k), 1e-9) << i;
    // a slab node takes nothing from the other slab
    const std::vector<int> slab = slab_of(m);
    for (int i = 0; i < m.np; ++i)
        for (std::int64_t e = p.start[i]; e < p.start[i + 1]; ++e) {
            const int from = fine_node[p.coarse[e]];
            if (slab[i] >= 0 && slab[from] >= 0) {
                ASSERT_EQ(slab[i], slab[from]) << i;
            }
        }
    // with the supports held, a held equation neither gives nor takes
    const plan_grid held = finest_plan_grid(m.np, m.coords.data(), bricks_of(m), held_of(m));
    ASSERT_TRUE(coarsen_plan_grid(held, coarse, p, fine_node));
    for (int i = 0; i < m.np; ++i)
        for (std::int64_t e = p.start[i]; e < p.start[i + 1]; ++e)
            for (int k = 0; k < 3; ++k)
                if (m.fixed[3 * i + k] || m.fixed[3 * fine_node[p.coarse[e]] + k]) {
                    ASSERT_EQ(p.w[3 * e + k], 0.0) << i;
                }
}

TEST(PlanMultigrid, GalerkinProductIsTheDenseProduct)
{
    corvane_model m;
    jointed_slabs(m, false);
    // three levels down, the grid is small enough for dense matrices; the product is taken from
    // there to the next level
    std::vector<plan_grid> g = {finest_plan_grid(m.np, m.coords.data(), bricks_of(m), held_of(m))};
    plan_transfer p2;
    std::vector<int> fine_node;
    for (int l = 0; l < 4; ++l) {
        plan_grid next;
        ASSERT_TRUE(coarsen_plan_grid(g.back(), next, p2, fine_node));
        g.push_back(next);
    }
    const plan_grid &coarse = g[3], &coarser = g[4];
    ASSERT_LT(coarse.n, 600);
    // a symmetric matrix on that level's node pattern (a plan stencil), made up
    node_block_matrix a;
    a.n = coarse.n;
    a.start.assign(a.n + 1, 0);
    a.diag.assign(a.n, -1);
    auto value = [](int i, int j, int k, int l) {
        const int lo = std::min(3 * i + k, 3 * j + l), hi = std::max(3 * i + k, 3 * j + l);
        return lo == hi ? 50.0 + lo % 7 : std::sin(0.37 * lo + 0.11 * hi);
    };
    for (int i = 0; i < a.n; ++i) {
        for (int j = 0; j < a.n; ++j) {
            const double dx = std::fabs(coarse.xy[2 * i] - coarse.xy[2 * j]),
                         dy = std::fabs(coarse.xy[2 * i + 1] - coarse.xy[2 * j + 1]);
            if (dx > 120 || dy > 90) continue;
            if (i == j) a.diag[i] = static_cast<std::int64_t>(a.col.size());
            a.col.push_back(j);
            for (int k = 0; k < 3; ++k)
                for (int l = 0; l < 3; ++l) a.val.push_back(value(i, j, k, l));
        }
        a.start[i + 1] = static_cast<std::int64_t>(a.col.size());
    }
    const node_block_matrix c =
        galerkin_product(block_rows<double>{a}, a.n, p2, coarser.n, coarser.fixed);
    // dense A and P, and P^T A P by three loops
    const int nf = 3 * a.n, nc = 3 * coarser.n;
    std::vector<double> ad(static_cast<std::size_t>(nf) * nf, 0.0),
        pd(static_cast<std::size_t>(nf) * nc, 0.0);
    for (int i = 0; i < a.n; ++i)
        for (std::int64_t b = a.start[i]; b < a.start[i + 1]; ++b)
            for (int k = 0; k < 9; ++k)
                ad[(3 * i + k / 3) * static_cast<std::size_t>(nf) + 3 * a.col[b] + k % 3] =
                    a.val[9 * b + k];
    for (int i = 0; i < a.n; ++i)
        for (std::int64_t e = p2.start[i]; e < p2.start[i + 1]; ++e)
            for (int k = 0; k < 3; ++k)
                pd[(3 * i + k) * static_cast<std::size_t>(nc) + 3 * p2.coarse[e] + k] =
                    p2.w[3 * e + k];
    std::vector<double> ap(static_cast<std::size_t>(nf) * nc, 0.0);
    for (int r = 0; r < nf; ++r)
        for (int q = 0; q < nf; ++q)
            if (ad[r * static_cast<std::size_t>(nf) + q] != 0.0)
                for (int s = 0; s < nc; ++s)
                    ap[r * static_cast<std::size_t>(nc) + s] +=
                        ad[r * static_cast<std::size_t>(nf) + q] *
                        pd[q * static_cast<std::size_t>(nc) + s];
    for (int r = 0; r < nc; ++r)
        for (int s = 0; s < nc; ++s) {
            double want = 0.0;
            for (int q = 0; q < nf; ++q)
                want += pd[q * static_cast<std::size_t>(nc) + r] *
                        ap[q * static_cast<std::size_t>(nc) + s];
            if (coarser.fixed[r] && r == s) want = 1.0; // held: an identity row
            double got = 0.0;
            for (std::int64_t b = c.start[r / 3]; b < c.start[r / 3 + 1]; ++b)
                if (c.col[b] == s / 3) got = c.val[9 * b + 3 * (r % 3) + s % 3];
            ASSERT_NEAR(got, want, 1e-9 * (1.0 + std::fabs(want))) << r << " " << s;
        }
}

TEST(PlanMultigrid, SolvesGradedJointedSlabsAsTheFactorizationDoesInFewIterations)
{
    const solver_type *mg = find_solver_type("mg"), *direct = find_solver_type("direct");
    ASSERT_NE(mg, nullptr);
    if (!mg->built() || !direct->built()) GTEST_SKIP() << "built without CHOLMOD";
    for (bool strip : {true, false}) {
        SCOPED_TRACE(strip ? "a band of long bricks (planes)" : "square bricks (columns)");
        std::vector<double> x[2];
        long long iterations[2] = {0, 0};
        const solver_type *rows[2] = {mg, direct};
        for (int r = 0; r < 2; ++r) {
            corvane_model m;
            jointed_slabs(m, strip);
            const std::vector<int> kind(static_cast<std::size_t>(m.ne), couples_all);
            build_pattern(m, kind.data());
            std::string why;
            std::unique_ptr<linear_system> s = rows[r]->create(m, *rows[r], 1, why);
            ASSERT_TRUE(s) << why;
            s->assemble(m, false);
            // a wheel at the first slab's face by the gap, mid-width: top nodes pushed down
            std::vector<double> b(m.nn, 0.0);
            for (int i = 0; i < m.np; ++i) {
                const double *c = &m.coords[3 * i];
                if (c[2] == 25.0 && c[0] >= 385.0 && c[0] <= 400.0 &&
                    std::fabs(c[1] - 150.0) <= 12.0)
                    b[3 * i + 2] = -1.0;
            }
            x[r].assign(m.nn, 0.0);
            cg_report report;
            testing::internal::CaptureStdout();
            const int outcome = s->solve(m.fixed.data(), x[r].data(), b.data(), &report);
            const std::string out = testing::internal::GetCapturedStdout();
            ASSERT_EQ(outcome, cg_converged) << rows[r]->name << out;
            iterations[r] = report.iterations;
        }
        EXPECT_LE(iterations[0], 25);
        double largest = 0.0, diff = 0.0;
        for (std::size_t i = 0; i < x[1].size(); ++i) {
            largest = std::max(largest, std::fabs(x[1][i]));
            diff = std::max(diff, std::fabs(x[0][i] - x[1][i]));
        }
        ASSERT_GT(largest, 0.0);
        EXPECT_LT(diff, 1e-4 * largest);
    }
}
