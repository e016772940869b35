// Running the chain for a pavement description: mesh (tarnel), analysis (corvane), the report
// and pictures, the mesh check, and the sweep of load positions.
#include "run.h"
#include "unit_factors.h"

#include "atomic_output.h"
#include "corvane_status.h"
#include "jobs.h"
#include "pavement_version.h"
#include "plan.h"
#include "quantities.h"
#include "report_bundle.h"
#include "result_set.h"
#include "svg_plot.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

} // namespace

// Runs argv in directory dir with standard output and error into log; the exit status, or
// 128 + the signal that ended it, or -1 when it could not be started.
int run_program(const std::vector<std::string> &argv, const std::string &dir,
                const std::string &log)
{
    // the log is named from where pavement runs; the child changes into dir first
    std::error_code ec;
    const std::string log_path = fs::absolute(log, ec).string();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        int fd = open((ec ? log : log_path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) fd = open("/dev/null", O_WRONLY); // never the terminal
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

namespace
{

bool executable(const std::string &p)
{
    return !p.empty() && access(p.c_str(), X_OK) == 0;
}

std::string find_program(const std::string &beside, const char *name)
{
    const std::string here = beside + "/" + name;
    if (executable(here)) return here;
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t at = 0;
    while (at <= dirs.size()) {
        const std::size_t colon = dirs.find(':', at);
        const std::string d =
            dirs.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
        if (!d.empty() && executable(d + "/" + name)) return d + "/" + name;
        if (colon == std::string::npos) break;
        at = colon + 1;
    }
    return std::string();
}

} // namespace

bool write_file(const std::string &name, const std::string &text)
{
    atomic_file out;
    return out.open(name) &&
           std::fwrite(text.data(), 1, text.size(), out.stream()) == text.size() && out.commit();
}

namespace
{

void say(bool quiet, const char *fmt, const std::string &a = "", const std::string &b = "")
{
    if (quiet) return;
    std::printf(fmt, a.c_str(), b.c_str());
    std::fflush(stdout);
}

} // namespace

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void print_solver_timings(const std::string &log)
{
    std::FILE *f = std::fopen(log.c_str(), "r");
    char line[1024];
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "corvane: timings:", 17) == 0)
            std::printf("pavement: analysis: %s", line + 9);
    if (f) std::fclose(f);
}

namespace
{
std::mutex clock_lock; // analyses add to one clock from the pool's threads
} // namespace

void analysis_clock::add(double mesh_s, double solve_s, double read_s)
{
    std::lock_guard<std::mutex> guard(clock_lock);
    ++analyses;
    meshing += mesh_s;
    solving += solve_s;
    reading += read_s;
}

void analysis_clock::add_reading(double read_s)
{
    std::lock_guard<std::mutex> guard(clock_lock);
    reading += read_s;
}

void analysis_clock::add_solver_log(const std::string &log)
{
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("corvane: timings:", 0) != 0) continue;
        // "reading R s, pattern and solver set-up P s, N assemblies A s, M solves S s (I
        // iterations; ...), recovery C s, writing W s"
        double v[6];
        long long n_assemblies, n_solves, n_iterations;
        if (std::sscanf(line.c_str(),
                        "corvane: timings: reading %lf s, pattern and solver set-up %lf s, %lld "
                        "assemblies %lf s, %lld solves %lf s (%lld iterations",
                        &v[0], &v[1], &n_assemblies, &v[2], &n_solves, &v[3], &n_iterations) != 7)
            continue;
        const std::size_t at = line.find("), recovery ");
        if (at == std::string::npos ||
            std::sscanf(line.c_str() + at, "), recovery %lf s, writing %lf s", &v[4], &v[5]) != 2)
            continue;
        std::lock_guard<std::mutex> guard(clock_lock);
        ++runs;
        for (int k = 0; k < 6; ++k) solver[k] += v[k];
        assemblies += n_assemblies;
        solves += n_solves;
        iterations += n_iterations;
    }
}

void analysis_clock::print_solver() const
{
    if (runs == 0) return;
    std::printf("pavement: analyses: timings summed over %d corvane run%s: reading %.2f s, "
                "pattern and solver set-up %.2f s, %lld assemblies %.2f s, %lld solves %.2f s "
                "(%lld iterations), recovery %.2f s, writing %.2f s\n",
                runs, runs == 1 ? "" : "s", solver[0], solver[1], assemblies, solver[2], solves,
                solver[3], iterations, solver[4], solver[5]);
}

void print_resources(const std::string &dir)
{
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    const double peak = std::max(self.ru_maxrss, children.ru_maxrss) * 1024.0; // kB on Linux
    std::uintmax_t bytes = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec)) bytes += it->file_size(ec);
    std::printf("pavement: peak memory %.2f GB (the largest process), %.1f MB of files in %s\n",
                peak / 1e9, static_cast<double>(bytes) / 1e6, dir.c_str());
}

namespace
{

// The memory this machine has free, in bytes (0 when unknown).
double available_memory()
{
    std::FILE *f = std::fopen("/proc/meminfo", "r");
    if (!f) return 0;
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "MemAvailable: %lf kB", &kb) == 1) break;
    std::fclose(f);
    return kb * 1024.0;
}

std::string fmt(const char *format, double v)
{
    char b[64];
    std::snprintf(b, sizeof b, format, v);
    return b;
}

// FNV-1a (64 bits) of the description's bytes: which description a report was made from.
std::string checksum(const std::string &bytes)
{
    std::uint64_t h = 1469598103934665603ULL;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    char b[32];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(h));
    return b;
}

// A joint as the engineer gave it and as the model carries it.
std::string joint_text(const joint_set &j)
{
    std::string text;
    if (j.entry == interlock_entry::agg)
        text = "agg = AGG/(k l) " + fmt("%.4g", j.entered) + ", that is ";
    else if (j.entry == interlock_entry::lte)
        text = "target LTE " + fmt("%.3g", j.entered) + " (AGG/(k l) " +
               fmt("%.4g", agg_of_lte(j.entered)) + " by Crovetti's relation), that is ";
    text +=
        "interlock " + fmt("%.4g", j.stiffness / mm_per_m) + " MPa/mm per unit area of the face";
    text += j.tight ? "; tight (faces in contact: compression, no tension, shear where they touch)"
                    : "; sawn (shear only: no normal force, no moment)";
    text += "; written to the model as 9 x " + fmt("%.4g", j.stiffness / mm_per_m) +
            " MPa/mm so that it acts as entered (the joint element's kn A / 9)";
    if (j.bars.present && j.bars.looseness > 0)
        text += "; bars loose by " + fmt("%.3g", j.bars.looseness * mm_per_m) + " mm";
    return text;
}

