// The viewer on a real X server (scripts/test.sh runs this under Xvfb): what the screen shows.
//
//   SCREEN_SET=<base of a result set in kgf-cm units> test_viewer_screen
//
// What is checked is what the screen shows, grabbed from the X server: the status texts fit
// their panels, the progress window shows its lines, the lists paint their rows, the key does
// not hide the model, the mouse turns it, and the forms close on Esc and reopen where they were.
#include "DataForm.h"
#include "DowelList.h"
#include "MsgForm.h"
#include "Post3DForm.h"
#include "RangeDlg.h"
#include "ViewDlg0.h"
#include "dialogs.h"
#include "fem3d.h"
#include "legend.h"
#include "line_list.h"
#include "message_box.h"
#include "qt_test_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QWindow>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace
{

QApplication *application()
{
    return test_application("test_viewer_screen");
}

// Processes events until done() holds (and the window system had a moment to paint), at most
// `limit` ms; false when it never held.
bool settle_until(const std::function<bool()> &done, int limit = 5000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < limit) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (done()) {
            // the X server paints what the widgets sent: two more rounds of events
            for (int k = 0; k < 2; ++k) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
                QTest::qWait(30);
            }
            return true;
        }
        QTest::qWait(10);
    }
    return false;
}

// Settles until every window of the application is exposed and no paint is pending.
void settle()
{
    settle_until([] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->windowHandle() && !top->windowHandle()->isExposed())
                return false;
        return true;
    });
}

// What the screen shows of widget `part`, grabbed from the X server (not rendered again).
QImage screen_pixels(QWidget *part)
{
    QWidget *top = part->window();
    QScreen *screen =
        top->windowHandle() ? top->windowHandle()->screen() : QGuiApplication::primaryScreen();
    const QPoint at = part->mapTo(top, QPoint(0, 0));
    return screen->grabWindow(top->winId(), at.x(), at.y(), part->width(), part->height())
        .toImage();
}

// Lines of text painted in img: runs of rows holding dark pixels.
int text_lines(const QImage &img)
{
    int lines = 0;
    bool in_line = false;
    for (int y = 0; y < img.height(); ++y) {
        int dark = 0;
        for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, y)) < 110 ? 1 : 0;
        if (dark > 0 && !in_line) ++lines;
        in_line = dark > 0;
    }
    return lines;
}

// The main window on the result set SCREEN_SET, opened as kgf-cm files.
struct open_window {
    FEMg3D model;
    std::unique_ptr<TPost3DForm> w;
    explicit open_window(int unit_mode = 1)
    {
        set_message_box([](QWidget *, const QString &, const QString &, int) { return 0; });
        command_options o;
        o.unit_mode = unit_mode;
        w = std::make_unique<TPost3DForm>(model, o);
        w->show();
        settle();
        w->files.base_name = std::getenv("SCREEN_SET");
        w->initForm();
        settle();
    }
    ~open_window() { set_message_box(nullptr); }
};

bool have_set()
{
    const char *set = std::getenv("SCREEN_SET");
    return set && *set;
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
    // up to the input-units panel at the right end
    EXPECT_GT(last->geometry().right(), w.input_units_panel()->geometry().left() - 40);
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

// Data > List (Execute) and Data > Dowel (Show) paint their rows at the font's height, with a
// vertical scroll bar, and the last rows are painted once scrolled to the end.
TEST(Screen, ListsPaintTheirRowsAndScrollToTheEnd)
{
    application();
    if (!have_set()) GTEST_SKIP() << "SCREEN_SET (a result set's base name) is not given";
    open_window o;
    struct list_case {
        const char *name;
        QWidget *form;
        QListView *list;
        std::function<void()> fill;
    };
    const list_case cases[] = {
        {"Data > List", o.w->DataForm, o.w->DataForm->ListBox1,
         [&] { o.w->DataForm->ExecuteButton->click(); }},
        {"Data > Dowel", o.w->DowelList1, o.w->DowelList1->ListBox1,
         [&] { o.w->DowelList1->Button1->click(); }},
    };
    for (const list_case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.form == o.w->DataForm)
            o.w->ListClick();
        else
            o.w->Dowel1Click();
        c.fill();
        settle();
        const int rows = c.list->model()->rowCount();
        ASSERT_GT(rows, 40);
        QWidget *viewport = c.list->viewport();
        const int row_height = QFontMetrics(c.list->font()).height();
        const int fit = viewport->height() / (row_height + 2);
        const QImage first = screen_pixels(viewport);
        screen_pixels(c.form).save(c.form == o.w->DataForm ? QStringLiteral("data_list.png")
                                                           : QStringLiteral("dowel_list.png"));
        // nearly every row that fits is painted as a line of text
        EXPECT_GE(text_lines(first), fit * 3 / 4) << fit << " rows fit";
        EXPECT_TRUE(c.list->verticalScrollBar()->isVisible());
        EXPECT_GT(c.list->verticalScrollBar()->maximum(), 0);
        c.list->scrollToBottom();
        settle();
        const QImage last = screen_pixels(viewport);
        EXPECT_GE(text_lines(last), fit / 2);
        EXPECT_NE(first, last);
        c.form->close();
    }
}

