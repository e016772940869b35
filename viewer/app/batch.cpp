// ostrine-batch: loads a result set as the viewer does and writes its VTK file and listings.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "batch_image.h"
#include "display.h"
#include "fem3d.h"
#include "graph.h"
#include "listing.h"
#include "pavement_version.h"
#include "report.h"

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

// Loads the result set base (text or binary form) into model; false after the message.
bool load_set(FEMg3D &model, const batch_options &opt, const std::string &base)
{
    result_files files;
    form_result_names(files, base);
    const int loaded =
        opt.binary ? model.load_result_set_binary(files.pin_name.c_str(), files.out_name.c_str(),
                                                  files.dwi_name.c_str(), files.dwo_name.c_str(),
                                                  files.dyn_name.c_str())
                   : model.load_result_set(files.pin_name.c_str(), files.out_name.c_str(),
                                           files.dwi_name.c_str(), files.dwo_name.c_str(),
                                           files.dyn_name.c_str());
    if (loaded != 1) {
        std::fprintf(stderr, "ostrine-batch: %s\n", model.load_error.c_str());
        return false;
    }
    if (!model.results_loaded)
        std::fprintf(stderr, "ostrine-batch: result file [%s] not found; results are zero\n",
                     files.out_name.c_str());
    return true;
}

// The report of the loaded set (and the picture of S3 at the slab bottom beside an .html or
// .md report); nothing is written when the set has no slab or no joint.
bool write_design_report(FEMg3D &model, display_settings &ds, const batch_options &opt,
                         const std::string &set_name, const std::vector<envelope_case> &cases)
{
    report_data r;
    std::string why;
    if (!build_report(model, ds, opt.fc, r, why)) {
        std::fprintf(stderr, "ostrine-batch: %s.pin: %s; no report written\n", set_name.c_str(),
                     why.c_str());
        return false;
    }
    r.set_name = set_name;
    const std::string &path = opt.report_file;
    std::string picture;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".csv") != 0) {
        // S3 of the slab material holding the largest bottom tension, seen from below
        int material = r.slab_materials.front();
        float best = -1e30f;
        for (const slab_extreme &s : r.slab)
            if (!s.top && s.node >= 0 && s.tension > best) {
                best = s.tension;
                material = s.material;
            }
        picture_options p;
        const std::size_t dot = path.find_last_of('.');
        p.image_file = path.substr(0, dot) + "_S3.png";
        p.graph_type = graph_type_of("S3");
        p.legend = true;
        p.material = std::to_string(material);
        p.preset = 6; // Backside: the view from below
        if (!write_graph_picture(model, ds, p)) return false;
        const std::size_t slash = p.image_file.find_last_of('/');
        picture = slash == std::string::npos ? p.image_file : p.image_file.substr(slash + 1);
    }
    if (!write_report(r, cases, picture, path, why)) {
        std::fprintf(stderr, "ostrine-batch: cannot write the report [%s]: %s\n", path.c_str(),
                     why.c_str());
        return false;
    }
    std::printf("ostrine-batch: wrote %s\n", path.c_str());
    return true;
}

// --envelope: per-node extremes over the cases of one mesh, and the case table.
int run_envelope(const batch_options &opt, display_settings &ds)
{
    FEMg3D first, other;
    first.settings = other.settings = &ds;
    if (!load_set(first, opt, opt.envelope.front())) return batch_exit_failed;
    envelope_data env;
    std::vector<envelope_case> cases;
    for (std::size_t c = 0; c < opt.envelope.size(); ++c) {
        FEMg3D &m = c == 0 ? first : other;
        if (c > 0) {
            other.free_result_set();
            if (!load_set(other, opt, opt.envelope[c])) return batch_exit_failed;
            const std::string diff = mesh_difference(first, other);
            if (!diff.empty()) {
                std::fprintf(stderr,
                             "ostrine-batch: %s.pin is no case of the mesh of %s.pin (%s); no "
                             "envelope written\n",
                             opt.envelope[c].c_str(), opt.envelope[0].c_str(), diff.c_str());
                return batch_exit_failed;
            }
        }
        add_to_envelope(env, m, static_cast<int>(c));
        if (!opt.report_file.empty()) {
            report_data r;
            std::string why;
            if (!build_report(m, ds, opt.fc, r, why)) {
                std::fprintf(stderr, "ostrine-batch: %s.pin: %s; no report written\n",
                             opt.envelope[c].c_str(), why.c_str());
                return batch_exit_failed;
            }
            cases.push_back({opt.envelope[c], r.max_tension_bottom(), r.max_tension_top(),
                             r.deflection, r.max_opening, r.max_bearing()});
        }
    }
    int status = batch_exit_ok;
    if (!opt.vtk_file.empty()) {
        if (!write_envelope_vtk(env, first, ds, opt.vtk_file)) {
            std::fprintf(stderr, "ostrine-batch: cannot write the envelope [%s]\n",
                         opt.vtk_file.c_str());
            status = batch_exit_failed;
        } else {
            std::printf("ostrine-batch: wrote %s\n", opt.vtk_file.c_str());
        }
    }
    if (!opt.report_file.empty() &&
        !write_design_report(first, ds, opt, opt.envelope.front(), cases))
        status = batch_exit_failed;
    return status;
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
    if (!opt.envelope.empty()) return run_envelope(opt, ds);

    FEMg3D model;
    model.settings = &ds;
    if (!load_set(model, opt, opt.base)) return batch_exit_failed;

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
    if (!opt.report_file.empty() && !write_design_report(model, ds, opt, opt.base, {}))
        status = batch_exit_failed;
    return status;
}
