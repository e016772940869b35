// Result file layout, point rows, model copies per case and write failures.
#include "model_io.h"
#include "results.h"
#include "run_helpers.h"
#include "test_util.h"

#include <cmath>

static std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream s(text);
    std::string line;
    while (std::getline(s, line)) out.push_back(line);
    return out;
}

TEST(Results, ResultFileLayoutOfATwoElementModel)
{
    scratch_dir dir;
    const std::string base = write_column(dir, "two", 2, 5.0);
    const run_output r = run_corvane({"-F", base});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, base.size() + 5), base + ".pin\n");
    const std::string text = read_text(base + ".out");
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n"); // the final empty line
    const std::vector<std::string> lines = lines_of(text);
    ASSERT_EQ(lines.size(), 3u + 3 * 12 + 1);
    EXPECT_EQ(lines[0], "   xx       yy        zz       Ux             Uy             Uz");
    EXPECT_EQ(lines[13], "   xx       yy        zz       Ex             Ey             Ez"
                         "             Eyz            Ezx            Exy");
    EXPECT_EQ(lines[26], "   xx       yy        zz       Sx             Sy             Sz"
                         "             Syz            Szx            Sxy");
    EXPECT_EQ(lines.back(), "");
    // node 0 at the base: held, zero displacement
    EXPECT_EQ(lines[1], "   0.000    0.000     0.000   0.000000e+00   0.000000e+00   0.000000e+00");
    // node 9 = (1, 0, 2): top, "%8.3f %8.3f  %8.3f" then three "%14.6e"
    char expect[200];
    const double m = 1000 * 0.75 / (1.25 * 0.5);
    std::snprintf(expect, sizeof expect, "%8.3f %8.3f  %8.3f %14.6e", 1.0, 0.0, 2.0, 0.0);
    EXPECT_EQ(lines[10].substr(0, 42), std::string(expect));
    EXPECT_NEAR(std::stod(lines[10].substr(57)), -5.0 * 2 / m, 1e-4 * 10 / m);
    for (int n = 0; n < 12; ++n) {
        EXPECT_EQ(lines[1 + n].size(), 72u);
        EXPECT_EQ(lines[14 + n].size(), 117u);
        EXPECT_EQ(lines[27 + n].size(), 117u);
    }
    EXPECT_FALSE(fs::exists(base + "00.pin")); // single case: no model copy
}

// A run state holding a tiny model for the writers.
static void tiny_model(corvane_run &run)
{
    run.np = 3;
    run.nn = 9;
    run.coords = {0, 0, 0, 1, 0, 0, 2, 0, 0};
    run.disp = {0.1, 0.2, 0.3, 1, 2, 3, 4, 5, 6};
    run.node_strain.assign(18, 0.0);
    run.node_stress.assign(18, 0.0);
    for (int k = 0; k < 6; ++k) {
        run.node_strain[6 + k] = 0.01 * (k + 1);
        run.node_stress[6 + k] = 10.0 * (k + 1);
    }
    run.acm_load = 1.0;
}

TEST(Results, PointRowsByCode)
{
    corvane_run run;
    tiny_model(run);
    set_units(run, 1); // stresses are divided by 0.098 on output
    // (0.5, 0, 0) lies as near node 0 as node 1: the lower number wins
    run.out_points = {{0.5, 0, 0, 0}, {1.1, 0, 0, 1}, {0.9, 0.1, 0, 2}, {1, 0, 0, 5}, {1, 0, 0, 3}};
    std::FILE *f = tmpfile();
    write_point_rows(run, f);
    std::rewind(f);
    char buf[4096];
    const std::size_t got = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    const std::string text(buf, got);
    std::string expect;
    char line[512];
    std::snprintf(line, sizeof line, "%8.5f %8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e\n", 1.0, 0.0,
                  0.0, 0.0, 0.1, 0.2, 0.3);
    expect += line;
    std::snprintf(line, sizeof line,
                  "%8.5f %8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e\n", 1.0, 1.0,
                  0.0, 0.0, 10 / 0.098, 20 / 0.098, 30 / 0.098, 40 / 0.098, 50 / 0.098, 60 / 0.098);
    expect += line;
    std::snprintf(line, sizeof line,
                  "%8.5f %8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e\n", 1.0, 1.0,
                  0.0, 0.0, 0.01, 0.02, 0.03, 0.04, 0.05, 0.06);
    expect += line;
    // code 5: only the prefix, the next row continues the line
    std::snprintf(line, sizeof line, "%8.5f %8.3f %8.3f  %8.3f ", 1.0, 1.0, 0.0, 0.0);
    expect += line;
    std::snprintf(line, sizeof line, "%8.5f %8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e ", 1.0, 1.0,
                  0.0, 0.0, 1.0, 2.0, 3.0);
    expect += line;
    std::snprintf(
        line, sizeof line,
        "%14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e\n",
        0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 10 / 0.098, 20 / 0.098, 30 / 0.098, 40 / 0.098,
        50 / 0.098, 60 / 0.098);
    expect += line;
    EXPECT_EQ(text, expect);
}

