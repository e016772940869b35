// A result set read for engineering post-processing: model, results, per-material stresses
// and dowels in double precision, every value checked (present, finite, of the same mesh).
#include "result_set.h"

#include "material_code.h"
#include "material_stress_format.h"
#include "unit_factors.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

// A whole text file read number by number, counting lines for the messages.
class text_reader
{
  public:
    // False when the file cannot be read.
    bool load(const std::string &name)
    {
        name_ = name;
        std::FILE *f = std::fopen(name.c_str(), "rb");
        if (!f) return false;
        char chunk[65536];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) buf_.append(chunk, got);
        const bool ok = !std::ferror(f);
        std::fclose(f);
        return ok;
    }
    std::size_t size() const { return buf_.size(); }
    // "file: line N"
    std::string where() const { return name_ + ": line " + std::to_string(line_); }

    // The next number; false (why set) at the end of the file, on a token that is not a
    // number, or on a value that is not finite.
    bool number(double &v, const char *what, std::string &why)
    {
        skip_space();
        if (pos_ >= buf_.size()) {
            why = name_ + ": ends before " + what + " (truncated)";
            return false;
        }
        const char *start = buf_.c_str() + pos_;
        const char *end = parse(start, buf_.c_str() + buf_.size(), v);
        if (end == start) {
            why = where() + ": " + what + " is not a number ('" + token(start) + "')";
            return false;
        }
        if (!std::isfinite(v)) {
            why = where() + ": " + what + " is not a finite number ('" + token(start) + "')";
            return false;
        }
        pos_ += static_cast<std::size_t>(end - start);
        return true;
    }
    bool integer(long long &v, const char *what, std::string &why)
    {
        double d;
        if (!number(d, what, why)) return false;
        if (d != std::floor(d) || std::fabs(d) > 2.0e9) {
            why = where() + ": " + what + " is not an integer";
            return false;
        }
        v = static_cast<long long>(d);
        return true;
    }
    // Reads an integer in [lo, hi].
    bool index(int &v, int lo, int hi, const char *what, std::string &why)
    {
        long long x;
        if (!integer(x, what, why)) return false;
        if (x < lo || x > hi) {
            why = where() + ": " + what + " " + std::to_string(x) + " is outside " +
                  std::to_string(lo) + ".." + std::to_string(hi);
            return false;
        }
        v = static_cast<int>(x);
        return true;
    }
    // The rest of the current line (from the current position), consumed with its end.
    bool line(std::string &text)
    {
        if (pos_ >= buf_.size()) return false;
        const std::size_t nl = buf_.find('\n', pos_);
        const std::size_t stop = nl == std::string::npos ? buf_.size() : nl;
        text.assign(buf_, pos_, stop - pos_);
        pos_ = nl == std::string::npos ? buf_.size() : nl + 1;
        ++line_;
        return true;
    }
    // Skips to the start of the next line that holds something (after numbers just read).
    bool skip_line(std::string &text)
    {
        // the remainder of the line the last number was on
        while (pos_ < buf_.size() && buf_[pos_] != '\n' && std::isspace(uc(buf_[pos_]))) ++pos_;
        if (pos_ < buf_.size() && buf_[pos_] == '\n') {
            ++pos_;
            ++line_;
        }
        return line(text);
    }
    bool only_space_left()
    {
        skip_space();
        return pos_ >= buf_.size();
    }

  private:
    static unsigned char uc(char c) { return static_cast<unsigned char>(c); }
    // The number at start as strtod reads it; where it ends (start when there is none).
    // from_chars rounds as strtod does and is several times faster; anything it does not take
    // whole up to a space (a sign '+', hexadecimal, "infinity", an overflow) goes to strtod.
    static const char *parse(const char *start, const char *stop, double &v)
    {
        const std::from_chars_result r = std::from_chars(start, stop, v);
        if (r.ec == std::errc() && r.ptr != start && (r.ptr == stop || std::isspace(uc(*r.ptr))))
            return r.ptr;
        char *end = nullptr;
        v = std::strtod(start, &end);
        return end;
    }
    void skip_space()
    {
        while (pos_ < buf_.size() && std::isspace(uc(buf_[pos_]))) {
            if (buf_[pos_] == '\n') ++line_;
            ++pos_;
        }
    }
    static std::string token(const char *s)
    {
        std::string t;
        while (*s && !std::isspace(uc(*s)) && t.size() < 24) t += *s++;
        return t;
    }
    std::string name_, buf_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// Reads n numbers into v.
