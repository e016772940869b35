// Every built row of the solver table against one contract: the same answers as a dense
// elimination written here, the same refusals with the same words, and no success claimed for
// a matrix or load that is not finite.
#include "global_matrix.h"
#include "linear_system.h"
#include "solid.h"
#include "test_util.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{

// A 2 x 2 x 1 block of unit bricks (18 nodes) on a fixed base, plus one node outside every
// element (node 18, free). E 1000, nu 0.25.
void block(corvane_model &m, double e_modulus)
{
    m = corvane_model{};
    m.np = 19;
    m.nn = 57;
    m.ne = 4;
    m.nm = 1;
    m.bw = 150;
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i)
                m.coords.insert(m.coords.end(), {1.0 * i, 1.0 * j, 1.0 * k});
    m.coords.insert(m.coords.end(), {5.0, 5.0, 5.0});
    auto n = [](int i, int j, int k) { return 9 * k + 3 * j + i; };
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i)
            m.conn.insert(m.conn.end(),
                          {n(i, j, 0), n(i + 1, j, 0), n(i + 1, j + 1, 0), n(i, j + 1, 0),
                           n(i, j, 1), n(i + 1, j, 1), n(i + 1, j + 1, 1), n(i, j + 1, 1), 0});
    m.mats.assign(12, 0.0);
    m.mats[0] = e_modulus;
    m.mats[1] = 0.25;
    m.disp.assign(m.nn, 0.0);
    m.fixed.assign(m.nn, 0);
    for (int i = 0; i < 27; ++i) m.fixed[i] = 1; // the base, z = 0
}

// K of the block summed densely from the element matrices (independent of the row slots).
std::vector<double> dense_stiffness(const corvane_model &m)
{
    std::vector<double> k(static_cast<std::size_t>(m.nn) * m.nn, 0.0);
    double d[36], xyz[24], ek[576];
    make_d(m.mats.data(), d);
    for (int e = 0; e < m.ne; ++e) {
        gather_nodes(&m.conn[9 * e], m.coords.data(), 8, xyz);
        solid_stiffness(d, xyz, m.gauss_point, m.gauss_weight, ek);
        for (int i = 0; i < 24; ++i)
            for (int j = 0; j < 24; ++j)
                k[(3 * m.conn[9 * e + i / 3] + i % 3) * m.nn + 3 * m.conn[9 * e + j / 3] + j % 3] +=
                    ek[24 * i + j];
    }
    return k;
}

// Solves the free, stiff equations of k x = b by Gaussian elimination.
std::vector<double> dense_solve(std::vector<double> k, std::vector<double> b,
                                const corvane_model &m)
{
    std::vector<int> eq;
    for (int i = 0; i < m.nn; ++i)
        if (!m.fixed[i] && k[static_cast<std::size_t>(i) * m.nn + i] > 0.0) eq.push_back(i);
    const std::size_t n = eq.size();
    std::vector<double> a(n * n), r(n);
    for (std::size_t p = 0; p < n; ++p) {
        r[p] = b[eq[p]];
        for (std::size_t q = 0; q < n; ++q) a[p * n + q] = k[eq[p] * m.nn + eq[q]];
    }
    for (std::size_t c = 0; c < n; ++c)
        for (std::size_t p = c + 1; p < n; ++p) {
            const double f = a[p * n + c] / a[c * n + c];
            for (std::size_t q = c; q < n; ++q) a[p * n + q] -= f * a[c * n + q];
            r[p] -= f * r[c];
        }
    std::vector<double> x(static_cast<std::size_t>(m.nn), 0.0);
    for (std::size_t p = n; p-- > 0;) {
        double s = r[p];
        for (std::size_t q = p + 1; q < n; ++q) s -= a[p * n + q] * x[eq[q]];
        x[eq[p]] = s / a[p * n + p];
    }
    return x;
}

// The system of a row, assembled for m; nullptr when the row is not in this build.
std::unique_ptr<linear_system> system_of(const solver_type &t, corvane_model &m)
{
    if (!t.built()) return nullptr;
    int rank = 0, size = 1;
    std::string why;
    if (t.start && !t.start(rank, size, why)) return nullptr;
    const std::vector<int> kind(static_cast<std::size_t>(m.ne), couples_all);
    build_pattern(m, kind.data(), t.distributed);
    std::unique_ptr<linear_system> s = t.create(m, t, 1, why);
    if (s) s->assemble(m, false);
    return s;
}

