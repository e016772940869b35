// The incremental-iterative analysis driver: reading, cases, increments, iterations, writers.
#include "driver.h"

#include "cg.h"
#include "dense.h"
#include "dowel.h"
#include "dowel_output.h"
#include "dowel_results.h"
#include "element_type.h"
#include "global_matrix.h"
#include "loads.h"
#include "material_stresses.h"
#include "model_io.h"
#include "recovery.h"
#include "results.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <new>

static const double abs_tolerance = 1.0e-6; // norm1 below it: converged
static const double rel_tolerance = 1.0e-5; // relative change of the norm below it: converged
static const double divergence = 1.0e7;     // norm1 above it: failed (first phase)

// Closes a FILE when it goes out of scope.
struct file_closer {
    std::FILE *f;
    ~file_closer()
    {
        if (f) std::fclose(f);
    }
};

// How the equilibrium iterations of one increment ended.
enum iteration_end {
    ended_converged = 0,
    ended_exhausted,         // max_itr iterations without convergence
    ended_negative_diagonal, // check_diagonal found a non-positive diagonal (j > 0)
    ended_divergence,        // norm1 above the divergence bound (first phase)
    ended_solver_failed,     // the linear solve refused or broke down
};

// Why an increment was accepted without convergence, for the message.
static const char *end_reason(iteration_end why)
{
    switch (why) {
    case ended_exhausted:
        return "the iterations ran out";
    case ended_negative_diagonal:
        return "a negative diagonal";
    case ended_divergence:
        return "the residual diverged";
    case ended_solver_failed:
        return "the C-G solve failed";
    default:
        return "converged";
    }
}

// One equilibrium iteration's matrix: rebuilt, compacted and checked.
// Returns false when a negative diagonal ends the iterations (j > 0 only).
// Wall seconds since t0 (for --timings).
static double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

static bool assemble(corvane_run &run, int j)
{
    const auto t0 = std::chrono::steady_clock::now();
    const int negative = run.system->assemble(run, true);
    run.times.assembly += seconds_since(t0);
    ++run.times.assemblies;
    run.matrix_is_current = 1;
    if (negative < 0 && j > 0) {
        std::printf("Negative diagonal component!!\n\n");
        return false;
    }
    return true;
}

// y = K x with the matrix of the last assembly.
static void product(corvane_run &run, const double *x, double *y)
{
    run.system->product(x, y);
}

// resid <- resid - K ddisp on free equations (0 on fixed ones); returns |resid|.
static double update_residual(corvane_run &run)
{
    product(run, run.ddisp.data(), run.k_ddisp.data());
    for (int k = 0; k < run.nn; ++k)
        run.resid[k] = run.fixed[k] ? 0.0 : run.resid[k] - run.k_ddisp[k];
    return vector_norm(run.resid.data(), run.nn);
}

// resid <- load_now - K(u) u on free equations (0 on fixed ones), with the
// matrix of the current state; returns |resid|.
static double true_residual(corvane_run &run)
{
    product(run, run.disp.data(), run.k_ddisp.data());
    for (int k = 0; k < run.nn; ++k)
        run.resid[k] = run.fixed[k] ? 0.0 : run.load_now[k] - run.k_ddisp[k];
    return vector_norm(run.resid.data(), run.nn);
}

// ddisp = K^-1 resid, disp <- disp + ddisp. Returns the solver's outcome.
static int solve_correction(corvane_run &run)
{
    vec_zero(run.ddisp.data(), run.nn);
    cg_report report;
    const auto t0 = std::chrono::steady_clock::now();
    run.system->solve(run.fixed.data(), run.ddisp.data(), run.resid.data(), &report);
    run.times.solve += seconds_since(t0);
    ++run.times.solves;
    run.times.iterations += report.iterations;
    vec_axpy(run.disp.data(), 1.0, run.ddisp.data(), run.nn);
    run.matrix_is_current = 0;
    return report.outcome;
}

// |v| over the free equations.
static double free_norm(const corvane_run &run, const double *v)
{
    double s = 0.0;
    for (int k = 0; k < run.nn; ++k)
        if (!run.fixed[k]) s += v[k] * v[k];
    return std::sqrt(s);
}

