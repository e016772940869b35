// End-to-end dowel runs: two slabs joined only by dowels, load transfer, shear balance, case
// output.
#include "driver.h"
#include "options.h"
#include "run_state.h"
#include "test_support.h"
#include "test_util.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// Two 100 x 100 x 25 slabs, 2 x 2 x 1 bricks each: slab 1 on x = 0..100,
// slab 2 on x = 100.6..200.6. Between them a transverse joint cell 0.6 wide
// whose springs are negligible (it carries nothing by itself), ordered as
// the mesher orders a joint across x. Each slab rests on linear foundation
// springs (zero-thickness joint elements of stiffness kn per unit area) over
// fixed nodes. A pressure of 5 acts on the two slab-1 bricks next to the joint.
struct two_slabs {
    static constexpr double xs[2][3] = {{0.0, 50.0, 100.0}, {100.6, 150.6, 200.6}};
    static constexpr double ys[3] = {0.0, 50.0, 100.0};
    static constexpr double zs[2] = {0.0, 25.0};
    static constexpr double kn = 80.0;      // foundation, per unit area
    static constexpr double pressure = 5.0; // on the loaded bricks' top faces

    // slab s, grid indices ix, iy (0..2), iz (0 bottom, 1 top)
    static int node(int s, int ix, int iy, int iz) { return 18 * s + 9 * iz + 3 * iy + ix; }
    // fixed node under node(s, ix, iy, 0)
    static int ground(int s, int ix, int iy) { return 36 + 9 * s + 3 * iy + ix; }
};

std::string model_text(double foundation_kn)
{
    using m = two_slabs;
    std::ostringstream out;
    out.precision(17);
    const int np = 54, nm = 3, ne = 8 + 2 + 8, nb = 18;
    out << np << ' ' << nm << ' ' << ne << ' ' << nb << " 150\n";
    // 0 concrete, 1 transverse joint (negligible springs), 2 foundation springs
    out << "280000 0.15 0 0 0 0 0 0 0 0 0 0\n";
    out << "1e-6 1e-6 1e-6 0 0 1.0 0 0 0 0 0 1\n";
    out << "1 1 " << foundation_kn << " 0 0 1.0 0 0 0 0 0 1\n";
    for (int s = 0; s < 2; ++s)
        for (int iz = 0; iz < 2; ++iz)
            for (int iy = 0; iy < 3; ++iy)
                for (int ix = 0; ix < 3; ++ix)
                    out << m::xs[s][ix] << ' ' << m::ys[iy] << ' ' << m::zs[iz] << " 0 0 0\n";
    for (int s = 0; s < 2; ++s)
        for (int iy = 0; iy < 3; ++iy)
            for (int ix = 0; ix < 3; ++ix) out << m::xs[s][ix] << ' ' << m::ys[iy] << " 0 0 0 0\n";
    // slab bricks (first, so that points on a shared face find a brick first)
    for (int s = 0; s < 2; ++s)
        for (int ey = 0; ey < 2; ++ey)
            for (int ex = 0; ex < 2; ++ex) {
                for (int iz = 0; iz < 2; ++iz)
                    out << m::node(s, ex, ey, iz) << ' ' << m::node(s, ex + 1, ey, iz) << ' '
                        << m::node(s, ex + 1, ey + 1, iz) << ' ' << m::node(s, ex, ey + 1, iz)
                        << ' ';
                out << "0\n";
            }
    // transverse joint cells: nodes 0-3 (x_a,y_b,z_hi) (x_a,y_a,z_hi) (x_a,y_a,z_lo)
    // (x_a,y_b,z_lo), nodes 4-7 the same at x_b
    for (int ey = 0; ey < 2; ++ey) {
        for (int s = 0; s < 2; ++s) {
            const int ix = s == 0 ? 2 : 0;
            out << m::node(s, ix, ey + 1, 1) << ' ' << m::node(s, ix, ey, 1) << ' '
                << m::node(s, ix, ey, 0) << ' ' << m::node(s, ix, ey + 1, 0) << ' ';
        }
        out << "1\n";
    }
    // foundation springs: fixed nodes below (0-3), slab bottom above (4-7)
    for (int s = 0; s < 2; ++s)
        for (int ey = 0; ey < 2; ++ey)
            for (int ex = 0; ex < 2; ++ex)
                out << m::ground(s, ex, ey) << ' ' << m::ground(s, ex + 1, ey) << ' '
                    << m::ground(s, ex + 1, ey + 1) << ' ' << m::ground(s, ex, ey + 1) << ' '
                    << m::node(s, ex, ey, 0) << ' ' << m::node(s, ex + 1, ey, 0) << ' '
                    << m::node(s, ex + 1, ey + 1, 0) << ' ' << m::node(s, ex, ey + 1, 0) << " 2\n";
    for (int n = 36; n < 54; ++n) out << n << " 1 1 1\n";
    // the two slab-1 bricks next to the joint, top faces counter-clockwise from +z
    out << "2\n";
    for (int ey = 0; ey < 2; ++ey) {
        const int face[4] = {m::node(0, 1, ey, 1), m::node(0, 2, ey, 1), m::node(0, 2, ey + 1, 1),
                             m::node(0, 1, ey + 1, 1)};
        for (int k : face) out << k << " 0 0 " << -m::pressure << ' ';
        out << '\n';
    }
    return out.str();
}

