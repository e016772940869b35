// "Fatigue Curves": the four parameters of the concrete fatigue curve; OK recomputes FI.
#include "Fatigue.h"

#include "fem3d.h"
#include "field_text.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TFatigueDlg::TFatigueDlg(FEMg3D &model_, const display_settings &settings_,
                         form_message_fn show_message_, QWidget *parent)
    : QDialog(parent), model(model_), display(settings_), show_message(std::move(show_message_))
{
    setWindowTitle(QStringLiteral("Fatigue Curves"));
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("FI = log Fd = log (N/Na)"), this));
    layout->addWidget(new QLabel(QStringLiteral("Na = (a - S)/b,  S = ss / sa"), this));
    auto *form = new QFormLayout;
    Edit1 = make_field(this, "Edit1");
    Edit2 = make_field(this, "Edit2");
    Edit3 = make_field(this, "Edit3");
    Edit4 = make_field(this, "Edit4");
    form->addRow(QStringLiteral("Fatigue curve factor 1 a = "), Edit1);
    form->addRow(QStringLiteral("Fatigue curve factor 1 b = "), Edit2);
    form->addRow(QStringLiteral("Flextural strength  sa = "), Edit3);
    form->addRow(QStringLiteral("Total number of repetitions = "), Edit4);
    layout->addLayout(form);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setDefault(true); // Enter confirms the dialog
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button3 = new QPushButton(QStringLiteral("Default"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Button1, Button2, Button3}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, &TFatigueDlg::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFatigueDlg::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TFatigueDlg::Button3Click);
}

void TFatigueDlg::FormShow()
{
    values = fatigue_from_model(model);
    display_values();
}

void TFatigueDlg::Button1Click()
{
    const fatigue_fields f = {field_text(Edit1), field_text(Edit2), field_text(Edit3),
                              field_text(Edit4)};
    try {
        apply_fatigue(model, values, f, display.stress_factor);
    } catch (const field_error &e) {
        show_message(this, QString::fromStdString(e.what()), QStringLiteral("Error"));
        return;
    }
    hide(); // the window is not redrawn; FI shows at the next graph command
}

void TFatigueDlg::Button2Click()
{
    hide();
}

void TFatigueDlg::Button3Click()
{
    values = fatigue_values{}; // stored only by OK
    display_values();
}

void TFatigueDlg::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) FormShow(); // not when the window system re-shows it
    QDialog::showEvent(event);
}

void TFatigueDlg::reject()
{
    Button2Click();
}

void TFatigueDlg::display_values()
{
    const fatigue_fields t = fatigue_texts(values, display.stress_factor);
    Edit1->setText(QString::fromStdString(t[0]));
    Edit2->setText(QString::fromStdString(t[1]));
    Edit3->setText(QString::fromStdString(t[2]));
    Edit4->setText(QString::fromStdString(t[3]));
}
