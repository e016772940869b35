// End-to-end runs of small models checked against closed-form mechanics.
#include "run_helpers.h"
#include "test_util.h"

#include <cmath>
#include <regex>

// Constrained modulus M = E(1 - nu)/((1 + nu)(1 - 2 nu)).
static double constrained(double e, double nu)
{
    return e * (1 - nu) / ((1 + nu) * (1 - 2 * nu));
}

// A column under a top pressure p: with roller sides uniaxial strain (eps_z = -p / M, the sides
// pressed by p nu / (1 - nu)); with free sides uniaxial stress (eps_z = -p / E, the sides
// bulging by nu p / E).
TEST(EndToEnd, ColumnUnderTopPressureRollerSidesUniaxialStrainFreeSidesUniaxialStress)
{
    struct column_case {
        const char *sides;
        int nz;
        double a, h, p;
    };
    for (const column_case &k :
         {column_case{"roller", 4, 1.0, 0.5, 10.0}, column_case{"free", 3, 2.0, 1.0, 6.0}}) {
        SCOPED_TRACE(k.sides);
        column_layout c;
        c.nz = k.nz;
        c.a = k.a;
        c.h = k.h;
        c.top_pressure = k.p;
        c.sides = k.sides;
        const int np = 4 * (k.nz + 1);
        model_run r(column_model(c), np);
        ASSERT_EQ(r.out.status, 0) << r.out.err;
        const bool roller = std::string(k.sides) == "roller";
        const double p = k.p, e = c.e, nu = c.nu;
        const double ez = roller ? -p / constrained(e, nu) : -p / e;
        const double ex = roller ? 0.0 : nu * p / e;
        const double sx = roller ? -p * nu / (1 - nu) : 0.0;
        for (int n = 0; n < np; ++n) {
            const double *x = &r.res.xyz[3 * n];
            const double u[3] = {ex * x[0], ex * x[1], ez * x[2]};
            expect_arrays_close(3, u, &r.res.disp[3 * n], 1e-4, 1e-4);
            const double strain[6] = {ex, ex, ez, 0, 0, 0};
            expect_arrays_close(6, strain, &r.res.strain[6 * n], 1e-4, 1e-4);
            const double stress[6] = {sx, sx, -p, 0, 0, 0};
            expect_arrays_close(6, stress, &r.res.stress[6 * n], 1e-4, 1e-4);
        }
    }
}

TEST(EndToEnd, SelfWeightOfARollerColumn)
{
    column_layout c;
    c.nz = 4;
    c.h = 0.75;
    c.gamma = 2.0;
    model_run r(column_model(c), 20);
    ASSERT_EQ(r.out.status, 0) << r.out.err;
    const double m = constrained(c.e, c.nu), hh = 3.0;
    for (int n = 0; n < 20; ++n) {
        const double z = r.res.xyz[3 * n + 2];
        // u(z) = -(gamma/M)(H z - z^2/2): top -gamma H^2 / (2M)
        const double u[3] = {0, 0, -(c.gamma / m) * (hh * z - z * z / 2)};
        expect_arrays_close(3, u, &r.res.disp[3 * n], 1e-4, 1e-4);
    }
    EXPECT_NEAR(r.res.disp[3 * 19 + 2], -c.gamma * hh * hh / (2 * m), 1e-4 * c.gamma * hh * hh / m);
}

