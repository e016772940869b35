// The plan-coarsening multigrid: levels, transfers, Galerkin products and column smoothing.
#include "plan_multigrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace
{

enum side { minus_x = 0, plus_x = 1, minus_y = 2, plus_y = 3 };

// The sorted distinct values of v (within tol) and each value's index among them.
std::vector<int> line_numbers(const std::vector<double> &v, const std::vector<char> &use,
                              double tol)
{
    std::vector<double> sorted;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (use[i]) sorted.push_back(v[i]);
    std::sort(sorted.begin(), sorted.end());
    std::vector<double> lines;
    for (double s : sorted)
        if (lines.empty() || s - lines.back() > tol) lines.push_back(s);
    std::vector<int> number(v.size(), -1);
    for (std::size_t i = 0; i < v.size(); ++i)
        if (use[i])
            number[i] = static_cast<int>(std::lower_bound(lines.begin(), lines.end(), v[i] - tol) -
                                         lines.begin());
    return number;
}

} // namespace

plan_grid finest_plan_grid(int np, const double *coords, const std::vector<int> &bricks,
                           const std::vector<char> &fixed)
{
    plan_grid g;
    g.n = np;
    g.fixed = fixed;
    g.xy.resize(2 * static_cast<std::size_t>(np));
    double extent = 0.0;
    for (int c = 0; c < 3; ++c) {
        double lo = 0.0, hi = 0.0;
        for (int i = 0; i < np; ++i) {
            const double v = coords[3 * i + c];
            lo = i == 0 ? v : std::min(lo, v);
            hi = i == 0 ? v : std::max(hi, v);
        }
        extent = std::max(extent, hi - lo);
    }
    const double tol = 1e-7 * std::max(extent, 1e-30);
    std::vector<char> in_brick(np, 0);
    for (int v : bricks) in_brick[v] = 1;
    std::vector<double> xs(np), ys(np);
    for (int i = 0; i < np; ++i) {
        xs[i] = g.xy[2 * i] = coords[3 * i];
        ys[i] = g.xy[2 * i + 1] = coords[3 * i + 1];
    }
    const std::vector<int> lx = line_numbers(xs, in_brick, tol),
                           ly = line_numbers(ys, in_brick, tol);
    g.line.resize(2 * static_cast<std::size_t>(np));
    for (int i = 0; i < np; ++i) {
        g.line[2 * i] = lx[i];
        g.line[2 * i + 1] = ly[i];
    }
    // neighbours along the bricks' edges; -2 marks a side with two different neighbours
    g.nb.assign(4 * static_cast<std::size_t>(np), -1);
    static const int edges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                     {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    auto link = [&](int lo, int hi, int s_lo, int s_hi) {
        int &a = g.nb[4 * lo + s_lo], &b = g.nb[4 * hi + s_hi];
        a = (a == -1 || a == hi) ? hi : -2;
        b = (b == -1 || b == lo) ? lo : -2;
    };
    for (std::size_t e = 0; e + 8 <= bricks.size(); e += 8) {
        double along[2] = {0.0, 0.0}; // the brick's longest x and y edges
        for (const auto &ed : edges) {
            const int a = bricks[e + ed[0]], b = bricks[e + ed[1]];
            const double dx = coords[3 * b] - coords[3 * a],
                         dy = coords[3 * b + 1] - coords[3 * a + 1],
                         dz = coords[3 * b + 2] - coords[3 * a + 2];
            if (std::fabs(dz) > tol) continue;
            if (std::fabs(dx) > tol && std::fabs(dy) <= tol) {
                dx > 0 ? link(a, b, plus_x, minus_x) : link(b, a, plus_x, minus_x);
                along[0] = std::max(along[0], std::fabs(dx));
            } else if (std::fabs(dy) > tol && std::fabs(dx) <= tol) {
                dy > 0 ? link(a, b, plus_y, minus_y) : link(b, a, plus_y, minus_y);
                along[1] = std::max(along[1], std::fabs(dy));
            }
        }
        if (along[0] > 0.0 && along[1] > 0.0)
            g.aspect = std::max(g.aspect, std::max(along[0] / along[1], along[1] / along[0]));
    }
    for (int &v : g.nb)
        if (v == -2) v = -1; // an irregular side ends coarsening through its line
    return g;
}

bool coarsen_plan_grid(const plan_grid &fine, plan_grid &coarse, plan_transfer &p,
                       std::vector<int> &fine_node, double keep_share)
{
    const int n = fine.n;
    // the lines present, those that must stay (a node without a neighbour on one side), and
    // every other line between them
    int lines[2] = {0, 0};
    for (int i = 0; i < n; ++i)
        for (int d = 0; d < 2; ++d) lines[d] = std::max(lines[d], fine.line[2 * i + d] + 1);
    std::vector<char> keep[2];
    for (int d = 0; d < 2; ++d) {
        std::vector<char> present(lines[d], 0), forced(lines[d], 0);
        for (int i = 0; i < n; ++i) {
            const int l = fine.line[2 * i + d];
            if (l < 0) continue;
            present[l] = 1;
            if (fine.nb[4 * i + 2 * d] < 0 || fine.nb[4 * i + 2 * d + 1] < 0) forced[l] = 1;
        }
        keep[d].assign(lines[d], 0);
        int last = -1000, q = 0;
        for (int l = 0; l < lines[d]; ++l) {
            if (!present[l]) continue;
            if (forced[l] || q - last >= 2) {
                keep[d][l] = 1;
                last = q;
            }
            ++q;
        }
    }
    auto kept = [&](int i, int d) {
        return fine.line[2 * i + d] < 0 || keep[d][fine.line[2 * i + d]];
    };
    // walks from node i towards side s until a node on a kept line of that direction
    auto walk = [&](int i, int s) {
        const int d = s / 2;
        int cur = i;
        do {
            cur = fine.nb[4 * cur + s];
        } while (cur >= 0 && !kept(cur, d));
        return cur;
    };
    // each node's interpolation from nodes on kept lines in both directions
    struct part {
        int node;
        double w;
    };
    std::vector<std::vector<part>> parts(n);
    std::vector<char> is_coarse(n, 0);
    auto split = [&](int i, int d, std::vector<part> &out, double w) {
        if (kept(i, d)) {
            out.push_back({i, w});
            return true;
        }
        const int a = walk(i, 2 * d), b = walk(i, 2 * d + 1);
        if (a < 0 || b < 0) return false;
        const double xa = fine.xy[2 * a + d], xb = fine.xy[2 * b + d], x = fine.xy[2 * i + d];
        const double wa = (xb - x) / (xb - xa);
        out.push_back({a, w * wa});
        out.push_back({b, w * (1.0 - wa)});
        return true;
    };
    for (int i = 0; i < n; ++i) {
        // a node held in all three directions (a spring's anchor, the fixed bottom) has nothing
        // to correct: no coarse level keeps it
        if (fine.fixed[3 * i] && fine.fixed[3 * i + 1] && fine.fixed[3 * i + 2]) continue;
        if (fine.line[2 * i] < 0 || (kept(i, 0) && kept(i, 1))) {
            is_coarse[i] = 1;
            continue;
        }
        std::vector<part> along_x, both;
        bool ok = split(i, 0, along_x, 1.0);
        for (const part &a : along_x) ok = ok && split(a.node, 1, both, a.w);
        for (const part &b : both) ok = ok && kept(b.node, 0) && kept(b.node, 1);
        if (ok)
            parts[i] = std::move(both);
        else
            is_coarse[i] = 1; // cannot be interpolated: it stays
    }
    std::vector<int> coarse_of(n, -1);
    fine_node.clear();
    for (int i = 0; i < n; ++i)
        if (is_coarse[i]) {
            coarse_of[i] = static_cast<int>(fine_node.size());
            fine_node.push_back(i);
        }
    const int nc = static_cast<int>(fine_node.size());
    if (nc > keep_share * n) return false;
    coarse = plan_grid{};
    coarse.n = nc;
    coarse.line.resize(2 * static_cast<std::size_t>(nc));
    coarse.xy.resize(2 * static_cast<std::size_t>(nc));
    coarse.fixed.resize(3 * static_cast<std::size_t>(nc));
    coarse.nb.assign(4 * static_cast<std::size_t>(nc), -1);
    for (int c = 0; c < nc; ++c) {
        const int f = fine_node[c];
        for (int d = 0; d < 2; ++d) {
            coarse.line[2 * c + d] = fine.line[2 * f + d];
            coarse.xy[2 * c + d] = fine.xy[2 * f + d];
        }
        for (int k = 0; k < 3; ++k) coarse.fixed[3 * c + k] = fine.fixed[3 * f + k];
        for (int s = 0; s < 4; ++s) { // the next coarse node along the fine neighbours
            int cur = fine.nb[4 * f + s];
            while (cur >= 0 && !is_coarse[cur]) cur = fine.nb[4 * cur + s];
            coarse.nb[4 * c + s] = cur >= 0 ? coarse_of[cur] : -1;
        }
    }
    p = plan_transfer{};
    p.start.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int i = 0; i < n; ++i) {
        std::vector<part> own;
        if (is_coarse[i]) own.push_back({i, 1.0});
        const std::vector<part> &use = is_coarse[i] ? own : parts[i];
        std::vector<std::pair<int, double>> merged;
        for (const part &q : use) {
            const int c = coarse_of[q.node];
            if (c < 0) continue; // held all round: a zero of the correction
            auto at = std::find_if(merged.begin(), merged.end(),
                                   [c](const auto &e) { return e.first == c; });
            if (at == merged.end())
                merged.push_back({c, q.w});
            else
                at->second += q.w;
        }
        for (const auto &[c, w] : merged) {
            p.coarse.push_back(c);
            for (int k = 0; k < 3; ++k)
                p.w.push_back(fine.fixed[3 * i + k] || coarse.fixed[3 * c + k] ? 0.0 : w);
        }
        p.start[i + 1] = static_cast<std::int64_t>(p.coarse.size());
    }
    return true;
}

