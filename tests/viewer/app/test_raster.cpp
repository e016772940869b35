// The raster canvas on real images: band colours of a linear field, smooth against band mode,
// the mesh picture of a loaded set, and the bitmap and PNG files.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "../model/model_sets.h"
#include "fem3d.h"
#include "graph.h"
#include "qt_canvas.h"

namespace
{

void ensure_app()
{
    if (QGuiApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_viewer_raster";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

int rgb(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}

int pixel(const QImage &img, int x, int y)
{
    const QRgb p = img.pixel(x, y);
    return rgb(qRed(p), qGreen(p), qBlue(p));
}

// Largest channel difference of two packed colours.
int colour_distance(int a, int b)
{
    int d = 0;
    for (int s = 0; s < 24; s += 8)
        d = std::max(d, std::abs(((a >> s) & 0xFF) - ((b >> s) & 0xFF)));
    return d;
}

// Columns faces filling the 200 x 100 surface side by side: projected corners (x0,0), (x1,0),
// (x1,100), (x0,100), Sx = x / 100 - 1 at the corners (-1 on the left edge, 1 on the right),
// shade 1. The nodes sit at the origin, whose markers land in the bottom-left corner.
void linear_field(FEMg3D &m, int columns = 1)
{
    m.n_nodes = 2 * (columns + 1);
    m.nodes.assign(m.n_nodes + 1, t_node{});
    const float w = 200.0f / static_cast<float>(columns);
    for (int j = 0; j <= columns; j++) {
        m.nodes[2 * j].stress[0] = m.nodes[2 * j + 1].stress[0] = j * w / 100.0f - 1.0f;
    }
    m.n_materials = 1;
    m.materials.assign(1, t_material{});
    m.materials[0].value[0] = 300000.0f;
    m.n_faces = columns;
    m.faces.assign(columns, t_face{});
    for (int j = 0; j < columns; j++) {
        t_face &f = m.faces[j];
        const int nodes[4] = {2 * j, 2 * j + 2, 2 * j + 3, 2 * j + 1};
        const float proj[8] = {j * w, 0, (j + 1) * w, 0, (j + 1) * w, 100, j * w, 100};
        for (int k = 0; k < 4; k++) f.node[k] = nodes[k];
        for (int k = 0; k < 8; k++) f.proj[k] = proj[k];
        f.shade = 1.0f;
    }
    m.def_faces = m.faces;
    m.results_loaded = true;
    m.show_all_faces = true;
    m.set_sel_material(-1);
    m.resize_surface(200, 100);
    m.fit_window(0, 0, 200, 100);
}

QImage draw_sx(FEMg3D &m, display_settings &ds)
{
    QImage img(200, 100, QImage::Format_RGB32);
    qt_canvas cv(img);
    qt_smooth_surface smooth(cv, m);
    m.smooth = &smooth;
    m.settings = &ds;
    m.get_range(ds.saved_range_box);
    draw_graph(m, ds, cv, 2, 200, 100, graph_target::image);
    m.smooth = nullptr;
    return img;
}

} // namespace

// Four bands over the symmetric range -1.0001..1.0001, each coloured by the level above it:
// t = -0.5 (yellow 191,191,0), 0 (green), 0.5 (31,191,191); the data stay below the fourth
// level, so the top band takes the colour of the band below it.
TEST(Raster, BandColoursOfALinearField)
{
    ensure_app();
    FEMg3D m;
    linear_field(m);
    m.contour_divisions = 4;
    display_settings ds;
    const QImage img = draw_sx(m, ds);
    EXPECT_EQ(pixel(img, 25, 60), rgb(191, 191, 0));
    EXPECT_EQ(pixel(img, 75, 60), rgb(0, 255, 0));
    EXPECT_EQ(pixel(img, 125, 60), rgb(31, 191, 191));
    EXPECT_EQ(pixel(img, 175, 60), rgb(31, 191, 191));
    // The status line is written first and the faces, which cover the whole surface, over it.
    EXPECT_EQ(pixel(img, 5, 5), rgb(191, 191, 0));
}

// Smooth colours at band centres differ from the band colour by at most the change of the scale
// over half a band (20 bands: half of 0.1 in t, slope at most 2, so 255 x 0.1 = 25.5). The
// colours are interpolated across each triangle, so the field is given on 40 narrow faces.
TEST(Raster, SmoothAndBandPicturesAgree)
{
    ensure_app();
    FEMg3D m;
    linear_field(m, 40);
    display_settings ds;
    const QImage band = draw_sx(m, ds);
    ds.smooth_contour = true;
    const QImage smooth = draw_sx(m, ds);
    const float dv = 2.0002f / 20.0f;
    for (int k = 0; k < 20; k++) {
        const float centre = -1.0001f + (k + 0.5f) * dv;
        const int x = static_cast<int>((centre + 1.0f) * 100.0f);
        if (x < 2 || x > 197) continue;
        EXPECT_LE(colour_distance(pixel(band, x, 60), pixel(smooth, x, 60)), 26)
            << "band " << k << " at x = " << x;
        // The smooth colour itself is the scale's colour of the pixel's value.
        const float v = (x + 0.5f) / 100.0f - 1.0f;
        EXPECT_LE(colour_distance(pixel(smooth, x, 60), m.value_colour(v, -1.0001f, 1.0001f, 1)), 4)
            << "x = " << x;
    }
    // No iso-lines in the smooth picture.
    for (int x = 1; x < 199; x++) ASSERT_NE(pixel(smooth, x, 60), 0) << "x = " << x;
}

TEST(Raster, SmoothTrianglesLineUpWithBands)
{
    ensure_app();
    FEMg3D m;
    linear_field(m);
    // A face covering only the middle of the surface.
    const float proj[8] = {50, 20, 150, 20, 150, 80, 50, 80};
    for (int k = 0; k < 8; k++) m.def_faces[0].proj[k] = proj[k];
    display_settings ds;
    const QImage band = draw_sx(m, ds);
    ds.smooth_contour = true;
    const QImage smooth = draw_sx(m, ds);
    int differ = 0;
    for (int y = 15; y < 100; y++)
        for (int x = 0; x < 200; x++)
            differ += (pixel(band, x, y) == 0xFFFFFF) != (pixel(smooth, x, y) == 0xFFFFFF);
    // Only pixels on the face's border may differ (the band mode's outline pen).
    EXPECT_LE(differ, 2 * (100 + 60) + 8);
    EXPECT_EQ(pixel(smooth, 45, 50), 0xFFFFFF);
    EXPECT_NE(pixel(smooth, 55, 50), 0xFFFFFF);
    // The status line at the top-left corner, dark on white, above the face.
    for (const QImage *img : {&band, &smooth}) {
        int dark = 0;
        for (int y = 0; y < 15; y++)
            for (int x = 0; x < 100; x++) dark += colour_distance(pixel(*img, x, y), 0) < 128;
        EXPECT_GT(dark, 40);
    }
}

// A 2 x 2 x 1 block loaded from files: the mesh picture is not blank and shows the material's
// colour at the shade of each visible face.
TEST(Raster, MeshPictureShowsMaterialColours)
{
    ensure_app();
    const std::string dir = fresh_dir("raster_mesh");
    set_data s = block_set(2, 2, 1, 100.0f);
    write_text_set(s, dir + "/block");
    FEMg3D m;
    display_settings ds;
    m.settings = &ds;
    const std::string b = dir + "/block";
    ASSERT_EQ(load_base(m, b), 1);
    m.get_range(ds.saved_range_box);
    QImage img(922, 610, QImage::Format_RGB32);
    {
        qt_canvas cv(img);
        draw_graph(m, ds, cv, 0, 922, 610, graph_target::image);
    }
    std::set<int> colours;
    int non_white = 0;
    for (int y = 0; y < img.height(); y++)
        for (int x = 0; x < img.width(); x++) {
            const int c = pixel(img, x, y);
            colours.insert(c);
            non_white += c != 0xFFFFFF;
        }
    EXPECT_GT(non_white, 922 * 610 / 20);
    int visible = 0;
    for (int i = 0; i < m.n_faces; i++) {
        if (!m.face_visible(m.faces[i])) continue;
        visible++;
        const int c = m.material_colour(m.materials[0].value[0], m.faces[i].shade);
        EXPECT_TRUE(colours.count(c)) << "face " << i;
    }
    EXPECT_GT(visible, 0);
    EXPECT_TRUE(colours.count(0xDCDCDC)); // the grey outlines
}

TEST(Raster, CanvasPrimitives)
{
    ensure_app();
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        qt_canvas cv(img);
        cv.set_pen(0xFFFFFF, 1, 0);
        cv.set_brush(0xFFFFFF, 0);
        cv.rectangle(0, 0, 20, 10); // the whole surface, right and bottom edges excluded
        cv.set_pen(0x0000FF, 1, 0);
        cv.set_brush(0x0000FF, 0);
        const int tri[6] = {2, 2, 8, 2, 2, 8};
        cv.polygon(tri, 3);
        cv.set_pen(0x7F0000, 1, 0);
        cv.move_to(12, 1);
        cv.line_to(12, 8);
    }
    for (int y = 0; y < 10; y++)
        for (int x = 13; x < 20; x++) ASSERT_EQ(pixel(img, x, y), 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(pixel(img, 3, 3), rgb(255, 0, 0)); // 0x0000FF is red
    EXPECT_EQ(pixel(img, 12, 5), rgb(0, 0, 127));
    EXPECT_EQ(pixel(img, 9, 9), 0xFFFFFF);
}

TEST(Raster, BitmapAndPngFiles)
{
    ensure_app();
    const std::string dir = fresh_dir("raster_files");
    QImage img(3, 2, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(10, 20, 30));
    img.setPixel(1, 0, qRgb(40, 50, 60));
    img.setPixel(2, 0, qRgb(70, 80, 90));
    img.setPixel(0, 1, qRgb(1, 2, 3));
    img.setPixel(1, 1, qRgb(4, 5, 6));
    img.setPixel(2, 1, qRgb(7, 8, 9));
    std::string why;
    ASSERT_TRUE(write_picture(img, dir + "/a.bmp", why)) << why;
    std::ifstream f(dir + "/a.bmp", std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(f)),
                                       std::istreambuf_iterator<char>());
    // 54 header bytes, rows of 9 bytes padded to 12, bottom row first, blue green red.
    ASSERT_EQ(b.size(), 54u + 24u);
    auto u32 = [&](int at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24; };
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(u32(2), 78);
    EXPECT_EQ(u32(10), 54);
    EXPECT_EQ(u32(14), 40);
    EXPECT_EQ(u32(18), 3);
    EXPECT_EQ(u32(22), 2);
    EXPECT_EQ(b[28], 24);
    const std::vector<unsigned char> rows = {3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0,
                                             30, 20, 10, 60, 50, 40, 90, 80, 70, 0, 0, 0};
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + 54, b.end()), rows);
    // Qt reads the bitmap back unchanged.
    EXPECT_EQ(QImage(QString::fromStdString(dir + "/a.bmp")).convertToFormat(QImage::Format_RGB32),
              img);

    ASSERT_TRUE(write_picture(img, dir + "/b.PNG", why)) << why;
    QImage png;
    ASSERT_TRUE(png.load(QString::fromStdString(dir + "/b.PNG"), "PNG"));
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), img);

    EXPECT_FALSE(write_picture(img, dir + "/missing/c.bmp", why));
    EXPECT_NE(why.find("missing/c.bmp"), std::string::npos);
}

