// Numerical listing of nodal results and the dowel stress listing, shared by the forms and the
// batch command.
#include "listing.h"

#include "atomic_output.h"
#include "field_text.h"

#include <cmath>
#include <cstdio>
#include <utility>

const char *const listing_column_captions[listing_column_count] = {
    "Ux", "Uy", "Uz",  "Sx",  "Sy",  "Sz", "Syz", "Szx", "Sxy", "Ex",
    "Ey", "Ez", "Eyz", "Ezx", "Exy", "S1", "S2",  "S3",  "FI"};

namespace
{

// Column headers, fixed texts whatever the unit setting.
const char *const coordinate_headers[3] = {"  xx(m)  ", "  yy(m)  ", "  zz(m)  "};
const char *const column_headers[listing_column_count] = {
    "  Ux(m)     ", "   Uy(m)    ", "   Uz(m)    ", "  Sx(MPa)   ", "  Sy(MPa)   ",
    "  Sz(MPa)   ", "  Syz(MPa)  ", "  Sxz(MPa)  ", "  Sxy(MPa)  ", "    Ex      ",
    "    Ey      ", "    Ez      ", "    Eyz     ", "    Exz     ", "    Exy     ",
    "  S1(MPa)   ", "  S2(MPa)   ", "  S3(MPa)   ", "    FI      "};

// The same in kgf-cm display (the lengths in cm, the stresses in kgf/cm2), of the same widths.
// (kg/cm2 for kgf/cm2, so that every header keeps its 12 characters and a space between)
const char *const coordinate_headers_kgf[3] = {"  xx(cm) ", "  yy(cm) ", "  zz(cm) "};
const char *const column_headers_kgf[listing_column_count] = {
    "  Ux(cm)    ", "   Uy(cm)   ", "   Uz(cm)   ", "  Sx(kg/cm2)", "  Sy(kg/cm2)",
    "  Sz(kg/cm2)", " Syz(kg/cm2)", " Sxz(kg/cm2)", " Sxy(kg/cm2)", "    Ex      ",
    "    Ey      ", "    Ez      ", "    Eyz     ", "    Exz     ", "    Exy     ",
    "  S1(kg/cm2)", "  S2(kg/cm2)", "  S3(kg/cm2)", "    FI      "};

const char *const coordinate_format = "%8.4f ";
const char *const value_format = "%11.4e ";
const char *const principal_format = "%11.4e %7.4f %7.4f %7.4f ";

const char *const dowel_title_format = "No.%3d x=%8.2f y=%8.2f z=%8.2f";
const char *const dowel_header = "Lgt. Dis.     Shear          Bending          Bearing";
const char *const dowel_station_format = "%9.3f  %14.5e %14.5e %14.5e";

// "Non" or empty: no value in the field.
bool no_value(const std::string &text)
{
    return text.empty() || text == "Non";
}

void append(std::string &line, const char *format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    line += buffer;
}

} // namespace

void read_listing_fields(listing_settings &s, const listing_fields &f, float length_factor)
{
    // Keys: the axis named later wins a slot named twice; unnamed slots keep their axis.
    for (int axis = 0; axis < 3; ++axis) {
        int slot = field_int(f.key[axis]);
        if (slot < 0) slot = 0;
        if (slot > 2) slot = 2;
        s.key_slot[slot] = axis;
    }
    // Plane values, display units to cm.
    for (int axis = 0; axis < 3; ++axis) {
        if (no_value(f.select[axis])) {
            s.select_on[axis] = false;
        } else {
            s.select_value[axis] = static_cast<float>(field_float(f.select[axis]) / length_factor);
            s.select_on[axis] = true;
        }
        if (std::fabs(s.select_value[axis]) > 1e10f) s.select_value[axis] = 0.0f;
    }
    // Line y = a x + b: a is a pure number, b a length.
    if (no_value(f.line_a)) {
        s.line_mode = false;
    } else {
        s.line_mode = true;
        const float a = static_cast<float>(field_float(f.line_a));
        if (a == 0.0f) {
            s.line_mode = false;
        } else {
            s.select_value[0] = a;
            s.select_value[1] = static_cast<float>(field_float(f.line_b) / length_factor);
            s.select_on[0] = false;
            s.select_on[1] = false;
        }
    }
    // Tolerance; an empty field means 0.01 cm whatever the units.
    if (f.range.empty())
        s.tolerance = 0.01f;
    else
        s.tolerance = static_cast<float>(field_float(f.range) / length_factor);
}

void toggle_all_columns(listing_settings &s)
{
    s.all_columns = !s.all_columns;
    for (bool &on : s.column_on) on = s.all_columns;
}

bool listing_accepts(const listing_settings &s, const float *coord)
{
    if (s.line_mode)
        return std::fabs(coord[1] - s.select_value[0] * coord[0] - s.select_value[1]) <
                   s.tolerance &&
               coord[2] == s.select_value[2];
    for (int axis = 0; axis < 3; ++axis)
        if (s.select_on[axis] && !(std::fabs(s.select_value[axis] - coord[axis]) < s.tolerance))
            return false;
    return true;
}

long long listing_key(float coordinate)
{
    const float scaled = coordinate * 1000.0f;
    // Truncation toward zero; coordinates beyond any mesh (or NaN) are pinned, not undefined.
    if (!(std::fabs(scaled) < 9.0e18f))
        return std::isnan(scaled) ? 0 : (scaled > 0 ? 1LL << 62 : -(1LL << 62));
    return static_cast<long long>(scaled);
}

bool listing_before(const listing_settings &s, const t_node &a, const t_node &b)
{
    for (int k = 0; k < 3; ++k) {
        const int axis = s.key_slot[k];
        const long long ka = listing_key(a.coord[axis]);
        const long long kb = listing_key(b.coord[axis]);
        if (ka != kb) return ka < kb;
    }
    return false;
}

