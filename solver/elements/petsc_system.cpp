// The global matrix distributed over MPI ranks and solved by AMG-preconditioned CG (PETSc).
#include "petsc_system.h"

#include "linear_system.h"

#include "global_matrix.h"
#include "joint.h"
#include "solid.h"

#include <petscksp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

static int started_here = 0; // 1 when petsc_start initialised PETSc

// PETSc calls return an error code; this program treats any as fatal: PETSc
// has printed its own trace, and a half-built solver cannot be used.
#define CHECK(call)                                                                                \
    do {                                                                                           \
        const PetscErrorCode code_ = (call);                                                       \
        if (code_ != 0) {                                                                          \
            std::fprintf(stderr, "corvane: PETSc error %d in %s\n", static_cast<int>(code_),       \
                         #call);                                                                   \
            MPI_Abort(PETSC_COMM_WORLD, 1);                                                        \
        }                                                                                          \
    } while (0)

bool petsc_start(int &rank, int &size, std::string &)
{
    PetscBool initialised = PETSC_FALSE;
    PetscInitialized(&initialised);
    if (!initialised) {
        // the program's own arguments are not PETSc's: "-F base" or "-options_file"
        // would be misread either way
        int argc = 1;
        static char name[] = "corvane";
        static char *args[] = {name, nullptr};
        char **argv = args;
        if (PetscInitialize(&argc, &argv, nullptr, nullptr) != 0) return false;
        started_here = 1;
    }
    PetscMPIInt r = 0, s = 1;
    MPI_Comm_rank(PETSC_COMM_WORLD, &r);
    MPI_Comm_size(PETSC_COMM_WORLD, &s);
    rank = r;
    size = s;
    return true;
}

void petsc_stop()
{
    if (started_here) PetscFinalize();
    started_here = 0;
}

struct petsc_system {
    int rank = 0, size = 1;
    int np = 0, nn = 0;
    int node_lo = 0, node_hi = 0; // this rank owns nodes [node_lo, node_hi)
    std::vector<int> node_start;  // size+1: first node of each rank
    Mat base = nullptr;           // the constant part (solids, dowels)
    Mat a = nullptr;              // K(disp), fixed and held rows made identity rows and columns
    Vec x = nullptr, b = nullptr, diag = nullptr, scale = nullptr, work = nullptr, work2 = nullptr;
    Vec all = nullptr; // a full copy of one distributed vector on every rank
    VecScatter to_all = nullptr;
    KSP ksp = nullptr;
    int flavour = amg_gamg;
    constant_part_cache cache;    // whether base stands for the current materials
    std::vector<double> diag_all; // nn   diagonal of K (replicated)
    std::vector<char> held;       // nn   1: a free row without stiffness, held at zero
    std::vector<int> self_pos;    // np   slot of node n in its own neighbour list (messages)
    int negative = 0;             // rows whose diagonal is negative, at the last assembly
    // preconditioner reuse: rebuilt when the materials change or a solve needs
    // more than rebuild_factor times the iterations of the last fresh set-up
    long long fresh_its = -1, built = 0, reused = 0;
    int rebuild = 1;
    int reuse = 1;                 // 0: a fresh set-up for every solve
    double b_max = 0.0, eps = 0.0; // stopping test of the current solve
    double tested_norm = 0.0;      // |r| where eps was last evaluated
    long long tested_at = 0;       // and its iteration
};

static const double rebuild_factor = 1.5;

// The rank owning node n.
static int owner(const petsc_system &s, int n)
{
    int lo = 0, hi = s.size - 1;
    while (lo < hi) { // last rank whose first node <= n
        const int mid = (lo + hi + 1) / 2;
        if (s.node_start[mid] <= n)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

// A full copy of the distributed vector v into out (nn values, every rank).
static void gather(petsc_system &s, Vec v, double *out)
{
    CHECK(VecScatterBegin(s.to_all, v, s.all, INSERT_VALUES, SCATTER_FORWARD));
    CHECK(VecScatterEnd(s.to_all, v, s.all, INSERT_VALUES, SCATTER_FORWARD));
    const PetscScalar *p = nullptr;
    CHECK(VecGetArrayRead(s.all, &p));
    for (int i = 0; i < s.nn; ++i) out[i] = p[i];
    CHECK(VecRestoreArrayRead(s.all, &p));
}

// This rank's part of the replicated vector in (nn values) into v.
static void scatter(petsc_system &s, const double *in, Vec v)
{
    PetscScalar *p = nullptr;
    CHECK(VecGetArray(v, &p));
    const int lo = 3 * s.node_lo, count = 3 * (s.node_hi - s.node_lo);
    for (int i = 0; i < count; ++i) p[i] = in[lo + i];
    CHECK(VecRestoreArray(v, &p));
}

petsc_system *petsc_create(const corvane_model &m, int flavour, int reuse)
{
    petsc_system *s = new petsc_system;
    PetscMPIInt r = 0, sz = 1;
    MPI_Comm_rank(PETSC_COMM_WORLD, &r);
    MPI_Comm_size(PETSC_COMM_WORLD, &sz);
    s->rank = r;
    s->size = sz;
    s->np = m.np;
    s->nn = m.nn;
    s->flavour = flavour;
    s->reuse = reuse;
    s->node_start.resize(sz + 1);
    for (int k = 0; k <= sz; ++k)
        s->node_start[k] = static_cast<int>(static_cast<long long>(m.np) * k / sz);
    s->node_lo = s->node_start[r];
    s->node_hi = s->node_start[r + 1];
    const int nloc = s->node_hi - s->node_lo;
    const row_slot_matrix &pat = m.matrix;

    s->self_pos.assign(m.np, 0);
    for (int n = 0; n < m.np; ++n)
        for (std::int64_t k = pat.adj_start[n]; k < pat.adj_start[n + 1]; ++k)
            if (pat.adj[k] == n) s->self_pos[n] = static_cast<int>(k - pat.adj_start[n]);
    // the whole pattern as explicit zeros, handed over as compressed rows in one
    // call (so that every later matrix of the run has the same structure and
    // MatCopy with the same pattern is a plain copy)
    std::vector<PetscInt> row_ptr(3 * nloc + 1, 0), cols;
    std::vector<int> sorted;
    for (int n = s->node_lo; n < s->node_hi; ++n) {
        sorted.assign(pat.adj.begin() + pat.adj_start[n], pat.adj.begin() + pat.adj_start[n + 1]);
        // a node outside every element couples nothing, but its rows are held as identity
        // rows: their diagonal must be in the pattern
        if (std::find(sorted.begin(), sorted.end(), n) == sorted.end()) sorted.push_back(n);
        std::sort(sorted.begin(), sorted.end());
        for (int k = 0; k < 3; ++k) {
            for (int c : sorted)
                for (int l = 0; l < 3; ++l) cols.push_back(3 * static_cast<PetscInt>(c) + l);
            const int row = 3 * (n - s->node_lo) + k;
            row_ptr[row + 1] = static_cast<PetscInt>(cols.size());
        }
    }
    const std::vector<PetscScalar> zeros(cols.size(), 0.0);
    CHECK(MatCreate(PETSC_COMM_WORLD, &s->base));
    CHECK(MatSetSizes(s->base, 3 * nloc, 3 * nloc, m.nn, m.nn));
    CHECK(MatSetType(s->base, MATAIJ));
    CHECK(MatSetBlockSize(s->base, 3));
    CHECK(MatSeqAIJSetPreallocationCSR(s->base, row_ptr.data(), cols.data(), zeros.data()));
    CHECK(MatMPIAIJSetPreallocationCSR(s->base, row_ptr.data(), cols.data(), zeros.data()));
    CHECK(MatSetOption(s->base, MAT_NEW_NONZERO_ALLOCATION_ERR, PETSC_TRUE));
    CHECK(MatDuplicate(s->base, MAT_COPY_VALUES, &s->a));
    CHECK(MatSetOption(s->a, MAT_KEEP_NONZERO_PATTERN, PETSC_TRUE));
    CHECK(MatSetOption(s->a, MAT_NEW_NONZERO_ALLOCATION_ERR, PETSC_TRUE));
    CHECK(MatSetOption(s->a, MAT_SPD, PETSC_TRUE));

    CHECK(MatCreateVecs(s->a, &s->x, &s->b));
    CHECK(VecDuplicate(s->x, &s->diag));
    CHECK(VecDuplicate(s->x, &s->scale));
    CHECK(VecDuplicate(s->x, &s->work));
    CHECK(VecDuplicate(s->x, &s->work2));
    CHECK(VecScatterCreateToAll(s->x, &s->to_all, &s->all));

    // the rigid-body modes from the node coordinates, for the aggregation
    Vec coords = nullptr;
    CHECK(VecDuplicate(s->x, &coords));
    CHECK(VecSetBlockSize(coords, 3));
    scatter(*s, m.coords.data(), coords);
    MatNullSpace rigid = nullptr;
    CHECK(MatNullSpaceCreateRigidBody(coords, &rigid));
    CHECK(MatSetNearNullSpace(s->a, rigid));
    CHECK(MatNullSpaceDestroy(&rigid));
    CHECK(VecDestroy(&coords));

    CHECK(KSPCreate(PETSC_COMM_WORLD, &s->ksp));
    CHECK(KSPSetType(s->ksp, KSPCG));
    CHECK(KSPSetNormType(s->ksp, KSP_NORM_UNPRECONDITIONED));
    PC pc = nullptr;
    CHECK(KSPGetPC(s->ksp, &pc));
    if (flavour == amg_hypre) {
        CHECK(PCSetType(pc, PCHYPRE));
        CHECK(PCHYPRESetType(pc, "boomeramg"));
        // three unknowns per node: coarsen the nodes, not the unknowns
        PetscBool set = PETSC_FALSE;
        CHECK(PetscOptionsHasName(nullptr, nullptr, "-pc_hypre_boomeramg_nodal_coarsen", &set));
        if (!set) CHECK(PetscOptionsSetValue(nullptr, "-pc_hypre_boomeramg_nodal_coarsen", "6"));
        CHECK(
            PetscOptionsHasName(nullptr, nullptr, "-pc_hypre_boomeramg_vec_interp_variant", &set));
        if (!set)
            CHECK(PetscOptionsSetValue(nullptr, "-pc_hypre_boomeramg_vec_interp_variant", "2"));
    } else {
        CHECK(PCSetType(pc, PCGAMG));
        // dropping the weakest couplings of the graph halves the iteration
        // cost of this layered stiffness at the same iteration count
        PetscBool set = PETSC_FALSE;
        CHECK(PetscOptionsHasName(nullptr, nullptr, "-pc_gamg_threshold", &set));
        if (!set) {
            PetscReal threshold[1] = {0.02};
            CHECK(PCGAMGSetThreshold(pc, threshold, 1));
        }
    }
    const PetscInt max_its = m.nn > 100000000 ? 900000000 : 9 * static_cast<PetscInt>(m.nn);
    CHECK(KSPSetTolerances(s->ksp, PETSC_DEFAULT, PETSC_DEFAULT, PETSC_DEFAULT, max_its));
    s->diag_all.assign(m.nn, 0.0);
    s->held.assign(m.nn, 0);
    return s;
}

void petsc_destroy(petsc_system *s)
{
    if (!s) return;
    KSPDestroy(&s->ksp);
    VecScatterDestroy(&s->to_all);
    VecDestroy(&s->all);
    VecDestroy(&s->x);
    VecDestroy(&s->b);
    VecDestroy(&s->diag);
    VecDestroy(&s->scale);
    VecDestroy(&s->work);
    VecDestroy(&s->work2);
    MatDestroy(&s->a);
    MatDestroy(&s->base);
    delete s;
}

// Prints the negative diagonals (rows in order) and returns 0 or minus their count.
static int report_diagonal(const petsc_system &s, bool print)
{
    int bad = 0;
    for (int i = 0; i < s.nn; ++i)
        if (s.diag_all[i] < 0.0) { // a diagonal of exactly 0 is no stored entry
            if (print)
                std::printf("i=%d j=%d ja=%d tk=%f\n", i, 3 * s.self_pos[i / 3] + i % 3, i,
                            s.diag_all[i]);
            ++bad;
        }
    return -bad;
}

int petsc_assemble(petsc_system &s, corvane_model &m, bool print)
{
    if (s.cache.unchanged(m)) return report_diagonal(s, print); // nothing depends on disp
    if (!s.cache.current(m)) {
        CHECK(MatZeroEntries(s.base));
        std::vector<PetscInt> idx(16);
        for_each_constant_matrix(
            m,
            [&](int kind, int index) {
                const int first = kind == constant_solid ? m.conn[9 * index]
                                                         : m.conn[9 * m.dowel_elems[3 * index + 1]];
                return owner(s, first) == s.rank; // each element assembled once, by its owner
            },
            [&](int, int, const int *nodes, int q, const double *ek) {
                for (int k = 0; k < q; ++k) idx[k] = nodes[k];
                CHECK(MatSetValuesBlocked(s.base, q, idx.data(), q, idx.data(), ek, ADD_VALUES));
            });
        CHECK(MatAssemblyBegin(s.base, MAT_FINAL_ASSEMBLY));
        CHECK(MatAssemblyEnd(s.base, MAT_FINAL_ASSEMBLY));
        s.cache.record(m);
        s.rebuild = 1; // another matrix: set the preconditioner up afresh
    }
    CHECK(MatCopy(s.base, s.a, SAME_NONZERO_PATTERN));
    // joints, re-formed from the current displacements: only facing node pairs
    double blk[9];
    for_each_joint_matrix(
        m, [&](int e) { return owner(s, m.conn[9 * e]) == s.rank; },
        [&](int, const int *rec, const double *kg) {
            for (int i = 0; i < 8; ++i)
                for (int j = 0; j < 8; ++j) {
                    if (!(i == j || i == j + 4 || j == i + 4)) continue;
                    for (int r = 0; r < 3; ++r)
                        for (int c = 0; c < 3; ++c)
                            blk[3 * r + c] = kg[(3 * i + r) * 24 + 3 * j + c];
                    const PetscInt bi = rec[i], bj = rec[j];
                    CHECK(MatSetValuesBlocked(s.a, 1, &bi, 1, &bj, blk, ADD_VALUES));
                }
        });
    // loose dowels: their engagement, as a correction to the tight bar the base holds
    std::vector<double> scaled(48 * 48);
    std::vector<PetscInt> dn(16);
    for_each_loose_dowel(
        m, [&](int d) { return owner(s, m.conn[9 * m.dowel_elems[3 * d + 1]]) == s.rank; },
        [&](int, const int *nodes, double factor, const double *ek) {
            for (int k = 0; k < 48 * 48; ++k) scaled[k] = factor * ek[k];
            for (int k = 0; k < 16; ++k) dn[k] = nodes[k];
            CHECK(
                MatSetValuesBlocked(s.a, 16, dn.data(), 16, dn.data(), scaled.data(), ADD_VALUES));
        });
    CHECK(MatAssemblyBegin(s.a, MAT_FINAL_ASSEMBLY));
    CHECK(MatAssemblyEnd(s.a, MAT_FINAL_ASSEMBLY));
    CHECK(MatGetDiagonal(s.a, s.diag));
    gather(s, s.diag, s.diag_all.data());
    // rows held at zero: fixed ones, and free ones without any stiffness (an
    // opened joint's node), which the row-slot solver leaves alone too
    std::vector<PetscInt> rows;
    for (int i = 3 * s.node_lo; i < 3 * s.node_hi; ++i) {
        if (m.fixed[i] || s.diag_all[i] == 0.0) rows.push_back(i);
    }
    for (int i = 0; i < s.nn; ++i) s.held[i] = !m.fixed[i] && s.diag_all[i] == 0.0;
    CHECK(MatZeroRowsColumns(s.a, static_cast<PetscInt>(rows.size()), rows.data(), 1.0, nullptr,
                             nullptr));
    return report_diagonal(s, print);
}

void petsc_product(petsc_system &s, const double *x, double *y)
{
    scatter(s, x, s.x);
    CHECK(MatMult(s.a, s.x, s.work));
    gather(s, s.work, y);
    // the identity rows of held equations stand for rows that store nothing
    for (int i = 0; i < s.nn; ++i)
        if (s.held[i]) y[i] = 0.0;
}

// The contract's scaled residual of KSP's current iterate, evaluated on the distributed
// vectors: max|r_i / s_i| over max|b_i / s_i|, s_i = sqrt(K_ii), r = b - K x.
static double distributed_scaled_residual(petsc_system &s)
{
    Vec r = nullptr;
    CHECK(KSPBuildResidual(s.ksp, s.work, s.work2, &r));
    CHECK(VecPointwiseMult(s.work, r, s.scale));
    PetscReal rmax = 0.0;
    CHECK(VecNorm(s.work, NORM_INFINITY, &rmax));
    return std::fabs(rmax / s.b_max);
}

static PetscErrorCode stopping_test(KSP, PetscInt it, PetscReal rnorm, KSPConvergedReason *reason,
                                    void *context)
{
    petsc_system &s = *static_cast<petsc_system *>(context);
    *reason = KSP_CONVERGED_ITERATING;
    if (it == 0) return 0; // x = 0: the first test follows the first step, as in cg_solve
    // The test needs the residual vector, one more product. Far from the
    // tolerance its value follows |r| (which CG keeps), so it is evaluated
    // only when that estimate comes within a factor 3, or every 10 iterations.
    if (s.tested_at > 0 && it - s.tested_at < 10 && s.tested_norm > 0.0 &&
        s.eps * rnorm / s.tested_norm > 3.0 * solve_tolerance)
        return 0;
    s.eps = distributed_scaled_residual(s);
    s.tested_norm = rnorm;
    s.tested_at = it;
    if (s.eps < solve_tolerance) *reason = KSP_CONVERGED_RTOL;
    return 0;
}

int petsc_solve(petsc_system &s, const int *fixed, double *x, const double *b, cg_report *report)
{
    cg_report out;
    scatter(s, b, s.b);
    // held rows carry no load (checked above); scale = 1 / sqrt(diagonal)
    PetscScalar *sc = nullptr;
    CHECK(VecGetArray(s.scale, &sc));
    for (int i = 3 * s.node_lo; i < 3 * s.node_hi; ++i) {
        const double d = (fixed[i] || s.held[i]) ? 1.0 : s.diag_all[i];
        sc[i - 3 * s.node_lo] = 1.0 / std::sqrt(d);
    }
    CHECK(VecRestoreArray(s.scale, &sc));
    CHECK(VecPointwiseMult(s.work, s.b, s.scale));
    PetscReal bmax = 0.0;
    CHECK(VecNorm(s.work, NORM_INFINITY, &bmax));
    s.b_max = bmax; // not 0: the contract refused a zero load
    CHECK(KSPSetOperators(s.ksp, s.a, s.a));
    CHECK(KSPSetReusePreconditioner(s.ksp, s.rebuild ? PETSC_FALSE : PETSC_TRUE));
    CHECK(KSPSetConvergenceTest(s.ksp, stopping_test, &s, nullptr));
    if (s.built == 0) CHECK(KSPSetFromOptions(s.ksp)); // the user's PETSC_OPTIONS win
    CHECK(VecSet(s.x, 0.0));
    s.eps = 0.0;
    s.tested_at = 0;
    CHECK(KSPSolve(s.ksp, s.b, s.x));
    KSPConvergedReason reason = KSP_CONVERGED_ITERATING;
    PetscInt its = 0;
    CHECK(KSPGetConvergedReason(s.ksp, &reason));
    CHECK(KSPGetIterationNumber(s.ksp, &its));
    out.iterations = its;
    if (s.rebuild) {
        ++s.built;
        s.fresh_its = its;
        s.rebuild = !s.reuse;
    } else {
        ++s.reused;
        if (its > rebuild_factor * static_cast<double>(s.fresh_its) && its > 2) s.rebuild = 1;
    }
    s.eps = distributed_scaled_residual(s); // also for solvers that do not call the test (preonly)
    if (reason > 0) {
        print_solve_line(s.eps, its);
        out.outcome = cg_converged;
    } else if (reason == KSP_DIVERGED_ITS) {
        print_not_converged(s.eps, its);
        out.outcome = cg_not_converged;
    } else {
        std::printf("\n !! C-G method breaks down: %s nc =%lld !!\n", KSPConvergedReasons[reason],
                    static_cast<long long>(its));
        out.outcome = cg_breakdown;
    }
    gather(s, s.x, x);
    // the preconditioner couples the identity rows to the others, so their
    // entries come back small but not zero: fixed and held equations keep
    // their value exactly, as in cg_solve
    for (int i = 0; i < s.nn; ++i)
        if (fixed[i] || s.held[i]) x[i] = 0.0;
    if (report) *report = out;
    return out.outcome == cg_converged;
}

namespace
{

// The linear-system seam over the distributed PETSc system.
class petsc_linear_system : public linear_system
{
  public:
    explicit petsc_linear_system(petsc_system *s) : s_(s) {}
    ~petsc_linear_system() override { petsc_destroy(s_); }
    int assemble(corvane_model &m, bool print) override { return petsc_assemble(*s_, m, print); }
    void product(const double *x, double *y) override { petsc_product(*s_, x, y); }

  protected:
    void rows(std::vector<double> &diagonal, std::vector<char> &empty) override
    {
        // a free row without stiffness is held as an identity row: it stores nothing of K
        diagonal = s_->diag_all;
        empty.assign(s_->held.begin(), s_->held.end());
        for (std::size_t i = 0; i < diagonal.size(); ++i)
            if (s_->held[i]) diagonal[i] = 0.0;
    }
    void solve_accepted(const int *fixed, double *x, const double *b, const std::vector<double> &,
                        cg_report &report) override
    {
        petsc_solve(*s_, fixed, x, b, &report);
    }

  private:
    petsc_system *s_;
};

} // namespace

std::unique_ptr<linear_system> create_petsc_system(corvane_model &m, const solver_type &t,
                                                   int reuse, std::string &why)
{
    int rank = 0, size = 1;
    if (!petsc_start(rank, size, why)) return nullptr;
    return std::make_unique<petsc_linear_system>(petsc_create(m, t.flavour, reuse));
}

bool petsc_built()
{
    return true;
}
