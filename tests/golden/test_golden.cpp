// End-to-end golden cases: tarnel's model file and corvane's result and dowel files of the
// example and of a small jointed, doweled model, compared number by number with reviewed files.
//
// GOLDEN_REGENERATE=1 writes the files of this build into tests/data/golden/ instead of
// comparing (review the diff, and commit it on its own).
#include "test_util.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

std::string read_text(const fs::path &p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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

struct golden_case {
    const char *name;
    std::vector<std::string> outputs; // files compared
};

const fs::path data_dir = fs::path(TEST_DATA_DIR) / "golden";

bool regenerate()
{
    const char *v = std::getenv("GOLDEN_REGENERATE");
    return v && std::string(v) == "1";
}

int run(const std::string &command)
{
    const int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

void check_outputs(const golden_case &c, const fs::path &dir)
{
    for (const std::string &file : c.outputs) {
        const fs::path expected = data_dir / c.name / file, actual = dir / file;
        ASSERT_TRUE(fs::exists(actual)) << file;
        if (regenerate()) {
            fs::copy_file(actual, expected, fs::copy_options::overwrite_existing);
            continue;
        }
        ASSERT_TRUE(fs::exists(expected)) << expected << " (GOLDEN_REGENERATE=1 writes it)";
        expect_files_match(std::string(c.name) + "/" + file, read_text(expected), read_text(actual),
                           1e-5);
    }
}

fs::path scratch(const std::string &name)
{
    const fs::path dir = fs::temp_directory_path() / ("golden_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

} // namespace

// The shipped example: layer description -> tarnel -> model file; corvane with its dowels.
TEST(Golden, ExamplePavementModelResultsAndDowels)
{
    const golden_case c{"jpcp", {"jpcp.pin", "jpcp.out", "jpcp.dwo"}};
    const fs::path dir = scratch("jpcp");
    fs::copy_file(fs::path(EXAMPLES_DIR) / "jpcp.dwi", dir / "jpcp.dwi");
    ASSERT_EQ(run("cd '" + dir.string() +
                  "' && '" TARNEL "' -I '" EXAMPLES_DIR "/jpcp.txt' -O jpcp.pin >/dev/null"),
              0);
    ASSERT_EQ(run("cd '" + dir.string() + "' && '" CORVANE "' -F jpcp >/dev/null 2>&1"), 0);
    check_outputs(c, dir);
    fs::remove_all(dir);
}

// Two slabs joined by dowels across a transverse joint, on foundation springs, a patch load
// next to the joint (the model of tests/data/golden/slabs).
TEST(Golden, JointedDoweledSlabs)
{
    const golden_case c{"slabs", {"slabs.out", "slabs.dwo"}};
    const fs::path dir = scratch("slabs");
    for (const char *f : {"slabs.pin", "slabs.dwi"}) fs::copy_file(data_dir / "slabs" / f, dir / f);
    ASSERT_EQ(run("cd '" + dir.string() + "' && '" CORVANE "' -F slabs -P 2 1 >/dev/null 2>&1"), 0);
    check_outputs(c, dir);
    fs::remove_all(dir);
}

TEST(Golden, ComparisonJudgesEachColumnByItsBlock)
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
