// Axle groups: the tyres of the single, single-dual, tandem and tridem templates, their
// footprints from load and tyre pressure, and their place from the group's reference point.
#pragma once

#include "description.h"

#include <string>

// Template dimensions (m): the track, centre to centre of the wheel sets across the axle; the
// centre-to-centre distance of the two tyres of a dual set; the axle spacing of tandem and
// tridem groups.
constexpr double axle_track = 1.80;
constexpr double dual_spacing = 0.30;
constexpr double axle_spacing = 1.30;

// Tyres per group for the template name, or 0 for an unknown name.
int template_tyres(const std::string &axle);

// The group's tyres: each carries load / tyres on a footprint of area A = load / pressure, a
// rectangle 0.6 L wide and A / (0.6 L) = 0.8711 L long (along x, the direction of travel),
// L = sqrt(A / 0.5227) (the equivalent rectangle of the PCA method); axles across y. The group's
// reference point (position) is the front outer corner of its footprints: the largest x and the
// smallest y of any tyre.
std::vector<wheel> template_wheels(const std::string &axle, double load, double pressure,
                                   const double position[2]);
