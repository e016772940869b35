// Writing the engineering report: its tables as Markdown, HTML or CSV, and the plot of the
// deflections along the joints.
#include "quantities.h"
#include "report.h"
#include "svg_plot.h"
#include "tables.h"
#include "units.h"

#include "atomic_output.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

// Report-unit helpers.
struct units {
    bool si;
    double v(double x, quantity_kind k) const { return in_report_units(x, k, si); }
    std::string u(quantity_kind k) const { return unit_label(k, si); }
    std::string with(const char *name, quantity_kind k) const
    {
        return std::string(name) + " (" + u(k) + ")";
    }
};

std::string point(const units &un, const double *x)
{
    char b[128];
    std::snprintf(b, sizeof b, "(%.3f, %.3f, %.3f)", un.v(x[0], quantity_kind::length),
                  un.v(x[1], quantity_kind::length), un.v(x[2], quantity_kind::length));
    return b;
}

std::string joint_name(const units &un, const joint_plane &p)
{
    char b[64];
    std::snprintf(b, sizeof b, "%s = %.4g %s", p.axis == 0 ? "x" : "y",
                  un.v(p.position, quantity_kind::length), un.u(quantity_kind::length).c_str());
    return b;
}

// Where quantity q of r was found, as words.
std::string location(const report_data &r, const units &un, const std::string &key)
{
    if (key == "max_tension_slab_bottom" || key == "max_tension_slab_top") {
        const bool top = key == "max_tension_slab_top";
        const slab_extreme *best = nullptr;
        for (const slab_extreme &s : r.slab)
            if (s.top == top && s.node >= 0 && (!best || s.s3 > best->s3)) best = &s;
        if (best)
            return "material " + std::to_string(best->material) + " (the viewer's No." +
                   std::to_string(best->material + 1) + ") at " + point(un, best->xyz);
    }
    if (key == "max_deflection" && r.deflection_node >= 0) return point(un, r.deflection_xyz);
    if (key == "max_joint_opening" && r.max_opening > 0) return point(un, r.opening_xyz);
    if (key == "max_dowel_bearing" && r.most_loaded_dowel >= 0)
        return "dowel " + std::to_string(r.dowels[r.most_loaded_dowel].dowel) + " at " +
               point(un, r.dowels[r.most_loaded_dowel].centre);
    return "";
}

table inputs_table(const report_data &r, const units &un)
{
    table t{"What was analysed", "", {"item", "value"}, {}};
    t.rows.push_back(
        {txt("input units"),
         txt(r.units_text + (r.units_note.empty() ? std::string() : " (" + r.units_note + ")"))});
    t.rows.push_back({txt("report units"), txt(un.si ? "SI (m, mm, MPa, kN)" : "kgf-cm")});
    if (r.has_run_record) {
        t.rows.push_back({txt("element"), txt(r.run.element)});
        t.rows.push_back({txt("linear solver"), txt(r.run.solver)});
        char b[160];
        std::snprintf(b, sizeof b, "%s (load factor %.5f, case %d)",
                      r.run.equilibrium == 1   ? "reached"
                      : r.run.equilibrium == 0 ? "NOT reached"
                                               : "not recorded",
                      r.run.load_factor, r.run.case_number);
        t.rows.push_back({txt("equilibrium"), txt(b)});
    }
    char b[200];
    std::snprintf(b, sizeof b, "%.4g %s on %d loaded faces, centred at (%.3f, %.3f) %s",
                  un.v(r.load_total, quantity_kind::force), un.u(quantity_kind::force).c_str(),
                  r.loaded_faces, un.v(r.load_centre[0], quantity_kind::length),
                  un.v(r.load_centre[1], quantity_kind::length),
                  un.u(quantity_kind::length).c_str());
    t.rows.push_back({txt("surface load (vertical)"), txt(b)});
    std::snprintf(b, sizeof b, "%.4g %s", un.v(r.self_weight, quantity_kind::force),
                  un.u(quantity_kind::force).c_str());
    t.rows.push_back({txt("self weight of the solids"), txt(r.self_weight > 0 ? b : "none")});
    t.rows.push_back(
        {txt("temperature"), txt(r.has_temperature ? "profile T(z) given (layers)" : "none")});
    for (const auto &[item, value] : r.notes) t.rows.push_back({txt(item), txt(value)});
    t.rows.push_back({txt("dowels and tie bars"), txt(std::to_string(r.dowel_count) + " bars of " +
                                                      std::to_string(r.dowel_types) + " type(s)")});
    return t;
}

