// Supports from the bounding box (-B, -C), and merging and renumbering of unused nodes.
#include "tarnel.h"

#include <algorithm>

static const float *node_at(const tarnel_run &run, int n)
{
    return &run.coords[static_cast<std::size_t>(n) * 3];
}

static bool node_used(const tarnel_run &run, int n)
{
    return run.node_use[static_cast<std::size_t>(n)] > 0;
}

// Record of node n, created with no flag set when it has none yet.
static int *record_of(tarnel_run &run, std::vector<int> &record_index, int n)
{
    int &r = record_index[static_cast<std::size_t>(n)];
    if (r < 0) {
        r = run.nb++;
        run.bc.insert(run.bc.end(), {n, 0, 0, 0});
    }
    return &run.bc[static_cast<std::size_t>(r) * 4];
}

// Plane tests of the side bits: 1 min x, 2 min y, 4 max x, 8 max y.
static bool on_side(const tarnel_run &run, int n, int bit)
{
    const float *p = node_at(run, n);
    switch (bit) {
    case 1:
        return coord_equal(p[0], run.box_min[0]);
    case 2:
        return coord_equal(p[1], run.box_min[1]);
    case 4:
        return coord_equal(p[0], run.box_max[0]);
    default:
        return coord_equal(p[1], run.box_max[1]);
    }
}

// Roller supports on the four sides (normal component fixed), full fixity at the bottom,
// then -B (full fixity on chosen sides) and -C (release the normal component on chosen
// sides at nodes of elements with the given modulus). Records of unused nodes and records
// left without a flag are dropped at the end; the others keep their creation order.
void make_boundary(tarnel_run &run)
{
    std::fprintf(run.msg_out, "Process status::Making boundary data\n");
    for (int c = 0; c < 3; ++c) {
        run.box_min[c] = run.np > 0 ? run.coords[static_cast<std::size_t>(c)] : 0.0f;
        run.box_max[c] = run.box_min[c];
    }
    for (int n = 0; n < run.np; ++n)
        for (int c = 0; c < 3; ++c) {
            run.box_min[c] = std::min(run.box_min[c], node_at(run, n)[c]);
            run.box_max[c] = std::max(run.box_max[c], node_at(run, n)[c]);
        }
    run.nb = 0;
    run.bc.clear();
    std::vector<int> record_index(static_cast<std::size_t>(run.np), -1);
    for (int c = 0; c < 2; ++c) // x pass, then y pass
        for (int n = 0; n < run.np; ++n) {
            const float v = node_at(run, n)[c];
            if (coord_equal(v, run.box_min[c]) ||
                (coord_equal(v, run.box_max[c]) && node_used(run, n)))
                record_of(run, record_index, n)[1 + c] = 1;
        }
    for (int n = 0; n < run.np; ++n)
        if (node_used(run, n) && coord_equal(node_at(run, n)[2], run.box_min[2])) {
            int *r = record_of(run, record_index, n);
            r[1] = r[2] = r[3] = 1;
        }
    const int bits[4] = {1, 2, 4, 8};
    for (int bit : bits) {
        if (!(run.opt.fix_sides & bit)) continue;
        for (int r = 0; r < run.nb; ++r) {
            int *rec = &run.bc[static_cast<std::size_t>(r) * 4];
            if (node_used(run, rec[0]) && on_side(run, rec[0], bit)) rec[1] = rec[2] = rec[3] = 1;
        }
    }
    if (run.opt.release_sides != 0)
        for (int bit : bits) {
            if (!(run.opt.release_sides & bit)) continue;
            const int flag = (bit == 1 || bit == 4) ? 1 : 2; // x on x planes, y on y planes
            for (int e = 0; e < run.ne; ++e) {
                const int *c = &run.conn[static_cast<std::size_t>(e) * conn_size];
                if (run.mats[static_cast<std::size_t>(c[8]) * mat_size] != run.opt.release_modulus)
                    continue;
                for (int m = 0; m < 8; ++m) {
                    const int r = record_index[static_cast<std::size_t>(c[m])];
                    if (r >= 0 && on_side(run, c[m], bit))
                        run.bc[static_cast<std::size_t>(r) * 4 + flag] = 0;
                }
            }
        }
    int kept = 0;
    for (int r = 0; r < run.nb; ++r) {
        const int *rec = &run.bc[static_cast<std::size_t>(r) * 4];
        if ((rec[1] == 0 && rec[2] == 0 && rec[3] == 0) || !node_used(run, rec[0])) continue;
        std::copy(rec, rec + 4, &run.bc[static_cast<std::size_t>(kept) * 4]);
        ++kept;
    }
    run.nb = kept;
    run.bc.resize(static_cast<std::size_t>(kept) * 4);
}

// Maps every unused node onto its nearest used node, rewrites element and record node numbers
// through the map, and numbers the used nodes 0, 1, ... in creation order (out_number).
// False (with a message) when an element would keep a node that is not written.
bool rearrange_nodes(tarnel_run &run)
{
    std::fprintf(run.msg_out, "\nProcess status::Rearranging nodes\n");
    const std::size_t np = static_cast<std::size_t>(run.np);
    run.node_map.resize(np);
    std::vector<int> used;
    for (int n = 0; n < run.np; ++n) {
        run.node_map[static_cast<std::size_t>(n)] = n;
        if (node_used(run, n)) used.push_back(n);
    }
    if (used.size() < np) {
        nearest_index near;
        near.build(run.coords.data(), used);
        for (int n = 0; n < run.np; ++n) {
            if (node_used(run, n)) continue;
            const float *p = node_at(run, n);
            const int m = near.nearest(p[0], p[1], p[2]);
            if (m >= 0) run.node_map[static_cast<std::size_t>(n)] = m;
        }
    }
    for (int e = 0; e < run.ne; ++e)
        for (int m = 0; m < 8; ++m) {
            int &node = run.conn[static_cast<std::size_t>(e) * conn_size + m];
            node = run.node_map[static_cast<std::size_t>(node)];
            if (!node_used(run, node)) {
                std::fprintf(run.msg_err,
                             "tarnel: element %d has node %d, which no solid or counted joint "
                             "element uses and which has no used node near it\n",
                             e, node);
                return false;
            }
        }
    for (int r = 0; r < run.nb; ++r) {
        int &node = run.bc[static_cast<std::size_t>(r) * 4];
        node = run.node_map[static_cast<std::size_t>(node)];
    }
    run.out_number.assign(np, -1);
    run.np_used = 0;
    for (int n : used) run.out_number[static_cast<std::size_t>(n)] = run.np_used++;
    return true;
}
