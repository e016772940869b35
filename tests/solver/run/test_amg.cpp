// --solver=amg (PETSc): the row-slot CG's displacements on models with known answers.
#include "run_helpers.h"
#include "test_util.h"

#include <cmath>

// Runs a model with the given options; returns the displacements of base.out.
static std::vector<double> displacements(const std::string &text, int np,
                                         std::vector<std::string> args, int *status)
{
    scratch_dir dir;
    write_text(dir.file("m.pin"), text);
    args.insert(args.begin(), {"-F", dir.file("m")});
    const run_output out = run_corvane(args);
    *status = out.status;
    return read_result_file(dir.file("m.out"), np).disp;
}

TEST(AmgSolver, MatchesTheRowSlotSolverWithin1e5)
{
    struct row {
        const char *name;
        std::string text;
        int np;
        std::vector<std::string> extra;
    };
    column_layout strain, stress, weight;
    strain.top_pressure = 10.0;
    stress.top_pressure = 6.0;
    stress.sides = "free";
    stress.a = 2.0;
    weight.gamma = 2.0;
    slab_layout slab;
    slab.nx = slab.ny = 6;
    slab.i1 = slab.j1 = 2;
    int slab_np = 0;
    const std::string slab_text = slab_model(slab, &slab_np);
    const row rows[] = {
        {"uniaxial strain", column_model(strain), 20, {}},
        {"uniaxial stress", column_model(stress), 20, {}},
        {"self weight", column_model(weight), 20, {"-P", "2", "1"}},
        {"slab on a base, linear joint", slab_text, slab_np, {}},
        {"the same, enriched brick", slab_text, slab_np, {"--element=incompatible"}},
    };
    for (const row &r : rows) {
        int plain_status = -1, amg_status = -1;
        const std::vector<double> plain = displacements(r.text, r.np, r.extra, &plain_status);
        std::vector<std::string> extra = r.extra;
        extra.push_back("--solver=amg");
        const std::vector<double> amg = displacements(r.text, r.np, extra, &amg_status);
        EXPECT_EQ(plain_status, status_ok) << r.name;
        EXPECT_EQ(amg_status, status_ok) << r.name;
        ASSERT_EQ(plain.size(), amg.size()) << r.name;
        double largest = 0.0;
        for (double u : plain) largest = std::fmax(largest, std::fabs(u));
        for (std::size_t k = 0; k < plain.size(); ++k)
            EXPECT_NEAR(amg[k], plain[k], 1e-5 * largest) << r.name << " entry " << k;
    }
}

TEST(AmgSolver, ModelsWithoutEquilibriumStillEndWithStatus4)
{
    // a lone joint opened past its limit: nothing holds its loaded nodes, so
    // the solve refuses as the row-slot one does
    int status = -1;
    displacements(joint_alone("50 50 900 0 0 0.5 0 0 0 0 0 1", 50.0), 8,
                  {"--solver=amg", "--equilibrium"}, &status);
    EXPECT_EQ(status, status_not_in_equilibrium);
}

TEST(AmgSolver, DoweledSlabsGiveTheDisplacementsOfTheRowSlotSolver)
{
    // two slabs joined by dowels across a transverse joint, on foundation springs
    const std::string data = std::string(TEST_DATA_DIR) + "/golden/slabs/";
    const std::string text = read_text(data + "slabs.pin"), dowels = read_text(data + "slabs.dwi");
    for (const char *solver : {"--solver=amg", "--solver=hypre"}) {
        scratch_dir dir;
        write_text(dir.file("m.pin"), text);
        write_text(dir.file("m.dwi"), dowels);
        const run_output plain = run_corvane({"-F", dir.file("m")});
        const result_set a = read_result_file(dir.file("m.out"), 54);
        const run_output amg = run_corvane({"-F", dir.file("m"), solver});
        const result_set b = read_result_file(dir.file("m.out"), 54);
        EXPECT_EQ(plain.status, status_ok);
        EXPECT_EQ(amg.status, status_ok) << solver << amg.err;
        double largest = 0.0;
        for (double u : a.disp) largest = std::fmax(largest, std::fabs(u));
        ASSERT_GT(largest, 0.0);
        for (std::size_t k = 0; k < a.disp.size(); ++k)
            EXPECT_NEAR(b.disp[k], a.disp[k], 1e-5 * largest) << solver << " entry " << k;
    }
}
