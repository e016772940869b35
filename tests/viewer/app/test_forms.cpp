// The data forms and dialogs of ostrine driven headless through their handlers and widgets.
#include "test_util.h"

#include "line_list.h"
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <clocale>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DataForm.h"
#include "DowelList.h"
#include "Fatigue.h"
#include "RangeDlg.h"
#include "ScaleDlg.h"
#include "ViewDlg0.h"
#include "fem3d.h"
#include "qt_test_app.h"
#include "test_support.h"

namespace
{

std::string item(const line_list *list, int row)
{
    return list->line(row);
}

using test_support::read_text;

// Offscreen application, a model, the display settings and a message recorder per test.
class FormTest : public testing::Test
{
  protected:
    static void SetUpTestSuite() { test_application("test_viewer_forms"); }

    form_message_fn recorder()
    {
        return [this](QWidget *, const QString &text, const QString &title) {
            messages.push_back(text.toStdString());
            titles.push_back(title.toStdString());
        };
    }

    // Save dialog that answers path and remembers what it was offered.
    form_save_fn saver(const std::string &path)
    {
        return [this, path](QWidget *, const QString &initial, const QString &filter) {
            offered.push_back(initial.toStdString());
            filters.push_back(filter.toStdString());
            return QString::fromStdString(path);
        };
    }

    // x 0, 100, 200 by y 0, 50 by z 0, -20; the node number is kept in Uy.
    void make_grid()
    {
        model.n_nodes = 12;
        model.nodes.assign(13, t_node{});
        for (int k = 0; k < 12; ++k) {
            t_node &n = model.nodes[k];
            n.coord[0] = 100.0f * static_cast<float>(k % 3);
            n.coord[1] = 50.0f * static_cast<float>((k / 3) % 2);
            n.coord[2] = k < 6 ? 0.0f : -20.0f;
            n.disp[1] = static_cast<float>(k);
            n.stress[0] = 10.0f;
        }
        // Reverse the order in memory so the sort has work to do.
        std::vector<t_node> r(model.nodes.rbegin() + 1, model.nodes.rend());
        std::copy(r.begin(), r.end(), model.nodes.begin());
    }

    // a file of the test's own scratch directory
    std::string path(const char *name) const { return scratch.file(name); }
    test_support::scratch_dir scratch{"ostrine_forms"};

    FEMg3D model;
    display_settings settings; // SI display, as the main window starts
    result_files files;
    std::vector<std::string> messages, titles, offered, filters;
};

} // namespace

TEST_F(FormTest, DataFormInitialFieldsListTheZeroPlane)
{
    make_grid();
    set_output_units(settings, false); // kgf-cm
    TDataForm form(model, settings, files, recorder());
    EXPECT_EQ(form.windowTitle().toStdString(), "Numerical Data Form");
    EXPECT_EQ(form.Xk->text(), "2");
    EXPECT_EQ(form.Yk->text(), "1");
    EXPECT_EQ(form.Zk->text(), "0");
    EXPECT_EQ(form.XE->text(), "Non");
    EXPECT_EQ(form.YE->text(), "Non");
    EXPECT_EQ(form.ZE->text(), "0.0");
    EXPECT_EQ(form.Edit1->text(), "0");
    EXPECT_EQ(form.Edit2->text(), "0");
    EXPECT_EQ(form.Edit3->text(), "0.0001");
    EXPECT_EQ(form.CheckBox[19]->text(), "FI");
    EXPECT_EQ(form.CheckBox[20]->text(), "All");
    for (int k = 1; k <= 20; ++k) EXPECT_TRUE(form.CheckBox[k]->isChecked()) << k;

    form.ExecuteClick();
    ASSERT_EQ(form.ListBox1->count(), 7);
    EXPECT_EQ(form.row_count(), 6);
    // kgf-cm display: the header names the cm the coordinates are shown in
    EXPECT_EQ(item(form.ListBox1, 0).substr(0, 27), "  xx(cm)   yy(cm)   zz(cm) ");
    // z 0 nodes sorted by y then x.
    EXPECT_EQ(item(form.ListBox1, 1).substr(0, 27), "  0.0000   0.0000   0.0000 ");
    EXPECT_EQ(item(form.ListBox1, 2).substr(0, 27), "100.0000   0.0000   0.0000 ");
    EXPECT_EQ(item(form.ListBox1, 4).substr(0, 27), "  0.0000  50.0000   0.0000 ");
    EXPECT_EQ(item(form.ListBox1, 6).substr(0, 27), "200.0000  50.0000   0.0000 ");
    EXPECT_GT(form.horizontal_extent(), 306);
}