bool numbers(text_reader &r, double *v, int n, const std::string &what, std::string &why)
{
    for (int k = 0; k < n; ++k)
        if (!r.number(v[k], what.c_str(), why)) return false;
    return true;
}

// A count from a header, checked against what a file of its size can hold.
bool count(text_reader &r, int &v, long long per_record, const char *what, std::string &why)
{
    long long x;
    if (!r.integer(x, what, why)) return false;
    if (x < 0 || x * per_record > static_cast<long long>(r.size()) + 16) {
        why = r.where() + ": " + what + " " + std::to_string(x) + " is negative or too large " +
              "for the file's size";
        return false;
    }
    v = static_cast<int>(x);
    return true;
}

// Coordinates written with "%8.3f" (or finer) agree with the model's within this.
bool same_point(const double *a, const double *b)
{
    for (int k = 0; k < 3; ++k)
        if (std::fabs(a[k] - b[k]) > 1.5e-3 + 1e-6 * std::fabs(a[k])) return false;
    return true;
}

std::string point_text(const double *p)
{
    char b[96];
    std::snprintf(b, sizeof b, "(%.3f, %.3f, %.3f)", p[0], p[1], p[2]);
    return b;
}

} // namespace

bool read_model(const std::string &name, result_set &rs, std::string &why)
{
    text_reader r;
    if (!r.load(name)) {
        why = name + ": cannot be opened (no such model file)";
        return false;
    }
    long long bw;
    if (!count(r, rs.np, 6, "node count", why) || !count(r, rs.nm, 12, "material count", why) ||
        !count(r, rs.ne, 9, "element count", why) || !count(r, rs.nb, 4, "boundary count", why) ||
        !r.integer(bw, "row width", why))
        return false;
    if (rs.np == 0 || rs.ne == 0) {
        why = name + ": the model has no " + (rs.np == 0 ? "node" : "element");
        return false;
    }
    rs.mats.resize(12 * static_cast<std::size_t>(rs.nm));
    for (int m = 0; m < rs.nm; ++m)
        if (!numbers(r, &rs.mats[12 * m], 12, "material " + std::to_string(m), why)) return false;
    rs.coords.resize(3 * static_cast<std::size_t>(rs.np));
    for (int n = 0; n < rs.np; ++n) {
        double v[6];
        if (!numbers(r, v, 6, "node " + std::to_string(n), why)) return false;
        for (int k = 0; k < 3; ++k) rs.coords[3 * n + k] = v[k];
    }
    rs.conn.resize(9 * static_cast<std::size_t>(rs.ne));
    for (int e = 0; e < rs.ne; ++e) {
        const std::string what = "element " + std::to_string(e);
        for (int k = 0; k < 8; ++k)
            if (!r.index(rs.conn[9 * e + k], 0, rs.np - 1, (what + " node").c_str(), why))
                return false;
        if (!r.index(rs.conn[9 * e + 8], 0, rs.nm - 1, (what + " material").c_str(), why))
            return false;
    }
    rs.bc.resize(4 * static_cast<std::size_t>(rs.nb));
    for (int b = 0; b < rs.nb; ++b) {
        const std::string what = "boundary record " + std::to_string(b);
        if (!r.index(rs.bc[4 * b], 0, rs.np - 1, what.c_str(), why)) return false;
        for (int k = 1; k < 4; ++k) {
            long long flag;
            if (!r.integer(flag, what.c_str(), why)) return false;
            rs.bc[4 * b + k] = static_cast<int>(flag);
        }
    }
    if (!count(r, rs.nedge, 16, "loaded face count", why)) return false;
    rs.face_nodes.resize(4 * static_cast<std::size_t>(rs.nedge));
    rs.face_vals.resize(12 * static_cast<std::size_t>(rs.nedge));
    for (int f = 0; f < rs.nedge; ++f) {
        const std::string what = "loaded face " + std::to_string(f);
        for (int k = 0; k < 4; ++k)
            if (!r.index(rs.face_nodes[4 * f + k], 0, rs.np - 1, what.c_str(), why) ||
                !numbers(r, &rs.face_vals[12 * f + 3 * k], 3, what, why))
                return false;
    }
    return true;
}

