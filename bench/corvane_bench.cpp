// Benchmark of corvane: layered-block model generator, assembly and CG timing, whole run,
// bandwidth.
//
//   corvane_bench model <n> <file>     write a layered block of about n nodes
//   corvane_bench assembly <n>         assembly, compaction and CG iteration cost at about n nodes
//   corvane_bench run <n>              a whole analysis of the layered slab, phase by phase
//
// Every mode prints "key value" lines; peak memory is the process's maximum
// resident set, so run one size per process (bench/solver_bench.sh does).
#include "cg.h"
#include "dense.h"
#include "driver.h"
#include "global_matrix.h"
#include "loads.h"
#include "model_io.h"
#include "recovery.h"
#include "results.h"

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

// Process CPU time in seconds: the benchmark machine is shared, and CPU time
// is what one run costs whatever else is running.
static double now()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

static double peak_mb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

// Layered slab on base and subgrade: plan nx x ny elements over 500 x 500,
// layers (bottom up) subgrade 4 x 50, base 2 x 10, slab 3 x 10 element layers,
// two materials per layer (x below or above the middle), a zero-thickness
// interface joint between base and slab (the slab may lift off), roller sides,
// a fixed bottom and a wheel-load patch of about 30 x 30 at the slab centre.
static void write_layered_model(int nx, int ny, const std::string &name)
{
    const double lx = 500.0, ly = 500.0;
    struct layer {
        int cells;
        double thickness;
        double e, nu, gamma;
    };
    const layer layers[3] = {{4, 200.0, 800.0, 0.40, 0.0019},
                             {2, 20.0, 3000.0, 0.35, 0.0021},
                             {3, 30.0, 280000.0, 0.15, 0.0024}};
    // z planes bottom up; the plane under the slab appears twice (joint)
    std::vector<double> plane_z;
    std::vector<int> plane_layer; // layer of the cells above this plane
    double z = -250.0;
    for (int l = 0; l < 3; ++l) {
        if (l == 2) { // duplicate plane: base top, then slab bottom
            plane_z.push_back(z);
            plane_layer.push_back(-1);
        }
        for (int c = 0; c < layers[l].cells; ++c) {
            plane_z.push_back(z);
            plane_layer.push_back(l);
            z += layers[l].thickness / layers[l].cells;
        }
    }
    plane_z.push_back(z);
    plane_layer.push_back(-2);
    const int planes = static_cast<int>(plane_z.size());
    const int per_plane = (nx + 1) * (ny + 1);
    const int np = planes * per_plane;
    auto node = [&](int p, int i, int j) { return p * per_plane + j * (nx + 1) + i; };

    std::vector<int> conn;
    for (int p = 0; p + 1 < planes; ++p) {
        const int l = plane_layer[p];
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const int q = p + 1; // a joint (l == -1) links the two coincident planes
                const int n[8] = {node(p, i, j),         node(p, i + 1, j), node(p, i + 1, j + 1),
                                  node(p, i, j + 1),     node(q, i, j),     node(q, i + 1, j),
                                  node(q, i + 1, j + 1), node(q, i, j + 1)};
                conn.insert(conn.end(), n, n + 8);
                const int mat = l < 0 ? 6 : 2 * l + (i >= nx / 2 ? 1 : 0);
                conn.push_back(mat);
            }
    }
    const int ne = static_cast<int>(conn.size() / 9);
    std::vector<int> bc;
    for (int p = 0; p < planes; ++p)
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i) {
                const int fx = (i == 0 || i == nx) || p == 0, fy = (j == 0 || j == ny) || p == 0,
                          fz = p == 0;
                if (fx || fy || fz) bc.insert(bc.end(), {node(p, i, j), fx, fy, fz});
            }
    std::vector<int> faces;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const double x = (i + 0.5) * lx / nx, y = (j + 0.5) * ly / ny;
            if (std::fabs(x - lx / 2) < 15.0 && std::fabs(y - ly / 2) < 15.0)
                faces.insert(faces.end(),
                             {node(planes - 1, i, j), node(planes - 1, i + 1, j),
                              node(planes - 1, i + 1, j + 1), node(planes - 1, i, j + 1)});
        }
    std::FILE *f = std::fopen(name.c_str(), "w");
    if (!f) {
        std::perror(name.c_str());
        std::exit(2);
    }
    std::fprintf(f, "%5d %5d %5d %5d %4d\n", np, 7, ne, static_cast<int>(bc.size() / 4), 150);
    for (int l = 0; l < 3; ++l)
        for (int half = 0; half < 2; ++half)
            std::fprintf(f, " %13.5e %13.5e %13.5e 0 0 0 0 0 0 0 0 0\n",
                         layers[l].e * (half ? 0.8 : 1.0), layers[l].nu, layers[l].gamma);
    // interface joint: stiff in compression, opening limit 0.01 with a force cap
    std::fprintf(f, " 1.0 1.0 50.0 0 0 0.01 0 0 0.05 0 0 1\n");
    for (int p = 0; p < planes; ++p)
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
                std::fprintf(f, "%12.4f %12.4f %12.4f 0.00 0.00 0.00\n", i * lx / nx, j * ly / ny,
                             plane_z[p]);
    for (int e = 0; e < ne; ++e) {
        for (int k = 0; k < 9; ++k) std::fprintf(f, " %d", conn[9 * e + k]);
        std::fputs("\n", f);
    }
    for (std::size_t b = 0; b < bc.size(); b += 4)
        std::fprintf(f, "%d %d %d %d\n", bc[b], bc[b + 1], bc[b + 2], bc[b + 3]);
    std::fprintf(f, "%d\n", static_cast<int>(faces.size() / 4));
    for (std::size_t k = 0; k < faces.size(); k += 4) {
        for (int m = 0; m < 4; ++m) std::fprintf(f, " %d 0 0 -7.0", faces[k + m]);
        std::fputs("\n", f);
    }
    std::fclose(f);
}

