// Command line: defaults, derived names, option letters, values, unit factors and refusals.
#include "element_type.h"
#include "options.h"
#include "run_helpers.h"

#include <cstdlib>
#include <sys/wait.h>

// Parses only (no analysis).
static int parse(corvane_run &run, std::vector<std::string> args, std::string *out = nullptr,
                 std::string *err = nullptr)
{
    args.insert(args.begin(), "corvane");
    std::vector<char *> argv;
    for (std::string &s : args) argv.push_back(s.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = parse_command_line(run, static_cast<int>(args.size()), argv.data());
    const std::string o = testing::internal::GetCapturedStdout();
    const std::string e = testing::internal::GetCapturedStderr();
    if (out) *out = o;
    if (err) *err = e;
    return status;
}

TEST(Options, SingleFileOptionDerivesNamesAndDefaults)
{
    corvane_run run;
    EXPECT_EQ(parse(run, {"-F", "slab"}), -1);
    EXPECT_EQ(run.input_file, "slab.pin");
    EXPECT_EQ(run.result_file, "slab.out");
    EXPECT_EQ(run.dowel_input_file, "slab.dwi");
    EXPECT_EQ(run.dowel_result_file, "slab.dwo");
    EXPECT_EQ(run.xy_file, "slab.xy");
    EXPECT_EQ(run.n_inc, 1);
    EXPECT_EQ(run.n_sub, 1);
    EXPECT_EQ(run.max_itr, 40);
    EXPECT_EQ(run.unit_code, 0);
    EXPECT_EQ(run.f_stress, 1.0);
}

TEST(Options, DowelNameOrderAndLetterForms)
{
    corvane_run a, b, c, d;
    parse(a, {"-B", "joints.dwi", "-F", "slab"});
    EXPECT_EQ(a.dowel_input_file, "slab.dwi");
    parse(b, {"-F", "slab", "-B", "joints.dwi"});
    EXPECT_EQ(b.dowel_input_file, "joints.dwi");
    parse(c, {"-f", "slab"});
    EXPECT_EQ(c.input_file, "slab.pin");
    parse(d, {"-Fxyz", "slab", "-Q", "-Z", "0.5", "-", "-n", "7", "-p", "3", "2"});
    EXPECT_EQ(d.input_file, "slab.pin");
    EXPECT_EQ(d.z_value, 0.5);
    EXPECT_EQ(d.max_itr, 7);
    EXPECT_EQ(d.n_inc, 3);
    EXPECT_EQ(d.n_sub, 2);
}

TEST(Options, ValuesMayBeginWithMinusAndRowsKeepOrder)
{
    corvane_run run;
    parse(run, {"-F", "s", "-C", "1",    "-2", "3.5", "0",  "-C",      "4",  "5",     "6",  "3",
                "-E", "0", "1",  "0.15", "-A", "-R",  "-J", "max.txt", "-M", "cases", "-O", "pts"});
    ASSERT_EQ(run.out_points.size(), 2u);
    EXPECT_EQ(run.out_points[0].y, -2.0);
    EXPECT_EQ(run.out_points[1].code, 3);
    ASSERT_EQ(run.mat_overrides.size(), 1u);
    EXPECT_EQ(run.mat_overrides[0].v, 0.15);
    EXPECT_EQ(run.override_flag, 1);
    EXPECT_EQ(run.append_points, 1);
    EXPECT_EQ(run.phase2, 1);
    EXPECT_EQ(run.dowel_max_file, "max.txt");
    EXPECT_EQ(run.case_file, "cases");
    EXPECT_EQ(run.point_file, "pts");
}

TEST(Options, UsageAndMissingFileName)
{
    corvane_run a, b;
    std::string out, err;
    EXPECT_EQ(parse(a, {}, &out, &err), 0);
    EXPECT_EQ(err, "\n Usage: corvane  input output ");
    // a first argument without '-' ends the parsing: -F is never seen
    EXPECT_EQ(parse(b, {"slab", "-F", "slab"}, &out, &err), 999);
    EXPECT_EQ(out, "\n Check arguments for file name!!");
}

TEST(Options, ProgramExitsWith999SeenAs231)
{
    const int rc = std::system(CORVANE_EXE " -Q >/dev/null 2>&1");
    ASSERT_TRUE(WIFEXITED(rc));
    EXPECT_EQ(WEXITSTATUS(rc), 231);
}

TEST(Options, RefusesValuesPastTheEndBadUnitsAndIncrements)
{
    corvane_run a, b, c, d;
    std::string out, err;
    EXPECT_EQ(parse(a, {"-F"}, &out, &err), status_bad_input);
    EXPECT_NE(err.find("option -F needs 1 value(s)"), std::string::npos) << err;
    EXPECT_EQ(parse(b, {"-F", "s", "-C", "1", "2"}, &out, &err), status_bad_input);
    EXPECT_NE(err.find("-C needs 4"), std::string::npos) << err;
    EXPECT_EQ(parse(c, {"-F", "s", "-U", "3"}, &out, &err), status_bad_input);
    EXPECT_NE(err.find("-U 3"), std::string::npos);
    EXPECT_EQ(parse(d, {"-F", "s", "-P", "0", "1"}, &out, &err), status_bad_input);
}

TEST(Options, UnitFactors)
{
    corvane_run run;
    ASSERT_TRUE(set_units(run, 1));
    EXPECT_EQ(run.f_stress, 0.098);
    EXPECT_EQ(run.f_spring, 9.8);
    EXPECT_EQ(run.f_weight, 1.0e6);
    ASSERT_TRUE(set_units(run, 2));
    EXPECT_NEAR(run.f_stress, 10.204081632653061, 1e-15);
    EXPECT_NEAR(run.f_spring, 0.1020408163265306, 1e-16);
    EXPECT_EQ(run.f_weight, 1.0e-6);
    EXPECT_FALSE(set_units(run, 5));
}

TEST(Options, LongNamesAndManyRowsAreKept)
{
    corvane_run run;
    const std::string base(400, 'b');
    std::vector<std::string> args = {"-F", base};
    for (int i = 0; i < 250; ++i) args.insert(args.end(), {"-C", "0", "0", std::to_string(i), "0"});
    for (int i = 0; i < 120; ++i) args.insert(args.end(), {"-E", "0", "0", std::to_string(i)});
    parse(run, args);
    EXPECT_EQ(run.input_file, base + ".pin");
    EXPECT_EQ(run.out_points.size(), 250u);
    EXPECT_EQ(run.out_points[249].z, 249.0);
    EXPECT_EQ(run.mat_overrides.size(), 120u);
}

TEST(Options, LongOptionsTakeOneArgumentAndCheckTheirValues)
{
    struct row {
        std::vector<std::string> args;
        int status;        // -1: the run goes on
        const char *error; // in standard error, or empty
    };
    const row rows[] = {
        {{"-F", "s", "--equilibrium", "-N", "7"}, -1, ""},
        {{"-F", "s", "--check-tolerance=0.01", "--equilibrium-tolerance=1e-8"}, -1, ""},
        {{"-F", "s", "--check-tolerance=abc"}, status_bad_input, "tolerance must be a positive"},
        {{"-F", "s", "--equilibrium-tolerance=0"}, status_bad_input, "positive number"},
        {{"-F", "s", "--check-tolerance"}, status_bad_input, "positive number"},
        {{"-F", "s", "--frobnicate", "-N", "7"}, -1, "unknown option --frobnicate ignored"},
        {{"-F", "s", "--element=incompatible", "--element=brick"}, -1, ""},
        {{"-F", "s", "--element=wedge"}, status_bad_input, "the element is brick or incompatible"},
        {{"--equilibrium"}, status_no_file, ""}, // still needs -F
    };
    for (const row &r : rows) {
        corvane_run run;
        std::string out, err;
        EXPECT_EQ(parse(run, r.args, &out, &err), r.status) << r.args.back();
        EXPECT_NE(err.find(r.error), std::string::npos) << err;
        if (r.status != -1) continue;
        EXPECT_EQ(run.max_itr, r.args.back() == "7" ? 7 : 40) << "letters after a long option";
    }
    corvane_run run;
    parse(run,
          {"-F", "s", "--equilibrium", "--check-tolerance=0.01", "--equilibrium-tolerance=1e-8"});
    EXPECT_EQ(run.equilibrium_mode, 1);
    EXPECT_EQ(run.check_tolerance, 0.01);
    EXPECT_EQ(run.equilibrium_tolerance, 1e-8);
    corvane_run enriched;
    parse(enriched, {"-F", "s", "--element=incompatible"});
    EXPECT_STREQ(enriched.element->name, "incompatible");
}
