// Dowel bar element: link matrices, point map, assembly and the embedded-length functions.
#include "dowel.h"
#include "dense.h"
#include "joint.h"
#include "solid.h"

#include <cmath>

namespace
{

constexpr int nl = dowel_link_dofs; // 12

// Section and foundation constants of one dowel material. The moment of
// inertia uses 0.04909 d^4 (not pi/64) for both bending axes.
struct dowel_section {
    double e, nu, w, d, l_total, k; // material entries
    double inertia;                 // I = 0.04909 d^4
    double area;                    // A = 0.785398 d^2
    double shear_area;              // A_s = 0.9 A (both axes)
    double torsion;                 // J = A^4 / (40 (I + I))
    double shear_modulus;           // G = 0.5 E / (1 + nu)
    double half;                    // embedded half length l = (L - w)/2
    double beta;                    // (0.25 K d / (E I))^(1/4)
};

dowel_section section_of(const double *dmat)
{
    dowel_section q;
    q.e = dmat[dowel_young];
    q.nu = dmat[dowel_poisson];
    q.w = dmat[dowel_width];
    q.d = dmat[dowel_diam];
    q.l_total = dmat[dowel_length];
    q.k = dmat[dowel_support];
    const double d2 = q.d * q.d;
    q.inertia = 0.04909 * d2 * d2;
    q.area = 0.785398 * d2;
    q.shear_area = 0.9 * q.area;
    const double a2 = q.area * q.area;
    q.torsion = a2 * a2 / (40.0 * (q.inertia + q.inertia));
    q.shear_modulus = 0.5 * q.e / (1.0 + q.nu);
    q.half = 0.5 * (q.l_total - q.w);
    q.beta = std::pow(0.25 * q.k * q.d / (q.e * q.inertia), 0.25);
    return q;
}

// Mirrors the upper triangle of an n x n matrix into the lower one.
void mirror_upper(double *a, int n)
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) a[i * n + j] = a[j * n + i];
}

// keff = kb (I - x), all 12x12
void link_from_x(const double *kb, const double *x, double *keff)
{
    double ix[nl * nl];
    for (int i = 0; i < nl; ++i)
        for (int j = 0; j < nl; ++j) ix[i * nl + j] = (i == j ? 1.0 : 0.0) - x[i * nl + j];
    for (int i = 0; i < nl; ++i)
        for (int j = 0; j < nl; ++j) {
            double sum = 0.0;
            for (int k = 0; k < nl; ++k) sum += kb[i * nl + k] * ix[k * nl + j];
            keff[i * nl + j] = sum;
        }
}

} // namespace

const char *dowel_material_fault(const double *dmat)
{
    for (int k = 0; k <= dowel_support; ++k)
        if (!std::isfinite(dmat[k])) return "an entry of the record is not a finite number";
    // Written as !(x > 0) so that nothing undefined slips through.
    if (!(dmat[dowel_young] > 0.0)) return "Young's modulus E (entry 0) must be positive";
    if (!(dmat[dowel_poisson] > -1.0 && dmat[dowel_poisson] < 0.5))
        return "Poisson's ratio (entry 1) must lie between -1 and 0.5";
    if (!(dmat[dowel_width] >= 0.0)) return "joint width w (entry 2) must not be negative";
    if (!(dmat[dowel_diam] > 0.0)) return "diameter d (entry 3) must be positive";
    if (!(dmat[dowel_length] > dmat[dowel_width]))
        return "bar length L (entry 4) must be larger than the joint width w (entry 2)";
    if (!(dmat[dowel_support] > 0.0)) return "support modulus K (entry 5) must be positive";
    return nullptr;
}

