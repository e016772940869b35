// Grid lines, materials, nodes and elements of every layer (single-precision grid arithmetic).
#include "tarnel.h"

#include <cstdint>

// Lines per direction and cells in all are bounded so that node and element numbers stay
// far inside int and a mistyped subdivision cannot exhaust memory.
static constexpr std::int64_t max_lines = 10000000;
static constexpr std::int64_t max_cells = 100000000;

// Input intervals -> grid lines. An interval whose subdivided length s = (b - a)/sub is below
// the joint width or the second minimum stays one interval; otherwise sub lines a, a + s, ...
// are made by repeated single-precision addition. The closing line input[n] ends the list.
// line_types[i] is the type of the interval starting at line i (-1 on the closing line).
void make_lines(const float *input, const int *types, int n, int sub, float joint_width,
                float min_length, std::vector<float> &lines, std::vector<int> &line_types)
{
    lines.clear();
    line_types.clear();
    for (int l = 0; l < n; ++l) {
        const float s = (input[l + 1] - input[l]) / static_cast<float>(sub);
        if (s < joint_width || s < min_length) {
            lines.push_back(input[l]);
            line_types.push_back(types[l]);
            continue;
        }
        float v = input[l];
        for (int k = 0; k < sub; ++k) {
            lines.push_back(v);
            line_types.push_back(types[l]);
            v += s;
        }
    }
    lines.push_back(input[n]);
    line_types.push_back(-1);
}

// Puts a load edge into a sorted line list when it lies strictly inside the list: the first
// line >= value is moved onto it when less than 0.4 above it, else value is inserted before
// that line and the new interval takes the type of the interval it splits. True if changed.
bool insert_line(std::vector<float> &lines, std::vector<int> &types, float value)
{
    if (lines.size() < 2 || !(value > lines.front() && value < lines.back())) return false;
    std::size_t i = 1;
    while (lines[i] < value) ++i; // stops at the last line at the latest
    if (lines[i] - value < 0.4) {
        lines[i] = value;
        return true;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), value);
    types.insert(types.begin() + static_cast<std::ptrdiff_t>(i), types[i - 1]);
    return true;
}

// Global number of a material record: the first stored record whose every entry agrees within
// 0.0001 relative (0.0001 absolute where the stored entry is 0), else a new record.
int add_material(tarnel_run &run, const float *record)
{
    for (int m = 0; m < run.nm; ++m) {
        const float *s = &run.mats[static_cast<std::size_t>(m) * mat_size];
        bool same = true;
        for (int j = 0; j < mat_size && same; ++j) {
            const float d = s[j] - record[j];
            const float ad = d < 0 ? -d : d;
            const float as = s[j] < 0 ? -s[j] : s[j];
            same = s[j] != 0.0f ? ad <= 0.0001 * as : ad <= 0.0001;
        }
        if (same) return m;
    }
    run.mats.insert(run.mats.end(), record, record + mat_size);
    return run.nm++;
}

int find_node(const tarnel_run &run, float x, float y, float z)
{
    return run.index.find(x, y, z);
}

// The first node equal to (x, y, z) in creation order, else a new node with use counter 0.
int find_or_add_node(tarnel_run &run, float x, float y, float z)
{
    const int found = run.index.find(x, y, z);
    if (found >= 0) return found;
    run.coords.push_back(x);
    run.coords.push_back(y);
    run.coords.push_back(z);
    run.node_use.push_back(0);
    run.index.insert(x, y, z, run.np);
    return run.np++;
}

// z lines of one layer (input z from top to bottom). With -S the lines restart from the
// running value r, which carries over from layer to layer; the closing line is the end
// reached by accumulation, not the input value.
static void make_z_lines(tarnel_run &run, const tarnel_layer &layer, bool joint_layer, float &r)
{
    run.z_lines.clear();
    const int k = joint_layer ? 1 : run.opt.sub_z;
    for (int l = 0; l < layer.nz; ++l) {
        const float start = run.opt.restart_z ? r : layer.z[l];
        const float step = (layer.z[l + 1] - layer.z[l]) / static_cast<float>(k);
        float v = start;
        for (int i = 0; i < k; ++i) {
            run.z_lines.push_back(v);
            v += step;
        }
        r = v;
    }
    run.z_lines.push_back(r);
}