// What the description asked for, for the report.
void describe(const description &d, const generated_model &g, report_data &r)
{
    r.title =
        "Pavement analysis: " + (d.title.empty() ? fs::path(d.file).stem().string() : d.title);
    const std::time_t now = std::time(nullptr);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    // the description as the engineer wrote it: echoed at the end, and its checksum here
    if (std::FILE *f = std::fopen(d.file.c_str(), "rb")) {
        char b[4096];
        for (std::size_t n; (n = std::fread(b, 1, sizeof b, f)) > 0;) r.input_text.append(b, n);
        std::fclose(f);
        r.input_name = d.file;
    }
    r.heading.push_back(std::string("pavement ") + PAVEMENT_VERSION + ", " + date +
                        "; description " + d.file + " (FNV-1a checksum " + checksum(r.input_text) +
                        ")");
    r.units_text = std::string("the description in ") +
                   (d.kgf_cm ? "kgf-cm (cm, kgf/cm2, kgf)" : "SI (m, MPa, kN)") +
                   "; the model and result files in the suite's kgf-cm";
    r.units_note.clear();
    if (!d.title.empty()) r.notes.push_back({"title", d.title});
    r.notes.push_back({"description", d.file});
    if (d.lengths.size() > 1) r.notes.push_back({"transverse joints", joint_text(d.transverse)});
    if (d.widths.size() > 1) r.notes.push_back({"longitudinal joints", joint_text(d.longitudinal)});
    std::string slabs = std::to_string(d.lengths.size()) + " x " + std::to_string(d.widths.size()) +
                        " slabs, " + fmt("%.4g", d.thickness) + " m thick";
    r.notes.push_back({"slabs", slabs});
    for (std::size_t i = 0; i < d.loads.size(); ++i) {
        const load_group &lg = d.loads[i];
        std::string text = (lg.axle.empty() ? std::string("wheels") : lg.axle) + ", " +
                           fmt("%.4g", lg.load) + " kN on " + std::to_string(lg.wheels.size()) +
                           " tyres";
        if (lg.has_position)
            text += ", front outer corner at (" + fmt("%.3f", lg.position[0]) + ", " +
                    fmt("%.3f", lg.position[1]) + ") m";
        r.notes.push_back({"load group " + std::to_string(i), text});
    }
    if (d.temperature_difference != 0 || d.temperature_mid != 0)
        r.notes.push_back({"temperature", fmt("%.4g", d.temperature_difference) +
                                              " C top minus bottom" +
                                              (d.quadratic ? ", quadratic" : ", linear")});
    if (d.built_in != 0)
        r.notes.push_back({"built-in curl", fmt("%.4g", d.built_in) +
                                                " C top minus bottom, an equivalent linear "
                                                "difference added to the temperature's (the slab "
                                                "carries " +
                                                fmt("%.4g", d.total_difference()) + " C)"});
    r.notes.push_back({"interface", d.layers.empty() ? "none (slab on the foundation)"
                                    : d.bonded       ? "bonded"
                                                     : "unbonded (a joint layer)"});
    if (d.has_foundation)
        r.notes.push_back({"foundation", "dense liquid k " + fmt("%.4g", d.k) + " MPa/m" +
                                             (d.tensionless ? ", tensionless" : "")});
    r.notes.push_back({"mesh", fmt("%.4g", d.size_near_loads) + " m near loads, " +
                                   fmt("%.4g", d.size) + " m away, " +
                                   std::to_string(d.elements_through_slab) +
                                   " elements through the slab; " + std::to_string(g.x.size()) +
                                   " x " + std::to_string(g.y.size()) + " grid lines"});
}

// The key figures the mesh check compares.
const char *const checked_keys[] = {"max_tension_slab_bottom", "max_tension_slab_top",
                                    "max_deflection", "max_dowel_bearing"};

} // namespace

namespace
{

// The loaded-face block of a model file as the load-set file takes it: the face count, then per
// face its four (node, traction x, y, z) records, and the model's node and element counts.
bool face_block(const std::string &pin, std::string &block, long long &np, long long &ne)
{
    result_set rs;
    std::string why;
    if (!read_model(pin, rs, why)) return false;
    np = rs.np;
    ne = rs.ne;
    block = std::to_string(rs.nedge) + "\n";
    char line[160];
    for (int f = 0; f < rs.nedge; ++f)
        for (int k = 0; k < 4; ++k) {
            const double *v = &rs.face_vals[12 * static_cast<std::size_t>(f) + 3 * k];
            std::snprintf(line, sizeof line, "%d %.17g %.17g %.17g\n", rs.face_nodes[4 * f + k],
                          v[0], v[1], v[2]);
            block += line;
        }
    return true;
}

// With bars, corvane appends a line of dowel maxima per load set to BASE_dowel_maxima.txt (-J),
// made afresh for each run; without a name it says in its log that it could not open one.
void dowel_maxima_file(const generated_model &g, const std::string &dir, const std::string &base,
                       std::vector<std::string> &solve)
{
    if (g.dowel_text.empty()) return;
    std::error_code ec;
    fs::remove(dir + "/" + base + "_dowel_maxima.txt", ec);
    solve.insert(solve.end(), {"-J", base + "_dowel_maxima.txt"});
}

} // namespace

std::string automatic_solver(const chain_tools &t, long long nodes)
{
    // the factorization while it fits: it is reused for every load set and, as a preconditioner,
    // across equilibrium iterations; beyond 120 000 nodes the mesh's multigrid (as fast as the
    // factorization at 190 000 nodes in a quarter of its memory, three times as fast as AMG), or
    // else the factorization while it takes at most 40 % of the memory free
    if (t.has("direct") && nodes <= direct_node_limit) return "direct";
    if (t.has("mg")) return "mg";
    const double free_bytes = available_memory();
    if (t.has("direct") && free_bytes > 0 &&
        solver_memory(nodes, "direct") <= direct_memory_share * free_bytes)
        return "direct";
    if (t.has("amg")) return "amg";
    return "cg";
}

bool chain_tools::has(const std::string &solver) const
{
    return std::find(built.begin(), built.end(), solver) != built.end();
}

bool chain_tools::offers(const std::string &option) const
{
    return std::find(options.begin(), options.end(), option) != options.end();
}