void dowel_point_map(const double *n, const double *local_deriv, double *g)
{
    for (int i = 0; i < 6 * 24; ++i) g[i] = 0.0;
    const double *a = local_deriv;     // dN/dx'
    const double *b = local_deriv + 8; // dN/dy'
    for (int k = 0; k < 8; ++k) {
        g[0 * 24 + 3 * k + 0] = n[k];  // u
        g[1 * 24 + 3 * k + 1] = n[k];  // v
        g[2 * 24 + 3 * k + 2] = n[k];  // w (axial)
        g[3 * 24 + 3 * k + 2] = b[k];  // thx =  dw/dy'
        g[4 * 24 + 3 * k + 2] = -a[k]; // thy = -dw/dx'
        // row 5 (torsion) stays zero: the face does not twist the bar
    }
}

void dowel_foundation_matrix(const double *dmat, double *kb)
{
    const dowel_section q = section_of(dmat);
    const double ei = q.e * q.inertia;
    const double x = q.beta * q.half;
    const double ex = std::exp(x), emx = std::exp(-x);
    const double sh = 0.5 * (ex - emx), ch = 0.5 * (ex + emx);
    const double s = std::sin(x), c = std::cos(x);

    const double p = sh * ch + s * c;
    const double qq = sh * ch - s * c;
    const double r = sh * sh + s * s;
    const double dd = sh * sh - s * s;
    const double u = 2.0 * q.beta * q.beta * ei * dd / (2.0 * p * qq - r * r);
    const double kt = 2.0 * u * q.beta * p; // end force per unit end deflection
    const double kr = u * qq / q.beta;      // end moment per unit end rotation
    const double kc = u * r;                // deflection-rotation coupling

    for (int i = 0; i < nl * nl; ++i) kb[i] = 0.0;
    // end 1
    kb[0 * nl + 0] = kb[1 * nl + 1] = kt;
    kb[3 * nl + 3] = kb[4 * nl + 4] = kr;
    kb[0 * nl + 4] = -kc;
    kb[1 * nl + 3] = kc;
    kb[2 * nl + 2] = kb[5 * nl + 5] = dowel_axial_spring;
    // end 2: the embedded half runs the other way, so the couplings change sign
    kb[6 * nl + 6] = kb[7 * nl + 7] = kt;
    kb[9 * nl + 9] = kb[10 * nl + 10] = kr;
    kb[6 * nl + 10] = kc;
    kb[7 * nl + 9] = -kc;
    kb[8 * nl + 8] = kb[11 * nl + 11] = dowel_axial_spring;
    mirror_upper(kb, nl);
}

void dowel_span_matrix(const double *dmat, double *kf)
{
    const dowel_section q = section_of(dmat);
    const double w = q.w;
    const double ei = q.e * q.inertia;
    const double phi = 24.0 * (1.0 + q.nu) * q.inertia / (q.shear_area * w * w);
    const double qf = 1.0 + phi;
    const double t12 = 12.0 * ei / (w * w * w * qf); // shear force per unit transverse offset
    const double t6 = 6.0 * ei / (w * w * qf);       // shear force per unit end rotation
    const double r4 = ei * (4.0 + phi) / (w * qf);   // end moment per unit rotation, same end
    const double r2 = ei * (2.0 - phi) / (w * qf);   // end moment per unit rotation, far end
    const double ax = q.e * q.area / w;              // axial
    const double tor = q.shear_modulus * q.torsion / w;

    for (int i = 0; i < nl * nl; ++i) kf[i] = 0.0;
    auto set = [kf](int i, int j, double v) { kf[i * nl + j] = v; };
    set(0, 0, t12), set(1, 1, t12), set(6, 6, t12), set(7, 7, t12);
    set(2, 2, ax), set(8, 8, ax);
    set(3, 3, r4), set(4, 4, r4), set(9, 9, r4), set(10, 10, r4);
    set(5, 5, tor), set(11, 11, tor);
    // lower triangle
    set(4, 0, t6), set(10, 0, t6);
    set(3, 1, -t6), set(9, 1, -t6);
    set(6, 0, -t12), set(7, 1, -t12);
    set(6, 4, -t6), set(10, 6, -t6);
    set(7, 3, t6), set(9, 7, t6);
    set(8, 2, -ax);
    set(9, 3, r2), set(10, 4, r2);
    set(11, 5, -tor);
    // upper triangle copies the lower
    for (int i = 0; i < nl; ++i)
        for (int j = i + 1; j < nl; ++j) kf[i * nl + j] = kf[j * nl + i];
}