template <class Rows>
node_block_matrix galerkin_product(const Rows &a, int nf, const plan_transfer &p, int nc,
                                   const std::vector<char> &coarse_fixed)
{
    // P^T by coarse rows: (fine node, entry of P)
    std::vector<std::int64_t> t_start(static_cast<std::size_t>(nc) + 1, 0);
    for (int c : p.coarse) ++t_start[c + 1];
    std::partial_sum(t_start.begin(), t_start.end(), t_start.begin());
    std::vector<std::int64_t> t_entry(p.coarse.size()), fill(t_start.begin(), t_start.end() - 1);
    std::vector<int> t_fine(p.coarse.size());
    for (int i = 0; i < nf; ++i)
        for (std::int64_t e = p.start[i]; e < p.start[i + 1]; ++e) {
            const std::int64_t at = fill[p.coarse[e]]++;
            t_fine[at] = i;
            t_entry[at] = e;
        }
    node_block_matrix c;
    c.n = nc;
    c.start.assign(static_cast<std::size_t>(nc) + 1, 0);
    c.diag.assign(nc, -1);
    std::vector<int> slot(nc, -1), cols;
    std::vector<double> acc;
    for (int I = 0; I < nc; ++I) {
        cols.clear();
        acc.clear();
        auto place = [&](int J) {
            if (slot[J] < 0) {
                slot[J] = static_cast<int>(cols.size());
                cols.push_back(J);
                acc.insert(acc.end(), 9, 0.0);
            }
            return &acc[9 * static_cast<std::size_t>(slot[J])];
        };
        place(I);
        for (std::int64_t t = t_start[I]; t < t_start[I + 1]; ++t) {
            const int i = t_fine[t];
            const double *wi = &p.w[3 * t_entry[t]];
            a.row(i, [&](int j, const auto *r0, const auto *r1, const auto *r2) {
                const decltype(r0) v[3] = {r0, r1, r2};
                for (std::int64_t e = p.start[j]; e < p.start[j + 1]; ++e) {
                    const double *wj = &p.w[3 * e];
                    double *out = place(p.coarse[e]);
                    for (int k = 0; k < 3; ++k)
                        for (int l = 0; l < 3; ++l) out[3 * k + l] += wi[k] * v[k][l] * wj[l];
                }
            });
        }
        std::vector<int> order(cols.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int x, int y) { return cols[x] < cols[y]; });
        for (int o : order) {
            const int J = cols[o];
            if (J == I) c.diag[I] = static_cast<std::int64_t>(c.col.size());
            c.col.push_back(J);
            c.val.insert(c.val.end(), acc.begin() + 9 * o, acc.begin() + 9 * o + 9);
        }
        for (int J : cols) slot[J] = -1;
        c.start[I + 1] = static_cast<std::int64_t>(c.col.size());
        for (int k = 0; k < 3; ++k)
            if (coarse_fixed[3 * I + k]) c.val[9 * c.diag[I] + 4 * k] = 1.0;
    }
    return c;
}

