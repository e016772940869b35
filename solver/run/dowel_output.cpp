// Per-case dowel end forces (dowel result file) and the appended line of dowel maxima.
#include "dowel_output.h"
#include "atomic_output.h"
#include "dowel_results.h"
#include "results.h"

#include <cstdio>
#include <string>

// Copies the dowel input file to name, complete or not at all.
static bool copy_dowel_input(const std::string &from, const std::string &name)
{
    std::FILE *in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    atomic_file out;
    bool ok = out.open(name);
    char chunk[65536];
    std::size_t got;
    while (ok && (got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        ok = std::fwrite(chunk, 1, got, out.stream()) == got;
    ok = ok && !std::ferror(in);
    std::fclose(in);
    return ok && out.commit();
}

void out_results_dowel(corvane_run &run, int c)
{
    if (run.ndowel == 0 || !run.writes_files) return;
    // In case mode every case also keeps its own dowel files beside its model copy and result
    // file (BASEcc.dwi, BASEcc.dwo), so that each case opens as a complete result set; the
    // shared dowel result file holds the last case, as before.
    std::string case_dwo;
    if (run.case_mode) {
        case_dwo = case_base(run, c) + ".dwo";
        const std::string case_dwi = case_base(run, c) + ".dwi";
        if (case_dwi != run.dowel_input_file && !copy_dowel_input(run.dowel_input_file, case_dwi)) {
            std::fprintf(stderr, "corvane: %s: cannot be written\n", case_dwi.c_str());
            run.write_failed = 1;
        }
    }
    if (out_results_dowel(run, run.dowel_result_file.c_str(), run.dowel_max_file.c_str(),
                          case_dwo.empty() ? nullptr : case_dwo.c_str()))
        run.write_failed = 1;
}
