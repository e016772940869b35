// Main window of ostrine: command line, menus, display settings, status bar and graph commands.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "command_line.h"
#include "dialogs.h"
#include "display.h"
#include "graph.h"

class FEMg3D;
class QAction;
class QLabel;
class QMenu;
class TMessageForm;
class TmakeBmpsForm;
class TRangeDlg0;
class TViewOpDlg;
class TDataForm;
class TDowelList1;
class TScaleDlg0;
class TFatigueDlg;
class THelpForm;
class QTimer;

// ---------------------------------------------------------------------------------------------
// Plain logic of the main window, kept free of widgets so it can be tested on its own.

// The window caption and the four status panel texts.
std::string caption_text(const std::string &base_name);
std::string material_panel_text(int current_material);
std::string graph_panel_text(int graph_type);
std::string unit_panel_text(bool unit_text_si);
std::string display_panel_text(bool overlay_draw);

// Where the window's belief about the result files' units comes from.
enum class units_source {
    option,   // -U 1 or -U 2 on the command line
    answer,   // the user answered the unit question
    recorded, // as corvane read them, recorded in the per-material stress file
    menu,     // Option > SI Input data was set before the load
    assumed,  // nothing said so: the default, which the slab's modulus does not contradict
};
// Text of the input-units panel: "Files: SI" or "Files: kgf-cm", with " (assumed)" when nothing
// stated them.
std::string input_units_text(bool si_input, units_source source);

// Status panel widths in pixels.
constexpr int status_panel_width[4] = {115, 220, 290, 50};
// Initial client area of the main window (the drawing surface).
constexpr int initial_client_width = 922;
constexpr int initial_client_height = 610;

// Frame number of output time t: trunc(t * 100000), with 0.4 added first when t < 1.
int frame_number(double t);
// Frame base name "%s%08d" of base and the frame number of t.
std::string frame_base_name(const std::string &base, double t);

// Frames of an animation: every = trunc(interval / dt) in double precision; the steps i = 1, 2,
// ... with t = i * dt accumulated in double while t < end; a frame at every i divisible by every.
struct animation_plan {
    int every = 0;             // steps per frame
    std::vector<double> times; // output time of each frame, in order
    std::string refusal;       // why the values give no series (empty when they are usable)
};
// Plans the series; refuses dt <= 0, every < 1 and step counts beyond max_animation_steps
// (refusal set, no times). A negative interval is the caller's "not a dynamic file" case.
animation_plan plan_animation(float dt, float interval, float end);
constexpr double max_animation_steps = 1.0e7;

// ---------------------------------------------------------------------------------------------

// Shows the picture image of the main window; nothing else draws on it.
class picture_view;

class TPost3DForm : public QMainWindow
{
    Q_OBJECT
  public:
    // The model lives for the whole run and outlives the window.
    TPost3DForm(FEMg3D &model, const command_options &options, QWidget *parent = nullptr);
    ~TPost3DForm() override;

    // --- File menu
    void Open1Click();
    void Animation1Click();
    void Export1Click();
    void MakeBmp1Click();
    void Exit1Click();
    // --- Graph menu
    void Mesh1Click();
    void Displacement1Click();
    void Sx1Click();
    void Sy1Click();
    void Sz1Click();
    void Syz1Click();
    void Szx1Click();
    void Sxy1Click();
    void Ex1Click();
    void Ey1Click();
    void Ez1Click();
    void Eyz1Click();
    void Ezx1Click();
    void Exy1Click();
    void S11Click();
    void S21Click();
    void S31Click();
    void FI1Click();
    void Max1Click();
    void Middle1Click();
    void Minimum1Click();
    void All1Click();
    void Bending1Click();
    void Shear1Click();
    // --- Data menu
    void ListClick();
    void Dowel1Click();
    // --- Option menu
    void RangeClick();
    void View1Click();
    void Scale1Click();
    void Allelements1Click();
    void kgfcm1Click();
    void SI1Click();
    void Binary1Click();
    void Fatigue1Click();
    void Wire1Click();
    void Black1Click();
    void Gray1Click();
    void NoWIre1Click();
    void SmoothCnt1Click();
    void SIInputdata1Click();
    void OverlayDraw1Click();
    void None1Click();
    void Frame1Click();
    void Filled1Click();
    // Option > Legend: contour legend and axis triad, off by default.
    void Legend1Click();
    // Option > Per-material averaging: contours from each material's own nodal means (the
    // per-material stress file BASE.mst written by corvane --material-stresses).
    void PerMaterial1Click();
    // --- Help menu
    // Help > Guide: the menus, the mouse, the units and the keys in one page.
    void Guide1Click();
    // Help > About: the program, its version and the suite it belongs to.
    void About1Click();

