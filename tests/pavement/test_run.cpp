// pavement end to end: the dense liquid settles p / k, Westergaard's interior stress on the
// default mesh, refusals that write nothing, and the sweep's positions.
#include "run.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace test_support;

// A slab on a dense liquid under a pressure over its whole top settles p / k everywhere: the
// conversion of k (MPa/m) into the joint convention (9 k in kgf/cm3) and the load written.
TEST(PavementRun, DenseLiquidSettlesPressureOverK)
{
    scratch_dir dir("pavement_settle");
    write_text(dir.file("s.toml"), R"([slabs]
lengths = [2.0]
widths = [2.0]
thickness = 0.2
E = 30000
[foundation]
k = 50
[[loads]]
wheels = [[1.0, 1.0, 2.0, 2.0]]
load = 400
[mesh]
size = 0.5
size_near_loads = 0.5
elements_through_slab = 1
)");
    const run_result r =
        run_command("'" PAVEMENT "' run s.toml --out=out --no-pictures --quiet", dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // --timings: each phase of the run and the solver's own, with the peak memory and files
    const run_result t =
        run_command("'" PAVEMENT "' run s.toml --out=timed --no-pictures --timings", dir.path());
    ASSERT_EQ(t.status, 0) << t.out << t.err;
    for (const char *line : {"pavement: timings: meshing ", "pavement: analysis: timings: reading ",
                             "pavement: peak memory ", " MB of files in timed"})
        EXPECT_NE(t.out.find(line), std::string::npos) << line << "\n" << t.out;
    // p = 400 kN / 4 m2 = 0.1 MPa; w = p / k = 0.1 / 50 m = 2 mm
    const std::string csv = read_text(dir.path() / "out/s_report.csv");
    EXPECT_NEAR(summary_value(csv, "max_deflection"), 2.0, 0.01 * 2.0) << csv;
    // the report tells what was analysed: the load on the faces tarnel wrote is the 400 kN
    // asked for, and the foundation as entered
    EXPECT_NE(csv.find("400 kN on "), std::string::npos) << csv;
    EXPECT_NE(csv.find("dense liquid k 50 MPa/m"), std::string::npos);
}

// Westergaard's interior case (examples/westergaard.toml) on the default mesh: the bottom
// tension under the wheel within 5 % of Ioannides' form of the interior formula.
TEST(PavementRun, WestergaardInteriorOnTheDefaultMesh)
{
    scratch_dir dir("pavement_westergaard");
    const run_result r = run_command("'" PAVEMENT "' run '" EXAMPLES_DIR
                                     "/westergaard.toml' --out=out --no-pictures --quiet",
                                     dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const double pi = 3.141592653589793, e = 30000, nu = 0.15, h = 0.10, k = 5, p = 0.040;
    const double l = std::pow(e * h * h * h / (12 * (1 - nu * nu) * k), 0.25);
    const double a = std::sqrt(0.30 * 0.30 / pi); // the circle of the tyre's area
    ASSERT_LE(h / l, 0.12 + 1e-3);                // a thin slab
    const double sigma =
        3 * p * (1 + nu) / (2 * pi * h * h) * (std::log(2 * l / a) + 0.5 - 0.5772) +
        3 * p * (1 + nu) / (64 * h * h) * (a / l) * (a / l);
    const double fe = summary_value(read_text(dir.path() / "out/westergaard_report.csv"),
                                    "max_tension_slab_bottom");
    EXPECT_NEAR(fe, sigma, 0.05 * sigma) << "Westergaard " << sigma;
}

// A bad description or command line: status 2, the reason on standard error, nothing written.
TEST(PavementRun, RefusalsWriteNothing)
{
    scratch_dir dir("pavement_refuse");
    write_text(dir.file("bad.toml"), "[slabs]\nlengths = [4.5]\nwidth = [3.6]\n");
    const struct {
        const char *args, *expect;
    } rows[] = {
        {"run bad.toml --out=out", "bad.toml:3: slabs.width: unknown key"},
        {"run missing.toml --out=out", "missing.toml: cannot be opened"},
        {"fly bad.toml", "unknown command 'fly'"},
        {"run bad.toml --fast", "unknown option '--fast'"},
        {"sweep bad.toml --dx=1:0:1 --out=out", "--dx takes start:stop:step"},
    };
    for (const auto &row : rows) {
        const run_result r = run_command("'" PAVEMENT "' " + std::string(row.args), dir.path());
        EXPECT_EQ(r.status, 2) << row.args;
        EXPECT_NE(r.err.find(row.expect), std::string::npos) << row.args << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir.path() / "out")) << row.args;
    }
}