void sort_listing_rows(const listing_settings &s, t_node *rows, int lo, int hi)
{
    // The two parts of a partition are disjoint, so sorting the smaller one by recursion and
    // the larger one by the loop gives the same order with a stack depth of log2(n).
    while (lo < hi) {
        const t_node pivot = rows[(lo + hi) / 2];
        int i = lo, j = hi;
        for (;;) {
            while (listing_before(s, rows[i], pivot)) ++i;
            while (listing_before(s, pivot, rows[j])) --j;
            if (i >= j) break;
            std::swap(rows[i], rows[j]);
            ++i;
            --j;
        }
        const bool left = i - 1 > lo, right = j + 1 < hi;
        if (left && right) {
            if (i - 1 - lo < hi - (j + 1)) {
                sort_listing_rows(s, rows, lo, i - 1);
                lo = j + 1;
            } else {
                sort_listing_rows(s, rows, j + 1, hi);
                hi = i - 1;
            }
        } else if (left) {
            hi = i - 1;
        } else if (right) {
            lo = j + 1;
        } else {
            break;
        }
    }
}

std::vector<t_node> select_listing_rows(const listing_settings &s, const t_node *nodes, int n)
{
    std::vector<t_node> rows;
    for (int i = 0; i < n; ++i)
        if (listing_accepts(s, nodes[i].coord)) rows.push_back(nodes[i]);
    return rows;
}

std::string listing_header(const listing_settings &s, bool kgf_cm)
{
    std::string line;
    for (const char *h : kgf_cm ? coordinate_headers_kgf : coordinate_headers) line += h;
    for (int k = 0; k < listing_column_count; ++k)
        if (s.column_on[k]) line += (kgf_cm ? column_headers_kgf : column_headers)[k];
    return line;
}

std::string listing_line(const listing_settings &s, const t_node &row, float length_factor,
                         float stress_factor)
{
    std::string line;
    for (int c = 0; c < 3; ++c) append(line, coordinate_format, row.coord[c] * length_factor);
    for (int c = 0; c < 3; ++c)
        if (s.column_on[c]) append(line, value_format, row.disp[c] * length_factor);
    for (int c = 0; c < 6; ++c)
        if (s.column_on[3 + c]) append(line, value_format, row.stress[c] * stress_factor);
    for (int c = 0; c < 6; ++c)
        if (s.column_on[9 + c]) append(line, value_format, row.strain[c]);
    for (int k = 0; k < 3; ++k) {
        if (!s.column_on[15 + k]) continue;
        char buffer[96];
        // Direction of principal k: x, y, z are words 22 + k, 25 + k, 28 + k.
        std::snprintf(buffer, sizeof buffer, principal_format,
                      static_cast<double>(row.principal[k] * stress_factor),
                      static_cast<double>(row.direction[k]),
                      static_cast<double>(row.direction[3 + k]),
                      static_cast<double>(row.direction[6 + k]));
        line += buffer;
    }
    if (s.column_on[18]) append(line, value_format, row.fi);
    return line;
}

std::vector<std::string> numerical_listing(const listing_settings &s, const t_node *nodes, int n,
                                           float length_factor, float stress_factor,
                                           std::vector<t_node> *rows_out)
{
    std::vector<t_node> rows = select_listing_rows(s, nodes, n);
    std::vector<std::string> lines;
    if (!rows.empty()) {
        sort_listing_rows(s, rows.data(), 0, static_cast<int>(rows.size()) - 1);
        lines.reserve(rows.size() + 1);
        // the units the values are shown in: kgf-cm display keeps lengths in cm
        lines.push_back(listing_header(s, length_factor == 1.0f));
        for (const t_node &row : rows)
            lines.push_back(listing_line(s, row, length_factor, stress_factor));
    }
    if (rows_out) *rows_out = std::move(rows);
    return lines;
}

std::vector<std::string> dowel_listing(const t_dowel *dowels, int n, float length_factor,
                                       float stress_factor)
{
    std::vector<std::string> lines;
    char buffer[160];
    for (int p = 0; p < n; ++p) {
        const t_dowel &d = dowels[p];
        std::snprintf(buffer, sizeof buffer, dowel_title_format, p,
                      static_cast<double>(d.centre[0] * length_factor),
                      static_cast<double>(d.centre[1] * length_factor),
                      static_cast<double>(d.centre[2] * length_factor));
        lines.push_back(buffer);
        lines.push_back(dowel_header);
        // Distances from the middle of the joint in cm, single precision: the first half runs
        // from -length / 2 to -gap / 2, the second from gap / 2 on.
        for (int k = 0; k < 71; ++k) {
            const float distance = k < 36 ? static_cast<float>(k) * d.step - d.length / 2.0f
                                          : static_cast<float>(k - 36) * d.step + d.gap / 2.0f;
            std::snprintf(buffer, sizeof buffer, dowel_station_format,
                          static_cast<double>(distance),
                          static_cast<double>(d.shear[k] * stress_factor),
                          static_cast<double>(d.bending[k] * stress_factor),
                          static_cast<double>(d.reaction[k] * stress_factor));
            lines.push_back(buffer);
        }
    }
    return lines;
}

bool write_listing_file(const std::string &path, const std::vector<std::string> &lines)
{
    // Written under a temporary name and renamed when complete: a failed write leaves the
    // previous listing (or none), never a half-written one.
    atomic_file out;
    if (!out.open(path)) return false;
    std::FILE *f = out.stream();
    for (const std::string &line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), f) != line.size() ||
            std::fwrite("\r\n", 1, 2, f) != 2)
            return false; // out's destructor removes the temporary file
    }
    return out.commit();
}
