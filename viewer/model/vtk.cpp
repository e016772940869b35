// VTK legacy export of the result model: mesh as hexahedra, displacement and principal stress
// vectors.
#include "atomic_output.h"
#include "fem3d.h"

#include <cstdio>

namespace
{
const char vtk_header[] = "# vtk DataFile Version 2.0\n"
                          "This file was exported from Ostrine in Zenthor Holbrek\n"
                          "ASCII\n"
                          "DATASET UNSTRUCTURED_GRID\n";
const char vtk_points[] = "POINTS %d float\n";
const char vtk_xyz[] = "%f %f %f\n";
const char vtk_cells[] = "CELLS %d %d \n";
const char vtk_int[] = "%d ";
const char vtk_cell_types[] = "CELL_TYPES %d\n";
const char vtk_hexahedron[] = "12 \n";
const char vtk_point_data[] = "POINT_DATA %d\n";
// The blank after the line end starts every following line, the next header included.
const char vtk_disp_line[] = "%f %f %f\n ";
const char vtk_component[] = "%f ";
} // namespace

int FEMg3D::export_vtk(const char *file_name) const
{
    atomic_file out; // a failed export leaves the previous file, never a truncated one
    if (!out.open(file_name)) return -1;
    std::FILE *f = out.stream();
    const float lf = settings->length_factor, sf = settings->stress_factor;
    std::fputs(vtk_header, f);
    std::fprintf(f, vtk_points, n_nodes);
    for (int i = 0; i < n_nodes; i++) {
        const float *x = nodes[i].coord;
        std::fprintf(f, vtk_xyz, x[0] * lf, x[1] * lf, x[2] * lf);
    }
    std::fprintf(f, vtk_cells, n_elements, 9 * n_elements);
    for (int e = 0; e < n_elements; e++) {
        std::fprintf(f, vtk_int, 8);
        for (int k = 0; k < 8; k++) std::fprintf(f, vtk_int, elements[e].node[k]);
        std::fputs("\n", f);
    }
    std::fprintf(f, vtk_cell_types, n_elements);
    for (int e = 0; e < n_elements; e++) std::fputs(vtk_hexahedron, f);
    std::fprintf(f, vtk_point_data, n_nodes);
    std::fputs("VECTORS Point_Displacements float\n", f);
    for (int i = 0; i < n_nodes; i++) {
        const float *u = nodes[i].disp;
        std::fprintf(f, vtk_disp_line, u[0] * lf, u[1] * lf, u[2] * lf);
    }
    // Principal stress k as a vector along its direction: S_k * direction[3j + k].
    const char *names[3] = {"VECTORS Point_S1 float\n", "VECTORS Point_S2 float\n",
                            "VECTORS Point_S3 float\n"};
    for (int k = 0; k < 3; k++) {
        std::fputs(names[k], f);
        for (int i = 0; i < n_nodes; i++) {
            const t_node &nd = nodes[i];
            for (int j = 0; j < 3; j++)
                std::fprintf(f, vtk_component, nd.principal[k] * nd.direction[3 * j + k] * sf);
            std::fputs("\n", f);
        }
    }
    return out.commit() ? 1 : -1;
}
