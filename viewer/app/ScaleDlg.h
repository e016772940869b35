// "Scales": displacement magnification, contour range and divisions, principal stress drawing.
#pragma once

#include "dialogs.h"
#include "display.h"
#include "form_util.h"

#include <QDialog>

class FEMg3D;
class QCheckBox;
class QLineEdit;
class QPushButton;

class TScaleDlg0 : public QDialog
{
    Q_OBJECT
  public:
    TScaleDlg0(FEMg3D &model, display_settings &settings, form_message_fn show_message,
               QWidget *parent = nullptr);

    void FormShow();
    void Button1Click(); // OK
    void Button2Click(); // Cancel
    void CheckBox1Click();

    // Edit[1] .. Edit[8] as named Edit1 .. Edit8.
    QLineEdit *Edit[9] = {};
    QCheckBox *CheckBox1; // "Set Contour Range"
    QPushButton *Button1, *Button2;

  protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

  private:
    FEMg3D &model;
    display_settings &display;
    form_message_fn show_message;
};