bool find_tools(const char *argv0, chain_tools &t, std::string &why)
{
    std::string beside;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        beside = self.parent_path().string();
    else if (argv0 && std::strchr(argv0, '/'))
        beside = fs::path(argv0).parent_path().string();
    t.tarnel = find_program(beside, "tarnel");
    t.corvane = find_program(beside, "corvane");
    t.batch = find_program(beside, "ostrine-batch");
    if (!t.corvane.empty()) { // what corvane offers: "solver NAME built|absent", "element NAME"
        const std::string log = "/tmp/pavement_capabilities_" + std::to_string(getpid());
        if (run_program({t.corvane, "--capabilities"}, "/", log) == 0) {
            std::ifstream in(log);
            std::string kind, name, state;
            for (std::string line; std::getline(in, line);) {
                std::istringstream words(line);
                if (!(words >> kind >> name)) continue;
                if (kind == "element") t.offered.elements.push_back(name);
                if (kind == "option" && name.size() > 2) t.options.push_back(name.substr(2));
                if (kind != "solver") continue;
                t.offered.solvers.push_back(name);
                if (words >> state && state == "built") t.built.push_back(name);
            }
        }
        std::remove(log.c_str());
    }
    if (t.tarnel.empty() || t.corvane.empty()) {
        why = std::string("cannot find ") + (t.tarnel.empty() ? "tarnel" : "corvane") +
              " beside pavement or on the PATH";
        return false;
    }
    return true;
}

int analyse(const description &d, const mesh_refinement &refine, const chain_tools &tools,
            const std::string &dir, const std::string &base, bool quiet, generated_model &g,
            std::string &why, const std::vector<wheel> *grid_only, bool wheels_alone)
{
    if (!build_model(d, refine, g, why, grid_only)) return pavement_bad_input;
    std::error_code ec;
    fs::create_directories(dir, ec);
    const std::string stem = dir + "/" + base;
    if (!write_file(stem + ".txt", g.layer_text)) {
        why = stem + ".txt: cannot be written";
        return pavement_failed;
    }
    fs::remove(stem + ".dwi", ec); // a dowel file of an earlier description must not stay
    if (!g.dowel_text.empty() && !write_file(stem + ".dwi", g.dowel_text)) {
        why = stem + ".dwi: cannot be written";
        return pavement_failed;
    }
    auto t0 = std::chrono::steady_clock::now();
    std::vector<std::string> mesh = {tools.tarnel, "-I", base + ".txt", "-O", base + ".pin"};
    mesh.insert(mesh.end(), g.tarnel_args.begin(), g.tarnel_args.end());
    const int ts = run_program(mesh, dir, stem + "_tarnel.log");
    if (ts != 0) {
        why = "tarnel ended with status " + std::to_string(ts) + " (see " + stem + "_tarnel.log)";
        return pavement_failed;
    }
    int np = 0;
    if (std::FILE *f = std::fopen((stem + ".pin").c_str(), "r")) {
        if (std::fscanf(f, "%d", &np) != 1) np = 0;
        std::fclose(f);
    }
    say(quiet, "pavement: meshed %s (%s nodes", base, std::to_string(np));
    g.mesh_seconds = seconds_since(t0);
    if (!quiet) std::printf(", %.1f s)\n", g.mesh_seconds);
    t0 = std::chrono::steady_clock::now();
    say(quiet, "pavement: analysing %s (corvane%s) ...\n", base,
        g.nonlinear ? ", equilibrium iterations: a support or joint that lets go in tension" : "");
    std::vector<std::string> solve = {tools.corvane, "-F", base};
    solve.insert(solve.end(), g.corvane_args.begin(), g.corvane_args.end());
    // chosen from the planned nodes, as pavement check and the memory guard choose it
    solve.push_back("--solver=" + chosen_solver(d, tools, g.estimated_nodes));
    dowel_maxima_file(g, dir, base, solve);
    // The joints' load transfer and the slab's stresses of the wheels alone: with self weight or
    // curl in the model, the model is also analysed without the wheels, as a second load set of
    // the same run (one matrix), and the report takes the difference; a nonlinear model also
    // has the wheels analysed on the uncurled slab in its own weight (a third set: without the
    // weight the unloaded slab would rest on tensionless springs carrying no force at all).
    g.without_wheels = wheels_alone && needs_unloaded_analysis(d);
    g.wheels_only = g.without_wheels && g.nonlinear;
    std::string block;
    long long npin = 0, nepin = 0;
    if (g.without_wheels) {
        if (!face_block(stem + ".pin", block, npin, nepin) ||
            !write_file(stem + "_sets.txt", std::string(g.wheels_only ? "3" : "2") +
                                                "\nbody 1 1\n" + block + "body 1 1\n0\n" +
                                                (g.wheels_only ? "body 1 0\n" + block : ""))) {
            why = stem + ".pin: its loads cannot be read back for the analysis without them";
            return pavement_failed;
        }
        solve.push_back("--load-sets=" + base + "_sets.txt");
    }
    const int cs = run_program(solve, dir, stem + "_corvane.log");
    if (cs != status_ok && cs != status_not_in_equilibrium) {
        why = "corvane ended with status " + std::to_string(cs) + " (see " + stem + "_corvane.log)";
        return pavement_failed;
    }
    if (g.without_wheels) { // set 0 is the analysis as described, set 1 without the wheels
        for (const char *ext : {".pin", ".out", ".mst", ".dwo", ".dwi"}) {
            std::error_code rc;
            if (fs::exists(load_set_base(dir, base, 0) + ext))
                fs::rename(load_set_base(dir, base, 0) + ext, stem + ext, rc);
            if (fs::exists(load_set_base(dir, base, 1) + ext))
                fs::rename(load_set_base(dir, base, 1) + ext, stem + unloaded_suffix + ext, rc);
            if (!rc && g.wheels_only && fs::exists(load_set_base(dir, base, 2) + ext))
                fs::rename(load_set_base(dir, base, 2) + ext, stem + wheels_suffix + ext, rc);
            if (rc) {
                why = stem + ext + ": " + rc.message();
                return pavement_failed;
            }
        }
    }
    g.analysis_seconds = seconds_since(t0);
    if (!quiet) std::printf("pavement: analysed %s in %.1f s\n", base.c_str(), g.analysis_seconds);
    if (cs == status_not_in_equilibrium) {
        why = "corvane: equilibrium not reached (see " + stem + "_corvane.log)";
        return pavement_not_converged;
    }
    return pavement_ok;
}

bool needs_unloaded_analysis(const description &d)
{
    bool weight = d.density > 0;
    for (const layer_spec &l : d.layers) weight = weight || l.density > 0;
    return !d.loads.empty() && (weight || d.total_difference() != 0 || d.temperature_mid != 0);
}

