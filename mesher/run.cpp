// The generator from command line to model file: options, reading, generation, writing.
#include "tarnel.h"

#include "atomic_output.h"

#include <cstdlib>
#include <cstring>

int run_tarnel(int argc, char **argv, FILE *msg_out, FILE *msg_err)
{
    tarnel_run run;
    run.msg_out = msg_out;
    run.msg_err = msg_err;
    const int status = parse_options(argc, argv, run.opt, msg_out, msg_err);
    if (status >= 0) return status;

    FILE *in = std::fopen(run.opt.in_name.c_str(), "r");
    if (!in) {
        std::fprintf(msg_err, "File(%s) can not be opened", run.opt.in_name.c_str());
        return exit_refused;
    }
    // written under a temporary name and renamed when complete: a refused or failed run never
    // leaves a partial model behind
    atomic_file out;
    if (!out.open(run.opt.out_name)) {
        std::fclose(in);
        std::fprintf(msg_err, "File(%s) can not be opened", run.opt.out_name.c_str());
        return exit_refused;
    }
    // the fixed text, spelled as users know it ("Otfile")
    std::fprintf(msg_out, "Infile [%s], Otfile [%s]\n", run.opt.in_name.c_str(),
                 run.opt.out_name.c_str());
    const bool read = read_description(in, run);
    std::fclose(in);
    if (!read) return exit_refused;

    if (!make_elements(run)) return exit_refused;
    if (run.ne == 0) {
        std::fprintf(msg_err,
                     "tarnel: %s: the description makes no element (every cell is void, narrow "
                     "in both directions, or a joint strip of a joint layer)\n",
                     run.opt.in_name.c_str());
        return exit_refused;
    }
    make_boundary(run);
    if (!rearrange_nodes(run)) return exit_refused;
    make_load_faces(run);
    if (!write_model(out.stream(), run) || !out.commit()) {
        std::fprintf(msg_err, "tarnel: %s: the model file could not be written completely\n",
                     run.opt.out_name.c_str());
        return exit_refused;
    }
    return exit_ok;
}
