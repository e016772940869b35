// Fatigue of the slab concrete: the transfer functions from the stress ratio to the allowable
// repetitions, Miner's sum, the mechanistic-empirical cracking, and the lateral wander of the
// wheels. Pure functions, no files.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The transfer function of a design check and its constants.
struct transfer_function {
    enum kind_t { pca, me, user } kind = pca;
    // mechanistic-empirical: log10 N = c1 (MR / sigma)^c2, cracking = 1 / (1 + c4 DI^c5)
    double c1 = 2.0, c2 = 1.22, c4 = 1.0, c5 = -1.98;
    std::vector<std::pair<double, double>> curve; // user: (SR, N), SR ascending
};

// Allowable repetitions at the stress ratio sr = sigma / MR; +infinity when unlimited.
//   PCA (1984): log10 N = 11.737 - 12.077 SR for SR > 0.55; N = (4.2577 / (SR - 0.4325))^3.268
//     for 0.45 <= SR <= 0.55; unlimited below 0.45.
//   ME: log10 N = c1 (1 / SR)^c2 (unlimited for SR <= 0).
//   user: log10 N interpolated linearly in SR between the curve's points; below the first
//     point unlimited when its N is 1e12 or more, else that N; above the last point its N.
double allowable_repetitions(const transfer_function &t, double sr);

// Percent of slabs cracked (as a fraction) for the damage di: 1 / (1 + c4 di^c5), 0 for di 0.
double cracked_fraction(const transfer_function &t, double di);

// Bottom-up and top-down cracking combined: bu + td - bu td.
double total_cracking(double bu, double td);

// Erosion (PCA, Thickness Design for Concrete Highway and Street Pavements, 1984, as Huang's
// Pavement Analysis and Design gives its equations), in the method's US units: the pressure on
// the foundation at the corner p = k w (psi, k in pci, w the corner deflection in inches), the
// rate of work ("power") P = 268.7 p^2 / (h k^0.73) (h in inches), and the allowable
// repetitions log10 N = 14.524 - 6.777 (c1 P - 9)^0.103, unlimited (+infinity) for c1 P <= 9;
// c1 = 1 for an untreated subbase, 0.9 for a stabilized one. The damage is c2 n / N with c2 =
// 0.06 without a concrete shoulder and 0.94 with a tied one.
double erosion_power(double k_mpa_per_m, double corner_deflection_m, double thickness_m);
double erosion_allowable(double power, double c1);

// The differential energy of the foundation at a loaded joint per axle pass (J/m2, k in MPa/m,
// deflections in m): DE = k / 2 (wL^2 - wUL^2), the driver of the mechanistic-empirical
// faulting models.
double differential_energy(double k_mpa_per_m, double w_loaded, double w_unloaded);

// Discrete lateral positions of the wheels: offsets of the outer tyre edge from the slab edge
// (m) with their weights, sum 1. `positions` points at mean + z sd for z evenly spaced over
// [-2, 2] (one point: the mean), weighted by the normal density. Traffic beyond the free edge
// (a negative offset) is kept at the edge: its weight goes to offset 0, the most damaging place
// on the slab, not to the points inside; at_edge, when given, receives that share. Measured from
// a line that is not a free edge (a joint to a shoulder, a stripe), negative offsets stay as
// they are: traffic runs beyond the line.
std::vector<std::pair<double, double>> wander_positions(double mean, double sd, int positions,
                                                        double *at_edge = nullptr,
                                                        bool free_edge = true);
