// "Range Dialog": the material shown (up-down control acting at once), the selection box and how it
// applies.
#include "RangeDlg.h"

#include "fem3d.h"
#include "field_text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

up_down_control::up_down_control(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void up_down_control::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height(), half = h / 2;
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(0, 0, w - 1, half - 1);
    p.drawRect(0, half, w - 1, h - half - 1);
    // Arrows; an arrow at the end of the range is drawn grey.
    const QColor on = palette().color(QPalette::ButtonText);
    const QColor off = palette().color(QPalette::Mid);
    const QPointF up[3] = {{w / 2.0, 3.0}, {w - 4.0, half - 3.0}, {4.0, half - 3.0}};
    const QPointF down[3] = {{4.0, half + 3.0}, {w - 4.0, half + 3.0}, {w / 2.0, h - 3.0}};
    p.setPen(Qt::NoPen);
    p.setBrush(position < max ? on : off);
    p.drawPolygon(up, 3);
    p.setBrush(position > min ? on : off);
    p.drawPolygon(down, 3);
}

void up_down_control::mouseReleaseEvent(QMouseEvent *event)
{
    if (rect().contains(event->position().toPoint()))
        emit released(static_cast<int>(event->position().y()));
}

TRangeDlg0::TRangeDlg0(FEMg3D &model_, display_settings &settings_, form_message_fn show_message_,
                       QWidget *parent)
    : QDialog(parent), model(model_), display(settings_), show_message(std::move(show_message_))
{
    setWindowTitle(QStringLiteral("Range Dialog"));
    setModal(false);

    auto *material = new QGroupBox(QStringLiteral("Material"), this);
    auto *ml = new QGridLayout(material);
    Edit1 = make_field(material, "Edit1");
    Edit1->setReadOnly(true);
    UpDown1 = new up_down_control(material);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    MatValue = new QLabel(material);
    MatValue->setObjectName(QStringLiteral("MatValue"));
    ml->addWidget(new QLabel(QStringLiteral("Material No. ="), material), 0, 0);
    ml->addWidget(Edit1, 0, 1);
    ml->addWidget(UpDown1, 0, 2);
    ml->addWidget(MatValue, 1, 0, 1, 3);
    connect(UpDown1, &up_down_control::released, this, &TRangeDlg0::UpDown1MouseUp);

    auto *range = new QGroupBox(QStringLiteral("Range (Unit: cm)"), this);
    auto *rl = new QGridLayout(range);
    const char *const names[6] = {"RXMinE", "RXMaxE", "RYMinE", "RYMaxE", "RZMinE", "RZMaxE"};
    const char *const labels[6] = {
        "X Min.=", "X Max.=", "Y Min.=", "Y Max.=", "Z Min.=", "Z Max.="};
    QLineEdit *fields[6];
    for (int k = 0; k < 6; ++k) {
        fields[k] = make_field(range, names[k]);
        rl->addWidget(new QLabel(QString::fromLatin1(labels[k]), range), k / 2, (k % 2) * 2);
        rl->addWidget(fields[k], k / 2, (k % 2) * 2 + 1);
    }
    RXMinE = fields[0];
    RXMaxE = fields[1];
    RYMinE = fields[2];
    RYMaxE = fields[3];
    RZMinE = fields[4];
    RZMaxE = fields[5];

    auto *selection = new QGroupBox(QStringLiteral("Selection"), this);
    auto *sl = new QHBoxLayout(selection);
    RadioButton1 = new QRadioButton(QStringLiteral("And"), selection);
    RadioButton2 = new QRadioButton(QStringLiteral("Or"), selection);
    RadioButton1->setChecked(true);
    sl->addWidget(RadioButton1);
    sl->addWidget(RadioButton2);

    CheckBox1 = new QCheckBox(QStringLiteral("Adjust Viewport (Uncheck for initial)"), this);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setDefault(true); // Enter confirms the dialog
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TRangeDlg0::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TRangeDlg0::Button2Click);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(material);
    layout->addWidget(range);
    layout->addWidget(selection);
    layout->addWidget(CheckBox1);
    layout->addLayout(buttons);
}

void TRangeDlg0::FormShow()
{
    const range_fields f = show_range(model, display);
    UpDown1->min = -1;
    UpDown1->max = display.material_count - 1;
    QLineEdit *fields[6] = {RXMinE, RXMaxE, RYMinE, RYMaxE, RZMinE, RZMaxE};
    for (int k = 0; k < 6; ++k) fields[k]->setText(QString::fromStdString(f.box[k]));
    RadioButton1->setChecked(f.and_checked);
    RadioButton2->setChecked(!f.and_checked);
    CheckBox1->setChecked(f.adjust_viewport);
    show_material();
}

void TRangeDlg0::UpDown1MouseUp(int y)
{
    range_up_down(model, display, y < UpDown1->height() / 2);
    show_material();
}

void TRangeDlg0::Button1Click()
{
    range_fields f;
    QLineEdit *fields[6] = {RXMinE, RXMaxE, RYMinE, RYMaxE, RZMinE, RZMaxE};
    for (int k = 0; k < 6; ++k) f.box[k] = field_text(fields[k]);
    f.and_checked = RadioButton1->isChecked();
    f.adjust_viewport = CheckBox1->isChecked();
    try {
        apply_range(model, display, f);
    } catch (const field_error &e) {
        show_message(this, QString::fromStdString(e.what()), QStringLiteral("Error"));
        return;
    }
    hide();
}

void TRangeDlg0::Button2Click()
{
    hide();
} // a material chosen with the arrows stays chosen

void TRangeDlg0::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TRangeDlg0::reject()
{
    Button2Click();
}

void TRangeDlg0::show_material()
{
    Edit1->setText(QString::fromStdString(material_name(display.current_material)));
    UpDown1->position = display.current_material;
    UpDown1->update();
    MatValue->setText(QString::fromStdString(material_value_text(model, display.current_material)));
}
