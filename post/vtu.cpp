// The XML VTK export: points in m, displacements in m, stresses in MPa (%.17g). Cells: every
// element of the model as a hexahedron (solids and the zero-thickness joints, told apart by the
// cell array "kind") and every dowel as a line between its bar's ends (two points of its own),
// so that a threshold on "kind" or "material" isolates the slab.
#include "vtu.h"
#include "unit_factors.h"

#include "atomic_output.h"
#include "material_code.h"
#include "principal.h"
#include "tables.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

void data_array(std::string &o, const char *type, const char *name, int components,
                const std::vector<double> &v, bool integer = false)
{
    append_format(o,
                  "<DataArray type=\"%s\" Name=\"%s\" NumberOfComponents=\"%d\" "
                  "format=\"ascii\">\n",
                  type, name, components);
    for (std::size_t k = 0; k < v.size(); ++k) {
        if (integer)
            append_format(o, "%lld", static_cast<long long>(v[k]));
        else
            append_format(o, "%.17g", v[k]);
        o += (k + 1) % static_cast<std::size_t>(components) == 0 ? '\n' : ' ';
    }
    o += "</DataArray>\n";
}

} // namespace

bool write_vtu(const result_set &rs, const std::string &path, std::string &why)
{
    const std::size_t np = static_cast<std::size_t>(rs.np), ne = static_cast<std::size_t>(rs.ne),
                      nd = static_cast<std::size_t>(rs.ndowel);
    std::vector<double> points, disp, node_stress;
    for (std::size_t n = 0; n < np; ++n)
        for (int c = 0; c < 3; ++c) {
            points.push_back(rs.coords[3 * n + c] * m_per_cm);
            disp.push_back(rs.disp[3 * n + c] * m_per_cm);
        }
    for (double s : rs.stress) node_stress.push_back(s * mpa_per_kgf_cm2);
    // the dowels' ends: the bar's length along its axis about its centre
    for (std::size_t i = 0; i < nd; ++i) {
        const double *t = &rs.dtypes[12 * static_cast<std::size_t>(rs.dtype[i])];
        for (const double side : {-0.5, 0.5})
            for (int c = 0; c < 3; ++c) {
                points.push_back((rs.dcentre[3 * i + c] + side * t[4] * rs.daxis[3 * i + c]) *
                                 m_per_cm);
                disp.push_back(0.0);
            }
        for (int k = 0; k < 12; ++k) node_stress.push_back(0.0);
    }
    std::vector<double> material, kind, stress, principal, dowel_force;
    std::string connectivity, offsets, types;
    std::size_t offset = 0;
    for (std::size_t e = 0; e < ne; ++e) {
        const int *rec = &rs.conn[9 * e];
        const int m = rec[8], code = rs.material_kind(m);
        material.push_back(m);
        kind.push_back(is_joint_code(code) ? 1 : 0);
        for (int k = 0; k < 8; ++k) append_format(connectivity, "%d ", rec[k]);
        connectivity += '\n';
        offset += 8;
        append_format(offsets, "%zu ", offset);
        types += "12 ";
        // the mean over the cell's nodes of its own material's nodal stresses
        double s[6] = {0, 0, 0, 0, 0, 0};
        int count = 0;
        for (int k = 0; k < 8 && !is_joint_code(code); ++k) {
            const std::int64_t row = rs.material_row(rec[k], m);
            if (row < 0) continue;
            for (int c = 0; c < 6; ++c) s[c] += rs.mst.stress[6 * row + c] * mpa_per_kgf_cm2;
            ++count;
        }
        for (double &v : s) v = count ? v / count : 0.0;
        double p[3] = {0, 0, 0};
        if (count) principal_values(s, p);
        stress.insert(stress.end(), s, s + 6);
        principal.insert(principal.end(), p, p + 3);
        dowel_force.insert(dowel_force.end(), {0.0, 0.0, 0.0});
    }
    for (std::size_t i = 0; i < nd; ++i) {
        material.push_back(-1 - rs.dtype[i]);
        kind.push_back(2);
        append_format(connectivity, "%zu %zu\n", np + 2 * i, np + 2 * i + 1);
        offset += 2;
        append_format(offsets, "%zu ", offset);
        types += "3 ";
        for (int k = 0; k < 6; ++k) stress.push_back(0.0);
        principal.insert(principal.end(), {0.0, 0.0, 0.0});
        // the force the bar takes at its first end, kN, global axes
        for (int c = 0; c < 3; ++c) dowel_force.push_back(rs.dforce[12 * i + c] * kn_per_kgf);
    }

    std::string o;
    append_format(o,
                  "<?xml version=\"1.0\"?>\n<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" "
                  "byte_order=\"LittleEndian\">\n<UnstructuredGrid>\n<Piece NumberOfPoints=\"%zu\" "
                  "NumberOfCells=\"%zu\">\n<Points>\n",
                  np + 2 * nd, ne + nd);
    data_array(o, "Float64", "Points", 3, points);
    o += "</Points>\n<Cells>\n";
    o += "<DataArray type=\"Int64\" Name=\"connectivity\" format=\"ascii\">\n" + connectivity +
         "</DataArray>\n<DataArray type=\"Int64\" Name=\"offsets\" format=\"ascii\">\n" + offsets +
         "\n</DataArray>\n<DataArray type=\"UInt8\" Name=\"types\" format=\"ascii\">\n" + types +
         "\n</DataArray>\n</Cells>\n";
    o += "<PointData Vectors=\"displacement_m\">\n";
    data_array(o, "Float64", "displacement_m", 3, disp);
    data_array(o, "Float64", "stress_all_solids_MPa", 6, node_stress);
    o += "</PointData>\n<CellData Scalars=\"material\">\n";
    data_array(o, "Int32", "material", 1, material, true);
    data_array(o, "Int32", "kind", 1, kind, true);
    data_array(o, "Float64", "stress_own_material_MPa", 6, stress);
    data_array(o, "Float64", "principal_MPa", 3, principal);
    data_array(o, "Float64", "dowel_force_kN", 3, dowel_force);
    o += "</CellData>\n</Piece>\n</UnstructuredGrid>\n</VTKFile>\n";

    atomic_file out;
    if (!out.open(path) || std::fwrite(o.data(), 1, o.size(), out.stream()) != o.size() ||
        !out.commit()) {
        why = path + ": cannot be written";
        return false;
    }
    return true;
}
