// Reading an engineer's pavement description from TOML: every key checked (known, of the right
// type and sign, required ones present), values converted to SI, messages naming the file, the
// line and the key.
#include "description.h"
#include "unit_factors.h"

#include "axles.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace
{

// Converts what the description's units give into SI.
struct unit_scale {
    double length = 1, stress = 1, force = 1, spring = 1, joint = mm_per_m;
};

unit_scale scale_of(bool kgf_cm)
{
    if (!kgf_cm) return {}; // m, MPa, kN, MPa/m; joint springs in MPa/mm
    // cm, kgf/cm2, kgf, kgf/cm3; joint springs in kgf/cm3 too
    return {m_per_cm, mpa_per_kgf_cm2, kn_per_kgf, mpa_m_per_kgf_cm3, mpa_m_per_kgf_cm3};
}

enum class sign { any, positive, non_negative };

// "joint N" with N a whole number from 1 to limit; false otherwise (no overflow on long input).
bool joint_number(const std::string &text, int limit, int &n)
{
    if (text.compare(0, 6, "joint ") != 0 || text.size() < 7 || text.size() > 12) return false;
    long v = 0;
    for (std::size_t i = 6; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = 10 * v + (text[i] - '0');
    }
    if (v < 1 || v > limit) return false;
    n = static_cast<int>(v);
    return true;
}

// A whole number from lo to hi as an int; false otherwise (checked before any conversion).
bool whole_number(double v, double lo, double hi, int &n)
{
    if (!(v >= lo && v <= hi) || v != std::floor(v)) return false;
    n = static_cast<int>(v);
    return true;
}

class reader
{
  public:
    reader(const std::string &file, std::vector<std::string> &errors) : file_(file), errors_(errors)
    {
    }

    void error(const toml::source_region &at, const std::string &key, const std::string &what)
    {
        std::ostringstream o;
        o << file_ << ":" << at.begin.line << ": " << key << ": " << what;
        errors_.push_back(o.str());
    }

    // Keys of table t (named path) that are not in allowed.
    void unknown_keys(const toml::table &t, const std::string &path,
                      std::initializer_list<const char *> allowed)
    {
        for (auto &&[k, v] : t) {
            bool known = false;
            for (const char *a : allowed) known = known || k.str() == a;
            if (!known) {
                std::string list;
                for (const char *a : allowed) list += std::string(list.empty() ? "" : ", ") + a;
                error(k.source(), join(path, std::string(k.str())),
                      "unknown key (known here: " + list + ")");
            }
        }
    }

    static std::string join(const std::string &path, const std::string &key)
    {
        return path.empty() ? key : path + "." + key;
    }

    // A number (integer or float); required: absent is an error; else def.
    double number(const toml::table &t, const std::string &path, const char *key, bool required,
                  double def, sign s = sign::any)
    {
        const toml::node *n = t.get(key);
        const std::string name = join(path, key);
        if (!n) {
            if (required) error(t.source(), name, "missing (required)");
            return def;
        }
        std::optional<double> v = n->value<double>();
        if (!n->is_number() || !v) {
            error(n->source(), name, std::string("must be a number, not ") + type_name(*n));
            return def;
        }
        if (!std::isfinite(*v)) {
            error(n->source(), name, "must be a finite number");
            return def;
        }
        if (s == sign::positive && !(*v > 0)) {
            error(n->source(), name, "must be positive");
            return def;
        }
        if (s == sign::non_negative && !(*v >= 0)) {
            error(n->source(), name, "must not be negative");
            return def;
        }
        return *v;
    }

    bool boolean(const toml::table &t, const std::string &path, const char *key, bool def)
    {
        const toml::node *n = t.get(key);
        if (!n) return def;
        if (!n->is_boolean()) {
            error(n->source(), join(path, key),
                  std::string("must be true or false, not ") + type_name(*n));
            return def;
        }
        return *n->value<bool>();
    }

    std::string text(const toml::table &t, const std::string &path, const char *key,
                     const std::string &def, std::initializer_list<const char *> choices = {})
    {
        return text(t, path, key, def, std::vector<std::string>(choices.begin(), choices.end()));
    }
    std::string text(const toml::table &t, const std::string &path, const char *key,
                     const std::string &def, const std::vector<std::string> &choices)
    {
        const toml::node *n = t.get(key);
        if (!n) return def;
        if (!n->is_string()) {
            error(n->source(), join(path, key),
                  std::string("must be a string, not ") + type_name(*n));
            return def;
        }
        const std::string v = *n->value<std::string>();
        if (choices.size() == 0) return v;
        std::string list;
        for (const std::string &c : choices) {
            if (v == c) return v;
            list += std::string(list.empty() ? "" : ", ") + "\"" + c + "\"";
        }
        error(n->source(), join(path, key), "\"" + v + "\" is none of " + list);
        return def;
    }

    // An array of positive numbers (at least one).
    std::vector<double> numbers(const toml::table &t, const std::string &path, const char *key,
                                bool required, bool zero_allowed = false)
    {
        std::vector<double> out;
        const toml::node *n = t.get(key);
        const std::string name = join(path, key);
        if (!n) {
            if (required) error(t.source(), name, "missing (required)");
            return out;
        }
        const toml::array *a = n->as_array();
        if (!a || a->empty()) {
            error(n->source(), name, "must be an array of positive numbers");
            return out;
        }
        for (std::size_t i = 0; i < a->size(); ++i) {
            const toml::node &e = *a->get(i);
            std::optional<double> v = e.value<double>();
            if (!e.is_number() || !v || !(zero_allowed ? *v >= 0 : *v > 0) || !std::isfinite(*v)) {
                error(e.source(), name + "[" + std::to_string(i) + "]",
                      zero_allowed ? "must be a number, 0 or more" : "must be a positive number");
                continue;
            }
            out.push_back(*v);
        }
        return out;
    }

    // A sub-table, or null (and an error when the key holds something else).
    const toml::table *table(const toml::table &t, const std::string &path, const char *key)
    {
        const toml::node *n = t.get(key);
        if (!n) return nullptr;
        if (!n->is_table()) {
            error(n->source(), join(path, key),
                  std::string("must be a table ([") + join(path, key) + "]), not " + type_name(*n));
            return nullptr;
        }
        return n->as_table();
    }

    bool ok() const { return errors_.empty(); }

    // A value an engineer may mean but rarely does: said, not refused.
    void warn(const toml::source_region &at, const std::string &key, const std::string &what)
    {
        std::ostringstream o;
        o << file_ << ":" << at.begin.line << ": " << key << ": " << what;
        warnings_.push_back(o.str());
    }
    std::vector<std::string> warnings_;

    static const char *type_name(const toml::node &n)
    {
        if (n.is_string()) return "a string";
        if (n.is_integer() || n.is_floating_point()) return "a number";
        if (n.is_boolean()) return "a boolean";
        if (n.is_array()) return "an array";
        if (n.is_table()) return "a table";
        return "a date or time";
    }

  private:
    std::string file_;
    std::vector<std::string> &errors_;
};

void read_bars(reader &r, const toml::table &t, const std::string &path, bar_set &b,
               const unit_scale &u)
{
    r.unknown_keys(
        t, path,
        {"diameter", "length", "spacing", "first", "E", "nu", "support_modulus", "looseness"});
    b.present = true;
    b.diameter =
        r.number(t, path, "diameter", true, b.diameter / u.length, sign::positive) * u.length;
    b.length = r.number(t, path, "length", true, b.length / u.length, sign::positive) * u.length;
    b.spacing = r.number(t, path, "spacing", true, b.spacing / u.length, sign::positive) * u.length;
    const double first = r.number(t, path, "first", false, -1, sign::any);
    b.first = first < 0 ? -1 : first * u.length;
    if (t.get("first") && first < 0)
        r.error(t.get("first")->source(), path + ".first", "must not be negative");
    b.e = r.number(t, path, "E", false, b.e / u.stress, sign::positive) * u.stress;
    b.nu = r.number(t, path, "nu", false, b.nu, sign::non_negative);
    b.support_modulus =
        r.number(t, path, "support_modulus", false, b.support_modulus / u.spring, sign::positive) *
        u.spring;
    b.looseness = r.number(t, path, "looseness", false, 0, sign::non_negative) * u.length;
}

void read_joint(reader &r, const toml::table &root, const char *which, joint_set &j,
                const char *bars_key, const unit_scale &u)
{
    const toml::table *joints = r.table(root, "", "joints");
    if (!joints) return;
    const std::string path = std::string("joints.") + which;
    const toml::table *t = r.table(*joints, "joints", which);
    if (!t) return;
    r.unknown_keys(*t, path, {"stiffness", "agg", "lte", "opening", "width", bars_key});
    j.line = static_cast<int>(t->source().begin.line);
    // the interlock: exactly one of stiffness (MPa/mm), agg (AGG/(k l)) and lte (a target)
    int given = 0;
    for (const char *k : {"stiffness", "agg", "lte"}) given += t->get(k) ? 1 : 0;
    if (given != 1)
        r.error(t->source(), path,
                given == 0 ? "missing the interlock: give stiffness (MPa/mm), agg (AGG/(k l)) "
                             "or lte (a target load transfer)"
                           : "give one of stiffness, agg and lte, not several");
    if (t->get("agg")) {
        j.entry = interlock_entry::agg;
        j.entered = r.number(*t, path, "agg", true, 0, sign::non_negative);
    } else if (t->get("lte")) {
        j.entry = interlock_entry::lte;
        j.entered = r.number(*t, path, "lte", true, 0, sign::positive);
        if (j.entered < 0.01 || j.entered > 0.99)
            r.error(t->get("lte")->source(), path + ".lte",
                    "a load transfer efficiency from 0.01 to 0.99 (a fraction, not per cent)");
    } else {
        j.stiffness = r.number(*t, path, "stiffness", false, 0, sign::non_negative) * u.joint;
        j.entered = j.stiffness;
    }
    if (t->get("opening")) {
        j.opening = r.number(*t, path, "opening", false, 0, sign::non_negative) * u.length;
        j.tight = j.opening == 0;
    }
    j.width = r.number(*t, path, "width", false, j.width / u.length, sign::positive) * u.length;
    if (const toml::table *b = r.table(*t, path, bars_key)) {
        read_bars(r, *b, path + "." + bars_key, j.bars, u);
        j.bars.line = static_cast<int>(b->source().begin.line);
    }
}

void read_loads(reader &r, const toml::node *n, description &d, const unit_scale &u)
{
    if (!n) return;
    const toml::array *a = n->as_array();
    if (!a || !a->is_array_of_tables()) {
        r.error(n->source(), "loads", "must be an array of tables ([[loads]])");
        return;
    }
    for (std::size_t i = 0; i < a->size(); ++i) {
        const toml::table &t = *a->get(i)->as_table();
        const std::string path = "loads[" + std::to_string(i) + "]";
        r.unknown_keys(t, path,
                       {"axle", "wheels", "load", "tyre_pressure", "position", "leading_edge",
                        "outer_edge", "lane"});
        load_group g;
        g.line = static_cast<int>(t.source().begin.line);
        g.axle = r.text(t, path, "axle", "", {"single", "single-dual", "tandem", "tridem"});
        g.load = r.number(t, path, "load", true, 0, sign::positive) * u.force;
        g.pressure = r.number(t, path, "tyre_pressure", false, 0, sign::positive) * u.stress;
        if (const toml::node *p = t.get("position")) {
            const toml::array *pa = p->as_array();
            if (!pa || pa->size() != 2 || !pa->get(0)->is_number() || !pa->get(1)->is_number()) {
                r.error(p->source(), path + ".position", "must be [x, y] (two numbers)");
            } else {
                g.position[0] = *pa->get(0)->value<double>() * u.length;
                g.position[1] = *pa->get(1)->value<double>() * u.length;
                g.has_position = true;
            }
        }
        // a template group placed from the pavement's lines: its leading (largest x) tyre edge an
        // offset before a transverse joint (or an x), its outer tyre edge an offset into the
        // lane from the lane's edge, a longitudinal joint or a stripe
        const toml::node *lead = t.get("leading_edge"), *outer = t.get("outer_edge");
        if ((lead || outer) && g.has_position)
            r.error((lead ? lead : outer)->source(), path,
                    "give position or leading_edge and outer_edge, not both");
        if ((lead != nullptr) != (outer != nullptr))
            r.error((lead ? lead : outer)->source(), path,
                    "leading_edge and outer_edge go together");
        if (lead && outer && !g.has_position && !g.axle.empty() && g.pressure > 0) {
            auto line_offset = [&](const toml::node *n, const char *key, std::string &name,
                                   double &at, double &offset) {
                const toml::array *pa = n->as_array();
                const bool ok = pa && pa->size() == 2 && pa->get(1)->is_number() &&
                                (pa->get(0)->is_number() || pa->get(0)->is_string());
                if (!ok) {
                    r.error(n->source(), path + "." + key,
                            "must be [line, offset]: a line (\"edge\", \"joint N\" or a "
                            "coordinate in m) and an offset (m)");
                    return false;
                }
                offset = *pa->get(1)->value<double>() * u.length;
                if (pa->get(0)->is_number()) {
                    at = *pa->get(0)->value<double>() * u.length;
                    name.clear();
                } else {
                    name = *pa->get(0)->value<std::string>();
                }
                return true;
            };
            std::string lead_name, outer_name;
            double lead_at = 0, lead_off = 0, outer_at = 0, outer_off = 0;
            if (line_offset(lead, "leading_edge", lead_name, lead_at, lead_off) &&
                line_offset(outer, "outer_edge", outer_name, outer_at, outer_off)) {
                int joint = 0;
                const std::vector<double> tj = d.transverse_joints();
                bool ok = true;
                if (!lead_name.empty()) {
                    ok = joint_number(lead_name, static_cast<int>(tj.size()), joint);
                    if (ok)
                        lead_at = tj[static_cast<std::size_t>(joint - 1)];
                    else
                        r.error(lead->source(), path + ".leading_edge",
                                "the line must be \"joint N\" (a transverse joint, 1 to " +
                                    std::to_string(tj.size()) + ") or an x (m)");
                }
                design_spec::line kind = design_spec::line::stripe;
                int ljoint = 0;
                if (outer_name == "edge") {
                    kind = design_spec::line::edge;
                } else if (!outer_name.empty()) {
                    kind = design_spec::line::joint;
                    if (!joint_number(outer_name, static_cast<int>(d.widths.size()) - 1, ljoint)) {
                        r.error(outer->source(), path + ".outer_edge",
                                "the line must be \"edge\", \"joint N\" (a longitudinal "
                                "joint) or a stripe's y (m)");
                        ok = false;
                    }
                }
                int lane = 1;
                if (t.get("lane") &&
                    !whole_number(r.number(t, path, "lane", false, 1, sign::positive), 1,
                                  static_cast<double>(d.widths.size()), lane)) {
                    r.error(t.get("lane")->source(), path + ".lane",
                            "must be a row of slabs, 1 to " + std::to_string(d.widths.size()));
                    ok = false;
                }
                lane_line line;
                std::string why;
                if (ok && !line_of_lane(d, kind, ljoint, outer_at, lane, line, why)) {
                    r.error(outer->source(), path + ".outer_edge", why.substr(why.find(':') + 2));
                    ok = false;
                }
                if (ok) {
                    const double origin[2] = {0, 0};
                    double y0 = 1e300, y1 = -1e300;
                    for (const wheel &w : template_wheels(g.axle, g.load, g.pressure, origin)) {
                        y0 = std::min(y0, w.y - w.width / 2);
                        y1 = std::max(y1, w.y + w.width / 2);
                    }
                    g.position[0] = lead_at - lead_off;
                    g.position[1] =
                        line.toward > 0 ? line.y + outer_off : line.y - outer_off - (y1 - y0);
                    g.has_position = true;
                }
            }
        }
        const toml::node *wn = t.get("wheels");
        if (!g.axle.empty() && wn)
            r.error(wn->source(), path + ".wheels", "give either axle or wheels, not both");
        if (g.axle.empty() && !wn && !t.get("axle"))
            r.error(t.source(), path, "missing axle (a template) or wheels (explicit tyres)");
        if (!g.axle.empty()) {
            if (!g.pressure) r.error(t.source(), path + ".tyre_pressure", "missing (required)");
            if (!g.has_position) r.error(t.source(), path + ".position", "missing (required)");
            if (g.pressure > 0 && g.has_position)
                g.wheels = template_wheels(g.axle, g.load, g.pressure, g.position);
        } else if (wn) {
            const toml::array *wa = wn->as_array();
            double area = 0;
            for (std::size_t k = 0; wa && k < wa->size(); ++k) {
                const toml::array *row = wa->get(k)->as_array();
                bool ok = row && row->size() == 4;
                double v[4] = {};
                for (std::size_t c = 0; ok && c < 4; ++c) {
                    ok = row->get(c)->is_number();
                    if (ok) v[c] = *row->get(c)->value<double>() * u.length;
                }
                if (!ok || !(v[2] > 0) || !(v[3] > 0)) {
                    r.error(wa->get(k)->source(), path + ".wheels[" + std::to_string(k) + "]",
                            "must be [x, y, length, width] with a positive length and width");
                    continue;
                }
                g.wheels.push_back({v[0], v[1], v[2], v[3], 0});
                area += v[2] * v[3];
            }
            if (!wa || g.wheels.empty()) {
                if (!wa) r.error(wn->source(), path + ".wheels", "must be an array of wheels");
                continue;
            }
            // the group's load shared in proportion to the tyre areas
            for (wheel &w : g.wheels) w.load = g.load * w.length * w.width / area;
            if (g.pressure > 0) {
                const double p = contact_pressure(g.load, area);
                if (std::fabs(p - g.pressure) > 0.01 * g.pressure)
                    r.error(t.get("tyre_pressure")->source(), path + ".tyre_pressure",
                            "does not agree with the wheels: load / tyre area is " +
                                std::to_string(p / u.stress));
            }
            if (g.has_position) {
                double xmax = -1e300, ymin = 1e300;
                for (const wheel &w : g.wheels) {
                    xmax = std::max(xmax, w.x + w.length / 2);
                    ymin = std::min(ymin, w.y - w.width / 2);
                }
                if (std::fabs(xmax - g.position[0]) > 1e-6 ||
                    std::fabs(ymin - g.position[1]) > 1e-6)
                    r.error(t.get("position")->source(), path + ".position",
                            "does not agree with the wheels (their front outer corner)");
            }
        }
        d.loads.push_back(g);
    }
}

// The deflectometer drops: [[fwd]] with position ("centre", "joint approach", "joint leave",
// "corner" or [x, y]), load (kN), radius (m) and sensors (m from the plate centre).
void read_fwd(reader &r, const toml::node *n, description &d, const unit_scale &u)
{
    if (!n) return;
    const toml::array *a = n->as_array();
    if (!a || !a->is_array_of_tables()) {
        r.error(n->source(), "fwd", "must be an array of tables ([[fwd]])");
        return;
    }
    const std::vector<double> tj = d.transverse_joints();
    for (std::size_t i = 0; i < a->size(); ++i) {
        const toml::table &t = *a->get(i)->as_table();
        const std::string path = "fwd[" + std::to_string(i) + "]";
        r.unknown_keys(t, path, {"position", "load", "radius", "sensors"});
        fwd_drop f;
        f.line = static_cast<int>(t.source().begin.line);
        f.load = r.number(t, path, "load", false, f.load / u.force, sign::positive) * u.force;
        f.radius =
            r.number(t, path, "radius", false, f.radius / u.length, sign::positive) * u.length;
        if (t.get("sensors")) {
            f.sensors.clear();
            for (double v : r.numbers(t, path, "sensors", false, true))
                f.sensors.push_back(v * u.length);
            if (f.sensors.empty() || f.sensors.front() != 0.0)
                r.error(t.get("sensors")->source(), path + ".sensors",
                        "must start with the sensor at the plate's centre (0)");
        }
        // the plate as the square of its area, 1 cm clear of a joint or an edge beside it
        const double half = f.radius * std::sqrt(M_PI) / 2, clear = 0.01;
        const double w0 = d.widths.empty() ? 0 : d.widths[0];
        const toml::node *p = t.get("position");
        const std::string label = p && p->is_string() ? *p->value<std::string>() : "";
        if (p && p->is_array()) {
            const toml::array *pa = p->as_array();
            if (pa->size() != 2 || !pa->get(0)->is_number() || !pa->get(1)->is_number()) {
                r.error(p->source(), path + ".position", "must be [x, y] (two numbers)");
                continue;
            }
            f.x = *pa->get(0)->value<double>() * u.length;
            f.y = *pa->get(1)->value<double>() * u.length;
            char b[80];
            std::snprintf(b, sizeof b, "at (%.3f, %.3f)", f.x, f.y);
            f.label = b;
        } else if (label == "centre" || !p) {
            f.label = "centre";
            f.x = d.lengths.empty() ? 0 : d.lengths[0] / 2;
            f.y = w0 / 2;
        } else if ((label == "joint approach" || label == "joint leave" || label == "corner") &&
                   !tj.empty()) {
            f.label = label;
            const bool leave = label == "joint leave";
            f.x = leave ? tj[0] + d.transverse.width + half + clear : tj[0] - half - clear;
            f.direction = leave ? -1 : 1; // the sensors across the joint
            f.y = label == "corner" ? half + clear : w0 / 2;
        } else {
            r.error(p->source(), path + ".position",
                    tj.empty() && label.rfind("joint", 0) == 0
                        ? "there is no transverse joint for a joint drop"
                        : "must be \"centre\", \"joint approach\", \"joint leave\", "
                          "\"corner\" or [x, y] (m)");
            continue;
        }
        const double lx = d.total_length(), ly = d.total_width();
        if (f.x - half < 0 || f.x + half > lx || f.y - half < 0 || f.y + half > ly) {
            r.error(t.source(), path + ".position", "the plate does not fit on the slabs");
            continue;
        }
        d.fwd.push_back(f);
    }
}

// The design check's tables: [design], [[traffic]], [wander], [[climate]].
void read_design(reader &r, const toml::table &root, description &d, const unit_scale &u)
{
    design_spec &g = d.design;
    if (const toml::table *t = r.table(root, "", "design")) {
        g.present = true;
        r.unknown_keys(*t, "design",
                       {"life", "transfer", "mr", "crack_limit", "c1", "c2", "c4", "c5", "curve",
                        "lane", "erosion_c1", "erosion_c2"});
        g.erosion_c1 = r.number(*t, "design", "erosion_c1", false, 1.0, sign::positive);
        g.erosion_c2 = r.number(*t, "design", "erosion_c2", false, -1.0, sign::positive);
        const double lane = r.number(*t, "design", "lane", false, 1, sign::positive);
        if (t->get("lane") && !whole_number(lane, 1, static_cast<double>(d.widths.size()), g.lane))
            r.error(t->get("lane")->source(), "design.lane",
                    "must be a row of slabs, 1 to " + std::to_string(d.widths.size()));
        g.life = r.number(*t, "design", "life", false, g.life, sign::positive);
        const std::string kind = r.text(*t, "design", "transfer", "pca", {"pca", "me", "user"});
        g.transfer.kind = kind == "me"     ? transfer_function::me
                          : kind == "user" ? transfer_function::user
                                           : transfer_function::pca;
        g.mr = r.number(*t, "design", "mr", false, 0, sign::positive) * u.stress;
        g.crack_limit = r.number(*t, "design", "crack_limit", false, g.crack_limit, sign::positive);
        g.transfer.c1 = r.number(*t, "design", "c1", false, g.transfer.c1, sign::positive);
        g.transfer.c2 = r.number(*t, "design", "c2", false, g.transfer.c2, sign::positive);
        g.transfer.c4 = r.number(*t, "design", "c4", false, g.transfer.c4, sign::positive);
        g.transfer.c5 = r.number(*t, "design", "c5", false, g.transfer.c5);
        if (const toml::node *c = t->get("curve")) {
            const toml::array *a = c->as_array();
            double last = -1;
            for (std::size_t k = 0; a && k < a->size(); ++k) {
                const toml::array *row = a->get(k)->as_array();
                const bool ok =
                    row && row->size() == 2 && row->get(0)->is_number() && row->get(1)->is_number();
                const double sr = ok ? *row->get(0)->value<double>() : 0;
                const double n = ok ? *row->get(1)->value<double>() : 0;
                if (!ok || !(sr > last) || !(n > 0)) {
                    r.error(a->get(k)->source(), "design.curve[" + std::to_string(k) + "]",
                            "must be [SR, N] with SR ascending and N positive");
                    continue;
                }
                g.transfer.curve.push_back({sr, n});
                last = sr;
            }
            if (!a) r.error(c->source(), "design.curve", "must be an array of [SR, N]");
        }
        if (g.transfer.kind == transfer_function::user && g.transfer.curve.size() < 2)
            r.error(t->source(), "design.curve",
                    "a user transfer function needs two points or more");
    }
    if (const toml::node *n = root.get("traffic")) {
        g.present = true;
        const toml::array *a = n->as_array();
        if (!a || !a->is_array_of_tables()) {
            r.error(n->source(), "traffic", "must be an array of tables ([[traffic]])");
        } else {
            for (std::size_t i = 0; i < a->size(); ++i) {
                const toml::table &t = *a->get(i)->as_table();
                const std::string path = "traffic[" + std::to_string(i) + "]";
                r.unknown_keys(t, path, {"axle", "load", "repetitions", "tyre_pressure"});
                traffic_row row;
                row.line = static_cast<int>(t.source().begin.line);
                row.axle =
                    r.text(t, path, "axle", "", {"single", "single-dual", "tandem", "tridem"});
                if (!t.get("axle")) r.error(t.source(), path + ".axle", "missing (required)");
                row.load = r.number(t, path, "load", true, 0, sign::positive) * u.force;
                row.repetitions = r.number(t, path, "repetitions", true, 0, sign::non_negative);
                row.pressure = r.number(t, path, "tyre_pressure", false, row.pressure / u.stress,
                                        sign::positive) *
                               u.stress;
                g.traffic.push_back(row);
            }
        }
    }
    if (const toml::table *t = r.table(root, "", "wander")) {
        g.present = true;
        r.unknown_keys(*t, "wander", {"mean", "sd", "positions", "from"});
        if (const toml::node *f = t->get("from")) {
            const std::string text = f->is_string() ? *f->value<std::string>() : "";
            int joint = 0;
            if (f->is_number()) {
                g.from = design_spec::line::stripe;
                g.from_y = *f->value<double>() * u.length;
            } else if (text == "edge") {
                g.from = design_spec::line::edge;
            } else if (joint_number(text, static_cast<int>(d.widths.size()) - 1, joint) &&
                       joint < static_cast<int>(d.widths.size())) {
                g.from = design_spec::line::joint;
                g.from_joint = joint;
            } else {
                r.error(f->source(), "wander.from",
                        "must be \"edge\", \"joint N\" (a longitudinal joint, 1 to " +
                            std::to_string(d.widths.size() > 1 ? d.widths.size() - 1 : 0) +
                            ") or the y of a lane stripe (m)");
            }
        }
        // negative: beyond the line (kept at a free edge, else where it runs)
        g.wander_mean = r.number(*t, "wander", "mean", false, g.wander_mean / u.length) * u.length;
        g.wander_sd =
            r.number(*t, "wander", "sd", false, g.wander_sd / u.length, sign::non_negative) *
            u.length;
        const double p = r.number(*t, "wander", "positions", false, 5, sign::positive);
        if (!whole_number(p, 1, 15, g.wander_points))
            r.error(t->get("positions")->source(), "wander.positions",
                    "must be a whole number from 1 to 15");
    }
    if (const toml::node *n = root.get("climate")) {
        g.present = true;
        const toml::array *a = n->as_array();
        if (!a || !a->is_array_of_tables()) {
            r.error(n->source(), "climate", "must be an array of tables ([[climate]])");
        } else {
            double sum = 0;
            for (std::size_t i = 0; i < a->size(); ++i) {
                const toml::table &t = *a->get(i)->as_table();
                const std::string path = "climate[" + std::to_string(i) + "]";
                r.unknown_keys(t, path, {"difference", "share"});
                climate_row row;
                row.difference = r.number(t, path, "difference", true, 0);
                row.share = r.number(t, path, "share", true, 0, sign::positive);
                sum += row.share;
                g.climate.push_back(row);
            }
            if (!a->empty() && std::fabs(sum - 1.0) > 1e-6)
                r.error(n->source(), "climate",
                        "the shares sum to " + std::to_string(sum) + ", not 1");
        }
    }
    if (g.climate.empty()) g.climate.push_back({0.0, 1.0});
}

// Where a key is in the description (its line), or the start when it is not there.
toml::source_region where(const toml::table &root, const char *path)
{
    const toml::node_view<const toml::node> n = root.at_path(path);
    return n ? n.node()->source() : root.source();
}

// Values an engineer's pavement lies within; outside them a unit was most likely mistyped.
void check_ranges(reader &r, const toml::table &root, const description &d)
{
    char t[300];
    // outside [lo, hi] a warning; outside [lo / far, hi * far] (a unit mistyped) a refusal
    auto outside = [&](const char *key, double v, double lo, double hi, double far,
                       const char *unit, const char *what) {
        if (v >= lo && v <= hi) return;
        const bool refuse = v < lo / far || v > hi * far;
        std::snprintf(t, sizeof t, "%.6g %s is %soutside %.6g to %.6g %s %s (check its unit)", v,
                      unit, refuse ? "far " : "", lo, hi, unit, what);
        if (refuse)
            r.error(where(root, key), key, t);
        else
            r.warn(where(root, key), key, t);
    };
    outside("slabs.E", d.e, 10000, 60000, 5, "MPa", "for concrete");
    if (d.has_foundation)
        outside("foundation.k", d.k, 10, 300, 10, "MPa/m", "for a modulus of subgrade reaction");
    const char *bar_keys[2] = {"joints.transverse.dowels.diameter",
                               "joints.longitudinal.ties.diameter"};
    const bar_set *bars[2] = {&d.transverse.bars, &d.longitudinal.bars};
    for (int k = 0; k < 2; ++k)
        if (bars[k]->present)
            outside(bar_keys[k], bars[k]->diameter * mm_per_m, 12, 50, 3, "mm",
                    "for a bar's diameter");
    const toml::source_region whole = root.source();
    for (std::size_t i = 0; i < d.loads.size(); ++i) {
        const load_group &g = d.loads[i];
        toml::source_region at = whole;
        at.begin.line = static_cast<toml::source_index>(g.line);
        const std::string path = "loads[" + std::to_string(i) + "]";
        for (const wheel &w : g.wheels) {
            const double p = contact_pressure(w.load, w.length * w.width);
            if (p >= 0.3 && p <= 2.0) continue;
            const bool refuse = p < 0.01 || p > 10;
            std::snprintf(t, sizeof t,
                          "a tyre pressure of %.4g MPa is %soutside 0.3 to 2 MPa (check the load "
                          "in kN and the tyre sizes in m)",
                          p, refuse ? "far " : "");
            if (refuse)
                r.error(at, path, t);
            else
                r.warn(at, path, t);
            break;
        }
        for (std::size_t j = 0; j < i; ++j) {
            const load_group &o = d.loads[j];
            bool same = o.wheels.size() == g.wheels.size();
            for (std::size_t k = 0; same && k < g.wheels.size(); ++k)
                same = std::fabs(o.wheels[k].x - g.wheels[k].x) < 1e-9 &&
                       std::fabs(o.wheels[k].y - g.wheels[k].y) < 1e-9 &&
                       std::fabs(o.wheels[k].length - g.wheels[k].length) < 1e-9 &&
                       std::fabs(o.wheels[k].width - g.wheels[k].width) < 1e-9;
            if (same)
                r.error(at, path,
                        "the same tyres as loads[" + std::to_string(j) + "] (given twice?)");
        }
    }
    // tyres that overlap, in one group or across groups
    std::vector<std::pair<int, const wheel *>> all;
    for (std::size_t i = 0; i < d.loads.size(); ++i)
        for (const wheel &w : d.loads[i].wheels) all.push_back({static_cast<int>(i), &w});
    for (std::size_t a = 0; a < all.size(); ++a)
        for (std::size_t b = 0; b < a; ++b) {
            const wheel &p = *all[a].second, &q = *all[b].second;
            const double ox = std::min(p.x + p.length / 2, q.x + q.length / 2) -
                              std::max(p.x - p.length / 2, q.x - q.length / 2);
            const double oy = std::min(p.y + p.width / 2, q.y + q.width / 2) -
                              std::max(p.y - p.width / 2, q.y - q.width / 2);
            if (ox > 1e-6 && oy > 1e-6 && all[a].first != all[b].first) {
                toml::source_region at = whole;
                at.begin.line = static_cast<toml::source_index>(d.loads[all[a].first].line);
                std::snprintf(t, sizeof t,
                              "a tyre at (%.3f, %.3f) m overlaps one of loads[%d] at (%.3f, "
                              "%.3f) m",
                              p.x, p.y, all[b].first, q.x, q.y);
                r.error(at, "loads[" + std::to_string(all[a].first) + "]", t);
                return;
            }
            if (ox > 1e-6 && oy > 1e-6) {
                toml::source_region at = whole;
                at.begin.line = static_cast<toml::source_index>(d.loads[all[a].first].line);
                std::snprintf(t, sizeof t,
                              "two of its tyres overlap, at (%.3f, %.3f) and (%.3f, %.3f) m", p.x,
                              p.y, q.x, q.y);
                r.error(at, "loads[" + std::to_string(all[a].first) + "]", t);
                return;
            }
        }
}

// The interlock given as agg or lte turned into the shear stiffness per unit area of the joint
// face: AGG = agg k l (MPa: force per length of joint per unit differential deflection) spread
// over the slab's depth, AGG / h; lte through the relation of load transfer to AGG / (k l).
void resolve_interlock(reader &r, const toml::table &root, description &d)
{
    const char *paths[2] = {"joints.transverse", "joints.longitudinal"};
    joint_set *sets[2] = {&d.transverse, &d.longitudinal};
    for (int k = 0; k < 2; ++k) {
        joint_set &j = *sets[k];
        if (j.entry == interlock_entry::stiffness) continue;
        if (!d.has_foundation) {
            r.error(where(root, paths[k]), paths[k],
                    "agg and lte are relative to the support's k: they need [foundation] k "
                    "(else give stiffness in MPa/mm)");
            continue;
        }
        const double agg_kl = j.entry == interlock_entry::agg ? j.entered : agg_of_lte(j.entered);
        j.stiffness = agg_kl * d.k * relative_stiffness_radius(d) / d.thickness;
    }
}

// Checks what needs the whole description: wheels on the slabs, bars that fit, sizes.
void check_whole(reader &r, const toml::table &root, description &d)
{
    const toml::source_region whole = root.source();
    // sizes an engineer's pavement stays within (and the mesh can be planned with)
    for (std::size_t i = 0; i < d.lengths.size(); ++i)
        if (d.lengths[i] > 100)
            r.error(where(root, "slabs.lengths"), "slabs.lengths[" + std::to_string(i) + "]",
                    "a slab longer than 100 m");
    for (std::size_t i = 0; i < d.widths.size(); ++i)
        if (d.widths[i] > 100)
            r.error(where(root, "slabs.widths"), "slabs.widths[" + std::to_string(i) + "]",
                    "a slab wider than 100 m");
    if (d.lengths.size() > 50 || d.widths.size() > 50)
        r.error(where(root, "slabs"), "slabs", "more than 50 slabs in a row or column");
    if (d.thickness > 2)
        r.error(where(root, "slabs.thickness"), "slabs.thickness", "a slab thicker than 2 m");
    for (std::size_t i = 0; i < d.layers.size(); ++i)
        if (d.layers[i].thickness > 50)
            r.error(where(root, "layers"), "layers[" + std::to_string(i) + "].thickness",
                    "a layer thicker than 50 m");
    if (d.size < 0.005) r.error(where(root, "mesh.size"), "mesh.size", "must be at least 5 mm");
    if (d.size_near_loads < 0.002 || d.size_near_joints < 0.002)
        r.error(where(root, "mesh"), "mesh", "sizes near loads and joints must be at least 2 mm");
    if (d.margin > 50) r.error(where(root, "mesh.margin"), "mesh.margin", "must be at most 50 m");
    if (!r.ok()) return;
    const double lx = d.total_length(), ly = d.total_width();
    for (std::size_t i = 0; i < d.loads.size(); ++i) {
        const load_group &g = d.loads[i];
        toml::source_region at = whole;
        at.begin.line = static_cast<toml::source_index>(g.line);
        for (std::size_t k = 0; k < g.wheels.size(); ++k) {
            const wheel &w = g.wheels[k];
            const double x0 = w.x - w.length / 2, x1 = w.x + w.length / 2;
            const double y0 = w.y - w.width / 2, y1 = w.y + w.width / 2;
            if (x0 < -1e-9 || y0 < -1e-9 || x1 > lx + 1e-9 || y1 > ly + 1e-9) {
                char b[300];
                std::snprintf(b, sizeof b,
                              "tyre %zu lies at x %.4g..%.4g, y %.4g..%.4g, off the slabs "
                              "(x 0..%.4g, y 0..%.4g m)",
                              k, x0, x1, y0, y1, lx, ly);
                r.error(at, "loads[" + std::to_string(i) + "]", b);
            }
        }
    }
    struct named {
        const char *path;
        const joint_set *j;
        const std::vector<double> *spans; // slab spans the bars reach into
    } joints[2] = {{"joints.transverse.dowels", &d.transverse, &d.lengths},
                   {"joints.longitudinal.ties", &d.longitudinal, &d.widths}};
    for (const named &n : joints) {
        const bar_set &b = n.j->bars;
        if (!b.present) continue;
        double shortest = 1e300;
        for (double s : *n.spans) shortest = std::min(shortest, s);
        if (b.length / 2 >= shortest)
            r.error(where(root, n.path), n.path,
                    "a bar of length " + std::to_string(b.length) +
                        " m reaches past the far edge of a slab " + std::to_string(shortest) +
                        " m long");
        if (b.length <= n.j->width)
            r.error(where(root, n.path), n.path, "the bar must be longer than the joint is wide");
    }
    // bars asked for must be placed: a joint to cross and at least one bar on each slab edge
    for (const named &n : joints) {
        const bar_set &b = n.j->bars;
        if (!b.present) continue;
        toml::source_region at = whole;
        at.begin.line = static_cast<toml::source_index>(b.line);
        const bool transverse = n.j == &d.transverse;
        const std::vector<double> &along = transverse ? d.widths : d.lengths;
        if ((transverse ? d.lengths : d.widths).size() < 2) {
            r.error(at, n.path,
                    std::string("there is no ") + (transverse ? "transverse" : "longitudinal") +
                        " joint for the bars to cross (one slab " +
                        (transverse ? "along x" : "across y") + ")");
            continue;
        }
        const double first = b.first >= 0 ? b.first : b.spacing / 2;
        for (double edge : along)
            if (bars_along(edge, first, b.spacing) == 0) {
                char t[200];
                std::snprintf(t, sizeof t,
                              "no bar fits a slab edge %.4g m long with the first bar %.4g m in "
                              "and a spacing of %.4g m (lengths in m)",
                              edge, first, b.spacing);
                r.error(at, n.path, t);
                break;
            }
    }
    if (d.elements_through_slab < 1 || d.elements_through_slab > 32)
        r.error(where(root, "mesh.elements_through_slab"), "mesh.elements_through_slab",
                "must be from 1 to 32");
    if (d.growth < 1.05 || d.growth > 1.5)
        r.error(where(root, "mesh.growth"), "mesh.growth",
                "must be from 1.05 to 1.5 (the ratio of neighbour sizes)");
    if (d.size_near_loads > d.size)
        r.error(where(root, "mesh.size_near_loads"), "mesh.size_near_loads",
                "must not exceed mesh.size");
    // the gap of a joint that exists is one interval of the grid: the sizes near it are wider
    const bool exists[2] = {d.lengths.size() > 1, d.widths.size() > 1};
    const joint_set *sets[2] = {&d.transverse, &d.longitudinal};
    for (int k = 0; k < 2; ++k) {
        if (!exists[k]) continue;
        const double w = sets[k]->width, smallest = std::min(d.size_near_loads, d.size_near_joints);
        if (w * 4 > smallest) {
            const char *key = d.size_near_loads < d.size_near_joints ? "mesh.size_near_loads"
                                                                     : "mesh.size_near_joints";
            r.error(where(root, key), key,
                    std::string("the ") + (k == 0 ? "transverse" : "longitudinal") + " joint is " +
                        std::to_string(w) +
                        " m wide: the mesh sizes near loads and joints must be at least four "
                        "times that");
        }
    }
    check_ranges(r, root, d);
    resolve_interlock(r, root, d);
    if (d.layers.empty() && !d.has_foundation)
        r.error(whole, "foundation", "missing: the slabs need layers or a foundation under them");
    (void)whole;
}

} // namespace

