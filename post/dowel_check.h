// One embedded half of a dowel bar as a semi-infinite beam on an elastic foundation (Friberg),
// loaded at the joint face by the shear P and the moment M the bar carries there.
#pragma once

// Values of one half, canonical units (kgf, cm).
struct dowel_half_values {
    double beta = 0;       // (K d / 4 E I)^(1/4), 1/cm
    double y0 = 0;         // deflection of the bar against the concrete at the face
    double bearing = 0;    // K y0, the bearing stress on the concrete at the face
    double moment_max = 0; // largest |M(x)| along the half
    double shear_max = 0;  // largest |V(x)| along the half
};

// E bar modulus, d diameter, K modulus of dowel support, half_length the embedded length;
// P and M in the solver's dowel convention: y0 = 2 beta (P - beta M) / (K d), which is
// Friberg's P (2 + beta z) / (4 beta^3 E I) when M = -P z / 2 (a free span z).
// M(x) = M e^(-bx) (cos bx + sin bx) - (P / beta) e^(-bx) sin bx, V = dM/dx.
dowel_half_values dowel_half(double e, double d, double k, double half_length, double p, double m);
