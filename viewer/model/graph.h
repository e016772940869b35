// Graph dispatch shared by the main window, the image window and ostrine-batch: graph types by
// name and the drawing of one graph onto a canvas.
#pragma once

#include <string>

#include "canvas.h"
#include "display.h"
#include "fem3d.h"

// Graph types 0..20 of the Graph menu: 0 Mesh, 1 Displacement, 2..13 contours Sx..Exy,
// 14 dowel bending, 15 dowel shear, 16..19 contours S1, S2, S3, FI, 20 principal stresses.
constexpr int n_graph_types = 21;

// What a graph's key explains.
enum class graph_key { mesh, deformed, contour, dowel_bending, dowel_shear, principal };

// One graph of the Graph menu: its status-bar name, its drawing and its key. A new graph is a
// drawing function and a row of graph_types (its type number is its row).
struct graph_type_row {
    const char *name; // status-bar name (FI's is empty)
    // draws the graph (after the view is sized and cleared); clear: the picture was cleared
    // for it (an image, or the window without overlay drawing)
    void (*draw)(FEMg3D &model, const display_settings &ds, canvas &cv, int component, bool clear);
    int component; // the contour component of draw_contour (-1 for the other graphs)
    graph_key key;
};

extern const graph_type_row graph_types[n_graph_types];

// Graph type of a name: the graph names of the status bar ("Mesh", "Displacement", "Sx" ...
// "Exy", "S1", "S2", "S3", "Dowel Bending Stress", "Dowel Shear Stress", "Principal Stress"),
// "FI" for the fatigue index (whose graph name is empty), and the menu items "Bending" and
// "Shear"; -1 for an unknown name. Case matters.
int graph_type_of(const std::string &name);

// Status-bar name of a graph type (FI's is empty); nullptr outside 0..20.
const char *graph_name(int graph_type);

// The row of a graph type; nullptr outside 0..20.
const graph_type_row *graph_row(int graph_type);

// Principal choice of a menu item: "Minimum" 0, "Middle" 1, "Maximum" 2, "All" 3; -1 unknown.
int principal_choice_of(const std::string &name);

// Where a graph is drawn: the main window (clears only when overlay drawing is off, principal
// stresses over the mesh outline only then) or the off-screen image (always cleared, outline
// always drawn).
enum class graph_target { window, image };

// Draws graph_type onto cv of width x height pixels as the main window's redraw (target window)
// or its image drawing (target image) does: resize the view and clear to white, take over the
// material selection and the saved range box, then the drawing of the graph. The caller checks
// that a result set is open and refreshes its status texts afterwards.
void draw_graph(FEMg3D &model, display_settings &ds, canvas &cv, int graph_type, int width,
                int height, graph_target target);

// Fills the w x h surface white with the canvas operations (pen and brush become white).
void fill_white(canvas &cv, int width, int height);
