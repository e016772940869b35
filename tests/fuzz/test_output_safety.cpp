// Output safety: runs of tarnel and corvane, and the viewer's VTK export and listing, are
// stopped half way through writing (file size limit: killed by SIGXFSZ, or the write fails as on
// a full disk; a full tmpfs when mounting is permitted). Every result file left must be the
// previous complete one or the new complete one, and appended lines must be whole.
#include "fem3d.h"
#include "fuzz_common.h"
#include "listing.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace
{

// The file's text, "<missing>" when there is no such file (not the empty text of an empty one).
std::string read_text(const fs::path &p)
{
    return fs::exists(p) ? test_support::read_text(p) : "<missing>";
}

void write_text(const fs::path &p, const std::string &text)
{
    std::ofstream(p, std::ios::binary) << text;
}

std::string corpus(const std::string &rel)
{
    return read_text(fs::path(FUZZ_DIR) / "corpus" / rel);
}

// How the child is stopped when a file reaches the size limit.
enum class stop_mode {
    none,      // no limit
    disk_full, // SIGXFSZ ignored: the write fails with EFBIG, as on a full disk
    killed,    // SIGXFSZ default: the process dies in the middle of the write
};

// Runs fn in a child process in directory dir with files limited to limit bytes; returns
// the wait status.
template <typename F> int in_child(const fs::path &dir, stop_mode mode, rlim_t limit, F fn)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(120);
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
            _exit(121);
        if (mode != stop_mode::none) {
            const rlimit lim{limit, limit};
            if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(122);
            std::signal(SIGXFSZ, mode == stop_mode::killed ? SIG_DFL : SIG_IGN);
        }
        _exit(fn());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

int run_program(const fs::path &dir, stop_mode mode, rlim_t limit, const char *program,
                std::vector<std::string> args)
{
    return in_child(dir, mode, limit, [&] {
        std::vector<char *> argv{const_cast<char *>(program)};
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program, argv.data());
        return 123;
    });
}

// The result files named; the appended file is checked separately.
struct file_set {
    std::map<std::string, std::string> text;
};

file_set snapshot(const fs::path &dir, const std::vector<std::string> &names)
{
    file_set s;
    for (const std::string &n : names) s.text[n] = read_text(dir / n);
    return s;
}

void copy_dir(const fs::path &from, const fs::path &to)
{
    fs::create_directories(to);
    for (const auto &e : fs::directory_iterator(from))
        fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        if (end == std::string::npos) {
            lines.push_back(text.substr(from)); // a line without its end: a torn append
            break;
        }
        lines.push_back(text.substr(from, end - from + 1));
        from = end + 1;
    }
    return lines;
}

// Every named file is the previous or the new complete version; reports which were new.
int check_files(const fs::path &dir, const file_set &previous, const file_set &fresh,
                const std::string &context)
{
    int updated = 0;
    for (const auto &[name, old_text] : previous.text) {
        const std::string now = read_text(dir / name);
        const bool is_old = now == old_text, is_new = now == fresh.text.at(name);
        EXPECT_TRUE(is_old || is_new) << context << ": " << name << " is neither the previous nor "
                                      << "the new complete file (" << now.size() << " bytes)";
        if (is_new && !is_old) ++updated;
    }
    return updated;
}

class OutputSafety : public ::testing::Test
{
  protected:
    fs::path root;
    void SetUp() override
    {
        root = fs::path(fuzz::scratch_dir()) /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override
    {
        umount2((root / "tmpfs").c_str(), MNT_DETACH);
        fs::remove_all(root);
    }
};

// Inputs of the slab with dowels and a one-case case file; load is the wheel pressure.
void corvane_inputs(const fs::path &dir, const std::string &load)
{
    std::string pin = corpus("corvane_model/slab.pin");
    for (std::size_t at = 0; (at = pin.find("7.50000e+00", at)) != std::string::npos;
         at += load.size())
        pin.replace(at, 11, load);
    write_text(dir / "slab.pin", pin);
    write_text(dir / "slab.dwi", corpus("corvane_dowel/slab.dwi"));
    write_text(dir / "case.txt", "pts.txt 2 1\n50 25 0 0\n150 25 0 3\n");
}

const std::vector<std::string> corvane_outputs = {"slab00.pin", "slab00.out", "slab.dwo",
                                                  "pts.txt"};
const std::vector<std::string> corvane_args = {"-F", "slab", "-M", "case.txt", "-J", "max.txt"};

} // namespace