int invert_in_place(double *a, int n)
{
    for (int k = 0; k < n; ++k) {
        const double pivot = a[k * n + k];
        if (pivot == 0.0 || !std::isfinite(pivot)) return 0;
        // row k <- row k / pivot, with column k becoming the inverse's column
        a[k * n + k] = 1.0;
        for (int j = 0; j < n; ++j) a[k * n + j] /= pivot;
        // eliminate column k from every other row
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            const double f = a[i * n + k];
            if (f == 0.0) continue;
            a[i * n + k] = 0.0;
            for (int j = 0; j < n; ++j) a[i * n + j] -= f * a[k * n + j];
        }
    }
    return 1;
}

int dowel_series_link(const double *kb, const double *kf, double *keff)
{
    double inv[nl * nl], x[nl * nl];
    for (int i = 0; i < nl * nl; ++i) inv[i] = kf[i] + kb[i];
    if (!invert_in_place(inv, nl)) return 0;
    // X = (Kf + Kb)^-1 Kb: displacement of the bar ends for unit concrete displacements
    for (int i = 0; i < nl; ++i)
        for (int j = 0; j < nl; ++j) {
            double sum = 0.0;
            for (int k = 0; k < nl; ++k) sum += inv[i * nl + k] * kb[k * nl + j];
            x[i * nl + j] = sum;
        }
    link_from_x(kb, x, keff);
    return 1;
}

int dowel_rigid_link(const double *kb, double *keff)
{
    // S = (A + B)^-1 with A, B the end blocks of Kb (6x6 each)
    double s[36];
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) s[i * 6 + j] = kb[i * nl + j] + kb[(i + 6) * nl + j + 6];
    if (!invert_in_place(s, 6)) return 0;
    // X = [[S A, S B], [S A, S B]]: both bar ends take the same displacement
    double x[nl * nl];
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) {
            double sa = 0.0, sb = 0.0;
            for (int k = 0; k < 6; ++k) {
                sa += s[i * 6 + k] * kb[k * nl + j];
                sb += s[i * 6 + k] * kb[(k + 6) * nl + j + 6];
            }
            x[i * nl + j] = x[(i + 6) * nl + j] = sa;
            x[i * nl + j + 6] = x[(i + 6) * nl + j + 6] = sb;
        }
    link_from_x(kb, x, keff);
    return 1;
}

int dowel_link_matrix(const double *dmat, double *keff)
{
    double kb[nl * nl];
    dowel_foundation_matrix(dmat, kb);
    int ok;
    if (dmat[dowel_width] > dowel_rigid_width) {
        double kf[nl * nl];
        dowel_span_matrix(dmat, kf);
        ok = dowel_series_link(kb, kf, keff);
    } else {
        ok = dowel_rigid_link(kb, keff);
    }
    if (!ok) return 0;
    for (int i = 0; i < nl * nl; ++i)
        if (!std::isfinite(keff[i])) return 0;
    return 1;
}

void dowel_link_map(const double *r, const double *n1, const double *dg1, const double *n2,
                    const double *dg2, double *a)
{
    for (int i = 0; i < nl * 48; ++i) a[i] = 0.0;
    const double *ns[2] = {n1, n2};
    const double *dgs[2] = {dg1, dg2};
    for (int e = 0; e < 2; ++e) {
        // local derivatives (3x8) = R * global derivatives
        double ld[24];
        for (int i = 0; i < 3; ++i)
            for (int k = 0; k < 8; ++k)
                ld[i * 8 + k] = r[i * 3 + 0] * dgs[e][k] + r[i * 3 + 1] * dgs[e][8 + k] +
                                r[i * 3 + 2] * dgs[e][16 + k];
        double g[6 * 24];
        dowel_point_map(ns[e], ld, g);
        // (G T) with T = diag(R, ..., R): column 3k+c = sum over c' of G[.][3k+c'] R[c'][c]
        for (int row = 0; row < 6; ++row)
            for (int k = 0; k < 8; ++k)
                for (int c = 0; c < 3; ++c) {
                    double sum = 0.0;
                    for (int cc = 0; cc < 3; ++cc) sum += g[row * 24 + 3 * k + cc] * r[cc * 3 + c];
                    a[(6 * e + row) * 48 + 24 * e + 3 * k + c] = sum;
                }
    }
}