TEST(Results, FarPointReportsTheNearestNodeWithANote)
{
    corvane_run run;
    tiny_model(run);
    bool within = true;
    EXPECT_EQ(nearest_node(run, 1.0e6, 0, 0, &within), 2);
    EXPECT_FALSE(within);
    EXPECT_EQ(nearest_node(run, 1.6, 0, 0, &within), 2);
    EXPECT_TRUE(within);
}

// Material lines (entries 0..11) of a model copy.
static std::vector<double> copy_materials(const std::string &name)
{
    std::ifstream in(name);
    int np, nm, ne, nb, bw;
    in >> np >> nm >> ne >> nb >> bw;
    std::vector<double> mats(12 * nm);
    for (double &v : mats) in >> v;
    return mats;
}

TEST(Results, TwoCasesWriteCopiesInInputUnitsForEveryUnitCode)
{
    for (int unit = 0; unit <= 2; ++unit) {
        scratch_dir dir;
        const std::string base = write_column(dir, "slab", 2, 4.0);
        const std::string case0 = "1000 0.25 0.0024 1e-05 0 0 0 0 0 0 0 0";
        const std::string case1 = "2000 0.3 0.0048 2e-05 0 0 0 0 0 0 0 0";
        write_text(dir.file("cases"),
                   dir.file("points.txt") + " 1 2\n0 0 2 0\n" + case0 + "\n" + case1 + "\n");
        const run_output r =
            run_corvane({"-F", base, "-M", dir.file("cases"), "-U", std::to_string(unit)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_FALSE(fs::exists(base + ".out"));
        for (int k = 0; k < 2; ++k) {
            const std::string copy = base + (k ? "01" : "00") + ".pin";
            ASSERT_TRUE(fs::exists(copy)) << copy;
            ASSERT_TRUE(fs::exists(base + (k ? "01" : "00") + ".out"));
            const std::vector<double> got = copy_materials(copy);
            std::istringstream in(k ? case1 : case0);
            std::vector<double> expect(12);
            for (double &v : expect) in >> v;
            expect_arrays_close(12, expect, got, 1e-5, 1e-12);
            // the case's materials show in its results: the top moves by
            // (p H + gamma H^2 / 2) / M in internal units (p and M scale with
            // f_stress, gamma with f_weight); the top element's stress, constant
            // through its height, is -(p + gamma h / 2), written in input units
            corvane_run units;
            set_units(units, unit);
            const double e = expect[0], nu = expect[1];
            const double m = e * (1 - nu) / ((1 + nu) * (1 - 2 * nu));
            const double gamma =
                expect[2] * units.f_weight / units.f_stress; // per input stress unit
            const double top = -(4.0 * 2 + gamma * 2 * 2 / 2) / m;
            const result_set res = read_result_file(base + (k ? "01" : "00") + ".out", 12);
            EXPECT_NEAR(res.disp[3 * 11 + 2], top, 1e-4 * std::fabs(top));
            const double sz = -(4.0 + gamma * 0.5);
            EXPECT_NEAR(res.stress[6 * 11 + 2], sz, 1e-4 * std::fabs(sz));
        }
        // the point file holds the last case's row (opened for writing each time)
        EXPECT_EQ(lines_of(read_text(dir.file("points.txt"))).size(), 1u);
    }
}

TEST(Results, ModelCopyFormats)
{
    corvane_run run;
    run.np = 1;
    run.nm = 1;
    run.ne = 0;
    run.nb = 1;
    run.bw = 150;
    run.mats = {2940, 0.2, 2400, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    set_units(run, 1);
    run.coords = {1.5, 2, 3};
    run.node_p = {0, 0, 0};
    run.bc = {0, 1, 0, 1};
    run.nedge = 0;
    std::FILE *f = tmpfile();
    write_model_copy(run, f);
    std::rewind(f);
    char buf[2048];
    const std::size_t got = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    EXPECT_EQ(
        std::string(buf, got),
        "    1     1     0     1  150\n"
        "   3.00000e+04   2.00000e-01   2.40000e-03   0.00000e+00   0.00000e+00   0.00000e+00"
        "   0.00000e+00   0.00000e+00   0.00000e+00   0.00000e+00   0.00000e+00   0.00000e+00\n"
        "      1.5000       2.0000       3.0000       0.00       0.00       0.00 \n"
        "    0  1  0  1 \n"
        "    0 \n");
}

TEST(Results, ZeroCasesWriteNothing)
{
    scratch_dir dir;
    const std::string base = write_column(dir, "slab", 1);
    write_text(dir.file("cases"), "p.txt 0 0\n");
    const run_output r = run_corvane({"-F", base, "-M", dir.file("cases")});
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(fs::exists(base + "00.out"));
    EXPECT_FALSE(fs::exists(base + ".out"));
}

TEST(Results, WriteFailuresEndWithStatusThree)
{
    scratch_dir dir;
    const std::string base = write_column(dir, "slab", 1, 1.0);
    fs::create_directory(base + ".out"); // cannot be opened as a file
    const run_output r = run_corvane({"-F", base});
    EXPECT_EQ(r.status, status_write_failed);
    EXPECT_NE(r.err.find("Output data file can not be opened"), std::string::npos);
    fs::remove(base + ".out");
    if (fs::is_character_file("/dev/full")) {
        // the point rows hit a full device: the loss is detected at close
        const run_output full =
            run_corvane({"-F", base, "-O", "/dev/full", "-C", "0", "0", "1", "3"});
        EXPECT_EQ(full.status, status_write_failed);
        EXPECT_NE(full.err.find("/dev/full: write error"), std::string::npos) << full.err;
    }
    // no point file name while points are asked for: the opening fails
    const run_output none = run_corvane({"-F", base, "-C", "0", "0", "1", "0"});
    EXPECT_EQ(none.status, status_write_failed);
    EXPECT_NE(none.err.find("Output data file can not be opened"), std::string::npos);
}

TEST(Results, SecondPhaseStepRowsPrecedeTheFinalRowsWhenAppending)
{
    // -R -P 2 1 -A: one row after each of the two second-phase increments
    // (nodal stresses still zero, acm_load left at 1 by the first phase), then
    // the final row of the case
    scratch_dir dir;
    const std::string base = write_column(dir, "slab", 1, 2.0);
    const std::string points = dir.file("points.txt");
    const run_output r = run_corvane(
        {"-F", base, "-R", "-P", "2", "1", "-A", "-O", points, "-C", "0", "0", "1", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> rows = lines_of(read_text(points));
    ASSERT_EQ(rows.size(), 3u);
    char zero_row[256];
    std::snprintf(zero_row, sizeof zero_row,
                  "%8.5f %8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e", 1.0, 0.0,
                  0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0);
    EXPECT_EQ(rows[0], zero_row);
    EXPECT_EQ(rows[1], zero_row);
    EXPECT_NE(rows[2], zero_row); // recovered stresses of the case
    // without -R the step rows are never written: one row
    fs::remove(points);
    run_corvane({"-F", base, "-P", "2", "1", "-A", "-O", points, "-C", "0", "0", "1", "1"});
    EXPECT_EQ(lines_of(read_text(points)).size(), 1u);
}
