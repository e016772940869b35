// The incremental-iterative analysis driver: reading, cases, increments, iterations, writers.
#include "driver.h"

#include "cg.h"
#include "dense.h"
#include "dowel_output.h"
#include "dowel_results.h"
#include "global_matrix.h"
#include "loads.h"
#include "model_io.h"
#include "recovery.h"
#include "results.h"

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

// One equilibrium iteration's matrix: rebuilt, compacted and checked.
// Returns false when a negative diagonal ends the iterations (j > 0 only).
static bool assemble(corvane_run &run, int j)
{
    build_stiffness(run);
    compact_rows(run.matrix);
    if (check_diagonal(run.matrix) < 0 && j > 0) {
        std::printf("Negative diagonal component!!\n\n");
        return false;
    }
    return true;
}

// resid <- resid - K ddisp on free equations (0 on fixed ones); returns |resid|.
static double update_residual(corvane_run &run)
{
    matrix_vector(run.k_ddisp.data(), run.matrix, run.ddisp.data());
    for (int k = 0; k < run.nn; ++k)
        run.resid[k] = run.fixed[k] ? 0.0 : run.resid[k] - run.k_ddisp[k];
    return vector_norm(run.resid.data(), run.nn);
}

// ddisp = K^-1 resid, disp <- disp + ddisp
static void solve_correction(corvane_run &run)
{
    vec_zero(run.ddisp.data(), run.nn);
    cg_solve(run.matrix, run.ddisp.data(), run.resid.data(), run.fixed.data());
    vec_axpy(run.disp.data(), 1.0, run.ddisp.data(), run.nn);
}

void first_phase(corvane_run &run)
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
        vec_zero(run.ddisp.data(), nn);
        double norm0 = 0.0;
        bool converged = false;
        for (int j = 0; j < run.max_itr; ++j) {
            std::printf("\n**** Inc No. [%3d] acm_load = %8.5f -- Itr No. [%3d] ****\n", i,
                        run.acm_load, j);
            if (!assemble(run, j)) break;
            const double norm1 = update_residual(run);
            std::printf("\n--- Residures: norm0=%12.5e, norm1=%12.5e\n", norm0, norm1);
            if (norm1 < abs_tolerance) {
                converged = true;
                break;
            }
            if (std::fabs((norm0 - norm1) / norm1) < rel_tolerance) {
                converged = true;
                break;
            }
            if (norm0 != 0.0 && norm1 > norm0)
                vec_scale(run.resid.data(), norm0 / norm1, run.resid.data(), nn);
            if (norm1 > divergence) break;
            solve_correction(run);
            norm0 = norm1;
        }
        // sub-increment bookkeeping
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
            total_inc += run.n_sub;
            run.acm_load -= dinc;
            dinc /= run.n_sub;
            in_subdivision = true;
            sub = 1;
        }
        if (run.acm_load >= 1.0) break;
        ++i;
    }
}

void second_phase(corvane_run &run)
{
    const int nn = run.nn;
    for (int i = 0; i < run.n_inc; ++i) {
        vec_axpy(run.resid.data(), 1.0 / run.n_inc, run.f_ext.data(), nn);
        vec_zero(run.ddisp.data(), nn);
        double norm0 = 0.0;
        for (int j = 0; j < run.max_itr; ++j) {
            std::printf("\n**** Increment No. [%3d] -- Iteration No. [%3d] ****\n", i, j);
            if (!assemble(run, j)) break;
            const double norm1 = update_residual(run);
            std::printf("\n--- Residures: norm0=%12.5e, norm1=%12.5e\n", norm0, norm1);
            if (norm1 < abs_tolerance) break;
            if (std::fabs((norm0 - norm1) / norm1) < rel_tolerance) break;
            solve_correction(run);
            norm0 = norm1;
        }
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
    return 0;
}

// Element errors in a load vector end the run without results for case c.
static int end_on_element_errors(const corvane_run &run, int c)
{
    std::fprintf(stderr,
                 "\ncorvane: %s: %d element error(s) while building a load vector; "
                 "no results written for case %d\n",
                 run.input_file.c_str(), run.err_count, c);
    return run.write_failed ? status_write_failed : status_ok;
}

int run_analysis(corvane_run &run)
{
    try {
        const int got = read_inputs(run);
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
        build_pattern(run, kind.data());
    } catch (const std::bad_alloc &) {
        no_memory("array_d2");
    }

    for (int c = 0; c < run.n_cases; ++c) {
        if (run.case_mode && run.n_cases > 1) read_case_materials(run, c);
        vec_zero(run.resid.data(), run.nn);
        std::fill(run.gp_stress.begin(), run.gp_stress.end(), 0.0);
        std::fill(run.gp_strain.begin(), run.gp_strain.end(), 0.0);
        std::fill(run.node_stress.begin(), run.node_stress.end(), 0.0);
        std::fill(run.node_strain.begin(), run.node_strain.end(), 0.0);
        vec_zero(run.disp.data(), run.nn);
        count_node_solids(run);

        build_f_ext(run);
        if (run.err_count != 0) return end_on_element_errors(run, c);
        vec_zero(run.resid.data(), run.nn);
        first_phase(run);
        if (run.acm_load < 1.0 - 1e-9)
            std::fprintf(stderr,
                         "\ncorvane: case %d: the increments ran out at load factor %.5f; "
                         "the results are for that part of the load\n",
                         c, run.acm_load);
        if (run.phase2) {
            build_phase2_load(run);
            if (run.err_count != 0) return end_on_element_errors(run, c);
            vec_zero(run.resid.data(), run.nn);
            second_phase(run);
        }
        recover_stresses(run);
        write_results(run, c);
        // dowel end forces of this case, appended maxima line (-J)
        out_results_dowel(run);
    }
    return run.write_failed ? status_write_failed : status_ok;
}
