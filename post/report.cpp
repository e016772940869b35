// The engineering report of a result set: what was analysed, the critical slab stresses from
// the slab's own elements, deflection, joint opening and load transfer, dowel bearing and
// steel stresses.
#include "report.h"
#include "unit_factors.h"

#include "dowel_check.h"
#include "material_code.h"
#include "principal.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

namespace
{

const double nan_value = std::nan("");

// Largest principal value of the symmetric tensor s = (xx, yy, zz, yz, zx, xy).
double largest_principal(const double *s)
{
    double v[3];
    principal_values(s, v);
    return v[2];
}

// Brick shape-function derivatives at (xi, eta, zeta); nodes 0-3 at zeta = -1, 4-7 at +1.
void brick_derivatives(double xi, double eta, double zeta, double dn[24])
{
    static const double nx[8] = {-1, 1, 1, -1, -1, 1, 1, -1}, ny[8] = {-1, -1, 1, 1, -1, -1, 1, 1},
                        nz[8] = {-1, -1, -1, -1, 1, 1, 1, 1};
    for (int k = 0; k < 8; ++k) {
        dn[3 * k] = nx[k] * (1 + ny[k] * eta) * (1 + nz[k] * zeta) / 8;
        dn[3 * k + 1] = ny[k] * (1 + nx[k] * xi) * (1 + nz[k] * zeta) / 8;
        dn[3 * k + 2] = nz[k] * (1 + nx[k] * xi) * (1 + ny[k] * eta) / 8;
    }
}

// Volume of a (trilinear) element by the 2 x 2 x 2 Gauss rule.
double element_volume(const result_set &rs, int e)
{
    const double g = 0.5773502691896258;
    double v = 0.0;
    for (int i = 0; i < 8; ++i) {
        double dn[24], j[9] = {};
        brick_derivatives(i & 1 ? g : -g, i & 2 ? g : -g, i & 4 ? g : -g, dn);
        for (int k = 0; k < 8; ++k) {
            const double *x = &rs.coords[3 * static_cast<std::size_t>(rs.conn[9 * e + k])];
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) j[3 * a + b] += dn[3 * k + a] * x[b];
        }
        v += std::fabs(j[0] * (j[4] * j[8] - j[5] * j[7]) - j[1] * (j[3] * j[8] - j[5] * j[6]) +
                       j[2] * (j[3] * j[7] - j[4] * j[6]));
    }
    return v;
}

void cross(const double *a, const double *b, double *c)
{
    c[0] = a[1] * b[2] - a[2] * b[1];
    c[1] = a[2] * b[0] - a[0] * b[2];
    c[2] = a[0] * b[1] - a[1] * b[0];
}

bool normalise(double *v)
{
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(l > 0.0)) return false;
    for (int k = 0; k < 3; ++k) v[k] /= l;
    return true;
}

// Force of a loaded face in global axes: the corner tractions act along the face frame of its
// nodes 0, 1, 2 (e1 along 0->1, e3 = (x1 - x0) x (x2 - x0), e2 = e3 x e1), interpolated over the
// bilinear face and integrated by the 2 x 2 Gauss rule.
void face_force(const result_set &rs, int f, double force[3], double centre[3])
{
    const double *x[4];
    for (int k = 0; k < 4; ++k)
        x[k] = &rs.coords[3 * static_cast<std::size_t>(rs.face_nodes[4 * f + k])];
    double e1[3], e2[3], e3[3], a[3], b[3];
    for (int k = 0; k < 3; ++k) {
        e1[k] = x[1][k] - x[0][k];
        a[k] = x[1][k] - x[0][k];
        b[k] = x[2][k] - x[0][k];
    }
    cross(a, b, e3);
    force[0] = force[1] = force[2] = 0.0;
    centre[0] = centre[1] = centre[2] = 0.0;
    if (!normalise(e1) || !normalise(e3)) return;
    cross(e3, e1, e2);
    const double g = 0.5773502691896258, nx[4] = {-1, 1, 1, -1}, ny[4] = {-1, -1, 1, 1};
    double local[3] = {0, 0, 0}, area = 0.0;
    for (int i = 0; i < 4; ++i) {
        const double xi = i & 1 ? g : -g, eta = i & 2 ? g : -g;
        double n[4], dxi[3] = {}, deta[3] = {}, p[3] = {}, da[3];
        for (int k = 0; k < 4; ++k) {
            n[k] = (1 + nx[k] * xi) * (1 + ny[k] * eta) / 4;
            for (int c = 0; c < 3; ++c) {
                dxi[c] += nx[k] * (1 + ny[k] * eta) / 4 * x[k][c];
                deta[c] += ny[k] * (1 + nx[k] * xi) / 4 * x[k][c];
                p[c] += n[k] * rs.face_vals[12 * static_cast<std::size_t>(f) + 3 * k + c];
            }
        }
        cross(dxi, deta, da);
        const double w = std::sqrt(da[0] * da[0] + da[1] * da[1] + da[2] * da[2]);
        area += w;
        for (int c = 0; c < 3; ++c) local[c] += p[c] * w;
    }
    for (int c = 0; c < 3; ++c) {
        force[c] = local[0] * e1[c] + local[1] * e2[c] + local[2] * e3[c];
        centre[c] = (x[0][c] + x[1][c] + x[2][c] + x[3][c]) / 4;
    }
    (void)area;
}

