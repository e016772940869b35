// Pictures of ostrine-batch: the graph options of the command line and the drawing of one graph
// into an image file exactly as the viewer's Make Bmp draws it.
#pragma once

#include "batch_options.h"
#include "display.h"
#include "fem3d.h"

// After a successful load: the main window's state after Open (surface size, saved range box,
// all materials), the range, scales and view dialogs' OK with the given fields, the menu
// settings, then the graph drawn into a width x height image and written to image_file.
// Returns false after printing why on standard error.
bool write_graph_picture(FEMg3D &model, display_settings &ds, const picture_options &p);
