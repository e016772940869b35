// --solver=direct (CHOLMOD) against the row-slot CG, and linear models taking one solve under
// --equilibrium.
#include "run_helpers.h"
#include "test_util.h"

#include <cmath>

namespace
{

int solve_lines(const std::string &out)
{
    int n = 0;
    for (std::size_t at = out.find("damx/force"); at != std::string::npos;
         at = out.find("damx/force", at + 1))
        ++n;
    return n;
}

// The model text and node count of the slab on a base with a linear joint.
std::string slab_text(int &np)
{
    slab_layout slab;
    slab.nx = slab.ny = 6;
    slab.i1 = slab.j1 = 2;
    return slab_model(slab, &np);
}

} // namespace

// The factorization's displacements are the CG's within the CG's own tolerance.
TEST(DirectSolver, MatchesTheRowSlotSolver)
{
    column_layout strain, weight;
    strain.top_pressure = 10.0;
    weight.gamma = 2.0;
    int slab_np = 0;
    const std::string slab = slab_text(slab_np);
    const std::string data = std::string(TEST_DATA_DIR) + "/golden/slabs/";
    const struct {
        const char *name;
        std::string text, dowels;
        int np;
        std::vector<std::string> extra;
    } rows[] = {
        {"uniaxial strain", column_model(strain), "", 20, {}},
        {"self weight in two increments", column_model(weight), "", 20, {"-P", "2", "1"}},
        {"slab on a base, linear joint", slab, "", slab_np, {}},
        {"the same, enriched brick", slab, "", slab_np, {"--element=incompatible"}},
        {"doweled slabs", read_text(data + "slabs.pin"), read_text(data + "slabs.dwi"), 54, {}},
    };
    for (const auto &r : rows) {
        std::vector<double> u[2];
        for (int s = 0; s < 2; ++s) {
            scratch_dir dir;
            write_text(dir.file("m.pin"), r.text);
            if (!r.dowels.empty()) write_text(dir.file("m.dwi"), r.dowels);
            std::vector<std::string> args = {"-F", dir.file("m")};
            args.insert(args.end(), r.extra.begin(), r.extra.end());
            if (s == 1) args.push_back("--solver=direct");
            const run_output out = run_corvane(args);
            EXPECT_EQ(out.status, status_ok) << r.name << out.err;
            u[s] = read_result_file(dir.file("m.out"), r.np).disp;
        }
        double largest = 0.0;
        for (double v : u[0]) largest = std::fmax(largest, std::fabs(v));
        ASSERT_GT(largest, 0.0) << r.name;
        for (std::size_t k = 0; k < u[0].size(); ++k)
            EXPECT_NEAR(u[1][k], u[0][k], 1e-5 * largest) << r.name << " entry " << k;
    }
}

// With --equilibrium a model whose joints are linear is solved once per increment (and the
// check after it accepts it); a joint that can open needs more.
TEST(DirectSolver, LinearModelsTakeOneSolvePerIncrement)
{
    int np = 0;
    const std::string linear = slab_text(np);
    for (const char *solver : {"--solver=cg", "--solver=direct"})
        for (const int increments : {1, 3}) {
            scratch_dir dir;
            write_text(dir.file("m.pin"), linear);
            const run_output out = run_corvane({"-F", dir.file("m"), solver, "--equilibrium", "-P",
                                                std::to_string(increments), "1"});
            EXPECT_EQ(out.status, status_ok) << solver << out.err;
            EXPECT_EQ(solve_lines(out.out), increments) << solver;
        }
    // two bricks over a joint whose opening limit makes it nonlinear: iterated to equilibrium
    scratch_dir dir;
    write_text(dir.file("m.pin"), two_bricks("50 50 900 0 0 0.5 0 0 0 0 0 1", 10.0));
    const run_output out = run_corvane({"-F", dir.file("m"), "--solver=direct", "--equilibrium"});
    EXPECT_EQ(out.status, status_ok) << out.err;
    EXPECT_GT(solve_lines(out.out), 2);
}

// A free equation held only by an opened joint cannot be solved: refused, status 4.
TEST(DirectSolver, AnEquationWithoutStiffnessIsRefused)
{
    scratch_dir dir;
    write_text(dir.file("m.pin"), joint_alone("50 50 900 0 0 0.5 0 0 0 0 0 1", 50.0));
    const run_output out = run_corvane({"-F", dir.file("m"), "--solver=direct", "--equilibrium"});
    EXPECT_EQ(out.status, status_not_in_equilibrium) << out.err;
    EXPECT_NE(out.out.find("has no positive diagonal"), std::string::npos) << out.out;
}

// A slab on a base over an interface that lets go in tension, loaded at a corner so that its
// far part lifts: between equilibrium iterations the factor in hand preconditions a CG on the
// changed matrix (solve lines with more than one iteration) instead of a new factorization,
// and the answer is the row-slot CG's within the equilibrium tolerance.
TEST(DirectSolver, FactorReusedAcrossEquilibriumIterations)
{
    slab_layout slab;
    slab.nx = slab.ny = 6;
    slab.i1 = slab.j1 = 2;
    slab.joint = "100 100 1000 0 0 0.001 0 0 0 0 0 1"; // opens over 10 micrometres
    int np = 0;
    const std::string text = slab_model(slab, &np);
    std::vector<double> u[2];
    std::string direct_out;
    for (int s = 0; s < 2; ++s) {
        scratch_dir dir;
        write_text(dir.file("m.pin"), text);
        const run_output out = run_corvane({"-F", dir.file("m"), "--equilibrium", "-N", "100",
                                            s == 0 ? "--solver=cg" : "--solver=direct"});
        ASSERT_EQ(out.status, status_ok) << out.err;
        u[s] = read_result_file(dir.file("m.out"), np).disp;
        if (s == 1) direct_out = out.out;
    }
    EXPECT_GT(solve_lines(direct_out), 2);                    // the interface opened: iterations
    EXPECT_NE(direct_out.find("nc =1\n"), std::string::npos); // the first: the factorization
    bool reused = false;
    for (std::size_t at = direct_out.find("nc ="); at != std::string::npos;
         at = direct_out.find("nc =", at + 1))
        reused = reused || std::atoi(direct_out.c_str() + at + 4) > 1;
    EXPECT_TRUE(reused) << direct_out;
    double largest = 0.0;
    for (double v : u[0]) largest = std::fmax(largest, std::fabs(v));
    ASSERT_GT(largest, 0.0);
    for (std::size_t k = 0; k < u[0].size(); ++k)
        EXPECT_NEAR(u[1][k], u[0][k], 1e-4 * largest) << "entry " << k;
}