template node_block_matrix galerkin_product(const block_rows<double> &, int, const plan_transfer &,
                                            int, const std::vector<char> &);
template node_block_matrix galerkin_product(const block_rows<float> &, int, const plan_transfer &,
                                            int, const std::vector<char> &);
template node_block_matrix galerkin_product(const slot_rows &, int, const plan_transfer &, int,
                                            const std::vector<char> &);

void restrict_add(const plan_transfer &p, const double *r, double *xc, int nf)
{
    for (int i = 0; i < nf; ++i)
        for (std::int64_t e = p.start[i]; e < p.start[i + 1]; ++e)
            for (int k = 0; k < 3; ++k) xc[3 * p.coarse[e] + k] += p.w[3 * e + k] * r[3 * i + k];
}

void prolong_add(const plan_transfer &p, const double *xc, double *x, int nf)
{
    for (int i = 0; i < nf; ++i)
        for (std::int64_t e = p.start[i]; e < p.start[i + 1]; ++e)
            for (int k = 0; k < 3; ++k) x[3 * i + k] += p.w[3 * e + k] * xc[3 * p.coarse[e] + k];
}

void block_smoother::group(const plan_grid &g, smoother_blocks kind)
{
    std::vector<int> order(g.n);
    std::iota(order.begin(), order.end(), 0);
    // (group, place in the group); a loose node is a group of its own
    auto key = [&](int i) {
        const long long x = g.line[2 * i], y = g.line[2 * i + 1];
        if (x < 0) return std::pair<long long, long long>{-1 - i, 0};
        switch (kind) {
        case planes_along_y:
            return std::pair<long long, long long>{x, y};
        case planes_along_x:
            return std::pair<long long, long long>{y, x};
        default:
            return std::pair<long long, long long>{(y << 32) + x, 0};
        }
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    group_start.assign(1, 0);
    nodes.clear();
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && key(order[k]).first != key(order[k - 1]).first)
            group_start.push_back(static_cast<std::int64_t>(nodes.size()));
        nodes.push_back(order[k]);
    }
    group_start.push_back(static_cast<std::int64_t>(nodes.size()));
}