TEST(EndToEnd, TemperatureChangeFreeAndRestrained)
{
    column_layout c;
    c.nz = 1;
    c.a = 2.0;
    c.alpha = 1e-5;
    c.temp_c = 50.0;
    c.sides = "free";
    {
        model_run r(column_model(c), 8);
        ASSERT_EQ(r.out.status, 0) << r.out.err;
        const double zero[6] = {0, 0, 0, 0, 0, 0};
        const double scale = c.e * c.alpha * c.temp_c;
        for (int n = 0; n < 8; ++n) {
            for (int k = 0; k < 6; ++k) {
                EXPECT_NEAR(r.res.stress[6 * n + k], zero[k], 1e-4 * scale);
                EXPECT_NEAR(r.res.strain[6 * n + k], zero[k], 1e-4 * c.alpha * c.temp_c);
            }
            // free expansion alpha dT from the held corner
            EXPECT_NEAR(r.res.disp[3 * n + 2], c.alpha * c.temp_c * r.res.xyz[3 * n + 2], 1e-8);
        }
    }
    c.sides = "fixed";
    {
        model_run r(column_model(c), 8);
        ASSERT_EQ(r.out.status, 0) << r.out.err;
        const double s = -c.e * c.alpha * c.temp_c / (1 - 2 * c.nu);
        const double stress[6] = {s, s, s, 0, 0, 0};
        const double et = -c.alpha * c.temp_c;
        const double strain[6] = {et, et, et, 0, 0, 0};
        for (int n = 0; n < 8; ++n) {
            expect_arrays_close(6, stress, &r.res.stress[6 * n], 1e-5, 1e-6);
            expect_arrays_close(6, strain, &r.res.strain[6 * n], 1e-5, 1e-6);
        }
    }
}

// Block A (z 0..1, nodes 0-7), a zero-thickness joint (4-7 facing 8-11) and
// block B (z 1..2, nodes 8-15), roller sides, base held in z. top_fixed holds
// B's top in z too; the face load acts on face_nodes with tz.
static std::string jointed_column(const std::string &joint_mat, bool top_fixed, int first_face_node,
                                  double tz)
{
    std::ostringstream s;
    s.precision(17);
    s << "16 2 3 16 150\n";
    s << "1000 0.25 0 0 0 0 0 0 0 0 0 0\n" << joint_mat << "\n";
    const double x[4] = {0, 1, 1, 0}, y[4] = {0, 0, 1, 1}, z[4] = {0, 1, 1, 2};
    for (int l = 0; l < 4; ++l)
        for (int k = 0; k < 4; ++k) s << x[k] << " " << y[k] << " " << z[l] << " 0 0 0\n";
    s << "0 1 2 3 4 5 6 7 0\n4 5 6 7 8 9 10 11 1\n8 9 10 11 12 13 14 15 0\n";
    for (int n = 0; n < 16; ++n)
        s << n << " 1 1 " << ((n < 4 || (top_fixed && n >= 12)) ? 1 : 0) << "\n";
    s << "1\n";
    for (int k = 0; k < 4; ++k) s << first_face_node + k << " 0 0 " << tz << " ";
    s << "\n";
    return s.str();
}

TEST(EndToEnd, LinearJointAddsTheOpeningOfItsSprings)
{
    const double kn = 900.0, p = 1.0, m = constrained(1000.0, 0.25);
    model_run r(jointed_column("50 50 900 0 0 1.0 0 0 0 0 0 1", false, 12, p), 16);
    ASSERT_EQ(r.out.status, 0) << r.out.err;
    // each facing pair: kn * sum over the four points of N_m^2 dA (N_m half the
    // face function, dA = 1/4); four pairs in parallel carry the load p*1
    const double g = 0.57735027;
    const double f1 = (1 + g) * (1 + g) / 4, f2 = (1 - g * g) / 4, f3 = (1 - g) * (1 - g) / 4;
    const double pair = kn * 0.25 * (f1 * f1 + 2 * f2 * f2 + f3 * f3) * 0.25;
    const double opening = p / (4 * pair);
    for (int n = 0; n < 16; ++n) {
        const double z = r.res.xyz[3 * n + 2];
        double expect = p * z / m;
        if (n >= 8) expect += opening;
        EXPECT_NEAR(r.res.disp[3 * n + 2], expect, 1e-4 * (2 * p / m + opening)) << "node " << n;
        EXPECT_NEAR(r.res.stress[6 * n + 2], p, 1e-4 * p) << "node " << n;
    }
}

