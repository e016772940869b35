// Main window of ostrine: command line, menus and their handlers, status bar, opening and redraw.
#include "Post3DForm.h"
#include "material_stress_format.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "DataForm.h"
#include "DowelList.h"
#include "Fatigue.h"
#include "HelpForm.h"
#include "MakeBmps.h"
#include "MsgForm.h"
#include "RangeDlg.h"
#include "ScaleDlg.h"
#include "ViewDlg0.h"
#include "fem3d.h"
#include "graph.h"
#include "legend.h"
#include "message_box.h"
#include "navigate.h"
#include "pavement_version.h"
#include "qt_canvas.h"
#include "result_set.h"

// ---------------------------------------------------------------------------------------------
// Plain logic

std::string caption_text(const std::string &base_name)
{
    return "Post Processor 3D [" + base_name + "]";
}

std::string material_panel_text(int current_material)
{
    return "Material ID = [" + material_name(current_material) + "] ;";
}

std::string graph_panel_text(int graph_type)
{
    const char *name = graph_name(graph_type);
    if (!name) return "Displayed Graph = [None] ;";
    return std::string("Displayed Graph = [") + name + "] ;";
}

std::string unit_panel_text(bool unit_text_si)
{
    return unit_text_si ? "SI Unit = [Distance & Displacement: m, Stress: MPa] ;"
                        : "Conventional Unit = [Distance & Displacement: cm, Stress : kgf/cm2] ;";
}

std::string display_panel_text(bool overlay_draw)
{
    // "Claer" is the fixed text as users know it: kept
    return overlay_draw ? "Display state = [Overlay mode] ;" : "Display state = [Claer mode] ;";
}

std::string input_units_text(bool si_input, units_source source)
{
    return std::string("Files: ") + (si_input ? "SI" : "kgf-cm") +
           (source == units_source::assumed ? " (assumed)" : "");
}

int frame_number(double t)
{
    double n = t * 100000.0;
    if (t < 1) n += 0.4;                            // 0.0099999998 still names frame 00001000
    if (!(n > INT_MIN) || !(n < INT_MAX)) return 0; // outside the numbering; plan refuses it
    return static_cast<int>(std::trunc(n));
}

std::string frame_base_name(const std::string &base, double t)
{
    char number[32];
    std::snprintf(number, sizeof number, "%08d", frame_number(t));
    return base + number;
}

animation_plan plan_animation(float dt, float interval, float end)
{
    animation_plan plan;
    char text[256];
    if (!(dt > 0) || !std::isfinite(dt) || !std::isfinite(interval)) {
        std::snprintf(text, sizeof text,
                      "The time step %g of the dynamic file is not positive: no frames", dt);
        plan.refusal = text;
        return plan;
    }
    const double ratio = static_cast<double>(interval) / static_cast<double>(dt);
    if (!(ratio >= 1)) {
        std::snprintf(text, sizeof text,
                      "The output interval %g is shorter than the time step %g: no frames",
                      interval, dt);
        plan.refusal = text;
        return plan;
    }
    plan.every = ratio > 1.0e9 ? 1000000000 : static_cast<int>(std::trunc(ratio));
    if (static_cast<double>(end) / dt > max_animation_steps || static_cast<double>(end) > 20000.0) {
        std::snprintf(text, sizeof text,
                      "The end time %g needs too many time steps of %g: no frames", end, dt);
        plan.refusal = text;
        return plan;
    }
    int i = 1;
    for (double t = dt; t < end; t += dt, ++i)
        if (i % plan.every == 0) plan.times.push_back(t);
    return plan;
}

// ---------------------------------------------------------------------------------------------
// Drawing surfaces

// The client area below the menu: paints the window's picture and white around it, and passes
// the mouse to the window (drag to turn, shift- or middle-drag to move, wheel to zoom, double
// click to fit). It never draws the model itself.
class picture_view : public QWidget
{
  public:
    picture_view(const QImage &image, TPost3DForm *form, QWidget *parent)
        : QWidget(parent), image(image), form(form)
    {
        setObjectName(QStringLiteral("picture"));
    }

  protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.drawImage(0, 0, image);
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        last = e->position().toPoint();
        pan = e->button() == Qt::MiddleButton || (e->modifiers() & Qt::ShiftModifier);
        dragging = e->button() == Qt::LeftButton || e->button() == Qt::MiddleButton;
        if (dragging) setCursor(pan ? Qt::SizeAllCursor : Qt::ClosedHandCursor);
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (!dragging) return;
        const QPoint p = e->position().toPoint(), d = p - last;
        last = p;
        if (!d.isNull()) form->view_drag(d.x(), d.y(), pan);
    }
    void mouseReleaseEvent(QMouseEvent *) override
    {
        dragging = false;
        unsetCursor();
    }
    void mouseDoubleClickEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton) form->view_fit();
    }
    void wheelEvent(QWheelEvent *e) override
    {
        const double steps = e->angleDelta().y() / 120.0; // one notch: 15 degrees, 120 units
        if (steps != 0.0) form->view_wheel(steps, e->position().toPoint());
        e->accept();
    }

  private:
    const QImage &image;
    TPost3DForm *form;
    QPoint last;
    bool dragging = false, pan = false;
};

