// --solver=mg: conjugate gradients preconditioned by one V-cycle of the plan-coarsening
// multigrid (plan_multigrid.h), the coarsest level factorised by CHOLMOD. The levels and
// transfers follow the mesh and are made once per run; the coarse operators and the smoothers'
// and coarsest factors are made again for new materials, and kept across matrices that differ
// in joints or supports only (a joint that opens, a spring that lets go) until a solve on them
// needs rebuild_factor times the iterations of a fresh set-up, or does not converge.
#include "global_matrix.h"
#include "linear_system.h"
#include "plan_multigrid.h"

#include <cholmod.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <numeric>
#include <vector>

namespace
{

// Levels stop coarsening at this many nodes; the coarsest is factorised.
constexpr int coarsest_nodes = 2500;
// Above this plan aspect ratio of a brick, the smoother solves vertical planes along x and
// along y in turn; below it, vertical columns.
constexpr double plane_aspect = 3.0;
// Above this many nodes the finest level is not copied (see set_up).
constexpr int in_place_nodes = 300000;
// Iteration limit of the preconditioned CG.
constexpr long long iteration_limit = 1000;

class mg_system : public planned_slot_system
{
  public:
    mg_system(corvane_model &m, int reuse) : planned_slot_system(m), reuse_(reuse != 0)
    {
        cholmod_l_start(&c_);
        c_.print = 0;
        c_.error_handler = nullptr;
    }
    ~mg_system() override
    {
        if (factor_) cholmod_l_free_factor(&factor_, &c_);
        cholmod_l_finish(&c_);
    }

    int assemble(corvane_model &m, bool print) override
    {
        if (ready_ && matrix_stands(m)) return print ? check_diagonal(m.matrix) : 0;
        const bool unchanged = m.plan.base.unchanged(m);
        const bool same_materials = m.plan.base.current(m);
        build_stiffness(m); // planned slots, never compacted: each slot keeps its place
        if (!ready_ || !same_materials || !reuse_) {
            if (!unchanged || !ready_) stale_ = true;
        } else if (!unchanged) {
            // only joints or springs changed: the set-up in hand preconditions the new matrix
            // until a solve needs rebuild_factor times the iterations of a fresh one
            stale_ = stale_ || rebuild_;
        }
        return print ? check_diagonal(m.matrix) : 0;
    }

  protected:
    void solve_accepted(const int *fixed, double *x, const double *b,
                        const std::vector<double> &diag, cg_report &out) override
    {
        bool fresh = stale_;
        if (stale_ && !set_up(fixed, diag)) {
            std::printf("\n !! C-G method breaks down: a block of the multigrid is not positive "
                        "definite !!\n");
            out.outcome = cg_breakdown;
            return;
        }
        pcg_end end = pcg(fixed, x, b, diag);
        if (!fresh && end.outcome != cg_converged) { // the kept set-up did not do: a fresh one
            fresh = true;
            if (!set_up(fixed, diag)) {
                std::printf("\n !! C-G method breaks down: a block of the multigrid is not "
                            "positive definite !!\n");
                out.outcome = cg_breakdown;
                return;
            }
            const long long before = end.iterations;
            end = pcg(fixed, x, b, diag);
            end.iterations += before;
        }
        out.iterations = end.iterations;
        out.outcome = end.outcome;
        if (fresh) fresh_its_ = end.iterations;
        rebuild_ =
            end.iterations > rebuild_factor * static_cast<double>(fresh_its_) && end.iterations > 4;
        if (end.outcome == cg_breakdown)
            std::printf("\n !! C-G method breaks down: d.Ad = %e nc =%lld !!\n", end.pq,
                        end.iterations);
        else if (end.outcome == cg_converged)
            print_solve_line(end.eps, end.iterations);
        else
            print_not_converged(end.eps, end.iterations);
    }

  private:
    struct pcg_end {
        int outcome = cg_converged;
        long long iterations = 0;
        double eps = 0.0; // the scaled residual on the assembled matrix
        double pq = 0.0;  // d.Ad at a breakdown
    };