TEST(EndToEnd, OpenedNonlinearJointCarriesNothingInTension)
{
    // B's bottom is pushed up against B's held top: the joint below it opens
    // far past its limit e = 0.001, so B alone carries the load
    const double p = 12.0, m = constrained(1000.0, 0.25);
    model_run r(jointed_column("50 50 900 0 0 0.001 0 0 0 0 0 1", true, 8, p), 16, {"-N", "20"});
    ASSERT_EQ(r.out.status, 0) << r.out.err;
    for (int n = 0; n < 8; ++n) {
        EXPECT_NEAR(r.res.disp[3 * n + 2], 0.0, 1e-4 * p / m) << "node " << n;
        EXPECT_NEAR(r.res.stress[6 * n + 2], 0.0, 1e-4 * p) << "node " << n;
    }
    for (int n = 8; n < 12; ++n) EXPECT_NEAR(r.res.disp[3 * n + 2], p / m, 1e-4 * p / m);
    for (int n = 8; n < 16; ++n) EXPECT_NEAR(r.res.stress[6 * n + 2], -p, 1e-4 * p);
}

// The "acm_load" increment lines of a run's output, as (i, acm_load) text.
static std::vector<std::string> increment_lines(const std::string &out)
{
    std::vector<std::string> lines;
    const std::regex re("\\*\\*\\*\\* Inc No\\. \\[ *([0-9]+)\\] acm_load = +([0-9.]+) -- Itr "
                        "No\\. \\[ *([0-9]+)\\]");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), re); it != std::sregex_iterator();
         ++it)
        lines.push_back((*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str());
    return lines;
}

TEST(EndToEnd, FailedIncrementIsWithdrawnAndSubdivided)
{
    // one iteration per increment can never converge under load: the first
    // failure (i = 0, acm_load 0.5) is withdrawn and replaced by increments of
    // 0.25; later failures are accepted and the loop bound grows from 2 to 4
    model_run r(jointed_column("50 50 900 0 0 0.001 0 0 0 0 0 1", true, 8, 12.0), 16,
                {"-N", "1", "-P", "2", "2"});
    // the kept increments did not converge: results written, status 4
    ASSERT_EQ(r.out.status, status_not_in_equilibrium) << r.out.err;
    const std::vector<std::string> expect = {"0 0.50000 0", "1 0.25000 0", "2 0.50000 0",
                                             "3 0.75000 0"};
    EXPECT_EQ(increment_lines(r.out.out), expect) << r.out.out;
    // the run goes on to the results, saying that they hold only part of the load
    EXPECT_NE(r.out.err.find("case 0: the increments ran out at load factor 0.75000"),
              std::string::npos)
        << r.out.err;
    // the first line of every increment shows norm0 = 0
    EXPECT_NE(r.out.out.find("\n--- Residures: norm0= 0.00000e+00, norm1="), std::string::npos);
}

TEST(EndToEnd, FourIncrementsReachFullLoadLinearly)
{
    column_layout c;
    c.nz = 2;
    c.top_pressure = 4.0;
    model_run r(column_model(c), 12, {"-P", "4", "1"});
    const std::vector<std::string> lines = increment_lines(r.out.out);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.front(), "0 0.25000 0");
    EXPECT_EQ(lines.back().substr(0, 9), "3 1.00000");
    EXPECT_NEAR(r.res.disp[3 * 11 + 2], -4.0 * 2 / constrained(c.e, c.nu),
                1e-4 * 8 / constrained(c.e, c.nu));
}

TEST(EndToEnd, NoLoadConvergesAtOnceWithZeroDisplacements)
{
    column_layout c;
    c.nz = 1;
    model_run r(column_model(c), 8);
    ASSERT_EQ(r.out.status, 0);
    EXPECT_NE(r.out.out.find("--- Residures: norm0= 0.00000e+00, norm1= 0.00000e+00"),
              std::string::npos);
    for (double u : r.res.disp) EXPECT_EQ(u, 0.0);
}

TEST(EndToEnd, SecondPhaseAddsFactorTimesElasticForces)
{
    // entry 4 = 1: the second-phase load is K u of the first phase, so the
    // displacements double
    column_layout c;
    c.nz = 2;
    c.top_pressure = 3.0;
    std::string text = column_model(c);
    text.replace(text.find(" 0 0 0 0 0 0 0 0\n"), 17, " 1 0 0 0 0 0 0 0\n");
    for (const char *element : {"--element=brick", "--element=incompatible"}) {
        model_run r(text, 12, {"-R", element});
        ASSERT_EQ(r.out.status, 0) << r.out.err;
        EXPECT_NE(r.out.out.find("**** Increment No. [  0] -- Iteration No. [  0] ****"),
                  std::string::npos);
        const double m = constrained(c.e, c.nu);
        EXPECT_NEAR(r.res.disp[3 * 11 + 2], -2 * 3.0 * 2 / m, 1e-4 * 12 / m) << element;
        // the stresses are those of the doubled strain
        EXPECT_NEAR(r.res.stress[6 * 11 + 2], -2 * 3.0, 1e-4 * 6) << element;
    }
}