// load_now = a f_first + b f_ext (f_first is only read when a is not 0).
static void set_load_now(corvane_run &run, double a, double b)
{
    for (int k = 0; k < run.nn; ++k)
        run.load_now[k] = (a != 0.0 ? a * run.f_first[k] : 0.0) + b * run.f_ext[k];
}

// The progress line of iteration j of increment i (first or second phase).
static void print_iteration_line(const corvane_run &run, bool first, int i, int j)
{
    if (first)
        std::printf("\n**** Inc No. [%3d] acm_load = %8.5f -- Itr No. [%3d] ****\n", i,
                    run.acm_load, j);
    else
        std::printf("\n**** Increment No. [%3d] -- Iteration No. [%3d] ****\n", i, j);
}

// The default iterations of one increment on the running residual resid
// (which already holds the increment's load). first: the first phase, with the
// residual scaling and the divergence bound.
static iteration_end iterate_running(corvane_run &run, int i, bool first)
{
    const int nn = run.nn;
    vec_zero(run.ddisp.data(), nn);
    double norm0 = 0.0;
    for (int j = 0; j < run.max_itr; ++j) {
        print_iteration_line(run, first, i, j);
        if (!assemble(run, j)) return ended_negative_diagonal;
        const double norm1 = update_residual(run);
        // "Residures": the fixed progress text as users know it
        std::printf("\n--- Residures: norm0=%12.5e, norm1=%12.5e\n", norm0, norm1);
        if (norm1 < abs_tolerance) return ended_converged;
        if (std::fabs((norm0 - norm1) / norm1) < rel_tolerance) return ended_converged;
        if (first) {
            if (norm0 != 0.0 && norm1 > norm0)
                vec_scale(run.resid.data(), norm0 / norm1, run.resid.data(), nn);
            if (norm1 > divergence) return ended_divergence;
        }
        const int outcome = solve_correction(run);
        // a refused or broken-down solve leaves the residual as it was: the next
        // iteration would take the unchanged norm for convergence
        if (outcome == cg_refused || outcome == cg_breakdown) return ended_solver_failed;
        norm0 = norm1;
    }
    return ended_exhausted;
}

// --equilibrium: iterations on the true residual load_now - K(u) u, the matrix
// reassembled at the current state each time, until |r| <= tol |load_now|. A
// model whose K does not depend on u takes one solve; the equilibrium check
// after the increment judges it.
static iteration_end iterate_true(corvane_run &run, int i, bool first)
{
    const double load = free_norm(run, run.load_now.data());
    const bool linear = joints_are_linear(run);
    double norm0 = 0.0;
    for (int j = 0; j < run.max_itr; ++j) {
        if (linear && j == 1) return ended_converged;
        print_iteration_line(run, first, i, j);
        if (!assemble(run, j)) return ended_negative_diagonal;
        const double norm1 = true_residual(run);
        // "Residures": the fixed progress text as users know it
        std::printf("\n--- Residures: norm0=%12.5e, norm1=%12.5e\n", norm0, norm1);
        if (norm1 <= run.equilibrium_tolerance * load) return ended_converged;
        if (solve_correction(run) != cg_converged) return ended_solver_failed;
        norm0 = norm1;
    }
    return ended_exhausted;
}

// The out-of-balance force r = load_now - K(u) u over the free equations, with
// the joint springs of the current state. Prints one line on standard error
// and returns false when |r| / |load_now| exceeds check_tolerance (|r| above
// the absolute tolerance when there is no load). what names the increment.
static bool check_equilibrium(corvane_run &run, int c, const char *what, int i)
{
    if (!run.matrix_is_current) {
        run.system->assemble(run, false); // quiet: the iterations listed its diagonals
        run.matrix_is_current = 1;
    }
    product(run, run.disp.data(), run.k_ddisp.data());
    double r2 = 0.0, worst = -1.0;
    int node = 0;
    for (int n = 0; n < run.np; ++n) {
        double rn = 0.0;
        for (int k = 3 * n; k < 3 * n + 3; ++k) {
            const double r = run.fixed[k] ? 0.0 : run.load_now[k] - run.k_ddisp[k];
            rn += r * r;
        }
        r2 += rn;
        if (rn > worst) {
            worst = rn;
            node = n;
        }
    }
    const double norm_r = std::sqrt(r2), load = free_norm(run, run.load_now.data());
    const double ratio = load > 0.0 ? norm_r / load : norm_r;
    const double limit = load > 0.0 ? run.check_tolerance : abs_tolerance;
    if (ratio <= limit) return true; // also false for NaN
    const double *x = &run.coords[3 * static_cast<std::size_t>(node)];
    std::fprintf(stderr,
                 "corvane: case %d, %s %d (load factor %.5f): out-of-balance force %.3e %s "
                 "(tolerance %.1e), largest at node %d (%.3f, %.3f, %.3f)\n",
                 c, what, i, run.acm_load, ratio, load > 0.0 ? "of the load" : "with no load",
                 limit, node, x[0], x[1], x[2]);
    return false;
}

