// The design report of a result set: critical slab stresses, joint load transfer, dowel checks,
// and the envelope of several cases.
#include "report.h"

#include "atomic_output.h"
#include "draw.h"
#include "fem3d.h"
#include "material_code.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

namespace
{

// z of the model's top surface, and a tolerance for lying on a plane.
float top_z(const FEMg3D &m)
{
    return m.extent[4];
}

float plane_tolerance(const FEMg3D &m)
{
    const float span = std::fmax(std::fmax(m.extent[0] - m.extent[1], m.extent[2] - m.extent[3]),
                                 m.extent[4] - m.extent[5]);
    return 1e-5f * std::fmax(span, 1.0f);
}

// Unit normal of a joint element from its nodes 0, 1, 2: (x1 - x0) x (x2 - x0).
bool joint_normal(const FEMg3D &m, const t_elem &el, float n[3])
{
    const float *x0 = m.nodes[el.node[0]].coord, *x1 = m.nodes[el.node[1]].coord,
                *x2 = m.nodes[el.node[2]].coord;
    const float a[3] = {x1[0] - x0[0], x1[1] - x0[1], x1[2] - x0[2]};
    const float c[3] = {x2[0] - x0[0], x2[1] - x0[1], x2[2] - x0[2]};
    n[0] = a[1] * c[2] - a[2] * c[1];
    n[1] = a[2] * c[0] - a[0] * c[2];
    n[2] = a[0] * c[1] - a[1] * c[0];
    const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len > 0.0f)) return false;
    for (int k = 0; k < 3; ++k) n[k] /= len;
    return true;
}

bool is_joint_element(const FEMg3D &m, const t_elem &el)
{
    return is_joint_code(m.material_kind(el.material));
}

} // namespace

float report_data::max_tension_bottom() const
{
    float v = -1e30f;
    for (const slab_extreme &s : slab)
        if (!s.top && s.node >= 0) v = std::fmax(v, s.tension);
    return v;
}

float report_data::max_tension_top() const
{
    float v = -1e30f;
    for (const slab_extreme &s : slab)
        if (s.top && s.node >= 0) v = std::fmax(v, s.tension);
    return v;
}

float report_data::min_lte() const
{
    float v = 1e30f;
    for (const joint_plane &p : joints)
        if (!p.stations.empty()) v = std::fmin(v, p.min_lte);
    return v;
}

float report_data::max_bearing() const
{
    return most_loaded_dowel >= 0 ? dowels[most_loaded_dowel].bearing : 0.0f;
}