// The key beside the model: in the y-x plan view of the example, the slab is drawn whole left of
// the panel (its picture has the slab's proportions), and the triad shows x and y as arrows and
// z, which points at the viewer, as a dot.
TEST(Screen, KeyStandsBesideTheWholeModel)
{
    application();
    if (!have_set()) GTEST_SKIP() << "SCREEN_SET (a result set's base name) is not given";
    open_window o;
    o.w->Mesh1Click();
    if (!o.w->settings.legend) o.w->Legend1Click();
    o.w->View1Click();
    o.w->ViewOpDlg->ButtonClick(1); // y-x
    o.w->ViewOpDlg->OKClick();
    settle_until([&] { return !o.w->redraw_pending(); });
    settle();
    const QImage img = screen_pixels(o.w->picture_widget());
    img.save(QStringLiteral("key_plan_view.png"));
    const int area = model_area_width(o.w->settings, img.width());
    ASSERT_LT(area, img.width());
    // the model: whatever is not white left of the panel (the slab is a pale grey)
    int x0 = img.width(), x1 = -1, y0 = img.height(), y1 = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < area; ++x)
            if (qGray(img.pixel(x, y)) < 248) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    ASSERT_GT(x1, x0);
    EXPECT_LT(x1, area - 2) << "the model runs into the key";
    // the plan's proportions: the model's x and y extents, in either order on the screen
    const float *e = o.model.extent;
    const double plan = (e[0] - e[1]) / (e[2] - e[3]);
    const double drawn = double(x1 - x0 + 1) / double(y1 - y0 + 1);
    const double ratio = std::min(std::fabs(drawn / plan - 1), std::fabs(drawn * plan - 1));
    EXPECT_LT(ratio, 0.05) << "drawn " << drawn << " plan " << plan;
    // the triad at the foot of the panel: x (red) and y (green) arrows 40 px long, z (blue),
    // which points at the viewer, a small circle with its label
    QRect red, green, blue;
    for (int y = img.height() * 2 / 3; y < img.height(); ++y)
        for (int x = area + 1; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            const QRect dot(x, y, 1, 1);
            if (qRed(p) > 120 && qGreen(p) < 80 && qBlue(p) < 80) red |= dot;
            if (qGreen(p) > 100 && qRed(p) < 80 && qBlue(p) < 80) green |= dot;
            if (qBlue(p) > 120 && qRed(p) < 80 && qGreen(p) < 80) blue |= dot;
        }
    EXPECT_GE(red.width(), 36) << "x";
    EXPECT_GE(green.height(), 36) << "y";
    EXPECT_FALSE(blue.isEmpty());
    EXPECT_LE(blue.width(), 24) << "z, along the line of sight, drawn long";
    EXPECT_LE(blue.height(), 26) << "z, along the line of sight, drawn long";
    o.w->ViewOpDlg->close();
}