table mesh_check_table(const report_data &r, const units &un)
{
    table t{"Mesh check",
            r.mesh_check_note + ". A small tension can change by much of itself and little of "
                                "the governing one: the last column relates each stress's change "
                                "to the largest slab tension.",
            {"quantity", "this mesh", "refined mesh", "unit", "change (%)",
             "change of the largest slab tension (%)"},
            {}};
    double governing = 0.0; // the largest slab tension on the refined mesh
    for (const report_data::mesh_check_row &m : r.mesh_check)
        if (m.key == "max_tension_slab_bottom" || m.key == "max_tension_slab_top")
            governing = std::fmax(governing, m.refined);
    for (const report_data::mesh_check_row &m : r.mesh_check) {
        const report_quantity *q = find_quantity(m.key.c_str());
        const quantity_kind kind = q ? q->kind : quantity_kind::none;
        const bool known = !std::isnan(m.value) && !std::isnan(m.refined);
        const double change = known && m.refined != 0
                                  ? 100.0 * (m.value - m.refined) / std::fabs(m.refined)
                                  : std::nan("");
        const bool slab = m.key == "max_tension_slab_bottom" || m.key == "max_tension_slab_top";
        const double of_governing = known && slab && governing > 0
                                        ? 100.0 * (m.value - m.refined) / governing
                                        : std::nan("");
        t.rows.push_back({txt(m.key), num(un.v(m.value, kind)), num(un.v(m.refined, kind)),
                          txt(un.u(kind)), num(change, "%.2f"), num(of_governing, "%.2f")});
    }
    return t;
}

table layers_table(const report_data &r, const units &un)
{
    table t{"Layers (solid materials, top first)",
            "material: the number in the model file; the viewer names material m No.m+1.",
            {"material", "in the viewer", "role", un.with("top z", quantity_kind::length),
             un.with("thickness", quantity_kind::length), un.with("E", quantity_kind::stress), "nu",
             un.with("unit weight", quantity_kind::unit_weight), "alpha", "T top", "T bottom"},
            {}};
    for (const layer_row &l : r.layers)
        t.rows.push_back({num(l.material, "%.0f"), txt("No." + std::to_string(l.material + 1)),
                          txt(l.slab ? "slab" : "layer"),
                          num(un.v(l.top, quantity_kind::length), "%.4g"),
                          num(un.v(l.top - l.bottom, quantity_kind::length), "%.4g"),
                          num(un.v(l.e, quantity_kind::stress), "%.5g"), num(l.nu, "%.3g"),
                          num(un.v(l.unit_weight, quantity_kind::unit_weight), "%.4g"),
                          num(l.alpha, "%.3g"), num(l.t_top, "%.4g"), num(l.t_bottom, "%.4g")});
    return t;
}

