// ostrine-batch pictures: parsing of the graph options and drawing through the raster canvas.
#include "batch_image.h"

#include <QGuiApplication>
#include <QImage>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <memory>

#include "dialogs.h"
#include "field_text.h"
#include "graph.h"
#include "qt_canvas.h"

const char picture_usage_text[] =
    "Pictures (drawn as the viewer's Make Bmp draws them):\n"
    "  --image FILE  write the graph as a 24-bit bitmap, or PNG when FILE ends in .png\n"
    "  --graph NAME  Mesh (default), Displacement, Sx Sy Sz Syz Szx Sxy, Ex Ey Ez Eyz Ezx Exy,\n"
    "                S1 S2 S3, FI, \"Principal Stress\", \"Dowel Bending Stress\" (Bending),\n"
    "                \"Dowel Shear Stress\" (Shear)\n"
    "  --principal C Minimum (default), Middle, Maximum or All, for \"Principal Stress\"\n"
    "  --size WxH    picture size in pixels (default 922x610)\n"
    "  --smooth      smooth contours instead of bands\n"
    "  --wire W      element edges over the faces: black, gray or none (default)\n"
    "  --wheels W    loaded faces over mesh and displacement: none, frame or filled (default)\n"
    "  --all-faces   every face of the selection, inner and back faces too\n"
    "  View dialog:  --view rou,theta,phi,d1  --light x,y,z\n"
    "                --preset y-x|x-y|z-x|y-z|default|Backside\n"
    "  Scales dialog: --disp-scale s|x,y,z  --contour-range max,min  --divisions N\n"
    "                --principal-scale S  --skip N\n"
    "  Range dialog: --material M (0-based, -1 all)  --range xmin,xmax,ymin,ymax,zmin,zmax\n"
    "                --outside  --fit-range\n";

namespace
{

struct picture_row {
    const char *name;
    bool takes_value;
};

const picture_row picture_rows[] = {
    {"--image", true},         {"--graph", true},      {"--principal", true},
    {"--size", true},          {"--smooth", false},    {"--wire", true},
    {"--wheels", true},        {"--all-faces", false}, {"--view", true},
    {"--light", true},         {"--preset", true},     {"--disp-scale", true},
    {"--contour-range", true}, {"--divisions", true},  {"--principal-scale", true},
    {"--skip", true},          {"--material", true},   {"--range", true},
    {"--outside", false},      {"--fit-range", false}};

// Comma-separated texts of exactly n numbers (n_alt is a second accepted count, or 0).
bool split_numbers(const char *value, std::size_t n, std::size_t n_alt,
                   std::vector<std::string> &out)
{
    out.clear();
    std::string item;
    for (const char *c = value;; c++) {
        if (*c == ',' || *c == '\0') {
            out.push_back(item);
            item.clear();
            if (*c == '\0') break;
        } else {
            item += *c;
        }
    }
    if (out.size() != n && out.size() != n_alt) return false;
    try {
        for (const std::string &s : out) field_float(s);
    } catch (const field_error &) {
        return false;
    }
    return true;
}

bool is_int(const char *value)
{
    try {
        field_int(value);
    } catch (const field_error &) {
        return false;
    }
    return true;
}

bool is_float(const char *value)
{
    try {
        field_float(value);
    } catch (const field_error &) {
        return false;
    }
    return true;
}

} // namespace

int picture_option_arity(const char *name)
{
    for (const picture_row &r : picture_rows)
        if (std::strcmp(name, r.name) == 0) return r.takes_value ? 1 : 0;
    return -1;
}

