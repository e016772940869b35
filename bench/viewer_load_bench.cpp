// Times the viewer's loading of a generated result set (text and binary), face rebuild and VTK
// export.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fem3d.h"

namespace
{

// An n x n x nz block of solid elements with linear results, in the text and binary forms.
void write_sets(const std::string &base, int n, int nz)
{
    const int np = (n + 1) * (n + 1) * (nz + 1), ne = n * n * nz;
    auto id = [&](int i, int j, int k) { return i + (n + 1) * (j + (n + 1) * k); };
    std::FILE *t = std::fopen((base + ".pin").c_str(), "w");
    std::FILE *b = std::fopen((base + "_bin.pin").c_str(), "wb");
    auto word_i = [&](int v) { std::fwrite(&v, 4, 1, b); }; // little-endian host
    auto word_f = [&](float v) { std::fwrite(&v, 4, 1, b); };
    std::fprintf(t, "%5d %5d %5d %5d %4d\n", np, 1, ne, 0, 24);
    word_i(np), word_i(1), word_i(ne), word_i(0), word_i(24);
    const float mat[12] = {30000, 0.2f, 0.0024f, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    for (float v : mat) std::fprintf(t, " %13.5e", v), word_f(v);
    std::fprintf(t, "\n");
    for (int k = 0; k <= nz; k++)
        for (int j = 0; j <= n; j++)
            for (int i = 0; i <= n; i++) {
                std::fprintf(t, "%12.4f %12.4f %12.4f %10.2f %10.2f %10.2f \n", 10.0 * i, 10.0 * j,
                             -5.0 * k, 0.0, 0.0, 0.0);
                word_f(10.0f * i), word_f(10.0f * j), word_f(-5.0f * k);
            }
    for (int k = 0; k < nz; k++)
        for (int j = 0; j < n; j++)
            for (int i = 0; i < n; i++) {
                const int e[9] = {id(i, j, k + 1),     id(i + 1, j, k + 1), id(i + 1, j + 1, k + 1),
                                  id(i, j + 1, k + 1), id(i, j, k),         id(i + 1, j, k),
                                  id(i + 1, j + 1, k), id(i, j + 1, k),     0};
                for (int v : e) std::fprintf(t, " %5d ", v), word_i(v);
                std::fprintf(t, "\n");
            }
    std::fprintf(t, " %4d \n", 0);
    word_i(0);
    std::fclose(t);
    std::fclose(b);

    t = std::fopen((base + ".out").c_str(), "w");
    b = std::fopen((base + "_bin.out").c_str(), "wb");
    std::fprintf(t, "   xx       yy        zz       Ux             Uy             Uz\n");
    for (int i = 0; i < np; i++) {
        std::fprintf(t, "%8.3f %8.3f  %8.3f %14.6e %14.6e %14.6e\n", 0.0, 0.0, 0.0, 1e-4 * i, 0.0,
                     -1e-3);
        word_f(1e-4f * i), word_f(0), word_f(-1e-3f);
    }
    for (int block = 0; block < 2; block++) {
        std::fprintf(t, "   header\n");
        for (int i = 0; i < np; i++) {
            std::fprintf(t, "%8.3f %8.3f  %8.3f", 0.0, 0.0, 0.0);
            for (int c = 0; c < 6; c++) {
                const float v = static_cast<float>((c + 1) * 0.5 + 1e-3 * (i % 97));
                std::fprintf(t, " %14.6e", v);
                word_f(v);
            }
            std::fprintf(t, "\n");
        }
    }
    std::fprintf(t, "\n");
    std::fclose(t);
    std::fclose(b);
}

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char **argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 60, nz = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::string dir = argc > 3 ? argv[3] : "/tmp", base = dir + "/viewer_bench";
    write_sets(base, n, nz);
    display_settings ds;
    FEMg3D m;
    m.settings = &ds;
    auto t0 = std::chrono::steady_clock::now();
    if (m.load_result_set((base + ".pin").c_str(), (base + ".out").c_str(), "", "", "") != 1) {
        std::fprintf(stderr, "%s\n", m.load_error.c_str());
        return 1;
    }
    const double text_s = seconds_since(t0);
    const int nodes = m.n_nodes, elements = m.n_elements;
    m.free_result_set();
    t0 = std::chrono::steady_clock::now();
    if (m.load_result_set_binary((base + "_bin.pin").c_str(), (base + "_bin.out").c_str(), "", "",
                                 "") != 1) {
        std::fprintf(stderr, "%s\n", m.load_error.c_str());
        return 1;
    }
    const double bin_s = seconds_since(t0);
    t0 = std::chrono::steady_clock::now();
    m.build_faces();
    const double faces_s = seconds_since(t0);
    t0 = std::chrono::steady_clock::now();
    m.export_vtk((base + ".vtk").c_str());
    const double vtk_s = seconds_since(t0);
    std::printf("%d nodes, %d elements: text load %.3f s, binary load %.3f s, build_faces "
                "%.3f s, export_vtk %.3f s\n",
                nodes, elements, text_s, bin_s, faces_s, vtk_s);
    for (const char *ext : {".pin", ".out", "_bin.pin", "_bin.out", ".vtk"})
        std::remove((base + ext).c_str());
    return 0;
}
