// "View Options": eye position, projection distance and light vector, with six presets.
#pragma once

#include "dialogs.h"
#include "form_util.h"

#include <QDialog>

class FEMg3D;
class QLineEdit;
class QPushButton;

class TViewOpDlg : public QDialog
{
    Q_OBJECT
  public:
    TViewOpDlg(FEMg3D &model, form_message_fn show_message, QWidget *parent = nullptr);

    void FormShow();
    void OKClick();
    void CancelClick();
    // Button1Click .. Button6Click: "y-x", "x-y", "z-x", "y-z", "default", "Backside".
    void ButtonClick(int k);

    QLineEdit *RouE, *TheE, *PhiE, *D1E, *V0E, *V2E, *V3E;
    QPushButton *Button[7] = {}; // Button[1] .. Button[6]
    QPushButton *OK, *Cancel;

    const view_values &copy() const { return values; }

  protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

  private:
    void fill_fields();

    FEMg3D &model;
    form_message_fn show_message;
    view_values values; // the dialog's copy
};