int elements_through(double thickness)
{
    // bricks no thicker than 4 cm and never fewer than 4: the tension under a tyre on a thick
    // slab converges through the depth as it does on a 0.25 m slab with 4 elements
    return static_cast<int>(std::clamp(std::ceil(thickness / 0.04 - 1e-9), 4.0, 16.0));
}

int bars_along(double edge, double first, double spacing)
{
    int n = 0;
    for (double s = first; s <= edge - first + 1e-6; s += spacing) ++n;
    return n;
}

double relative_stiffness_radius(const description &d)
{
    const double h = d.thickness;
    return std::pow(d.e * h * h * h / (12.0 * (1.0 - d.nu * d.nu) * d.k), 0.25);
}

double lte_of_agg(double agg_kl)
{
    return agg_kl > 0 ? 1.0 / (1.0 + 1.2 * std::pow(agg_kl, -0.849)) : 0.0;
}

double agg_of_lte(double lte)
{
    return std::pow(1.2 / (1.0 / lte - 1.0), 1.0 / 0.849);
}

double description::total_length() const
{
    double s = 0;
    for (double l : lengths) s += l;
    return s + (lengths.empty() ? 0 : transverse.width * (lengths.size() - 1));
}

double description::total_width() const
{
    double s = 0;
    for (double w : widths) s += w;
    return s + (widths.empty() ? 0 : longitudinal.width * (widths.size() - 1));
}