namespace
{

struct menu_item_help {
    const char *name; // the item's handler name without "Click"
    const char *tip;  // the status tip
    const char *keys; // the shortcut, or nullptr
};
const menu_item_help menu_help[] = {
    {"Open1", "Open a result set: BASE.pin with BASE.out, .dwi, .dwo and .dyn", "Ctrl+O"},
    {"Animation1", "A picture of every output time of a dynamic run (BASEnnnnnnnn.bmp)", nullptr},
    {"Export1", "Write the mesh and the nodal results as a VTK file", "Ctrl+E"},
    {"MakeBmp1", "Save the current graph as BASE<graph name>.bmp", "Ctrl+S"},
    {"Exit1", "End the program", "Ctrl+Q"},
    {"Mesh1", "The mesh in its material colours", "Ctrl+M"},
    {"Displacement1", "The deformed shape, magnified as Option > Scale says", "Ctrl+D"},
    {"Sx1", "Contours of the normal stress along x", nullptr},
    {"Sy1", "Contours of the normal stress along y", nullptr},
    {"Sz1", "Contours of the normal stress along z", nullptr},
    {"Syz1", "Contours of the shear stress in the y-z plane", nullptr},
    {"Szx1", "Contours of the shear stress in the z-x plane", nullptr},
    {"Sxy1", "Contours of the shear stress in the x-y plane", nullptr},
    {"Ex1", "Contours of the normal strain along x", nullptr},
    {"Ey1", "Contours of the normal strain along y", nullptr},
    {"Ez1", "Contours of the normal strain along z", nullptr},
    {"Eyz1", "Contours of the shear strain in the y-z plane", nullptr},
    {"Ezx1", "Contours of the shear strain in the z-x plane", nullptr},
    {"Exy1", "Contours of the shear strain in the x-y plane", nullptr},
    {"S11", "Contours of the smallest principal stress", nullptr},
    {"S21", "Contours of the middle principal stress", nullptr},
    {"S31", "Contours of the largest principal stress (tension is positive)", nullptr},
    {"FI1", "Contours of the fatigue index (Option > Fatigue sets its constants)", nullptr},
    {"Max1", "Bars of the largest principal stress at each solid's centre", nullptr},
    {"Middle1", "Bars of the middle principal stress at each solid's centre", nullptr},
    {"Minimum1", "Bars of the smallest principal stress at each solid's centre", nullptr},
    {"All1", "Bars of all three principal stresses at each solid's centre", nullptr},
    {"Bending1", "The bending stress along each dowel bar", nullptr},
    {"Shear1", "The shear stress along each dowel bar", nullptr},
    {"List", "List nodal results on planes or along a line, and save them", "Ctrl+L"},
    {"Dowel1", "List the stresses along each dowel bar, and save them", nullptr},
    {"Range", "Choose the material and the box of elements drawn", "Ctrl+R"},
    {"View1", "Eye position, projection distance and light; plan and side views", nullptr},
    {"Scale1", "Displacement magnification, contour range and bands, bar scales", nullptr},
    {"Allelements1", "Draw the faces inside the model as well", nullptr},
    {"kgfcm1", "Show lengths in cm and stresses in kgf/cm2", nullptr},
    {"SI1", "Show lengths in m and stresses in MPa", nullptr},
    {"Binary1", "Read the binary form of the result files at the next Open", nullptr},
    {"Fatigue1", "The fatigue index: its constants, the flexural strength, the repetitions",
     nullptr},
    {"Wire1", "Element edges over the faces", nullptr},
    {"Black1", "Element edges in black", nullptr},
    {"Gray1", "Element edges in grey", nullptr},
    {"NoWIre1", "No element edges over the faces", nullptr},
    {"SmoothCnt1", "Contours shaded smoothly instead of in bands", nullptr},
    {"SIInputdata1",
     "Checked: the result files hold SI values (m, MPa); else kgf-cm. For the next "
     "Open",
     nullptr},
    {"OverlayDraw1", "Draw the next graph over the current picture", nullptr},
    {"Legend1", "A key beside the picture: colours, values, scales and the axes", "Ctrl+K"},
    {"PerMaterial1", "Contours from each material's own nodal means (BASE.mst)", nullptr},
    {"Wheels1", "The wheel prints (the loaded faces)", nullptr},
    {"None1", "Do not draw the wheel prints", nullptr},
    {"Frame1", "Draw the wheel prints", nullptr},
    {"Filled1", "Draw the wheel prints", nullptr},
    {"Guide1", "The menus, the mouse, the units and the keys on one page", "F1"},
    {"About1", "The program and its version", nullptr},
};

QByteArray file_name(const std::string &name)
{
    return QFile::encodeName(QString::fromStdString(name));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TPost3DForm::TPost3DForm(FEMg3D &m, const command_options &options, QWidget *parent)
    : QMainWindow(parent), model(m), unit_mode(options.unit_mode)
{
    files.base_name = options.base_name;
    view = new picture_view(picture, this, this);
    setCentralWidget(view);
    build_menu();
    // The four panels are at least their fixed widths and as wide as their texts; the last
    // one takes the rest of the bar (fit_status_panels).
    for (int i = 0; i < 4; ++i) {
        panel[i] = new QLabel(this);
        panel[i]->setMinimumWidth(status_panel_width[i]);
        statusBar()->addWidget(panel[i], i == 3 ? 1 : 0);
    }
    // the result files' units as the window reads them, at the right end of the bar
    input_panel = new QLabel(this);
    input_panel->setObjectName(QStringLiteral("input_units"));
    input_panel->setToolTip(
        QStringLiteral("Units of the result files as read: -U 1 (kgf-cm) or -U 2 (SI) states them; "
                       "Option > SI Input data sets them for the next Open"));
    statusBar()->addPermanentWidget(input_panel);
    input_units = unit_mode != 0 ? units_source::option : units_source::assumed;
    redraw_timer = new QTimer(this);
    redraw_timer->setSingleShot(true);
    redraw_timer->setInterval(15);
    connect(redraw_timer, &QTimer::timeout, this, &TPost3DForm::redraw_view);
    panel_font_size = panel[0]->font().pointSizeF();
    open_file_dialog = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(),
                                            QStringLiteral("FEM input files (*.pin)"));
    };
    save_file_dialog = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export"), QString());
    };

    // White picture; copies of the model's counts and scales; plain-copy drawing.
    picture = QImage(initial_client_width, initial_client_height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    model.settings = &settings;
    settings.material_count = model.n_materials;
    model.get_scales(settings.scale_values);
    model.range_inside = true;
    // The smooth contour mode draws into the picture itself (no separate GL context).
    // Menu state.
    item("kgfcm1")->setChecked(false);
    item("SI1")->setChecked(true);
    settings.unit_text_si = true;
    item("SIInputdata1")->setChecked(true);
    if (unit_mode == 1) item("SIInputdata1")->setChecked(false);
    if (unit_mode == 2) item("SIInputdata1")->setChecked(true);
    item("Allelements1")->setChecked(false);
    model.show_all_faces = false;
    // Output factors from kgf-cm (off), input factors from "SI Input data".
    set_output_units(settings, !item("kgfcm1")->isChecked());
    set_input_factors(settings, item("SIInputdata1")->isChecked());
    // No graph yet, plain modes.
    graph_type = -1;
    settings.contour_range_set = false;
    settings.wire_on = false;
    settings.wire_black = false;
    settings.smooth_contour = false;
    settings.overlay_draw = false;
    refresh_status();
    settings.wheel_mode = 2;
    set_wheel_item(2);

    // Client area 922 x 610 below the menu, above the status bar.
    view->setMinimumSize(1, 1);
    resize(initial_client_width, initial_client_height + menuBar()->sizeHint().height() +
                                     statusBar()->sizeHint().height());
    layout()->activate(); // the client area has its size before the window is first shown

    // The other windows, in their order of creation.
    // The forms show their messages (conversion errors, file errors) through message_box.
    const form_message_fn show = [](QWidget *p, const QString &text, const QString &title) {
        message_box(p, text, title, mb_ok | mb_icon_warning);
    };
    MessageForm = new TMessageForm(this);
    model.progress = MessageForm;
    RangeDlg0 = new TRangeDlg0(model, settings, show, this);
    ViewOpDlg = new TViewOpDlg(model, show, this);
    DataForm = new TDataForm(model, settings, files, show, this);
    DowelList1 = new TDowelList1(model, settings, files, show, this);
    ScaleDlg0 = new TScaleDlg0(model, settings, show, this);
    FatigueDlg = new TFatigueDlg(model, settings, show, this);
    makeBmpsForm = new TmakeBmpsForm(this);
}