namespace
{

void parse_run_record(const std::string &head, run_record &run, int &nodes, int &materials)
{
    std::size_t at = 0;
    nodes = materials = -1;
    while ((at = head.find('=', at)) != std::string::npos) {
        std::size_t k = head.rfind(' ', at);
        k = k == std::string::npos ? 0 : k + 1;
        std::size_t e = head.find(' ', at);
        if (e == std::string::npos) e = head.size();
        const std::string key = head.substr(k, at - k), value = head.substr(at + 1, e - at - 1);
        if (key == "element") run.element = value;
        if (key == "solver") run.solver = value;
        if (key == "units") run.units = std::atoi(value.c_str());
        if (key == "files") run.files = value == "kgf-cm" ? 1 : value == "si" ? 2 : 0;
        if (key == "case") run.case_number = std::atoi(value.c_str());
        if (key == "load_factor") run.load_factor = std::strtod(value.c_str(), nullptr);
        if (key == "equilibrium") run.equilibrium = value == "reached" ? 1 : 0;
        if (key == "nodes") nodes = std::atoi(value.c_str());
        if (key == "materials") materials = std::atoi(value.c_str());
        at = e;
    }
}

bool read_material_rows(text_reader &r, int np, int nm, const double *coords, const int *kinds,
                        double in_stress, material_stress_table &t, std::string &why)
{
    std::string columns;
    if (!r.line(columns)) {
        why = r.where() + ": ends before the column line (truncated)";
        return false;
    }
    t.start.assign(static_cast<std::size_t>(np) + 1, 0);
    t.material.clear();
    t.count.clear();
    t.strain.clear();
    t.stress.clear();
    int last_node = -1, last_material = -1;
    while (!r.only_space_left()) {
        int node, material;
        long long n;
        double xyz[3], v[12];
        if (!r.index(node, 0, np - 1, "node", why) ||
            !r.index(material, 0, nm - 1, "material", why) || !r.integer(n, "element count", why) ||
            !numbers(r, xyz, 3, "coordinates", why) ||
            !numbers(r, v, 12, "strains and stresses", why))
            return false;
        if (node < last_node || (node == last_node && material <= last_material)) {
            why = r.where() + ": rows are not ordered by node and material";
            return false;
        }
        const double *model = coords + 3 * static_cast<std::size_t>(node);
        if (!same_point(xyz, model)) {
            why = r.where() + ": node " + std::to_string(node) + " lies at " + point_text(xyz) +
                  ", the model has it at " + point_text(model) + " (of another mesh)";
            return false;
        }
        if (kinds[material] != 0) {
            why = r.where() + ": material " + std::to_string(material) + " is not a solid";
            return false;
        }
        for (int k = last_node + 1; k <= node; ++k)
            t.start[k] = static_cast<std::int64_t>(t.material.size());
        last_node = node;
        last_material = material;
        t.material.push_back(material);
        t.count.push_back(static_cast<int>(n));
        t.strain.insert(t.strain.end(), v, v + 6);
        for (int k = 6; k < 12; ++k) t.stress.push_back(v[k] * in_stress);
    }
    for (int k = last_node + 1; k <= np; ++k)
        t.start[k] = static_cast<std::int64_t>(t.material.size());
    return true;
}

// The first line of a per-material file: its run record, checked against the model's counts.
bool read_material_head(text_reader &r, const std::string &name, int np, int nm, run_record &run,
                        std::string &why)
{
    std::string head;
    if (!r.line(head) ||
        head.compare(0, std::strlen(material_stress_tag), material_stress_tag) != 0) {
        why = name + ": line 1: not a per-material stress file (no '" +
              std::string(material_stress_tag) + "' line)";
        return false;
    }
    int nodes, materials;
    parse_run_record(head, run, nodes, materials);
    if (nodes != np || materials != nm) {
        why = name + ": line 1: written for " + std::to_string(nodes) + " nodes and " +
              std::to_string(materials) + " materials, the model has " + std::to_string(np) +
              " and " + std::to_string(nm) + " (of another mesh)";
        return false;
    }
    return true;
}

bool read_results(const std::string &name, result_set &rs, double in_stress, std::string &why)
{
    text_reader r;
    if (!r.load(name)) {
        why = name + ": cannot be opened (no result file: run corvane first)";
        return false;
    }
    rs.disp.resize(3 * static_cast<std::size_t>(rs.np));
    rs.strain.resize(6 * static_cast<std::size_t>(rs.np));
    rs.stress.resize(6 * static_cast<std::size_t>(rs.np));
    std::string head;
    static const char *const blocks[3] = {"displacements", "strains", "stresses"};
    for (int b = 0; b < 3; ++b) {
        if (!(b == 0 ? r.line(head) : r.skip_line(head))) {
            why = name + ": ends before the " + blocks[b] + " (truncated)";
            return false;
        }
        const int width = b == 0 ? 3 : 6;
        double *to = b == 0 ? rs.disp.data() : b == 1 ? rs.strain.data() : rs.stress.data();
        for (int n = 0; n < rs.np; ++n) {
            const std::string what = std::string(blocks[b]) + " of node " + std::to_string(n);
            double xyz[3];
            if (!numbers(r, xyz, 3, what, why) ||
                !numbers(r, to + static_cast<std::size_t>(width) * n, width, what, why))
                return false;
            if (!same_point(xyz, &rs.coords[3 * static_cast<std::size_t>(n)])) {
                why = r.where() + ": node " + std::to_string(n) + " lies at " + point_text(xyz) +
                      ", the model has it at " + point_text(&rs.coords[3 * n]) +
                      " (a result file of another mesh)";
                return false;
            }
        }
    }
    if (!r.only_space_left()) {
        why = r.where() + ": more rows than the model's " + std::to_string(rs.np) +
              " nodes (a result file of another mesh)";
        return false;
    }
    for (double &s : rs.stress) s *= in_stress;
    return true;
}

bool read_dowels(const std::string &dwi, const std::string &dwo, result_set &rs, double in_stress,
                 double in_spring, double force_factor, std::string &why)
{
    text_reader r;
    if (!r.load(dwi)) return true; // no dowels
    if (!count(r, rs.ndowel, 4, "dowel count", why) ||
        !count(r, rs.ndtype, 12, "dowel type count", why))
        return false;
    rs.dtypes.resize(12 * static_cast<std::size_t>(rs.ndtype));
    for (int t = 0; t < rs.ndtype; ++t) {
        double *v = &rs.dtypes[12 * t];
        if (!numbers(r, v, 12, "dowel type " + std::to_string(t), why)) return false;
        v[0] *= in_stress;
        v[5] *= in_spring;
    }
    rs.dcentre.resize(3 * static_cast<std::size_t>(rs.ndowel));
    rs.dtype.resize(static_cast<std::size_t>(rs.ndowel));
    for (int i = 0; i < rs.ndowel; ++i)
        if (!numbers(r, &rs.dcentre[3 * i], 3, "dowel " + std::to_string(i), why) ||
            !r.index(rs.dtype[i], 0, rs.ndtype - 1, "dowel type number", why))
            return false;
    if (rs.ndowel == 0) return true;
    text_reader o;
    if (!o.load(dwo)) {
        why = dwo + ": cannot be opened (the dowel file " + dwi +
              " has dowels but there is no dowel result file)";
        return false;
    }
    std::string head;
    o.line(head);
    rs.daxis.resize(3 * static_cast<std::size_t>(rs.ndowel));
    rs.dforce.resize(12 * static_cast<std::size_t>(rs.ndowel));
    for (int i = 0; i < rs.ndowel; ++i) {
        const std::string what = "dowel " + std::to_string(i);
        double c[3];
        if (!numbers(o, c, 3, what, why) || !numbers(o, &rs.daxis[3 * i], 3, what, why) ||
            !numbers(o, &rs.dforce[12 * i], 12, what, why))
            return false;
        if (!same_point(c, &rs.dcentre[3 * i])) {
            why = o.where() + ": dowel " + std::to_string(i) + " lies at " + point_text(c) +
                  ", the dowel file has it at " + point_text(&rs.dcentre[3 * i]) +
                  " (a dowel result of other dowels)";
            return false;
        }
        for (int k = 0; k < 12; ++k) rs.dforce[12 * i + k] *= force_factor;
    }
    if (!o.only_space_left()) {
        why = o.where() + ": more rows than the " + std::to_string(rs.ndowel) + " dowels of " + dwi;
        return false;
    }
    return true;
}

// The largest modulus of the solids that reach the top of the model (the slab), 0 if none.
double slab_modulus_raw(const result_set &rs)
{
    double top = -1e300;
    for (int n = 0; n < rs.np; ++n) top = std::fmax(top, rs.coords[3 * n + 2]);
    double e_max = 0.0;
    for (int e = 0; e < rs.ne; ++e) {
        const int m = rs.conn[9 * e + 8];
        if (rs.material_kind(m) != 0) continue;
        for (int k = 0; k < 8; ++k)
            if (std::fabs(rs.coords[3 * rs.conn[9 * e + k] + 2] - top) <
                1e-6 * (1 + std::fabs(top)))
                e_max = std::fmax(e_max, rs.mats[12 * m]);
    }
    return e_max;
}

} // namespace

