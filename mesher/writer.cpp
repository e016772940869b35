// Writer of the model file: header, materials, nodes, elements, supports and loaded faces.
#include "tarnel.h"

#include "quick_format.h"
#include "unit_factors.h"

static const char header_format[] = "%4d %4d %4d %4d %4d\n";
static const char material_format[] = "%12.5e ";
static const char node_format[] = "%10.4f %10.4f %10.4f 0.0 0.0 0.0\n";
static const char element_node_format[] = "%4d ";
static const char element_material_format[] = "%4d\n";
static const char boundary_format[] = "%4d %2d %2d %2d\n";
static const char face_count_format[] = "%3d\n";
static const char grid_face_format[] = "%d %12.5e %12.5e %12.5e\n";
static const char surface_face_node_format[] = " %4d ";
static const char surface_face_value_format[] = " %12.4e";

// Written number of an original node: through the merge map to a used node, then compacted.
static int written_node(const tarnel_run &run, int n)
{
    return run.out_number[static_cast<std::size_t>(run.node_map[static_cast<std::size_t>(n)])];
}

bool write_model(FILE *out, const tarnel_run &run)
{
    std::fprintf(run.msg_out, "Process status::Outputting FEM data\n");
    const int u = run.opt.unit_code;
    // the file holds values divided by the factors of -U (the solver multiplies back)
    const float f_e = unit_stress_factor_f(u), f_k = unit_spring_factor_f(u),
                f_w = unit_weight_factor_f(u);
    quick_text text(out); // the file's lines: the formats above, written in large pieces
    text.printf(header_format, run.np_used, run.nm, run.ne, run.nb, row_slots);

    for (int m = 0; m < run.nm; ++m) {
        float rec[mat_size];
        for (int j = 0; j < mat_size; ++j)
            rec[j] = run.mats[static_cast<std::size_t>(m) * mat_size + j];
        if (converts_as_solid(rec[11])) { // solid: modulus and unit weight
            rec[0] /= f_e;
            rec[2] /= f_w;
        } else { // joint: the three spring stiffnesses
            for (int j = 0; j < 3; ++j) rec[j] /= f_k;
        }
        for (int j = 0; j < mat_size; ++j) text.printf(material_format, rec[j]);
        text.puts("\n");
    }

    for (int n = 0; n < run.np; ++n)
        if (run.out_number[static_cast<std::size_t>(n)] >= 0) {
            const float *p = &run.coords[static_cast<std::size_t>(n) * 3];
            text.printf(node_format, p[0], p[1], p[2]);
        }

    for (int e = 0; e < run.ne; ++e) {
        const int *c = &run.conn[static_cast<std::size_t>(e) * conn_size];
        for (int m = 0; m < 8; ++m) text.printf(element_node_format, written_node(run, c[m]));
        text.printf(element_material_format, c[8]);
    }

    for (int r = 0; r < run.nb; ++r) {
        const int *rec = &run.bc[static_cast<std::size_t>(r) * 4];
        text.printf(boundary_format, written_node(run, rec[0]), rec[1], rec[2], rec[3]);
    }

    int written_faces = 0;
    for (int f = 0; f < run.nedge; ++f)
        written_faces += run.face_loaded[static_cast<std::size_t>(f)] ? 1 : 0;
    text.printf(face_count_format, written_faces);
    float scale[3]; // the ratio over the stress factor, and the tractions, in single precision
    for (int c = 0; c < 3; ++c) scale[c] = run.ratio[c] / f_e;
    for (int f = 0; f < run.nedge; ++f) {
        if (!run.face_loaded[static_cast<std::size_t>(f)]) continue;
        const float *t = &run.face_t[3 * static_cast<std::size_t>(f)];
        for (int k = 0; k < 4; ++k) {
            const int node = written_node(run, run.face_nodes[4 * static_cast<std::size_t>(f) + k]);
            if (run.opt.face_mode) {
                text.printf(surface_face_node_format, node);
                for (int c = 0; c < 3; ++c)
                    text.printf(surface_face_value_format, static_cast<double>(scale[c] * t[c]));
                text.puts("\n");
            } else {
                text.printf(grid_face_format, node, static_cast<double>(scale[0] * t[0]),
                            static_cast<double>(scale[1] * t[1]),
                            static_cast<double>(scale[2] * t[2]));
            }
        }
    }
    text.flush();
    return std::ferror(out) == 0;
}
