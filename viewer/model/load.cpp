// Reading a result set into FEMg3D: text and binary forms, validation of counts and indices.
#include "fem3d.h"
#include "result_set.h"
#include "unit_factors.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace
{

// Whole file in memory, NUL-terminated so that strtof/strtol stop at its end.
bool read_whole_file(const char *name, std::string &buf)
{
    std::FILE *f = std::fopen(name, "rb");
    if (!f) return false;
    buf.clear();
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) buf.append(chunk, got);
    std::fclose(f);
    return true;
}

// Token reader with the semantics of formatted input: every conversion skips leading white
// space and consumes the longest number it can; nothing after the number is consumed.
struct text_source {
    std::string buf;
    size_t pos = 0;

    void skip_space()
    {
        while (pos < buf.size() && std::isspace(static_cast<unsigned char>(buf[pos]))) pos++;
    }
    bool read_float(float &v)
    {
        skip_space();
        if (pos >= buf.size()) return false;
        const char *start = buf.c_str() + pos;
        char *end = nullptr;
        const float r = std::strtof(start, &end);
        if (end == start) return false;
        pos += static_cast<size_t>(end - start);
        v = r;
        return true;
    }
    bool read_int(int &v)
    {
        skip_space();
        if (pos >= buf.size()) return false;
        const char *start = buf.c_str() + pos;
        char *end = nullptr;
        errno = 0;
        const long r = std::strtol(start, &end, 10);
        if (end == start || errno == ERANGE || r < INT_MIN || r > INT_MAX) return false;
        pos += static_cast<size_t>(end - start);
        v = static_cast<int>(r);
        return true;
    }
    bool read_floats(float *v, int n)
    {
        for (int i = 0; i < n; i++)
            if (!read_float(v[i])) return false;
        return true;
    }
    // One line of at most 255 characters, its line end included (a line buffer of 256).
    bool drop_line()
    {
        if (pos >= buf.size()) return false;
        for (int n = 0; n < 255 && pos < buf.size(); n++)
            if (buf[pos++] == '\n') break;
        return true;
    }
};

// Little-endian 32-bit words.
struct binary_source {
    std::string buf;
    size_t pos = 0;

    size_t words_left() const { return (buf.size() - pos) / 4; }
    std::uint32_t word()
    {
        const auto *b = reinterpret_cast<const unsigned char *>(buf.data() + pos);
        pos += 4;
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
               std::uint32_t(b[3]) << 24;
    }
    int read_int() { return static_cast<std::int32_t>(word()); }
    float read_float()
    {
        const std::uint32_t w = word();
        float v;
        std::memcpy(&v, &w, 4);
        return v;
    }
    void read_floats(float *v, int n)
    {
        for (int i = 0; i < n; i++) v[i] = read_float();
    }
};

// A text value needs at least one character and, apart from the first, a separator or a
// sign before it: n values need at least 2n - 1 bytes.
bool fits_text(std::int64_t values, size_t bytes)
{
    return values <= 0 || 2 * values - 1 <= static_cast<std::int64_t>(bytes);
}

std::string format(const char *fmt, ...)
{
    char line[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    return line;
}

} // namespace

// Release everything a load may have filled and record why it failed.
int FEMg3D::fail_load(const std::string &reason)
{
    nodes = {};
    elements = {};
    materials = {};
    faces = {};
    def_faces = {};
    load_faces = {};
    dowels = {};
    dowel_types = {};
    n_nodes = n_materials = n_elements = n_boundary = band_width = 0;
    n_faces = n_load_faces = n_dowels = n_dowel_types = 0;
    model_loaded = false;
    results_loaded = false;
    dyn_loaded = false;
    load_error = reason;
    if (progress) progress->hide();
    return -1;
}

// Reads the whole model file into buf and starts the progress window with its first line;
// false with load_error set when the file cannot be read.
bool FEMg3D::open_model_file(const char *pin, std::string &buf)
{
    if (!read_whole_file(pin, buf)) {
        model_loaded = false;
        load_error = format("model file [%s] cannot be opened", pin);
        return false;
    }
    model_loaded = true;
    if (progress) {
        progress->show();
        progress->clear();
    }
    char line[1024];
    std::snprintf(line, sizeof line, "Read input data file [%s]", pin);
    progress_line(0, 0, line);
    return true;
}