void dowel_element_matrix(const double *keff, const double *a, double *ek)
{
    double ka[nl * 48]; // Keff A
    for (int i = 0; i < nl; ++i)
        for (int j = 0; j < 48; ++j) {
            double sum = 0.0;
            for (int k = 0; k < nl; ++k) sum += keff[i * nl + k] * a[k * 48 + j];
            ka[i * 48 + j] = sum;
        }
    // ek = A^T (Keff A)
    for (int i = 0; i < 48; ++i)
        for (int j = 0; j < 48; ++j) {
            double sum = 0.0;
            for (int k = 0; k < nl; ++k) sum += a[k * 48 + i] * ka[k * 48 + j];
            ek[i * 48 + j] = sum;
        }
}

void dowel_end_forces(const double *keff, const double *a, const double *u, double *f)
{
    double link[nl]; // A u: link displacements in the dowel frame
    for (int i = 0; i < nl; ++i) {
        double sum = 0.0;
        for (int j = 0; j < 48; ++j) sum += a[i * 48 + j] * u[j];
        link[i] = sum;
    }
    for (int i = 0; i < nl; ++i) {
        double sum = 0.0;
        for (int j = 0; j < nl; ++j) sum += keff[i * nl + j] * link[j];
        f[i] = sum;
    }
}

// Products of the embedded-length functions: trigonometric of beta p times
// hyperbolic of beta q (S33 = sin sinh, C34 = cos cosh, S35 = sin cosh, C36 = cos sinh).
namespace
{
struct half_terms {
    double s33a, s33b, c34a, c34b, s35a, s35b, c36a, c36b; // a: (x, l-x), b: (l-x, x)
};

half_terms terms_at(double beta, double l, double x)
{
    const double d = l - x;
    const double bx = beta * x, bd = beta * d;
    const double ebx = std::exp(bx), embx = std::exp(-bx);
    const double ebd = std::exp(bd), embd = std::exp(-bd);
    const double shx = 0.5 * (ebx - embx), chx = 0.5 * (ebx + embx);
    const double shd = 0.5 * (ebd - embd), chd = 0.5 * (ebd + embd);
    const double sx = std::sin(bx), cx = std::cos(bx);
    const double sd = std::sin(bd), cd = std::cos(bd);
    half_terms t;
    t.s33a = sx * shd, t.s33b = sd * shx;
    t.c34a = cx * chd, t.c34b = cd * chx;
    t.s35a = sx * chd, t.s35b = sd * chx;
    t.c36a = cx * shd, t.c36b = cd * shx;
    return t;
}
} // namespace

double dowel_reaction(double beta, double sh, double s, double l, double p, double m, double x)
{
    const half_terms t = terms_at(beta, l, x);
    const double dd = sh * sh - s * s;
    return (sh * t.c34a - s * t.c34b) * (2.0 * p * beta / dd) +
           (sh * t.s35a - sh * t.c36a + s * t.c36b - s * t.s35b) * (2.0 * m * beta * beta / dd);
}

double dowel_moment(double beta, double sh, double s, double l, double p, double m, double x)
{
    const half_terms t = terms_at(beta, l, x);
    const double dd = sh * sh - s * s;
    return (sh * t.s33a - s * t.s33b) * (-p / (beta * dd)) +
           (sh * t.c36a + sh * t.s35a - s * t.c36b - s * t.s35b) * (m / dd);
}