TPost3DForm::~TPost3DForm()
{
    // The model outlives the window: leave it no pointers into this window.
    if (model.settings == &settings) model.settings = nullptr;
    if (model.progress == MessageForm) model.progress = nullptr;
}

QAction *TPost3DForm::add_item(QMenu *menu, const char *name, const char *text,
                               void (TPost3DForm::*handler)(), bool checkable)
{
    QAction *a = menu->addAction(QString::fromLatin1(text));
    a->setObjectName(QString::fromLatin1(name));
    a->setCheckable(checkable);
    // The toolkit flips a checkable item before the handler runs; the handlers set the check
    // marks themselves, so restore the state they expect.
    connect(a, &QAction::triggered, this, [this, a, handler, checkable] {
        if (checkable) a->setChecked(!a->isChecked());
        (this->*handler)();
    });
    items.emplace_back(name, a);
    return a;
}

void TPost3DForm::build_menu()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    add_item(file, "Open1", "&Open", &TPost3DForm::Open1Click);
    add_item(file, "Animation1", "&Animation", &TPost3DForm::Animation1Click);
    add_item(file, "Export1", "&Export", &TPost3DForm::Export1Click);
    add_item(file, "MakeBmp1", "Make &Bmp", &TPost3DForm::MakeBmp1Click);
    file->addSeparator();
    add_item(file, "Exit1", "E&xit", &TPost3DForm::Exit1Click);

    QMenu *graph = menuBar()->addMenu(QStringLiteral("&Graph"));
    add_item(graph, "Mesh1", "&Mesh", &TPost3DForm::Mesh1Click);
    add_item(graph, "Displacement1", "&Displacement", &TPost3DForm::Displacement1Click);
    QMenu *contours = graph->addMenu(QStringLiteral("&Contours"));
    add_item(contours, "Ex1", "Ex", &TPost3DForm::Ex1Click);
    add_item(contours, "Ey1", "Ey", &TPost3DForm::Ey1Click);
    add_item(contours, "Ez1", "Ez", &TPost3DForm::Ez1Click);
    add_item(contours, "Eyz1", "Eyz", &TPost3DForm::Eyz1Click);
    add_item(contours, "Ezx1", "Ezx", &TPost3DForm::Ezx1Click);
    add_item(contours, "Exy1", "Exy", &TPost3DForm::Exy1Click);
    add_item(contours, "Sx1", "Sx", &TPost3DForm::Sx1Click);
    add_item(contours, "Sy1", "Sy", &TPost3DForm::Sy1Click);
    add_item(contours, "Sz1", "Sz", &TPost3DForm::Sz1Click);
    add_item(contours, "Syz1", "Syz", &TPost3DForm::Syz1Click);
    add_item(contours, "Szx1", "Szx", &TPost3DForm::Szx1Click);
    add_item(contours, "Sxy1", "Sxy", &TPost3DForm::Sxy1Click);
    add_item(contours, "S11", "S1", &TPost3DForm::S11Click);
    add_item(contours, "S21", "S2", &TPost3DForm::S21Click);
    add_item(contours, "S31", "S3", &TPost3DForm::S31Click);
    add_item(contours, "FI1", "FI", &TPost3DForm::FI1Click);
    QMenu *principal = graph->addMenu(QStringLiteral("&Principal Stress"));
    add_item(principal, "Max1", "Maximum", &TPost3DForm::Max1Click);
    add_item(principal, "Middle1", "Middle", &TPost3DForm::Middle1Click);
    add_item(principal, "Minimum1", "Minimum", &TPost3DForm::Minimum1Click);
    add_item(principal, "All1", "All", &TPost3DForm::All1Click);
    QMenu *dowels = graph->addMenu(QStringLiteral("D&owels"));
    add_item(dowels, "Bending1", "Bending", &TPost3DForm::Bending1Click);
    add_item(dowels, "Shear1", "Shear", &TPost3DForm::Shear1Click);

    QMenu *data = menuBar()->addMenu(QStringLiteral("&Data"));
    add_item(data, "List", "&List", &TPost3DForm::ListClick);
    add_item(data, "Dowel1", "&Dowel", &TPost3DForm::Dowel1Click);

    QMenu *option = menuBar()->addMenu(QStringLiteral("&Option"));
    add_item(option, "Range", "&Range", &TPost3DForm::RangeClick);
    add_item(option, "View1", "&View", &TPost3DForm::View1Click);
    add_item(option, "Scale1", "&Scale", &TPost3DForm::Scale1Click);
    add_item(option, "Allelements1", "&All elements", &TPost3DForm::Allelements1Click, true);
    QMenu *unit = option->addMenu(QStringLiteral("&Unit"));
    add_item(unit, "kgfcm1", "kgf-cm", &TPost3DForm::kgfcm1Click, true);
    add_item(unit, "SI1", "SI", &TPost3DForm::SI1Click, true);
    add_item(option, "Binary1", "&Binary", &TPost3DForm::Binary1Click, true);
    add_item(option, "Fatigue1", "&Fatigue", &TPost3DForm::Fatigue1Click);
    QMenu *wire = option->addMenu(QStringLiteral("&Wire"));
    QAction *wire_item = wire->menuAction();
    wire_item->setObjectName(QStringLiteral("Wire1"));
    wire_item->setCheckable(true);
    connect(wire, &QMenu::aboutToShow, this, &TPost3DForm::Wire1Click);
    items.emplace_back("Wire1", wire_item);
    add_item(wire, "Black1", "Black", &TPost3DForm::Black1Click, true);
    add_item(wire, "Gray1", "Gray", &TPost3DForm::Gray1Click, true);
    add_item(wire, "NoWIre1", "NoWIre", &TPost3DForm::NoWIre1Click, true);
    add_item(option, "SmoothCnt1", "Smooth_Cnt", &TPost3DForm::SmoothCnt1Click, true);
    add_item(option, "SIInputdata1", "SI Input data", &TPost3DForm::SIInputdata1Click, true);
    add_item(option, "OverlayDraw1", "Overlay Draw", &TPost3DForm::OverlayDraw1Click, true);
    add_item(option, "Legend1", "Legend", &TPost3DForm::Legend1Click, true);
    add_item(option, "PerMaterial1", "Per-material averaging", &TPost3DForm::PerMaterial1Click,
             true);
    QMenu *wheels = option->addMenu(QStringLiteral("W&heels"));
    items.emplace_back("Wheels1", wheels->menuAction());
    add_item(wheels, "None1", "None", &TPost3DForm::None1Click, true);
    add_item(wheels, "Frame1", "Frame", &TPost3DForm::Frame1Click, true);
    add_item(wheels, "Filled1", "Filled", &TPost3DForm::Filled1Click, true);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    add_item(help, "Guide1", "&Guide", &TPost3DForm::Guide1Click);
    add_item(help, "About1", "&About ostrine", &TPost3DForm::About1Click);

    // what each command does, shown in the status bar while the menu item is under the mouse,
    // and the keys of the frequent ones
    for (const menu_item_help &h : menu_help) {
        QAction *a = item(h.name);
        if (!a) continue;
        a->setStatusTip(QString::fromLatin1(h.tip));
        if (h.keys) a->setShortcut(QKeySequence(QString::fromLatin1(h.keys)));
    }
}