bool build_report(const FEMg3D &m, const display_settings &ds, float fc, report_data &r,
                  std::string &error)
{
    r = report_data{};
    r.si = ds.unit_text_si;
    r.fc = fc;
    const float lf = ds.length_factor, sf = ds.stress_factor;
    const float ztop = top_z(m), tol = plane_tolerance(m);

    // Slab materials: solids whose elements reach the top of the model.
    std::vector<float> mat_top(m.n_materials, -1e30f), mat_bottom(m.n_materials, 1e30f);
    std::vector<std::set<int>> mat_nodes(m.n_materials);
    for (int e = 0; e < m.n_elements; ++e) {
        const t_elem &el = m.elements[e];
        if (el.material < 0 || el.material >= m.n_materials || m.material_kind(el.material) != 0)
            continue;
        for (int k = 0; k < 8; ++k) {
            const float z = m.nodes[el.node[k]].coord[2];
            mat_top[el.material] = std::fmax(mat_top[el.material], z);
            mat_bottom[el.material] = std::fmin(mat_bottom[el.material], z);
            mat_nodes[el.material].insert(el.node[k]);
        }
    }
    for (int mat = 0; mat < m.n_materials; ++mat)
        if (!mat_nodes[mat].empty() && std::fabs(mat_top[mat] - ztop) <= tol)
            r.slab_materials.push_back(mat);
    if (r.slab_materials.empty()) {
        error = "the result set has no slab (no solid material reaches the top of the model)";
        return false;
    }
    for (int mat : r.slab_materials)
        for (const bool top : {true, false}) {
            slab_extreme s;
            s.material = mat;
            s.top = top;
            const float face = top ? mat_top[mat] : mat_bottom[mat];
            for (int n : mat_nodes[mat]) {
                const t_node &nd = m.nodes[n];
                if (std::fabs(nd.coord[2] - face) > tol) continue;
                const float t = nd.principal[2] * sf;
                if (s.node < 0 || t > s.tension) {
                    s.node = n;
                    s.tension = t;
                }
            }
            if (s.node >= 0) {
                const t_node &nd = m.nodes[s.node];
                for (int k = 0; k < 3; ++k) s.xyz[k] = nd.coord[k] * lf;
                for (int k = 0; k < 6; ++k) s.stress[k] = nd.stress[k] * sf;
                s.fi = nd.fi;
            }
            r.slab.push_back(s);
        }

    // The largest vertical deflection.
    for (int n = 0; n < m.n_nodes; ++n)
        if (r.deflection_node < 0 ||
            std::fabs(m.nodes[n].disp[2]) > std::fabs(m.nodes[r.deflection_node].disp[2]))
            r.deflection_node = n;
    if (r.deflection_node >= 0) r.deflection = m.nodes[r.deflection_node].disp[2] * lf;

    // Joints: openings of every joint element; load transfer across the vertical ones.
    std::map<std::pair<int, long long>, joint_plane> planes;
    std::set<std::pair<int, int>> seen;
    int joint_elements = 0;
    for (int e = 0; e < m.n_elements; ++e) {
        const t_elem &el = m.elements[e];
        if (!is_joint_element(m, el)) continue;
        ++joint_elements;
        float nrm[3];
        if (!joint_normal(m, el, nrm)) continue;
        for (int k = 0; k < 4; ++k) {
            const t_node &a = m.nodes[el.node[k]], &b = m.nodes[el.node[k + 4]];
            float opening = 0;
            for (int c = 0; c < 3; ++c) opening += (b.disp[c] - a.disp[c]) * nrm[c];
            if (opening * lf > r.max_opening) {
                r.max_opening = opening * lf;
                for (int c = 0; c < 3; ++c) r.opening_xyz[c] = a.coord[c] * lf;
            }
        }
        if (std::fabs(nrm[2]) > 0.5f) continue; // a horizontal interface, not a slab joint
        const int axis = std::fabs(nrm[0]) >= std::fabs(nrm[1]) ? 0 : 1;
        const float position = m.nodes[el.node[0]].coord[axis];
        joint_plane &p = planes[{axis, std::llround(position * 100.0f)}];
        p.axis = axis;
        p.position = position * lf;
        ++p.elements;
        for (int k = 0; k < 4; ++k) {
            const int na = el.node[k], nb = el.node[k + 4];
            if (std::fabs(m.nodes[na].coord[2] - ztop) > tol ||
                std::fabs(m.nodes[nb].coord[2] - ztop) > tol)
                continue; // the surface stations only
            if (!seen.insert({std::min(na, nb), std::max(na, nb)}).second) continue;
            const float wa = m.nodes[na].disp[2], wb = m.nodes[nb].disp[2];
            joint_station st;
            const bool a_loaded = std::fabs(wa) >= std::fabs(wb);
            st.loaded = a_loaded ? na : nb;
            st.unloaded = a_loaded ? nb : na;
            st.w_loaded = (a_loaded ? wa : wb) * lf;
            st.w_unloaded = (a_loaded ? wb : wa) * lf;
            if (st.w_loaded == 0.0f) continue; // no deflection, no transfer to speak of
            st.lte = std::fabs(st.w_unloaded) / std::fabs(st.w_loaded);
            st.along = m.nodes[na].coord[axis == 0 ? 1 : 0] * lf;
            p.stations.push_back(st);
        }
    }
    if (joint_elements == 0) {
        error = "the result set has no joint element (no joint to report on)";
        return false;
    }
    for (auto &[key, p] : planes) {
        std::sort(p.stations.begin(), p.stations.end(),
                  [](const joint_station &a, const joint_station &b) { return a.along < b.along; });
        p.min_lte = 1e30f;
        for (std::size_t i = 0; i < p.stations.size(); ++i) {
            const joint_station &s = p.stations[i];
            p.min_lte = std::fmin(p.min_lte, s.lte);
            p.max_differential =
                std::fmax(p.max_differential, std::fabs(s.w_loaded - s.w_unloaded));
            if (p.most_loaded < 0 ||
                std::fabs(s.w_loaded) > std::fabs(p.stations[p.most_loaded].w_loaded))
                p.most_loaded = static_cast<int>(i);
        }
        r.joints.push_back(p);
    }

    // Dowels: the largest values along the profiles, the bearing check.
    for (int i = 0; i < m.n_dowels; ++i) {
        const t_dowel &d = m.dowels[i];
        dowel_check c;
        c.dowel = i;
        for (int k = 0; k < 3; ++k) c.centre[k] = d.centre[k] * lf;
        for (int s = 0; s < dowel_stations; ++s) {
            c.bearing = std::fmax(c.bearing, std::fabs(d.reaction[s]) * sf);
            c.shear = std::fmax(c.shear, std::fabs(d.shear[s]) * sf);
            c.bending = std::fmax(c.bending, std::fabs(d.bending[s]) * sf);
        }
        const float dia =
            d.type >= 0 && d.type < m.n_dowel_types ? m.dowel_types[d.type].value[3] : 0.0f;
        const float section = 0.0982f * dia * dia * dia * lf * lf * lf; // modulus of the bar
        c.moment = c.bending * section;
        c.diameter_in = dia / 2.54f; // internal lengths are centimetres
        c.allowable = fc > 0 ? (4.0f - c.diameter_in) * fc / 3.0f : 0.0f;
        c.ratio = c.allowable > 0 ? c.bearing / c.allowable : 0.0f;
        if (r.most_loaded_dowel < 0 || c.bearing > r.dowels[r.most_loaded_dowel].bearing)
            r.most_loaded_dowel = static_cast<int>(r.dowels.size());
        r.dowels.push_back(c);
    }
    return true;
}

