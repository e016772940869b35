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
#include "pavement_version.h"

namespace
{

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
    std::printf("ostrine-batch: wrote %s\n", path.c_str());
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
    std::printf("ostrine-batch: wrote %s\n", path.c_str());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    batch_options opt;
    if (const int status = parse_batch_options(argc, argv, opt, stderr); status != batch_exit_ok)
        return status;
    if (opt.info == batch_info_version) {
        std::printf("ostrine-batch %s\n", PAVEMENT_VERSION);
        return batch_exit_ok;
    }
    if (opt.info == batch_info_help) {
        std::printf("%s%s  --version     print the version\n  --help        print this list\n",
                    batch_usage_text(), picture_usage_text);
        return batch_exit_ok;
    }

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
        return batch_exit_failed;
    }
    if (!model.results_loaded)
        std::fprintf(stderr, "ostrine-batch: result file [%s] not found; results are zero\n",
                     files.out_name.c_str());

    int status = batch_exit_ok;
    if (!opt.vtk_file.empty()) {
        if (model.export_vtk(opt.vtk_file.c_str()) != 1) {
            std::fprintf(stderr, "ostrine-batch: cannot create the VTK file [%s]\n",
                         opt.vtk_file.c_str());
            status = batch_exit_failed;
        } else {
            std::printf("ostrine-batch: wrote %s\n", opt.vtk_file.c_str());
        }
    }
    if (!opt.list_file.empty() && !write_numerical_listing(model, ds, opt.list_file))
        status = batch_exit_failed;
    if (!opt.dowels_file.empty() && !write_dowel_listing(model, ds, opt.dowels_file))
        status = batch_exit_failed;
    if (!opt.picture.image_file.empty() && !write_graph_picture(model, ds, opt.picture))
        status = batch_exit_failed;
    return status;
}