// Plan size for about n nodes: (nx+1)^2 * 11 planes.
static int plan_cells(long n)
{
    return std::max(4, static_cast<int>(std::sqrt(n / 11.0)) - 1);
}

// Best-of-five copy and triad bandwidth in GB/s over arrays far larger than the caches.
static void measure_bandwidth(double *copy_gbs, double *triad_gbs)
{
    const std::size_t n = 16u << 20; // 128 MB per array
    std::vector<double> a(n, 1.0), b(n, 2.0), c(n, 0.5);
    double best_copy = 1e30, best_triad = 1e30;
    for (int rep = 0; rep < 5; ++rep) {
        double t = now();
        for (std::size_t i = 0; i < n; ++i) a[i] = b[i];
        best_copy = std::min(best_copy, now() - t);
        t = now();
        for (std::size_t i = 0; i < n; ++i) a[i] = b[i] + 3.0 * c[i];
        best_triad = std::min(best_triad, now() - t);
    }
    volatile double sink = a[n / 2];
    (void)sink;
    *copy_gbs = 2.0 * 8 * n / best_copy / 1e9;
    *triad_gbs = 3.0 * 8 * n / best_triad / 1e9;
}

// Bytes one CG iteration moves: the stored entries (value and column), row
// offsets and counts, and the vector sweeps of the product and the updates.
static double cg_iteration_bytes(const row_slot_matrix &a)
{
    const double nnz = static_cast<double>(a.row_start[a.nn]);
    const double nn = a.nn;
    // matrix: 12 per entry; rows: start 8 + count 4; product: d gathered (8),
    // q written (8), skip (4); sigma: q, d (16); update: x, d, rho, q read and
    // x, rho written (48); direction: rho, d read, d written (24); skip flags (12)
    return nnz * 12.0 + nn * (12.0 + 8 + 8 + 4 + 16 + 48 + 24 + 12);
}

static void read_generated(corvane_run &run, const std::string &name)
{
    std::FILE *f = std::fopen(name.c_str(), "r");
    read_model(run, f, name);
    std::fclose(f);
    set_fixed_flags(run);
    alloc_work(run);
}

static std::vector<int> element_kinds(const corvane_run &run)
{
    std::vector<int> kind(run.ne);
    for (int e = 0; e < run.ne; ++e) {
        const int type = material_type(&run.mats[12 * run.conn[9 * e + 8]]);
        kind[e] = type == 0 ? couples_all : is_joint_type(type) ? couples_facing : couples_nothing;
    }
    return kind;
}

