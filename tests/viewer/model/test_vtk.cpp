// VTK export tests: the exact text of a one-element file and a read-back by VTK's legacy reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fem3d.h"
#include "model_sets.h"
#include "test_support.h"

namespace
{

using test_support::read_text;

int load_one(FEMg3D &m)
{
    return load_base(m, one_set_base());
}

} // namespace

// Lengths in cm and stresses in kgf/cm2 (factors 1): S1 = -4 along x, S2 = 1 along z,
// S3 = 2 along y at every node; the top nodes sink by 0.01, node 6 moves 0.002 along x.
TEST(Vtk, OneElementExactText)
{
    display_settings ds;
    set_input_factors(ds, false);
    set_output_units(ds, false);
    FEMg3D m;
    m.settings = &ds;
    ASSERT_EQ(load_one(m), 1) << m.load_error;
    const std::string name = fresh_dir("vtk_text") + "/one.vtk";
    ASSERT_EQ(m.export_vtk(name.c_str()), 1);
    std::string want = "# vtk DataFile Version 2.0\n"
                       "This file was exported from Ostrine in Zenthor Holbrek\n"
                       "ASCII\n"
                       "DATASET UNSTRUCTURED_GRID\n"
                       "POINTS 8 float\n"
                       "0.000000 0.000000 0.000000\n"
                       "100.000000 0.000000 0.000000\n"
                       "100.000000 100.000000 0.000000\n"
                       "0.000000 100.000000 0.000000\n"
                       "0.000000 0.000000 100.000000\n"
                       "100.000000 0.000000 100.000000\n"
                       "100.000000 100.000000 100.000000\n"
                       "0.000000 100.000000 100.000000\n"
                       "CELLS 1 9 \n"
                       "8 0 1 2 3 4 5 6 7 \n"
                       "CELL_TYPES 1\n"
                       "12 \n"
                       "POINT_DATA 8\n"
                       "VECTORS Point_Displacements float\n"
                       "0.000000 0.000000 0.000000\n "
                       "0.000000 0.000000 0.000000\n "
                       "0.000000 0.000000 0.000000\n "
                       "0.000000 0.000000 0.000000\n "
                       "0.000000 0.000000 -0.010000\n "
                       "0.000000 0.000000 -0.010000\n "
                       "0.002000 0.000000 -0.010000\n "
                       "0.000000 0.000000 -0.010000\n ";
    want += "VECTORS Point_S1 float\n";
    for (int i = 0; i < 8; i++) want += "-4.000000 -0.000000 -0.000000 \n";
    want += "VECTORS Point_S2 float\n";
    for (int i = 0; i < 8; i++) want += "0.000000 0.000000 1.000000 \n";
    want += "VECTORS Point_S3 float\n";
    for (int i = 0; i < 8; i++) want += "0.000000 2.000000 0.000000 \n";
    EXPECT_EQ(read_text(name), want);
}

TEST(Vtk, SiDisplayScalesLengthsAndStresses)
{
    display_settings ds; // SI display: lengths * 0.01, stresses * 0.098
    set_input_factors(ds, false);
    FEMg3D m;
    m.settings = &ds;
    ASSERT_EQ(load_one(m), 1);
    const std::string name = fresh_dir("vtk_si") + "/one.vtk";
    ASSERT_EQ(m.export_vtk(name.c_str()), 1);
    const std::string text = read_text(name);
    EXPECT_NE(text.find("POINTS 8 float\n0.000000 0.000000 0.000000\n1.000000 0.000000 "
                        "0.000000\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n 0.000020 0.000000 -0.000100\n "), std::string::npos);
    EXPECT_NE(text.find("0.000000 0.000000 -0.000100\n VECTORS Point_S1 float\n"),
              std::string::npos);
    EXPECT_NE(text.find("-0.392000 -0.000000 -0.000000 \n"), std::string::npos);
}

TEST(Vtk, UnwritableFileReturnsMinusOne)
{
    FEMg3D m;
    const std::string name = fresh_dir("vtk_bad") + "/missing/dir/one.vtk";
    EXPECT_EQ(m.export_vtk(name.c_str()), -1);
}

// VTK's own legacy reader (Debian python3-vtk9) must accept the file, including the blank
// that starts every line after the displacement block.
TEST(Vtk, LegacyReaderOpensTheExport)
{
    const std::string python = VTK_PYTHON;
    if (std::system((python + " -c 'import vtkmodules.vtkIOLegacy' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "python3-vtk9 is not installed (scripts/deps.sh installs it)";
    display_settings ds;
    set_input_factors(ds, false);
    set_output_units(ds, false);
    FEMg3D m;
    m.settings = &ds;
    ASSERT_EQ(load_one(m), 1);
    const std::string dir = fresh_dir("vtk_reader");
    const std::string name = dir + "/one.vtk", script = dir + "/read.py";
    ASSERT_EQ(m.export_vtk(name.c_str()), 1);
    write_text_file(script,
                    "import sys\n"
                    "from vtkmodules.vtkIOLegacy import vtkUnstructuredGridReader\n"
                    "r = vtkUnstructuredGridReader()\n"
                    "r.SetFileName(sys.argv[1])\n"
                    "r.ReadAllVectorsOn()\n"
                    "r.Update()\n"
                    "g = r.GetOutput()\n"
                    "pd = g.GetPointData()\n"
                    "u = pd.GetArray('Point_Displacements')\n"
                    "s3 = pd.GetArray('Point_S3')\n"
                    "ok = (g.GetNumberOfPoints() == 8 and g.GetNumberOfCells() == 1\n"
                    "      and g.GetCellType(0) == 12 and u is not None and s3 is not None\n"
                    "      and abs(u.GetTuple3(6)[0] - 0.002) < 1e-9\n"
                    "      and abs(u.GetTuple3(6)[2] + 0.01) < 1e-9\n"
                    "      and abs(s3.GetTuple3(3)[1] - 2.0) < 1e-9)\n"
                    "print(g.GetNumberOfPoints(), g.GetNumberOfCells(), u and u.GetTuple3(6))\n"
                    "sys.exit(0 if ok else 1)\n");
    const std::string cmd = python + " " + script + " " + name;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
}