bool report_of_set(const std::string &base, const description &d, report_data &r, std::string &why,
                   const std::string &without, bool parts, const std::string &wheels)
{
    read_request request;
    request.units = file_units::kgf_cm;
    result_set rs, rs0, load;
    std::string note;
    if (!read_result_set(base, request, rs, why, note)) return false;
    if (!without.empty() &&
        (!read_result_set(without, request, rs0, why, note) || !load_response(rs, rs0, load, why)))
        return false;
    report_settings s;
    s.si = !d.kgf_cm;
    s.fc = d.fc / mpa_per_kgf_cm2;
    s.mr = d.mr / mpa_per_kgf_cm2;
    if (!build_report(rs, s, r, why, without.empty() ? nullptr : &load)) return false;
    if (!parts || without.empty()) return true;
    // the loading apart: the set without the wheels, the wheels' (by difference, or analysed
    // alone), and the whole
    result_set alone;
    if (!wheels.empty() && !read_result_set(wheels, request, alone, why, note)) return false;
    report_data environment, by_wheels;
    if (!build_report(rs0, s, environment, why) ||
        !build_report(wheels.empty() ? load : alone, s, by_wheels, why))
        return false;
    r.parts = {{"wheels alone", by_wheels.max_tension_bottom(), by_wheels.max_tension_top()},
               {"temperature and self weight alone", environment.max_tension_bottom(),
                environment.max_tension_top()},
               {"combined", r.max_tension_bottom(), r.max_tension_top()}};
    r.parts_method =
        wheels.empty()
            ? "the wheels' by superposition, the analysis as described less the one without the "
              "wheels (the model is linear: the parts add up to the whole field by field)"
            : "each part analysed on its own (a support, joint or bar of the model lets go, so the "
              "parts do not add up): the wheels on the uncurled slab in its own weight (which "
              "alone bends a fully supported slab hardly at all), the temperature and self "
              "weight without the wheels, and both";
    return true;
}

std::string chosen_solver(const description &d, const chain_tools &t, long long nodes)
{
    return d.solver == "auto" ? automatic_solver(t, nodes) : d.solver;
}

double expected_memory(const description &d, const chain_tools &t, long long nodes)
{
    return solver_memory(nodes, chosen_solver(d, t, nodes));
}

bool fits_in_memory(const description &d, const generated_model &g, const chain_tools &t,
                    bool verify_mesh, std::string &why)
{
    const double free_bytes = available_memory();
    double needed = expected_memory(d, t, g.estimated_nodes);
    long long fine_nodes = 0;
    if (verify_mesh) { // the mesh check's model: its own size and solver
        generated_model fine;
        std::string ignored;
        if (build_model(d, {2.0, 2}, fine, ignored)) {
            fine_nodes = fine.estimated_nodes;
            needed = std::max(needed, expected_memory(d, t, fine_nodes));
        }
    }
    if (free_bytes > 0 && needed > free_bytes) {
        char b[400];
        std::snprintf(b, sizeof b,
                      "%s: the model needs about %.1f GB (%lld nodes%s), this machine has %.1f GB "
                      "free: make mesh.size or mesh.size_near_loads larger",
                      d.file.c_str(), needed / 1e9, verify_mesh ? fine_nodes : g.estimated_nodes,
                      verify_mesh ? " of the mesh check's refined mesh" : "", free_bytes / 1e9);
        why = b;
        return false;
    }
    return true;
}

bool plan_analysis(const description &d, const chain_tools &t, bool verify_mesh, generated_model &g,
                   std::string &why)
{
    if (!build_model(d, {}, g, why)) {
        why = d.file + ": " + why;
        return false;
    }
    if (d.solver != "auto" && !t.corvane.empty() && !t.has(d.solver)) {
        why = d.file + ": analysis.solver: this corvane was built without \"" + d.solver + "\"";
        return false;
    }
    return fits_in_memory(d, g, t, verify_mesh, why);
}

namespace
{

// The mesh check: the description analysed again with the sizes near loads and joints halved
// and twice the elements through the slab; r gets the comparison of the checked figures.
// status becomes pavement_not_converged when the finer analysis did not reach equilibrium.
bool mesh_check(const description &d, const run_settings &s, const chain_tools &tools,
                const std::string &dir, const std::string &base, report_data &r, int &status,
                std::string &why)
{
    const std::string vdir = dir + "/verify";
    generated_model fine;
    say(s.quiet,
        "pavement: mesh check: %s again with the sizes near loads and joints "
        "halved and twice the elements through the slab\n",
        base);
    const int vs = analyse(d, {2.0, 2}, tools, vdir, base, s.quiet, fine, why);
    report_data rf;
    if ((vs != pavement_ok && vs != pavement_not_converged) ||
        !report_of_set(vdir + "/" + base, d, rf, why,
                       fine.without_wheels ? vdir + "/" + base + unloaded_suffix : ""))
        return false;
    if (vs == pavement_not_converged) status = pavement_not_converged;
    r.mesh_check_note = "the same description meshed with the sizes near the loads and the "
                        "joints halved and twice the elements through the slab (" +
                        std::to_string(fine.x.size()) + " x " + std::to_string(fine.y.size()) +
                        " grid lines, in " + vdir + ")";
    const double governing =
        std::fmax(rf.max_tension_bottom(), rf.max_tension_top()); // NaN-safe: fmax
    for (const char *key : checked_keys) {
        const report_quantity *q = find_quantity(key);
        const double a = q->value(r), b = q->value(rf);
        if (std::isnan(a) && std::isnan(b)) continue;
        r.mesh_check.push_back({key, a, b});
        if (s.quiet || b == 0 || std::isnan(a)) continue;
        std::printf("pavement: mesh check: %s changes by %.2f %%", key,
                    100.0 * (a - b) / std::fabs(b));
        if (q->kind == quantity_kind::stress && std::string(key).find("slab") != std::string::npos)
            std::printf(" (%.2f %% of the largest slab tension)", 100.0 * (a - b) / governing);
        std::printf("\n");
    }
    return true;
}

// The run's pictures and VTK (through ostrine-batch, when built), the plan with the critical
// point, and the report bundle; false after the message. The wall time of the pictures and plot
// and of the bundle (the report and its S3 pictures).
bool write_run_report(const description &d, const run_settings &s, const chain_tools &tools,
                      const std::string &dir, const std::string &base, const report_data &r,
                      double &picture_seconds, double &report_seconds)
{
    std::string why;
    const std::string stem = dir + "/" + base;
    auto t0 = std::chrono::steady_clock::now();
    report_bundle bundle;
    bundle.figure_stem = stem;
    bundle.reports = {stem + "_report.csv", stem + "_report.html"};
    bundle.top_picture = true;
    const bool draws = s.pictures && !tools.batch.empty();
    // a picture or the VTK file through ostrine-batch, in the set's folder
    auto batch = [&](const std::vector<std::string> &what) {
        std::vector<std::string> cmd = {tools.batch, "-F", base, "-U", "1"};
        if (d.kgf_cm) cmd.push_back("--kgf");
        cmd.insert(cmd.end(), what.begin(), what.end());
        const int bs = run_program(cmd, dir, stem + "_pictures.log");
        if (bs != 0)
            std::fprintf(stderr, "pavement: ostrine-batch ended with status %d (see %s)\n", bs,
                         (stem + "_pictures.log").c_str());
        return bs == 0;
    };
    if (draws) {
        const std::vector<std::vector<std::string>> pictures = {
            {"--graph", "Mesh", "--legend", "--image", base + "_mesh.png"},
            {"--graph", "Displacement", "--legend", "--image", base + "_deformed.png"},
            {"--vtk", base + ".vtk"}};
        for (const auto &p : pictures)
            if (!batch(p)) return false;
    } else if (s.pictures) {
        say(s.quiet, "pavement: ostrine-batch not built: no pictures or VTK\n");
    }
    {
        // the critical point: where the governing slab tension is (report lengths in cm)
        const slab_extreme *worst = nullptr;
        for (const slab_extreme &e : r.slab)
            if (e.node >= 0 && (!worst || e.s3 > worst->s3)) worst = &e;
        plan_mark mark;
        if (worst) {
            mark.x = worst->xyz[0] / 100.0;
            mark.y = worst->xyz[1] / 100.0;
            mark.label =
                std::string("largest slab tension (") + (worst->top ? "top" : "bottom") + ")";
        }
        if (!write_plan(d, stem + "_plan.svg", worst ? &mark : nullptr)) {
            std::fprintf(stderr, "pavement: %s_plan.svg: cannot be written\n", stem.c_str());
            return false;
        }
        bundle.figures.plan = base + "_plan.svg";
    }
    picture_seconds = seconds_since(t0);
    t0 = std::chrono::steady_clock::now();
    // S3 of the slab's own elements at the face's critical slab: the bottom seen from below,
    // the top from above
    slab_picture_maker draw;
    if (draws)
        draw = [&](const slab_picture &p) {
            std::vector<std::string> what = {"--graph", "S3", "--per-material", "--material",
                                             std::to_string(p.material)};
            if (!p.top) what.insert(what.end(), {"--preset", "Backside"});
            what.insert(what.end(), {"--legend", "--image", fs::path(p.file).filename().string()});
            return batch(what);
        };
    if (!write_report_bundle(r, {}, bundle, draw, why)) {
        std::fprintf(stderr, "pavement: %s_report: %s\n", stem.c_str(), why.c_str());
        return false;
    }
    report_seconds = seconds_since(t0);
    return true;
}

} // namespace

