// "Range Dialog": the material shown (up-down control acting at once), the selection box and how it
// applies.
#pragma once

#include "dialogs.h"
#include "display.h"
#include "form_util.h"

#include <QDialog>
#include <QWidget>

class FEMg3D;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Up-down control: two arrows stacked in one small widget; a mouse release reports its y.
class up_down_control : public QWidget
{
    Q_OBJECT
  public:
    explicit up_down_control(QWidget *parent = nullptr);
    int min = 0, max = 0, position = 0; // range and position, shown by the arrows' state
    QSize sizeHint() const override { return QSize(18, 24); }

  signals:
    void released(int y);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

class TRangeDlg0 : public QDialog
{
    Q_OBJECT
  public:
    TRangeDlg0(FEMg3D &model, display_settings &settings, form_message_fn show_message,
               QWidget *parent = nullptr);

    void FormShow();
    // Mouse released over UpDown1 at height y: the upper half raises the material number.
    void UpDown1MouseUp(int y);
    void Button1Click(); // OK
    void Button2Click(); // Cancel

    QLineEdit *Edit1; // material name, display only
    up_down_control *UpDown1;
    QLabel *MatValue;
    QLineEdit *RXMinE, *RXMaxE, *RYMinE, *RYMaxE, *RZMinE, *RZMaxE;
    QRadioButton *RadioButton1, *RadioButton2; // "And", "Or"
    QCheckBox *CheckBox1;                      // "Adjust Viewport (Uncheck for initial)"
    QPushButton *Button1, *Button2;

  protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

  private:
    void show_material();

    FEMg3D &model;
    display_settings &display;
    form_message_fn show_message;
};