void FEMg3D::progress_line(int x, int y, const char *line)
{
    if (progress) progress->text(x, y, line);
}

// Counts of the model header; false with load_error set when they cannot be right.
bool FEMg3D::check_header(const char *pin, long long values_needed, bool enough)
{
    const int counts[4] = {n_nodes, n_materials, n_elements, n_boundary};
    const char *names[4] = {"node", "material", "element", "boundary record"};
    for (int i = 0; i < 4; i++)
        if (counts[i] < 0) {
            load_error =
                format("model file [%s]: %s count %d is negative", pin, names[i], counts[i]);
            return false;
        }
    if (n_nodes == 0) {
        load_error = format("model file [%s]: the model has no nodes", pin);
        return false;
    }
    if (!enough) {
        load_error =
            format("model file [%s]: counts (%d nodes, %d materials, %d elements) are "
                   "too large for the file's size (%lld values needed)",
                   pin, n_nodes, n_materials, n_elements, static_cast<long long>(values_needed));
        return false;
    }
    return true;
}

// Allocate the model arrays zero-filled from the header counts.
void FEMg3D::allocate_model()
{
    nodes.assign(static_cast<size_t>(n_nodes) + 1, t_node{});
    elements.assign(static_cast<size_t>(n_elements), t_elem{});
    materials.assign(static_cast<size_t>(n_materials), t_material{});
    faces.assign(static_cast<size_t>(n_elements) * 6, t_face{});
    def_faces.assign(static_cast<size_t>(n_elements) * 6, t_face{});
    load_faces = {};
    dowels = {};
    dowel_types = {};
    n_faces = 0;
    n_dowels = 0;
    n_dowel_types = 0;
}

// Node and material numbers of element e; empty when valid.
std::string FEMg3D::check_element(const char *pin, int e) const
{
    const t_elem &el = elements[e];
    for (int k = 0; k < 8; k++)
        if (el.node[k] < 0 || el.node[k] >= n_nodes)
            return format("model file [%s]: element %d uses node %d, outside 0..%d", pin, e,
                          el.node[k], n_nodes - 1);
    if (el.material < 0 || el.material >= n_materials)
        return format("model file [%s]: element %d uses material %d, outside 0..%d", pin, e,
                      el.material, n_materials - 1);
    return {};
}

std::string FEMg3D::check_load_face(const char *pin, int f) const
{
    for (int k = 0; k < 4; k++) {
        const int n = load_faces[f].node[k];
        if (n < 0 || n >= n_nodes)
            return format("model file [%s]: loaded face %d uses node %d, outside 0..%d", pin, f, n,
                          n_nodes - 1);
    }
    return {};
}

// Extent of all node coordinates with strict comparisons; range_box starts equal to it.
void FEMg3D::compute_extent()
{
    extent[0] = extent[2] = extent[4] = -1e10f;
    extent[1] = extent[3] = extent[5] = 1e10f;
    for (int i = 0; i < n_nodes; i++)
        for (int c = 0; c < 3; c++) {
            const float v = nodes[i].coord[c];
            if (v < extent[2 * c + 1]) extent[2 * c + 1] = v;
            if (v > extent[2 * c]) extent[2 * c] = v;
        }
    for (int i = 0; i < 6; i++) range_box[i] = extent[i];
}

// Steps shared by both forms once the model file is in: view, range state and fit.
void FEMg3D::finish_model()
{
    build_view_matrix();
    range_inside = true;
    fit_to_range = false;
    fit_to_model();
}

