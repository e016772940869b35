// "Dowel Stresses": shear, bending and bearing profiles of every dowel bar, listed and saved.
#pragma once

#include "display.h"
#include "form_util.h"
#include "records.h"

#include <QWidget>

#include <string>
#include <vector>

class FEMg3D;
class line_list;
class QPushButton;

class TDowelList1 : public QWidget
{
    Q_OBJECT
  public:
    // The model, settings and file names outlive the form; the form keeps its own copy of the
    // dowel records.
    TDowelList1(FEMg3D &model, const display_settings &settings, const result_files &files,
                form_message_fn show_message, QWidget *parent = nullptr);

    void Button1Click(); // Show
    void Button2Click(); // Save
    void Button3Click(); // Close

    form_save_fn save_dialog = default_save_dialog;

    line_list *ListBox1;
    QPushButton *Button1, *Button2, *Button3;

    int dowel_copy_count() const { return static_cast<int>(dowel_copy.size()); }
    const std::vector<std::string> &list_lines() const { return lines; }

  private:
    FEMg3D &model;
    const display_settings &display;
    const result_files &files;
    form_message_fn show_message;
    std::vector<t_dowel> dowel_copy; // the dowels of the last Show
    std::vector<std::string> lines;  // the list's lines
};
