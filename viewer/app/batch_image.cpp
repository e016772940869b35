// ostrine-batch pictures: the graph drawn through the raster canvas with the parsed options.
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
#include "legend.h"
#include "qt_canvas.h"

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
    ds.legend = p.legend; // the model is fitted to the area the key leaves
    settle_after_open(model, ds, model_area_width(ds, p.width), p.height); // as after Open

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
    std::printf("ostrine-batch: wrote %s\n", p.image_file.c_str());
    return true;
}
