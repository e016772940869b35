// "Numerical Data Form": nodal results on planes or along a line, sorted, listed and saved.
#include "DataForm.h"

#include "fem3d.h"
#include "field_text.h"

#include "line_list.h"
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

TDataForm::TDataForm(FEMg3D &model_, const display_settings &settings_, const result_files &files_,
                     form_message_fn show_message_, QWidget *parent)
    : QWidget(parent, Qt::Window), model(model_), display(settings_), files(files_),
      show_message(std::move(show_message_))
{
    setWindowTitle(QStringLiteral("Numerical Data Form"));
    close_on_escape(this);
    const listing_fields initial;

    auto *keys = new QGridLayout;
    keys->addWidget(new QLabel(QStringLiteral("Key"), this), 0, 1);
    keys->addWidget(new QLabel(QStringLiteral("Select"), this), 0, 2);
    const char *const axis_labels[3] = {"X(m)", "Y(m)", "Z(m)"};
    const char *const key_names[3] = {"Xk", "Yk", "Zk"};
    const char *const select_names[3] = {"XE", "YE", "ZE"};
    QLineEdit *key_fields[3], *select_fields[3];
    for (int a = 0; a < 3; ++a) {
        axis_label[a] = new QLabel(QString::fromLatin1(axis_labels[a]), this);
        keys->addWidget(axis_label[a], a + 1, 0);
        key_fields[a] = make_field(this, key_names[a], QString::fromStdString(initial.key[a]));
        key_fields[a]->setToolTip(QStringLiteral("0-2"));
        select_fields[a] =
            make_field(this, select_names[a], QString::fromStdString(initial.select[a]));
        keys->addWidget(key_fields[a], a + 1, 1);
        keys->addWidget(select_fields[a], a + 1, 2);
    }
    Xk = key_fields[0];
    Yk = key_fields[1];
    Zk = key_fields[2];
    XE = select_fields[0];
    YE = select_fields[1];
    ZE = select_fields[2];
    Edit1 = make_field(this, "Edit1", QString::fromStdString(initial.line_a));
    Edit2 = make_field(this, "Edit2", QString::fromStdString(initial.line_b));
    Edit3 = make_field(this, "Edit3", QString::fromStdString(initial.range));
    keys->addWidget(new QLabel(QStringLiteral("A ="), this), 4, 0);
    keys->addWidget(Edit1, 4, 1);
    keys->addWidget(new QLabel(QStringLiteral("B ="), this), 5, 0);
    keys->addWidget(Edit2, 5, 1);
    keys->addWidget(new QLabel(QStringLiteral("Range = "), this), 6, 0);
    keys->addWidget(Edit3, 6, 1);

    auto *columns = new QGridLayout;
    for (int k = 1; k <= 20; ++k) {
        const QString caption = k <= listing_column_count
                                    ? QString::fromLatin1(listing_column_captions[k - 1])
                                    : QStringLiteral("All");
        CheckBox[k] = new QCheckBox(caption, this);
        CheckBox[k]->setObjectName(QStringLiteral("CheckBox%1").arg(k));
        CheckBox[k]->setChecked(true);
        columns->addWidget(CheckBox[k], (k - 1) % 7, (k - 1) / 7);
        if (k <= listing_column_count)
            connect(CheckBox[k], &QCheckBox::clicked, this, [this, k] { CheckBoxClick(k); });
        else
            connect(CheckBox[k], &QCheckBox::clicked, this, &TDataForm::CheckBox20Click);
    }

    ExecuteButton = new QPushButton(QStringLiteral("Execute"), this);
    // Enter runs the listing, as the form's default button
    for (const int key : {Qt::Key_Return, Qt::Key_Enter})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                &TDataForm::ExecuteClick);
    ExecuteButton->setToolTip(QStringLiteral("Show Data"));
    SaveButton = new QPushButton(QStringLiteral("Save"), this);
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    connect(ExecuteButton, &QPushButton::clicked, this, &TDataForm::ExecuteClick);
    connect(SaveButton, &QPushButton::clicked, this, &TDataForm::SaveClick);
    connect(CloseButton, &QPushButton::clicked, this, &TDataForm::CloseClick);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ExecuteButton);
    buttons->addWidget(SaveButton);
    buttons->addWidget(CloseButton);
    buttons->addStretch();

    ListBox1 = new line_list(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));

    auto *top = new QHBoxLayout;
    top->addLayout(keys);
    top->addLayout(columns);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ListBox1, 1);
    resize(900, 560);
}