table joints_input_table(const report_data &r, const units &un)
{
    table t{"Joint springs",
            "Each joint element gives a facing node pair kn A / 36, so a uniform opening of a "
            "joint face of area A meets kn A / 9 in all: a spring acts at one ninth of the "
            "value in the model file (the column 'kn acting'; pavement writes nine times the "
            "engineer's stiffness, so that it acts as entered).",
            {"material", "where", "elements",
             un.with("kt1 in the model file", quantity_kind::spring),
             un.with("kt2 in the model file", quantity_kind::spring),
             un.with("kn in the model file", quantity_kind::spring),
             un.with("kn acting (kn/9)", quantity_kind::spring), "opening limit (cm)"},
            {}};
    for (const joint_row &j : r.joint_materials)
        t.rows.push_back(
            {num(j.material, "%.0f"), txt(j.vertical ? "slab joint" : "interface or foundation"),
             num(j.elements, "%.0f"), num(un.v(j.kt1, quantity_kind::spring)),
             num(un.v(j.kt2, quantity_kind::spring)), num(un.v(j.kn, quantity_kind::spring)),
             num(un.v(j.kn / 9.0, quantity_kind::spring)), num(j.opening_limit, "%.4g")});
    return t;
}

table summary_table(const report_data &r, const std::vector<report_case> &cases, const units &un)
{
    table t{"Summary", "", {"quantity", "value", "unit", "at", "what"}, {}};
    for (int q = 0; q < report_quantity_count; ++q) {
        const report_quantity &qt = report_quantities[q];
        double v;
        std::string at;
        if (cases.empty()) {
            v = qt.value(r);
            at = location(r, un, qt.key);
        } else {
            const int c = governing_case(cases, q);
            v = c >= 0 ? qt.value(cases[c].data) : std::nan("");
            at = c >= 0 ? "case " + cases[c].name : "";
            if (c >= 0) {
                const std::string where = location(cases[c].data, un, qt.key);
                if (!where.empty()) at += ": " + where;
            }
        }
        t.rows.push_back({txt(qt.key),
                          num(un.v(v, qt.kind), qt.kind == quantity_kind::none ? "%.3f" : "%.4g"),
                          txt(un.u(qt.kind)), txt(at), txt(qt.label)});
    }
    return t;
}

table slab_table(const report_data &r, const units &un)
{
    const bool sr = r.settings.mr > 0;
    table t{"Critical slab stresses (largest principal tension S3 of the slab's own elements)",
            "S3: the largest principal stress in the plane of the slab's top or bottom face "
            "(from Sx, Sy and Sxy of the slab's own elements: at a free face Sz and the "
            "transverse shears vanish). " +
                (sr ? "Stress ratio SR = S3 / MR with MR = " +
                          cell_text(num(un.v(r.settings.mr, quantity_kind::stress)), false) + " " +
                          un.u(quantity_kind::stress) + "."
                    : std::string()),
            {"material", "face", un.with("S3", quantity_kind::stress), "x", "y", "z", "Sx", "Sy",
             "Sz", "Syz", "Szx", "Sxy", "SR"},
            {}};
    for (const slab_extreme &s : r.slab) {
        std::vector<cell> row = {num(s.material, "%.0f"), txt(s.top ? "top" : "bottom")};
        if (s.node < 0) {
            for (int k = 0; k < 11; ++k) row.push_back(num(std::nan("")));
        } else {
            row.push_back(num(un.v(s.s3, quantity_kind::stress)));
            for (double x : s.xyz) row.push_back(num(un.v(x, quantity_kind::length), "%.3f"));
            for (double x : s.stress) row.push_back(num(un.v(x, quantity_kind::stress)));
            row.push_back(num(sr ? s.s3 / r.settings.mr : std::nan(""), "%.3f"));
        }
        t.rows.push_back(row);
    }
    return t;
}

table parts_table(const report_data &r, const units &un)
{
    table t{"The wheels, the temperature and self weight, and both",
            "The largest principal tension S3 of the slab's own elements at its bottom and top "
            "for each part of the loading: " +
                r.parts_method + ".",
            {"loading", un.with("S3 bottom", quantity_kind::stress),
             un.with("S3 top", quantity_kind::stress)},
            {}};
    for (const stress_part &p : r.parts)
        t.rows.push_back({txt(p.name), num(un.v(p.bottom, quantity_kind::stress)),
                          num(un.v(p.top, quantity_kind::stress))});
    return t;
}