// Previous results (load 7.5) and the complete new results (load 9.0) of the corvane scenario,
// with the previous maximum file and the line the new run appends to it.
struct corvane_reference {
    fs::path prev;
    file_set before, after;
    std::string max_before, max_line_new;
};

corvane_reference make_corvane_reference(const fs::path &root)
{
    corvane_reference r;
    r.prev = root / "prev";
    const fs::path fresh = root / "fresh";
    fs::create_directories(r.prev);
    corvane_inputs(r.prev, "7.50000e+00");
    EXPECT_EQ(run_program(r.prev, stop_mode::none, 0, CORVANE, corvane_args), 0);
    copy_dir(r.prev, fresh);
    corvane_inputs(fresh, "9.00000e+00");
    EXPECT_EQ(run_program(fresh, stop_mode::none, 0, CORVANE, corvane_args), 0);
    r.before = snapshot(r.prev, corvane_outputs);
    r.after = snapshot(fresh, corvane_outputs);
    for (const auto &[name, text] : r.before.text) {
        EXPECT_NE(text, "<missing>") << name;
        EXPECT_NE(text, r.after.text.at(name)) << name << " must differ between the two loads";
    }
    r.max_before = read_text(r.prev / "max.txt");
    r.max_line_new = read_text(fresh / "max.txt").substr(r.max_before.size());
    EXPECT_EQ(lines_of(r.max_line_new).size(), 1u);
    return r;
}

// corvane stopped at every stage of writing (model copy, result file, point rows, dowel file,
// maximum line), by a failing write and by death in mid-write.
TEST_F(OutputSafety, CorvaneLeavesPreviousOrNewCompleteFiles)
{
    const corvane_reference ref = make_corvane_reference(root);
    if (HasFailure()) return;
    int stopped = 0, finished = 0;
    const rlim_t limits[] = {1, 100, 200, 1000, 2500, 3900, 6000, 9000, 12000, 14000, 40000};
    for (stop_mode mode : {stop_mode::disk_full, stop_mode::killed})
        for (rlim_t limit : limits) {
            const bool killed = mode == stop_mode::killed;
            const fs::path dir = root / ("run" + std::to_string(limit) + (killed ? "k" : "f"));
            copy_dir(ref.prev, dir);
            corvane_inputs(dir, "9.00000e+00");
            const int status = run_program(dir, mode, limit, CORVANE, corvane_args);
            const std::string context = "file size limit " + std::to_string(limit) +
                                        (killed ? " (killed)" : " (disk full)");
            const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            ok ? ++finished : ++stopped;
            const int updated = check_files(dir, ref.before, ref.after, context);
            if (ok) {
                EXPECT_EQ(updated, 4) << context;
            }
            // the maximum file: the previous lines, then at most the one new line, whole
            const std::string max_now = read_text(dir / "max.txt");
            ASSERT_EQ(max_now.compare(0, ref.max_before.size(), ref.max_before), 0) << context;
            const std::string added = max_now.substr(ref.max_before.size());
            EXPECT_TRUE(added.empty() || added == ref.max_line_new)
                << context << ": [" << added << "]";
        }
    // the limits really stopped runs at different stages, and the largest stopped none
    EXPECT_GE(stopped, 10);
    EXPECT_GE(finished, 2);
}

// tarnel stopped while writing the model file.
TEST_F(OutputSafety, TarnelLeavesPreviousOrNewCompleteModel)
{
    const std::string description = corpus("tarnel_description/slab_joint_load.txt");
    std::string changed = description;
    changed.replace(changed.find("0 0 7.5"), 7, "0 0 9.5");
    const std::vector<std::string> args = {"-I", "slab.txt", "-O", "slab.pin"};
    const fs::path prev = root / "prev", fresh = root / "fresh";
    fs::create_directories(prev);
    fs::create_directories(fresh);
    write_text(prev / "slab.txt", description);
    write_text(fresh / "slab.txt", changed);
    ASSERT_EQ(run_program(prev, stop_mode::none, 0, TARNEL, args), 0);
    ASSERT_EQ(run_program(fresh, stop_mode::none, 0, TARNEL, args), 0);
    const file_set before = snapshot(prev, {"slab.pin"}), after = snapshot(fresh, {"slab.pin"});
    ASSERT_NE(before.text.at("slab.pin"), after.text.at("slab.pin"));
    const std::size_t size = after.text.at("slab.pin").size();
    for (stop_mode mode : {stop_mode::disk_full, stop_mode::killed})
        for (rlim_t limit : {rlim_t(1), rlim_t(size / 3), rlim_t(size - 1), rlim_t(size + 100)}) {
            const fs::path dir =
                root / ("run" + std::to_string(limit) + (mode == stop_mode::killed ? "k" : "f"));
            copy_dir(prev, dir);
            write_text(dir / "slab.txt", changed);
            const int status = run_program(dir, mode, limit, TARNEL, args);
            const std::string context = "limit " + std::to_string(limit);
            const int updated = check_files(dir, before, after, context);
            EXPECT_EQ(updated == 1, WIFEXITED(status) && WEXITSTATUS(status) == 0) << context;
            EXPECT_EQ(updated == 1, limit > size) << context;
        }
}

