// Shared test helpers: files, unique scratch directories, whole-program runs.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace test_support
{

namespace fs = std::filesystem;

inline std::string read_text(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_text(const fs::path &p, const std::string &text)
{
    std::ofstream(p, std::ios::binary) << text;
}

// A directory of its own under the temporary directory (unique, so that runs at the same time
// never share it), removed with everything in it when the object goes.
class scratch_dir
{
  public:
    explicit scratch_dir(const std::string &tag = "test")
    {
        std::string pattern = (fs::temp_directory_path() / (tag + "_XXXXXX")).string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~scratch_dir()
    {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    scratch_dir(const scratch_dir &) = delete;
    scratch_dir &operator=(const scratch_dir &) = delete;
    const fs::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

// The running test's suite and name, "Suite_Name" (for naming its scratch directories).
inline std::string current_test_name()
{
    const auto *info = testing::UnitTest::GetInstance()->current_test_info();
    if (!info) return "none";
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char &c : name)
        if (c == '/') c = '_'; // parameterized tests
    return name;
}

// A unique scratch directory named after tag that lives until the test program ends (for
// helpers that hand out a path rather than an owner); removed then with everything in it.
inline std::string scratch_path(const std::string &tag)
{
    static std::vector<std::unique_ptr<scratch_dir>> kept;
    kept.push_back(std::make_unique<scratch_dir>(tag));
    return kept.back()->path().string();
}

// The lines of text, without their line ends.
inline std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The value of a key figure in a report's CSV (its summary row "key,value,..."); NaN when the
// key is not there.
inline double summary_value(const std::string &csv, const std::string &key)
{
    const std::size_t at = csv.find("\n" + key + ",");
    if (at == std::string::npos) return std::nan("");
    return std::strtod(csv.c_str() + at + key.size() + 2, nullptr);
}

// What a program run printed and how it ended.
struct run_result {
    int status = -1; // exit status, or 128 + signal
    std::string out, err;
};

// Runs a shell command in directory dir, capturing its standard output and error.
inline run_result run_command(const std::string &command, const fs::path &dir)
{
    const fs::path out = dir / ".run_out", err = dir / ".run_err";
    const std::string full = "cd '" + dir.string() + "' && " + command + " >'" + out.string() +
                             "' 2>'" + err.string() + "'";
    const int rc = std::system(full.c_str());
    run_result r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : 128 + (WIFSIGNALED(rc) ? WTERMSIG(rc) : 0);
    r.out = read_text(out);
    r.err = read_text(err);
    std::error_code ec;
    fs::remove(out, ec);
    fs::remove(err, ec);
    return r;
}

} // namespace test_support
