// Per-case dowel end forces (dowel result file) and the appended line of dowel maxima.
#include "dowel_output.h"
#include "dowel_results.h"

void out_results_dowel(corvane_run &run)
{
    if (run.ndowel == 0 || !run.writes_files) return;
    if (out_results_dowel(run, run.dowel_result_file.c_str(), run.dowel_max_file.c_str()))
        run.write_failed = 1;
}