// An increment kept although its iterations did not converge.
static void report_unconverged(corvane_run &run, int c, const char *what, int i, iteration_end why)
{
    std::fprintf(stderr,
                 "corvane: case %d, %s %d (load factor %.5f): accepted without equilibrium (%s)\n",
                 c, what, i, run.acm_load, end_reason(why));
    run.case_failed = 1;
}

void first_phase(corvane_run &run, int c)
{
    const int nn = run.nn;
    double dinc = 1.0 / run.n_inc;
    run.acm_load = 0.0;
    int total_inc = run.n_inc, sub = 0;
    bool in_subdivision = false;
    for (int i = 0; i < total_inc;) {
        run.disp_saved = run.disp;
        run.resid_saved = run.resid;
        // a full-size increment after sub-increments must not carry the load past f_ext
        if (run.acm_load + dinc > 1.0 + 1e-12) dinc = 1.0 - run.acm_load;
        run.acm_load += dinc;
        vec_axpy(run.resid.data(), dinc, run.f_ext.data(), nn);
        set_load_now(run, 0.0, run.acm_load);
        const iteration_end end =
            run.equilibrium_mode ? iterate_true(run, i, true) : iterate_running(run, i, true);
        const bool converged = end == ended_converged;
        // sub-increment bookkeeping
        bool withdrawn = false;
        if (converged && in_subdivision) {
            if (sub < run.n_sub) {
                ++sub;
            } else {
                sub = 0;
                dinc = 1.0 / run.n_inc;
                in_subdivision = false;
            }
        } else if (!converged && !in_subdivision && sub == 0) {
            // withdraw the increment once and repeat it in n_sub smaller steps
            run.resid = run.resid_saved;
            run.disp = run.disp_saved;
            run.matrix_is_current = 0;
            total_inc += run.n_sub;
            run.acm_load -= dinc;
            dinc /= run.n_sub;
            in_subdivision = true;
            sub = 1;
            withdrawn = true;
        }
        if (!withdrawn) {
            if (!converged) report_unconverged(run, c, "increment", i, end);
            if (!check_equilibrium(run, c, "increment", i)) run.case_failed = 1;
        }
        if (run.acm_load >= 1.0) break;
        ++i;
    }
}

void second_phase(corvane_run &run, int c)
{
    const int nn = run.nn;
    double factor = 0.0; // share of the second-phase load applied so far
    for (int i = 0; i < run.n_inc; ++i) {
        vec_axpy(run.resid.data(), 1.0 / run.n_inc, run.f_ext.data(), nn);
        factor += 1.0 / run.n_inc;
        set_load_now(run, run.acm_load, factor);
        const iteration_end end =
            run.equilibrium_mode ? iterate_true(run, i, false) : iterate_running(run, i, false);
        if (end != ended_converged) report_unconverged(run, c, "second-phase increment", i, end);
        if (!check_equilibrium(run, c, "second-phase increment", i)) run.case_failed = 1;
        if (run.n_inc > 1) write_step_points(run);
    }
}

// Element kinds for the coupling pattern: an element couples all its nodes if
// its material is a solid in any case's materials, facing nodes if a joint.
static void pattern_kinds(const corvane_run &run, std::vector<int> &kind)
{
    kind.assign(run.ne, couples_nothing);
    const std::size_t set = 12 * static_cast<std::size_t>(run.nm);
    const int sets = run.case_mats.empty() ? 1 : run.n_cases;
    for (int c = 0; c < sets; ++c) {
        const double *mats = run.case_mats.empty() ? run.mats.data() : &run.case_mats[set * c];
        for (int e = 0; e < run.ne; ++e) {
            const int type = material_type(mats + 12 * run.conn[9 * e + 8]);
            if (type == 0)
                kind[e] = couples_all;
            else if (is_joint_type(type) && kind[e] == couples_nothing)
                kind[e] = couples_facing;
        }
    }
}