int run_description(const description &d, const run_settings &s, const chain_tools &tools)
{
    const std::string base = fs::path(d.file).stem().string();
    const std::string dir = s.out_dir.empty() ? "pavement_" + base : s.out_dir;
    generated_model g;
    std::string why;
    if (!plan_analysis(d, tools, s.verify_mesh, g, why)) {
        std::fprintf(stderr, "pavement: %s\n", why.c_str());
        return pavement_bad_input;
    }
    int status = analyse(d, {}, tools, dir, base, s.quiet, g, why);
    if (status != pavement_ok && status != pavement_not_converged) {
        std::fprintf(stderr, "pavement: %s\n", why.c_str());
        return status;
    }
    if (status == pavement_not_converged) std::fprintf(stderr, "pavement: %s\n", why.c_str());
    const std::string stem = dir + "/" + base;
    report_data r;
    auto t0 = std::chrono::steady_clock::now();
    if (!report_of_set(stem, d, r, why, g.without_wheels ? stem + unloaded_suffix : "", true,
                       g.wheels_only ? stem + wheels_suffix : "")) {
        std::fprintf(stderr, "pavement: %s\n", why.c_str());
        return pavement_failed;
    }
    describe(d, g, r);
    for (const std::string &w : d.warnings) r.warnings.push_back(w);

    if (s.verify_mesh && !mesh_check(d, s, tools, dir, base, r, status, why)) {
        std::fprintf(stderr, "pavement: mesh check: %s\n", why.c_str());
        return pavement_failed;
    }
    const double reading_seconds = seconds_since(t0);
    t0 = std::chrono::steady_clock::now();
    double picture_seconds = 0;
    double report_seconds = 0;
    if (!write_run_report(d, s, tools, dir, base, r, picture_seconds, report_seconds))
        return pavement_failed;
    if (s.timings) {
        std::printf("pavement: timings: meshing %.2f s, analysis %.2f s, reading the set%s and "
                    "the report's figures %.2f s, pictures and plots %.2f s, the report and its S3 "
                    "pictures "
                    "%.2f s\n",
                    g.mesh_seconds, g.analysis_seconds,
                    g.without_wheels ? " (and the one without the wheels)" : "", reading_seconds,
                    picture_seconds, report_seconds);
        print_solver_timings(stem + "_corvane.log");
    }
    if (!s.quiet) {
        for (const std::string &w : r.warnings) std::printf("pavement: warning: %s\n", w.c_str());
        print_resources(dir);
    }
    std::printf("pavement: report %s_report.html\n", stem.c_str());
    return status;
}

namespace
{

// One load position of a sweep: the description moved, how its analysis ended, its figures.
struct position {
    double dx, dy;
    description d;
    int status = -1;
    std::string why;
    std::vector<double> figures;    // the report's key figures, in report_quantities' order
    double critical = std::nan(""); // the largest slab tension, top or bottom (kgf/cm2)
};

void key_figures(const report_data &r, position &p)
{
    p.figures.clear();
    for (int q = 0; q < report_quantity_count; ++q)
        p.figures.push_back(report_quantities[q].value(r));
    p.critical = std::fmax(r.max_tension_bottom(), r.max_tension_top());
}

} // namespace

