// corvane: three-dimensional finite-element analysis of a layered pavement model.
#include "driver.h"
#include "options.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    corvane_run run;
    const int status = parse_command_line(run, argc, argv);
    if (status >= 0) return status;
    const int result = run_analysis(run);
    std::fflush(stdout);
    std::exit(result); // 999 stays 999 for the caller to reduce
}