template <class Rows> bool block_smoother::factorise(const Rows &a)
{
    const std::size_t eq = 3 * nodes.size();
    std::vector<int> local(held->size() / 3, -1);
    // the profile: each equation's first coupled equation in its group (held ones: itself)
    first.assign(eq, 0);
    row_at.assign(eq + 1, 0);
    const std::int64_t groups = static_cast<std::int64_t>(group_start.size()) - 1;
    for (std::int64_t c = 0; c < groups; ++c) {
        const std::int64_t g0 = group_start[c], m = group_start[c + 1] - g0;
        for (std::int64_t q = 0; q < m; ++q) local[nodes[g0 + q]] = static_cast<int>(q);
        for (std::int64_t q = 0; q < m; ++q) {
            int lo = static_cast<int>(q);
            a.row(nodes[g0 + q], [&](int j, const auto *, const auto *, const auto *) {
                if (local[j] >= 0) lo = std::min(lo, local[j]);
            });
            for (int k = 0; k < 3; ++k) {
                const std::size_t r = 3 * (g0 + q) + k;
                const bool h = (*held)[3 * static_cast<std::size_t>(nodes[g0 + q]) + k];
                first[r] = h ? static_cast<int>(3 * q + k) : 3 * lo;
                row_at[r + 1] = row_at[r] + (3 * q + k) - first[r] + 1;
            }
        }
        for (std::int64_t q = 0; q < m; ++q) local[nodes[g0 + q]] = -1;
    }
    factor.assign(static_cast<std::size_t>(row_at[eq]), 0.0f);
    std::vector<double> work; // one group's profile, factorised in double, kept in single
    for (std::int64_t c = 0; c < groups; ++c) {
        const std::int64_t g0 = group_start[c], m = group_start[c + 1] - g0;
        const std::size_t base = 3 * static_cast<std::size_t>(g0);
        const std::int64_t off = row_at[base];
        work.assign(static_cast<std::size_t>(row_at[base + 3 * m] - off), 0.0);
        auto at = [&](std::size_t r) { return &work[row_at[r] - off] - first[r]; };
        for (std::int64_t q = 0; q < m; ++q) local[nodes[g0 + q]] = static_cast<int>(q);
        // the block's lower profile
        for (std::int64_t q = 0; q < m; ++q) {
            const int i = nodes[g0 + q];
            a.row(i, [&](int j, const auto *r0, const auto *r1, const auto *r2) {
                const int t = local[j];
                if (t < 0 || t > q) return;
                const decltype(r0) v[3] = {r0, r1, r2};
                for (int k = 0; k < 3; ++k) {
                    const std::size_t r = 3 * (g0 + q) + k;
                    if ((*held)[3 * static_cast<std::size_t>(i) + k]) continue;
                    for (int l = 0; l < 3; ++l) {
                        const int col = 3 * t + l;
                        if (col > static_cast<int>(3 * q + k) || col < first[r] ||
                            (*held)[3 * static_cast<std::size_t>(j) + l])
                            continue;
                        at(r)[col] = v[k][l];
                    }
                }
            });
            for (int k = 0; k < 3; ++k)
                if ((*held)[3 * static_cast<std::size_t>(i) + k])
                    work[row_at[3 * (g0 + q) + k + 1] - 1 - off] = 1.0;
        }
        for (std::int64_t q = 0; q < m; ++q) local[nodes[g0 + q]] = -1;
        // profile Cholesky, row by row
        for (int r = 0; r < 3 * m; ++r) {
            double *lr = at(base + r);
            for (int col = first[base + r]; col <= r; ++col) {
                const double *lc = at(base + col);
                double s = 0.0;
#pragma omp simd reduction(+ : s)
                for (int k = std::max(first[base + r], first[base + col]); k < col; ++k)
                    s += lr[k] * lc[k];
                s = lr[col] - s;
                if (col < r) {
                    lr[col] = s / lc[col];
                } else {
                    if (!(s > 0.0)) return false;
                    lr[r] = std::sqrt(s);
                }
            }
        }
        std::copy(work.begin(), work.end(), factor.begin() + off);
    }
    return true;
}

