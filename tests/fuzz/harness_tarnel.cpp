// Fuzz harness bodies of tarnel: the layer description (read, then generated and written when
// small) and the command line.
#include "fuzz_common.h"
#include "tarnel.h"

#include <cstdint>

namespace
{
// Generation is run only for descriptions whose mesh stays small: a large mesh is a
// legitimate request that merely takes time, not a fault of the reader.
constexpr std::int64_t max_fuzz_cells = 4000;

std::int64_t cell_bound(const tarnel_run &run)
{
    const std::int64_t extra = 2 * static_cast<std::int64_t>(run.loads.size());
    std::int64_t cells = 0;
    for (const tarnel_layer &l : run.layers)
        cells += (l.nx + extra) * (l.ny + extra) * static_cast<std::int64_t>(l.nz);
    return cells;
}
} // namespace

std::string fuzz_tarnel_description(const std::uint8_t *data, std::size_t size)
{
    fuzz::message_stream out, err, model;
    tarnel_run run;
    run.opt.in_name = "fuzz.txt";
    run.opt.out_name = "fuzz.pin";
    run.msg_out = out.f;
    run.msg_err = err.f;
    FILE *in = size > 0 ? fmemopen(const_cast<std::uint8_t *>(data), size, "r")
                        : std::fopen("/dev/null", "r");
    if (!in) std::abort();
    const bool read = read_description(in, run);
    std::fclose(in);
    if (read && cell_bound(run) <= max_fuzz_cells) {
        if (make_elements(run)) {
            make_boundary(run);
            if (rearrange_nodes(run)) {
                make_load_faces(run);
                write_model(model.f, run);
            }
        }
    }
    return err.text();
}

std::string fuzz_tarnel_cmdline(const std::uint8_t *data, std::size_t size)
{
    fuzz::command_line cl("tarnel", data, size, 64);
    fuzz::message_stream out, err;
    tarnel_options opt;
    const int status = parse_options(cl.argc(), cl.argv.data(), opt, out.f, err.f);
    return status >= 0 ? out.text() + err.text() : std::string();
}