bool joint_normal(const result_set &rs, int e, double n[3])
{
    const double *x0 = &rs.coords[3 * static_cast<std::size_t>(rs.conn[9 * e])];
    const double *x1 = &rs.coords[3 * static_cast<std::size_t>(rs.conn[9 * e + 1])];
    const double *x2 = &rs.coords[3 * static_cast<std::size_t>(rs.conn[9 * e + 2])];
    const double a[3] = {x1[0] - x0[0], x1[1] - x0[1], x1[2] - x0[2]};
    const double b[3] = {x2[0] - x0[0], x2[1] - x0[1], x2[2] - x0[2]};
    cross(a, b, n);
    return normalise(n);
}

double span_tolerance(const result_set &rs)
{
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (int n = 0; n < rs.np; ++n)
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], rs.coords[3 * n + k]);
            hi[k] = std::max(hi[k], rs.coords[3 * n + k]);
        }
    return 1e-6 * std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 1.0});
}

// The stress of the first slab material that has a row at node n, or null.
const double *slab_stress(const result_set &rs, const std::vector<int> &slabs, int n)
{
    for (int m : slabs) {
        const std::int64_t r = rs.material_row(n, m);
        if (r >= 0 && rs.mst.count[r] > 0) return &rs.mst.stress[6 * r];
    }
    return nullptr;
}

void describe_inputs(const result_set &rs, report_data &r, double ztop, double tol)
{
    // layers: every solid material in use, with its z range
    std::map<int, layer_row> layers;
    std::map<int, joint_row> joints;
    for (int e = 0; e < rs.ne; ++e) {
        const int m = rs.conn[9 * e + 8], kind = rs.material_kind(m);
        const double *v = &rs.mats[12 * static_cast<std::size_t>(m)];
        if (kind == 0) {
            auto [it, fresh] = layers.try_emplace(m);
            layer_row &l = it->second;
            if (fresh) {
                l.material = m;
                l.top = -1e300;
                l.bottom = 1e300;
                l.e = v[0];
                l.nu = v[1];
                l.unit_weight = v[2];
                l.alpha = v[3];
            }
            for (int k = 0; k < 8; ++k) {
                const double z = rs.coords[3 * static_cast<std::size_t>(rs.conn[9 * e + k]) + 2];
                l.top = std::max(l.top, z);
                l.bottom = std::min(l.bottom, z);
            }
            r.self_weight += v[2] * element_volume(rs, e);
        } else if (is_joint_code(kind)) {
            auto [it, fresh] = joints.try_emplace(m);
            joint_row &j = it->second;
            if (fresh) {
                j.material = m;
                j.kind = kind;
                j.kt1 = v[0];
                j.kt2 = v[1];
                j.kn = v[2];
                j.opening_limit = v[5];
            }
            double n[3];
            if (joint_normal(rs, e, n) && std::fabs(n[2]) < 0.5) j.vertical = true;
            ++j.elements;
        }
    }
    for (auto &[m, l] : layers) {
        const double *v = &rs.mats[12 * static_cast<std::size_t>(m)];
        auto temperature = [v](double z) { return v[5] * z * z + v[6] * z + v[7]; };
        l.t_top = temperature(l.top);
        l.t_bottom = temperature(l.bottom);
        if (v[3] != 0.0 && (v[5] != 0.0 || v[6] != 0.0 || v[7] != 0.0)) r.has_temperature = true;
        l.slab = std::fabs(l.top - ztop) <= tol;
        r.layers.push_back(l);
    }
    std::sort(r.layers.begin(), r.layers.end(),
              [](const layer_row &a, const layer_row &b) { return a.top > b.top; });
    for (auto &[m, j] : joints) r.joint_materials.push_back(j);

    double weighted[2] = {0, 0};
    for (int f = 0; f < rs.nedge; ++f) {
        double force[3], centre[3];
        face_force(rs, f, force, centre);
        r.load_total -= force[2];
        weighted[0] -= force[2] * centre[0];
        weighted[1] -= force[2] * centre[1];
    }
    r.loaded_faces = rs.nedge;
    if (r.load_total != 0.0)
        for (int k = 0; k < 2; ++k) r.load_centre[k] = weighted[k] / r.load_total;
    r.dowel_count = rs.ndowel;
    r.dowel_types = rs.ndtype;
}