template <class Rows>
void block_smoother::sweep(const Rows &a, const double *b, double *x, bool forward) const
{
    const std::int64_t groups = static_cast<std::int64_t>(group_start.size()) - 1;
    std::vector<double> &r = scratch;
    for (std::int64_t s = 0; s < groups; ++s) {
        const std::int64_t c = forward ? s : groups - 1 - s;
        const std::int64_t g0 = group_start[c];
        const int m = static_cast<int>(group_start[c + 1] - g0);
        const int *group_nodes = &nodes[g0];
        r.resize(3 * static_cast<std::size_t>(m));
        for (int q = 0; q < m; ++q) {
            const int i = group_nodes[q];
            double r0 = b[3 * i], r1 = b[3 * i + 1], r2 = b[3 * i + 2];
            a.row(i, [&](int j, const auto *v0, const auto *v1, const auto *v2) {
                const double *xj = &x[3 * j];
                r0 -= v0[0] * xj[0] + v0[1] * xj[1] + v0[2] * xj[2];
                r1 -= v1[0] * xj[0] + v1[1] * xj[1] + v1[2] * xj[2];
                r2 -= v2[0] * xj[0] + v2[1] * xj[1] + v2[2] * xj[2];
            });
            const char *h = &(*held)[3 * static_cast<std::size_t>(i)];
            r[3 * q] = h[0] ? 0.0 : r0;
            r[3 * q + 1] = h[1] ? 0.0 : r1;
            r[3 * q + 2] = h[2] ? 0.0 : r2;
        }
        // (L L^T) d = r by rows of the profile
        const std::size_t base = 3 * static_cast<std::size_t>(g0);
        const int w = 3 * m;
        double *rv = r.data();
        for (int row = 0; row < w; ++row) {
            const float *l = &factor[row_at[base + row]] - first[base + row];
            double v = 0.0;
#pragma omp simd reduction(+ : v)
            for (int k = first[base + row]; k < row; ++k) v += l[k] * rv[k];
            rv[row] = (rv[row] - v) / l[row];
        }
        for (int row = w - 1; row >= 0; --row) {
            const float *l = &factor[row_at[base + row]] - first[base + row];
            const double v = rv[row] / l[row];
            rv[row] = v;
#pragma omp simd
            for (int k = first[base + row]; k < row; ++k) rv[k] -= l[k] * v;
        }
        for (int q = 0; q < m; ++q)
            for (int k = 0; k < 3; ++k) x[3 * group_nodes[q] + k] += r[3 * q + k];
    }
}