table deflection_table(const report_data &r, const units &un)
{
    table t{"Deflection and joint opening",
            "",
            {"quantity", un.with("value", quantity_kind::displacement), "at"},
            {}};
    if (r.deflection_node >= 0)
        t.rows.push_back(
            {txt("largest vertical deflection at the surface"),
             num(un.v(r.deflection, quantity_kind::displacement)),
             txt("node " + std::to_string(r.deflection_node) + " " + point(un, r.deflection_xyz))});
    t.rows.push_back({txt("largest joint opening"),
                      num(un.v(r.max_opening, quantity_kind::displacement)),
                      txt(r.max_opening > 0 ? point(un, r.opening_xyz) : "-")});
    return t;
}

table joint_table(const report_data &r, const units &un)
{
    std::string note =
        std::string("Measured on ") +
        (r.lte_of_wheels_alone
             ? "the response to the wheels alone (the analysis without the wheels subtracted), "
               "so self weight and curl do not enter. "
             : "the set's whole response (every load in it). ") +
        "LTE = |w unloaded| / |w loaded| at the facing surface nodes of the most loaded station "
        "(the loaded side has the larger deflection; the station is given along the joint); "
        "stress LTE = the stress along the joint at the slab bottom on the unloaded side / the "
        "loaded side, at the bottom station of the largest loaded-side tension. Where the two "
        "sides move apart a transfer is undefined (nan), and why is said here.";
    table t{"Joint load transfer",
            note,
            {"joint", "stations", "LTE at the most loaded station",
             un.with("most loaded station", quantity_kind::length),
             un.with("largest differential deflection", quantity_kind::displacement),
             un.with("sigma loaded", quantity_kind::stress),
             un.with("sigma unloaded", quantity_kind::stress), "stress LTE",
             un.with("stress station", quantity_kind::length)},
            {}};
    for (const joint_plane &p : r.joints) {
        const double nan_v = std::nan("");
        t.rows.push_back(
            {txt(joint_name(un, p)), num(static_cast<double>(p.stations.size()), "%.0f"),
             num(p.lte, "%.3f"),
             num(p.most_loaded >= 0 ? un.v(p.stations[p.most_loaded].along, quantity_kind::length)
                                    : nan_v,
                 "%.3f"),
             num(un.v(p.max_differential, quantity_kind::displacement)),
             num(p.has_stress_lte ? un.v(p.sigma_loaded, quantity_kind::stress) : nan_v),
             num(p.has_stress_lte ? un.v(p.sigma_unloaded, quantity_kind::stress) : nan_v),
             num(p.has_stress_lte ? p.stress_lte : nan_v, "%.3f"),
             num(p.has_stress_lte ? un.v(p.stress_along, quantity_kind::length) : nan_v, "%.3f")});
        if (!p.lte_note.empty())
            t.note += " " + joint_name(un, p) + ": LTE undefined, " + p.lte_note + ".";
        if (!p.stress_lte_note.empty())
            t.note +=
                " " + joint_name(un, p) + ": stress LTE undefined, " + p.stress_lte_note + ".";
    }
    return t;
}

table station_table(const joint_plane &p, const units &un)
{
    table t{"Stations of the joint " + joint_name(un, p),
            "",
            {un.with("along", quantity_kind::length),
             un.with("w loaded", quantity_kind::displacement),
             un.with("w unloaded", quantity_kind::displacement), "LTE", "loaded node"},
            {}};
    for (const joint_station &s : p.stations)
        t.rows.push_back({num(un.v(s.along, quantity_kind::length), "%.3f"),
                          num(un.v(s.w_loaded, quantity_kind::displacement)),
                          num(un.v(s.w_unloaded, quantity_kind::displacement)), num(s.lte, "%.3f"),
                          num(s.loaded, "%.0f")});
    return t;
}

