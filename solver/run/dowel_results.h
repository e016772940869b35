// Dowel result file (.dwo), the appended line of dowel maxima, and the checks of the dowel data.
#pragma once

#include "model.h"

#include <cstdio>
#include <string>

// Six signed maxima of one case (kept for their absolute size): reaction,
// bending stress and shear stress of the end-1 half, then of the end-2 half.
struct dowel_maxima {
    double value[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    int max_dowel = -1; // dowel where a reaction maximum was last raised; -1 = never
};

// Writes the header and one line per dowel (in dowel order) of the dowel
// result file to out, and gathers the maxima of the embedded halves over all
// dowels. A dowel that was not placed in the model gets its line with its
// centre, its axis (0 0 0 when its centre lies in no element) and zero forces,
// so the file keeps one line per dowel of the dowel file.
void write_dowel_lines(const corvane_model &m, std::FILE *out, dowel_maxima &mx);

// Formats the maximum line for the centre of dowel max_dowel, or of the first
// dowel when no reaction was ever non-zero. Returns the length of the text.
int format_dowel_max_line(const corvane_model &m, const dowel_maxima &mx, char *line, int size);

// End-of-case dowel output: the dowel result file is written under a
// temporary name and renamed onto dowel_result_file when complete (and the
// same text onto case_result_file when not null: the case's own copy, which
// later cases do not overwrite), then the maximum line is appended to
// dowel_max_file with a single write. Nothing happens without dowels. Returns
// 0, or 1 when a file named by the user could not be written (the messages
// have been printed); an empty dowel_max_file (no -J) only prints the message.
int out_results_dowel(const corvane_model &m, const char *dowel_result_file,
                      const char *dowel_max_file, const char *case_result_file = nullptr);

// Checks the dowel data once they are read: every dowel's material number
// exists and every dowel material in use has defined formulas (positive E, d
// and K, L > w >= 0, -1 < nu < 0.5, a link matrix without zero or non-finite
// pivots). Returns "" or the first fault as "<file>: dowel material k: <why>".
std::string dowel_data_fault(const corvane_model &m, const char *dowel_input_file);