// A left drag turns the model (the View dialog shows the new theta and phi), the wheel zooms,
// a double-click fits; each redraws the picture by itself.
TEST(Screen, MouseTurnsZoomsAndFitsThePicture)
{
    application();
    if (!have_set()) GTEST_SKIP() << "SCREEN_SET (a result set's base name) is not given";
    open_window o;
    o.w->Mesh1Click();
    settle_until([&] { return !o.w->redraw_pending(); });
    QWidget *picture = o.w->picture_widget();
    const QImage before = screen_pixels(picture);
    const float theta = o.model.theta, phi = o.model.phi;
    const QPoint a(300, 300), b(360, 270);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(at), QPointF(picture->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(picture, &e);
    };
    send(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
    settle_until([&] { return !o.w->redraw_pending(); });
    // 60 px right and 30 px up at 0.01 rad per pixel
    EXPECT_NEAR(o.model.theta, theta - 0.6f, 1e-4);
    EXPECT_NEAR(o.model.phi, phi - 0.3f, 1e-4);
    const QImage turned = screen_pixels(picture);
    EXPECT_NE(turned, before);
    o.w->View1Click();
    settle();
    EXPECT_NEAR(o.w->ViewOpDlg->TheE->text().toDouble(), theta - 0.6, 2e-3);
    EXPECT_NEAR(o.w->ViewOpDlg->PhiE->text().toDouble(), phi - 0.3, 2e-3);
    o.w->ViewOpDlg->close();

    const float rou = o.model.rou, d1 = o.model.d1;
    QWheelEvent wheel(QPointF(a), QPointF(picture->mapToGlobal(a)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(picture, &wheel);
    settle_until([&] { return !o.w->redraw_pending(); });
    EXPECT_TRUE(o.model.rou < rou || o.model.d1 > d1);
    const QImage zoomed = screen_pixels(picture);
    EXPECT_NE(zoomed, turned);

    send(QEvent::MouseButtonDblClick, a, Qt::LeftButton, Qt::LeftButton);
    settle_until([&] { return !o.w->redraw_pending(); });
    EXPECT_NE(screen_pixels(picture), zoomed);
}

// Esc closes the forms; a form reopens where it was left, whole on the screen, and above the
// main window (what the screen shows there is the form).
TEST(Screen, FormsCloseOnEscapeAndReopenWhereTheyWere)
{
    application();
    if (!have_set()) GTEST_SKIP() << "SCREEN_SET (a result set's base name) is not given";
    open_window o;
    struct form_case {
        const char *name;
        QWidget *form;
        std::function<void()> open;
    };
    const form_case cases[] = {
        {"Data > List", o.w->DataForm, [&] { o.w->ListClick(); }},
        {"Data > Dowel", o.w->DowelList1, [&] { o.w->Dowel1Click(); }},
        {"Option > View", o.w->ViewOpDlg, [&] { o.w->View1Click(); }},
    };
    const QRect screen = o.w->screen()->availableGeometry();
    int k = 0;
    for (const form_case &c : cases) {
        SCOPED_TRACE(c.name);
        c.open();
        settle();
        ASSERT_TRUE(c.form->isVisible());
        EXPECT_TRUE(screen.contains(c.form->frameGeometry())) << "partly off the screen";
        // the user puts it somewhere else on the screen
        c.form->move(screen.topLeft() + QPoint(120 + 40 * k, 90 + 30 * k));
        ++k;
        settle();
        const QPoint left_at = c.form->geometry().topLeft();
        QTest::keyClick(c.form, Qt::Key_Escape);
        settle();
        EXPECT_FALSE(c.form->isVisible()) << "Esc did not close it";
        o.w->activateWindow();
        o.w->raise();
        settle();
        c.open();
        settle();
        ASSERT_TRUE(c.form->isVisible());
        EXPECT_LE((c.form->geometry().topLeft() - left_at).manhattanLength(), 2);
        // above the main window: the screen shows the form's own pixels where it lies
        QScreen *s = o.w->screen();
        const QPoint g = c.form->mapToGlobal(QPoint(0, 0));
        const QImage shown =
            s->grabWindow(0, g.x(), g.y(), c.form->width(), c.form->height()).toImage();
        const QImage own = c.form->grab().toImage().convertToFormat(shown.format());
        ASSERT_EQ(shown.size(), own.size());
        int same = 0;
        for (int y = 0; y < own.height(); y += 2)
            for (int x = 0; x < own.width(); x += 2)
                same += qGray(shown.pixel(x, y)) == qGray(own.pixel(x, y)) ? 1 : 0;
        EXPECT_GT(same, own.width() * own.height() / 4 * 8 / 10);
        c.form->close();
    }
}

// Opened without -U on kgf-cm files: the slab's modulus contradicts the default SI reading, so
// the unit question is asked; the answer (kgf-cm) is what the status bar's input-units panel
// shows, painted whole.
TEST(Screen, StartWithoutUnitsAsksAndTheStatusBarShowsTheAnswer)
{
    application();
    if (!have_set()) GTEST_SKIP() << "SCREEN_SET (a result set's base name) is not given";
    QStringList asked;
    set_message_box([&](QWidget *, const QString &text, const QString &, int) {
        asked << text;
        return static_cast<int>(id_no);
    });
    static FEMg3D model;
    TPost3DForm w(model, command_options{});
    w.show();
    settle();
    w.files.base_name = std::getenv("SCREEN_SET");
    w.initForm();
    settle();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("SI"))) << asked[0].toStdString();
    QLabel *panel = w.input_units_panel();
    EXPECT_EQ(panel->text().toStdString(), "Files: kgf-cm");
    const QImage img = screen_pixels(panel);
    EXPECT_EQ(text_lines(img), 1);
    EXPECT_GT(dark_pixels(img, 0, img.height()), 40);
    EXPECT_GE(panel->contentsRect().width(),
              QFontMetrics(panel->font()).horizontalAdvance(panel->text()));
    set_message_box(nullptr);
}

// A set pavement wrote (PAVEMENT_SET, its report beside it) opens as "ostrine -F set" without
// the unit question, and S3 of the slab's own stresses seen from below (as the report's picture
// is drawn) has the report's largest bottom tension as its extreme, in MPa; the picture painted.
TEST(Screen, PavementSetOpensUnaskedWithTheReportsSlabTension)
{
    application();
    const char *set = std::getenv("PAVEMENT_SET");
    if (!set || !*set) GTEST_SKIP() << "PAVEMENT_SET (a set pavement wrote) is not given";
    int questions = 0;
    set_message_box([&](QWidget *, const QString &, const QString &, int) {
        ++questions;
        return int(id_yes);
    });
    FEMg3D model;
    command_options o;
    o.unit_mode = 0; // no -U: the set says its units
    auto w = std::make_unique<TPost3DForm>(model, o);
    w->show();
    settle();
    w->files.base_name = set;
    w->initForm();
    settle();
    EXPECT_EQ(questions, 0) << "the unit question was asked";
    w->PerMaterial1Click();
    w->RangeClick();
    w->RangeDlg0->UpDown1MouseUp(0); // All -> material 0, the slab
    w->RangeDlg0->Button1Click();
    w->View1Click();
    w->ViewOpDlg->ButtonClick(6); // Backside: from below
    w->ViewOpDlg->OKClick();
    w->S31Click();
    if (!w->settings.legend) w->Legend1Click();
    settle_until([&] { return !w->redraw_pending(); });
    settle();
    ASSERT_TRUE(model.last_contour.valid);
    const double painted = model.last_contour.data_max * w->settings.stress_factor;
    std::ifstream csv(std::string(set) + "_report.csv");
    std::stringstream text;
    text << csv.rdbuf();
    const std::string t = text.str(), key = "\nmax_tension_slab_bottom,";
    const std::size_t at = t.find(key);
    ASSERT_NE(at, std::string::npos) << "no report beside the set";
    const double report = std::strtod(t.c_str() + at + key.size(), nullptr);
    EXPECT_GT(report, 0.5);
    EXPECT_NEAR(painted, report, 0.01 * report) << "painted " << painted << " MPa";
    const QImage img = screen_pixels(w->picture_widget());
    img.save(QStringLiteral("pavement_set_s3.png"));
    int coloured = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            coloured += std::max({qRed(p), qGreen(p), qBlue(p)}) -
                                    std::min({qRed(p), qGreen(p), qBlue(p)}) >=
                                40
                            ? 1
                            : 0;
        }
    EXPECT_GT(coloured, 5000) << "no contour painted";
    w->RangeDlg0->close();
    w->ViewOpDlg->close();
    set_message_box(nullptr);
}