int analyse_on_one_mesh(const std::vector<description> &ds, const std::vector<wheel> &every,
                        const std::string &dir, const std::string &base, const chain_tools &tools,
                        bool quiet, std::string &why,
                        const std::vector<std::pair<double, double>> *body, int parts,
                        analysis_clock *clock)
{
    const auto t_mesh = std::chrono::steady_clock::now();
    const std::string mesh = dir + "/mesh";
    std::error_code ec;
    fs::create_directories(mesh, ec);
    // a sweep's positions (no body factors) with self weight or curl: one more set without the
    // wheels, for the load transfer of each position's wheels alone
    const bool unloaded = !body && needs_unloaded_analysis(ds[0]);
    // each set meshed on the shared grid for its loaded faces, parts at a time
    std::vector<std::string> set_text(ds.size()); // each set's lines of the load-set file
    std::vector<generated_model> models(ds.size());
    std::vector<long long> nps(ds.size(), -1), nes(ds.size(), -1);
    std::vector<int> bad(ds.size(), pavement_ok);
    const auto mesh_set = [&](std::size_t i, std::string &whyi) {
        generated_model &g = models[i];
        if (!build_model(ds[i], {}, g, whyi, &every)) {
            bad[i] = pavement_bad_input;
            return false;
        }
        char name[32];
        std::snprintf(name, sizeof name, "p%03zu", i);
        const std::string stem = mesh + "/" + name;
        bad[i] = pavement_failed;
        if (!write_file(stem + ".txt", g.layer_text)) {
            whyi = stem + ".txt: cannot be written";
            return false;
        }
        std::vector<std::string> cmd = {tools.tarnel, "-I", std::string(name) + ".txt", "-O",
                                        std::string(name) + ".pin"};
        cmd.insert(cmd.end(), g.tarnel_args.begin(), g.tarnel_args.end());
        if (run_program(cmd, mesh, stem + "_tarnel.log") != 0) {
            whyi = "tarnel failed on " + stem + ".txt (see " + stem + "_tarnel.log)";
            return false;
        }
        std::string block;
        if (!face_block(stem + ".pin", block, nps[i], nes[i])) {
            whyi = stem + ".pin: cannot be read back";
            return false;
        }
        std::string text;
        if (body)
            text += "body " + std::to_string((*body)[i].first) + " " +
                    std::to_string((*body)[i].second) + "\n";
        set_text[i] = text + block;
        bad[i] = pavement_ok;
        return true;
    };
    if (!run_jobs(ds.size(), std::max(1, parts), mesh_set, nullptr, true, why)) {
        for (int b : bad)
            if (b != pavement_ok) return b;
        return pavement_failed;
    }
    const double mesh_s = seconds_since(t_mesh);
    const auto t_solve = std::chrono::steady_clock::now();
    const generated_model &first = models[0];
    const long long np0 = nps[0];
    for (std::size_t i = 1; i < ds.size(); ++i)
        if (nps[i] != nps[0] || nes[i] != nes[0]) {
            why = "the load sets did not make one mesh";
            return pavement_failed;
        }
    fs::copy_file(mesh + "/p000.pin", dir + "/" + base + ".pin",
                  fs::copy_options::overwrite_existing, ec);
    if (unloaded) set_text.push_back("body 1 1\n0\n");
    const std::string stem = dir + "/" + base;
    fs::remove(stem + ".dwi", ec);
    if (!first.dowel_text.empty() && !write_file(stem + ".dwi", first.dowel_text)) {
        why = stem + ".dwi: cannot be written";
        return pavement_failed;
    }
    const int n_sets = static_cast<int>(set_text.size());
    parts = std::max(1, std::min(parts, n_sets / 2)); // at least two sets a run
    if (!quiet)
        std::printf("pavement: %zu load sets on one mesh of %lld nodes: %s\n", ds.size(), np0,
                    parts == 1
                        ? "one analysis"
                        : (std::to_string(parts) + " analyses at once, the sets shared").c_str());
    // run q takes sets [first_set[q], first_set[q + 1]) under its own name (BASE, BASE_r2, ...:
    // links to the one model and dowel file), renamed to the one run's set names afterwards
    std::vector<int> first_set;
    for (int q = 0; q <= parts; ++q) first_set.push_back(n_sets * q / parts);
    auto name_of = [&](int q) { return q == 0 ? base : base + "_r" + std::to_string(q + 1); };
    std::vector<int> status(static_cast<std::size_t>(parts), -1);
    std::vector<std::string> run_why(static_cast<std::size_t>(parts));
    const auto one_run = [&](std::size_t q, std::string &) {
        const std::string name = name_of(static_cast<int>(q));
        const std::string rstem = dir + "/" + name;
        std::string sets = std::to_string(first_set[q + 1] - first_set[q]) + "\n";
        for (int k = first_set[q]; k < first_set[q + 1]; ++k) sets += set_text[k];
        if (q > 0) {
            std::error_code lc;
            for (const char *ext : {".pin", ".dwi"}) {
                fs::remove(rstem + ext, lc);
                if (fs::exists(stem + ext)) fs::create_symlink(base + ext, rstem + ext, lc);
            }
        }
        if (!write_file(rstem + "_sets.txt", sets)) {
            run_why[q] = rstem + "_sets.txt: cannot be written";
            return false;
        }
        std::vector<std::string> solve = {tools.corvane, "-F", name,
                                          "--load-sets=" + name + "_sets.txt"};
        solve.insert(solve.end(), first.corvane_args.begin(), first.corvane_args.end());
        if (q == 0)
            dowel_maxima_file(first, dir, base, solve);
        else if (!first.dowel_text.empty())
            solve.insert(solve.end(), {"-J", base + "_dowel_maxima.txt"});
        // a model whose supports or joints let go: each set starts from its neighbour's state
        if (first.nonlinear && tools.offers("warm-start=")) solve.push_back("--warm-start=yes");
        // one factorization serves every load set: the factorization wherever it fits
        if (ds[0].solver == "auto") solve.push_back("--solver=" + automatic_solver(tools, np0));
        status[q] = run_program(solve, dir, rstem + "_corvane.log");
        if (status[q] != status_ok && status[q] != status_not_in_equilibrium) {
            run_why[q] = "corvane ended with status " + std::to_string(status[q]) + " (see " +
                         rstem + "_corvane.log)";
            return false;
        }
        return true;
    };
    std::string failed;
    if (!run_jobs(static_cast<std::size_t>(parts), parts, one_run, nullptr, false, failed)) {
        for (const std::string &w : run_why)
            if (!w.empty()) why = w;
        return pavement_failed;
    }
    if (clock) {
        clock->add(mesh_s, seconds_since(t_solve), 0.0);
        for (int q = 0; q < parts; ++q)
            clock->add_solver_log(dir + "/" + name_of(q) + "_corvane.log");
    }
    // the later runs' sets under the one run's names
    for (int q = 1; q < parts; ++q) {
        const std::string name = name_of(q);
        for (int k = first_set[q]; k < first_set[q + 1]; ++k)
            for (const char *ext : {".pin", ".out", ".mst", ".dwo", ".dwi"}) {
                const std::string from = load_set_base(dir, name, k - first_set[q]) + ext;
                std::error_code rc;
                if (fs::exists(from)) fs::rename(from, load_set_base(dir, base, k) + ext, rc);
                if (rc) {
                    why = from + ": " + rc.message();
                    return pavement_failed;
                }
            }
        std::error_code lc;
        for (const char *ext : {".pin", ".dwi"}) fs::remove(dir + "/" + name + ext, lc);
    }
    bool converged = true;
    for (int st : status) converged = converged && st == status_ok;
    return converged ? pavement_ok : pavement_not_converged;
}

