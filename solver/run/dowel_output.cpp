// Per-case dowel end forces (dowel result file) and the appended line of dowel maxima.
#include "dowel_output.h"

void out_results_dowel(corvane_run &run)
{
    if (run.ndowel == 0) return;
    // the dowel result writer goes here
}
