// The equilibrium check, exit status 4 and --equilibrium on small models with known states.
#include "run_helpers.h"
#include "test_util.h"

#include <cmath>
#include <csignal>
#include <regex>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

const double pi = 3.141592653589793;

// One unit brick, base held in z, every node held in y: free to slide along x,
// pushed along x by the traction t on its top.
std::string sliding_brick(double t)
{
    std::ostringstream s;
    s << "8 1 1 8 150\n1000 0.25 0 0 0 0 0 0 0 0 0 0\n";
    const double x[4] = {0, 1, 1, 0}, y[4] = {0, 0, 1, 1};
    for (int l = 0; l < 2; ++l)
        for (int k = 0; k < 4; ++k) s << x[k] << " " << y[k] << " " << l << " 0 0 0\n";
    s << "0 1 2 3 4 5 6 7 0\n";
    for (int n = 0; n < 8; ++n) s << n << " 0 1 " << (n < 4) << "\n";
    s << "1\n";
    for (int k = 0; k < 4; ++k) s << 4 + k << " " << t << " 0 0 ";
    s << "\n";
    return s.str();
}

// The out-of-balance ratio printed by the check, or -1 when it printed none.
double printed_ratio(const std::string &err)
{
    std::smatch m;
    if (!std::regex_search(err, m, std::regex("out-of-balance force ([0-9.e+-]+)"))) return -1.0;
    return std::stod(m[1].str());
}

} // namespace

// Opening delta of the joint under a lift p (per unit area): the secant law at
// the Gauss points (h = delta/2) carries p over kn A/9:
//   delta (1 + cos(pi delta / 2e)) / 2 = 9 p / kn.
TEST(Equilibrium, NonlinearJointReachesTheSecantOpeningOnlyOnTheTrueResidual)
{
    const double kn = 900.0, e = 0.5, delta = 0.25;
    const double p = kn / 9.0 * delta * (1.0 + std::cos(pi * delta / (2.0 * e))) / 2.0;
    const std::string text = two_bricks("50 50 900 0 0 0.5 0 0 0 0 0 1", p);
    struct row {
        std::vector<std::string> args;
        int status;
    };
    const row rows[] = {
        {{}, status_not_in_equilibrium}, // the running residual stops short (about 4 %)
        {{"-P", "4", "1"}, status_not_in_equilibrium},
        {{"--check-tolerance=0.2"}, status_ok}, // the same state, accepted by a wider check
        {{"--equilibrium"}, status_ok},
        {{"--equilibrium", "-P", "4", "1"}, status_ok},
        {{"--equilibrium", "-P", "20", "1"}, status_ok},
    };
    for (const row &r : rows) {
        model_run run(text, 16, r.args);
        const std::string label = r.args.empty() ? "(default)" : r.args[0];
        ASSERT_EQ(run.out.status, r.status) << label << "\n" << run.out.err;
        const double opening = run.res.disp[3 * 8 + 2] - run.res.disp[3 * 4 + 2];
        if (r.args.empty() || r.args[0] != "--equilibrium") {
            if (r.status == status_ok)
                EXPECT_EQ(printed_ratio(run.out.err), -1.0) << run.out.err;
            else
                EXPECT_GT(printed_ratio(run.out.err), 1e-3) << run.out.err;
            EXPECT_GT(std::fabs(opening - delta), 1e-3) << label;
            continue;
        }
        EXPECT_EQ(run.out.err, "") << label;
        EXPECT_NEAR(opening, delta, 1e-5) << label; // independent of the increments
        // A stretches under the joint's pull p: p / M over its height 1
        const double m = 1000.0 * 0.75 / (1.25 * 0.5);
        for (int n = 4; n < 8; ++n) EXPECT_NEAR(run.res.disp[3 * n + 2], p / m, 1e-6) << label;
    }
}

