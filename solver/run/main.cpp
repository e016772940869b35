// corvane: three-dimensional finite-element analysis of a layered pavement model.
#include "driver.h"
#include "linear_system.h"
#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <string>

// Several MPI ranks started by mpirun, as the launcher tells its processes.
static bool launched_on_several_ranks()
{
    for (const char *name : {"OMPI_COMM_WORLD_SIZE", "PMI_SIZE", "PMIX_SIZE"}) {
        const char *v = std::getenv(name);
        if (v && std::atoi(v) > 1) return true;
    }
    return false;
}

int main(int argc, char **argv)
{
    corvane_run run;
    const int status = parse_command_line(run, argc, argv);
    if (status >= 0) return status;
    if (run.solver->start) {
        int rank = 0, size = 1;
        std::string error;
        if (!run.solver->start(rank, size, error)) {
            std::fprintf(stderr, "corvane: --solver=%s: %s\n", run.solver->name, error.c_str());
            return status_bad_input;
        }
        // every rank runs the driver on the replicated model; rank 0 alone
        // prints and writes
        if (rank != 0) {
            if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
                return status_bad_input;
            run.writes_files = 0;
        }
    } else if (launched_on_several_ranks()) {
        // each rank would write the same files at the same time
        std::fprintf(stderr, "corvane: several MPI ranks need --solver=%s\n",
                     distributed_solver_names().c_str());
        return status_bad_input;
    }
    const int result = run_analysis(run);
    std::fflush(stdout);
    run.system.reset(); // the back end's objects go before its run-time ends
    if (run.solver->stop) run.solver->stop();
    std::exit(result); // 999 stays 999 for the caller to reduce
}