// Reads every input file completely before anything is written. Returns 1
// when the model file cannot be opened, 0 otherwise; throws input_error.
static int read_inputs(corvane_run &run)
{
    std::FILE *f = std::fopen(run.input_file.c_str(), "r");
    if (!f) {
        std::fprintf(stderr, "Input data file can not be opened");
        return 1; // nothing to analyse
    }
    std::printf("%s\n", run.input_file.c_str());
    {
        file_closer closer{f};
        read_model(run, f, run.input_file);
    }
    set_fixed_flags(run);
    alloc_work(run);
    if (std::FILE *d = std::fopen(run.dowel_input_file.c_str(), "r")) {
        file_closer closer{d};
        read_dowels(run, d, run.dowel_input_file);
        const std::string fault = dowel_data_fault(run, run.dowel_input_file.c_str());
        if (!fault.empty()) throw input_error(fault);
    }
    run.gauss_point[0] = -0.57735027;
    run.gauss_point[1] = 0.57735027;
    run.gauss_weight[0] = 1.0;
    run.gauss_weight[1] = 1.0;
    run.case_mode = 0;
    run.n_cases = 1;
    if (!run.case_file.empty()) {
        if (std::FILE *c = std::fopen(run.case_file.c_str(), "r")) {
            file_closer closer{c};
            read_case_header(run, c, run.case_file);
        }
    }
    if (!run.load_set_file.empty()) {
        std::FILE *s = std::fopen(run.load_set_file.c_str(), "r");
        if (!s) throw input_error(run.load_set_file + ": cannot be opened");
        file_closer closer{s};
        read_load_sets(run, s, run.load_set_file);
        // one mesh for every set: the enriched brick keeps its modes' coupling between them
        // while it takes no more than 256 MB (a record of about 2.5 KB per element)
        run.modes.keep_coupling = static_cast<double>(run.ne) * 2.5e3 <= 256e6;
    }
    return 0;
}

// The exit status of a run that got to its writers: 3 when any file could not
// be written (results are missing), else 4 when any case ended without
// equilibrium, else 0.
static int final_status(const corvane_run &run)
{
    if (run.write_failed) return status_write_failed;
    if (run.not_in_equilibrium) return status_not_in_equilibrium;
    return status_ok;
}

// Element errors in a load vector end the run without results for case c.
static int end_on_element_errors(const corvane_run &run, int c)
{
    std::fprintf(stderr,
                 "\ncorvane: %s: %d element error(s) while building a load vector; "
                 "no results written for case %d\n",
                 run.input_file.c_str(), run.err_count, c);
    return final_status(run);
}

