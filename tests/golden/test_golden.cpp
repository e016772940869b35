// End-to-end golden cases: tarnel's model file and corvane's result and dowel files of the
// example and of a small jointed, doweled model (default, incompatible-mode bricks, true
// equilibrium, the algebraic multigrid solver, a case file of two cases), compared number by
// number with reviewed files.
//
// GOLDEN_REGENERATE=1 writes the files of this build into tests/data/golden/ instead of
// comparing (review the diff, and commit it on its own).
#include "test_support.h"
#include "test_util.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using test_support::read_text;

namespace
{

std::vector<std::vector<std::string>> token_lines(const std::string &text)
{
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        std::vector<std::string> tokens;
        for (std::string t; ls >> t;) tokens.push_back(t);
        lines.push_back(tokens);
    }
    return lines;
}

bool number(const std::string &t, double &v)
{
    char *end = nullptr;
    v = std::strtod(t.c_str(), &end);
    return end != t.c_str() && *end == '\0';
}

bool integer_text(const std::string &t)
{
    return t.find_first_of(".eE") == std::string::npos;
}

// Compares two files line by line and token by token. Texts must be equal; integers exactly;
// reals within rel times the largest magnitude of their column in their block (a run of lines
// with the same number of numeric tokens), so small entries of a block of large ones are not
// judged by their own size.
void expect_files_match(const std::string &name, const std::string &expected,
                        const std::string &actual, double rel)
{
    const auto e = token_lines(expected), a = token_lines(actual);
    ASSERT_EQ(e.size(), a.size()) << name << ": line count";
    std::size_t start = 0;
    int failures = 0;
    while (start < e.size()) {
        std::size_t end = start + 1;
        while (end < e.size() && e[end].size() == e[start].size()) ++end;
        std::vector<double> largest(e[start].size(), 0.0);
        for (std::size_t l = start; l < end; ++l)
            for (std::size_t k = 0; k < e[l].size(); ++k) {
                double v = 0.0;
                if (number(e[l][k], v)) largest[k] = std::fmax(largest[k], std::fabs(v));
            }
        for (std::size_t l = start; l < end && failures < 10; ++l) {
            ASSERT_EQ(e[l].size(), a[l].size()) << name << " line " << l + 1;
            for (std::size_t k = 0; k < e[l].size(); ++k) {
                double ve = 0.0, va = 0.0;
                const bool ne = number(e[l][k], ve), na = number(a[l][k], va);
                bool ok = false;
                if (ne && na && integer_text(e[l][k]) && integer_text(a[l][k]))
                    ok = ve == va;
                else if (ne && na)
                    ok = std::fabs(ve - va) <= rel * largest[k] + 1e-30;
                else
                    ok = e[l][k] == a[l][k];
                if (!ok) {
                    ADD_FAILURE() << name << " line " << l + 1 << " token " << k + 1
                                  << ": expected " << e[l][k] << ", got " << a[l][k];
                    ++failures;
                }
            }
        }
        start = end;
    }
}

const fs::path data_dir = fs::path(TEST_DATA_DIR) / "golden";

bool regenerate()
{
    const char *v = std::getenv("GOLDEN_REGENERATE");
    return v && std::string(v) == "1";
}

// One output compared with its reviewed file: tests/data/golden/<folder>/<expected>. Only the
// case's own files are rewritten by GOLDEN_REGENERATE.
struct compared_file {
    std::string actual, folder, expected;
    bool own = true;
};

struct golden_case {
    std::string name;
    std::vector<fs::path> inputs;      // copied into the run's directory
    std::vector<std::string> commands; // run there in order; each must end with status 0
    std::vector<compared_file> outputs;
    double rel = 1e-5; // of the largest value of the column in its block
    bool needs_petsc = false;
};

std::ostream &operator<<(std::ostream &os, const golden_case &c)
{
    return os << c.name;
}

const fs::path slabs_pin = data_dir / "slabs" / "slabs.pin";
const fs::path slabs_dwi = data_dir / "slabs" / "slabs.dwi";
const std::string corvane_slabs = "'" CORVANE "' -F slabs -P 2 1";

