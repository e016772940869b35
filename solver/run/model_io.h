// Readers of the model, dowel and case files; dowel placement; the working arrays.
#pragma once

#include "run_state.h"

#include <cstdio>
#include <stdexcept>
#include <string>

// A malformed or inconsistent input file; what() names the file and the
// record and field where reading stopped.
struct input_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The allocators' failure: prints "\n can't allocate memory in <name> " on
// standard output and ends the process with status 1.
[[noreturn]] void no_memory(const char *name);

// Reads the model file (counts, materials with the unit factors, nodes,
// elements, boundary records, loaded faces), applies -E overrides and checks
// every index and material. Throws input_error.
void read_model(corvane_run &run, std::FILE *f, const std::string &name);

// Reads the dowel file and places every dowel. Throws input_error.
void read_dowels(corvane_run &run, std::FILE *f, const std::string &name);

// Reads the whole case file: point file name, output points, number of cases
// and, for more than one case, every case's materials. Throws input_error.
void read_case_header(corvane_run &run, std::FILE *f, const std::string &name);

// Makes case c's materials the current ones (more than one case only).
void read_case_materials(corvane_run &run, int c);

// Reads the load-set file (--load-sets): the number of sets, then per set the loaded faces as
// the model file gives them (nedge, then per face its four nodes with three tractions each);
// every case of the run takes one set on the model's mesh and materials. Throws input_error.
void read_load_sets(corvane_run &run, std::FILE *f, const std::string &name);

// Creates the working arrays from the counts.
void alloc_work(corvane_run &run);

// First element whose box (corners 0 and 6) holds the point, lower bounds
// exclusive and upper bounds inclusive; -1 when none. counter + 1 when found.
int find_element(const corvane_model &m, double x, double y, double z, int &counter);

// Natural coordinates of the point in element e, treated as a box: measured
// along the element's edges from node 0 to nodes 1, 3 and 4.
void local_coords(const corvane_model &m, int e, double x, double y, double z, double *out);

// Checks the materials that elements use: solids need -1 < nu < 0.5, joints a
// non-zero normal stiffness. Returns an empty string or the complaint.
std::string check_materials(const corvane_model &m, const double *mats);
