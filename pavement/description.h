// An engineer's description of a jointed concrete pavement (slabs, layers, foundation, joints,
// dowels, loads, temperature, mesh and analysis settings), read from TOML. Values are held in
// SI: m, MPa, kN, MPa/m for moduli of support and spring stiffnesses, t/m3, degrees C.
#pragma once

#include "fatigue.h"

#include <string>
#include <vector>

// Bars across one kind of joint (dowels across transverse joints, ties across longitudinal).
struct bar_set {
    bool present = false;
    double diameter = 0.032; // m
    double length = 0.46;    // m
    double spacing = 0.30;   // m
    double first = -1;       // centre of the first bar from the slab edge (m); < 0: spacing / 2
    double e = 200000;       // MPa
    double nu = 0.3;
    double support_modulus = 400000; // MPa/m, Friberg's K
    double looseness = 0;            // m of free play across the bar before it bears
    int line = 0;                    // where the bars are described (0: not given)
};

// How the engineer gave a joint's aggregate interlock.
enum class interlock_entry { stiffness, agg, lte };

struct joint_set {
    // The interlock's shear stiffness per unit area of the joint face, MPa/m (the file's MPa/mm
    // times 1000): as entered, or converted from agg or lte once the slab and support are read.
    double stiffness = 0.0;
    interlock_entry entry = interlock_entry::stiffness;
    double entered = 0; // the value of the key used: MPa/m, AGG/(k l), or the target LTE
    // A tight joint (opening = 0): faces in contact, stiff in compression, nothing in tension,
    // shear only where they touch. Otherwise (the default, a sawn or cracked joint with its
    // small opening) shear by interlock and neither normal force nor moment.
    bool tight = false;
    double opening = -1;  // m as entered (-1: not given)
    double width = 0.005; // m
    bar_set bars;         // dowels (transverse) or ties (longitudinal)
    int line = 0;         // where the joint is described
};

struct layer_spec {
    std::string name;
    double thickness = 0, e = 0, nu = 0.3, density = 0;
};

struct wheel {
    double x = 0, y = 0;          // centre (m)
    double length = 0, width = 0; // along x and y (m)
    double load = 0;              // kN on this tyre
};

struct load_group {
    std::string axle;    // "single", "single-dual", "tandem", "tridem", or "" (explicit wheels)
    double load = 0;     // kN for the group
    double pressure = 0; // MPa (0: not given)
    double position[2] = {0, 0};
    bool has_position = false;
    std::vector<wheel> wheels; // the tyres (from the template or as given)
    int line = 0;              // where the group is in the description
};

// One row of traffic: an axle group's load and its repetitions per year.
struct traffic_row {
    std::string axle;       // a template: single, single-dual, tandem, tridem
    double load = 0;        // kN for the group
    double repetitions = 0; // per year
    double pressure = 0.7;  // MPa
    int line = 0;
};

// A temperature state and its share of the time.
struct climate_row {
    double difference = 0; // C, top minus bottom of the slab
    double share = 1;
};

// The fatigue design check: traffic over the design life, wander, climate, transfer function.
struct design_spec {
    bool present = false; // [design], [[traffic]], [wander] or [[climate]] given
    double life = 20;     // years
    transfer_function transfer;
    double mr = 0;             // MPa (0: [report] mr)
    double crack_limit = 0.15; // the mechanistic-empirical check: cracked slabs allowed
    std::vector<traffic_row> traffic;
    std::vector<climate_row> climate;            // none given: one state, no gradient, all the time
    double wander_mean = 0.45, wander_sd = 0.25; // outer tyre edge from the lane's line, m
    int wander_points = 5;
    // the line the wander is measured from: the lane's free edge, a longitudinal joint
    // (from_joint, 1-based), or a lane stripe at y (from_y, m)
    enum class line { edge, joint, stripe } from = line::edge;
    int from_joint = 0;
    double from_y = 0;
    int lane = 1; // the row of slabs carrying the traffic (1: the first from y = 0)
    // PCA erosion: c1 (1 untreated subbase, 0.9 stabilized) and c2 (0.06 without a concrete
    // shoulder, 0.94 with a tied one; < 0: from the wander's line, 0.94 at a tied joint)
    double erosion_c1 = 1.0, erosion_c2 = -1.0;
};

// The line a design's wander is measured from: its y (m), the direction into the lane (+1
// toward larger y, -1 toward smaller), and whether it is a free slab edge (traffic beyond it is
// kept at it) or not (traffic may run beyond it: onto a shoulder, or past a stripe).
struct lane_line {
    double y = 0;
    int toward = 1;
    bool free_edge = true;
    std::string name; // for the report: "the lane's free edge y = 0 m", ...
};