QAction *TPost3DForm::item(const char *name) const
{
    for (const auto &[n, a] : items)
        if (n == name) return a;
    return nullptr;
}

QString TPost3DForm::status_text(int panel_index) const
{
    if (panel_index < 0 || panel_index > 3) return QString();
    return panel[panel_index]->text();
}

QSize TPost3DForm::surface_size() const
{
    const QSize s = view->size();
    return QSize(s.width() > 0 ? s.width() : 1, s.height() > 0 ? s.height() : 1);
}

// ---------------------------------------------------------------------------------------------
// Status, start, opening, redraw

void TPost3DForm::refresh_status()
{
    // Texts are sized to their content: a long base name is shown whole.
    setWindowTitle(QString::fromStdString(
        caption_text(result_set_open || !load_failed ? files.base_name : std::string("None"))));
    panel[0]->setText(QString::fromStdString(material_panel_text(settings.current_material)));
    panel[1]->setText(QString::fromStdString(graph_panel_text(graph_type)));
    panel[2]->setText(QString::fromStdString(unit_panel_text(settings.unit_text_si)));
    panel[3]->setText(QString::fromStdString(display_panel_text(settings.overlay_draw)));
    input_panel->setText(
        QString::fromStdString(input_units_text(settings.in_stress_factor != 1.0f, input_units)));
    fit_status_panels();
}