std::int64_t result_set::material_row(int node, int material) const
{
    if (!has_material_stresses || node < 0 || node >= np) return -1;
    for (std::int64_t r = mst.start[node]; r < mst.start[node + 1]; ++r)
        if (mst.material[r] == material) return r;
    return -1;
}

bool read_material_stress_file(const std::string &name, int np, int nm, const double *coords,
                               const int *kinds, double in_stress, material_stress_table &t,
                               std::string &why)
{
    text_reader r;
    if (!r.load(name)) {
        why = name + ": cannot be opened (run corvane with --material-stresses to write it)";
        return false;
    }
    return read_material_head(r, name, np, nm, t.run, why) &&
           read_material_rows(r, np, nm, coords, kinds, in_stress, t, why);
}

bool read_material_stress_header(const std::string &name, run_record &run)
{
    text_reader r;
    std::string head;
    if (!r.load(name) || !r.line(head) ||
        head.compare(0, std::strlen(material_stress_tag), material_stress_tag) != 0)
        return false;
    int nodes, materials;
    parse_run_record(head, run, nodes, materials);
    return true;
}

file_units units_of_slab_modulus(double modulus_as_written)
{
    return modulus_as_written >= 1.0e5 ? file_units::kgf_cm : file_units::si;
}

int result_set::material_kind(int m) const
{
    if (m < 0 || m >= nm) return -1;
    return material_type_code(mats[12 * static_cast<std::size_t>(m) + 11]);
}