// Principal stresses of nodes and element means, then the fatigue index.
void FEMg3D::finish_results()
{
    for (int i = 0; i < n_nodes; i++)
        compute_principal(nodes[i].stress, nodes[i].principal, nodes[i].direction);
    for (int e = 0; e < n_elements; e++) {
        t_elem &el = elements[e];
        el.draw_material = el.material;
        if (material_kind(el.draw_material) != 0) continue; // entry 11 truncated, as the faces
        float sum[18] = {};
        for (int k = 0; k < 8; k++) {
            const t_node &nd = nodes[el.node[k]];
            for (int c = 0; c < 3; c++) {
                sum[c] += nd.coord[c];
                sum[3 + c] += nd.disp[c];
            }
            for (int c = 0; c < 6; c++) {
                sum[6 + c] += nd.stress[c];
                sum[12 + c] += nd.strain[c];
            }
        }
        for (int c = 0; c < 3; c++) {
            el.centroid[c] = sum[c] / 8;
            el.disp[c] = sum[3 + c] / 8;
        }
        for (int c = 0; c < 6; c++) {
            el.stress[c] = sum[6 + c] / 8;
            el.strain[c] = sum[12 + c] / 8;
        }
        compute_principal(el.stress, el.principal, el.direction);
    }
    compute_fatigue(fatigue_a, fatigue_b, flex_strength, repetitions_log);
}

// Face lists with their progress lines, then the end of the progress window.
void FEMg3D::finish_faces()
{
    progress_line(0, 40, "Make face of element");
    build_faces();
    progress_line(0, 100, "Reading data is finished");
    if (progress) progress->hide();
}

// The dynamic-run file: end time, time step, a dropped value, output interval.
bool FEMg3D::read_dyn(const char *dyn)
{
    text_source src;
    dyn_loaded = read_whole_file(dyn, src.buf);
    if (!dyn_loaded) return true;
    float v[4];
    if (!src.read_floats(v, 4)) {
        load_error = format("dynamic-run file [%s] is truncated or malformed", dyn);
        return false;
    }
    dyn_end_time = v[0];
    dyn_time_step = v[1];
    dyn_out_interval = v[3];
    return true;
}

std::string FEMg3D::check_dowels(const char *dwi) const
{
    for (int i = 0; i < n_dowels; i++)
        if (dowels[i].type < 0 || dowels[i].type >= n_dowel_types)
            return format("dowel input file [%s]: dowel %d uses type %d, outside 0..%d", dwi, i,
                          dowels[i].type, n_dowel_types - 1);
    return {};
}

int FEMg3D::load_result_set(const char *pin, const char *out, const char *dwi, const char *dwo,
                            const char *dyn)
{
    try {
        return load_text(pin, out, dwi, dwo, dyn);
    } catch (const std::bad_alloc &) {
        return fail_load(format("not enough memory for the result set [%s]", pin));
    }
}

int FEMg3D::load_result_set_binary(const char *pin, const char *out, const char *dwi,
                                   const char *dwo, const char *dyn)
{
    try {
        return load_binary(pin, out, dwi, dwo, dyn);
    } catch (const std::bad_alloc &) {
        return fail_load(format("not enough memory for the result set [%s]", pin));
    }
}

