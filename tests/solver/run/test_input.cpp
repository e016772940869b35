// Model, dowel and case readers: conversions, overrides, dowel placement, and every refusal.
#include "model_io.h"
#include "run_helpers.h"

// Reads a model text through read_model with the given unit code and overrides.
static void read_model_text(corvane_run &run, const std::string &text,
                            const std::string &name = "m.pin")
{
    std::FILE *f = tmpfile();
    std::fputs(text.c_str(), f);
    std::rewind(f);
    try {
        read_model(run, f, name);
    } catch (...) {
        std::fclose(f);
        throw;
    }
    std::fclose(f);
}

// One brick from (0,0,0) to (dx,dy,dz), one solid material; faces and joints optional.
static std::string brick_model(double dx, double dy, double dz, const std::string &mats = "")
{
    std::ostringstream s;
    s << "8 1 1 0 150\n";
    s << (mats.empty() ? "30000 0.2 0.0024 1e-5 0 0 0 0 0 0 0 0\n" : mats);
    const double x[4] = {0, dx, dx, 0}, y[4] = {0, 0, dy, dy};
    for (int l = 0; l < 2; ++l)
        for (int k = 0; k < 4; ++k) s << x[k] << " " << y[k] << " " << l * dz << " 0 0 0\n";
    s << "0 1 2 3 4 5 6 7 0\n";
    s << "0\n";
    return s.str();
}

TEST(Input, UnitCodeOneConvertsSolidsJointsAndTractions)
{
    corvane_run run;
    set_units(run, 1);
    const std::string text = "4 3 0 0 150\n"
                             "30000 0.2 0.0024 0 0 0 0 0 0 0 0 0\n"
                             "100 200 300 0 0 0.5 0 0 0 0 0 1.0\n"
                             "1000 0.3 0.001 0 0 0 0 0 0 0 0 0.5\n"
                             "0 0 0 1 2 3\n1 0 0 0 0 0\n1 1 0 0 0 0\n0 1 0 0 0 0\n"
                             "1\n0 0 0 -10 1 0 0 -10 2 0 0 -10 3 0 0 -10\n";
    read_model_text(run, text);
    EXPECT_NEAR(run.mats[0], 2940.0, 1e-9);
    EXPECT_EQ(run.mats[1], 0.2);
    EXPECT_NEAR(run.mats[2], 2400.0, 1e-9);
    EXPECT_NEAR(run.mats[12], 980.0, 1e-9);
    EXPECT_NEAR(run.mats[13], 1960.0, 1e-9);
    EXPECT_NEAR(run.mats[14], 2940.0, 1e-9);
    EXPECT_EQ(run.mats[17], 0.5);           // entry 5 is not a stiffness
    EXPECT_NEAR(run.mats[24], 98.0, 1e-12); // entry 11 = 0.5 converts as a solid
    EXPECT_NEAR(run.mats[26], 1000.0, 1e-9);
    EXPECT_NEAR(run.face_vals[2], -0.98, 1e-15);
    EXPECT_EQ(run.node_p[0], 1.0);
    EXPECT_EQ(run.nn, 12);
}

TEST(Input, OverridesFollowConversionUnconverted)
{
    corvane_run run;
    set_units(run, 1);
    run.mat_overrides.push_back({0, 1, 0.15});
    run.mat_overrides.push_back({0, 0, 500.0});
    read_model_text(run, brick_model(1, 1, 1));
    EXPECT_EQ(run.mats[1], 0.15);
    EXPECT_EQ(run.mats[0], 500.0);
    EXPECT_EQ(run.nedge, 0);
}

// Writes a dowel file and reads it against the model in run.
static void read_dowel_text(corvane_run &run, const std::string &text)
{
    std::FILE *f = tmpfile();
    std::fputs(text.c_str(), f);
    std::rewind(f);
    testing::internal::CaptureStdout();
    try {
        read_dowels(run, f, "d.dwi");
    } catch (...) {
        testing::internal::GetCapturedStdout();
        std::fclose(f);
        throw;
    }
    testing::internal::GetCapturedStdout();
    std::fclose(f);
}

static const char *const dowel_mat = "200000 0.3 0.2 2.5 45 4000 0 0 0 0 0 0\n";

