// Times what the viewer's user waits for: a result set of about 100 000 elements loaded and its
// first picture drawn in the main window, and 200 000 lines put in the data form's list and
// shown (against the item widget the list replaced). Run offscreen or on a display:
//   QT_QPA_PLATFORM=offscreen bin/viewer_screen_bench [n] [nz] [dir]
#include "Post3DForm.h"
#include "fem3d.h"
#include "line_list.h"
#include "message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

// An n x n x nz block of bricks with linear results (text form).
void write_set(const std::string &base, int n, int nz)
{
    const int np = (n + 1) * (n + 1) * (nz + 1), ne = n * n * nz;
    auto id = [&](int i, int j, int k) { return i + (n + 1) * (j + (n + 1) * k); };
    std::FILE *t = std::fopen((base + ".pin").c_str(), "w");
    std::fprintf(t, "%5d %5d %5d %5d %4d\n", np, 1, ne, 0, 24);
    std::fprintf(t, " 3.0e4 0.2 0.0024 0 1 0 0 0 0 0 0 0\n");
    for (int k = 0; k <= nz; k++)
        for (int j = 0; j <= n; j++)
            for (int i = 0; i <= n; i++)
                std::fprintf(t, "%12.4f %12.4f %12.4f 0.0 0.0 0.0\n", 10.0 * i, 10.0 * j, -5.0 * k);
    for (int k = 0; k < nz; k++)
        for (int j = 0; j < n; j++)
            for (int i = 0; i < n; i++)
                std::fprintf(t, "%d %d %d %d %d %d %d %d 0\n", id(i, j, k + 1), id(i + 1, j, k + 1),
                             id(i + 1, j + 1, k + 1), id(i, j + 1, k + 1), id(i, j, k),
                             id(i + 1, j, k), id(i + 1, j + 1, k), id(i, j + 1, k));
    std::fprintf(t, "0\n");
    std::fclose(t);
    std::FILE *o = std::fopen((base + ".out").c_str(), "w");
    for (int block = 0; block < 3; ++block) {
        std::fprintf(o, "header\n");
        for (int n2 = 0; n2 < np; ++n2) {
            std::fprintf(o, "0 0 0");
            for (int c = 0; c < (block ? 6 : 3); ++c) std::fprintf(o, " %e", 1e-3 * (n2 % 97 + c));
            std::fprintf(o, "\n");
        }
    }
    std::fclose(o);
}

void settle()
{
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 100, nz = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::string dir = argc > 3 ? argv[3] : "/tmp", base = dir + "/viewer_screen_bench";
    write_set(base, n, nz);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    set_message_box([](QWidget *, const QString &, const QString &, int) { return 0; });

    static FEMg3D model;
    command_options o;
    o.unit_mode = 1;
    o.base_name = base;
    TPost3DForm w(model, o);
    w.show();
    settle();
    QElapsedTimer t;
    t.start();
    w.initForm(); // load (with its progress window) and the first picture (the mesh)
    settle();
    const double load_s = t.elapsed() / 1000.0;
    std::printf("%d nodes, %d elements: load and first picture %.3f s\n", model.n_nodes,
                model.n_elements, load_s);

    const int lines = 200000;
    std::vector<std::string> text(lines);
    for (int i = 0; i < lines; ++i) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%8.4f %8.4f %8.4f  %11.4e %11.4e %11.4e %11.4e", 0.01 * i,
                      0.02 * i, -0.03 * i, 1e-3 * i, 2e-3 * i, 3e-3 * i, 4e-3 * i);
        text[i] = buf;
    }
    line_list list;
    list.resize(800, 600);
    list.show();
    settle();
    t.restart();
    list.set_lines(text);
    list.scrollToBottom();
    settle();
    const double list_s = t.elapsed() / 1000.0;
    QListWidget items;
    items.resize(800, 600);
    items.show();
    settle();
    t.restart();
    QStringList strings;
    for (const std::string &s : text) strings << QString::fromStdString(s);
    items.addItems(strings);
    items.scrollToBottom();
    settle();
    const double items_s = t.elapsed() / 1000.0;
    std::printf("%d lines: listed and shown %.3f s (item widget %.3f s)\n", lines, list_s, items_s);
    set_message_box(nullptr);
    for (const char *ext : {".pin", ".out"}) std::remove((base + ext).c_str());
    return 0;
}
