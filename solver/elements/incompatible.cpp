// The brick enriched with the incompatible bending modes of Wilson and Taylor, condensed per
// element.
#include "incompatible.h"

#include "dense.h"
#include "solid.h"

#include <cmath>
#include <utility>

// J0^-1 and det J0 at the element centre; 0 when det J0 is not positive.
static int centre_jacobian(const double *xyz, double *inv0, double *det0)
{
    double n[8], dn[24], j[9];
    shape_functions(0.0, 0.0, 0.0, n, dn);
    mat_mult(dn, xyz, j, 3, 8, 3);
    const double dt = j[0] * j[4] * j[8] + j[1] * j[5] * j[6] + j[2] * j[7] * j[3] -
                      j[6] * j[4] * j[2] - j[7] * j[5] * j[0] - j[8] * j[3] * j[1];
    *det0 = dt;
    if (!(dt > 0.0)) return 0;
    inv0[0] = (j[4] * j[8] - j[5] * j[7]) / dt;
    inv0[1] = (j[2] * j[7] - j[1] * j[8]) / dt;
    inv0[2] = (j[1] * j[5] - j[2] * j[4]) / dt;
    inv0[3] = (j[5] * j[6] - j[3] * j[8]) / dt;
    inv0[4] = (j[0] * j[8] - j[2] * j[6]) / dt;
    inv0[5] = (j[2] * j[3] - j[0] * j[5]) / dt;
    inv0[6] = (j[3] * j[7] - j[4] * j[6]) / dt;
    inv0[7] = (j[1] * j[6] - j[0] * j[7]) / dt;
    inv0[8] = (j[0] * j[4] - j[1] * j[3]) / dt;
    return 1;
}

void mode_gradients(const double *inv0, double xi, double eta, double zeta, double *ga)
{
    // natural gradient of mode m: -2 (its coordinate) along its own axis only,
    // so the global gradient is that times column m of J0^-1
    const double c[3] = {xi, eta, zeta};
    for (int r = 0; r < 3; ++r)
        for (int m = 0; m < 3; ++m) ga[3 * r + m] = -2.0 * c[m] * inv0[3 * r + m];
}

void make_b_modes(const double *ga, double *ba)
{
    vec_zero(ba, 6 * 9);
    for (int m = 0; m < 3; ++m) {
        const double a = ga[m], b = ga[3 + m], c = ga[6 + m];
        const int col = 3 * m;
        ba[0 * 9 + col] = a;
        ba[1 * 9 + col + 1] = b;
        ba[2 * 9 + col + 2] = c;
        ba[3 * 9 + col + 1] = c;
        ba[3 * 9 + col + 2] = b;
        ba[4 * 9 + col] = c;
        ba[4 * 9 + col + 2] = a;
        ba[5 * 9 + col] = b;
        ba[5 * 9 + col + 1] = a;
    }
}

int invert_pivoted(double *a, int n)
{
    double largest = 0.0;
    for (int i = 0; i < n; ++i) largest = std::fmax(largest, std::fabs(a[i * n + i]));
    const double tiny = 1e-13 * largest;
    int pivot_row[16];
    for (int k = 0; k < n; ++k) {
        int p = k;
        for (int i = k + 1; i < n; ++i)
            if (std::fabs(a[i * n + k]) > std::fabs(a[p * n + k])) p = i;
        pivot_row[k] = p;
        const double pivot = a[p * n + k];
        if (!(std::fabs(pivot) > tiny) || !std::isfinite(pivot)) return 0;
        if (p != k)
            for (int c = 0; c < n; ++c) std::swap(a[p * n + c], a[k * n + c]);
        // Gauss-Jordan step on row k; column k becomes column k of the inverse
        const double inv = 1.0 / a[k * n + k];
        a[k * n + k] = 1.0;
        for (int c = 0; c < n; ++c) a[k * n + c] *= inv;
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            const double f = a[i * n + k];
            if (f == 0.0) continue;
            a[i * n + k] = 0.0;
            for (int c = 0; c < n; ++c) a[i * n + c] -= f * a[k * n + c];
        }
    }
    // the row exchanges permute the columns of the inverse: undo them in reverse
    for (int k = n - 1; k >= 0; --k)
        if (pivot_row[k] != k)
            for (int r = 0; r < n; ++r) std::swap(a[r * n + k], a[r * n + pivot_row[k]]);
    return 1;
}