// One analysis case from zeroed arrays to its result files. Returns -1, or the
// exit status when element errors end the run.
static int run_case(corvane_run &run, int c)
{
    if (run.case_mode && !run.case_mats.empty()) read_case_materials(run, c);
    if (!run.set_nedge.empty()) { // this case's loaded faces on the same mesh
        run.nedge = run.set_nedge[c];
        run.face_nodes = run.set_nodes[c];
        run.face_vals = run.set_vals[c];
        // its self weight and temperature: the solids' unit weight (entry 2) and temperature
        // profile (entries 5 to 7) times the set's factors, for the loads and the recovery alike
        if (run.model_mats.empty()) run.model_mats = run.mats;
        run.mats = run.model_mats;
        const double g = run.set_body[2 * c], t = run.set_body[2 * c + 1];
        if (g != 1.0 || t != 1.0)
            for (int m = 0; m < run.nm; ++m) {
                double *mat = &run.mats[12 * m];
                if (!is_solid_code(material_type(mat))) continue;
                mat[2] *= g;
                for (int k = 5; k <= 7; ++k) mat[k] *= t;
            }
    }
    vec_zero(run.resid.data(), run.nn);
    std::fill(run.gp_stress.begin(), run.gp_stress.end(), 0.0);
    std::fill(run.gp_strain.begin(), run.gp_strain.end(), 0.0);
    std::fill(run.node_stress.begin(), run.node_stress.end(), 0.0);
    std::fill(run.node_strain.begin(), run.node_strain.end(), 0.0);
    // --warm-start: the iterations on the true residual start from the displacements (and so
    // the joints' and supports' state) the set before ended with; the equilibrium they reach is
    // the same, in fewer iterations when the sets are near each other (a sweep's neighbours)
    bool warm = run.warm_start && c > 0;
    for (int k = 0; warm && k < run.nn; ++k) warm = std::isfinite(run.disp[k]);
    if (!warm) vec_zero(run.disp.data(), run.nn);
    run.matrix_is_current = 0;
    run.case_failed = 0;
    count_node_solids(run);

    build_f_ext(run);
    if (run.err_count != 0) return end_on_element_errors(run, c);
    vec_zero(run.resid.data(), run.nn);
    first_phase(run, c);
    if (run.acm_load < 1.0 - 1e-9) {
        std::fprintf(stderr,
                     "\ncorvane: case %d: the increments ran out at load factor %.5f; "
                     "the results are for that part of the load\n",
                     c, run.acm_load);
        run.case_failed = 1;
    }
    if (run.phase2) {
        run.f_first = run.f_ext; // the second phase's check needs the first phase's load
        build_phase2_load(run);
        if (run.err_count != 0) return end_on_element_errors(run, c);
        vec_zero(run.resid.data(), run.nn);
        second_phase(run, c);
    }
    run.modes.scale = run.acm_load; // the enriched brick's mode loads reached
    run.modes.phase2 = run.phase2;
    material_nodal per_material; // --material-stresses: nodal means per material
    if (run.material_stresses) size_material_nodal(run, per_material);
    auto t0 = std::chrono::steady_clock::now();
    recover_stresses(run, run.material_stresses ? &per_material : nullptr);
    run.times.recovery += seconds_since(t0);
    t0 = std::chrono::steady_clock::now();
    write_results(run, c);
    // dowel end forces of this case, appended maxima line (-J)
    out_results_dowel(run, c);
    if (run.material_stresses) write_material_stresses(run, c, !run.case_failed, per_material);
    run.times.write += seconds_since(t0);
    if (run.case_failed) {
        std::fprintf(stderr, "corvane: case %d: results written, equilibrium not reached\n", c);
        run.not_in_equilibrium = 1;
    }
    return -1;
}

int run_analysis(corvane_run &run)
{
    try {
        const auto t0 = std::chrono::steady_clock::now();
        const int got = read_inputs(run);
        run.times.read = seconds_since(t0);
        if (got != 0) return status_ok; // model file missing
    } catch (const input_error &err) {
        std::fprintf(stderr, "corvane: %s\n", err.what());
        return status_bad_input;
    } catch (const std::bad_alloc &) {
        no_memory("array_d2");
    }
    try {
        std::vector<int> kind;
        pattern_kinds(run, kind);
        // a distributed back end holds its own matrix: only the node pattern here
        const auto t0 = std::chrono::steady_clock::now();
        build_pattern(run, kind.data(), run.solver->distributed);
        std::string why;
        run.system = run.solver->create(run, *run.solver, run.amg_reuse, why);
        run.times.setup = seconds_since(t0);
        if (!run.system) {
            std::fprintf(stderr, "corvane: --solver=%s: %s\n", run.solver->name, why.c_str());
            return status_bad_input;
        }
    } catch (const std::bad_alloc &) {
        no_memory("array_d2");
    }

    try {
        for (int c = 0; c < run.n_cases; ++c) {
            const int status = run_case(run, c);
            if (status >= 0) return status;
        }
    } catch (const std::bad_alloc &) {
        // the first assembly, the solver's work vectors and the recovery
        // allocate inside the case loop
        no_memory("array_d2");
    }
    if (run.timings)
        std::printf("corvane: timings: reading %.2f s, pattern and solver set-up %.2f s, %d "
                    "assemblies %.2f s, %d solves %.2f s (%lld iterations; a preconditioner or "
                    "factorization is formed in its first solve), recovery %.2f s, writing "
                    "%.2f s\n",
                    run.times.read, run.times.setup, run.times.assemblies, run.times.assembly,
                    run.times.solves, run.times.solve, run.times.iterations, run.times.recovery,
                    run.times.write);
    return final_status(run);
}
