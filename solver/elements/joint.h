// Eight-node joint element: local frame, gap zone, nonlinear normal spring, element matrix.
#pragma once

// T (3n x 3n) block-diagonal with the rotation R (rows e1, e2, e3 in global
// components) built from nodes 0, 1, 2 of xyz (n x 3). All zero when any of
// the three axis vectors has zero length.
void joint_frame(const double *xyz, int n, double *t);

// Additional opening at the local point (x, y) of a gap zone of peak a, size b,
// centre (cx, cy) and shape code type (10 circle, 11 square, 12 and 13 strips).
double gap_zone(double a, double b, double cx, double cy, double x, double y, int type);

// Secant normal stiffness at opening h for the limit e, force cap f and the
// initial stiffness kn.
double joint_normal_stiffness(double h, double e, double f, double kn);

// 24x24 global matrix of a joint element from its node coordinates xyz (8x3),
// total nodal displacements u (8x3) and material record mat. mat[2] must not be
// 0 (the readers refuse such joint materials).
void joint_stiffness(const double *xyz, const double *u, const double *mat, const double *gp,
                     const double *gw, double *kg);
