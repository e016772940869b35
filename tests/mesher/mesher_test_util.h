// Helpers of the generator tests: scratch files, whole-program runs and a model file parser.
#pragma once

#include "tarnel.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace mesher_test
{

using test_support::read_text;
using test_support::write_text;

// A fresh directory per test under the temporary directory, removed when the program ends.
inline std::string scratch_dir()
{
    return test_support::scratch_path("mesher_" + test_support::current_test_name());
}

inline std::string read_stream(FILE *f)
{
    std::string s;
    std::rewind(f);
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
}

struct run_result {
    int status = -1;
    std::string out, err; // message streams
};

// Runs the whole generator on argv words (argv[0] is added).
inline run_result run_args(std::vector<std::string> words)
{
    words.insert(words.begin(), "tarnel");
    std::vector<char *> argv;
    for (auto &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    FILE *out = std::tmpfile(), *err = std::tmpfile();
    run_result r;
    r.status = run_tarnel(static_cast<int>(words.size()), argv.data(), out, err);
    r.out = read_stream(out);
    r.err = read_stream(err);
    std::fclose(out);
    std::fclose(err);
    return r;
}

// The model file as read token by token.
struct model {
    int np = 0, nm = 0, ne = 0, nb = 0, bw = 0, nedge = 0;
    std::vector<double> mats;      // 12 per material
    std::vector<double> xyz;       // 3 per node
    std::vector<int> conn;         // 9 per element
    std::vector<int> bc;           // 4 per record
    std::vector<int> face_nodes;   // 4 per face
    std::vector<double> face_vals; // 12 per face
    bool complete = false;         // every expected token was read and nothing followed

    // Written number of the node at (x, y, z), -1 if none.
    int node_at(double x, double y, double z) const
    {
        for (int n = 0; n < np; ++n)
            if (std::abs(xyz[3 * n] - x) < 1e-3 && std::abs(xyz[3 * n + 1] - y) < 1e-3 &&
                std::abs(xyz[3 * n + 2] - z) < 1e-3)
                return n;
        return -1;
    }
    // Flags of node n's record, {-1,-1,-1} when it has none.
    std::vector<int> flags(int n) const
    {
        for (int r = 0; r < nb; ++r)
            if (bc[4 * r] == n) return {bc[4 * r + 1], bc[4 * r + 2], bc[4 * r + 3]};
        return {-1, -1, -1};
    }
};

inline model parse_model(const std::string &text)
{
    model m;
    std::istringstream in(text);
    double p[3];
    if (!(in >> m.np >> m.nm >> m.ne >> m.nb >> m.bw)) return m;
    m.mats.resize(12 * static_cast<std::size_t>(m.nm));
    for (auto &v : m.mats) in >> v;
    for (int n = 0; n < m.np; ++n) {
        double x, y, z;
        in >> x >> y >> z >> p[0] >> p[1] >> p[2];
        m.xyz.insert(m.xyz.end(), {x, y, z});
    }
    m.conn.resize(9 * static_cast<std::size_t>(m.ne));
    for (auto &v : m.conn) in >> v;
    m.bc.resize(4 * static_cast<std::size_t>(m.nb));
    for (auto &v : m.bc) in >> v;
    in >> m.nedge;
    for (int f = 0; f < m.nedge; ++f)
        for (int k = 0; k < 4; ++k) {
            int node;
            double t[3];
            in >> node >> t[0] >> t[1] >> t[2];
            m.face_nodes.push_back(node);
            m.face_vals.insert(m.face_vals.end(), t, t + 3);
        }
    std::string rest;
    m.complete = static_cast<bool>(in) && !(in >> rest);
    return m;
}

// Lines of a text.
inline std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// One layer of a description: grid, types and materials as text.
inline std::string layer_text(const std::string &x, const std::string &y, const std::string &z,
                              const std::string &xtype, const std::string &ytype,
                              const std::vector<std::string> &materials)
{
    auto count = [](const std::string &s) {
        std::istringstream in(s);
        int n = 0;
        for (std::string w; in >> w;) ++n;
        return n;
    };
    std::ostringstream o;
    o << count(x) - 1 << ' ' << count(y) - 1 << ' ' << count(z) - 1 << ' ' << materials.size()
      << '\n'
      << x << '\n'
      << y << '\n'
      << z << '\n'
      << xtype << '\n'
      << ytype << '\n';
    for (const auto &m : materials) o << m << '\n';
    return o.str();
}

// A solid material record with modulus e, Poisson 0.2 and unit weight w.
inline std::string solid(double e, double w = 0.0)
{
    std::ostringstream o;
    o << e << " 0.2 " << w << " 0 0 0 0 0 0 0 0 0";
    return o.str();
}

} // namespace mesher_test