// Silences the solver's progress lines while timing.
struct quiet_stdout {
    int saved;
    quiet_stdout()
    {
        std::fflush(stdout);
        saved = dup(1);
        std::FILE *null = std::freopen("/dev/null", "w", stdout);
        (void)null;
    }
    ~quiet_stdout()
    {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

static int assembly_mode(long n)
{
    const std::string name = "/tmp/corvane_bench_" + std::to_string(getpid()) + ".pin";
    const int cells = plan_cells(n);
    write_layered_model(cells, cells, name);
    corvane_run run;
    read_generated(run, name);
    std::remove(name.c_str());
    const std::vector<int> kind = element_kinds(run);
    double t = now();
    build_pattern(run, kind.data());
    const double t_pattern = now() - t;
    double t_first = 0, t_rebuild = 1e30, t_cg = 0;
    long long iterations = 0;
    {
        quiet_stdout quiet;
        t = now();
        build_stiffness(run);
        compact_rows(run.matrix);
        t_first = now() - t;
        // later iterations: joints re-formed from the displacements, the rest copied
        for (int rep = 0; rep < 3; ++rep) {
            t = now();
            build_stiffness(run);
            compact_rows(run.matrix);
            t_rebuild = std::min(t_rebuild, now() - t);
        }
        build_f_ext(run);
        std::vector<double> x(run.nn, 0.0), b = run.f_ext;
        for (int k = 0; k < run.nn; ++k)
            if (run.fixed[k]) b[k] = 0.0;
        t = now();
        cg_report report;
        cg_solve(run.matrix, x.data(), b.data(), run.fixed.data(), &report);
        iterations = report.iterations;
        t_cg = now() - t;
    }
    const double per_it = t_cg / std::max(1LL, iterations);
    const double peak = peak_mb(); // before the bandwidth arrays
    double copy = 0, triad = 0;
    measure_bandwidth(&copy, &triad);
    const double bytes = cg_iteration_bytes(run.matrix);
    std::printf("nodes %d\nequations %d\nelements %d\nstored_entries %lld\n", run.np, run.nn,
                run.ne, static_cast<long long>(run.matrix.row_start[run.nn]));
    std::printf("pattern_s %.4f\nfirst_assembly_s %.4f\nrebuild_assembly_s %.4f\n", t_pattern,
                t_first, t_rebuild);
    std::printf("cg_iterations %lld\ncg_s %.3f\ncg_iteration_s %.5f\n", iterations, t_cg, per_it);
    std::printf("first_assembly_in_cg_iterations %.2f\nrebuild_in_cg_iterations %.2f\n",
                t_first / per_it, t_rebuild / per_it);
    std::printf("copy_GBs %.2f\ntriad_GBs %.2f\ncg_iteration_bytes_MB %.1f\n", copy, triad,
                bytes / 1e6);
    std::printf("cg_iteration_bound_s %.5f\ncg_iteration_over_bound %.2f\n", bytes / (triad * 1e9),
                per_it / (bytes / (triad * 1e9)));
    std::printf("peak_MB %.1f\n", peak);
    return 0;
}

// A whole run of the layered slab, timed phase by phase (the driver's steps).
static int run_mode(long n)
{
    const std::string base = "/tmp/corvane_bench_run_" + std::to_string(getpid());
    const int cells = plan_cells(n);
    write_layered_model(cells, cells, base + ".pin");
    corvane_run run;
    run.base_name = base;
    run.input_file = base + ".pin";
    run.result_file = base + ".out";
    double t0 = now(), t = t0;
    read_generated(run, run.input_file);
    const double t_read = now() - t;
    t = now();
    const std::vector<int> kind = element_kinds(run);
    build_pattern(run, kind.data());
    const double t_pattern = now() - t;
    double t_assembly = 0, t_cg = 0, t_loads = 0, t_recover = 0, t_write = 0;
    long long cg_total = 0;
    int iterations = 0, assemblies = 0;
    {
        quiet_stdout quiet;
        t = now();
        count_node_solids(run);
        build_f_ext(run);
        t_loads = now() - t;
        // one increment, as first_phase does it
        run.acm_load = 1.0;
        vec_axpy(run.resid.data(), 1.0, run.f_ext.data(), run.nn);
        double norm0 = 0.0;
        for (int j = 0; j < run.max_itr; ++j) {
            t = now();
            build_stiffness(run);
            compact_rows(run.matrix);
            check_diagonal(run.matrix);
            t_assembly += now() - t;
            ++assemblies;
            matrix_vector(run.k_ddisp.data(), run.matrix, run.ddisp.data());
            for (int k = 0; k < run.nn; ++k)
                run.resid[k] = run.fixed[k] ? 0.0 : run.resid[k] - run.k_ddisp[k];
            const double norm1 = vector_norm(run.resid.data(), run.nn);
            if (norm1 < 1.0e-6 || std::fabs((norm0 - norm1) / norm1) < 1.0e-5) break;
            if (norm0 != 0.0 && norm1 > norm0)
                vec_scale(run.resid.data(), norm0 / norm1, run.resid.data(), run.nn);
            vec_zero(run.ddisp.data(), run.nn);
            cg_report report;
            t = now();
            cg_solve(run.matrix, run.ddisp.data(), run.resid.data(), run.fixed.data(), &report);
            t_cg += now() - t;
            cg_total += report.iterations;
            ++iterations;
            vec_axpy(run.disp.data(), 1.0, run.ddisp.data(), run.nn);
            norm0 = norm1;
        }
        t = now();
        recover_stresses(run);
        t_recover = now() - t;
        t = now();
        write_results(run, 0);
        t_write = now() - t;
    }
    const double total = now() - t0;
    std::remove((base + ".pin").c_str());
    std::remove((base + ".out").c_str());
    const double peak = peak_mb(); // before the bandwidth arrays
    double copy = 0, triad = 0;
    measure_bandwidth(&copy, &triad);
    const double per_it = t_cg / std::max(1LL, cg_total);
    const double bound = cg_iteration_bytes(run.matrix) / (triad * 1e9);
    std::printf("nodes %d\nelements %d\nstored_entries %lld\n", run.np, run.ne,
                static_cast<long long>(run.matrix.row_start[run.nn]));
    std::printf("read_s %.3f\npattern_s %.3f\nloads_s %.3f\n", t_read, t_pattern, t_loads);
    std::printf("equilibrium_iterations %d\nassemblies %d\nassembly_s "
                "%.3f\nassembly_per_iteration_s %.4f\n",
                iterations, assemblies, t_assembly, t_assembly / std::max(1, assemblies));
    std::printf("cg_iterations %lld\ncg_s %.3f\ncg_iteration_s %.5f\n", cg_total, t_cg, per_it);
    std::printf("cg_iteration_bound_s %.5f\ncg_iteration_over_bound %.2f\n", bound, per_it / bound);
    std::printf("recover_s %.3f\nwrite_s %.3f\ntotal_s %.3f\ncg_share %.2f\n", t_recover, t_write,
                total, t_cg / total);
    std::printf("copy_GBs %.2f\ntriad_GBs %.2f\npeak_MB %.1f\n", copy, triad, peak);
    return 0;
}

// The bandwidth bound of one CG iteration on a model file (seconds), with the
// triad measured now: bytes of cg_iteration_bytes over the triad bandwidth.
static int bound_mode(const std::string &name)
{
    corvane_run run;
    read_generated(run, name);
    const std::vector<int> kind = element_kinds(run);
    build_pattern(run, kind.data());
    double copy = 0, triad = 0;
    measure_bandwidth(&copy, &triad);
    std::printf("%.5f\n", cg_iteration_bytes(run.matrix) / (triad * 1e9));
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: corvane_bench model <n> <file> | assembly <n> | run <n> | bound <file>\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "bound") return bound_mode(argv[2]);
    const long n = std::atol(argv[2]);
    if (mode == "model" && argc >= 4) {
        write_layered_model(plan_cells(n), plan_cells(n), argv[3]);
        return 0;
    }
    if (mode == "assembly") return assembly_mode(n);
    if (mode == "run") return run_mode(n);
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
