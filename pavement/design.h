// The fatigue design check of a pavement description: the critical placements of each axle
// group (bottom-up at the mid-slab edge, top-down at both transverse joints) over the wheel
// wander, the slab stresses for every axle load and temperature state (by superposition on one
// mesh when the model is linear, by an analysis per state otherwise), Miner's sum of the
// damage, and the damage report.
#pragma once

#include "description.h"
#include "run.h"

#include <cmath>
#include <string>
#include <vector>

// A placement of one axle group on the first slab, at its reference load.
struct placement {
    int mode = 0;              // 0 bottom-up, 1 top-down
    std::string axle;          // template
    double offset = 0;         // outer tyre edge from the wander's line, into the lane (m)
    double weight = 1;         // its share of the wander
    double reference = 0;      // kN: the load the wheels below carry (per group)
    std::vector<wheel> wheels; // one group (bottom-up) or two (top-down, one at each joint)
};

// The placements of description d's design check (its traffic's axle types over the wander).
std::vector<placement> design_placements(const description &d);

// One combination of the damage sum.
struct damage_term {
    int mode = 0;           // 0 bottom-up, 1 top-down
    int traffic = 0;        // row of d.design.traffic
    int wander = 0;         // index into the wander positions
    int climate = 0;        // row of d.design.climate
    double stress = 0;      // MPa: the largest slab tension of the mode's face
    double ratio = 0;       // stress / MR
    double repetitions = 0; // n over the design life
    double allowable = 0;   // N (infinity: unlimited)
    double damage = 0;      // n / N
    // MPa: the largest slab tension of the axle group alone and of the temperature and self
    // weight alone (by superposition on a linear model; NaN where each combination was
    // analysed whole)
    double load_stress = std::nan(""), environment_stress = std::nan("");
};

struct design_result {
    double thickness = 0; // m
    std::vector<damage_term> terms;
    double damage[2] = {0, 0};   // Miner's sum, bottom-up and top-down
    double cracking[2] = {0, 0}; // mechanistic-empirical: fraction of slabs cracked
    int analyses = 0;            // corvane runs made
    bool superposed = false;     // stresses from unit loads and a unit gradient on one mesh
    bool in_equilibrium = true;
    std::vector<std::pair<double, double>> wander; // offsets and weights
    double wander_at_edge = 0; // the share of the traffic beyond the free edge, kept at it
    std::string wander_line;   // the line the offsets are measured from
    // Erosion (PCA 1984) and the faulting driver (differential energy at the loaded joint), of
    // the axle groups alone at the top-down placements (the groups at the joints)
    struct erosion_term {
        int traffic = 0, wander = 0;
        double corner = 0;      // m: the loaded side's deflection at the joint under the group
        double unloaded = 0;    // m: the other side's at the same station
        double power = 0;       // PCA's rate of work P
        double allowable = 0;   // N (infinity: unlimited)
        double repetitions = 0; // n over the design life
        double damage = 0;      // c2 n / N
        double energy = 0;      // J/m2 per pass, k/2 (wL^2 - wUL^2)
    };
    std::vector<erosion_term> erosion;
    bool erosion_given = false;
    std::string erosion_note;  // why not given, or the constants used
    double erosion_damage = 0; // sum c2 n / N
    double energy_total = 0;   // J/m2: sum n DE over the design life
    analysis_clock clock;      // where the analyses' time went (--timings)
    double seconds = 0;        // wall seconds of the analyses and their reading
};

// What a design check will do, for pavement check: its placements, the combinations, the
// analyses (mesh groups of a linear model, or one per combination) and an estimate of their
// wall time on this kind of machine (seconds; from the measured runs of the examples: about
// 1.6 s (n / 16 854)^1.8 per analysis of n planned nodes plus 0.02 s per load set and thousand
// nodes).
struct design_outline {
    std::vector<placement> places;
    std::string line; // the wander's line
    int combinations = 0, analyses = 0;
    bool superposed = false;
    long long nodes = 0; // of the largest analysis
    double seconds = 0;  // with jobs analyses at a time
};
bool outline_design(const description &d, int jobs, design_outline &o, std::string &why);

// Fills each term's stress ratio, allowable repetitions and damage n / N from its stress and
// repetitions, and the sums and cracking of both modes (Miner's rule).
void sum_damage(const design_spec &g, double mr, design_result &r);

// The stresses of every combination and their damage; false with why. Each analysis's files are
// removed once its stresses are read, unless keep.
bool compute_design(const description &d, const chain_tools &tools, const std::string &dir,
                    int jobs, bool quiet, bool keep, design_result &out, std::string &why);

// Writes the damage report (HTML, Markdown or CSV by the name) with its plots beside it.
bool write_design_report(const description &d, const std::vector<design_result> &results,
                         const std::string &path, std::string &why);

// pavement design: the check (and, with thicknesses, one per slab thickness); exit status.
int design_description(const description &d, const std::vector<double> &thicknesses, int jobs,
                       const run_settings &s, const chain_tools &tools);