// Eight corners of a cell in the solver's node order; nodes 0-3 and 4-7 face each other
// across the gap of a joint cell (normal +x for narrow_x, +y for narrow_y).
static void cell_corners(bool narrow_x, bool narrow_y, float xa, float xb, float ya, float yb,
                         float zlo, float zhi, float c[8][3])
{
    if (narrow_x) {
        const float face[4][2] = {{yb, zhi}, {ya, zhi}, {ya, zlo}, {yb, zlo}}; // (y, z)
        for (int k = 0; k < 4; ++k) {
            c[k][0] = xa, c[k][1] = face[k][0], c[k][2] = face[k][1];
            c[k + 4][0] = xb, c[k + 4][1] = face[k][0], c[k + 4][2] = face[k][1];
        }
    } else if (narrow_y) {
        const float face[4][2] = {{xa, zhi}, {xb, zhi}, {xb, zlo}, {xa, zlo}}; // (x, z)
        for (int k = 0; k < 4; ++k) {
            c[k][0] = face[k][0], c[k][1] = ya, c[k][2] = face[k][1];
            c[k + 4][0] = face[k][0], c[k + 4][1] = yb, c[k + 4][2] = face[k][1];
        }
    } else {
        const float face[4][2] = {{xa, ya}, {xb, ya}, {xb, yb}, {xa, yb}}; // (x, y)
        for (int k = 0; k < 4; ++k) {
            c[k][0] = face[k][0], c[k][1] = face[k][1], c[k][2] = zlo;
            c[k + 4][0] = face[k][0], c[k + 4][1] = face[k][1], c[k + 4][2] = zhi;
        }
    }
}

// Cells of one layer: z intervals top to bottom, then y, then x increasing.
static void make_cells(tarnel_run &run, const std::vector<int> &global, bool joint_layer)
{
    const float jw = run.opt.joint_width;
    const std::size_t nxl = run.x_lines.size(), nyl = run.y_lines.size();
    for (std::size_t k = 0; k + 1 < run.z_lines.size(); ++k) {
        const float zhi = run.z_lines[k], zlo = run.z_lines[k + 1];
        for (std::size_t j = 0; j + 1 < nyl; ++j) {
            const float ya = run.y_lines[j], yb = run.y_lines[j + 1];
            const bool narrow_y = yb - ya < jw;
            for (std::size_t i = 0; i + 1 < nxl; ++i) {
                const float xa = run.x_lines[i], xb = run.x_lines[i + 1];
                const bool narrow_x = xb - xa < jw;
                if (narrow_x && narrow_y) continue;
                if (joint_layer && (narrow_x || narrow_y)) continue;
                const int mat = global[static_cast<std::size_t>(run.x_types[i] + run.y_types[j])];
                if (run.mats[static_cast<std::size_t>(mat) * mat_size] <= 0.0f) continue;
                float c[8][3];
                cell_corners(narrow_x, narrow_y, xa, xb, ya, yb, zlo, zhi, c);
                for (int m = 0; m < 8; ++m)
                    run.conn.push_back(find_or_add_node(run, c[m][0], c[m][1], c[m][2]));
                run.conn.push_back(mat);
                ++run.ne;
            }
        }
    }
}

// Lines in one direction before load edges: nx*sub + 1 at most, + 2 per load.
static bool lines_within_limit(const tarnel_run &run, int l, char axis, int n, int sub)
{
    const std::int64_t lines = static_cast<std::int64_t>(n) * sub + 1 + 2 * run.loads.size();
    if (lines <= max_lines) return true;
    std::fprintf(run.msg_err,
                 "tarnel: %s: layer %d: %c would have %lld grid lines, more than the limit "
                 "of %lld (check -%c)\n",
                 run.opt.in_name.c_str(), l, axis, static_cast<long long>(lines),
                 static_cast<long long>(max_lines), axis - 'x' + 'X');
    return false;
}

