// Damaged result sets: every bad count, index or truncation fails with a reason and an empty model.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "fem3d.h"
#include "model_sets.h"
#include "test_support.h"

namespace
{

using test_support::read_text;

void write_bytes(const std::string &name, const std::string &bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Replaces the first occurrence of from by to; the test fails when from is missing.
std::string replaced(std::string s, const std::string &from, const std::string &to)
{
    const size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

struct damaged_load {
    display_settings settings;
    recording_progress progress;
    FEMg3D model;
    damaged_load()
    {
        set_input_factors(settings, false);
        model.settings = &settings;
        model.progress = &progress;
    }
    // Loads base.*; expects failure naming the file with the given extension and the reason.
    void expect_failure(const std::string &base, bool binary, const char *ext, const char *reason)
    {
        EXPECT_EQ(load_base(model, base, binary), -1);
        EXPECT_NE(model.load_error.find(base + ext), std::string::npos) << model.load_error;
        EXPECT_NE(model.load_error.find(reason), std::string::npos) << model.load_error;
        EXPECT_FALSE(model.model_loaded);
        EXPECT_FALSE(model.results_loaded);
        EXPECT_EQ(model.n_nodes, 0);
        EXPECT_EQ(model.n_elements, 0);
        EXPECT_EQ(model.n_materials, 0);
        EXPECT_EQ(model.n_faces, 0);
        EXPECT_EQ(model.n_dowels, 0);
        EXPECT_EQ(model.n_load_faces, 0);
        EXPECT_TRUE(model.nodes.empty() && model.elements.empty() && model.faces.empty() &&
                    model.def_faces.empty() && model.dowels.empty());
        if (!progress.lines.empty() && progress.lines[0] == "show") {
            EXPECT_EQ(progress.lines.back(), "hide");
        }
        progress.lines.clear();
    }
};

// The hand-written one-element set copied to a fresh directory with one file changed.
std::string text_case(const std::string &name, const char *ext,
                      const std::function<std::string(const std::string &)> &change)
{
    const std::string dir = fresh_dir("damaged_" + name), base = dir + "/one";
    for (const char *e : {".pin", ".out", ".dwi", ".dwo", ".dyn"}) {
        std::string text = read_text(std::string(TEST_DATA_DIR) + "/viewer_one/one" + e);
        if (std::string(e) == ext) text = change(text);
        write_bytes(base + e, text);
    }
    return base;
}

const char element_line[] = "     0      1      2      3      4      5      6      7      0 \n";

} // namespace

TEST(Damaged, TextModelFile)
{
    struct text_fault {
        const char *name, *reason;
        std::function<std::string(const std::string &)> change;
    };
    const std::vector<text_fault> faults = {
        {"negative", "node count -8 is negative",
         [](const std::string &s) { return replaced(s, "    8     2", "   -8     2"); }},
        {"huge", "too large for the file's size",
         [](const std::string &s) {
             return replaced(s, "    2     1     4", "    2 100000000     4");
         }},
        {"node_index", "element 0 uses node 99, outside 0..7",
         [](const std::string &s) {
             return replaced(s, element_line,
                             "     0      1      2      3      4      5      6     99      0 \n");
         }},
        {"negative_node", "element 0 uses node -1",
         [](const std::string &s) {
             return replaced(s, element_line,
                             "     0      1      2     -1      4      5      6      7      0 \n");
         }},
        {"material", "element 0 uses material 2, outside 0..1",
         [](const std::string &s) {
             return replaced(s, element_line,
                             "     0      1      2      3      4      5      6      7      2 \n");
         }},
        {"face_node", "loaded face 0 uses node 70",
         [](const std::string &s) {
             return replaced(s, "     7   5.00000e-01", "    70   5.00000e-01");
         }},
        {"face_count", "loaded face count -1 is negative",
         [](const std::string &s) { return replaced(s, "    1 \n", "   -1 \n"); }},
        {"face_count_huge", "loaded face count 50000000 is too large",
         [](const std::string &s) { return replaced(s, "    1 \n", " 50000000 \n"); }},
        {"truncated", "is truncated or malformed (element 0)",
         [](const std::string &s) { return s.substr(0, s.find(element_line)); }},
        {"truncated_face", "is truncated or malformed (loaded face 0)",
         [](const std::string &s) { return s.substr(0, s.size() - 20); }},
        {"malformed", "is truncated or malformed (node 1)",
         [](const std::string &s) { return replaced(s, "    100.0000", "    abc"); }},
        {"no_nodes", "the model has no nodes",
         [](const std::string &s) { return replaced(s, "    8     2", "    0     2"); }},
    };
    for (const auto &f : faults) {
        SCOPED_TRACE(f.name);
        damaged_load d;
        d.expect_failure(text_case(f.name, ".pin", f.change), false, ".pin", f.reason);
    }
}

TEST(Damaged, TextResultAndDowelFiles)
{
    struct text_fault {
        const char *name, *ext, *reason;
        std::function<std::string(const std::string &)> change;
    };
    const std::vector<text_fault> faults = {
        {"out_truncated", ".out", "result file",
         [](const std::string &s) { return s.substr(0, s.size() / 2); }},
        {"out_header_only", ".out", "(displacement of node 0)",
         [](const std::string &s) { return s.substr(0, s.find('\n') + 1); }},
        {"dwi_type", ".dwi", "dowel 0 uses type 3, outside 0..0",
         [](const std::string &s) {
             return replaced(s, " 50.0 50.0 50.0 0", " 50.0 50.0 50.0 3");
         }},
        {"dwi_negative", ".dwi", "are negative",
         [](const std::string &s) { return replaced(s, "1 1\n", "-1 1\n"); }},
        {"dwi_huge", ".dwi", "too large for the file's size",
         [](const std::string &s) { return replaced(s, "1 1\n", "1000000000 1\n"); }},
        {"dwi_truncated", ".dwi", "(dowel 0)",
         [](const std::string &s) { return s.substr(0, s.size() - 8); }},
        {"dwo_header_only", ".dwo", "dowel result file",
         [](const std::string &s) { return s.substr(0, s.find('\n') + 1); }},
        {"dyn_malformed", ".dyn", "dynamic-run file",
         [](const std::string &) { return std::string("10.0 x"); }},
    };
    for (const auto &f : faults) {
        SCOPED_TRACE(f.name);
        damaged_load d;
        d.expect_failure(text_case(f.name, f.ext, f.change), false, f.ext, f.reason);
    }
}

TEST(Damaged, BinaryForm)
{
    set_data s = block_set(1, 1, 1, 100);
    s.with_results = true;
    s.disp.assign(8, {0, 0, 0});
    s.strain.assign(8, {0, 0, 0, 0, 0, 0});
    s.stress.assign(8, {1, 0, 0, 0, 0, 0});
    s.dowel_types.push_back({2.04e6f, 0.3f, 0.6f, 2.5f, 45, 40000, 0, 0, 0, 0, 0, 0});
    s.dowel_centres = {{50, 50, 50}};
    s.dowel_type_of = {0};
    s.with_dowel_results = true;
    s.dowel_axis = {{1, 0, 0}};
    s.dowel_forces = {{0, 0, -100, 0, 0, 0, 0, 0, -100, 0, 0, 0}};

    auto make = [&](const std::string &name, const char *ext,
                    const std::function<void(std::string &)> &change) {
        const std::string base = fresh_dir("damaged_bin_" + name) + "/set";
        write_binary_set(s, base);
        std::string bytes = read_text(base + ext);
        change(bytes);
        write_bytes(base + ext, bytes);
        return base;
    };
    auto put = [](std::string &b, size_t word, std::int32_t v) {
        for (int k = 0; k < 4; k++)
            b[4 * word + k] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
    };
    {
        damaged_load d; // the untouched set loads
        const std::string base = make("good", ".pin", [](std::string &) {});
        const std::string p = base + ".pin", o = base + ".out", i = base + ".dwi",
                          w = base + ".dwo", y = base + ".dyn";
        ASSERT_EQ(
            d.model.load_result_set_binary(p.c_str(), o.c_str(), i.c_str(), w.c_str(), y.c_str()),
            1)
            << d.model.load_error;
        EXPECT_EQ(d.model.n_dowels, 1);
    }
    const size_t element_word = 5 + 12 + 8 * 3; // header, one material, 8 nodes
    struct bin_fault {
        const char *name, *ext, *reason;
        std::function<void(std::string &)> change;
    };
    const std::vector<bin_fault> faults = {
        {"pin_short_header", ".pin", "truncated (header)", [](std::string &b) { b.resize(12); }},
        {"pin_truncated", ".pin", "too large for the file's size",
         [](std::string &b) { b.resize(b.size() - 40); }},
        {"pin_huge", ".pin", "too large", [&](std::string &b) { put(b, 0, 0x7FFFFFFF); }},
        {"pin_negative", ".pin", "element count -3 is negative",
         [&](std::string &b) { put(b, 2, -3); }},
        {"pin_node", ".pin", "element 0 uses node 8",
         [&](std::string &b) { put(b, element_word + 7, 8); }},
        {"pin_material", ".pin", "uses material 1",
         [&](std::string &b) { put(b, element_word + 8, 1); }},
        {"pin_faces", ".pin", "truncated (loaded faces)",
         [&](std::string &b) { put(b, element_word + 9, 3); }},
        {"out_truncated", ".out", "is truncated", [](std::string &b) { b.resize(b.size() - 4); }},
        {"dwi_type", ".dwi", "uses type -2", [&](std::string &b) { put(b, 2 + 12 + 3, -2); }},
        {"dwi_huge", ".dwi", "is truncated", [&](std::string &b) { put(b, 0, 100000000); }},
        {"dwo_truncated", ".dwo", "is truncated", [](std::string &b) { b.resize(56); }},
    };
    for (const auto &f : faults) {
        SCOPED_TRACE(f.name);
        damaged_load d;
        d.expect_failure(make(f.name, f.ext, f.change), true, f.ext, f.reason);
    }
}

// A failed load leaves nothing behind that a following good load would trip over.
TEST(Damaged, GoodLoadAfterFailure)
{
    damaged_load d;
    d.expect_failure(text_case("then_good", ".pin",
                               [](const std::string &s) { return s.substr(0, s.size() / 2); }),
                     false, ".pin", "truncated");
    ASSERT_EQ(load_base(d.model, one_set_base()), 1);
    EXPECT_TRUE(d.model.load_error.empty());
    EXPECT_EQ(d.model.n_faces, 6);
    EXPECT_EQ(d.model.n_dowels, 1);
}

// Whitespace-separated tokens of a text (a token cut short still counts as one).
static int token_count(const std::string &text)
{
    std::istringstream in(text);
    int n = 0;
    for (std::string w; in >> w;) ++n;
    return n;
}

// Every truncation of the model and result files fails with a reason and an empty model as soon
// as a whole value is lost; none may read out of bounds (the sanitizer build checks). A cut
// inside the last value leaves a shorter number that still reads (the text formats cannot tell),
// and a cut of trailing blanks only loses nothing: those may load.
TEST(Damaged, EveryTruncationFailsCleanly)
{
    for (const char *ext : {".pin", ".out", ".dwo"}) {
        const std::string full = read_text(one_set_base() + ext);
        const std::string base =
            text_case(std::string("cut") + (ext + 1), ext, [](const std::string &s) { return s; });
        for (size_t len = 0; len < full.size(); len += 17) {
            write_bytes(base + ext, full.substr(0, len));
            damaged_load d;
            const int r = load_base(d.model, base);
            const bool value_lost = token_count(full.substr(0, len)) < token_count(full);
            if (value_lost) {
                EXPECT_EQ(r, -1) << ext << " cut at " << len << " loaded";
                EXPECT_FALSE(d.model.load_error.empty());
                EXPECT_EQ(d.model.n_nodes, 0);
            } else {
                EXPECT_EQ(r, 1) << ext << " cut at " << len;
            }
        }
    }
}

TEST(Damaged, ChangedBinaryWordsFailCleanly)
{
    set_data s = block_set(2, 1, 1, 100);
    s.materials.push_back({100, 200, 300, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    s.load_faces.push_back({{6, 7, 10, 9}, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}}});
    const std::string base = fresh_dir("bin_words") + "/set";
    write_binary_set(s, base);
    const std::string good = read_text(base + ".pin");
    const std::int32_t values[] = {-1, 0x40000000};
    for (size_t word = 0; word < good.size() / 4; word++)
        for (std::int32_t v : values) {
            std::string bytes = good;
            for (int k = 0; k < 4; k++)
                bytes[4 * word + k] =
                    static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
            write_bytes(base + ".pin", bytes);
            damaged_load d;
            const std::string p = base + ".pin", none = base + "_none";
            const int r =
                d.model.load_result_set_binary(p.c_str(), (none + ".out").c_str(), "", "", "");
            EXPECT_TRUE(r == 1 || (r == -1 && !d.model.load_error.empty())) << word;
        }
}
