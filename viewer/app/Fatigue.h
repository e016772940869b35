// "Fatigue Curves": the four parameters of the concrete fatigue curve; OK recomputes FI.
#pragma once

#include "dialogs.h"
#include "display.h"
#include "form_util.h"

#include <QDialog>

class FEMg3D;
class QLineEdit;
class QPushButton;

class TFatigueDlg : public QDialog
{
    Q_OBJECT
  public:
    TFatigueDlg(FEMg3D &model, const display_settings &settings, form_message_fn show_message,
                QWidget *parent = nullptr);

    void FormShow();
    void Button1Click(); // OK
    void Button2Click(); // Cancel
    void Button3Click(); // Default

    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4; // a, b, sa (display units), repetitions
    QPushButton *Button1, *Button2, *Button3;

    const fatigue_values &copy() const { return values; }

  protected:
    void showEvent(QShowEvent *event) override;
    void reject() override; // Esc is Cancel

  private:
    void display_values();

    FEMg3D &model;
    const display_settings &display;
    form_message_fn show_message;
    fatigue_values values; // the dialog's copy
};
