// FEMg3D: the viewer's single result model (mesh, results, dowels, face lists, drawing options).
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "display.h"
#include "records.h"
#include "view.h"

// Result component numbering of contours: 0-5 Sx..Sxy, 6-11 Ex..Exy, 12-14 S1..S3, 15 FI.
constexpr int n_components = 16;

class FEMg3D : public t_grph
{
  public:
    float disp_scale[3] = {1000.0f, 1000.0f, 1000.0f}; // displacement magnification x, y, z
    float contour_max = 100.0f;                        // user upper contour bound
    float contour_min = -100.0f;                       // user lower contour bound
    float principal_scale = 1.0f;                      // length factor of principal-stress bars
    int n_nodes = 0;
    int n_materials = 0;
    int n_elements = 0;
    int n_boundary = 0; // boundary records of the model file, read past
    int band_width = 0; // fifth header value of the model file, unused
    int n_faces = 0;    // records filled in each face list
    int n_load_faces = 0;
    int sel_material = -1;               // selected material, -1 all
    std::vector<t_node> nodes;           // n_nodes + 1 records
    std::vector<t_elem> elements;        // n_elements
    std::vector<t_face> faces;           // 6 * n_elements: undeformed mesh, sorted by depth
    std::vector<t_face> def_faces;       // 6 * n_elements: deformed mesh, sorted by depth
    std::vector<t_load_face> load_faces; // n_load_faces
    std::vector<t_material> materials;   // n_materials
    float extent[6] = {};                // x max, x min, y max, y min, z max, z min of all nodes
    float dowel_step = 0;                // station spacing of the last dowel profiled
    float dyn_time_step = 0;             // dynamic-run file, second value
    float dyn_out_interval = 0;          // dynamic-run file, fourth value
    float dyn_end_time = 0;              // dynamic-run file, first value
    float range_box[6] = {};             // selection box, same order as extent
    bool all_materials = false;
    bool model_loaded = false;
    bool results_loaded = false;
    bool range_inside = true; // keep elements inside (true) or outside (false) range_box
    bool fit_to_range = false;
    bool dyn_loaded = false;
    bool show_all_faces = false;
    int n_dowels = 0;
    int n_dowel_types = 0;
    std::vector<t_dowel_type> dowel_types; // n_dowel_types
    std::vector<t_dowel> dowels;           // n_dowels
    float bend_scale = 0.3f;               // drawing factor of dowel bending diagrams
    float shear_scale = 0.6f;              // drawing factor of dowel shear diagrams
    int contour_divisions = 20;
    // The bands of the last contour drawn (for its legend): internal units, component 0..15.
    struct contour_bands {
        bool valid = false;
        int component = 0;
        float lo = 0, hi = 0; // the colour scale's range
        int divisions = 1;
        float data_min = 0, data_max = 0; // the extremes the circles mark (red min, blue max)
    } last_contour;
    int principal_skip = 1;

    // Fatigue parameters edited by the fatigue dialog.
    float fatigue_a = 1.1265f;
    float fatigue_b = 0.0951f;
    float flex_strength = 45.0f;
    float repetitions_log = 7.0f;

    // Per-material nodal values (the per-material stress file, BASE.mst): with the display
    // setting per_material, a contour face of material m takes m's own mean at each corner
    // instead of the mean over every solid at the node.
    struct material_value {
        float strain[6];
        float stress[6];    // internal units, like t_node::stress
        float principal[3]; // ascending
        float fi;
    };
    bool material_values_loaded = false;
    std::vector<std::int64_t> material_value_start; // n_nodes + 1
    std::vector<int> material_value_material;       // per row
    std::vector<material_value> material_values;    // per row

    // Display settings of the owner (reading factors, wire, units...); defaults when not set.
    const display_settings *settings = &own_settings;
    // Progress window of loading; null draws no progress.
    progress_sink *progress = nullptr;
    // Why the last load failed (empty after a successful load), for the window to show.
    std::string load_error;

    FEMg3D();
    ~FEMg3D() override;
    FEMg3D(const FEMg3D &) = delete;
    FEMg3D &operator=(const FEMg3D &) = delete;

    // --- loading (load.cpp): return 1 on success, -1 when the model file cannot be opened or
    // the set is damaged (load_error then says why and the model is left released and empty).
    int load_result_set(const char *pin, const char *out, const char *dwi, const char *dwo,
                        const char *dyn);
    int load_result_set_binary(const char *pin, const char *out, const char *dwi, const char *dwo,
                               const char *dyn);
    void free_result_set();