std::string load_set_base(const std::string &dir, const std::string &base, int set)
{
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_p%02d", set);
    return dir + "/" + base + suffix;
}

namespace
{
} // namespace

std::vector<double> sweep_range::values() const
{
    std::vector<double> v;
    for (int k = 0; start + k * step <= stop + 1e-9 * std::max(1.0, std::fabs(stop)); ++k)
        v.push_back(start + k * step);
    return v;
}

namespace
{

// The positions of a sweep: the description's loads moved by every offset; false after the
// message when an offset moves a tyre off the slabs.
bool sweep_positions(const description &d, const sweep_range &dx, const sweep_range &dy,
                     std::vector<position> &all)
{
    const double lx = d.total_length(), ly = d.total_width();
    for (double oy : dy.values())
        for (double ox : dx.values()) {
            position p{ox, oy, d, -1, "", {}};
            for (load_group &lg : p.d.loads) {
                lg.position[0] += ox;
                lg.position[1] += oy;
                for (wheel &w : lg.wheels) {
                    w.x += ox;
                    w.y += oy;
                    if (w.x - w.length / 2 < -1e-9 || w.y - w.width / 2 < -1e-9 ||
                        w.x + w.length / 2 > lx + 1e-9 || w.y + w.width / 2 > ly + 1e-9) {
                        std::fprintf(stderr,
                                     "pavement: %s: offset (%g, %g) moves a tyre to x %.3f..%.3f, "
                                     "y %.3f..%.3f, off the slabs (x 0..%.3f, y 0..%.3f m); "
                                     "nothing run\n",
                                     d.file.c_str(), ox, oy, w.x - w.length / 2, w.x + w.length / 2,
                                     w.y - w.width / 2, w.y + w.width / 2, lx, ly);
                        return false;
                    }
                }
            }
            all.push_back(std::move(p));
        }
    return true;
}

// The positions analysed as load sets of one model on one mesh (a linear model, or one that lets
// go with its positions close together); false with why when the analysis failed.
bool sweep_on_one_mesh(const description &d, std::vector<position> &all,
                       const std::vector<wheel> &every, const std::string &dir,
                       const std::string &base, int jobs, int parts, const run_settings &s,
                       const chain_tools &tools, std::string &why, analysis_clock &clock)
{
    std::vector<description> ds;
    for (const position &p : all) ds.push_back(p.d);
    const int st =
        analyse_on_one_mesh(ds, every, dir, base, tools, s.quiet, why, nullptr, parts, &clock);
    if (st != pavement_ok && st != pavement_not_converged) return false;
    // the positions' sets read jobs at a time
    const std::string without = needs_unloaded_analysis(d)
                                    ? load_set_base(dir, base, static_cast<int>(all.size()))
                                    : std::string();
    std::string ignored;
    run_jobs(
        all.size(), jobs,
        [&](std::size_t i, std::string &) {
            const auto t0 = std::chrono::steady_clock::now();
            report_data r;
            position &p = all[i];
            p.status = st;
            if (!report_of_set(load_set_base(dir, base, static_cast<int>(i)), p.d, r, p.why,
                               without))
                p.status = pavement_failed;
            else
                key_figures(r, p);
            clock.add_reading(seconds_since(t0));
            return true;
        },
        nullptr, false, ignored);
    return true;
}

// Every position meshed and analysed on its own, jobs at a time; each position's status says
// how it ended.
void sweep_each(std::vector<position> &all, const std::string &dir, const std::string &base,
                int jobs, const run_settings &s, const chain_tools &tools, analysis_clock &clock)
{
    std::string why;
    // every position runs; its status says how it ended
    run_jobs(
        all.size(), jobs,
        [&](std::size_t i, std::string &) {
            position &p = all[i];
            char name[32];
            std::snprintf(name, sizeof name, "pos%03zu", i);
            generated_model g;
            p.status = analyse(p.d, {}, tools, dir + "/" + name, base, true, g, p.why);
            const auto t0 = std::chrono::steady_clock::now();
            report_data r;
            if (p.status == pavement_ok || p.status == pavement_not_converged) {
                if (!report_of_set(
                        dir + "/" + name + "/" + base, p.d, r, p.why,
                        g.without_wheels ? dir + "/" + name + "/" + base + unloaded_suffix : ""))
                    p.status = pavement_failed;
                else
                    key_figures(r, p);
            }
            clock.add(g.mesh_seconds, g.analysis_seconds, seconds_since(t0));
            clock.add_solver_log(dir + "/" + name + "/" + base + "_corvane.log");
            return true;
        },
        [&](std::size_t i, bool, std::size_t) {
            const position &p = all[i];
            if (!s.quiet)
                std::printf("pavement: position %zu of %zu, offset (%g, %g): %s\n", i + 1,
                            all.size(), p.dx, p.dy,
                            p.status == pavement_ok ? "done" : p.why.c_str());
            std::fflush(stdout);
        },
        false, why);
}

// The sweep's table (sweep.csv) and plot (sweep.svg) in dir; governing: the position of the
// largest slab tension (-1 when none gave results), failed: the positions that failed or did not
// reach equilibrium. False after the message when the files cannot be written.
bool write_sweep_table(const description &d, const sweep_range &dy,
                       const std::vector<position> &all, const std::string &dir, int &governing,
                       int &failed)
{
    const bool si = !d.kgf_cm;
    std::string csv = "dx,dy,critical_tension";
    for (int q = 0; q < report_quantity_count; ++q)
        csv += std::string(",") + report_quantities[q].key;
    csv += ",status\n";
    governing = -1;
    failed = 0;
    svg_plot plot;
    plot.title = "Critical slab tension against the load position";
    const bool along_y = dy.values().size() > 1;
    plot.x_label = std::string("offset ") + (along_y ? "dy" : "dx") + " (m)";
    plot.y_label =
        std::string("largest slab tension (") + unit_label(quantity_kind::stress, si) + ")";
    svg_series series{"largest principal tension, top or bottom", {}, {}, false, true};
    for (std::size_t i = 0; i < all.size(); ++i) {
        const position &p = all[i];
        const bool ok = p.status == pavement_ok || p.status == pavement_not_converged;
        if (!ok || p.status == pavement_not_converged) ++failed;
        const double critical = ok ? p.critical : std::nan("");
        char row[64];
        std::snprintf(row, sizeof row, "%g,%g,%.6g", p.dx, p.dy,
                      in_report_units(critical, quantity_kind::stress, si));
        csv += row;
        for (int q = 0; q < report_quantity_count; ++q) {
            csv += ',';
            if (ok)
                csv += fmt("%.6g", in_report_units(p.figures[q], report_quantities[q].kind, si));
        }
        csv += ',';
        csv += std::to_string(p.status);
        csv += '\n';
        if (ok && !std::isnan(critical)) {
            series.x.push_back(along_y ? p.dy : p.dx);
            series.y.push_back(in_report_units(critical, quantity_kind::stress, si));
            if (governing < 0 || critical > all[governing].critical)
                governing = static_cast<int>(i);
        }
    }
    plot.series.push_back(series);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!write_file(dir + "/sweep.csv", csv) || !write_svg_plot(plot, dir + "/sweep.svg")) {
        std::fprintf(stderr, "pavement: %s: cannot write the sweep's table or plot\n", dir.c_str());
        return false;
    }
    if (governing < 0) {
        std::fprintf(stderr, "pavement: no position gave results (see %s)\n", dir.c_str());
        return false;
    }
    return true;
}

} // namespace