// The sweep: a wheel moved across a symmetric slab pair gives mirror positions the same
// tension, one row per position in order, the largest named as governing; an offset that
// puts a tyre off the slabs runs nothing.
TEST(PavementRun, SweepPositionsAndGoverningPosition)
{
    scratch_dir dir("pavement_sweep");
    write_text(dir.file("p.toml"), R"([slabs]
lengths = [1.5, 1.5]
widths = [2.0]
thickness = 0.2
E = 30000
[foundation]
k = 50
[joints.transverse]
stiffness = 5
[[loads]]
wheels = [[1.2, 1.0, 0.2, 0.2]]
load = 40
[mesh]
size = 0.25
size_near_loads = 0.05
size_near_joints = 0.05
elements_through_slab = 1
)");
    const run_result r =
        run_command("'" PAVEMENT "' sweep p.toml --dy=-0.6:0.6:0.3 -j 2 --out=sw --quiet --timings",
                    dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // --timings: pavement's phases, and corvane's summed over its two runs (the five positions'
    // sets shared between them, one solve each on the linear slab)
    EXPECT_NE(r.out.find("pavement: timings: meshing "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("pavement: analyses: timings summed over 2 corvane runs: "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(" 5 solves "), std::string::npos) << r.out;
    std::istringstream csv(read_text(dir.path() / "sw/sweep.csv"));
    std::string line;
    std::getline(csv, line);
    std::vector<double> dy, tension;
    while (std::getline(csv, line)) {
        double a, b, c;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf", &a, &b, &c), 3) << line;
        dy.push_back(b);
        tension.push_back(c);
    }
    ASSERT_EQ(dy.size(), 5u);
    EXPECT_EQ(dy, (std::vector<double>{-0.6, -0.3, 0, 0.3, 0.6}));
    // the slab's middle line y = 1 is a mirror plane: dy and -dy alike
    EXPECT_NEAR(tension[0], tension[4], 2e-3 * tension[4]);
    EXPECT_NEAR(tension[1], tension[3], 2e-3 * tension[3]);
    const std::size_t best = std::max_element(tension.begin(), tension.end()) - tension.begin();
    char governing[64];
    std::snprintf(governing, sizeof governing, "governing offset (0, %g)", dy[best]);
    EXPECT_NE(r.out.find(governing), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "sw/sweep.svg"));
    // one full result set is kept, the governing position's; --keep keeps every position's
    const run_result all = run_command(
        "'" PAVEMENT "' sweep p.toml --dy=-0.6:0.6:0.3 -j 2 --out=all --quiet --keep", dir.path());
    ASSERT_EQ(all.status, 0) << all.err;
    for (std::size_t i = 0; i < dy.size(); ++i) {
        char set[32];
        std::snprintf(set, sizeof set, "p_p%02zu.out", i);
        EXPECT_EQ(fs::exists(dir.path() / "sw" / set), i == best) << set;
        EXPECT_TRUE(fs::exists(dir.path() / "all" / set)) << set;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "sw/mesh"));
#ifdef OSTRINE_BATCH
    // the kept set opens on its own, as a user opens it, with the sweep's figure for it
    char kept[32];
    std::snprintf(kept, sizeof kept, "sw/p_p%02zu", best);
    const run_result opened = run_command(
        "'" OSTRINE_BATCH "' -F " + std::string(kept) + " --report kept.csv", dir.path());
    ASSERT_EQ(opened.status, 0) << opened.err;
    EXPECT_NEAR(summary_value(read_text(dir.path() / "kept.csv"), "max_tension_slab_bottom"),
                tension[best], 1e-4 * tension[best]);
#endif
    const run_result off =
        run_command("'" PAVEMENT "' sweep p.toml --dy=0:1:1 --out=off", dir.path());
    EXPECT_EQ(off.status, 2);
    EXPECT_NE(off.err.find("off the slabs"), std::string::npos) << off.err;
    EXPECT_FALSE(fs::exists(dir.path() / "off"));
}

// A sweep of close positions over a support that lets go in tension: one mesh, each position
// starting from its neighbour's state; mirror positions about the slab's middle line still give
// the same tension (a warm start that biased the equilibrium would break the mirror).
TEST(PavementRun, TensionlessSweepOfClosePositionsOnOneMesh)
{
    scratch_dir dir("pavement_sweep_tensionless");
    write_text(dir.file("t.toml"), R"([slabs]
lengths = [3.0]
widths = [2.0]
thickness = 0.2
E = 30000
[foundation]
k = 50
tensionless = true
[[loads]]
wheels = [[0.5, 1.0, 0.2, 0.2]]
load = 60
[mesh]
size = 0.25
size_near_loads = 0.05
elements_through_slab = 1
)");
    const run_result r =
        run_command("'" PAVEMENT "' sweep t.toml --dy=-0.1:0.1:0.05 -j 2 --out=sw", dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("5 load sets on one mesh"), std::string::npos) << r.out;
    std::istringstream csv(read_text(dir.path() / "sw/sweep.csv"));
    std::string line;
    std::getline(csv, line);
    std::vector<double> tension;
    while (std::getline(csv, line)) {
        double a, b, c;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf", &a, &b, &c), 3) << line;
        tension.push_back(c);
        EXPECT_EQ(line.substr(line.rfind(',') + 1), "0") << line; // in equilibrium
    }
    ASSERT_EQ(tension.size(), 5u);
    EXPECT_NEAR(tension[0], tension[4], 2e-3 * tension[4]);
    EXPECT_NEAR(tension[1], tension[3], 2e-3 * tension[3]);
    // the far end lifts off: the corvane runs iterated past one solve
    const std::string log = read_text(dir.path() / "sw/t_corvane.log");
    EXPECT_NE(log.find("Itr No. [  2]"), std::string::npos);
}

// The set pavement writes opens in its own units without being told: ostrine-batch, with no
// -U, reads the same largest bottom tension as pavement's report (kgf-cm files read as SI were
// ten times too large).
TEST(PavementRun, ItsSetOpensInItsOwnUnits)
{
#ifndef OSTRINE_BATCH
    GTEST_SKIP() << "ostrine-batch is not built";
#else
    scratch_dir dir("pavement_units");
    write_text(dir.file("s.toml"), R"([slabs]
lengths = [3.0]
widths = [3.0]
thickness = 0.2
E = 30000
[foundation]
k = 50
[[loads]]
wheels = [[1.5, 1.5, 0.25, 0.25]]
load = 40
[mesh]
size = 0.3
size_near_loads = 0.08
elements_through_slab = 2
)");
    const run_result r =
        run_command("'" PAVEMENT "' run s.toml --out=out --no-pictures --quiet", dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const double ours =
        summary_value(read_text(dir.path() / "out/s_report.csv"), "max_tension_slab_bottom");
    const run_result b =
        run_command("'" OSTRINE_BATCH "' -F out/s --report batch.csv --per-material", dir.path());
    ASSERT_EQ(b.status, 0) << b.out << b.err;
    const double theirs =
        summary_value(read_text(dir.path() / "batch.csv"), "max_tension_slab_bottom");
    EXPECT_GT(ours, 0.5);
    EXPECT_NEAR(theirs, ours, 1e-3 * ours);
#endif
}

// A run as a person makes it, from a relative folder with the default DIR and --quiet: one line
// on the terminal (the report's path), every program's log beside the results, every SVG well
// formed and drawn (rsvg-convert), and the HTML report opened in headless Chromium with no
// broken image.
TEST(PavementRun, QuietRunLeavesLogsAndAReportThatOpensWhole)
{
    scratch_dir dir("pavement_whole");
    write_text(dir.file("j.toml"), R"(title = "Two slabs & a wheel"
[slabs]
lengths = [3.0, 3.0]
widths = [2.0]
thickness = 0.2
E = 30000
density = 2.4
[foundation]
k = 50
[joints.transverse]
stiffness = 0.5
[joints.transverse.dowels]
diameter = 0.032
length = 0.46
spacing = 0.5
[[loads]]
wheels = [[2.85, 1.0, 0.25, 0.25]]
load = 40
[report]
fc = 30
mr = 4.5
[mesh]
size = 0.4
size_near_loads = 0.1
size_near_joints = 0.1
elements_through_slab = 2
)");
    const run_result r = run_command("'" PAVEMENT "' run j.toml --quiet", dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "pavement: report pavement_j/j_report.html\n");
    EXPECT_EQ(r.err, "");
    const fs::path out = dir.path() / "pavement_j";
    for (const char *log : {"j_tarnel.log", "j_corvane.log"}) {
        EXPECT_TRUE(fs::exists(out / log)) << log;
        EXPECT_GT(fs::file_size(out / log), 0u) << log;
    }
    const std::string html = read_text(out / "j_report.html");
    EXPECT_NE(html.find("<h1>Pavement analysis: Two slabs &amp; a wheel</h1>"), std::string::npos);
    EXPECT_NE(html.find("Verdict: "), std::string::npos);
    // the description echoed as the engineer wrote it
    EXPECT_NE(html.find("<pre>title = &quot;Two slabs &amp; a wheel&quot;\n[slabs]"),
              std::string::npos);
    // every picture the report names is there; the SVGs parse and draw
    int images = 0;
    for (std::size_t at = html.find("<img src=\""); at != std::string::npos;
         at = html.find("<img src=\"", at + 1)) {
        const std::size_t end = html.find('"', at + 10);
        const std::string src = html.substr(at + 10, end - at - 10);
        ++images;
        ASSERT_TRUE(fs::exists(out / src)) << src;
        if (src.size() < 4 || src.substr(src.size() - 4) != ".svg") continue;
        EXPECT_EQ(run_command("xmllint --noout '" + src + "'", out).status, 0) << src;
        if (run_command("command -v rsvg-convert", out).status == 0) {
            EXPECT_EQ(run_command("rsvg-convert -o drawn.png '" + src + "'", out).status, 0) << src;
            EXPECT_GT(fs::file_size(out / "drawn.png"), 1000u) << src;
        }
    }
    EXPECT_GE(images, 2); // the plan and the joints' deflections, without pictures too
    if (run_command("command -v chromium", out).status != 0)
        GTEST_SKIP() << "no chromium: the report was not opened in a browser";
    // the report with a script that counts the images the browser could not draw
    std::string page = html;
    page.insert(page.rfind("</body>"),
                "<script>window.addEventListener('load',()=>{document.title='broken '+"
                "[...document.images].filter(i=>!(i.complete&&i.naturalWidth>0)).length+"
                "' of '+document.images.length});</script>");
    write_text((out / "opened.html").string(), page);
    const run_result c = run_command(
        "timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--user-data-dir=chromium-profile --virtual-time-budget=5000 --dump-dom "
        "\"file://$PWD/opened.html\" 2>/dev/null",
        out);
    EXPECT_NE(c.out.find("<title>broken 0 of " + std::to_string(images) + "</title>"),
              std::string::npos)
        << c.out.substr(0, 400);
}

TEST(PavementRun, AutomaticSolverFollowsTheMeasuredRanking)
{
    // measured on a jointed pavement: at 88 678 nodes the factorization 53 s, the multigrid
    // 72 s; at 191 748 nodes the factorization 69 s and 6.9 GB, the multigrid 66 s and 1.7 GB,
    // AMG 191 s
    const struct {
        std::vector<std::string> built;
        long long nodes;
        const char *chosen;
    } cases[] = {
        {{"cg", "amg", "direct", "mg"}, 88678, "direct"},
        {{"cg", "amg", "direct", "mg"}, 191748, "mg"},
        {{"cg", "amg", "direct", "mg"}, 2000000, "mg"},
        {{"cg", "amg"}, 191748, "amg"},
        {{"cg"}, 191748, "cg"},
    };
    for (const auto &c : cases) {
        chain_tools t;
        t.built = c.built;
        EXPECT_EQ(automatic_solver(t, c.nodes), c.chosen) << c.nodes << " " << c.built.size();
    }
}