std::string dowel_text(double diameter)
{
    std::ostringstream out;
    out << "2 1\n2.04e6 0.3 0.6 " << diameter << " 45 41500 0 0 0 0 0 0\n";
    out << "100.3 25 12.5 0\n100.3 75 12.5 0\n";
    return out.str();
}

using test_support::lines_of;
using test_support::read_text;
using test_support::write_text;

class DowelRun : public testing::Test
{
  protected:
    std::unique_ptr<test_support::scratch_dir> scratch;
    fs::path dir;
    std::string errors; // standard error of the last run
    void SetUp() override
    {
        scratch = std::make_unique<test_support::scratch_dir>("corvane_dowel_run");
        dir = scratch->path();
    }
    void TearDown() override { scratch.reset(); }

    // Runs corvane with the options after -F base; the run state is returned.
    std::unique_ptr<corvane_run> run(const std::vector<std::string> &extra, int *status = nullptr)
    {
        std::vector<std::string> args = {"corvane", "-F", (dir / "slabs").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        auto r = std::make_unique<corvane_run>();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int got = parse_command_line(*r, static_cast<int>(argv.size()), argv.data());
        if (got < 0) got = run_analysis(*r);
        errors = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        if (status) *status = got;
        return r;
    }

    // Average z displacement of the top nodes of slab s along the joint.
    static double edge_deflection(const corvane_run &r, int s)
    {
        const int ix = s == 0 ? 2 : 0;
        double sum = 0.0;
        for (int iy = 0; iy < 3; ++iy) sum += r.disp[3 * two_slabs::node(s, ix, iy, 1) + 2];
        return sum / 3.0;
    }

    // Vertical spring force the foundation exerts on slab s: each spring
    // element gives each of its corner pairs kn A / 36 (A = 2500).
    static double foundation_force(const corvane_run &r, int s, double kn)
    {
        double sum = 0.0;
        for (int ey = 0; ey < 2; ++ey)
            for (int ex = 0; ex < 2; ++ex)
                for (int c = 0; c < 4; ++c) {
                    const int ix = ex + (c == 1 || c == 2), iy = ey + (c >= 2);
                    sum += r.disp[3 * two_slabs::node(s, ix, iy, 0) + 2];
                }
        return -kn * 2500.0 / 36.0 * sum;
    }

    // Fz2 of every line of the dowel result file (columns by width).
    std::vector<double> dowel_fz2()
    {
        std::vector<double> out;
        const std::vector<std::string> lines = lines_of(read_text(dir / "slabs.dwo"));
        for (std::size_t i = 1; i < lines.size(); ++i)
            out.push_back(std::stod(lines[i].substr(45 + 15 * 8, 14)));
        return out;
    }
};

} // namespace

