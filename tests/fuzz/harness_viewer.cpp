// Fuzz harness bodies of the viewer model: text and binary result sets (model, result, dowel
// input, dowel result and dynamic-run files), then drawing and VTK export of small sets; the
// command lines of ostrine and ostrine-batch.
#include "batch_options.h"
#include "command_line.h"
#include "fem3d.h"
#include "fuzz_common.h"
#include "graph.h"

#include <cstdint>

namespace
{

// Drawing goes nowhere: only the arithmetic on the loaded values is exercised.
class null_canvas : public canvas
{
  public:
    void set_pen(int, int, int) override {}
    void set_brush(int, int) override {}
    void set_font_colour(int) override {}
    void move_to(int, int) override {}
    void line_to(int, int) override {}
    void arc(int, int, int, int, int, int, int, int) override {}
    void rectangle(int, int, int, int) override {}
    void polygon(const int *, int) override {}
    void text_out(int, int, const char *) override {}
};

// Sets above this size load fine but draw slowly; the drawing is exercised on small ones.
constexpr int max_draw_elements = 200;

// Input: up to five files separated by the file separator, in the order model, result, dowel
// input, dowel result, dynamic run; files not given are missing.
std::string load_and_draw(const std::uint8_t *data, std::size_t size, bool binary)
{
    const std::vector<std::string> parts = fuzz::split_files(data, size, 5);
    static const char *const ext[5] = {".pin", ".out", ".dwi", ".dwo", ".dyn"};
    std::string names[5];
    for (int i = 0; i < 5; ++i) {
        names[i] = fuzz::scratch_dir() + "/set" + ext[i];
        fuzz::put_file(names[i], i < static_cast<int>(parts.size()) ? &parts[i] : nullptr);
    }
    display_settings ds;
    FEMg3D model;
    model.settings = &ds;
    const int got =
        binary ? model.load_result_set_binary(names[0].c_str(), names[1].c_str(), names[2].c_str(),
                                              names[3].c_str(), names[4].c_str())
               : model.load_result_set(names[0].c_str(), names[1].c_str(), names[2].c_str(),
                                       names[3].c_str(), names[4].c_str());
    if (got != 1) return model.load_error.empty() ? "load failed" : model.load_error;
    if (model.n_elements <= max_draw_elements && model.n_dowels <= max_draw_elements) {
        null_canvas cv;
        ds.material_count = model.n_materials;
        model.get_range(ds.saved_range_box);
        static const int graphs[] = {0, 1, 2, 13, 14, 15, 18, 19, 20};
        for (int g : graphs) {
            ds.principal_choice = 3;
            draw_graph(model, ds, cv, g, 640, 400, graph_target::image);
        }
        model.export_vtk((fuzz::scratch_dir() + "/set.vtk").c_str());
    }
    return "loaded"; // the replays tell a load from a refusal
}

} // namespace

std::string fuzz_viewer_text(const std::uint8_t *data, std::size_t size)
{
    return load_and_draw(data, size, false);
}

std::string fuzz_viewer_binary(const std::uint8_t *data, std::size_t size)
{
    return load_and_draw(data, size, true);
}

std::string fuzz_ostrine_cmdline(const std::uint8_t *data, std::size_t size)
{
    // As the program takes its arguments: program name dropped, empty ones skipped, at most 50.
    fuzz::command_line cl("ostrine", data, size, 64);
    std::vector<std::string> tokens;
    for (std::size_t i = 1; i < cl.words.size() && tokens.size() < 50; ++i)
        if (!cl.words[i].empty()) tokens.push_back(cl.words[i]);
    try {
        parse_command_line(tokens);
    } catch (const field_error &e) {
        return e.what();
    }
    return std::string();
}

std::string fuzz_batch_cmdline(const std::uint8_t *data, std::size_t size)
{
    fuzz::command_line cl("ostrine-batch", data, size, 64);
    fuzz::message_stream err;
    batch_options opt;
    const int status = parse_batch_options(cl.argc(), cl.argv.data(), opt, err.f);
    return status != batch_exit_ok ? err.text() : std::string();
}
