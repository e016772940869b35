// ostrine-batch: the viewer's VTK file, listings and pictures of a result set from the command
// line, and the engineering report and envelope of the post-processing library.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "batch_image.h"
#include "display.h"
#include "envelope.h"
#include "fem3d.h"
#include "graph.h"
#include "listing.h"
#include "material_stress_format.h"
#include "pavement_version.h"
#include "quantities.h"
#include "report.h"
#include "report_bundle.h"
#include "result_set.h"
#include "unit_factors.h"
#include "vtu.h"

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

// The files' units as -U gives them, else as corvane read them or as their writer recorded
// them (the per-material file's header), else unknown.
file_units given_units(const batch_options &opt, const std::string &base)
{
    if (opt.unit_mode == 1) return file_units::kgf_cm;
    if (opt.unit_mode == 2) return file_units::si;
    run_record run;
    if (read_material_stress_header(material_stress_name(base), run)) {
        const int recorded = run.units != 0 ? run.units : run.files; // files=: as written
        if (recorded == 1 || recorded == 2)
            return recorded == 1 ? file_units::kgf_cm : file_units::si;
    }
    return file_units::unknown;
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
    if (model.settings->per_material &&
        model.load_material_values(material_stress_name(base).c_str()) != 1) {
        std::fprintf(stderr, "ostrine-batch: %s\n", model.load_error.c_str());
        return false;
    }
    return true;
}

// Reads a result set for the report (with its per-material stresses); false after the message.
// note: how the units were decided when they were not given.
bool read_for_report(const std::string &base, file_units units, result_set &rs, std::string &note)
{
    read_request request;
    request.units = units;
    std::string why;
    if (!read_result_set(base, request, rs, why, note)) {
        std::fprintf(stderr, "ostrine-batch: %s; nothing written\n", why.c_str());
        return false;
    }
    if (!note.empty())
        std::fprintf(stderr, "ostrine-batch: %s: the files' units were not given: read as %s, %s\n",
                     base.c_str(), rs.units == file_units::si ? "SI" : "kgf-cm", note.c_str());
    return true;
}

report_settings settings_of(const batch_options &opt)
{
    report_settings s;
    s.si = opt.si_output;
    s.fc = opt.fc;
    s.mr = opt.mr;
    s.dowel_shear_allow = opt.dowel_shear_allow;
    s.dowel_bending_allow = opt.dowel_bending_allow;
    return s;
}

bool build_or_say(const result_set &rs, const std::string &units_note, const batch_options &opt,
                  report_data &r)
{
    std::string why;
    if (!build_report(rs, settings_of(opt), r, why)) {
        std::fprintf(stderr, "ostrine-batch: %s.pin: %s; no report written\n", rs.base.c_str(),
                     why.c_str());
        return false;
    }
    r.units_note = units_note;
    for (const std::string &w : r.warnings)
        std::fprintf(stderr, "ostrine-batch: %s: warning: %s\n", rs.base.c_str(), w.c_str());
    if (opt.fc > 0) {
        const double mpa = opt.fc * mpa_per_kgf_cm2;
        if (mpa < 10.0 || mpa > 120.0)
            std::fprintf(stderr,
                         "ostrine-batch: warning: f'c = %.4g MPa is outside 10 to 120 MPa, the "
                         "strengths of paving concrete: is its unit right?\n",
                         mpa);
    }
    return true;
}

// The report r (and the case table) as a bundle: beside an HTML or Markdown report the joint
// plot and S3 of the critical slab from below, drawn in model (loaded with the per-material
// values). Nothing is left when any part fails.
bool write_report_files(const report_data &r, const std::vector<report_case> &cases, FEMg3D *model,
                        display_settings &ds, const batch_options &opt)
{
    const std::string &path = opt.report_file;
    const std::size_t dot = path.find_last_of('.'), slash = path.find_last_of('/');
    report_bundle b;
    b.figure_stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                        ? path
                        : path.substr(0, dot);
    b.reports = {path};
    slab_picture_maker draw;
    if (model)
        draw = [&](const slab_picture &s) {
            picture_options p;
            p.image_file = s.file;
            p.graph_type = graph_type_of("S3");
            p.legend = true;
            p.material = std::to_string(s.material);
            if (!s.top) p.preset = 6; // Backside: the view from below
            const bool per_material = ds.per_material;
            ds.per_material = true; // the slab's own stresses
            const bool drawn = write_graph_picture(*model, ds, p);
            ds.per_material = per_material;
            return drawn;
        };
    std::string why;
    if (!write_report_bundle(r, cases, b, draw, why)) {
        std::fprintf(stderr, "ostrine-batch: cannot write the report [%s]: %s\n", path.c_str(),
                     why.c_str());
        return false;
    }
    std::printf("ostrine-batch: wrote %s\n", path.c_str());
    return true;
}

// Sets the viewer's reading factors for the files' units.
void set_units(display_settings &ds, file_units units)
{
    set_input_factors(ds, units != file_units::kgf_cm);
}