TEST_F(DowelRun, LoadTransferThroughDowelsOnly)
{
    write_text(dir / "slabs.pin", model_text(two_slabs::kn));

    // without dowels the unloaded slab stays put
    std::unique_ptr<corvane_run> bare = run({});
    ASSERT_EQ(bare->ndowel, 0);
    const double bare_loaded = edge_deflection(*bare, 0);
    ASSERT_LT(bare_loaded, 0.0);
    EXPECT_LT(std::fabs(edge_deflection(*bare, 1)), 1e-6 * std::fabs(bare_loaded));
    EXPECT_FALSE(fs::exists(dir / "slabs.dwo"));

    double previous_lte = 0.0;
    for (double diameter : {2.5, 3.2, 3.8}) {
        SCOPED_TRACE(testing::Message() << "d " << diameter);
        write_text(dir / "slabs.dwi", dowel_text(diameter));
        int status = -1;
        std::unique_ptr<corvane_run> r = run({}, &status);
        ASSERT_EQ(status, 0);
        ASSERT_EQ(r->ndowel, 2);
        // end 2 (x = 100.6) lies on the far face of the joint cell, whose
        // nodes 0-3 run across y and z: zeta = +1 in the cell's own order
        EXPECT_EQ(r->dowel_elems[2], 8);
        EXPECT_NEAR(r->dowels[6], 0.0, 1e-9);
        EXPECT_NEAR(r->dowels[7], 0.0, 1e-9);
        EXPECT_NEAR(r->dowels[8], 1.0, 1e-9);
        // no -J: the maximum line cannot be appended, which is only reported
        EXPECT_EQ(errors, "File() File open error in out_results_dowel");
        const double loaded = edge_deflection(*r, 0), unloaded = edge_deflection(*r, 1);
        ASSERT_LT(loaded, 0.0);
        const double lte = unloaded / loaded;
        EXPECT_GT(lte, 0.0);
        EXPECT_LT(lte, 1.0);
        EXPECT_GT(lte, previous_lte); // a thicker bar transfers more
        previous_lte = lte;

        // Slab 2 carries no load of its own: what its foundation pushes back
        // with is what the dowels hand over (Fz2 of each dowel line).
        const std::vector<double> fz2 = dowel_fz2();
        ASSERT_EQ(fz2.size(), 2u);
        const double dowel_sum = fz2[0] + fz2[1];
        const double support = foundation_force(*r, 1, two_slabs::kn);
        EXPECT_GT(std::fabs(support), 0.0);
        EXPECT_NEAR(dowel_sum, support, 1e-3 * std::fabs(support));
        // symmetric about y = 50: both dowels carry the same shear
        EXPECT_NEAR(fz2[0], fz2[1], 1e-3 * std::fabs(fz2[0]));
        // the whole load goes to the ground: 5 x 2 x 2500
        const double total = foundation_force(*r, 0, two_slabs::kn) + support;
        EXPECT_NEAR(total, two_slabs::pressure * 5000.0, 1e-3 * two_slabs::pressure * 5000.0);
    }
}

TEST_F(DowelRun, TwoCasesAppendTwoMaximumLines)
{
    write_text(dir / "slabs.pin", model_text(two_slabs::kn));
    write_text(dir / "slabs.dwi", dowel_text(3.2));
    // two cases: the second with a foundation twice as stiff
    std::ostringstream cases;
    cases << (dir / "points.txt").string() << "\n0 2\n";
    for (double kn : {two_slabs::kn, 2 * two_slabs::kn}) {
        cases << "280000 0.15 0 0 0 0 0 0 0 0 0 0\n";
        cases << "1e-6 1e-6 1e-6 0 0 1.0 0 0 0 0 0 1\n";
        cases << "1 1 " << kn << " 0 0 1.0 0 0 0 0 0 1\n";
    }
    write_text(dir / "cases.txt", cases.str());
    const std::string max_file = (dir / "dowel_max.txt").string();
    int status = -1;
    run({"-M", (dir / "cases.txt").string(), "-J", max_file}, &status);
    ASSERT_EQ(status, 0);

    const std::vector<std::string> dwo = lines_of(read_text(dir / "slabs.dwo"));
    ASSERT_EQ(dwo.size(), 3u); // header + one line per dowel: the last case's file
    const std::vector<std::string> max_lines = lines_of(read_text(max_file));
    ASSERT_EQ(max_lines.size(), 2u);
    for (const std::string &line : max_lines) {
        EXPECT_EQ(line.size(), 3u * 11 + 6u * 15); // "%10.4f " x3, "%14.5e " x6
        std::istringstream in(line);
        double v[9];
        for (double &x : v) ASSERT_TRUE(static_cast<bool>(in >> x)) << line;
        EXPECT_EQ(v[0], 100.3); // a dowel centre
        EXPECT_EQ(v[2], 12.5);
        EXPECT_NE(v[3], 0.0);
    }
    EXPECT_NE(max_lines[0], max_lines[1]);

    // a third run appends, never truncates
    run({"-J", max_file});
    EXPECT_EQ(lines_of(read_text(max_file)).size(), 3u);
}

TEST_F(DowelRun, InvalidDowelMaterialStopsBeforeAnyOutput)
{
    write_text(dir / "slabs.pin", model_text(two_slabs::kn));
    write_text(dir / "slabs.dwi", dowel_text(0.0));
    int status = -1;
    run({}, &status);
    EXPECT_EQ(status, status_bad_input);
    EXPECT_NE(errors.find("slabs.dwi: dowel material 0: diameter d (entry 3) must be positive"),
              std::string::npos)
        << errors;
    EXPECT_FALSE(fs::exists(dir / "slabs.out"));
    EXPECT_FALSE(fs::exists(dir / "slabs.dwo"));
}