    // --- derived results (results.cpp)
    void compute_fatigue(float a, float b, float sa, float r);
    // Reads the per-material stress file of the loaded model (1), or returns -1 with
    // load_error set (the rest of the set stays loaded).
    int load_material_values(const char *mst);
    // Contour value of component c at corner k of face f: the face material's own value when
    // per-material averaging is on and the node has it, else the node's mean.
    float face_value(const t_face &f, int k, int c) const;

    // --- faces (faces.cpp)
    void build_faces();
    void update_selection();
    bool face_visible(const t_face &f) const;
    static void sort_faces(t_face *list, int lo, int hi);
    // Kind of material m truncated toward zero (0 solid); -1 for a number outside the table or
    // a kind that is not a number or lies beyond the int range.
    int material_kind(int m) const;

    // --- view fitting (faces.cpp)
    void fit_to_model();
    void fit_to_box();
    // Fit to the projected box given in extent order (x max, x min, y max, ...).
    void fit_to_corners(const float box[6]);

    // --- VTK export (vtk.cpp): 1 written, -1 cannot be created.
    int export_vtk(const char *file_name) const;

    // --- dowel profiles (dowel.cpp)
    void compute_dowel_profiles();

    // --- drawing (draw_*.cpp, contour*.cpp)
    void draw_mesh(canvas &cv, bool outline_only);
    void draw_deformed(canvas &cv);
    void fill_face(canvas &cv, const t_face &f);
    void draw_face_outline(canvas &cv, const t_face &f);
    int material_colour(float e, float shade) const;
    void draw_contour(canvas &cv, int c);
    void fill_contour_triangle(canvas &cv, const float v[3], float vmin, float vmax, float dv,
                               const float px[3], const float py[3], float brightness);
    int value_colour(float v, float vmin, float vmax, float brightness) const;
    void draw_principal(canvas &cv, int choice);
    void draw_material_boxes(canvas &cv);
    void draw_dowels(canvas &cv);
    void draw_dowel_bending(canvas &cv);
    void draw_dowel_shear(canvas &cv);
    void draw_load_faces(canvas &cv, bool deformed);

    // --- accessors used by the forms (copies; forms keep no pointers into the model)
    t_node node_record(int i) const;
    std::vector<t_material> material_rows() const { return materials; }
    std::vector<t_dowel> dowel_records() const { return dowels; }
    // Scale group: disp_scale x, contour_max, contour_min, disp_scale y, disp_scale z,
    // principal_scale.
    void get_scales(float s[6]) const;
    void set_scales(const float s[6]);
    // Range box as x min, x max, y min, y max, z min, z max.
    void get_range(float r[6]) const;
    void set_range(const float r[6]);
    // Stores m; sets all_materials when m is negative (never clears it).
    void set_sel_material(int m);

    // Principal stresses of the tensor s = Sx, Sy, Sz, Syz, Szx, Sxy: values ascending,
    // direction[3*r + k] = component r of principal k.
    static void compute_principal(const float s[6], float values[3], float direction[9]);

  private:
    display_settings own_settings;

    // Loading steps (load.cpp).
    int load_text(const char *pin, const char *out, const char *dwi, const char *dwo,
                  const char *dyn);
    int load_binary(const char *pin, const char *out, const char *dwi, const char *dwo,
                    const char *dyn);
    int fail_load(const std::string &reason);
    void progress_line(int x, int y, const char *line);
    bool open_model_file(const char *pin, std::string &buf);
    bool check_header(const char *pin, long long values_needed, bool enough);
    void allocate_model();
    std::string check_element(const char *pin, int e) const;
    std::string check_load_face(const char *pin, int f) const;
    std::string check_dowels(const char *dwi) const;
    void compute_extent();
    void finish_model();
    void finish_results();
    void finish_faces();
    bool read_dyn(const char *dyn);
};

// The units the loaded set's files look written in, judged by the stiffest solid that reaches
// the top of the model (the slab) as the files hold it: 1 kgf-cm, 2 SI, 0 when no solid reaches
// the top. in_stress_factor: the factor the set was read with.
int guess_file_units(const FEMg3D &m, float in_stress_factor);
