// "Scales": displacement magnification, contour range and divisions, principal stress drawing.
#include "ScaleDlg.h"

#include "fem3d.h"
#include "field_text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TScaleDlg0::TScaleDlg0(FEMg3D &model_, display_settings &settings_, form_message_fn show_message_,
                       QWidget *parent)
    : QDialog(parent), model(model_), display(settings_), show_message(std::move(show_message_))
{
    setWindowTitle(QStringLiteral("Scales"));
    setModal(false);
    for (int k = 1; k <= 8; ++k) Edit[k] = make_field(this, ("Edit" + std::to_string(k)).c_str());
    CheckBox1 = new QCheckBox(QStringLiteral("Set Contour Range"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    connect(CheckBox1, &QCheckBox::clicked, this, &TScaleDlg0::CheckBox1Click);

    auto *grid = new QGridLayout;
    int row = 0;
    grid->addWidget(new QLabel(QStringLiteral("Displacements"), this), row++, 0, 1, 2);
    const struct {
        const char *label;
        int field;
    } rows[8] = {{"x Direction", 1},  {"y Direction", 4},     {"z Direction", 5},
                 {nullptr, 0},        {"Max. value", 2},      {"Min. value", 3},
                 {"Contour Div.", 6}, {"Principal Stress", 7}};
    for (const auto &r : rows) {
        if (!r.label) {
            grid->addWidget(CheckBox1, row++, 0, 1, 2);
            continue;
        }
        grid->addWidget(new QLabel(QString::fromLatin1(r.label), this), row, 0);
        grid->addWidget(Edit[r.field], row++, 1);
    }
    grid->addWidget(new QLabel(QStringLiteral("Skip"), this), row, 0);
    grid->addWidget(Edit[8], row++, 1);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setDefault(true); // Enter confirms the dialog
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TScaleDlg0::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TScaleDlg0::Button2Click);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TScaleDlg0::FormShow()
{
    const scale_fields f = show_scales(model, display);
    for (int k = 1; k <= 8; ++k) Edit[k]->setText(QString::fromStdString(f[k - 1]));
    // The box is not set from anything else: it follows contour_range_set.
    CheckBox1->setChecked(display.contour_range_set);
}

void TScaleDlg0::Button1Click()
{
    scale_fields f;
    for (int k = 1; k <= 8; ++k) f[k - 1] = field_text(Edit[k]);
    try {
        apply_scales(model, display, f);
    } catch (const field_error &e) {
        show_message(this, QString::fromStdString(e.what()), QStringLiteral("Error"));
        return;
    }
    CheckBox1->setChecked(display.contour_range_set); // unchecked when the range was empty
    hide();
}

void TScaleDlg0::Button2Click()
{
    hide();
}

void TScaleDlg0::CheckBox1Click()
{
    display.contour_range_set = !display.contour_range_set;
    CheckBox1->setChecked(display.contour_range_set);
}

void TScaleDlg0::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TScaleDlg0::reject()
{
    Button2Click();
}