table dowel_table(const report_data &r, const units &un)
{
    const bool fc = r.settings.fc > 0, sa = r.settings.dowel_shear_allow > 0,
               ba = r.settings.dowel_bending_allow > 0;
    std::string note =
        "Each embedded half is Friberg's semi-infinite bar on the concrete: beta = (K d / 4 E "
        "I)^(1/4), I = pi d^4 / 64, the deflection at the joint face y0 = 2 beta (P - beta M) "
        "/ (K d) from the shear P and end moment M of the half (the dowel result file), which "
        "is P (2 + beta z) / (4 beta^3 E I) for M = -P z / 2, and the bearing stress on the "
        "concrete sigma_b = K y0. In the steel: shear 4 V / (3 A) and bending M / S, with V "
        "and M the largest along the bar, A = pi d^2 / 4, S = pi d^3 / 32.";
    if (fc)
        note += " Allowable bearing f_b = (4 - d) f'c / 3 (d in inches, ACI 325) with f'c = " +
                cell_text(num(un.v(r.settings.fc, quantity_kind::stress)), false) + " " +
                un.u(quantity_kind::stress) + ".";
    table t{"Dowels and tie bars",
            note,
            {"dowel", "most loaded", "x", "y", "z", "half", un.with("P", quantity_kind::force),
             un.with("M", quantity_kind::moment), "beta l",
             un.with("y0", quantity_kind::displacement), un.with("bearing", quantity_kind::stress),
             un.with("allowable", quantity_kind::stress), "bearing / allowable", "exceeded",
             un.with("steel shear", quantity_kind::stress), "shear / allowable",
             un.with("steel bending", quantity_kind::stress), "bending / allowable"},
            {}};
    const double nan_v = std::nan("");
    for (std::size_t i = 0; i < r.dowels.size(); ++i) {
        const dowel_row &d = r.dowels[i];
        const bool most = static_cast<int>(i) == r.most_loaded_dowel;
        t.rows.push_back(
            {num(d.dowel, "%.0f"), txt(most ? "yes" : ""),
             num(un.v(d.centre[0], quantity_kind::length), "%.3f"),
             num(un.v(d.centre[1], quantity_kind::length), "%.3f"),
             num(un.v(d.centre[2], quantity_kind::length), "%.3f"), num(d.half, "%.0f"),
             num(un.v(d.p, quantity_kind::force)), num(un.v(d.m, quantity_kind::moment)),
             num(d.beta_l, "%.3g"), num(un.v(d.y0, quantity_kind::displacement)),
             num(un.v(d.bearing, quantity_kind::stress)),
             num(fc ? un.v(d.allowable, quantity_kind::stress) : nan_v),
             num(fc ? d.ratio : nan_v, "%.3f"), txt(fc && d.ratio > 1 ? "EXCEEDED" : ""),
             num(un.v(d.steel_shear, quantity_kind::stress)),
             num(sa ? d.steel_shear / r.settings.dowel_shear_allow : nan_v, "%.3f"),
             num(un.v(d.steel_bending, quantity_kind::stress)),
             num(ba ? d.steel_bending / r.settings.dowel_bending_allow : nan_v, "%.3f")});
    }
    return t;
}

table case_table(const std::vector<report_case> &cases, const units &un)
{
    table t{"Cases",
            "The governing case of each figure is named in the summary.",
            {"case", "equilibrium"},
            {}};
    for (int q = 0; q < report_quantity_count; ++q) {
        const report_quantity &qt = report_quantities[q];
        const std::string u = un.u(qt.kind);
        std::string head = qt.key;
        if (!u.empty()) head += " (" + u + ")";
        t.head.push_back(head);
    }
    t.head.push_back("governs");
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const report_data &d = cases[c].data;
        std::vector<cell> row = {txt(cases[c].name), txt(!d.has_run_record        ? "not recorded"
                                                         : d.run.equilibrium == 1 ? "reached"
                                                                                  : "NOT reached")};
        std::string governs;
        for (int q = 0; q < report_quantity_count; ++q) {
            const report_quantity &qt = report_quantities[q];
            row.push_back(
                num(un.v(qt.value(d), qt.kind), qt.kind == quantity_kind::none ? "%.3f" : "%.4g"));
            if (governing_case(cases, q) == static_cast<int>(c)) {
                // appended piece by piece: GCC 12 at -O3 takes "" + std::string for an
                // overlapping copy (a known false -Wrestrict)
                if (!governs.empty()) governs += ' ';
                governs += qt.key;
            }
        }
        row.push_back(txt(governs));
        t.rows.push_back(row);
    }
    return t;
}

} // namespace

