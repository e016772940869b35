// "Numerical Data Form": nodal results on planes or along a line, sorted, listed and saved.
#pragma once

#include "display.h"
#include "form_util.h"
#include "listing.h"
#include "records.h"

#include <QWidget>

#include <string>
#include <vector>

class FEMg3D;
class QCheckBox;
class QLabel;
class QLineEdit;
class line_list;
class QPushButton;

class TDataForm : public QWidget
{
    Q_OBJECT
  public:
    // The model, the display settings and the file names belong to the main window and outlive
    // the form; the form copies node records out and keeps no pointer into the model's arrays.
    TDataForm(FEMg3D &model, const display_settings &settings, const result_files &files,
              form_message_fn show_message, QWidget *parent = nullptr);

    void ExecuteClick();
    void SaveClick();
    void CloseClick();
    // CheckBox1Click .. CheckBox19Click: k = 1..19.
    void CheckBoxClick(int k);
    void CheckBox20Click();

    // Save dialog; tests replace it.
    form_save_fn save_dialog = default_save_dialog;

    // Fields, by their names.
    QLineEdit *Xk, *Yk, *Zk;      // sort keys, "0-2"
    QLineEdit *XE, *YE, *ZE;      // plane values or "Non"
    QLineEdit *Edit1;             // "A =", slope of the line
    QLineEdit *Edit2;             // "B =", intercept
    QLineEdit *Edit3;             // "Range = ", tolerance
    QCheckBox *CheckBox[21] = {}; // CheckBox[1] .. CheckBox[20]
    line_list *ListBox1;
    QLabel *axis_label[3] = {}; // "X(m)" or "X(cm)": the unit of the plane values typed
    QPushButton *ExecuteButton, *SaveButton, *CloseButton;

    // Settings as last read by Execute.
    const listing_settings &settings() const { return state; }
    // Records kept by the last Execute (row_count = size).
    int row_count() const { return static_cast<int>(rows.size()); }
    // Lines of the list, header first.
    const std::vector<std::string> &list_lines() const { return lines; }
    // Widest record line in pixels plus 306, set by Execute.
    int horizontal_extent() const { return extent; }

  protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    // The axis labels name the length unit the fields are read in (the display's).
    void label_axes();

  private:
    void free_rows();

    FEMg3D &model;
    const display_settings &display;
    const result_files &files;
    form_message_fn show_message;
    listing_settings state;
    std::vector<t_node> rows;       // selected records, sorted
    std::vector<std::string> lines; // the list's lines
    int extent = 0;
};