// The largest principal stress in the plane of the slab's surface, from (Sx, Sy, Sxy): at the
// top and bottom faces the bending stresses are in that plane (Sz and the transverse shears
// vanish at a free surface; at a supported bottom Sz is the contact pressure), and a coarse
// element's Sz at a face near a concentrated force (a dowel's end) is not the slab's stress.
double in_plane_principal(const double *s)
{
    return ::in_plane_principal(s[0], s[1], s[5]);
}

void find_slab_extremes(const result_set &rs, report_data &r, double tol)
{
    for (int mat : r.slab_materials) {
        const layer_row *l = nullptr;
        for (const layer_row &x : r.layers)
            if (x.material == mat) l = &x;
        for (const bool top : {true, false}) {
            slab_extreme s;
            s.material = mat;
            s.top = top;
            const double face = top ? l->top : l->bottom;
            for (int n = 0; n < rs.np; ++n) {
                if (std::fabs(rs.coords[3 * n + 2] - face) > tol) continue;
                const std::int64_t row = rs.material_row(n, mat);
                if (row < 0 || rs.mst.count[row] == 0) continue;
                const double s3 = in_plane_principal(&rs.mst.stress[6 * row]);
                if (s.node < 0 || s3 > s.s3) {
                    s.node = n;
                    s.s3 = s3;
                    for (int k = 0; k < 3; ++k) s.xyz[k] = rs.coords[3 * n + k];
                    for (int k = 0; k < 6; ++k) s.stress[k] = rs.mst.stress[6 * row + k];
                }
            }
            r.slab.push_back(s);
        }
    }
}