TEST(EndToEnd, ElementErrorsEndTheRunWithoutResults)
{
    column_layout c;
    c.nz = 1;
    std::string text = column_model(c);
    text.replace(text.find("0 1 2 3 4 5 6 7 0"), 17, "0 3 2 1 4 7 6 5 0"); // clockwise
    model_run r(text, 8);
    EXPECT_EQ(r.out.status, 0);
    EXPECT_NE(r.out.out.find("\n Error Element No. =     0"), std::string::npos);
    EXPECT_NE(r.out.err.find("no results written for case 0"), std::string::npos);
    EXPECT_FALSE(fs::exists(r.dir.file("m.out")));
}

// Load sets on one mesh: a case per set with its own files; the slab model's load doubled in the
// second set doubles every displacement (a linear model), the model copy holds each set's faces.
// A load-set file of the model text's own loaded faces, once per scale (tractions times it).
static std::string scaled_load_sets(const std::string &text, int np,
                                    const std::vector<double> &scales)
{
    std::istringstream in(text);
    std::vector<std::string> tokens;
    for (std::string t; in >> t;) tokens.push_back(t);
    const int nm = std::stoi(tokens[1]), ne = std::stoi(tokens[2]), nb = std::stoi(tokens[3]);
    const std::size_t at = 5 + 12 * nm + 6 * np + 9 * ne + 4 * nb;
    const int nedge = std::stoi(tokens[at]);
    std::ostringstream sets;
    sets.precision(17);
    sets << scales.size() << "\n";
    for (const double scale : scales) {
        sets << nedge << "\n";
        for (int f = 0; f < 4 * nedge; ++f) {
            const std::size_t r = at + 1 + 4 * f;
            sets << tokens[r] << " " << std::stod(tokens[r + 1]) * scale << " "
                 << std::stod(tokens[r + 2]) * scale << " " << std::stod(tokens[r + 3]) * scale
                 << "\n";
        }
    }
    return sets.str();
}

TEST(EndToEnd, LoadSetsAreCasesOfOneMesh)
{
    slab_layout slab;
    slab.nx = slab.ny = 6;
    slab.i1 = slab.j1 = 2;
    int np = 0;
    const std::string text = slab_model(slab, &np);
    scratch_dir dir;
    write_text(dir.file("m.pin"), text);
    // the model's own face block, and the same faces with twice the tractions
    write_text(dir.file("sets.txt"), scaled_load_sets(text, np, {1.0, 2.0}));
    const run_output plain = run_corvane({"-F", dir.file("m")});
    ASSERT_EQ(plain.status, status_ok) << plain.err;
    const std::vector<double> u = read_result_file(dir.file("m.out"), np).disp;
    const run_output out =
        run_corvane({"-F", dir.file("m"), "--load-sets=" + dir.file("sets.txt")});
    ASSERT_EQ(out.status, status_ok) << out.err;
    const std::vector<double> u0 = read_result_file(dir.file("m_p00.out"), np).disp;
    const std::vector<double> u1 = read_result_file(dir.file("m_p01.out"), np).disp;
    expect_arrays_close(u.size(), u, u0, 1e-5, 1e-5);
    std::vector<double> twice(u.size());
    for (std::size_t k = 0; k < u.size(); ++k) twice[k] = 2 * u[k];
    expect_arrays_close(u.size(), twice, u1, 1e-5, 1e-5);
    EXPECT_NE(read_text(dir.file("m_p01.pin")).find(" 2 "), std::string::npos);
    // the enriched brick keeps its modes' coupling from one set to the next: a set repeated
    // recovers the same stresses, byte for byte, as the model analysed on its own
    write_text(dir.file("same.txt"), scaled_load_sets(text, np, {1.0, 1.0}));
    ASSERT_EQ(run_corvane({"-F", dir.file("m"), "--element=incompatible"}).status, status_ok);
    ASSERT_EQ(run_corvane({"-F", dir.file("m"), "--element=incompatible",
                           "--load-sets=" + dir.file("same.txt")})
                  .status,
              status_ok);
    const std::string alone = read_text(dir.file("m.out"));
    EXPECT_EQ(read_text(dir.file("m_p00.out")), alone);
    EXPECT_EQ(read_text(dir.file("m_p01.out")), alone);
    // a load set file of no sets, or with a case file: refused before anything runs
    write_text(dir.file("none.txt"), "0\n");
    EXPECT_EQ(run_corvane({"-F", dir.file("m"), "--load-sets=" + dir.file("none.txt")}).status,
              status_bad_input);
    EXPECT_EQ(
        run_corvane({"-F", dir.file("m"), "-M", "x", "--load-sets=" + dir.file("sets.txt")}).status,
        status_bad_input);
}