struct solve_result {
    int outcome = -1;
    std::vector<double> x;
    std::string out; // what the solve printed
};

solve_result solve_with(const solver_type &t, double e_modulus, const std::vector<double> &b)
{
    corvane_model m;
    block(m, e_modulus);
    solve_result r;
    std::unique_ptr<linear_system> s = system_of(t, m);
    if (!s) return r;
    r.x.assign(static_cast<std::size_t>(m.nn), 0.0);
    cg_report report;
    testing::internal::CaptureStdout();
    r.outcome = s->solve(m.fixed.data(), r.x.data(), b.data(), &report);
    r.out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(report.outcome, r.outcome);
    return r;
}

// A load on the top face: unit downward forces at its nine nodes, a push along x at one.
std::vector<double> top_load()
{
    std::vector<double> b(57, 0.0);
    for (int i = 9; i < 18; ++i) b[3 * i + 2] = -1.0;
    b[3 * 17] = 0.5;
    return b;
}

} // namespace

TEST(SolverTable, EveryBuiltRowSolvesTheBlockAsADenseEliminationDoes)
{
    corvane_model m;
    block(m, 1000.0);
    const std::vector<double> b = top_load();
    const std::vector<double> expect = dense_solve(dense_stiffness(m), b, m);
    double largest = 0.0;
    for (double v : expect) largest = std::fmax(largest, std::fabs(v));
    ASSERT_GT(largest, 0.0);
    for (int k = 0; k < solver_type_count; ++k) {
        const solver_type &t = solver_types[k];
        const solve_result r = solve_with(t, 1000.0, b);
        if (r.outcome < 0) continue; // not in this build
        SCOPED_TRACE(t.name);
        EXPECT_EQ(r.outcome, cg_converged) << r.out;
        EXPECT_NE(r.out.find("damx/force = "), std::string::npos) << r.out;
        for (int i = 0; i < m.nn; ++i) EXPECT_NEAR(r.x[i], expect[i], 1e-4 * largest) << i;
        // the node outside every element and the base stay exactly at zero
        for (int i = 0; i < 27; ++i) EXPECT_EQ(r.x[i], 0.0);
        for (int i = 54; i < 57; ++i) EXPECT_EQ(r.x[i], 0.0);
    }
}

TEST(SolverTable, EveryBuiltRowRefusesWithTheSameWords)
{
    std::vector<double> loaded_outside = top_load();
    loaded_outside[55] = 1.0; // a load on the node outside every element
    const struct {
        const char *name;
        double e_modulus;
        std::vector<double> b;
        const char *says; // nullptr: no success claimed, words free
    } cases[] = {
        {"a free row without stiffness carries a load", 1000.0, loaded_outside,
         "\n !! C-G method: equation 55 has no positive diagonal, not solved !!\n"},
        {"no load at all", 1000.0, std::vector<double>(57, 0.0),
         "\n !! C-G method: zero right-hand side, not solved !!\n"},
        {"a stiffness that is not a number", std::nan(""), top_load(),
         "\n !! C-G method: equation 27 has no positive diagonal, not solved !!\n"},
    };
    for (const auto &c : cases)
        for (int k = 0; k < solver_type_count; ++k) {
            const solver_type &t = solver_types[k];
            const solve_result r = solve_with(t, c.e_modulus, c.b);
            if (r.outcome < 0) continue;
            SCOPED_TRACE(std::string(t.name) + ": " + c.name);
            EXPECT_EQ(r.outcome, cg_refused);
            EXPECT_EQ(r.out, c.says);
        }
}

TEST(SolverTable, ALoadThatIsNotANumberIsRefusedNotReportedSolved)
{
    for (double bad : {std::nan(""), HUGE_VAL}) {
        std::vector<double> b = top_load();
        b[3 * 13 + 2] = bad;
        for (int k = 0; k < solver_type_count; ++k) {
            const solver_type &t = solver_types[k];
            const solve_result r = solve_with(t, 1000.0, b);
            if (r.outcome < 0) continue;
            SCOPED_TRACE(t.name);
            EXPECT_EQ(r.outcome, cg_refused) << r.out;
            EXPECT_EQ(r.out,
                      "\n !! C-G method: the load of equation 41 is not a number, not solved !!\n");
        }
    }
}

TEST(SolverTable, DistributedNamesAreListedForTheRankMessage)
{
    EXPECT_EQ(distributed_solver_names(), "amg, gamg or hypre");
}
