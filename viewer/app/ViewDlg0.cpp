// "View Options": eye position, projection distance and light vector, with six presets.
#include "ViewDlg0.h"

#include "fem3d.h"
#include "field_text.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TViewOpDlg::TViewOpDlg(FEMg3D &model_, form_message_fn show_message_, QWidget *parent)
    : QDialog(parent), model(model_), show_message(std::move(show_message_))
{
    setWindowTitle(QStringLiteral("View Options"));
    setModal(false);

    auto *viewing = new QGroupBox(QStringLiteral("Viewing"), this);
    auto *vl = new QGridLayout(viewing);
    RouE = make_field(viewing, "RouE");
    TheE = make_field(viewing, "TheE");
    PhiE = make_field(viewing, "PhiE");
    D1E = make_field(viewing, "D1E");
    const char *const view_labels[4] = {"Rou = ", "The = ", "Phi =", "D1 = "};
    QLineEdit *view_fields_[4] = {RouE, TheE, PhiE, D1E};
    for (int k = 0; k < 4; ++k) {
        vl->addWidget(new QLabel(QString::fromLatin1(view_labels[k]), viewing), k, 0);
        vl->addWidget(view_fields_[k], k, 1);
    }
    auto *lightbox = new QGroupBox(QStringLiteral("Light Source Vector"), this);
    auto *ll = new QGridLayout(lightbox);
    V0E = make_field(lightbox, "V0E");
    V2E = make_field(lightbox, "V2E");
    V3E = make_field(lightbox, "V3E");
    const char *const light_labels[3] = {"V[0] = ", "V[1] = ", "V[2] = "};
    QLineEdit *light_fields[3] = {V0E, V2E, V3E};
    for (int k = 0; k < 3; ++k) {
        ll->addWidget(new QLabel(QString::fromLatin1(light_labels[k]), lightbox), k, 0);
        ll->addWidget(light_fields[k], k, 1);
    }

    auto *presets = new QGridLayout;
    const char *const captions[7] = {nullptr, "y-x", "x-y", "z-x", "y-z", "default", "Backside"};
    for (int k = 1; k <= 6; ++k) {
        Button[k] = new QPushButton(QString::fromLatin1(captions[k]), this);
        Button[k]->setObjectName(QStringLiteral("Button%1").arg(k));
        Button[k]->setAutoDefault(false);
        presets->addWidget(Button[k], (k - 1) / 3, (k - 1) % 3);
        connect(Button[k], &QPushButton::clicked, this, [this, k] { ButtonClick(k); });
    }
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setDefault(true); // Enter confirms the dialog
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    OK->setAutoDefault(false);
    Cancel->setAutoDefault(false);
    connect(OK, &QPushButton::clicked, this, &TViewOpDlg::OKClick);
    connect(Cancel, &QPushButton::clicked, this, &TViewOpDlg::CancelClick);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);

    auto *layout = new QVBoxLayout(this);
    auto *groups = new QHBoxLayout;
    groups->addWidget(viewing);
    groups->addWidget(lightbox);
    layout->addLayout(groups);
    layout->addLayout(presets);
    layout->addLayout(buttons);
    FormShow(); // the fields show the model's view from the start
}

void TViewOpDlg::FormShow()
{
    values = view_from_model(model);
    fill_fields();
}

void TViewOpDlg::OKClick()
{
    const view_fields f = {field_text(RouE), field_text(TheE), field_text(PhiE), field_text(D1E),
                           field_text(V0E),  field_text(V2E),  field_text(V3E)};
    try {
        apply_view(model, values, f);
    } catch (const field_error &e) {
        show_message(this, QString::fromStdString(e.what()), QStringLiteral("Error"));
        return;
    }
    hide();
}

void TViewOpDlg::CancelClick()
{
    hide();
}

void TViewOpDlg::ButtonClick(int k)
{
    view_preset(values, k); // stored only by OK
    fill_fields();
}

void TViewOpDlg::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TViewOpDlg::reject()
{
    CancelClick();
}

void TViewOpDlg::fill_fields()
{
    const view_fields t = view_texts(values);
    QLineEdit *fields[7] = {RouE, TheE, PhiE, D1E, V0E, V2E, V3E};
    for (int k = 0; k < 7; ++k) fields[k]->setText(QString::fromStdString(t[k]));
}
