// ostrine-batch: loads a result set as the viewer does and writes its VTK file and listings.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "batch_image.h"
#include "display.h"
#include "fem3d.h"
#include "listing.h"

namespace
{

const char usage_text[] =
    "usage: ostrine-batch -F base [-U 1|2] [--si | --kgf] [--binary]\n"
    "                     [--vtk FILE] [--list FILE] [--dowels FILE]\n"
    "                     [--image FILE [picture options]]\n"
    "  -F base      result set base name (base.pin, .out, .dwi, .dwo, .dyn)\n"
    "  -U 1|2       1: the files hold kgf-cm values, 2: SI values (default 2)\n"
    "  --si, --kgf  units of the written files: m and MPa (default) or cm and kgf/cm2\n"
    "  --binary     read the binary form of the result set\n"
    "  --vtk FILE   write the mesh and nodal vectors as a legacy VTK file\n"
    "  --list FILE  write the numerical listing (default selection: nodes at z = 0)\n"
    "  --dowels FILE write the dowel stress listing\n"
    "  --image FILE write a picture of a graph (options below)\n"
    "At least one output option is needed.\n";

// Everything the command line sets; one instance per run.
struct batch_options {
    std::string base;
    int unit_mode = 2;       // -U: 1 kgf-cm input, 2 SI input
    bool si_output = true;   // --si / --kgf
    bool binary = false;     // --binary
    std::string vtk_file;    // --vtk
    std::string list_file;   // --list
    std::string dowels_file; // --dowels
    picture_options picture; // --image and the graph options (batch_image.h)
};

// One command-line option: its spelling, whether a value follows, and what it sets.
// New options (pictures, ...) are added as rows of option_table.
struct option_row {
    const char *name;
    bool takes_value;
    // Applies the option; returns an error text or nullptr.
    const char *(*apply)(batch_options &o, const char *value);
};

const char *set_unit_mode(batch_options &o, const char *v)
{
    if (std::strcmp(v, "1") == 0)
        o.unit_mode = 1;
    else if (std::strcmp(v, "2") == 0)
        o.unit_mode = 2;
    else
        return "-U takes 1 (kgf-cm input) or 2 (SI input)";
    return nullptr;
}

const option_row option_table[] = {
    {"-F", true,
     [](batch_options &o, const char *v) -> const char * {
         o.base = v;
         return nullptr;
     }},
    {"-f", true,
     [](batch_options &o, const char *v) -> const char * {
         o.base = v;
         return nullptr;
     }},
    {"-U", true, set_unit_mode},
    {"-u", true, set_unit_mode},
    {"--si", false,
     [](batch_options &o, const char *) -> const char * {
         o.si_output = true;
         return nullptr;
     }},
    {"--kgf", false,
     [](batch_options &o, const char *) -> const char * {
         o.si_output = false;
         return nullptr;
     }},
    {"--binary", false,
     [](batch_options &o, const char *) -> const char * {
         o.binary = true;
         return nullptr;
     }},
    {"--vtk", true,
     [](batch_options &o, const char *v) -> const char * {
         o.vtk_file = v;
         return nullptr;
     }},
    {"--list", true,
     [](batch_options &o, const char *v) -> const char * {
         o.list_file = v;
         return nullptr;
     }},
    {"--dowels", true,
     [](batch_options &o, const char *v) -> const char * {
         o.dowels_file = v;
         return nullptr;
     }},
};

// Exit statuses.
constexpr int exit_ok = 0;
constexpr int exit_failed = 1; // the result set could not be loaded or an output not written
constexpr int exit_usage = 2;

int usage_error(const char *what)
{
    std::fprintf(stderr, "ostrine-batch: %s\n%s%s", what, usage_text, picture_usage_text);
    return exit_usage;
}

// Parses argv into o; returns exit_ok or the usage status after printing why.
int parse_options(int argc, char **argv, batch_options &o)
{
    for (int i = 1; i < argc; i++) {
        const option_row *row = nullptr;
        for (const option_row &r : option_table)
            if (std::strcmp(argv[i], r.name) == 0) row = &r;
        if (!row && picture_option_arity(argv[i]) >= 0) {
            const char *name = argv[i];
            const char *value = nullptr;
            if (picture_option_arity(argv[i]) == 1) {
                if (i + 1 >= argc) {
                    const std::string what = std::string(argv[i]) + " needs a value";
                    return usage_error(what.c_str());
                }
                value = argv[++i];
            }
            if (const char *err = set_picture_option(o.picture, name, value))
                return usage_error(err);
            continue;
        }
        if (!row) {
            const std::string what = std::string("unknown option '") + argv[i] + "'";
            return usage_error(what.c_str());
        }
        const char *value = nullptr;
        if (row->takes_value) {
            if (i + 1 >= argc) {
                const std::string what = std::string(row->name) + " needs a value";
                return usage_error(what.c_str());
            }
            value = argv[++i];
        }
        if (const char *err = row->apply(o, value)) return usage_error(err);
    }
    if (o.base.empty()) return usage_error("no result set given (-F base)");
    if (o.vtk_file.empty() && o.list_file.empty() && o.dowels_file.empty() &&
        o.picture.image_file.empty())
        return usage_error("nothing to write: give --vtk, --list, --dowels or --image");
    return exit_ok;
}

// The numerical listing as the data form shows it after Execute with its initial fields.
bool write_numerical_listing(const FEMg3D &model, const display_settings &ds,
                             const std::string &path)
{
    listing_settings s;
    read_listing_fields(s, listing_fields{}, ds.length_factor);
    const std::vector<std::string> lines =
        numerical_listing(s, model.nodes.data(), model.n_nodes, ds.length_factor, ds.stress_factor);
    if (lines.empty()) { // as Save after an empty Execute: nothing to write, not a failure
        std::fprintf(stderr,
                     "ostrine-batch: no node lies on the listing's default plane z = 0; "
                     "[%s] not written\n",
                     path.c_str());
        return true;
    }
    if (!write_listing_file(path, lines)) {
        std::fprintf(stderr, "ostrine-batch: cannot write the listing [%s]\n", path.c_str());
        return false;
    }
    return true;
}

bool write_dowel_listing(const FEMg3D &model, const display_settings &ds, const std::string &path)
{
    if (model.n_dowels == 0) { // as the form's Save without dowels: nothing, not a failure
        std::fprintf(stderr, "ostrine-batch: the result set has no dowels; [%s] not written\n",
                     path.c_str());
        return true;
    }
    const std::vector<std::string> lines =
        dowel_listing(model.dowels.data(), model.n_dowels, ds.length_factor, ds.stress_factor);
    if (!write_listing_file(path, lines)) {
        std::fprintf(stderr, "ostrine-batch: cannot write the dowel listing [%s]\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    batch_options opt;
    if (const int status = parse_options(argc, argv, opt); status != exit_ok) return status;

    display_settings ds;
    set_input_factors(ds, opt.unit_mode == 2);
    set_output_units(ds, opt.si_output);
    result_files files;
    form_result_names(files, opt.base);

    FEMg3D model;
    model.settings = &ds;
    const int loaded =
        opt.binary ? model.load_result_set_binary(files.pin_name.c_str(), files.out_name.c_str(),
                                                  files.dwi_name.c_str(), files.dwo_name.c_str(),
                                                  files.dyn_name.c_str())
                   : model.load_result_set(files.pin_name.c_str(), files.out_name.c_str(),
                                           files.dwi_name.c_str(), files.dwo_name.c_str(),
                                           files.dyn_name.c_str());
    if (loaded != 1) {
        std::fprintf(stderr, "ostrine-batch: %s\n", model.load_error.c_str());
        return exit_failed;
    }
    if (!model.results_loaded)
        std::fprintf(stderr, "ostrine-batch: result file [%s] not found; results are zero\n",
                     files.out_name.c_str());

    int status = exit_ok;
    if (!opt.vtk_file.empty() && model.export_vtk(opt.vtk_file.c_str()) != 1) {
        std::fprintf(stderr, "ostrine-batch: cannot create the VTK file [%s]\n",
                     opt.vtk_file.c_str());
        status = exit_failed;
    }
    if (!opt.list_file.empty() && !write_numerical_listing(model, ds, opt.list_file))
        status = exit_failed;
    if (!opt.dowels_file.empty() && !write_dowel_listing(model, ds, opt.dowels_file))
        status = exit_failed;
    if (!opt.picture.image_file.empty() && !write_graph_picture(model, ds, opt.picture))
        status = exit_failed;
    return status;
}