void TPost3DForm::fit_status_panels()
{
    // Every panel shows its whole text: each is as wide as its text (and at least its fixed
    // width); when the four do not fit in the bar, their font shrinks until they do (to 6 pt).
    const int padding = 12;
    // margins and size grip, and the input-units panel at the right end
    const int available = std::max(
        1, statusBar()->width() - 28 -
               (input_panel
                    ? QFontMetrics(input_panel->font()).horizontalAdvance(input_panel->text()) +
                          padding
                    : 0));
    QFont font = panel[0]->font();
    double size = panel_font_size;
    for (;; size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetrics metrics(font);
        int sum = 0;
        for (int i = 0; i < 4; ++i)
            sum += std::max(status_panel_width[i],
                            metrics.horizontalAdvance(panel[i]->text()) + padding);
        if (sum <= available || size - 0.5 < 6.0) break;
    }
    const QFontMetrics metrics(font);
    for (int i = 0; i < 4; ++i) {
        panel[i]->setFont(font);
        panel[i]->setMinimumWidth(
            std::max(status_panel_width[i], metrics.horizontalAdvance(panel[i]->text()) + padding));
    }
}

void TPost3DForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (panel[0]) fit_status_panels();
    // the picture follows the window (not in overlay mode, whose pictures would be lost)
    if (!settings.overlay_draw) schedule_redraw();
}

void TPost3DForm::announce_written(const std::string &path)
{
    statusBar()->showMessage(QStringLiteral("Written: ") + QString::fromStdString(path), 6000);
}

bool TPost3DForm::require_result_set(const QString &command)
{
    if (result_set_open) return true;
    message_box(
        this,
        QStringLiteral("No result set is loaded") +
            (load_failed ? QStringLiteral(" (the last one could not be read)") : QString()) +
            QStringLiteral(": there is nothing to ") + command +
            QStringLiteral(". Open one with File > Open."),
        QStringLiteral("Nothing to draw"), mb_ok | mb_icon_warning);
    return false;
}

void TPost3DForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shown_once) return;
    shown_once = true;
    initForm();
}

void TPost3DForm::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) QCoreApplication::quit();
}

void TPost3DForm::initForm()
{
    if (files.base_name.empty()) return;
    form_result_names(files, files.base_name);
    if (unit_mode == 0) {
        // the units as corvane read the files, when it recorded them beside the set
        run_record run;
        // (or as the program that wrote them recorded them: files=kgf-cm|si)
        if (read_material_stress_header(material_stress_name(files.base_name), run)) {
            const int recorded = run.units == 1 || run.units == 2 ? run.units : run.files;
            if (recorded == 1 || recorded == 2) {
                item("SIInputdata1")->setChecked(recorded == 2);
                set_input_factors(settings, recorded == 2);
                input_units = units_source::recorded;
            }
        }
    }
    if (load_current_files()) {
        if (unit_mode == 0 && input_units == units_source::assumed) settle_start_units();
        graph_type = 0;
        redraw_graph();
    }
    view->update();
}

void TPost3DForm::settle_start_units()
{
    const bool si = item("SIInputdata1")->isChecked();
    const int looks = guess_file_units(model, settings.in_stress_factor);
    if (looks != 0 && (looks == 2) != si) {
        // the slab's modulus says the other units: ask, as File > Open does, with the answer
        // the modulus gives as the default (Enter reads kgf/cm2 moduli as kgf-cm)
        const int answer =
            message_box(this, QStringLiteral(" Is the data file written in SI uint?"),
                        QStringLiteral("Data unit confirmation "),
                        mb_yes_no | mb_icon_question | (looks == 1 ? mb_default_no : 0));
        item("SIInputdata1")->setChecked(answer == id_yes);
        set_input_factors(settings, answer == id_yes);
        input_units = units_source::answer;
        if ((answer == id_yes) != si && !load_current_files()) return;
    }
    refresh_status();
    if (input_units == units_source::assumed)
        statusBar()->showMessage(
            QStringLiteral("The result files' units were not given: read as ") +
                (si ? QStringLiteral("SI (m, MPa)") : QStringLiteral("kgf-cm")) +
                QStringLiteral(". Start with -U 1 (kgf-cm) or -U 2 (SI) to state them."),
            15000);
}