// Grid lines, materials and elements of every layer, then the use counters. False (with a
// message) when the mesh would exceed the size limits.
bool make_elements(tarnel_run &run)
{
    std::fprintf(run.msg_out, "\nProcess status::Making element and node data\n");
    const tarnel_options &o = run.opt;
    float r = o.restart_z_value; // running z of -S, carried from layer to layer
    for (std::size_t l = 0; l < run.layers.size(); ++l) {
        const tarnel_layer &layer = run.layers[l];
        std::fprintf(run.msg_out, "\t--Processing layer No.[%2d]\n", static_cast<int>(l) + 1);
        const int li = static_cast<int>(l);
        if (!lines_within_limit(run, li, 'x', layer.nx, o.sub_x) ||
            !lines_within_limit(run, li, 'y', layer.ny, o.sub_y) ||
            !lines_within_limit(run, li, 'z', layer.nz, o.sub_z))
            return false;
        make_lines(layer.x.data(), layer.xtype.data(), layer.nx, o.sub_x, o.joint_width,
                   o.min_length, run.x_lines, run.x_types);
        make_lines(layer.y.data(), layer.ytype.data(), layer.ny, o.sub_y, o.joint_width,
                   o.min_length, run.y_lines, run.y_types);
        if (!o.face_mode)
            for (const tarnel_load &ld : run.loads) {
                insert_line(run.x_lines, run.x_types, ld.x1);
                insert_line(run.x_lines, run.x_types, ld.x2);
                insert_line(run.y_lines, run.y_types, ld.y1);
                insert_line(run.y_lines, run.y_types, ld.y2);
            }
        if (l == 0) {
            run.top_x_lines = run.x_lines;
            run.top_x_types = run.x_types;
            run.top_y_lines = run.y_lines;
            run.top_y_types = run.y_types;
        }
        const float t = layer.mats[11];
        const bool joint_layer = (t > 1 && t < 1.11) || t > 10;
        make_z_lines(run, layer, joint_layer, r);

        std::vector<int> global(static_cast<std::size_t>(layer.nmat));
        for (int m = 0; m < layer.nmat; ++m)
            global[static_cast<std::size_t>(m)] =
                add_material(run, &layer.mats[static_cast<std::size_t>(m) * mat_size]);

        const std::int64_t cells = static_cast<std::int64_t>(run.x_lines.size() - 1) *
                                   static_cast<std::int64_t>(run.y_lines.size() - 1) *
                                   static_cast<std::int64_t>(run.z_lines.size() - 1);
        if (cells + run.ne > max_cells) {
            std::fprintf(run.msg_err,
                         "tarnel: %s: layer %d: the mesh would have more than %lld cells\n",
                         o.in_name.c_str(), li, static_cast<long long>(max_cells));
            return false;
        }
        run.conn.reserve(run.conn.size() + static_cast<std::size_t>(cells) * conn_size);
        make_cells(run, global, joint_layer);
    }
    run.x_lines = run.top_x_lines;
    run.x_types = run.top_x_types;
    run.y_lines = run.top_y_lines;
    run.y_types = run.top_y_types;

    // Nodes only in joint elements of types 1 and >= 9 keep counter 0; rearrange_nodes merges them.
    for (int e = 0; e < run.ne; ++e) {
        const int *c = &run.conn[static_cast<std::size_t>(e) * conn_size];
        const int type = type_code(run.mats[static_cast<std::size_t>(c[8]) * mat_size + 11]);
        if (type == 1 || type >= 9) continue;
        for (int m = 0; m < 8; ++m) ++run.node_use[static_cast<std::size_t>(c[m])];
    }
    return true;
}
