// Running the chain for a pavement description: mesh (tarnel), analysis (corvane), the report
// and pictures, the mesh check, and the sweep of load positions.
#pragma once

#include "description.h"
#include "model.h"
#include "report.h"

#include <chrono>
#include <string>
#include <vector>

// The suite's programs, found beside this one or on the PATH.
struct chain_tools {
    std::string tarnel, corvane, batch; // batch: ostrine-batch, empty when not built
    offered_names offered;              // corvane's solvers and elements (its --capabilities)
    std::vector<std::string> built;     // the solvers this corvane was built with
    std::vector<std::string> options;   // its long options ("warm-start=", ...)
    // whether corvane was built with the solver of that name
    bool has(const std::string &solver) const;
    // whether corvane takes the long option of that name ("warm-start=")
    bool offers(const std::string &option) const;
};

// The solver for a model of this many nodes when the description leaves it to pavement: the
// factorization up to direct_node_limit (planned) nodes, the mesh's multigrid beyond; without
// the multigrid, the factorization while it takes at most direct_memory_share of the memory
// free, AMG for larger models, else what is built.
inline constexpr long long direct_node_limit = 120000;
inline constexpr double direct_memory_share = 0.4;
std::string automatic_solver(const chain_tools &t, long long nodes);

// Finds the programs; false with why when tarnel or corvane is missing.
bool find_tools(const char *argv0, chain_tools &t, std::string &why);

// Exit statuses of pavement.
enum pavement_status {
    pavement_ok = 0,
    pavement_failed = 1,        // a program of the chain failed, or a file could not be written
    pavement_bad_input = 2,     // a bad description or command line: nothing written
    pavement_not_converged = 4, // results written, equilibrium not reached
};

struct run_settings {
    std::string out_dir;      // where every file goes
    bool verify_mesh = false; // run again with the sizes halved and compare
    bool pictures = true;     // pictures and VTK through ostrine-batch (when built)
    bool quiet = false;       // no progress lines
    bool keep = false;        // design: keep every analysis's files (else removed once read)
    bool timings = false;     // where the time goes, by phase (and corvane's own phases)
};

// Prints corvane's phase timings from its log (corvane --timings), as pavement lines.
void print_solver_timings(const std::string &log);

// Wall seconds since t0.
double seconds_since(std::chrono::steady_clock::time_point t0);

// Where the time of many analyses went (a sweep's, a design's), added up over them: several run
// at once, so these are the analyses' own seconds, not the command's wall clock. Adding is safe
// from the pool's threads.
struct analysis_clock {
    int analyses = 0;   // analyses added
    double meshing = 0; // building the models and tarnel, s
    double solving = 0; // corvane's wall time, s
    double reading = 0; // reading the results back for their figures, s
    // corvane's own phases (its --timings lines), summed over its runs
    int runs = 0;
    double solver[6] = {}; // reading, pattern and set-up, assembly, solving, recovery, writing
    long long assemblies = 0, solves = 0, iterations = 0;

    // Adds one analysis's meshing, solving and reading seconds.
    void add(double mesh_s, double solve_s, double read_s);
    // Adds reading seconds only (the sets of an analysis already added).
    void add_reading(double read_s);
    // Adds the phases of corvane's log (nothing when it holds no timings line).
    void add_solver_log(const std::string &log);
    // "pavement: analyses: timings summed over N corvane runs: ..." (nothing without runs).
    void print_solver() const;
};
// Prints the peak memory of pavement and the programs it ran, and the files in dir.
void print_resources(const std::string &dir);

// One analysis of description d (refined as asked) in directory dir with base name base:
// writes the files, runs tarnel and corvane. Returns a pavement_status; why says what failed.
// grid_only: wheels that shape the grid without load (so that analyses share a mesh).
// wheels_alone: with self weight or curl and a joint, also analyse the model without the wheels
// (BASE_unloaded), for the joints' load transfer of the wheels alone.
int analyse(const description &d, const mesh_refinement &refine, const chain_tools &tools,
            const std::string &dir, const std::string &base, bool quiet, generated_model &g,
            std::string &why, const std::vector<wheel> *grid_only = nullptr,
            bool wheels_alone = true);