void mode_coupling_matrices(const double *d, const double *xyz, const double *gp, const double *gw,
                            mode_coupling &mc)
{
    mc.active = 0;
    vec_zero(mc.kua, 24 * 9);
    vec_zero(mc.kaa_inv, 81);
    if (!centre_jacobian(xyz, mc.inv0, &mc.det0)) return;
    double n[8], dn[24], dg[24], ga[9], b[144], ba[54], dba[54], kaa[81];
    vec_zero(kaa, 81);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) {
                shape_functions(gp[i], gp[j], gp[k], n, dn);
                double det = 0.0;
                if (!jacobian_silent(dn, xyz, dg, &det)) continue;
                const double w = gw[i] * gw[j] * gw[k];
                make_b(dg, b);
                mode_gradients(mc.inv0, gp[i], gp[j], gp[k], ga);
                make_b_modes(ga, ba);
                mat_mult(d, ba, dba, 6, 6, 9);
                // B_a = (det0 / det) B_a0 and dV = det w:
                // K_ua += w det0 B^T D B_a0, K_aa += w det0^2 / det B_a0^T D B_a0
                const double wu = w * mc.det0, wa = w * mc.det0 * mc.det0 / det;
                for (int r = 0; r < 24; ++r)
                    for (int c = 0; c < 9; ++c) {
                        double s = 0.0;
                        for (int q = 0; q < 6; ++q) s += b[q * 24 + r] * dba[q * 9 + c];
                        mc.kua[r * 9 + c] += wu * s;
                    }
                for (int r = 0; r < 9; ++r)
                    for (int c = 0; c < 9; ++c) {
                        double s = 0.0;
                        for (int q = 0; q < 6; ++q) s += ba[q * 9 + r] * dba[q * 9 + c];
                        kaa[r * 9 + c] += wa * s;
                    }
            }
    if (!invert_pivoted(kaa, 9)) {
        vec_zero(mc.kua, 24 * 9); // no modes: the plain brick
        return;
    }
    for (int k = 0; k < 81; ++k) mc.kaa_inv[k] = kaa[k];
    mc.active = 1;
}

int incompatible_stiffness(const double *d, const double *xyz, const double *gp, const double *gw,
                           double *ek, mode_coupling *mc)
{
    const int failed = solid_stiffness(d, xyz, gp, gw, ek); // K_uu
    mode_coupling local;
    mode_coupling &m = mc ? *mc : local;
    mode_coupling_matrices(d, xyz, gp, gw, m);
    if (m.active) {
        // ek -= K_ua (K_aa^-1 K_au)
        double x[9 * 24];
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 24; ++c) {
                double s = 0.0;
                for (int q = 0; q < 9; ++q) s += m.kaa_inv[r * 9 + q] * m.kua[c * 9 + q];
                x[r * 24 + c] = s;
            }
        for (int r = 0; r < 24; ++r)
            for (int c = 0; c < 24; ++c) {
                double s = 0.0;
                for (int q = 0; q < 9; ++q) s += m.kua[r * 9 + q] * x[q * 24 + c];
                ek[r * 24 + c] -= s;
            }
    }
    check_symmetry("make_ek", ek, 24, 0.001);
    return failed;
}

void condense_load(const mode_coupling &mc, const double *fu, const double *fa, double *f)
{
    for (int r = 0; r < 24; ++r) f[r] = fu[r];
    if (!mc.active) return;
    double y[9];
    mat_mult(mc.kaa_inv, fa, y, 9, 9, 1);
    for (int r = 0; r < 24; ++r)
        for (int q = 0; q < 9; ++q) f[r] -= mc.kua[r * 9 + q] * y[q];
}

void recover_modes(const mode_coupling &mc, const double *fa, const double *u, double *alpha)
{
    vec_zero(alpha, 9);
    if (!mc.active) return;
    double rhs[9];
    for (int q = 0; q < 9; ++q) {
        double s = fa ? fa[q] : 0.0;
        for (int r = 0; r < 24; ++r) s -= mc.kua[r * 9 + q] * u[r];
        rhs[q] = s;
    }
    mat_mult(mc.kaa_inv, rhs, alpha, 9, 9, 1);
}