void find_joints(const result_set &rs, const result_set &ld, report_data &r, double ztop,
                 double tol)
{
    // the slab bottom of each node's slab material, for the stress-based transfer
    std::map<int, double> slab_bottom;
    for (const layer_row &l : r.layers)
        if (l.slab) slab_bottom[l.material] = l.bottom;
    std::map<std::pair<int, long long>, joint_plane> planes;
    std::map<std::pair<int, long long>, std::set<std::pair<int, int>>> bottom_pairs;
    std::set<std::pair<int, int>> seen;
    for (int e = 0; e < rs.ne; ++e) {
        if (!is_joint_code(rs.material_kind(rs.conn[9 * e + 8]))) continue;
        double nrm[3];
        if (!joint_normal(rs, e, nrm)) continue;
        const int *el = &rs.conn[9 * e];
        if (std::fabs(nrm[2]) > 0.5) continue; // a horizontal interface, not a slab joint
        for (int k = 0; k < 4; ++k) {
            const double *ua = &rs.disp[3 * static_cast<std::size_t>(el[k])];
            const double *ub = &rs.disp[3 * static_cast<std::size_t>(el[k + 4])];
            double opening = 0;
            for (int c = 0; c < 3; ++c) opening += (ub[c] - ua[c]) * nrm[c];
            if (opening > r.max_opening) {
                r.max_opening = opening;
                for (int c = 0; c < 3; ++c) r.opening_xyz[c] = rs.coords[3 * el[k] + c];
            }
        }
        const int axis = std::fabs(nrm[0]) >= std::fabs(nrm[1]) ? 0 : 1;
        const double position = rs.coords[3 * static_cast<std::size_t>(el[0]) + axis];
        const auto key = std::make_pair(axis, std::llround(position * 100.0));
        joint_plane &p = planes[key];
        p.axis = axis;
        p.position = position;
        ++p.elements;
        for (int k = 0; k < 4; ++k) {
            const int na = el[k], nb = el[k + 4];
            const double za = rs.coords[3 * na + 2], zb = rs.coords[3 * nb + 2];
            bool at_bottom = false;
            for (const auto &[m, zb_slab] : slab_bottom)
                if (std::fabs(za - zb_slab) <= tol && std::fabs(zb - zb_slab) <= tol)
                    at_bottom = true;
            if (at_bottom) bottom_pairs[key].insert({std::min(na, nb), std::max(na, nb)});
            if (std::fabs(za - ztop) > tol || std::fabs(zb - ztop) > tol) continue;
            if (!seen.insert({std::min(na, nb), std::max(na, nb)}).second) continue;
            const double wa = ld.disp[3 * na + 2], wb = ld.disp[3 * nb + 2];
            if (wa == 0.0 && wb == 0.0) continue; // no deflection, no transfer to speak of
            joint_station st;
            const bool a_loaded = std::fabs(wa) >= std::fabs(wb);
            st.loaded = a_loaded ? na : nb;
            st.unloaded = a_loaded ? nb : na;
            st.w_loaded = a_loaded ? wa : wb;
            st.w_unloaded = a_loaded ? wb : wa;
            st.lte = st.w_loaded * st.w_unloaded >= 0
                         ? std::fabs(st.w_unloaded) / std::fabs(st.w_loaded)
                         : nan_value;
            st.along = rs.coords[3 * na + (axis == 0 ? 1 : 0)];
            p.stations.push_back(st);
        }
    }
    for (auto &[key, p] : planes) {
        std::sort(p.stations.begin(), p.stations.end(),
                  [](const joint_station &a, const joint_station &b) { return a.along < b.along; });
        for (std::size_t i = 0; i < p.stations.size(); ++i) {
            const joint_station &s = p.stations[i];
            p.max_differential = std::max(p.max_differential, std::fabs(s.w_loaded - s.w_unloaded));
            if (p.most_loaded < 0 ||
                std::fabs(s.w_loaded) > std::fabs(p.stations[p.most_loaded].w_loaded))
                p.most_loaded = static_cast<int>(i);
        }
        p.lte = nan_value;
        if (rs.nedge == 0) {
            p.lte_note = "no wheels load the model";
        } else if (p.most_loaded < 0) {
            p.lte_note = "no deflection at the joint";
        } else {
            p.lte = p.stations[p.most_loaded].lte;
            if (std::isnan(p.lte))
                p.lte_note = "the unloaded side moves against the loaded one at the most loaded "
                             "station";
        }
        // the load's stress along the joint at the slab bottom on both sides
        const int comp = p.axis == 0 ? 1 : 0;
        for (const auto &[na, nb] : bottom_pairs[key]) {
            const double *sa = slab_stress(ld, r.slab_materials, na);
            const double *sb = slab_stress(ld, r.slab_materials, nb);
            if (!sa || !sb) continue;
            const bool a_loaded = std::fabs(ld.disp[3 * na + 2]) >= std::fabs(ld.disp[3 * nb + 2]);
            const double loaded = a_loaded ? sa[comp] : sb[comp];
            const double unloaded = a_loaded ? sb[comp] : sa[comp];
            // a transfer of stress is spoken of where the loaded side is in bending tension
            if (!(loaded > 0)) continue;
            if (!p.has_stress_lte || loaded > p.sigma_loaded) {
                p.has_stress_lte = true;
                p.sigma_loaded = loaded;
                p.sigma_unloaded = unloaded;
                p.stress_along = rs.coords[3 * na + (p.axis == 0 ? 1 : 0)];
            }
        }
        if (rs.nedge == 0) {
            p.has_stress_lte = false;
            p.stress_lte_note = "no wheels load the model";
        } else if (!p.has_stress_lte) {
            p.stress_lte_note = "the load puts no tension along the joint at the slab bottom";
        } else if (p.sigma_unloaded < 0 || p.sigma_unloaded > p.sigma_loaded) {
            p.stress_lte = nan_value;
            p.stress_lte_note = "the unloaded side's bottom is not in lesser tension";
        } else {
            p.stress_lte = p.sigma_unloaded / p.sigma_loaded;
        }
        r.joints.push_back(p);
    }
}

