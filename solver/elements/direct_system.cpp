// --solver=direct: the row-slot matrix factorised by CHOLMOD's sparse Cholesky. The free
// equations' pattern is analysed (fill-reducing ordering, symbolic factor) once per run; the
// numeric factor is made again only when the matrix changes (joints that open, new materials)
// and reused for every solve while it does not. Between the equilibrium iterations of a model
// whose joints or supports change a few springs, the factor in hand preconditions a CG on the
// new matrix; when that does not converge in a few iterations the matrix is factorised anew.
#include "global_matrix.h"
#include "linear_system.h"

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

class direct_system : public planned_slot_system
{
  public:
    explicit direct_system(corvane_model &m) : planned_slot_system(m)
    {
        cholmod_l_start(&c_);
        c_.print = 0;
        c_.error_handler = nullptr;
        c_.supernodal = CHOLMOD_AUTO;
    }
    ~direct_system() override
    {
        if (factor_) cholmod_l_free_factor(&factor_, &c_);
        if (a_) cholmod_l_free_sparse(&a_, &c_);
        cholmod_l_finish(&c_);
    }

    int assemble(corvane_model &m, bool print) override
    {
        if (a_ && matrix_stands(m)) return print ? check_diagonal(m.matrix) : 0;
        const bool unchanged = m.plan.base.unchanged(m);
        build_stiffness(m); // planned slots, never compacted: each slot keeps its place
        if (!a_) analyse();
        if (!unchanged || !factored_) refactor_ = true;
        return print ? check_diagonal(m.matrix) : 0;
    }

  protected:
    void solve_accepted(const int *fixed, double *x, const double *b,
                        const std::vector<double> &diag, cg_report &out) override
    {
        out.iterations = 1;
        const row_slot_matrix &a = m_.matrix;
        if (refactor_ && factored_ && m_.plan.base.has_joints && !same_values(diag)) {
            // springs changed since the factor in hand: it preconditions a CG on the new matrix
            long long its = 0;
            const double eps = preconditioned_cg(fixed, x, b, diag, its);
            if (std::isfinite(eps) && eps < solve_tolerance) {
                print_solve_line(eps, its);
                out.iterations = its;
                out.outcome = cg_converged;
                return;
            }
        }
        if (refactor_ && !factorise(diag)) {
            out.outcome = cg_breakdown;
            return;
        }
        std::vector<double> bv(b, b + a.nn), xv(static_cast<std::size_t>(a.nn));
        apply_factor(bv, xv);
        for (int i = 0; i < a.nn; ++i) x[i] = held_[i] ? 0.0 : xv[i];
        // the same measure and line as the CG's (one "iteration": the substitutions)
        std::vector<double> kx(static_cast<std::size_t>(a.nn)), res(static_cast<std::size_t>(a.nn));
        matrix_vector(kx.data(), a, x);
        for (int i = 0; i < a.nn; ++i) res[i] = b[i] - kx[i];
        const double eps = scaled_residual(res.data(), b, diag.data(), fixed, a.nn);
        print_solve_line(eps, 1);
        out.outcome = std::isfinite(eps) && eps < solve_tolerance ? cg_converged : cg_not_converged;
    }

  private:
    // z = the factor's solve of r over the free equations (held and fixed rows 0).
    void apply_factor(const std::vector<double> &r, std::vector<double> &z)
    {
        const row_slot_matrix &a = m_.matrix;
        cholmod_dense *rhs = cholmod_l_zeros(n_, 1, CHOLMOD_REAL, &c_);
        if (!rhs) throw std::bad_alloc();
        double *v = static_cast<double *>(rhs->x);
        for (int i = 0; i < a.nn; ++i)
            if (index_[i] >= 0) v[index_[i]] = r[i];
        cholmod_dense *sol = cholmod_l_solve(CHOLMOD_A, factor_, rhs, &c_);
        cholmod_l_free_dense(&rhs, &c_);
        if (!sol) throw std::bad_alloc();
        const double *s = static_cast<const double *>(sol->x);
        for (int i = 0; i < a.nn; ++i) z[i] = index_[i] >= 0 ? s[index_[i]] : 0.0;
        cholmod_l_free_dense(&sol, &c_);
    }