std::vector<double> description::transverse_joints() const
{
    std::vector<double> x;
    double at = 0;
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i) {
        at += lengths[i];
        x.push_back(at);
        at += transverse.width;
    }
    return x;
}

bool wander_line(const description &d, lane_line &line, std::string &why)
{
    const design_spec &g = d.design;
    return line_of_lane(d, g.from, g.from_joint, g.from_y, g.lane, line, why);
}

bool line_of_lane(const description &d, design_spec::line kind, int joint, double stripe, int lane,
                  lane_line &line, std::string &why)
{
    const int rows = static_cast<int>(d.widths.size());
    if (lane < 1 || lane > rows) {
        why = "lane: row " + std::to_string(lane) + " is not a row of the slabs (1 to " +
              std::to_string(rows) + ")";
        return false;
    }
    // the lane row's edges
    double lo = 0;
    for (int r = 1; r < lane; ++r) lo += d.widths[r - 1] + d.longitudinal.width;
    const double hi = lo + d.widths[lane - 1];
    char b[160];
    switch (kind) {
    case design_spec::line::edge:
        if (lane != 1 && lane != rows) {
            why = "wander.from: the lane (row " + std::to_string(lane) +
                  ") has no free edge; measure from a joint or a stripe";
            return false;
        }
        line.y = lane == 1 ? 0.0 : hi;
        line.toward = lane == 1 ? 1 : -1;
        line.free_edge = true;
        std::snprintf(b, sizeof b, "the lane's free edge (y = %.3f m)", line.y);
        break;
    case design_spec::line::joint: {
        const double yj = d.longitudinal_joints()[static_cast<std::size_t>(joint - 1)];
        if (joint == lane - 1) { // the joint below the lane
            line.y = yj + d.longitudinal.width;
            line.toward = 1;
        } else if (joint == lane) { // the joint above it
            line.y = yj;
            line.toward = -1;
        } else {
            why = "wander.from: joint " + std::to_string(joint) +
                  " does not border the lane (row " + std::to_string(lane) + ")";
            return false;
        }
        line.free_edge = false;
        std::snprintf(b, sizeof b, "longitudinal joint %d (the lane's face at y = %.3f m)", joint,
                      line.y);
        break;
    }
    case design_spec::line::stripe:
        if (!(stripe > lo && stripe < hi)) {
            std::snprintf(b, sizeof b,
                          "wander.from: a stripe at y = %.3f m is not inside the lane (%.3f to "
                          "%.3f m)",
                          stripe, lo, hi);
            why = b;
            return false;
        }
        line.y = stripe;
        // into the lane: toward its wider side
        line.toward = stripe - lo < hi - stripe ? 1 : -1;
        line.free_edge = false;
        std::snprintf(b, sizeof b, "the lane stripe at y = %.3f m", line.y);
        break;
    }
    line.name = b;
    return true;
}

