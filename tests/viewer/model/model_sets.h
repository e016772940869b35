// Test helpers: result sets written in the text and binary forms.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "canvas.h"
#include "fem3d.h"
#include "recording_canvas.h"
#include "test_support.h"

// The content of one result set, in input units.
struct set_data {
    std::vector<std::array<float, 12>> materials;
    std::vector<std::array<float, 3>> coords;
    std::vector<std::array<int, 9>> elements; // 8 nodes, material
    int n_boundary = 0;
    struct load_face {
        int node[4];
        float traction[4][3];
    };
    std::vector<load_face> load_faces;
    bool with_results = false;
    std::vector<std::array<float, 3>> disp;
    std::vector<std::array<float, 6>> strain, stress;
    std::vector<std::array<float, 12>> dowel_types;
    std::vector<std::array<float, 3>> dowel_centres;
    std::vector<int> dowel_type_of;
    bool with_dowel_results = false;
    std::vector<std::array<float, 3>> dowel_axis;
    std::vector<std::array<float, 12>> dowel_forces;
};

// A fresh, empty directory for one test.
inline std::string fresh_dir(const std::string &name)
{
    return test_support::scratch_path("ostrine_model_" + name);
}

// The one-element result set of the test data (tests/data/viewer_one/one.*).
inline std::string one_set_base()
{
    return std::string(TEST_DATA_DIR) + "/viewer_one/one";
}

// Loads the result set base.* (base.pin, .out, .dwi, .dwo, .dyn) in the text or binary form;
// the loader's status (1 loaded, -1 refused).
inline int load_base(FEMg3D &m, const std::string &base, bool binary = false)
{
    const std::string p = base + ".pin", o = base + ".out", i = base + ".dwi", d = base + ".dwo",
                      y = base + ".dyn";
    return binary ? m.load_result_set_binary(p.c_str(), o.c_str(), i.c_str(), d.c_str(), y.c_str())
                  : m.load_result_set(p.c_str(), o.c_str(), i.c_str(), d.c_str(), y.c_str());
}

// A block of nx x ny x nz solid elements of edge a (material 0, solid), nodes numbered x
// fastest, element nodes 0-3 at the lower z counter-clockwise from +z, 4-7 above them.
inline set_data block_set(int nx, int ny, int nz, float a)
{
    set_data s;
    s.materials.push_back({30000, 0.2f, 0.0024f, 1e-5f, 1, 0, 0, 0, 0, 0, 0, 0});
    for (int k = 0; k <= nz; k++)
        for (int j = 0; j <= ny; j++)
            for (int i = 0; i <= nx; i++) s.coords.push_back({i * a, j * a, k * a});
    auto id = [&](int i, int j, int k) { return i + (nx + 1) * (j + (ny + 1) * k); };
    for (int k = 0; k < nz; k++)
        for (int j = 0; j < ny; j++)
            for (int i = 0; i < nx; i++)
                s.elements.push_back({id(i, j, k), id(i + 1, j, k), id(i + 1, j + 1, k),
                                      id(i, j + 1, k), id(i, j, k + 1), id(i + 1, j, k + 1),
                                      id(i + 1, j + 1, k + 1), id(i, j + 1, k + 1), 0});
    return s;
}

inline void write_text_file(const std::string &name, const std::string &text)
{
    std::FILE *f = std::fopen(name.c_str(), "w");
    ASSERT_NE(f, nullptr) << name;
    std::fputs(text.c_str(), f);
    std::fclose(f);
}