// Descriptions that differ only in their loads, meshed on one grid (refined under every wheel
// of `every`) and solved as the load sets of one corvane run in dir; the results of set k are
// load_set_base(dir, base, k). Returns a pavement_status.
// body, when given: per set the factors of the self weight and of the temperature profile.
// parts: the sets are shared among this many corvane runs at once (each factorises the same
// matrix: worth it where the sets' recovery and writing outweigh a factorization), their
// results named as one run's.
int analyse_on_one_mesh(const std::vector<description> &ds, const std::vector<wheel> &every,
                        const std::string &dir, const std::string &base, const chain_tools &tools,
                        bool quiet, std::string &why,
                        const std::vector<std::pair<double, double>> *body = nullptr, int parts = 1,
                        analysis_clock *clock = nullptr);
std::string load_set_base(const std::string &dir, const std::string &base, int set);

// Runs argv in directory dir, standard output and error into log: the exit status, 128 + the
// signal that ended it, or -1 when it could not be started.
int run_program(const std::vector<std::string> &argv, const std::string &dir,
                const std::string &log);
// Writes text to name under a temporary name renamed when complete.
bool write_file(const std::string &name, const std::string &text);

// Whether the model's estimated memory (four times it for the mesh check) is free on this
// machine; false with why (naming the description and the keys to change).
bool fits_in_memory(const description &d, const generated_model &g, const chain_tools &t,
                    bool verify_mesh, std::string &why);
// The model's files planned (build_model) and its memory checked (fits_in_memory): what run
// refuses before analysing, and check with it. False with the message (naming the description).
bool plan_analysis(const description &d, const chain_tools &t, bool verify_mesh, generated_model &g,
                   std::string &why);
// The solver a model of this many nodes runs with (the description's, or pavement's choice) and
// the memory it is expected to take (solver_memory).
std::string chosen_solver(const description &d, const chain_tools &t, long long nodes);
double expected_memory(const description &d, const chain_tools &t, long long nodes);

// pavement run: analyse, report (HTML and CSV), pictures, VTK; returns the exit status.
int run_description(const description &d, const run_settings &s, const chain_tools &tools);

// Sweep offsets: start, stop, step.
struct sweep_range {
    double start = 0, stop = 0, step = 1;
    std::vector<double> values() const;
};

// pavement sweep: every load group moved by the offsets of the grid, each position meshed and
// analysed (jobs at a time), the key figures tabulated (sweep.csv), plotted (sweep.svg) and
// the governing position printed; returns the exit status.
int sweep_description(const description &d, const sweep_range &dx, const sweep_range &dy, int jobs,
                      const run_settings &s, const chain_tools &tools);

// Key figures of an analysed set (reads base with its per-material stresses). without: the
// set of the same model analysed without the wheels ("" when the set holds only the wheels'
// loads), for the joints' load transfer of the wheels alone. With parts (and without), the
// report also gives the slab's tensions of the wheels alone, of the temperature and self weight
// alone, and combined: the wheels' as the difference of the two sets (a linear model), or from
// wheels, the set of the wheels analysed alone (a nonlinear one).
bool report_of_set(const std::string &base, const description &d, report_data &r, std::string &why,
                   const std::string &without = "", bool parts = false,
                   const std::string &wheels = "");

// Whether the wheels alone need the analysis without them (for the joints' load transfer and
// the loading apart): wheels, and self weight or a temperature difference in the model.
bool needs_unloaded_analysis(const description &d);
// The name of that analysis: BASE followed by this.
constexpr const char *unloaded_suffix = "_unloaded";
// The analysis of the wheels alone (no self weight, no temperature), beside the two above where
// the model is nonlinear and the parts cannot be had by superposition: BASE_wheels.
constexpr const char *wheels_suffix = "_wheels";