bool write_joint_plot(const report_data &r, const std::string &path)
{
    const units un{r.settings.si};
    svg_plot plot;
    plot.title = "Deflection along the joints at the slab surface";
    plot.x_label = "position along the joint (" + un.u(quantity_kind::length) + ")";
    plot.y_label = "deflection (" + un.u(quantity_kind::displacement) + ")";
    for (const joint_plane &p : r.joints) {
        if (p.stations.empty()) continue;
        svg_series loaded{"loaded side, " + joint_name(un, p), {}, {}, false};
        svg_series unloaded{"unloaded side, " + joint_name(un, p), {}, {}, true};
        for (const joint_station &s : p.stations) {
            const double x = un.v(s.along, quantity_kind::length);
            loaded.x.push_back(x);
            loaded.y.push_back(un.v(s.w_loaded, quantity_kind::displacement));
            unloaded.x.push_back(x);
            unloaded.y.push_back(un.v(s.w_unloaded, quantity_kind::displacement));
        }
        plot.series.push_back(loaded);
        plot.series.push_back(unloaded);
    }
    if (plot.series.empty()) return false;
    return write_svg_plot(plot, path);
}

std::string verdict(const report_data &r, const std::vector<report_case> &cases)
{
    const units un{r.settings.si};
    const double top = r.max_tension_top(), bottom = r.max_tension_bottom();
    const bool at_top = !(top <= bottom) && !std::isnan(top);
    const double tension = at_top ? top : bottom;
    std::string slab = "no slab tension", dowel;
    bool fails = false, judged = true, any = false;
    char b[400];
    if (!std::isnan(tension)) {
        const std::string where =
            location(r, un, at_top ? "max_tension_slab_top" : "max_tension_slab_bottom");
        std::snprintf(b, sizeof b, "the governing slab tension is %.4g %s at the slab %s, %s %s",
                      un.v(tension, quantity_kind::stress), un.u(quantity_kind::stress).c_str(),
                      at_top ? "top" : "bottom", where.c_str(),
                      un.u(quantity_kind::length).c_str());
        slab = b;
        if (r.settings.mr > 0) {
            const double ratio = tension / r.settings.mr;
            fails = fails || ratio > 1.0;
            any = true;
            std::snprintf(b, sizeof b, ", %.3f of the modulus of rupture %.4g %s", ratio,
                          un.v(r.settings.mr, quantity_kind::stress),
                          un.u(quantity_kind::stress).c_str());
            slab += b;
        } else {
            judged = false;
            slab += " (no modulus of rupture given: not judged)";
        }
    }
    if (r.most_loaded_dowel >= 0) {
        const dowel_row &d = r.dowels[r.most_loaded_dowel];
        std::snprintf(b, sizeof b, "; the largest dowel bearing is %.4g %s at dowel %d, %s %s",
                      un.v(d.bearing, quantity_kind::stress), un.u(quantity_kind::stress).c_str(),
                      d.dowel, point(un, d.centre).c_str(), un.u(quantity_kind::length).c_str());
        dowel = b;
        if (d.allowable > 0) {
            fails = fails || d.ratio > 1.0;
            any = true;
            std::snprintf(b, sizeof b, ", %.3f of the allowable %.4g %s", d.ratio,
                          un.v(d.allowable, quantity_kind::stress),
                          un.u(quantity_kind::stress).c_str());
            dowel += b;
        } else {
            judged = false;
            dowel += " (no f'c given: not judged)";
        }
    }
    const std::string head = fails    ? "FAILS"
                             : judged ? "PASSES"
                             : any    ? "PASSES what is judged"
                                      : "NOT JUDGED";
    std::string text = "Verdict: " + head + ": " + slab + dowel + ".";
    if (!cases.empty()) {
        const int q = static_cast<int>(find_quantity("max_stress_ratio") - report_quantities);
        const int g = governing_case(cases, q);
        if (g >= 0) text += " The governing case is " + cases[g].name + ".";
    }
    if (r.has_run_record && r.run.equilibrium == 0)
        text += " The analysis did not reach equilibrium: the figures are not a converged answer.";
    return text;
}

