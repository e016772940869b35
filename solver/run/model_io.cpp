// Readers of the model, dowel and case files; dowel placement; the working arrays.
#include "model_io.h"
#include "unit_factors.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>

void no_memory(const char *name)
{
    std::printf("\n can't allocate memory in %s ", name);
    std::fflush(stdout);
    std::exit(status_no_memory);
}

namespace
{

// Whitespace-separated tokens of one input file, with messages that name it.
struct token_reader {
    std::FILE *f;
    std::string name;
    std::string tok;

    // Next token into tok; false at the end of the file.
    bool next()
    {
        int c = std::getc(f);
        while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')
            c = std::getc(f);
        if (c == EOF) return false;
        tok.clear();
        while (c != EOF &&
               !(c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')) {
            if (tok.size() < 65536) tok.push_back(static_cast<char>(c)); // enough to reject it
            c = std::getc(f);
        }
        return true;
    }

    [[noreturn]] void fail(const char *fmt, ...) __attribute__((format(printf, 2, 3)))
    {
        char what[512];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(what, sizeof what, fmt, ap);
        va_end(ap);
        throw input_error(name + ": " + what);
    }

    // 1 = ok, 0 = end of file, -1 = not a number of the kind asked for
    int integer(int &v)
    {
        if (!next()) return 0;
        errno = 0;
        char *end = nullptr;
        const long x = std::strtol(tok.c_str(), &end, 10);
        if (end == tok.c_str() || *end != '\0' || errno == ERANGE || x < INT_MIN || x > INT_MAX)
            return -1;
        v = static_cast<int>(x);
        return 1;
    }
    int real(double &v)
    {
        if (!next()) return 0;
        char *end = nullptr;
        v = std::strtod(tok.c_str(), &end);
        if (end == tok.c_str() || *end != '\0' || !std::isfinite(v)) return -1;
        return 1;
    }
};

// Reads one integer or stops with a message naming the field (printf-style).
#define READ_INT(rd, var, ...)                                                                     \
    do {                                                                                           \
        const int got_ = (rd).integer(var);                                                        \
        if (got_ <= 0) {                                                                           \
            char field_[256];                                                                      \
            std::snprintf(field_, sizeof field_, __VA_ARGS__);                                     \
            if (got_ == 0) (rd).fail("file ends where %s (an integer) was expected", field_);      \
            (rd).fail("%s: expected an integer, found \"%s\"", field_, (rd).tok.c_str());          \
        }                                                                                          \
    } while (0)

#define READ_REAL(rd, var, ...)                                                                    \
    do {                                                                                           \
        const int got_ = (rd).real(var);                                                           \
        if (got_ <= 0) {                                                                           \
            char field_[256];                                                                      \
            std::snprintf(field_, sizeof field_, __VA_ARGS__);                                     \
            if (got_ == 0) (rd).fail("file ends where %s (a number) was expected", field_);        \
            (rd).fail("%s: expected a finite number, found \"%s\"", field_, (rd).tok.c_str());     \
        }                                                                                          \
    } while (0)

// Reserve for a count read from a file, bounded so that a count the file
// cannot back does not allocate before its records are read.
template <typename T> void reserve_for(std::vector<T> &v, long long count)
{
    v.clear();
    v.reserve(static_cast<std::size_t>(count < 1000000 ? count : 1000000));
}

// Reads nm material records of 12 values and converts them to internal units.
void read_materials(token_reader &rd, const corvane_run &run, int nm, std::vector<double> &out,
                    const char *where)
{
    for (int m = 0; m < nm; ++m) {
        double rec[12];
        for (int k = 0; k < 12; ++k) READ_REAL(rd, rec[k], "%smaterial %d, entry %d", where, m, k);
        if (converts_as_solid(rec[11])) {
            rec[0] *= run.f_stress;
            rec[2] *= run.f_weight;
        } else {
            rec[0] *= run.f_spring;
            rec[1] *= run.f_spring;
            rec[2] *= run.f_spring;
        }
        out.insert(out.end(), rec, rec + 12);
    }
}

void check_count(token_reader &rd, int v, int limit, const char *what)
{
    if (v < 0) rd.fail("%s = %d is negative", what, v);
    if (v > limit) rd.fail("%s = %d is larger than this program can hold (%d)", what, v, limit);
}

} // namespace

std::string check_materials(const corvane_model &m, const double *mats)
{
    char msg[256];
    for (int e = 0; e < m.ne; ++e) {
        const int mat = m.conn[9 * e + 8];
        const double *rec = mats + 12 * mat;
        const int type = material_type(rec);
        if (type == 0) {
            const double nu = rec[1];
            if (!(nu > -1.0 && nu < 0.5)) {
                std::snprintf(msg, sizeof msg,
                              "material %d (used by element %d): Poisson's ratio %g must lie "
                              "between -1 and 0.5",
                              mat, e, nu);
                return msg;
            }
        } else if (is_joint_type(type) && rec[2] == 0.0) {
            std::snprintf(
                msg, sizeof msg,
                "material %d (joint, used by element %d): normal stiffness (entry 2) is 0", mat, e);
            return msg;
        }
    }
    return "";
}

// Reads nedge and the loaded faces (four nodes with three tractions each, tractions times the
// stress factor) into nodes and vals; where names them for the messages.
void read_faces(token_reader &rd, const corvane_run &run, int &nedge, std::vector<int> &nodes,
                std::vector<double> &vals, const char *where)
{
    const int np = run.np;
    READ_INT(rd, nedge, "%snedge (number of loaded faces)", where);
    check_count(rd, nedge, INT_MAX / 12, "nedge");
    reserve_for(nodes, 4LL * nedge);
    reserve_for(vals, 12LL * nedge);
    for (int fc = 0; fc < nedge; ++fc)
        for (int m = 0; m < 4; ++m) {
            int node;
            READ_INT(rd, node, "%sloaded face %d, face node %d", where, fc, m);
            if (node < 0 || node >= np)
                rd.fail("%sloaded face %d, face node %d: node number %d is outside 0..%d", where,
                        fc, m, node, np - 1);
            nodes.push_back(node);
            for (int k = 0; k < 3; ++k) {
                double t;
                READ_REAL(rd, t, "%sloaded face %d, face node %d, traction %d", where, fc, m, k);
                vals.push_back(t * run.f_stress);
            }
        }
}

void read_model(corvane_run &run, std::FILE *f, const std::string &name)
{
    token_reader rd{f, name, std::string()};
    int np, nm, ne, nb, bw;
    READ_INT(rd, np, "header, np");
    READ_INT(rd, nm, "header, nm");
    READ_INT(rd, ne, "header, ne");
    READ_INT(rd, nb, "header, nb");
    READ_INT(rd, bw, "header, bw");
    check_count(rd, np, INT_MAX / 6, "np");
    check_count(rd, nm, INT_MAX / 12, "nm");
    check_count(rd, ne, INT_MAX / 64, "ne");
    check_count(rd, nb, INT_MAX / 4, "nb");
    if (bw < 1) rd.fail("bw = %d: the slots per row must be at least 1", bw);
    run.np = np;
    run.nm = nm;
    run.ne = ne;
    run.nb = nb;
    run.bw = bw;
    run.nn = 3 * np;

    reserve_for(run.mats, 12LL * nm);
    read_materials(rd, run, nm, run.mats, "");

    reserve_for(run.coords, 3LL * np);
    reserve_for(run.node_p, 3LL * np);
    for (int n = 0; n < np; ++n) {
        double v[6];
        static const char *const field[6] = {"x", "y", "z", "Px", "Py", "Pz"};
        for (int k = 0; k < 6; ++k) READ_REAL(rd, v[k], "node %d, %s", n, field[k]);
        run.coords.insert(run.coords.end(), v, v + 3);
        run.node_p.insert(run.node_p.end(), v + 3, v + 6);
    }

    reserve_for(run.conn, 9LL * ne);
    for (int e = 0; e < ne; ++e) {
        int rec[9];
        for (int k = 0; k < 8; ++k) {
            READ_INT(rd, rec[k], "element %d, node %d", e, k);
            if (rec[k] < 0 || rec[k] >= np)
                rd.fail("element %d, node %d: node number %d is outside 0..%d", e, k, rec[k],
                        np - 1);
        }
        READ_INT(rd, rec[8], "element %d, material", e);
        if (rec[8] < 0 || rec[8] >= nm)
            rd.fail("element %d: material number %d is outside 0..%d", e, rec[8], nm - 1);
        run.conn.insert(run.conn.end(), rec, rec + 9);
    }

    reserve_for(run.bc, 4LL * nb);
    for (int b = 0; b < nb; ++b) {
        int rec[4];
        READ_INT(rd, rec[0], "boundary record %d, node", b);
        if (rec[0] < 0 || rec[0] >= np)
            rd.fail("boundary record %d: node number %d is outside 0..%d", b, rec[0], np - 1);
        static const char *const axis[3] = {"x", "y", "z"};
        for (int c = 0; c < 3; ++c)
            READ_INT(rd, rec[1 + c], "boundary record %d, %s flag", b, axis[c]);
        run.bc.insert(run.bc.end(), rec, rec + 4);
    }

    read_faces(rd, run, run.nedge, run.face_nodes, run.face_vals, "");

    for (const mat_override &o : run.mat_overrides) {
        if (o.m < 0 || o.m >= nm || o.k < 0 || o.k > 11)
            rd.fail(
                "-E %d %d: there is no entry %d of material %d (materials 0..%d, entries 0..11)",
                o.m, o.k, o.k, o.m, nm - 1);
        run.mats[12 * o.m + o.k] = o.v;
    }
    const std::string bad = check_materials(run, run.mats.data());
    if (!bad.empty()) rd.fail("%s", bad.c_str());
}

int find_element(const corvane_model &m, double x, double y, double z, int &counter)
{
    const double p[3] = {x, y, z};
    for (int e = 0; e < m.ne; ++e) {
        const double *a = &m.coords[3 * m.conn[9 * e]];
        const double *b = &m.coords[3 * m.conn[9 * e + 6]];
        bool inside = true;
        for (int c = 0; c < 3 && inside; ++c) {
            const double lo = std::fmin(a[c], b[c]), hi = std::fmax(a[c], b[c]);
            inside = lo < p[c] && p[c] <= hi;
        }
        if (inside) {
            ++counter;
            return e;
        }
    }
    return -1;
}

void local_coords(const corvane_model &m, int e, double x, double y, double z, double *out)
{
    // The element is taken as a box centred between nodes 0 and 6. Each
    // natural coordinate is measured along the element's own edge from node 0
    // (xi: to node 1, eta: to node 3, zeta: to node 4), not along a global
    // axis, so that the shape functions are evaluated at the point itself even
    // in a joint cell whose nodes 0-3 run across y and z. For a brick whose
    // edges follow +x, +y, +z this is (x - xc) / (|x0 - x6| / 2) and so on.
    const int *nodes = &m.conn[9 * e];
    const double *a = &m.coords[3 * nodes[0]];
    const double *b = &m.coords[3 * nodes[6]];
    const double p[3] = {x - 0.5 * (a[0] + b[0]), y - 0.5 * (a[1] + b[1]), z - 0.5 * (a[2] + b[2])};
    static const int edge_end[3] = {1, 3, 4};
    for (int r = 0; r < 3; ++r) {
        const double *c = &m.coords[3 * nodes[edge_end[r]]];
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double length2 = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
        out[r] = length2 > 0.0 ? 2.0 * (p[0] * v[0] + p[1] * v[1] + p[2] * v[2]) / length2 : 0.0;
    }
}

void read_dowels(corvane_run &run, std::FILE *f, const std::string &name)
{
    token_reader rd{f, name, std::string()};
    int ndowel, ndmat;
    READ_INT(rd, ndowel, "header, ndowel");
    READ_INT(rd, ndmat, "header, ndmat");
    check_count(rd, ndowel, INT_MAX / 256, "ndowel");
    check_count(rd, ndmat, INT_MAX / 12, "ndmat");
    reserve_for(run.dmats, 12LL * ndmat);
    for (int m = 0; m < ndmat; ++m) {
        double rec[12];
        for (int k = 0; k < 12; ++k) READ_REAL(rd, rec[k], "dowel material %d, entry %d", m, k);
        rec[0] *= run.f_stress;
        rec[5] *= run.f_spring;
        run.dmats.insert(run.dmats.end(), rec, rec + 12);
    }
    reserve_for(run.dowels, 9LL * ndowel);
    reserve_for(run.dowel_mat, ndowel);
    for (int i = 0; i < ndowel; ++i) {
        double rec[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
        static const char *const axis[3] = {"x", "y", "z"};
        for (int k = 0; k < 3; ++k) READ_REAL(rd, rec[k], "dowel %d, centre %s", i, axis[k]);
        int mat;
        READ_INT(rd, mat, "dowel %d, dowel material", i);
        if (mat < 0 || mat >= ndmat)
            rd.fail("dowel %d: dowel material number %d is outside 0..%d", i, mat, ndmat - 1);
        run.dowels.insert(run.dowels.end(), rec, rec + 9);
        run.dowel_mat.push_back(mat);
    }
    run.ndowel = ndowel;
    run.ndmat = ndmat;
    run.dowel_elems.assign(3 * static_cast<std::size_t>(ndowel), -1);

    // centre elements
    int counter = 0;
    for (int i = 0; i < ndowel; ++i) {
        const double *c = &run.dowels[9 * i];
        run.dowel_elems[3 * i] = find_element(run, c[0], c[1], c[2], counter);
        if (run.dowel_elems[3 * i] < 0) {
            // the fixed text, spelled as users know it ("Not find")
            std::printf("Not find associated element for dowel No.%3d\n", i);
            rd.fail("dowel %d: the centre (%g, %g, %g) lies in no element", i, c[0], c[1], c[2]);
        }
    }
    // end points at centre -/+ w/2 along the centre element's thinnest axis
    for (int i = 0; i < ndowel; ++i) {
        double *rec = &run.dowels[9 * i];
        const double w = run.dmats[12 * run.dowel_mat[i] + 2];
        const int ce = run.dowel_elems[3 * i];
        const double *a = &run.coords[3 * run.conn[9 * ce]];
        const double *b = &run.coords[3 * run.conn[9 * ce + 6]];
        const double dx = std::fabs(a[0] - b[0]), dy = std::fabs(a[1] - b[1]),
                     dz = std::fabs(a[2] - b[2]);
        int axis = 2;
        if (dx < dy && dx < dz)
            axis = 0;
        else if (dx >= dy && dy < dz)
            axis = 1;
        for (int end = 0; end < 2; ++end) {
            double p[3] = {rec[0], rec[1], rec[2]};
            p[axis] += (end == 0 ? -0.5 : 0.5) * w;
            if (end == 0) counter = 0;
            const int e = find_element(run, p[0], p[1], p[2], counter);
            run.dowel_elems[3 * i + 1 + end] = e;
            if (e < 0) {
                std::printf("Not find associated element for dowel No.%3d\n", i);
                rd.fail("dowel %d: end %d (%g, %g, %g) lies in no element", i, end + 1, p[0], p[1],
                        p[2]);
            }
            local_coords(run, e, p[0], p[1], p[2], rec + 3 + 3 * end);
        }
    }
}

void read_case_header(corvane_run &run, std::FILE *f, const std::string &name)
{
    token_reader rd{f, name, std::string()};
    if (!rd.next()) rd.fail("file ends where the point file name was expected");
    const std::string point_name = rd.tok;
    int npoints, ncases;
    READ_INT(rd, npoints, "number of output points");
    READ_INT(rd, ncases, "number of cases");
    check_count(rd, npoints, INT_MAX / 4, "number of output points");
    check_count(rd, ncases, INT_MAX, "number of cases");
    // Cases without materials to read would all repeat the same analysis, as many times as
    // the count says (and leave no case materials to index).
    if (ncases > 1 && run.nm == 0)
        rd.fail("number of cases = %d, but the model has no materials for the cases to replace",
                ncases);
    std::vector<out_point> points;
    reserve_for(points, npoints);
    for (int p = 0; p < npoints; ++p) {
        out_point o;
        READ_REAL(rd, o.x, "output point %d, x", p);
        READ_REAL(rd, o.y, "output point %d, y", p);
        READ_REAL(rd, o.z, "output point %d, z", p);
        READ_INT(rd, o.code, "output point %d, code", p);
        points.push_back(o);
    }
    std::vector<double> mats;
    if (ncases > 1) {
        reserve_for(mats, 12LL * run.nm * ncases);
        for (int c = 0; c < ncases; ++c) {
            char where[64];
            std::snprintf(where, sizeof where, "case %d, ", c);
            read_materials(rd, run, run.nm, mats, where);
            const std::string bad =
                check_materials(run, &mats[12 * static_cast<std::size_t>(run.nm) * c]);
            if (!bad.empty()) rd.fail("case %d, %s", c, bad.c_str());
        }
    }
    run.point_file = point_name;
    run.out_points = points;
    run.n_cases = ncases;
    run.case_mats.swap(mats);
    run.case_mode = 1;
}

void read_case_materials(corvane_run &run, int c)
{
    const std::size_t set = 12 * static_cast<std::size_t>(run.nm);
    std::copy(run.case_mats.begin() + set * c, run.case_mats.begin() + set * (c + 1),
              run.mats.begin());
}

void read_load_sets(corvane_run &run, std::FILE *f, const std::string &name)
{
    token_reader rd{f, name, std::string()};
    int sets;
    READ_INT(rd, sets, "number of load sets");
    check_count(rd, sets, INT_MAX / 16, "number of load sets");
    if (sets < 1) rd.fail("number of load sets = %d: at least one is needed", sets);
    run.set_nedge.assign(sets, 0);
    run.set_nodes.assign(sets, {});
    run.set_vals.assign(sets, {});
    run.set_body.assign(2 * static_cast<std::size_t>(sets), 1.0);
    for (int s = 0; s < sets; ++s) {
        char where[48];
        std::snprintf(where, sizeof where, "load set %d, ", s);
        // an optional "body g t": the set's self weight and temperature profile are the
        // model's times g and t (1 and 1 without it)
        const long at = std::ftell(rd.f);
        if (rd.next() && rd.tok == "body") {
            READ_REAL(rd, run.set_body[2 * s], "%sself-weight factor", where);
            READ_REAL(rd, run.set_body[2 * s + 1], "%stemperature factor", where);
        } else if (at >= 0) {
            std::fseek(rd.f, at, SEEK_SET);
        }
        read_faces(rd, run, run.set_nedge[s], run.set_nodes[s], run.set_vals[s], where);
    }
    run.n_cases = sets;
    run.case_mode = 1;
}

void alloc_work(corvane_run &run)
{
    try {
        const std::size_t nn = run.nn, ne = run.ne, np = run.np;
        run.disp.assign(nn, 0.0);
        run.f_ext.assign(nn, 0.0);
        run.resid.assign(nn, 0.0);
        run.resid_saved.assign(nn, 0.0);
        run.disp_saved.assign(nn, 0.0);
        run.ddisp.assign(nn, 0.0);
        run.k_ddisp.assign(nn, 0.0);
        run.load_now.assign(nn, 0.0);
        run.gp_strain.assign(48 * ne, 0.0);
        run.gp_stress.assign(48 * ne, 0.0);
        run.node_strain.assign(6 * np, 0.0);
        run.node_stress.assign(6 * np, 0.0);
        run.node_solids.assign(np, 0);
    } catch (const std::bad_alloc &) {
        no_memory("array_d1");
    }
}