// --envelope: per-node extremes over the cases of one mesh, and the report with a row per case.
int run_envelope(const batch_options &opt, display_settings &ds)
{
    std::vector<report_case> cases;
    envelope_data env;
    result_set first, other;
    file_units units = given_units(opt, opt.envelope.front());
    for (std::size_t c = 0; c < opt.envelope.size(); ++c) {
        result_set &rs = c == 0 ? first : other;
        std::string note;
        if (!read_for_report(opt.envelope[c], units, rs, note)) return batch_exit_failed;
        units = rs.units; // every case read as the first
        if (c > 0) {
            const std::string diff = mesh_difference(first, other);
            if (!diff.empty()) {
                std::fprintf(stderr,
                             "ostrine-batch: %s.pin is no case of the mesh of %s.pin (%s); "
                             "nothing written\n",
                             opt.envelope[c].c_str(), opt.envelope[0].c_str(), diff.c_str());
                return batch_exit_failed;
            }
        }
        add_to_envelope(env, rs, static_cast<int>(c));
        if (!opt.report_file.empty()) {
            report_case rc;
            rc.name = opt.envelope[c];
            if (!build_or_say(rs, note, opt, rc.data)) return batch_exit_failed;
            cases.push_back(rc);
        }
    }
    set_units(ds, units);
    int status = batch_exit_ok;
    if (!opt.vtk_file.empty()) {
        if (!write_envelope_vtk(env, first, opt.si_output, opt.vtk_file)) {
            std::fprintf(stderr, "ostrine-batch: cannot write the envelope [%s]\n",
                         opt.vtk_file.c_str());
            status = batch_exit_failed;
        } else {
            std::printf("ostrine-batch: wrote %s\n", opt.vtk_file.c_str());
        }
    }
    if (!opt.report_file.empty()) {
        // the sections after the case table show the case of the largest slab-bottom tension
        const report_quantity *q = find_quantity("max_tension_slab_bottom");
        int governing = governing_case(cases, static_cast<int>(q - report_quantities));
        if (governing < 0) governing = 0;
        FEMg3D model;
        model.settings = &ds;
        const bool picture = opt.report_file.size() < 4 ||
                             opt.report_file.compare(opt.report_file.size() - 4, 4, ".csv") != 0;
        if (picture && !load_set(model, opt, cases[governing].name)) return batch_exit_failed;
        if (!write_report_files(cases[governing].data, cases, picture ? &model : nullptr, ds, opt))
            status = batch_exit_failed;
    }
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
    set_output_units(ds, opt.si_output);
    ds.per_material = opt.per_material;
    if (!opt.envelope.empty()) return run_envelope(opt, ds);

    // The report and --at read the set strictly (with its per-material stresses), which also
    // settles the files' units; the pictures, VTK and listings read it as the viewer does.
    file_units units = given_units(opt, opt.base);
    result_set rs;
    report_data report;
    const bool strict = !opt.report_file.empty() || !opt.at.empty() || !opt.vtu_file.empty();
    if (strict) {
        std::string note;
        if (!read_for_report(opt.base, units, rs, note)) return batch_exit_failed;
        units = rs.units;
        if (!opt.report_file.empty() && !build_or_say(rs, note, opt, report))
            return batch_exit_failed;
    }
    const bool units_unknown = units == file_units::unknown;
    set_units(ds, units_unknown ? file_units::si : units);

    auto loaded = std::make_unique<FEMg3D>();
    loaded->settings = &ds;
    const bool viewer_outputs = !opt.vtk_file.empty() || !opt.list_file.empty() ||
                                !opt.dowels_file.empty() || !opt.picture.image_file.empty() ||
                                !opt.report_file.empty();
    if (viewer_outputs && !load_set(*loaded, opt, opt.base)) return batch_exit_failed;
    if (units_unknown && viewer_outputs && guess_file_units(*loaded, ds.in_stress_factor) == 1) {
        // The slab's modulus is one of kgf/cm2: reading such files as SI would show every
        // stress about ten times too large. Read them as kgf-cm and say so.
        std::fprintf(stderr,
                     "ostrine-batch: %s: the files' units were not given (-U) nor recorded by "
                     "corvane: the slab's modulus is in kgf/cm2, read as kgf-cm values (give "
                     "-U 2 for SI files)\n",
                     opt.base.c_str());
        set_units(ds, file_units::kgf_cm);
        loaded = std::make_unique<FEMg3D>();
        loaded->settings = &ds;
        if (!load_set(*loaded, opt, opt.base)) return batch_exit_failed;
    } else if (units_unknown) {
        std::fprintf(stderr,
                     "ostrine-batch: %s: the files' units were not given (-U) nor recorded by "
                     "corvane: read as SI values (give -U 1 for kgf-cm files)\n",
                     opt.base.c_str());
    }
    FEMg3D &model = *loaded;

    int status = batch_exit_ok;
    if (!opt.at.empty()) {
        double xyz[3];
        for (int k = 0; k < 3; ++k)
            xyz[k] = opt.si_output ? opt.at[k] / 0.01 : opt.at[k]; // report lengths to cm
        for (const std::string &line : point_values(rs, xyz, opt.si_output))
            std::printf("%s\n", line.c_str());
    }
    if (!opt.vtk_file.empty()) {
        if (model.export_vtk(opt.vtk_file.c_str()) != 1) {
            std::fprintf(stderr, "ostrine-batch: cannot create the VTK file [%s]\n",
                         opt.vtk_file.c_str());
            status = batch_exit_failed;
        } else {
            std::printf("ostrine-batch: wrote %s\n", opt.vtk_file.c_str());
        }
    }
    if (!opt.vtu_file.empty()) {
        std::string why;
        if (!write_vtu(rs, opt.vtu_file, why)) {
            std::fprintf(stderr, "ostrine-batch: %s\n", why.c_str());
            status = batch_exit_failed;
        } else {
            std::printf("ostrine-batch: wrote %s\n", opt.vtu_file.c_str());
        }
    }
    if (!opt.list_file.empty() && !write_numerical_listing(model, ds, opt.list_file))
        status = batch_exit_failed;
    if (!opt.dowels_file.empty() && !write_dowel_listing(model, ds, opt.dowels_file))
        status = batch_exit_failed;
    if (!opt.picture.image_file.empty() && !write_graph_picture(model, ds, opt.picture))
        status = batch_exit_failed;
    if (!opt.report_file.empty() && !write_report_files(report, {}, &model, ds, opt))
        status = batch_exit_failed;
    return status;
}
