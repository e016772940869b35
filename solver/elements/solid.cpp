// Eight-node isoparametric brick: shape functions, Jacobian, B and D matrices, stiffness.
#include "solid.h"

#include "dense.h"

#include <cmath>
#include <cstdio>

const double node_xi[8] = {-1, 1, 1, -1, -1, 1, 1, -1};
const double node_eta[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
const double node_zeta[8] = {-1, -1, -1, -1, 1, 1, 1, 1};

void shape_functions(double xi, double eta, double zeta, double *n, double *dn)
{
    for (int k = 0; k < 8; ++k) {
        const double a = 1.0 + xi * node_xi[k];
        const double b = 1.0 + eta * node_eta[k];
        const double c = 1.0 + zeta * node_zeta[k];
        n[k] = 0.125 * a * b * c;
        dn[k] = 0.125 * node_xi[k] * b * c;
        dn[8 + k] = 0.125 * node_eta[k] * a * c;
        dn[16 + k] = 0.125 * node_zeta[k] * a * b;
    }
}

int jacobian(const double *dn, const double *xyz, double *dg, double *det)
{
    if (jacobian_silent(dn, xyz, dg, det)) return 1;
    std::printf("\n !!! Negative value of determinant of jacobian !!!\n");
    return 0;
}

int jacobian_silent(const double *dn, const double *xyz, double *dg, double *det)
{
    double j[9];
    mat_mult(dn, xyz, j, 3, 8, 3);
    // rule of Sarrus
    const double dt = j[0] * j[4] * j[8] + j[1] * j[5] * j[6] + j[2] * j[7] * j[3] -
                      j[6] * j[4] * j[2] - j[7] * j[5] * j[0] - j[8] * j[3] * j[1];
    *det = dt;
    if (!(dt > 0.0)) return 0;
    // J^-1 = adj(J) / det J
    double inv[9];
    inv[0] = (j[4] * j[8] - j[5] * j[7]) / dt;
    inv[1] = (j[2] * j[7] - j[1] * j[8]) / dt;
    inv[2] = (j[1] * j[5] - j[2] * j[4]) / dt;
    inv[3] = (j[5] * j[6] - j[3] * j[8]) / dt;
    inv[4] = (j[0] * j[8] - j[2] * j[6]) / dt;
    inv[5] = (j[2] * j[3] - j[0] * j[5]) / dt;
    inv[6] = (j[3] * j[7] - j[4] * j[6]) / dt;
    inv[7] = (j[1] * j[6] - j[0] * j[7]) / dt;
    inv[8] = (j[0] * j[4] - j[1] * j[3]) / dt;
    mat_mult(inv, dn, dg, 3, 3, 8);
    return 1;
}

void make_b(const double *dg, double *b)
{
    vec_zero(b, 6 * 24);
    for (int k = 0; k < 8; ++k) {
        const double a = dg[k], bb = dg[8 + k], c = dg[16 + k];
        const int col = 3 * k;
        b[0 * 24 + col] = a;
        b[1 * 24 + col + 1] = bb;
        b[2 * 24 + col + 2] = c;
        b[3 * 24 + col + 1] = c;
        b[3 * 24 + col + 2] = bb;
        b[4 * 24 + col] = c;
        b[4 * 24 + col + 2] = a;
        b[5 * 24 + col] = bb;
        b[5 * 24 + col + 1] = a;
    }
}

double thermal_strain(const double *mat, const double *n, const double *xyz)
{
    double z = 0.0;
    for (int k = 0; k < 8; ++k) z += n[k] * xyz[3 * k + 2];
    return mat[3] * (mat[5] * z * z + mat[6] * z + mat[7]);
}

void make_d(const double *mat, double *d)
{
    const double e = mat[0], nu = mat[1];
    const double den = (1.0 + nu) * (1.0 - 2.0 * nu);
    const double lambda = nu * e / den;
    const double diag = (1.0 - nu) * e / den;
    const double g = 0.5 * e / (1.0 + nu);
    vec_zero(d, 36);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) d[r * 6 + c] = (r == c) ? diag : lambda;
    for (int r = 3; r < 6; ++r) d[r * 6 + r] = g;
}

double face_normal(const double *xyz, const double *dn, double *normal)
{
    double j[9];
    mat_mult(dn, xyz, j, 3, 8, 3);
    normal[0] = j[1] * j[5] - j[2] * j[4];
    normal[1] = j[2] * j[3] - j[0] * j[5];
    normal[2] = j[0] * j[4] - j[1] * j[3];
    return std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
}

void gather_nodes(const int *nodes, const double *values, int q, double *out)
{
    for (int k = 0; k < q; ++k)
        for (int c = 0; c < 3; ++c) out[3 * k + c] = values[3 * nodes[k] + c];
}

void check_symmetry(const char *name, const double *a, int n, double tol)
{
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            const double err = a[i * n + j] - a[j * n + i];
            if (std::fabs(err) > tol) std::printf("%s : i=%d j=%d err=%f\n", name, i, j, err);
        }
}

int solid_stiffness(const double *d, const double *xyz, const double *gp, const double *gw,
                    double *ek)
{
    // D comes from make_d, so it is isotropic: lambda' off the normal diagonal,
    // G on the shear diagonal. The node block (a, b) of B^T D B is then
    //   lambda' g_a g_b^T + G g_b g_a^T + G (g_a . g_b) I,
    // with g the global derivative vectors: the same matrix as the triple
    // product at a fraction of its cost (assembly runs every iteration). Only
    // the blocks b >= a are summed; the others are their transposes.
    const double lam = d[1], mu = d[21];
    double n[8], dn[24], dg[24];
    int failed = 0;
    vec_zero(ek, 576);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) {
                shape_functions(gp[i], gp[j], gp[k], n, dn);
                double det = 0.0;
                if (!jacobian(dn, xyz, dg, &det)) {
                    std::fprintf(stderr, "Error occurs at element");
                    ++failed;
                    continue; // undefined derivatives: the point adds nothing
                }
                const double w = det * gw[i] * gw[j] * gw[k];
                const double wl = w * lam, wm = w * mu;
                for (int a = 0; a < 8; ++a) {
                    const double ga[3] = {dg[a], dg[8 + a], dg[16 + a]};
                    for (int b = a; b < 8; ++b) {
                        const double gb[3] = {dg[b], dg[8 + b], dg[16 + b]};
                        const double dot = wm * (ga[0] * gb[0] + ga[1] * gb[1] + ga[2] * gb[2]);
                        double *row = ek + (3 * a) * 24 + 3 * b;
                        for (int r = 0; r < 3; ++r) {
                            for (int c = 0; c < 3; ++c)
                                row[r * 24 + c] += wl * ga[r] * gb[c] + wm * ga[c] * gb[r];
                            row[r * 24 + r] += dot;
                        }
                    }
                }
            }
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < a; ++b)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    ek[(3 * a + r) * 24 + 3 * b + c] = ek[(3 * b + c) * 24 + 3 * a + r];
    return failed;
}