namespace
{

// The report's tables as rows of cells, written by each format's own writer.
struct table {
    std::string title;
    std::vector<std::string> head;
    std::vector<std::vector<std::string>> rows;
};

std::string num(double v, const char *fmt = "%.4g")
{
    char b[64];
    std::snprintf(b, sizeof b, fmt, v);
    return b;
}

std::vector<table> report_tables(const report_data &r, const std::vector<envelope_case> &cases)
{
    const std::string su = r.si ? "MPa" : "kgf/cm2", lu = r.si ? "m" : "cm";
    std::vector<table> t;
    table summary{"Summary", {"quantity", "value", "unit"}, {}};
    summary.rows.push_back({"max_tension_slab_bottom", num(r.max_tension_bottom()), su});
    summary.rows.push_back({"max_tension_slab_top", num(r.max_tension_top()), su});
    summary.rows.push_back({"max_deflection", num(r.deflection), lu});
    summary.rows.push_back({"max_joint_opening", num(r.max_opening), lu});
    summary.rows.push_back(
        {"min_lte", r.joints.empty() ? std::string("-") : num(r.min_lte(), "%.3f"), ""});
    summary.rows.push_back({"max_dowel_bearing", num(r.max_bearing()), su});
    t.push_back(summary);

    table slab{"Critical slab stresses (largest principal tension S3)",
               {"material", "face", "S3 (" + su + ")", "x", "y", "z", "Sx", "Sy", "Sz", "Syz",
                "Szx", "Sxy", "FI"},
               {}};
    for (const slab_extreme &s : r.slab) {
        std::vector<std::string> row = {std::to_string(s.material), s.top ? "top" : "bottom"};
        if (s.node < 0) {
            row.insert(row.end(), 11, "-");
        } else {
            row.push_back(num(s.tension));
            for (float v : s.xyz) row.push_back(num(v, "%.3f"));
            for (float v : s.stress) row.push_back(num(v));
            row.push_back(num(s.fi));
        }
        slab.rows.push_back(row);
    }
    t.push_back(slab);

    table other{"Deflection and joint opening", {"quantity", "value (" + lu + ")", "at"}, {}};
    if (r.deflection_node >= 0)
        other.rows.push_back({"largest vertical deflection", num(r.deflection),
                              "node " + std::to_string(r.deflection_node)});
    other.rows.push_back({"largest joint opening", num(r.max_opening),
                          num(r.opening_xyz[0], "%.3f") + ", " + num(r.opening_xyz[1], "%.3f") +
                              ", " + num(r.opening_xyz[2], "%.3f")});
    t.push_back(other);

    table joints{"Joint load transfer (LTE = w_unloaded / w_loaded at the slab surface; the loaded "
                 "side of a station is the one with the larger deflection)",
                 {"joint plane", "stations", "LTE at the most loaded point", "smallest LTE",
                  "largest differential deflection (" + lu + ")"},
                 {}};
    for (const joint_plane &p : r.joints) {
        const std::string name = std::string(p.axis == 0 ? "x = " : "y = ") + num(p.position);
        joints.rows.push_back(
            {name, std::to_string(p.stations.size()),
             p.most_loaded >= 0 ? num(p.stations[p.most_loaded].lte, "%.3f") : "-",
             p.stations.empty() ? "-" : num(p.min_lte, "%.3f"), num(p.max_differential)});
    }
    t.push_back(joints);
    for (const joint_plane &p : r.joints) {
        table st{std::string("Stations of the joint ") + (p.axis == 0 ? "x = " : "y = ") +
                     num(p.position),
                 {"along (" + lu + ")", "w loaded", "w unloaded", "LTE", "loaded node"},
                 {}};
        for (const joint_station &s : p.stations)
            st.rows.push_back({num(s.along, "%.3f"), num(s.w_loaded), num(s.w_unloaded),
                               num(s.lte, "%.3f"), std::to_string(s.loaded)});
        t.push_back(st);
    }

    if (!r.dowels.empty()) {
        table dw{"Dowels (largest along the bar; allowable bearing (4 - d) f'c / 3, d in inches)",
                 {"dowel", "x", "y", "z", "bearing (" + su + ")", "shear stress", "bending stress",
                  "moment", "d (in)", "allowable", "bearing / allowable"},
                 {}};
        for (const dowel_check &c : r.dowels)
            dw.rows.push_back(
                {std::to_string(c.dowel) +
                     (&c - r.dowels.data() == r.most_loaded_dowel ? " (most loaded)" : ""),
                 num(c.centre[0], "%.3f"), num(c.centre[1], "%.3f"), num(c.centre[2], "%.3f"),
                 num(c.bearing), num(c.shear), num(c.bending), num(c.moment),
                 num(c.diameter_in, "%.3f"), r.fc > 0 ? num(c.allowable) : "-",
                 r.fc > 0 ? num(c.ratio, "%.3f") + (c.ratio > 1 ? " EXCEEDED" : "") : "-"});
        t.push_back(dw);
    }

    if (!cases.empty()) {
        table env{"Cases (* the governing case of each column)",
                  {"case", "S3 slab bottom (" + su + ")", "S3 slab top", "max |Uz| (" + lu + ")",
                   "joint opening", "dowel bearing"},
                  {}};
        int best[5] = {0, 0, 0, 0, 0};
        for (std::size_t c = 0; c < cases.size(); ++c) {
            const envelope_case &e = cases[c], &b0 = cases[best[0]], &b1 = cases[best[1]],
                                &b2 = cases[best[2]], &b3 = cases[best[3]], &b4 = cases[best[4]];
            if (e.tension_bottom > b0.tension_bottom) best[0] = static_cast<int>(c);
            if (e.tension_top > b1.tension_top) best[1] = static_cast<int>(c);
            if (std::fabs(e.deflection) > std::fabs(b2.deflection)) best[2] = static_cast<int>(c);
            if (e.opening > b3.opening) best[3] = static_cast<int>(c);
            if (e.bearing > b4.bearing) best[4] = static_cast<int>(c);
        }
        for (std::size_t c = 0; c < cases.size(); ++c) {
            const envelope_case &e = cases[c];
            const float v[5] = {e.tension_bottom, e.tension_top, e.deflection, e.opening,
                                e.bearing};
            std::vector<std::string> row = {e.name};
            for (int k = 0; k < 5; ++k)
                row.push_back(num(v[k]) + (best[k] == static_cast<int>(c) ? " *" : ""));
            env.rows.push_back(row);
        }
        std::vector<std::string> gov = {"governing case"};
        for (int k = 0; k < 5; ++k) gov.push_back(cases[best[k]].name);
        env.rows.push_back(gov);
        t.push_back(env);
    }
    return t;
}

std::string html_escape(const std::string &s)
{
    std::string o;
    for (char c : s) {
        if (c == '<')
            o += "&lt;";
        else if (c == '>')
            o += "&gt;";
        else if (c == '&')
            o += "&amp;";
        else
            o += c;
    }
    return o;
}

std::string csv_cell(const std::string &s)
{
    if (s.find_first_of(",\"\n") == std::string::npos) return s;
    std::string o = "\"";
    for (char c : s) o += c == '"' ? std::string("\"\"") : std::string(1, c);
    return o + "\"";
}

bool ends_with(const std::string &s, const char *tail)
{
    const std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

} // namespace

bool write_report(const report_data &r, const std::vector<envelope_case> &cases,
                  const std::string &picture, const std::string &path, std::string &why)
{
    const bool md = ends_with(path, ".md"), html = ends_with(path, ".html"),
               csv = ends_with(path, ".csv");
    if (!md && !html && !csv) {
        why = "the report's name must end in .html, .md or .csv";
        return false;
    }
    const std::vector<table> tables = report_tables(r, cases);
    atomic_file out;
    if (!out.open(path)) {
        why = "cannot create the file";
        return false;
    }
    std::FILE *f = out.stream();
    const std::string title = "Pavement analysis report: " + r.set_name;
    const std::string units = r.si ? "SI (m, MPa)" : "kgf-cm (cm, kgf/cm2)";
    if (md) std::fprintf(f, "# %s\n\nUnits: %s.\n\n", title.c_str(), units.c_str());
    if (html)
        std::fprintf(f,
                     "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title>\n"
                     "<style>body{font-family:sans-serif}table{border-collapse:collapse;"
                     "margin-bottom:1em}td,th{border:1px solid #999;padding:2px 6px;"
                     "text-align:right}</style></head><body>\n<h1>%s</h1>\n<p>Units: %s.</p>\n",
                     html_escape(title).c_str(), html_escape(title).c_str(), units.c_str());
    for (const table &t : tables) {
        if (csv) {
            std::fprintf(f, "%s\n", csv_cell(t.title).c_str());
            for (std::size_t k = 0; k < t.head.size(); ++k)
                std::fprintf(f, "%s%s", k ? "," : "", csv_cell(t.head[k]).c_str());
            std::fputs("\n", f);
            for (const auto &row : t.rows) {
                for (std::size_t k = 0; k < row.size(); ++k)
                    std::fprintf(f, "%s%s", k ? "," : "", csv_cell(row[k]).c_str());
                std::fputs("\n", f);
            }
            std::fputs("\n", f);
        } else if (md) {
            std::fprintf(f, "## %s\n\n|", t.title.c_str());
            for (const std::string &h : t.head) std::fprintf(f, " %s |", h.c_str());
            std::fputs("\n|", f);
            for (std::size_t k = 0; k < t.head.size(); ++k) std::fputs("---|", f);
            std::fputs("\n", f);
            for (const auto &row : t.rows) {
                std::fputs("|", f);
                for (const std::string &c : row) std::fprintf(f, " %s |", c.c_str());
                std::fputs("\n", f);
            }
            std::fputs("\n", f);
        } else {
            std::fprintf(f, "<h2>%s</h2>\n<table>\n<tr>", html_escape(t.title).c_str());
            for (const std::string &h : t.head)
                std::fprintf(f, "<th>%s</th>", html_escape(h).c_str());
            std::fputs("</tr>\n", f);
            for (const auto &row : t.rows) {
                std::fputs("<tr>", f);
                for (const std::string &c : row)
                    std::fprintf(f, "<td>%s</td>", html_escape(c).c_str());
                std::fputs("</tr>\n", f);
            }
            std::fputs("</table>\n", f);
        }
    }
    if (!picture.empty()) {
        if (md)
            std::fprintf(f, "## Largest principal stress S3 at the slab bottom\n\n![S3](%s)\n",
                         picture.c_str());
        if (html)
            std::fprintf(f,
                         "<h2>Largest principal stress S3 at the slab bottom</h2>\n"
                         "<img src=\"%s\" alt=\"S3 contour\">\n",
                         html_escape(picture).c_str());
    }
    if (html) std::fputs("</body></html>\n", f);
    if (!out.commit()) {
        why = "write error (disk full or device error)";
        return false;
    }
    return true;
}

void add_to_envelope(envelope_data &env, const FEMg3D &m, int c)
{
    if (c == 0 || env.n_nodes != m.n_nodes) {
        env.n_nodes = m.n_nodes;
        env.max.assign(16 * static_cast<std::size_t>(m.n_nodes), -3.0e38f);
        env.min.assign(16 * static_cast<std::size_t>(m.n_nodes), 3.0e38f);
        env.max_case.assign(16 * static_cast<std::size_t>(m.n_nodes), 0);
    }
    for (int n = 0; n < m.n_nodes; ++n)
        for (int k = 0; k < 16; ++k) {
            const std::size_t at = 16 * static_cast<std::size_t>(n) + k;
            const float v = m.nodes[n].result(k);
            if (v > env.max[at]) {
                env.max[at] = v;
                env.max_case[at] = c;
            }
            env.min[at] = std::fmin(env.min[at], v);
        }
}

bool write_envelope_vtk(const envelope_data &env, const FEMg3D &m, const display_settings &ds,
                        const std::string &path)
{
    atomic_file out;
    if (!out.open(path)) return false;
    std::FILE *f = out.stream();
    const float lf = ds.length_factor, sf = ds.stress_factor;
    std::fprintf(f,
                 "# vtk DataFile Version 2.0\nenvelope of the cases\nASCII\n"
                 "DATASET UNSTRUCTURED_GRID\nPOINTS %d float\n",
                 m.n_nodes);
    for (int i = 0; i < m.n_nodes; ++i)
        std::fprintf(f, "%g %g %g\n", m.nodes[i].coord[0] * lf, m.nodes[i].coord[1] * lf,
                     m.nodes[i].coord[2] * lf);
    std::fprintf(f, "CELLS %d %d\n", m.n_elements, 9 * m.n_elements);
    for (int e = 0; e < m.n_elements; ++e) {
        std::fprintf(f, "8");
        for (int k = 0; k < 8; ++k) std::fprintf(f, " %d", m.elements[e].node[k]);
        std::fputs("\n", f);
    }
    std::fprintf(f, "CELL_TYPES %d\n", m.n_elements);
    for (int e = 0; e < m.n_elements; ++e) std::fputs("12\n", f);
    std::fprintf(f, "POINT_DATA %d\n", m.n_nodes);
    for (int k = 0; k < 16; ++k) {
        const float scale = is_stress_component(k) ? sf : 1.0f;
        for (int which = 0; which < 2; ++which) {
            std::fprintf(f, "SCALARS %s_%s float 1\nLOOKUP_TABLE default\n",
                         which == 0 ? "Max" : "Min", component_name(k));
            const std::vector<float> &v = which == 0 ? env.max : env.min;
            for (int n = 0; n < m.n_nodes; ++n)
                std::fprintf(f, "%g\n", v[16 * static_cast<std::size_t>(n) + k] * scale);
        }
    }
    std::fprintf(f, "SCALARS Governing_case_S3 int 1\nLOOKUP_TABLE default\n");
    for (int n = 0; n < m.n_nodes; ++n)
        std::fprintf(f, "%d\n", env.max_case[16 * static_cast<std::size_t>(n) + 14]);
    return out.commit();
}

std::string mesh_difference(const FEMg3D &a, const FEMg3D &b)
{
    char why[160];
    if (a.n_nodes != b.n_nodes || a.n_elements != b.n_elements) {
        std::snprintf(why, sizeof why, "%d nodes and %d elements against %d and %d", b.n_nodes,
                      b.n_elements, a.n_nodes, a.n_elements);
        return why;
    }
    for (int n = 0; n < a.n_nodes; ++n)
        for (int k = 0; k < 3; ++k)
            if (std::fabs(a.nodes[n].coord[k] - b.nodes[n].coord[k]) >
                1e-4f * std::fmax(1.0f, std::fabs(a.nodes[n].coord[k]))) {
                std::snprintf(why, sizeof why, "node %d lies elsewhere", n);
                return why;
            }
    for (int e = 0; e < a.n_elements; ++e)
        for (int k = 0; k < 8; ++k)
            if (a.elements[e].node[k] != b.elements[e].node[k]) {
                std::snprintf(why, sizeof why, "element %d has other nodes", e);
                return why;
            }
    return std::string();
}