TEST(Input, DowelAxisFollowsTheThinnestExtent)
{
    {
        corvane_run run;
        read_model_text(run, brick_model(0.5, 25, 10));
        read_dowel_text(run, std::string("1 1\n") + dowel_mat + "0.25 12.5 5 0\n");
        EXPECT_EQ(run.dowel_elems[0], 0);
        // axis x: the ends at x = 0.15 and 0.35 are xi = -0.4 and +0.4
        EXPECT_NEAR(run.dowels[3], -0.4, 1e-12);
        EXPECT_NEAR(run.dowels[4], 0.0, 1e-12);
        EXPECT_NEAR(run.dowels[6], 0.4, 1e-12);
        EXPECT_NEAR(run.dowels[8], 0.0, 1e-12);
    }
    {
        corvane_run run; // a tie between x and z goes to z
        read_model_text(run, brick_model(0.5, 25, 0.5));
        read_dowel_text(run, std::string("1 1\n") + dowel_mat + "0.25 12.5 0.25 0\n");
        EXPECT_NEAR(run.dowels[3], 0.0, 1e-12);
        EXPECT_NEAR(run.dowels[5], -0.4, 1e-12);
        EXPECT_NEAR(run.dowels[8], 0.4, 1e-12);
    }
    {
        corvane_run run; // a tie between x and y goes to y
        read_model_text(run, brick_model(0.5, 0.5, 10));
        read_dowel_text(run, std::string("1 1\n") + dowel_mat + "0.25 0.25 5 0\n");
        EXPECT_NEAR(run.dowels[4], -0.4, 1e-12);
        EXPECT_NEAR(run.dowels[7], 0.4, 1e-12);
    }
}

TEST(Input, ElementSearchIncludesUpperBoundOnly)
{
    corvane_run run;
    column_layout c;
    c.nz = 2;
    read_model_text(run, column_model(c));
    int counter = 0;
    EXPECT_EQ(find_element(run, 0.5, 0.5, 1.0, counter), 0); // shared face: the lower element
    EXPECT_EQ(find_element(run, 0.5, 0.5, 1.5, counter), 1);
    EXPECT_EQ(find_element(run, 0.5, 0.5, 0.0, counter), -1); // lower bound excluded
    EXPECT_EQ(find_element(run, 1.0, 1.0, 2.0, counter), 1);
    EXPECT_EQ(counter, 3);
    double xi[3];
    local_coords(run, 1, 0.75, 0.5, 1.25, xi);
    EXPECT_NEAR(xi[0], 0.5, 1e-15);
    EXPECT_NEAR(xi[1], 0.0, 1e-15);
    EXPECT_NEAR(xi[2], -0.5, 1e-15);
}

// Expects read_model to refuse text with a message containing every fragment.
static void expect_model_refused(const std::string &text, std::vector<std::string> fragments,
                                 const std::vector<mat_override> &overrides = {})
{
    corvane_run run;
    run.mat_overrides = overrides;
    try {
        read_model_text(run, text, "bad.pin");
        ADD_FAILURE() << "accepted: " << text;
    } catch (const input_error &e) {
        const std::string msg = e.what();
        fragments.push_back("bad.pin: ");
        for (const std::string &f : fragments) EXPECT_NE(msg.find(f), std::string::npos) << msg;
    }
}

TEST(Input, MalformedModelsNameFileRecordAndField)
{
    const std::string good = brick_model(1, 1, 1);
    expect_model_refused("8 1 1", {"header, nb", "file ends"});
    expect_model_refused(good.substr(0, good.size() / 2), {"file ends"});
    std::string s = good;
    s.replace(s.find("0.0024"), 6, "0.00x4");
    expect_model_refused(s, {"material 0, entry 2", "0.00x4"});
    expect_model_refused("-8 1 1 0 150\n", {"np = -8 is negative"});
    expect_model_refused("8 1 1 0 0\n", {"bw = 0"});
    expect_model_refused("8 1 1 0 150 30000", {"material 0, entry 1"});
    s = good;
    s.replace(s.find("0 1 2 3 4 5 6 7 0"), 17, "0 1 2 3 4 5 6 8 0");
    expect_model_refused(s, {"element 0, node 7", "node number 8 is outside 0..7"});
    s = good;
    s.replace(s.find("0 1 2 3 4 5 6 7 0"), 17, "0 1 2 3 4 5 6 7 1");
    expect_model_refused(s, {"element 0", "material number 1 is outside 0..0"});
    s = good;
    s.replace(s.find("8 1 1 0"), 7, "8 1 1 1");
    s.replace(s.rfind("0\n"), 2, "-1 1 1 1\n0\n");
    expect_model_refused(s, {"boundary record 0", "node number -1"});
    s = good;
    s.replace(s.rfind("0\n"), 2, "1\n0 0 0 1 1 0 0 1 2 0 0 1 9 0 0 1\n");
    expect_model_refused(s, {"loaded face 0, face node 3", "node number 9"});
    s = good;
    s.replace(s.rfind("0\n"), 2, "1\n0 0 0 1 1 0 0 1\n");
    expect_model_refused(s, {"loaded face 0, face node 2", "file ends"});
    s = good;
    s.replace(s.rfind("0\n"), 2, "-3\n");
    expect_model_refused(s, {"nedge = -3 is negative"});
    expect_model_refused(good, {"-E 1 0", "material"}, {{1, 0, 5.0}});
    expect_model_refused(good, {"-E 0 12"}, {{0, 12, 5.0}});
    expect_model_refused(brick_model(1, 1, 1, "100 100 0 0 0 0 0 0 0 0 0 1\n"),
                         {"material 0 (joint", "normal stiffness (entry 2) is 0"});
    expect_model_refused(brick_model(1, 1, 1, "100 0.5 0 0 0 0 0 0 0 0 0 0\n"),
                         {"material 0", "Poisson's ratio 0.5"});
    // a count the file cannot back: refused at the first missing record, not by allocation
    expect_model_refused("300000000 1 1 0 150\n1 0 0 0 0 0 0 0 0 0 0 0\n",
                         {"node 0, x", "file ends"});
}

