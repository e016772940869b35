// tarnel then corvane on a loaded block: the uniaxial-strain solution in both load modes.
#include "mesher_test_util.h"

#include <cstdlib>

using namespace mesher_test;

namespace
{

struct node_result {
    double x, y, z, u[3], stress[6];
};

// Displacement and stress blocks of the result file (header lines skipped whole).
std::vector<node_result> read_results(const std::string &path, int np)
{
    std::vector<node_result> nodes(static_cast<std::size_t>(np));
    std::istringstream in(read_text(path));
    std::string header;
    std::getline(in, header);
    for (auto &n : nodes) in >> n.x >> n.y >> n.z >> n.u[0] >> n.u[1] >> n.u[2];
    std::getline(in, header); // rest of the last line
    std::getline(in, header);
    double skip[9];
    for (int i = 0; i < np; ++i)
        for (double &v : skip) in >> v;
    std::getline(in, header);
    std::getline(in, header);
    for (auto &n : nodes)
        in >> skip[0] >> skip[1] >> skip[2] >> n.stress[0] >> n.stress[1] >> n.stress[2] >>
            n.stress[3] >> n.stress[4] >> n.stress[5];
    EXPECT_TRUE(static_cast<bool>(in)) << path;
    return nodes;
}

// A 20 x 20 x 20 block (2 x 2 x 2 cells) with E = 1000, nu = 0.25 under a pressure p = 2 over
// the whole top. The generated supports (rollers on the sides, fixed bottom) make it a
// uniaxial-strain column: sigma_z = -p, sigma_x = sigma_y = -p nu/(1 - nu), and with the
// constrained modulus M = E(1 - nu)/((1 + nu)(1 - 2 nu)) = 1200, u_z = -p (z + 20)/M.
void check_block(const std::vector<std::string> &tarnel_options, const std::string &corvane_options,
                 double stress_unit = 1.0)
{
    const std::string dir = scratch_dir();
    write_text(dir + "/block.txt", "1 1\n" +
                                       layer_text("0 10 20", "0 10 20", "0 -10 -20", "0 0", "0 0",
                                                  {"1000 0.25 0 0 0 0 0 0 0 0 0 0"}) +
                                       "0 0 20 20 0 0 2\n");
    std::string command = std::string("\"") + TARNEL_PATH + "\"";
    for (const auto &o : tarnel_options) command += " " + o;
    command += " -I \"" + dir + "/block.txt\" -O \"" + dir + "/block.pin\" >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const model m = parse_model(read_text(dir + "/block.pin"));
    ASSERT_EQ(m.np, 27);
    command = std::string("cd \"") + dir + "\" && \"" + CORVANE_PATH + "\" " + corvane_options +
              " -F block >corvane.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << read_text(dir + "/corvane.log");
    const std::vector<node_result> nodes = read_results(dir + "/block.out", m.np);
    const double p = 2.0 / stress_unit, nu = 0.25, constrained = 1200.0;
    for (const node_result &n : nodes) {
        SCOPED_TRACE(std::to_string(n.x) + " " + std::to_string(n.y) + " " + std::to_string(n.z));
        EXPECT_NEAR(n.u[0], 0.0, 1e-7);
        EXPECT_NEAR(n.u[1], 0.0, 1e-7);
        EXPECT_NEAR(n.u[2], -p * stress_unit * (n.z + 20.0) / constrained, 1e-6);
        EXPECT_NEAR(n.stress[2], -p, 1e-4);
        EXPECT_NEAR(n.stress[0], -p * nu / (1 - nu), 1e-4);
        EXPECT_NEAR(n.stress[1], -p * nu / (1 - nu), 1e-4);
        for (int c = 3; c < 6; ++c) EXPECT_NEAR(n.stress[c], 0.0, 1e-4);
    }
}

} // namespace

TEST(TarnelEndToEnd, LoadedBlockIsInUniaxialStrain)
{
    check_block({}, "");
}

TEST(TarnelEndToEnd, SurfaceFaceModeGivesTheSameColumn)
{
    check_block({"-W"}, "");
}

TEST(TarnelEndToEnd, MatchingUnitSystemsGiveTheSameColumn)
{
    // the description's values are written divided by the unit factors and multiplied back by
    // the solver, so the displacements are unchanged; stresses come out in the file's units
    // (divided by the stress factor 0.098 once more)
    check_block({"-U", "1"}, "-U 1", 0.098);
}