#ifdef OSTRINE_BATCH
namespace
{
int run(const std::string &command)
{
    const int status = std::system((command + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

// ostrine-batch draws the same picture as the graph drawing does in process, and checks its
// picture options.
TEST(Batch, PicturesOfABlock)
{
    ensure_app();
    const std::string dir = fresh_dir("raster_batch");
    set_data s = block_set(3, 2, 2, 50.0f);
    s.with_results = true;
    const std::size_t np = s.coords.size();
    s.disp.assign(np, {0, 0, 0});
    s.strain.assign(np, {0, 0, 0, 0, 0, 0});
    s.stress.assign(np, {0, 0, 0, 0, 0, 0});
    for (std::size_t i = 0; i < np; i++) s.stress[i][0] = s.coords[i][0] - 75.0f;
    const std::string base = dir + "/block";
    write_text_set(s, base);
    const std::string batch = std::string(OSTRINE_BATCH) + " -F " + base + " -U 1";

    ASSERT_EQ(run(batch + " --graph Sx --image " + dir + "/sx.bmp"), 0);
    QImage from_batch(QString::fromStdString(dir + "/sx.bmp"));
    ASSERT_EQ(from_batch.size(), QSize(922, 610));

    FEMg3D m;
    display_settings ds;
    set_input_factors(ds, false);
    m.settings = &ds;
    ASSERT_EQ(load_base(m, base), 1);
    m.resize_surface(922, 610);
    m.get_range(ds.saved_range_box);
    QImage here(922, 610, QImage::Format_RGB32);
    {
        qt_canvas cv(here);
        draw_graph(m, ds, cv, 2, 922, 610, graph_target::image);
    }
    EXPECT_EQ(from_batch.convertToFormat(QImage::Format_RGB32), here);

    ASSERT_EQ(run(batch +
                  " --graph \"Principal Stress\" --principal All --size 300x200 "
                  "--wire black --preset x-y --disp-scale 0 --image " +
                  dir + "/p.png"),
              0);
    EXPECT_EQ(QImage(QString::fromStdString(dir + "/p.png")).size(), QSize(300, 200));

    EXPECT_EQ(run(batch + " --graph Sx --wire pink --image " + dir + "/x.bmp"), 2);
    EXPECT_EQ(run(batch + " --graph sx --image " + dir + "/x.bmp"), 2);
    EXPECT_EQ(run(batch + " --size 10x10 --image " + dir + "/x.bmp"), 2);
    EXPECT_EQ(run(batch + " --image"), 2);
    EXPECT_EQ(run(batch + " --material 3 --image " + dir + "/x.bmp"), 1); // one material
    EXPECT_EQ(run(batch + " --image " + dir + "/no/such/dir/x.bmp"), 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.bmp"));
}
#endif

#if defined(OSTRINE_BATCH) && defined(TARNEL)
// The shipped example's mesh (model file from the mesh generator, no results needed): the
// picture is not blank and every layer shows its material colour at one of its faces' shades.
TEST(Batch, MeshPictureOfTheExample)
{
    ensure_app();
    const std::string dir = fresh_dir("raster_example");
    const std::string base = dir + "/jpcp";
    ASSERT_EQ(run(std::string(TARNEL) + " -I " + EXAMPLES_DIR + "/jpcp.txt -O " + base +
                  ".pin >/dev/null"),
              0);
    ASSERT_EQ(
        run(std::string(OSTRINE_BATCH) + " -F " + base + " -U 1 --image " + dir + "/mesh.bmp"), 0);
    const QImage img(QString::fromStdString(dir + "/mesh.bmp"));
    ASSERT_EQ(img.size(), QSize(922, 610));
    std::set<int> colours;
    int non_white = 0;
    for (int y = 0; y < img.height(); y++)
        for (int x = 0; x < img.width(); x++) {
            colours.insert(pixel(img, x, y));
            non_white += pixel(img, x, y) != 0xFFFFFF;
        }
    EXPECT_GT(non_white, 922 * 610 / 10);

    FEMg3D m;
    display_settings ds;
    set_input_factors(ds, false);
    m.settings = &ds;
    ASSERT_EQ(load_base(m, base), 1);
    std::vector<int> seen(m.n_materials, 0), solid(m.n_materials, 0);
    for (int i = 0; i < m.n_faces; i++) {
        const t_face &f = m.faces[i];
        if (!m.face_visible(f)) continue;
        solid[f.material] = 1;
        if (colours.count(m.material_colour(m.materials[f.material].value[0], f.shade)))
            seen[f.material] = 1;
    }
    int layers = 0;
    for (int k = 0; k < m.n_materials; k++) {
        layers += solid[k];
        EXPECT_EQ(seen[k], solid[k]) << "material " << k;
    }
    EXPECT_GE(layers, 3);
}
#endif