// Models without equilibrium: the run ends (within the iteration limit), writes
// its results and says so with status 4, in both iteration schemes.
TEST(Equilibrium, ModelsWithoutEquilibriumEndWithStatus4)
{
    struct row {
        const char *name;
        std::string text;
        int np;
        double min_ratio, max_ratio; // of the out-of-balance force to the load
    };
    // the cap f = 10 limits the pair forces to 2 f A / 9 = 2.22 per unit area
    // in all; 5 is more. A lift of 9 p / kn = 0.5 is past the law's peak of
    // 0.262 and opens the lone joint beyond e, so nothing holds nodes 4-7 and
    // the whole load is out of balance. The sliding brick's load lies along a
    // rigid-body mode n of K, so n.r = n.f whatever u is: |r| / |f| is at least
    // the cosine of f and n, 4 (t/4) / (sqrt(8) sqrt(4) t/4) = 1/sqrt(2).
    const row rows[] = {
        {"force cap exceeded", two_bricks("50 50 900 0 0 0.5 0 0 10 0 0 1", 5.0), 16, 1e-3, 1e9},
        {"opened lone joint", joint_alone("50 50 900 0 0 0.5 0 0 0 0 0 1", 50.0), 8, 1.0 - 1e-9,
         1.0 + 1e-3},
        {"mechanism", sliding_brick(1.0), 8, 1.0 / std::sqrt(2.0) - 1e-9, 1e30},
    };
    for (const row &r : rows)
        for (const char *mode : {"", "--equilibrium"}) {
            std::vector<std::string> args = {"-N", "12"};
            if (*mode) args.push_back(mode);
            model_run run(r.text, r.np, args);
            const std::string label = std::string(r.name) + " " + mode;
            EXPECT_EQ(run.out.status, status_not_in_equilibrium) << label << "\n" << run.out.err;
            EXPECT_TRUE(fs::exists(run.dir.file("m.out"))) << label;
            EXPECT_NE(run.out.err.find("case 0: results written, equilibrium not reached"),
                      std::string::npos)
                << label << "\n"
                << run.out.err;
            const double ratio = printed_ratio(run.out.err);
            EXPECT_GE(ratio, r.min_ratio) << label << "\n" << run.out.err;
            EXPECT_LE(ratio, r.max_ratio) << label << "\n" << run.out.err;
            // never more iterations than two tries of the increment allow
            const std::string &o = run.out.out;
            std::size_t lines = 0;
            for (std::size_t at = o.find("**** Inc No."); at != std::string::npos;
                 at = o.find("**** Inc No.", at + 1))
                ++lines;
            EXPECT_LE(lines, 24u) << label;
        }
    // the lone joint is named: the largest out-of-balance force is at a node it alone holds
    model_run run(joint_alone("50 50 900 0 0 0.5 0 0 0 0 0 1", 50.0), 8, {"--equilibrium"});
    EXPECT_TRUE(std::regex_search(run.out.err, std::regex("largest at node [4-7] ")))
        << run.out.err;
    EXPECT_NE(run.out.err.find("accepted without equilibrium (the C-G solve failed)"),
              std::string::npos)
        << run.out.err;
}

TEST(Equilibrium, IncrementFailingAgainAfterSubdivisionIsReported)
{
    // one iteration per increment cannot converge under load: the first failure
    // is withdrawn and subdivided, the next ones are kept and reported
    model_run run(two_bricks("50 50 900 0 0 0.5 0 0 0 0 0 1", 10.0), 16,
                  {"-N", "1", "-P", "2", "2"});
    EXPECT_EQ(run.out.status, status_not_in_equilibrium);
    EXPECT_NE(run.out.err.find("case 0, increment 1 (load factor 0.25000): accepted without "
                               "equilibrium (the iterations ran out)"),
              std::string::npos)
        << run.out.err;
}

TEST(Equilibrium, WriteFailureOutranksMissedEquilibrium)
{
    // status 3 (results missing) wins over 4 (results written, not in equilibrium)
    scratch_dir dir;
    write_text(dir.file("m.pin"), two_bricks("50 50 900 0 0 0.5 0 0 0 0 0 1", 20.0));
    fs::create_directory(dir.file("m.out")); // the result file cannot be written
    const run_output out = run_corvane({"-F", dir.file("m")});
    EXPECT_EQ(out.status, status_write_failed);
    EXPECT_NE(out.err.find("equilibrium not reached"), std::string::npos) << out.err;
}

