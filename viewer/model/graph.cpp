// Graph dispatch: graph types by name and the drawing of one graph by type.
#include "graph.h"

#include "legend.h"

namespace
{
const char *const graph_names[n_graph_types] = {"Mesh",
                                                "Displacement",
                                                "Sx",
                                                "Sy",
                                                "Sz",
                                                "Syz",
                                                "Szx",
                                                "Sxy",
                                                "Ex",
                                                "Ey",
                                                "Ez",
                                                "Eyz",
                                                "Ezx",
                                                "Exy",
                                                "Dowel Bending Stress",
                                                "Dowel Shear Stress",
                                                "S1",
                                                "S2",
                                                "S3",
                                                "",
                                                "Principal Stress"};

const int white = 0xFFFFFF;
} // namespace

const char *graph_name(int graph_type)
{
    if (graph_type < 0 || graph_type >= n_graph_types) return nullptr;
    return graph_names[graph_type];
}

int graph_type_of(const std::string &name)
{
    if (name.empty()) return -1;
    for (int g = 0; g < n_graph_types; g++)
        if (name == graph_names[g]) return g;
    if (name == "FI") return 19;
    if (name == "Bending") return 14;
    if (name == "Shear") return 15;
    return -1;
}

int principal_choice_of(const std::string &name)
{
    if (name == "Minimum") return 0;
    if (name == "Middle") return 1;
    if (name == "Maximum") return 2;
    if (name == "All") return 3;
    return -1;
}

void fill_white(canvas &cv, int width, int height)
{
    cv.set_pen(white, 1, 0);
    cv.set_brush(white, 0);
    cv.rectangle(0, 0, width, height);
}

void draw_graph(FEMg3D &model, display_settings &ds, canvas &cv, int graph_type, int width,
                int height, graph_target target)
{
    const bool image = target == graph_target::image;
    // with the key, the model is fitted to the area left of its panel
    const int area = model_area_width(ds, width);
    if (image || !ds.overlay_draw) {
        model.resize_surface(area, height);
        fill_white(cv, width, height);
    }
    if (image)
        model.set_sel_material(ds.current_material);
    else
        ds.current_material = model.sel_material;
    model.set_range(ds.saved_range_box);

    if (graph_type == 0) {
        model.draw_mesh(cv, false);
        if (ds.wheel_mode != 0) model.draw_load_faces(cv, false);
    } else if (graph_type == 1) {
        model.draw_deformed(cv);
        if (ds.wheel_mode != 0) model.draw_load_faces(cv, true);
    } else if (graph_type >= 2 && graph_type <= 13) {
        model.draw_contour(cv, graph_type - 2);
    } else if (graph_type >= 16 && graph_type <= 19) {
        model.draw_contour(cv, graph_type - 4);
    } else if (graph_type == 14 || graph_type == 15) {
        model.draw_material_boxes(cv);
        model.draw_dowels(cv);
        if (graph_type == 14)
            model.draw_dowel_bending(cv);
        else
            model.draw_dowel_shear(cv);
    } else if (graph_type == 20) {
        if (image || !ds.overlay_draw) model.draw_mesh(cv, true);
        model.draw_principal(cv, ds.principal_choice);
    }
    // Option > Legend (off by default): without it the pictures are unchanged
    if (ds.legend) draw_key(model, ds, cv, graph_type, width, height);
}
