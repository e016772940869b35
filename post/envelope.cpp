// Per-node extremes over the cases of one mesh, from the per-material stresses: at a node the
// extreme that any material's elements see there.
#include "envelope.h"

#include "atomic_output.h"
#include "principal.h"
#include "units.h"

#include <algorithm>
#include <cstdio>

namespace
{
const char *const names[envelope_components] = {"Sx", "Sy",  "Sz",  "Syz", "Szx", "Sxy", "Ex", "Ey",
                                                "Ez", "Eyz", "Ezx", "Exy", "S1",  "S2",  "S3"};

bool is_stress(int c)
{
    return c < 6 || c >= 12;
}
} // namespace

const char *envelope_component_name(int c)
{
    return c >= 0 && c < envelope_components ? names[c] : "";
}

void add_to_envelope(envelope_data &env, const result_set &rs, int c)
{
    const std::size_t size = envelope_components * static_cast<std::size_t>(rs.np);
    if (c == 0 || env.np != rs.np) {
        env.np = rs.np;
        env.max.assign(size, -1e300);
        env.min.assign(size, 1e300);
        env.max_case.assign(size, -1);
    }
    for (int n = 0; n < rs.np; ++n)
        for (std::int64_t row = rs.mst.start[n]; row < rs.mst.start[n + 1]; ++row) {
            if (rs.mst.count[row] == 0) continue;
            double v[envelope_components];
            std::copy_n(&rs.mst.stress[6 * row], 6, v);
            std::copy_n(&rs.mst.strain[6 * row], 6, v + 6);
            principal_values(&rs.mst.stress[6 * row], v + 12);
            for (int k = 0; k < envelope_components; ++k) {
                const std::size_t at = envelope_components * static_cast<std::size_t>(n) + k;
                if (v[k] > env.max[at]) {
                    env.max[at] = v[k];
                    env.max_case[at] = c;
                }
                env.min[at] = std::min(env.min[at], v[k]);
            }
        }
}

bool write_envelope_vtk(const envelope_data &env, const result_set &rs, bool si,
                        const std::string &path)
{
    atomic_file out;
    if (!out.open(path)) return false;
    std::FILE *f = out.stream();
    std::fprintf(f,
                 "# vtk DataFile Version 2.0\nenvelope of the cases (per-material stresses)\n"
                 "ASCII\nDATASET UNSTRUCTURED_GRID\nPOINTS %d double\n",
                 rs.np);
    for (int i = 0; i < rs.np; ++i)
        std::fprintf(f, "%.9g %.9g %.9g\n",
                     in_report_units(rs.coords[3 * i], quantity_kind::length, si),
                     in_report_units(rs.coords[3 * i + 1], quantity_kind::length, si),
                     in_report_units(rs.coords[3 * i + 2], quantity_kind::length, si));
    std::fprintf(f, "CELLS %d %d\n", rs.ne, 9 * rs.ne);
    for (int e = 0; e < rs.ne; ++e) {
        std::fprintf(f, "8");
        for (int k = 0; k < 8; ++k) std::fprintf(f, " %d", rs.conn[9 * e + k]);
        std::fputs("\n", f);
    }
    std::fprintf(f, "CELL_TYPES %d\n", rs.ne);
    for (int e = 0; e < rs.ne; ++e) std::fputs("12\n", f);
    std::fprintf(f, "POINT_DATA %d\n", rs.np);
    for (int k = 0; k < envelope_components; ++k)
        for (int which = 0; which < 2; ++which) {
            std::fprintf(f, "SCALARS %s_%s double 1\nLOOKUP_TABLE default\n",
                         which == 0 ? "Max" : "Min", names[k]);
            const std::vector<double> &v = which == 0 ? env.max : env.min;
            for (int n = 0; n < rs.np; ++n) {
                double x = v[envelope_components * static_cast<std::size_t>(n) + k];
                if (x < -1e299 || x > 1e299) x = 0.0; // a node of no solid element
                std::fprintf(f, "%.7g\n",
                             is_stress(k) ? in_report_units(x, quantity_kind::stress, si) : x);
            }
        }
    std::fprintf(f, "SCALARS Governing_case_S3 int 1\nLOOKUP_TABLE default\n");
    for (int n = 0; n < rs.np; ++n)
        std::fprintf(f, "%d\n",
                     env.max_case[envelope_components * static_cast<std::size_t>(n) + 14]);
    return out.commit();
}