double dowel_shear(double beta, double sh, double s, double l, double p, double m, double x)
{
    const half_terms t = terms_at(beta, l, x);
    const double dd = sh * sh - s * s;
    return (sh * t.c36a - sh * t.s35a - s * t.s35b + s * t.c36b) * (-p / dd) +
           (sh * t.s33a + s * t.s33b) * (-2.0 * m * beta / dd);
}

// ---- dowels of a model -------------------------------------------------

bool dowel_is_placed(const corvane_model &m, int d)
{
    for (int k = 0; k < 3; ++k) {
        const int e = m.dowel_elems[3 * d + k];
        if (e < 0 || e >= m.ne) return false;
    }
    return m.dowel_mat[d] >= 0 && m.dowel_mat[d] < m.ndmat;
}

void dowel_geometry(const int *conn, const double *coords, const int *elems, const double *dowel,
                    double *r, double *a)
{
    double xyz[24], t[24 * 24];
    gather_nodes(&conn[9 * elems[0]], coords, 8, xyz);
    joint_frame(xyz, 8, t);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i * 3 + j] = t[i * 24 + j];

    double n[2][8], dg[2][24];
    for (int e = 0; e < 2; ++e) {
        double dn[24], det;
        const double *nat = dowel + 3 + 3 * e; // (xi, eta, zeta) of end e+1
        shape_functions(nat[0], nat[1], nat[2], n[e], dn);
        gather_nodes(&conn[9 * elems[1 + e]], coords, 8, xyz);
        // A point whose Jacobian fails keeps zero derivatives: no face rotation.
        vec_zero(dg[e], 24);
        jacobian(dn, xyz, dg[e], &det);
    }
    dowel_link_map(r, n[0], dg[0], n[1], dg[1], a);
}

int dowel_stiffness(const int *conn, const double *coords, const int *elems, const double *dowel,
                    const double *dmat, double *ek, int *nodes)
{
    double keff[nl * nl];
    if (!dowel_link_matrix(dmat, keff)) return 0;
    double r[9], a[nl * 48];
    dowel_geometry(conn, coords, elems, dowel, r, a);
    dowel_element_matrix(keff, a, ek);
    for (int e = 0; e < 2; ++e)
        for (int j = 0; j < 8; ++j) nodes[8 * e + j] = conn[9 * elems[1 + e] + j];
    return 1;
}

bool dowel_is_loose(const corvane_model &m, int d)
{
    return dowel_is_placed(m, d) && m.dmats[12 * m.dowel_mat[d] + dowel_looseness] > 0.0;
}

double dowel_engagement(const corvane_model &m, int d, const double *disp)
{
    if (!dowel_is_loose(m, d)) return 1.0;
    const double s = m.dmats[12 * m.dowel_mat[d] + dowel_looseness];
    const int *elems = &m.dowel_elems[3 * d];
    double r[9], a[nl * 48], u[48];
    dowel_geometry(m.conn.data(), m.coords.data(), elems, &m.dowels[9 * d], r, a);
    for (int e = 0; e < 2; ++e) gather_nodes(&m.conn[9 * elems[1 + e]], disp, 8, u + 24 * e);
    double delta[2] = {0.0, 0.0}; // end 2 minus end 1 along the first two link axes
    for (int c = 0; c < 2; ++c)
        for (int j = 0; j < 48; ++j) delta[c] += (a[(6 + c) * 48 + j] - a[c * 48 + j]) * u[j];
    const double moved = std::sqrt(delta[0] * delta[0] + delta[1] * delta[1]);
    return moved <= s ? 0.0 : 1.0 - s / moved;
}

int make_dowel(row_slot_matrix &k, const int *pair_pos, const int *conn, const double *coords,
               const int *elems, const double *dowel, const double *dmat)
{
    double ek[48 * 48];
    int nodes[16];
    if (!dowel_stiffness(conn, coords, elems, dowel, dmat, ek, nodes)) return 0;
    assemble_ek(k, ek, 1.0, pair_pos, nodes, 16);
    return 1;
}