const char *set_picture_option(picture_options &p, const char *name, const char *value)
{
    const std::string n = name;
    const std::string v = value ? value : "";
    if (n == "--image") {
        if (v.empty()) return "--image needs a file name";
        p.image_file = v;
    } else if (n == "--graph") {
        p.graph_type = graph_type_of(v);
        if (p.graph_type < 0) return "--graph takes a graph name of the Graph menu (see below)";
    } else if (n == "--principal") {
        p.principal_choice = principal_choice_of(v);
        if (p.principal_choice < 0) return "--principal takes Minimum, Middle, Maximum or All";
    } else if (n == "--size") {
        int w = 0, h = 0;
        char tail = 0;
        if (std::sscanf(v.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 16 || h < 16 ||
            w > 10000 || h > 10000)
            return "--size takes WxH, each from 16 to 10000 pixels";
        p.width = w;
        p.height = h;
    } else if (n == "--smooth") {
        p.smooth = true;
    } else if (n == "--wire") {
        if (v == "none")
            p.wire = 0;
        else if (v == "black")
            p.wire = 1;
        else if (v == "gray" || v == "grey")
            p.wire = 2;
        else
            return "--wire takes black, gray or none";
    } else if (n == "--wheels") {
        if (v == "none")
            p.wheel_mode = 0;
        else if (v == "frame")
            p.wheel_mode = 1;
        else if (v == "filled")
            p.wheel_mode = 2;
        else
            return "--wheels takes none, frame or filled";
    } else if (n == "--all-faces") {
        p.all_faces = true;
    } else if (n == "--view") {
        if (!split_numbers(value, 4, 0, p.view)) return "--view takes rou,theta,phi,d1";
    } else if (n == "--light") {
        if (!split_numbers(value, 3, 0, p.light)) return "--light takes x,y,z";
    } else if (n == "--preset") {
        static const char *const names[6] = {"y-x", "x-y", "z-x", "y-z", "default", "Backside"};
        p.preset = 0;
        for (int b = 0; b < 6; b++)
            if (v == names[b]) p.preset = b + 1;
        if (p.preset == 0) return "--preset takes y-x, x-y, z-x, y-z, default or Backside";
    } else if (n == "--disp-scale") {
        if (!split_numbers(value, 1, 3, p.disp_scale)) return "--disp-scale takes s or x,y,z";
    } else if (n == "--contour-range") {
        if (!split_numbers(value, 2, 0, p.contour_range)) return "--contour-range takes max,min";
    } else if (n == "--divisions") {
        if (!is_int(value)) return "--divisions takes an integer";
        p.divisions = v;
    } else if (n == "--principal-scale") {
        if (!is_float(value)) return "--principal-scale takes a number";
        p.principal_scale = v;
    } else if (n == "--skip") {
        if (!is_int(value)) return "--skip takes an integer";
        p.skip = v;
    } else if (n == "--material") {
        if (!is_int(value)) return "--material takes a material number (-1 for all)";
        p.material = v;
    } else if (n == "--range") {
        if (!split_numbers(value, 6, 0, p.range))
            return "--range takes xmin,xmax,ymin,ymax,zmin,zmax";
    } else if (n == "--outside") {
        p.outside = true;
    } else if (n == "--fit-range") {
        p.fit_range = true;
    } else {
        return "not a picture option";
    }
    return nullptr;
}

namespace
{

// The dialogs' OK with the fields the options give, the others as the dialogs show them.
void apply_dialogs(FEMg3D &model, display_settings &ds, const picture_options &p)
{
    if (!p.material.empty() || !p.range.empty() || p.outside || p.fit_range) {
        range_fields f = show_range(model, ds);
        if (!p.material.empty()) {
            const int m = field_int(p.material);
            if (m < -1 || m >= ds.material_count)
                throw field_error("--material " + p.material + ": the result set has " +
                                  std::to_string(ds.material_count) +
                                  " materials (0 to n - 1, -1 for all)");
            ds.current_material = m;
        }
        for (std::size_t k = 0; k < p.range.size(); k++) f.box[k] = p.range[k];
        if (p.outside) f.and_checked = false;
        if (p.fit_range) f.adjust_viewport = true;
        apply_range(model, ds, f);
    }
    if (!p.disp_scale.empty() || !p.contour_range.empty() || !p.divisions.empty() ||
        !p.principal_scale.empty() || !p.skip.empty()) {
        scale_fields f = show_scales(model, ds);
        if (p.disp_scale.size() == 1) f[0] = f[3] = f[4] = p.disp_scale[0];
        if (p.disp_scale.size() == 3) {
            f[0] = p.disp_scale[0];
            f[3] = p.disp_scale[1];
            f[4] = p.disp_scale[2];
        }
        if (!p.contour_range.empty()) {
            ds.contour_range_set = true; // "Set Contour Range"
            f[1] = p.contour_range[0];
            f[2] = p.contour_range[1];
        }
        if (!p.divisions.empty()) f[5] = p.divisions;
        if (!p.principal_scale.empty()) f[6] = p.principal_scale;
        if (!p.skip.empty()) f[7] = p.skip;
        apply_scales(model, ds, f);
    }
    if (!p.view.empty() || !p.light.empty() || p.preset != 0) {
        view_values copy = view_from_model(model);
        if (p.preset != 0) view_preset(copy, p.preset);
        view_fields f = view_texts(copy);
        for (std::size_t k = 0; k < p.view.size(); k++) f[k] = p.view[k];
        for (std::size_t k = 0; k < p.light.size(); k++) f[4 + k] = p.light[k];
        apply_view(model, copy, f);
    }
}

// Qt's notes about the missing runtime directory of a session are noise for a console command;
// everything else goes to standard error as usual.
QtMessageHandler previous_handler = nullptr;

void quiet_messages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.startsWith(QStringLiteral("QStandardPaths:"))) return;
    if (previous_handler)
        previous_handler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// The Qt application of the picture: off-screen, numbers in the C locale.
void ensure_application()
{
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    previous_handler = qInstallMessageHandler(quiet_messages);
    static int argc = 1;
    static char name[] = "ostrine-batch";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace

bool write_graph_picture(FEMg3D &model, display_settings &ds, const picture_options &p)
{
    // The main window after Open.
    model.resize_surface(p.width, p.height);
    ds.material_count = model.n_materials;
    model.get_range(ds.saved_range_box);
    model.fit_to_range = false;
    model.range_inside = true;
    ds.current_material = -1;
    model.set_sel_material(-1);

    try {
        apply_dialogs(model, ds, p);
    } catch (const field_error &e) {
        std::fprintf(stderr, "ostrine-batch: %s\n", e.what());
        return false;
    }
    ds.smooth_contour = p.smooth;
    ds.wire_on = p.wire != 0;
    ds.wire_black = p.wire == 1;
    ds.wheel_mode = p.wheel_mode;
    ds.principal_choice = p.principal_choice;
    if (p.all_faces) model.show_all_faces = true;

    ensure_application();
    QImage image(p.width, p.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        qt_canvas cv(image);
        qt_smooth_surface surface(cv, model);
        model.smooth = &surface;
        draw_graph(model, ds, cv, p.graph_type, p.width, p.height, graph_target::image);
        model.smooth = nullptr;
    }
    std::string why;
    if (!write_picture(image, p.image_file, why)) {
        std::fprintf(stderr, "ostrine-batch: %s\n", why.c_str());
        return false;
    }
    return true;
}
