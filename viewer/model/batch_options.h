// Command line of ostrine-batch: its options and the picture options, read without any window.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Picture options as given on the command line; numbers stay texts until the dialog they
// belong to reads them.
struct picture_options {
    std::string image_file;                 // --image: .bmp (or anything else) bitmap, .png PNG
    int graph_type = 0;                     // --graph: a graph name of the Graph menu; Mesh
    int principal_choice = 0;               // --principal: Minimum (default), Middle, Maximum, All
    int width = 922, height = 610;          // --size WxH: the main window's client area
    bool smooth = false;                    // --smooth: Smooth_Cnt
    int wire = 0;                           // --wire: 0 none (default), 1 black, 2 gray
    int wheel_mode = 2;                     // --wheels: 0 none, 1 frame, 2 filled (default)
    bool all_faces = false;                 // --all-faces: Option > All elements
    std::vector<std::string> view;          // --view rou,theta,phi,d1
    std::vector<std::string> light;         // --light x,y,z
    int preset = 0;                         // --preset: view dialog button 1..6, 0 none
    std::vector<std::string> disp_scale;    // --disp-scale s or x,y,z
    std::vector<std::string> contour_range; // --contour-range max,min (sets the range check)
    std::string divisions;                  // --divisions N
    std::string principal_scale;            // --principal-scale S
    std::string skip;                       // --skip N
    std::string material;                   // --material M: 0-based, -1 all
    std::vector<std::string> range;         // --range xmin,xmax,ymin,ymax,zmin,zmax (cm)
    bool outside = false;                   // --outside: the range dialog's "Or"
    bool fit_range = false;                 // --fit-range: "Adjust Viewport"
    bool legend = false;                    // --legend: contour legend and axis triad
};

// Usage lines of the picture options.
extern const char picture_usage_text[];

// 1 when the option takes a value, 0 when it does not, -1 when it is not a picture option.
int picture_option_arity(const char *name);

// Stores one picture option; returns why the value is not accepted, or nullptr.
const char *set_picture_option(picture_options &p, const char *name, const char *value);

// Everything the command line sets; one instance per run.
struct batch_options {
    std::string base;
    int unit_mode = 0;                 // -U: 1 kgf-cm input, 2 SI input, 0 not given
    bool si_output = true;             // --si / --kgf
    bool binary = false;               // --binary
    std::string vtk_file;              // --vtk
    std::string vtu_file;              // --vtu: XML VTK in SI (read strictly, with .mst)
    std::string list_file;             // --list
    std::string dowels_file;           // --dowels
    std::string report_file;           // --report: .html, .md or .csv
    double fc = 0;                     // --fc=30MPa: f'c for the allowable bearing (kgf/cm2)
    double mr = 0;                     // --mr=4.5MPa: modulus of rupture (kgf/cm2)
    double dowel_shear_allow = 0;      // --dowel-shear-allowable=: steel (kgf/cm2)
    double dowel_bending_allow = 0;    // --dowel-bending-allowable=: steel (kgf/cm2)
    bool per_material = false;         // --per-material: contours of each material's own means
    std::vector<double> at;            // --at=x,y,z: values at the nearest node (report units)
    std::vector<std::string> envelope; // --envelope: result sets of one mesh
    picture_options picture;           // --image and the graph options (above)
    int info = 0;                      // --version or --help: print that and end (batch_info_*)
};

constexpr int batch_info_version = 1;
constexpr int batch_info_help = 2;

// The usage text (--help prints it and picture_usage_text on standard output).
const char *batch_usage_text();

// Exit statuses of ostrine-batch.
constexpr int batch_exit_ok = 0;
constexpr int batch_exit_failed = 1; // the result set could not be loaded or an output not written
constexpr int batch_exit_usage = 2;

// Parses argv (argv[0] the program name) into o; returns batch_exit_ok, or batch_exit_usage
// after printing why and the usage text on err.
int parse_batch_options(int argc, char **argv, batch_options &o, std::FILE *err);
