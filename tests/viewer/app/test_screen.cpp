// The viewer on a real X server (scripts/test.sh runs this under Xvfb): what the screen shows.
//
//   SCREEN_SET=<base of a result set> test_viewer_screen
//
// The status texts must fit their panels as painted with the panels' own font at the default
// window size, and the progress window must show its lines while a load runs.
#include "MsgForm.h"
#include "Post3DForm.h"
#include "fem3d.h"
#include "message_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>

#include <clocale>
#include <cstdlib>
#include <string>

namespace
{

QApplication *application()
{
    static int argc = 1;
    static char name[] = "test_viewer_screen";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return app;
}

void settle(int ms = 200)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Dark pixels (text) of img in rows [y0, y1).
int dark_pixels(const QImage &img, int y0, int y1)
{
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(img.height(), y1); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 100) ++n;
    return n;
}

} // namespace

TEST(Screen, EveryStatusTextFitsItsPanelAtTheDefaultSizeAndTheLastPanelStretches)
{
    application();
    ASSERT_STRNE(QGuiApplication::platformName().toStdString().c_str(), "offscreen")
        << "run under a real X server";
    set_message_box([](QWidget *, const QString &, const QString &, int) { return 0; });
    static FEMg3D model;
    TPost3DForm w(model, command_options{});
    w.show();
    settle();
    // the widest texts: kgf-cm units, the longest graph name, overlay mode, material No.12
    w.kgfcm1Click();
    w.graph_type = 14; // "Dowel Bending Stress"
    w.settings.overlay_draw = true;
    w.settings.current_material = 11;
    w.refresh_status();
    settle();
    EXPECT_EQ(w.surface_size().width(), 922);
    for (int unit = 0; unit < 2; ++unit) {
        for (int i = 0; i < 4; ++i) {
            const QLabel *p = w.status_panel(i);
            const int painted = QFontMetrics(p->font()).horizontalAdvance(p->text());
            EXPECT_LE(painted, p->contentsRect().width())
                << "panel " << i << " [" << p->text().toStdString() << "] " << painted << " px in "
                << p->contentsRect().width();
            EXPECT_TRUE(p->isVisible()) << i;
            EXPECT_GE(p->font().pointSizeF(), 6.0) << i;
        }
        w.SI1Click();
        w.refresh_status();
        settle();
    }
    // a wide window: the panels keep their texts' widths and the last one takes the rest
    w.resize(1600, w.height());
    settle();
    const QLabel *last = w.status_panel(3);
    EXPECT_GT(last->geometry().right(), w.statusBar()->width() - 40);
    EXPECT_GT(last->width(), QFontMetrics(last->font()).horizontalAdvance(last->text()) + 100);
    set_message_box(nullptr);
}

TEST(Screen, ProgressWindowShowsItsLinesWhileALoadRuns)
{
    application();
    const char *set = std::getenv("SCREEN_SET");
    if (!set || !*set) GTEST_SKIP() << "SCREEN_SET (a result set's base name) is not given";
    set_message_box([](QWidget *, const QString &, const QString &, int) { return 0; });
    static FEMg3D model;
    command_options o;
    o.unit_mode = 1;
    TPost3DForm w(model, o);
    w.show();
    settle();
    // grab the progress window from the screen when "Make face of element" (row 40) is written:
    // the rows 0 (file names) and 40 must show text
    QImage grabbed;
    w.MessageForm->after_text = [&](int y) {
        if (y != 40 || !grabbed.isNull()) return;
        QScreen *screen = w.MessageForm->windowHandle() ? w.MessageForm->windowHandle()->screen()
                                                        : QGuiApplication::primaryScreen();
        grabbed = screen->grabWindow(w.MessageForm->winId()).toImage();
    };
    w.files.base_name = set;
    w.initForm();
    w.MessageForm->after_text = nullptr;
    ASSERT_FALSE(grabbed.isNull()) << "no line was written at row 40";
    EXPECT_GT(dark_pixels(grabbed, 0, 16), 20) << "no text at row 0";
    EXPECT_GT(dark_pixels(grabbed, 40, 56), 20) << "no text at row 40";
    // and the window is no black box: most of it is the white of its client area
    int white = 0;
    for (int y = 0; y < grabbed.height(); ++y)
        for (int x = 0; x < grabbed.width(); ++x)
            if (qGray(grabbed.pixel(x, y)) > 230) ++white;
    EXPECT_GT(white, grabbed.width() * grabbed.height() / 2);
    grabbed.save(QStringLiteral("progress_window.png"));
    set_message_box(nullptr);
}
