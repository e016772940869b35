// Falling-weight deflectometer drops simulated on the model: each drop's deflection basin at its
// sensors (the load's alone), the AREA parameter of centre drops and the deflection load
// transfer of joint drops, on one mesh for all drops.
#pragma once

#include "description.h"
#include "run.h"

#include <string>
#include <vector>

struct fwd_basin {
    fwd_drop drop;
    std::vector<double> deflection; // m, downward positive, at each sensor
    double area = 0;                // AREA (inches), NaN unless the sensors have 0, 12, 24, 36 in
    double lte = 0;                 // deflection LTE across the joint, NaN for other drops
};

// The AREA parameter (Hoffman and Thompson, 1981) of deflections at 0, 12, 24 and 36 inches
// (0, 305, 610 and 914 mm): 6 (1 + 2 d12/d0 + 2 d24/d0 + d36/d0) inches, 36 for a rigid
// plate's basin, about 11 for a half-space.
double area_parameter(double d0, double d12, double d24, double d36);

// The surface deflection at (x, y) (cm, in the set's coordinates) by bilinear interpolation
// between the top surface's nodes; NaN outside them.
struct result_set;
double surface_deflection(const result_set &rs, double x_cm, double y_cm);

// Simulates d's drops in dir (one mesh, one corvane run per -j share of the sets); false with
// why. clock (when given) adds the analysis's time and corvane's phases.
bool simulate_fwd(const description &d, const chain_tools &tools, const std::string &dir,
                  const std::string &base, int jobs, bool quiet, std::vector<fwd_basin> &out,
                  std::string &why, analysis_clock *clock = nullptr);

// pavement fwd: the drops simulated, fwd.csv (a row per drop) and fwd.svg (the basins) in
// DIR (pavement_NAME_fwd). Returns a pavement_status.
int fwd_description(const description &d, int jobs, const run_settings &s,
                    const chain_tools &tools);