int FEMg3D::load_text(const char *pin, const char *out, const char *dwi, const char *dwo,
                      const char *dyn)
{
    const float in_stress = settings->in_stress_factor;
    const float in_stiff = settings->in_stiff_factor;
    char line[1024];
    load_error.clear();

    // Model file.
    text_source src;
    if (!open_model_file(pin, src.buf)) return -1;
    const std::string truncated = format("model file [%s] is truncated or malformed", pin);

    // Header and arrays.
    int header[5];
    for (int i = 0; i < 5; i++)
        if (!src.read_int(header[i])) return fail_load(truncated + " (header)");
    n_nodes = header[0];
    n_materials = header[1];
    n_elements = header[2];
    n_boundary = header[3];
    band_width = header[4];
    const std::int64_t values = 12 * std::int64_t(n_materials) + 6 * std::int64_t(n_nodes) +
                                9 * std::int64_t(n_elements) + 4 * std::int64_t(n_boundary) + 1;
    if (!check_header(pin, values, fits_text(values, src.buf.size() - src.pos)))
        return fail_load(load_error);
    allocate_model();

    // Materials with the reading factors: solids convert modulus and unit weight, springs
    // their three stiffnesses.
    for (int m = 0; m < n_materials; m++) {
        float *v = materials[m].value;
        if (!src.read_floats(v, 12)) return fail_load(truncated + format(" (material %d)", m));
        if (converts_as_solid(v[11])) {
            v[0] *= in_stress;
            v[2] *= in_stiff;
        } else {
            v[0] *= in_stiff;
            v[1] *= in_stiff;
            v[2] *= in_stiff;
        }
    }
    // Nodes: coordinates kept, the three load values dropped.
    for (int i = 0; i < n_nodes; i++) {
        float v[6];
        if (!src.read_floats(v, 6)) return fail_load(truncated + format(" (node %d)", i));
        for (int c = 0; c < 3; c++) nodes[i].coord[c] = v[c];
    }
    compute_extent();
    // Elements, then the boundary records read past.
    for (int e = 0; e < n_elements; e++) {
        int v[9];
        for (int k = 0; k < 9; k++)
            if (!src.read_int(v[k])) return fail_load(truncated + format(" (element %d)", e));
        for (int k = 0; k < 8; k++) elements[e].node[k] = v[k];
        elements[e].material = v[8];
        const std::string bad = check_element(pin, e);
        if (!bad.empty()) return fail_load(bad);
    }
    for (int b = 0; b < n_boundary; b++)
        for (int k = 0; k < 4; k++) {
            int v;
            if (!src.read_int(v)) return fail_load(truncated + format(" (boundary record %d)", b));
        }
    // Loaded faces: each corner's traction overwrites the previous one.
    int nlf;
    if (!src.read_int(nlf)) return fail_load(truncated + " (loaded face count)");
    if (nlf < 0)
        return fail_load(format("model file [%s]: loaded face count %d is negative", pin, nlf));
    if (!fits_text(16 * std::int64_t(nlf), src.buf.size() - src.pos))
        return fail_load(format("model file [%s]: loaded face count %d is too large for the "
                                "file's size",
                                pin, nlf));
    n_load_faces = nlf;
    if (n_load_faces != 0) load_faces.assign(static_cast<size_t>(n_load_faces), t_load_face{});
    for (int f = 0; f < n_load_faces; f++) {
        t_load_face &lf = load_faces[f];
        for (int k = 0; k < 4; k++) {
            if (!src.read_int(lf.node[k]) || !src.read_floats(lf.traction, 3))
                return fail_load(truncated + format(" (loaded face %d)", f));
            for (int c = 0; c < 3; c++) lf.traction[c] *= in_stress;
        }
        const std::string bad = check_load_face(pin, f);
        if (!bad.empty()) return fail_load(bad);
    }
    // the model is complete: faces, extent and selection follow
    finish_model();

    // Result file.
    src = text_source{};
    results_loaded = read_whole_file(out, src.buf);
    if (!results_loaded) {
        std::snprintf(line, sizeof line, "Output data file [%s] is not found", out);
        progress_line(0, 20, line);
    } else {
        std::snprintf(line, sizeof line, "Read output data file [%s]", out);
        progress_line(0, 20, line);
        const std::string short_out = format("result file [%s] is truncated or malformed", out);
        if (!src.drop_line()) return fail_load(short_out + " (header)");
        for (int i = 0; i < n_nodes; i++) {
            float v[6];
            if (!src.read_floats(v, 6))
                return fail_load(short_out + format(" (displacement of node %d)", i));
            for (int c = 0; c < 3; c++) nodes[i].disp[c] = v[3 + c];
        }
        if (!src.drop_line() || !src.drop_line()) return fail_load(short_out + " (strain header)");
        for (int i = 0; i < n_nodes; i++) {
            float v[3];
            if (!src.read_floats(v, 3) || !src.read_floats(nodes[i].strain, 6))
                return fail_load(short_out + format(" (strain of node %d)", i));
        }
        if (!src.drop_line() || !src.drop_line()) return fail_load(short_out + " (stress header)");
        for (int i = 0; i < n_nodes; i++) {
            float v[3];
            if (!src.read_floats(v, 3) || !src.read_floats(nodes[i].stress, 6))
                return fail_load(short_out + format(" (stress of node %d)", i));
            for (int c = 0; c < 6; c++) nodes[i].stress[c] *= in_stress;
        }
        finish_results();
    }
    // the face lists and the dynamic-run file
    finish_faces();
    if (!read_dyn(dyn)) return fail_load(load_error);

    // Dowel input file.
    src = text_source{};
    if (!read_whole_file(dwi, src.buf)) {
        n_dowels = 0;
        return 1;
    }
    const std::string short_dwi = format("dowel input file [%s] is truncated or malformed", dwi);
    int nd, nt;
    if (!src.read_int(nd) || !src.read_int(nt)) return fail_load(short_dwi + " (counts)");
    if (nd < 0 || nt < 0)
        return fail_load(
            format("dowel input file [%s]: counts %d dowels, %d types are negative", dwi, nd, nt));
    if (!fits_text(12 * std::int64_t(nt) + 4 * std::int64_t(nd), src.buf.size() - src.pos))
        return fail_load(format("dowel input file [%s]: counts %d dowels, %d types are too "
                                "large for the file's size",
                                dwi, nd, nt));
    n_dowels = nd;
    n_dowel_types = nt;
    dowels.assign(static_cast<size_t>(nd), t_dowel{});
    dowel_types.assign(static_cast<size_t>(nt), t_dowel_type{});
    for (int t = 0; t < nt; t++) {
        float *v = dowel_types[t].value;
        if (!src.read_floats(v, 12)) return fail_load(short_dwi + format(" (type %d)", t));
        v[0] *= in_stress;
        v[5] *= in_stiff;
    }
    for (int i = 0; i < nd; i++)
        if (!src.read_floats(dowels[i].centre, 3) || !src.read_int(dowels[i].type))
            return fail_load(short_dwi + format(" (dowel %d)", i));
    {
        const std::string bad = check_dowels(dwi);
        if (!bad.empty()) return fail_load(bad);
    }

    // Dowel result file: centre again, axis flags, twelve end forces.
    src = text_source{};
    if (!read_whole_file(dwo, src.buf)) return 1;
    const std::string short_dwo = format("dowel result file [%s] is truncated or malformed", dwo);
    if (nd > 0 && !src.drop_line()) return fail_load(short_dwo + " (header)");
    for (int i = 0; i < nd; i++) {
        t_dowel &d = dowels[i];
        if (!src.read_floats(d.centre, 3) || !src.read_floats(d.axis, 3) ||
            !src.read_floats(d.force, 12))
            return fail_load(short_dwo + format(" (dowel %d)", i));
    }
    if (model_loaded) compute_dowel_profiles();
    return 1;
}