bool TPost3DForm::load_files()
{
    if (result_set_open) {
        model.free_result_set();
        result_set_open = 0;
    }
    const QByteArray pin = file_name(files.pin_name), out = file_name(files.out_name),
                     dwi = file_name(files.dwi_name), dwo = file_name(files.dwo_name),
                     dyn = file_name(files.dyn_name);
    const int status =
        binary_input
            ? model.load_result_set_binary(pin.data(), out.data(), dwi.data(), dwo.data(),
                                           dyn.data())
            : model.load_result_set(pin.data(), out.data(), dwi.data(), dwo.data(), dyn.data());
    load_failed = status == -1;
    if (status == -1) {
        // The model is released: clear the picture and the caption too, so that nothing of
        // the previous set stays on screen.
        graph_type = -1;
        picture.fill(Qt::white);
        refresh_status();
        view->update();
        // The fixed text, and below it what the loader found wrong.
        QString text = QStringLiteral("File name is not correct or does not exist");
        if (!model.load_error.empty())
            text += QStringLiteral("\n\n") + QString::fromStdString(model.load_error);
        message_box(this, text, QStringLiteral("File open error"), mb_ok | mb_icon_warning);
        return false;
    }
    return true;
}

bool TPost3DForm::load_current_files()
{
    if (!load_files()) return false;
    const QSize s = surface_size();
    result_set_open = 1;
    // the model fits the area left of the key when the legend is on
    settle_after_open(model, settings, model_area_width(settings, s.width()), s.height());
    if (settings.per_material) load_material_values();
    refresh_status();
    return true;
}

void TPost3DForm::Open1Click()
{
    const QString path = open_file_dialog();
    if (path.isEmpty()) {
        setWindowTitle(QString::fromStdString(caption_text("None")));
        view->update();
        return;
    }
    if (unit_mode == 0) {
        const int answer =
            // " SI uint?" is the fixed question as users know it: kept
            message_box(this, QStringLiteral(" Is the data file written in SI uint?"),
                        QStringLiteral("Data unit confirmation "), mb_yes_no | mb_icon_question);
        item("SIInputdata1")->setChecked(answer == id_yes);
        input_units = units_source::answer;
    }
    set_input_factors(settings, item("SIInputdata1")->isChecked());
    const std::string chosen = path.toStdString();
    form_result_names(files, chosen.size() >= 4 ? chosen.substr(0, chosen.size() - 4) : "");
    if (!load_current_files()) return;
    view->update();
}

void TPost3DForm::redraw_graph()
{
    if (!result_set_open) return;
    if (item("OverlayDraw1")->isChecked()) settings.overlay_draw = true;
    // A new picture of the window's size unless the graph goes over the earlier one; the
    // drawing resizes the view to it and clears it white.
    if (!settings.overlay_draw) picture = QImage(surface_size(), QImage::Format_RGB32);
    settings.current_material = model.sel_material;
    refresh_status();
    draw_onto(picture, false);
    view->update();
}

void TPost3DForm::draw_onto(QImage &img, bool image)
{
    qt_canvas cv(img);
    qt_smooth_surface smooth(cv, model);
    model.smooth = &smooth;
    draw_graph(model, settings, cv, graph_type, img.width(), img.height(),
               image ? graph_target::image : graph_target::window);
    model.smooth = nullptr;
}

// ---------------------------------------------------------------------------------------------
// File menu: images, animation, export, exit

void TPost3DForm::draw_graph_to_image()
{
    if (!result_set_open) return;
    draw_onto(makeBmpsForm->Image1, true); // resized to the image, cleared, selection set
    refresh_status();
    makeBmpsForm->show_picture();
}

bool TPost3DForm::save_bitmap(const QImage &img, const std::string &name)
{
    std::string why;
    if (write_picture(img, name, why)) return true;
    message_box(
        this,
        QStringLiteral("Cannot write the image file ") + QString::fromStdString(name) +
            (why.empty() ? QString() : QStringLiteral("\n\n") + QString::fromStdString(why)),
        QStringLiteral("File write error"), mb_ok | mb_icon_warning);
    return false;
}

void TPost3DForm::MakeBmp1Click()
{
    if (!require_result_set(QStringLiteral("draw into a bitmap"))) return;
    const char *name = graph_name(graph_type);
    if (!name) {
        // No graph chosen yet: there is no name for the file and nothing to draw.
        message_box(this, QStringLiteral("Choose a graph before making a bmp file"),
                    QStringLiteral("Make Bmp"), mb_ok | mb_icon_warning);
        return;
    }
    const QSize s = surface_size();
    makeBmpsForm->set_image_size(s.width(), s.height());
    makeBmpsForm->show_picture();
    draw_graph_to_image();
    const std::string bmp = files.base_name + name + ".bmp";
    if (save_bitmap(makeBmpsForm->Image1, bmp)) announce_written(bmp);
}

void TPost3DForm::Animation1Click()
{
    const float dt = model.dyn_time_step, interval = model.dyn_out_interval,
                end = model.dyn_end_time;
    if (!result_set_open || !model.dyn_loaded) {
        message_box(this,
                    QStringLiteral("No dynamic-run file was read: open a result set whose ") +
                        QStringLiteral(".dyn file gives the time steps of the series"),
                    QStringLiteral("Animation"), mb_ok | mb_icon_warning);
        return;
    }
    if (interval < 0) {
        message_box(this, QStringLiteral("This is not the Dynamic File"),
                    QStringLiteral("File open error"), mb_ok | mb_icon_warning);
        return;
    }
    const animation_plan plan = plan_animation(dt, interval, end);
    if (!plan.refusal.empty()) {
        message_box(this, QString::fromStdString(plan.refusal), QStringLiteral("Animation"),
                    mb_ok | mb_icon_warning);
        return;
    }
    const QSize s = surface_size();
    makeBmpsForm->set_image_size(s.width(), s.height());
    makeBmpsForm->show_picture();
    const std::string base = files.base_name;
    for (double t : plan.times) {
        const std::string frame = frame_base_name(base, t);
        form_result_names(files, frame);
        files.base_name = base; // the series keeps the base name
        if (!load_files()) return;
        const QImage &img = makeBmpsForm->Image1;
        model.resize_surface(img.width(), img.height());
        result_set_open = 1;
        settings.material_count = model.n_materials;
        model.get_range(settings.saved_range_box);
        settings.current_material = model.sel_material;
        draw_graph_to_image();
        if (!save_bitmap(makeBmpsForm->Image1, frame + ".bmp")) return;
        announce_written(frame + ".bmp");
    }
}