TEST(Input, MalformedDowelFilesAreRefused)
{
    corvane_run run;
    read_model_text(run, brick_model(0.5, 25, 10));
    auto refused = [&](const std::string &text, const std::string &fragment) {
        corvane_run r = run;
        try {
            read_dowel_text(r, text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const input_error &e) {
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("d.dwi: "), std::string::npos);
        }
    };
    refused(std::string("1 1\n") + dowel_mat + "0.25 12.5 5 1\n",
            "dowel material number 1 is outside 0..0");
    refused(std::string("1 1\n") + dowel_mat + "0.25 12.5 5 -1\n", "dowel material number -1");
    refused(std::string("2 1\n") + dowel_mat + "0.25 12.5 5 0\n", "dowel 1, centre x");
    refused(std::string("1 1\n") + dowel_mat + "3 12.5 5 0\n", "dowel 0: the centre");
    refused("-1 1\n", "ndowel = -1");
    // the centre lies inside, but an end falls outside every element
    refused(std::string("1 1\n") + "200000 0.3 2.0 2.5 45 4000 0 0 0 0 0 0\n" + "0.25 12.5 5 0\n",
            "dowel 0: end 1");
}

TEST(Input, CaseFileReadsPointsAndEveryCaseUpFront)
{
    scratch_dir dir;
    corvane_run run;
    set_units(run, 1);
    read_model_text(run, brick_model(1, 1, 1));
    const std::string name = dir.file("cases");
    write_text(name, "pts.txt 1 2\n0 0 1 3\n"
                     "1000 0.2 1 0 0 0 0 0 0 0 0 0\n"
                     "2000 0.3 2 0 0 0 0 0 0 0 0 0\n");
    std::FILE *f = std::fopen(name.c_str(), "r");
    read_case_header(run, f, name);
    std::fclose(f);
    EXPECT_EQ(run.point_file, "pts.txt");
    EXPECT_EQ(run.n_cases, 2);
    ASSERT_EQ(run.out_points.size(), 1u);
    EXPECT_EQ(run.out_points[0].code, 3);
    read_case_materials(run, 1);
    EXPECT_NEAR(run.mats[0], 196.0, 1e-12);
    EXPECT_NEAR(run.mats[2], 2.0e6, 1e-6);
    // a truncated second case is refused before anything runs
    write_text(name, "pts.txt 0 2\n1000 0.2 1 0 0 0 0 0 0 0 0 0\n2000 0.3\n");
    f = std::fopen(name.c_str(), "r");
    EXPECT_THROW(read_case_header(run, f, name), input_error);
    std::fclose(f);
}

TEST(Input, BadInputEndsWithStatusTwoAndWritesNothing)
{
    scratch_dir dir;
    const std::string base = dir.file("slab");
    std::string text = brick_model(1, 1, 1);
    text.replace(text.find("0 1 2 3 4 5 6 7 0"), 17, "0 1 2 3 4 5 6 99 0");
    write_text(base + ".pin", text);
    write_text(base + ".out", "previous results\n");
    const run_output r = run_corvane({"-F", base});
    EXPECT_EQ(r.status, status_bad_input);
    EXPECT_NE(r.err.find("corvane: " + base + ".pin: element 0, node 7"), std::string::npos)
        << r.err;
    EXPECT_EQ(read_text(base + ".out"), "previous results\n"); // not truncated
    // a bad dowel file refuses the run as well
    write_text(base + ".pin", brick_model(1, 1, 1));
    write_text(base + ".dwi", "1 1\n1 2 3\n");
    const run_output d = run_corvane({"-F", base});
    EXPECT_EQ(d.status, status_bad_input);
    EXPECT_NE(d.err.find("slab.dwi: file ends where dowel material 0, entry 3"), std::string::npos)
        << d.err;
    EXPECT_EQ(read_text(base + ".out"), "previous results\n");
}

TEST(Input, MissingModelFileIsReportedWithStatusZero)
{
    scratch_dir dir;
    const run_output r = run_corvane({"-F", dir.file("none")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Input data file can not be opened");
    EXPECT_FALSE(fs::exists(dir.file("none.out")));
}