    // --- the mouse on the picture (the same view values as the View dialog)
    // A drag of (dx, dy) pixels: turns the view, or moves the picture when pan is true.
    void view_drag(int dx, int dy, bool pan);
    // A turn of the wheel by steps (positive away from the user: nearer) at pixel at.
    void view_wheel(double steps, QPoint at);
    // A double click: the whole range box in the picture.
    void view_fit();
    // True while a redraw asked by the mouse, a resize or the legend is still to come.
    bool redraw_pending() const;
    // What the input-units panel says and why.
    units_source input_units = units_source::assumed;

    // --- operations used by the other windows
    void refresh_status();
    // Shows "Written: PATH" in the status bar for a few seconds (the panels return after it).
    void announce_written(const std::string &path);
    void redraw_graph();
    void draw_graph_to_image();
    void initForm();

    // --- state
    FEMg3D &model;
    display_settings settings; // program-wide display settings
    result_files files;        // program-wide result file names
    int unit_mode = 0;         // -U of the command line
    int result_set_open = 0;
    int binary_input = 0;
    int graph_type = -1;

    // File dialogs, replaceable for tests: return the chosen path, or an empty text when the
    // user cancels.
    std::function<QString()> open_file_dialog;
    std::function<QString()> save_file_dialog;

    // The windows created at start, after the main window, in this order.
    TMessageForm *MessageForm = nullptr;
    TRangeDlg0 *RangeDlg0 = nullptr;
    TViewOpDlg *ViewOpDlg = nullptr;
    TDataForm *DataForm = nullptr;
    TDowelList1 *DowelList1 = nullptr;
    TScaleDlg0 *ScaleDlg0 = nullptr;
    TFatigueDlg *FatigueDlg = nullptr;
    TmakeBmpsForm *makeBmpsForm = nullptr;
    THelpForm *HelpForm = nullptr; // Help > Guide, made when first asked

    // The window's picture: graph commands draw into it, repaints show it.
    QImage picture;
    // Size of the drawing surface (the client area below the menu and above the status bar).
    QSize surface_size() const;

    // Menu items by handler name without "Click" ("Open1", "Filled1", "Wire1" ...), for tests.
    QAction *item(const char *name) const;
    // Current texts of the status panels 0..3.
    QString status_text(int panel) const;
    // The status panels 0..3 themselves (tests measure what they paint).
    QLabel *status_panel(int i) const { return i >= 0 && i < 4 ? panel[i] : nullptr; }
    // The panel of the input files' units, after the four.
    QLabel *input_units_panel() const { return input_panel; }
    // The picture's widget (tests send it the mouse).
    QWidget *picture_widget() const;

  protected:
    void showEvent(QShowEvent *event) override;
    // Closing the main window ends the program, also while other windows are open.
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

  private:
    void build_menu();
    // Sizes the status panels to their texts (and their font to the bar).
    void fit_status_panels();
    // False, after a message naming the command, when no result set is loaded.
    bool require_result_set(const QString &command);
    QAction *add_item(QMenu *menu, const char *name, const char *text,
                      void (TPost3DForm::*handler)(), bool checkable = false);
    void choose_graph(int type);
    // Opening a result set: release the one open, load the current five files; false after the
    // message.
    bool load_files();
    // Opening a result set: load the current files and take over their counts and ranges.
    bool load_current_files();
    // Reads BASE.mst for per-material contours; says why and turns the option off when it cannot.
    bool load_material_values();
    // Draws the current graph into img: as the window's redraw, or (image) as the image's.
    void draw_onto(QImage &img, bool image);
    // Saves img as a bitmap; false after a message when it cannot be written.
    bool save_bitmap(const QImage &img, const std::string &name);
    void set_wheel_item(int mode);
    void wheel_click(const char *name, int mode);
    // Asks for a fresh picture of the current graph soon: the mouse, a resize and the legend
    // change the view, and several changes in a row make one redraw.
    void schedule_redraw();
    // The fresh picture: the faces projected again when the view turned, never drawn over the
    // earlier picture (it no longer matches); the View dialog shows the new values.
    void redraw_view();
    // Start with -F and no -U: the units recorded beside the set, else those assumed, checked
    // against the slab's modulus; the unit question when the modulus says otherwise.
    void settle_start_units();

    QLabel *input_panel = nullptr;
    QTimer *redraw_timer = nullptr;
    bool faces_stale = false; // the view turned or zoomed since the faces were projected

    picture_view *view = nullptr;
    QLabel *panel[4] = {};
    std::vector<std::pair<std::string, QAction *>> items;
    bool shown_once = false;
    bool load_failed = false;     // the last load was refused
    double panel_font_size = 9.0; // the panels' font before any shrinking
};