bool write_report(const report_data &r, const std::vector<report_case> &cases,
                  const report_figures &figures, const std::string &path, std::string &why)
{
    report_format fm;
    if (!format_of(path, fm)) {
        why = "the report's name must end in .html, .md or .csv";
        return false;
    }
    const units un{r.settings.si};
    std::vector<table> tables;
    tables.push_back(summary_table(r, cases, un)); // first: the sweeps read its key figures
    if (!cases.empty()) tables.push_back(case_table(cases, un));
    tables.push_back(inputs_table(r, un));
    if (!r.mesh_check.empty()) tables.push_back(mesh_check_table(r, un));
    tables.push_back(layers_table(r, un));
    if (!r.joint_materials.empty()) tables.push_back(joints_input_table(r, un));
    tables.push_back(slab_table(r, un));
    if (!r.parts.empty()) tables.push_back(parts_table(r, un));
    tables.push_back(deflection_table(r, un));
    if (!r.joints.empty()) tables.push_back(joint_table(r, un));
    for (const joint_plane &p : r.joints)
        if (!p.stations.empty()) tables.push_back(station_table(p, un));
    if (!r.dowels.empty()) tables.push_back(dowel_table(r, un));

    atomic_file out;
    if (!out.open(path)) {
        why = "cannot create the file";
        return false;
    }
    std::FILE *f = out.stream();
    write_document_start(f, fm,
                         r.title.empty() ? "Pavement analysis report: " + r.set_name : r.title);
    for (const std::string &h : r.heading) write_paragraph(f, fm, h);
    write_paragraph(f, fm, verdict(r, cases));
    for (const std::string &w : r.warnings) write_paragraph(f, fm, w, true);
    write_figure(f, fm, "Plan: slabs, joints, bars, tyres and the critical point", figures.plan);
    if (!cases.empty())
        write_paragraph(f, fm,
                        "The sections after the case table are those of case " + r.set_name + ".");
    for (std::size_t i = 0; i < tables.size(); ++i) {
        write_table(f, tables[i], fm);
        if (fm == report_format::csv && i == 0 && !r.warnings.empty()) {
            table w{"Warnings", "", {"warning"}, {}};
            for (const std::string &s : r.warnings) w.rows.push_back({txt(s)});
            write_table(f, w, fm);
        }
        if (tables[i].title == "Joint load transfer")
            write_figure(f, fm, "Deflection along the joints", figures.joint_plot);
    }
    write_figure(f, fm,
                 "Largest principal stress S3 at the slab bottom, seen from below (slab elements "
                 "only; the key gives the unit and the extremes)",
                 figures.s3_picture);
    write_figure(f, fm,
                 "Largest principal stress S3 at the slab top, seen from above (slab elements "
                 "only; the key gives the unit and the extremes)",
                 figures.s3_top_picture);
    if (!r.input_text.empty())
        write_verbatim(f, fm, "The description as entered (" + r.input_name + ")", r.input_text);
    write_document_end(f, fm);
    if (!out.commit()) {
        why = "write error (disk full or device error)";
        return false;
    }
    return true;
}