    // CG on the assembled matrix preconditioned by one V-cycle, from zero.
    pcg_end pcg(const int *fixed, double *x, const double *b, const std::vector<double> &diag)
    {
        const auto t0 = std::chrono::steady_clock::now();
        const std::size_t nn = static_cast<std::size_t>(m_.nn);
        const slot_rows a{m_.matrix};
        std::vector<double> r(nn), z(nn), p(nn), q(nn);
        for (std::size_t i = 0; i < nn; ++i) {
            x[i] = 0.0;
            r[i] = held_[i] ? 0.0 : b[i];
        }
        auto precondition = [&]() {
            mg_.v_cycle(r.data(), z.data(), coarse_);
            for (std::size_t i = 0; i < nn; ++i)
                if (held_[i]) z[i] = 0.0;
        };
        precondition();
        p = z;
        double rz = std::inner_product(r.begin(), r.end(), z.begin(), 0.0);
        double eps = scaled_residual(r.data(), b, diag.data(), fixed, m_.nn);
        pcg_end end;
        for (; end.iterations < iteration_limit && !(eps < solve_tolerance); ++end.iterations) {
            multiply_held(a, m_.np, held_, p.data(), q.data());
            const double pq = std::inner_product(p.begin(), p.end(), q.begin(), 0.0);
            if (!(pq > 0.0)) {
                end.outcome = cg_breakdown;
                end.pq = pq;
                break;
            }
            const double alpha = rz / pq;
            for (std::size_t i = 0; i < nn; ++i) {
                x[i] += alpha * p[i];
                r[i] -= alpha * q[i];
            }
            eps = scaled_residual(r.data(), b, diag.data(), fixed, m_.nn);
            precondition();
            const double rz_new = std::inner_product(r.begin(), r.end(), z.begin(), 0.0);
            const double beta = rz_new / rz;
            rz = rz_new;
            for (std::size_t i = 0; i < nn; ++i) p[i] = z[i] + beta * p[i];
        }
        for (std::size_t i = 0; i < nn; ++i)
            if (held_[i]) x[i] = 0.0;
        // the measure on the assembled matrix, as every back end reports it
        matrix_vector(q.data(), m_.matrix, x);
        for (std::size_t i = 0; i < nn; ++i) r[i] = b[i] - q[i];
        end.eps = scaled_residual(r.data(), b, diag.data(), fixed, m_.nn);
        if (end.outcome != cg_breakdown)
            end.outcome = std::isfinite(end.eps) && end.eps < solve_tolerance ? cg_converged
                                                                              : cg_not_converged;
        if (std::getenv("CORVANE_DEBUG_MG"))
            std::fprintf(
                stderr, "mg: %s, levels %zu, coarsest %d nodes, %lld its %.2f s\n",
                mg_.planes ? "planes" : "columns", mg_.grids.size(), mg_.grids.back().n,
                end.iterations,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        return end;
    }

    // The levels (first time), the finest matrix from the row-slot matrix and every level's
    // operators and factors. False when a block is not positive definite.
    bool set_up(const int *fixed, const std::vector<double> &diag)
    {
        const int np = m_.np;
        held_.assign(static_cast<std::size_t>(m_.nn), 0);
        for (int i = 0; i < m_.nn; ++i) held_[i] = fixed[i] || diag[i] == 0.0;
        // the transfers give held equations no weight: other held rows, other levels
        if (!mg_.grids.empty() && mg_.grids[0].fixed != held_) {
            mg_.grids.clear();
            mg_.in_place = nullptr;
        }
        if (mg_.grids.empty()) {
            std::vector<int> bricks;
            for (int e = 0; e < m_.ne; ++e) {
                const int *c = &m_.conn[9 * static_cast<std::size_t>(e)];
                if (material_type(&m_.mats[12 * static_cast<std::size_t>(c[8])]) == 0)
                    bricks.insert(bricks.end(), c, c + 8);
            }
            mg_.grids.push_back(finest_plan_grid(np, m_.coords.data(), bricks, held_));
            // elements long in one plan direction (a graded mesh's strips): planes
            mg_.planes = mg_.grids[0].aspect > plane_aspect;
            mg_.build_levels(coarsest_nodes);
            // a large model's finest level is read in place: its single-precision copy would
            // take a tenth of the memory for a quarter less time per iteration
            if (np > in_place_nodes && mg_.grids.size() > 1)
                mg_.in_place = &m_.matrix;
            else
                finest_pattern();
        }
        if (!mg_.in_place) finest_values();
        if (!mg_.set_up()) return false;
        if (!factorise_coarsest()) return false;
        stale_ = false;
        ready_ = true;
        return true;
    }

    // The finest level's blocks: each node's neighbours in ascending order (its own block
    // always), with where each block's first slot is in its row of the row-slot matrix.
    void finest_pattern()
    {
        const row_slot_matrix &s = m_.matrix;
        node_blocks<float> &a = mg_.finest;
        a.n = m_.np;
        a.start.assign(static_cast<std::size_t>(a.n) + 1, 0);
        a.col.clear();
        source_.clear();
        std::vector<std::pair<int, std::int64_t>> row;
        for (int n = 0; n < a.n; ++n) {
            row.clear();
            bool self = false;
            for (std::int64_t k = s.adj_start[n]; k < s.adj_start[n + 1]; ++k) {
                row.push_back({s.adj[k], 3 * (k - s.adj_start[n])});
                self = self || s.adj[k] == n;
            }
            if (!self) row.push_back({n, -1}); // a node outside every element
            std::sort(row.begin(), row.end());
            for (const auto &[c, off] : row) {
                a.col.push_back(c);
                source_.push_back(off);
            }
            a.start[n + 1] = static_cast<std::int64_t>(a.col.size());
        }
        a.val.assign(9 * a.col.size(), 0.0f);
    }

    // The finest values from the row-slot matrix, held equations as identity rows and columns.
    void finest_values()
    {
        const row_slot_matrix &s = m_.matrix;
        node_blocks<float> &a = mg_.finest;
        for (int n = 0; n < a.n; ++n)
            for (std::int64_t b = a.start[n]; b < a.start[n + 1]; ++b) {
                float *v = &a.val[9 * b];
                const int c = a.col[b];
                for (int k = 0; k < 3; ++k)
                    for (int l = 0; l < 3; ++l) {
                        const bool held = held_[3 * n + k] || held_[3 * c + l];
                        v[3 * k + l] = source_[b] < 0 || held
                                           ? 0.0f
                                           : static_cast<float>(
                                                 s.values[s.row_start[3 * n + k] + source_[b] + l]);
                    }
                if (c == n)
                    for (int k = 0; k < 3; ++k)
                        if (held_[3 * n + k]) v[4 * k] = 1.0f;
            }
    }

    // CHOLMOD's factor of the coarsest level (every equation; held ones are identity rows), the
    // finest when the mesh is too small to coarsen.
    bool factorise_coarsest()
    {
        bool ok = false;
        mg_.with_rows(mg_.grids.size() - 1,
                      [&](const auto &rows) { ok = factorise_coarsest(rows, mg_.grids.back().n); });
        return ok;
    }

    template <class Rows> bool factorise_coarsest(const Rows &a, int nodes)
    {
        const SuiteSparse_long n = 3 * static_cast<SuiteSparse_long>(nodes);
        // column j of the lower triangle = row j's entries with column >= j (symmetric)
        std::vector<SuiteSparse_long> count(static_cast<std::size_t>(n) + 1, 0);
        for (int i = 0; i < nodes; ++i)
            a.row(i, [&](int j, const auto *, const auto *, const auto *) {
                for (int k = 0; k < 3; ++k)
                    for (int l = 0; l < 3; ++l)
                        if (3 * j + l >= 3 * i + k) ++count[3 * i + k + 1];
            });
        std::partial_sum(count.begin(), count.end(), count.begin());
        cholmod_sparse *s = cholmod_l_allocate_sparse(n, n, count[n], 1, 1, -1, CHOLMOD_REAL, &c_);
        if (!s) throw std::bad_alloc();
        auto *p = static_cast<SuiteSparse_long *>(s->p);
        auto *rows = static_cast<SuiteSparse_long *>(s->i);
        auto *v = static_cast<double *>(s->x);
        std::copy(count.begin(), count.end(), p);
        for (int i = 0; i < nodes; ++i) {
            SuiteSparse_long at[3] = {p[3 * i], p[3 * i + 1], p[3 * i + 2]};
            a.row(i, [&](int j, const auto *r0, const auto *r1, const auto *r2) {
                const decltype(r0) r[3] = {r0, r1, r2};
                for (int k = 0; k < 3; ++k)
                    for (int l = 0; l < 3; ++l)
                        if (3 * j + l >= 3 * i + k) {
                            rows[at[k]] = 3 * j + l;
                            v[at[k]++] = r[k][l];
                        }
            });
        }
        if (factor_) cholmod_l_free_factor(&factor_, &c_);
        factor_ = cholmod_l_analyze(s, &c_);
        if (!factor_) {
            cholmod_l_free_sparse(&s, &c_);
            throw std::bad_alloc();
        }
        cholmod_l_factorize(s, factor_, &c_);
        cholmod_l_free_sparse(&s, &c_);
        if (c_.status == CHOLMOD_OUT_OF_MEMORY) throw std::bad_alloc();
        if (c_.status == CHOLMOD_NOT_POSDEF || factor_->minor < static_cast<std::size_t>(n))
            return false;
        coarse_ = [this, n](const double *rb, double *rx) {
            cholmod_dense *rhs = cholmod_l_allocate_dense(n, 1, n, CHOLMOD_REAL, &c_);
            if (!rhs) throw std::bad_alloc();
            std::copy(rb, rb + n, static_cast<double *>(rhs->x));
            cholmod_dense *sol = cholmod_l_solve(CHOLMOD_A, factor_, rhs, &c_);
            cholmod_l_free_dense(&rhs, &c_);
            if (!sol) throw std::bad_alloc();
            const double *sx = static_cast<const double *>(sol->x);
            std::copy(sx, sx + n, rx);
            cholmod_l_free_dense(&sol, &c_);
        };
        return true;
    }

    cholmod_common c_{};
    cholmod_factor *factor_ = nullptr;
    plan_multigrid mg_;
    std::vector<std::int64_t> source_; // finest block -> its first slot in the row (-1: none)
    std::vector<char> held_;           // nn: fixed, or a free row without stiffness
    std::function<void(const double *, double *)> coarse_;
    bool stale_ = true, ready_ = false;
    bool reuse_ = true;       // keep a set-up across matrices that differ in joints only
    bool rebuild_ = false;    // the last solve on a kept set-up took too many iterations
    long long fresh_its_ = 0; // iterations of the last solve on a fresh set-up
    static constexpr double rebuild_factor = 1.5;
};

} // namespace

std::unique_ptr<linear_system> create_mg_system(corvane_model &m, const solver_type &, int reuse,
                                                std::string &)
{
    return std::make_unique<mg_system>(m, reuse);
}
