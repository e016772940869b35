// Result file, model copies and output-point rows.
#pragma once

#include "run_state.h"

#include <cstdio>
#include <string>
#include <vector>

// Writes the model copy (case mode), the result file and the point rows of
// case c. Every failure prints "Output data file can not be opened" (or a
// write-error message) on standard error and sets run.write_failed.
void write_results(corvane_run &run, int c);

// The model in the model-file format, converted values back in input units.
void write_model_copy(const corvane_run &run, std::FILE *f);

// The three result blocks and the final empty line.
void write_result_blocks(const corvane_run &run, std::FILE *f);

// Point rows after a second-phase increment.
void write_step_points(corvane_run &run);

// One row per output point at its nearest node, quantities chosen by its code.
void write_point_rows(const corvane_run &run, std::FILE *f);

// The same rows as texts, one per output point (a row of an unknown code has no line end).
std::vector<std::string> format_point_rows(const corvane_run &run);

// Nearest node to (x, y, z) among squared distances below 1.0e10 (ties to the
// lower number); without one, the nearest node at any distance. -1 when np = 0.
int nearest_node(const corvane_model &m, double x, double y, double z, bool *within_bound);