    // CG on the current matrix over its free equations with stiffness, preconditioned by the
    // factor in hand (of an earlier matrix); at most reuse_iterations. Returns the scaled
    // residual reached (the CG's measure), its iterations in its.
    double preconditioned_cg(const int *fixed, double *x, const double *b,
                             const std::vector<double> &diag, long long &its)
    {
        const row_slot_matrix &a = m_.matrix;
        const std::size_t nn = static_cast<std::size_t>(a.nn);
        std::vector<char> active(nn, 0);
        for (std::size_t i = 0; i < nn; ++i) active[i] = !fixed[i] && diag[i] > 0.0;
        std::vector<double> r(nn, 0.0), z(nn), p(nn), q(nn);
        for (std::size_t i = 0; i < nn; ++i) {
            x[i] = 0.0;
            r[i] = active[i] ? b[i] : 0.0;
        }
        auto mask = [&](std::vector<double> &v) {
            for (std::size_t i = 0; i < nn; ++i)
                if (!active[i]) v[i] = 0.0;
        };
        apply_factor(r, z);
        mask(z);
        p = z;
        double rz = 0.0;
        for (std::size_t i = 0; i < nn; ++i) rz += r[i] * z[i];
        double eps = scaled_residual(r.data(), b, diag.data(), fixed, a.nn);
        for (its = 0; its < reuse_iterations && !(eps < solve_tolerance); ++its) {
            matrix_vector(q.data(), a, p.data());
            mask(q);
            double pq = 0.0;
            for (std::size_t i = 0; i < nn; ++i) pq += p[i] * q[i];
            if (!(pq > 0.0)) break; // not positive definite on this direction: factorise
            const double alpha = rz / pq;
            for (std::size_t i = 0; i < nn; ++i) {
                x[i] += alpha * p[i];
                r[i] -= alpha * q[i];
            }
            eps = scaled_residual(r.data(), b, diag.data(), fixed, a.nn);
            apply_factor(r, z);
            mask(z);
            double rz_new = 0.0;
            for (std::size_t i = 0; i < nn; ++i) rz_new += r[i] * z[i];
            const double beta = rz_new / rz;
            rz = rz_new;
            for (std::size_t i = 0; i < nn; ++i) p[i] = z[i] + beta * p[i];
        }
        for (std::size_t i = 0; i < nn; ++i)
            if (!active[i]) x[i] = 0.0;
        return eps;
    }

    // The free equations renumbered, the lower triangle's pattern by columns (rows sorted) and
    // each planned slot's place in it; the fill-reducing ordering and the symbolic factor.
    void analyse()
    {
        const row_slot_matrix &a = m_.matrix;
        index_.assign(static_cast<std::size_t>(a.nn), -1);
        n_ = 0;
        for (int i = 0; i < a.nn; ++i)
            if (!m_.fixed[i]) index_[i] = n_++;
        held_.assign(static_cast<std::size_t>(a.nn), 0);
        // column j of the lower triangle is row j's entries with column >= j
        std::vector<std::int64_t> count(static_cast<std::size_t>(n_) + 1, 0);
        // every free row keeps a diagonal, also a node's outside every element (it stores no
        // slot): held rows get their 1 there
        std::vector<char> has_diagonal(static_cast<std::size_t>(a.nn), 0);
        for (int i = 0; i < a.nn; ++i) {
            if (index_[i] < 0) continue;
            for (std::int64_t s = a.row_start[i]; s < a.row_start[i + 1]; ++s) {
                const int c = a.JENDEX[s];
                if (c >= 0 && index_[c] >= index_[i]) ++count[index_[i] + 1];
                if (c == i) has_diagonal[i] = 1;
            }
            if (!has_diagonal[i]) ++count[index_[i] + 1];
        }
        std::partial_sum(count.begin(), count.end(), count.begin());
        const std::int64_t nnz = count[n_];
        a_ = cholmod_l_allocate_sparse(n_, n_, nnz, 1, 1, -1, CHOLMOD_REAL, &c_);
        if (!a_) throw std::bad_alloc();
        auto *p = static_cast<SuiteSparse_long *>(a_->p);
        auto *rows = static_cast<SuiteSparse_long *>(a_->i);
        for (std::int64_t j = 0; j <= n_; ++j) p[j] = count[j];
        slot_.assign(a.values.size(), -1);
        std::vector<std::pair<SuiteSparse_long, std::int64_t>> column; // (row, slot)
        for (int i = 0; i < a.nn; ++i) {
            if (index_[i] < 0) continue;
            column.clear();
            for (std::int64_t s = a.row_start[i]; s < a.row_start[i + 1]; ++s) {
                const int c = a.JENDEX[s];
                if (c >= 0 && index_[c] >= index_[i]) column.push_back({index_[c], s});
            }
            if (!has_diagonal[i]) column.push_back({index_[i], -1}); // no slot feeds it
            std::sort(column.begin(), column.end());
            std::int64_t at = p[index_[i]];
            for (const auto &[row, s] : column) {
                rows[at] = row;
                if (s >= 0) slot_[s] = at;
                ++at;
            }
        }
        factor_ = cholmod_l_analyze(a_, &c_);
        if (!factor_) throw std::bad_alloc();
        if (std::getenv("CORVANE_DEBUG_DIRECT"))
            std::fprintf(stderr, "direct: n %ld nnz(A) %ld ordering %d lnz %.3g flops %.3g\n",
                         static_cast<long>(n_), static_cast<long>(nnz),
                         c_.method[c_.selected].ordering, c_.lnz, c_.fl);
    }