template bool block_smoother::factorise(const block_rows<double> &);
template bool block_smoother::factorise(const block_rows<float> &);
template bool block_smoother::factorise(const slot_rows &);
template void block_smoother::sweep(const block_rows<double> &, const double *, double *,
                                    bool) const;
template void block_smoother::sweep(const block_rows<float> &, const double *, double *,
                                    bool) const;
template void block_smoother::sweep(const slot_rows &, const double *, double *, bool) const;

void plan_multigrid::build_levels(int coarsest_nodes)
{
    grids.resize(1);
    transfers.clear();
    while (grids.back().n > coarsest_nodes) {
        plan_grid coarse;
        plan_transfer p;
        std::vector<int> fine_node;
        if (!coarsen_plan_grid(grids.back(), coarse, p, fine_node)) break;
        grids.push_back(std::move(coarse));
        transfers.push_back(std::move(p));
    }
    a.resize(grids.size());
    residual.assign(grids.size(), {});
    coarse_b.assign(grids.size(), {});
    coarse_x.assign(grids.size(), {});
    smoothers.assign(grids.size() - 1, {});
    for (std::size_t l = 0; l + 1 < grids.size(); ++l) {
        const std::vector<smoother_blocks> kinds =
            planes ? std::vector<smoother_blocks>{planes_along_y, planes_along_x}
                   : std::vector<smoother_blocks>{vertical_columns};
        for (smoother_blocks kind : kinds) {
            smoothers[l].emplace_back();
            smoothers[l].back().group(grids[l], kind);
            smoothers[l].back().held = &grids[l].fixed;
        }
    }
}

bool plan_multigrid::set_up()
{
    bool ok = true;
    for (std::size_t l = 0; l + 1 < grids.size() && ok; ++l)
        with_rows(l, [&](const auto &rows) {
            a[l + 1] = galerkin_product(rows, grids[l].n, transfers[l], grids[l + 1].n,
                                        grids[l + 1].fixed);
            for (block_smoother &sm : smoothers[l]) ok = ok && sm.factorise(rows);
        });
    return ok;
}

void plan_multigrid::v_cycle(
    const double *b, double *x,
    const std::function<void(const double *, double *)> &coarse_solve) const
{
    cycle(0, b, x, coarse_solve);
}

void plan_multigrid::cycle(std::size_t level, const double *b, double *x,
                           const std::function<void(const double *, double *)> &coarse_solve) const
{
    const int n = grids[level].n;
    if (level + 1 == grids.size()) {
        coarse_solve(b, x);
        return;
    }
    std::fill(x, x + 3 * static_cast<std::size_t>(n), 0.0);
    const std::vector<block_smoother> &s = smoothers[level];
    std::vector<double> &r = residual[level];
    r.resize(3 * static_cast<std::size_t>(n));
    with_rows(level, [&](const auto &rows) {
        for (int k = 0; k < sweeps; ++k)
            for (const block_smoother &sm : s) sm.sweep(rows, b, x, true);
        multiply_held(rows, n, grids[level].fixed, x, r.data());
    });
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = b[i] - r[i];
    const std::size_t nc = 3 * static_cast<std::size_t>(grids[level + 1].n);
    std::vector<double> &bc = coarse_b[level], &xc = coarse_x[level];
    bc.assign(nc, 0.0);
    xc.resize(nc);
    restrict_add(transfers[level], r.data(), bc.data(), n);
    cycle(level + 1, bc.data(), xc.data(), coarse_solve);
    prolong_add(transfers[level], xc.data(), x, n);
    with_rows(level, [&](const auto &rows) {
        for (int k = 0; k < sweeps; ++k)
            for (auto sm = s.rbegin(); sm != s.rend(); ++sm) sm->sweep(rows, b, x, false);
    });
}