// The set in the text formats the mesh generator and the solver write.
inline void write_text_set(const set_data &s, const std::string &base)
{
    const int np = static_cast<int>(s.coords.size());
    std::FILE *f = std::fopen((base + ".pin").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "%5d %5d %5d %5d %4d\n", np, static_cast<int>(s.materials.size()),
                 static_cast<int>(s.elements.size()), s.n_boundary, 24);
    for (const auto &m : s.materials) {
        for (float v : m) std::fprintf(f, " %13.5e", v);
        std::fprintf(f, "\n");
    }
    for (const auto &c : s.coords)
        std::fprintf(f, "%12.4f %12.4f %12.4f %10.2f %10.2f %10.2f \n", c[0], c[1], c[2], 0.0, 0.0,
                     0.0);
    for (const auto &e : s.elements) {
        for (int v : e) std::fprintf(f, " %5d ", v);
        std::fprintf(f, "\n");
    }
    for (int b = 0; b < s.n_boundary; b++) std::fprintf(f, "%5d %2d %2d %2d \n", b, 1, 1, 1);
    std::fprintf(f, " %4d \n", static_cast<int>(s.load_faces.size()));
    for (const auto &lf : s.load_faces)
        for (int k = 0; k < 4; k++)
            std::fprintf(f, " %5d %13.5e %13.5e %13.5e\n", lf.node[k], lf.traction[k][0],
                         lf.traction[k][1], lf.traction[k][2]);
    std::fclose(f);

    if (s.with_results) {
        f = std::fopen((base + ".out").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "   xx       yy        zz       Ux             Uy             Uz\n");
        for (int i = 0; i < np; i++)
            std::fprintf(f, "%8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e\n", s.coords[i][0],
                         s.coords[i][1], s.coords[i][2], s.disp[i][0], s.disp[i][1], s.disp[i][2]);
        const char *six = "%8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e %14.6e %14.6e %14.6e\n";
        std::fprintf(f, "   xx       yy        zz       Ex             Ey             Ez"
                        "             Eyz            Ezx            Exy\n");
        for (int i = 0; i < np; i++) {
            const auto &c = s.coords[i];
            const auto &e = s.strain[i];
            std::fprintf(f, six, c[0], c[1], c[2], e[0], e[1], e[2], e[3], e[4], e[5]);
        }
        std::fprintf(f, "   xx       yy        zz       Sx             Sy             Sz"
                        "             Syz            Szx            Sxy\n");
        for (int i = 0; i < np; i++) {
            const auto &c = s.coords[i];
            const auto &e = s.stress[i];
            std::fprintf(f, six, c[0], c[1], c[2], e[0], e[1], e[2], e[3], e[4], e[5]);
        }
        std::fprintf(f, "\n");
        std::fclose(f);
    }
    if (!s.dowel_types.empty() || !s.dowel_centres.empty()) {
        f = std::fopen((base + ".dwi").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "%d %d\n", static_cast<int>(s.dowel_centres.size()),
                     static_cast<int>(s.dowel_types.size()));
        for (const auto &t : s.dowel_types) {
            for (float v : t) std::fprintf(f, " %13.5e", v);
            std::fprintf(f, "\n");
        }
        for (size_t i = 0; i < s.dowel_centres.size(); i++)
            std::fprintf(f, "%f %f %f %d\n", s.dowel_centres[i][0], s.dowel_centres[i][1],
                         s.dowel_centres[i][2], s.dowel_type_of[i]);
        std::fclose(f);
    }
    if (s.with_dowel_results) {
        f = std::fopen((base + ".dwo").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "   xx       yy        zz    e1    e2    e3     Fx1 ...\n");
        for (size_t i = 0; i < s.dowel_centres.size(); i++) {
            const auto &c = s.dowel_centres[i];
            const auto &a = s.dowel_axis[i];
            std::fprintf(f, "%8.3f %8.3f  %8.3f%5.2f %5.2f %5.2f ", c[0], c[1], c[2], a[0], a[1],
                         a[2]);
            for (float v : s.dowel_forces[i]) std::fprintf(f, "%14.6e ", v);
            std::fprintf(f, "\n");
        }
        std::fclose(f);
    }
}

// Little-endian 32-bit words.
struct word_writer {
    std::string bytes;
    void i(std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        for (int b = 0; b < 4; b++) bytes.push_back(static_cast<char>((u >> (8 * b)) & 0xFF));
    }
    void f(float v)
    {
        std::int32_t u;
        std::memcpy(&u, &v, 4);
        i(u);
    }
    void save(const std::string &name) const
    {
        std::FILE *fp = std::fopen(name.c_str(), "wb");
        ASSERT_NE(fp, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), fp);
        std::fclose(fp);
    }
};

// The set in the binary form: the same content, raw words, no text.
inline void write_binary_set(const set_data &s, const std::string &base)
{
    word_writer w;
    const int np = static_cast<int>(s.coords.size());
    w.i(np);
    w.i(static_cast<int>(s.materials.size()));
    w.i(static_cast<int>(s.elements.size()));
    w.i(s.n_boundary);
    w.i(24);
    for (const auto &m : s.materials)
        for (float v : m) w.f(v);
    for (const auto &c : s.coords)
        for (float v : c) w.f(v);
    for (const auto &e : s.elements)
        for (int v : e) w.i(v);
    w.i(static_cast<int>(s.load_faces.size()));
    for (const auto &lf : s.load_faces)
        for (int k = 0; k < 4; k++) {
            w.i(lf.node[k]);
            for (float v : lf.traction[k]) w.f(v);
        }
    w.save(base + ".pin");
    if (s.with_results) {
        word_writer r;
        for (const auto &u : s.disp)
            for (float v : u) r.f(v);
        for (const auto &e : s.strain)
            for (float v : e) r.f(v);
        for (const auto &e : s.stress)
            for (float v : e) r.f(v);
        r.save(base + ".out");
    }
    if (!s.dowel_types.empty() || !s.dowel_centres.empty()) {
        word_writer d;
        d.i(static_cast<int>(s.dowel_centres.size()));
        d.i(static_cast<int>(s.dowel_types.size()));
        for (const auto &t : s.dowel_types)
            for (float v : t) d.f(v);
        for (size_t i = 0; i < s.dowel_centres.size(); i++) {
            for (float v : s.dowel_centres[i]) d.f(v);
            d.i(s.dowel_type_of[i]);
        }
        d.save(base + ".dwi");
    }
    if (s.with_dowel_results) {
        word_writer d;
        for (size_t i = 0; i < s.dowel_centres.size(); i++) {
            for (float v : s.dowel_axis[i]) d.f(v);
            for (float v : s.dowel_forces[i]) d.f(v);
        }
        d.save(base + ".dwo");
    }
}