bool read_result_set(const std::string &base, const read_request &request, result_set &rs,
                     std::string &why, std::string &units_note)
{
    rs = result_set{};
    rs.base = base;
    units_note.clear();
    if (!read_model(base + ".pin", rs, why)) return false;

    // The per-material file's header tells how corvane converted (its -U).
    const std::string mst = material_stress_name(base);
    text_reader mr;
    const bool have_mst = mr.load(mst);
    if (!have_mst && request.need_material_stresses) {
        why = mst + ": cannot be opened (no per-material stresses: run corvane with "
                    "--material-stresses; slab stresses averaged with the layers below are "
                    "not reported)";
        return false;
    }
    if (have_mst && !read_material_head(mr, mst, rs.np, rs.nm, rs.mst.run, why)) return false;

    // The files' units: as requested, else as corvane converted them, else from the slab.
    rs.units = request.units;
    if (have_mst && rs.mst.run.units != 0 && request.units != file_units::unknown) {
        const file_units recorded = rs.mst.run.units == 1 ? file_units::kgf_cm : file_units::si;
        if (recorded != request.units) {
            why = mst + ": the analysis read its files as " +
                  (recorded == file_units::kgf_cm ? "kgf-cm (corvane -U 1)" : "SI (corvane -U 2)") +
                  ", but they were given as " +
                  (request.units == file_units::kgf_cm ? "kgf-cm (-U 1)" : "SI (-U 2)");
            return false;
        }
    }
    if (rs.units == file_units::unknown) {
        if (have_mst && rs.mst.run.units != 0) {
            rs.units = rs.mst.run.units == 1 ? file_units::kgf_cm : file_units::si;
            units_note = std::string("as the analysis read them (corvane -U ") +
                         std::to_string(rs.mst.run.units) + ")";
        } else if (have_mst && rs.mst.run.files != 0) {
            rs.units = rs.mst.run.files == 1 ? file_units::kgf_cm : file_units::si;
            units_note = std::string("as recorded with the set (files=") +
                         (rs.mst.run.files == 1 ? "kgf-cm" : "si") + ")";
        } else {
            const double e = slab_modulus_raw(rs);
            rs.units = units_of_slab_modulus(e);
            char b[200];
            std::snprintf(b, sizeof b,
                          "assumed from the slab's modulus %.6g (concrete: about 3e5 in kgf/cm2, "
                          "3e4 in MPa); give -U 1 or -U 2 to state them",
                          e);
            units_note = b;
        }
    }
    const int code = rs.units == file_units::si ? 2 : 0;
    const double in_stress = unit_factors[code].stress, in_spring = unit_factors[code].spring,
                 in_weight = unit_factors[code].weight;
    for (int m = 0; m < rs.nm; ++m) {
        double *v = &rs.mats[12 * static_cast<std::size_t>(m)];
        if (converts_as_solid(v[11])) {
            v[0] *= in_stress;
            v[2] *= in_weight;
        } else {
            v[0] *= in_spring;
            v[1] *= in_spring;
            v[2] *= in_spring;
        }
    }
    for (double &t : rs.face_vals) t *= in_stress;

    if (!read_results(base + ".out", rs, in_stress, why)) return false;
    if (have_mst) {
        std::vector<int> kinds(static_cast<std::size_t>(rs.nm));
        for (int m = 0; m < rs.nm; ++m) kinds[m] = rs.material_kind(m);
        if (!read_material_rows(mr, rs.np, rs.nm, rs.coords.data(), kinds.data(), in_stress, rs.mst,
                                why))
            return false;
        rs.has_material_stresses = true;
    }
    // corvane writes dowel forces in the units it computed in: the files' units times its -U
    // stress factor.
    const int run_code = valid_unit_code(rs.mst.run.units) ? rs.mst.run.units : 0;
    const double force_factor = in_stress / unit_factors[run_code].stress;
    return read_dowels(base + ".dwi", base + ".dwo", rs, in_stress, in_spring, force_factor, why);
}

std::string mesh_difference(const result_set &a, const result_set &b)
{
    char why[200];
    if (a.np != b.np || a.ne != b.ne) {
        std::snprintf(why, sizeof why, "%d nodes and %d elements against %d and %d", b.np, b.ne,
                      a.np, a.ne);
        return why;
    }
    for (int n = 0; n < a.np; ++n)
        if (!same_point(&a.coords[3 * n], &b.coords[3 * n])) {
            std::snprintf(why, sizeof why, "node %d lies elsewhere", n);
            return why;
        }
    for (int e = 0; e < a.ne; ++e)
        for (int k = 0; k < 8; ++k)
            if (a.conn[9 * e + k] != b.conn[9 * e + k]) {
                std::snprintf(why, sizeof why, "element %d has other nodes", e);
                return why;
            }
    return std::string();
}