std::vector<golden_case> golden_cases()
{
    return {
        // the shipped example: layer description -> tarnel -> model file; corvane with dowels
        {"jpcp",
         {fs::path(EXAMPLES_DIR) / "jpcp.dwi"},
         {"'" TARNEL "' -I '" EXAMPLES_DIR "/jpcp.txt' -O jpcp.pin", "'" CORVANE "' -F jpcp"},
         {{"jpcp.pin", "jpcp", "jpcp.pin"},
          {"jpcp.out", "jpcp", "jpcp.out"},
          {"jpcp.dwo", "jpcp", "jpcp.dwo"}}},
        // two slabs joined by dowels across a transverse joint, on foundation springs, a patch
        // load next to the joint
        {"slabs",
         {slabs_pin, slabs_dwi},
         {corvane_slabs},
         {{"slabs.out", "slabs", "slabs.out"}, {"slabs.dwo", "slabs", "slabs.dwo"}}},
        // algebraic multigrid: the default's numbers within the iterative solvers' tolerance
        {"slabs_amg",
         {slabs_pin, slabs_dwi},
         {corvane_slabs + " --solver=amg"},
         {{"slabs.out", "slabs", "slabs.out", false}, {"slabs.dwo", "slabs", "slabs.dwo", false}},
         1e-5,
         true},
        // the same with the incompatible-mode brick (stiffer in bending: less deflection)
        {"slabs_incompatible",
         {slabs_pin, slabs_dwi},
         {corvane_slabs + " --element=incompatible"},
         {{"slabs.out", "slabs_incompatible", "slabs.out"},
          {"slabs.dwo", "slabs_incompatible", "slabs.dwo"}}},
        // the joints' secant laws iterated to true equilibrium
        {"slabs_equilibrium",
         {slabs_pin, slabs_dwi},
         {corvane_slabs + " --equilibrium"},
         {{"slabs.out", "slabs_equilibrium", "slabs.out"},
          {"slabs.dwo", "slabs_equilibrium", "slabs.dwo"}}},
        // a case file of two cases (the second with joints twice as stiff in opening); its
        // first case is the single run's model, so its files are the single run's numbers too
        {"slabs_cases",
         {slabs_pin, slabs_dwi, data_dir / "slabs_cases" / "cases.txt"},
         {corvane_slabs + " -M cases.txt"},
         {{"slabs00.out", "slabs_cases", "slabs00.out"},
          {"slabs01.out", "slabs_cases", "slabs01.out"},
          {"slabs00.dwo", "slabs_cases", "slabs00.dwo"},
          {"slabs01.dwo", "slabs_cases", "slabs01.dwo"},
          {"slabs00.out", "slabs", "slabs.out", false},
          {"slabs00.dwo", "slabs", "slabs.dwo", false}}},
    };
}

class Golden : public testing::TestWithParam<golden_case>
{
};

} // namespace

TEST_P(Golden, OutputsMatchTheReviewedFiles)
{
    const golden_case &c = GetParam();
    test_support::scratch_dir dir("golden_" + c.name);
    for (const fs::path &in : c.inputs) fs::copy_file(in, dir.path() / in.filename());
    for (const std::string &command : c.commands) {
        const test_support::run_result r = test_support::run_command(command, dir.path());
        if (c.needs_petsc && r.status == 2 && r.err.find("PETSc") != std::string::npos)
            GTEST_SKIP() << "corvane was built without PETSc: " << r.err;
        ASSERT_EQ(r.status, 0) << command << "\n" << r.err;
    }
    for (const compared_file &f : c.outputs) {
        const fs::path expected = data_dir / f.folder / f.expected, actual = dir.path() / f.actual;
        ASSERT_TRUE(fs::exists(actual)) << f.actual;
        if (regenerate()) {
            if (f.own) {
                fs::create_directories(expected.parent_path());
                fs::copy_file(actual, expected, fs::copy_options::overwrite_existing);
            }
            continue;
        }
        ASSERT_TRUE(fs::exists(expected)) << expected << " (GOLDEN_REGENERATE=1 writes it)";
        expect_files_match(c.name + ": " + f.actual + " against " + f.folder + "/" + f.expected,
                           read_text(expected), read_text(actual), c.rel);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(golden_cases()),
                         [](const testing::TestParamInfo<golden_case> &i) { return i.param.name; });

TEST(GoldenComparison, JudgesEachColumnByItsBlock)
{
    // a small value in a block of large ones may move by rel times the column's largest value;
    // integers must match exactly; texts exactly
    const std::string expected = "head x\n1 1000.0 0.001\n2 2000.0 0.002\n";
    // column 2 moves by 0.01 of 2000 (5e-6), and the near-zero entry of a large column too
    expect_files_match("same", expected, "head x\n1 1000.0 0.001\n2 2000.01 0.002\n", 1e-5);
    expect_files_match("small", "a\n1 1000.0\n2 0.001\n", "a\n1 1000.0\n2 0.005\n", 1e-5);
    EXPECT_NONFATAL_FAILURE(
        expect_files_match("int", expected, "head x\n1 1000.0 0.001\n3 2000.0 0.002\n", 1e-5),
        "expected 2, got 3");
    EXPECT_NONFATAL_FAILURE(
        expect_files_match("real", expected, "head x\n1 1000.0 0.001\n2 2000.1 0.002\n", 1e-5),
        "expected 2000.0, got 2000.1");
    EXPECT_NONFATAL_FAILURE(
        expect_files_match("text", expected, "head y\n1 1000.0 0.001\n2 2000.0 0.002\n", 1e-5),
        "expected x, got y");
}