std::vector<double> description::longitudinal_joints() const
{
    std::vector<double> y;
    double at = 0;
    for (std::size_t i = 0; i + 1 < widths.size(); ++i) {
        at += widths[i];
        y.push_back(at);
        at += longitudinal.width;
    }
    return y;
}

bool parse_description(const std::string &text, const std::string &name, description &d,
                       std::vector<std::string> &errors, const offered_names &offered)
{
    d = description{};
    d.file = name;
    toml::table root;
    try {
        root = toml::parse(text, name);
    } catch (const toml::parse_error &e) {
        std::ostringstream o;
        o << name << ":" << e.source().begin.line << ": not TOML: " << e.description();
        errors.push_back(o.str());
        return false;
    }
    reader r(name, errors);
    r.unknown_keys(root, "",
                   {"title", "units", "slabs", "layers", "foundation", "interface", "joints",
                    "loads", "temperature", "mesh", "analysis", "report", "design", "traffic",
                    "wander", "climate", "fwd"});
    d.title = r.text(root, "", "title", "");
    d.kgf_cm = r.text(root, "", "units", "SI", {"SI", "kgf-cm"}) == "kgf-cm";
    const unit_scale u = scale_of(d.kgf_cm);

    if (const toml::table *s = r.table(root, "", "slabs")) {
        r.unknown_keys(*s, "slabs",
                       {"lengths", "widths", "thickness", "E", "nu", "density", "alpha", "row_E"});
        for (double v : r.numbers(*s, "slabs", "lengths", true)) d.lengths.push_back(v * u.length);
        for (double v : r.numbers(*s, "slabs", "widths", true)) d.widths.push_back(v * u.length);
        if (const toml::node *re = s->get("row_E")) {
            for (double v : r.numbers(*s, "slabs", "row_E", false)) d.row_e.push_back(v * u.stress);
            if (!d.row_e.empty() && d.row_e.size() != d.widths.size())
                r.error(re->source(), "slabs.row_E",
                        "must give one E per row of slabs (" + std::to_string(d.widths.size()) +
                            ")");
        }
        d.thickness = r.number(*s, "slabs", "thickness", true, 0, sign::positive) * u.length;
        d.e = r.number(*s, "slabs", "E", true, 0, sign::positive) * u.stress;
        d.nu = r.number(*s, "slabs", "nu", false, d.nu, sign::non_negative);
        d.density = r.number(*s, "slabs", "density", false, 0, sign::non_negative);
        d.alpha = r.number(*s, "slabs", "alpha", false, d.alpha, sign::non_negative);
        if (d.nu >= 0.5) r.error(s->get("nu")->source(), "slabs.nu", "must be below 0.5");
    } else {
        r.error(root.source(), "slabs", "missing (required)");
    }

    if (const toml::node *ln = root.get("layers")) {
        const toml::array *a = ln->as_array();
        if (!a || !a->is_array_of_tables()) {
            r.error(ln->source(), "layers", "must be an array of tables ([[layers]])");
        } else {
            for (std::size_t i = 0; i < a->size(); ++i) {
                const toml::table &t = *a->get(i)->as_table();
                const std::string path = "layers[" + std::to_string(i) + "]";
                r.unknown_keys(t, path, {"name", "thickness", "E", "nu", "density"});
                layer_spec l;
                l.name = r.text(t, path, "name", "layer " + std::to_string(i + 1));
                l.thickness = r.number(t, path, "thickness", true, 0, sign::positive) * u.length;
                l.e = r.number(t, path, "E", true, 0, sign::positive) * u.stress;
                l.nu = r.number(t, path, "nu", false, 0.3, sign::non_negative);
                l.density = r.number(t, path, "density", false, 0, sign::non_negative);
                if (l.nu >= 0.5) r.error(t.get("nu")->source(), path + ".nu", "must be below 0.5");
                d.layers.push_back(l);
            }
        }
    }
    if (const toml::table *f = r.table(root, "", "foundation")) {
        r.unknown_keys(*f, "foundation", {"k", "tensionless"});
        d.has_foundation = true;
        d.k = r.number(*f, "foundation", "k", true, 0, sign::positive) * u.spring;
        d.tensionless = r.boolean(*f, "foundation", "tensionless", false);
    }
    if (const toml::table *i = r.table(root, "", "interface")) {
        r.unknown_keys(*i, "interface", {"bonded", "shear_stiffness", "tensionless"});
        d.bonded = r.boolean(*i, "interface", "bonded", false);
        d.interface_shear = r.number(*i, "interface", "shear_stiffness", false,
                                     d.interface_shear / u.joint, sign::non_negative) *
                            u.joint;
        d.interface_tensionless = r.boolean(*i, "interface", "tensionless", false);
    }
    if (const toml::table *j = r.table(root, "", "joints"))
        r.unknown_keys(*j, "joints", {"transverse", "longitudinal"});
    read_joint(r, root, "transverse", d.transverse, "dowels", u);
    read_joint(r, root, "longitudinal", d.longitudinal, "ties", u);
    read_loads(r, root.get("loads"), d, u);
    if (const toml::table *t = r.table(root, "", "temperature")) {
        r.unknown_keys(*t, "temperature", {"difference", "profile", "mid", "built_in"});
        d.built_in = r.number(*t, "temperature", "built_in", false, 0);
        d.temperature_difference =
            r.number(*t, "temperature", "difference", !t->get("built_in"), 0);
        d.quadratic =
            r.text(*t, "temperature", "profile", "linear", {"linear", "quadratic"}) == "quadratic";
        d.temperature_mid = r.number(*t, "temperature", "mid", false, 0);
        if (t->get("mid") && !d.quadratic)
            r.error(t->get("mid")->source(), "temperature.mid",
                    "only a quadratic profile has a mid-depth value");
    }
    if (const toml::table *m = r.table(root, "", "mesh")) {
        r.unknown_keys(*m, "mesh",
                       {"size", "size_near_loads", "size_near_joints", "elements_through_slab",
                        "growth", "margin"});
        d.size = r.number(*m, "mesh", "size", false, d.size / u.length, sign::positive) * u.length;
        d.size_near_loads = r.number(*m, "mesh", "size_near_loads", false,
                                     d.size_near_loads / u.length, sign::positive) *
                            u.length;
        d.size_near_joints = r.number(*m, "mesh", "size_near_joints", false,
                                      d.size_near_joints / u.length, sign::positive) *
                             u.length;
        const double n = r.number(*m, "mesh", "elements_through_slab", false, 0, sign::positive);
        // (checked for its range with the whole description: 1 to 32)
        d.elements_through_slab = n > 0 && n <= 1000 ? static_cast<int>(n) : 1000;
        d.elements_given = m->get("elements_through_slab") != nullptr;
        if (n != std::floor(n))
            r.error(m->get("elements_through_slab")->source(), "mesh.elements_through_slab",
                    "must be a whole number");
        d.growth = r.number(*m, "mesh", "growth", false, d.growth, sign::positive);
        d.margin = r.number(*m, "mesh", "margin", false, d.margin / u.length, sign::non_negative) *
                   u.length;
    }
    if (const toml::table *a = r.table(root, "", "analysis")) {
        r.unknown_keys(*a, "analysis", {"element", "solver"});
        std::vector<std::string> solvers = offered.solvers;
        if (!solvers.empty()) solvers.insert(solvers.begin(), "auto");
        d.element = r.text(*a, "analysis", "element", d.element, offered.elements);
        d.solver = r.text(*a, "analysis", "solver", d.solver, solvers);
    }
    if (const toml::table *p = r.table(root, "", "report")) {
        r.unknown_keys(*p, "report", {"fc", "mr"});
        d.fc = r.number(*p, "report", "fc", false, 0, sign::positive) * u.stress;
        d.mr = r.number(*p, "report", "mr", false, 0, sign::positive) * u.stress;
    }
    read_design(r, root, d, u);
    read_fwd(r, root.get("fwd"), d, u);
    if (d.design.present && !d.widths.empty() && errors.empty()) {
        lane_line line;
        std::string why;
        if (!wander_line(d, line, why))
            r.error(where(root, root.get("wander") ? "wander" : "design"),
                    why.substr(0, why.find(':')), why.substr(why.find(':') + 2));
    }
    if (!d.elements_given) d.elements_through_slab = elements_through(d.thickness);
    if (errors.empty()) check_whole(r, root, d);
    d.warnings = r.warnings_;
    return errors.empty();
}

bool read_description(const std::string &path, description &d, std::vector<std::string> &errors,
                      const offered_names &offered)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errors.push_back(path + ": cannot be opened");
        return false;
    }
    std::stringstream s;
    s << in.rdbuf();
    return parse_description(s.str(), path, d, errors, offered);
}