    // Whether the current matrix (as factorise would load it) is the one of the factor in hand.
    bool same_values(const std::vector<double> &diag)
    {
        load_values(diag);
        const auto *v = static_cast<const double *>(a_->x);
        const std::size_t nnz =
            static_cast<std::size_t>(static_cast<const SuiteSparse_long *>(a_->p)[n_]);
        return factored_values_.size() == nnz && std::equal(v, v + nnz, factored_values_.begin());
    }

    // The current values into a_ (free rows without stiffness held at zero: a 1 on their
    // diagonal), held_ marking those rows.
    void load_values(const std::vector<double> &diag)
    {
        const row_slot_matrix &a = m_.matrix;
        auto *v = static_cast<double *>(a_->x);
        std::fill(v, v + static_cast<const SuiteSparse_long *>(a_->p)[n_], 0.0);
        for (std::size_t s = 0; s < slot_.size(); ++s)
            if (slot_[s] >= 0 && a.JENDEX[s] >= 0) v[slot_[s]] += a.values[s];
        const auto *p = static_cast<const SuiteSparse_long *>(a_->p);
        const auto *rows = static_cast<const SuiteSparse_long *>(a_->i);
        for (int i = 0; i < a.nn; ++i) {
            held_[i] = index_[i] >= 0 && diag[i] == 0.0;
            if (!held_[i]) continue;
            for (std::int64_t k = p[index_[i]]; k < p[index_[i] + 1]; ++k)
                if (rows[k] == index_[i]) v[k] = 1.0;
        }
    }

    // The numeric factor of the current values. False after the message when K is not
    // positive definite.
    bool factorise(const std::vector<double> &diag)
    {
        load_values(diag);
        const auto *v = static_cast<const double *>(a_->x);
        const auto *p = static_cast<const SuiteSparse_long *>(a_->p);
        // the same values as the factor in hand (linear joints re-formed, the next load set):
        // the factor stands
        const std::size_t nnz = static_cast<std::size_t>(p[n_]);
        if (factored_ && factored_values_.size() == nnz &&
            std::equal(v, v + nnz, factored_values_.begin())) {
            refactor_ = false;
            return true;
        }
        const auto t0 = std::chrono::steady_clock::now();
        cholmod_l_factorize(a_, factor_, &c_);
        if (c_.status == CHOLMOD_OUT_OF_MEMORY) throw std::bad_alloc();
        if (c_.status == CHOLMOD_NOT_POSDEF || factor_->minor < static_cast<std::size_t>(n_)) {
            std::printf("\n !! Cholesky factorization breaks down: the matrix is not positive "
                        "definite (pivot %ld of %ld) !!\n",
                        static_cast<long>(factor_->minor), static_cast<long>(n_));
            factored_ = false;
            return false;
        }
        factored_ = true;
        refactor_ = false;
        factored_values_.assign(v, v + nnz);
        if (std::getenv("CORVANE_DEBUG_DIRECT"))
            std::fprintf(
                stderr, "direct: factorised in %.2f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        return true;
    }

    cholmod_common c_{};
    cholmod_sparse *a_ = nullptr;
    cholmod_factor *factor_ = nullptr;
    SuiteSparse_long n_ = 0;              // free equations
    std::vector<SuiteSparse_long> index_; // nn: free equation number, -1 fixed
    std::vector<char> held_;              // nn: a free row without stiffness, held at zero
    std::vector<std::int64_t> slot_;      // matrix slot -> position in a_'s values, -1 none
    bool factored_ = false, refactor_ = true;
    std::vector<double> factored_values_; // the values of the factor in hand
    // CG iterations on a changed matrix with the factor in hand before it is made anew
    static constexpr long long reuse_iterations = 40;
};

} // namespace

std::unique_ptr<linear_system> create_direct_system(corvane_model &m, const solver_type &, int,
                                                    std::string &)
{
    return std::make_unique<direct_system>(m);
}

bool direct_built()
{
    return true;
}
