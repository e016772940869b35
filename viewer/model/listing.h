// Numerical listing of nodal results and the dowel stress listing, shared by the forms and the
// batch command.
#pragma once

#include "records.h"

#include <string>
#include <vector>

// Result columns of the nodal listing, in the order of the form's check boxes.
constexpr int listing_column_count = 19;
extern const char *const listing_column_captions[listing_column_count]; // "Ux" ... "FI"

// Selection, sort and column settings of the numerical data form. Lengths in cm.
struct listing_settings {
    int key_slot[3] = {2, 1, 0};              // axis (0 x, 1 y, 2 z) sorted with priority 0, 1, 2
    bool select_on[3] = {false, false, true}; // plane selection per axis
    float select_value[3] = {0.0f, 0.0f,
                             0.0f}; // plane values; in line mode [0] slope, [1] intercept
    bool line_mode = false;         // select along y = a x + b at z = select_value[2]
    float tolerance = 0.0001f;      // half-width of the selection band
    bool column_on[listing_column_count] = {true, true, true, true, true, true, true,
                                            true, true, true, true, true, true, true,
                                            true, true, true, true, true};
    bool all_columns = true; // the "All" box
};

// Texts of the form's selection fields, as typed (lengths in display units).
struct listing_fields {
    std::string key[3] = {"2", "1", "0"};          // Xk, Yk, Zk
    std::string select[3] = {"Non", "Non", "0.0"}; // XE, YE, ZE
    std::string line_a = "0";                      // Edit1, "A ="
    std::string line_b = "0";                      // Edit2, "B ="
    std::string range = "0.0001";                  // Edit3, "Range = "
};

// Reads the fields into the settings in the form's order: keys, plane values, line, tolerance.
// A field that is not a number throws field_error; the settings read before it keep
// their new values.
void read_listing_fields(listing_settings &s, const listing_fields &f, float length_factor);

// The "All" box: flips all_columns and sets every column to its new value.
void toggle_all_columns(listing_settings &s);

// Node filter on the coordinates (x, y, z).
bool listing_accepts(const listing_settings &s, const float *coord);

// Sort key of a coordinate: value * 1000 truncated toward zero (units of 0.001 cm).
long long listing_key(float coordinate);

// True when a comes before b under the keys key_slot[0], [1], [2].
bool listing_before(const listing_settings &s, const t_node &a, const t_node &b);

// In-place quicksort of rows[lo..hi] with the middle record as pivot; equal keys end in the
// order this partitioning leaves them.
void sort_listing_rows(const listing_settings &s, t_node *rows, int lo, int hi);

// The accepted nodes of nodes[0..n), in node order (unsorted).
std::vector<t_node> select_listing_rows(const listing_settings &s, const t_node *nodes, int n);

// Header line: coordinates and the headers of the columns that are on, in m and MPa, or with
// kgf_cm in cm and kg/cm2 (kgf/cm2; the units the values are shown in).
std::string listing_header(const listing_settings &s, bool kgf_cm = false);

// One record line with the display factors.
std::string listing_line(const listing_settings &s, const t_node &row, float length_factor,
                         float stress_factor);

// The whole listing: select, sort, header and one line per row. Empty when no node is accepted.
// rows receives the sorted records (the form keeps them).
std::vector<std::string> numerical_listing(const listing_settings &s, const t_node *nodes, int n,
                                           float length_factor, float stress_factor,
                                           std::vector<t_node> *rows = nullptr);

// Dowel stress listing: 73 lines per dowel (position, header, 71 stations).
std::vector<std::string> dowel_listing(const t_dowel *dowels, int n, float length_factor,
                                       float stress_factor);

// Writes the lines with CR LF line ends. Returns false (and leaves no partial promise) when the
// file cannot be created or written.
bool write_listing_file(const std::string &path, const std::vector<std::string> &lines);
