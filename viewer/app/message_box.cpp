// Message boxes of the viewer's windows.
#include "message_box.h"

#include <QMessageBox>

#include <utility>

namespace
{

// The real message box: modal, with the buttons and icon that flags ask for.
int real_message_box(QWidget *parent, const QString &text, const QString &title, int flags)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (flags & 0xF0) {
    case mb_icon_warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case mb_icon_information:
        box.setIcon(QMessageBox::Information);
        break;
    case mb_icon_question:
        box.setIcon(QMessageBox::Question);
        break;
    default:
        break;
    }
    if ((flags & 0x0F) == mb_yes_no) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((flags & mb_default_no) ? QMessageBox::No : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? id_yes : id_no;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return id_ok;
}

message_box_fn &current_message_box()
{
    static message_box_fn fn = real_message_box;
    return fn;
}

} // namespace

int message_box(QWidget *parent, const QString &text, const QString &title, int flags)
{
    return current_message_box()(parent, text, title, flags);
}

message_box_fn set_message_box(message_box_fn fn)
{
    message_box_fn previous = std::move(current_message_box());
    current_message_box() = fn ? std::move(fn) : message_box_fn(real_message_box);
    return previous;
}

void show_field_error(QWidget *parent, const field_error &e)
{
    message_box(parent, QString::fromStdString(e.what()), QStringLiteral("Error"),
                mb_ok | mb_icon_warning);
}