TEST_F(FormTest, DataFormSiAndKgfColumnsAndUnitsOfTheFields)
{
    make_grid();
    TDataForm form(model, settings, files, recorder()); // SI
    form.ZE->setText("-0.2");                           // m
    form.ExecuteClick();
    ASSERT_EQ(form.ListBox1->count(), 7);
    // x 100 cm is 1 m; Ux (0) and Uy (node number, 7 for x 100 y 0 z -20) are in m; Sx 10
    // kgf/cm2 is 0.98 MPa.
    EXPECT_EQ(item(form.ListBox1, 2).substr(0, 27 + 48),
              "  1.0000   0.0000  -0.2000  0.0000e+00  7.0000e-02  0.0000e+00  9.8000e-01 ");

    EXPECT_EQ(form.axis_label[2]->text().toStdString(), "Z(m)");
    EXPECT_EQ(item(form.ListBox1, 0).substr(0, 9), "  xx(m)  ");

    set_output_units(settings, false);
    form.ZE->setText("-20");
    form.ExecuteClick();
    EXPECT_EQ(item(form.ListBox1, 2).substr(0, 27 + 48),
              "100.0000   0.0000 -20.0000  0.0000e+00  7.0000e+00  0.0000e+00  1.0000e+01 ");
    // in kgf-cm display the labels and the list's header name cm and kgf/cm2 (they said m and
    // MPa over values in cm and kgf/cm2)
    EXPECT_EQ(form.axis_label[2]->text().toStdString(), "Z(cm)");
    EXPECT_EQ(item(form.ListBox1, 0).substr(0, 9), "  xx(cm) ");
    EXPECT_NE(item(form.ListBox1, 0).find("Sx(kg/cm2)"), std::string::npos);
}

TEST_F(FormTest, DataFormAllBoxAndColumnBoxes)
{
    make_grid();
    TDataForm form(model, settings, files, recorder());
    form.CheckBox[20]->click(); // untick "All"
    for (int k = 1; k <= 20; ++k) EXPECT_FALSE(form.CheckBox[k]->isChecked()) << k;
    form.CheckBox[4]->click(); // Sx back on
    EXPECT_TRUE(form.CheckBox[4]->isChecked());
    EXPECT_TRUE(form.settings().column_on[3]);
    form.ExecuteClick();
    EXPECT_EQ(item(form.ListBox1, 0), "  xx(m)    yy(m)    zz(m)    Sx(MPa)   ");
    form.CheckBox[4]->click();
    form.ExecuteClick();
    EXPECT_EQ(item(form.ListBox1, 0), "  xx(m)    yy(m)    zz(m)  ");
    EXPECT_EQ(item(form.ListBox1, 1), "  0.0000   0.0000   0.0000 ");
}

