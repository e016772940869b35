// The run-state object of one corvane run: settings, unit factors, model tables and driver vectors.
#pragma once

#include "corvane_status.h"
#include "linear_system.h"
#include "model.h"

#include <string>
#include <vector>

// One output-point row: position and the code that selects the quantities written.
struct out_point {
    double x = 0.0, y = 0.0, z = 0.0;
    int code = 0;
};

// One -E row: entry k of material m is set to v after conversion.
struct mat_override {
    int m = 0, k = 0;
    double v = 0.0;
};

// Everything one analysis run owns. The finite-element tables (counts, model
// arrays, matrix, result arrays) come from corvane_model; the rest belongs to
// the command line, the files and the incremental-iterative driver.
struct corvane_run : corvane_model {
    // run settings (command line)
    std::string base_name;                   // -F base of the derived names
    std::string input_file;                  // base.pin
    std::string result_file;                 // base.out
    std::string dowel_input_file;            // base.dwi, or -B name
    std::string dowel_result_file;           // base.dwo
    std::string xy_file;                     // base.xy, derived but never opened
    std::string dowel_max_file;              // -J
    std::string case_file;                   // -M
    std::string point_file;                  // -O, or the case file's name
    int file_count = 0;                      // -F options seen
    int max_itr = 40;                        // -N equilibrium iterations per increment
    int n_inc = 1;                           // -P load increments
    int n_sub = 1;                           // -P sub-increments replacing a failed increment
    int phase2 = 0;                          // -R second loading phase
    int append_points = 0;                   // -A append to point_file
    int unit_code = 0;                       // -U 0, 1 or 2
    double z_value = 0.1;                    // -Z stored, not used
    std::vector<out_point> out_points;       // -C rows or the case file's points
    std::vector<mat_override> mat_overrides; // -E rows
    int override_flag = 0;                   // 1 once any -E was given
    int equilibrium_mode = 0;                // --equilibrium: iterate on the true residual
    double equilibrium_tolerance = 1.0e-6;   // --equilibrium-tolerance: |r| / |load| to stop at
    double check_tolerance = 1.0e-3;         // --check-tolerance: |r| / |load| the check accepts
    int amg_reuse = 1;                       // --amg-reuse=no: a fresh set-up for every solve
    int warm_start = 0; // --warm-start=yes: a load set's iterations start from the last set's state
    int writes_files = 1; // 0 on MPI ranks other than 0
    // --timings: wall seconds of each phase, printed at the end of the run
    int timings = 0;
    struct {
        double read = 0, setup = 0, assembly = 0, solve = 0, recovery = 0, write = 0;
        int assemblies = 0, solves = 0;
        long long iterations = 0;
    } times;
    int files_units = 0;       // --files-units: 1 kgf-cm, 2 SI, recorded in BASE.mst (0: not given)
    int material_stresses = 0; // --material-stresses: write BASE.mst per case
    const solver_type *solver = &solver_types[0]; // --solver: the linear-system back end
    std::shared_ptr<linear_system> system;        // the back end, made once the pattern is built

    // unit factors (set_units)
    double f_stress = 1.0; // stresses, Young's moduli, tractions
    double f_spring = 1.0; // joint stiffnesses, dowel support modulus
    double f_weight = 1.0; // unit weights

    // case file, or load sets (--load-sets): each case writes its own files named case_base(c)
    int case_mode = 0;             // 1 when the case file was opened or load sets were read
    int n_cases = 1;               // analysis cases
    std::vector<double> case_mats; // n_cases*nm*12 when the file gives more than one case
    std::string load_set_file;     // --load-sets: one case per set of loaded faces, same mesh
    std::vector<int> set_nedge;    // per set: its loaded faces
    std::vector<std::vector<int>> set_nodes;   // per set: 4 nodes per face
    std::vector<std::vector<double>> set_vals; // per set: 12 tractions per face (converted)
    std::vector<double> set_body;   // per set: factors of the self weight and the temperature
    std::vector<double> model_mats; // the model's materials, which a set's factors scale

    // driver state
    double acm_load = 0.0;      // accumulated load factor of the first phase
    int err_count = 0;          // element errors met while building a load vector
    int write_failed = 0;       // 1 once any result file could not be written
    int not_in_equilibrium = 0; // 1 once any case ended without equilibrium
    int case_failed = 0;        // 1 once the current case missed equilibrium somewhere
    int matrix_is_current = 0;  // 1 while the matrix was assembled at the current disp

    // driver vectors (nn doubles each)
    std::vector<double> f_ext;       // external load vector
    std::vector<double> f_first;     // the first phase's f_ext, kept while the second runs
    std::vector<double> load_now;    // load applied so far: acm_load f_first (+ second phase)
    std::vector<double> resid;       // unbalanced load
    std::vector<double> resid_saved; // its copy at the start of an increment
    std::vector<double> disp_saved;  // copy of disp at the start of an increment
    std::vector<double> ddisp;       // displacement correction of one iteration
    std::vector<double> k_ddisp;     // matrix times ddisp
};

// The base of case c's own files: base + "%02d" for a case file, base + "_p%02d" for load sets
// (so base00.pin, or base_p00.pin, with its .out, .dwo, .dwi and .mst).
std::string case_base(const corvane_run &run, int c);