void check_dowels(const result_set &rs, report_data &r)
{
    const double pi = 3.141592653589793;
    for (int i = 0; i < rs.ndowel; ++i) {
        const double *t = &rs.dtypes[12 * static_cast<std::size_t>(rs.dtype[i])];
        const double *g = &rs.dforce[12 * static_cast<std::size_t>(i)];
        dowel_row d;
        d.dowel = i;
        for (int k = 0; k < 3; ++k) d.centre[k] = rs.dcentre[3 * i + k];
        d.e = t[0];
        d.width = t[2];
        d.diameter = t[3];
        d.length = t[4];
        d.k = t[5];
        const double half = (d.length - d.width) / 2.0;
        // P and M at the joint face of each half, in the solver's convention of the bar's ends
        const bool y_axis = rs.daxis[3 * i + 1] != 0.0;
        const double p[2] = {-g[2], -g[8]};
        const double m[2] = {y_axis ? g[3] : -g[4], y_axis ? g[9] : g[10]};
        double shear = 0.0, moment = 0.0;
        for (int h = 0; h < 2; ++h) {
            const dowel_half_values v = dowel_half(d.e, d.diameter, d.k, half, p[h], m[h]);
            shear = std::max({shear, v.shear_max, std::fabs(p[h])});
            moment = std::max({moment, v.moment_max, std::fabs(m[h])});
            if (h == 0 || std::fabs(v.bearing) > std::fabs(d.bearing)) {
                d.half = h + 1;
                d.p = p[h];
                d.m = m[h];
                d.beta = v.beta;
                d.y0 = v.y0;
                d.bearing = std::fabs(v.bearing);
            }
        }
        d.beta_l = d.beta * half;
        const double area = pi * d.diameter * d.diameter / 4.0;
        d.steel_shear = area > 0 ? 4.0 * shear / (3.0 * area) : 0.0;
        const double section = pi * d.diameter * d.diameter * d.diameter / 32.0;
        d.steel_bending = section > 0 ? moment / section : 0.0;
        if (r.settings.fc > 0) {
            d.allowable = (4.0 - d.diameter / 2.54) * r.settings.fc / 3.0;
            d.ratio = d.allowable > 0 ? d.bearing / d.allowable : nan_value;
        }
        if (r.most_loaded_dowel < 0 || d.bearing > r.dowels[r.most_loaded_dowel].bearing)
            r.most_loaded_dowel = static_cast<int>(r.dowels.size());
        r.dowels.push_back(d);
    }
}

void add_warnings(const result_set &rs, report_data &r, double tol)
{
    char b[400];
    if (r.has_run_record && r.run.equilibrium == 0)
        r.warnings.push_back("the analysis did not reach equilibrium (corvane ended with status "
                             "4): the figures below are not a converged answer");
    // the units judged by the stiffest slab material: a softer one beside it is a shoulder
    const layer_row *stiffest = nullptr;
    for (const layer_row &l : r.layers)
        if (l.slab && (!stiffest || l.e > stiffest->e)) stiffest = &l;
    if (stiffest && (stiffest->e < 1.0e5 || stiffest->e > 8.0e5)) {
        std::snprintf(b, sizeof b,
                      "the slab modulus (material %d) reads %.4g MPa, not that of concrete "
                      "(about 20000 to 50000 MPa): check the input units (-U)",
                      stiffest->material, stiffest->e * mpa_per_kgf_cm2);
        r.warnings.push_back(b);
    }
    int short_bars = 0;
    for (const dowel_row &d : r.dowels)
        if (d.beta_l < 3.0) ++short_bars;
    if (short_bars > 0) {
        std::snprintf(b, sizeof b,
                      "%d dowel(s) have beta l below 3: the embedded half is too short to act as "
                      "Friberg's semi-infinite bar, and the bearing is an estimate",
                      short_bars);
        r.warnings.push_back(b);
    }
    // a slab bonded to the layer below: the slab's bottom nodes are shared with another solid
    bool bonded = false;
    for (int mat : r.slab_materials) {
        double bottom = 0;
        for (const layer_row &l : r.layers)
            if (l.material == mat) bottom = l.bottom;
        for (int n = 0; n < rs.np && !bonded; ++n) {
            if (std::fabs(rs.coords[3 * n + 2] - bottom) > tol || rs.material_row(n, mat) < 0)
                continue;
            for (std::int64_t k = rs.mst.start[n]; k < rs.mst.start[n + 1]; ++k)
                if (rs.mst.material[k] != mat) bonded = true;
        }
    }
    if (bonded && !r.joints.empty())
        r.warnings.push_back(
            "the slab is bonded to the layer below: where a slab joint meets the bonded layer "
            "the stress at the corner grows as the mesh is refined (a re-entrant corner), so "
            "the slab-bottom tension near joints depends on the mesh");
}

} // namespace

