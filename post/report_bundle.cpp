// The report bundle: figures and reports written together or not at all.
#include "report_bundle.h"

#include <cstdio>

namespace
{

// The files written so far, removed unless the bundle completes.
struct written_files {
    std::vector<std::string> names;
    bool keep = false;
    ~written_files()
    {
        if (!keep)
            for (const std::string &n : names) std::remove(n.c_str());
    }
};

// The file's name without its directory: figures are named relative to the report beside them.
std::string leaf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ends_with(const std::string &s, const char *tail)
{
    const std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

} // namespace

bool write_report_bundle(const report_data &r, const std::vector<report_case> &cases,
                         report_bundle &b, const slab_picture_maker &draw, std::string &why)
{
    written_files written;
    bool figured = false; // a report that shows figures
    for (const std::string &path : b.reports) figured = figured || !ends_with(path, ".csv");
    if (figured) {
        const std::string plot = b.figure_stem + "_joints.svg";
        if (write_joint_plot(r, plot)) {
            written.names.push_back(plot);
            b.figures.joint_plot = leaf(plot);
        }
        if (draw && !r.slab_materials.empty()) {
            for (const bool top : {false, true}) {
                if (top && !b.top_picture) continue;
                slab_picture p;
                p.file = b.figure_stem + (top ? "_S3_top.png" : "_S3.png");
                p.material = critical_slab_material(r, top);
                p.top = top;
                if (!draw(p)) {
                    why = p.file + ": the picture could not be drawn";
                    return false;
                }
                written.names.push_back(p.file);
                (top ? b.figures.s3_top_picture : b.figures.s3_picture) = leaf(p.file);
            }
        }
    }
    for (const std::string &path : b.reports) {
        if (!write_report(r, cases, b.figures, path, why)) return false;
        written.names.push_back(path);
    }
    written.keep = true;
    return true;
}