// One falling-weight deflectometer drop ([[fwd]]): where the plate is, its load and the sensors.
struct fwd_drop {
    std::string label;    // "centre", "joint approach", "joint leave", "corner" or "at (x, y)"
    double x = 0, y = 0;  // plate centre (m)
    double load = 40;     // kN
    double radius = 0.15; // m
    // sensor offsets from the plate centre along x (m), direction +1 or -1 (across the joint
    // for joint drops)
    std::vector<double> sensors = {0, 0.203, 0.305, 0.457, 0.610, 0.914, 1.219, 1.524};
    int direction = 1;
    int line = 0;
};

struct description {
    std::string file; // where it was read from
    std::string title;
    bool kgf_cm = false; // units = "kgf-cm" (values converted to SI on reading)
    // slabs
    std::vector<double> lengths, widths; // m, along x (columns) and y (rows)
    double thickness = 0, e = 0, nu = 0.15, density = 0, alpha = 1.0e-5;
    // E of each row of slabs where it differs from e (a flexible shoulder as a softer row), MPa;
    // empty: every row is of e
    std::vector<double> row_e;
    std::vector<layer_spec> layers;
    // foundation: a dense liquid under the last layer (or the slabs)
    bool has_foundation = false;
    double k = 0; // MPa/m
    bool tensionless = false;
    // interface between the slab and the first layer
    bool bonded = false;
    double interface_shear = 50.0; // MPa/m (0.05 MPa/mm)
    bool interface_tensionless = false;
    joint_set transverse, longitudinal;
    std::vector<load_group> loads;
    // temperature: top minus bottom of the slab, linear or quadratic through it
    double temperature_difference = 0;
    bool quadratic = false;
    double temperature_mid = 0; // quadratic: mid-depth minus the mean of top and bottom
    // built-in curl (construction curl, moisture warping) as an equivalent linear difference,
    // top minus bottom (C, usually negative), added to the run's and every climate state's
    double built_in = 0;
    // the linear difference the slab carries: the temperature's and the built-in curl's
    double total_difference() const { return temperature_difference + built_in; }
    // mesh
    double size = 0.25, size_near_loads = 0.025, size_near_joints = 0.05;
    int elements_through_slab = 4; // from the thickness unless given (elements_through)
    bool elements_given = false;
    double growth = 1.3, margin = 1.0;
    // falling-weight deflectometer drops (pavement fwd)
    std::vector<fwd_drop> fwd;
    // analysis
    std::string element = "incompatible", solver = "auto";
    // report
    double fc = 0, mr = 0; // MPa, 0: not given
    design_spec design;
    // Values outside an engineering range but not refused ("FILE:LINE: key: what").
    std::vector<std::string> warnings;

    double total_length() const; // slabs and joints along x
    double total_width() const;
    // x of the transverse joints' gaps (left face) and y of the longitudinal ones
    std::vector<double> transverse_joints() const;
    std::vector<double> longitudinal_joints() const;
};

// Elements through a slab of this thickness (m) when the description does not give them.
int elements_through(double thickness);
// Bars along a slab edge of length edge (m): the first at first from its start, then every
// spacing, none closer than first to its end.
int bars_along(double edge, double first, double spacing);
// The radius of relative stiffness l = (E h^3 / (12 (1 - nu^2) k))^(1/4) of the slab on the
// foundation's k (m).
double relative_stiffness_radius(const description &d);
// The deflection load transfer of a joint of nondimensional stiffness AGG/(k l) and its inverse:
// LTE = 1 / (1 + 1.2 (AGG/(k l))^-0.849) (Crovetti, 1994, fitted to plate analyses of a
// loaded area at the joint).
double lte_of_agg(double agg_kl);
double agg_of_lte(double lte);

// The names corvane offers for [analysis] element and solver, as its --capabilities lists
// them. Empty lists: corvane was not found, and the names are not checked.
struct offered_names {
    std::vector<std::string> elements, solvers;
};

// The line of d's wander; false with why when it names no line of the lane (a middle row has no
// free edge, a joint that does not border the lane, a stripe outside it).
bool wander_line(const description &d, lane_line &line, std::string &why);
// The same for any lane (a row, 1-based) and line: kind, the longitudinal joint (1-based) or
// the stripe's y (m). Messages start "wander.from:" for the caller to rename.
bool line_of_lane(const description &d, design_spec::line kind, int joint, double stripe, int lane,
                  lane_line &line, std::string &why);

// Reads and checks a description; false with the messages (each "FILE:LINE: key: what").
// offered: the element and solver names to accept ("auto" besides the solvers).
bool read_description(const std::string &path, description &d, std::vector<std::string> &errors,
                      const offered_names &offered = {});
// The same from text (name is used in the messages).
bool parse_description(const std::string &text, const std::string &name, description &d,
                       std::vector<std::string> &errors, const offered_names &offered = {});