// The viewer's VTK export and numerical listing stopped in mid-write.
TEST_F(OutputSafety, ViewerExportsLeavePreviousOrNewCompleteFiles)
{
    const std::string set = corpus("viewer_text/slab_set.txt");
    const auto parts =
        fuzz::split_files(reinterpret_cast<const std::uint8_t *>(set.data()), set.size(), 5);
    ASSERT_EQ(parts.size(), 5u);
    const char *ext[5] = {".pin", ".out", ".dwi", ".dwo", ".dyn"};
    for (int i = 0; i < 5; ++i) write_text(root / (std::string("slab") + ext[i]), parts[i]);
    display_settings ds;
    FEMg3D model;
    model.settings = &ds;
    const auto name = [&](const char *e) { return (root / (std::string("slab") + e)).string(); };
    ASSERT_EQ(model.load_result_set(name(".pin").c_str(), name(".out").c_str(),
                                    name(".dwi").c_str(), name(".dwo").c_str(),
                                    name(".dyn").c_str()),
              1);
    // previous: the export in kgf-cm units; new: in SI units (different numbers)
    const auto write_both = [&](const fs::path &dir, bool si) {
        set_output_units(ds, si);
        const int vtk = model.export_vtk((dir / "slab.vtk").c_str());
        std::vector<std::string> lines;
        for (int i = 0; i < model.n_nodes; ++i) {
            char line[128];
            std::snprintf(line, sizeof line, "%d %f", i,
                          model.nodes[i].coord[0] * ds.length_factor);
            lines.push_back(line);
        }
        const bool listing = write_listing_file((dir / "slab.xy").string(), lines);
        return vtk == 1 && listing ? 0 : 1;
    };
    const fs::path prev = root / "prev", fresh = root / "fresh";
    fs::create_directories(prev);
    fs::create_directories(fresh);
    ASSERT_EQ(write_both(prev, false), 0);
    ASSERT_EQ(write_both(fresh, true), 0);
    const std::vector<std::string> outputs = {"slab.vtk", "slab.xy"};
    const file_set before = snapshot(prev, outputs), after = snapshot(fresh, outputs);
    for (stop_mode mode : {stop_mode::disk_full, stop_mode::killed})
        for (rlim_t limit : {rlim_t(1), rlim_t(500), rlim_t(3000), rlim_t(1000000)}) {
            const fs::path dir =
                root / ("run" + std::to_string(limit) + (mode == stop_mode::killed ? "k" : "f"));
            copy_dir(prev, dir);
            const int status = in_child(dir, mode, limit, [&] { return write_both(dir, true); });
            const std::string context = "limit " + std::to_string(limit);
            const int updated = check_files(dir, before, after, context);
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
                EXPECT_EQ(updated, 2) << context;
            }
        }
}

// A full disk for real: a tmpfs just large enough for the previous results; the new run cannot
// place its temporary result file, and the previous files stay whole. Skipped where mounting is
// not permitted.
TEST_F(OutputSafety, CorvaneOnAFullTmpfsKeepsThePreviousFiles)
{
    const corvane_reference ref = make_corvane_reference(root);
    if (HasFailure()) return;
    const fs::path disk = root / "tmpfs";
    fs::create_directories(disk);
    std::uintmax_t pages = 0;
    for (const auto &e : fs::directory_iterator(ref.prev))
        pages += (fs::file_size(e) + 4095) / 4096;
    // room for the previous files and one more page: the new result file cannot be placed
    const std::string options = "size=" + std::to_string((pages + 1) * 4096);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, options.c_str()) != 0)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    copy_dir(ref.prev, disk);
    corvane_inputs(disk, "9.00000e+00");
    const int status = run_program(disk, stop_mode::none, 0, CORVANE, corvane_args);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << "the full disk must be reported";
    EXPECT_EQ(read_text(disk / "slab00.out"), ref.before.text.at("slab00.out"));
    check_files(disk, ref.before, ref.after, "full tmpfs");
    for (const auto &e : fs::directory_iterator(disk))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos)
            << "temporary file left: " << e.path();
}