double report_data::max_tension_bottom() const
{
    double v = nan_value;
    for (const slab_extreme &s : slab)
        if (!s.top && s.node >= 0 && !(s.s3 <= v)) v = s.s3;
    return v;
}

double report_data::max_tension_top() const
{
    double v = nan_value;
    for (const slab_extreme &s : slab)
        if (s.top && s.node >= 0 && !(s.s3 <= v)) v = s.s3;
    return v;
}

const joint_plane *report_data::loaded_joint() const
{
    const joint_plane *best = nullptr;
    for (const joint_plane &p : joints)
        if (p.most_loaded >= 0 &&
            (!best || std::fabs(p.stations[p.most_loaded].w_loaded) >
                          std::fabs(best->stations[best->most_loaded].w_loaded)))
            best = &p;
    return best;
}

double report_data::lte() const
{
    const joint_plane *p = loaded_joint();
    return p ? p->lte : nan_value;
}

double report_data::stress_lte() const
{
    const joint_plane *p = loaded_joint();
    return p && p->has_stress_lte ? p->stress_lte : nan_value;
}

double report_data::max_bearing() const
{
    return most_loaded_dowel >= 0 ? dowels[most_loaded_dowel].bearing : nan_value;
}

double report_data::max_steel_shear() const
{
    double v = nan_value;
    for (const dowel_row &d : dowels)
        if (!(d.steel_shear <= v)) v = d.steel_shear;
    return v;
}

double report_data::max_steel_bending() const
{
    double v = nan_value;
    for (const dowel_row &d : dowels)
        if (!(d.steel_bending <= v)) v = d.steel_bending;
    return v;
}

double report_data::max_stress_ratio() const
{
    if (!(settings.mr > 0)) return nan_value;
    const double t = std::fmax(max_tension_bottom(), max_tension_top());
    return std::isnan(t) ? nan_value : t / settings.mr;
}

bool load_response(const result_set &rs, const result_set &without, result_set &load,
                   std::string &why)
{
    if (without.np != rs.np || without.ne != rs.ne || without.disp.size() != rs.disp.size() ||
        without.mst.stress.size() != rs.mst.stress.size()) {
        why = without.base + ": not the mesh of " + rs.base;
        return false;
    }
    load = rs;
    for (std::size_t k = 0; k < load.disp.size(); ++k) load.disp[k] -= without.disp[k];
    for (std::size_t k = 0; k < load.mst.stress.size(); ++k)
        load.mst.stress[k] -= without.mst.stress[k];
    return true;
}

bool build_report(const result_set &rs, const report_settings &settings, report_data &r,
                  std::string &why, const result_set *load)
{
    r = report_data{};
    r.settings = settings;
    r.set_name = rs.base;
    r.run = rs.mst.run;
    r.has_run_record = rs.has_material_stresses;
    r.units_text =
        rs.units == file_units::si ? "SI stresses (MPa), lengths in cm" : "kgf-cm (kgf/cm2, cm)";
    if (!rs.has_material_stresses) {
        why = "no per-material stresses (run corvane with --material-stresses)";
        return false;
    }
    double ztop = -1e300;
    for (int n = 0; n < rs.np; ++n) ztop = std::max(ztop, rs.coords[3 * n + 2]);
    const double tol = span_tolerance(rs);

    describe_inputs(rs, r, ztop, tol);
    for (const layer_row &l : r.layers)
        if (l.slab) r.slab_materials.push_back(l.material);
    if (r.slab_materials.empty()) {
        why = "the result set has no slab (no solid material reaches the top of the model)";
        return false;
    }
    std::sort(r.slab_materials.begin(), r.slab_materials.end());
    find_slab_extremes(rs, r, tol);

    // the largest deflection among the surface nodes
    for (int n = 0; n < rs.np; ++n) {
        if (std::fabs(rs.coords[3 * n + 2] - ztop) > tol) continue;
        if (r.deflection_node < 0 || std::fabs(rs.disp[3 * n + 2]) > std::fabs(r.deflection)) {
            r.deflection_node = n;
            r.deflection = rs.disp[3 * n + 2];
            for (int k = 0; k < 3; ++k) r.deflection_xyz[k] = rs.coords[3 * n + k];
        }
    }
    r.lte_of_wheels_alone = load != nullptr;
    find_joints(rs, load ? *load : rs, r, ztop, tol);
    check_dowels(rs, r);
    add_warnings(rs, r, tol);
    return true;
}