TEST(Equilibrium, RunInEquilibriumPrintsAndWritesWhatItDidBefore)
{
    const std::string data = std::string(TEST_DATA_DIR) + "/linear_joint/";
    scratch_dir dir;
    fs::copy_file(data + "m.pin", dir.file("m.pin"));
    const run_output out = run_corvane(
        {"-F", dir.file("m"), "-P", "2", "1", "-C", "0", "0", "15", "3", "-O", dir.file("p.txt")});
    EXPECT_EQ(out.status, status_ok);
    EXPECT_EQ(out.err, "");
    EXPECT_EQ(out.out, dir.file("m.pin") + "\n" + read_text(data + "stdout.txt"));
    EXPECT_EQ(read_text(dir.file("m.out")), read_text(data + "m.out"));
    EXPECT_EQ(read_text(dir.file("p.txt")), read_text(data + "points.txt"));
    // --equilibrium reaches the same state within its tolerance
    const run_output eq = run_corvane({"-F", dir.file("m"), "--equilibrium"});
    EXPECT_EQ(eq.status, status_ok);
    const result_set a = read_result_file(data + "m.out", 60),
                     b = read_result_file(dir.file("m.out"), 60);
    expect_arrays_close(a.disp.size(), a.disp, b.disp, 1e-5, 1e-5);
}

#if !defined(__SANITIZE_ADDRESS__)
// Runs the corvane program with its address space limited to limit bytes; returns its exit
// status (-signal when killed). Standard output goes to log.
static int corvane_with_limit(rlim_t limit, const std::vector<std::string> &args,
                              const std::string &log)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen(log.c_str(), "w", stdout) || !std::freopen("/dev/null", "w", stderr))
            _exit(99);
        const rlimit lim{limit, limit};
        setrlimit(RLIMIT_AS, &lim);
        std::vector<std::string> words = {CORVANE_EXE};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (std::string &w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
}

// Memory exhausted anywhere in a run (reading, pattern, first assembly, the solver, recovery)
// ends with the allocator message and status 1, never with an abort. The program's own
// address-space limit is stepped, a megabyte at a time, from where it can just start (its
// libraries mapped) across the run's needs; each run is a fresh process.
TEST(Equilibrium, ExhaustedMemoryEndsWithStatus1NeverAnAbort)
{
    slab_layout s;
    s.nx = s.ny = 16;
    s.nz_slab = s.nz_base = 2;
    int np = 0;
    scratch_dir dir;
    write_text(dir.file("m.pin"), slab_model(s, &np));
    const std::string log = dir.file("log.txt");
    // where the program starts: the smallest limit (to a megabyte, by bisection) at which a run
    // without a model file ends at once with status 0
    rlim_t lo = rlim_t(8) << 20, hi = rlim_t(4096) << 20;
    ASSERT_EQ(corvane_with_limit(hi, {"-F", dir.file("missing")}, log), 0)
        << "corvane does not start at all";
    while (hi - lo > (1u << 20)) {
        const rlim_t mid = lo + (hi - lo) / 2;
        (corvane_with_limit(mid, {"-F", dir.file("missing")}, log) == 0 ? hi : lo) = mid;
    }
    const rlim_t base = hi;
    int failures = 0, successes = 0;
    for (rlim_t step = 0; step <= 48; ++step) {
        const rlim_t limit = base + (step << 20);
        const int code = corvane_with_limit(limit, {"-F", dir.file("m")}, log);
        ASSERT_TRUE(code == 0 || code == 1)
            << "status " << code << " at " << (limit >> 20) << " MB";
        if (code == 1) {
            ++failures;
            EXPECT_TRUE(std::regex_search(read_text(log), std::regex("\n can't allocate memory "
                                                                     "in array_[id][12] $")))
                << read_text(log);
        } else {
            ++successes;
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_GT(successes, 0);
}
#endif