void TDataForm::label_axes()
{
    const bool cm = display.length_factor == 1.0f; // kgf-cm display
    const char *const names[3] = {"X", "Y", "Z"};
    for (int a = 0; a < 3; ++a)
        if (axis_label[a])
            axis_label[a]->setText(QString::fromLatin1(names[a]) +
                                   QString::fromLatin1(cm ? "(cm)" : "(m)"));
}

void TDataForm::showEvent(QShowEvent *event)
{
    label_axes();
    QWidget::showEvent(event);
}

void TDataForm::ExecuteClick()
{
    listing_fields f;
    f.key[0] = field_text(Xk);
    f.key[1] = field_text(Yk);
    f.key[2] = field_text(Zk);
    f.select[0] = field_text(XE);
    f.select[1] = field_text(YE);
    f.select[2] = field_text(ZE);
    f.line_a = field_text(Edit1);
    f.line_b = field_text(Edit2);
    f.range = field_text(Edit3);
    label_axes();
    try {
        read_listing_fields(state, f, display.length_factor);
    } catch (const field_error &e) {
        // The settings read before the bad field keep their values; the list is unchanged.
        show_message(this, QString::fromStdString(e.what()), QStringLiteral("Error"));
        return;
    }

    ListBox1->clear();
    lines.clear();
    extent = 0;
    free_rows();
    const int n = std::min(model.n_nodes, static_cast<int>(model.nodes.size()));
    lines = numerical_listing(state, model.nodes.data(), n, display.length_factor,
                              display.stress_factor, &rows);
    if (lines.empty()) return; // nothing accepted: the list stays empty, Save does nothing

    QFont font = ListBox1->font();
    font.setPointSize(9);
    ListBox1->setFont(font);
    // the horizontal extent of the list: the widest line but the header, in the fixed font
    std::size_t longest = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) longest = std::max(longest, lines[i].size());
    extent = QFontMetrics(font).horizontalAdvance(QString(static_cast<int>(longest), '0')) + 306;
    ListBox1->set_lines(lines);
}

void TDataForm::SaveClick()
{
    if (rows.empty()) return;
    const QString name = save_dialog(this, QString::fromStdString(files.base_name + ".xy"),
                                     QStringLiteral("Data File|*.xy|Text File|*.txt"));
    if (name.isEmpty()) return;
    if (!write_listing_file(name.toStdString(), lines))
        show_message(this, QStringLiteral("Cannot write the listing file ") + name,
                     QStringLiteral("File save error"));
    else
        announce_written(this, name);
}

void TDataForm::CloseClick()
{
    free_rows();
    ListBox1->clear();
    lines.clear();
    hide();
}

void TDataForm::CheckBoxClick(int k)
{
    if (k < 1 || k > listing_column_count) return;
    state.column_on[k - 1] = !state.column_on[k - 1];
    CheckBox[k]->setChecked(state.column_on[k - 1]);
}

void TDataForm::CheckBox20Click()
{
    toggle_all_columns(state);
    for (int k = 1; k <= listing_column_count; ++k) CheckBox[k]->setChecked(state.all_columns);
    CheckBox[20]->setChecked(state.all_columns);
}

void TDataForm::closeEvent(QCloseEvent *event)
{
    free_rows();
    ListBox1->clear();
    lines.clear();
    QWidget::closeEvent(event);
}

void TDataForm::free_rows()
{
    rows.clear();
    rows.shrink_to_fit();
}