void TPost3DForm::Export1Click()
{
    if (!require_result_set(QStringLiteral("export"))) return;
    const QString name = save_file_dialog();
    if (!name.isEmpty()) {
        files.base_name = name.toStdString();
        if (model.export_vtk(file_name(files.base_name).data()) == -1) {
            message_box(this, QStringLiteral("File name is not correct or does not exist"),
                        QStringLiteral("File open error"), mb_ok | mb_icon_warning);
            return;
        }
        announce_written(files.base_name);
    }
    view->update();
}

void TPost3DForm::Legend1Click()
{
    settings.legend = !settings.legend;
    item("Legend1")->setChecked(settings.legend);
    if (!result_set_open) return;
    // the model is fitted again to the area the key leaves (or gives back), and redrawn
    const QSize s = surface_size();
    model.resize_surface(model_area_width(settings, s.width()), s.height());
    model.fit_to_box();
    schedule_redraw();
}

void TPost3DForm::Guide1Click()
{
    if (!HelpForm) HelpForm = new THelpForm(this);
    show_form(HelpForm, this);
}

void TPost3DForm::About1Click()
{
    message_box(this,
                QStringLiteral("ostrine ") + QStringLiteral(PAVEMENT_VERSION) +
                    QStringLiteral("\n\nThe results viewer of the pavement analysis suite: meshes, "
                                   "deformed shapes, stress contours, principal stresses and dowel "
                                   "stresses of the result sets that tarnel and corvane write.\n\n"
                                   "Help > Guide (F1) explains the menus and the mouse."),
                QStringLiteral("About ostrine"), mb_ok | mb_icon_information);
}

// ---------------------------------------------------------------------------------------------
// The mouse on the picture

QWidget *TPost3DForm::picture_widget() const
{
    return view;
}

void TPost3DForm::view_drag(int dx, int dy, bool pan)
{
    if (!result_set_open) return;
    if (pan) {
        pan_view(model, dx, dy);
    } else {
        orbit_view(model, -orbit_radians_per_pixel * static_cast<float>(dx),
                   orbit_radians_per_pixel * static_cast<float>(dy));
        faces_stale = true;
    }
    schedule_redraw();
}

void TPost3DForm::view_wheel(double steps, QPoint at)
{
    if (!result_set_open) return;
    zoom_view(model, static_cast<float>(std::pow(1.15, steps)), at.x(), at.y());
    faces_stale = true;
    schedule_redraw();
}

void TPost3DForm::view_fit()
{
    if (!result_set_open) return;
    const QSize s = surface_size();
    model.resize_surface(model_area_width(settings, s.width()), s.height());
    fit_view(model);
    schedule_redraw();
}

bool TPost3DForm::redraw_pending() const
{
    return redraw_timer && redraw_timer->isActive();
}

void TPost3DForm::schedule_redraw()
{
    if (redraw_timer && result_set_open && graph_type >= 0) redraw_timer->start();
}

void TPost3DForm::redraw_view()
{
    if (!result_set_open || graph_type < 0) return;
    if (faces_stale) {
        // projected again; the progress window stays closed for a turn of the view
        progress_sink *progress = model.progress;
        model.progress = nullptr;
        model.build_faces();
        model.progress = progress;
        faces_stale = false;
    }
    const bool overlay = settings.overlay_draw;
    settings.overlay_draw = false;
    picture = QImage(surface_size(), QImage::Format_RGB32);
    draw_onto(picture, false);
    settings.overlay_draw = overlay;
    refresh_status();
    view->update();
    if (ViewOpDlg && ViewOpDlg->isVisible()) ViewOpDlg->FormShow();
}

void TPost3DForm::PerMaterial1Click()
{
    settings.per_material = !settings.per_material;
    if (settings.per_material && result_set_open && !load_material_values()) return;
    item("PerMaterial1")->setChecked(settings.per_material);
    redraw_graph();
    view->update();
}

bool TPost3DForm::load_material_values()
{
    if (model.material_values_loaded) return true;
    const std::string mst = material_stress_name(files.base_name);
    if (model.load_material_values(mst.c_str()) == 1) return true;
    settings.per_material = false;
    item("PerMaterial1")->setChecked(false);
    message_box(this,
                QStringLiteral("No per-material stresses for this result set:\n\n") +
                    QString::fromStdString(model.load_error) +
                    QStringLiteral("\n\nContours show the means over every solid at a node."),
                QStringLiteral("Per-material averaging"), mb_ok | mb_icon_warning);
    return false;
}

void TPost3DForm::Exit1Click()
{
    close();
}

// ---------------------------------------------------------------------------------------------
// Graph menu

void TPost3DForm::choose_graph(int type)
{
    graph_type = type;
    redraw_graph();
    require_result_set(QStringLiteral("draw")); // says so when nothing was drawn
}

