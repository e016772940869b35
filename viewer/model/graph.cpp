// Graph dispatch: graph types by name and the drawing of one graph by type.
#include "graph.h"

#include "legend.h"

namespace
{
void draw_mesh(FEMg3D &model, const display_settings &ds, canvas &cv, int, bool)
{
    model.draw_mesh(cv, false);
    if (ds.wheel_mode != 0) model.draw_load_faces(cv, false);
}

void draw_displacement(FEMg3D &model, const display_settings &ds, canvas &cv, int, bool)
{
    model.draw_deformed(cv);
    if (ds.wheel_mode != 0) model.draw_load_faces(cv, true);
}

void draw_contour(FEMg3D &model, const display_settings &, canvas &cv, int component, bool)
{
    model.draw_contour(cv, component);
}

void draw_dowel_bending(FEMg3D &model, const display_settings &, canvas &cv, int, bool)
{
    model.draw_material_boxes(cv);
    model.draw_dowels(cv);
    model.draw_dowel_bending(cv);
}

void draw_dowel_shear(FEMg3D &model, const display_settings &, canvas &cv, int, bool)
{
    model.draw_material_boxes(cv);
    model.draw_dowels(cv);
    model.draw_dowel_shear(cv);
}

void draw_principal(FEMg3D &model, const display_settings &ds, canvas &cv, int, bool clear)
{
    if (clear) model.draw_mesh(cv, true); // the outline under the crosses
    model.draw_principal(cv, ds.principal_choice);
}

const int white = 0xFFFFFF;
} // namespace

const graph_type_row graph_types[n_graph_types] = {
    {"Mesh", draw_mesh, -1, graph_key::mesh},
    {"Displacement", draw_displacement, -1, graph_key::deformed},
    {"Sx", draw_contour, 0, graph_key::contour},
    {"Sy", draw_contour, 1, graph_key::contour},
    {"Sz", draw_contour, 2, graph_key::contour},
    {"Syz", draw_contour, 3, graph_key::contour},
    {"Szx", draw_contour, 4, graph_key::contour},
    {"Sxy", draw_contour, 5, graph_key::contour},
    {"Ex", draw_contour, 6, graph_key::contour},
    {"Ey", draw_contour, 7, graph_key::contour},
    {"Ez", draw_contour, 8, graph_key::contour},
    {"Eyz", draw_contour, 9, graph_key::contour},
    {"Ezx", draw_contour, 10, graph_key::contour},
    {"Exy", draw_contour, 11, graph_key::contour},
    {"Dowel Bending Stress", draw_dowel_bending, -1, graph_key::dowel_bending},
    {"Dowel Shear Stress", draw_dowel_shear, -1, graph_key::dowel_shear},
    {"S1", draw_contour, 12, graph_key::contour},
    {"S2", draw_contour, 13, graph_key::contour},
    {"S3", draw_contour, 14, graph_key::contour},
    {"", draw_contour, 15, graph_key::contour}, // the fatigue index
    {"Principal Stress", draw_principal, -1, graph_key::principal},
};

const graph_type_row *graph_row(int graph_type)
{
    if (graph_type < 0 || graph_type >= n_graph_types) return nullptr;
    return &graph_types[graph_type];
}

const char *graph_name(int graph_type)
{
    const graph_type_row *row = graph_row(graph_type);
    return row ? row->name : nullptr;
}

int graph_type_of(const std::string &name)
{
    if (name.empty()) return -1;
    for (int g = 0; g < n_graph_types; g++)
        if (name == graph_types[g].name) return g;
    // the names of menu items that differ from the status bar's
    const struct {
        const char *item, *graph;
    } items[] = {{"Bending", "Dowel Bending Stress"}, {"Shear", "Dowel Shear Stress"}};
    for (const auto &i : items)
        if (name == i.item) return graph_type_of(i.graph);
    if (name == "FI") { // the contour row after S3
        for (int g = 0; g < n_graph_types; g++)
            if (graph_types[g].name[0] == '\0') return g;
    }
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

    if (const graph_type_row *row = graph_row(graph_type))
        row->draw(model, ds, cv, row->component, image || !ds.overlay_draw);
    // Option > Legend (off by default): without it the pictures are unchanged
    if (ds.legend) draw_key(model, ds, cv, graph_type, width, height);
}