int FEMg3D::load_binary(const char *pin, const char *out, const char *dwi, const char *dwo,
                        const char *dyn)
{
    char line[1024];
    load_error.clear();

    binary_source src;
    if (!open_model_file(pin, src.buf)) return -1;

    if (src.words_left() < 5)
        return fail_load(format("model file [%s] is truncated (header)", pin));
    n_nodes = src.read_int();
    n_materials = src.read_int();
    n_elements = src.read_int();
    n_boundary = src.read_int();
    band_width = src.read_int();
    // Materials, nodes (x, y, z), elements and the loaded face count.
    const std::int64_t words = 12 * std::int64_t(n_materials) + 3 * std::int64_t(n_nodes) +
                               9 * std::int64_t(n_elements) + 1;
    if (!check_header(pin, words, words <= std::int64_t(src.words_left())))
        return fail_load(load_error);
    allocate_model();
    for (int m = 0; m < n_materials; m++) src.read_floats(materials[m].value, 12);
    for (int i = 0; i < n_nodes; i++) src.read_floats(nodes[i].coord, 3);
    compute_extent();
    for (int e = 0; e < n_elements; e++) {
        for (int k = 0; k < 8; k++) elements[e].node[k] = src.read_int();
        elements[e].material = src.read_int();
        const std::string bad = check_element(pin, e);
        if (!bad.empty()) return fail_load(bad);
    }
    const int nlf = src.read_int();
    if (nlf < 0)
        return fail_load(format("model file [%s]: loaded face count %d is negative", pin, nlf));
    if (16 * std::int64_t(nlf) > std::int64_t(src.words_left()))
        return fail_load(format("model file [%s] is truncated (loaded faces)", pin));
    n_load_faces = nlf;
    if (n_load_faces != 0) load_faces.assign(static_cast<size_t>(n_load_faces), t_load_face{});
    for (int f = 0; f < n_load_faces; f++) {
        for (int k = 0; k < 4; k++) {
            load_faces[f].node[k] = src.read_int();
            src.read_floats(load_faces[f].traction, 3);
        }
        const std::string bad = check_load_face(pin, f);
        if (!bad.empty()) return fail_load(bad);
    }
    finish_model();

    src = binary_source{};
    results_loaded = read_whole_file(out, src.buf);
    if (!results_loaded) {
        std::snprintf(line, sizeof line, "Output data file [%s] is not found", out);
        progress_line(0, 20, line);
    } else {
        std::snprintf(line, sizeof line, "Read output data file [%s]", out);
        progress_line(0, 20, line);
        if (15 * std::int64_t(n_nodes) > std::int64_t(src.words_left()))
            return fail_load(format(
                "result file [%s] is truncated: %d nodes need %lld bytes, "
                "it has %zu",
                out, n_nodes, static_cast<long long>(60 * std::int64_t(n_nodes)), src.buf.size()));
        for (int i = 0; i < n_nodes; i++) src.read_floats(nodes[i].disp, 3);
        for (int i = 0; i < n_nodes; i++) src.read_floats(nodes[i].strain, 6);
        for (int i = 0; i < n_nodes; i++) src.read_floats(nodes[i].stress, 6);
        finish_results();
    }
    finish_faces();
    if (!read_dyn(dyn)) return fail_load(load_error);

    src = binary_source{};
    if (!read_whole_file(dwi, src.buf)) {
        n_dowels = 0;
        return 1;
    }
    if (src.words_left() < 2)
        return fail_load(format("dowel input file [%s] is truncated (counts)", dwi));
    const int nd = src.read_int(), nt = src.read_int();
    if (nd < 0 || nt < 0)
        return fail_load(
            format("dowel input file [%s]: counts %d dowels, %d types are negative", dwi, nd, nt));
    if (12 * std::int64_t(nt) + 4 * std::int64_t(nd) > std::int64_t(src.words_left()))
        return fail_load(
            format("dowel input file [%s] is truncated: %d dowels, %d types", dwi, nd, nt));
    n_dowels = nd;
    n_dowel_types = nt;
    dowels.assign(static_cast<size_t>(nd), t_dowel{});
    dowel_types.assign(static_cast<size_t>(nt), t_dowel_type{});
    for (int t = 0; t < nt; t++) src.read_floats(dowel_types[t].value, 12);
    for (int i = 0; i < nd; i++) {
        src.read_floats(dowels[i].centre, 3);
        dowels[i].type = src.read_int();
    }
    {
        const std::string bad = check_dowels(dwi);
        if (!bad.empty()) return fail_load(bad);
    }

    src = binary_source{};
    if (!read_whole_file(dwo, src.buf)) return 1;
    if (15 * std::int64_t(nd) > std::int64_t(src.words_left()))
        return fail_load(format("dowel result file [%s] is truncated: %d dowels need %lld "
                                "bytes, it has %zu",
                                dwo, nd, static_cast<long long>(60 * std::int64_t(nd)),
                                src.buf.size()));
    for (int i = 0; i < nd; i++) {
        src.read_floats(dowels[i].axis, 3);
        src.read_floats(dowels[i].force, 12);
    }
    if (model_loaded) compute_dowel_profiles();
    return 1;
}
