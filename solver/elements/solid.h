// Eight-node isoparametric brick: shape functions, Jacobian, B and D matrices, stiffness.
#pragma once

#include "model.h"

// Natural coordinates of the eight element nodes (nodes 0-3 at zeta = -1,
// counter-clockwise seen from +zeta; node k+4 opposite node k).
extern const double node_xi[8];
extern const double node_eta[8];
extern const double node_zeta[8];

// N[8] and the natural derivatives dn[3][8] (rows d/dxi, d/deta, d/dzeta).
void shape_functions(double xi, double eta, double zeta, double *n, double *dn);

// J = dn (3x8) * xyz (8x3); on det J > 0 writes the global derivatives
// dg (3x8) = J^-1 dn and returns 1. Otherwise prints the determinant message
// and returns 0 without touching dg. *det receives the determinant either way.
int jacobian(const double *dn, const double *xyz, double *dg, double *det);

// The same without the message, for points whose failure was reported already.
int jacobian_silent(const double *dn, const double *xyz, double *dg, double *det);

// B (6x24) from the global derivatives; strain order x, y, z, yz, zx, xy.
void make_b(const double *dg, double *b);

// Free thermal strain alpha * T(z) of a material (entry 3 alpha, T = a z^2 + b z + c
// with a, b, c in entries 5-7) at the point of shape functions n, z interpolated
// from the element's node coordinates xyz.
double thermal_strain(const double *mat, const double *n, const double *xyz);

// Isotropic elastic matrix D (6x6) from entries 0 (E) and 1 (nu) of a material.
void make_d(const double *mat, double *d);

// t_xi x t_eta (rows 0 and 1 of J) into normal[3]; returns its length.
double face_normal(const double *xyz, const double *dn, double *normal);

// out (q x 3) = the 3-vectors of the element's q nodes taken from values.
void gather_nodes(const int *nodes, const double *values, int q, double *out);

// Prints "%s : i=%d j=%d err=%f" for every pair i < j differing by more than tol.
void check_symmetry(const char *name, const double *a, int n, double tol);

// Integrates the 24x24 stiffness of one solid element into ek. Points whose
// Jacobian determinant is not positive contribute nothing (their derivatives
// are undefined); each such point prints the Jacobian message and
// "Error occurs at element" on standard error. Returns the number of such points.
int solid_stiffness(const double *d, const double *xyz, const double *gp, const double *gw,
                    double *ek);
