// "Dowel Stresses": shear, bending and bearing profiles of every dowel bar, listed and saved.
#include "DowelList.h"

#include "fem3d.h"
#include "listing.h"

#include "line_list.h"
#include <QFontDatabase>
#include <QHBoxLayout>

#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

TDowelList1::TDowelList1(FEMg3D &model_, const display_settings &settings_,
                         const result_files &files_, form_message_fn show_message_, QWidget *parent)
    : QWidget(parent, Qt::Window), model(model_), display(settings_), files(files_),
      show_message(std::move(show_message_))
{
    setWindowTitle(QStringLiteral("Dowel Stresses"));
    close_on_escape(this);
    ListBox1 = new line_list(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    Button1 = new QPushButton(QStringLiteral("Show"), this);
    // Enter shows the list, as the form's default button
    for (const int key : {Qt::Key_Return, Qt::Key_Enter})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                &TDowelList1::Button1Click);
    Button2 = new QPushButton(QStringLiteral("Save"), this);
    Button3 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3->setObjectName(QStringLiteral("Button3"));
    connect(Button1, &QPushButton::clicked, this, &TDowelList1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TDowelList1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TDowelList1::Button3Click);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1, 1);
    layout->addLayout(buttons);
    resize(560, 600);
}

void TDowelList1::Button1Click()
{
    dowel_copy.clear();
    // A set without dowels leaves the previous listing on screen; Save then does nothing.
    const int n = std::min(model.n_dowels, static_cast<int>(model.dowels.size()));
    if (n <= 0) return;
    dowel_copy.assign(model.dowels.begin(), model.dowels.begin() + n);
    lines = dowel_listing(dowel_copy.data(), n, display.length_factor, display.stress_factor);
    ListBox1->set_lines(lines);
}

void TDowelList1::Button2Click()
{
    if (dowel_copy.empty()) return;
    const QString name = save_dialog(this, QString::fromStdString(files.base_name + ".dxy"),
                                     QStringLiteral("dxy(Text File)|*.dxy"));
    if (name.isEmpty()) return;
    if (!write_listing_file(name.toStdString(), lines))
        show_message(this, QStringLiteral("Cannot write the listing file ") + name,
                     QStringLiteral("File save error"));
    else
        announce_written(this, name);
}

void TDowelList1::Button3Click()
{
    hide();
}