// A slab on a support that lets go in tension, loaded at one corner by three sets of growing
// load: started from the set before (--warm-start=yes) each set reaches the equilibrium of the
// set analysed from rest, in fewer iterations; without --equilibrium the option is refused.
TEST(EndToEnd, WarmStartedSetsReachTheSameEquilibriumInFewerIterations)
{
    slab_layout slab;
    slab.nx = slab.ny = 6;
    slab.i1 = slab.j1 = 2;
    slab.joint = "100 100 1000 0 0 0.0001 0 0 0 0 0 1"; // lets go past 1e-4 of opening
    int np = 0;
    const std::string text = slab_model(slab, &np);
    scratch_dir dir;
    write_text(dir.file("m.pin"), text);
    write_text(dir.file("sets.txt"), scaled_load_sets(text, np, {1.0, 1.1, 1.2}));
    const std::vector<std::string> common = {"-F",
                                             dir.file("m"),
                                             "--equilibrium",
                                             "-N",
                                             "50",
                                             "--solver=cg",
                                             "--load-sets=" + dir.file("sets.txt")};
    std::vector<std::vector<double>> cold(3);
    const run_output rest = run_corvane(common);
    ASSERT_EQ(rest.status, status_ok) << rest.err;
    for (int c = 0; c < 3; ++c)
        cold[c] = read_result_file(dir.file("m_p0" + std::to_string(c) + ".out"), np).disp;
    std::vector<std::string> warm_args = common;
    warm_args.push_back("--warm-start=yes");
    const run_output warm = run_corvane(warm_args);
    ASSERT_EQ(warm.status, status_ok) << warm.err;
    double largest = 0;
    for (double v : cold[2]) largest = std::max(largest, std::fabs(v));
    for (int c = 0; c < 3; ++c) {
        const std::vector<double> u =
            read_result_file(dir.file("m_p0" + std::to_string(c) + ".out"), np).disp;
        expect_arrays_close(u.size(), cold[c], u, 0.0, 1e-5 * largest);
    }
    // the support did let go: the corner far from the load rises off it
    double rise = 0;
    for (int n = 0; n < np; ++n) rise = std::max(rise, cold[0][3 * n + 2]);
    EXPECT_GT(rise, 1e-3 * largest);
    // iterations: the same first set, fewer in all
    const std::size_t its_rest = increment_lines(rest.out).size(),
                      its_warm = increment_lines(warm.out).size();
    EXPECT_LT(its_warm, its_rest) << rest.out.size();
    // refused without the iterations on the true residual, and without load sets
    EXPECT_EQ(run_corvane(
                  {"-F", dir.file("m"), "--warm-start=yes", "--load-sets=" + dir.file("sets.txt")})
                  .status,
              status_bad_input);
    EXPECT_EQ(run_corvane({"-F", dir.file("m"), "--equilibrium", "--warm-start", "yes"}).status,
              status_bad_input);
    EXPECT_EQ(run_corvane({"-F", dir.file("m"), "--equilibrium", "--warm-start=maybe"}).status,
              status_bad_input);
}