TEST_F(FormTest, DataFormSaveOnlyAfterExecuteWithCrLf)
{
    make_grid();
    files.base_name = "/tmp/case1";
    const std::string out = path("forms_list.xy");
    std::remove(out.c_str());
    TDataForm form(model, settings, files, recorder());
    form.save_dialog = saver(out);
    form.SaveClick(); // before any Execute: nothing
    EXPECT_TRUE(offered.empty());

    form.CheckBox[20]->click();
    form.ExecuteClick();
    form.SaveClick();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], "/tmp/case1.xy");
    EXPECT_EQ(filters[0], "Data File|*.xy|Text File|*.txt");
    const std::string text = read_text(out);
    EXPECT_EQ(text.substr(0, 29), "  xx(m)    yy(m)    zz(m)  \r\n");
    EXPECT_EQ(text.size(), 7u * (27 + 2));

    form.CloseClick(); // frees the rows: Save does nothing again
    EXPECT_EQ(form.ListBox1->count(), 0);
    form.SaveClick();
    EXPECT_EQ(offered.size(), 1u);
    std::remove(out.c_str());
}

TEST_F(FormTest, DataFormNonNumericFieldStopsExecute)
{
    make_grid();
    TDataForm form(model, settings, files, recorder());
    form.ExecuteClick();
    const int before = form.ListBox1->count();
    form.Xk->setText("0");
    form.Zk->setText("2");
    form.YE->setText("abc");
    form.ExecuteClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "'abc' is not a valid floating point value");
    EXPECT_EQ(form.ListBox1->count(), before); // list unchanged
    EXPECT_EQ(form.settings().key_slot[0], 0); // the keys were read before
    EXPECT_EQ(form.settings().key_slot[2], 2);

    form.YE->setText("Non");
    form.Edit2->setText("1.5");
    form.Xk->setText("x");
    form.ExecuteClick();
    EXPECT_EQ(messages.back(), "'x' is not a valid integer value");
}

TEST_F(FormTest, DowelListTwoDowelsAndSave)
{
    model.n_dowels = 2;
    model.dowels.assign(2, t_dowel{});
    for (t_dowel &d : model.dowels) {
        d.length = 45.0f;
        d.gap = 1.0f;
        d.step = 22.0f / 35.0f;
    }
    model.dowels[1].centre[0] = 300.0f;
    files.base_name = "/tmp/case2";
    const std::string out = path("forms_dowels.dxy");
    TDowelList1 form(model, settings, files, recorder());
    EXPECT_EQ(form.windowTitle().toStdString(), "Dowel Stresses");
    form.save_dialog = saver(out);
    form.Button2Click(); // nothing listed yet
    EXPECT_TRUE(offered.empty());

    form.Button1Click();
    ASSERT_EQ(form.ListBox1->count(), 146);
    EXPECT_EQ(item(form.ListBox1, 0), "No.  0 x=    0.00 y=    0.00 z=    0.00");
    EXPECT_EQ(item(form.ListBox1, 1), "Lgt. Dis.     Shear          Bending          Bearing");
    EXPECT_EQ(item(form.ListBox1, 2).substr(0, 9), "  -22.500");
    EXPECT_EQ(item(form.ListBox1, 73), "No.  1 x=    3.00 y=    0.00 z=    0.00"); // SI: m

    form.Button2Click();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], "/tmp/case2.dxy");
    EXPECT_EQ(filters[0], "dxy(Text File)|*.dxy");
    const std::string text = read_text(out);
    EXPECT_EQ(text.substr(0, 42), "No.  0 x=    0.00 y=    0.00 z=    0.00\r\nL");
    std::remove(out.c_str());

    // A set without dowels: Show leaves the listing, Save does nothing.
    model.n_dowels = 0;
    model.dowels.clear();
    form.Button1Click();
    EXPECT_EQ(form.ListBox1->count(), 146);
    form.Button2Click();
    EXPECT_EQ(offered.size(), 1u);
}

