// Back-calculation from measured deflectometer basins: the slab's E and the foundation's k from
// centre drops (the AREA method on Westergaard's dense-liquid basin, then refined on the 3D
// model), the transverse joint's interlock from joint drops (the model's LTE matched), and the
// description with the values found.
#pragma once

#include "description.h"
#include "run.h"

#include <string>
#include <vector>

// One measured drop: a row of the basins file.
struct measured_drop {
    std::string station, position;  // position: "centre", "joint approach", "joint leave", "corner"
    double load = 0;                // kN
    std::vector<double> deflection; // m, at the sensors of the description's drops
    int line = 0;
};

// Reads a basins file: a header line, then "station,position,load (kN),d1,...,dn" with the
// deflections in micrometres at the n sensors. False with every error as "FILE:LINE:COLUMN:
// what" (a missing sensor, a deflection that is not a positive finite number, a load of zero).
bool read_basins(const std::string &path, std::size_t sensors, std::vector<measured_drop> &out,
                 std::vector<std::string> &errors);

// Westergaard's deflection basin of a point load on a plate on a dense liquid relative to its
// value under the load: -(4 / pi) kei(r / l), kei by its power series.
double dense_liquid_basin(double r, double l);

// The radius of relative stiffness (m) whose basin has this AREA (inches), by bisection on the
// closed form; NaN outside the form's range.
double radius_of_area(double area);

// pavement backcalc: k and E from the centre drops, the transverse joint's stiffness from the
// joint drops, the report (backcalc.csv, backcalc.svg) and NAME_backcalc.toml in DIR.
int backcalc_description(const description &d, const std::string &basins, int jobs,
                         const run_settings &s, const chain_tools &tools);