void TPost3DForm::Mesh1Click()
{
    choose_graph(0);
}
void TPost3DForm::Displacement1Click()
{
    choose_graph(1);
}
void TPost3DForm::Sx1Click()
{
    choose_graph(2);
}
void TPost3DForm::Sy1Click()
{
    choose_graph(3);
}
void TPost3DForm::Sz1Click()
{
    choose_graph(4);
}
void TPost3DForm::Syz1Click()
{
    choose_graph(5);
}
void TPost3DForm::Szx1Click()
{
    choose_graph(6);
}
void TPost3DForm::Sxy1Click()
{
    choose_graph(7);
}
void TPost3DForm::Ex1Click()
{
    choose_graph(8);
}
void TPost3DForm::Ey1Click()
{
    choose_graph(9);
}
void TPost3DForm::Ez1Click()
{
    choose_graph(10);
}
void TPost3DForm::Eyz1Click()
{
    choose_graph(11);
}
void TPost3DForm::Ezx1Click()
{
    choose_graph(12);
}
void TPost3DForm::Exy1Click()
{
    choose_graph(13);
}
void TPost3DForm::Bending1Click()
{
    choose_graph(14);
}
void TPost3DForm::Shear1Click()
{
    choose_graph(15);
}
void TPost3DForm::S11Click()
{
    choose_graph(16);
}
void TPost3DForm::S21Click()
{
    choose_graph(17);
}
void TPost3DForm::S31Click()
{
    choose_graph(18);
}
void TPost3DForm::FI1Click()
{
    choose_graph(19);
}

void TPost3DForm::Max1Click()
{
    settings.principal_choice = 2;
    choose_graph(20);
}

void TPost3DForm::Middle1Click()
{
    settings.principal_choice = 1;
    choose_graph(20);
}

void TPost3DForm::Minimum1Click()
{
    settings.principal_choice = 0;
    choose_graph(20);
}

void TPost3DForm::All1Click()
{
    settings.principal_choice = 3;
    choose_graph(20);
}

// ---------------------------------------------------------------------------------------------
// Data and Option menus

void TPost3DForm::ListClick()
{
    show_form(DataForm, this);
}
void TPost3DForm::Dowel1Click()
{
    show_form(DowelList1, this);
}
void TPost3DForm::RangeClick()
{
    show_form(RangeDlg0, this);
}
void TPost3DForm::View1Click()
{
    show_form(ViewOpDlg, this);
}
void TPost3DForm::Scale1Click()
{
    show_form(ScaleDlg0, this);
}
void TPost3DForm::Fatigue1Click()
{
    show_form(FatigueDlg, this);
}

void TPost3DForm::Allelements1Click()
{
    model.show_all_faces = !model.show_all_faces;
    item("Allelements1")->setChecked(model.show_all_faces);
}

void TPost3DForm::kgfcm1Click()
{
    item("kgfcm1")->setChecked(true);
    item("SI1")->setChecked(false);
    set_output_units(settings, false);
    refresh_status();
}

void TPost3DForm::SI1Click()
{
    item("kgfcm1")->setChecked(false);
    item("SI1")->setChecked(true);
    set_output_units(settings, true);
    refresh_status();
}

void TPost3DForm::Binary1Click()
{
    binary_input = binary_input ? 0 : 1;
    item("Binary1")->setChecked(binary_input != 0);
}

void TPost3DForm::Wire1Click() {} // opens its submenu only

void TPost3DForm::Black1Click()
{
    settings.wire_on = true;
    settings.wire_black = true;
    item("Black1")->setChecked(true);
    item("Gray1")->setChecked(false);
}

void TPost3DForm::Gray1Click()
{
    settings.wire_on = true;
    settings.wire_black = false;
    item("Black1")->setChecked(false);
    item("Gray1")->setChecked(true);
}

void TPost3DForm::NoWIre1Click()
{
    settings.wire_on = false;
    item("Black1")->setChecked(false);
    item("Gray1")->setChecked(false);
    item("Wire1")->setChecked(false);
}

void TPost3DForm::SmoothCnt1Click()
{
    settings.smooth_contour = !settings.smooth_contour;
    item("SmoothCnt1")->setChecked(settings.smooth_contour);
}

void TPost3DForm::SIInputdata1Click()
{
    QAction *a = item("SIInputdata1");
    a->setChecked(!a->isChecked());
    set_input_factors(settings, a->isChecked());
    if (unit_mode == 0) input_units = units_source::menu;
    refresh_status();
}

void TPost3DForm::OverlayDraw1Click()
{
    settings.overlay_draw = !settings.overlay_draw;
    item("OverlayDraw1")->setChecked(settings.overlay_draw);
    refresh_status();
}

// A checked wheel item loses its mark and leaves wheel_mode; an unchecked one becomes the only
// checked item and sets wheel_mode.
void TPost3DForm::wheel_click(const char *name, int mode)
{
    QAction *a = item(name);
    if (a->isChecked()) {
        a->setChecked(false);
        return;
    }
    set_wheel_item(mode);
    settings.wheel_mode = mode;
}

void TPost3DForm::set_wheel_item(int mode)
{
    item("None1")->setChecked(mode == 0);
    item("Frame1")->setChecked(mode == 1);
    item("Filled1")->setChecked(mode == 2);
}

void TPost3DForm::None1Click()
{
    wheel_click("None1", 0);
}
void TPost3DForm::Frame1Click()
{
    wheel_click("Frame1", 1);
}
void TPost3DForm::Filled1Click()
{
    wheel_click("Filled1", 2);
}