TEST_F(FormTest, FatigueDialogShowsSiStrengthAndRecomputes)
{
    model.n_nodes = 2;
    model.nodes.assign(3, t_node{});
    model.nodes[0].principal[2] = 45.0f;
    TFatigueDlg dlg(model, settings, recorder());
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Fatigue Curves");
    dlg.show();
    EXPECT_EQ(dlg.Edit1->text(), "   1.12650");
    EXPECT_EQ(dlg.Edit2->text(), "   0.09510");
    EXPECT_EQ(dlg.Edit3->text(), "   4.41000");
    EXPECT_EQ(dlg.Edit4->text(), "   7.00000");
    dlg.Button1Click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_NEAR(model.nodes[0].fi, 5.669, 1e-3);
    EXPECT_NEAR(model.nodes[1].fi, -4.845, 1e-3);

    // Default then Cancel stores nothing.
    dlg.show();
    dlg.Edit1->setText("2");
    dlg.Button1Click();
    EXPECT_FLOAT_EQ(model.fatigue_a, 2.0f);
    dlg.show();
    EXPECT_EQ(dlg.Edit1->text(), "   2.00000");
    dlg.Button3Click();
    EXPECT_EQ(dlg.Edit1->text(), "   1.12650");
    dlg.Button2Click();
    EXPECT_FLOAT_EQ(model.fatigue_a, 2.0f);

    // A bad entry: message, the dialog stays open, nothing stored.
    dlg.show();
    dlg.Edit4->setText("many");
    dlg.Button1Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "'many' is not a valid floating point value");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FLOAT_EQ(model.repetitions_log, 7.0f);
}

TEST_F(FormTest, RangeDialogUpDownActsAtOnce)
{
    model.n_materials = 3;
    model.materials.assign(3, t_material{});
    model.materials[0].value[0] = 300000.0f;
    model.materials[1].value[0] = 100.0f;
    model.materials[1].value[11] = 1.0f;
    settings.material_count = 3;
    for (int k = 0; k < 6; ++k) settings.saved_range_box[k] = static_cast<float>(k % 2 ? 10 : -10);
    TRangeDlg0 dlg(model, settings, recorder());
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Range Dialog");
    dlg.show();
    EXPECT_EQ(dlg.Edit1->text(), "All");
    EXPECT_EQ(dlg.MatValue->text(), "All Materials are selected");
    EXPECT_EQ(dlg.RXMinE->text(), " -10.00");
    EXPECT_EQ(dlg.RZMaxE->text(), "  10.00");
    EXPECT_TRUE(dlg.RadioButton1->isChecked());

    // A real mouse release on the upper half of the control.
    const QPointF upper(2, 1);
    QMouseEvent release(QEvent::MouseButtonRelease, upper, dlg.UpDown1->mapToGlobal(upper),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.UpDown1, &release);
    EXPECT_EQ(model.sel_material, 0);
    EXPECT_EQ(dlg.Edit1->text(), "No.1");
    EXPECT_EQ(dlg.MatValue->text(), "MatValue =  2.94000e+04 (0)");
    dlg.UpDown1MouseUp(0);
    EXPECT_EQ(dlg.MatValue->text(), "MatValue =  9.80000e+02 (1)");
    dlg.UpDown1MouseUp(0);
    dlg.UpDown1MouseUp(0);
    EXPECT_EQ(model.sel_material, 2);
    const int lower = dlg.UpDown1->height() - 1;
    for (int expected : {1, 0, -1, -1}) {
        dlg.UpDown1MouseUp(lower);
        EXPECT_EQ(model.sel_material, expected);
    }
    dlg.UpDown1MouseUp(0);
    dlg.Button2Click(); // Cancel keeps the material chosen with the arrows
    EXPECT_EQ(model.sel_material, 0);

    // OK with "Or" and a bad field: message, the dialog stays, the model keeps its box.
    dlg.show();
    dlg.RadioButton2->setChecked(true);
    dlg.RXMinE->setText("-5");
    dlg.RYMinE->setText("?");
    dlg.Button1Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "'?' is not a valid floating point value");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(settings.saved_range_box[0], -5.0f);
    EXPECT_TRUE(model.range_inside);
    dlg.RYMinE->setText("-10");
    dlg.Button1Click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(model.range_inside);
    EXPECT_EQ(model.range_box[1], -5.0f); // x min
}