namespace
{

// Every position's files but the governing one's (and what it needs: the shared model, the set
// without the wheels) removed: a sweep keeps one full result set to open, not one per position.
void keep_governing_set(const std::vector<position> &all, int governing, bool one_mesh,
                        const std::string &dir, const std::string &base)
{
    std::error_code ec;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (static_cast<int>(i) == governing) continue;
        if (one_mesh) {
            for (const char *ext : {".pin", ".out", ".mst", ".dwo", ".dwi"})
                fs::remove(load_set_base(dir, base, static_cast<int>(i)) + ext, ec);
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "pos%03zu", i);
            fs::remove_all(dir + "/" + name, ec);
        }
    }
    if (one_mesh) fs::remove_all(dir + "/mesh", ec); // each position's model, made for its loads
}

} // namespace

int sweep_description(const description &d, const sweep_range &dx, const sweep_range &dy, int jobs,
                      const run_settings &s, const chain_tools &tools)
{
    const std::string base = fs::path(d.file).stem().string();
    const std::string dir = s.out_dir.empty() ? "pavement_" + base + "_sweep" : s.out_dir;
    std::vector<position> all;
    if (!sweep_positions(d, dx, dy, all)) return pavement_bad_input;
    // A linear model whose positions fit one mesh (the grid refined under every position's
    // tyres, at most three times the nodes of one position's mesh) is meshed once and solved
    // once per position on the same matrix (corvane --load-sets). A model that lets go shares a
    // mesh at most 1.3 times one position's, each position's iterations started from its
    // neighbour's state (measured on the Westergaard slab on a tensionless liquid: 1.15 times
    // the nodes, 9.8 s against 15.0 s one by one; 1.6 times, as long as one by one; 2.4 times,
    // half as long again). Otherwise every position is meshed and analysed on its own, jobs at
    // a time.
    generated_model single;
    std::string why;
    if (!build_model(d, {}, single, why)) {
        std::fprintf(stderr, "pavement: %s: %s\n", d.file.c_str(), why.c_str());
        return pavement_bad_input;
    }
    std::vector<wheel> every;
    for (const position &p : all)
        for (const load_group &lg : p.d.loads)
            every.insert(every.end(), lg.wheels.begin(), lg.wheels.end());
    analysis_clock clock;
    const auto t_analyses = std::chrono::steady_clock::now();
    generated_model shared;
    const bool one_mesh =
        (!single.nonlinear || tools.offers("warm-start=")) && all.size() > 1 &&
        build_model(d, {}, shared, why, &every) &&
        (single.nonlinear ? 10 * shared.estimated_nodes <= 13 * single.estimated_nodes
                          : shared.estimated_nodes <= 3 * single.estimated_nodes);
    if (one_mesh) {
        // the sets shared among jobs corvane runs while their factorizations fit in memory
        int parts = std::max(1, jobs);
        const double free_bytes = available_memory(),
                     each = expected_memory(d, tools, shared.estimated_nodes);
        while (parts > 1 && free_bytes > 0 && parts * each > 0.6 * free_bytes) --parts;
        if (!sweep_on_one_mesh(d, all, every, dir, base, jobs, parts, s, tools, why, clock)) {
            std::fprintf(stderr, "pavement: %s\n", why.c_str());
            return pavement_failed;
        }
    } else {
        sweep_each(all, dir, base, jobs, s, tools, clock);
    }
    const double analysed_s = seconds_since(t_analyses);
    const auto t_table = std::chrono::steady_clock::now();
    int governing = -1, failed = 0;
    if (!write_sweep_table(d, dy, all, dir, governing, failed)) return pavement_failed;
    const double table_s = seconds_since(t_table);
    const position &gp = all[governing];
    const bool si = !d.kgf_cm;
    std::printf("pavement: %zu positions; governing offset (%g, %g): largest slab tension %.4g "
                "%s\npavement: wrote %s/sweep.csv and %s/sweep.svg\n",
                all.size(), gp.dx, gp.dy, in_report_units(gp.critical, quantity_kind::stress, si),
                unit_label(quantity_kind::stress, si), dir.c_str(), dir.c_str());
    if (!s.keep) {
        keep_governing_set(all, governing, one_mesh, dir, base);
        char name[32];
        std::snprintf(name, sizeof name, "pos%03d", governing);
        const std::string kept =
            one_mesh ? load_set_base(dir, base, governing) : dir + "/" + name + "/" + base;
        if (!s.quiet)
            std::printf("pavement: kept the governing position's result set %s (--keep keeps "
                        "every position's)\n",
                        kept.c_str());
    }
    if (s.timings) {
        if (one_mesh)
            std::printf("pavement: timings: meshing %.2f s, analysis %.2f s, reading the sets and "
                        "their figures %.2f s (%d at a time), the table and plot %.2f s\n",
                        clock.meshing, clock.solving, analysed_s - clock.meshing - clock.solving,
                        std::max(1, jobs), table_s);
        else
            std::printf("pavement: timings: %zu positions analysed and read in %.2f s, %d at a "
                        "time (summed over them: meshing %.2f s, analysis %.2f s, reading %.2f "
                        "s), the table and plot %.2f s\n",
                        all.size(), analysed_s, std::max(1, jobs), clock.meshing, clock.solving,
                        clock.reading, table_s);
        clock.print_solver();
    }
    if (!s.quiet) print_resources(dir);
    if (failed) {
        std::fprintf(stderr, "pavement: %d position(s) failed or did not reach equilibrium\n",
                     failed);
        return pavement_failed;
    }
    return pavement_ok;
}