std::vector<std::string> point_values(const result_set &rs, const double xyz[3], bool si)
{
    std::vector<std::string> lines;
    int best = -1;
    double best_d2 = 0;
    for (int n = 0; n < rs.np; ++n) {
        double d2 = 0;
        for (int k = 0; k < 3; ++k)
            d2 += (rs.coords[3 * n + k] - xyz[k]) * (rs.coords[3 * n + k] - xyz[k]);
        if (best < 0 || d2 < best_d2) {
            best = n;
            best_d2 = d2;
        }
    }
    if (best < 0) return lines;
    char b[512];
    const double *x = &rs.coords[3 * static_cast<std::size_t>(best)];
    const double *u = &rs.disp[3 * static_cast<std::size_t>(best)];
    const char *lu = unit_label(quantity_kind::length, si);
    const char *du = unit_label(quantity_kind::displacement, si);
    const char *su = unit_label(quantity_kind::stress, si);
    std::snprintf(b, sizeof b, "node %d at (%.4g, %.4g, %.4g) %s", best,
                  in_report_units(x[0], quantity_kind::length, si),
                  in_report_units(x[1], quantity_kind::length, si),
                  in_report_units(x[2], quantity_kind::length, si), lu);
    lines.push_back(b);
    std::snprintf(b, sizeof b, "displacement Ux %.6g  Uy %.6g  Uz %.6g %s",
                  in_report_units(u[0], quantity_kind::displacement, si),
                  in_report_units(u[1], quantity_kind::displacement, si),
                  in_report_units(u[2], quantity_kind::displacement, si), du);
    lines.push_back(b);
    for (std::int64_t row = rs.mst.start.empty() ? 0 : rs.mst.start[best];
         !rs.mst.start.empty() && row < rs.mst.start[best + 1]; ++row) {
        const double *s = &rs.mst.stress[6 * row];
        double v[6];
        for (int k = 0; k < 6; ++k) v[k] = in_report_units(s[k], quantity_kind::stress, si);
        std::snprintf(b, sizeof b,
                      "material %d (%d elements): Sx %.5g  Sy %.5g  Sz %.5g  Syz %.5g  Szx %.5g  "
                      "Sxy %.5g  S3 %.5g %s",
                      rs.mst.material[row], rs.mst.count[row], v[0], v[1], v[2], v[3], v[4], v[5],
                      in_report_units(largest_principal(s), quantity_kind::stress, si), su);
        lines.push_back(b);
    }
    return lines;
}

double in_plane_principal(double sx, double sy, double sxy)
{
    const double mean = 0.5 * (sx + sy), half = 0.5 * (sx - sy);
    return mean + std::sqrt(half * half + sxy * sxy);
}

int critical_slab_material(const report_data &r, bool top)
{
    int material = r.slab_materials.empty() ? -1 : r.slab_materials.front();
    double best = -1e300;
    for (const slab_extreme &e : r.slab)
        if (e.top == top && e.node >= 0 && e.s3 > best) {
            best = e.s3;
            material = e.material;
        }
    return material;
}

std::vector<double> slab_face_stresses(const result_set &rs, bool top)
{
    std::vector<double> out;
    if (!rs.has_material_stresses) return out;
    double ztop = -1e300;
    for (int n = 0; n < rs.np; ++n) ztop = std::max(ztop, rs.coords[3 * n + 2]);
    const double tol = span_tolerance(rs);
    report_data r;
    describe_inputs(rs, r, ztop, tol);
    std::map<int, double> face; // slab material -> z of the face
    for (const layer_row &l : r.layers)
        if (l.slab) face[l.material] = top ? l.top : l.bottom;
    for (int n = 0; n < rs.np; ++n)
        for (const auto &[m, z] : face) {
            if (std::fabs(rs.coords[3 * n + 2] - z) > tol) continue;
            const std::int64_t row = rs.material_row(n, m);
            if (row < 0 || rs.mst.count[row] == 0) continue;
            const double *v = &rs.mst.stress[6 * row];
            out.insert(out.end(), {v[0], v[1], v[5]});
        }
    return out;
}