TEST_F(FormTest, ScalesEmptyContourRangeUnchecks)
{
    TScaleDlg0 dlg(model, settings, recorder());
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Scales");
    dlg.show();
    EXPECT_EQ(dlg.Edit[1]->text(), "1000.00000");
    EXPECT_EQ(dlg.Edit[6]->text(), "  20");
    EXPECT_FALSE(dlg.CheckBox1->isChecked());
    dlg.CheckBox1->click();
    EXPECT_TRUE(settings.contour_range_set);
    dlg.Edit[2]->setText("50");
    dlg.Edit[3]->setText("50");
    dlg.Button1Click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(settings.contour_range_set);
    EXPECT_FALSE(dlg.CheckBox1->isChecked());
    dlg.show();
    EXPECT_EQ(dlg.Edit[2]->text(), " 100.00000");
    EXPECT_EQ(dlg.Edit[3]->text(), "-100.00000");

    dlg.Edit[8]->setText("two");
    dlg.Button1Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "'two' is not a valid integer value");
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(FormTest, ViewOptionsBacksideTwiceAndOkRefits)
{
    model.range_box[0] = 300; // x max, x min, y max, y min, z max, z min
    model.range_box[2] = 100;
    model.range_box[5] = -40;
    model.fit_window(0, 0, 1, 1);
    TViewOpDlg dlg(model, recorder());
    EXPECT_EQ(dlg.windowTitle().toStdString(), "View Options");
    dlg.show();
    EXPECT_EQ(dlg.RouE->text(), "3000.000");
    EXPECT_EQ(dlg.PhiE->text(), " 0.524");
    dlg.Button[6]->click();
    dlg.Button[6]->click();
    EXPECT_EQ(dlg.PhiE->text(), "-0.524");
    EXPECT_EQ(dlg.V3E->text(), "-2.500");
    EXPECT_EQ(model.phi, 0.5235988f); // nothing stored before OK
    dlg.Button[5]->click();           // "default" again
    dlg.OKClick();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_NEAR(model.phi, 0.524f, 1e-6f);
    EXPECT_GT(model.win_xmax - model.win_xmin, 100.0f); // refitted to the box
    dlg.show();
    dlg.Button[1]->click();
    EXPECT_EQ(dlg.RouE->text(), "50000.000");
    EXPECT_EQ(dlg.TheE->text(), "-1.571");
    dlg.CancelClick();
    EXPECT_NEAR(model.rou, 3000.0f, 1e-3f);
}

TEST_F(FormTest, FormsOnALoadedResultSet)
{
    const std::string one = std::string(TEST_DATA_DIR) + "/viewer_one/one";
    set_input_factors(settings, false);
    set_output_units(settings, false);
    model.settings = &settings;
    ASSERT_EQ(model.load_result_set((one + ".pin").c_str(), (one + ".out").c_str(),
                                    (one + ".dwi").c_str(), (one + ".dwo").c_str(),
                                    (one + ".dyn").c_str()),
              1);
    ASSERT_EQ(model.n_nodes, 8);

    TDataForm data(model, settings, files, recorder());
    data.ZE->setText("Non");
    data.ExecuteClick();
    EXPECT_EQ(data.ListBox1->count(), 9); // header and the eight nodes

    // One dowel of length 45 across a gap of 0.6: the first half ends at -0.3, the second
    // starts at 0.3.
    TDowelList1 dowels(model, settings, files, recorder());
    dowels.Button1Click();
    ASSERT_EQ(dowels.ListBox1->count(), 73);
    EXPECT_EQ(item(dowels.ListBox1, 2).substr(0, 9), "  -22.500");
    EXPECT_EQ(item(dowels.ListBox1, 2 + 35).substr(0, 9), "   -0.300");
    EXPECT_EQ(item(dowels.ListBox1, 2 + 36).substr(0, 9), "    0.300");
    EXPECT_TRUE(messages.empty());
}
